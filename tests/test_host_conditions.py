"""What host applications do to the module: close a keypad's parent, call
from a worker thread, import from a subinterpreter, finalize and initialize
Python again, free objects in cycles, replace GMP's allocator.

Where a fault would hang or crash, the case runs in a fresh interpreter
(run_python, with its timeout); wx is then often replaced by stand-ins, so
that the module's own lifetime is tested, not the toolkit's.
"""
import os
import subprocess
import sys
import textwrap
import time
from pathlib import Path

import pytest
import wx

import conftest
import nuv_touch
from conftest import click, run_modal
from test_module_frame import run_python

TESTS_DIR = Path(__file__).resolve().parent

STAND_INS = {
    "wx/__init__.py": "def IsMainThread():\n    return True\n",
    "wx/grid.py": "class Grid: pass\nclass GridEvent: pass\n",
    "nuv_touchui.py": "class AlphaKeypad: pass\nclass DigitKeypad: pass\nclass DigitPasswordKeypad: pass\n",
    "nuv_wxtools.py": "def window_fit_layout(window): pass\n",
}

# A module that works: its constants, its functions, an error through it.
WORKS = """
import nuv_touch
try:
    nuv_touch.input_text(None, message=5)
except TypeError as error:
    print("works:", nuv_touch.KEYPAD_MODE_INT, nuv_touch.input_text.__name__, error)
"""

EMBEDDING = r"""
#include <Python.h>

/* Initializes Python, runs argv[1] and finalizes, three times: what one
   finalization leaves set up must hold for the next. */
int main(int argc, char** argv) {
    if (argc != 2) return 2;
    for (int round = 0; round < 3; ++round) {
        Py_Initialize();
        int failed = PyRun_SimpleString(argv[1]);
        if (Py_FinalizeEx() < 0 || failed) return 1;
    }
    return 0;
}
"""


@pytest.fixture
def stand_ins(tmp_path):
    """A directory of stand-ins for wx and the layout and tools modules."""
    for name, text in STAND_INS.items():
        (tmp_path / name).parent.mkdir(exist_ok=True)
        (tmp_path / name).write_text(text)
    return tmp_path


def test_keypad_of_a_destroyed_owner_or_control_counts_as_cancelled(wx_app):
    frame = wx.Frame(None)
    frame.Show()
    assert run_modal(lambda: nuv_touch.input_integer(frame), lambda d: frame.Destroy()) is None

    frame = wx.Frame(None)
    field = wx.TextCtrl(frame, value="12")
    proxy = nuv_touch.DigitKeypadProxy(field)
    frame.Show()
    run_modal(lambda: proxy.event_handler(None), lambda d: d.SetValue("34"), lambda d: frame.Destroy())
    assert not frame and not field

    frame = wx.Frame(None)  # only the control goes: a form built anew, its window kept
    field = wx.TextCtrl(frame, value="12")
    proxy = nuv_touch.DigitKeypadProxy(field)
    frame.Show()
    run_modal(lambda: proxy.event_handler(None), lambda d: d.SetValue("34"), lambda d: field.Destroy(),
              lambda d: click(d.m_button17))  # confirmed: nothing to write to, no exception
    assert frame and not field
    frame.Destroy()


