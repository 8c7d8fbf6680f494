"""The text field binding: the keyboard opened on a text control, a password
control and a grid cell, confirmed or cancelled through its own keys."""

import pytest
import wx
import wx.grid

import nuv_touch
from conftest import click, pump, run_modal


def tap(ctrl):
    """A finger on the control: a left button press through its handler.
    Returns whether a handler took the press."""
    event = wx.MouseEvent(wx.wxEVT_LEFT_DOWN)
    event.SetEventObject(ctrl)
    return ctrl.GetEventHandler().ProcessEvent(event)


def double_click_cell(grid, row, col):
    event = wx.grid.GridEvent(grid.GetId(), wx.grid.wxEVT_GRID_CELL_LEFT_DCLICK, grid, row=row, col=col)
    grid.GetEventHandler().ProcessEvent(event)


def press(*labels):
    """A step pressing the keyboard's visible keys with these labels."""
    def step(keyboard):
        for label in labels:
            keys = [k for k in visible_keys(keyboard) if k.GetLabel() == label]
            assert keys, "no visible key %r" % label
            click(keys[0])
    return step


def visible_keys(dialog):
    return (key for key in dialog.keys() if key.IsShownOnScreen())


confirm = press("OK")
cancel = press("Cancel")


def edit(opener, *steps):
    """Opens the keyboard with `opener` and runs `steps` in it. Returns the
    text the keyboard was opened with and whether it masked it."""
    seen = []

    def look(keyboard):
        field = keyboard._AlphaKeypad__text_field
        seen.append((keyboard.get_value(), field is keyboard.ui_value_password))
    run_modal(opener, look, *steps)
    return seen[0]


def open_keyboards():
    pump()
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, nuv_touch.AlphaKeypad)]


@pytest.fixture
def grid(frame):
    grid = wx.grid.Grid(frame)
    grid.CreateGrid(5, 4)
    return grid


def test_text_control_confirm_and_cancel(frame):
    ctrl = wx.TextCtrl(frame, value="  abc ")
    proxy = nuv_touch.AlphaKeypadProxy(ctrl)
    assert edit(lambda: tap(ctrl), press("x", "y"), cancel) == ("abc", False)
    assert ctrl.GetValue() == "  abc " and proxy.get_value() == "  abc "
    assert edit(lambda: tap(ctrl), confirm) == ("abc", False)
    assert ctrl.GetValue() == "abc"  # trimmed on the way in
    edit(lambda: tap(ctrl), press("Clear", "Space", "Shift", "{", "Shift", "Tab"), confirm)
    assert ctrl.GetValue() == " {\t"  # written back as typed
    assert open_keyboards() == []


@pytest.mark.parametrize("password_mode, masked", [(None, True), (False, False), (True, True)])
def test_password_control(frame, password_mode, masked):
    ctrl = wx.TextCtrl(frame, value="old", style=wx.TE_PASSWORD)
    nuv_touch.AlphaKeypadProxy(ctrl, password_mode)
    assert edit(lambda: tap(ctrl), press("Backspace", "Space"), cancel) == ("old", masked)
    assert ctrl.GetValue() == "old"
    assert edit(lambda: tap(ctrl), press("Clear", "Caps On", "N", "Caps Off", "w", "Shift", "#"),
                confirm) == ("old", masked)
    assert ctrl.GetValue() == "Nw#"


def test_label_opens_plain_and_writes_its_label(frame):
    label = wx.StaticText(frame, label=" Line 3 ")
    nuv_touch.AlphaKeypadProxy(label, password_mode=None)
    assert edit(lambda: tap(label), press("Backspace", "4"), confirm) == ("Line 3", False)
    assert label.GetLabel() == "Line 4"


def test_grid_cell_confirm_and_cancel(grid):
    grid.SetCellValue(3, 2, "  bolt ")
    grid.SetCellValue(0, 0, "keep")
    proxy = nuv_touch.AlphaKeypadProxy(grid)
    assert edit(lambda: double_click_cell(grid, 3, 2), press("s"), cancel) == ("bolt", False)
    assert grid.GetCellValue(3, 2) == "  bolt "
    assert edit(lambda: double_click_cell(grid, 3, 2), press("s", "Space"), confirm) == ("bolt", False)
    cells = {(r, c): grid.GetCellValue(r, c) for r in range(5) for c in range(4)}
    assert cells.pop((3, 2)) == "bolts " and cells.pop((0, 0)) == "keep"
    assert set(cells.values()) == {""}
    assert proxy.get_value() == "bolts "  # the last cell, untrimmed
    proxy.set_value(5)
    assert grid.GetCellValue(3, 2) == "5"


