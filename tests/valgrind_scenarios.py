"""Keypads whose owner or bound control goes away while they are open, as a
script of its own: tests/test_valgrind.py runs it under valgrind, which
sees what the toolkit does with freed memory (wx is not instrumented for
AddressSanitizer).

Each scenario opens a keypad with a real tap (XTest pointer events), lets a
timer destroy or close the owner, or destroy the bound control and then
confirm the keypad, and prints one line: the scenario's name and what the
prompt returned or the field holds. Exit status 1 on any exception.

    python3 tests/valgrind_scenarios.py [scenario ...]
"""
import sys
import time
import traceback

import wx

import nuv_touch

TIME_LIMIT = 120  # seconds per scenario; valgrind runs everything ~50x slower


def pump_until(predicate, limit=TIME_LIMIT):
    app = wx.GetApp()
    deadline = time.monotonic() + limit
    while not predicate():
        if time.monotonic() > deadline:
            raise TimeoutError("gave up waiting")
        app.ProcessPendingEvents()
        app.Yield(True)
        time.sleep(0.01)


def open_keypads():
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, wx.Dialog) and w and w.IsModal()]


def when_open(action):
    """Calls action(keypad) once a keypad is in its modal loop."""
    def poll():
        keypads = open_keypads()
        if keypads:
            action(keypads[-1])
        else:
            wx.CallLater(50, poll)
    wx.CallLater(50, poll)


def real_tap(window):
    """A finger on the window: XTest pointer events at its centre."""
    simulator = wx.UIActionSimulator()
    pump_until(lambda: window.IsShownOnScreen())
    x, y = window.GetScreenRect().GetPosition() + window.GetSize() / 2
    simulator.MouseMove(int(x), int(y))
    wx.GetApp().Yield(True)
    simulator.MouseDown()
    wx.GetApp().Yield(True)
    simulator.MouseUp()


def confirm(keypad):
    event = wx.CommandEvent(wx.wxEVT_BUTTON, keypad.m_button17.GetId())
    event.SetEventObject(keypad.m_button17)
    keypad.m_button17.GetEventHandler().ProcessEvent(event)


def bound_field(kind=wx.TextCtrl):
    frame = wx.Frame(None, size=(300, 200))
    panel = wx.Panel(frame)
    field = kind(panel, value="12", size=(200, 40))
    nuv_touch.DigitKeypadProxy(field)
    frame.Show()
    return frame, field


def tapped_and_then(field, action):
    """Taps the field; returns once its handler (and keypad) is done."""
    handled = []
    field.Bind(wx.EVT_LEFT_DOWN, lambda event: (event.Skip(), handled.append(True)))
    when_open(action)
    real_tap(field)
    pump_until(lambda: handled and not open_keypads())


def prompt_owner_destroyed():
    frame = wx.Frame(None)
    frame.Show()
    when_open(lambda keypad: frame.Destroy())
    return nuv_touch.input_integer(frame)


def proxy_owner_destroyed():
    frame, field = bound_field()
    tapped_and_then(field, lambda keypad: frame.Destroy())
    pump_until(lambda: not frame)
    return "frame gone"


def proxy_owner_closed():
    frame, field = bound_field(wx.SpinCtrl)
    tapped_and_then(field, lambda keypad: frame.Close())
    pump_until(lambda: not frame)
    return "frame gone"


def control_destroyed():
    frame, field = bound_field()
    written = []
    frame.Bind(wx.EVT_TEXT, lambda event: written.append(event.GetString()))

    def destroy_then_confirm(keypad):
        keypad.SetValue("34")
        field.Destroy()
        confirm(keypad)
    tapped_and_then(field, destroy_then_confirm)
    frame.Destroy()
    pump_until(lambda: not frame)
    return "written %r" % written


SCENARIOS = {f.__name__: f for f in (prompt_owner_destroyed, proxy_owner_destroyed, proxy_owner_closed,
                                     control_destroyed)}


def main(names):
    app = wx.App(False)
    escaped = []  # exceptions wx reported from event handlers
    sys.excepthook = lambda kind, value, tb: (traceback.print_exception(kind, value, tb), escaped.append(value))
    keep = wx.Frame(None)  # the application's main window stays throughout
    status = 0
    for name in names or SCENARIOS:
        try:
            print(name, SCENARIOS[name](), flush=True)
        except Exception:
            traceback.print_exc()
            escaped.append(name)
        if escaped:
            print(name, "raised", flush=True)
            escaped.clear()
            status = 1
        for keypad in open_keypads():
            keypad.EndModal(wx.ID_CANCEL)
    keep.Destroy()
    app.Yield(True)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