# A session timeout inside a prompt opened in a bound field's keypad: every
# window destroyed (or the frame only), and the toolkit let run before the
# handler returns. Freed memory is overwritten, so a use of a freed keypad
# crashes.
SESSION_TIMEOUT = """
import wx, nuv_touch
app = wx.App(False)
frame = wx.Frame(None)
field = wx.TextCtrl(wx.Panel(frame), value="12")
proxy = nuv_touch.DigitKeypadProxy(field)
frame.Show()
written, results = [], []
field.Bind(wx.EVT_TEXT, lambda event: written.append(event.GetString()))

def when_open(count, action):
    shown = [w for w in wx.GetTopLevelWindows() if isinstance(w, wx.Dialog) and w and w.IsModal()]
    if len(shown) < count:
        return wx.CallLater(20, when_open, count, action)
    action(shown[-1])

def timeout(prompt):
    prompt.SetValue("34")
    for window in wx.GetTopLevelWindows() if EVERYTHING else [frame]:
        window.Destroy()
    if YIELDING:
        wx.SafeYield()

def open_prompt(keypad):
    keypad.SetValue("56")
    wx.CallLater(20, when_open, 2, timeout)
    results.append(nuv_touch.input_integer(field.GetParent()))

wx.CallLater(20, when_open, 1, open_prompt)
proxy.event_handler(None)
for _ in range(20):
    app.Yield(True)
print("prompt:", results, "written:", written, "windows:", len(wx.GetTopLevelWindows()))
"""


@pytest.mark.parametrize("yielding", [True, False], ids=["yield", "no-yield"])
@pytest.mark.parametrize("everything", [True, False], ids=["every-window", "frame"])
def test_session_timeout_inside_keypads_cancels_them_without_a_crash(monkeypatch, everything, yielding):
    monkeypatch.setenv("MALLOC_PERTURB_", "85")
    status, output = run_python("EVERYTHING, YIELDING = %r, %r\n" % (everything, yielding) + SESSION_TIMEOUT)
    assert status == 0, output
    assert "prompt: [None] written: [] windows: 0" in output, output


# The same inside a keypad the application shows itself: its Destroy()
# inside the loop ends the loop as cancelled and destroys the keypad once
# ShowModal has returned.
APPLICATION_TIMEOUT = """
import wx, nuv_touch
app = wx.App(False)
frame = wx.Frame(None)
frame.Show()
keypad = nuv_touch.%s
def timeout():
    for window in wx.GetTopLevelWindows():
        window.Destroy()
    wx.SafeYield()
wx.CallLater(100, timeout)
code = keypad.ShowModal()
for _ in range(20):
    app.Yield(True)
print("cancelled:", code == wx.ID_CANCEL, "windows:", len(wx.GetTopLevelWindows()))
"""


@pytest.mark.parametrize("keypad", ["DigitKeypad(frame, nuv_touch.KEYPAD_MODE_INT)", "DigitPasswordKeypad(frame)",
                                    "AlphaKeypad(frame)"], ids=["numeric", "pin", "keyboard"])
def test_session_timeout_inside_a_keypad_the_application_shows(monkeypatch, keypad):
    monkeypatch.setenv("MALLOC_PERTURB_", "85")
    status, output = run_python(APPLICATION_TIMEOUT % keypad)
    assert status == 0, output
    assert "cancelled: True windows: 0" in output, output


def test_keypad_over_a_frozen_window_opens_and_leaves_it_frozen(frame):
    panel = wx.Panel(frame)
    panel.Freeze()  # what wx.WindowUpdateLocker does while a form is filled in
    seen = []
    assert run_modal(lambda: nuv_touch.input_integer(panel),
                     lambda d: seen.append((d.IsShown(), d.IsFrozen())), lambda d: click(d.m_button16)) is None
    assert seen == [(True, False)] and panel.IsFrozen()
    panel.Thaw()
    assert not panel.IsFrozen()


def test_keypad_ends_with_its_form_after_an_application_dialog(frame):
    """An application's own dialog, queued before the keypad opened, shows
    inside its loop for a moment; then the form is rebuilt."""
    panel = wx.Panel(frame)
    wx.TextCtrl(panel)
    codes = []

    def alarm():
        dialog = wx.Dialog(frame, title="alarm")
        wx.CallLater(50, dialog.EndModal, wx.ID_OK)
        codes.append(dialog.ShowModal())
        dialog.Destroy()
        wx.CallLater(50, panel.DestroyChildren)
    wx.CallAfter(alarm)
    started = time.monotonic()
    assert nuv_touch.input_integer(panel) is None
    assert codes == [wx.ID_OK] and time.monotonic() - started < conftest.scaled(2)


