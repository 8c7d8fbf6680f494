"""Reference leaks: every public callable, called many times, valid and
refused, leaves the reference counts of its arguments and the interpreter's
memory where they were.

Debian's wxPython does not load in the debug interpreter, so the counts are
those the release interpreter offers: sys.getrefcount() of each argument
object, sys.getallocatedblocks() (the interpreter's small-object blocks;
always 0 under PYTHONMALLOC=malloc, where the sanitizer run watches the
memory instead) and the number of objects the garbage collector tracks.

Tolerances, after a warm-up and a full collection, over a round of calls:
  - reference count of every argument object: not above where it was
    (it may drop: a reference held from before the round, by a window
    pending deletion for instance, may go during it);
  - top-level windows: as many as before;
  - allocated blocks and tracked objects: grown by less than half a block
    per call (CHEAP_SLACK), or one per call for calls that make a dialog
    (DIALOG_SLACK: the toolkit keeps filling its own caches for the first
    few hundred keyboards, at a fraction of a block each). A reference
    leaked per call keeps at least one block (a container also one tracked
    object) alive per call, so it exceeds either. Caches fill sublinearly:
    a round over the limit is repeated, up to ROUNDS rounds, and the check
    fails only when every round is over it.
"""
import gc
import sys

import pytest
import wx

import conftest
import nuv_touch
import nuv_touchui
from conftest import pump
from public_calls import CALLS, GRID_HANDLERS, Bench, available, module_callables, run

ROUNDS = 3
CHEAP_SLACK, DIALOG_SLACK = 0.5, 1.0

# Calls per round: cheap calls many times; those that make a dialog or run a
# modal loop (tens to a couple of hundred milliseconds each) fewer.
MANY, DIALOGS, MODAL = 200, 30, 15


def shared(value):
    """Objects whose reference count the whole interpreter moves."""
    return value is None or isinstance(value, bool) or (type(value) is int and -5 <= value <= 256)


def settle():
    """Pending deletions run, garbage collected, and the interpreter's type
    attribute cache emptied: that cache keeps a reference to every attribute
    name it has seen looked up, up to 4096 of them, among them the names C
    code makes afresh for each lookup (pybind11 looks up "__notes__" on every
    error it fetches). Over a round of refused calls those fill the cache at
    up to a block per call, which is no leak."""
    pump()
    gc.collect()
    sys._clear_type_cache()


@pytest.fixture(scope="module", autouse=True)
def _long_tests():
    """A check here runs up to a hundred modal loops; the per-test modal
    watchdog of conftest would end them at its usual limit."""
    previous = conftest.MODAL_TIMEOUT
    conftest.MODAL_TIMEOUT = max(previous, 120.0)
    yield
    conftest.MODAL_TIMEOUT = previous


@pytest.fixture(scope="module", autouse=True)
def _warm_toolkit(wx_app):
    """The toolkit's Python-side caches fill fastest over the first
    keyboards it makes (a few blocks each)."""
    import nuv_touchui
    frame = wx.Frame(None)
    for layout, count in ((nuv_touchui.AlphaKeypad, 40), (nuv_touchui.DigitKeypad, 10),
                          (nuv_touchui.DigitPasswordKeypad, 10)):
        for _ in range(count):
            layout(frame).Destroy()
            pump()
    frame.Destroy()
    settle()


@pytest.fixture(autouse=True)
def _forget_message_boxes(_message_box_guard, monkeypatch):
    """The recorder of wx.MessageBox calls keeps each call: it would count
    as growth. Here it keeps none (and any box is expected)."""
    _message_box_guard.expected = True
    monkeypatch.setattr(type(_message_box_guard), "append", lambda self, call: None)


class Counts:
    def __init__(self, watched):
        self.watched = [w for w in watched if not shared(w)]
        self.refs, self.blocks, self.objects, self.windows = self.now()

    def now(self):
        settle()
        return ([sys.getrefcount(w) for w in self.watched], sys.getallocatedblocks(), len(gc.get_objects()),
                len(wx.GetTopLevelWindows()))

    def growth(self):
        refs, blocks, objects, windows = self.now()
        return {
            "refs": [(type(w).__name__, after - before)
                     for w, before, after in zip(self.watched, self.refs, refs) if after > before],
            "blocks": blocks - self.blocks,
            "objects": objects - self.objects,
            "windows": windows - self.windows,
        }


def assert_flat(call_once, times, watched=(), slack=CHEAP_SLACK, warmup=5):
    """Calls call_once() `warmup` times, then in rounds of `times` calls
    until a round stays inside the tolerances (see above)."""
    for _ in range(warmup):
        call_once()
    limit = times * slack
    rounds = []
    for _ in range(ROUNDS):
        counts = Counts(watched)
        for _ in range(times):
            call_once()
        growth = counts.growth()
        rounds.append(growth)
        assert growth["refs"] == [], growth
        assert growth["windows"] == 0, growth
        if growth["blocks"] < limit and growth["objects"] < limit:
            return
    pytest.fail("memory grew in every round (limit %g): %s" % (limit, rounds))


