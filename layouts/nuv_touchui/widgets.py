"""The few widgets besides the keys: a text held to a width and a number of
lines, drawn by its window or a native label, the entry field, and a grid
sizer of equal cells."""

import wx

from nuv_wxtools import window_fit_layout

from . import key_look

ELLIPSIS = "\u2026"


class _FittedText:
    """A text that can be held to a width and a number of lines: what Label
    and DrawnText share. GetLabel() and GetLabelText() return the text as
    set, literally (an "&" is no mnemonic). What is shown may differ: once
    fit() gave the text a width, it wraps at spaces to that width (a word
    longer than the width is broken where it must be), and a text longer
    than its lines allow ends in an ellipsis. The holder measures with
    GetTextExtent and shows the lines with _show(shown)."""

    _width = None
    _max_lines = None

    def GetLabel(self):
        return self._text

    def GetLabelText(self):
        return self._text

    def SetLabel(self, label):
        shown_lines = self.shown_text().count("\n") + 1
        self._text = label
        self._show_fitted()
        # A text set after the dialog was fitted (a bound, a prompt) must
        # not be clipped: fit the dialog again when it needs other room.
        top = wx.GetTopLevelParent(self.GetParent())
        sizer = top.GetSizer() if top is not None else None
        if sizer is None:
            return
        needed, has = sizer.CalcMin(), top.GetClientSize()
        if (needed.width > has.width or needed.height > has.height
                or self._width is not None and shown_lines != self.line_count(
                    self._width, shown_lines)):
            window_fit_layout(top)

    def fit(self, width, max_lines=None):
        """Hold the text to `width` pixels (None: as wide as its text) and
        at most `max_lines` lines (None: as many as the text needs)."""
        self._width, self._max_lines = width, max_lines
        self._show_fitted()

    def line_count(self, width, limit=None):
        """Lines the text takes wrapped at `width` (counting stops past
        `limit`)."""
        return len(self._wrapped(width, limit))

    def shown_text(self):
        """The text as shown: wrapped, perhaps cut short."""
        raise NotImplementedError

    def text_width(self, most):
        """Width of the text on one line, exact up to `most` pixels (a text
        of thousands of digits is not measured whole)."""
        return self.GetTextExtent(self._text[:most + 1]).width

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
        # An unchanged text keeps its size: a dialog's fit asks for it
        # again and again.
        if shown != self.shown_text():
            self._show(shown)

    def _fitted_size(self, least, line_height):
        """Best size of the shown lines: at least `least` (a wx.Size)."""
        lines = self.shown_text().split("\n")
        width = max(self.GetTextExtent(line or " ").width for line in lines)
        width = max(least.width, width + self.FromDIP(2))
        if self._width is not None:
            width = min(width, self._width + self.FromDIP(2))
        return wx.Size(width, max(least.height, len(lines) * line_height))


class Label(_FittedText, wx.StaticText):
    """Static text that can be held to a width and a number of lines (see
    _FittedText). The size follows font and text changes at once (the
    toolkit reports a stale size until the label is on screen).
    """

    def __init__(self, parent, name, label):
        self._text = label
        wx.StaticText.__init__(self, parent, wx.ID_ANY, "", name=name)
        self._show_fitted()

    def SetFont(self, font):
        result = wx.StaticText.SetFont(self, font)
        self._show_fitted()
        return result

    def shown_text(self):
        return wx.StaticText.GetLabelText(self)  # "&" shown as itself

    def _show(self, shown):
        wx.StaticText.SetLabelText(self, shown)
        self.InvalidateBestSize()

    def DoGetBestSize(self):
        return self._fitted_size(wx.StaticText.DoGetBestSize(self),
                                 self.GetCharHeight())


