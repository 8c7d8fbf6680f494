"""Pinyin on the Chinese keyboard: the view of a composition.

The engine (nuv_engines.Composition, on the engines' composer protocol)
keeps the letters typed, splits them and finds their candidates; this
module only shows what it holds and sends it the keys the operator
presses. While pinyin is on, the keyboard's letters go into the
composition, shown split (ni'hao) above the entry, and its candidates stand
as keys in a row above the keyboard's keys, best first, a page at a time.
A candidate tapped goes into the text through the keyboard's on_character,
as a key labelled with it; what is left of the letters gets its own
candidates. Space takes the first candidate, Backspace
takes back a letter, OK puts the letters in as typed before it confirms.
"""

import wx

from .keys import KeyButton
from .widgets import DrawnText

CHINESE_KEYBOARD = "zh"

# Lengths, in keys, of the keys of the candidate row.
SWITCH_UNITS = 1.5
PAGE_UNITS = 1.5
LEAST_CANDIDATE_UNITS = 1.8
# A candidate key shows at most so many characters; it types them all.
CANDIDATE_CAPTION = 4


def _(text):
    return wx.GetTranslation(text)


def _open_composition():
    """A composition of the pinyin engine, or None where there is none (no
    module, no dictionary): the keyboard then stays Latin. The engines are
    imported at the first Chinese keyboard, so that a keyboard that never
    composes never loads them."""
    try:
        from nuv_engines import Composition
        return Composition()
    except (ImportError, OSError):
        return None


def pinyin_keys(dialog):
    """The PinyinKeys of `dialog` when its keyboard is the Chinese one,
    else None. Call before the keyboard's keys are made (they bind the
    handlers it routes); its candidate row is made by add_row."""
    from .keyboards import keyboard_layout
    if keyboard_layout() != CHINESE_KEYBOARD:
        return None
    return PinyinKeys(dialog, _open_composition())


class TypedText(wx.EvtHandler):
    """Stands for a key labelled with text to type: the keyboard's
    on_character types its event object's label."""

    def __init__(self, text):
        wx.EvtHandler.__init__(self)
        self._text = text

    def GetLabel(self):
        return self._text


class CandidateKey(KeyButton):
    """A key of the candidate row: it types its whole label but shows only
    its first characters."""

    def caption(self):
        label = self.GetLabel()
        if len(label) <= CANDIDATE_CAPTION:
            return label
        return label[:CANDIDATE_CAPTION - 1] + "\u2026"


