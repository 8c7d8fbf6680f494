# Type stubs for nuv_touch, the on-screen keypads for wxPython touch panels.
#
# The module is compiled, so editors and type checkers learn its surface from
# this file. It is installed twice: as nuv_touch.pyi beside the module (read
# by IDEs and pyright) and as the stub-only package nuv_touch-stubs (PEP 561;
# the only form in which mypy accepts stubs for a single-file module).
#
# Parameter types say what the module accepts. Where it enforces a type, the
# stub says exactly that: `str` and `int` parameters are checked for exactly
# that type when called, and `_Optional[...]` marks the ones that also take
# None. Other annotations document the intended use; the module does not
# check them.
#
# Keypads, prompts and proxy handlers run on the GUI thread only; on another
# thread they raise RuntimeError (post the call with wx.CallAfter). Only the
# main interpreter can import the module.
#
# The class-private members carry the names under which they exist in the
# class (`_AlphaKeypad__on_shift`), since type checkers do not mangle names.

import wx as wx
import wx.grid as _grid
from abc import ABC as _ABC
from abc import abstractmethod as _abstractmethod
from typing import Optional as _Optional
from typing import TypeAlias

from nuv_touchui import AlphaKeypad as _AlphaKeypadLayout
from nuv_touchui import DigitKeypad as _DigitKeypadLayout
from nuv_touchui import DigitPasswordKeypad as _DigitPasswordKeypadLayout
from nuv_wxtools import window_fit_layout as window_fit_layout

# The layout classes the keypads derive from, under the names the module
# binds them to (the layout module calls them AlphaKeypad, DigitKeypad and
# DigitPasswordKeypad).
AlphaKeypadUI: TypeAlias = _AlphaKeypadLayout
DigitKeypadUI: TypeAlias = _DigitKeypadLayout
_DigitPasswordKeypad: TypeAlias = _DigitPasswordKeypadLayout

# Keypad modes. Only equality with KEYPAD_MODE_INT is tested: every other
# value means decimal entry.
KEYPAD_MODE_INT: int  # 0: whole numbers
KEYPAD_MODE_FLOAT: int  # 1: decimal numbers

# Numeric keypad dialog: format and range are checked on confirm.
class DigitKeypad(DigitKeypadUI):
    _mode: int
    _minimum: float
    _maximum: float
    def __init__(
        self,
        parent: _Optional[wx.Window],
        mode: int,
        minimum: float = ...,  # minus infinity: no lower bound
        maximum: float = ...,  # plus infinity: no upper bound
        message: _Optional[str] = None,
        font_size: int = 20,
        show_size: _Optional[int] = None,
    ) -> None: ...
    def out_of_range(self, value: float) -> bool: ...
    def OnDigit(self, event: wx.Event) -> None: ...
    def OnClearAll(self, event: wx.Event) -> None: ...
    def OnDot(self, event: wx.Event) -> None: ...
    def OnNegative(self, event: wx.Event) -> None: ...
    def OnPositive(self, event: wx.Event) -> None: ...
    def get_value(self) -> str: ...
    def set_value(self, value: str) -> None: ...
    def on_enter(self, event: wx.Event) -> None: ...
    GetValue = get_value
    SetValue = set_value

# PIN keypad dialog: collects digits, confirms any entry.
class DigitPasswordKeypad(_DigitPasswordKeypad):
    def __init__(
        self,
        parent: _Optional[wx.Window],
        message: _Optional[str] = None,
        font_size: int = 20,
        show_size: _Optional[int] = None,
    ) -> None: ...
    def on_digit(self, event: wx.Event) -> None: ...
    def on_clear(self, event: wx.Event) -> None: ...
    def on_confirm(self, event: wx.Event) -> None: ...
    def get_value(self) -> str: ...

# Reads and writes the text of a bound control.
class _CtrlWrapperBase(_ABC):
    _ctrl: wx.Window
    window_style: int  # the control's style flags when the adapter was made
    def __init__(self, ctrl: wx.Window) -> None: ...
    @_abstractmethod
    def get_string(self) -> str: ...
    @_abstractmethod
    def set_string(self, value: str) -> None: ...
    def get_parent(self) -> wx.Window: ...

# Adapter for a text-like control: its value, else its label.
class _CtrlWrapper(_CtrlWrapperBase):
    def __init__(self, ctrl: wx.Window) -> None: ...
    def get_string(self) -> str: ...
    def set_string(self, value: str) -> None: ...

