"""The keypad layouts and window_fit_layout, on their own."""

import string

import pytest
import wx

import nuv_touchui
from nuv_touchui import KeyButton, key_look
from nuv_wxtools import window_fit_layout
from conftest import click, pump, run_modal, scaled, send_key, wait_until

NAMED_KEYS = ["DotPoint"] + ["m_button%d" % n for n in
                             list(range(2, 14)) + [15, 16, 17]]
PRINTABLE = {chr(c) for c in range(32, 127)}
LAYOUTS = [nuv_touchui.DigitKeypad, nuv_touchui.DigitPasswordKeypad,
           nuv_touchui.AlphaKeypad]
PADS = LAYOUTS[:2]


def _recording(layout, *handlers):
    """Subclass of `layout` whose handlers record (handler, key label)."""
    def make(name):
        return lambda self, event: self.calls.append(
            (name, event.GetEventObject().GetLabel()))

    def __init__(self, parent):
        self.calls = []
        layout.__init__(self, parent)
    namespace = {name: make(name) for name in handlers}
    namespace["__init__"] = __init__
    return type("Recording" + layout.__name__, (layout,), namespace)


RecordingDigit = _recording(nuv_touchui.DigitKeypad, "OnDigit", "OnDot",
                            "OnNegative", "OnPositive", "OnClearAll",
                            "on_enter")
RecordingPin = _recording(nuv_touchui.DigitPasswordKeypad, "on_digit",
                          "on_clear", "on_confirm")
RecordingAlpha = _recording(nuv_touchui.AlphaKeypad, "on_character",
                            "on_backspace", "on_clear", "on_shift",
                            "on_caps_on", "on_caps_off")


@pytest.fixture
def make(frame):
    """Build a layout (parented by the frame), destroyed afterwards."""
    made = []

    def build(cls, show=False):
        made.append(cls(frame))
        if show:
            made[-1].Show()
            pump(50)
        return made[-1]
    yield build
    for dialog in made:
        if dialog:
            dialog.Destroy()


def _keys(window):
    """All keys of a dialog or a panel of keys."""
    return list(window.keys())


def _key(dialog, label):
    """The key labelled `label`, the one shown where several take turns."""
    found = [k for k in _keys(dialog) if k.GetLabel() == label]
    return next((k for k in found if k.IsShown()), found[0])


def _left(window):
    return window.GetPosition().x


def _font(points):
    return wx.Font(points, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL,
                   wx.FONTWEIGHT_NORMAL, False, wx.EmptyString)


class TestWidgetContract:
    def test_numeric_widgets(self, make):
        d = make(nuv_touchui.DigitKeypad)
        assert not d.mValueField.IsEditable()
        assert not d.mValueField.IsMultiLine()
        for name in ("ui_message", "ui_minimum", "ui_maxmum",
                     "m_staticText3", "m_staticText5"):
            assert isinstance(getattr(d, name), nuv_touchui.DrawnText), name
        low, high = d.ui_minimum.GetLabel(), d.ui_maxmum.GetLabel()
        assert "\u221e" in low and "\u221e" in high and low != high
        keys = [getattr(d, name) for name in NAMED_KEYS]
        assert all(isinstance(k, KeyButton) and k.IsShown() for k in keys)
        assert len(set(map(id, keys))) == 16
        assert d.DotPoint.GetLabel() == "."

    def test_pin_widgets(self, make):
        d = make(nuv_touchui.DigitPasswordKeypad)
        style = d.ui_text.GetWindowStyle()
        assert style & wx.TE_PASSWORD and style & wx.TE_READONLY
        assert isinstance(d.ui_message, nuv_touchui.DrawnText)
        for name in NAMED_KEYS:
            assert isinstance(getattr(d, name), KeyButton), name
            getattr(d, name).SetFont(_font(20))

    def test_alpha_widgets_and_initial_panels(self, make):
        d = make(nuv_touchui.AlphaKeypad)
        for field, masked in ((d.ui_value_normal, False),
                              (d.ui_value_password, True)):
            assert not field.IsEditable()
            assert bool(field.GetWindowStyle() & wx.TE_PASSWORD) == masked
        assert isinstance(d.ui_message, nuv_touchui.DrawnText)
        assert d.no_Shift.IsShown() and not d.Shift.IsShown()
        for i in range(3):
            assert getattr(d, "ui_caps_off_%d" % i).IsShown()
            assert not getattr(d, "ui_caps_on_%d" % i).IsShown()
        for i in range(4):
            assert isinstance(getattr(d, "ui_shift_%d" % i), KeyButton)

    @pytest.mark.parametrize("layout", PADS)
    def test_pads_in_calculator_order(self, make, layout):
        rows = {}
        for key in _keys(make(layout, show=True)):
            if key.IsShown() and key.GetLabel() in string.digits:
                rows.setdefault(key.GetPosition().y, []).append(key)
        labels = [[k.GetLabel() for k in sorted(row, key=_left)]
                  for _, row in sorted(rows.items())]
        assert labels == [["7", "8", "9"], ["4", "5", "6"], ["1", "2", "3"],
                          ["0"]]

    def test_shift_and_caps_panels_swap_in_place(self, make):
        d = make(nuv_touchui.AlphaKeypad, show=True)
        size = d.GetSize()
        pairs = [(d.no_Shift, d.Shift)] + [
            (getattr(d, "ui_caps_off_%d" % i), getattr(d, "ui_caps_on_%d" % i))
            for i in range(3)]
        before = [off.GetScreenRect() for off, _ in pairs]
        for off, on in pairs:
            off.Hide()
            on.Show()
        window_fit_layout(d)
        pump(50)
        assert [on.GetScreenRect() for _, on in pairs] == before
        assert d.GetSize() == size
        for _, on in pairs:  # keys of panels shown late are laid out too
            for key in _keys(on):
                if not key.IsShown():  # a capital of shift and caps off
                    continue
                assert key.GetSize().height >= d.FromDIP(48)
                assert on.GetParent().GetClientRect().Contains(key.GetRect())


