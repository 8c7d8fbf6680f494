"""Fuzzing with hypothesis: random key sequences against the editing rules,
and random values of every kind for every parameter of every public
callable. Whatever comes in, the module answers with a Python exception or
the specified result, never a crash.

Each test runs FUZZ_EXAMPLES examples (a third of them, at least five,
where every example makes a dialog or runs a modal loop), so the suite
stays fast. For a longer run set the environment variable
NUV_TOUCH_FUZZ_EXAMPLES, e.g.

    NUV_TOUCH_FUZZ_EXAMPLES=2000 bash scripts/test.sh -k test_fuzz
"""
import contextlib
import math
import os
import sys

import pytest
import wx
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st
from hypothesis.vendor import pretty

import conftest
import nuv_touch
from conftest import click, pump
from public_calls import CALLS, Bench, FUNCTION_TYPE, available, find_key, run

FUZZ_EXAMPLES = int(os.environ.get("NUV_TOUCH_FUZZ_EXAMPLES", "30"))
SLOW_EXAMPLES = max(5, FUZZ_EXAMPLES // 3)

INVALID = "Invalid number format. Please input again."
OUT_OF_RANGE = "Number value is out of range. Please input again."


def _int_pprint(value, printer, cycle):
    # Ints past the interpreter's digit limit have no repr; a failure report
    # still has to name them.
    bits = value.bit_length()
    printer.text(repr(value) if bits < 10000 else "<int of %d bits, %s>" % (bits, "negative" if value < 0 else "positive"))


pretty._type_pprinters[int] = _int_pprint


def fuzz(examples=FUZZ_EXAMPLES):
    return settings(max_examples=examples, deadline=None, print_blob=True,
                    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large,
                                           HealthCheck.filter_too_much])


@pytest.fixture(scope="module", autouse=True)
def _long_tests():
    """A test here may run many modal loops; the per-test modal watchdog of
    conftest would end them at its usual limit."""
    previous = conftest.MODAL_TIMEOUT
    conftest.MODAL_TIMEOUT = max(previous, 300.0)
    yield
    conftest.MODAL_TIMEOUT = previous


@contextlib.contextmanager
def no_digit_limit():
    """int(str) and str(int) without the interpreter's digit limit: the
    model of the module's exact conversions."""
    previous = sys.get_int_max_str_digits()
    sys.set_int_max_str_digits(0)
    try:
        yield
    finally:
        sys.set_int_max_str_digits(previous)


# ---------------------------------------------------------------- values

class Int(int):
    pass


class Str(str):
    pass


class Float(float):
    pass


class Hostile:
    """Every operation the module might try raises."""

    def _refuse(self, *args):
        raise ArithmeticError("hostile")

    __eq__ = __ne__ = __lt__ = __le__ = __gt__ = __ge__ = _refuse
    __bool__ = __str__ = __float__ = __index__ = __int__ = __len__ = __add__ = __radd__ = _refuse
    __and__ = __rand__ = __or__ = __ror__ = _refuse
    __hash__ = None

    def __getattr__(self, name):
        raise RuntimeError("no attribute for you: " + name)


class Liar:
    """Answers with the wrong types: a comparison gives a string, str()
    gives a number (which str() itself refuses)."""

    def __lt__(self, other):
        return "yes"

    __gt__ = __le__ = __ge__ = __lt__

    def __str__(self):
        return 5

    def __float__(self):
        return "1.0"


SPECIAL_TEXTS = ["", "-", ".", "-.", "0", "-0", "5.", ".5", "-.5", "1e5", "nan", "inf", "-inf", " 42 ", "1_000",
                 "\u0663\u0661", "0x10", "\0", "1\x002", "\ud800", "a\udfffb", "é" * 3, "\t7\n"]
BIG_TEXTS = ["x" * 2 ** 20, "9" * 2 ** 20, "1" * 5000, "-" + "7" * 4301, " " * 700 + "12" + " " * 700]


def texts():
    return st.one_of(
        st.sampled_from(SPECIAL_TEXTS),
        st.text(st.characters(blacklist_categories=()), max_size=20),
        st.text("0123456789-.", max_size=30),
        st.sampled_from(BIG_TEXTS),
    )


