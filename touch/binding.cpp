#include "binding.h"

#include "decimal_int.h"
#include "dialog_support.h"
#include "digit_keypad.h"

#include <limits>
#include <optional>

namespace nuv {

namespace {

const char* const kTextDoesNotFit = "The field's text does not fit the keypad; the field is left unchanged.";

// A keypad's entry is a single-line field: it holds at most 65,534
// characters and ends the text at a NUL, so a text it cut reads back as a
// strict prefix of the field's text. An entry that reads back otherwise (a
// keypad class the application substituted that shows the text normalised)
// cut nothing.
bool is_cut(py::handle shown, py::handle text) {
    if (!PyUnicode_Check(shown.ptr()) || !PyUnicode_Check(text.ptr())) return false;
    Py_ssize_t length = PyUnicode_GET_LENGTH(shown.ptr());
    if (length >= PyUnicode_GET_LENGTH(text.ptr())) return false;
    Py_ssize_t match = PyUnicode_Tailmatch(text.ptr(), shown.ptr(), 0, length, -1);
    if (match < 0) throw py::error_already_set();
    return match == 1;
}

// The cell a grid adapter addresses. An activation nested in the keypad's
// modal loop (a posted event, wx.CallAfter, wx.Yield) moves the adapter; the
// entry still goes to the cell that was opened.
class GridCell {
public:
    explicit GridCell(py::handle adapter) {
        if (!is_instance(adapter, global("_GridWrapper"))) return;
        row_ = get_attr(adapter, "row");
        column_ = get_attr(adapter, "column");
    }

    void address_again(py::handle adapter) const {
        if (!row_) return;
        set_attr(adapter, "row", row_);
        set_attr(adapter, "column", column_);
    }

private:
    py::object row_, column_;
};

// The control an adapter writes to (its `_ctrl`), or an empty object for
// an adapter that has none.
py::object control_of(py::handle adapter) {
    PyObject* ctrl = PyObject_GetAttr(adapter.ptr(), interned("_ctrl"));
    if (!ctrl) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw py::error_already_set();
        PyErr_Clear();
    }
    return py::reinterpret_steal<py::object>(ctrl);
}

// A wx window that wx has destroyed (its truth is then false); never an
// object of the application's own that only looks like a control.
bool is_destroyed(py::handle ctrl) {
    return ctrl && is_instance(ctrl, get_attr(global("wx"), "Window")) && !truth(ctrl);
}

// ---------------------------------------------------------------- what the control's owner hears

// The controls whose own edits send change events, and so the confirmed
// entries written into them.
enum class Notified : unsigned char { none, text, spin, spin_double, grid };

Notified notified_kind(py::handle ctrl) {
    if (!ctrl) return Notified::none;
    py::object wx = global("wx");
    if (is_instance(ctrl, get_attr(wx, "TextCtrl")) || is_instance(ctrl, get_attr(wx, "ComboBox")))
        return Notified::text;
    if (is_instance(ctrl, get_attr(wx, "SpinCtrl"))) return Notified::spin;
    if (is_instance(ctrl, get_attr(wx, "SpinCtrlDouble"))) return Notified::spin_double;
    if (is_instance(ctrl, get_attr(global("_grid"), "Grid"))) return Notified::grid;
    return Notified::none;
}

// The event through the control's own handler chain, synchronously, as wx
// sends the events of the operator's own edits: handlers bound on the
// control or (command events) its parents see it.
void send(py::handle ctrl, py::handle event) {
    call_method(event, "SetEventObject", ctrl);
    call_method(call_method(ctrl, "GetEventHandler"), "ProcessEvent", event);
}

// wx.<event_class>(wx.<type>, ctrl.GetId(), more...)
template <class... More>
py::object event_for(py::handle ctrl, const char* event_class, const char* type, More&&... more) {
    py::object wx = global("wx");
    return call_method(wx, event_class, get_attr(wx, type), call_method(ctrl, "GetId"), std::forward<More>(more)...);
}

// The keypad's OK is the operator's Enter.
void send_text_enter(py::handle ctrl) {
    py::object style = call_method(ctrl, "GetWindowStyle");
    py::object flag = get_attr(global("wx"), "TE_PROCESS_ENTER");
    if (!truth(steal_or_throw(PyNumber_And(style.ptr(), flag.ptr())))) return;
    py::object event = event_for(ctrl, "CommandEvent", "wxEVT_TEXT_ENTER");
    call_method(event, "SetString", call_method(ctrl, "GetValue"));
    send(ctrl, event);
}

// A spin control's events carry its text as well, as wx's own do.
void send_spin(py::handle ctrl, py::handle value) {
    py::object event = event_for(ctrl, "SpinEvent", "wxEVT_SPINCTRL");
    call_method(event, "SetPosition", value);
    call_method(event, "SetString", call_method(ctrl, "GetTextValue"));
    send(ctrl, event);
}

void send_spin_double(py::handle ctrl, py::handle value) {
    py::object event = event_for(ctrl, "SpinDoubleEvent", "wxEVT_SPINCTRLDOUBLE", value);
    call_method(event, "SetString", call_method(ctrl, "GetTextValue"));
    send(ctrl, event);
}

// A grid event of `type` on the cell, carrying `text`; true unless vetoed.
bool send_grid(py::handle grid, const char* type, py::handle row, py::handle column, py::handle text) {
    py::object event = get_attr(global("_grid"), "GridEvent")(call_method(grid, "GetId"),
                                                               get_attr(global("_grid"), type), grid, row, column);
    call_method(event, "SetString", text);
    send(grid, event);
    return truth(call_method(event, "IsAllowed"));
}

// A confirmed entry on its way into a control: the owner hears of it as of
// the operator's own edit. SetValue of a text control or combo box sends
// EVT_TEXT itself; a control with TE_PROCESS_ENTER then gets
// EVT_TEXT_ENTER. A spin control tells its new value (EVT_SPINCTRL,
// EVT_SPINCTRLDOUBLE) when it changed. A grid cell is asked first
// (EVT_GRID_CELL_CHANGING carries the new text; a veto keeps the cell) and
// told after (EVT_GRID_CELL_CHANGED carries the old text; a veto puts it
// back), when its text changes, as wx's own cell editor does. Labels, buttons and the
// application's own objects have no change event and get none.
class ChangeNotice {
public:
    ChangeNotice(py::handle field, py::handle entry) : ctrl_(control_of(field)), kind_(notified_kind(ctrl_)) {
        if (kind_ == Notified::spin || kind_ == Notified::spin_double) before_ = call_method(ctrl_, "GetValue");
        if (kind_ == Notified::grid) {
            row_ = get_attr(field, "row");
            column_ = get_attr(field, "column");
            before_ = call_method(field, "get_string");
            changed_ = !equals(before_, entry);
        }
    }