class DrawnText(_FittedText):
    """A static text drawn by the window it stands on, not a window of its
    own: a native label costs more to make, show and draw than the few
    characters of a bound. It answers what the keypads and a label's users
    call (GetLabel, SetLabel, SetFont, GetFont, Show, Hide, IsShown,
    SetForegroundColour, GetScreenRect ...) and holds to a width and a
    number of lines as a Label does (see _FittedText). Put it into a sizer
    of its window with place(); the window's Layout() should end with
    refresh_moved_texts().
    """

    _font = None  # None: the window's own
    _cache_font = None
    _colour = None  # None: the theme's text colour
    _item = None  # the text's place in its window's sizers
    _least = None  # a size set with SetMinSize, which the text keeps
    _drawn_at = None  # where it was last drawn

    def __init__(self, parent, name, label):
        self._parent = parent
        self._name = name
        self._text = self._shown = label
        self._visible = True
        _texts_drawn_by(parent).append(self)

    def place(self, sizer, *args):
        """Put the text into `sizer` (of its window), with the arguments
        sizer.Add takes after the item."""
        least = self.GetMinSize()
        self._item = sizer.Add(least.width, least.height, *args)
        self._item.Show(self._visible)
        return self._item

    def GetParent(self):
        return self._parent

    def GetName(self):
        return self._name

    def shown_text(self):
        return self._shown

    def _show(self, shown):
        self._shown = shown
        self._resize()

    def GetFont(self):
        return wx.Font(self._font) if self._font is not None \
            else self._parent.GetFont()

    def SetFont(self, font):
        self._font = wx.Font(font)
        self._cache_font = None
        self._show_fitted()
        self._resize()
        return True

    def GetForegroundColour(self):
        return wx.Colour(self._colour if self._colour is not None
                         else key_look.theme_colours()[1])

    def SetForegroundColour(self, colour):
        self._colour = wx.Colour(colour)
        self.Refresh()
        return True

    def GetTextExtent(self, text):
        if self._cache_font is None:
            self._cache_font = key_look.CacheFont(self.GetFont())
        return key_look.text_extent(text, self._cache_font,
                                self._parent.GetContentScaleFactor())

    def GetCharHeight(self):
        return self.GetTextExtent(" ").height

    def FromDIP(self, value):
        return self._parent.FromDIP(value)

    def SetLabel(self, label):
        if self._least is None:
            _FittedText.SetLabel(self, label)
            return
        # Held to its size: the dialog stays as it is.
        self._text = label
        self._show_fitted()
        self.Refresh()

    def GetBestSize(self):
        return self._fitted_size(wx.Size(0, 0), self.GetCharHeight())

    def GetMinSize(self):
        return wx.Size(self._least) if self._least is not None \
            else self.GetBestSize()

    def SetMinSize(self, size):
        """Hold the text's place to `size` whatever its text, as a window's
        least size does: a longer text is cut at its edge."""
        self._least = wx.Size(size)
        self._resize()

    def IsShown(self):
        return self._visible

    def Show(self, show=True):
        if self._visible == bool(show):
            return False
        self._visible = bool(show)
        if self._item is not None:
            self._item.Show(self._visible)
            self._parent.Layout()
        self.Refresh()
        return True

    def Hide(self):
        return self.Show(False)

    def IsShownOnScreen(self):
        return self._visible and self._parent.IsShownOnScreen()

    def IsEnabled(self):
        return self._parent.IsEnabled()

    def GetRect(self):
        return self._item.GetRect() if self._item is not None else wx.Rect()

    def GetPosition(self):
        return self.GetRect().GetPosition()

    def GetSize(self):
        return self.GetRect().GetSize()

    def GetScreenRect(self):
        rect = self.GetRect()
        rect.Offset(self._parent.GetScreenPosition())
        return rect

    def Refresh(self):
        """Draw the text again, where it was and where it is now."""
        for rect in (self._drawn_at, self.GetRect()):
            if rect is not None and not rect.IsEmpty():
                self._parent.RefreshRect(rect)

    def _resize(self):
        if self._item is not None:
            self._item.SetMinSize(self.GetMinSize())
            self._parent.InvalidateBestSize()
        self.Refresh()

    def draw(self, dc):
        rect = self._drawn_at = self.GetRect()
        if not self._visible or rect.IsEmpty():
            return
        dc.SetFont(self.GetFont())
        dc.SetTextForeground(self.GetForegroundColour() if self.IsEnabled()
                             else wx.Colour(key_look.theme_colours()[2]))
        dc.SetClippingRegion(rect)
        height = self.GetCharHeight()
        for index, line in enumerate(self._shown.split("\n")):
            dc.DrawText(line, rect.x, rect.y + index * height)
        dc.DestroyClippingRegion()