def values(bench):
    """Values of every kind, including the objects the module works with."""
    dead = wx.TextCtrl(bench.frame)
    dead.Destroy()
    objects = [object(), Hostile(), Liar(), [], {}, (1, 2), type, print, bench.frame, bench.text_ctrl("5"),
               bench.grid(), dead, wx.Font(wx.FontInfo(12)), wx.Colour(1, 2, 3), wx.CommandEvent(),
               wx.grid.GridEvent(), nuv_touch, nuv_touch.DigitKeypad]
    return st.one_of(
        st.none(), st.booleans(), st.integers(), st.integers().map(Int),
        st.builds(pow, st.sampled_from([2, -2, 10, -10]), st.sampled_from([63, 64, 100, 14300, 40000])),
        st.floats(), st.floats().map(Float), st.binary(max_size=20),
        texts(), texts().map(Str), st.sampled_from(objects),
    )


@pytest.fixture(autouse=True)
def keypad_class_kept():
    """A fuzzed call may take the keypad class itself for the keypad and set
    the keyboard's state on it before it fails; the class is put back, or
    the tests of the module's surface that run later would find it."""
    before = set(vars(nuv_touch.DigitKeypad))
    yield
    for name in set(vars(nuv_touch.DigitKeypad)) - before:
        delattr(nuv_touch.DigitKeypad, name)


def only_python_errors(call):
    """call(); an exception is fine unless it says the module itself failed."""
    try:
        return call()
    except SystemError as error:  # the boundary guard met a C++ exception
        raise AssertionError("module failure: %r" % error) from error
    except Exception:
        return None


# ---------------------------------------------------------------- editing rules

def digit_rule(text, key):
    """The numeric keypad's rule for one key."""
    if key == "clear":
        return ""
    if key == "dot":
        return text + "." if text.find(".") == -1 else text
    if key == "neg":
        return "-" + text.strip("-")
    if key == "pos":
        return text.strip("-")
    if text == "0":
        text = ""
    elif text == "-0":
        text = "-"
    return text + key


def digit_confirm(text, mode, minimum, maximum):
    """What confirming `text` gives: a message, or "ok"."""
    if text in ("", "-", ".", "-."):
        return INVALID
    with no_digit_limit():
        value = int(text) if mode == nuv_touch.KEYPAD_MODE_INT else float(text)
    return OUT_OF_RANGE if value < minimum or value > maximum else "ok"


def numeric_bounds():
    return st.one_of(st.integers(-10 ** 6, 10 ** 6), st.floats(), st.sampled_from([10 ** 40, -10 ** 40]))


def confirm_outcome(dialog, message_boxes):
    """Presses OK on a keypad whose EndModal records: "ok", or the text of
    the one message box it showed."""
    del message_boxes[:]
    dialog.ended.clear()
    click(find_key(dialog, "OK"))
    if dialog.ended:
        assert dialog.ended == [wx.ID_OK] and not message_boxes
        return "ok"
    assert len(message_boxes) == 1 and message_boxes[0].style == wx.OK | wx.ICON_ERROR
    return message_boxes[0].message


DIGIT_KEYS = list("0123456789") + ["dot", "neg", "pos", "clear"]


@pytest.mark.filterwarnings("ignore::hypothesis.errors.NonInteractiveExampleWarning")
def test_numeric_keypad_follows_its_rules(frame, message_boxes):
    with Bench(frame) as bench:
        @fuzz(SLOW_EXAMPLES)
        @given(mode=st.sampled_from([0, 1, 2]), minimum=numeric_bounds(), maximum=numeric_bounds(),
               keys=st.lists(st.sampled_from(DIGIT_KEYS), max_size=25))
        def check(mode, minimum, maximum, keys):
            dialog = bench.keep(nuv_touch.DigitKeypad(frame, mode, minimum, maximum))
            dialog.ended = []
            dialog.EndModal = dialog.ended.append
            for side, bound, infinity in (("ui_minimum", minimum, -math.inf), ("ui_maxmum", maximum, math.inf)):
                if bound != infinity:
                    with no_digit_limit():
                        assert getattr(dialog, side).GetLabel() == str(bound)
            named = {"dot": dialog.DotPoint, "neg": dialog.m_button5, "pos": dialog.m_button9,
                     "clear": find_key(dialog, "Clear")}
            text = dialog.GetValue()
            for key in keys:
                pressed = click(named.get(key) or find_key(dialog, key))
                if pressed:
                    text = digit_rule(text, key)
                else:  # only the dot key, disabled in integer mode
                    assert key == "dot" and mode == 0
                assert dialog.get_value() == text
            assert confirm_outcome(dialog, message_boxes) == digit_confirm(text, mode, minimum, maximum)
            assert dialog.get_value() == text
            dialog.Destroy()
            pump()

        check()