    // Before the write: false when the owner vetoes the change of a cell.
    bool allowed(py::handle entry) const {
        if (kind_ != Notified::grid || !changed_) return true;
        return send_grid(ctrl_, "wxEVT_GRID_CELL_CHANGING", row_, column_, entry);
    }

    // After the write, once the keypad is gone.
    void tell() const {
        if (kind_ == Notified::none || is_destroyed(ctrl_)) return;
        if (kind_ == Notified::text) {
            send_text_enter(ctrl_);
        } else if (kind_ == Notified::grid) {
            // A veto of the change already made puts the old text back, as
            // wx's own editor does for applications older than CHANGING.
            if (changed_ && !send_grid(ctrl_, "wxEVT_GRID_CELL_CHANGED", row_, column_, before_))
                call_method(ctrl_, "SetCellValue", row_, column_, before_);
        } else if (py::object value = call_method(ctrl_, "GetValue"); !equals(value, before_)) {
            if (kind_ == Notified::spin) send_spin(ctrl_, value);
            if (kind_ == Notified::spin_double) send_spin_double(ctrl_, value);
        }
    }

private:
    py::object ctrl_;
    Notified kind_;
    py::object before_, row_, column_;
    bool changed_ = false;
};

// ---------------------------------------------------------------- a spin control's range

// The tighter of two bounds: `candidate` when `candidate <op> bound`.
py::object tighter(py::handle bound, py::handle candidate, int op) {
    bool takes = truth(steal_or_throw(PyObject_RichCompare(candidate.ptr(), bound.ptr(), op)));
    return py::reinterpret_borrow<py::object>(takes ? candidate : bound);
}

// ---------------------------------------------------------------- wx's own cell editor

// wxGTK's grid opens its cell editor from the mouse on the release of a
// click on the cell that is current already (the first half of a double
// tap there) and on the release after a double click no handler took. On a
// panel without a keyboard that editor is a dead end; a bound grid is
// edited in the keypad. So while the grid's window handles a left button
// event, and until a key goes down in it or the loop runs its pending
// events, the grid vetoes the editor. The veto is bound at each tap, so it
// runs before the application's handlers; the keyboard (F2, typing into
// the current cell) still opens the editor as wx makes it.
//
// The grid's adapter holds the state: whether a tap is being handled, and
// the veto handler, which refers to nothing (a handler bound to the adapter
// it is kept in would make a cycle).
const char* const kTapped = "_GridWrapper__tapped";
const char* const kEditorVeto = "_GridWrapper__editor_veto";

py::object editor_shown_event() {
    return get_attr(global("_grid"), "EVT_GRID_EDITOR_SHOWN");
}

py::object veto_editor(const Args& a) {
    call_method(a[0], "Veto");
    return py::none();
}

// A key down in the grid's window, or the pending events after a tap.
py::object tap_ends(const Args& a) {
    py::handle adapter = a[0], event = a[1];
    if (!event.is_none()) call_method(event, "Skip");
    if (!truth(get_attr(adapter, kTapped))) return py::none();
    set_attr(adapter, kTapped, py::bool_(false));
    py::object grid = control_of(adapter);
    if (!is_destroyed(grid))
        call_method(grid, "Unbind", editor_shown_event(), py::arg("handler") = get_attr(adapter, kEditorVeto));
    return py::none();
}

const FunctionDef kVetoEditor{"veto_editor", "veto_editor", {{"event"}}, veto_editor};
const FunctionDef kTapEnds{"tap_ends", "tap_ends", {{"adapter"}, {"event", Default::None()}}, tap_ends};

// A left button event in the grid's window, before wx handles it.
py::object tap_begins(const Args& a) {
    py::handle adapter = a[0], event = a[1];
    call_method(event, "Skip");
    if (truth(get_attr(adapter, kTapped))) return py::none();
    call_method(control_of(adapter), "Bind", editor_shown_event(), get_attr(adapter, kEditorVeto));
    set_attr(adapter, kTapped, py::bool_(true));
    call(get_attr(global("wx"), "CallAfter"), bound_to(kTapEnds, adapter));
    return py::none();
}

const FunctionDef kTapBegins{"tap_begins", "tap_begins", {{"adapter"}, {"event"}}, tap_begins};

void keep_editor_from_taps(py::handle grid, py::handle adapter) {
    set_attr(adapter, kEditorVeto, make_function(kVetoEditor, Thread::gui));
    set_attr(adapter, kTapped, py::bool_(false));
    py::object wx = global("wx");
    py::object window = call_method(grid, "GetGridWindow");
    py::object begins = bound_to(kTapBegins, adapter);
    for (const char* button : {"EVT_LEFT_DOWN", "EVT_LEFT_UP", "EVT_LEFT_DCLICK"})
        call_method(window, "Bind", get_attr(wx, button), begins);
    call_method(window, "Bind", get_attr(wx, "EVT_KEY_DOWN"), bound_to(kTapEnds, adapter));
}

}  // namespace

