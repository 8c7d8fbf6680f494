# The layout module as it was with native wx.Button keys, before the keys
# drew themselves: the old side of the bench's layouts group. Not shipped.
"""Touch-panel keypad layouts.

Three dialogs, each the visual half of an on-screen keypad: the widgets, their
arrangement, and the delivery of key presses to handler methods named after
the keys' roles. The behaviour lives in subclasses that override those
handlers; the defaults here do nothing, so a layout can be shown on its own.

    DigitKeypad          numeric keypad with value field and bounds
    DigitPasswordKeypad  PIN pad with a masked field
    AlphaKeypad          QWERTY keyboard with shift and caps-lock panels

Every key is a wx.Button whose label is exactly what it types. Keys are sized
for a gloved finger: never under 48 px (at 96 dpi, about 13 mm), the numeric
and PIN pads about 15 mm, and all scaled with the screen's resolution. A
physical keyboard, where one is attached, drives the same keys.
"""

import wx

from nuv_wxtools import window_fit_layout

__all__ = ["DigitKeypad", "DigitPasswordKeypad", "AlphaKeypad", "KeyButton",
           "EntryField", "Label", "UniformGridSizer", "key_side"]

# Smallest key side, in device-independent pixels.
MIN_KEY_DIP = 48
# Preferred key sides in millimetres.
PAD_KEY_MM = 15.0
KEYBOARD_KEY_MM = 12.0
FALLBACK_PPI = 96

CONFIRM_COLOUR = wx.Colour(190, 230, 190)
CANCEL_COLOUR = wx.Colour(240, 200, 200)

UNBOUNDED_MIN = "-\u221e"
UNBOUNDED_MAX = "+\u221e"

# Key rows of the alphanumeric keyboard. The two symbol rows share one panel
# per shift state; each letter row has an upper- and a lower-case panel.
SYMBOL_ROWS = ("`1234567890", "-=[]\\;',./")
SHIFTED_SYMBOL_ROWS = ("~!@#$%^&*()", "_+{}|:\"<>?")
LETTER_ROWS = ("QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM")


def _screen_ppi():
    """Pixels per inch of the screen, or None when the system cannot tell."""
    try:
        ppi = wx.GetDisplayPPI()
    except Exception:  # no display information at all
        return None
    value = (ppi.width + ppi.height) / 2.0
    if not 40 <= value <= 1200:  # nonsense from a misconfigured X server
        return None
    return value


