"""The PIN keypad and the text, password and PIN prompts, on real dialogs."""

import types

import pytest
import wx

import nuv_touch
import nuv_touchui
from conftest import click, pump, run_modal

KEYS = ["DotPoint"] + ["m_button%d" % n for n in list(range(2, 14)) + [15, 16, 17]]


def press(*labels):
    """A run_modal step pressing the keys on screen with these labels."""
    def step(dialog):
        for label in labels:
            click(next(k for k in dialog.keys() if k.GetLabel() == label and k.IsShownOnScreen()))
    return step


def open_dialogs():
    pump()
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, wx.Dialog) and not w.IsBeingDeleted()]


@pytest.fixture
def recorder(monkeypatch):
    """recorder(name) rebinds the keypad class `name` of the module to a
    subclass that records how the prompts make it: (args, kwargs) of each."""
    def record(name):
        calls = []
        real = getattr(nuv_touch, name)

        def init(self, *args, **kwargs):
            calls.append((args, kwargs))
            real.__init__(self, *args, **kwargs)
        monkeypatch.setattr(nuv_touch, name, type(name, (real,), {"__init__": init}))
        return calls
    return record


# --- the PIN keypad -----------------------------------------------------------

@pytest.mark.parametrize("args, key_points, entry_points, prompt", [
    ((), 20, 32, None),
    ((None, 10), 10, 22, None),
    (("", 10, 15), 10, 15, None),
    (("Badge PIN:",), 20, 32, "Badge PIN:"),
    ((" ", 20, None), 20, 32, " "),
])
def test_fonts_and_prompt(frame, args, key_points, entry_points, prompt):
    layout = nuv_touchui.DigitPasswordKeypad(frame)
    dialog = nuv_touch.DigitPasswordKeypad(frame, *args)
    try:
        assert [getattr(dialog, name).GetFont().GetPointSize() for name in KEYS] == [key_points] * 16
        assert dialog.ui_text.GetFont().GetPointSize() == entry_points
        assert dialog.ui_message.GetLabel() == (prompt or layout.ui_message.GetLabel())
    finally:
        dialog.Destroy()
        layout.Destroy()


@pytest.mark.parametrize("kwargs, name, expected, got", [
    ({"message": 5}, "message", "str", "int"),
    ({"font_size": None}, "font_size", "int", "NoneType"),
    ({"font_size": True}, "font_size", "int", "bool"),
    ({"font_size": 20.0}, "font_size", "int", "float"),
    ({"show_size": 20.5}, "show_size", "int", "float"),
    ({"show_size": False}, "show_size", "int", "bool"),
    ({"message": b"1", "font_size": None}, "message", "str", "bytes"),
    ({"font_size": True, "show_size": 1.5}, "font_size", "int", "bool"),
])
def test_argument_checks_come_before_any_widget(frame, monkeypatch, kwargs, name, expected, got):
    layout_inits = []
    monkeypatch.setattr(nuv_touch._DigitPasswordKeypad, "__init__", lambda self, parent: layout_inits.append(1))
    with pytest.raises(TypeError) as raised:
        nuv_touch.DigitPasswordKeypad(frame, **kwargs)
    assert str(raised.value) == "Argument '%s' has incorrect type (expected %s, got %s)" % (name, expected, got)
    assert layout_inits == [] and open_dialogs() == []


def test_failed_construction_leaves_no_window(monkeypatch):
    def refuse(window):
        raise RuntimeError("layout refused")
    monkeypatch.setattr(nuv_touch, "window_fit_layout", refuse)
    with pytest.raises(RuntimeError, match="layout refused"):
        nuv_touch.DigitPasswordKeypad(None)
    assert open_dialogs() == []


def test_keys_edit_the_entry_and_confirm_ends_with_ok(frame):
    dialog = nuv_touch.DigitPasswordKeypad(frame)
    seen = []

    def look(d):
        seen.append((d.get_value(), d.ui_text.GetValue()))
    try:
        code = run_modal(dialog, press("1", "2", "3"), look, press("Clear"), look, press("0", "7"), look,
                         press("OK"))
    finally:
        dialog.Destroy()
    assert code == wx.ID_OK
    assert seen == [("123", "123"), ("", ""), ("07", "07")]


@pytest.mark.parametrize("how", ["in its namespace", "from its __getattr__"])
def test_confirm_reads_wx_as_the_module_binds_it_now(frame, monkeypatch, how):
    # A stand-in for wx, rebound on the module after the keypad was made: the
    # confirm key's code comes from it, from its namespace or its __getattr__.
    stand_in = types.ModuleType("wx_stand_in")
    if how == "in its namespace":
        stand_in.ID_OK = 4242
    else:
        stand_in.__getattr__ = lambda name: 4243 if name == "ID_OK" else getattr(wx, name)
    dialog = nuv_touch.DigitPasswordKeypad(frame)
    ended = []
    dialog.EndModal = ended.append
    try:
        monkeypatch.setattr(nuv_touch, "wx", stand_in)
        dialog.on_confirm(None)
        monkeypatch.undo()
    finally:
        dialog.Destroy()
    assert ended == [4242 if how == "in its namespace" else 4243]


# --- the prompts --------------------------------------------------------------