py::object make_adapter(py::handle ctrl) {
    const char* adapter = is_instance(ctrl, get_attr(global("_grid"), "Grid")) ? "_GridWrapper" : "_CtrlWrapper";
    return global(adapter)(ctrl);
}

void bind_to_control(py::handle proxy, py::handle ctrl, py::handle event) {
    bool grid = is_instance(ctrl, get_attr(global("_grid"), "Grid"));
    py::object binder = py::reinterpret_borrow<py::object>(event);
    if (binder.is_none()) {
        binder = grid ? get_attr(global("_grid"), "EVT_GRID_CMD_CELL_LEFT_DCLICK")
                      : get_attr(global("wx"), "EVT_LEFT_DOWN");
    }
    // The bound method holds the proxy: the application need not keep it.
    call_method(ctrl, "Bind", binder, get_attr(proxy, "event_handler"));
    if (grid) keep_editor_from_taps(ctrl, get_attr(proxy, "_ctrl"));
}

void edit_in_keypad(py::handle proxy, py::handle event, const KeypadUse& keypad) {
    if (keypad.prepare) keypad.prepare(proxy);
    py::object field = get_attr(proxy, "_ctrl");
    if (is_instance(event, get_attr(global("_grid"), "GridEvent")) && is_instance(field, global("_GridWrapper"))) {
        set_attr(field, "row", call_method(event, "GetRow"));
        set_attr(field, "column", call_method(event, "GetCol"));
    }
    GridCell opened(field);
    py::object text = call_method(call_method(field, "get_string"), "strip");
    py::object owner = call_method(field, "get_parent");

    DialogGuard dialog(keypad.make(proxy, field, owner));
    call_method(dialog.get(), keypad.fill, text);
    // Confirming a cut text would write it back: such a field is not opened.
    if (is_cut(call_method(dialog.get(), keypad.read), text)) {
        PyErr_SetString(PyExc_ValueError, kTextDoesNotFit);
        throw py::error_already_set();
    }
    py::object entry = dialog.confirmed_entry(keypad.read);
    // A control destroyed meanwhile (a form built anew) has nothing to
    // write to: the entry counts as cancelled.
    if (entry && is_destroyed(control_of(field))) entry = py::object();
    std::optional<ChangeNotice> notice;
    if (entry) {
        opened.address_again(field);
        notice.emplace(field, entry);
        if (notice->allowed(entry)) {
            // The owner's handlers may have moved the adapter (a nested loop
            // in which the field was opened again).
            opened.address_again(field);
            call_method(field, "set_string", entry);
        } else {
            notice.reset();
        }
    }
    dialog.destroy();
    if (notice) notice->tell();
    // The event is not skipped: the tap or double-click that opened the
    // keypad is not handled a second time by the control.
}

