"""Keypads whose owner window or bound control goes away while they are
open, as a script of its own: tests/test_valgrind.py runs it under valgrind,
which sees what the toolkit does with freed memory.

A real tap (XTest pointer events) opens each proxy's keypad; a timer then
destroys or closes the owner, destroys the control and confirms, or
rebuilds the form (the owner's children destroyed, a new field made). Two
prompts on one frame, the second opened in the first's loop, see the frame
destroyed. A session timeout destroys every window from inside a prompt
opened in a keypad's loop and lets the toolkit run. Each
scenario prints its name and what came of it; exit status 1 when an
exception was raised, also from a wx handler.

    python3 tests/valgrind_scenarios.py [scenario ...]
"""
import sys
import time
import traceback

import wx

import nuv_touch

TIME_LIMIT = 120  # seconds per wait; valgrind runs everything ~50x slower


def pump_until(predicate):
    deadline = time.monotonic() + TIME_LIMIT
    while not predicate():
        if time.monotonic() > deadline:
            raise TimeoutError("gave up waiting")
        wx.GetApp().Yield(True)
        time.sleep(0.01)


def open_keypads():
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, wx.Dialog) and w and w.IsModal()]


def when_open(action, count=1):
    """Calls action(keypad) from the modal loop once `count` keypads are
    open, with the innermost."""
    def poll():
        keypads = open_keypads()
        if len(keypads) >= count:
            action(keypads[-1])
        else:
            wx.CallLater(50, poll)
    wx.CallLater(50, poll)


def tap_and_then(field, action):
    """A finger on the field; `action` once its keypad is open. Returns when
    the tap's handler is done."""
    handled = []
    field.Bind(wx.EVT_LEFT_DOWN, lambda event: (event.Skip(), handled.append(True)))
    when_open(action)
    pump_until(field.IsShownOnScreen)
    simulator = wx.UIActionSimulator()
    simulator.MouseMove(field.GetScreenRect().GetPosition() + field.GetSize() / 2)
    wx.GetApp().Yield(True)
    simulator.MouseClick()
    pump_until(lambda: handled and not open_keypads())


def bound_field(kind):
    frame = wx.Frame(None, size=(300, 200))
    field = kind(wx.Panel(frame), value="12", size=(200, 40))
    nuv_touch.DigitKeypadProxy(field)
    frame.Show()
    return frame, field


def prompt_owner_destroyed():
    frame = wx.Frame(None)
    frame.Show()
    when_open(lambda keypad: frame.Destroy())
    return nuv_touch.input_integer(frame)


def proxy_owner_destroyed():
    frame, field = bound_field(wx.TextCtrl)
    tap_and_then(field, lambda keypad: frame.Destroy())
    pump_until(lambda: not frame)
    return "frame gone"


def proxy_owner_closed():
    frame, field = bound_field(wx.SpinCtrl)
    tap_and_then(field, lambda keypad: frame.Close())
    pump_until(lambda: not frame)
    return "frame gone"


def control_destroyed():
    frame, field = bound_field(wx.TextCtrl)
    written = []
    frame.Bind(wx.EVT_TEXT, lambda event: written.append(event.GetString()))

    def destroy_then_confirm(keypad):
        keypad.SetValue("34")
        field.Destroy()
        ok = keypad.m_button17
        ok.GetEventHandler().ProcessEvent(wx.CommandEvent(wx.wxEVT_BUTTON, ok.GetId()))
    tap_and_then(field, destroy_then_confirm)
    frame.Destroy()
    pump_until(lambda: not frame)
    return "written %r" % written


def form_rebuilt():
    frame, field = bound_field(wx.TextCtrl)
    panel, built = field.GetParent(), []

    def rebuild(keypad):
        keypad.SetValue("34")
        panel.DestroyChildren()
        built.append(wx.TextCtrl(panel, value="new"))
    tap_and_then(field, rebuild)
    pump_until(lambda: built)
    texts = [child.GetValue() for child in panel.GetChildren()]
    frame.Destroy()
    pump_until(lambda: not frame)
    return "fields %r" % texts


def nested_prompts_owner_destroyed():
    frame = wx.Frame(None)
    frame.Show()
    results = []

    def open_inner(outer):
        when_open(lambda inner: frame.Destroy(), count=2)
        results.append(("inner", nuv_touch.input_integer(frame)))
    when_open(open_inner)
    results.append(("outer", nuv_touch.input_integer(frame)))
    return results



# Each composing keyboard, and the letters that leave it composing.
COMPOSED = (("zh", "nihao"), ("kr", "\u314e\u314f\u3134"), ("jp", "kanji"),
            ("tw", "\u3113\u3128\u3125"), ("cangjie", "\u535c\u5927"))


def composing_keyboard_owner_destroyed():
    """On each composing keyboard, letters composed, a candidate chosen
    where there are any, more letters pending: the owner goes."""
    import nuv_touchui
    results = []
    try:
        for layout, letters in COMPOSED:
            nuv_touchui.set_keyboard_layout(layout)
            frame = wx.Frame(None)
            frame.Show()

            def compose_then_destroy(keyboard, letters=letters, frame=frame):
                labels = {key.GetLabel(): key for key in keyboard.keys() if key.IsShownOnScreen()}
                for letter in letters:
                    labels[letter].Press()
                chosen = [key for key in keyboard._composing.candidates if key.IsEnabled()]
                if chosen:
                    chosen[-1].Press()
                labels[letters[0]].Press()
                frame.Destroy()
            when_open(compose_then_destroy)
            results.append(nuv_touch.input_text(frame))
    finally:
        nuv_touchui.set_keyboard_layout(None)
    return results


def everything_destroyed_and_yielded():
    """A session timeout inside a prompt opened in a bound field's keypad:
    every window destroyed, the main window too, then wx.SafeYield."""
    frame, field = bound_field(wx.TextCtrl)
    results = []

    def timeout(prompt):
        prompt.SetValue("34")
        for window in wx.GetTopLevelWindows():
            window.Destroy()
        wx.SafeYield()

    def open_prompt(keypad):
        keypad.SetValue("56")
        when_open(timeout, count=2)
        results.append(nuv_touch.input_integer(field.GetParent()))
    tap_and_then(field, open_prompt)
    pump_until(lambda: not frame)
    return results


SCENARIOS = {f.__name__: f for f in (prompt_owner_destroyed, proxy_owner_destroyed, proxy_owner_closed,
                                     control_destroyed, form_rebuilt, nested_prompts_owner_destroyed,
                                     composing_keyboard_owner_destroyed, everything_destroyed_and_yielded)}


def main(names):
    app = wx.App(False)
    raised = []
    sys.excepthook = lambda kind, value, tb: (traceback.print_exception(kind, value, tb), raised.append(value))
    keep = wx.Frame(None)  # the application's main window stays throughout
    for name in names or SCENARIOS:
        try:
            print(name, SCENARIOS[name](), flush=True)
        except Exception:
            sys.excepthook(*sys.exc_info())
        for keypad in open_keypads():
            keypad.EndModal(wx.ID_CANCEL)
    if keep:  # a session timeout destroys it
        keep.Destroy()
    app.Yield(True)
    return 1 if raised else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
