// The alphanumeric keyboard dialog, AlphaKeypad: an on-screen keyboard for
// free text or a password, with a shift toggle that swaps the key sets and
// colours the shift keys, a caps-lock switch, Tab and Space keys, backspace
// and clear. In password mode it edits a field that masks its text.
#pragma once

#include "classes.h"

namespace nuv {

extern const ClassDef alpha_keypad_class;

}  // namespace nuv