def test_error_in_the_modal_hook_is_unraisable_and_the_dialog_shows(frame, monkeypatch):
    run_modal(lambda: nuv_touch.input_integer(frame), lambda d: click(d.m_button16))  # the hook is there
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", reported.append)

    class Broken:
        def __getattr__(self, name, siplib=wx.siplib):
            return getattr(siplib, name)

        def unwrapinstance(self, wrapper):
            raise ValueError("no address")
    monkeypatch.setattr(wx, "siplib", Broken())
    dialog = wx.Dialog(frame)
    wx.CallLater(50, dialog.EndModal, wx.ID_OK)
    assert dialog.ShowModal() == wx.ID_OK
    dialog.Destroy()
    assert [str(report.exc_value) for report in reported] == ["no address"] * 2  # Enter and Exit


def test_worker_thread_is_refused_by_every_call_that_touches_a_widget():
    status, output = run_python("""
        import threading, wx, nuv_engines, nuv_touch
        app = wx.App(False)
        frame = wx.Frame(None)
        field = wx.TextCtrl(frame, value="5")
        proxy, text_proxy = nuv_touch.DigitKeypadProxy(field), nuv_touch.AlphaKeypadProxy(field)
        adapter = nuv_touch._CtrlWrapper(field)
        calls = {"prompt": lambda: nuv_touch.input_integer(frame),
                 "keyboard": lambda: nuv_touch.AlphaKeypad(frame),
                 "handler": lambda: proxy.event_handler(None),
                 "proxy": lambda: nuv_touch.DigitKeypadProxy(field),
                 "text proxy": lambda: nuv_touch.AlphaKeypadProxy(field),
                 "set_value": lambda: proxy.set_value(7),
                 "get_value": proxy.get_value,
                 "text set_value": lambda: text_proxy.set_value("7"),
                 "text get_value": text_proxy.get_value,
                 "set_string": lambda: adapter.set_string("7"),
                 "composition": nuv_engines.Composition,
                 "bound": lambda: setattr(proxy, "maximum", 9)}  # a stored value only

        def worker():
            for name, call in calls.items():
                try:
                    call()
                    print(name, "ran")
                except RuntimeError as error:
                    print(name, error)

        thread = threading.Thread(target=worker, daemon=True)
        thread.start()
        thread.join(20)
        print("windows:", len(wx.GetTopLevelWindows()), "field:", field.GetValue(), "maximum:", proxy.maximum)
    """)
    assert status == 0, output
    assert output.count("GUI thread only; from another thread, call through wx.CallAfter") == 11, output
    assert "bound ran" in output and "windows: 1 field: 5 maximum: 9.0" in output


def test_subinterpreter_importing_first_is_refused_at_once(stand_ins):
    status, output = run_python(textwrap.dedent("""
        import subinterpreters
        print("sub:", subinterpreters.run_string("import nuv_touch; nuv_touch.input_text(None, message=5)"))
    """) + WORKS, path=[stand_ins, TESTS_DIR])
    assert status == 0, output
    assert ("sub: ImportError: Interpreter change detected - this module can only be loaded "
            "into one interpreter per process.") in output
    assert "works: 0 input_text" in output


# The engines' module works too: an engine's class bound again.
ENGINE_WORKS = """
import nuv_engines
composition = nuv_engines.Composition()
composition.type_letter("n")
print("works:", composition.candidates(0, 1))
"""


@pytest.mark.parametrize("code, works", [(WORKS, "works: 0 input_text"), (ENGINE_WORKS, "works: ['你']")],
                         ids=["nuv_touch", "nuv_engines"])
