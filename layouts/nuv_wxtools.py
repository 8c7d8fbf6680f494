"""Small window helpers shared by the touch keypads."""

import time

import wx

# What a window manager's frame adds around a dialog: a title bar and thin
# borders. Reserved while the toolkit cannot tell (the dialog is not shown
# yet, or no window manager runs), so that a dialog framed later still fits.
FRAME_RESERVE_DIP = (8, 40)


# How long the display area told for a hidden window is kept (see
# display_area), in seconds.
AREA_KEPT_S = 1.0

# Display areas told for hidden windows, by where their parent lies:
# (when told, area).
_kept_areas = {}


def display_area(window):
    """Client area of the display the window is on (or the first one), or
    None without a display. A window not shown yet opens over its parent:
    that display is taken.

    Each answer is a few round trips to the display server, and a keypad
    being built asks a dozen times, one keypad after another over the same
    parent: the answer for a hidden window is kept for a moment.
    """
    if window.IsShown():
        return _ask_display_area(window)
    parent = window.GetParent()
    where = tuple(parent.GetScreenRect()) if parent is not None else None
    now = time.monotonic()
    kept = _kept_areas.get(where)
    if kept is None or now - kept[0] > AREA_KEPT_S:
        if len(_kept_areas) > 16:  # parents come and go
            _kept_areas.clear()
        kept = _kept_areas[where] = (now, _ask_display_area(window))
    return wx.Rect(kept[1]) if kept[1] is not None else None


def _ask_display_area(window):
    count = wx.Display.GetCount()
    if count < 1:
        return None
    parent = window.GetParent()
    if not window.IsShown() and parent is not None:
        window = parent
    index = wx.Display.GetFromWindow(window)
    if index == wx.NOT_FOUND or index >= count:
        index = 0
    return wx.Display(index).GetClientArea()


def _unmeasured_frame(window):
    """(left, top, right, bottom): the part of the frame reserve the window's
    own size does not include yet; the title bar is taken to be on top."""
    size, client = window.GetSize(), window.GetClientSize()
    reserve = window.FromDIP(wx.Size(*FRAME_RESERVE_DIP))
    across = max(reserve.width - (size.width - client.width), 0)
    down = max(reserve.height - (size.height - client.height), 0)
    border = across // 2
    return border, max(down - border, 0), across - border, min(border, down)


def _usable_area(window):
    """The display's client area less the frame the window may still get."""
    area = display_area(window)
    if area is None or area.IsEmpty():
        return None
    left, top, right, bottom = _unmeasured_frame(window)
    return wx.Rect(area.x + left, area.y + top,
                   max(area.width - left - right, 1),
                   max(area.height - top - bottom, 1))


def display_room(window):
    """The largest client size a top-level window can take so that, framed,
    it lies inside its display's client area; None without a display."""
    area = _usable_area(window)
    if area is None:
        return None
    frame = window.GetSize() - window.GetClientSize()
    return wx.Size(max(area.width - frame.width, 1),
                   max(area.height - frame.height, 1))


def _keep_on_screen(window):
    """Shrink a top-level window to its display's client area if it is larger,
    and move it back inside."""
    area = _usable_area(window)
    if area is None:
        return
    room = display_room(window)
    client = window.GetClientSize()
    if client.width > room.width or client.height > room.height:
        window.SetClientSize(wx.Size(min(client.width, room.width),
                                     min(client.height, room.height)))
        window.Layout()
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
    screen keeps its place. Either way a top-level window ends inside its
    display's client area, leaving room for a window manager's frame: shrunk
    to it if its content asks for more. Returns nothing.
    """
    if window.GetSizer() is not None or window.GetChildren():
        window.Fit()
        # Fit() only relays out when the size really changed.
    window.Layout()
    if window.IsTopLevel():
        if not window.IsShown():
            _centre_on_parent(window)
        _keep_on_screen(window)


def _centre_on_parent(window):
    """Centre a top-level window over its parent, or its display without
    one or when the parent is off it, as wx's CentreOnParent does (which
    asks the display server for the display's area each time;
    _keep_on_screen then keeps it inside the area known)."""
    parent = window.GetParent()
    area = display_area(window)
    around = parent.GetScreenRect() if parent is not None else area
    if area is not None and not around.Intersects(area):
        around = area
    if around is None:
        return
    size = window.GetSize()
    window.Move(around.x + (around.width - size.width) // 2,
                around.y + (around.height - size.height) // 2)
