// The numeric keypad dialog, DigitKeypad: a touch keypad for a whole or a
// decimal number that shows the permitted range and refuses a malformed or
// out-of-range entry with an error box, staying open until a valid entry is
// confirmed or the operator cancels.
#pragma once

#include "classes.h"

namespace nuv {

extern const ClassDef digit_keypad_class;

// The prompts of the two modes.
extern const char* const kIntegerPrompt;
extern const char* const kFloatPrompt;

// Converts an entry as the numeric keypad does for `mode`: int() when mode
// equals KEYPAD_MODE_INT (exact for any number of digits), float() otherwise.
py::object number_for_mode(py::handle text, py::handle mode);

// The keypad refuses, with its format message, a decimal entry that needs
// more than `decimals` decimal places: the control it writes to would keep
// it rounded.
void limit_decimals(py::handle keypad, py::handle decimals);

}  // namespace nuv
