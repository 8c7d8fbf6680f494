"""The alphanumeric keyboard: typing, shift, caps lock and the masked field,
driven through the real layout's keys."""

import struct
import types

import pytest
import wx
import wx.grid

import nuv_touch
import nuv_touchui
from conftest import click, pump, run_modal, scaled, send_key, wait_until

SHIFT_ON = (255, 128, 0)
SHIFT_OFF = (225, 225, 255)
SHIFT_KEYS = ("ui_shift_0", "ui_shift_1", "ui_shift_2", "ui_shift_3")
CAPS_ON = ("ui_caps_on_0", "ui_caps_on_1", "ui_caps_on_2")
CAPS_OFF = ("ui_caps_off_0", "ui_caps_off_1", "ui_caps_off_2")


class Adapter:
    """Stands in for a control adapter: only window_style is read."""

    def __init__(self, window_style):
        self.window_style = window_style


@pytest.fixture
def keyboard(frame):
    """Makes keyboards parented by the frame; destroys them afterwards."""
    made = []

    def make(*args, **kwargs):
        dialog = nuv_touch.AlphaKeypad(frame, *args, **kwargs)
        made.append(dialog)
        return dialog
    yield make
    for dialog in made:
        if dialog:
            dialog.Destroy()


@pytest.fixture
def fits(monkeypatch):
    """Records every window_fit_layout call the module makes."""
    calls = []
    real = nuv_touch.window_fit_layout

    def recording(window):
        calls.append(window)
        return real(window)
    monkeypatch.setattr(nuv_touch, "window_fit_layout", recording)
    return calls


def shown(key):
    """Whether `key` would be on screen with its dialog."""
    window = key
    while not isinstance(window, wx.TopLevelWindow):
        if not window.IsShown():
            return False
        window = window.GetParent()
    return True


def key(dialog, label):
    """The visible key of the dialog labelled `label` (the first of the four
    shift keys)."""
    found = [k for k in dialog.keys() if k.GetLabel() == label and shown(k)]
    assert len(found) == (4 if label == "Shift" else 1), "%d visible keys labelled %r" % (len(found), label)
    return found[0]


def buttons(dialog):
    """Every key of the dialog, shown or not."""
    return dialog.keys()


def type_keys(dialog, *labels):
    for label in labels:
        click(key(dialog, label))


def colour(button):
    return button.GetBackgroundColour().Get(includeAlpha=False)


def extra_key(dialog, label):
    """A key the layout does not have, delivering to on_character."""
    button = wx.Button(dialog, label=label)
    button.Bind(wx.EVT_BUTTON, dialog.on_character)
    return button


# --- typing ---------------------------------------------------------------

@pytest.mark.parametrize("masked", [False, True])
def test_keys_append_their_label_at_the_end(keyboard, masked):
    dialog = keyboard(password_mode=masked)
    dialog.set_value("abc")
    field = dialog._AlphaKeypad__text_field
    field.SetInsertionPoint(0)
    type_keys(dialog, "d")
    assert dialog.get_value() == "abcd"
    type_keys(dialog, "Tab", "Space", "=", "1")
    assert dialog.get_value() == "abcd\t =1"
    assert field.GetValue() == "abcd\t =1"


def test_only_the_exact_words_tab_and_space_are_blanks(keyboard):
    dialog = keyboard()
    for label in ("tab", "SPACE", "Space ", "OK?"):
        click(extra_key(dialog, label))
    assert dialog.get_value() == "tabSPACESpace OK?"
    dialog.out_("\u00e9\u00e8")
    assert dialog.get_value() == "tabSPACESpace OK?\u00e9\u00e8"


def test_backspace_and_clear(keyboard):
    dialog = keyboard()
    writes = []
    dialog.ui_value_normal.Bind(wx.EVT_TEXT, lambda event: writes.append(event.GetString()))
    dialog.set_value("ab")
    type_keys(dialog, "Backspace")
    assert dialog.get_value() == "a"
    type_keys(dialog, "Backspace")
    assert dialog.get_value() == ""
    del writes[:]
    type_keys(dialog, "Backspace")  # nothing left: the field is not written
    assert writes == [] and dialog.get_value() == ""
    dialog.set_value("xyz")
    type_keys(dialog, "Clear")
    assert dialog.get_value() == ""