def test_every_callable_of_the_module_is_checked():
    missing = module_callables() - set(CALLS)
    assert missing == set()


def refusing(fn, *errors):
    """fn() that must raise one of `errors`; the exception is dropped at
    once, so that its traceback holds nothing."""
    def call():
        try:
            fn()
        except errors:
            return
        raise AssertionError("no error")
    return call


@pytest.mark.parametrize("name", available(CALLS))
def test_valid_call(frame, name):
    with Bench(frame) as bench:
        call = CALLS[name](bench)
        slack = DIALOG_SLACK
        if call.modal is not None:
            times = MODAL
            once = lambda: run(call)  # noqa: E731
        elif isinstance(call.target, type):
            # A construction: each one is destroyed again (a proxy with its
            # control, which is what keeps it).
            times = MODAL if name.startswith("AlphaKeypad.") else DIALOGS
            fresh = CALLS[name]

            def once():
                made = fresh(bench)
                result = made.target(**made.args)
                if isinstance(result, wx.Window):
                    result.Destroy()
                bench.close()
        else:
            times, slack = MANY, CHEAP_SLACK
            once = lambda: run(call)  # noqa: E731
        assert_flat(once, times, call.args.values(), slack)


@pytest.mark.parametrize("name", available(GRID_HANDLERS))
def test_handler_on_a_grid_cell(frame, name):
    with Bench(frame) as bench:
        call = GRID_HANDLERS[name](bench)
        assert_flat(lambda: run(call), MODAL, call.args.values(), DIALOG_SLACK)


# Refused calls: each (name, make) gives the call that fails and the objects
# it was given.
def _refused_cases():
    big = 10 ** 40
    text = "".join(["not a ", "number"])

    def case(owner, make, times=MANY):
        return pytest.param(owner, make, times, id=make.__name__)

    def wrong_message_type(b):
        return lambda: nuv_touch.input_integer(b.frame, 0, big, message=big), (TypeError,), [b.frame, big]

    def none_message_refused(b):
        return lambda: nuv_touch.input_text(b.frame, message=None), (TypeError,), [b.frame]

    def too_many_arguments(b):
        return lambda: nuv_touch.input_float(b.frame, 1, 2, "m", text), (TypeError,), [b.frame, text]

    def unexpected_keyword(b):
        return lambda: nuv_touch.input_float(b.frame, **{text: 1}), (TypeError,), [b.frame, text]

    def repeated_argument(b):
        return lambda: nuv_touch.input_float(b.frame, 1, minimum=text), (TypeError,), [b.frame, text]

    def missing_argument(b):
        return lambda: nuv_touch.DigitKeypad(b.frame), (TypeError,), [b.frame]

    def bad_font_size(b):
        return lambda: nuv_touch.DigitPasswordKeypad(b.frame, font_size=True), (TypeError,), [b.frame]

    def unconvertible_text_on_confirm(b):
        dialog = b.digit_keypad()
        dialog.SetValue(text)
        return lambda: dialog.on_enter(None), (ValueError,), [dialog, text]

    def unconvertible_bound(b):
        proxy = nuv_touch.DigitKeypadProxy(b.text_ctrl())

        def assign():
            proxy.minimum = text
        return assign, (TypeError,), [proxy, text]

    def grid_row_not_int(b):
        adapter = nuv_touch._GridWrapper(b.grid())
        value = 2.5

        def assign():
            adapter.row = value
        return assign, (TypeError,), [adapter, value]

    def field_not_a_number(b):
        proxy = nuv_touch.DigitKeypadProxy(b.text_ctrl(text))
        return proxy.get_value, (ValueError,), [proxy]

    def unsupported_widget(b):
        class StyleOnly:
            def GetWindowStyle(self):
                return 0
        adapter = nuv_touch._CtrlWrapper(StyleOnly())
        return adapter.get_string, (TypeError,), [adapter, adapter._ctrl]

    def grid_adapter_on_a_text_control(b):
        ctrl = b.text_ctrl()
        return lambda: nuv_touch._GridWrapper(ctrl), (AssertionError,), [ctrl]

    def abstract_adapter(b):
        ctrl = b.text_ctrl()
        return lambda: nuv_touch._CtrlWrapperBase(ctrl), (TypeError,), [ctrl]

    def result_of_wrong_type(b):
        class Keypad:
            def __init__(self, *args):
                pass

            def ShowModal(self):
                return wx.ID_OK

            def get_value(self):
                return big

            def Destroy(self):
                pass
        b.monkeypatch.setattr(nuv_touch, "DigitPasswordKeypad", Keypad)
        return lambda: nuv_touch.input_digit_password(b.frame), (TypeError,), [b.frame, big]

    def keyboard_widget_without_style(b):
        widget = object()
        return lambda: nuv_touch.AlphaKeypad(b.frame, widget), (AttributeError,), [b.frame, widget]

    def keypad_font_size_refused_by_wx(b):
        return lambda: nuv_touch.DigitKeypad(b.frame, 0, font_size=text), (TypeError,), [b.frame, text]

    return [
        case("input_integer", wrong_message_type), case("input_text", none_message_refused),
        case("input_float", too_many_arguments), case("input_float", unexpected_keyword),
        case("input_float", repeated_argument), case("DigitKeypad", missing_argument),
        case("DigitPasswordKeypad", bad_font_size), case("DigitKeypad", unconvertible_text_on_confirm),
        case("DigitKeypadProxy", unconvertible_bound), case("_GridWrapper", grid_row_not_int),
        case("DigitKeypadProxy", field_not_a_number), case("_CtrlWrapper", unsupported_widget),
        case("_GridWrapper", grid_adapter_on_a_text_control), case("_CtrlWrapperBase", abstract_adapter),
        case("input_digit_password", result_of_wrong_type),
        case("AlphaKeypad", keyboard_widget_without_style, DIALOGS),
        case("DigitKeypad", keypad_font_size_refused_by_wx, DIALOGS),
    ]


