"""The floor of the benchmarks: nuv_touch as plain Python.

Every class and function here does what its namesake in nuv_touch does, with
the same wx calls in the same order (same layouts, fonts, labels, visibility
changes, window_fit_layout calls, argument checks), written the way a Python
developer would write it. Whatever the extension costs beyond this is the
module's own cost; the benchmarks measure it by running both side by side.

The class names match the module's, so that class-private names mangle alike
(`_AlphaKeypad__on_shift`).
"""

from abc import ABC as _ABC, abstractmethod as _abstractmethod
from typing import Optional as _Optional  # the module imports it too, for the same annotations

import wx
import wx.grid as _grid
from nuv_touchui import AlphaKeypad as AlphaKeypadUI
from nuv_touchui import DigitKeypad as DigitKeypadUI
from nuv_touchui import DigitPasswordKeypad as _DigitPasswordKeypad
from nuv_wxtools import window_fit_layout

KEYPAD_MODE_INT = 0
KEYPAD_MODE_FLOAT = 1

_INCORRECT_TYPE = "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)"


def _want_str(name, value, none_allowed):
    if type(value) is not str and not (none_allowed and value is None):
        raise TypeError(_INCORRECT_TYPE % (name, "str", type(value).__name__))


def _want_int(name, value, none_allowed):
    if type(value) is not int and not (none_allowed and value is None):
        raise TypeError(_INCORRECT_TYPE % (name, "int", type(value).__name__))


def _font(size):
    return wx.Font(size, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL, False, wx.EmptyString)


def _show_error(text):
    wx.MessageBox(wx.GetTranslation(text), style=wx.OK | wx.ICON_ERROR)


class DigitKeypad(DigitKeypadUI):
    def __init__(self, parent, mode, minimum=float("-inf"), maximum=float("inf"), message=None, font_size=20,
                 show_size=None):
        _want_str("message", message, True)
        DigitKeypadUI.__init__(self, parent)
        if show_size is None:
            show_size = font_size + 12
        if message is None:
            message = wx.GetTranslation("请输入一个整数：" if mode == KEYPAD_MODE_INT else "请输入一个浮点数：")
        self.ui_message.SetLabel(message)
        small_font = _font(font_size)
        m_buttons = [self.DotPoint, self.m_button2, self.m_button3, self.m_button4, self.m_button5, self.m_button6,
                     self.m_button7, self.m_button8, self.m_button9, self.m_button10, self.m_button11,
                     self.m_button12, self.m_button13, self.m_button15, self.m_button16, self.m_button17]
        for button in m_buttons:
            button.SetFont(small_font)
        self.mValueField.SetFont(_font(show_size))
        self.m_staticText3.SetFont(small_font)
        self.ui_minimum.SetFont(small_font)
        self.ui_maxmum.SetFont(small_font)
        self.m_staticText5.SetFont(small_font)
        self._mode = mode
        self._minimum = minimum
        self._maximum = maximum
        window_fit_layout(self)
        if minimum != float("-inf"):
            self.ui_minimum.SetLabel(str(minimum))
        if maximum != float("inf"):
            self.ui_maxmum.SetLabel(str(maximum))
        if mode == KEYPAD_MODE_INT:
            self.DotPoint.Disable()

    def out_of_range(self, value):
        return value < self._minimum or value > self._maximum

    def OnDigit(self, event):
        label = event.GetEventObject().GetLabel()
        old = self.mValueField.GetValue()
        if old == "0":
            old = ""
        elif old == "-0":
            old = "-"
        self.mValueField.SetValue(old + label)

    def OnClearAll(self, event):
        self.mValueField.SetValue("")

    def OnDot(self, event):
        old = self.mValueField.GetValue()
        if old.find(".") == -1:
            self.mValueField.SetValue(old + ".")

    def OnNegative(self, event):
        self.mValueField.SetValue("-" + self.mValueField.GetValue().strip("-"))

    def OnPositive(self, event):
        self.mValueField.SetValue(self.mValueField.GetValue().strip("-"))

    def get_value(self):
        return self.mValueField.GetValue()

    def set_value(self, value):
        self.mValueField.SetValue(value)

    def on_enter(self, event):
        value_str = self.mValueField.GetValue()
        if value_str == "" or value_str == "-" or value_str == "." or value_str == "-.":
            _show_error("Invalid number format. Please input again.")
            return
        if self._mode == KEYPAD_MODE_INT:
            value = int(value_str)
        else:
            value = float(value_str)
        if self.out_of_range(value):
            _show_error("Number value is out of range. Please input again.")
            return
        self.EndModal(wx.ID_OK)

    GetValue = get_value
    SetValue = set_value


