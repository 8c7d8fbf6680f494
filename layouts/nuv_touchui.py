"""Touch-panel keypad layouts.

Three dialogs, each the visual half of an on-screen keypad: the widgets, their
arrangement, and the delivery of key presses to handler methods named after
the keys' roles. The behaviour lives in subclasses that override those
handlers; the defaults here do nothing, so a layout can be shown on its own.

    DigitKeypad          numeric keypad with value field and bounds
    DigitPasswordKeypad  PIN pad with a masked field
    AlphaKeypad          keyboard (US, German, French or Spanish) with shift
                         and caps-lock panels

Every key is a KeyButton, a light object drawn by the KeyPanel window it
sits on, that sends the wx.EVT_BUTTON command event a button would; a
character key's label is exactly what it types. Each dialog's keys() yields
them all. Fixed captions (OK, Cancel, Clear, the prompts) pass
through wx.GetTranslation when the dialog is made, so a catalog the
application loaded (domain "nuv_touch") shows them in the operator's
language. Keys are sized for a gloved finger: never under 48 px (at 96 dpi,
about 13 mm), the numeric and PIN pads about 15 mm, and all scaled with the
screen's resolution. A physical keyboard, where one is attached, drives the
same keys.

Each dialog fits the client area of its display with a window manager's
frame around it (see _TouchDialog.Fit): the keys shrink as far as the screen
asks, below 48 px only on a screen too small for them, and the texts wrap to
the keys' width, cut with an ellipsis where their lines run out.

"""

import re

import wx

from nuv_wxtools import display_area, display_room, window_fit_layout

__all__ = ["DigitKeypad", "DigitPasswordKeypad", "AlphaKeypad", "KeyButton",
           "KeyPanel", "EntryField", "Label", "UniformGridSizer", "key_side", "Keyboard",
           "KEYBOARDS", "set_keyboard_layout", "keyboard_layout"]

# Smallest key side, in device-independent pixels.
MIN_KEY_DIP = 48
# Preferred key sides in millimetres.
PAD_KEY_MM = 15.0
KEYBOARD_KEY_MM = 12.0
FALLBACK_PPI = 96

CONFIRM_COLOUR = wx.Colour(190, 230, 190)
CANCEL_COLOUR = wx.Colour(240, 200, 200)

ELLIPSIS = "\u2026"
UNBOUNDED_MIN = "-\u221e"
UNBOUNDED_MAX = "+\u221e"


class Keyboard:
    """The keys of one national keyboard.

    The two symbol rows share one panel per shift state (`symbol_rows`
    unshifted, `shifted_rows` shifted, row for row of equal length); each
    letter row, given in lower case, has a lower- and an upper-case panel
    for caps lock. Every letter sits on a letter row, so caps lock gives the
    capital of each; a letter without a one-character capital (ß) keeps its
    own key there. Every printable ASCII character is on some key of every
    keyboard.
    """

    def __init__(self, symbol_rows, shifted_rows, letter_rows):
        self.symbol_rows = symbol_rows
        self.shifted_rows = shifted_rows
        self.letter_rows = letter_rows

    def width(self):
        """Keys across the keyboard: the longer symbol row and the
        Backspace and Clear column beside it."""
        return len(self.symbol_rows[0]) + 3