def test_a_whole_password_typed_with_shift_and_caps(keyboard):
    dialog = keyboard(password_mode=True)
    type_keys(dialog, "Caps On", "P", "Caps Off", "w", "Shift", "!", "@", "Shift", "9")
    assert dialog.get_value() == "Pw!@9"
    assert dialog.ui_value_normal.GetValue() == ""


# --- shift and caps lock --------------------------------------------------

def test_shift_toggles_panels_and_key_colours(keyboard, fits):
    dialog = keyboard()
    assert dialog.shift is False
    assert colour(dialog.ui_shift_0) != SHIFT_OFF  # the layout's own colour
    del fits[:]

    click(dialog.ui_shift_2)
    assert dialog.shift is True
    assert dialog.Shift.IsShown() and not dialog.no_Shift.IsShown()
    assert [colour(getattr(dialog, name)) for name in SHIFT_KEYS] == [SHIFT_ON] * 4
    assert fits == [dialog]

    click(dialog.ui_shift_0)
    assert dialog.shift is False
    assert not dialog.Shift.IsShown() and dialog.no_Shift.IsShown()
    assert [colour(getattr(dialog, name)) for name in SHIFT_KEYS] == [SHIFT_OFF] * 4
    assert fits == [dialog, dialog]
    # Shift leaves caps lock alone.
    assert [getattr(dialog, name).IsShown() for name in CAPS_ON + CAPS_OFF] == [False] * 3 + [True] * 3


def test_typing_leaves_shift_on(keyboard):
    dialog = keyboard()
    type_keys(dialog, "Shift", "%", "Space", "&", "Backspace")
    assert dialog.get_value() == "% "
    assert dialog.shift is True and dialog.Shift.IsShown()
    assert colour(dialog.ui_shift_3) == SHIFT_ON


def test_caps_lock_is_set_not_toggled(keyboard, fits):
    dialog = keyboard()
    on_key, off_key = key(dialog, "Caps On"), key(dialog, "Caps Off")
    before = [colour(getattr(dialog, name)) for name in SHIFT_KEYS]
    del fits[:]

    for presses in (1, 2):
        click(on_key)
        assert [getattr(dialog, n).IsShown() for n in CAPS_ON + CAPS_OFF] == [True] * 3 + [False] * 3
        assert fits == [dialog] * presses  # laid out again even when nothing changed
    type_keys(dialog, "Q", "A", "Z")
    assert dialog.get_value() == "QAZ"

    click(off_key)
    assert [getattr(dialog, n).IsShown() for n in CAPS_ON + CAPS_OFF] == [False] * 3 + [True] * 3
    assert len(fits) == 3
    assert dialog.shift is False and dialog.no_Shift.IsShown()
    assert [colour(getattr(dialog, name)) for name in SHIFT_KEYS] == before


# --- the field: plain or masked -------------------------------------------

def _grid(frame):
    return wx.grid.Grid(frame)


@pytest.mark.parametrize("widget, password_mode, masked", [
    (None, None, False),
    ("grid", None, False),
    (Adapter(wx.TE_PASSWORD | wx.TE_PROCESS_ENTER), None, True),
    (Adapter(wx.TE_PASSWORD), False, False),
    (Adapter(0), True, True),
    ("grid", True, True),
    (None, True, True),
    (None, "yes", True),
])
def test_field_choice(keyboard, frame, widget, password_mode, masked):
    if widget == "grid":
        widget = _grid(frame)
    dialog = keyboard(widget, password_mode)
    active, other = dialog.ui_value_password, dialog.ui_value_normal
    if not masked:
        active, other = other, active
    assert dialog._AlphaKeypad__text_field is active
    assert active.IsShown() and not other.IsShown()
    assert dialog._AlphaKeypad__widget is widget
    dialog.set_value("s3cret")
    assert dialog.get_value() == "s3cret" and other.GetValue() == ""


def test_grid_is_recognised_through_the_module_binding(keyboard, monkeypatch):
    class FakeGrid:
        pass  # no window_style: only the grid test keeps this from failing
    monkeypatch.setattr(nuv_touch, "_grid", types.SimpleNamespace(Grid=FakeGrid))
    dialog = keyboard(FakeGrid())
    assert dialog._AlphaKeypad__text_field is dialog.ui_value_normal


