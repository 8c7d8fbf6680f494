"""The PIN keypad and the text, password and PIN prompts, on real dialogs."""

import pytest
import wx

import nuv_touch
import nuv_touchui
from conftest import click, pump, run_modal

KEYS = ["DotPoint"] + ["m_button%d" % n for n in list(range(2, 14)) + [15, 16, 17]]


def _descendants(window):
    for child in window.GetChildren():
        yield child
        yield from _descendants(child)


def key(dialog, label):
    """The visible key of `dialog` labelled `label`."""
    for child in _descendants(dialog):
        if isinstance(child, wx.Button) and child.IsShown() and child.GetLabel() == label:
            return child
    raise LookupError("no key %r" % label)


def press(*labels):
    """A run_modal step pressing the keys with these labels, in order."""
    def step(dialog):
        for label in labels:
            click(key(dialog, label))
    return step


def open_dialogs(kind):
    pump()
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, kind) and not w.IsBeingDeleted()]


def layout_prompt(parent):
    """The prompt the PIN layout shows by itself."""
    bare = nuv_touchui.DigitPasswordKeypad(parent)
    try:
        return bare.ui_message.GetLabel()
    finally:
        bare.Destroy()


@pytest.fixture
def pin_keypad(frame):
    """Makes DigitPasswordKeypad dialogs over the frame; destroys them after."""
    made = []

    def make(*args, **kwargs):
        dialog = nuv_touch.DigitPasswordKeypad(frame, *args, **kwargs)
        made.append(dialog)
        return dialog
    yield make
    for dialog in made:
        if dialog:
            dialog.Destroy()


# --- the PIN keypad -----------------------------------------------------------

@pytest.mark.parametrize("kwargs, key_points, entry_points", [
    ({}, 20, 32),
    ({"font_size": 10}, 10, 22),
    ({"font_size": 10, "show_size": 15}, 10, 15),
    ({"show_size": None}, 20, 32),
])
def test_fonts_of_keys_and_entry(pin_keypad, kwargs, key_points, entry_points):
    dialog = pin_keypad(**kwargs)
    assert [getattr(dialog, name).GetFont().GetPointSize() for name in KEYS] == [key_points] * 16
    assert dialog.ui_text.GetFont().GetPointSize() == entry_points


@pytest.mark.parametrize("message, replaces", [(None, False), ("", False), ("Badge PIN:", True), (" ", True)])
def test_prompt_kept_unless_message_has_text(frame, pin_keypad, message, replaces):
    expected = message if replaces else layout_prompt(frame)
    assert pin_keypad(message).ui_message.GetLabel() == expected


@pytest.mark.parametrize("kwargs, refused", [
    ({"message": 5}, ("message", "str", "int")),
    ({"message": b"1234"}, ("message", "str", "bytes")),
    ({"font_size": None}, ("font_size", "int", "NoneType")),
    ({"font_size": True}, ("font_size", "int", "bool")),
    ({"font_size": 20.0}, ("font_size", "int", "float")),
    ({"show_size": 20.5}, ("show_size", "int", "float")),
    ({"show_size": False}, ("show_size", "int", "bool")),
    # checked in the order message, font_size, show_size
    ({"message": 5, "font_size": None}, ("message", "str", "int")),
    ({"font_size": True, "show_size": 1.5}, ("font_size", "int", "bool")),
])
def test_argument_checks_come_before_any_widget(frame, monkeypatch, kwargs, refused):
    layout_inits = []
    monkeypatch.setattr(nuv_touch._DigitPasswordKeypad, "__init__",
                        lambda self, parent: layout_inits.append(parent))
    name, expected, got = refused
    with pytest.raises(TypeError) as raised:
        nuv_touch.DigitPasswordKeypad(frame, **kwargs)
    assert str(raised.value) == "Argument '%s' has incorrect type (expected %s, got %s)" % (name, expected, got)
    assert layout_inits == []
    assert open_dialogs(wx.Dialog) == []


def test_failed_construction_leaves_no_window(frame, monkeypatch):
    def refuse(window):
        raise RuntimeError("layout refused")
    monkeypatch.setattr(nuv_touch, "window_fit_layout", refuse)
    with pytest.raises(RuntimeError, match="layout refused"):
        nuv_touch.DigitPasswordKeypad(None)
    assert open_dialogs(nuv_touch.DigitPasswordKeypad) == []