@pytest.mark.parametrize("kind", [nuv_touchui.Label, nuv_touchui.DrawnText])
def test_texts_wrap_and_end_in_an_ellipsis(frame, kind, request):
    # The native label and the drawn text share the wrapping: words at
    # spaces, a word too long for the width broken, an ellipsis where the
    # lines run out; the text as set is kept whole, "&" and all.
    dialog = wx.Dialog(frame)
    request.addfinalizer(dialog.Destroy)
    text = kind(dialog, "text", "")
    width = text.GetTextExtent("0000000000").width
    text.SetLabel("R&D " + "0123456789" * 3 + " end")
    text.fit(width)
    assert text.shown_text().split("\n") == [
        "R&D", "0123456789", "0123456789", "0123456789", "end"]
    text.fit(width, 2)
    shown = text.shown_text().split("\n")
    assert len(shown) == 2 and shown[1].endswith(nuv_touchui.ELLIPSIS)
    assert text.GetTextExtent(shown[1]).width <= width
    assert text.GetLabel() == "R&D " + "0123456789" * 3 + " end"
    assert text.GetBestSize().width <= width + dialog.FromDIP(2)


def _ink_columns(text):
    """The columns of its rectangle where DrawnText `text` draws."""
    rect = text.GetRect()
    bitmap = wx.Bitmap(rect.right + 1, rect.bottom + 1)
    memory = wx.MemoryDC(bitmap)
    memory.SetBackground(wx.WHITE_BRUSH)
    memory.Clear()
    text.draw(memory)
    memory.SelectObject(wx.NullBitmap)
    image = bitmap.ConvertToImage()
    return [x - rect.x for x in range(rect.x, rect.right + 1)
            if any(image.GetRed(x, y) < 128 for y in range(rect.y, rect.bottom + 1))]


@pytest.mark.parametrize("message, from_right", [("Batch:", False), ("\u0627\u0644\u062f\u0641\u0639\u0629:", True)])
def test_a_prompt_reads_from_the_side_its_script_starts(make, message, from_right):
    # A right-to-left prompt is set against the right, its colon ending it
    # on the left.
    dialog = make(nuv_touchui.AlphaKeypad)
    text = dialog.ui_message
    text.SetLabel(message)
    window_fit_layout(dialog)
    ink = _ink_columns(text)
    assert ink and ink[-1] - ink[0] <= text.GetTextExtent(message).width
    side = text.GetRect().width - 1 - ink[-1] if from_right else ink[0]
    assert side <= dialog.FromDIP(4)


