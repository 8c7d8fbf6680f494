"""Keys drawn by their panel: KeyPanel is the one window that draws a set of
keys and hands the finger to the key under it; KeyButton is a key, a light
event handler the keypads call as they would a button."""

import collections

import wx


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
    _cache_font = None  # the font as the caches know it (see CacheFont)
    _caption_size = None  # the caption's, measured once
    _face = None  # None: the default face
    _enabled = True
    _shown = True
    _item = None  # the key's place in its panel's sizers (see place)
    _id = None  # reserved at the first GetId: few keys are ever asked

    def __init__(self, parent, label, size, name, repeats=False):
        wx.EvtHandler.__init__(self)
        self._panel = parent
        self._label = label
        self._name = name
        self._planned = wx.Size(size)
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
        if self._id is None:
            self._id = wx.NewIdRef()
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
        self._caption_size = None
        self._grow()

    def GetFont(self):
        return self._font if self._font is not None else self._panel.GetFont()

    def SetFont(self, font):
        self._font = wx.Font(font)
        self._cache_font = self._caption_size = None
        self._grow()
        return True

    def GetTextExtent(self, text):
        measured = (text, self._font_for_caches(),
                    self._panel.GetContentScaleFactor())
        return wx.Size(*_TEXT_SIZES.get(measured, _text_size))

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
        width, height = self.caption_size()
        return wx.Size(max(self._planned.width, width + self._panel.FromDIP(20)),
                       max(self._planned.height,
                           height + self._panel.FromDIP(12)))

    def caption(self):
        """The text the key shows."""
        return self._label

    def caption_size(self):
        """The size of the caption the key shows (of "0" for a blank one)."""
        if self._caption_size is None:
            self._caption_size = self.GetTextExtent(self.caption() or "0")
        return self._caption_size

    def _font_for_caches(self):
        if self._cache_font is None:
            self._cache_font = CacheFont(self.GetFont())
        return self._cache_font

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
        look = self._look(rect.GetSize(), pressed, background)
        dc.DrawBitmap(_KEY_IMAGES.get(look, _key_image), rect.x, rect.y)

    def _look(self, size, pressed, background):
        """Everything that shows on the key, as the image cache keys it:
        every colour resolved, so that a key drawn under another theme is
        another image."""
        panel = self._panel
        enabled = self.IsEnabled()
        caption_colour = wx.SystemSettings.GetColour(
            wx.SYS_COLOUR_BTNTEXT if enabled else wx.SYS_COLOUR_GRAYTEXT)
        return (tuple(size), self.caption(), self._font_for_caches(),
                self.GetBackgroundColour().GetRGB(), caption_colour.GetRGB(),
                enabled, pressed, background.GetRGB(),
                panel.FromDIP(6), panel.FromDIP(1))

    def _draw(self, dc, rect, pressed, background):
        dc.SetDeviceOrigin(rect.x, rect.y)
        _draw_key(dc, *self._look(rect.GetSize(), pressed, background))
        dc.SetDeviceOrigin(0, 0)


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
        self._tracking = False  # the finger's events are bound
        # Only what a panel needs before its first touch is bound here; the
        # rest of the finger's events when it first comes (see _track).
        self.Bind(wx.EVT_PAINT, self._on_paint)
        self.Bind(wx.EVT_LEFT_DOWN, self._on_finger_down)
        self.Bind(wx.EVT_WINDOW_DESTROY, self._on_destroy)

    def _track(self):
        self._tracking = True
        # A quick second tap arrives as a double click, not a second down.
        self.Bind(wx.EVT_LEFT_DCLICK, self._on_finger_down)
        self.Bind(wx.EVT_LEFT_UP, self._on_finger_up)
        self.Bind(wx.EVT_MOTION, self._on_finger_move)
        self.Bind(wx.EVT_MOUSE_CAPTURE_LOST, self._on_capture_lost)

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
        if not self._tracking:
            self._track()
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


