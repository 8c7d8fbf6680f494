"""Keys drawn by their panel: KeyPanel is the one window that draws a set of
keys and hands the finger to the key under it; KeyButton is a key, a light
event handler the keypads call as they would a button; KeyGroup is a set of
keys on a panel shown and hidden together, as a panel of its own would be."""

import wx

from .key_look import (KEY_IMAGES, cache_font, default_face, draw_key, forget_theme,
                       key_colours, key_image, text_extent, text_size, theme_colours)


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
    A key with variants (see variants) offers them above itself while held:
    the finger slides to one and lifts to type it.
    A disabled key is drawn greyed and sends nothing. The key is never
    smaller than its planned size, but grows when a larger font needs more
    room. Each change repaints the key on its panel.
    """

    # A held repeating key fires after REPEAT_DELAY_MS, then every
    # REPEAT_INTERVAL_MS, as a physical keyboard's auto-repeat does.
    REPEAT_DELAY_MS = 500
    REPEAT_INTERVAL_MS = 100
    # A key held this long offers its variants.
    HOLD_DELAY_MS = 500

    # State a key starts with (set on the instance once it changes).
    _font = None  # None: the panel's own
    _cache_font = None  # the font as the caches know it (see CacheFont)
    _caption_size = None  # the caption's, measured once
    _caption_room = None  # (width, height) around it, see caption_room
    _face = None  # None: the default face
    _enabled = True
    _shown = True
    _item = None  # the key's place in its panel's sizers (see place)
    _min = (0, 0)  # the least size asked of that place
    _id = None  # reserved at the first GetId: few keys are ever asked
    _groups = ()  # the KeyGroups the key belongs to (see KeyGroup)

    def __init__(self, parent, label, size, name, repeats=False):
        wx.EvtHandler.__init__(self)
        self._panel = parent
        self._label = label
        self._name = name
        self._planned = wx.Size(size)
        self._bound = []  # (event binder, handler, source/id arguments)
        self.repeats = repeats
        self._join(parent)

    def _join(self, panel):
        panel.add_key(self)

    def Bind(self, event, handler, *args, **kwargs):
        self._bound.append((event, handler, args, kwargs))
        return wx.EvtHandler.Bind(self, event, handler, *args, **kwargs)

    def release(self):
        """Let go of the handlers bound to the key (its panel is going): the
        toolkit's side of a binding holds its handler, and with it the
        dialog, out of the garbage collector's sight. A binding goes only
        with the source or ids it was made with."""
        for event, handler, args, kwargs in self._bound:
            self.Unbind(event, *args, handler=handler, **kwargs)
        self._bound = []
        # Its groups hold it too.
        self._groups = ()

    def place(self, sizer, *args):
        """Put the key into `sizer` (of its panel), with the arguments
        sizer.Add takes after the item (a grid bag's position and span, or a
        box's proportion, flag and border)."""
        width, height = self._best()
        return self.take_place(sizer.Add(width, height, *args), (width, height))

    def take_place(self, item, size=None):
        """Take `item`, a place in its panel's sizers held for the key;
        `size` is its least size where the caller knows it."""
        self._item = item
        self._min = tuple(item.GetMinSize()) if size is None else size
        self._item.Show(self._shown)
        return item

    def min_size(self):
        """(width, height) the key last asked of its place: what a sizer
        of keys reads without a call into the toolkit for each key."""
        return self._min

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
        self._caption_size = self._caption_room = None
        self._grow()

    def GetFont(self):
        # A copy, as a window's: the keys of a keypad share their font.
        return wx.Font(self._font) if self._font is not None else self._panel.GetFont()

    def SetFont(self, font):
        self._cache_font = cache_font(font)
        self._font = self._cache_font.font
        self._caption_size = self._caption_room = None
        self._grow()
        return True

    def GetTextExtent(self, text):
        return text_extent(text, self._font_for_caches(),
                           self._panel.GetContentScaleFactor())

    def GetBackgroundColour(self):
        return wx.Colour(self._face) if self._face is not None \
            else default_face()

    def SetBackgroundColour(self, colour):
        # wx.NullColour gives the key its default face back.
        colour = wx.Colour(colour)
        self._face = colour if colour.IsOk() else None
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
        if not self.set_shown(show):
            return False
        if self._item is not None:
            self._panel.Layout()
            self._panel.Refresh()
        return True

    def set_shown(self, show):
        """Show or hide the key in its panel's sizers, leaving the panel to
        be laid out again; False when it was so already."""
        if self._shown == bool(show):
            return False
        self._shown = bool(show)
        self._panel.cancel_press(self)
        if self._item is not None:
            self._item.Show(self._shown)
        return True

    def Hide(self):
        return self.Show(False)

    def join(self, group):
        """Make the key one of `group`'s (see KeyGroup)."""
        self._groups += (group,)
        self.follow_groups()

    def follow_groups(self):
        """Show the key where every group it belongs to is shown."""
        return self.set_shown(all(group.IsShown() for group in self._groups))

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
        # A keypad's fits ask the same sizes again and again.
        if self._item is not None and tuple(size) != self._min:
            self._set_min(*size)

    def _set_min(self, width, height):
        self._min = (width, height)
        self._item.SetMinSize(wx.Size(width, height))

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

    def variants(self):
        """The labels of the keys offered while the key is held (accented
        letters under a letter); none for a plain key."""
        return ()

    # Room around the caption, in device-independent pixels (across, down).
    CAPTION_MARGIN_DIP = (20, 12)

    def _best_size(self):
        return wx.Size(*self._best())

    def _best(self):
        """(width, height) of the planned key, or more where its caption
        needs it."""
        planned = self._planned
        width, height = self.least_size()
        return max(planned.width, width), max(planned.height, height)

    def caption_room(self):
        """The smallest size that shows the caption whole."""
        return wx.Size(*self.least_size())

    def least_size(self):
        """(width, height) of caption_room, measured once: what the fits
        ask of every key, again and again."""
        if self._caption_room is None:
            width, height = self.caption_extent()
            across, down = self.CAPTION_MARGIN_DIP
            self._caption_room = (width + self._panel.FromDIP(across), height + self._panel.FromDIP(down))
        return self._caption_room

    def caption(self):
        """The text the key shows."""
        return self._label

    def caption_size(self):
        """The size of the caption the key shows (of "0" for a blank one)."""
        return wx.Size(*self.caption_extent())

    def caption_extent(self):
        """(width, height) of caption_size, measured once."""
        if self._caption_size is None:
            self._caption_size = text_size(self.caption() or "0", self._font_for_caches(),
                                           self._panel.GetContentScaleFactor())
        return self._caption_size

    def _font_for_caches(self):
        if self._cache_font is None:
            self._cache_font = cache_font(self.GetFont())
        return self._cache_font

    def _grow(self):
        # Never smaller than the planned key or than its caption needs.
        if self._item is not None:
            best, has = self._best_size(), self._item.GetMinSize()
            self._set_min(max(best.width, has.width),
                          max(best.height, has.height))
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
        dc.DrawBitmap(KEY_IMAGES.get(look, key_image), rect.x, rect.y)

    def _look(self, size, pressed, background):
        """Everything that shows on the key, as the image cache keys it:
        the face and caption colours as the theme resolves them."""
        face = self._face
        panel = self._panel
        face, text = key_colours(face.Get(False) if face is not None else None,
                                 self.IsEnabled(), pressed, theme_colours())
        return (tuple(size), self.caption(), self._font_for_caches(),
                face, text, background.Get(False),
                panel.FromDIP(6), panel.FromDIP(1))

    def _draw(self, dc, rect, pressed, background):
        dc.SetDeviceOrigin(rect.x, rect.y)
        draw_key(dc, *self._look(rect.GetSize(), pressed, background))
        dc.SetDeviceOrigin(0, 0)


class SharedPlace:
    """One place in a panel's sizers for keys that take turns in it (a
    letter's plain, shifted and caps-lock keys): shown while any of them
    is. Each key takes a turn of it (see turn) as it would a sizer item of
    its own; one item for the lot keeps a keyboard's sizers small."""

    __slots__ = ("item", "_showing")

    def __init__(self, item):
        self.item = item
        self._showing = 0
        item.Show(False)

    def turn(self):
        """A place for one more of the keys."""
        return _Turn(self)

    def _shown(self, show):
        self._showing += 1 if show else -1
        self.item.Show(self._showing > 0)


class _Turn:
    """One key's view of a SharedPlace, answering what a key asks of its
    sizer item."""

    __slots__ = ("_place", "_shown")

    def __init__(self, place):
        self._place = place
        self._shown = False

    def Show(self, show=True):
        if self._shown != bool(show):
            self._shown = bool(show)
            self._place._shown(self._shown)

    def GetRect(self):
        return self._place.item.GetRect()

    def GetMinSize(self):
        return self._place.item.GetMinSize()

    def SetMinSize(self, size):
        self._place.item.SetMinSize(size)


def place_together(keys, sizer, *args):
    """Put `keys`, which take turns in one place, into `sizer` (the
    arguments after the item are those sizer.Add takes), as large as the
    largest asks; the SharedPlace, for keys that join them later."""
    sizes = [key._best() for key in keys]
    size = max(width for width, _height in sizes), max(height for _width, height in sizes)
    shared = SharedPlace(sizer.Add(size[0], size[1], *args))
    for key in keys:
        key.take_place(shared.turn(), size)
    return shared


class KeyGroup:
    """Keys of one panel shown and hidden together, standing in for a panel
    of their own (a window costs far more than a few keys): the keyboard's
    shift and caps-lock sets. It answers Show, Hide and IsShown as a panel
    does; the keys of groups that take turns share their places in the
    sizers, one of them shown. A key may belong to several groups (a
    capital of the shift set and of a caps-lock set): it shows where all of
    them are shown.

    `make(group, every)`, where given, makes the group's keys not made yet:
    those shown once the group is (`every` False), or all of them. A group
    hidden at first may never be shown."""

    def __init__(self, panel, name, make=None):
        self._panel = panel
        self._name = name
        self._keys = []
        self._shown = True
        self._make = make

    def add(self, key):
        self._keys.append(key)
        key.join(self)
        return key

    def make_keys(self):
        """Make every key of the group not made yet."""
        if self._make is not None:
            self._make(self, True)

    def keys(self):
        self.make_keys()
        return iter(self._keys)

    def GetName(self):
        return self._name

    def GetParent(self):
        return self._panel

    def IsShown(self):
        return self._shown

    def IsShownOnScreen(self):
        return self._shown and self._panel.IsShownOnScreen()

    def Show(self, show=True):
        if self._shown == bool(show):
            return False
        self._shown = bool(show)
        if show and self._make is not None:
            self._make(self, False)
        for key in self._keys:
            key.follow_groups()
        self._panel.Layout()
        self._panel.Refresh()
        return True

    def Hide(self):
        return self.Show(False)

    def GetScreenRect(self):
        """The rectangle around the group's keys, on the screen."""
        rect = wx.Rect()
        for key in self.keys():
            rect = rect.Union(key.GetScreenRect()) if not rect.IsEmpty() \
                else key.GetScreenRect()
        return rect


class _HeldKey(KeyButton):
    """A variant offered above a held key: drawn by the held key's panel at
    a place of its own, outside the sizers, and pressed as the held key
    would be (the same handlers)."""

    def __init__(self, held, label, rect):
        KeyButton.__init__(self, held.GetParent(), label, rect.GetSize(),
                           "held")
        self._rect = rect
        self._font = held._font
        # Whatever a binding named (a source, an id), the variant's own
        # presses go to the held key's handlers.
        for event, handler, _args, _kwargs in held._bound:
            self.Bind(event, handler)

    def _join(self, panel):
        pass  # not one of the panel's own keys: it goes with the hold

    def GetRect(self):
        return wx.Rect(self._rect)

    def IsShownOnScreen(self):
        return self._panel.IsShownOnScreen()

    def Refresh(self):
        self._panel.RefreshRect(self.GetRect(), False)


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
        self._timer = None  # of a held key (repeat, variants), made when needed
        self._held = []  # the variants offered above the pressed key
        self._chosen = None  # the one of them under the finger
        self._tracking = False  # the finger's events are bound
        # Only what a panel needs before its first touch is bound here; the
        # rest of the finger's events when it first comes (see _track).
        self.Bind(wx.EVT_PAINT, self._on_paint)
        self.Bind(wx.EVT_LEFT_DOWN, self._on_finger_down)
        self.Bind(wx.EVT_WINDOW_DESTROY, self._on_destroy)
        self.Bind(wx.EVT_SYS_COLOUR_CHANGED, forget_theme)

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

    def held_keys(self):
        """The variants offered above the key held, while they show."""
        return iter(self._held)

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
        if self._timer is not None:
            self._timer.Stop()
        if self.HasCapture():
            self.ReleaseMouse()
        self._withdraw_variants()
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
        self._repeated = False
        if key.repeats:
            self._start_timer(key.REPEAT_DELAY_MS)
        elif key.variants():
            self._start_timer(key.HOLD_DELAY_MS)
        key.Refresh()

    def _start_timer(self, milliseconds):
        if self._timer is None:
            self._timer = wx.Timer(self)
            self.Bind(wx.EVT_TIMER, self._on_held, self._timer)
        self._timer.StartOnce(milliseconds)

    def _on_finger_up(self, event):
        key = self._pressed
        if key is None:
            return
        if self._held:
            key = self._variant_at(event.GetPosition())  # lifted on, if any
            inside = key is not None
        else:
            inside = key.GetRect().Contains(event.GetPosition())
        repeated = key is not None and key.repeats and self._repeated
        self.cancel_press()
        if inside and not repeated:
            key.Press()

    def _on_finger_move(self, event):
        key = self._pressed
        if key is None:
            return
        if self._held:
            self._choose(self._variant_at(event.GetPosition()))
        elif not key.GetRect().Contains(event.GetPosition()):
            self.cancel_press()

    def _on_capture_lost(self, event):
        self.cancel_press()

    def _on_held(self, event):
        key = self._pressed
        if key is None:
            return
        if key.repeats:
            self._repeated = True
            self._timer.Start(key.REPEAT_INTERVAL_MS)
            key.Press()
        else:
            self._offer_variants(key)

    # Variants of a held key ----------------------------------------------

    def _offer_variants(self, key):
        """Show the variants of `key` in rows above it, each as large as
        the key, kept inside the panel: as many rows as the panel's width
        asks, the first nearest the key."""
        labels = key.variants()
        rect = key.GetRect()
        gap = self.FromDIP(4)
        room = self.GetClientSize()
        across = max(min(len(labels), (room.width + gap) // (rect.width + gap)), 1)
        width = across * (rect.width + gap) - gap
        x = max(min(rect.x + (rect.width - width) // 2, room.width - width), 0)
        rows = -(-len(labels) // across)
        top = max(rect.y - rows * (rect.height + gap) - gap, 0)
        self._held = []
        for index, label in enumerate(labels):
            row, column = divmod(index, across)
            y = top + (rows - 1 - row) * (rect.height + gap)
            self._held.append(_HeldKey(key, label, wx.Rect(
                x + column * (rect.width + gap), y, rect.width, rect.height)))
        self._chosen = None
        self.RefreshRect(self._variants_rect(), False)

    def _variants_rect(self):
        """The rectangle the variants and their frame take."""
        rect = self._held[0].GetRect()
        for key in self._held[1:]:
            rect = rect.Union(key.GetRect())
        return rect.Inflate(self.FromDIP(3), self.FromDIP(3))

    def _withdraw_variants(self):
        if self._held:
            self.RefreshRect(self._variants_rect(), False)
            self._held, self._chosen = [], None

    def _variant_at(self, point):
        return next((key for key in self._held
                     if key.GetRect().Contains(point)), None)

    def _choose(self, variant):
        if variant is not self._chosen:
            for key in (self._chosen, variant):
                if key is not None:
                    key.Refresh()
            self._chosen = variant

    def _on_destroy(self, event):
        # A keypad closed under the finger (a timeout, the application):
        # wx must not be left holding the capture or a timer of a dead panel.
        # The keys refer to their panel, so the panel lets go of them: the
        # garbage collector has nothing left to find.
        event.Skip()
        if event.GetEventObject() is self:
            self.cancel_press()
            for key in self._keys:
                key.release()
            self._keys, self._held, self._chosen = [], [], None
            self._timer = None

    # Drawing -------------------------------------------------------------

    def _on_paint(self, event):
        # Keys drawn into memory and the lot put on screen in one go: each
        # drawing on the window itself costs a round trip to the display.
        dc = wx.BufferedPaintDC(self)
        background = wx.GetTopLevelParent(self).GetBackgroundColour()
        dc.SetBackground(wx.Brush(background))
        dc.Clear()
        region = self.GetUpdateRegion()
        for key in self._keys:
            if key.IsShown() and key._item is not None and \
                    region.Contains(key.GetRect()) != wx.OutRegion:
                key.draw(dc, key is self._pressed, background)
        if self._held:
            self._draw_variants(dc, background)

    def _draw_variants(self, dc, background):
        # On a frame of their own, over the keys they cover.
        frame = background.ChangeLightness(80)
        dc.SetPen(wx.Pen(frame.ChangeLightness(70), self.FromDIP(1)))
        dc.SetBrush(wx.Brush(frame))
        dc.DrawRoundedRectangle(self._variants_rect(), self.FromDIP(6))
        for key in self._held:
            key.draw(dc, key is self._chosen, frame)