def test_failed_construction_leaves_no_window():
    before = len(wx.GetTopLevelWindows())
    with pytest.raises(AttributeError, match="window_style"):
        nuv_touch.AlphaKeypad(None, widget=object())
    pump()
    assert len(wx.GetTopLevelWindows()) == before


# --- construction ---------------------------------------------------------

def test_message(keyboard):
    assert not keyboard().ui_message.IsShown()
    dialog = keyboard(message="Operator name")
    assert dialog.ui_message.IsShown() and dialog.ui_message.GetLabel() == "Operator name"


@pytest.fixture
def layout_inits(monkeypatch):
    """Records, for each run of the layout initialiser, the keyboard state it
    could already see."""
    seen = []
    real = nuv_touch.AlphaKeypadUI

    class Recording(real):
        def __init__(self, parent):
            seen.append((getattr(self, "shift", "unset"), getattr(self, "_AlphaKeypad__widget", "unset")))
            real.__init__(self, parent)
    monkeypatch.setattr(nuv_touch, "AlphaKeypadUI", Recording)
    return seen


@pytest.mark.parametrize("message", [None, 5, type("Text", (str,), {})("hi")])
def test_message_refused_before_any_window_exists(layout_inits, message):
    before = len(wx.GetTopLevelWindows())
    with pytest.raises(TypeError, match=r"^Argument 'message' has incorrect type \(expected str, got %s\)$"
                       % type(message).__name__):
        nuv_touch.AlphaKeypad(None, None, None, message)
    assert layout_inits == []
    assert len(wx.GetTopLevelWindows()) == before


def test_state_set_before_the_layout_runs(keyboard, layout_inits):
    widget = Adapter(0)
    keyboard(widget=widget)
    assert layout_inits == [(False, widget)]


def test_private_members_go_by_their_class_private_names():
    cls = nuv_touch.AlphaKeypad
    for name in ("__change_color", "__on_shift", "__on_caps"):
        assert not hasattr(cls, name)
        member = getattr(cls, "_AlphaKeypad" + name)
        assert (member.__name__, member.__qualname__) == (name, "AlphaKeypad" + "." + name)
    assert isinstance(cls.__dict__["_AlphaKeypad__change_color"], staticmethod)


# --- in its modal loop ----------------------------------------------------

def test_confirm_and_cancel_in_the_modal_loop(keyboard):
    dialog = keyboard(message="Name")
    code = run_modal(dialog, lambda d: type_keys(d, "Shift", "~", "Shift", "o", "k"),
                     lambda d: click(key(d, "OK")))
    assert code == wx.ID_OK and dialog.get_value() == "~ok"

    dialog = keyboard()
    code = run_modal(dialog, lambda d: type_keys(d, "x"), lambda d: click(key(d, "Cancel")))
    assert code != wx.ID_OK


# --- national keyboards ---------------------------------------------------

@pytest.fixture
def layout_choice():
    """set_keyboard_layout, reset to following the locale afterwards."""
    yield nuv_touchui.set_keyboard_layout
    nuv_touchui.set_keyboard_layout(None)


@pytest.mark.parametrize("name, presses, typed", [
    ("de", ("\u00e4", "\u00f6", "\u00fc", "\u00df", "Caps On", "\u00c4", "\u00d6", "\u00dc", "\u1e9e",
            "Caps Off", "Shift", "\u00a7", "\u00b0", "Shift", "z", "y"), "\u00e4\u00f6\u00fc\u00df"
     "\u00c4\u00d6\u00dc\u1e9e\u00a7\u00b0zy"),
    # French: accented letters on the digits row, the digits on its shift
    # and on a row of their own; a dead key composes with the next letter.
    ("fr", ("\u00e9", "\u00e8", "\u00e0", "\u00e7", "\u00f9", "1", "Caps On", "\u00c9", "\u00c8", "\u00c0",
            "\u00c7", "\u00d9", "A", "Caps Off", "Shift", "\u00a3", "\u00b5", "Shift", "^", "e"),
     "\u00e9\u00e8\u00e0\u00e7\u00f91\u00c9\u00c8\u00c0\u00c7\u00d9A\u00a3\u00b5\u00ea"),
    ("es", ("\u00f1", "\u00b4", "a", "\u00e7", "\u00a1", "\u00b4", "\u00b4", "Caps On", "\u00d1", "Caps Off",
            "Shift", "\u00bf", "Shift"), "\u00f1\u00e1\u00e7\u00a1\u00b4\u00d1\u00bf"),
])
def test_each_national_keyboard_types_its_own_characters(keyboard, layout_choice, name, presses, typed):
    layout_choice(name)
    dialog = keyboard()
    type_keys(dialog, *presses)
    assert dialog.get_value() == typed
    # A national character from a physical keyboard reaches its key too.
    send_key(dialog, ord(typed[0]), char=typed[0], kind=wx.wxEVT_CHAR)
    assert dialog.get_value() == typed + typed[0]
    # Every printable ASCII character stays on some key, or held under one
    # (AltGr's).
    reach = set()
    for button in buttons(dialog):
        reach.add(button.GetLabel())
        reach.update(button.variants())
    assert {chr(c) for c in range(33, 127)} <= reach