# Adapter for one cell of a grid, chosen by row and column.
class _GridWrapper(_CtrlWrapperBase):
    _ctrl: _grid.Grid
    _GridWrapper__row: int
    _GridWrapper__column: int
    def __init__(self, ctrl: _grid.Grid) -> None: ...
    @property
    def row(self) -> int: ...
    @row.setter
    def row(self, value: int) -> None: ...
    @property
    def column(self) -> int: ...
    @column.setter
    def column(self, value: int) -> None: ...
    def get_string(self) -> str: ...
    def set_string(self, value: str) -> None: ...

# Opens the numeric keypad when its control is touched.
class DigitKeypadProxy:
    _ctrl: _CtrlWrapperBase
    _mode: int
    _minimum: float
    _maximum: float
    font_size: int
    def __init__(
        self,
        ctrl: wx.Window,
        mode: int = 0,  # KEYPAD_MODE_INT
        minimum: float = ...,  # minus infinity: no lower bound
        maximum: float = ...,  # plus infinity: no upper bound
        event: _Optional[wx.PyEventBinder] = None,
        font_size: int = 20,
    ) -> None: ...
    # The setters convert what they are given with float().
    @property
    def minimum(self) -> float: ...
    @minimum.setter
    def minimum(self, value: float) -> None: ...
    @property
    def maximum(self) -> float: ...
    @maximum.setter
    def maximum(self, value: float) -> None: ...
    def event_handler(self, event: wx.Event) -> None: ...
    # An int in integer mode, a float otherwise; NaN for an empty field.
    def get_value(self) -> int | float: ...
    # Writes str(value).
    def set_value(self, value: object) -> None: ...

# Alphanumeric keyboard dialog with shift, caps lock and masking.
class AlphaKeypad(AlphaKeypadUI):
    shift: bool
    _AlphaKeypad__widget: _CtrlWrapperBase | _grid.Grid | None
    _AlphaKeypad__text_field: wx.TextCtrl
    def __init__(
        self,
        parent: _Optional[wx.Window],
        widget: _CtrlWrapperBase | _grid.Grid | None = None,
        password_mode: _Optional[bool] = None,
        message: str = "",
    ) -> None: ...
    @staticmethod
    def _AlphaKeypad__change_color(button: wx.Button, value: bool) -> None: ...
    def on_clear(self, event: wx.Event) -> None: ...
    def out_(self, put: str) -> None: ...
    def _AlphaKeypad__on_shift(self, on: bool) -> None: ...
    def on_shift(self, event: wx.Event) -> None: ...
    def _AlphaKeypad__on_caps(self, on: bool) -> None: ...
    def on_caps_on(self, event: wx.Event) -> None: ...
    def on_caps_off(self, event: wx.Event) -> None: ...
    def on_character(self, event: wx.Event) -> None: ...
    def on_backspace(self, event: wx.Event) -> None: ...
    def set_value(self, value: str) -> None: ...
    def get_value(self) -> str: ...

# Opens the alphanumeric keyboard when its control is touched.
class AlphaKeypadProxy:
    _ctrl: _CtrlWrapperBase
    password_mode: _Optional[bool]
    ctrl_focus: wx.Window
    def __init__(
        self,
        ctrl: wx.Window,
        password_mode: _Optional[bool] = None,
        event: _Optional[wx.PyEventBinder] = None,
    ) -> None: ...
    def event_handler(self, event: wx.Event) -> None: ...
    def get_value(self) -> str: ...
    # Writes str(value).
    def set_value(self, value: object) -> None: ...

# The prompts return the confirmed entry, or None when the user cancels or
# the keypad is destroyed with its parent meanwhile.
def input_text(parent: _Optional[wx.WindowBase], password_mode: bool = False, message: str = "") -> _Optional[str]: ...
def input_password(parent: _Optional[wx.WindowBase], message: str = "") -> _Optional[str]: ...
def input_digit_password(parent: _Optional[wx.WindowBase], message: _Optional[str] = None) -> _Optional[str]: ...
def input_integer(
    parent: _Optional[wx.WindowBase],
    minimum: float = ...,  # minus infinity: no lower bound
    maximum: float = ...,  # plus infinity: no upper bound
    message: _Optional[str] = None,
) -> _Optional[int]: ...
def input_float(
    parent: _Optional[wx.WindowBase],
    minimum: float = ...,  # minus infinity: no lower bound
    maximum: float = ...,  # plus infinity: no upper bound
    message: _Optional[str] = None,
) -> _Optional[float]: ...
