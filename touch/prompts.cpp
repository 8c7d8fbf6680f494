#include "prompts.h"

#include "decimal_int.h"
#include "dialog_support.h"

namespace nuv {

namespace {

// Shows the dialog modally; what get_value gives when it was confirmed, else
// None (and get_value is not called). The dialog is destroyed on every path.
py::object prompt_entry(DialogGuard& dialog) {
    py::object entry = dialog.confirmed_entry("get_value");
    dialog.destroy();
    return entry ? entry : py::none();
}

// The keyboard, plain or masked as `password_mode` says; the entry unchanged.
py::object input_text(const Args& a) {
    py::handle parent = a[0], password_mode = a[1], message = a[2];
    DialogGuard dialog(
        global("AlphaKeypad")(parent, py::arg("password_mode") = password_mode, py::arg("message") = message));
    return prompt_entry(dialog);
}

// input_text as the module binds it at the time of the call, masked.
py::object input_password(const Args& a) {
    py::handle parent = a[0], message = a[1];
    return global("input_text")(parent, py::bool_(true), message);
}

// The PIN as keyed, leading zeros and all. The call path checks the result
// (str or None) once the dialog is gone.
py::object input_digit_password(const Args& a) {
    py::handle parent = a[0], message = a[1];
    DialogGuard dialog(global("DigitPasswordKeypad")(parent, message));
    return prompt_entry(dialog);
}

// Shows a numeric keypad of `mode_name` and converts a confirmed entry.
py::object ask_number(const Args& a, const char* mode_name, py::object (*convert)(py::handle)) {
    py::handle parent = a[0], minimum = a[1], maximum = a[2], message = a[3];
    DialogGuard dialog(global("DigitKeypad")(parent, py::arg("mode") = global(mode_name),
                                             py::arg("minimum") = minimum, py::arg("maximum") = maximum,
                                             py::arg("message") = message));
    py::object entry = dialog.confirmed_entry("get_value");
    py::object result = entry ? convert(entry) : py::none();
    dialog.destroy();
    return result;
}

py::object input_integer(const Args& a) {
    return ask_number(a, "KEYPAD_MODE_INT", to_int);
}

py::object input_float(const Args& a) {
    return ask_number(a, "KEYPAD_MODE_FLOAT", to_float);
}

}  // namespace

const FunctionDef input_text_function{"input_text",
                                      "input_text",
                                      {{"parent", Default::Required(), "wx.WindowBase"},
                                       {"password_mode", Default::False(), "bool"},
                                       {"message", Default::Str(""), "str"}},
                                      input_text};

const FunctionDef input_password_function{"input_password",
                                          "input_password",
                                          {{"parent", Default::Required(), "wx.WindowBase"},
                                           {"message", Default::Str(""), "str"}},
                                          input_password};

const FunctionDef input_digit_password_function{"input_digit_password",
                                                "input_digit_password",
                                                {{"parent", Default::Required(), "wx.WindowBase"},
                                                 {"message", Default::None(), "_Optional[str]"}},
                                                input_digit_password,
                                                "_Optional[str]"};

const FunctionDef input_integer_function{"input_integer",
                                         "input_integer",
                                         {{"parent", Default::Required(), "wx.WindowBase"},
                                          {"minimum", Default::MinusInfinity()},
                                          {"maximum", Default::PlusInfinity()},
                                          {"message", Default::None(), "str"}},
                                         input_integer,
                                         "_Optional[int]"};

const FunctionDef input_float_function{"input_float",
                                       "input_float",
                                       {{"parent", Default::Required(), "wx.WindowBase"},
                                        {"minimum", Default::MinusInfinity()},
                                        {"maximum", Default::PlusInfinity()},
                                        {"message", Default::None(), "str"}},
                                       input_float,
                                       "_Optional[float]"};

}  // namespace nuv
