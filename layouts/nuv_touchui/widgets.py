"""The few widgets besides the keys: a label held to a width and a number of
lines, the entry field, and a grid sizer of equal cells."""

import wx

from nuv_wxtools import window_fit_layout

ELLIPSIS = "\u2026"


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
        # An unchanged text keeps its size: a dialog's fit asks for it
        # again and again.
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
        # Asked many times in each fit of a dialog: kept plain.
        gap = self._gap
        cell_w = cell_h = 0
        for item, _, _, rows, cols in self._places:
            if item.IsShown():
                width, height = item.CalcMin().Get()
                width = -(-(width - (cols - 1) * gap) // cols)
                height = -(-(height - (rows - 1) * gap) // rows)
                if width > cell_w:
                    cell_w = width
                if height > cell_h:
                    cell_h = height
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