class TestKeySizes:
    def test_every_key_fits_a_finger_and_pads_are_larger(self, make):
        ppi = wx.GetDisplayPPI().height or 96
        sevens = []
        for layout in LAYOUTS:
            d = make(layout, show=True)
            for key in _keys(d):
                if key.IsShownOnScreen():
                    assert min(key.GetSize()) >= d.FromDIP(48), key.GetLabel()
            sevens.append(_key(d, "7").GetSize())
        for pad in sevens[:2]:
            assert pad.width > sevens[2].width
            assert pad.height > sevens[2].height
            assert pad.height >= 14 * ppi / 25.4  # about 15 mm

    @pytest.mark.parametrize("points", [20, 40])
    def test_bigger_fonts_never_clip_labels(self, make, points):
        # As the keypads do: key font, 12 points larger entry font, refit,
        # all before the dialog is shown.
        for layout, field in zip(PADS, ("mValueField", "ui_text")):
            d = make(layout)
            for name in NAMED_KEYS:
                getattr(d, name).SetFont(_font(points))
            getattr(d, field).SetFont(_font(points + 12))
            window_fit_layout(d)
            d.Show()
            pump(50)
            for key in _keys(d):
                if key.IsShown():
                    text = key.GetTextExtent(key.GetLabel())
                    assert key.GetSize().width > text.width, key.GetLabel()
                    assert key.GetSize().height > text.height, key.GetLabel()
            if layout is nuv_touchui.DigitKeypad:  # an even grid
                assert len({tuple(k.GetSize()) for k in _keys(d)
                            if k.GetLabel() in "123456789+."}) == 1
            entry = getattr(d, field)
            assert entry.GetSize().height > entry.GetCharHeight()
            assert d.GetClientSize().height >= d.GetSizer().GetMinSize().height


class TestHandlerDelivery:
    def test_numeric_keys(self, make):
        d = make(RecordingDigit)
        for key in _keys(d):
            if key.GetLabel() != "Cancel":
                click(key)
        digits = sorted(label for name, label in d.calls if name == "OnDigit")
        assert digits == list(string.digits)
        assert sorted(name for name, _ in d.calls if name != "OnDigit") == \
            ["OnClearAll", "OnDot", "OnNegative", "OnPositive", "on_enter"]
        assert ("OnDot", ".") in d.calls

    def test_pin_keys(self, make):
        d = make(RecordingPin)
        for key in _keys(d):
            if key.IsShown() and key.GetLabel() != "Cancel":
                click(key)
        digits = sorted(label for name, label in d.calls if name == "on_digit")
        assert digits == list(string.digits)
        assert sorted(name for name, _ in d.calls if name != "on_digit") == \
            ["on_clear", "on_confirm"]

    def test_alpha_control_keys(self, make):
        # Character keys: see TestFullKeyboard.
        d = make(RecordingAlpha)
        for key in _keys(d):
            if len(key.GetLabel()) > 1 and key.GetLabel() not in ("Cancel",
                                                                  "OK"):
                click(key)
        assert sorted(d.calls) == sorted(
            [("on_backspace", "Backspace"), ("on_clear", "Clear"),
             ("on_caps_on", "Caps On"), ("on_caps_off", "Caps Off"),
             ("on_character", "Tab"), ("on_character", "Space")]
            + [("on_shift", "Shift")] * 4)
        d.calls.clear()
        for i in range(4):
            click(getattr(d, "ui_shift_%d" % i))
        assert [name for name, _ in d.calls] == ["on_shift"] * 4

    @pytest.mark.parametrize("layout", LAYOUTS)
    def test_bare_layout_takes_every_key(self, make, layout):
        # Default handlers do nothing; Cancel and OK outside a modal loop
        # just hide the dialog.
        d = make(layout, show=True)
        for key in _keys(d):
            click(key)
        assert not d.IsShown()


class TestFullKeyboard:
    def test_every_printable_character_within_reach(self, make):
        # Panels shown as the keyboard shows them in each shift and caps
        # state: the keys on screen type every printable ASCII character.
        d = make(RecordingAlpha, show=True)
        for shift in (False, True):
            for caps in (False, True):
                d.Shift.Show(shift)
                d.no_Shift.Show(not shift)
                for i in range(3):
                    getattr(d, "ui_caps_on_%d" % i).Show(caps)
                    getattr(d, "ui_caps_off_%d" % i).Show(not caps)
                window_fit_layout(d)
                pump(20)
                for key in _keys(d):
                    if key.IsShownOnScreen() and key.GetLabel() not in (
                            "Cancel", "OK"):
                        click(key)
        typed = {label for name, label in d.calls if name == "on_character"}
        assert {" " if t == "Space" else t for t in typed} >= PRINTABLE