def test_finalize_and_initialize_again_gives_a_working_module(stand_ins, tmp_path, code, works):
    config = sys.executable + "-config"
    source = tmp_path / "embed.c"
    source.write_text(EMBEDDING)
    flags = subprocess.run([config, "--cflags", "--ldflags", "--embed"], capture_output=True, text=True,
                           check=True).stdout.split()
    subprocess.run(["cc", "-o", str(tmp_path / "embed"), str(source), *flags], check=True, capture_output=True)
    env = dict(os.environ, PYTHONPATH="%s:%s" % (stand_ins, Path(nuv_touch.__file__).parent))
    done = subprocess.run([str(tmp_path / "embed"), textwrap.dedent(code)], env=env, capture_output=True,
                          text=True, timeout=60)
    output = done.stdout + done.stderr
    assert done.returncode == 0, output
    assert output.count(works) == 3, output


def test_cleared_function_stays_valid(stand_ins):
    status, output = run_python("""
        import ctypes, nuv_touch
        api = ctypes.pythonapi
        api.PyType_GetSlot.restype = ctypes.c_void_p
        api.PyType_GetSlot.argtypes = [ctypes.py_object, ctypes.c_int]
        function = nuv_touch.input_integer
        Py_tp_clear = 51
        clear = ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(api.PyType_GetSlot(type(function), Py_tp_clear))
        clear(function)
        print(repr(function), repr(function.__name__), function.__module__)
        try:
            function(None, message=5)
        except TypeError as error:
            print("refused:", error)
    """, path=[stand_ins])
    assert status == 0, output
    assert "<function  at 0x" in output and "'' nuv_touch" in output
    assert "refused: Argument 'message' has incorrect type" in output


def test_function_dropped_by_its_caller_during_its_call(stand_ins):
    # A property calls its getter with a borrowed reference; setting the
    # property up again mid-call drops the getter's last reference. Python's
    # debug allocator (-X dev) overwrites freed memory.
    status, output = run_python("""
        import nuv_touch
        minimum = nuv_touch.DigitKeypadProxy.__dict__["minimum"]

        class Proxy(nuv_touch.DigitKeypadProxy):
            def __init__(self):
                pass

            @property
            def _minimum(self):
                minimum.__init__(None)
                return 5.0

        print("minimum:", Proxy().minimum)
    """, path=[stand_ins], flags=["-X", "dev"])
    assert status == 0, output
    assert "minimum: 5.0" in output


def test_big_integer_text_freed_through_gmps_allocator(stand_ins):
    status, output = run_python("""
        import ctypes, ctypes.util, nuv_touch
        from types import SimpleNamespace

        libc = ctypes.CDLL(None)
        libc.malloc.restype, libc.malloc.argtypes = ctypes.c_void_p, [ctypes.c_size_t]
        libc.realloc.restype, libc.realloc.argtypes = ctypes.c_void_p, [ctypes.c_void_p, ctypes.c_size_t]
        libc.free.argtypes = [ctypes.c_void_p]
        HEADER = 16  # the replacement keeps a header before every block
        alloc = ctypes.CFUNCTYPE(ctypes.c_void_p, ctypes.c_size_t)(lambda n: libc.malloc(n + HEADER) + HEADER)
        realloc = ctypes.CFUNCTYPE(ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t, ctypes.c_size_t)(
            lambda p, old, new: libc.realloc(p - HEADER, new + HEADER) + HEADER)
        free = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_size_t)(lambda p, n: libc.free(p - HEADER))
        gmp = ctypes.CDLL(ctypes.util.find_library("gmp"))
        getattr(gmp, "__gmp_set_memory_functions")(alloc, realloc, free)

        written = []
        proxy = SimpleNamespace(_ctrl=SimpleNamespace(set_string=written.append))
        nuv_touch.DigitKeypadProxy.set_value(proxy, -(3 ** 6000))
        print("written:", written == [str(-(3 ** 6000))])
    """, path=[stand_ins])
    assert status == 0, output
    assert "written: True" in output
