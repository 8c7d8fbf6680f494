"""Control adapters and the numeric field binding, on real wx controls."""

import gc
import math

import pytest
import wx
import wx.grid

import nuv_touch
from conftest import click, modal_dialogs, pump, run_modal, wait_until

DIGIT_KEYS = ["m_button%d" % n for n in range(2, 14)] + ["m_button15"]


def tap(ctrl):
    """A finger on the control: a left button press through its handler."""
    event = wx.MouseEvent(wx.wxEVT_LEFT_DOWN)
    event.SetEventObject(ctrl)
    ctrl.GetEventHandler().ProcessEvent(event)


def double_click_cell(grid, row, col):
    event = wx.grid.GridEvent(grid.GetId(), wx.grid.wxEVT_GRID_CELL_LEFT_DCLICK, grid, row=row, col=col)
    grid.GetEventHandler().ProcessEvent(event)


def type_digits(text):
    """A step typing `text` on the numeric keypad's keys."""
    def step(keypad):
        keys = {k.GetLabel(): k for k in (getattr(keypad, n) for n in DIGIT_KEYS)}
        for char in text:
            assert click(keys[char])
    return step


def confirm(keypad):
    click(keypad.m_button17)


def cancel(keypad):
    click(keypad.m_button16)


def edit(opener, *steps):
    """Opens the keypad with `opener`; returns the text it was opened with."""
    seen = []
    run_modal(opener, lambda d: seen.append(d.GetValue()), *steps)
    return seen[0]


@pytest.fixture
def grid(frame):
    grid = wx.grid.Grid(frame)
    grid.CreateGrid(5, 4)
    return grid


# ---------------------------------------------------------------- adapters

@pytest.mark.parametrize("make, before, written, after", [
    (lambda p: wx.TextCtrl(p, value="12"), "12", "7", lambda c: c.GetValue() == "7"),
    (lambda p: wx.ComboBox(p, value="12", choices=["1"]), "12", "7", lambda c: c.GetValue() == "7"),
    (lambda p: wx.SpinCtrl(p, min=0, max=100, initial=5), "5", "9", lambda c: c.GetValue() == 9),
    (lambda p: wx.StaticText(p, label="12"), "12", "7", lambda c: c.GetLabel() == "7"),
    (lambda p: wx.Button(p, label="12"), "12", "7", lambda c: c.GetLabel() == "7"),
], ids=["text", "combo", "spin", "label", "button"])
def test_value_or_label_by_kind(frame, make, before, written, after):
    adapter = nuv_touch._CtrlWrapper(make(frame))
    assert adapter.get_string() == before
    adapter.set_string(written)
    assert after(adapter._ctrl)
    assert adapter.get_parent() is frame


def test_adapter_goes_by_what_the_object_offers():
    class StyleOnly:
        def GetWindowStyle(self):
            return 0x40

        def GetParent(self):
            return None

    class BrokenValue(StyleOnly):
        GetValue = property(lambda self: 1 / 0)  # a failing lookup counts as absent

        def GetLabel(self):
            return "label"

    bare = nuv_touch._CtrlWrapper(StyleOnly())
    assert bare.window_style == 0x40 and bare.get_parent() is bare._ctrl
    for call in (bare.get_string, lambda: bare.set_string("1")):
        with pytest.raises(TypeError, match="^Widget type not supported.$"):
            call()
    assert nuv_touch._CtrlWrapper(BrokenValue()).get_string() == "label"
    with pytest.raises(AttributeError):
        nuv_touch._CtrlWrapper(object())
    with pytest.raises(TypeError, match="abstract"):
        nuv_touch._CtrlWrapperBase(StyleOnly())


def test_window_style_is_read_once(frame):
    ctrl = wx.TextCtrl(frame, style=wx.TE_PASSWORD)
    adapter = nuv_touch._CtrlWrapper(ctrl)
    ctrl.SetWindowStyle(0)
    assert adapter.window_style & wx.TE_PASSWORD