class TestModalEndings:
    @pytest.mark.parametrize("layout", LAYOUTS)
    def test_cancel_key_and_close_box(self, make, layout):
        d = make(layout)
        assert run_modal(d, lambda m: click(_key(m, "Cancel"))) \
            == wx.ID_CANCEL
        assert run_modal(d, lambda m: m.Close()) != wx.ID_OK

    def test_numeric_confirm_leaves_ending_to_the_keypad(self, make):
        d = make(nuv_touchui.DigitKeypad)
        still_open = []
        assert run_modal(d, lambda m: click(m.m_button17),
                         lambda m: still_open.append(m is d),
                         lambda m: click(_key(m, "Cancel"))) == wx.ID_CANCEL
        assert still_open == [True]

    def test_pin_confirm_reaches_the_keypad(self, make):
        class Pin(nuv_touchui.DigitPasswordKeypad):
            def on_confirm(self, event):
                self.EndModal(wx.ID_OK)
        d = make(Pin)
        assert run_modal(d, lambda m: click(_key(m, "OK"))) == wx.ID_OK

    def test_alpha_confirm_ends_with_ok(self, make):
        d = make(nuv_touchui.AlphaKeypad)
        assert run_modal(d, lambda m: click(_key(m, "OK"))) == wx.ID_OK


class TestPhysicalKeyboard:
    def test_numeric_and_pin_keys(self, make):
        d = make(RecordingDigit)
        for code in (ord("7"), wx.WXK_NUMPAD3, ord("."), ord("-"),
                     wx.WXK_DELETE, wx.WXK_RETURN):
            send_key(d, code)
        send_key(d, ord("+"), kind=wx.wxEVT_CHAR)
        assert d.calls == [("OnDigit", "7"), ("OnDigit", "3"),
                           ("OnDot", "."), ("OnNegative", "\u2212"),
                           ("OnClearAll", "Clear"), ("on_enter", "OK"),
                           ("OnPositive", "+")]
        d.DotPoint.Disable()
        send_key(d, ord("."))
        assert len(d.calls) == 7
        assert run_modal(d, lambda m: send_key(m, wx.WXK_ESCAPE)) \
            == wx.ID_CANCEL
        pin = make(RecordingPin)
        for code in (ord("4"), wx.WXK_DELETE, wx.WXK_RETURN):
            send_key(pin, code)
        assert pin.calls == [("on_digit", "4"), ("on_clear", "Clear"),
                             ("on_confirm", "OK")]

    def test_alpha_keys(self, make):
        d = make(RecordingAlpha)
        for char in "aZ!~ ":  # translated characters carry case and shift
            send_key(d, ord(char), kind=wx.wxEVT_CHAR)
        # A letter's key-down code does not tell its case: not guessed. A
        # key-down a program made has no position, whatever wx left in its
        # raw flags (here the X keycode of 0).
        assert not send_key(d, ord("Q"), raw_flags=19)
        for code in (wx.WXK_TAB, wx.WXK_BACK, wx.WXK_DELETE):
            send_key(d, code)
        assert d.calls == [("on_character", c) for c in "aZ!~"] + [
            ("on_character", "Space"), ("on_character", "Tab"),
            ("on_backspace", "Backspace"), ("on_clear", "Clear")]
        assert run_modal(d, lambda m: send_key(m, wx.WXK_RETURN)) == wx.ID_OK

    def test_real_keystrokes(self, make):
        d = make(RecordingAlpha)
        simulator = wx.UIActionSimulator()

        def type_keys(m):
            m.Raise()
            pump(100)
            for code, modifiers in ((ord("a"), 0), (ord("a"), wx.MOD_SHIFT),
                                    (ord("1"), wx.MOD_SHIFT), (ord("/"), 0)):
                simulator.Char(code, modifiers)
                pump(20)
            wait_until(lambda: len(m.calls) >= 4)
            simulator.Char(wx.WXK_RETURN)

        assert run_modal(d, type_keys) == wx.ID_OK
        assert d.calls == [("on_character", c) for c in "aA!/"]


    @pytest.mark.parametrize("kind", ["numeric", "pin"])
    def test_backspace_erases_one_character(self, frame, kind):
        import nuv_touch
        if kind == "numeric":
            d = nuv_touch.DigitKeypad(frame, nuv_touch.KEYPAD_MODE_FLOAT)
            d.SetValue("-0.5")
        else:
            d = nuv_touch.DigitPasswordKeypad(frame)
        simulator = wx.UIActionSimulator()
        seen = []

        def type_keys(m):
            m.Raise()
            pump(100)
            for code in (ord("7"), ord("8"), wx.WXK_BACK):
                simulator.Char(code)
                pump(20)
            wait_until(lambda: m.get_value() in ("-0.57", "7"))
            seen.append(m.get_value())
            click(m.m_button15)  # the on-screen Clear still clears all
            seen.append(m.get_value())
            simulator.Char(wx.WXK_BACK)  # nothing left to erase
            simulator.Char(wx.WXK_ESCAPE)

        try:
            assert run_modal(d, type_keys) == wx.ID_CANCEL
        finally:
            d.Destroy()
        assert seen == ["-0.57" if kind == "numeric" else "7", ""]


