"""The three keypad dialogs: the widgets, their arrangement, and the delivery
of key presses to handler methods named after the keys' roles."""

import wx

from nuv_wxtools import display_room, window_fit_layout

from . import composing
from .fit import (KEYBOARD_KEY_MM, MIN_KEY_DIP, MIN_KEY_WIDTH_DIP, PAD_KEY_MM, key_side,
                  plan_key_size)
from .keyboards import KEYBOARDS, capital, cut, keyboard_layout, pack_rows, row_lengths
from .keys import KeyButton, KeyGroup, KeyPanel
from .physical import PhysicalKeys
from .widgets import (DrawnText, EntryField, UniformGridSizer,
                      refresh_moved_texts)

CONFIRM_COLOUR = wx.Colour(190, 230, 190)
CANCEL_COLOUR = wx.Colour(240, 200, 200)

UNBOUNDED_MIN = "-\u221e"
UNBOUNDED_MAX = "+\u221e"


def _(text):
    """The operator's translation of a fixed caption, looked up now."""
    return wx.GetTranslation(text)


def _drop_last_character(field):
    """Erase the last character of an entry field; True (it was handled)."""
    text = field.GetValue()
    if text:
        field.SetValue(text[:-1])
    return True


def _font(points):
    return wx.Font(points, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL,
                   wx.FONTWEIGHT_NORMAL)


# What a destroyed dialog keeps: values that refer to nothing.
_PLAIN_VALUES = (bool, int, float, complex, str, bytes, type(None))


