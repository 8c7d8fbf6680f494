"""The numeric keypad: construction, key rules, confirmation and refusals."""
import fractions
import sys
import time

import pytest
import wx

import nuv_touch
import nuv_touchui
from conftest import click, run_modal, scaled

INVALID = "Invalid number format. Please input again."
OUT_OF_RANGE = "Number value is out of range. Please input again."


def key(dialog, label):
    for child in dialog.keys():
        if child.GetLabel() == label:
            return child
    raise LookupError(label)


def press(dialog, keys):
    """Presses keys by label; "-" is the minus key, "+" the plus key."""
    for label in keys:
        click({"-": dialog.m_button5, "C": key(dialog, "Clear")}.get(label) or key(dialog, label))


def confirm(dialog):
    click(key(dialog, "OK"))


@pytest.fixture
def keypad(frame):
    made = []

    def make(*args, **kwargs):
        dialog = nuv_touch.DigitKeypad(frame, *args, **kwargs)
        made.append(dialog)
        return dialog

    yield make
    for dialog in made:
        dialog.Destroy()


class TestConstruction:
    def test_integer_mode_defaults(self, keypad):
        d = keypad(nuv_touch.KEYPAD_MODE_INT)
        assert d.ui_message.GetLabel() == "请输入一个整数："
        keys = [getattr(d, name) for name in ["DotPoint"] + ["m_button%d" % i for i in (2, 3, 4, 5, 6, 7, 8, 9, 10,
                                                                                       11, 12, 13, 15, 16, 17)]]
        labels = [d.m_staticText3, d.ui_minimum, d.ui_maxmum, d.m_staticText5]
        assert {w.GetFont().GetPointSize() for w in keys + labels} == {20}
        assert d.mValueField.GetFont().GetPointSize() == 32
        assert not d.DotPoint.IsEnabled()
        assert d.ui_minimum.GetLabel() == nuv_touchui.UNBOUNDED_MIN
        assert d.ui_maxmum.GetLabel() == nuv_touchui.UNBOUNDED_MAX
        assert (d._mode, d._minimum, d._maximum) == (0, float("-inf"), float("inf"))

    @pytest.mark.parametrize("mode", [nuv_touch.KEYPAD_MODE_FLOAT, 2, "0"])
    def test_every_other_mode_is_decimal(self, keypad, mode):
        d = keypad(mode)
        assert d.ui_message.GetLabel() == "请输入一个浮点数："
        assert d.DotPoint.IsEnabled()

    def test_message_and_sizes(self, keypad):
        d = keypad(0, message="", font_size=10, show_size=40)
        assert d.ui_message.GetLabel() == ""
        assert d.mValueField.GetFont().GetPointSize() == 40
        assert d.m_button2.GetFont().GetPointSize() == 10
        assert keypad(0, font_size=10).mValueField.GetFont().GetPointSize() == 22

    @pytest.mark.parametrize("bounds, shown", [
        ((0, 100), ("0", "100")),
        ((0.5, 100.0), ("0.5", "100.0")),
        ((float("-inf"), 9), (nuv_touchui.UNBOUNDED_MIN, "9")),
        ((1e16, 1e-05), ("1e+16", "1e-05")),
        ((float("inf"), float("-inf")), ("inf", "-inf")),
    ])
    def test_bound_labels(self, keypad, bounds, shown):
        d = keypad(0, *bounds)
        assert (d.ui_minimum.GetLabel(), d.ui_maxmum.GetLabel()) == shown

    def test_huge_int_bound_is_shown_exactly(self, keypad):
        d = keypad(0, 0, 10 ** 5000)
        assert d.ui_maxmum.GetLabel() == "1" + "0" * 5000

    def test_fit_comes_before_labels_and_dot_key(self, keypad, monkeypatch):
        seen = []

        def fit(window):
            seen.append((window._maximum, window.ui_maxmum.GetLabel(), window.DotPoint.IsEnabled(),
                         window.m_button17.GetFont().GetPointSize()))
        monkeypatch.setattr(nuv_touch, "window_fit_layout", fit)
        keypad(0, 0, 7, font_size=12)
        assert seen == [(7, nuv_touchui.UNBOUNDED_MAX, True, 12)]

    def test_bad_message_refused_before_the_layout_exists(self, frame, monkeypatch):
        built = []
        monkeypatch.setattr(nuv_touch, "DigitKeypadUI", type("Spy", (nuv_touchui.DigitKeypad,), {
            "__init__": lambda self, parent: built.append(self)}))
        with pytest.raises(TypeError, match="'message'.*expected str, got bytes"):
            nuv_touch.DigitKeypad(frame, 0, message=b"x")
        assert built == []


