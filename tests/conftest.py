"""Test support for the touch keypads.

Puts `layouts/` and the build directory (env NUV_TOUCH_BUILD, default
<repo>/build) at the front of sys.path, runs one wx.App for the session and
offers helpers to drive dialogs without a person at the screen. Helpers are
plain functions (`from conftest import click, run_modal, ...`); fixtures wrap
the ones that need per-test state.

Every test is guarded: a modal dialog still open after MODAL_TIMEOUT seconds
is ended with wx.ID_CANCEL and the test fails; wx.MessageBox never shows a
real box; exceptions escaping wx event handlers fail the test; top-level
windows left behind are destroyed and fail the test.

Every wait and time limit is multiplied by NUV_TOUCH_TIME_SCALE (default 1):
under emulation (an ARM tree run by qemu) everything is several times slower.
"""

import collections
import contextlib
import os
import sys
import time
import traceback
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
LAYOUTS_DIR = ROOT / "layouts"
BUILD_DIR = Path(os.environ.get("NUV_TOUCH_BUILD") or ROOT / "build")

for _path in (str(BUILD_DIR), str(LAYOUTS_DIR)):
    while _path in sys.path:
        sys.path.remove(_path)
    sys.path.insert(0, _path)

import wx  # noqa: E402  (after the path set-up on purpose)

TIME_SCALE = float(os.environ.get("NUV_TOUCH_TIME_SCALE", "1"))


def scaled(seconds):
    """A wait or time limit meant for native speed, for this machine."""
    return seconds * TIME_SCALE


MODAL_TIMEOUT = scaled(float(os.environ.get("NUV_TOUCH_MODAL_TIMEOUT", "10")))


# --- event loop -------------------------------------------------------------

def pump(ms=0):
    """Process pending events, idle handlers and delayed destruction.

    With `ms` > 0, keep doing so for about that many milliseconds (to let
    timers and the X server catch up). Usable inside or outside a modal loop.
    """
    app = wx.GetApp()
    deadline = time.monotonic() + scaled(ms / 1000.0)
    while True:
        app.ProcessPendingEvents()
        app.Yield(True)  # also runs idle handlers and deferred deletion
        if time.monotonic() >= deadline:
            break
        time.sleep(0.005)


def wait_until(predicate, timeout=2.0):
    """Pump events until predicate() is true; return its last value."""
    deadline = time.monotonic() + scaled(timeout)
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        pump(10)


# --- handler errors ---------------------------------------------------------

@contextlib.contextmanager
def capture_handler_errors():
    """Collect exceptions that escape wx callbacks inside the block.

    wxPython reports such exceptions through sys.excepthook and carries on;
    inside this block they are appended to the yielded list instead.
    """
    errors = []
    previous = sys.excepthook
    sys.excepthook = lambda kind, value, tb: errors.append(value)
    try:
        yield errors
    finally:
        sys.excepthook = previous


class HandlerErrors(list):
    """Exceptions that escaped wx callbacks during a test (not counting
    those click() and run_modal() re-raise). take() returns and clears them,
    accepting them; whatever is left at teardown fails the test."""

    def take(self):
        taken = list(self)
        self.clear()
        return taken


@pytest.fixture(autouse=True)
def wx_errors():
    """HandlerErrors of this test; request it to inspect or take() them."""
    errors = HandlerErrors()
    previous = sys.excepthook
    sys.excepthook = lambda kind, value, tb: errors.append(value)
    yield errors
    sys.excepthook = previous
    if errors:
        text = "".join(traceback.format_exception(errors[0]))
        pytest.fail("%d exception(s) escaped wx event handlers; first:\n%s"
                    % (len(errors), text))


# --- buttons and keys -------------------------------------------------------

def click(button, force=False):
    """Press `button` as a touch does.

    Sends a wx.EVT_BUTTON command event, event object = the button, through
    the button's own event handler chain, synchronously. A disabled button
    is not pressed (returns False) unless `force`. Exceptions raised by the
    handlers propagate out of click(). Returns True when pressed.
    """
    if not force and not button.IsEnabled():
        return False
    event = wx.CommandEvent(wx.wxEVT_BUTTON, button.GetId())
    event.SetEventObject(button)
    with capture_handler_errors() as errors:
        button.GetEventHandler().ProcessEvent(event)
    if errors:
        raise errors[0]
    return True