def test_pin_keypad_follows_its_rules(frame):
    with Bench(frame) as bench:
        dialog = bench.pin_keypad()
        keys = list("0123456789") + ["Clear"]

        @fuzz()
        @given(st.lists(st.sampled_from(keys), max_size=30))
        def check(presses):
            dialog.on_clear(None)
            text = ""
            for label in presses:
                click(find_key(dialog, label))
                text = "" if label == "Clear" else text + label
                assert dialog.get_value() == text
            dialog.ended.clear()
            click(find_key(dialog, "OK"))
            assert dialog.ended == [wx.ID_OK] and dialog.get_value() == text

        check()


def _visible_keys(dialog):
    def shown(window):
        while window is not dialog:
            if not window.IsShown():
                return False
            window = window.GetParent()
        return True
    keys = [key for key in dialog.keys() if key.GetLabel() not in ("OK", "Cancel") and shown(key)]
    return sorted(keys, key=lambda k: (k.GetLabel(), k.GetName()))


def keyboard_rule(state, label):
    """(text, shift, caps) after the key labelled `label`."""
    text, shift, caps = state
    if label == "Backspace":
        return text[:-1], shift, caps
    if label == "Clear":
        return "", shift, caps
    if label == "Shift":
        return text, not shift, caps
    if label in ("Caps On", "Caps Off"):
        return text, shift, label == "Caps On"
    return text + {"Tab": "\t", "Space": " "}.get(label, label), shift, caps


@pytest.mark.skipif(not hasattr(nuv_touch, "AlphaKeypad"), reason="the module has no AlphaKeypad")
def test_keyboard_follows_its_rules(frame):
    on_colour, off_colour = (255, 128, 0), (225, 225, 255)
    with Bench(frame) as bench:
        @fuzz(SLOW_EXAMPLES)
        @given(masked=st.booleans(), data=st.data())
        def check(masked, data):
            dialog = bench.alpha_keypad(password_mode=masked)
            state = ("", False, False)
            for _ in range(data.draw(st.integers(0, 25), label="presses")):
                key = data.draw(st.sampled_from(_visible_keys(dialog)), label="key")
                label = key.GetLabel()
                click(key)
                state = keyboard_rule(state, label)
                text, shift, caps = state
                assert dialog.get_value() == text
                assert dialog.shift is shift
                assert (dialog.Shift.IsShown(), dialog.no_Shift.IsShown()) == (shift, not shift)
                for i in range(3):
                    assert getattr(dialog, "ui_caps_on_%d" % i).IsShown() is caps
                    assert getattr(dialog, "ui_caps_off_%d" % i).IsShown() is not caps
                if label == "Shift":
                    colours = {getattr(dialog, "ui_shift_%d" % i).GetBackgroundColour().Get(False) for i in range(4)}
                    assert colours == {on_colour if shift else off_colour}
            field = dialog.ui_value_password if masked else dialog.ui_value_normal
            assert field.GetValue() == state[0]
            dialog.Destroy()
            pump()

        check()


# ---------------------------------------------------------------- random arguments

def _slow(call):
    return call.modal is not None or isinstance(call.target, type)


@pytest.mark.parametrize("name", available(CALLS))
def test_random_value_for_each_parameter(frame, message_boxes, name):
    """One parameter at a time gets a random value, the others valid ones."""
    with Bench(frame) as bench:
        call = CALLS[name](bench)
        parameters = call.parameters()
        if not parameters:
            pytest.skip("%s takes no argument" % name)

        @fuzz(SLOW_EXAMPLES if _slow(call) else FUZZ_EXAMPLES)
        @given(parameter=st.sampled_from(parameters), value=values(bench))
        def check(parameter, value):
            result = only_python_errors(lambda: run(call, **{parameter: value}))
            if isinstance(result, wx.Window):
                result.Destroy()
            message_boxes.clear()

        check()