class _TouchDialog(PhysicalKeys, wx.Dialog):
    """What the three layouts share: key making, fitting the screen, the
    cancel and confirm endings; the physical keyboard's bridge to the
    on-screen keys comes with PhysicalKeys."""

    def _init_dialog(self, parent, title, key_mm):
        wx.Dialog.__init__(self, parent, wx.ID_ANY, title,
                           style=wx.DEFAULT_DIALOG_STYLE)
        # The side keys get where the screen has room; Fit() shrinks them
        # as far as the display's client area asks.
        self._preferred_side = self._key_side = key_side(self, key_mm)
        self._margin = self.FromDIP(12)
        self._gap = self.FromDIP(6)
        # Typed character -> key, and role ("confirm", "cancel", "erase",
        # "clear", "tab") -> key, for the physical keyboard.
        self._char_keys = {}
        self._role_keys = {}
        # Keys as (key, length in keys) and half-key indents as (spacer,
        # length in keys): what Fit() resizes.
        self._sized_keys = []
        self._indents = []
        # The windows the keys are drawn on, each made after its parent.
        self._key_panels = []
        # The sizer holding the keys, texts wrap to its width; and the
        # largest client size the display leaves (see Fit).
        self._keys_sizer = None
        self._room = wx.Size(0, 0)
        self.Bind(wx.EVT_WINDOW_DESTROY, self._on_destroy)

    def keys(self):
        """Every key of the dialog, shown or not, and the variants offered
        above a held key while they show."""
        for key, _units in self._sized_keys:
            yield key
        for panel in self._key_panels:
            yield from panel.held_keys()

    def _key_panel(self, parent, name="keys"):
        panel = KeyPanel(parent, name)
        self._key_panels.append(panel)
        return panel

    def Layout(self):
        # A panel of keys shown or hidden inside another keeps its size:
        # only laying the panels out again places it.
        done = wx.Dialog.Layout(self)
        for panel in self._key_panels:
            panel.Layout()
        refresh_moved_texts(self)
        return done

    def _span(self, units, side=None):
        """Pixel length of a key `units` keys long, gaps included."""
        side = self._key_side if side is None else side
        return round(units * (side + self._gap) - self._gap)

    def _key(self, parent, name, label, handler, units=1.0, font=None,
             repeats=False, kind=None):
        """Make a key (a KeyButton, or the subclass `kind`); `handler` (a
        bound method or None) gets its presses, again and again while it is
        held if it `repeats`."""
        key = (kind or KeyButton)(parent, label,
                                  (self._span(units), self._key_side), name,
                                  repeats)
        if font is not None:
            key.SetFont(font)
        if handler is not None:
            key.Bind(wx.EVT_BUTTON, handler)
        self._sized_keys.append((key, units))
        return key

    def _indent(self, sizer, units):
        """Add a blank `units` keys long (gaps included) to a row of keys."""
        item = sizer.AddSpacer(round(units * (self._key_side + self._gap)))
        self._indents.append((item, units))

    # Fitting the screen ------------------------------------------------

    def Fit(self):
        """Size the dialog to its content, within the display's client area
        less a window manager's frame. The keys narrow as far as the width
        asks and lose height as far as the height asks, not below
        MIN_KEY_DIP while the message can give way instead (to one line);
        on a display too small even then, below it. The message wraps to the
        keys' width; what its lines cannot hold ends in an ellipsis."""
        room = display_room(self)
        if room is not None and self._keys_sizer is not None:
            keys = self._sized_keys
            if not self._plan(room, [(key, units, self._label_room(key))
                                     for key, units in keys]):
                # A display too small even for the labels: keys smaller
                # than their labels rather than keys off the dialog.
                self._plan(room, [(key, units, wx.Size(0, 0))
                                  for key, units in keys])
        wx.Dialog.Fit(self)

    def _plan(self, room, needs):
        """Choose the keys' size and the message's lines for a dialog of at
        most `room`, keys at least as large as `needs` say (key, length in
        keys, size). False when it does not fit even so."""
        self._room = room

        def measure(size, lines):
            self._apply_key_size(needs, size)
            self._fit_texts(self._keys_sizer.CalcMin().width, lines)
            return self.GetSizer().CalcMin()

        def message_lines(most):
            return self.ui_message.line_count(
                self._keys_sizer.CalcMin().width, most)

        return plan_key_size(room, self._preferred_side,
                             self.FromDIP(MIN_KEY_DIP),
                             self.ui_message.GetCharHeight(), measure,
                             message_lines)

    def _apply_key_size(self, needs, size):
        width, height = size
        for key, units, room in needs:
            key.SetMinSize(wx.Size(max(self._span(units, width), room.width),
                                   max(height, room.height)))
        for item, units in self._indents:
            if units:
                item.SetMinSize(wx.Size(round(units * (width + self._gap)), 0))
            else:  # a blank as high as a key
                item.SetMinSize(wx.Size(0, height))
        for panel in self._key_panels:
            panel.InvalidateBestSize()
        self._key_side = width

    def _label_room(self, key):
        """Smallest size that shows the key's caption whole (a translated
        Tab or Space key shows other text than its label)."""
        text = key.caption_size()
        return wx.Size(text.width + self.FromDIP(20),
                       text.height + self.FromDIP(12))

    def _fit_texts(self, width, message_lines):
        """Hold the texts to the keys' `width`, the message to so many
        lines."""
        self.ui_message.fit(width, message_lines)

    def _finish_layout(self, sizer):
        """Install the sizer, hook up the keyboard, size and centre."""
        self.SetSizer(sizer)
        self.Bind(wx.EVT_CHAR_HOOK, self._on_char_hook)
        self.Bind(wx.EVT_INIT_DIALOG, self._on_init_dialog)
        self._bind_chars(self)
        window_fit_layout(self)

    def _on_init_dialog(self, event):
        # The toolkit would focus the (read-only) entry field and show a
        # caret in it; start on the confirm key instead.
        event.Skip()
        key = self._role_keys.get("confirm")
        if key is not None:
            key.SetFocus()

    # Endings -----------------------------------------------------------

    def _on_destroy(self, event):
        # The dialog's parts (keys, texts, sizers, the handlers a composition
        # routes) refer back to it; wx has freed its windows, and the dialog
        # lets go of the parts, so that they go at once, on this thread,
        # not whenever and wherever the garbage collector next runs.
        event.Skip()
        # wx sends the dialog's own destroy event once the wrapper has let
        # go of it (the event's object is another wrapper, and self is
        # false); the destroy events of its windows come here too.
        if not self or event.GetEventObject() is self:
            self._let_go_of_parts()

    def _let_go_of_parts(self):
        # Plain values (a keypad's mode, bounds, shift state) stay readable
        # after the dialog is gone; whatever may refer back to it goes.
        state = vars(self)
        for name in [name for name, value in state.items() if not isinstance(value, _PLAIN_VALUES)]:
            del state[name]

    def _end(self, code):
        if self.IsModal():
            self.EndModal(code)
        else:
            self.SetReturnCode(code)
            self.Hide()

    def _on_cancel_key(self, event):
        self._end(wx.ID_CANCEL)


