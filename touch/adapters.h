// The control adapters: one small interface through which a proxy reads and
// writes the text of the field it serves and finds the window that owns its
// keypad, whether the field is a text-like control or one cell of a grid.
//
//   _CtrlWrapperBase  abstract: the widget, its window style, the owner lookup
//   _CtrlWrapper      a text entry, combo box, spin control, label or button
//   _GridWrapper      one cell of a wx.grid.Grid, chosen by `row` and `column`
#pragma once

#include "classes.h"

namespace nuv {

extern const ClassDef ctrl_wrapper_base_class;
extern const ClassDef ctrl_wrapper_class;
extern const ClassDef grid_wrapper_class;

}  // namespace nuv