def _raw_functions():
    """Every function object of the module, as stored (unbound)."""
    found = []
    for name, value in sorted(vars(nuv_touch).items()):
        if isinstance(value, FUNCTION_TYPE):
            found.append(pytest.param(value, id=name))
        elif isinstance(value, type) and value.__module__ == "nuv_touch":
            for attr, member in sorted(vars(value).items()):
                if isinstance(member, staticmethod):
                    member = member.__func__
                parts = [member.fget, member.fset] if isinstance(member, property) else [member]
                found += [pytest.param(p, id="%s.%s" % (name, attr)) for p in parts if isinstance(p, FUNCTION_TYPE)]
    return found


@pytest.mark.parametrize("function", _raw_functions())
def test_random_call_shapes(frame, message_boxes, function):
    """Any number of random positional and keyword arguments, self among
    them: the binding and the checks answer with TypeError or the body
    runs; no modal loop is left open and no window behind."""
    names = list(function.__code__.co_varnames)
    with Bench(frame) as bench:
        anything = values(bench)

        @fuzz()
        @given(args=st.lists(anything, max_size=9),
               kwargs=st.dictionaries(st.one_of(st.sampled_from(names), st.text(max_size=8)), anything, max_size=4))
        def check(args, kwargs):
            opened = []
            wx.CallAfter(lambda: opened.append(conftest.end_innermost_modal(wx.ID_CANCEL)))
            result = only_python_errors(lambda: function(*args, **kwargs))
            if isinstance(result, wx.Window):
                result.Destroy()
            pump()
            assert conftest.active_modal() is None
            message_boxes.clear()

        check()


# ---------------------------------------------------------------- a value, then confirm

def stored(setter, getter, value):
    """Sets `value`; the text the control then holds, or None if refused."""
    try:
        setter(value)
    except SystemError:
        raise
    except Exception:
        return None
    return getter()


def test_numeric_keypad_set_value_then_confirm(frame, message_boxes):
    with Bench(frame) as bench:
        keypads = {mode: bench.digit_keypad(mode) for mode in (0, 1)}

        @fuzz()
        @given(mode=st.sampled_from([0, 1]), value=values(bench), alias=st.booleans())
        def check(mode, value, alias):
            dialog = keypads[mode]
            dialog.set_value("")
            text = stored(dialog.SetValue if alias else dialog.set_value, dialog.GetValue, value)
            if text is None:
                return
            assert isinstance(text, str) and dialog.get_value() == text
            try:
                expected = digit_confirm(text, mode, -math.inf, math.inf)
            except ValueError:
                # Only SetValue can put such a text there: the operator is
                # told, and the conversion error goes on to wx.
                message_boxes.clear()
                dialog.ended.clear()
                with pytest.raises(ValueError):
                    dialog.on_enter(None)
                assert message_boxes.messages == [INVALID] and not dialog.ended
            else:
                assert confirm_outcome(dialog, message_boxes) == expected
            assert dialog.get_value() == text

        check()


@pytest.mark.skipif(not hasattr(nuv_touch, "DigitKeypadProxy"), reason="the module has no DigitKeypadProxy")
def test_numeric_field_set_value_then_read(frame):
    with Bench(frame) as bench:
        proxies = {mode: nuv_touch.DigitKeypadProxy(bench.text_ctrl(""), mode) for mode in (0, 1)}

        @fuzz()
        @given(mode=st.sampled_from([0, 1]), value=values(bench))
        def check(mode, value):
            proxy = proxies[mode]
            text = stored(proxy.set_value, proxy._ctrl.get_string, value)
            if text is None:
                return
            if text == "":
                assert math.isnan(proxy.get_value())
                return
            with no_digit_limit():
                try:
                    expected = int(text) if mode == 0 else float(text)
                except ValueError:
                    expected = ValueError
            if expected is ValueError:
                with pytest.raises(ValueError):
                    proxy.get_value()
            else:
                got = proxy.get_value()
                assert type(got) is type(expected)
                assert got == expected or (math.isnan(got) and math.isnan(expected))

        check()