def test_grid_adapter_cell(frame):
    calls = []

    class Recording(wx.grid.Grid):
        def GetCellValue(self, *args, **kwargs):
            calls.append((args, kwargs))
            return super().GetCellValue(*args, **kwargs)

    grid = Recording(frame)
    grid.CreateGrid(5, 4)
    grid.SetCellValue(0, 0, "a")
    grid.SetCellValue(3, 0, "b")
    adapter = nuv_touch._GridWrapper(grid)
    assert adapter.get_string() == "a" and calls == [((), {"row": 0, "col": 0})]
    adapter.row = 3
    for refused in (True, None, 2.0):
        with pytest.raises(TypeError, match=r"^Argument 'value' has incorrect type \(expected int, got %s\)$"
                           % type(refused).__name__):
            adapter.row = refused
    assert adapter.row == 3 and adapter._GridWrapper__row == 3 and adapter.get_string() == "b"
    adapter.column = 2
    adapter.set_string("c")
    assert grid.GetCellValue(3, 2) == "c"
    adapter.column = -1
    assert adapter.column == -1
    with pytest.raises(AssertionError):
        nuv_touch._GridWrapper(frame)


# ---------------------------------------------------------------- proxy: keypad round trips

def test_tap_opens_trimmed_and_cancel_keeps_the_text(frame):
    ctrl = wx.TextCtrl(frame, value=" 42 ")
    proxy = nuv_touch.DigitKeypadProxy(ctrl)
    assert edit(lambda: tap(ctrl), type_digits("9"), cancel) == "42"
    assert ctrl.GetValue() == " 42 " and proxy.get_value() == 42
    assert edit(lambda: tap(ctrl), lambda d: d.SetValue(""), type_digits("17"), confirm) == "42"
    assert ctrl.GetValue() == "17"


@pytest.mark.parametrize("make, read", [
    (lambda p: wx.StaticText(p, label=" 3 "), lambda c: c.GetLabel()),
    (lambda p: wx.SpinCtrl(p, min=0, max=100, initial=3), lambda c: str(c.GetValue())),
], ids=["label", "spin"])
def test_tap_writes_back_into_label_and_spin_control(frame, make, read):
    ctrl = make(frame)
    nuv_touch.DigitKeypadProxy(ctrl)
    assert edit(lambda: tap(ctrl), type_digits("8"), confirm) == "3"
    assert read(ctrl) == "38"


def test_proxy_is_kept_alive_by_the_binding_alone(frame):
    ctrl = wx.TextCtrl(frame, value="5")
    nuv_touch.DigitKeypadProxy(ctrl)
    gc.collect()
    assert edit(lambda: tap(ctrl), type_digits("1"), confirm) == "5"
    assert ctrl.GetValue() == "51"


def test_double_click_edits_exactly_that_cell(grid):
    grid.SetCellValue(3, 2, "  6 ")
    grid.SetCellValue(0, 0, "1")
    nuv_touch.DigitKeypadProxy(grid)
    assert edit(lambda: double_click_cell(grid, 3, 2), type_digits("4"), confirm) == "6"
    cells = {(r, c): grid.GetCellValue(r, c) for r in range(5) for c in range(4)}
    assert cells.pop((3, 2)) == "64" and cells.pop((0, 0)) == "1"
    assert set(cells.values()) == {""}


def confirm_keyboard(keyboard):
    click(next(k for k in keyboard.keys() if k.IsShownOnScreen() and k.GetLabel() == "OK"))


