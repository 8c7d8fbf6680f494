#include "digit_keypad.h"

#include "decimal_int.h"
#include "dialog_support.h"
#include "modality.h"

#include <cmath>
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
    // The dialog is a window from here on: should a later step fail (a font
    // size wx refuses, a bound that cannot be compared), the half-built
    // dialog is destroyed, or it would stay hidden among the top-level
    // windows and keep the application from exiting.
    DialogGuard half_built(py::reinterpret_borrow<py::object>(self));
    watch_modal_loops();
    if (show_size.is_none()) show_size = steal_or_throw(PyNumber_Add(font_size.ptr(), py::int_(12).ptr()));
    if (message.is_none()) message = translated(is_integer_mode(mode) ? kIntegerPrompt : kFloatPrompt);
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
    half_built.keep();
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

// ---------------------------------------------------------------- long entries
//
// An integer entry has no length limit, and converting decimal text to an int
// takes time that grows faster than its length (the fastest methods known are
// n log n at best; a million digits take tens of milliseconds). The confirm
// key must answer at once, so an entry far longer than any ordinary bound is
// range-tested by its sign and length, in time linear in its length. This is
// done only where the dialog's range test is the class's own: a subclass's
// out_of_range still receives the converted value.

// Entries of more significant digits than this are tested by their shape.
// Every finite float lies below 10**309 in magnitude.
constexpr std::size_t kLongEntryDigits = 640;

// True for a str text holding an int literal of more than kLongEntryDigits
// significant digits, read into `literal`; raises int()'s ValueError for a
// long text that is not an int literal.
bool is_long_literal(py::handle text, IntLiteral& literal) {
    if (!PyUnicode_CheckExact(text.ptr()) || PyUnicode_GET_LENGTH(text.ptr()) <= Py_ssize_t(kLongEntryDigits))
        return false;
    literal = read_int_literal(text);
    return literal.digits > kLongEntryDigits;
}

const FunctionDef& out_of_range_function();

bool is_own_range_test(py::handle method, py::handle self) {
    return PyMethod_Check(method.ptr()) && PyMethod_GET_SELF(method.ptr()) == self.ptr() &&
           is_function_of(PyMethod_GET_FUNCTION(method.ptr()), out_of_range_function());
}

// `entry < bound` (or `entry > bound` when `less` is false), told by the
// entry's shape: true when it can be told that way (the bound is a float, or
// an int certainly smaller in magnitude than the entry), with the answer in
// `result`.
bool compare_by_shape(const IntLiteral& entry, py::handle bound, bool less, bool& result) {
    PyObject* b = bound.ptr();
    if (PyFloat_CheckExact(b)) {
        double d = PyFloat_AS_DOUBLE(b);
        if (std::isnan(d)) {
            result = false;
            return true;
        }
        if (std::isinf(d)) {
            result = less ? d > 0 : d < 0;
            return true;
        }
        // |entry| >= 10**640 > |d|: the entry lies beyond the bound on its own side.
    } else if (PyLong_CheckExact(b)) {
        // |bound| < 2**bits <= 2**(3 * (digits - 1)) < 10**(digits - 1) <= |entry|
        std::size_t bits = _PyLong_NumBits(b);
        if (bits == static_cast<std::size_t>(-1) || bits > 3 * (entry.digits - 1)) {
            PyErr_Clear();
            return false;
        }
    } else {
        return false;
    }
    result = less ? entry.negative : !entry.negative;
    return true;
}

// `entry < bound` or `entry > bound` for the long entry `text`: by its shape,
// else converted and compared as out_of_range compares.
bool long_entry_beyond(py::handle text, const IntLiteral& entry, py::handle bound, bool less) {
    bool result;
    if (compare_by_shape(entry, bound, less, result)) return result;
    py::object value = to_int(text);
    return truth(steal_or_throw(PyObject_RichCompare(value.ptr(), bound.ptr(), less ? Py_LT : Py_GT)));
}

// self.out_of_range(int(text)) for a long integer entry: the class's own
// test (`value < _minimum or value > _maximum`, each bound read as it does)
// made by the entry's shape, or a subclass's test called with the value.
bool long_entry_out_of_range(py::handle self, py::handle text, const IntLiteral& entry) {
    py::object range_test = get_attr(self, "out_of_range");
    if (!is_own_range_test(range_test, self)) return truth(call(range_test, to_int(text)));
    return long_entry_beyond(text, entry, get_attr(self, "_minimum"), true) ||
           long_entry_beyond(text, entry, get_attr(self, "_maximum"), false);
}

py::object set_value(const Args& a) {
    set_entry_text(a[0], a[1]);
    return py::none();
}

// True unless the keypad was limited to fewer decimal places than `value`
// needs (round(value, decimals) differs from it).
bool fits_decimals(py::handle self, py::handle value) {
    PyObject* decimals = PyObject_GetAttr(self.ptr(), interned("_decimals"));
    if (!decimals) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw py::error_already_set();
        PyErr_Clear();
        return true;
    }
    py::object limit = py::reinterpret_steal<py::object>(decimals);
    return equals(call(global("round"), value, limit), value);
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
    bool integer_mode = is_integer_mode(get_attr(self, "_mode"));
    py::object value;  // stays empty for a long integer entry, tested by its shape
    IntLiteral long_entry;
    try {
        if (!integer_mode)
            value = to_float(value_str);
        else if (!is_long_literal(value_str, long_entry))
            value = to_int(value_str);
    } catch (py::error_already_set&) {
        // Only SetValue can put such a text there. The operator is told, and
        // the conversion error goes on to wx; the keypad stays open.
        show_error(kInvalidFormat);
        throw;
    }
    if (value && !integer_mode && !fits_decimals(self, value)) {
        show_error(kInvalidFormat);
        return py::none();
    }
    bool refused = value ? truth(call_method(self, "out_of_range", value))
                         : long_entry_out_of_range(self, value_str, long_entry);
    if (refused) {
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

const FunctionDef& out_of_range_function() {
    return kOutOfRangeDef;
}

}  // namespace

void limit_decimals(py::handle keypad, py::handle decimals) {
    set_attr(keypad, "_decimals", decimals);
}

py::object number_for_mode(py::handle text, py::handle mode) {
    return is_integer_mode(mode) ? to_int(text) : to_float(text);
}

const ClassDef digit_keypad_class{"DigitKeypad",
                                  "DigitKeypadUI",
                                  nullptr,
                                  Thread::gui,
                                  {Member::Method(kInit), Member::Method(kOutOfRangeDef), Member::Method(kOnDigit),
                                   Member::Method(kOnClearAll), Member::Method(kOnDot), Member::Method(kOnNegative),
                                   Member::Method(kOnPositive), Member::Method(kGetValue), Member::Method(kSetValue),
                                   Member::Method(kOnEnter), Member::Alias("GetValue", "get_value"),
                                   Member::Alias("SetValue", "set_value")}};

}  // namespace nuv
