#include "pin_keypad.h"

#include "dialog_support.h"
#include "modality.h"

namespace nuv {

namespace {

py::object entry_field(py::handle self) {
    return get_attr(self, "ui_text");
}

py::object init(const Args& a) {
    py::handle self = a[0], parent = a[1], message = a[2], font_size = a[3];
    py::object show_size = py::reinterpret_borrow<py::object>(a[4]);

    get_attr(global("_DigitPasswordKeypad"), "__init__")(self, parent);
    // From here on the dialog exists as a window. Should a later step fail
    // (a missing widget, a font size wx refuses), the half-built dialog is
    // destroyed, so that no hidden window is left to keep the application
    // from exiting.
    DialogGuard half_built(py::reinterpret_borrow<py::object>(self));
    watch_modal_loops();

    if (show_size.is_none()) show_size = steal_or_throw(PyNumber_Add(font_size.ptr(), py::int_(12).ptr()));
    // None and "" keep the layout's own prompt.
    if (!message.is_none() && truth(message)) call_method(get_attr(self, "ui_message"), "SetLabel", message);
    set_digit_pad_key_font(self, keypad_font(font_size));
    call_method(entry_field(self), "SetFont", keypad_font(show_size));
    fit_layout(self);

    half_built.keep();
    return py::none();
}

// Appends the pressed key's label to the entry, whatever it is.
py::object on_digit(const Args& a) {
    py::handle self = a[0], event = a[1];
    py::object label = call_method(call_method(event, "GetEventObject"), "GetLabel");
    py::object entry = entry_field(self);
    py::object old = call_method(entry, "GetValue");
    call_method(entry, "SetValue", steal_or_throw(PyNumber_Add(old.ptr(), label.ptr())));
    return py::none();
}

py::object on_clear(const Args& a) {
    call_method(entry_field(a[0]), "SetValue", literal(""));
    return py::none();
}

// Confirms whatever the entry holds.
py::object on_confirm(const Args& a) {
    call_method(a[0], "EndModal", get_attr(global("wx"), "ID_OK"));
    return py::none();
}

py::object get_value(const Args& a) {
    return call_method(entry_field(a[0]), "GetValue");
}

const FunctionDef kInit{"__init__",
                        "DigitPasswordKeypad.__init__",
                        {{"self"},
                         {"parent"},
                         {"message", Default::None(), "_Optional[str]"},
                         {"font_size", Default::Int(20), "int"},
                         {"show_size", Default::None(), "int"}},
                        init};
const FunctionDef kOnDigit{"on_digit", "DigitPasswordKeypad.on_digit", {{"self"}, {"event", Default::Required(), "wx.Event"}},
                           on_digit};
const FunctionDef kOnClear{"on_clear", "DigitPasswordKeypad.on_clear", {{"self"}, {"event"}}, on_clear};
const FunctionDef kOnConfirm{"on_confirm", "DigitPasswordKeypad.on_confirm", {{"self"}, {"event"}}, on_confirm};
const FunctionDef kGetValue{"get_value", "DigitPasswordKeypad.get_value", {{"self"}}, get_value, "str"};

}  // namespace

const ClassDef digit_password_keypad_class{"DigitPasswordKeypad",
                                           "_DigitPasswordKeypad",
                                           nullptr,
                                           Thread::gui,
                                           {Member::Method(kInit), Member::Method(kOnDigit), Member::Method(kOnClear),
                                            Member::Method(kOnConfirm), Member::Method(kGetValue)}};

}  // namespace nuv
