"""How a key looks: its caption measured and its image drawn once and
kept (within a budget), its colours in the GTK theme, light or dark, its
caption readable on its face. No key here: keys.py draws with these."""

import collections
import colorsys
import functools

import wx

# The contrast every enabled key's caption keeps with its face, in any
# theme (the WCAG AA ratio for text).
CAPTION_CONTRAST = 4.5


class CacheFont:
    """A font as the caches know it, carrying the font to measure and draw
    with. cache_font makes one for all fonts that draw the same, so the
    caches compare them by identity (in C, where a key's look is hashed
    thousands of times as a keypad opens)."""

    __slots__ = ("font", "_key")

    def __init__(self, font):
        self.font = wx.Font(font)
        self._key = (font.GetFractionalPointSize(), font.GetFamily(),
                     font.GetStyle(), font.GetNumericWeight(),
                     font.GetFaceName())

    def drawn_as(self, font):
        """True when `font` still has the size, style, weight and face
        this was made with (its family, slow to ask, is taken as kept)."""
        size, _family, style, weight, face = self._key
        return (font.GetFractionalPointSize() == size and font.GetStyle() == style
                and font.GetNumericWeight() == weight and font.GetFaceName() == face)


# The fonts keys were given last, with their CacheFonts: a keypad's keys
# share a few fonts, and asking a font its family (or comparing two) costs
# more than the rest of a key.
_RECENT_FONTS = []
RECENT_FONTS_KEPT = 8
_SAME_FONTS = {}
SAME_FONTS_KEPT = 64


def cache_font(font):
    """The CacheFont of `font`: the one made before for this very font
    object, where it has not changed since, else a new one."""
    kept = _KEYPAD_FONTS.get(id(font))
    if kept is not None and kept[0] is font:  # ours, never changed
        return kept[1]
    for source, known in _RECENT_FONTS:
        if source is font and known.drawn_as(font):
            return known
    made = CacheFont(font)
    # One CacheFont for all fonts that draw the same. Past the bound, a
    # font met again is measured and drawn again, never wrongly.
    if len(_SAME_FONTS) >= SAME_FONTS_KEPT:
        _SAME_FONTS.clear()
    made = _SAME_FONTS.setdefault(made._key, made)
    _RECENT_FONTS.insert(0, (font, made))
    del _RECENT_FONTS[RECENT_FONTS_KEPT:]
    return made


def keypad_font(points):
    """The keypads' font of `points`: the same object each time, so that
    the caches know it at once (see cache_font)."""
    font = _FONTS.get(points)
    if font is None or not font.IsOk():
        font = _FONTS[points] = wx.Font(points, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL,
                                        wx.FONTWEIGHT_NORMAL)
        _KEYPAD_FONTS[id(font)] = (font, cache_font(font))
    return font


# The keypads' fonts by points, and by their id with their CacheFonts: no
# one changes them (a key hands out a copy), so they are known without
# asking them their size and face again.
_FONTS = {}
_KEYPAD_FONTS = {}


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
KEY_IMAGES = _Cache(4 * 1024 * 1024,
                     lambda look, image: 4 * look[0][0] * look[0][1])


def text_extent(text, font, scale):
    """The size of `text` in `font` (a CacheFont) on a screen of content
    scale factor `scale`, measured once."""
    return wx.Size(*text_size(text, font, scale))


def text_size(text, font, scale):
    """text_extent as (width, height)."""
    return _TEXT_SIZES.get((text, font, scale), _text_size)


def _text_size(measured):
    """(width, height) of `text` in `font` (a CacheFont) on a screen of
    content scale factor `scale`, for `measured` = (text, font, scale)."""
    text, font, _ = measured
    dc = wx.ScreenDC()
    dc.SetFont(font.font)
    return tuple(dc.GetTextExtent(text))


def key_image(look):
    size = wx.Size(*look[0])
    image = wx.Bitmap(size)
    memory = wx.MemoryDC(image)
    draw_key(memory, *look)
    memory.SelectObject(wx.NullBitmap)
    return image


