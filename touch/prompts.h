// The one-call prompts: each shows a keypad modally over a parent window and
// returns what the operator confirmed, or None when the keypad was cancelled.
#pragma once

#include "function.h"

namespace nuv {

extern const FunctionDef input_text_function;
extern const FunctionDef input_password_function;
extern const FunctionDef input_digit_password_function;
extern const FunctionDef input_integer_function;
extern const FunctionDef input_float_function;

}  // namespace nuv