def drawn_texts(window):
    """The DrawnTexts `window` draws."""
    return list(getattr(window, "_drawn_texts", ()))


def _texts_drawn_by(window):
    """The DrawnTexts `window` draws, drawing them from its first."""
    texts = getattr(window, "_drawn_texts", None)
    if texts is None:
        texts = window._drawn_texts = []

        def paint(event):
            dc = wx.PaintDC(window)
            for text in texts:
                text.draw(dc)
        window.Bind(wx.EVT_PAINT, paint)
    return texts


def refresh_moved_texts(window):
    """Draw again the texts of `window` a layout has moved."""
    for text in getattr(window, "_drawn_texts", ()):
        if text._drawn_at is not None and text.GetRect() != text._drawn_at:
            text.Refresh()


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
        # The toolkit measures a field afresh after each font change, which
        # costs more than the rest of a keypad's fit: the sizes are kept by
        # everything they depend on.
        measured = (key_look.CacheFont(self.GetFont()), self.GetWindowStyleFlag(),
                    self.GetContentScaleFactor(), key_look.theme_colours())
        size = _ENTRY_SIZES.get(measured)
        if size is None:
            if len(_ENTRY_SIZES) >= ENTRY_SIZES_KEPT:
                _ENTRY_SIZES.clear()
            size = _ENTRY_SIZES[measured] = tuple(self._measure())
        return wx.Size(*size)

    def _measure(self):
        best = wx.TextCtrl.DoGetBestSize(self)
        text = self.GetTextExtent("000000")
        return wx.Size(text.width + self.FromDIP(16),
                       max(best.height,
                           self.GetCharHeight() + self.FromDIP(14)))


# Entry fields' best sizes, by font, style, screen scale and theme (a few
# fonts come back in every keypad).
ENTRY_SIZES_KEPT = 32
_ENTRY_SIZES = {}


class UniformGridSizer(wx.Sizer):
    """Grid of equal cells, each key (see AddAt) covering one cell or a block
    of them.

    Every cell is as large as the most demanding item needs, so a larger
    font keeps the grid even instead of widening one column. Extra room is
    shared out equally.
    """

    def __init__(self, rows, cols, gap):
        wx.Sizer.__init__(self)
        self._rows = rows
        self._cols = cols
        self._gap = gap
        self._places = []  # (key, sizer item, row, column, rows, columns)
        self._laid_out = None  # the rectangle last laid out, and places

    def AddAt(self, key, pos, span=(1, 1)):
        item = key.place(self)
        self._places.append((key, item) + tuple(pos) + tuple(span))
        return item

    def CalcMin(self):
        # Asked many times in each fit of a dialog: kept plain, the keys'
        # sizes read as they keep them.
        gap = self._gap
        cell_w = cell_h = 0
        for key, _, _, _, rows, cols in self._places:
            if key.IsShown():
                width, height = key.min_size()
                width = -(-(width - (cols - 1) * gap) // cols)
                height = -(-(height - (rows - 1) * gap) // rows)
                if width > cell_w:
                    cell_w = width
                if height > cell_h:
                    cell_h = height
        return wx.Size(self._cols * (cell_w + gap) - gap,
                       self._rows * (cell_h + gap) - gap)

    def RecalcSizes(self):
        # The cells depend on the sizer's rectangle alone, not on the keys'
        # sizes: a fit lays the same grid out several times over.
        x0, y0 = self.GetPosition()
        width, height = self.GetSize()
        laid_out = (x0, y0, width, height, len(self._places))
        if laid_out == self._laid_out:
            return
        self._laid_out = laid_out
        gap = self._gap
        step_x = (width + gap) / self._cols
        step_y = (height + gap) / self._rows
        for _key, item, row, col, rows, cols in self._places:
            left = x0 + round(col * step_x)
            top = y0 + round(row * step_y)
            right = x0 + round((col + cols) * step_x) - gap
            bottom = y0 + round((row + rows) * step_y) - gap
            item.SetDimension(wx.Point(left, top),
                              wx.Size(right - left, bottom - top))