def draw_key(dc, size, caption, font, face, text, background, corner,
              line):
    """Draw a key of `size` at the origin of `dc`, as _look describes it."""
    face, background = wx.Colour(*face), wx.Colour(*background)
    width, height = size
    dc.SetPen(wx.Pen(background))
    dc.SetBrush(wx.Brush(background))
    dc.DrawRectangle(0, 0, width, height)
    dc.SetPen(wx.Pen(face.ChangeLightness(65), line))
    dc.SetBrush(wx.Brush(face))
    dc.DrawRoundedRectangle(0, 0, width, height, corner)
    dc.SetFont(font.font)
    dc.SetTextForeground(wx.Colour(*text))
    text_width, text_height = dc.GetTextExtent(caption)
    dc.DrawText(caption, (width - text_width) // 2, (height - text_height) // 2)


# Key colours --------------------------------------------------------------
# Faces and captions as (red, green, blue). A key keeps the theme's colours
# where they read well; a face of its own (confirm green, cancel red, a
# shift key's state) keeps its hue but takes the theme's lightness, and its
# caption is the theme's text or, where that would not stand out, black or
# white.

_theme = None  # theme_colours() as last asked, until the theme changes


def theme_colours():
    """(face, text, greyed text) of the theme's buttons. Asking the toolkit
    costs more than drawing a key from the cache: asked once, again when
    the theme changes (see forget_theme)."""
    global _theme
    if _theme is None:
        _theme = tuple(wx.SystemSettings.GetColour(kind).Get(False) for kind in (
            wx.SYS_COLOUR_BTNFACE, wx.SYS_COLOUR_BTNTEXT, wx.SYS_COLOUR_GRAYTEXT))
    return _theme


def forget_theme(event=None):
    """Ask the theme's colours again at the next key drawn."""
    global _theme
    _theme = None
    if event is not None:
        event.Skip()


@functools.lru_cache(maxsize=64)
def key_colours(own_face, enabled, pressed, theme):
    """(face, caption) of a key with face `own_face` (None: the default)
    in a theme of theme_colours(). A pressed key is darker, or lighter
    if it is dark already; a disabled key fades into the theme's buttons,
    its caption greyed: it need not reach CAPTION_CONTRAST."""
    theme_face, text, grey = theme
    if own_face is None:  # a shade lighter than buttons: keys stand out
        face = _lighter(theme_face, 8)
    else:
        face = _in_theme(own_face, _luminance(text) > _luminance(theme_face))
    if not enabled:
        return tuple((own + base) // 2 for own, base in zip(face, theme_face)), grey
    if pressed:
        face = _darker(face, 30) if readable_on(face, None) == _BLACK \
            else _lighter(face, 15)
    return face, readable_on(face, text)


_BLACK, _WHITE = (0, 0, 0), (255, 255, 255)


def readable_on(face, text):
    """`text`, or black or white where `text` (or None) does not stand out
    from `face` by CAPTION_CONTRAST (one of the two always does)."""
    if text is not None and contrast(face, text) >= CAPTION_CONTRAST:
        return text
    return max(_BLACK, _WHITE, key=lambda best: contrast(face, best))


def _in_theme(colour, dark):
    """`colour` in a dark theme: its hue and saturation, its lightness
    mirrored (a pale green becomes a deep one), not below a fifth; in a
    light theme as it is."""
    if not dark:
        return colour
    hue, lightness, saturation = colorsys.rgb_to_hls(*(part / 255 for part in colour))
    mirrored = colorsys.hls_to_rgb(hue, max(1 - lightness, 0.2), saturation)
    return tuple(round(part * 255) for part in mirrored)


def _lighter(colour, percent):
    return tuple(round(part + (255 - part) * percent / 100) for part in colour)


def _darker(colour, percent):
    return tuple(round(part * (100 - percent) / 100) for part in colour)


def contrast(first, second):
    """The contrast ratio of two colours, 1 to 21 (WCAG)."""
    light, dark = sorted((_luminance(first), _luminance(second)), reverse=True)
    return (light + 0.05) / (dark + 0.05)


def _luminance(colour):
    """Relative luminance of an sRGB colour (WCAG)."""
    def linear(part):
        part /= 255
        return part / 12.92 if part <= 0.04045 else ((part + 0.055) / 1.055) ** 2.4
    red, green, blue = (linear(part) for part in colour)
    return 0.2126 * red + 0.7152 * green + 0.0722 * blue


def default_face():
    """Face of a key without a colour of its own."""
    return wx.Colour(*key_colours(None, True, False, theme_colours())[0])
