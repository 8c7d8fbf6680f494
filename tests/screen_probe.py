"""Opens each keypad on the display of $DISPLAY and prints, as JSON, where
it lies: run in a process of its own by test_screen_fit.py, one per screen
size. With --layouts, the keyboard of every top-level layout of
xkeyboard-config too, with what it offers."""

import collections
import json
import sys

import wx

import nuv_touch
import nuv_touchui
import nuv_wxtools

# Longer than any keypad can show: it must be cut, not push keys away.
MESSAGE = " ".join(["Spindle speed for the roughing pass, rpm:"] * 16)
HUGE = 10 ** 60
# Sixteen digits: whole on any panel's screen.
WIDE = 10 ** 15
# The keyboards opened on every screen: the US one and the composing ones.
KEYBOARDS = ["us"] + list(nuv_touchui.composing.COMPOSING_KEYBOARDS)


def keypads(frame):
    yield "numeric", nuv_touch.DigitKeypad(
        frame, nuv_touch.KEYPAD_MODE_INT, -HUGE, HUGE, MESSAGE)
    yield "numeric wide", nuv_touch.DigitKeypad(
        frame, nuv_touch.KEYPAD_MODE_INT, -WIDE, WIDE, MESSAGE)
    yield "pin", nuv_touch.DigitPasswordKeypad(frame, MESSAGE)
    for name in KEYBOARDS:
        nuv_touchui.set_keyboard_layout(name)
        yield "keyboard " + name, nuv_touch.AlphaKeypad(frame, None, False, MESSAGE)
    nuv_touchui.set_keyboard_layout(None)


def layouts():
    """The top-level layouts of xkeyboard-config, but those that compose
    (opened as keypads on every screen)."""
    return [layout.name for layout in nuv_touchui.catalogue.layouts()
            if "(" not in layout.name and layout.name not in nuv_touchui.composing.COMPOSING_KEYBOARDS]


def offered(dialog):
    """What a keyboard offers: its keys' labels, in any state, and what
    they hold; whether it has its Latin key; its entry's direction."""
    reach = set()
    for key in dialog.keys():
        reach.add(key.GetLabel())
        reach.update(key.variants())
    return {"reach": sorted(reach),
            "latin_key": any(key.caption() == "ABC" for key in dialog.keys()),
            "right_to_left": dialog.ui_value_normal.GetLayoutDirection() == wx.Layout_RightToLeft}


def keys(dialog):
    return (key for key in dialog.keys() if key.IsShownOnScreen())


def rect(r):
    return [r.x, r.y, r.width, r.height]


def drawn_colours(key, pressed):
    """(face, caption) of the key as its panel draws it, pressed or not:
    the commonest colour inside its rounded border and the one that stands
    out most from it."""
    panel = key.GetParent()
    bitmap = wx.Bitmap(panel.GetClientSize())
    memory = wx.MemoryDC(bitmap)
    key.draw(memory, pressed, wx.GetTopLevelParent(panel).GetBackgroundColour())
    memory.SelectObject(wx.NullBitmap)
    inset = panel.FromDIP(8)
    inside = key.GetRect().Deflate(inset, inset)
    data = bytes(bitmap.ConvertToImage().GetSubImage(inside).GetData())
    counts = collections.Counter(tuple(data[at:at + 3]) for at in range(0, len(data), 3))
    face = counts.most_common(1)[0][0]
    caption = max(counts, key=lambda colour: contrast(face, colour))
    return [list(face), list(caption)]


def contrast(first, second):
    """WCAG's contrast ratio of two sRGB colours."""
    def luminance(colour):
        linear = [part / 3294.6 if part <= 10.31 else ((part / 255 + 0.055) / 1.055) ** 2.4
                  for part in colour]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    light, dark = sorted((luminance(first), luminance(second)), reverse=True)
    return (light + 0.05) / (dark + 0.05)


