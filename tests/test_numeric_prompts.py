"""input_integer and input_float: one call, a confirmed number or None."""
import pytest
import wx

import nuv_touch
from conftest import click, pump, run_modal
from test_digit_keypad import TextField, confirm, key, press


def cancel(dialog):
    click(key(dialog, "Cancel"))


def keypads():
    """The numeric keypads alive now (after destroyed ones are deleted)."""
    pump()
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, nuv_touch.DigitKeypad) and not w.IsBeingDeleted()]


@pytest.mark.parametrize("prompt, keys, result", [
    (nuv_touch.input_integer, "42", 42), (nuv_touch.input_integer, "7-", -7), (nuv_touch.input_integer, "-0", 0),
    (nuv_touch.input_float, "42", 42.0), (nuv_touch.input_float, "0.25", 0.25), (nuv_touch.input_float, "5.", 5.0),
])
def test_confirmed_entry_is_returned_as_a_number(frame, prompt, keys, result):
    value = run_modal(lambda: prompt(frame), lambda d: press(d, keys), confirm)
    assert value == result and type(value) is type(result)
    assert keypads() == []


@pytest.mark.parametrize("prompt", [nuv_touch.input_integer, nuv_touch.input_float])
def test_cancel_returns_none_and_destroys_the_keypad(frame, prompt):
    assert run_modal(lambda: prompt(frame), lambda d: press(d, "12"), cancel) is None
    assert keypads() == []


def test_keypad_shows_prompt_and_bounds_and_refuses_outside(frame, message_boxes):
    seen = {}

    def look(dialog):
        seen.update(message=dialog.ui_message.GetLabel(), bounds=(dialog.ui_minimum.GetLabel(),
                                                                  dialog.ui_maxmum.GetLabel()))
        press(dialog, "11")
        confirm(dialog)
        assert dialog.IsModal()
        press(dialog, "C9")

    assert run_modal(lambda: nuv_touch.input_integer(frame, 0, 10), look, confirm) == 9
    assert seen == {"message": "请输入一个整数：", "bounds": ("0", "10")}
    assert message_boxes.messages == ["Number value is out of range. Please input again."]
    prompt = run_modal(lambda: nuv_touch.input_float(frame), lambda d: seen.update(f=d.ui_message.GetLabel()), cancel)
    assert prompt is None and seen["f"] == "请输入一个浮点数："


@pytest.mark.parametrize("prompt", [nuv_touch.input_integer, nuv_touch.input_float])
def test_bad_message_is_refused_before_any_dialog(frame, prompt, monkeypatch):
    made = []
    monkeypatch.setattr(nuv_touch, "DigitKeypad", lambda *a, **k: made.append(a))
    with pytest.raises(TypeError, match="Argument 'message' has incorrect type \\(expected str, got int\\)"):
        prompt(frame, message=5)
    assert made == []


DigitKeypad = nuv_touch.DigitKeypad


class Recording(DigitKeypad):
    calls = []

    def __init__(self, *args, **kwargs):
        Recording.calls.append((args, kwargs))
        DigitKeypad.__init__(self, *args, **kwargs)


def test_names_are_looked_up_at_call_time(frame, monkeypatch):
    Recording.calls = []
    monkeypatch.setattr(nuv_touch, "DigitKeypad", Recording)
    monkeypatch.setattr(nuv_touch, "KEYPAD_MODE_INT", 7)
    value = run_modal(lambda: nuv_touch.input_integer(frame, 1, 5, "How many?"),
                      lambda d: press(d, "3"), confirm)
    assert value == 3.0  # mode 7 is not the integer mode any more: the keypad checks as decimal
    assert Recording.calls == [((frame,), {"mode": 7, "minimum": 1, "maximum": 5, "message": "How many?"})]


class Failing(DigitKeypad):
    def get_value(self):
        raise KeyError("field unreadable")


def test_keypad_destroyed_when_an_error_propagates(frame, monkeypatch):
    monkeypatch.setattr(nuv_touch, "DigitKeypad", Failing)
    with pytest.raises(KeyError):
        run_modal(lambda: nuv_touch.input_integer(frame), lambda d: press(d, "1"), confirm)
    assert keypads() == []


class Long(DigitKeypad):
    def __init__(self, *args, **kwargs):
        DigitKeypad.__init__(self, *args, **kwargs)
        self.mValueField = TextField()
        self.mValueField.SetValue("-" + "9" * 100000)


def test_integer_of_any_length_is_returned_exactly(frame, monkeypatch):
    monkeypatch.setattr(nuv_touch, "DigitKeypad", Long)
    assert run_modal(lambda: nuv_touch.input_integer(frame), confirm) == 1 - 10 ** 100000