void write_as_text(py::handle proxy, py::handle value) {
    call_method(get_attr(proxy, "_ctrl"), "set_string", to_text(value));
}

namespace {

// ---------------------------------------------------------------- DigitKeypadProxy

py::object init(const Args& a) {
    py::handle self = a[0], ctrl = a[1], mode = a[2], minimum = a[3], maximum = a[4], event = a[5],
               font_size = a[6];
    set_attr(self, "_ctrl", make_adapter(ctrl));
    set_attr(self, "_mode", mode);
    set_attr(self, "_maximum", maximum);
    set_attr(self, "_minimum", minimum);
    set_attr(self, "font_size", font_size);
    bind_to_control(self, ctrl, event);
    return py::none();
}

// The setters' value arrives already converted to a float; a value that
// cannot be converted is refused before the stored bound is touched.
py::object get_minimum(const Args& a) {
    return get_attr(a[0], "_minimum");
}

py::object set_minimum(const Args& a) {
    set_attr(a[0], "_minimum", a[1]);
    return py::none();
}

py::object get_maximum(const Args& a) {
    return get_attr(a[0], "_maximum");
}

py::object set_maximum(const Args& a) {
    set_attr(a[0], "_maximum", a[1]);
    return py::none();
}

// DigitKeypad(owner, _mode, minimum, maximum, font_size=font_size), with the
// proxy's settings as they are now. A spin control would clamp an entry
// outside its own range on write-back, and round one of more decimal
// places than it keeps (none for a SpinCtrl), storing a value the operator
// did not confirm: its keypad checks and shows the range both allow, and
// refuses such an entry as malformed. The proxy's bounds stay as the
// application set them.
py::object make_digit_keypad(py::handle proxy, py::handle adapter, py::handle owner) {
    py::object minimum = get_attr(proxy, "_minimum"), maximum = get_attr(proxy, "_maximum");
    py::object ctrl = control_of(adapter);
    py::object decimals;
    if (Notified kind = notified_kind(ctrl); kind == Notified::spin || kind == Notified::spin_double) {
        minimum = tighter(minimum, call_method(ctrl, "GetMin"), Py_GT);
        maximum = tighter(maximum, call_method(ctrl, "GetMax"), Py_LT);
        decimals = kind == Notified::spin ? py::int_(0) : call_method(ctrl, "GetDigits");
    }
    py::object keypad = global("DigitKeypad")(owner, get_attr(proxy, "_mode"), minimum, maximum,
                                              py::arg("font_size") = get_attr(proxy, "font_size"));
    if (decimals) limit_decimals(keypad, decimals);
    return keypad;
}

const KeypadUse kDigitKeypad{make_digit_keypad, nullptr, "SetValue", "GetValue"};

py::object event_handler(const Args& a) {
    edit_in_keypad(a[0], a[1], kDigitKeypad);
    return py::none();
}

// The field as a number of the mode; an empty field is NaN. An integer field
// converts exactly however many digits it holds.
py::object get_value(const Args& a) {
    py::handle self = a[0];
    py::object content = call_method(get_attr(self, "_ctrl"), "get_string");
    if (equals_text(content, "")) return py::float_(std::numeric_limits<double>::quiet_NaN());
    return number_for_mode(content, get_attr(self, "_mode"));
}

py::object set_value(const Args& a) {
    write_as_text(a[0], a[1]);
    return py::none();
}

const FunctionDef kInit{"__init__",
                        "DigitKeypadProxy.__init__",
                        {{"self"},
                         {"ctrl"},
                         {"mode", Default::ValueOf("KEYPAD_MODE_INT")},
                         {"minimum", Default::MinusInfinity()},
                         {"maximum", Default::PlusInfinity()},
                         {"event", Default::None()},
                         {"font_size", Default::Int(20)}},
                        init};
const FunctionDef kGetMinimum{"minimum", "DigitKeypadProxy.minimum", {{"self"}}, get_minimum, "float"};
const FunctionDef kSetMinimum{"minimum",
                              "DigitKeypadProxy.minimum",
                              {{"self"}, {"value", Default::Required(), "float"}},
                              set_minimum};
const FunctionDef kGetMaximum{"maximum", "DigitKeypadProxy.maximum", {{"self"}}, get_maximum, "float"};
const FunctionDef kSetMaximum{"maximum",
                              "DigitKeypadProxy.maximum",
                              {{"self"}, {"value", Default::Required(), "float"}},
                              set_maximum};
const FunctionDef kEventHandler{"event_handler", "DigitKeypadProxy.event_handler", {{"self"}, {"event"}},
                                event_handler};
const FunctionDef kGetValue{"get_value", "DigitKeypadProxy.get_value", {{"self"}}, get_value};
const FunctionDef kSetValue{"set_value", "DigitKeypadProxy.set_value", {{"self"}, {"value"}}, set_value};

}  // namespace