def test_the_keyboard_follows_the_locale_unless_the_application_chooses(wx_app, layout_choice):
    assert nuv_touchui.keyboard_layout() == "us"
    with wx.LogNull():  # the system may lack the French locale: wx warns, the language still counts
        locale = wx.Locale(wx.LANGUAGE_FRENCH)
    try:
        assert nuv_touchui.keyboard_layout() == "fr"
        layout_choice("es")
        assert nuv_touchui.keyboard_layout() == "es"
        layout_choice(None)
        assert nuv_touchui.keyboard_layout() == "fr"
    finally:
        del locale
    assert nuv_touchui.keyboard_layout() == "us"
    with pytest.raises(ValueError, match="evdev.xml"):
        layout_choice("zz")
    # Every layout and variant there is, as setxkbmap names them, and pinyin.
    listed = dict(nuv_touchui.keyboard_layouts())
    assert {"us", "ru", "il", "ara", "de(nodeadkeys)", "zh", "cangjie"} <= set(listed) and listed["ru"] == "Russian"
    assert listed["kr"] == "Korean (Hangul, 2-set)"
    # Pinyin for simplified Chinese, zhuyin for traditional; Korean and
    # Japanese compose.
    assert [nuv_touchui.keyboards.layout_for(name) for name in ("zh_CN", "zh_Hans", "el_GR", "xx")] == \
        ["zh", "zh", "gr", "us"]
    assert [nuv_touchui.keyboards.layout_for(name) for name in ("zh_TW", "zh_HK", "zh_MO", "zh-Hant", "ko_KR", "ja")] \
        == ["tw", "tw", "tw", "tw", "kr", "jp"]


# --- keyboards of other scripts, by real taps ------------------------------