KEYBOARDS = {
    "us": Keyboard(("`1234567890", "-=[]\\;',./"),
                   ("~!@#$%^&*()", "_+{}|:\"<>?"),
                   ("qwertyuiop", "asdfghjkl", "zxcvbnm")),
    "de": Keyboard(("^1234567890\u00b4", "+#-.,<@\u20ac[]{}"),
                   ("\u00b0!\"\u00a7$%&/()=?", "*'_:;>`~\\|\u00b2\u00b3"),
                   ("qwertzuiop\u00fc", "asdfghjkl\u00f6\u00e4",
                    "yxcvbnm\u00df")),
    "fr": Keyboard(("\u00b21234567890)=", "-[]\\;',./\u20ac\u00a7"),
                   ("`!@#$%^&*(\u00b0+_", "~{}|:\"<>?\u00a3\u00b5"),
                   ("azertyuiop\u00e9\u00e8", "qsdfghjklm\u00e0\u00f9",
                    "wxcvbn\u00e7\u00e2\u00ea\u00ee\u00f4\u00fb")),
    "es": Keyboard(("\u00ba1234567890'\u00a1", "`+-[]\\;,.<\u20ac"),
                   ("\u00aa!\"\u00b7$%&/()=?\u00bf", "^*_{}|:@#>~"),
                   ("qwertyuiop\u00e1", "asdfghjkl\u00f1\u00e9",
                    "zxcvbnm\u00ed\u00f3\u00fa\u00fc")),
}

# The keyboard the application chose, or None to follow its language.
_chosen_keyboard = None


def set_keyboard_layout(name):
    """Chooses the keyboard of the keyboards made from now on: a key of
    KEYBOARDS ("us", "de", "fr", "es"), or None to follow the language the
    application shows (US when it shows none with a keyboard here)."""
    global _chosen_keyboard
    if name is not None and name not in KEYBOARDS:
        raise ValueError("no keyboard %r; choose one of %s"
                         % (name, ", ".join(sorted(KEYBOARDS))))
    _chosen_keyboard = name


def keyboard_layout():
    """The name of the keyboard the next keyboard dialog shows."""
    if _chosen_keyboard is not None:
        return _chosen_keyboard
    language = _shown_language()
    return language if language in KEYBOARDS else "us"


def _shown_language():
    """The language code ("fr") of the texts the application shows: that
    of the catalogs it loaded, whether through a wx.Locale or wx.Translations
    alone (ours first); else that of its wx.Locale or wx.UILocale."""
    translations = wx.Translations.Get()
    if translations is not None:
        for domain in ("nuv_touch", ""):
            language = translations.GetHeaderValue("Language", domain)
            if language:
                return _language_part(language)
    locale = wx.GetLocale()
    if locale is not None:
        return _language_part(locale.GetCanonicalName())
    ui_locale = getattr(wx, "UILocale", None)  # wxPython 4.2.1 and later
    if ui_locale is not None:
        return _language_part(ui_locale.GetCurrent().GetName())
    return ""


def _language_part(name):
    """"fr" of "fr_CA.UTF-8", "fr-CA" or "fr"."""
    return re.split(r"[-_.@]", name, 1)[0].lower()


def _capital(letter):
    """The key caps lock shows for `letter`: its capital, or the letter
    itself when the capital is not one character (ß would become SS)."""
    capital = letter.upper()
    return capital if len(capital) == 1 else letter