class DigitPasswordKeypad(_DigitPasswordKeypad):
    def __init__(self, parent, message=None, font_size=20, show_size=None):
        _want_str("message", message, True)
        _want_int("font_size", font_size, False)
        _want_int("show_size", show_size, True)
        _DigitPasswordKeypad.__init__(self, parent)
        if show_size is None:
            show_size = font_size + 12
        if message:
            self.ui_message.SetLabel(message)
        small_font = _font(font_size)
        m_buttons = [self.DotPoint, self.m_button2, self.m_button3, self.m_button4, self.m_button5, self.m_button6,
                     self.m_button7, self.m_button8, self.m_button9, self.m_button10, self.m_button11,
                     self.m_button12, self.m_button13, self.m_button15, self.m_button16, self.m_button17]
        for button in m_buttons:
            button.SetFont(small_font)
        self.ui_text.SetFont(_font(show_size))
        window_fit_layout(self)

    def on_digit(self, event):
        label = event.GetEventObject().GetLabel()
        self.ui_text.SetValue(self.ui_text.GetValue() + label)

    def on_clear(self, event):
        self.ui_text.SetValue("")

    def on_confirm(self, event):
        self.EndModal(wx.ID_OK)

    def get_value(self):
        return self.ui_text.GetValue()


class _CtrlWrapperBase(_ABC):
    def __init__(self, ctrl):
        self._ctrl = ctrl
        self.window_style = self._ctrl.GetWindowStyle()

    @_abstractmethod
    def get_string(self):
        pass

    @_abstractmethod
    def set_string(self, value):
        pass

    def get_parent(self):
        parent = self._ctrl.GetParent()
        return self._ctrl if parent is None else parent


def _has(obj, name):
    try:
        getattr(obj, name)
    except Exception:
        return False
    return True


class _CtrlWrapper(_CtrlWrapperBase):
    def __init__(self, ctrl):
        _CtrlWrapperBase.__init__(self, ctrl)

    def get_string(self):
        if _has(self._ctrl, "GetValue"):
            value = self._ctrl.GetValue()
            return value if isinstance(value, str) else str(value)
        if _has(self._ctrl, "GetLabel"):
            return self._ctrl.GetLabel()
        raise TypeError("Widget type not supported.")

    def set_string(self, value):
        if _has(self._ctrl, "SetValue"):
            self._ctrl.SetValue(value)
        elif _has(self._ctrl, "SetLabel"):
            self._ctrl.SetLabel(value)
        else:
            raise TypeError("Widget type not supported.")


class _GridWrapper(_CtrlWrapperBase):
    def __init__(self, ctrl):
        assert isinstance(ctrl, _grid.Grid)
        _CtrlWrapperBase.__init__(self, ctrl)
        self.__row = 0
        self.__column = 0

    @property
    def row(self):
        return self.__row

    @row.setter
    def row(self, value):
        _want_int("value", value, False)
        self.__row = value

    @property
    def column(self):
        return self.__column

    @column.setter
    def column(self, value):
        _want_int("value", value, False)
        self.__column = value

    def get_string(self):
        return self._ctrl.GetCellValue(row=self.row, col=self.column)

    def set_string(self, value):
        self._ctrl.SetCellValue(self.row, self.column, value)


