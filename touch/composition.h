// Pinyin composition for the Chinese keyboard, Composition: the letters the
// operator typed, the spelling the pinyin engine reads in them, its
// candidates, and the choice of one, phrase by phrase. No widget here: the
// keyboard's layout shows what a composition holds.
//
// The engine is Android's pinyin decoder as Debian packages it
// (libgooglepinyin). It opens once per process, at the first composition,
// with the dictionary Debian ships and no user dictionary, so it writes no
// file.
#pragma once

#include "classes.h"

namespace nuv {

extern const ClassDef composition_class;

// The places searched for the engine's dictionary, in order (a tuple of
// str): the dictionary beside the engine's library as loaded, then Debian's
// place for the architecture the module was built for. The module binds it
// as `_pinyin_dictionaries`, read when the engine opens.
py::tuple pinyin_dictionary_places();

}  // namespace nuv