class PinyinKeys:
    """The composition line, the candidate row and the switch between
    pinyin and Latin letters of one Chinese keyboard.

    The keyboard's own keys keep their handlers' names; the ones that act
    on a composition (characters, Backspace, Clear, OK) are routed through
    this object, which hands every press it does not take on to the
    keyboard's handler."""

    # The keyboard's handlers that act on a composition, and what takes
    # their presses first.
    ROUTES = {"on_character": "_on_character", "on_backspace": "_on_backspace",
              "on_clear": "_on_clear", "_on_ok_key": "_on_ok"}

    def __init__(self, dialog, composition):
        self._dialog = dialog
        self._composition = composition
        self._pinyin = composition is not None
        self._start = 0  # the first candidate shown
        # The keys bind `dialog.on_character` and the like when they are
        # made: found on the instance, these come first.
        for name, route in self.ROUTES.items():
            setattr(dialog, name, getattr(self, route))

        self.line = DrawnText(dialog, "ui_composition", "")
        self.line.SetFont(wx.Font(16, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL))
        # As high as a line of letters whether or not any are typed, and as
        # wide as the entry: a letter typed must not refit the dialog.
        self.line.SetMinSize(wx.Size(dialog.FromDIP(8), self.line.GetCharHeight()))
        dialog.Bind(wx.EVT_INIT_DIALOG, self._on_init_dialog)

    def add_row(self, keys_panel):
        """Make the candidate row on `keys_panel`, as long as a row of
        `dialog._across` keys; returns it (a panel of keys)."""
        self.row = self._candidate_row(self._dialog, keys_panel)
        self._show()
        return self.row

    def _candidate_row(self, dialog, keys_panel):
        gap = dialog._gap
        font = wx.Font(14, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL)
        panel = dialog._key_panel(keys_panel, "candidates")
        # As many candidates as a row of the keyboard holds beside the
        # switch and paging keys.
        def key(name, label, handler, length, kind=None):
            return dialog._key(panel, name, label, handler, length, font, kind=kind)

        self.switch = key("pinyin_switch", self._switch_caption(), self._on_switch, SWITCH_UNITS)
        if self._composition is None:
            self.switch.Disable()
        self.previous = key("previous_candidates", _("Back"), self._on_previous, PAGE_UNITS)
        self.next = key("next_candidates", _("More"), self._on_next, PAGE_UNITS)
        # The switch and paging keys as long as their captions ask on the
        # narrowest keys (a portrait screen's), the candidates share the rest.
        least = {button: max(units, dialog._least_units(button)) for button, units in
                 ((self.switch, SWITCH_UNITS), (self.previous, PAGE_UNITS), (self.next, PAGE_UNITS))}
        dialog._sized_keys = [(button, least.get(button, units)) for button, units in dialog._sized_keys]
        room = dialog._across - sum(least.values())
        count = max(2, int(room // LEAST_CANDIDATE_UNITS))
        units = max(room / count, LEAST_CANDIDATE_UNITS)
        self.candidates = [key("candidate", "", self._on_candidate, units, CandidateKey) for _n in range(count)]
        row = wx.BoxSizer(wx.HORIZONTAL)
        for position, button in enumerate([self.switch, self.previous] + self.candidates + [self.next]):
            button.place(row, 0, wx.LEFT if position else 0, gap)
        panel.SetSizer(row)
        return panel

    def _keyboard(self, name, event):
        """The keyboard's own handler `name` for `event`."""
        getattr(type(self._dialog), name)(self._dialog, event)

    # State ---------------------------------------------------------------

    def composing(self):
        """True while the letters go into the composition: pinyin on (an
        engine at hand), and not a password's keyboard."""
        return self._pinyin and not self._dialog.ui_value_password.IsShown()

    def pending(self):
        """True while a composition holds letters."""
        return self._composition is not None and not self._composition.empty()

    def _switch_caption(self):
        return _("Pinyin") if self._pinyin else _("Latin")

    def _show(self, start=0):
        """Show the composition and a page of its candidates from the
        `start`th."""
        composition = self._composition
        letters = self.pending()
        self.line.SetLabel(composition.preedit() if letters else "")
        self._start = start
        shown = composition.candidates(start, len(self.candidates)) if letters else []
        for index, key in enumerate(self.candidates):
            text = shown[index] if index < len(shown) else ""
            if key.GetLabel() != text:
                key.SetLabel(text)
            key.Enable(bool(text))
        self.previous.Enable(start > 0)
        self.next.Enable(bool(letters) and start + len(self.candidates) < composition.candidate_count())

    def _type(self, text):
        """Type `text` through the keyboard, as a key labelled with it."""
        typed = TypedText(text)  # the event does not keep its object alive
        event = wx.CommandEvent(wx.wxEVT_BUTTON)
        event.SetEventObject(typed)
        self._keyboard("on_character", event)

    def _take_first(self):
        """The first candidate into the text, or the letters as typed when
        they have none."""
        if self._composition.candidate_count():
            self._type(self._composition.choose(0))
        else:
            self._put_letters()

    def _put_letters(self):
        if self.pending():
            self._type(self._composition.commit())

    # Presses ---------------------------------------------------------------

    def _on_character(self, event):
        if not self.composing():
            self._keyboard("on_character", event)
            return
        label = event.GetEventObject().GetLabel()
        if len(label) == 1 and "a" <= label <= "z":
            if not self._composition.type_key(label):
                # Full (the engine's limits): what it holds goes in first.
                self._take_first()
                self._composition.type_key(label)
            self._show()
            return
        if self.pending():
            self._take_first()
            self._show()
            if label == "Space":
                return
        self._keyboard("on_character", event)

    def _on_candidate(self, event):
        key = event.GetEventObject()
        chosen = self._composition.choose(self._start + self.candidates.index(key))
        if chosen == key.GetLabel():
            self._keyboard("on_character", event)
        else:  # not what the key shows: what was chosen goes in
            self._type(chosen)
        self._show()

    def _on_backspace(self, event):
        if self.composing() and self.pending():
            self._composition.erase()
            self._show()
        else:
            self._keyboard("on_backspace", event)

    def _on_clear(self, event):
        if self.pending():
            self._composition.reset()
            self._show()
        self._keyboard("on_clear", event)

    def _on_ok(self, event):
        self._put_letters()
        self._show()
        self._keyboard("_on_ok_key", event)

    def _on_switch(self, event):
        self._put_letters()
        self._pinyin = not self._pinyin
        self.switch.SetLabel(self._switch_caption())
        self._show()

    def _on_previous(self, event):
        self._show(max(self._start - len(self.candidates), 0))

    def _on_next(self, event):
        self._show(self._start + len(self.candidates))

    def _on_init_dialog(self, event):
        # The keyboard has chosen its field by now: a password's never
        # composes.
        event.Skip()
        if self._dialog.ui_value_password.IsShown():
            self._pinyin = False
            self.switch.SetLabel(self._switch_caption())
            self.switch.Disable()