class DigitKeypadProxy:
    def __init__(self, ctrl, mode=KEYPAD_MODE_INT, minimum=float("-inf"), maximum=float("inf"), event=None,
                 font_size=20):
        self._ctrl = _GridWrapper(ctrl) if isinstance(ctrl, _grid.Grid) else _CtrlWrapper(ctrl)
        self._mode = mode
        self._maximum = maximum
        self._minimum = minimum
        self.font_size = font_size
        if event is None:
            event = _grid.EVT_GRID_CMD_CELL_LEFT_DCLICK if isinstance(ctrl, _grid.Grid) else wx.EVT_LEFT_DOWN
        ctrl.Bind(event, self.event_handler)

    @property
    def minimum(self):
        return self._minimum

    @minimum.setter
    def minimum(self, value):
        self._minimum = float(value)

    @property
    def maximum(self):
        return self._maximum

    @maximum.setter
    def maximum(self, value):
        self._maximum = float(value)

    def event_handler(self, event):
        ctrl = self._ctrl
        if isinstance(event, _grid.GridEvent) and isinstance(ctrl, _GridWrapper):
            ctrl.row = event.GetRow()
            ctrl.column = event.GetCol()
        text = ctrl.get_string().strip()
        parent = ctrl.get_parent()
        dialog = DigitKeypad(parent, self._mode, self._minimum, self._maximum, font_size=self.font_size)
        dialog.SetValue(text)
        if dialog.ShowModal() == wx.ID_OK:
            ctrl.set_string(dialog.GetValue())
        dialog.Destroy()

    def get_value(self):
        content = self._ctrl.get_string()
        if content == "":
            return float("nan")
        if self._mode == KEYPAD_MODE_INT:
            return int(content)
        return float(content)

    def set_value(self, value):
        self._ctrl.set_string(value if isinstance(value, str) else str(value))


class AlphaKeypad(AlphaKeypadUI):
    def __init__(self, parent, widget=None, password_mode=None, message=""):
        _want_str("message", message, False)
        self.shift = False
        self.__widget = widget
        AlphaKeypadUI.__init__(self, parent)
        if password_mode is None and self.__widget is not None:
            if isinstance(self.__widget, _grid.Grid):
                password_mode = False
            else:
                password_mode = (self.__widget.window_style & wx.TE_PASSWORD) != 0
        if password_mode:
            self.ui_value_normal.Hide()
            self.ui_value_password.Show()
            self.__text_field = self.ui_value_password
        else:
            self.ui_value_password.Hide()
            self.ui_value_normal.Show()
            self.__text_field = self.ui_value_normal
        if message == "":
            self.ui_message.Hide()
        else:
            self.ui_message.SetLabel(message)
        self.Shift.Hide()
        self.ui_caps_on_0.Hide()
        self.ui_caps_on_1.Hide()
        self.ui_caps_on_2.Hide()
        window_fit_layout(self)

    def set_value(self, value):
        self.__text_field.SetValue(value)

    def get_value(self):
        return self.__text_field.GetValue()

    def out_(self, put):
        self.__text_field.SetValue(self.__text_field.GetValue() + put)

    def on_character(self, event):
        label = event.GetEventObject().GetLabel()
        if label == "Tab":
            self.out_("\t")
        elif label == "Space":
            self.out_(" ")
        else:
            self.out_(label)

    def on_backspace(self, event):
        text = self.__text_field.GetValue()
        if len(text) > 0:
            self.__text_field.SetValue(text[:-1])

    def on_clear(self, event):
        self.__text_field.SetValue("")

    def on_shift(self, event):
        self.shift = not self.shift
        self.__on_shift(self.shift)

    def __on_shift(self, on):
        AlphaKeypad.__change_color(self.ui_shift_0, on)
        AlphaKeypad.__change_color(self.ui_shift_1, on)
        AlphaKeypad.__change_color(self.ui_shift_2, on)
        AlphaKeypad.__change_color(self.ui_shift_3, on)
        self.Shift.Show(on)
        self.no_Shift.Show(not on)
        window_fit_layout(self)

    def on_caps_on(self, event):
        self.__on_caps(True)

    def on_caps_off(self, event):
        self.__on_caps(False)

    def __on_caps(self, on):
        for i in range(3):
            getattr(self, "ui_caps_on_" + str(i)).Show(on)
            getattr(self, "ui_caps_off_" + str(i)).Show(not on)
        window_fit_layout(self)

    @staticmethod
    def __change_color(button, value):
        if value:
            button.SetBackgroundColour(wx.Colour(255, 128, 0))
        else:
            button.SetBackgroundColour(wx.Colour(225, 225, 255))