KEY_RULES = [
    ("007", "7"), ("-07", "-7"), ("100", "100"), ("0", "0"), ("00", "0"), ("-0", "-0"),
    ("..", "."), ("-.", "-."), ("12.5.", "12.5"), ("0.5", "0.5"), ("0.", "0."),
    ("-3-", "-3"), ("-3+", "3"), ("+", ""), ("5+-", "-5"), ("123C", ""), ("12C4", "4"),
]


@pytest.mark.parametrize("keys, text", KEY_RULES)
def test_key_rules(keypad, keys, text):
    d = keypad(nuv_touch.KEYPAD_MODE_FLOAT)
    press(d, keys)
    assert d.get_value() == text


def test_set_value_takes_any_text_and_keys_work_on_it(keypad):
    d = keypad(1)
    d.SetValue("abc")
    assert d.GetValue() == "abc"
    press(d, "-1.")
    assert d.get_value() == "-abc1."


class TestConfirm:
    def confirm_text(self, dialog, text):
        dialog.set_value(text)
        return run_modal(dialog, lambda d: confirm(d), lambda d: click(key(d, "Cancel")), timeout=5)

    def test_mode_lookup_error_propagates_without_an_error_box(self, keypad):
        d = keypad(0)
        d.set_value("12")
        del d._mode
        with pytest.raises(AttributeError):
            d.on_enter(None)

    @pytest.mark.parametrize("text", ["", "-", ".", "-."])
    def test_incomplete_entries_refused(self, keypad, message_boxes, text):
        d = keypad(1)
        assert self.confirm_text(d, text) == wx.ID_CANCEL
        assert message_boxes.messages == [INVALID]
        assert message_boxes[0].style == wx.OK | wx.ICON_ERROR
        assert message_boxes[0].caption is None and message_boxes[0].parent is None
        assert d.get_value() == text

    @pytest.mark.parametrize("mode, bounds, text, accepted", [
        (0, (0, 100), "100", True), (0, (0, 100), "101", False), (0, (0, 100), "0", True),
        (0, (0, 100), "-1", False), (0, (0, 100), "-0", True), (1, (0, 100), "5.", True),
        (1, (0.5, 1), ".5", True), (1, (0.5, 1), "-.5", False), (0, (), "9" * 30, True),
        (1, (0, 1e308), "1" + "0" * 400, False), (0, (5, 1), "3", False),
    ])
    def test_range(self, keypad, message_boxes, mode, bounds, text, accepted):
        d = keypad(mode, *bounds)
        d.set_value(text)
        code = run_modal(d, confirm) if accepted else self.confirm_text(d, text)
        assert code == (wx.ID_OK if accepted else wx.ID_CANCEL)
        assert message_boxes.messages == ([] if accepted else [OUT_OF_RANGE])
        assert d.get_value() == text

    def test_typed_entry_confirmed_through_the_keys(self, keypad):
        d = keypad(0, -50, 50)
        assert run_modal(d, lambda d: press(d, "4"), lambda d: press(d, "-"), confirm) == wx.ID_OK
        assert d.GetValue() == "-4"

    @pytest.mark.parametrize("mode, text", [(0, "1.5"), (0, "12abc"), (1, "1e"), (1, "--1")])
    def test_unconvertible_text_reports_and_raises(self, keypad, message_boxes, mode, text):
        d = keypad(mode)
        d.SetValue(text)

        def confirm_raises(dialog):
            with pytest.raises(ValueError):
                confirm(dialog)
            assert dialog.IsModal()
            click(key(dialog, "Cancel"))
        assert run_modal(d, confirm_raises) == wx.ID_CANCEL
        assert message_boxes.messages == [INVALID]
        assert d.GetValue() == text

    def test_out_of_range_is_a_method_a_subclass_replaces(self, frame, message_boxes):
        received = []

        class Even(nuv_touch.DigitKeypad):
            def out_of_range(self, value):
                received.append(value)
                return value % 2 == 1

        d = Even(frame, 0)
        try:
            d.SetValue("7")
            assert self.confirm_text(d, "7") == wx.ID_CANCEL
            d.SetValue("1" + "0" * 6000)
            assert run_modal(d, confirm) == wx.ID_OK
        finally:
            d.Destroy()
        assert received == [7, 10 ** 6000] and type(received[1]) is int
        assert message_boxes.messages == [OUT_OF_RANGE]

    def test_out_of_range_compares_as_numbers(self, keypad):
        d = keypad(0, 0, 10 ** 30)
        assert d.out_of_range(10 ** 30 + 1) is True
        assert d.out_of_range(10 ** 30) is False
        assert d.out_of_range(float("nan")) is False
        assert d.out_of_range(-0.5) is True


class TextField:
    """Holds any text: GTK's single-line field stops at 65,534 characters
    and its multi-line one takes seconds to lay out a line this long."""

    def __init__(self):
        self.text = ""

    def GetValue(self):
        return self.text

    def SetValue(self, text):
        self.text = text


