// The field bindings: proxies that turn an existing control (or the cells of
// a grid) into a touch field. Tapping the control, or double-clicking a cell,
// opens a keypad filled with the field's trimmed text; a confirmed entry is
// written back, a cancelled one leaves the field as it was.
//
//   DigitKeypadProxy   numeric fields, through the numeric keypad
//   AlphaKeypadProxy   text fields, through the keyboard; a password control
//                      opens the keyboard's masked field
//
// The helpers below are what every proxy shares: the adapter for a control,
// the binding of the handler, the edit of one field in a keypad, and the
// write of a value as text.
#pragma once

#include "classes.h"

namespace nuv {

extern const ClassDef digit_keypad_proxy_class;
extern const ClassDef alpha_keypad_proxy_class;

// A _GridWrapper for a wx.grid.Grid, a _CtrlWrapper for any other control.
py::object make_adapter(py::handle ctrl);

// ctrl.Bind(event, proxy.event_handler) on the control itself. An `event` of
// None binds the double-click on a cell of a grid, the left button press
// otherwise. A tap on a bound grid never opens wx's own cell editor.
void bind_to_control(py::handle proxy, py::handle ctrl, py::handle event);

// How a proxy makes the keypad of one edit and moves text in and out of it.
struct KeypadUse {
    // A new keypad owned by `owner`, for `proxy` editing through `adapter`.
    py::object (*make)(py::handle proxy, py::handle adapter, py::handle owner);
    void (*prepare)(py::handle proxy);  // first of all, on the GUI thread; or none
    const char* fill;  // the keypad's method that takes the starting text
    const char* read;  // the keypad's method that gives the confirmed text
};

// One activation of a proxy: moves a grid adapter to the cell of a grid
// event, opens the keypad on the field's trimmed text and writes the text
// back, to the cell it opened, only when the keypad is confirmed; the
// control's owner then hears of it as of the operator's own edit. A keypad
// whose owner or control was destroyed while it was open counts as
// cancelled. The keypad is destroyed on every path out, also when reading
// or writing the field raises.
void edit_in_keypad(py::handle proxy, py::handle event, const KeypadUse& keypad);

// The proxy's adapter writes str(value).
void write_as_text(py::handle proxy, py::handle value);

}  // namespace nuv
