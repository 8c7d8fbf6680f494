"""Touch-panel keypad layouts.

Three dialogs, each the visual half of an on-screen keypad: the widgets, their
arrangement, and the delivery of key presses to handler methods named after
the keys' roles. The behaviour lives in subclasses that override those
handlers; the defaults here do nothing, so a layout can be shown on its own.

    DigitKeypad          numeric keypad with value field and bounds
    DigitPasswordKeypad  PIN pad with a masked field
    AlphaKeypad          keyboard of any layout xkeyboard-config lists (or
                         one that composes: pinyin, Korean, zhuyin,
                         Japanese, Cangjie) with shift and caps-lock sets

Every key is a KeyButton, a light object drawn by the KeyPanel window it
sits on, that sends the wx.EVT_BUTTON command event a button would; a
character key's label is exactly what it types. Each dialog's keys() yields
them all. The prompts and the bounds are DrawnTexts, drawn by the dialog
itself rather than native labels. Fixed captions (OK, Cancel, Clear, the prompts) pass
through wx.GetTranslation when the dialog is made, so a catalog the
application loaded (domain "nuv_touch") shows them in the operator's
language. Keys are sized for a gloved finger: never under 48 px (at 96 dpi,
about 13 mm), the numeric and PIN pads about 15 mm, and all scaled with the
screen's resolution. A physical keyboard, where one is attached, drives the
same keys.

The package reads one concern a module. The keyboards as data, no widget:
catalogue (the layouts of xkeyboard-config), keymap (a layout's keys in
each state of Shift, Caps Lock and AltGr, its dead keys), keyboards (the
choice of one) and arrangement (rows of keys as numbers). The views: keys
(keys drawn by their panel), key_look (a key's image and colours), widgets
(drawn and native texts, entry field, grid sizer), fit (key sizes and the
screen-fit planner), physical (a physical keyboard driving the keys),
composing (the composing keyboards), dialogs (the numeric and PIN keypads and what all
dialogs share) and keyboard_dialog.

Each dialog fits the client area of its display with a window manager's
frame around it (see _TouchDialog.Fit): the keys shrink as far as the screen
asks, below 48 px only on a screen too small for them, and the texts wrap to
the keys' width, cut with an ellipsis where their lines run out.

"""

from .arrangement import pack_rows
from .dialogs import (CANCEL_COLOUR, CONFIRM_COLOUR, UNBOUNDED_MAX, UNBOUNDED_MIN, DigitKeypad,
                      DigitPasswordKeypad)
from .fit import KEYBOARD_KEY_MM, MIN_KEY_DIP, PAD_KEY_MM, key_side, plan_key_size
from .keyboard_dialog import AlphaKeypad
from .keyboards import keyboard_layout, keyboard_layouts, set_keyboard_layout
from .keys import KeyButton, KeyGroup, KeyPanel
from .widgets import (ELLIPSIS, DrawnText, EntryField, Label, UniformGridSizer, drawn_texts,
                      refresh_moved_texts)

__all__ = ["DigitKeypad", "DigitPasswordKeypad", "AlphaKeypad", "KeyButton",
           "KeyPanel", "KeyGroup", "EntryField", "Label", "DrawnText", "drawn_texts", "refresh_moved_texts",
           "UniformGridSizer", "key_side",
           "plan_key_size", "pack_rows",
           "set_keyboard_layout", "keyboard_layout", "keyboard_layouts"]