def send_key(window, key_code, char=None, modifiers=wx.MOD_NONE,
             kind=wx.wxEVT_CHAR_HOOK, raw_flags=None):
    """Deliver a synthetic key event to `window`'s handler chain.

    `key_code` is a wx.WXK_* code or a character's code, `char` the
    character the event carries (defaults to chr(key_code) for printable
    codes), `kind` wx.wxEVT_CHAR_HOOK (key down, before any control) or
    wx.wxEVT_CHAR (translated character), `raw_flags` what the event's raw
    flags hold (else whatever wx leaves there). Handler exceptions propagate.
    Returns True when some handler took the event (did not Skip it).
    """
    event = wx.KeyEvent(kind)
    event.SetKeyCode(key_code)
    if char is None and 32 <= key_code < 127:
        char = chr(key_code)
    event.SetUnicodeKey(ord(char) if char else wx.WXK_NONE)
    event.SetShiftDown(bool(modifiers & wx.MOD_SHIFT))
    event.SetControlDown(bool(modifiers & wx.MOD_CONTROL))
    event.SetAltDown(bool(modifiers & wx.MOD_ALT))
    if raw_flags is not None:
        event.SetRawKeyFlags(raw_flags)
    event.SetEventObject(window)
    with capture_handler_errors() as errors:
        window.GetEventHandler().ProcessEvent(event)
    if errors:
        raise errors[0]
    return not event.GetSkipped()


# --- modal loops ------------------------------------------------------------

def modal_dialogs():
    """Dialogs currently in a modal loop, outermost first."""
    return [w for w in wx.GetTopLevelWindows()
            if isinstance(w, wx.Dialog) and w.IsModal()]


def active_modal():
    """The innermost dialog in a modal loop, or None."""
    dialogs = modal_dialogs()
    return dialogs[-1] if dialogs else None


def end_innermost_modal(code=wx.ID_CANCEL):
    """End the innermost modal loop with `code`; True if there was one.

    Only the innermost: ending an outer loop first would quit the inner
    one in its place.
    """
    dialog = active_modal()
    if dialog is None:
        return False
    dialog.EndModal(code)
    return True


class _Rescuer:
    """Safety net: after `timeout` seconds ends modal loops, innermost
    first, one every 100 ms, as long as any is open. Fires only while an
    event loop runs, i.e. inside a modal loop."""

    def __init__(self, timeout):
        self.fired = False
        self._timer = wx.CallLater(max(1, int(timeout * 1000)), self._rescue)

    def _rescue(self):
        if end_innermost_modal(wx.ID_CANCEL):
            self.fired = True
            self._timer = wx.CallLater(100, self._rescue)

    def stop(self):
        self._timer.Stop()


def run_modal(opener, *steps, timeout=None):
    """Run a modal loop and drive it with `steps`.

    `opener` is a wx.Dialog (its ShowModal() is called) or a callable that
    opens a modal dialog itself and returns (a prompt function, a proxy's
    handler...). Each step is a callable taking one argument, the innermost
    modal dialog at that moment; steps run one after another from inside
    the loop, each once a modal dialog is open. Typically a step clicks keys
    and the last one ends the loop: `lambda d: click(d.m_button17)`.

    Returns ShowModal()'s code, or whatever the callable returned. An
    exception raised by a step (including handler errors re-raised by
    click()) ends the loop with wx.ID_CANCEL and is re-raised here. The
    test fails when the loop ended before all steps ran, or when it was
    still open `timeout` seconds (default MODAL_TIMEOUT) after the start:
    it is then ended with wx.ID_CANCEL.
    """
    timeout = MODAL_TIMEOUT if timeout is None else scaled(timeout)
    pending = collections.deque(steps)
    state = {"error": None, "done": False}
    deadline = time.monotonic() + timeout

    def run_next():
        if state["done"] or not pending:
            return
        dialog = active_modal()
        if dialog is None:  # not open yet
            if time.monotonic() < deadline:
                wx.CallLater(10, run_next)
            return
        step = pending.popleft()
        try:
            with capture_handler_errors() as errors:
                step(dialog)
            if errors:
                raise errors[0]
        except BaseException as exc:  # report it from run_modal
            state["error"] = exc
            pending.clear()
            end_innermost_modal(wx.ID_CANCEL)
            return
        if pending:
            wx.CallAfter(run_next)

    rescuer = _Rescuer(timeout)
    if pending:
        wx.CallAfter(run_next)
    try:
        if isinstance(opener, wx.Dialog):
            result = opener.ShowModal()
        else:
            result = opener()
    finally:
        state["done"] = True
        rescuer.stop()
    if state["error"] is not None:
        raise state["error"]
    if rescuer.fired:
        pytest.fail("modal dialog still open after %gs; ended with "
                    "wx.ID_CANCEL" % timeout)
    if pending:
        pytest.fail("modal loop ended with %d step(s) not run" % len(pending))
    return result


