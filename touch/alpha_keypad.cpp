#include "alpha_keypad.h"

#include "dialog_support.h"
#include "modality.h"

#include <string>

namespace nuv {

namespace {

const char* const kShiftKeys[] = {"ui_shift_0", "ui_shift_1", "ui_shift_2", "ui_shift_3"};
const char* const kCapsOnPanels[] = {"ui_caps_on_0", "ui_caps_on_1", "ui_caps_on_2"};
constexpr int kCapsPanelPairs = 3;

// The field every edit goes to: the masking one in password mode, fixed when
// the keyboard is made.
py::object text_field(py::handle self) {
    return get_attr(self, "_AlphaKeypad__text_field");
}

py::object field_text(py::handle self) {
    return call_method(text_field(self), "GetValue");
}

void set_field_text(py::handle self, py::handle text) {
    call_method(text_field(self), "SetValue", text);
}

py::object colour(int red, int green, int blue) {
    return call_method(global("wx"), "Colour", red, green, blue);
}

py::bool_ negated(py::handle value) {
    return py::bool_(!truth(value));
}

// password_mode as given; when it is None, taken from the widget: a grid
// edits plain text, any other widget masks when its style has TE_PASSWORD.
py::object password_mode_for(py::handle widget, py::handle password_mode) {
    if (!password_mode.is_none() || widget.is_none()) return py::reinterpret_borrow<py::object>(password_mode);
    if (is_instance(widget, get_attr(global("_grid"), "Grid"))) return py::bool_(false);
    py::object masked = steal_or_throw(
        PyNumber_And(get_attr(widget, "window_style").ptr(), get_attr(global("wx"), "TE_PASSWORD").ptr()));
    return steal_or_throw(PyObject_RichCompare(masked.ptr(), py::int_(0).ptr(), Py_NE));
}

// Everything after the layout's initialiser: the field, the message, the
// starting key panels.
void set_up(py::handle self, py::handle widget, py::handle password_mode, py::handle message) {
    py::object normal = get_attr(self, "ui_value_normal");
    py::object masking = get_attr(self, "ui_value_password");
    if (truth(password_mode_for(widget, password_mode))) {
        call_method(normal, "Hide");
        call_method(masking, "Show");
        set_attr(self, "_AlphaKeypad__text_field", masking);
    } else {
        call_method(masking, "Hide");
        call_method(normal, "Show");
        set_attr(self, "_AlphaKeypad__text_field", normal);
    }

    py::object label = get_attr(self, "ui_message");
    if (PyUnicode_GET_LENGTH(message.ptr()) == 0)
        call_method(label, "Hide");
    else
        call_method(label, "SetLabel", message);

    // Shift and caps lock start off: the layout shows the unshifted and the
    // caps-off panels.
    call_method(get_attr(self, "Shift"), "Hide");
    for (const char* panel : kCapsOnPanels) call_method(get_attr(self, panel), "Hide");
    fit_layout(self);
}

py::object init(const Args& a) {
    py::handle self = a[0], parent = a[1], widget = a[2], password_mode = a[3], message = a[4];

    // The layout's initialiser may already call back into the instance, so
    // the state it could read is in place before it runs.
    set_attr(self, "shift", py::bool_(false));
    set_attr(self, "_AlphaKeypad__widget", widget);
    get_attr(global("AlphaKeypadUI"), "__init__")(self, parent);
    // The dialog is a window from here on: should a later step fail, the
    // half-built keyboard is destroyed, or it would stay hidden among the
    // top-level windows and keep the application from exiting.
    DialogGuard half_built(py::reinterpret_borrow<py::object>(self));
    watch_modal_loops();
    set_up(self, widget, password_mode, message);
    half_built.keep();
    return py::none();
}

py::object change_color(const Args& a) {
    py::handle button = a[0], value = a[1];
    py::object shown = truth(value) ? colour(255, 128, 0) : colour(225, 225, 255);
    call_method(button, "SetBackgroundColour", shown);
    return py::none();
}

py::object on_clear(const Args& a) {
    set_field_text(a[0], literal(""));
    return py::none();
}

// Appends at the end of the text, wherever the field's insertion point is.
py::object out(const Args& a) {
    py::handle self = a[0], put = a[1];
    py::object text = field_text(self);
    set_field_text(self, steal_or_throw(PyNumber_Add(text.ptr(), put.ptr())));
    return py::none();
}

py::object show_shift(const Args& a) {
    py::handle self = a[0], on = a[1];
    for (const char* key : kShiftKeys) call_method(self, "_AlphaKeypad__change_color", get_attr(self, key), on);
    call_method(get_attr(self, "Shift"), "Show", on);
    call_method(get_attr(self, "no_Shift"), "Show", negated(on));
    fit_layout(self);
    return py::none();
}

py::object on_shift(const Args& a) {
    py::handle self = a[0];
    py::bool_ shift = negated(get_attr(self, "shift"));
    set_attr(self, "shift", shift);
    call_method(self, "_AlphaKeypad__on_shift", shift);
    return py::none();
}

py::object panel_named(py::handle self, const std::string& name) {
    return steal_or_throw(PyObject_GetAttr(self.ptr(), py::str(name).ptr()));
}

// The caps panels are found by the names the layout gives them, "ui_caps_on_"
// and "ui_caps_off_" followed by the panel's number.
py::object show_caps(const Args& a) {
    py::handle self = a[0], on = a[1];
    py::bool_ off = negated(on);
    for (int i = 0; i < kCapsPanelPairs; ++i) {
        std::string digit = std::to_string(i);
        call_method(panel_named(self, "ui_caps_on_" + digit), "Show", on);
        call_method(panel_named(self, "ui_caps_off_" + digit), "Show", off);
    }
    fit_layout(self);
    return py::none();
}

py::object on_caps_on(const Args& a) {
    call_method(a[0], "_AlphaKeypad__on_caps", py::bool_(true));
    return py::none();
}

py::object on_caps_off(const Args& a) {
    call_method(a[0], "_AlphaKeypad__on_caps", py::bool_(false));
    return py::none();
}

// Types the key's label as it stands: shift and caps lock only change which
// keys are shown. "Tab" and "Space" name the two blank characters.
py::object on_character(const Args& a) {
    py::handle self = a[0], event = a[1];
    py::object label = call_method(call_method(event, "GetEventObject"), "GetLabel");
    py::object put = label;
    if (equals_text(label, "Tab"))
        put = py::reinterpret_borrow<py::object>(literal("\t"));
    else if (equals_text(label, "Space"))
        put = py::reinterpret_borrow<py::object>(literal(" "));
    call_method(self, "out_", put);
    return py::none();
}

// Removes the last character; an empty field is left alone, not rewritten.
py::object on_backspace(const Args& a) {
    py::handle self = a[0];
    py::object text = field_text(self);
    Py_ssize_t length = PyObject_Length(text.ptr());
    if (length < 0) throw py::error_already_set();
    if (length > 0) set_field_text(self, steal_or_throw(PySequence_GetSlice(text.ptr(), 0, length - 1)));
    return py::none();
}

py::object set_value(const Args& a) {
    set_field_text(a[0], a[1]);
    return py::none();
}

py::object get_value(const Args& a) {
    return field_text(a[0]);
}

const FunctionDef kInit{"__init__",
                        "AlphaKeypad.__init__",
                        {{"self"},
                         {"parent"},
                         {"widget", Default::None()},
                         {"password_mode", Default::None()},
                         {"message", Default::Str(""), "str"}},
                        init};
const FunctionDef kChangeColor{"__change_color",
                               "AlphaKeypad.__change_color",
                               {{"button", Default::Required(), "wx.Button"}, {"value"}},
                               change_color};
const FunctionDef kOnClear{"on_clear", "AlphaKeypad.on_clear", {{"self"}, {"event"}}, on_clear};
const FunctionDef kOut{"out_", "AlphaKeypad.out_", {{"self"}, {"put"}}, out};
const FunctionDef kShowShift{"__on_shift",
                             "AlphaKeypad.__on_shift",
                             {{"self"}, {"on", Default::Required(), "bool"}},
                             show_shift};
const FunctionDef kOnShift{"on_shift", "AlphaKeypad.on_shift", {{"self"}, {"event"}}, on_shift};
const FunctionDef kShowCaps{"__on_caps",
                            "AlphaKeypad.__on_caps",
                            {{"self"}, {"on", Default::Required(), "bool"}},
                            show_caps};
const FunctionDef kOnCapsOn{"on_caps_on", "AlphaKeypad.on_caps_on", {{"self"}, {"event"}}, on_caps_on};
const FunctionDef kOnCapsOff{"on_caps_off", "AlphaKeypad.on_caps_off", {{"self"}, {"event"}}, on_caps_off};
const FunctionDef kOnCharacter{"on_character", "AlphaKeypad.on_character", {{"self"}, {"event"}}, on_character};
const FunctionDef kOnBackspace{"on_backspace", "AlphaKeypad.on_backspace", {{"self"}, {"event"}}, on_backspace};
const FunctionDef kSetValue{"set_value", "AlphaKeypad.set_value", {{"self"}, {"value"}}, set_value};
const FunctionDef kGetValue{"get_value", "AlphaKeypad.get_value", {{"self"}}, get_value};

}  // namespace

const ClassDef alpha_keypad_class{"AlphaKeypad",
                                  "AlphaKeypadUI",
                                  nullptr,
                                  Thread::gui,
                                  {Member::Method(kInit), Member::Static("_AlphaKeypad__change_color", kChangeColor),
                                   Member::Method(kOnClear), Member::Method(kOut),
                                   Member::Private("_AlphaKeypad__on_shift", kShowShift), Member::Method(kOnShift),
                                   Member::Private("_AlphaKeypad__on_caps", kShowCaps), Member::Method(kOnCapsOn),
                                   Member::Method(kOnCapsOff), Member::Method(kOnCharacter),
                                   Member::Method(kOnBackspace), Member::Method(kSetValue), Member::Method(kGetValue)}};

}  // namespace nuv
