#include "prompts.h"

#include "decimal_int.h"
#include "dialog_support.h"

namespace nuv {

namespace {

// Shows a numeric keypad of `mode_name` and converts a confirmed entry.
py::object ask_number(const Args& a, const char* mode_name, py::object (*convert)(py::handle)) {
    py::handle parent = a[0], minimum = a[1], maximum = a[2], message = a[3];
    DialogGuard dialog(global("DigitKeypad")(parent, py::arg("mode") = global(mode_name),
                                             py::arg("minimum") = minimum, py::arg("maximum") = maximum,
                                             py::arg("message") = message));
    py::object code = call_method(dialog.get(), "ShowModal");
    py::object result = py::none();
    if (is_confirmed(code)) result = convert(call_method(dialog.get(), "get_value"));
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
