"""What host applications do while keypads are open, in random sequences
(hypothesis's stateful testing): open a bound field's keypad by a real tap,
or a prompt (inside another keypad's loop too), type, confirm, cancel;
destroy a bound control, its parent, the parent's children or the frame;
close the frame; rebuild the form; veto a grid's change; freeze the form
and thaw it; destroy every window and let the toolkit run (a session
timeout); show an application's own dialog inside a keypad's loop, then
rebuild the form.

After every step: each prompt whose owner died has returned None, nothing
was written after a cancel or into a dead control, no exception escaped to
wx, and the keypads open are the ones the model expects; after every
sequence no window is left.

The sequences run on a worker thread; each of its steps runs on the GUI
thread inside the innermost modal loop (wx.CallAfter), as a host's timer
would, so that the sequence goes on while keypads are open. It runs
NUV_TOUCH_FUZZ_EXAMPLES sequences (30 unless told, at least three) of up to
NUV_TOUCH_HOST_STEPS steps (25); for a longer run under valgrind see the
README's hardening table.
"""
import os
import threading
import time

import pytest
import wx
import wx.grid
from hypothesis import HealthCheck, settings
from hypothesis import strategies as st
from hypothesis.stateful import RuleBasedStateMachine, invariant, precondition, rule, run_state_machine_as_test

import conftest
import nuv_touch
from conftest import click, modal_dialogs, pump

EXAMPLES = max(3, int(os.environ.get("NUV_TOUCH_FUZZ_EXAMPLES", "30")))
STEPS = int(os.environ.get("NUV_TOUCH_HOST_STEPS", "25"))
STEP_LIMIT = conftest.scaled(float(os.environ.get("NUV_TOUCH_HOST_STEP_LIMIT", "20")))
DIGITS = {"0": "m_button13", "1": "m_button10", "2": "m_button11", "3": "m_button12", "4": "m_button6",
          "5": "m_button7", "6": "m_button8", "7": "m_button2", "8": "m_button3", "9": "m_button4"}
CELL = (1, 1)  # the grid cell the operator opens


def on_gui(call, *args):
    """call(*args) on the GUI thread, in whatever loop runs there now;
    its result, or its exception raised here."""
    done, box = threading.Event(), {}

    def run():
        try:
            box["value"] = call(*args)
        except BaseException as error:  # handed to the worker
            box["error"] = error
        finally:
            done.set()
    wx.CallAfter(run)
    assert done.wait(STEP_LIMIT), "the GUI thread did not run a step within %gs: a keypad hangs" % STEP_LIMIT
    if "error" in box:
        raise box["error"]
    return box.get("value")


def wait_for(predicate, what, limit=None):
    """Waits until predicate() holds on the GUI thread; with a `limit`,
    gives up quietly after it (returns False), else fails."""
    deadline = time.monotonic() + (limit or STEP_LIMIT)
    while not on_gui(predicate):
        if time.monotonic() > deadline:
            assert limit, "gave up waiting: " + what
            return False
        time.sleep(0.01)
    return True