class TestLongEntries:
    @pytest.fixture
    def long_keypad(self, keypad):
        def make(*args):
            d = keypad(*args)
            d.mValueField = TextField()
            return d
        return make

    def test_hundred_thousand_digits_checked_exactly_and_fast(self, long_keypad, message_boxes):
        limit = 10 ** 100000
        d = long_keypad(0, -limit, limit)
        d.SetValue("1" + "0" * 100000)
        took = []

        def timed_confirm(dialog):
            started = time.perf_counter()
            confirm(dialog)
            took.append(time.perf_counter() - started)
        assert run_modal(d, timed_confirm) == wx.ID_OK
        assert took[0] < scaled(0.5)
        d.SetValue("1" + "0" * 99999 + "1")
        assert TestConfirm().confirm_text(d, d.GetValue()) == wx.ID_CANCEL
        assert message_boxes.messages == [OUT_OF_RANGE]

    @staticmethod
    def outcome(dialog, text):
        """'accepted', 'out of range' or the exception on_enter raised."""
        ended = []
        dialog.EndModal = ended.append
        dialog.SetValue(text)
        try:
            dialog.on_enter(None)
        except ValueError:
            return "invalid"
        return "accepted" if ended == [wx.ID_OK] else "out of range"

    @staticmethod
    def expected(text, minimum, maximum):
        limit = sys.get_int_max_str_digits()
        sys.set_int_max_str_digits(0)
        try:
            value = int(text)
        except ValueError:
            return "invalid"
        finally:
            sys.set_int_max_str_digits(limit)
        return "out of range" if value < minimum or value > maximum else "accepted"

    LONG = "7" * 700
    HUGE = 10 ** 2000

    @pytest.mark.parametrize("text, bounds", [
        (LONG, (0, 100)), ("-" + LONG, (0, 100)), (LONG, (0, float("inf"))), ("-" + LONG, (float("-inf"), 0)),
        ("-" + LONG, (-1e300, 1e300)), (LONG, (-1e300, 1e300)), (LONG, (float("nan"), float("nan"))),
        (LONG, (-HUGE, HUGE)), ("9" * 2500, (-HUGE, HUGE)), ("-" + "9" * 2500, (-HUGE, 0)),
        (LONG, (0, int(LONG))), (LONG, (0, int(LONG) - 1)), (LONG, (int(LONG) + 1, HUGE)),
        ("0" * 1000 + "5", (0, 10)), ("0" * 1000 + "5", (6, 10)), ("-" + "0" * 1000, (0, 0)),
        ("  +" + "1_0" * 400 + " ", (0, 100)), ("\u0661" * 800, (0, HUGE)),
        (LONG, (fractions.Fraction(1, 3), 10 ** 700)), (LONG, (True, HUGE)),
        (LONG + "x", (0, 100)), ("1__0" * 300, (0, HUGE)), ("_" + LONG, (0, HUGE)),
    ], ids=lambda value: "%r...(%d)" % (value[:6], len(value)) if isinstance(value, str) else None)
    def test_long_entry_range_is_exact(self, long_keypad, message_boxes, text, bounds):
        d = long_keypad(0, *bounds)
        assert self.outcome(d, text) == self.expected(text, *bounds)
        assert d.GetValue() == text

    def test_long_entry_reads_each_bound_as_the_range_test_does(self, frame, message_boxes):
        reads = []

        class Watched(nuv_touch.DigitKeypad):
            @property
            def _minimum(self):
                reads.append("minimum")
                return 0

            @_minimum.setter
            def _minimum(self, value):
                pass

            @property
            def _maximum(self):
                reads.append("maximum")
                return 10

            @_maximum.setter
            def _maximum(self, value):
                pass

        d = Watched(frame, 0)
        try:
            d.mValueField = TextField()
            assert self.outcome(d, "-" + self.LONG) == "out of range"
            assert reads == ["minimum"]
            reads.clear()
            assert self.outcome(d, self.LONG) == "out of range"
            assert reads == ["minimum", "maximum"]
        finally:
            d.Destroy()

    def test_million_digits_confirmed_in_linear_time(self, long_keypad, message_boxes):
        d = long_keypad(0, -10 ** 6, 10 ** 6)
        d.EndModal = lambda code: None
        took = {}
        # The best of three: a busy machine only ever adds time.
        for digits in (100000, 1000000):
            d.SetValue("8" * digits)
            for _ in range(3):
                started = time.perf_counter()
                d.on_enter(None)
                took[digits] = min(took.get(digits, 1e9), time.perf_counter() - started)
        assert took[1000000] < scaled(0.1)
        assert took[1000000] < 30 * took[100000] + 0.005  # quadratic would be 100 times
        assert message_boxes.messages == [OUT_OF_RANGE] * 6
