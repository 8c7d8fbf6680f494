"""A scripted operator for the demo: taps keys, confirms, takes screenshots.

A tour is a generator run on the GUI thread. Each `yield` hands control back
to wx for a moment (the number yielded is the pause in milliseconds), so the
script can open a keypad with a tap, keep going inside the keypad's modal
loop, press its keys and confirm it, just as an operator's finger would.
"""
import os
import subprocess
import sys

import wx



class Tour:
    def __init__(self, frame, shots_dir):
        self.frame = frame
        self.shots_dir = shots_dir
        self.shots = []
        self.failed = None
        os.makedirs(shots_dir, exist_ok=True)

    def run(self, script):
        self._steps = script(self)
        wx.CallLater(300, self._advance)

    def _advance(self):
        try:
            pause = next(self._steps)
        except StopIteration:
            self._finish()
            return
        except Exception as error:  # a broken tour must still end the demo
            self.failed = error
            self._finish()
            raise
        wx.CallLater(pause or 50, self._advance)

    def _finish(self):
        for window in wx.GetTopLevelWindows():
            if isinstance(window, wx.Dialog) and window.IsModal():
                window.EndModal(wx.ID_CANCEL)
        wx.CallLater(100, self.frame.Close)

    # -- what a finger does ---------------------------------------------------

    @staticmethod
    def tap(window, kind=wx.wxEVT_LEFT_DOWN):
        """A left-button press on a control or a key, as a touch panel
        delivers it (`kind` wx.wxEVT_LEFT_UP: the finger lifting). A drawn
        key is touched on the panel that draws it."""
        position = wx.Point(5, 5)
        if not isinstance(window, wx.Window):
            position += window.GetPosition()
            window = window.GetParent()
        event = wx.MouseEvent(kind)
        event.SetEventObject(window)
        event.SetId(window.GetId())
        event.SetPosition(position)
        wx.PostEvent(window.GetEventHandler(), event)

    def lift(self, window):
        self.tap(window, wx.wxEVT_LEFT_UP)

    @staticmethod
    def click(button):
        """A press of an on-screen button."""
        event = wx.CommandEvent(wx.wxEVT_BUTTON, button.GetId())
        event.SetEventObject(button)
        wx.PostEvent(button.GetEventHandler(), event)

    @staticmethod
    def double_click_cell(grid, row, col):
        event = wx.grid.GridEvent(grid.GetId(), wx.grid.wxEVT_GRID_CELL_LEFT_DCLICK, grid, row, col)
        wx.PostEvent(grid.GetEventHandler(), event)

    def press(self, dialog, *labels):
        """Presses the visible keys of `dialog` with these labels, in order."""
        for label in labels:
            self.click(self.key(dialog, label))

    @staticmethod
    def key(dialog, label):
        for key in dialog.keys():
            if key.GetLabel() == label and key.IsShownOnScreen():
                return key
        raise LookupError("no key %r on %s" % (label, type(dialog).__name__))

    def shows_key(self, dialog, label):
        """Whether a key with this label is on screen in `dialog`."""
        try:
            return self.key(dialog, label) is not None
        except LookupError:
            return False

    @staticmethod
    def open_dialog(kind=wx.Dialog):
        """The modal dialog of this kind that is open now, or None."""
        for window in wx.GetTopLevelWindows():
            if isinstance(window, kind) and window.IsModal():
                return window
        return None

    def shot(self, window, name):
        """Saves what the screen shows of `window` as <shots_dir>/<name>.png.

        The picture is taken from the X server by ImageMagick's `import`, so
        it is exactly what an operator would see there.
        """
        window.Update()
        for _ in range(5):
            wx.GetApp().Yield(True)
        rect = window.GetScreenRect()
        path = os.path.join(self.shots_dir, name + ".png")
        subprocess.run(["import", "-window", "root", "-crop",
                        "%dx%d+%d+%d" % (rect.width, rect.height, rect.x, rect.y), path], check=True)
        self.shots.append(path)
        print(path)
        sys.stdout.flush()


    def shot_screen(self, name):
        """Saves the whole screen as <shots_dir>/<name>.png."""
        for _ in range(5):
            wx.GetApp().Yield(True)
        path = os.path.join(self.shots_dir, name + ".png")
        subprocess.run(["import", "-window", "root", path], check=True)
        self.shots.append(path)
        print(path)
        sys.stdout.flush()

    @staticmethod
    def check_inside_screen(dialog):
        """Fails the tour when a part of `dialog` is off its display."""
        area = wx.Display(max(wx.Display.GetFromWindow(dialog), 0)).GetClientArea()
        if not area.Contains(dialog.GetScreenRect()):
            raise AssertionError("%s at %s is not inside %s" % (type(dialog).__name__, dialog.GetScreenRect(), area))


def generic_message_box(message, caption="Message", style=wx.OK | wx.CENTRE, parent=None, *args):
    """wx.MessageBox through wx's own dialog, which a tour can see and close
    (the native GTK box is outside wx's window list)."""
    dialog = wx.GenericMessageDialog(parent, message, caption, style)
    try:
        return {wx.ID_OK: wx.OK, wx.ID_CANCEL: wx.CANCEL, wx.ID_YES: wx.YES, wx.ID_NO: wx.NO}.get(
            dialog.ShowModal(), wx.CANCEL)
    finally:
        dialog.Destroy()