def on_screen_colours(text):
    """(background, text) of a text its window drew, read from the screen:
    the commonest colour of its rectangle and the one that stands out most
    from it."""
    box = text.GetScreenRect()
    bitmap = wx.Bitmap(box.GetSize())
    memory = wx.MemoryDC(bitmap)
    memory.Blit(0, 0, box.width, box.height, wx.ScreenDC(), box.x, box.y)
    memory.SelectObject(wx.NullBitmap)
    data = bytes(bitmap.ConvertToImage().GetData())
    counts = collections.Counter(tuple(data[at:at + 3]) for at in range(0, len(data), 3))
    background = counts.most_common(1)[0][0]
    return [list(background), list(max(counts, key=lambda colour: contrast(background, colour)))]


def colours(dialog):
    """Each key shown, as drawn at rest and pressed; the keyboard's shift
    keys again with shift on."""
    found = [{"label": key.GetLabel(), "enabled": key.IsEnabled(),
              "drawn": [drawn_colours(key, False), drawn_colours(key, True)]}
             for key in keys(dialog)]
    shift = [key for key in keys(dialog) if key.GetLabel() == "Shift"]
    if shift:
        shift[0].Press()
        found += [{"label": "Shift on", "enabled": True,
                   "drawn": [drawn_colours(key, False), drawn_colours(key, True)]}
                  for key in keys(dialog) if key.GetLabel() == "Shift"]
    return found


def describe(dialog):
    left, top, right, bottom = nuv_wxtools._unmeasured_frame(dialog)
    outer = dialog.GetRect()
    framed = wx.Rect(outer.x - left, outer.y - top,
                     outer.width + left + right, outer.height + top + bottom)
    client = wx.Rect(dialog.ClientToScreen(wx.Point(0, 0)),
                     dialog.GetClientSize())
    found = []
    for key in keys(dialog):
        box = key.GetScreenRect()
        centre = wx.Point(box.x + box.width // 2, box.y + box.height // 2)
        caption = key.GetTextExtent(key.caption())
        found.append({"label": key.GetLabel(), "rect": rect(box),
                      "whole": caption.width < box.width and caption.height < box.height,
                      "inside": client.Contains(box),
                      "on_top": wx.FindWindowAtPoint(centre) is key.GetParent()})
    # A keyboard's keys may be narrower than high, narrower still on a
    # screen under 700 pixels wide.
    keyboard = isinstance(dialog, nuv_touchui.AlphaKeypad)
    narrowest = (32 if wx.Display(0).GetGeometry().width < 700 else 40) if keyboard else 48
    return {"framed": rect(framed), "size": list(dialog.GetSize()),
            "keys": found,
            "floor": [dialog.FromDIP(narrowest), dialog.FromDIP(48)],
            "message": dialog.ui_message.GetLabel() == MESSAGE,
            "message_words": MESSAGE.split(),
            "shown": dialog.ui_message.shown_text(),
            "bounds": [[label.shown_text(), label.GetLabel()]
                       for label in (getattr(dialog, "ui_minimum", None),
                                     getattr(dialog, "ui_maxmum", None))
                       if label is not None]}


def main():
    app = wx.App(False)
    frame = wx.Frame(None, title="host")
    frame.Show()
    report = {"area": rect(wx.Display(0).GetClientArea())}
    for kind, dialog in keypads(frame):
        dialog.Show()
        for _ in range(20):
            app.Yield(True)
            wx.MilliSleep(5)
        report[kind] = describe(dialog)
        if "--colours" in sys.argv:
            report[kind]["colours"] = colours(dialog)
            report[kind]["texts"] = {text.GetName(): on_screen_colours(text)
                                     for text in nuv_touchui.drawn_texts(dialog)
                                     if text.IsShown()}
        dialog.Destroy()
    if "--layouts" in sys.argv:
        report["layouts"] = {}
        for name in layouts():
            nuv_touchui.set_keyboard_layout(name)
            dialog = nuv_touch.AlphaKeypad(frame, None, False, "Text:")
            dialog.Show()
            for _ in range(5):
                app.Yield(True)
            described = describe(dialog)
            described.update(offered(dialog))
            report["layouts"][name] = described
            dialog.Destroy()
    frame.Destroy()
    json.dump(report, sys.stdout)


if __name__ == "__main__":
    main()