class AlphaKeypadProxy:
    def __init__(self, ctrl, password_mode=None, event=None):
        self._ctrl = _GridWrapper(ctrl) if isinstance(ctrl, _grid.Grid) else _CtrlWrapper(ctrl)
        self.password_mode = password_mode
        self.ctrl_focus = ctrl
        if event is None:
            event = _grid.EVT_GRID_CMD_CELL_LEFT_DCLICK if isinstance(ctrl, _grid.Grid) else wx.EVT_LEFT_DOWN
        ctrl.Bind(event, self.event_handler)

    def event_handler(self, event):
        self.ctrl_focus.SetFocus()
        ctrl = self._ctrl
        if isinstance(event, _grid.GridEvent) and isinstance(ctrl, _GridWrapper):
            ctrl.row = event.GetRow()
            ctrl.column = event.GetCol()
        text = ctrl.get_string().strip()
        parent = ctrl.get_parent()
        dialog = AlphaKeypad(parent, widget=ctrl, password_mode=self.password_mode)
        dialog.set_value(text)
        if dialog.ShowModal() == wx.ID_OK:
            ctrl.set_string(dialog.get_value())
        dialog.Destroy()

    def get_value(self):
        return self._ctrl.get_string()

    def set_value(self, value):
        self._ctrl.set_string(value if isinstance(value, str) else str(value))


def input_text(parent, password_mode=False, message="") -> _Optional[str]:
    _want_str("message", message, False)
    dialog = AlphaKeypad(parent, password_mode=password_mode, message=message)
    result = None
    if dialog.ShowModal() == wx.ID_OK:
        result = dialog.get_value()
    dialog.Destroy()
    return result


def input_password(parent, message="") -> _Optional[str]:
    _want_str("message", message, False)
    return input_text(parent, True, message)


def input_digit_password(parent, message=None) -> _Optional[str]:
    _want_str("message", message, True)
    dialog = DigitPasswordKeypad(parent, message)
    result = None
    if dialog.ShowModal() == wx.ID_OK:
        result = dialog.get_value()
    dialog.Destroy()
    if result is not None and type(result) is not str:
        raise TypeError("Expected unicode, got %.200s" % type(result).__name__)
    return result


def input_integer(parent, minimum=float("-inf"), maximum=float("inf"), message=None):
    _want_str("message", message, True)
    dialog = DigitKeypad(parent, mode=KEYPAD_MODE_INT, minimum=minimum, maximum=maximum, message=message)
    result = None
    if dialog.ShowModal() == wx.ID_OK:
        result = int(dialog.get_value())
    dialog.Destroy()
    return result


def input_float(parent, minimum=float("-inf"), maximum=float("inf"), message=None):
    _want_str("message", message, True)
    dialog = DigitKeypad(parent, mode=KEYPAD_MODE_FLOAT, minimum=minimum, maximum=maximum, message=message)
    result = None
    if dialog.ShowModal() == wx.ID_OK:
        result = float(dialog.get_value())
    dialog.Destroy()
    return result
