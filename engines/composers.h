// The composers of the Korean, zhuyin, Japanese and Cangjie keyboards, one
// unit each, all on the protocol core.h describes. Each engine's library is
// loaded at its first composition (dlopen), so nuv_engines imports without
// it and the missing case raises OSError there; the module attributes
// `_<engine>_library` (and the data places some of them read) are read at
// that moment, so a test can point them elsewhere.
#pragma once

#include "core.h"

namespace nuv::engines {

void bind_hangul(py::module_& module);
void bind_zhuyin(py::module_& module);
void bind_kana(py::module_& module);
void bind_cangjie(py::module_& module);

}  // namespace nuv::engines