class DigitKeypad(_TouchDialog):
    """Numeric keypad layout.

        prompt (ui_message)
        [                 value (mValueField) ]
        Min: -inf                     Max: +inf
         7   8   9   -
         4   5   6   +
         1   2   3   .
         0 (wide)    Clear
         Cancel      OK

    Key presses go to OnDigit (digits, labelled with their digit), OnDot,
    OnNegative, OnPositive, OnClearAll and on_enter (OK). Confirming does
    not end the dialog: that is on_enter's business. Cancel ends it with
    wx.ID_CANCEL.
    """

    def __init__(self, parent):
        self._init_dialog(parent, _("Number"), PAD_KEY_MM)
        key_font = _font(18)

        # The texts are drawn by the dialog: five native labels would cost
        # about as much as the rest of the keypad.
        self.ui_message = DrawnText(self, "ui_message", _("Enter a number:"))
        self.ui_message.SetFont(_font(14))
        self.mValueField = EntryField(self, "mValueField", wx.TE_RIGHT)
        self.mValueField.SetFont(_font(26))
        self.m_staticText3 = DrawnText(self, "m_staticText3", _("Min:"))
        self.ui_minimum = DrawnText(self, "ui_minimum", UNBOUNDED_MIN)
        self.m_staticText5 = DrawnText(self, "m_staticText5", _("Max:"))
        self.ui_maxmum = DrawnText(self, "ui_maxmum", UNBOUNDED_MAX)
        for label in (self.m_staticText3, self.ui_minimum,
                      self.m_staticText5, self.ui_maxmum):
            label.SetFont(_font(14))

        panel = self._key_panel(self)

        def key(name, label, handler, pos, span=(1, 1)):
            button = self._key(panel, name, label, handler, font=key_font)
            setattr(self, name, button)
            grid.AddAt(button, pos, span)
            return button

        grid = UniformGridSizer(5, 4, self._gap)
        digits = {}
        for name, digit, pos in (
                ("m_button2", "7", (0, 0)), ("m_button3", "8", (0, 1)),
                ("m_button4", "9", (0, 2)), ("m_button6", "4", (1, 0)),
                ("m_button7", "5", (1, 1)), ("m_button8", "6", (1, 2)),
                ("m_button10", "1", (2, 0)), ("m_button11", "2", (2, 1)),
                ("m_button12", "3", (2, 2))):
            digits[digit] = key(name, digit, self.OnDigit, pos)
        digits["0"] = key("m_button13", "0", self.OnDigit, (3, 0), (1, 2))
        minus = key("m_button5", "\u2212", self.OnNegative, (0, 3))
        plus = key("m_button9", "+", self.OnPositive, (1, 3))
        dot = key("DotPoint", ".", self.OnDot, (2, 3))
        clear = key("m_button15", _("Clear"), self.OnClearAll, (3, 2), (1, 2))
        cancel = key("m_button16", _("Cancel"), self._on_cancel_key, (4, 0),
                     (1, 2))
        confirm = key("m_button17", _("OK"), self.on_enter, (4, 2), (1, 2))
        cancel.SetBackgroundColour(CANCEL_COLOUR)
        confirm.SetBackgroundColour(CONFIRM_COLOUR)

        self._char_keys.update(digits)
        self._char_keys.update({"-": minus, "+": plus, ".": dot, ",": dot})
        self._role_keys.update(confirm=confirm, cancel=cancel, clear=clear)
        panel.SetSizer(grid)

        margin = self._margin

        def bound(caption, value):
            pair = wx.BoxSizer(wx.HORIZONTAL)
            caption.place(pair, 0, wx.ALIGN_CENTER_VERTICAL | wx.RIGHT,
                          self._gap)
            value.place(pair, 0, wx.ALIGN_CENTER_VERTICAL)
            return pair

        # Side by side, or one above the other when they are too long for
        # that (see _fit_texts).
        self._bounds = bounds = wx.BoxSizer(wx.HORIZONTAL)
        bounds.Add(bound(self.m_staticText3, self.ui_minimum))
        bounds.Add(margin, 0, 1)
        bounds.Add(bound(self.m_staticText5, self.ui_maxmum))

        texts = wx.BoxSizer(wx.VERTICAL)
        along = wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP
        self.ui_message.place(texts, 0, along, margin)
        texts.Add(self.mValueField, 0, along, margin)
        texts.Add(bounds, 0, along, margin)
        self._texts_beside = self._texts_beside_keys()
        if self._texts_beside:
            outer = wx.BoxSizer(wx.HORIZONTAL)
            outer.Add(texts, 0)
            outer.Add(panel, 1, wx.EXPAND | wx.TOP | wx.BOTTOM | wx.RIGHT,
                      margin)
        else:
            outer = wx.BoxSizer(wx.VERTICAL)
            outer.Add(texts, 0, wx.EXPAND)
            outer.Add(panel, 1, wx.EXPAND | wx.ALL, margin)
        self._keys_sizer = grid
        self._finish_layout(outer)

    def _texts_beside_keys(self):
        """True on a screen too low for the texts above finger-sized keys
        (five rows of keys and the texts take about ten key heights): the
        texts then stand left of the keys, which keep the whole height."""
        room = display_room(self)
        return (room is not None and room.width > room.height
                and room.height < 10 * self.FromDIP(MIN_KEY_DIP))

    def _fit_texts(self, width, message_lines):
        # The bounds stand side by side where both fit, else one above the
        # other, each on one line. Either way they may widen the keypad as
        # far as the screen has room beside or above the keys (a bound cut
        # short hides the very digits the operator must check; one too long
        # even for that ends in an ellipsis). The message then wraps to that
        # width.
        margins = (3 if self._texts_beside else 2) * self._margin
        beside_keys = width if self._texts_beside else 0
        widest = max(width + self._margin,
                     self._room.width - beside_keys - margins)
        pairs = ((self.m_staticText3, self.ui_minimum),
                 (self.m_staticText5, self.ui_maxmum))
        row, stacked = self._margin, 0
        for caption, value in pairs:
            caption_width = caption.GetBestSize().width + self._gap
            value.fit(max(widest - caption_width, self.FromDIP(24)), 1)
            shown = min(caption_width + value.text_width(widest)
                        + self.FromDIP(2), widest)
            row += shown
            stacked = max(stacked, shown)
        beside = row <= widest
        self._bounds.SetOrientation(wx.HORIZONTAL if beside else wx.VERTICAL)
        _TouchDialog._fit_texts(self, max(width, row if beside else stacked),
                                message_lines)

    def _erase_last(self):
        return _drop_last_character(self.mValueField)

    # Handlers; the keypad overrides them.
    def OnDigit(self, event):
        pass

    def OnDot(self, event):
        pass

    def OnNegative(self, event):
        pass

    def OnPositive(self, event):
        pass

    def OnClearAll(self, event):
        pass

    def on_enter(self, event):
        pass