@pytest.mark.parametrize("owner, make, times", _refused_cases())
def test_refused_call(frame, monkeypatch, owner, make, times):
    if not hasattr(nuv_touch, owner):
        pytest.skip("the module has no %s" % owner)
    with Bench(frame) as bench:
        bench.monkeypatch = monkeypatch
        fn, errors, watched = make(bench)
        assert_flat(refusing(fn, *errors), times, watched, CHEAP_SLACK if times == MANY else DIALOG_SLACK)


def test_function_objects_themselves(frame):
    """Reading the attributes of the function type, binding it to an
    instance and the signature machinery."""
    import inspect
    fn = nuv_touch.DigitKeypad.on_enter
    keypad = object()
    name = "".join(["on_", "enter"])

    def once():
        for attr in ("__name__", "__qualname__", "__module__", "__doc__", "__defaults__", "__kwdefaults__",
                     "__annotations__", "__globals__", "__code__", "__dict__"):
            getattr(fn, attr)
        fn.__get__(keypad, type(keypad))
        fn.__get__(None, type(keypad))
        repr(fn)
        inspect.signature(nuv_touch.input_float)
        fn.__name__ = name
        try:
            fn.__name__ = 5
        except TypeError:
            pass
        fn.__name__ = "on_enter"

    assert_flat(once, MANY, [fn, keypad, name])


# ---------------------------------------------------------------- a destroyed dialog goes at once

def _opened_by_proxy(frame):
    ctrl = wx.TextCtrl(frame)
    nuv_touch.AlphaKeypadProxy(ctrl)
    press = wx.MouseEvent(wx.wxEVT_LEFT_DOWN)
    press.SetEventObject(ctrl)
    conftest.run_modal(lambda: ctrl.GetEventHandler().ProcessEvent(press), lambda d: d.EndModal(wx.ID_CANCEL))


def _opened_by_prompt(frame):
    conftest.run_modal(lambda: nuv_touch.input_integer(frame), lambda d: d.EndModal(wx.ID_CANCEL))


def _made_and_destroyed(make):
    return lambda frame: make(frame).Destroy()


@pytest.mark.parametrize("keyboard, use", [
    (None, _made_and_destroyed(lambda f: nuv_touchui.DigitKeypad(f))),
    (None, _made_and_destroyed(lambda f: nuv_touchui.DigitPasswordKeypad(f))),
    *[(name, _made_and_destroyed(lambda f: nuv_touchui.AlphaKeypad(f))) for name in ("us", "de", "fr", "es", "zh", "kr", "tw", "jp", "cangjie")],
    ("zh", _made_and_destroyed(lambda f: nuv_touch.AlphaKeypad(f))),
    (None, _opened_by_proxy),
    (None, _opened_by_prompt),
], ids=["numeric", "pin", "us", "de", "fr", "es", "zh", "kr", "tw", "jp", "cangjie", "module-zh", "proxy",
        "prompt"])
def test_destroyed_dialog_leaves_nothing_to_the_collector(frame, keyboard, use):
    """Keys, panels, texts and the handlers a composition routes refer to
    each other and to their dialog; once it is destroyed they must go at
    once, not when the collector next runs (on whatever thread)."""
    from nuv_touchui import composing, dialogs, keys, widgets
    parts = (dialogs._TouchDialog, keys.KeyButton, keys.KeyPanel, keys.KeyGroup, widgets.DrawnText,
             composing.ComposingKeys)
    nuv_touchui.set_keyboard_layout(keyboard)
    try:
        use(frame)  # the first one fills the caches and opens the engine
        settle()
        gc.collect()  # what earlier tests left
        before = {id(o) for o in gc.get_objects() if isinstance(o, parts)}
        gc.disable()
        use(frame)
        pump()
        left = [type(o).__name__ for o in gc.get_objects() if isinstance(o, parts) and id(o) not in before]
    finally:
        gc.enable()
        nuv_touchui.set_keyboard_layout(None)
    assert left == []
