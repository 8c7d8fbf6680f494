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

#include "core.h"

namespace nuv::engines {

// Binds Composition and `_pinyin_dictionaries`, the places searched for the
// engine's dictionary in order (a tuple of str): the dictionary beside the
// engine's library as loaded, then Debian's place for the architecture the
// module was built for. The engine reads the module attribute when it
// opens, so a test can point it elsewhere.
void bind_pinyin(py::module_& module);

}  // namespace nuv::engines