class DigitPasswordKeypad(_TouchDialog):
    """PIN pad layout.

        prompt (ui_message)
        [ masked entry (ui_text) ]
         7   8   9   Clear
         4   5   6   Cancel
         1   2   3   OK
         0 (wide)    (tall)

    Digit keys go to on_digit, Clear to on_clear, OK to on_confirm; Cancel
    ends the dialog with wx.ID_CANCEL. The keys carry the numeric pad's names
    for the same roles; a PIN has no sign or decimal point, so m_button5,
    m_button9 and DotPoint exist but stay hidden and unbound.
    """

    def __init__(self, parent):
        self._init_dialog(parent, _("PIN"), PAD_KEY_MM)
        key_font = _font(18)

        self.ui_message = DrawnText(self, "ui_message", _("Enter PIN:"))
        self.ui_message.SetFont(_font(14))
        self.ui_text = EntryField(self, "ui_text",
                                  wx.TE_PASSWORD | wx.TE_CENTRE)
        self.ui_text.SetFont(_font(26))

        grid = wx.GridBagSizer(self._gap, self._gap)
        panel = self._key_panel(self)

        def key(name, label, handler, pos=None, span=(1, 1)):
            button = self._key(panel, name, label, handler, font=key_font)
            setattr(self, name, button)
            if pos is None:
                button.Hide()
            else:
                button.place(grid, pos, span, wx.EXPAND)
            return button

        digits = {}
        for name, digit, pos in (
                ("m_button2", "7", (0, 0)), ("m_button3", "8", (0, 1)),
                ("m_button4", "9", (0, 2)), ("m_button6", "4", (1, 0)),
                ("m_button7", "5", (1, 1)), ("m_button8", "6", (1, 2)),
                ("m_button10", "1", (2, 0)), ("m_button11", "2", (2, 1)),
                ("m_button12", "3", (2, 2))):
            digits[digit] = key(name, digit, self.on_digit, pos)
        digits["0"] = key("m_button13", "0", self.on_digit, (3, 0), (1, 3))
        clear = key("m_button15", _("Clear"), self.on_clear, (0, 3))
        cancel = key("m_button16", _("Cancel"), self._on_cancel_key, (1, 3))
        confirm = key("m_button17", _("OK"), self.on_confirm, (2, 3), (2, 1))
        cancel.SetBackgroundColour(CANCEL_COLOUR)
        confirm.SetBackgroundColour(CONFIRM_COLOUR)
        # The numeric pad's sign and decimal-point keys have no use here.
        for name, label in (("m_button5", "\u2212"), ("m_button9", "+"),
                            ("DotPoint", ".")):
            key(name, label, None)
        for column in range(4):
            grid.AddGrowableCol(column)
        panel.SetSizer(grid)

        self._char_keys.update(digits)
        self._role_keys.update(confirm=confirm, cancel=cancel, clear=clear)

        margin = self._margin
        outer = wx.BoxSizer(wx.VERTICAL)
        self.ui_message.place(outer, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                              margin)
        outer.Add(self.ui_text, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(panel, 1, wx.EXPAND | wx.ALL, margin)
        self._keys_sizer = grid
        self._finish_layout(outer)

    def _erase_last(self):
        return _drop_last_character(self.ui_text)

    # Handlers; the keypad overrides them.
    def on_digit(self, event):
        pass

    def on_clear(self, event):
        pass

    def on_confirm(self, event):
        pass


class _BlankKey(KeyButton):
    """The Tab or the Space key. The keyboard types a blank for a key
    labelled with the English name ("Tab", "Space"), so GetLabel keeps that
    name while the key shows it translated (its caption)."""

    def __init__(self, parent, label, *args):
        KeyButton.__init__(self, parent, _(label), *args)
        self._typed_name = label

    def GetLabel(self):
        return self._typed_name


class _Place:
    """The place in a row of a key made later, beside `partner`, the key it
    takes turns with: put into the sizers as a key would be (see
    KeyButton.place), noted in `places` as (label, sizer item, partner's
    sizer item)."""

    def __init__(self, places, label, partner):
        self._places = places
        self._label = label
        self._partner = partner

    def place(self, sizer, *args):
        item = sizer.Add(0, 0, *args)
        item.Show(False)
        self._places.append((self._label, item, self._partner._item))
        return item


class _LetterKey(KeyButton):
    """A letter key. Held, it offers the letters held under it (see offer),
    as capitals while it shows a capital (caps lock) or shift is on."""

    _letters = ()
    _shift = None

    def offer(self, letters, shift):
        """Hold `letters` (lower case) under the key; `shift` is the set of
        keys shown while shift is on."""
        self._letters, self._shift = tuple(letters), shift

    def variants(self):
        if self._label != self._label.lower() or self._shift.IsShown():
            return tuple(map(capital, self._letters))
        return self._letters


class AlphaKeypad(_TouchDialog):
    """Alphanumeric keyboard layout: US QWERTY, German QWERTZ, French AZERTY
    or Spanish, as keyboard_layout() names when the dialog is made.

        message (ui_message)
        [ text (ui_value_normal / ui_value_password) ]
        ` 1 2 3 4 5 6 7 8 9 0        Backspace     <- no_Shift / Shift
         - = [ ] \\ ; ' , . /         Clear
        Tab    Q W E R T Y U I O P   Cancel        <- ui_caps_off_0 / _on_0
        Caps On  A S D F G H J K L   OK            <- ui_caps_off_1 / _on_1
        Shift     Z X C V B N M     Shift         <- ui_caps_off_2 / _on_2
        Shift Caps Off   Space        Shift

    On a screen too narrow for these rows (a portrait panel) the keyboard
    takes the screen's width: the symbol rows cut to it, each letter row
    whole (its national letters on keys as far as there is room), and the
    other keys in rows of their own below, with two Shift keys instead of
    four. Holding a letter offers its national and accented variants above
    it, so every national letter stays typeable either way.

    All keys are drawn on one KeyPanel. The symbol keys make two
    interchangeable sets, `no_Shift` (shown) and `Shift` (hidden); each
    letter row a lower-case set (shown) and an upper-case one (hidden) in
    the same places: KeyGroups, shown and hidden as panels would be, by the
    keyboard (on_shift, on_caps_on, on_caps_off). Between them every
    printable ASCII character and the national letters and symbols are on
    some key.

    Character keys, Tab and Space go to on_character; the other keys to
    on_backspace, on_clear, on_shift, on_caps_on and on_caps_off. OK ends the
    dialog with wx.ID_OK and Cancel with wx.ID_CANCEL. The plain text field
    is shown, the masked one hidden; the keyboard picks which to use.
    """

    # Rows of finger-high keys a screen must hold for the keyboard to be
    # arranged in rows of the screen's width (the texts above take two).
    NARROW_ROWS = 10

    def __init__(self, parent):
        self._keyboard = KEYBOARDS[keyboard_layout()]
        self._init_dialog(parent, _("Keyboard"), KEYBOARD_KEY_MM)
        # The Chinese keyboard composes pinyin (before the keys are made:
        # it routes their presses).
        self._pinyin = composing.pinyin_keys(self)
        # Narrow gaps and margins leave the keys the room of the screen.
        self._gap, self._margin = self.FromDIP(4), self.FromDIP(8)
        self._key_font = _font(14)
        self._later_groups = {}  # group -> places held for its keys
        self._make_texts()
        panel = self._key_panel(self)
        across = self._narrow_across()
        self._across = across or self._keyboard.width()  # keys in a row
        self._make_symbol_keys(panel, across)
        self._make_letter_keys(panel, across)
        self._make_control_keys(panel)
        keys = self._lay_out_rows(self._rows(across))
        panel.SetSizer(keys)
        self._finish_keyboard(panel, keys)

    def _make_texts(self):
        self.ui_message = DrawnText(self, "ui_message", _("Enter text:"))
        self.ui_message.SetFont(_font(14))
        self.ui_value_normal = EntryField(self, "ui_value_normal")
        self.ui_value_password = EntryField(self, "ui_value_password",
                                            wx.TE_PASSWORD)
        for field in (self.ui_value_normal, self.ui_value_password):
            field.SetFont(_font(20))
        self.ui_value_password.Hide()

    def _char_key(self, panel, char, kind=None):
        key = self._key(panel, "key", char, self.on_character,
                        font=self._key_font, kind=kind)
        self._char_keys[char] = key
        return key

    def _make_symbol_keys(self, panel, across):
        """The sets no_Shift and Shift, and their rows of (unshifted,
        shifted) key pairs: the keyboard's own, or cut to `across`."""
        plain = self._keyboard.symbol_rows
        shifted = self._keyboard.shifted_rows
        if across is not None:
            lengths = row_lengths(len("".join(plain)), across)
            plain = cut("".join(plain), lengths)
            shifted = cut("".join(shifted), lengths)
        self.no_Shift = KeyGroup(panel, "no_Shift")
        self.Shift = self._later_group(panel, "Shift", self._char_key)
        self._symbol_rows = [
            [self._pair(self.no_Shift.add(self._char_key(panel, low)),
                        self.Shift, high)
             for low, high in zip(lows, highs)]
            for lows, highs in zip(plain, shifted)]

    def _make_letter_keys(self, panel, across):
        """The sets ui_caps_off_N and ui_caps_on_N of each letter row and
        their rows of (lower, upper) key pairs; the national letters left
        without a key get one the physical keyboard alone reaches."""
        keyboard = self._keyboard
        rows = keyboard.letter_keys(keyboard.width() if across is None
                                    else across)
        self._letter_rows = []
        for index, row in enumerate(rows):
            off = KeyGroup(panel, "ui_caps_off_%d" % index)
            on = self._later_group(panel, "ui_caps_on_%d" % index,
                                   self._letter_key)
            setattr(self, off.GetName(), off)
            setattr(self, on.GetName(), on)
            self._letter_rows.append([
                self._pair(off.add(self._letter_key(panel, char)), on,
                           capital(char))
                for char in row])
        for whole, shown in zip(keyboard.letter_rows, rows):
            for char in whole[len(shown):]:
                for typed in {char, capital(char)}:
                    self._char_key(panel, typed).Hide()

    # The sets shown later (shift, caps lock) are made when first needed:
    # a keyboard often closes without them. Their places in the rows are
    # held meanwhile, each beside the key it takes turns with.

    def _later_group(self, panel, name, make_key):
        """A group hidden at first whose keys `make_key(panel, label)` makes
        into the places _pair holds for them."""
        places = []

        def make(group):
            for label, item, partner in places:
                group.add(make_key(panel, label)).take_place(item)
                item.SetMinSize(partner.GetMinSize())

        group = KeyGroup(panel, name, make)
        group.Hide()
        self._later_groups[group] = places
        return group

    def _pair(self, key, later_group, label):
        """The slot of `key` and the key of `label` that `later_group`
        makes later in its place."""
        return (key, _Place(self._later_groups[later_group], label, key))

    def _make_later_keys(self):
        for group in self._later_groups:
            group.make_keys()

    def keys(self):
        self._make_later_keys()
        return _TouchDialog.keys(self)

    def _key_for(self, event):
        # A physical key may type a character of a set not shown yet.
        self._make_later_keys()
        return _TouchDialog._key_for(self, event)

    def _letter_key(self, panel, char):
        key = self._char_key(panel, char, kind=_LetterKey)
        key.offer(self._keyboard.variants(char.lower()), self.Shift)
        return key

    def _make_control_keys(self, panel):
        """The keys that type no character, and Tab and Space; their
        lengths (in keys) are those of the keyboard's own rows."""
        across = self._keyboard.width()
        beside = [(across - len(row)) / 2.0
                  for row in self._keyboard.letter_rows]

        def key(name, label, handler, units, **kwargs):
            return self._key(panel, name, label, handler, units,
                             self._key_font, **kwargs)

        self._backspace = key("backspace", _("Backspace"), self.on_backspace,
                              3, repeats=True)
        self._clear = key("clear", _("Clear"), self.on_clear, 3)
        self._tab = key("tab", "Tab", self.on_character, beside[0],
                        kind=_BlankKey)
        self._cancel = key("cancel", _("Cancel"), self._on_cancel_key,
                           beside[0])
        self._caps_on = key("caps_on", _("Caps On"), self.on_caps_on,
                            beside[1])
        self._confirm = key("ok", _("OK"), self._on_ok_key, beside[1])
        shift = _("Shift")
        self.ui_shift_0 = key("ui_shift_0", shift, self.on_shift, beside[2])
        self.ui_shift_1 = key("ui_shift_1", shift, self.on_shift, beside[2])
        self.ui_shift_2 = key("ui_shift_2", shift, self.on_shift, 2)
        self._caps_off = key("caps_off", _("Caps Off"), self.on_caps_off,
                             2.5)
        self._extra_keys = [key(name, _(caption), getattr(self, "on_" + name),
                                1.5)
                            for name, caption in self._keyboard.extra_keys]
        self._space = key("space", "Space", self.on_character,
                          across - 7 - 1.5 * len(self._extra_keys),
                          kind=_BlankKey)
        self.ui_shift_3 = key("ui_shift_3", shift, self.on_shift, 2.5)
        self._cancel.SetBackgroundColour(CANCEL_COLOUR)
        self._confirm.SetBackgroundColour(CONFIRM_COLOUR)
        self._char_keys.update({" ": self._space, "\t": self._tab})
        self._role_keys.update(confirm=self._confirm, cancel=self._cancel,
                               erase=self._backspace, clear=self._clear,
                               tab=self._tab)

    # Arrangement ---------------------------------------------------------
    #
    # A row is a list of slots, laid out left to right: a key; a tuple of
    # keys taking turns in one place (one of them shown); a number, a blank
    # so many keys long; or a list of rows, a column of its own.

    def _rows(self, across):
        """The rows of keys to lay out: the keyboard's own, or those of
        `across` keys on a narrow screen."""
        if across is None:
            return self._own_rows()
        return self._narrow_rows(across)

    def _own_rows(self):
        """The keyboard's own rows (see the class's picture)."""
        symbols = self._symbol_rows
        indent = [(len(symbols[0]) - len(symbols[1])) / 2.0]
        if not indent[0]:
            indent = []
        letters = self._letter_rows
        return [
            [[symbols[0], indent + symbols[1] + indent],
             [[self._backspace], [self._clear]]],
            [self._tab] + letters[0] + [self._cancel],
            [self._caps_on] + letters[1] + [self._confirm],
            [self.ui_shift_0] + letters[2] + [self.ui_shift_1],
            [self.ui_shift_2, self._caps_off] + self._extra_keys
            + [self._space, self.ui_shift_3]]

    def _narrow_rows(self, across):
        """Rows of `across` keys: the symbol rows, the letter rows, then
        the other keys in rows of their own, each stretched to the
        keyboard's width. Two Shift keys do: the other two hide."""
        lines = [[self._caps_on, self._caps_off, self._backspace, self._clear],
                 [self._tab, self.ui_shift_0] + self._extra_keys
                 + [self._space, self.ui_shift_1],
                 [self._cancel, self._confirm]]
        rows = pack_rows([[(key, self._least_units(key)) for key in line]
                          for line in lines], across)
        lengths = dict(sum(rows, []))
        self._sized_keys = [(key, lengths.get(key, units))
                            for key, units in self._sized_keys]
        for key in (self.ui_shift_2, self.ui_shift_3):
            key.Hide()
        return (self._symbol_rows + self._letter_rows
                + [[key for key, _units in row] for row in rows])

    def _least_units(self, key):
        """The fewest keys' length (by halves) that shows the caption of
        `key` whole on keys of the narrowest width; three for Space."""
        pitch = self.FromDIP(MIN_KEY_WIDTH_DIP) + self._gap
        caption = self._label_room(key).width + self._gap
        return max(-(-2 * caption // pitch) / 2.0,
                   3.0 if key is self._space else 1.0)

    def _narrow_across(self):
        """Keys across a row of the screen's width where the keyboard's own
        rows of keys MIN_KEY_WIDTH_DIP wide do not fit it (at least its
        longest row of Latin letters); None where they do, without a display,
        or on a screen lower than NARROW_ROWS rows of keys, where more rows
        would only make the keys lower still."""
        room = display_room(self)
        if room is None or room.height < self.NARROW_ROWS * (
                self.FromDIP(MIN_KEY_DIP) + self._gap):
            return None
        pitch = self.FromDIP(MIN_KEY_WIDTH_DIP) + self._gap
        keyboard = self._keyboard
        across = (room.width - 2 * self._margin + self._gap) // pitch
        if across >= keyboard.width():
            return None
        across = max(across, keyboard.latin_width())
        # No wider than the longest row of characters needs: wider keys.
        symbols = len("".join(keyboard.symbol_rows))
        return max(row_lengths(symbols, across)[0],
                   max(map(len, keyboard.letter_keys(across))))

    def _lay_out_rows(self, rows):
        """A sizer of `rows` one below the other, each centred."""
        column = wx.BoxSizer(wx.VERTICAL)
        for index, slots in enumerate(rows):
            column.Add(self._lay_out_row(slots),
                       0, wx.ALIGN_CENTER_HORIZONTAL | (wx.TOP if index else 0),
                       self._gap)
        return column

    def _lay_out_row(self, slots):
        row = wx.BoxSizer(wx.HORIZONTAL)
        flag = 0  # a gap left of every key but the first
        for slot in slots:
            if isinstance(slot, (int, float)):
                self._indent(row, slot)
                continue
            if isinstance(slot, list):
                row.Add(self._lay_out_rows(slot), 0, flag, self._gap)
            else:
                for key in slot if isinstance(slot, tuple) else (slot,):
                    key.place(row, 0, flag, self._gap)
            flag = wx.LEFT
        return row

    def _finish_keyboard(self, keys_panel, keys):
        margin = self._margin
        # Pinyin: the letters typed above the entry, their candidates in a
        # row above the keys.
        if self._pinyin is not None:
            keys.Insert(0, self._pinyin.add_row(keys_panel), 0, wx.BOTTOM,
                        self._gap)
        outer = wx.BoxSizer(wx.VERTICAL)
        self.ui_message.place(outer, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                              margin)
        if self._pinyin is not None:
            self._pinyin.line.place(outer, 0,
                                    wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                                    margin)
        outer.Add(self.ui_value_normal, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(self.ui_value_password, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(keys_panel, 0, wx.ALIGN_CENTER_HORIZONTAL | wx.ALL, margin)
        self._keys_sizer = keys
        self._finish_layout(outer)

    def _on_ok_key(self, event):
        self._end(wx.ID_OK)

    # Handlers; the keyboard overrides them.
    def on_character(self, event):
        pass

    def on_backspace(self, event):
        pass

    def on_clear(self, event):
        pass

    def on_shift(self, event):
        pass

    def on_caps_on(self, event):
        pass

    def on_caps_off(self, event):
        pass