@pytest.mark.skipif(not hasattr(nuv_touch, "AlphaKeypad"), reason="the module has no AlphaKeypad")
def test_keyboard_set_value_then_type_and_read(frame):
    with Bench(frame) as bench:
        keyboards = {masked: bench.alpha_keypad(password_mode=masked) for masked in (False, True)}

        @fuzz()
        @given(masked=st.booleans(), value=values(bench), put=values(bench))
        def check(masked, value, put):
            dialog = keyboards[masked]
            dialog.set_value("")
            text = stored(dialog.set_value, dialog.get_value, value)
            if text is None:
                return
            after = stored(dialog.out_, dialog.get_value, put)
            if after is not None and isinstance(put, str) and "\0" not in text + put and len(text + put) < 65534:
                assert after == text + put

        check()


@pytest.mark.parametrize("kind", ["text", "grid"])
def test_adapters_write_then_read(frame, kind):
    if not hasattr(nuv_touch, "_CtrlWrapper"):
        pytest.skip("the module has no control adapters")
    with Bench(frame) as bench:
        adapter = (nuv_touch._CtrlWrapper(bench.text_ctrl()) if kind == "text"
                   else nuv_touch._GridWrapper(bench.grid()))

        @fuzz()
        @given(value=values(bench), proxy_kind=st.sampled_from(["none", "alpha"]))
        def check(value, proxy_kind):
            text = stored(adapter.set_string, adapter.get_string, value)
            if text is not None:
                assert isinstance(text, str)
            if proxy_kind == "alpha" and hasattr(nuv_touch, "AlphaKeypadProxy"):
                proxy = nuv_touch.AlphaKeypadProxy(adapter._ctrl)
                written = stored(proxy.set_value, proxy.get_value, value)
                if written is not None:
                    assert written == adapter.get_string()

        check()


# ---------------------------------------------------------------- exact number text

class TextField:
    """A control stand-in holding any text (no toolkit limits)."""

    def __init__(self):
        self.text = ""

    def GetWindowStyle(self):
        return 0

    def Bind(self, *args):
        pass

    def GetValue(self):
        return self.text

    def SetValue(self, text):
        self.text = text


def number_texts():
    digits = st.text("0123456789\u0663\u0661\u0e53", min_size=1, max_size=900)
    space = st.sampled_from(["", " ", "\t", "\u3000", " " * 400])
    return st.one_of(
        st.builds(lambda a, s, d, b: a + s + d + b, space, st.sampled_from(["", "-", "+", "--", "-+"]), digits, space),
        st.builds(lambda d, u: d.replace(d[0], d[0] + u, 1) if d else d, digits, st.sampled_from(["_", "__", "x"])),
        st.text("0123456789_ -+", min_size=600, max_size=1200),
    )


@pytest.mark.skipif(not hasattr(nuv_touch, "DigitKeypadProxy"), reason="the module has no DigitKeypadProxy")
def test_integer_text_converts_exactly_as_int_does(wx_app):
    """Long entries are converted by the module itself (the interpreter's
    int() refuses them): same value, same refusals, at any length."""
    field = TextField()
    proxy = nuv_touch.DigitKeypadProxy(field, nuv_touch.KEYPAD_MODE_INT)

    @fuzz(FUZZ_EXAMPLES * 3)
    @given(number_texts())
    def check(text):
        field.text = text
        with no_digit_limit():
            try:
                expected = int(text)
            except ValueError:
                expected = None
        if expected is None:
            with pytest.raises(ValueError):
                proxy.get_value()
        else:
            assert proxy.get_value() == expected

    check()


@pytest.mark.skipif(not hasattr(nuv_touch, "DigitKeypadProxy"), reason="the module has no DigitKeypadProxy")
def test_numbers_are_written_exactly(wx_app):
    field = TextField()
    proxy = nuv_touch.DigitKeypadProxy(field, nuv_touch.KEYPAD_MODE_INT)

    @fuzz()
    @given(st.one_of(st.integers(), st.integers(0, 30000).map(lambda n: 7 ** n), st.integers(0, 30000).map(
        lambda n: -(3 ** n))))
    def check(number):
        proxy.set_value(number)
        with no_digit_limit():
            assert field.text == str(number)
        assert proxy.get_value() == number

    check()