class Finger:
    """A real pointer on the X server, tapping and holding keys by their
    place on the screen."""

    def __init__(self, dialog):
        self.dialog = dialog
        self._simulator = wx.UIActionSimulator()
        dialog.Show()
        dialog.Raise()
        pump(100)

    def on(self, button):
        rect = button.GetScreenRect()
        self._simulator.MouseMove(rect.x + rect.width // 2, rect.y + rect.height // 2)
        pump(30)

    def tap(self, *labels):
        for label in labels:
            self.on(key(self.dialog, label))
            self._simulator.MouseDown()
            pump(30)
            self._simulator.MouseUp()
            pump(30)

    def hold(self, label):
        """Hold the key `label` down; the keys it then offers."""
        self.on(key(self.dialog, label))
        self._simulator.MouseDown()
        wait_until(lambda: held(self.dialog), timeout=3)
        return held(self.dialog)

    def lift_on(self, button):
        self.on(button)
        self._simulator.MouseUp()
        pump(30)


def held(dialog):
    return [button for button in dialog.keys() if button.GetName() == "held"]


@pytest.fixture
def application_catalog(tmp_path):
    """application_catalog(language): the application's own catalog in
    `language` loaded, as an application shown in it loads it; unloaded
    afterwards."""
    def load(language):
        directory = tmp_path / language / "LC_MESSAGES"
        directory.mkdir(parents=True)
        (directory / "machine.mo").write_bytes(_catalog_of_header(
            "Content-Type: text/plain; charset=UTF-8\nLanguage: %s\n" % language))
        wx.FileTranslationsLoader.AddCatalogLookupPathPrefix(str(tmp_path))
        translations = wx.Translations()
        translations.SetLanguage(language)
        assert translations.AddCatalog("machine")
        wx.Translations.Set(translations)
    yield load
    wx.Translations.Set(None)


def _catalog_of_header(header):
    """A compiled gettext catalog holding only its header (no msgfmt on
    every machine the tests run on)."""
    text = header.encode("utf-8")
    entries = 28  # after the seven words of the catalog's head
    data = entries + 16
    return (struct.pack("<7I", 0x950412DE, 0, 1, entries, entries + 8, 0, data)
            + struct.pack("<4I", 0, data, len(text), data + 1) + b"\0" + text + b"\0")


# Russian, Greek and Hebrew keyboards come by the application's language;
# the others are chosen.
@pytest.mark.parametrize("name, word, language", [
    ("ru", "\u043c\u0438\u0440", "ru"), ("gr", "\u03b3\u03b5\u03b9\u03b1", "el"),
    ("il", "\u05e9\u05dc\u05d5\u05dd", "he"), ("ara", "\u0633\u0644\u0627\u0645", None),
    ("th", "\u0e44\u0e17\u0e22", None), ("in", "\u0928\u092e\u0915", None),
    ("ge", "\u10d3\u10d0", None), ("am", "\u0562\u0561\u0580\u056b", None),
])
def test_a_word_of_another_script_typed_by_taps(keyboard, layout_choice, application_catalog, name, word,
                                                  language):
    if language is None:
        layout_choice(name)
    else:
        application_catalog(language)
    dialog = keyboard()
    finger = Finger(dialog)
    finger.tap(*word)
    # The Latin letters a key away, and back.
    finger.tap("ABC", "o", "k")
    latin_key = next(button for button in dialog.keys() if button.GetName() == "script")
    assert latin_key.GetLabel() != "ABC"
    finger.tap(latin_key.GetLabel(), word[0])
    assert dialog.get_value() == word + "ok" + word[0]
    # Right to left where the script is written so.
    right_to_left = dialog.ui_value_normal.GetLayoutDirection() == wx.Layout_RightToLeft
    assert right_to_left == (name in ("il", "ara"))


def test_a_dead_key_composes_and_altgr_letters_are_held(keyboard, layout_choice, monkeypatch):
    monkeypatch.setattr(nuv_touchui.KeyButton, "HOLD_DELAY_MS", round(scaled(0.5) * 1000))
    layout_choice("pl")
    dialog = keyboard()
    finger = Finger(dialog)
    offered = finger.hold("a")
    labels = [button.GetLabel() for button in offered]
    assert "\u0105" in labels  # ą, AltGr+a
    finger.lift_on(offered[labels.index("\u0105")])
    assert dialog.get_value() == "\u0105"
    dialog.Destroy()

    layout_choice("fr")
    dialog = keyboard()
    finger = Finger(dialog)
    finger.tap("^", "e", "^", "x", "^", "^")  # what it does not compose: the letter alone
    assert dialog.get_value() == "\u00eax^"


def test_a_physical_key_presses_the_key_at_its_position(keyboard, layout_choice):
    layout_choice("ru")
    dialog = keyboard()
    simulator = wx.UIActionSimulator()
    Finger(dialog)
    # The X server's keymap is US: the keys of a, shift+s and 1 are those
    # of ф, Ы and 1 on the Russian keyboard.
    for code, modifiers in ((ord("a"), 0), (ord("s"), wx.MOD_SHIFT), (ord("1"), 0)):
        simulator.Char(code, modifiers)
        pump(30)
    wait_until(lambda: len(dialog.get_value()) >= 3)
    assert dialog.get_value() == "\u0444\u042b1"


def test_altgr_at_a_physical_key_types_the_letter_altgr_gives_there(keyboard, layout_choice):
    # As GTK reports AltGr with a (Polish, X keycode 38): Ctrl and Alt.
    layout_choice("pl")
    dialog = keyboard()
    for shift in (False, True):
        event = wx.KeyEvent(wx.wxEVT_CHAR_HOOK)
        event.SetTimestamp(1)  # the display's time, as the toolkit's events carry
        event.SetRawKeyFlags(38)
        event.SetControlDown(True)
        event.SetAltDown(True)
        event.SetShiftDown(shift)
        dialog.ProcessEvent(event)
    assert dialog.get_value() == "\u0105\u0104"