const ClassDef digit_keypad_proxy_class{"DigitKeypadProxy",
                                        nullptr,
                                        nullptr,
                                        Thread::gui,
                                        {Member::Method(kInit), Member::Property(kGetMinimum, kSetMinimum),
                                         Member::Property(kGetMaximum, kSetMaximum), Member::Method(kEventHandler),
                                         Member::Method(kGetValue), Member::Method(kSetValue)}};

// ---------------------------------------------------------------- AlphaKeypadProxy

namespace {

py::object alpha_init(const Args& a) {
    py::handle self = a[0], ctrl = a[1], password_mode = a[2], event = a[3];
    set_attr(self, "_ctrl", make_adapter(ctrl));
    set_attr(self, "password_mode", password_mode);
    set_attr(self, "ctrl_focus", ctrl);
    bind_to_control(self, ctrl, event);
    return py::none();
}

// AlphaKeypad(owner, widget=adapter, password_mode=...): with password_mode
// None the keyboard masks exactly when the adapter's recorded window style
// has TE_PASSWORD. No message: the keyboard hides its label.
py::object make_alpha_keypad(py::handle proxy, py::handle adapter, py::handle owner) {
    return global("AlphaKeypad")(owner, py::arg("widget") = adapter,
                                 py::arg("password_mode") = get_attr(proxy, "password_mode"));
}

// The control takes the focus before anything else, so that the operator
// sees which field the keyboard is editing.
void focus_control(py::handle proxy) {
    call_method(get_attr(proxy, "ctrl_focus"), "SetFocus");
}

const KeypadUse kAlphaKeypad{make_alpha_keypad, focus_control, "set_value", "get_value"};

py::object alpha_event_handler(const Args& a) {
    edit_in_keypad(a[0], a[1], kAlphaKeypad);
    return py::none();
}

// The field's text as it is, not trimmed.
py::object alpha_get_value(const Args& a) {
    return call_method(get_attr(a[0], "_ctrl"), "get_string");
}

py::object alpha_set_value(const Args& a) {
    write_as_text(a[0], a[1]);
    return py::none();
}

const FunctionDef kAlphaInit{"__init__",
                             "AlphaKeypadProxy.__init__",
                             {{"self"}, {"ctrl"}, {"password_mode", Default::None()}, {"event", Default::None()}},
                             alpha_init};
const FunctionDef kAlphaEventHandler{"event_handler", "AlphaKeypadProxy.event_handler", {{"self"}, {"event"}},
                                     alpha_event_handler};
const FunctionDef kAlphaGetValue{"get_value", "AlphaKeypadProxy.get_value", {{"self"}}, alpha_get_value};
const FunctionDef kAlphaSetValue{"set_value", "AlphaKeypadProxy.set_value", {{"self"}, {"value"}}, alpha_set_value};

}  // namespace

const ClassDef alpha_keypad_proxy_class{"AlphaKeypadProxy",
                                        nullptr,
                                        nullptr,
                                        Thread::gui,
                                        {Member::Method(kAlphaInit), Member::Method(kAlphaEventHandler),
                                         Member::Method(kAlphaGetValue), Member::Method(kAlphaSetValue)}};

}  // namespace nuv