def real_taps(grid, row, col, count, offset=0):
    """One or two taps of a finger on the cell, through the X server;
    returns once the grid has handled them, and the keypad they opened has
    closed."""
    rect = grid.CellToRect(row, col)
    rect.SetPosition(grid.CalcScrolledPosition(rect.GetPosition()))
    centre = rect.GetPosition() + wx.Point(rect.width // 2 + offset, rect.height // 2)
    window = grid.GetGridWindow()
    seen = []

    def note(event):
        seen.append(event.GetEventType())
        event.Skip()

    binders = (wx.EVT_LEFT_DOWN, wx.EVT_LEFT_UP, wx.EVT_LEFT_DCLICK)
    for binder in binders:
        window.Bind(binder, note)
    simulator = wx.UIActionSimulator()
    simulator.MouseMove(window.ClientToScreen(centre))
    pump(50)
    simulator.MouseDblClick() if count == 2 else simulator.MouseClick()
    # GTK sends a press and a release, then a double click for a second
    # quick press, where the keypad opens; its release may come while the
    # keypad is open, and go to it.
    wait_until(lambda: len(seen) >= count + 1, 3.0)
    pump(100)
    for binder in binders:
        window.Unbind(binder, handler=note)


# Each: the proxy, and a step entering a text into its keypad.
@pytest.mark.parametrize("bind, enter", [
    (nuv_touch.DigitKeypadProxy, lambda text: (lambda d: (d.SetValue(text), confirm(d)))),
    (nuv_touch.AlphaKeypadProxy, lambda text: (lambda d: (d.set_value(text), confirm_keyboard(d)))),
], ids=["digit", "alpha"])
@pytest.mark.parametrize("editing", [True, False], ids=["editable", "read-only"])
def test_real_taps_on_a_bound_grid_never_open_its_own_editor(frame, bind, enter, editing):
    frame.Raise()
    grid = wx.grid.Grid(frame, size=(500, 300))
    grid.CreateGrid(4, 4)
    grid.EnableEditing(editing)
    bind(grid)
    changing = []
    grid.Bind(wx.grid.EVT_GRID_CELL_CHANGING, lambda e: (changing.append((e.GetRow(), e.GetCol())), e.Skip()))
    pump(100)
    # The cursor starts on the first cell; the other cell is tapped again
    # once it is the current one.
    for taps, (row, col, text) in enumerate([(0, 0, "1"), (2, 1, "2"), (2, 1, "3")]):
        run_modal(lambda: real_taps(grid, row, col, 2, offset=taps * 10), enter(text))
        assert grid.GetCellValue(row, col) == text and not grid.IsCellEditControlShown()
        assert (grid.GetGridCursorRow(), grid.GetGridCursorCol()) == (row, col)
    assert changing == [(0, 0), (2, 1), (2, 1)]
    real_taps(grid, 2, 1, 1)  # a lone tap on the current cell opens nothing
    assert not grid.IsCellEditControlShown() and not modal_dialogs()
    grid.SetFocus()
    wx.UIActionSimulator().Char(wx.WXK_F2)  # the keyboard still opens it, where editing is enabled
    assert wait_until(grid.IsCellEditControlShown, 1.0) == editing
    grid.DisableCellEditControl()


def test_grid_bound_to_other_event_edits_the_last_cell_addressed(grid):
    grid.SetCellValue(0, 0, "1")
    proxy = nuv_touch.DigitKeypadProxy(grid, event=wx.EVT_LEFT_DOWN)
    assert edit(lambda: tap(grid), type_digits("2"), confirm) == "1"
    proxy._ctrl.row = 2
    assert edit(lambda: tap(grid), type_digits("3"), confirm) == ""
    assert grid.GetCellValue(0, 0) == "12" and grid.GetCellValue(2, 0) == "3"


def test_keypad_gets_the_proxy_settings(frame, message_boxes):
    ctrl = wx.TextCtrl(frame, value="50")
    proxy = nuv_touch.DigitKeypadProxy(ctrl, mode=nuv_touch.KEYPAD_MODE_FLOAT, font_size=14)
    seen = []
    run_modal(lambda: tap(ctrl), lambda d: seen.append((d._mode, d._minimum, d._maximum,
                                                          d.m_button2.GetFont().GetPointSize())), cancel)
    assert seen == [(1, -math.inf, math.inf, 14)]
    proxy.minimum, proxy.maximum = 0, 10
    run_modal(lambda: tap(ctrl), confirm, cancel)  # 50 is now out of range: refused, keypad stays open
    assert message_boxes.messages == ["Number value is out of range. Please input again."]
    assert ctrl.GetValue() == "50"


def test_keypad_is_destroyed_when_the_write_back_fails(frame, wx_errors):
    class Failing(wx.TextCtrl):
        def SetValue(self, value):
            raise RuntimeError("device refused")

    ctrl = Failing(frame, value="1")
    nuv_touch.DigitKeypadProxy(ctrl)
    run_modal(lambda: tap(ctrl), confirm)
    assert [str(e) for e in wx_errors.take()] == ["device refused"]
    pump()
    assert not [w for w in wx.GetTopLevelWindows() if isinstance(w, nuv_touch.DigitKeypad)]


# ---------------------------------------------------------------- proxy: what the owner hears

def heard(window):
    """The change events the application's handlers on `window` receive,
    bound as its own code binds them; command events reach them from the
    window's children."""
    events = []

    def record(name, read):
        def handler(event):
            keypads = [w for w in wx.GetTopLevelWindows() if isinstance(w, nuv_touch.DigitKeypad)
                       and not wx.GetApp().IsScheduledForDestruction(w)]
            events.append((name, read(event), event.GetEventObject().GetId() == event.GetId(), len(keypads)))
            event.Skip()
        return handler

    cell = lambda e: (e.GetRow(), e.GetCol(), e.GetString())
    spin = lambda e: (e.GetPosition(), e.GetString())
    spin_double = lambda e: (e.GetValue(), e.GetString())
    for binder, name, read in ((wx.EVT_TEXT, "text", wx.CommandEvent.GetString),
                               (wx.EVT_TEXT_ENTER, "enter", wx.CommandEvent.GetString),
                               (wx.EVT_SPINCTRL, "spin", spin),
                               (wx.EVT_SPINCTRLDOUBLE, "spin", spin_double),
                               (wx.grid.EVT_GRID_CELL_CHANGING, "changing", cell),
                               (wx.grid.EVT_GRID_CELL_CHANGED, "changed", cell)):
        window.Bind(binder, record(name, read))
    return events


# Each: the event, what it carries, whether its object is the control with
# its id, and how many keypads were not yet destroyed.
@pytest.mark.parametrize("make, expected", [
    (lambda p: wx.TextCtrl(p, value="1", style=wx.TE_PROCESS_ENTER),
     [("text", "12", True, 1), ("enter", "12", True, 0)]),
    (lambda p: wx.ComboBox(p, value="1", choices=["7"], style=wx.TE_PROCESS_ENTER),
     [("text", "12", True, 1), ("enter", "12", True, 0)]),
    (lambda p: wx.TextCtrl(p, value="1"), [("text", "12", True, 1)]),
    (lambda p: wx.SpinCtrl(p, min=0, max=100, initial=1), [("spin", (12, "12"), True, 0)]),
    (lambda p: wx.SpinCtrlDouble(p, min=0, max=100, initial=1, inc=0.5), [("spin", (12.0, "12.0"), True, 0)]),
    (lambda p: wx.StaticText(p, label="1"), []),
    (lambda p: wx.Button(p, label="1"), []),
], ids=["text-enter", "combo-enter", "text", "spin", "spin-double", "label", "button"])
def test_owner_hears_the_confirmed_entry_as_its_own_edit(frame, make, expected):
    panel = wx.Panel(frame)
    ctrl = make(panel)
    nuv_touch.DigitKeypadProxy(ctrl)
    events = heard(frame)
    edit(lambda: tap(ctrl), lambda d: d.SetValue(""), type_digits("12"), confirm)
    assert events == expected
    events.clear()
    edit(lambda: tap(ctrl), type_digits("3"), cancel)
    assert events == []


def test_grid_owner_is_asked_and_told_and_may_veto(grid):
    grid.SetCellValue(1, 2, "1")
    nuv_touch.DigitKeypadProxy(grid)
    events = heard(grid.GetParent())
    edit(lambda: double_click_cell(grid, 1, 2), type_digits("2"), confirm)
    assert events == [("changing", (1, 2, "12"), True, 1), ("changed", (1, 2, "1"), True, 0)]
    events.clear()
    edit(lambda: double_click_cell(grid, 1, 2), confirm)  # unchanged: as wx's own editor, nothing
    assert events == []
    veto = lambda event: event.Veto()  # noqa: E731
    grid.Bind(wx.grid.EVT_GRID_CELL_CHANGING, veto)
    edit(lambda: double_click_cell(grid, 1, 2), type_digits("3"), confirm)
    assert grid.GetCellValue(1, 2) == "12" and events == []
    grid.Unbind(wx.grid.EVT_GRID_CELL_CHANGING, handler=veto)
    grid.Bind(wx.grid.EVT_GRID_CELL_CHANGED, veto)  # an application older than CHANGING
    edit(lambda: double_click_cell(grid, 1, 2), type_digits("4"), confirm)
    assert grid.GetCellValue(1, 2) == "12" and [name for name, *_ in events] == ["changing"]


# Each: the control, the bounds its keypad shows, an entry it would round
# and one it holds exactly.
@pytest.mark.parametrize("make, shown, rounded, exact", [
    (lambda p: wx.SpinCtrl(p, min=0, max=1000, initial=5), ("0", "1000"), "2.5", ("3.0", 3)),
    (lambda p: wx.SpinCtrlDouble(p, min=-2.5, max=1000, initial=5, inc=0.01), ("-2.5", "1000.0"), "1.257",
     ("1.250", 1.25)),
], ids=["spin", "spin-double"])
def test_spin_control_range_is_checked_in_the_keypad(frame, message_boxes, make, shown, rounded, exact):
    ctrl = make(frame)
    proxy = nuv_touch.DigitKeypadProxy(ctrl, mode=nuv_touch.KEYPAD_MODE_FLOAT, maximum=2000)
    seen = []
    edit(lambda: tap(ctrl), lambda d: seen.append((d.ui_minimum.GetLabel(), d.ui_maxmum.GetLabel())),
         lambda d: d.SetValue("1500"), confirm,  # the control would clamp it to 1000
         lambda d: d.SetValue(rounded), confirm, cancel)  # and round this one
    assert message_boxes.messages == ["Number value is out of range. Please input again.",
                                      "Invalid number format. Please input again."]
    assert seen == [shown] and ctrl.GetValue() == 5
    edit(lambda: tap(ctrl), lambda d: d.SetValue(exact[0]), confirm)
    assert ctrl.GetValue() == exact[1]
    message_boxes.clear()
    assert (proxy.minimum, proxy.maximum) == (-math.inf, 2000.0)
    proxy.maximum = 7
    edit(lambda: tap(ctrl), lambda d: d.SetValue("8"), confirm, cancel)  # the proxy's bound is tighter
    assert message_boxes.messages == ["Number value is out of range. Please input again."]
    assert ctrl.GetValue() == exact[1]


# ---------------------------------------------------------------- proxy: numbers

@pytest.mark.parametrize("mode, text, expected", [
    (0, "", math.nan), (1, "", math.nan),
    (0, "7", 7), (1, "7", 7.0), (2, "7", 7.0),
    (0, " -42 ", -42), (1, "2.5", 2.5), (1, "nan", math.nan),
    pytest.param(0, "1" * 5000, (10 ** 5000 - 1) // 9, id="5000-digits"),
    (0, "  ", ValueError), (1, "  ", ValueError), (0, "2.5", ValueError), (1, "abc", ValueError),
])
def test_get_value_parses_by_mode(frame, mode, text, expected):
    ctrl = wx.TextCtrl(frame, value=text)
    proxy = nuv_touch.DigitKeypadProxy(ctrl, mode)
    if expected is ValueError:
        with pytest.raises(ValueError):
            proxy.get_value()
        return
    value = proxy.get_value()
    assert type(value) is type(expected)
    assert math.isnan(value) if isinstance(expected, float) and math.isnan(expected) else value == expected


def test_set_value_and_bounds(frame):
    ctrl = wx.TextCtrl(frame)
    proxy = nuv_touch.DigitKeypadProxy(ctrl, minimum="low")
    assert proxy.minimum == "low" and proxy.maximum == math.inf
    for value, text in ((5, "5"), (2.5, "2.5"), (math.nan, "nan"), ("x1", "x1")):
        proxy.set_value(value)
        assert ctrl.GetValue() == text
    big = -(10 ** 5000) + 7  # beyond the interpreter's own int/str digit limit
    proxy.set_value(big)
    assert len(ctrl.GetValue()) == 5001 and proxy.get_value() == big
    proxy.minimum = 1
    assert type(proxy.minimum) is float and proxy.minimum == 1.0
    for refused in ("1", None):
        with pytest.raises(TypeError):
            proxy.minimum = refused
        with pytest.raises(TypeError):
            proxy.maximum = refused
    assert proxy.minimum == 1.0 and proxy.maximum == math.inf


def test_nested_activation_leaves_the_outer_edit_its_cell(grid):
    grid.SetCellValue(0, 0, "1")
    grid.SetCellValue(3, 3, "9")
    nuv_touch.DigitKeypadProxy(grid)

    def nested_activation(outer):  # as a posted event would, inside the modal loop
        run_modal(lambda: double_click_cell(grid, 3, 3), cancel)

    run_modal(lambda: double_click_cell(grid, 0, 0), nested_activation, type_digits("2"), confirm)
    assert (grid.GetCellValue(0, 0), grid.GetCellValue(3, 3)) == ("12", "9")

    def asked_with_a_nested_loop(event):  # the owner's handler opens the field again
        grid.Unbind(wx.grid.EVT_GRID_CELL_CHANGING)
        run_modal(lambda: double_click_cell(grid, 3, 3), cancel)

    grid.Bind(wx.grid.EVT_GRID_CELL_CHANGING, asked_with_a_nested_loop)
    run_modal(lambda: double_click_cell(grid, 0, 0), type_digits("3"), confirm)
    assert (grid.GetCellValue(0, 0), grid.GetCellValue(3, 3)) == ("123", "9")


def test_substituted_keypad_showing_the_text_normalised_opens(frame, monkeypatch):
    class Normalising(nuv_touch.DigitKeypad):
        def SetValue(self, value):
            super().SetValue(value.lstrip("0") or "0")

    monkeypatch.setattr(nuv_touch, "DigitKeypad", Normalising)
    field = wx.TextCtrl(frame, value="007")
    nuv_touch.DigitKeypadProxy(field)
    assert edit(lambda: tap(field), type_digits("1"), confirm) == "7"
    assert field.GetValue() == "71"