@pytest.mark.parametrize("keys, result", [
    (("1", "2", "3", "OK"), "123"),
    (("0", "0", "4", "2", "OK"), "0042"),
    (("OK",), ""),
    (("9", "Clear", "OK"), ""),
    (("1", "2", "Cancel"), None),
])
def test_pin_prompt_returns_the_digits_or_none(frame, recorder, keys, result):
    made = recorder("DigitPasswordKeypad")
    assert run_modal(lambda: nuv_touch.input_digit_password(frame), press(*keys)) == result
    assert made == [((frame, None), {})]
    assert open_dialogs() == []


def test_pin_prompt_masks_the_field_and_shows_the_message(frame):
    seen = []

    def look(d):
        seen.append((d.ui_text.HasFlag(wx.TE_PASSWORD), d.ui_text.GetValue(), d.ui_message.GetLabel()))
    assert run_modal(lambda: nuv_touch.input_digit_password(frame, "PIN:"), press("4", "2"), look,
                     press("OK")) == "42"
    assert seen == [(True, "42", "PIN:")]


@pytest.mark.parametrize("keys, result", [
    (("a", "Caps On", "B", "Caps Off", "c", "OK"), "aBc"),
    (("Space", "x", "Space", "OK"), " x "),
    (("OK",), ""),
    (("a", "Cancel"), None),
])
def test_text_prompt_returns_the_text_unchanged_or_none(frame, recorder, keys, result):
    made = recorder("AlphaKeypad")
    assert run_modal(lambda: nuv_touch.input_text(frame), press(*keys)) == result
    assert made == [((frame,), {"password_mode": False, "message": ""})]
    assert open_dialogs() == []


@pytest.mark.parametrize("prompt", [
    lambda frame: nuv_touch.input_text(frame, True, "Key:"),
    lambda frame: nuv_touch.input_password(frame, "Key:"),
], ids=["input_text", "input_password"])
def test_password_prompt_is_the_masked_text_prompt(frame, recorder, prompt):
    made = recorder("AlphaKeypad")
    seen = []

    def look(d):
        seen.append((d.ui_value_password.IsShown(), d.ui_value_normal.IsShown(), d.ui_value_password.GetValue()))
    assert run_modal(lambda: prompt(frame), press("p", "w"), look, press("OK")) == "pw"
    assert made == [((frame,), {"password_mode": True, "message": "Key:"})]
    assert seen == [(True, False, "pw")]


def test_password_mode_is_passed_on_unchanged(frame, recorder):
    made = recorder("AlphaKeypad")
    assert run_modal(lambda: nuv_touch.input_text(frame, 0), press("OK")) == ""
    assert [type(kwargs["password_mode"]) for _, kwargs in made] == [int]


@pytest.mark.parametrize("call, keypad, got", [
    (lambda f: nuv_touch.input_text(f, message=None), "AlphaKeypad", "NoneType"),
    (lambda f: nuv_touch.input_text(f, False, 5), "AlphaKeypad", "int"),
    (lambda f: nuv_touch.input_password(f, None), "AlphaKeypad", "NoneType"),
    (lambda f: nuv_touch.input_digit_password(f, b"1234"), "DigitPasswordKeypad", "bytes"),
])
def test_prompt_messages_are_checked_before_any_keypad(frame, recorder, call, keypad, got):
    made = recorder(keypad)
    with pytest.raises(TypeError) as raised:
        call(frame)
    assert str(raised.value) == "Argument 'message' has incorrect type (expected str, got %s)" % got
    assert made == [] and open_dialogs() == []


def test_password_prompt_calls_input_text_as_the_module_binds_it(frame, monkeypatch):
    calls = []
    monkeypatch.setattr(nuv_touch, "input_text", lambda *args, **kwargs: calls.append((args, kwargs)) or "rebound")
    assert nuv_touch.input_password(frame, "PIN:") == "rebound"
    assert nuv_touch.input_password(frame) == "rebound"
    assert calls == [((frame, True, "PIN:"), {}), ((frame, True, ""), {})]


class _Broken(Exception):
    pass


def _raise(self):
    raise _Broken()


@pytest.mark.parametrize("prompt, keypad, method, keys, error", [
    (nuv_touch.input_digit_password, "DigitPasswordKeypad", _raise, (), _Broken),
    (nuv_touch.input_digit_password, "DigitPasswordKeypad", _raise, ("OK",), _Broken),
    (nuv_touch.input_digit_password, "DigitPasswordKeypad", lambda self: 1234, ("OK",), TypeError),
    (nuv_touch.input_text, "AlphaKeypad", _raise, (), _Broken),
    (nuv_touch.input_password, "AlphaKeypad", _raise, ("OK",), _Broken),
], ids=["pin-show", "pin-read", "pin-not-str", "text-show", "password-read"])
def test_prompts_destroy_their_keypad_when_an_error_propagates(frame, monkeypatch, prompt, keypad, method,
                                                                keys, error):
    name = "get_value" if keys else "ShowModal"
    monkeypatch.setattr(nuv_touch, keypad, type(keypad, (getattr(nuv_touch, keypad),), {name: method}))
    with pytest.raises(error, match="^Expected unicode, got int$" if error is TypeError else None):
        run_modal(lambda: prompt(frame), *([press(*keys)] if keys else []))
    assert open_dialogs() == []
