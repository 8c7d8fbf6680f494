"""A physical keyboard, where one is attached, drives the on-screen keys:
a character key by its position (the keyboard's) or by what it types, the
special keys by their roles."""

import wx


class PhysicalKeys:
    """The bridge from a physical keyboard to the on-screen keys of a
    dialog: a key typed or a character translated presses the key that
    types it (or has its role), exactly as a touch does.

    The dialog fills `_char_keys` (typed character -> key) and `_role_keys`
    (role: "confirm", "cancel", "erase", "clear", "tab" -> key), binds
    `_on_char_hook` to wx.EVT_CHAR_HOOK and calls `_bind_chars(self)`.
    """

    # Keyboard roles reached through special keys (see _on_char_hook).
    _SPECIAL_KEYS = {
        wx.WXK_RETURN: "confirm",
        wx.WXK_NUMPAD_ENTER: "confirm",
        wx.WXK_ESCAPE: "cancel",
        wx.WXK_BACK: "erase",
        wx.WXK_DELETE: "clear",
    }
    _NUMPAD_CHARS = {
        wx.WXK_NUMPAD0: "0", wx.WXK_NUMPAD1: "1", wx.WXK_NUMPAD2: "2",
        wx.WXK_NUMPAD3: "3", wx.WXK_NUMPAD4: "4", wx.WXK_NUMPAD5: "5",
        wx.WXK_NUMPAD6: "6", wx.WXK_NUMPAD7: "7", wx.WXK_NUMPAD8: "8",
        wx.WXK_NUMPAD9: "9", wx.WXK_NUMPAD_DECIMAL: ".",
        wx.WXK_NUMPAD_SUBTRACT: "-", wx.WXK_NUMPAD_ADD: "+",
        wx.WXK_NUMPAD_MULTIPLY: "*", wx.WXK_NUMPAD_DIVIDE: "/",
        wx.WXK_NUMPAD_SPACE: " ",
    }


    def _bind_chars(self, window):
        window.Bind(wx.EVT_CHAR, self._on_char)
        for child in window.GetChildren():
            if not child.IsTopLevel():
                self._bind_chars(child)

    def _press_key(self, key):
        """Deliver a press of `key` exactly as a touch does: a button event
        from that key through its own handler chain. Disabled keys refuse."""
        return key.Press()

    def _key_for(self, event):
        """The key a key event names by its character, or None."""
        char = self._NUMPAD_CHARS.get(event.GetKeyCode())
        if char is None:
            code = event.GetUnicodeKey()
            if code == wx.WXK_NONE:
                return None
            char = chr(code)
        return self._char_keys.get(char)

    def _key_at_position(self, event):
        """The on-screen key at the position of the physical key of a
        key-down event, or None where the dialog has none there."""
        return None

    def _on_char_hook(self, event):
        # Key-down, before any control sees it. A key at a position the
        # dialog knows presses the key there. Special keys are mapped
        # here. A plain (unmodified) key is mapped here too, unless it is a
        # letter: the key-down code of a letter does not say its case, so
        # letters and shifted keys wait for the translated character event.
        key = self._key_at_position(event)
        if key is not None:
            self._press_key(key)
            return
        if event.GetModifiers() == wx.MOD_NONE:
            role = self._SPECIAL_KEYS.get(event.GetKeyCode())
            if role is None and event.GetKeyCode() == wx.WXK_TAB:
                role = "tab"
            key = self._role_keys.get(role)
            if key is None and role == "erase" and self._erase_last():
                return
            if key is None:
                code = event.GetUnicodeKey()
                if code == wx.WXK_NONE or not chr(code).isalpha():
                    key = self._key_for(event)
            if key is not None:
                self._press_key(key)
                return
        event.DoAllowNextEvent()
        event.Skip()

    def _erase_last(self):
        """Backspace on a keypad without a key for it; False when the
        keypad has no entry to erase from."""
        return False

    def _on_char(self, event):
        key = self._key_for(event)
        if key is None:
            event.Skip()
        else:
            self._press_key(key)
