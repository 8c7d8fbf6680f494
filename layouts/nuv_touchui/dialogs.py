"""The numeric and PIN keypad dialogs and what every keypad dialog shares
(keys, fitting the screen, the endings): the widgets, their arrangement,
and the delivery of key presses to handler methods named after the keys'
roles. The keyboard is keyboard_dialog's."""

import wx

from nuv_wxtools import display_room, window_fit_layout

from .fit import MIN_KEY_DIP, PAD_KEY_MM, key_side, plan_key_size
from .key_look import keypad_font
from .keys import KeyButton, KeyPanel
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
        # Keys as (key, length in keys): what Fit() resizes.
        self._sized_keys = []
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
                self._plan(room, [(key, units, (0, 0)) for key, units in keys])
        wx.Dialog.Fit(self)

    def _plan(self, room, needs):
        """Choose the keys' size and the message's lines for a dialog of at
        most `room`, keys at least as large as `needs` say (key, length in
        keys, (width, height)). False when it does not fit even so."""
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
        span = self._span
        for key, units, (least_width, least_height) in needs:
            key.SetMinSize((max(span(units, width), least_width), max(height, least_height)))
        for panel in self._key_panels:
            panel.InvalidateBestSize()
        self._key_side = width

    def _label_room(self, key):
        """Smallest (width, height) that shows the key's caption whole (a
        translated Tab or Space key shows other text than its label)."""
        return key.least_size()

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
        key_font = keypad_font(18)

        # The texts are drawn by the dialog: five native labels would cost
        # about as much as the rest of the keypad.
        self.ui_message = DrawnText(self, "ui_message", _("Enter a number:"))
        self.ui_message.SetFont(keypad_font(14))
        self.mValueField = EntryField(self, "mValueField", wx.TE_RIGHT)
        self.mValueField.SetFont(keypad_font(26))
        self.m_staticText3 = DrawnText(self, "m_staticText3", _("Min:"))
        self.ui_minimum = DrawnText(self, "ui_minimum", UNBOUNDED_MIN)
        self.m_staticText5 = DrawnText(self, "m_staticText5", _("Max:"))
        self.ui_maxmum = DrawnText(self, "ui_maxmum", UNBOUNDED_MAX)
        for label in (self.m_staticText3, self.ui_minimum,
                      self.m_staticText5, self.ui_maxmum):
            label.SetFont(keypad_font(14))

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
        key_font = keypad_font(18)

        self.ui_message = DrawnText(self, "ui_message", _("Enter PIN:"))
        self.ui_message.SetFont(keypad_font(14))
        self.ui_text = EntryField(self, "ui_text",
                                  wx.TE_PASSWORD | wx.TE_CENTRE)
        self.ui_text.SetFont(keypad_font(26))

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