def screen_point(window, rect, taps):
    """A point inside `rect` of `window`, on the screen. Taps one after
    another land apart: GTK makes a double click (no LEFT_DOWN) of two
    quick ones at one point."""
    return window.ClientToScreen(rect.GetPosition() + wx.Point(rect.width // 2 + (taps % 3 - 1) * 20,
                                                               rect.height // 2))


class Opened:
    """A keypad the model expects open: who opened it, over which window."""

    def __init__(self, owner, target=None):
        self.owner, self.target = owner, target  # target: the bound control's name
        self.dialog, self.typed, self.doomed = None, None, False
        self.returned, self.result = False, None

    def finish(self, result):
        self.result, self.returned = result, True


class RecordingProxy(nuv_touch.DigitKeypadProxy):
    """A proxy whose handler tells the machine when it opens and returns."""

    machine = None

    def event_handler(self, event):
        opened = self.machine.opening
        try:
            super().event_handler(event)
        finally:
            opened.finish(None)


class HostPatterns(RuleBasedStateMachine):
    errors = None  # the test's HandlerErrors

    def __init__(self):
        super().__init__()
        RecordingProxy.machine = self
        self.opened = []  # outermost first
        self.opening = None
        self.veto = None
        self.taps = 0
        self.freezes = 0  # of the panel, by the host
        on_gui(self.build_frame)

    # The host's windows --------------------------------------------------

    def build_frame(self):
        self.frame = wx.Frame(None, title="host", pos=(0, 0), size=(640, 480))
        self.build_panel()
        self.frame.Show()
        self.frame.Raise()

    def build_panel(self):
        self.panel = wx.Panel(self.frame)
        self.freezes = 0
        self.build_form()
        self.frame.SendSizeEvent()

    def build_form(self):
        self.ctrls = {"text": wx.TextCtrl(self.panel, value="12", pos=(10, 10), size=(150, 40)),
                      "spin": wx.SpinCtrl(self.panel, min=0, max=100, initial=5, pos=(10, 60), size=(150, 40))}
        grid = self.ctrls["grid"] = wx.grid.Grid(self.panel, pos=(10, 110), size=(400, 200))
        grid.CreateGrid(3, 3)
        grid.EnableEditing(False)  # the keypad edits it
        grid.SetCellValue(*CELL, "7")
        grid.Bind(wx.grid.EVT_GRID_CELL_CHANGING, self.vetoing("changing"))
        grid.Bind(wx.grid.EVT_GRID_CELL_CHANGED, self.vetoing("changed"))
        for ctrl in self.ctrls.values():
            RecordingProxy(ctrl)
        self.expected = {name: self.value_of(name) for name in self.ctrls}
        self.live = set(self.ctrls)

    def vetoing(self, kind):
        def handler(event):
            if self.veto == kind:
                event.Veto()
            event.Skip()
        return handler

    def value_of(self, name):
        ctrl = self.ctrls[name]
        if not ctrl:
            return None
        return ctrl.GetCellValue(*CELL) if name == "grid" else str(ctrl.GetValue())

    def alive(self, name):
        alive = bool(self.ctrls[name])
        assert alive == (name in self.live)
        return alive

    # Opening -------------------------------------------------------------

    def open_and_wait(self, opened, start, attempts=1):
        count = len(self.opened)
        self.opening = opened
        for attempt in range(attempts):
            on_gui(start)
            # A real tap the X server gave to a window that was closing
            # meanwhile is lost, as an operator's would be: tapped again.
            if wait_for(lambda: len(modal_dialogs()) > count or opened.returned, "a keypad to open",
                        STEP_LIMIT if attempt == attempts - 1 else 2.0):
                break
        assert not opened.returned, "the keypad closed at once"
        opened.dialog = on_gui(lambda: modal_dialogs()[-1])
        self.opened.append(opened)

    @precondition(lambda self: self.live and not self.opened)
    @rule(pick=st.integers(0, 2))
    def tap_field(self, pick):
        name = sorted(self.live)[pick % len(self.live)]
        ctrl = self.ctrls[name]
        # Nothing over the field: the last keypad unmapped and freed.
        wait_for(lambda: ctrl.IsShownOnScreen() and len(wx.GetTopLevelWindows()) == 1,
                 "the field on screen, alone")
        time.sleep(0.1)

        def tap():
            self.taps += 1
            simulator = wx.UIActionSimulator()
            if name == "grid":
                rect = ctrl.CellToRect(*CELL)
                rect.SetPosition(ctrl.CalcScrolledPosition(rect.GetPosition()))
                simulator.MouseMove(screen_point(ctrl.GetGridWindow(), rect, self.taps))
                simulator.MouseDblClick()
            else:
                simulator.MouseMove(screen_point(ctrl, wx.Rect(ctrl.GetClientSize()), self.taps))
                simulator.MouseClick()
        self.open_and_wait(Opened(self.panel, name), tap, attempts=3)

    @precondition(lambda self: "grid" in self.live and not self.opened)
    @rule(digits=st.text("0123456789", min_size=1, max_size=2))
    def double_tap_editable_grid_twice(self, digits):
        # The second double tap lands on the grid's current cell, where a
        # click opens wx's own editor unless the binding keeps it closed.
        grid = self.ctrls["grid"]
        on_gui(grid.EnableEditing, True)
        for _ in range(2):
            self.tap_field(sorted(self.live).index("grid"))
            self.confirm(digits)
            assert not on_gui(grid.IsCellEditControlShown), "a tap opened the grid's own editor"

    @precondition(lambda self: len(self.opened) < 3 and not any(o.doomed for o in self.opened))
    @rule(over_panel=st.booleans())
    def prompt(self, over_panel):
        owner = self.panel if over_panel else self.frame
        opened = Opened(owner)
        self.open_and_wait(opened, lambda: wx.CallAfter(lambda: opened.finish(nuv_touch.input_integer(owner))))

    # The operator --------------------------------------------------------

    @precondition(lambda self: self.opened)
    @rule(digits=st.text("0123456789", min_size=1, max_size=2))
    def type_digits(self, digits):
        innermost = self.opened[-1]

        def typing():
            click(innermost.dialog.m_button15)
            for digit in digits:
                click(getattr(innermost.dialog, DIGITS[digit]))
        on_gui(typing)
        innermost.typed = digits

    @precondition(lambda self: self.opened)
    @rule(digits=st.text("0123456789", min_size=1, max_size=2))
    def confirm(self, digits):
        if not self.opened[-1].typed:
            self.type_digits(digits)
        innermost = self.opened.pop()
        on_gui(click, innermost.dialog.m_button17)
        self.returned(innermost)
        if innermost.target is None:
            assert innermost.result == int(innermost.typed)
        elif on_gui(self.alive, innermost.target) and not (innermost.target == "grid" and self.veto):
            self.expected[innermost.target] = str(int(innermost.typed))  # a lone 0 gives way
        self.end_doomed()

    @precondition(lambda self: self.opened)
    @rule()
    def cancel(self):
        innermost = self.opened.pop()
        on_gui(click, innermost.dialog.m_button16)
        self.returned(innermost)
        assert innermost.result is None
        self.end_doomed()

    # The host ------------------------------------------------------------

    @rule(what=st.sampled_from(["text", "spin", "grid", "panel", "children", "rebuild", "frame", "close"]))
    def destroy(self, what):
        def destroying():
            if what in self.ctrls:
                if self.ctrls[what]:
                    self.ctrls[what].Destroy()
                self.live.discard(what)
            elif what == "panel":
                self.panel.Destroy()
                self.live.clear()
            elif what in ("children", "rebuild"):
                self.panel.DestroyChildren()
                self.live.clear()
                if what == "rebuild":
                    self.build_form()
            elif what == "frame":
                self.frame.Destroy()
            else:
                self.frame.Close()
        if what not in self.ctrls:
            for opened in self.opened:
                opened.doomed = opened.doomed or what in ("frame", "close") or opened.owner is self.panel
        on_gui(destroying)
        self.end_doomed()
        if what in ("frame", "close"):
            assert not self.opened, "a keypad over the destroyed frame is left open"
            on_gui(self.build_frame)
        elif what == "panel":
            on_gui(self.build_panel)

    @rule(kind=st.sampled_from([None, "changing", "changed"]))
    def veto_grid_changes(self, kind):
        self.veto = kind

    @rule(freeze=st.booleans())
    def freeze_form(self, freeze):
        """What wx.WindowUpdateLocker does while a form is filled in."""
        if not freeze and not self.freezes:
            return
        on_gui(self.panel.Freeze if freeze else self.panel.Thaw)
        self.freezes += 1 if freeze else -1

    @rule()
    def session_timeout(self):
        """Every window destroyed from inside the innermost loop, and the
        toolkit let run before the handler returns."""
        def destroying():
            for window in wx.GetTopLevelWindows():
                window.Destroy()
            wx.SafeYield()
        for opened in self.opened:
            opened.doomed = True
        on_gui(destroying)
        self.end_doomed()
        assert not self.opened, "a keypad is left open after every window was destroyed"
        on_gui(self.build_frame)

    @precondition(lambda self: len(self.opened) < 3 and not any(o.doomed for o in self.opened))
    @rule()
    def alarm_then_rebuild(self):
        """An application's dialog queued before a prompt opens shows
        inside the prompt's loop for a moment; then the form is rebuilt."""
        opened, alarm = Opened(self.panel), {}

        def show_alarm():
            dialog = wx.Dialog(self.frame, title="alarm")
            wx.CallLater(50, dialog.EndModal, wx.ID_OK)
            alarm["code"] = dialog.ShowModal()
            dialog.Destroy()

        def start():
            wx.CallAfter(show_alarm)
            opened.finish(nuv_touch.input_integer(self.panel))
        self.open_and_wait(opened, lambda: wx.CallAfter(start))
        wait_for(lambda: "code" in alarm, "the application's dialog to close")
        assert alarm["code"] == wx.ID_OK
        opened.dialog = on_gui(lambda: modal_dialogs()[-1])
        self.destroy("rebuild")

    # What holds after every step -------------------------------------------

    def returned(self, opened):
        wait_for(lambda: opened.returned, "the keypad's caller to return")

    def end_doomed(self):
        """The doomed keypads now innermost have returned as cancelled."""
        while self.opened and self.opened[-1].doomed:
            opened = self.opened.pop()
            self.returned(opened)
            assert opened.result is None

    @invariant()
    def as_the_model_says(self):
        assert not self.errors, "an exception escaped to wx: %r" % self.errors[0]
        shown = on_gui(lambda: [d for d in modal_dialogs()])
        assert len(shown) == len(self.opened)
        assert not any(opened.returned for opened in self.opened)
        assert on_gui(lambda: {name: self.value_of(name) for name in self.ctrls if self.alive(name)}) == \
            {name: value for name, value in self.expected.items() if on_gui(self.alive, name)}

    @invariant()
    def form_frozen_as_the_host_left_it(self):
        assert on_gui(self.panel.IsFrozen) == bool(self.freezes)

    def teardown(self):
        if self.opened:
            for opened in self.opened:
                opened.doomed = True
        on_gui(lambda: self.frame and self.frame.Destroy())
        self.end_doomed()


@pytest.fixture(scope="module", autouse=True)
def _long_tests():
    """The sequences run many modal loops for as long as they take (hours
    under valgrind); STEP_LIMIT tells a hang, not conftest's watchdog."""
    previous = conftest.MODAL_TIMEOUT
    conftest.MODAL_TIMEOUT = 1e6
    yield
    conftest.MODAL_TIMEOUT = previous


def rescue_modal_loops():
    """Ends every modal loop still open, innermost first (after a failure)."""
    if conftest.end_innermost_modal():
        wx.CallLater(50, rescue_modal_loops)


def test_host_patterns(wx_errors):
    HostPatterns.errors = wx_errors
    outcome = {}

    def sequences():
        try:
            run_state_machine_as_test(HostPatterns, settings=settings(
                max_examples=EXAMPLES, stateful_step_count=STEPS, deadline=None, print_blob=True,
                suppress_health_check=list(HealthCheck)))
        except BaseException as error:  # reported on the test's thread
            outcome["error"] = error
            wx.CallAfter(rescue_modal_loops)

    worker = threading.Thread(target=sequences, daemon=True)
    worker.start()
    while worker.is_alive():
        pump(5)
    if "error" in outcome:
        raise outcome["error"]
