// The keyboards of xkeyboard-config, read through libxkbcommon: what each
// key of a layout's main block types in each state of Shift, Caps Lock and
// AltGr, and what the layout's dead keys compose. No widget and no display
// server: a layout compiles from its names alone, as setxkbmap names it.
#pragma once

#include "core.h"

namespace nuv::engines {

// Adds xkb_keymap, xkb_compose and xkb_data_root to `module`.
void bind_xkb(py::module_& module);

}  // namespace nuv::engines