def row_lengths(length, across):
    """Lengths of the rows `length` keys take at most `across` to a row,
    as even as can be (longer rows first)."""
    count = max(-(-length // max(across, 1)), 1)
    base, longer = divmod(length, count)
    return [base + 1] * longer + [base] * (count - longer)


def cut(text, lengths):
    """`text` cut into pieces of these lengths."""
    pieces, start = [], 0
    for length in lengths:
        pieces.append(text[start:start + length])
        start += length
    return pieces


def narrow_rows(letter_rows, across, needs):
    """Where the keys other than characters go on a keyboard arranged in
    rows of `across` keys: beside a letter row where it leaves room for
    one, else in rows of their own.

    `letter_rows`: the length of each row of letters; `needs`: (key, least
    length in keys) in the order the keys are placed. Returns (beside,
    rows): for each letter row the (key, length) beside it or None, and the
    rows of (key, length) below the letters, each as long as the keyboard.
    """
    pending = list(needs)
    beside = []
    for length in letter_rows:
        spare = across - length
        chosen = next((need for need in pending if need[1] <= spare), None)
        if chosen is not None:
            pending.remove(chosen)
            chosen = (chosen[0], spare)
        beside.append(chosen)
    rows, row = [], []
    for key, units in pending:
        if row and sum(u for _k, u in row) + units > across:
            rows.append(row)
            row = []
        row.append((key, units))
    if row:
        rows.append(row)
    stretched = []
    for row in rows:
        extra = (across - sum(u for _k, u in row)) / len(row)
        stretched.append([(key, units + extra) for key, units in row])
    return beside, stretched


def _(text):
    """The operator's translation of a fixed caption, looked up now."""
    return wx.GetTranslation(text)


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
    area = display_area(window)
    if area is not None and not area.IsEmpty():
        side = min(side, area.width // (units_across + 1),
                   area.height // (units_down + 1))
    return max(side, smallest)


class KeyButton(wx.EvtHandler):
    """One key of a touch keypad: not a window, a key the KeyPanel it sits
    on draws and hands the finger to.

    It answers what the keypads and a button's users call (GetLabel, SetFont,
    Enable, Disable, SetBackgroundColour, Show, GetScreenRect, Bind ...) and
    sends the wx.EVT_BUTTON command event a button would, with the key as
    its event object; an event the key's own handlers leave goes on to its
    panel, as a button's goes to its parent. The label is literal text:
    GetLabel() returns exactly the characters on the key ("&" included),
    which is what a character key types. A key is pressed while the finger
    is down on it and fires when the finger lifts inside it; sliding off
    cancels. A repeating key (Backspace) fires again and again while held.
    A disabled key is drawn greyed and sends nothing. The key is never
    smaller than its planned size, but grows when a larger font needs more
    room. Each change repaints the key on its panel.
    """

    # A held repeating key fires after REPEAT_DELAY_MS, then every
    # REPEAT_INTERVAL_MS, as a physical keyboard's auto-repeat does.
    REPEAT_DELAY_MS = 500
    REPEAT_INTERVAL_MS = 100

    # State a key starts with (set on the instance once it changes).
    _font = None  # None: the panel's own
    _face = None  # None: the default face
    _enabled = True
    _shown = True
    _item = None  # the key's place in its panel's sizers (see place)

    def __init__(self, parent, label, size, name, repeats=False):
        wx.EvtHandler.__init__(self)
        self._panel = parent
        self._label = label
        self._name = name
        self._planned = wx.Size(size)
        self._id = wx.NewIdRef()
        self._bound = []  # (event binder, handler) of each Bind
        self.repeats = repeats
        parent.add_key(self)

    def Bind(self, event, handler, *args, **kwargs):
        self._bound.append((event, handler))
        return wx.EvtHandler.Bind(self, event, handler, *args, **kwargs)

    def release(self):
        """Let go of the handlers bound to the key (its panel is going): the
        toolkit's side of a binding holds its handler, and with it the
        dialog, out of the garbage collector's sight."""
        for event, handler in self._bound:
            self.Unbind(event, handler=handler)
        self._bound = []

    def place(self, sizer, *args):
        """Put the key into `sizer` (of its panel), with the arguments
        sizer.Add takes after the item (a grid bag's position and span, or a
        box's proportion, flag and border)."""
        best = self._best_size()
        self._item = sizer.Add(best.width, best.height, *args)
        self._item.Show(self._shown)
        return self._item

    # What the keypads and tools call ------------------------------------

    def GetId(self):
        return self._id.GetId()

    def GetName(self):
        return self._name

    def GetParent(self):
        return self._panel

    def GetEventHandler(self):
        return self

    def GetLabel(self):
        return self._label

    def GetLabelText(self):
        return self._label

    def SetLabel(self, label):
        self._label = label
        self._grow()

    def GetFont(self):
        return self._font if self._font is not None else self._panel.GetFont()

    def SetFont(self, font):
        self._font = wx.Font(font)
        self._grow()
        return True

    def GetTextExtent(self, text):
        return wx.Size(*_text_size(self._panel, text, self.GetFont()))

    def GetBackgroundColour(self):
        return wx.Colour(self._face) if self._face is not None \
            else _default_face()

    def SetBackgroundColour(self, colour):
        self._face = wx.Colour(colour)
        self.Refresh()
        return True

    def IsEnabled(self):
        return self._enabled and self._panel.IsEnabled()

    def Enable(self, enable=True):
        if self._enabled == bool(enable):
            return False
        self._enabled = bool(enable)
        self._panel.cancel_press(self)
        self.Refresh()
        return True

    def Disable(self):
        return self.Enable(False)

    def IsShown(self):
        return self._shown

    def Show(self, show=True):
        if self._shown == bool(show):
            return False
        self._shown = bool(show)
        self._panel.cancel_press(self)
        if self._item is not None:
            self._item.Show(self._shown)
            self._panel.Layout()
            self._panel.Refresh()
        return True

    def Hide(self):
        return self.Show(False)

    def IsShownOnScreen(self):
        return (self._shown and self._item is not None
                and self._panel.IsShownOnScreen())

    def GetRect(self):
        """The key's rectangle in its panel."""
        return self._item.GetRect() if self._item is not None \
            else wx.Rect(self._planned)

    def GetPosition(self):
        return self.GetRect().GetPosition()

    def GetSize(self):
        return self.GetRect().GetSize()

    GetClientSize = GetSize

    def GetScreenRect(self):
        rect = self.GetRect()
        rect.Offset(self._panel.GetScreenPosition())
        return rect

    def SetMinSize(self, size):
        if self._item is not None:
            self._item.SetMinSize(size)

    def HasCapture(self):
        return self._panel.pressed_key() is self

    def SetFocus(self):
        self._panel.SetFocus()

    def Refresh(self):
        if self._item is not None and self._shown:
            self._panel.RefreshRect(self.GetRect(), False)

    def Press(self):
        """Fire the key as a finger lifting on it does: a button event from
        the key through its own handlers, then its panel's. A disabled key
        refuses (returns False)."""
        if not self.IsEnabled():
            return False
        event = wx.CommandEvent(wx.wxEVT_BUTTON, self.GetId())
        event.SetEventObject(self)
        if not self.ProcessEvent(event):
            self._panel.GetEventHandler().ProcessEvent(event)
        return True

    def _best_size(self):
        width, height = _text_size(self._panel, self.caption() or "0",
                                   self.GetFont())
        return wx.Size(max(self._planned.width, width + self._panel.FromDIP(20)),
                       max(self._planned.height,
                           height + self._panel.FromDIP(12)))

    def caption(self):
        """The text the key shows."""
        return self._label

    def _grow(self):
        # Never smaller than the planned key or than its caption needs.
        if self._item is not None:
            best, has = self._best_size(), self._item.GetMinSize()
            self._item.SetMinSize(wx.Size(max(best.width, has.width),
                                          max(best.height, has.height)))
            self._panel.InvalidateBestSize()
        self.Refresh()

    # Drawing -------------------------------------------------------------

    def draw(self, dc, pressed, background):
        """Paint the key into `dc` at its place, on `background`."""
        rect = self.GetRect()
        if rect.IsEmpty():
            return
        if self._panel.GetContentScaleFactor() != 1:  # a bitmap would blur
            self._draw(dc, rect, pressed, background)
            return
        face = self._face
        look = (rect.width, rect.height, self.caption(),
                _font_key(self.GetFont()), pressed, self.IsEnabled(),
                face.GetRGB() if face is not None else None,
                background.GetRGB())
        image = _KEY_IMAGES.get(look)
        if image is None:
            if len(_KEY_IMAGES) >= _KEY_IMAGES_KEPT:
                _KEY_IMAGES.clear()
            image = _KEY_IMAGES[look] = wx.Bitmap(rect.width, rect.height)
            memory = wx.MemoryDC(image)
            self._draw(memory, wx.Rect(rect.GetSize()), pressed, background)
            memory.SelectObject(wx.NullBitmap)
        dc.DrawBitmap(image, rect.x, rect.y)

    def _draw(self, dc, rect, pressed, background):
        enabled = self.IsEnabled()
        face = self._face or _default_face()
        if not enabled:
            face = face.ChangeLightness(115)
        elif pressed:
            face = face.ChangeLightness(75)
        panel = self._panel
        dc.SetPen(wx.Pen(background))
        dc.SetBrush(wx.Brush(background))
        dc.DrawRectangle(rect)
        dc.SetPen(wx.Pen(face.ChangeLightness(65), panel.FromDIP(1)))
        dc.SetBrush(wx.Brush(face))
        dc.DrawRoundedRectangle(rect, panel.FromDIP(6))
        dc.SetFont(self.GetFont())
        dc.SetTextForeground(wx.SystemSettings.GetColour(
            wx.SYS_COLOUR_BTNTEXT if enabled else wx.SYS_COLOUR_GRAYTEXT))
        caption = self.caption()
        text_width, text_height = dc.GetTextExtent(caption)
        dc.DrawText(caption, rect.x + (rect.width - text_width) // 2,
                    rect.y + (rect.height - text_height) // 2)


class KeyPanel(wx.Window):
    """A window that draws the keys placed on it in one paint and hands the
    finger to the key under it.

    A window costs far more than drawing: a keyboard of a hundred keys has a
    few of these (one per set of keys shown and hidden together), not a
    window per key. Lay the keys out with sizers: KeyButton.place puts a key
    into one of the panel's sizers. A plain wx.Window, not a wx.Control: wx
    asks GTK for a control's default colours at every paint.
    """

    def __init__(self, parent, name="keys"):
        wx.Window.__init__(self, parent, wx.ID_ANY, style=wx.BORDER_NONE,
                           name=name)
        self.SetBackgroundStyle(wx.BG_STYLE_PAINT)
        self._keys = []
        self._pressed = None  # the key the finger is down on
        self._repeated = False  # the press being held has fired already
        self._repeat = None  # timer of a held repeating key, made when needed
        self.Bind(wx.EVT_PAINT, self._on_paint)
        self.Bind(wx.EVT_LEFT_DOWN, self._on_finger_down)
        # A quick second tap arrives as a double click, not a second down.
        self.Bind(wx.EVT_LEFT_DCLICK, self._on_finger_down)
        self.Bind(wx.EVT_LEFT_UP, self._on_finger_up)
        self.Bind(wx.EVT_MOTION, self._on_finger_move)
        self.Bind(wx.EVT_MOUSE_CAPTURE_LOST, self._on_capture_lost)
        self.Bind(wx.EVT_WINDOW_DESTROY, self._on_destroy)

    def add_key(self, key):
        self._keys.append(key)

    def keys(self):
        return iter(self._keys)

    def key_at(self, point):
        """The shown key under `point` (panel coordinates), or None."""
        for key in self._keys:
            if key.IsShown() and key._item is not None \
                    and key.GetRect().Contains(point):
                return key
        return None

    def pressed_key(self):
        return self._pressed

    def cancel_press(self, key=None):
        """End a press (of `key`, or any) without firing: the finger slid
        off or lifted, or the key went away."""
        pressed = self._pressed
        if pressed is None or key not in (None, pressed):
            return
        self._pressed = None
        if self._repeat is not None:
            self._repeat.Stop()
        if self.HasCapture():
            self.ReleaseMouse()
        pressed.Refresh()

    # The finger ----------------------------------------------------------

    def _on_finger_down(self, event):
        key = self.key_at(event.GetPosition())
        if key is None or not key.IsEnabled() or self._pressed is not None:
            return
        self._pressed = key
        if not self.HasCapture():
            self.CaptureMouse()
        if key.repeats:
            if self._repeat is None:
                self._repeat = wx.Timer(self)
                self.Bind(wx.EVT_TIMER, self._on_repeat, self._repeat)
            self._repeat.StartOnce(key.REPEAT_DELAY_MS)
            self._repeated = False
        key.Refresh()

    def _on_finger_up(self, event):
        key = self._pressed
        if key is None:
            return
        inside = key.GetRect().Contains(event.GetPosition())
        repeated = key.repeats and self._repeated
        self.cancel_press()
        if inside and not repeated:
            key.Press()

    def _on_finger_move(self, event):
        key = self._pressed
        if key is not None and not key.GetRect().Contains(event.GetPosition()):
            self.cancel_press()

    def _on_capture_lost(self, event):
        self.cancel_press()

    def _on_repeat(self, event):
        key = self._pressed
        if key is None:
            return
        self._repeated = True
        self._repeat.Start(key.REPEAT_INTERVAL_MS)
        key.Press()

    def _on_destroy(self, event):
        # A keypad closed under the finger (a timeout, the application):
        # wx must not be left holding the capture or a timer of a dead panel.
        event.Skip()
        if event.GetEventObject() is self:
            self.cancel_press()
            for key in self._keys:
                key.release()

    # Drawing -------------------------------------------------------------

    def _on_paint(self, event):
        dc = wx.PaintDC(self)
        background = wx.GetTopLevelParent(self).GetBackgroundColour()
        dc.SetBackground(wx.Brush(background))
        dc.Clear()
        region = self.GetUpdateRegion()
        for key in self._keys:
            if key.IsShown() and key._item is not None and \
                    region.Contains(key.GetRect()) != wx.OutRegion:
                key.draw(dc, key is self._pressed, background)


# Label sizes, and key images by everything that shows on them: measuring
# and drawing text are most of what a key costs to lay out and paint, and
# the same keys come back in every keypad. Both stay small (a few hundred
# keys' worth); when full they start again.
_TEXT_SIZES = {}
_TEXT_SIZES_KEPT = 4096
_KEY_IMAGES = {}
_KEY_IMAGES_KEPT = 256


def _font_key(font):
    return (font.GetFractionalPointSize(), font.GetFamily(), font.GetStyle(),
            font.GetNumericWeight(), font.GetFaceName())


def _text_size(window, text, font):
    key = (text, _font_key(font), window.GetContentScaleFactor())
    size = _TEXT_SIZES.get(key)
    if size is None:
        if len(_TEXT_SIZES) >= _TEXT_SIZES_KEPT:
            _TEXT_SIZES.clear()
        size = _TEXT_SIZES[key] = window.GetFullTextExtent(text, font)[:2]
    return size


def _default_face():
    """Face of a key without a colour of its own: a shade lighter than the
    theme's buttons, so the keys stand out from the dialog."""
    return wx.SystemSettings.GetColour(wx.SYS_COLOUR_BTNFACE) \
        .ChangeLightness(108)


class Label(wx.StaticText):
    """Static text that can be held to a width and a number of lines.

    GetLabel() and GetLabelText() return the text as set, literally (an "&"
    is no mnemonic). What is shown may differ: once fit() gave the label a
    width, the text wraps at spaces to that width (a word longer than the
    width is broken where it must be), and a text longer than its lines allow
    ends in an ellipsis. The size follows font and text changes at once (the
    toolkit reports a stale size until the label is on screen).
    """

    def __init__(self, parent, name, label):
        self._text = label
        self._width = None
        self._max_lines = None
        wx.StaticText.__init__(self, parent, wx.ID_ANY, "", name=name)
        self._show_fitted()

    def GetLabel(self):
        return self._text

    def GetLabelText(self):
        return self._text

    def SetLabel(self, label):
        shown_lines = self._shown_lines()
        self._text = label
        self._show_fitted()
        # A text set after the dialog was fitted (a bound, a prompt) must
        # not be clipped: fit the dialog again when it needs other room.
        top = wx.GetTopLevelParent(self)
        sizer = top.GetSizer() if top is not None else None
        if sizer is None:
            return
        needed, has = sizer.CalcMin(), top.GetClientSize()
        if (needed.width > has.width or needed.height > has.height
                or self._width is not None and shown_lines != self.line_count(
                    self._width, shown_lines)):
            window_fit_layout(top)

    def SetFont(self, font):
        result = wx.StaticText.SetFont(self, font)
        self._show_fitted()
        return result

    def fit(self, width, max_lines=None):
        """Hold the label to `width` pixels (None: as wide as its text) and
        at most `max_lines` lines (None: as many as the text needs)."""
        self._width, self._max_lines = width, max_lines
        self._show_fitted()

    def line_count(self, width, limit=None):
        """Lines the text takes wrapped at `width` (counting stops past
        `limit`)."""
        return len(self._wrapped(width, limit))

    def _shown_lines(self):
        return wx.StaticText.GetLabel(self).count("\n") + 1

    def _wrapped(self, width, limit=None):
        """The text's lines wrapped at `width`; past `limit` lines the rest
        is left out (one line more is kept, to tell that there is more)."""
        most = None if limit is None else limit + 1
        lines = []
        for paragraph in self._text.split("\n"):
            self._wrap_paragraph(paragraph, width, lines, most)
            if most is not None and len(lines) >= most:
                return lines[:most]
        return lines

    def _wrap_paragraph(self, text, width, lines, most):
        line = ""
        for word in text.split(" "):
            candidate = line + " " + word if line else word
            if self._fits(candidate, width):
                line = candidate
                continue
            if line:
                lines.append(line)
            line = word
            while not self._fits(line, width):
                if most is not None and len(lines) >= most:
                    return
                cut = self._longest_fitting(line, width, "")
                lines.append(line[:cut])
                line = line[cut:]
            if most is not None and len(lines) >= most:
                return
        lines.append(line)

    def text_width(self, most):
        """Width of the text on one line, exact up to `most` pixels (a text
        of thousands of digits is not measured whole)."""
        return self.GetTextExtent(self._text[:most + 1]).width

    def _fits(self, text, width):
        # Every character takes a pixel at least: a longer text does not fit.
        return len(text) <= width and self.GetTextExtent(text).width <= width

    def _longest_fitting(self, text, width, tail):
        """Length of the longest start of `text` that fits `width` with
        `tail` after it; at least one character."""
        low, high = 1, min(len(text), width)  # a character takes a pixel
        while low < high:
            middle = (low + high + 1) // 2
            if self._fits(text[:middle] + tail, width):
                low = middle
            else:
                high = middle - 1
        return low

    def _show_fitted(self):
        if self._width is None:
            shown = self._text
        else:
            width = max(self._width, 1)
            lines = self._wrapped(width, self._max_lines)
            if self._max_lines is not None and len(lines) > self._max_lines:
                lines = lines[:self._max_lines]
                last = lines[-1]
                lines[-1] = last[:self._longest_fitting(last, width, ELLIPSIS)
                                 if last else 0] + ELLIPSIS
            shown = "\n".join(lines)
        if shown != wx.StaticText.GetLabel(self):
            wx.StaticText.SetLabelText(self, shown)
        self.InvalidateBestSize()

    def DoGetBestSize(self):
        best = wx.StaticText.DoGetBestSize(self)
        lines = wx.StaticText.GetLabel(self).split("\n")
        width = max(self.GetTextExtent(line or " ").width for line in lines)
        width = max(best.width, width + self.FromDIP(2))
        if self._width is not None:
            width = min(width, self._width + self.FromDIP(2))
        height = len(lines) * self.GetCharHeight()
        return wx.Size(width, max(best.height, height))


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

    def AddAt(self, key, pos, span=(1, 1)):
        item = key.place(self)
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


def _ceil_div(amount, step):
    return -(-amount // step)


def _drop_last_character(field):
    """Erase the last character of an entry field; True (it was handled)."""
    text = field.GetValue()
    if text:
        field.SetValue(text[:-1])
    return True


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

        # The dialog grows with the keys' width and height, each in its own
        # direction and near enough linearly: two trials tell how far the
        # keys must shrink each way.
        best = self._preferred_side
        trial = max(best * 3 // 4, 1)
        small = measure((trial, trial), 1)
        large = measure((best, best), 1)
        slope = [(big - little) / max(best - trial, 1)
                 for big, little in zip(large, small)]
        size = [best, best]
        for axis in (0, 1):
            over = large[axis] - room[axis]
            if over > 0 and slope[axis] > 0:
                size[axis] = max(int(best - _ceil_div(over, slope[axis])), 1)

        # The whole message if the keys can lose height for it down to the
        # floor (not width: the message wraps to that); else the lines that
        # fit, the last one cut.
        message = self.ui_message
        line = message.GetCharHeight()
        most = max(room.height // line, 1)
        need = measure(size, most)
        floor = self.FromDIP(MIN_KEY_DIP)
        over = need.height - room.height
        if over > 0 and size[1] > floor and slope[1] > 0:
            lower = [size[0], int(max(floor,
                                      size[1] - _ceil_div(over, slope[1])))]
            tried = measure(lower, most)
            # Lower keys help only where the message is above them.
            if tried.height < need.height:
                size, need = lower, tried
            else:
                need = measure(size, most)
        lines = message.line_count(self._keys_sizer.CalcMin().width, most)
        while need.height > room.height and lines > 1:
            lines = max(lines - _ceil_div(need.height - room.height, line), 1)
            need = measure(size, lines)
        return need.width <= room.width and need.height <= room.height

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
        text = key.GetTextExtent(key.caption() or "0")
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
        return key.Press()

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
            if key is None and role == "erase" and self._erase_last():
                return
            if key is None:
                code = event.GetUnicodeKey()
                if code == wx.WXK_NONE or not chr(code).isalpha():
                    key = self._key_for(event)
            if key is not None:
                self._press_key(key)
                return
        event.DoAllowNextEvent()
        event.Skip()

    def _erase_last(self):
        """Backspace on a keypad without a key for it; False when the
        keypad has no entry to erase from."""
        return False

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
        # other, each on one line as wide as the keys: a huge bound cannot
        # widen the keypad. Side by side they may widen it a little or, above
        # the keys, as far as the screen has room; the message then wraps to
        # that width.
        widest = width + self._margin
        if not self._texts_beside:
            widest = max(widest, self._room.width - 2 * self._margin)
        pairs = ((self.m_staticText3, self.ui_minimum),
                 (self.m_staticText5, self.ui_maxmum))
        row = self._margin
        for caption, value in pairs:
            caption_width = caption.GetBestSize().width + self._gap
            value.fit(max(widest - caption_width, 1), 1)
            row += caption_width + value.text_width(widest) + self.FromDIP(2)
        beside = row <= widest
        if not beside:
            for caption, value in pairs:
                value.fit(max(width - caption.GetBestSize().width - self._gap,
                              self.FromDIP(24)), 1)
        self._bounds.SetOrientation(wx.HORIZONTAL if beside else wx.VERTICAL)
        _TouchDialog._fit_texts(self, max(width, row) if beside else width,
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
        key_font = _font(14)
        gap = self._gap
        margin = self._margin
        # A screen too narrow for the keyboard's rows of finger-sized keys
        # gets rows of its own width (see _arrange_narrow).
        room = self._keys_across()
        narrow = room is not None and across > room
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
                              ["".join(map(_capital, chars))
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
        outer = wx.BoxSizer(wx.VERTICAL)
        outer.Add(self.ui_message, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                  margin)
        outer.Add(self.ui_value_normal, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(self.ui_value_password, 0,
                  wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP, margin)
        outer.Add(keys_panel, 0, wx.ALIGN_CENTER_HORIZONTAL | wx.ALL, margin)
        self._keys_sizer = keys
        self._finish_layout(outer)

    def _keys_across(self):
        """How many finger-sized keys a row across the screen holds, or None
        without a display."""
        room = display_room(self)
        if room is None:
            return None
        pitch = self.FromDIP(MIN_KEY_DIP) + self._gap
        return (room.width - 2 * self._margin + self._gap) // pitch

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
