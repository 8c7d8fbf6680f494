# The layouts as they were with native wx.Button keys, before the keys drew
# themselves: the old side of the bench's layouts group. Not shipped.
"""Small window helpers shared by the touch keypads."""

import wx


def _display_area(window):
    """Client area of the display the window is on (or the first one)."""
    count = wx.Display.GetCount()
    if count < 1:
        return None
    index = wx.Display.GetFromWindow(window)
    if index == wx.NOT_FOUND or index >= count:
        index = 0
    return wx.Display(index).GetClientArea()


def _keep_on_screen(window):
    """Move a top-level window back inside its display's work area."""
    area = _display_area(window)
    if area is None or area.IsEmpty():
        return
    rect = window.GetRect()
    x = min(rect.x, area.Right - rect.width + 1)
    y = min(rect.y, area.Bottom - rect.height + 1)
    x = max(x, area.x)
    y = max(y, area.y)
    if (x, y) != (rect.x, rect.y):
        window.Move(x, y)


def window_fit_layout(window):
    """Lay the window out again and size it to fit its content.

    Called after fonts or the visibility of panels changed. A window without
    a sizer is sized around its children (and left alone when it has none).
    A top-level window not shown yet is centred on its parent; one already on
    screen keeps its place, but is pulled back inside the display if it grew
    past the edge. Returns nothing.
    """
    window.Layout()
    if window.GetSizer() is not None or window.GetChildren():
        window.Fit()
        # Fit() only relays out when the size really changed.
        window.Layout()
    if window.IsTopLevel():
        if not window.IsShown():
            window.CentreOnParent()
        _keep_on_screen(window)
