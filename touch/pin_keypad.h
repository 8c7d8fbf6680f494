// The PIN keypad dialog, DigitPasswordKeypad: a touch keypad that collects
// digits for a PIN or numeric password. It checks nothing: whatever was keyed,
// an empty entry included, is confirmed as it stands.
#pragma once

#include "classes.h"

namespace nuv {

extern const ClassDef digit_password_keypad_class;

}  // namespace nuv
