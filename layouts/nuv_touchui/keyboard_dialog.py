"""The keyboard dialog, AlphaKeypad: the keys of one xkeyboard-config
layout (keymap.LayoutKeyboard), in any script, with its shift and caps-lock
sets, its AltGr letters and its dead keys; Latin letters a key away where
the script is another."""

import unicodedata

import wx

from nuv_wxtools import display_room

from . import composing, keyboards, keymap
from .arrangement import cut, narrow_across, pack_rows, row_lengths
from .dialogs import CANCEL_COLOUR, CONFIRM_COLOUR, _, _TouchDialog
from .fit import KEYBOARD_KEY_MM, MIN_KEY_DIP, MIN_KEY_WIDTH_DIP
from .key_look import keypad_font
from .keys import KeyButton, KeyGroup, place_together
from .widgets import DrawnText, EntryField

# An armed dead key.
DEAD_KEY_COLOUR = wx.Colour(255, 220, 140)
# Where a combining mark is drawn: the mark alone would sit on nothing.
DOTTED_CIRCLE = "\u25cc"
DIGITS = "1234567890"
KEY_POINTS = 14
# The letters of a composing keyboard's script (jamo, bopomofo, radicals):
# their fonts draw them smaller and thinner than Latin letters.
SCRIPT_POINTS = 18
ENTRY_POINTS = 18
# Lengths, in keys, of the keys beside the letters of the keyboard's own
# rows: those of the bottom row, and Backspace's beside the digits.
BACKSPACE_UNITS = 2
SHIFT_UNITS = 2
CAPS_OFF_UNITS = 2
CLEAR_UNITS = 2
SCRIPT_UNITS = 1.5


def _is_mark(text):
    return bool(text) and unicodedata.category(text[0]).startswith("M")


class _CharKey(KeyButton):
    """A key that types its label; held, it offers the letters held under
    it (see offer). A combining mark is shown on a dotted circle."""

    _held = ()
    # One character needs less room around it than a word: narrow keys
    # of wide letters (Khmer's) keep their rows on a portrait screen.
    CAPTION_MARGIN_DIP = (8, 12)

    def offer(self, letters):
        self._held = tuple(letters)

    def variants(self):
        return self._held

    def caption(self):
        # A mark drawn on the dotted circle where the font sets the two as
        # one; else alone, which the text shaper draws on a circle of its own.
        if _is_mark(self._label):
            on_circle = DOTTED_CIRCLE + self._label
            if self.GetTextExtent(on_circle).width <= 1.25 * self.GetTextExtent(DOTTED_CIRCLE).width:
                return on_circle
        return self._label


class _DeadKey(_CharKey):
    """A dead key, labelled with its sign: a tap arms it, and the next
    character typed is what it composes with that (see
    AlphaKeypad._on_char_key)."""

    def __init__(self, parent, label, size, name, repeats=False, dead=""):
        _CharKey.__init__(self, parent, label, size, name, repeats)
        self.dead = dead


class _BlankKey(KeyButton):
    """The Tab or the Space key. The keyboard types a blank for a key
    labelled with the English name ("Tab", "Space"), so GetLabel keeps that
    name while the key shows it translated (its caption)."""

    def __init__(self, parent, label, *args):
        KeyButton.__init__(self, parent, _(label), *args)
        self._typed_name = label

    def GetLabel(self):
        return self._typed_name


_BLANKS = {"Space": " ", "Tab": "\t"}


def _key_position(event):
    """The X keycode of the physical key of a key-down `event`, or None
    for an event a program made: wx leaves a new key event's raw flags as
    its memory held them, which may name any key, and only the toolkit's
    events carry the display's time."""
    return event.GetRawKeyFlags() if event.GetTimestamp() else None


class _KeyPlace:
    """One key of a slot: what an xkb key types in one state, for the
    groups that show it. Made at once where they are all shown when the
    keyboard opens, else when they are (or when asked); it then takes its
    turn in the slot's place."""

    __slots__ = ("board", "xkb_key", "symbol", "groups", "state", "caps_group", "key", "item")

    def __init__(self, board, xkb_key, symbol, groups, state, caps_group):
        self.board = board
        self.xkb_key = xkb_key
        self.symbol = symbol
        self.groups = groups
        # (script group or None, shift or None, caps or None): the state
        # it shows in, None where that does not matter.
        self.state = state
        self.caps_group = caps_group  # its row's ui_caps_on_N
        self.key = None
        self.item = None  # the slot's SharedPlace, once laid out


