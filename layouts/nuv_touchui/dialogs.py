"""The three keypad dialogs: the widgets, their arrangement, and the delivery
of key presses to handler methods named after the keys' roles."""

import wx

from nuv_wxtools import display_room, window_fit_layout

from . import composing
from .fit import KEYBOARD_KEY_MM, MIN_KEY_DIP, PAD_KEY_MM, key_side, plan_key_size
from .keyboards import KEYBOARDS, capital, cut, keyboard_layout, narrow_rows, row_lengths
from .keys import KeyButton, KeyPanel
from .physical import PhysicalKeys
from .widgets import EntryField, Label, UniformGridSizer

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

    def keys(self):
        """Every key of the dialog, shown or not."""
        return (key for key, _units in self._sized_keys)

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

        self.ui_message = Label(self, "ui_message", _("Enter a number:"))
        self.ui_message.SetFont(_font(14))
        self.mValueField = EntryField(self, "mValueField", wx.TE_RIGHT)
        self.mValueField.SetFont(_font(26))
        self.m_staticText3 = Label(self, "m_staticText3", _("Min:"))
        self.ui_minimum = Label(self, "ui_minimum", UNBOUNDED_MIN)
        self.m_staticText5 = Label(self, "m_staticText5", _("Max:"))
        self.ui_maxmum = Label(self, "ui_maxmum", UNBOUNDED_MAX)
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
            pair.Add(caption, 0, wx.ALIGN_CENTER_VERTICAL | wx.RIGHT,
                     self._gap)
            pair.Add(value, 0, wx.ALIGN_CENTER_VERTICAL)
            return pair

        # Side by side, or one above the other when they are too long for
        # that (see _fit_texts).
        self._bounds = bounds = wx.BoxSizer(wx.HORIZONTAL)
        bounds.Add(bound(self.m_staticText3, self.ui_minimum))
        bounds.Add(margin, 0, 1)
        bounds.Add(bound(self.m_staticText5, self.ui_maxmum))

        texts = wx.BoxSizer(wx.VERTICAL)
        for item in (self.ui_message, self.mValueField, bounds):
            texts.Add(item, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
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

        self.ui_message = Label(self, "ui_message", _("Enter PIN:"))
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
        outer.Add(self.ui_message, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
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

    The symbol keys sit on two interchangeable panels, `no_Shift` (shown)
    and `Shift` (hidden); each letter row on a lower-case panel (shown) and
    an upper-case one (hidden) in the same place. Showing and hiding them is
    the keyboard's job (on_shift, on_caps_on, on_caps_off); between them
    every printable ASCII character, and the national letters and symbols,
    are on some key. The national keyboards are wider than the US one:
    rows are as long as their keys need.

    Character keys, Tab and Space go to on_character; the other keys to
    on_backspace, on_clear, on_shift, on_caps_on and on_caps_off. OK ends the
    dialog with wx.ID_OK and Cancel with wx.ID_CANCEL. The plain text field
    is shown, the masked one hidden; the keyboard picks which to use.
    """

    def __init__(self, parent):
        keyboard = KEYBOARDS[keyboard_layout()]
        across = keyboard.width()
        self._init_dialog(parent, _("Keyboard"), KEYBOARD_KEY_MM)
        # The Chinese keyboard composes pinyin (before the keys are made:
        # it routes their presses).
        self._pinyin = composing.pinyin_keys(self)
        key_font = _font(14)
        gap = self._gap
        margin = self._margin
        # A screen too narrow for the keyboard's rows of finger-sized keys
        # gets rows of its own width (see _arrange_narrow).
        room = self._keys_across()
        narrow = room is not None and across > room
        self._across = room if narrow else across  # keys in a row
        symbol_rows, shifted_rows = keyboard.symbol_rows, keyboard.shifted_rows
        letter_rows = [(chars,) for chars in keyboard.letter_rows]
        if narrow:
            lengths = row_lengths(len("".join(symbol_rows)), room)
            symbol_rows = cut("".join(symbol_rows), lengths)
            shifted_rows = cut("".join(shifted_rows), lengths)
            letter_rows = [tuple(cut(chars, row_lengths(len(chars), room)))
                           for chars in keyboard.letter_rows]

        self.ui_message = Label(self, "ui_message", _("Enter text:"))
        self.ui_message.SetFont(_font(14))
        self.ui_value_normal = EntryField(self, "ui_value_normal")
        self.ui_value_password = EntryField(self, "ui_value_password",
                                            wx.TE_PASSWORD)
        for field in (self.ui_value_normal, self.ui_value_password):
            field.SetFont(_font(20))
        self.ui_value_password.Hide()

        keys_panel = self._key_panel(self)

        def key(parent, name, label, handler, units=1.0):
            return self._key(parent, name, label, handler, units, key_font)

        def char_key(parent, char):
            button = key(parent, "key", char, self.on_character)
            self._char_keys[char] = button
            return button

        # Symbol panels: two rows, the second staggered by half a key.
        def symbol_panel(name, rows):
            panel = self._key_panel(keys_panel, name)
            column = wx.BoxSizer(wx.VERTICAL)
            for index, chars in enumerate(rows):
                row = wx.BoxSizer(wx.HORIZONTAL)
                indent = (len(rows[0]) - len(chars)) / 2.0
                if indent:
                    self._indent(row, indent)
                for position, char in enumerate(chars):
                    char_key(panel, char).place(
                        row, 0, wx.LEFT if position else 0, gap)
                if indent:
                    self._indent(row, indent)
                column.Add(row, 0, wx.TOP if index else 0, gap)
            panel.SetSizer(column)
            return panel

        self.no_Shift = symbol_panel("no_Shift", symbol_rows)
        self.Shift = symbol_panel("Shift", shifted_rows)
        self.Shift.Hide()

        # Letter panels: one row of the keyboard's letters each (cut in
        # rows of the screen's width on a narrow screen), upper case for
        # caps lock on.
        def letter_panel(name, lines):
            panel = self._key_panel(keys_panel, name)
            column = wx.BoxSizer(wx.VERTICAL)
            for index, chars in enumerate(lines):
                row = wx.BoxSizer(wx.HORIZONTAL)
                for position, char in enumerate(chars):
                    char_key(panel, char).place(
                        row, 0, wx.LEFT if position else 0, gap)
                column.Add(row, 0, wx.TOP if index else 0, gap)
            panel.SetSizer(column)
            return panel

        letter_panels = []  # (caps on, caps off) per letter row
        for index, lines in enumerate(letter_rows):
            on = letter_panel("ui_caps_on_%d" % index,
                              ["".join(map(capital, chars))
                               for chars in lines])
            off = letter_panel("ui_caps_off_%d" % index, lines)
            on.Hide()
            setattr(self, "ui_caps_on_%d" % index, on)
            setattr(self, "ui_caps_off_%d" % index, off)
            letter_panels.append((on, off))

        def blank_key(name, label, units):
            return self._key(keys_panel, name, label, self.on_character,
                             units, key_font, kind=_BlankKey)

        # The keys beside a letter row share what the row leaves of the
        # keyboard's width.
        def beside(row):
            return (across - len(keyboard.letter_rows[row])) / 2.0

        backspace = self._key(keys_panel, "backspace", _("Backspace"),
                              self.on_backspace, 3, key_font, repeats=True)
        clear = key(keys_panel, "clear", _("Clear"), self.on_clear, 3)
        tab = blank_key("tab", "Tab", beside(0))
        cancel = key(keys_panel, "cancel", _("Cancel"), self._on_cancel_key,
                     beside(0))
        caps_on = key(keys_panel, "caps_on", _("Caps On"), self.on_caps_on,
                      beside(1))
        confirm = key(keys_panel, "ok", _("OK"), self._on_ok_key, beside(1))
        shift = _("Shift")
        self.ui_shift_0 = key(keys_panel, "ui_shift_0", shift, self.on_shift,
                              beside(2))
        self.ui_shift_1 = key(keys_panel, "ui_shift_1", shift, self.on_shift,
                              beside(2))
        self.ui_shift_2 = key(keys_panel, "ui_shift_2", shift, self.on_shift, 2)
        caps_off = key(keys_panel, "caps_off", _("Caps Off"), self.on_caps_off, 2.5)
        space = blank_key("space", "Space", across - 7)
        self.ui_shift_3 = key(keys_panel, "ui_shift_3", shift, self.on_shift, 2.5)
        cancel.SetBackgroundColour(CANCEL_COLOUR)
        confirm.SetBackgroundColour(CONFIRM_COLOUR)

        self._char_keys.update({" ": space, "\t": tab})
        self._role_keys.update(confirm=confirm, cancel=cancel,
                               erase=backspace, clear=clear, tab=tab)

        if narrow:
            keys = self._arrange_narrow(
                room, letter_panels, letter_rows,
                (tab, backspace, clear, caps_on, caps_off, self.ui_shift_0,
                 self.ui_shift_1, cancel, confirm, space),
                (self.ui_shift_2, self.ui_shift_3))
            keys_panel.SetSizer(keys)
            self._finish_keyboard(keys_panel, keys)
            return

        def row(*items):
            sizer = wx.BoxSizer(wx.HORIZONTAL)
            for position, item in enumerate(items):
                flag = wx.LEFT if position else 0
                if isinstance(item, KeyButton):
                    item.place(sizer, 0, flag, gap)
                else:
                    sizer.Add(item, 0, flag, gap)
            return sizer

        side = wx.BoxSizer(wx.VERTICAL)
        backspace.place(side)
        clear.place(side, 0, wx.TOP, gap)
        symbols = wx.BoxSizer(wx.HORIZONTAL)
        symbols.Add(self.no_Shift)
        symbols.Add(self.Shift)
        symbols.Add(side, 0, wx.LEFT, gap)

        def letters(index):
            pair = wx.BoxSizer(wx.HORIZONTAL)
            for panel in letter_panels[index]:
                pair.Add(panel)
            return pair

        keys = wx.BoxSizer(wx.VERTICAL)
        for index, line in enumerate((
                symbols,
                row(tab, letters(0), cancel),
                row(caps_on, letters(1), confirm),
                row(self.ui_shift_0, letters(2), self.ui_shift_1),
                row(self.ui_shift_2, caps_off, space, self.ui_shift_3))):
            keys.Add(line, 0, wx.TOP if index else 0, gap)
        keys_panel.SetSizer(keys)
        self._finish_keyboard(keys_panel, keys)

    def _finish_keyboard(self, keys_panel, keys):
        margin = self._margin
        # Pinyin: the letters typed above the entry, their candidates in a
        # row above the keys.
        if self._pinyin is not None:
            keys.Insert(0, self._pinyin.add_row(keys_panel), 0, wx.BOTTOM,
                        self._gap)
        outer = wx.BoxSizer(wx.VERTICAL)
        outer.Add(self.ui_message, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        if self._pinyin is not None:
            outer.Add(self._pinyin.line, 0,
                      wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(self.ui_value_normal, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(self.ui_value_password, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(keys_panel, 0, wx.ALIGN_CENTER_HORIZONTAL | wx.ALL, margin)
        self._keys_sizer = keys
        self._finish_layout(outer)

    def _keys_across(self):
        """How many finger-sized keys a row across the screen holds; None
        without a display, or on a screen lower than NARROW_ROWS rows of
        them, where more rows would only make the keys lower still."""
        room = display_room(self)
        pitch = self.FromDIP(MIN_KEY_DIP) + self._gap
        if room is None or room.height < self.NARROW_ROWS * pitch:
            return None
        return (room.width - 2 * self._margin + self._gap) // pitch

    # Rows of finger-sized keys a screen must hold for a keyboard arranged
    # in rows narrower than its own (the texts above take about two).
    NARROW_ROWS = 8

    def _arrange_narrow(self, across, letter_panels, letter_rows, others,
                        spare):
        """The keyboard in rows of `across` keys: the symbol panels, each
        letter row's panels with a key beside them where they leave room,
        then the other keys (`others`, in this order) in rows of their own.
        Two shift keys do for a narrow keyboard: the `spare` ones hide."""
        gap = self._gap
        pitch = self.FromDIP(MIN_KEY_DIP) + gap

        def least(key):  # in keys, by halves, the caption whole
            caption = self._label_room(key).width + gap
            return max(-(-2 * caption // pitch) / 2.0,
                       3.0 if key.GetLabel() == "Space" else 1.0)

        beside, rows = narrow_rows(
            # beside a panel, as long as its longest line leaves
            [len(lines[0]) for lines in letter_rows for _line in lines], across,
            [(key, least(key)) for key in others])
        units = {key: length for key, length in
                 [pair for pair in beside if pair] + sum(rows, [])}
        self._sized_keys = [(key, units.get(key, length))
                            for key, length in self._sized_keys]
        for key in spare:
            key.Hide()

        keys = wx.BoxSizer(wx.VERTICAL)
        symbols = wx.BoxSizer(wx.HORIZONTAL)
        symbols.Add(self.no_Shift)
        symbols.Add(self.Shift)
        keys.Add(symbols)
        beside = iter(beside)
        for pair, lines in zip(letter_panels, letter_rows):
            line = wx.BoxSizer(wx.HORIZONTAL)
            for panel in pair:
                line.Add(panel)
            column = wx.BoxSizer(wx.VERTICAL)
            for index, side in zip(range(len(lines)), beside):
                flag = wx.TOP if index else 0
                if side is not None:
                    side[0].place(column, 0, flag, gap)
                else:
                    self._indents.append((column.Add(0, 0, 0, flag, gap), 0))
            line.Add(column, 0, wx.LEFT, gap)
            keys.Add(line, 0, wx.TOP, gap)
        for row in rows:
            line = wx.BoxSizer(wx.HORIZONTAL)
            for position, (key, _length) in enumerate(row):
                key.place(line, 0, wx.LEFT if position else 0, gap)
            keys.Add(line, 0, wx.TOP, gap)
        return keys

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