def test_owner_hears_the_confirmed_text(grid):
    frame = grid.GetParent()
    ctrl = wx.TextCtrl(frame, value="a", style=wx.TE_PROCESS_ENTER)
    grid.SetCellValue(1, 2, "a")
    nuv_touch.AlphaKeypadProxy(ctrl)
    nuv_touch.AlphaKeypadProxy(grid)
    events = []
    for binder, name in ((wx.EVT_TEXT, "text"), (wx.EVT_TEXT_ENTER, "enter")):
        frame.Bind(binder, lambda e, name=name: events.append((name, e.GetString())))
    for binder, name in ((wx.grid.EVT_GRID_CELL_CHANGING, "changing"), (wx.grid.EVT_GRID_CELL_CHANGED, "changed")):
        frame.Bind(binder, lambda e, name=name: events.append((name, e.GetRow(), e.GetCol(), e.GetString())))
    edit(lambda: tap(ctrl), press("b"), confirm)
    edit(lambda: double_click_cell(grid, 1, 2), press("c"), confirm)
    assert events == [("text", "ab"), ("enter", "ab"), ("changing", 1, 2, "ac"), ("changed", 1, 2, "a")]


def test_grid_bound_to_a_plain_event_edits_the_current_cell(grid):
    grid.SetCellValue(0, 0, "a")
    nuv_touch.AlphaKeypadProxy(grid, event=wx.EVT_LEFT_DOWN)
    assert edit(lambda: tap(grid), press("b"), confirm) == ("a", False)
    assert grid.GetCellValue(0, 0) == "ab"


def test_focus_first_and_the_press_is_not_passed_on(frame):
    calls = []

    class Field(wx.TextCtrl):
        def SetFocus(self):
            calls.append("focus")
            wx.TextCtrl.SetFocus(self)

        def GetValue(self):
            calls.append("read")
            return wx.TextCtrl.GetValue(self)

    ctrl = Field(frame, value="v")
    nuv_touch.AlphaKeypadProxy(ctrl)
    handled = []
    run_modal(lambda: handled.append(tap(ctrl)), lambda d: calls.append("keyboard"), cancel)
    assert calls == ["focus", "read", "keyboard"]
    assert handled == [True]


def test_set_value_writes_text(frame):
    ctrl = wx.TextCtrl(frame)
    proxy = nuv_touch.AlphaKeypadProxy(ctrl)
    for value, text in ((5, "5"), (" a ", " a "), (None, "None")):
        proxy.set_value(value)
        assert ctrl.GetValue() == text and proxy.get_value() == text


def test_keyboard_destroyed_when_the_write_back_fails(frame, wx_errors):
    class Failing(wx.TextCtrl):
        def SetValue(self, value):
            raise RuntimeError("field locked")

    ctrl = Failing(frame, value="1")
    nuv_touch.AlphaKeypadProxy(ctrl)
    run_modal(lambda: tap(ctrl), confirm)
    assert [str(e) for e in wx_errors.take()] == ["field locked"]
    assert open_keyboards() == []


class PlainField:
    """A control of the application's own making: text in, text out."""

    def __init__(self, parent, value):
        self.parent, self.value, self.written = parent, value, []

    def GetWindowStyle(self):
        return 0

    def GetParent(self):
        return self.parent

    def Bind(self, event, handler):
        self.handler = handler

    def SetFocus(self):
        pass

    def GetValue(self):
        return self.value

    def SetValue(self, value):
        self.written.append(value)


@pytest.mark.parametrize("proxy", [nuv_touch.AlphaKeypadProxy, nuv_touch.DigitKeypadProxy])
def test_text_a_keypad_cannot_hold_is_not_opened(frame, proxy):
    # The keypads' single-line fields end a text at a NUL; confirming the cut
    # text would write 12 over 12<NUL>34.
    field = PlainField(frame, "12\x0034")
    proxy(field)
    with pytest.raises(ValueError):
        field.handler(wx.MouseEvent(wx.wxEVT_LEFT_DOWN))
    assert field.written == []
    pump()
    assert not [w for w in wx.GetTopLevelWindows() if isinstance(w, (nuv_touch.AlphaKeypad, nuv_touch.DigitKeypad))]


def test_long_text_is_not_opened(frame, wx_errors):
    long_text = ("x" * 69 + "\n") * 1000  # more than a single-line field holds
    ctrl = wx.TextCtrl(frame, value=long_text, style=wx.TE_MULTILINE)
    nuv_touch.AlphaKeypadProxy(ctrl)
    assert tap(ctrl)
    assert [type(e) for e in wx_errors.take()] == [ValueError]
    assert ctrl.GetValue() == long_text
    assert open_keyboards() == []