class AlphaKeypad(_TouchDialog):
    """Alphanumeric keyboard layout: the keys of the layout
    keyboards.keyboard_layout() names when the dialog is made.

        message (ui_message)
        [ text (ui_value_normal / ui_value_password) ]
        (1 2 3 4 5 6 7 8 9 0, where the layout's own row lacks them,
         but a composing keyboard's gives them with Shift)
        ` 1 2 3 4 5 6 7 8 9 0 - =       Backspace <- xkb's AE row
        Tab      Q W E R T Y U I O P [ ]  Cancel  <- AD: ui_caps_off_0 / _on_0
        Caps On  A S D F G H J K L ; ' \\  OK      <- AC: ui_caps_off_1 / _on_1
        Shift    < Z X C V B N M , . /   Shift   <- AB: ui_caps_off_2 / _on_2
        Shift Caps Off [ABC] Space Clear Shift

    Each xkb key is a slot of up to four keys taking turns, one for each
    state of Shift and Caps Lock that types something else: a key belongs
    to `no_Shift` or `Shift` where Shift matters to it, and to its row's
    `ui_caps_off_N` or `ui_caps_on_N` where Caps Lock does, and it shows
    where all its groups are shown. A script other than Latin has a second
    set, the US letters, behind the key labelled ABC.

    On a screen too narrow for these rows (a portrait panel) the keyboard
    takes the screen's width: the rows above the letters cut to it, each
    letter row whole, and the other keys in rows of their own below, with
    two Shift keys instead of four. Holding a key offers the letters AltGr
    gives on it and those its layout's dead keys compose from it.

    Character keys, Tab and Space go to on_character; the other keys to
    on_backspace, on_clear, on_shift, on_caps_on and on_caps_off. OK ends the
    dialog with wx.ID_OK and Cancel with wx.ID_CANCEL. The plain text field
    is shown, the masked one hidden; the keyboard picks which to use.
    """

    # Rows of finger-high keys a screen must hold for the keyboard to be
    # arranged in rows of the screen's width (the texts above take two).
    NARROW_ROWS = 10

    def __init__(self, parent):
        self._layout = keyboards.keyboard_layout()
        self._board = keyboards.keyboard(self._layout)
        self._init_dialog(parent, _("Keyboard"), KEYBOARD_KEY_MM)
        # A composing keyboard's composition (before the keys are made: it
        # routes their presses).
        self._composing = composing.composing_keys(self)
        # Narrow gaps and margins leave the keys the room of the screen.
        self._gap, self._margin = self.FromDIP(4), self.FromDIP(8)
        self._key_font = keypad_font(KEY_POINTS)
        self._script_font = keypad_font(SCRIPT_POINTS)
        self._dead = None  # the armed dead key
        self._pending = []  # _KeyPlaces whose keys are not made yet
        self._code_slots = {}  # xkb keycode -> its slot, for the physical keyboard
        self._char_places = {}  # typed character -> the first _KeyPlace typing it
        self._caption_heights = {}  # margin -> the caption height a key holds
        self._kinds = {}  # (letter row, script group) -> see _place_kinds
        self._latin_waiting = []  # (keycode, row, Latin key) of places not made yet
        self._make_texts()
        panel = self._key_panel(self)
        self._make_groups(panel)
        self._slot_rows = self._make_slots(panel)
        self._digit_keys = self._make_digit_keys(panel)
        self._make_control_keys(panel)
        across = self._narrow_across()
        self._across = across or self._own_width()  # keys in a row
        keys = self._lay_out_rows(self._rows(across))
        panel.SetSizer(keys)
        self._finish_keyboard(panel, keys)

    def _make_texts(self):
        self.ui_message = DrawnText(self, "ui_message", _("Enter text:"))
        self.ui_message.SetFont(keypad_font(14))
        self.ui_value_normal = EntryField(self, "ui_value_normal")
        self.ui_value_password = EntryField(self, "ui_value_password",
                                            wx.TE_PASSWORD)
        for field in (self.ui_value_normal, self.ui_value_password):
            field.SetFont(keypad_font(ENTRY_POINTS))
            if self._board.right_to_left():
                field.SetLayoutDirection(wx.Layout_RightToLeft)
        self.ui_value_password.Hide()

    # The keys of the layout ----------------------------------------------

    def _make_groups(self, panel):
        """The sets the keyboard shows and hides: no_Shift and Shift, the
        caps-lock sets of each letter row, and the layout's own script and
        the Latin letters where it is not Latin."""
        def group(name, shown=True):
            made = KeyGroup(panel, name, self._make_pending)
            made.Show(shown)
            return made

        self.no_Shift = group("no_Shift")
        self.Shift = group("Shift", False)
        for index in range(3):
            setattr(self, "ui_caps_off_%d" % index, group("ui_caps_off_%d" % index))
            setattr(self, "ui_caps_on_%d" % index, group("ui_caps_on_%d" % index, False))
        self._caps_groups = tuple(tuple(getattr(self, "ui_caps_%s_%d" % (state, index)) for index in range(3))
                                  for state in ("off", "on"))
        self._scripts = None
        if not self._board.is_latin():
            self._scripts = (group("script"), group("latin", False))

    def _make_slots(self, panel):
        """The slots of the layout's rows (the digits row and the three
        letter rows), each a tuple of _KeyPlaces taking turns. The Latin
        letters' places, where the layout is of another script, are made
        when first asked for (see _make_latin_places): most operators never
        tap ABC."""
        latin = keymap.keyboard(keymap.LATIN_LAYOUT).keys_by_name() if self._scripts is not None else {}
        own_group = self._scripts[0] if self._scripts is not None else None
        rows = []
        for row, keys in enumerate(self._board.rows):
            slots = []
            for key in keys:
                slot = tuple(self._places(self._board, key, row, own_group))
                for place in slot:
                    _script, shift, caps = place.state
                    if shift or caps:  # hidden at first
                        self._pending.append(place)
                    else:
                        self._make_key(panel, place)
                self._know_places(slot)
                if key.name in latin:
                    self._latin_waiting.append((key.code, row, latin[key.name]))
                self._code_slots[key.code] = slot
                slots.append(slot)
            rows.append(slots)
        return rows

    def _know_places(self, places):
        """Note the characters `places` type, where no place types them."""
        for place in places:
            symbol = place.symbol
            if symbol is not None and not symbol.dead and symbol.text not in self._char_places:
                self._char_places[symbol.text] = place

    def _make_latin_places(self):
        """The Latin letters' places, beside the layout's own in their
        slots, their keys made when they are shown."""
        waiting, self._latin_waiting = self._latin_waiting, []
        if not waiting:
            return
        board, group = keymap.keyboard(keymap.LATIN_LAYOUT), self._scripts[1]
        for code, row, key in waiting:
            places = self._places(board, key, row, group)
            slot = self._code_slots[code]
            for place in places:
                place.item = slot[0].item
            self._pending.extend(places)
            self._know_places(places)
            self._code_slots[code] = slot + tuple(places)

    def _places(self, board, key, row, script):
        """The _KeyPlaces of `key`: one for each state of Shift and Caps
        Lock that types something else."""
        kinds, caps_on = self._place_kinds(row, script)
        return [_KeyPlace(board, key, symbol, *kinds[shift, caps], caps_on)
                for shift, caps, symbol in key.turns()]

    def _place_kinds(self, row, script):
        """({(shift, caps): (groups, state)}, ui_caps_on_N) for the places
        of `row` in `script`'s group: their groups and states shared, made
        once for the row rather than for each place."""
        index = max(row - 1, 0)
        found = self._kinds.get((index, script))
        if found is None:
            caps_off, caps_on = self._caps_groups[0][index], self._caps_groups[1][index]
            own = (script,) if script is not None else ()
            shift_groups = {None: (), False: (self.no_Shift,), True: (self.Shift,)}
            caps_groups = {None: (), False: (caps_off,), True: (caps_on,)}
            kinds = {(shift, caps): (own + shift_groups[shift] + caps_groups[caps], (script, shift, caps))
                     for shift in shift_groups for caps in caps_groups}
            found = self._kinds[index, script] = (kinds, caps_on)
        return found

    def _make_key(self, panel, place):
        """Make the key of `place`, into the place held for it if any."""
        symbol = place.symbol
        if symbol is None:  # nothing in this state: a blank that types nothing
            key = self._key(panel, "key", "", None, font=self._key_font, kind=_CharKey)
            key.Disable()
        elif symbol.dead:
            key = self._key(panel, "dead", symbol.text, self._on_dead_key,
                            font=self._key_font, kind=_DeadKey)
            key.dead = symbol.dead
        else:
            key = self._key(panel, "key", symbol.text, self._on_char_key,
                            font=self._letter_font(symbol.text), kind=_CharKey)
            key.offer(place.board.offered(place.xkb_key, symbol.text))
        self._fit_caption(key)
        for group in place.groups:
            group.add(key)
        place.key = key
        if place.item is not None:
            key.take_place(place.item.turn())
        return key

    def _letter_font(self, text):
        if self._composing is not None and text in self._composing.keyboard.script_labels:
            return self._script_font
        return self._key_font

    def _fit_caption(self, key):
        """A smaller font for a caption higher than a finger-high key
        holds (a script whose font has tall lines, Tibetan's)."""
        room = self._caption_heights.get(key.CAPTION_MARGIN_DIP[1])
        if room is None:
            room = self._caption_heights[key.CAPTION_MARGIN_DIP[1]] = (
                self.FromDIP(MIN_KEY_DIP) - self.FromDIP(key.CAPTION_MARGIN_DIP[1]))
        height = key.caption_extent()[1]
        if height > room:
            key.SetFont(keypad_font(max(int(KEY_POINTS * room / height), 6)))

    def _make_pending(self, group, every):
        """Make the keys of `group` not made yet: those now shown, or all."""
        waiting = []
        for place in self._pending:
            if group in place.groups and (every or all(g.IsShown() for g in place.groups)):
                self._make_key(group.GetParent(), place)
            else:
                waiting.append(place)
        self._pending = waiting

    def _make_all_keys(self):
        self._make_latin_places()
        for place in list(self._pending):
            if place.key is None:
                self._make_key(self._key_panels[0], place)
        self._pending = []

    def keys(self):
        self._make_all_keys()
        return _TouchDialog.keys(self)

    def _make_digit_keys(self, panel):
        """Keys of the ten ASCII digits, where the layout's digits row does
        not type them without Shift (French, Thai, Arabic, Hindi); else
        none."""
        plain = {slot[0].symbol.text for slot in self._slot_rows[0]
                 if slot and slot[0].symbol is not None}
        if set(DIGITS) <= plain:
            return []
        # A composing keyboard's number row may give them with Shift: its
        # candidates take the row they would.
        shifted = {key.symbol(shift=True).text for key in self._board.rows[0]
                   if key.symbol(shift=True) is not None}
        if self._composing is not None and set(DIGITS) <= shifted:
            return []
        return [self._key(panel, "key", digit, self._on_char_key,
                          font=self._key_font, kind=_CharKey) for digit in DIGITS]

    def _make_control_keys(self, panel):
        """The keys that type no character, and Tab and Space; their
        lengths (in keys) are those of the keyboard's own rows."""
        across = self._own_width()
        beside = [(across - len(row)) / 2.0 for row in self._slot_rows[1:]]

        def key(name, label, handler, units, **kwargs):
            return self._key(panel, name, label, handler, units,
                             self._key_font, **kwargs)

        self._backspace = key("backspace", _("Backspace"), self.on_backspace,
                              across - len(self._slot_rows[0]), repeats=True)
        self._clear = key("clear", _("Clear"), self.on_clear, CLEAR_UNITS)
        self._tab = key("tab", "Tab", self._on_char_key, beside[0],
                        kind=_BlankKey)
        self._cancel = key("cancel", _("Cancel"), self._on_cancel_key,
                           beside[0])
        self._caps_on = key("caps_on", _("Caps On"), self.on_caps_on,
                            beside[1])
        self._confirm = key("ok", _("OK"), self._on_ok_key, beside[1])
        shift = _("Shift")
        self.ui_shift_0 = key("ui_shift_0", shift, self.on_shift, beside[2])
        self.ui_shift_1 = key("ui_shift_1", shift, self.on_shift, beside[2])
        self.ui_shift_2 = key("ui_shift_2", shift, self.on_shift, SHIFT_UNITS)
        self._caps_off = key("caps_off", _("Caps Off"), self.on_caps_off,
                             CAPS_OFF_UNITS)
        # The Latin letters a key away: behind ABC, or a composing
        # keyboard's switch (in its candidate row where it has one, its own
        # key then beside Space).
        self._script_key = None
        if self._composing is not None:
            self._script_key = self._composing.add_own_key(panel, self._key_font, SCRIPT_UNITS)
        elif self._scripts is not None:
            self._script_key = key("script", _("ABC"), self._on_script_key, SCRIPT_UNITS)
        units = across - 2 * SHIFT_UNITS - CAPS_OFF_UNITS - CLEAR_UNITS
        self._space = key("space", "Space", self._on_char_key,
                          units - (SCRIPT_UNITS if self._script_key else 0),
                          kind=_BlankKey)
        self.ui_shift_3 = key("ui_shift_3", shift, self.on_shift, SHIFT_UNITS)
        self._cancel.SetBackgroundColour(CANCEL_COLOUR)
        self._confirm.SetBackgroundColour(CONFIRM_COLOUR)
        self._char_keys.update({" ": self._space, "\t": self._tab})
        self._char_keys.update((key.GetLabel(), key) for key in self._digit_keys)
        self._role_keys.update(confirm=self._confirm, cancel=self._cancel,
                               erase=self._backspace, clear=self._clear,
                               tab=self._tab)

    def _own_width(self):
        """Keys across the keyboard's own rows: the digits row and
        Backspace, or the longest letter row and the keys beside it."""
        rows = self._slot_rows
        return max([len(rows[0]) + BACKSPACE_UNITS] + [len(row) + 2 for row in rows[1:]])

    # Typing ----------------------------------------------------------------

    def _on_char_key(self, event):
        """A character key, Tab or Space: typed through on_character, or
        what the armed dead key composes with it."""
        if self._dead is not None:
            dead = self._disarm()
            label = event.GetEventObject().GetLabel()
            base = _BLANKS.get(label, label)
            composed = self._board.compose(dead.dead, base)
            if composed != base:
                self._type(composed)
                return
        self.on_character(event)

    def _on_dead_key(self, event):
        """A dead key arms; the same dead key again types its sign."""
        key = event.GetEventObject()
        armed = self._disarm()
        if armed is not None and armed.dead == key.dead:
            self._type(key.GetLabel())
            return
        self._dead = key
        key.SetBackgroundColour(DEAD_KEY_COLOUR)

    def _type(self, text):
        """Type `text` through on_character, as a key labelled with it."""
        typed = composing.TypedText(text)  # the event does not keep it alive
        event = wx.CommandEvent(wx.wxEVT_BUTTON)
        event.SetEventObject(typed)
        self.on_character(event)

    def _disarm(self):
        """Let go of the armed dead key; it, or None."""
        armed, self._dead = self._dead, None
        if armed is not None:
            armed.SetBackgroundColour(wx.NullColour)
        return armed

    def _on_script_key(self, event):
        """Between the layout's own letters and the Latin ones."""
        to_latin = self._scripts[0].IsShown()
        self._show_script(not to_latin)
        self._script_key.SetLabel(self._board.layout.short if to_latin else _("ABC"))
        self.Layout()

    def _show_script(self, own):
        """The layout's own letters, or the Latin ones."""
        script, latin = self._scripts
        if not own:
            self._make_latin_places()
        latin.Show(not own)
        script.Show(own)

    # The physical keyboard -------------------------------------------------

    def _key_at_position(self, event):
        # Under GTK the raw flags are the X keycode, xkb's: the key at that
        # position is pressed, whatever layout the desktop has.
        slot = self._code_slots.get(_key_position(event))
        if slot and event.GetModifiers() in (wx.MOD_NONE, wx.MOD_SHIFT):
            return self._slot_key(slot, event.ShiftDown())
        return None

    def _on_char_hook(self, event):
        # AltGr (which wx reports as Ctrl and Alt) at a key's position types
        # the letter AltGr gives there, as a held key's variant would: no
        # key of its own shows it.
        text = self._altgr_text(event)
        if text is None:
            _TouchDialog._on_char_hook(self, event)
            return
        typed = composing.TypedText(text)
        pressed = wx.CommandEvent(wx.wxEVT_BUTTON)
        pressed.SetEventObject(typed)
        self._on_char_key(pressed)

    def _altgr_text(self, event):
        """What AltGr (with Shift, if held) types at the position of the
        physical key of `event` on this layout, or None."""
        altgr = wx.MOD_ALT | wx.MOD_CONTROL
        if event.GetModifiers() not in (altgr, altgr | wx.MOD_SHIFT):
            return None
        slot = self._code_slots.get(_key_position(event))
        if not slot:
            return None
        symbol = slot[0].xkb_key.symbol(altgr=True, shift=event.ShiftDown())
        if symbol is None or symbol.dead:
            return None
        return symbol.text

    def _slot_key(self, slot, shift_down):
        """The key of `slot` shown in the keyboard's state, Shift held
        on the physical keyboard turning the on-screen shift over."""
        shift = self.Shift.IsShown() != shift_down
        for place in slot:
            script, place_shift, caps = place.state
            if ((script is None or script.IsShown())
                    and place_shift in (None, shift)
                    and caps in (None, place.caps_group.IsShown())):
                return self._made(place)
        return None

    def _made(self, place):
        """The key of `place`, made now if it was not."""
        if place.key is None:
            self._make_key(self._key_panels[0], place)
            self._pending.remove(place)
        return place.key

    def _key_for(self, event):
        # A character from a physical keyboard (or a test) whose position
        # names no key: the key that types it, made if need be.
        # While a keyboard composes, a character its keys show another
        # label for presses that key (g: the key of ㅎ).
        code = event.GetUnicodeKey()
        if self._composing is not None and code != wx.WXK_NONE and event.GetKeyCode() not in self._NUMPAD_CHARS:
            label = self._composing.label_for(chr(code))
            if label is not None and label in self._char_places:
                return self._made(self._char_places[label])
        key = _TouchDialog._key_for(self, event)
        if key is not None:
            return key
        if code == wx.WXK_NONE:
            return None
        if chr(code) not in self._char_places:
            self._make_latin_places()
        place = self._char_places.get(chr(code))
        return None if place is None else self._made(place)

    # Arrangement ---------------------------------------------------------
    #
    # A row is a list of slots, laid out left to right: a key; a tuple of
    # _KeyPlaces taking turns in one place; or a list of rows, a column of
    # its own.

    def _rows(self, across):
        """The rows of keys to lay out: the keyboard's own, or those of
        `across` keys on a narrow screen."""
        if across is None:
            return self._own_rows()
        return self._narrow_rows(across)

    def _own_rows(self):
        """The keyboard's own rows (see the class's picture)."""
        digits, first, second, third = self._slot_rows
        rows = [self._digit_keys] if self._digit_keys else []
        script = [self._script_key] if self._script_key else []
        return rows + [
            digits + [self._backspace],
            [self._tab] + first + [self._cancel],
            [self._caps_on] + second + [self._confirm],
            [self.ui_shift_0] + third + [self.ui_shift_1],
            [self.ui_shift_2, self._caps_off] + script
            + [self._space, self._clear, self.ui_shift_3]]

    def _narrow_rows(self, across):
        """Rows of `across` keys: the rows above the letters cut to it, the
        letter rows whole, then the other keys in rows of their own, each
        stretched to the keyboard's width. Two Shift keys do: the other two
        hide."""
        script = [self._script_key] if self._script_key else []
        lines = [[self._caps_on, self._caps_off, self._backspace, self._clear],
                 [self._tab, self.ui_shift_0] + script + [self._space, self.ui_shift_1],
                 [self._cancel, self._confirm]]
        rows = pack_rows([[(key, self._least_units(key)) for key in line]
                          for line in lines], across)
        lengths = dict(sum(rows, []))
        self._sized_keys = [(key, lengths.get(key, units))
                            for key, units in self._sized_keys]
        for key in (self.ui_shift_2, self.ui_shift_3):
            key.Hide()
        top = []
        for row in ([self._digit_keys] if self._digit_keys else []) + [self._slot_rows[0]]:
            top += cut(row, row_lengths(len(row), across))
        return (top + self._slot_rows[1:]
                + [[key for key, _units in row] for row in rows])

    def _least_units(self, key):
        """The fewest keys' length (by halves) that shows the caption of
        `key` whole on keys of the narrowest width; three for Space."""
        pitch = self.FromDIP(MIN_KEY_WIDTH_DIP) + self._gap
        caption = self._label_room(key)[0] + self._gap
        return max(-(-2 * caption // pitch) / 2.0,
                   3.0 if key is self._space else 1.0)

    def _narrow_across(self):
        """Keys across a row of the screen's width where the keyboard's own
        rows of keys MIN_KEY_WIDTH_DIP wide do not fit it; None where they
        do, without a display, or on a screen lower than NARROW_ROWS rows of
        keys, where more rows would only make the keys lower still."""
        room = display_room(self)
        if room is None or room.height < self.NARROW_ROWS * (
                self.FromDIP(MIN_KEY_DIP) + self._gap):
            return None
        rows = self._slot_rows
        top = [len(rows[0])] + ([len(self._digit_keys)] if self._digit_keys else [])
        return narrow_across(room.width - 2 * self._margin + self._gap,
                             self.FromDIP(MIN_KEY_WIDTH_DIP) + self._gap,
                             self._own_width(), [len(row) for row in rows[1:]], top)

    def _lay_out_rows(self, rows):
        """A sizer of `rows` one below the other, each centred."""
        column = wx.BoxSizer(wx.VERTICAL)
        for index, slots in enumerate(rows):
            column.Add(self._lay_out_row(slots),
                       0, wx.ALIGN_CENTER_HORIZONTAL | (wx.TOP if index else 0),
                       self._gap)
        return column

    def _lay_out_row(self, slots):
        row = wx.BoxSizer(wx.HORIZONTAL)
        flag = 0  # a gap left of every key but the first
        for slot in slots:
            if isinstance(slot, list):
                row.Add(self._lay_out_rows(slot), 0, flag, self._gap)
            elif isinstance(slot, tuple):
                self._place_slot(row, slot, flag)
            else:
                slot.place(row, 0, flag, self._gap)
            flag = wx.LEFT
        return row

    def _place_slot(self, row, slot, flag):
        """The keys of a slot in one place of `row`: those made now, and
        those made later when they come to it."""
        shared = place_together([place.key for place in slot if place.key is not None],
                                row, 0, flag, self._gap)
        for place in slot:
            place.item = shared

    def _finish_keyboard(self, keys_panel, keys):
        margin = self._margin
        # Between the texts only a gap: a low screen needs the height for
        # the keys.
        gap = self._gap
        # A composing keyboard: what is composing above the entry, its
        # candidates in a row above the keys.
        row = self._composing.add_row(keys_panel) if self._composing is not None else None
        if row is not None:
            keys.Insert(0, row, 0, wx.BOTTOM, self._gap)
        outer = wx.BoxSizer(wx.VERTICAL)
        self.ui_message.place(outer, 0, wx.EXPAND | wx.LEFT | wx.RIGHT | wx.TOP,
                              margin)
        along = wx.EXPAND | wx.LEFT | wx.RIGHT
        if self._composing is not None:
            self._composing.line.place(outer, 0, along, margin)
        for field in (self.ui_value_normal, self.ui_value_password):
            outer.Add(field, 0, along | wx.TOP, gap)
        outer.AddSpacer(gap)
        outer.Add(keys_panel, 0, wx.ALIGN_CENTER_HORIZONTAL | wx.LEFT | wx.RIGHT | wx.BOTTOM, margin)
        self._keys_sizer = keys
        self._finish_layout(outer)

    def _on_ok_key(self, event):
        self._end(wx.ID_OK)

    @property
    def _pinyin(self):
        """The composition's keys, under the name they had while pinyin
        was the only composing keyboard."""
        return self._composing

    # Handlers; the keyboard overrides them.
    def on_character(self, event):
        pass

    def on_backspace(self, event):
        pass

    def on_clear(self, event):
        pass

    def on_shift(self, event):
        pass

    def on_caps_on(self, event):
        pass

    def on_caps_off(self, event):
        pass