def test_keys_edit_the_entry_and_confirm_ends_with_ok(pin_keypad):
    dialog = pin_keypad()
    seen = []

    def look(d):
        seen.append((d.get_value(), d.ui_text.GetValue()))

    code = run_modal(dialog, press("1", "2", "3"), look, press("Clear"), look,
                     press("0", "0", "7"), look, press("OK"))
    assert code == wx.ID_OK
    assert seen == [("123", "123"), ("", ""), ("007", "007")]
    assert type(dialog.get_value()) is str


def test_confirm_ends_whatever_the_entry_holds(pin_keypad):
    dialog = pin_keypad()
    dialog.ui_text.SetValue("not a pin")
    assert run_modal(dialog, press("OK")) == wx.ID_OK
    assert dialog.get_value() == "not a pin"


# --- input_digit_password -----------------------------------------------------

@pytest.mark.parametrize("keys, result", [
    (("1", "2", "3", "OK"), "123"),
    (("0", "0", "4", "2", "OK"), "0042"),
    (("OK",), ""),
    (("9", "Clear", "OK"), ""),
    (("1", "2", "Cancel"), None),
])
def test_pin_prompt_returns_the_digits_or_none(frame, keys, result):
    assert run_modal(lambda: nuv_touch.input_digit_password(frame), press(*keys)) == result
    assert open_dialogs(nuv_touch.DigitPasswordKeypad) == []


def test_pin_prompt_closed_by_the_window_returns_none(frame):
    def close(dialog):
        click(key(dialog, "5"))
        dialog.EndModal(wx.ID_CLOSE)
    assert run_modal(lambda: nuv_touch.input_digit_password(frame), close) is None
    assert open_dialogs(nuv_touch.DigitPasswordKeypad) == []


def test_pin_prompt_masks_the_field_and_shows_the_message(frame):
    seen = {}

    def look(dialog):
        seen["masked"] = dialog.ui_text.HasFlag(wx.TE_PASSWORD)
        seen["entry"] = dialog.ui_text.GetValue()
        seen["prompt"] = dialog.ui_message.GetLabel()

    result = run_modal(lambda: nuv_touch.input_digit_password(frame, "Badge PIN:"),
                       press("4", "2"), look, press("OK"))
    assert result == "42"
    assert seen == {"masked": True, "entry": "42", "prompt": "Badge PIN:"}


def test_pin_prompt_looks_up_the_keypad_at_call_time(frame, monkeypatch):
    made = []
    keypad = nuv_touch.DigitPasswordKeypad

    class Recorded(keypad):
        def __init__(self, *args, **kwargs):
            made.append((args, kwargs))
            keypad.__init__(self, *args, **kwargs)

    monkeypatch.setattr(nuv_touch, "DigitPasswordKeypad", Recorded)
    assert run_modal(lambda: nuv_touch.input_digit_password(frame), press("OK")) == ""
    assert made == [((frame, None), {})]
    assert open_dialogs(keypad) == []


class _Broken(Exception):
    pass


def _failing_pin_keypads():
    base = nuv_touch.DigitPasswordKeypad

    class ShowFails(base):
        def ShowModal(self):
            raise _Broken("ShowModal")

    class ReadFails(base):
        def get_value(self):
            raise _Broken("get_value")

    class ReadsAnInt(base):
        def get_value(self):
            return 1234

    return [(ShowFails, (), _Broken, "ShowModal"),
            (ReadFails, ("OK",), _Broken, "get_value"),
            (ReadsAnInt, ("OK",), TypeError, "^Expected unicode, got int$")]


@pytest.mark.parametrize("keypad, keys, error, text", _failing_pin_keypads(),
                         ids=lambda v: getattr(v, "__name__", ""))
def test_pin_prompt_destroys_its_dialog_when_an_error_propagates(frame, monkeypatch, keypad, keys, error, text):
    monkeypatch.setattr(nuv_touch, "DigitPasswordKeypad", keypad)
    steps = [press(*keys)] if keys else []
    with pytest.raises(error, match=text):
        run_modal(lambda: nuv_touch.input_digit_password(frame), *steps)
    assert open_dialogs(wx.Dialog) == []


# --- input_text and input_password --------------------------------------------