def key_side(window, mm, units_across=1, units_down=1):
    """Side in pixels of a square key of about `mm` millimetres.

    The physical size comes from the screen's pixels per inch (96 dpi scaled
    by the window's DPI factor when the screen does not report it). It never
    drops below 48 device-independent pixels, and otherwise shrinks so that
    `units_across` by `units_down` keys still fit on the display.
    """
    ppi = _screen_ppi()
    if ppi is None:
        side = window.FromDIP(round(mm * FALLBACK_PPI / 25.4))
    else:
        side = round(mm * ppi / 25.4)
    smallest = window.FromDIP(MIN_KEY_DIP)
    count = wx.Display.GetCount()
    if count > 0:
        index = wx.Display.GetFromWindow(window)
        area = wx.Display(index if 0 <= index < count else 0).GetClientArea()
        if not area.IsEmpty():
            side = min(side, area.width // (units_across + 1),
                       area.height // (units_down + 1))
    return max(side, smallest)


class KeyButton(wx.Button):
    """One key of a touch keypad.

    The label is literal text: GetLabel() returns exactly the characters on
    the key (an "&" is shown and returned as "&", never taken as a mnemonic),
    which is what a character key types. The key is never smaller than its
    planned size, but grows when a larger font needs more room.
    """

    def __init__(self, parent, label, size, name):
        self._planned = wx.Size(size)
        wx.Button.__init__(self, parent, wx.ID_ANY,
                           wx.Control.EscapeMnemonics(label),
                           style=wx.BU_EXACTFIT, name=name)

    def GetLabel(self):
        return wx.Control.RemoveMnemonics(wx.Button.GetLabel(self))

    def GetLabelText(self):
        return self.GetLabel()

    def DoGetBestSize(self):
        # The toolkit's own figure lags behind font changes until the key is
        # on screen, so measure the label as well.
        best = wx.Button.DoGetBestSize(self)
        planned = getattr(self, "_planned", wx.Size(0, 0))
        text = self.GetTextExtent(self.GetLabel() or "0")
        return wx.Size(
            max(best.width, planned.width, text.width + self.FromDIP(20)),
            max(best.height, planned.height, text.height + self.FromDIP(12)))


class Label(wx.StaticText):
    """Static text whose size follows font and text changes at once (the
    toolkit reports a stale size until the label is on screen)."""

    def __init__(self, parent, name, label):
        wx.StaticText.__init__(self, parent, wx.ID_ANY, label, name=name)

    def SetLabel(self, label):
        wx.StaticText.SetLabel(self, label)
        # A text set after the dialog was fitted (a bound, a prompt) must
        # not be clipped: grow the dialog when it no longer fits.
        self.InvalidateBestSize()
        top = wx.GetTopLevelParent(self)
        sizer = top.GetSizer() if top is not None else None
        if sizer is not None:
            needed, has = sizer.CalcMin(), top.GetClientSize()
            if needed.width > has.width or needed.height > has.height:
                window_fit_layout(top)

    def DoGetBestSize(self):
        best = wx.StaticText.DoGetBestSize(self)
        lines = self.GetLabelText().split("\n")
        width = max(self.GetTextExtent(line or " ").width for line in lines)
        height = len(lines) * self.GetCharHeight()
        return wx.Size(max(best.width, width + self.FromDIP(2)),
                       max(best.height, height))


class EntryField(wx.TextCtrl):
    """Single-line read-only field showing the keyed entry.

    Its height follows its font at once (the toolkit reports a stale size
    until the field is on screen); its width is only a few characters, the
    layout stretches it across the keys.
    """

    def __init__(self, parent, name, style=0):
        wx.TextCtrl.__init__(self, parent, wx.ID_ANY, "",
                             style=wx.TE_READONLY | style, name=name)

    # Entry goes through the keys: keep the focus (and a caret suggesting
    # the field is editable) on the keys.
    def AcceptsFocus(self):
        return False

    def AcceptsFocusFromKeyboard(self):
        return False

    def DoGetBestSize(self):
        best = wx.TextCtrl.DoGetBestSize(self)
        text = self.GetTextExtent("000000")
        return wx.Size(text.width + self.FromDIP(16),
                       max(best.height,
                           self.GetCharHeight() + self.FromDIP(14)))


class UniformGridSizer(wx.Sizer):
    """Grid of equal cells, each item covering one cell or a block of them.

    Every cell is as large as the most demanding item needs, so a larger
    font keeps the grid even instead of widening one column. Extra room is
    shared out equally.
    """

    def __init__(self, rows, cols, gap):
        wx.Sizer.__init__(self)
        self._rows = rows
        self._cols = cols
        self._gap = gap
        self._places = []  # (sizer item, row, column, rows, columns)

    def AddAt(self, window, pos, span=(1, 1)):
        item = self.Add(window)
        self._places.append((item,) + tuple(pos) + tuple(span))
        return item

    def CalcMin(self):
        gap = self._gap
        cell_w = cell_h = 0
        for item, _, _, rows, cols in self._places:
            if item.IsShown():
                need = item.CalcMin()
                cell_w = max(cell_w, -(-(need.width - (cols - 1) * gap)
                                       // cols))
                cell_h = max(cell_h, -(-(need.height - (rows - 1) * gap)
                                       // rows))
        return wx.Size(self._cols * (cell_w + gap) - gap,
                       self._rows * (cell_h + gap) - gap)

    def RecalcSizes(self):
        gap = self._gap
        x0, y0 = self.GetPosition()
        width, height = self.GetSize()
        step_x = (width + gap) / self._cols
        step_y = (height + gap) / self._rows
        for item, row, col, rows, cols in self._places:
            left = x0 + round(col * step_x)
            top = y0 + round(row * step_y)
            right = x0 + round((col + cols) * step_x) - gap
            bottom = y0 + round((row + rows) * step_y) - gap
            item.SetDimension(wx.Point(left, top),
                              wx.Size(right - left, bottom - top))


def _font(points):
    return wx.Font(points, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL,
                   wx.FONTWEIGHT_NORMAL)


class _TouchDialog(wx.Dialog):
    """What the three layouts share: key making, the cancel and confirm
    endings, and the bridge from a physical keyboard to the on-screen keys."""

    # Keyboard roles reached through special keys (see _on_char_hook).
    _SPECIAL_KEYS = {
        wx.WXK_RETURN: "confirm",
        wx.WXK_NUMPAD_ENTER: "confirm",
        wx.WXK_ESCAPE: "cancel",
        wx.WXK_BACK: "erase",
        wx.WXK_DELETE: "clear",
    }
    _NUMPAD_CHARS = {
        wx.WXK_NUMPAD0: "0", wx.WXK_NUMPAD1: "1", wx.WXK_NUMPAD2: "2",
        wx.WXK_NUMPAD3: "3", wx.WXK_NUMPAD4: "4", wx.WXK_NUMPAD5: "5",
        wx.WXK_NUMPAD6: "6", wx.WXK_NUMPAD7: "7", wx.WXK_NUMPAD8: "8",
        wx.WXK_NUMPAD9: "9", wx.WXK_NUMPAD_DECIMAL: ".",
        wx.WXK_NUMPAD_SUBTRACT: "-", wx.WXK_NUMPAD_ADD: "+",
        wx.WXK_NUMPAD_MULTIPLY: "*", wx.WXK_NUMPAD_DIVIDE: "/",
        wx.WXK_NUMPAD_SPACE: " ",
    }

    def _init_dialog(self, parent, title, key_mm, across, down):
        wx.Dialog.__init__(self, parent, wx.ID_ANY, title,
                           style=wx.DEFAULT_DIALOG_STYLE)
        self._key_side = key_side(self, key_mm, across, down)
        self._margin = self.FromDIP(12)
        self._gap = self.FromDIP(6)
        # Typed character -> key, and role ("confirm", "cancel", "erase",
        # "clear", "tab") -> key, for the physical keyboard.
        self._char_keys = {}
        self._role_keys = {}

    def _span(self, units):
        """Pixel length of a key `units` keys long, gaps included."""
        return round(units * (self._key_side + self._gap) - self._gap)

    def _key(self, parent, name, label, handler, units=1.0, font=None):
        """Make a key; `handler` (a bound method or None) gets its presses."""
        key = KeyButton(parent, label, (self._span(units), self._key_side),
                        name)
        if font is not None:
            key.SetFont(font)
        if handler is not None:
            key.Bind(wx.EVT_BUTTON, handler)
        return key

    def _finish_layout(self, sizer):
        """Install the sizer, hook up the keyboard, size and centre."""
        self.SetSizer(sizer)
        self.Bind(wx.EVT_CHAR_HOOK, self._on_char_hook)
        self.Bind(wx.EVT_INIT_DIALOG, self._on_init_dialog)
        self._bind_chars(self)
        window_fit_layout(self)

    def _bind_chars(self, window):
        window.Bind(wx.EVT_CHAR, self._on_char)
        for child in window.GetChildren():
            if not child.IsTopLevel():
                self._bind_chars(child)

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

    # Physical keyboard -------------------------------------------------

    def _press_key(self, key):
        """Deliver a press of `key` exactly as a touch does: a button event
        from that key through its own handler chain. Disabled keys refuse."""
        if not key.IsEnabled():
            return False
        event = wx.CommandEvent(wx.wxEVT_BUTTON, key.GetId())
        event.SetEventObject(key)
        key.GetEventHandler().ProcessEvent(event)
        return True

    def _key_for(self, event):
        """The key a key event names by its character, or None."""
        char = self._NUMPAD_CHARS.get(event.GetKeyCode())
        if char is None:
            code = event.GetUnicodeKey()
            if code == wx.WXK_NONE:
                return None
            char = chr(code)
        return self._char_keys.get(char)

    def _on_char_hook(self, event):
        # Key-down, before any control sees it. Special keys are mapped
        # here. A plain (unmodified) key is mapped here too, unless it is a
        # letter: the key-down code of a letter does not say its case, so
        # letters and shifted keys wait for the translated character event.
        if event.GetModifiers() == wx.MOD_NONE:
            role = self._SPECIAL_KEYS.get(event.GetKeyCode())
            if role is None and event.GetKeyCode() == wx.WXK_TAB:
                role = "tab"
            key = self._role_keys.get(role)
            if key is None:
                code = event.GetUnicodeKey()
                if code == wx.WXK_NONE or not chr(code).isalpha():
                    key = self._key_for(event)
            if key is not None:
                self._press_key(key)
                return
        event.DoAllowNextEvent()
        event.Skip()

    def _on_char(self, event):
        key = self._key_for(event)
        if key is None:
            event.Skip()
        else:
            self._press_key(key)


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
        self._init_dialog(parent, "Number", PAD_KEY_MM, 4, 8)
        key_font = _font(18)

        self.ui_message = Label(self, "ui_message", "Enter a number:")
        self.ui_message.SetFont(_font(14))
        self.mValueField = EntryField(self, "mValueField", wx.TE_RIGHT)
        self.mValueField.SetFont(_font(26))
        self.m_staticText3 = Label(self, "m_staticText3", "Min:")
        self.ui_minimum = Label(self, "ui_minimum", UNBOUNDED_MIN)
        self.m_staticText5 = Label(self, "m_staticText5", "Max:")
        self.ui_maxmum = Label(self, "ui_maxmum", UNBOUNDED_MAX)
        for label in (self.m_staticText3, self.ui_minimum,
                      self.m_staticText5, self.ui_maxmum):
            label.SetFont(_font(14))

        def key(name, label, handler, pos, span=(1, 1)):
            button = self._key(self, name, label, handler, font=key_font)
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
        clear = key("m_button15", "Clear", self.OnClearAll, (3, 2), (1, 2))
        cancel = key("m_button16", "Cancel", self._on_cancel_key, (4, 0),
                     (1, 2))
        confirm = key("m_button17", "OK", self.on_enter, (4, 2), (1, 2))
        cancel.SetBackgroundColour(CANCEL_COLOUR)
        confirm.SetBackgroundColour(CONFIRM_COLOUR)

        self._char_keys.update(digits)
        self._char_keys.update({"-": minus, "+": plus, ".": dot, ",": dot})
        self._role_keys.update(confirm=confirm, cancel=cancel, erase=clear,
                               clear=clear)

        margin = self._margin
        bounds = wx.BoxSizer(wx.HORIZONTAL)
        bounds.Add(self.m_staticText3, 0, wx.ALIGN_CENTER_VERTICAL | wx.RIGHT,
                   self._gap)
        bounds.Add(self.ui_minimum, 0, wx.ALIGN_CENTER_VERTICAL)
        bounds.Add(margin * 2, 0, 1)
        bounds.Add(self.m_staticText5, 0, wx.ALIGN_CENTER_VERTICAL | wx.RIGHT,
                   self._gap)
        bounds.Add(self.ui_maxmum, 0, wx.ALIGN_CENTER_VERTICAL)

        outer = wx.BoxSizer(wx.VERTICAL)
        outer.Add(self.ui_message, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(self.mValueField, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(bounds, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(grid, 1, wx.EXPAND | wx.ALL, margin)
        self._finish_layout(outer)

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
        self._init_dialog(parent, "PIN", PAD_KEY_MM, 4, 7)
        key_font = _font(18)

        self.ui_message = Label(self, "ui_message", "Enter PIN:")
        self.ui_message.SetFont(_font(14))
        self.ui_text = EntryField(self, "ui_text",
                                  wx.TE_PASSWORD | wx.TE_CENTRE)
        self.ui_text.SetFont(_font(26))

        grid = wx.GridBagSizer(self._gap, self._gap)

        def key(name, label, handler, pos=None, span=(1, 1)):
            button = self._key(self, name, label, handler, font=key_font)
            setattr(self, name, button)
            if pos is None:
                button.Hide()
            else:
                grid.Add(button, pos, span, wx.EXPAND)
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
        clear = key("m_button15", "Clear", self.on_clear, (0, 3))
        cancel = key("m_button16", "Cancel", self._on_cancel_key, (1, 3))
        confirm = key("m_button17", "OK", self.on_confirm, (2, 3), (2, 1))
        cancel.SetBackgroundColour(CANCEL_COLOUR)
        confirm.SetBackgroundColour(CONFIRM_COLOUR)
        # The numeric pad's sign and decimal-point keys have no use here.
        for name, label in (("m_button5", "\u2212"), ("m_button9", "+"),
                            ("DotPoint", ".")):
            key(name, label, None)
        for column in range(4):
            grid.AddGrowableCol(column)

        self._char_keys.update(digits)
        self._role_keys.update(confirm=confirm, cancel=cancel, erase=clear,
                               clear=clear)

        margin = self._margin
        outer = wx.BoxSizer(wx.VERTICAL)
        outer.Add(self.ui_message, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(self.ui_text, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(grid, 1, wx.EXPAND | wx.ALL, margin)
        self._finish_layout(outer)

    # Handlers; the keypad overrides them.
    def on_digit(self, event):
        pass

    def on_clear(self, event):
        pass

    def on_confirm(self, event):
        pass


class AlphaKeypad(_TouchDialog):
    """Alphanumeric keyboard layout (US QWERTY).

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
    every printable ASCII character is on some key.

    Character keys, Tab and Space go to on_character; the other keys to
    on_backspace, on_clear, on_shift, on_caps_on and on_caps_off. OK ends the
    dialog with wx.ID_OK and Cancel with wx.ID_CANCEL. The plain text field
    is shown, the masked one hidden; the keyboard picks which to use.
    """

    def __init__(self, parent):
        self._init_dialog(parent, "Keyboard", KEYBOARD_KEY_MM, 15, 10)
        key_font = _font(14)
        gap = self._gap
        margin = self._margin

        self.ui_message = Label(self, "ui_message", "Enter text:")
        self.ui_message.SetFont(_font(14))
        self.ui_value_normal = EntryField(self, "ui_value_normal")
        self.ui_value_password = EntryField(self, "ui_value_password",
                                            wx.TE_PASSWORD)
        for field in (self.ui_value_normal, self.ui_value_password):
            field.SetFont(_font(20))
        self.ui_value_password.Hide()

        def key(parent, name, label, handler, units=1.0):
            return self._key(parent, name, label, handler, units, key_font)

        def char_key(parent, char):
            button = key(parent, "key", char, self.on_character)
            self._char_keys[char] = button
            return button

        # Symbol panels: two rows, the second staggered by half a key.
        def symbol_panel(name, rows):
            panel = wx.Panel(self, name=name)
            column = wx.BoxSizer(wx.VERTICAL)
            for index, chars in enumerate(rows):
                row = wx.BoxSizer(wx.HORIZONTAL)
                indent = round((len(rows[0]) - len(chars)) / 2.0
                               * (self._key_side + gap))
                if indent:
                    row.AddSpacer(indent)
                for position, char in enumerate(chars):
                    row.Add(char_key(panel, char), 0,
                            wx.LEFT if position else 0, gap)
                if indent:
                    row.AddSpacer(indent)
                column.Add(row, 0, wx.TOP if index else 0, gap)
            panel.SetSizer(column)
            return panel

        self.no_Shift = symbol_panel("no_Shift", SYMBOL_ROWS)
        self.Shift = symbol_panel("Shift", SHIFTED_SYMBOL_ROWS)
        self.Shift.Hide()

        # Letter panels: one row each, upper case for caps lock on.
        def letter_panel(name, chars):
            panel = wx.Panel(self, name=name)
            row = wx.BoxSizer(wx.HORIZONTAL)
            for position, char in enumerate(chars):
                row.Add(char_key(panel, char), 0,
                        wx.LEFT if position else 0, gap)
            panel.SetSizer(row)
            return panel

        for index, chars in enumerate(LETTER_ROWS):
            on = letter_panel("ui_caps_on_%d" % index, chars.upper())
            off = letter_panel("ui_caps_off_%d" % index, chars.lower())
            on.Hide()
            setattr(self, "ui_caps_on_%d" % index, on)
            setattr(self, "ui_caps_off_%d" % index, off)

        backspace = key(self, "backspace", "Backspace", self.on_backspace, 3)
        clear = key(self, "clear", "Clear", self.on_clear, 3)
        tab = key(self, "tab", "Tab", self.on_character, 2)
        cancel = key(self, "cancel", "Cancel", self._on_cancel_key, 2)
        caps_on = key(self, "caps_on", "Caps On", self.on_caps_on, 2.5)
        confirm = key(self, "ok", "OK", self._on_ok_key, 2.5)
        self.ui_shift_0 = key(self, "ui_shift_0", "Shift", self.on_shift, 3.5)
        self.ui_shift_1 = key(self, "ui_shift_1", "Shift", self.on_shift, 3.5)
        self.ui_shift_2 = key(self, "ui_shift_2", "Shift", self.on_shift, 2)
        caps_off = key(self, "caps_off", "Caps Off", self.on_caps_off, 2.5)
        space = key(self, "space", "Space", self.on_character, 7)
        self.ui_shift_3 = key(self, "ui_shift_3", "Shift", self.on_shift, 2.5)
        cancel.SetBackgroundColour(CANCEL_COLOUR)
        confirm.SetBackgroundColour(CONFIRM_COLOUR)

        self._char_keys.update({" ": space, "\t": tab})
        self._role_keys.update(confirm=confirm, cancel=cancel,
                               erase=backspace, clear=clear, tab=tab)

        def row(*items):
            sizer = wx.BoxSizer(wx.HORIZONTAL)
            for position, item in enumerate(items):
                sizer.Add(item, 0, wx.LEFT if position else 0, gap)
            return sizer

        side = wx.BoxSizer(wx.VERTICAL)
        side.Add(backspace)
        side.Add(clear, 0, wx.TOP, gap)
        symbols = wx.BoxSizer(wx.HORIZONTAL)
        symbols.Add(self.no_Shift)
        symbols.Add(self.Shift)
        symbols.Add(side, 0, wx.LEFT, gap)

        def letters(index):
            pair = wx.BoxSizer(wx.HORIZONTAL)
            pair.Add(getattr(self, "ui_caps_on_%d" % index))
            pair.Add(getattr(self, "ui_caps_off_%d" % index))
            return pair

        keys = wx.BoxSizer(wx.VERTICAL)
        for index, line in enumerate((
                symbols,
                row(tab, letters(0), cancel),
                row(caps_on, letters(1), confirm),
                row(self.ui_shift_0, letters(2), self.ui_shift_1),
                row(self.ui_shift_2, caps_off, space, self.ui_shift_3))):
            keys.Add(line, 0, wx.TOP if index else 0, gap)

        outer = wx.BoxSizer(wx.VERTICAL)
        outer.Add(self.ui_message, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(self.ui_value_normal, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(self.ui_value_password, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(keys, 0, wx.ALIGN_CENTER_HORIZONTAL | wx.ALL, margin)
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