@pytest.fixture
def modal():
    """run_modal, as a fixture."""
    return run_modal


@pytest.fixture(autouse=True)
def _modal_watchdog(wx_app):
    """Ends any modal loop a test leaves running past MODAL_TIMEOUT (for
    ShowModal() called directly), and fails the test if it had to."""
    rescuer = _Rescuer(MODAL_TIMEOUT)
    yield
    rescuer.stop()
    if rescuer.fired:
        pytest.fail("modal dialog still open after %gs; ended with "
                    "wx.ID_CANCEL" % MODAL_TIMEOUT)


# --- message boxes ----------------------------------------------------------

MessageBoxCall = collections.namedtuple(
    "MessageBoxCall", "message caption style parent args kwargs")
MessageBoxCall.__doc__ = """One wx.MessageBox call. caption, style and
parent are None when the caller did not pass them."""


class MessageBoxRecorder(list):
    """The wx.MessageBox calls of a test, as MessageBoxCall tuples, in
    order. `reply` is what the stand-in returns (default wx.OK);
    `messages` lists just the texts."""

    reply = wx.OK
    expected = False

    def __call__(self, *args, **kwargs):
        names = ("message", "caption", "style", "parent")
        values = dict(zip(names, args))
        for name in names:
            if name in kwargs:
                values[name] = kwargs[name]
        self.append(MessageBoxCall(values.get("message"),
                                   values.get("caption"),
                                   values.get("style"),
                                   values.get("parent"), args, kwargs))
        return self.reply

    @property
    def messages(self):
        return [call.message for call in self]


@pytest.fixture(autouse=True)
def _message_box_guard(monkeypatch):
    """wx.MessageBox records instead of showing a box; a test that did not
    ask for `message_boxes` fails if one was called."""
    recorder = MessageBoxRecorder()
    monkeypatch.setattr(wx, "MessageBox", recorder)
    yield recorder
    if recorder and not recorder.expected:
        pytest.fail("unexpected wx.MessageBox: %r" % (recorder.messages,))


@pytest.fixture
def message_boxes(_message_box_guard):
    """MessageBoxRecorder of this test; wx.MessageBox calls return
    message_boxes.reply (wx.OK) at once."""
    _message_box_guard.expected = True
    return _message_box_guard


# --- application and windows ------------------------------------------------

@pytest.fixture(scope="session")
def wx_app():
    """The session's one wx.App."""
    app = wx.GetApp() or wx.App(False)
    yield app


def _window_key(window):
    return wx.siplib.unwrapinstance(window)


@pytest.fixture(autouse=True)
def _no_leaked_windows(wx_app):
    """Fails a test that leaves top-level windows behind (after destroying
    them, so the next test starts clean)."""
    before = {_window_key(w) for w in wx.GetTopLevelWindows()}
    yield
    pump()
    leaked = [w for w in wx.GetTopLevelWindows()
              if _window_key(w) not in before and not w.IsBeingDeleted()]
    if not leaked:
        return
    names = ["%s %r" % (type(w).__name__, w.GetTitle()) for w in leaked]
    for window in leaked:
        window.Destroy()
    pump()
    pytest.fail("top-level windows left behind: %s" % ", ".join(names))


@pytest.fixture
def frame(wx_app):
    """A shown top-level wx.Frame (640x480) to parent dialogs and controls;
    destroyed after the test."""
    window = wx.Frame(None, title="nuv_touch test", size=(640, 480))
    window.Show()
    pump()
    yield window
    if window:
        window.Destroy()
    pump()


# --- slow runs ----------------------------------------------------------------

def pytest_configure(config):
    config.addinivalue_line("markers", "valgrind: runs a scenario under valgrind (a minute or more); "
                                       "only when selected, -m valgrind")


def pytest_collection_modifyitems(config, items):
    if "valgrind" in (config.getoption("markexpr") or ""):
        return
    skip = pytest.mark.skip(reason="under valgrind: select with -m valgrind")
    for item in items:
        if "valgrind" in item.keywords:
            item.add_marker(skip)
