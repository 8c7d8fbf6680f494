#include "digit_keypad.h"

#include "decimal_int.h"
#include "dialog_support.h"

#include <limits>

namespace nuv {

const char* const kIntegerPrompt = "请输入一个整数：";
const char* const kFloatPrompt = "请输入一个浮点数：";

namespace {

const char* const kInvalidFormat = "Invalid number format. Please input again.";
const char* const kOutOfRange = "Number value is out of range. Please input again.";

const char* const kLabels[] = {"m_staticText3", "ui_minimum", "ui_maxmum", "m_staticText5"};

bool is_integer_mode(py::handle mode) {
    return equals(mode, global("KEYPAD_MODE_INT"));
}

py::object value_field(py::handle self) {
    return get_attr(self, "mValueField");
}

py::object entry_text(py::handle self) {
    return call_method(value_field(self), "GetValue");
}

void set_entry_text(py::handle self, py::handle text) {
    call_method(value_field(self), "SetValue", text);
}

// text + more, for texts (str.__add__ without the operator dispatch).
py::object joined(py::handle text, py::handle more) {
    if (PyUnicode_CheckExact(text.ptr()) && PyUnicode_CheckExact(more.ptr()))
        return steal_or_throw(PyUnicode_Concat(text.ptr(), more.ptr()));
    return steal_or_throw(PyNumber_Add(text.ptr(), more.ptr()));
}

// text.find(".") == -1, answered in place for a str.
bool has_no_dot(py::handle text) {
    if (PyUnicode_CheckExact(text.ptr())) {
        Py_ssize_t at = PyUnicode_FindChar(text.ptr(), '.', 0, PyUnicode_GET_LENGTH(text.ptr()), 1);
        if (at == -2) throw py::error_already_set();
        return at == -1;
    }
    return equals(call_method(text, "find", literal(".")), py::int_(-1));
}

// text.strip("-"), done in place for a str.
py::object without_minus_signs(py::handle text) {
    if (!PyUnicode_CheckExact(text.ptr())) return call_method(text, "strip", literal("-"));
    PyObject* s = text.ptr();
    const int kind = PyUnicode_KIND(s);
    const void* data = PyUnicode_DATA(s);
    Py_ssize_t begin = 0, end = PyUnicode_GET_LENGTH(s);
    while (begin < end && PyUnicode_READ(kind, data, begin) == '-') ++begin;
    while (end > begin && PyUnicode_READ(kind, data, end - 1) == '-') --end;
    return steal_or_throw(PyUnicode_Substring(s, begin, end));
}

// Shows the bound on its label unless it is the infinity of its own side,
// which leaves the layout's text for an unbounded side.
void show_bound(py::handle self, const char* label, py::handle bound, double infinity) {
    py::float_ unbounded(infinity);
    if (truth(steal_or_throw(PyObject_RichCompare(bound.ptr(), unbounded.ptr(), Py_NE))))
        call_method(get_attr(self, label), "SetLabel", to_text(bound));
}

py::object init(const Args& a) {
    py::handle self = a[0], parent = a[1], mode = a[2], minimum = a[3], maximum = a[4];
    py::object message = py::reinterpret_borrow<py::object>(a[5]);
    py::handle font_size = a[6];
    py::object show_size = py::reinterpret_borrow<py::object>(a[7]);

    get_attr(global("DigitKeypadUI"), "__init__")(self, parent);
    if (show_size.is_none()) show_size = steal_or_throw(PyNumber_Add(font_size.ptr(), py::int_(12).ptr()));
    if (message.is_none()) message = py::str(is_integer_mode(mode) ? kIntegerPrompt : kFloatPrompt);
    call_method(get_attr(self, "ui_message"), "SetLabel", message);

    py::object small_font = keypad_font(font_size);
    set_digit_pad_key_font(self, small_font);
    call_method(value_field(self), "SetFont", keypad_font(show_size));
    for (const char* label : kLabels) call_method(get_attr(self, label), "SetFont", small_font);

    set_attr(self, "_mode", mode);
    set_attr(self, "_minimum", minimum);
    set_attr(self, "_maximum", maximum);
    fit_layout(self);

    show_bound(self, "ui_minimum", minimum, -std::numeric_limits<double>::infinity());
    show_bound(self, "ui_maxmum", maximum, std::numeric_limits<double>::infinity());
    if (is_integer_mode(mode)) call_method(get_attr(self, "DotPoint"), "Disable");
    return py::none();
}

// `value < _minimum or value > _maximum`, with the `or` of Python.
py::object out_of_range(const Args& a) {
    py::handle self = a[0], value = a[1];
    py::object below = steal_or_throw(PyObject_RichCompare(value.ptr(), get_attr(self, "_minimum").ptr(), Py_LT));
    if (truth(below)) return below;
    return steal_or_throw(PyObject_RichCompare(value.ptr(), get_attr(self, "_maximum").ptr(), Py_GT));
}

// Appends the key's label; a lone "0" (also after "-") gives way to it.
py::object on_digit(const Args& a) {
    py::handle self = a[0], event = a[1];
    py::object label = call_method(call_method(event, "GetEventObject"), "GetLabel");
    py::object old = entry_text(self);
    if (equals_text(old, "0"))
        old = py::reinterpret_borrow<py::object>(literal(""));
    else if (equals_text(old, "-0"))
        old = py::reinterpret_borrow<py::object>(literal("-"));
    set_entry_text(self, joined(old, label));
    return py::none();
}

py::object on_clear_all(const Args& a) {
    set_entry_text(a[0], literal(""));
    return py::none();
}

// Appends "." unless the entry has one already.
py::object on_dot(const Args& a) {
    py::handle self = a[0];
    py::object old = entry_text(self);
    if (has_no_dot(old)) set_entry_text(self, joined(old, literal(".")));
    return py::none();
}

// Forces the sign to minus: one "-" in front of the unsigned entry.
py::object on_negative(const Args& a) {
    py::handle self = a[0];
    set_entry_text(self, joined(literal("-"), without_minus_signs(entry_text(self))));
    return py::none();
}

py::object on_positive(const Args& a) {
    py::handle self = a[0];
    set_entry_text(self, without_minus_signs(entry_text(self)));
    return py::none();
}

py::object get_value(const Args& a) {
    return entry_text(a[0]);
}

py::object set_value(const Args& a) {
    set_entry_text(a[0], a[1]);
    return py::none();
}

// Confirm: the entry must be a number of the mode within the bounds; else the
// operator is told why and the keypad stays open with the entry unchanged.
py::object on_enter(const Args& a) {
    py::handle self = a[0];
    py::object value_str = entry_text(self);
    for (const char* incomplete : {"", "-", ".", "-."}) {
        if (equals_text(value_str, incomplete)) {
            show_error(kInvalidFormat);
            return py::none();
        }
    }
    py::object value;
    try {
        value = number_for_mode(value_str, get_attr(self, "_mode"));
    } catch (py::error_already_set&) {
        // Only SetValue can put such a text there. The operator is told, and
        // the conversion error goes on to wx; the keypad stays open.
        show_error(kInvalidFormat);
        throw;
    }
    if (truth(call_method(self, "out_of_range", value))) {
        show_error(kOutOfRange);
        return py::none();
    }
    call_method(self, "EndModal", get_attr(global("wx"), "ID_OK"));
    return py::none();
}

const FunctionDef kInit{"__init__",
                        "DigitKeypad.__init__",
                        {{"self"},
                         {"parent"},
                         {"mode"},
                         {"minimum", Default::MinusInfinity()},
                         {"maximum", Default::PlusInfinity()},
                         {"message", Default::None(), "str"},
                         {"font_size", Default::Int(20)},
                         {"show_size", Default::None()}},
                        init};
const FunctionDef kOutOfRangeDef{"out_of_range", "DigitKeypad.out_of_range", {{"self"}, {"value"}}, out_of_range,
                                 "bool"};
const FunctionDef kOnDigit{"OnDigit", "DigitKeypad.OnDigit", {{"self"}, {"event"}}, on_digit};
const FunctionDef kOnClearAll{"OnClearAll", "DigitKeypad.OnClearAll", {{"self"}, {"event"}}, on_clear_all};
const FunctionDef kOnDot{"OnDot", "DigitKeypad.OnDot", {{"self"}, {"event"}}, on_dot};
const FunctionDef kOnNegative{"OnNegative", "DigitKeypad.OnNegative", {{"self"}, {"event"}}, on_negative};
const FunctionDef kOnPositive{"OnPositive", "DigitKeypad.OnPositive", {{"self"}, {"event"}}, on_positive};
const FunctionDef kGetValue{"get_value", "DigitKeypad.get_value", {{"self"}}, get_value};
const FunctionDef kSetValue{"set_value", "DigitKeypad.set_value", {{"self"}, {"value"}}, set_value};
const FunctionDef kOnEnter{"on_enter", "DigitKeypad.on_enter", {{"self"}, {"event"}}, on_enter};

}  // namespace

py::object number_for_mode(py::handle text, py::handle mode) {
    return is_integer_mode(mode) ? to_int(text) : to_float(text);
}

const ClassDef digit_keypad_class{"DigitKeypad",
                                  "DigitKeypadUI",
                                  nullptr,
                                  {Member::Method(kInit), Member::Method(kOutOfRangeDef), Member::Method(kOnDigit),
                                   Member::Method(kOnClearAll), Member::Method(kOnDot), Member::Method(kOnNegative),
                                   Member::Method(kOnPositive), Member::Method(kGetValue), Member::Method(kSetValue),
                                   Member::Method(kOnEnter), Member::Alias("GetValue", "get_value"),
                                   Member::Alias("SetValue", "set_value")}};

}  // namespace nuv