class StandInKeyboard(nuv_touch.AlphaKeypadUI):
    """Just enough keyboard for the prompts: records how it was made, types
    key labels into the plain or the masked field."""

    made = []

    def __init__(self, parent, widget=None, password_mode=None, message=""):
        nuv_touch.AlphaKeypadUI.__init__(self, parent)
        StandInKeyboard.made.append((password_mode, message, widget))
        self.field = self.ui_value_password if password_mode else self.ui_value_normal
        self.ui_value_normal.Show(not password_mode)
        self.ui_value_password.Show(bool(password_mode))

    def on_character(self, event):
        label = event.GetEventObject().GetLabel()
        self.field.SetValue(self.field.GetValue() + {"Space": " "}.get(label, label))

    def get_value(self):
        return self.field.GetValue()


@pytest.fixture
def keyboard(monkeypatch):
    """The keyboard class the text prompts find in the module."""
    StandInKeyboard.made = []
    monkeypatch.setattr(nuv_touch, "AlphaKeypad", StandInKeyboard, raising=False)
    return StandInKeyboard


@pytest.mark.parametrize("keys, result", [
    (("a", "b", "OK"), "ab"),
    (("Space", "x", "Space", "OK"), " x "),
    (("OK",), ""),
    (("a", "Cancel"), None),
])
def test_text_prompt_returns_the_text_unchanged_or_none(frame, keyboard, keys, result):
    assert run_modal(lambda: nuv_touch.input_text(frame), press(*keys)) == result
    assert keyboard.made == [(False, "", None)]
    assert open_dialogs(wx.Dialog) == []


@pytest.mark.parametrize("prompt", [
    lambda frame: nuv_touch.input_text(frame, True),
    lambda frame: nuv_touch.input_password(frame),
], ids=["input_text-True", "input_password"])
def test_password_prompt_is_the_masked_text_prompt(frame, keyboard, prompt):
    seen = []

    def look(dialog):
        seen.append((dialog.ui_value_password.IsShown(), dialog.ui_value_normal.IsShown(),
                     dialog.ui_value_password.GetValue()))

    assert run_modal(lambda: prompt(frame), press("p", "w"), look, press("OK")) == "pw"
    assert keyboard.made == [(True, "", None)]
    assert seen == [(True, False, "pw")]
    assert open_dialogs(wx.Dialog) == []


def test_text_prompt_passes_mode_and_message_on_unchanged(frame, keyboard):
    assert run_modal(lambda: nuv_touch.input_text(frame, 0, "Batch:"), press("OK")) == ""
    assert run_modal(lambda: nuv_touch.input_password(frame, message="Shift key:"), press("OK")) == ""
    assert [(type(mode), mode, message) for mode, message, _ in keyboard.made] == [
        (int, 0, "Batch:"), (bool, True, "Shift key:")]


@pytest.mark.parametrize("call, name, got", [
    (lambda f: nuv_touch.input_text(f, message=None), "message", "NoneType"),
    (lambda f: nuv_touch.input_text(f, False, 5), "message", "int"),
    (lambda f: nuv_touch.input_password(f, None), "message", "NoneType"),
    (lambda f: nuv_touch.input_password(f, message=b"x"), "message", "bytes"),
    (lambda f: nuv_touch.input_digit_password(f, 1234), "message", "int"),
])
def test_prompt_messages_are_checked_before_any_dialog(frame, keyboard, call, name, got):
    with pytest.raises(TypeError) as raised:
        call(frame)
    assert str(raised.value) == "Argument '%s' has incorrect type (expected str, got %s)" % (name, got)
    assert keyboard.made == []
    assert open_dialogs(wx.Dialog) == []


def test_password_prompt_calls_input_text_as_the_module_binds_it(frame, monkeypatch):
    calls = []

    def recorder(*args, **kwargs):
        calls.append((args, kwargs))
        return "from the rebound input_text"

    monkeypatch.setattr(nuv_touch, "input_text", recorder)
    assert nuv_touch.input_password(frame, "PIN:") == "from the rebound input_text"
    assert nuv_touch.input_password(frame) == "from the rebound input_text"
    assert calls == [((frame, True, "PIN:"), {}), ((frame, True, ""), {})]


def test_text_prompt_destroys_its_dialog_when_an_error_propagates(frame, keyboard, monkeypatch):
    class ReadFails(keyboard):
        def get_value(self):
            raise _Broken("get_value")

    monkeypatch.setattr(nuv_touch, "AlphaKeypad", ReadFails)
    with pytest.raises(_Broken):
        run_modal(lambda: nuv_touch.input_text(frame), press("OK"))
    with pytest.raises(_Broken):
        run_modal(lambda: nuv_touch.input_password(frame), press("OK"))
    assert open_dialogs(wx.Dialog) == []