def _face(key, pressed=False):
    """The colour the key draws at the left of its label."""
    width, height = key.GetSize()
    bitmap = wx.Bitmap(width, height)
    dc = wx.MemoryDC(bitmap)
    key._draw(dc, wx.Rect(0, 0, width, height), pressed, wx.WHITE)
    dc.SelectObject(wx.NullBitmap)
    image, x, y = bitmap.ConvertToImage(), width // 6, height // 2
    return wx.Colour(image.GetRed(x, y), image.GetGreen(x, y),
                     image.GetBlue(x, y))


def _held(dialog):
    """The variants a held key offers, as dialog.keys() lists them."""
    return [key for key in dialog.keys() if key.GetName() == "held"]


class _Finger:
    """A real pointer on the X server, moved onto keys by their screen
    rectangles: what GTK delivers to the panels that draw the keys."""

    def __init__(self, dialog):
        self._simulator = wx.UIActionSimulator()
        dialog.Raise()
        pump(100)

    def on(self, key):
        rect = key.GetScreenRect()
        self._simulator.MouseMove(rect.x + rect.width // 2,
                                  rect.y + rect.height // 2)
        pump(30)

    def down(self):
        self._simulator.MouseDown()
        pump(30)

    def up(self):
        self._simulator.MouseUp()
        pump(30)

    def tap(self, key):
        self.on(key)
        self.down()
        self.up()


class TestDrawnKeys:
    def test_fires_on_lift_inside_only(self, make):
        d = make(RecordingDigit, show=True)
        finger = _Finger(d)
        finger.tap(d.m_button2)
        assert d.calls == [("OnDigit", "7")]
        # Slid off onto another key: neither fires, the press is let go.
        finger.on(d.m_button2)
        finger.down()
        assert d.m_button2.HasCapture()
        finger.on(d.m_button3)
        finger.up()
        assert d.calls == [("OnDigit", "7")] and not d.m_button2.HasCapture()
        finger.tap(d.m_button3)  # a quick second tap comes as a double click
        finger.tap(d.m_button3)
        assert d.calls[1:] == [("OnDigit", "8")] * 2
        d.DotPoint.Disable()
        finger.tap(d.DotPoint)
        assert not d._press_key(d.DotPoint)
        assert len(d.calls) == 3

    def test_held_backspace_repeats_and_a_tap_erases_once(self, make):
        d = make(RecordingAlpha, show=True)
        backspace = next(k for k in d.keys() if k.GetName() == "backspace")
        finger = _Finger(d)
        finger.tap(backspace)
        assert d.calls == [("on_backspace", "Backspace")]
        finger.down()
        assert wait_until(lambda: len(d.calls) >= 4, timeout=3)
        finger.up()
        held = len(d.calls)
        pump(300)
        assert len(d.calls) == held
        # Closed with the finger still down: wx keeps no capture or timer
        # of the dead keys.
        finger.down()
        d.Destroy()
        pump(700)
        finger.up()

    def test_held_letter_types_the_variant_lifted_on(self, make, monkeypatch):
        # A tap must stay a tap on a slow (emulated) machine.
        monkeypatch.setattr(KeyButton, "HOLD_DELAY_MS", round(scaled(0.5) * 1000))
        nuv_touchui.set_keyboard_layout("fr")
        try:
            d = make(RecordingAlpha, show=True)
        finally:
            nuv_touchui.set_keyboard_layout(None)
        finger = _Finger(d)

        def hold(letter):
            finger.on(_key(d, letter))
            finger.down()
            assert wait_until(lambda: _held(d), timeout=3)
            return _held(d)

        finger.tap(_key(d, "e"))  # a tap types the letter itself
        variants = hold("e")
        # AltGr's first, then what the dead keys compose, on top of the keys.
        labels = [k.GetLabel() for k in variants]
        assert labels[0] == "\u20ac" and {"\u00ea", "\u00eb"} <= set(labels)
        finger.on(variants[labels.index("\u00eb")])
        finger.up()
        assert not _held(d)
        hold("e")
        finger.on(_key(d, "q"))  # lifted elsewhere: nothing
        finger.up()
        assert d.calls == [("on_character", "e"), ("on_character", "\u00eb")]
        for i in range(3):  # caps lock shows the capitals
            getattr(d, "ui_caps_off_%d" % i).Hide()
            getattr(d, "ui_caps_on_%d" % i).Show()
        window_fit_layout(d)
        labels = [k.GetLabel() for k in hold("E")]
        assert {"\u00ca", "\u00cb"} <= set(labels) and "\u00ea" not in labels
        finger.up()  # on the held key itself: nothing
        assert len(d.calls) == 2 and not _held(d)

    def test_more_variants_than_a_row_holds_take_rows_inside_the_panel(self, make, monkeypatch):
        # Vietnamese holds a dozen letters under a vowel: none may fall off
        # the panel, out of the finger's reach.
        monkeypatch.setattr(KeyButton, "HOLD_DELAY_MS", round(scaled(0.5) * 1000))
        d = make(RecordingAlpha, show=True)
        letter = _key(d, "m")
        many = ["%c" % (0x100 + n) for n in range(40)]
        monkeypatch.setattr(letter, "variants", lambda: many)
        finger = _Finger(d)
        finger.on(letter)
        finger.down()
        assert wait_until(lambda: _held(d), timeout=3)
        panel = letter.GetParent().GetClientRect()
        rects = [key.GetRect() for key in _held(d)]
        assert [key.GetLabel() for key in _held(d)] == many
        assert all(panel.Contains(rect) for rect in rects)
        assert len({(rect.x, rect.y) for rect in rects}) == len(many)  # none on another
        finger.on(_held(d)[-1])
        finger.up()
        assert d.calls == [("on_character", many[-1])]

    @pytest.mark.parametrize("how", ["plain", "id", "source"])
    def test_release_unbinds_however_bound(self, frame, how):
        panel = nuv_touchui.KeyPanel(frame)
        key = KeyButton(panel, "7", (48, 48), "seven")
        calls = []
        on_press = {"plain": {}, "id": {"id": key.GetId()},
                    "source": {"source": key}}[how]
        key.Bind(wx.EVT_BUTTON, calls.append, **on_press)
        key.Press()
        key.release()
        key.Press()
        assert len(calls) == 1
        panel.Destroy()

    def test_a_font_changed_after_a_key_took_it_changes_only_later_keys(self, make):
        # The keys of a keypad share their fonts and the sizes measured in
        # them; a font given or handed out is the caller's to change.
        keys = {key.GetLabel(): key for key in reversed(list(_keys(make(nuv_touchui.AlphaKeypad))))}
        first, second = keys["q"], keys["w"]
        font = _font(14)
        first.SetFont(font)
        font.SetPointSize(40)
        second.SetFont(font)
        assert first.GetTextExtent("W").height < second.GetTextExtent("W").height
        first.GetFont().SetPointSize(60)
        assert first.GetFont().GetPointSize() == 14

    def test_module_fonts_and_colours_show(self, frame):
        import nuv_touch
        d = nuv_touch.DigitKeypad(frame, nuv_touch.KEYPAD_MODE_INT,
                                  font_size=40)
        try:
            d.Show()
            pump(50)
            seven, confirm = d.m_button2, d.m_button17
            assert seven.GetFont().GetPointSize() == 40
            text = seven.GetTextExtent("7")
            assert min(seven.GetSize()) > text.height > 40
            assert _face(confirm) == nuv_touchui.CONFIRM_COLOUR
            assert _face(confirm, pressed=True) != _face(confirm)
            assert _face(d.DotPoint) != _face(seven)  # disabled in INT mode
            seven.SetBackgroundColour(wx.Colour(255, 128, 0))
            assert _face(seven) == wx.Colour(255, 128, 0)
        finally:
            d.Destroy()

    def test_key_images_follow_the_theme_within_their_budget(
            self, make, monkeypatch):
        d = make(nuv_touchui.DigitKeypad, show=True)
        seven = d.m_button2

        def drawn_face():
            rect = seven.GetRect()
            bitmap = wx.Bitmap(rect.right + 1, rect.bottom + 1)
            dc = wx.MemoryDC(bitmap)
            seven.draw(dc, False, wx.WHITE)  # through the image cache
            dc.SelectObject(wx.NullBitmap)
            image = bitmap.ConvertToImage()
            x, y = rect.x + rect.width // 6, rect.y + rect.height // 2
            return wx.Colour(image.GetRed(x, y), image.GetGreen(x, y),
                             image.GetBlue(x, y))

        before = drawn_face()
        system = wx.SystemSettings.GetColour
        monkeypatch.setattr(wx.SystemSettings, "GetColour", lambda which: (
            wx.Colour(0, 0, 100) if which == wx.SYS_COLOUR_BTNFACE
            else system(which)))
        key_look.forget_theme()  # as a theme change does
        try:
            assert drawn_face() != before  # a new theme is a new image
        finally:
            monkeypatch.undo()
            key_look.forget_theme()
        images = key_look.KEY_IMAGES
        assert 0 < images.held <= 4 * 1024 * 1024
        small = type(images)(100, lambda key, value: value)
        for key, cost in enumerate([40, 40, 30, 200, 50]):
            assert small.get(key, lambda _: cost) == cost
        assert list(small._entries) == [2, 4] and small.held == 80


@pytest.mark.parametrize("room, width", [
    ((2000, 2000), 100),  # room for the keys as preferred
    ((700, 2000), 69),  # one straight step is enough
    ((560, 2000), 50),  # captions hold half the keys: it takes more steps
])
def test_planner_narrows_keys_until_the_dialog_fits(room, width):
    # Five keys shrink freely, five are held at 60 px by their captions;
    # the message takes three lines of 30 px.
    trials = []

    def measure(size, lines):
        trials.append(tuple(size))
        return wx.Size(10 + 5 * size[0] + 5 * max(size[0], 60),
                       20 + 4 * size[1] + 30 * min(lines, 3))

    fits = nuv_touchui.fit.plan_key_size(wx.Size(*room), 100, 48, 30, measure,
                                         lambda most: min(most, 3))
    assert fits and trials[-1] == (width, 100)


class TestWindowFitLayout:
    def test_fits_to_content_both_ways(self, frame):
        panel = wx.Panel(frame)
        frame.SetSizer(wx.BoxSizer(wx.VERTICAL))
        frame.GetSizer().Add(panel)
        for size in ((300, 200), (150, 80)):
            panel.SetMinSize(size)
            assert window_fit_layout(frame) is None
            assert tuple(frame.GetClientSize()) == size

    def test_centred_on_the_display_when_the_parent_is_off_it(self, frame):
        frame.Move(-5000, -5000)
        dialog = wx.Dialog(frame, size=(200, 100))
        try:
            window_fit_layout(dialog)
            area, rect = wx.Display(0).GetClientArea(), dialog.GetRect()
            assert abs(rect.x + rect.width // 2 - (area.x + area.width // 2)) <= 1
            assert abs(rect.y + rect.height // 2 - (area.y + area.height // 2)) <= 1
        finally:
            dialog.Destroy()

    def test_window_without_sizer(self, frame):
        bare = wx.Panel(frame, size=(50, 40))
        window_fit_layout(bare)
        assert tuple(bare.GetSize()) == (50, 40)
        wx.Button(bare, label="x", pos=(100, 100))
        window_fit_layout(bare)
        assert min(bare.GetSize()) >= 100


class TestModalHarness:
    """The safety nets the other tests rely on."""

    def test_errors_overruns_and_leftover_steps_are_reported(self, frame):
        d = wx.Dialog(frame)
        with pytest.raises(ZeroDivisionError):
            run_modal(d, lambda m: 1 / 0)
        assert not d.IsModal()
        with pytest.raises(pytest.fail.Exception, match="still open"):
            run_modal(d, timeout=0.3)
        with pytest.raises(pytest.fail.Exception, match="not run"):
            run_modal(d, lambda m: m.EndModal(wx.ID_OK), lambda m: None)
        d.Destroy()
