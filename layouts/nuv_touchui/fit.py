"""Sizing keys to the finger and to the screen: the side of a key in
pixels, and the planner that chooses the keys' size and the message's lines
for a dialog from the room the display leaves."""

import wx

from nuv_wxtools import display_area

# Smallest key side, in device-independent pixels.
MIN_KEY_DIP = 48
# Narrowest a keyboard's key gets, so that its letter rows stay whole on a
# narrow screen (a phone's are about 32 wide).
MIN_KEY_WIDTH_DIP = 40
# Preferred key sides in millimetres.
PAD_KEY_MM = 15.0
KEYBOARD_KEY_MM = 12.0
FALLBACK_PPI = 96


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


def _ceil_div(amount, step):
    return -(-amount // step)


def plan_key_size(room, preferred, floor, line_height, measure, message_lines):
    """Choose the keys' size and the message's lines for a dialog of at most
    `room` (a wx.Size), its keys preferably `preferred` pixels square and not
    lower than `floor` while the message can give way instead.

    `measure(size, lines)` lays the dialog out with keys of `size` (width,
    height) and the message held to `lines` lines and returns the size the
    dialog then needs; `message_lines(most)` the lines the message takes at
    the keys' width as they are, counting up to `most`; `line_height` is a
    line's. The layout is left at the chosen sizes. False when even so it
    does not fit.
    """
    most = max(room.height // line_height, 1)

    def fits(need):
        return need.width <= room.width and need.height <= room.height

    # Most screens have room for the keys as preferred: one trial.
    best = preferred
    need = measure((best, best), most)
    if fits(need):
        return True

    # The dialog grows with the keys' width and height, each in its own
    # direction and near enough linearly: two trials with a one-line
    # message tell how far the keys must shrink each way (the second only
    # where they must). The trial above gives the width (the message wraps
    # to the keys'), and the height too where that fits.
    high = need.height > room.height
    large = measure((best, best), 1) if high else need
    slopes = []

    def slope(axis):
        if not slopes:
            top = large if high else measure((best, best), 1)
            trial = max(best * 3 // 4, 1)
            small = measure((trial, trial), 1)
            slopes.extend((big - little) / max(best - trial, 1)
                          for big, little in zip(top, small))
        return slopes[axis]

    size = [best, best]
    for axis in (0, 1):
        over = large[axis] - room[axis]
        if over > 0 and slope(axis) > 0:
            size[axis] = max(int(best - _ceil_div(over, slope(axis))), 1)

    # The whole message if the keys can lose height for it down to the
    # floor (not width: the message wraps to that); else the lines that
    # fit, the last one cut.
    need = _narrow_enough(measure, room, (best, large.width), size, most)
    over = need.height - room.height
    if over > 0 and size[1] > floor and slope(1) > 0:
        lower = [size[0], int(max(floor,
                                  size[1] - _ceil_div(over, slope(1))))]
        tried = measure(lower, most)
        # Lower keys help only where the message is above them.
        if tried.height < need.height:
            size, need = lower, tried
        else:
            need = measure(size, most)
    lines = message_lines(most)
    while need.height > room.height and lines > 1:
        lines = max(lines - _ceil_div(need.height - room.height, line_height), 1)
        need = measure(size, lines)
    return fits(need)


# Further steps the planner takes to narrow the keys, at most.
NARROWING_STEPS = 4


def _narrow_enough(measure, room, before, size, lines):
    """Measure the dialog with keys of `size` (narrowed in one straight
    step from `before`, (key width, dialog width)) and `lines` of message;
    while it is still too wide, narrow the keys again on the slope between
    the last two trials. Keys held at their captions' width shrink no
    further, so the dialog narrows less than the first step foresaw. Leaves
    `size` as chosen; returns the size needed."""
    need = measure(size, lines)
    for _step in range(NARROWING_STEPS):
        over = need.width - room.width
        narrowed = before[0] - size[0]
        if over <= 0 or narrowed <= 0 or size[0] <= 1:
            break
        slope = (before[1] - need.width) / narrowed
        if slope <= 0:
            break
        before = (size[0], need.width)
        size[0] = max(int(size[0] - _ceil_div(over, slope)), 1)
        need = measure(size, lines)
    return need