class CacheFont:
    """A font as the caches know it: equal to another font that draws the
    same, and carrying the font to measure and draw with."""

    __slots__ = ("font", "_key")

    def __init__(self, font):
        self.font = wx.Font(font)
        self._key = (font.GetFractionalPointSize(), font.GetFamily(),
                     font.GetStyle(), font.GetNumericWeight(),
                     font.GetFaceName())

    def __hash__(self):
        return hash(self._key)

    def __eq__(self, other):
        return isinstance(other, CacheFont) and self._key == other._key


class _Cache:
    """The values most recently used, kept up to a budget of bytes: a new
    value pushes out the least recently used ones until the rest fit. A
    value larger than the whole budget is made and not kept."""

    def __init__(self, budget, cost):
        self._budget = budget
        self._cost = cost  # bytes a (key, value) holds
        self._entries = collections.OrderedDict()  # key: (value, cost)
        self.held = 0

    def get(self, key, make):
        """The value of `key`, made by `make(key)` when not kept."""
        entry = self._entries.get(key)
        if entry is not None:
            self._entries.move_to_end(key)
            return entry[0]
        value = make(key)
        cost = self._cost(key, value)
        if cost <= self._budget:
            self._entries[key] = (value, cost)
            self.held += cost
            while self.held > self._budget:
                self.held -= self._entries.popitem(last=False)[1][1]
        return value


# Caption sizes and key images by everything that shows on them: measuring
# and drawing text are most of what a key costs to lay out and paint, and
# the same keys come back in every keypad. Both caches are bounded in bytes
# (a key image costs its pixels at four bytes each). The images of the
# three keypads, every panel of keys of the keyboard, every key drawn
# pressed as well, take 3.4 MiB at 1280x1024: 4 MiB keeps them all, and a
# theme change or a new size pushes the oldest images out instead of
# adding to them.
_TEXT_SIZES = _Cache(256 * 1024, lambda key, size: 160 + 4 * len(key[0]))
_KEY_IMAGES = _Cache(4 * 1024 * 1024,
                     lambda look, image: 4 * look[0][0] * look[0][1])


def _text_size(measured):
    """(width, height) of `text` in `font` (a CacheFont) on a screen of
    content scale factor `scale`, for `measured` = (text, font, scale)."""
    text, font, _ = measured
    dc = wx.ScreenDC()
    dc.SetFont(font.font)
    return tuple(dc.GetTextExtent(text))


def _key_image(look):
    size = wx.Size(*look[0])
    image = wx.Bitmap(size)
    memory = wx.MemoryDC(image)
    _draw_key(memory, *look)
    memory.SelectObject(wx.NullBitmap)
    return image


def _draw_key(dc, size, caption, font, face_rgb, caption_rgb, enabled,
              pressed, background_rgb, corner, line):
    """Draw a key of `size` at the origin of `dc`, as _look describes it."""
    face = _colour(face_rgb)
    if not enabled:
        face = face.ChangeLightness(115)
    elif pressed:
        face = face.ChangeLightness(75)
    background = _colour(background_rgb)
    width, height = size
    dc.SetPen(wx.Pen(background))
    dc.SetBrush(wx.Brush(background))
    dc.DrawRectangle(0, 0, width, height)
    dc.SetPen(wx.Pen(face.ChangeLightness(65), line))
    dc.SetBrush(wx.Brush(face))
    dc.DrawRoundedRectangle(0, 0, width, height, corner)
    dc.SetFont(font.font)
    dc.SetTextForeground(_colour(caption_rgb))
    text_width, text_height = dc.GetTextExtent(caption)
    dc.DrawText(caption, (width - text_width) // 2, (height - text_height) // 2)


def _colour(rgb):
    """The wx.Colour of wx.Colour.GetRGB()'s 0xBBGGRR."""
    return wx.Colour(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF)


def _default_face():
    """Face of a key without a colour of its own: a shade lighter than the
    theme's buttons, so the keys stand out from the dialog."""
    return wx.SystemSettings.GetColour(wx.SYS_COLOUR_BTNFACE) \
        .ChangeLightness(108)
