"""The composing keyboards (pinyin, Korean, zhuyin, Japanese and Cangjie):
the view of a composition of one of the engines' composers.

The engine (a class of nuv_engines, on the engines' composer protocol)
keeps the keys typed and finds their candidates; this module only shows
what it holds and sends it the keys the operator presses. Each composing
keyboard is the US keys, relabelled where its script has letters of its
own (the jamo, the bopomofo, the radicals): a key types its label, and
while the keyboard composes the key the engine knows for that label goes
into the composition instead, shown above the entry. The candidates stand
as keys in a row above the keyboard's keys, best first, a page at a time.
A candidate tapped goes into the text through the keyboard's on_character,
as a key labelled with it; what is left gets its own candidates. Space
takes the first candidate, Backspace takes back a key, OK puts what is
composing in as shown before it confirms. The switch turns composing off
(the Latin letters, where the keys show another script) and on.
"""

from dataclasses import dataclass, field

import wx

from .key_look import cache_font, keypad_font, text_extent
from .keys import KeyButton
from .widgets import DrawnText

CHINESE_KEYBOARD = "zh"

# Lengths, in keys, of the keys of the candidate row.
SWITCH_UNITS = 1.5
PAGE_UNITS = 1.5
LEAST_CANDIDATE_UNITS = 1.8
# A candidate key shows at most so many characters; it types them all.
# Too long for its key, it is drawn so many points smaller.
CANDIDATE_CAPTION = 4
SMALLER_POINTS = 3


def _(text):
    return wx.GetTranslation(text)


@dataclass(frozen=True)
class ComposingKeyboard:
    """One composing keyboard: its name and description as the keyboard
    choice lists them, the class of nuv_engines that composes for it, the
    caption of its switch while it composes, and its keys."""
    name: str
    description: str
    composer: str
    caption: str
    # The label each key of the US keyboard shows instead of its own
    # character (plain and shifted ones), composed while the keyboard
    # composes; the keys not named keep theirs.
    labels: dict
    # Labels that type their own character into the engine as well, and
    # labels that send the engine another key than their US character.
    own_keys: str = ""
    sends: dict = field(default_factory=dict)
    # Labels the keys show instead of their US characters that type
    # themselves, composing or not.
    typed: dict = field(default_factory=dict)
    candidates: bool = True
    # A key that puts in the composition as typed (the kana, unconverted).
    keep_caption: str = ""
    engine_keys: dict = field(init=False, repr=False, compare=False)
    script_labels: frozenset = field(init=False, repr=False, compare=False)

    def __post_init__(self):
        # The key the engine takes for each label: the first US character
        # showing it (ㅁ is "a", not "A").
        keys = {}
        for character, label in self.labels.items():
            keys.setdefault(label, character)
        keys.update((key, key) for key in self.own_keys)
        keys.update(self.sends)
        object.__setattr__(self, "engine_keys", keys)
        object.__setattr__(self, "script_labels", frozenset(self.labels.values()))

    def shown(self):
        """Every label the keys show instead of their US characters."""
        return dict(self.labels, **self.typed)


def composing_keyboard(name):
    """The ComposingKeyboard named `name`, or None."""
    return COMPOSING_KEYBOARDS.get(name)


def _open_composition(keyboard):
    """A composition of the keyboard's engine, or None where there is none
    (no module, no library, no data): the keyboard then stays Latin. The
    engines are imported at the first composing keyboard, so that a
    keyboard that never composes never loads them."""
    try:
        import nuv_engines
        return getattr(nuv_engines, keyboard.composer)()
    except (ImportError, OSError):
        return None


def composing_keys(dialog):
    """The ComposingKeys of `dialog` when its keyboard composes, else None.
    Call before the keyboard's keys are made (they bind the handlers it
    routes); its candidate row is made by add_row, the key it has beside
    Space by add_own_key."""
    from .keyboards import keyboard_layout
    keyboard = composing_keyboard(keyboard_layout())
    if keyboard is None:
        return None
    return ComposingKeys(dialog, keyboard, _open_composition(keyboard))


def pinyin_keys(dialog):
    """composing_keys under the name it had while pinyin was the only
    composing keyboard."""
    return composing_keys(dialog)


class TypedText(wx.EvtHandler):
    """Stands for a key labelled with text to type: the keyboard's
    on_character types its event object's label."""

    def __init__(self, text):
        wx.EvtHandler.__init__(self)
        self._text = text

    def GetLabel(self):
        return self._text


class CandidateKey(KeyButton):
    """A key of the candidate row: it types its whole label and shows as
    much of it as its width holds, in a smaller font where that shows it
    whole, else cut short by an ellipsis."""

    _fitted = None  # the width the keyboard's fit gave the key
    _font_for = None  # (label, room, font, font the caption is drawn in)
    _shown_as = None  # (label, room, caption), the caption last worked out

    def caption(self):
        label, room = self.GetLabel(), self._caption_width()
        if self._shown_as is None or self._shown_as[:2] != (label, room):
            self._shown_as = (label, room, self._shortened(label, room))
        return self._shown_as[2]

    def _caption_width(self):
        width = self._planned.width if self._fitted is None else self._fitted
        return width - self._panel.FromDIP(self.CAPTION_MARGIN_DIP[0])

    def _shortened(self, label, room):
        shown = label[:CANDIDATE_CAPTION - 1] + "\u2026" if len(label) > CANDIDATE_CAPTION else label
        while len(shown) > 2 and self.GetTextExtent(shown).width > room:
            shown = shown[:-2] + "\u2026"
        return shown

    def _font_for_caches(self):
        font = KeyButton._font_for_caches(self)
        label, room = self.GetLabel(), self._caption_width()
        if self._font_for is None or self._font_for[:3] != (label, room, font):
            wide = text_extent(label[:CANDIDATE_CAPTION], font, self._panel.GetContentScaleFactor())
            self._font_for = (label, room, font, _smaller(font) if wide.width > room else font)
        return self._font_for[3]

    def SetMinSize(self, size):
        # The caption is worked out for the width the fit gives, not for
        # the one a longer caption asked.
        if size[0] != self._fitted:
            self._fitted = size[0]
            self._caption_size = self._caption_room = None
        KeyButton.SetMinSize(self, size)


def _smaller(font):
    """The CacheFont of `font` (a CacheFont) made smaller, for the
    candidates too long for their keys."""
    if font not in _SMALLER_FONTS:
        if len(_SMALLER_FONTS) >= SMALLER_FONTS_KEPT:
            _SMALLER_FONTS.clear()
        smaller = wx.Font(font.font)
        smaller.SetPointSize(max(6, smaller.GetPointSize() - SMALLER_POINTS))
        _SMALLER_FONTS[font] = cache_font(smaller)
    return _SMALLER_FONTS[font]


_SMALLER_FONTS = {}
SMALLER_FONTS_KEPT = 16


class ComposingKeys:
    """The composition line, the candidate row and the switch between
    composing and Latin letters of one composing keyboard.

    The keyboard's own keys keep their handlers' names; the ones that act
    on a composition (characters, Backspace, Clear, OK) are routed through
    this object, which hands every press it does not take on to the
    keyboard's handler."""

    # The keyboard's handlers that act on a composition, and what takes
    # their presses first.
    ROUTES = {"on_character": "_on_character", "on_backspace": "_on_backspace",
              "on_clear": "_on_clear", "_on_ok_key": "_on_ok"}

    def __init__(self, dialog, keyboard, composition):
        self._dialog = dialog
        self.keyboard = keyboard
        self._composition = composition
        self._on = composition is not None
        self._start = 0  # the first candidate shown
        self.switch = None
        self.candidates = []
        self.previous = self.next = self.keep = None
        # The keys bind `dialog.on_character` and the like when they are
        # made: found on the instance, these come first.
        for name, route in self.ROUTES.items():
            setattr(dialog, name, getattr(self, route))

        self.line = DrawnText(dialog, "ui_composition", "")
        self.line.SetFont(keypad_font(16))
        # As high as a line of letters whether or not any are typed, and as
        # wide as the entry: a letter typed must not refit the dialog.
        self.line.SetMinSize(wx.Size(dialog.FromDIP(8), self.line.GetCharHeight()))
        dialog.Bind(wx.EVT_INIT_DIALOG, self._on_init_dialog)

    def add_own_key(self, keys_panel, font, units):
        """The key the keyboard has beside Space, where ABC stands on
        other scripts' keyboards: the switch, for a keyboard without
        candidates (whose row would hold the switch alone); the key that
        keeps the composition as typed, for one that has it (the candidate
        row has no room for it on a portrait screen); else None."""
        if not self.keyboard.candidates:
            self.switch = self._switch_key(keys_panel, font, units)
            return self.switch
        if self.keyboard.keep_caption:
            self.keep = self._dialog._key(keys_panel, "keep_composition", _(self.keyboard.keep_caption),
                                          self._on_keep, units, font)
        return self.keep

    def add_row(self, keys_panel):
        """Make the candidate row on `keys_panel`, as long as a row of
        `dialog._across` keys; returns it (a sizer of keys), or None for a
        keyboard without candidates."""
        self._show_letters()
        if not self.keyboard.candidates:
            self.row = None
        else:
            self.row = self._candidate_row(self._dialog, keys_panel)
        self._show()
        return self.row

    def _switch_key(self, panel, font, units):
        switch = self._dialog._key(panel, "composing_switch", self._switch_caption(), self._on_switch,
                                   units, font)
        if self._composition is None:
            switch.Disable()
        return switch

    def _candidate_row(self, dialog, keys_panel):
        gap = dialog._gap
        font = keypad_font(14)
        # As many candidates as a row of the keyboard holds beside the
        # switch and paging keys; on the keyboard's own panel, which draws
        # them with its keys.
        def key(name, label, handler, length, kind=None):
            return dialog._key(keys_panel, name, label, handler, length, font, kind=kind)

        self.switch = self._switch_key(keys_panel, font, SWITCH_UNITS)
        self.previous = key("previous_candidates", _("Back"), self._on_previous, PAGE_UNITS)
        self.next = key("next_candidates", _("More"), self._on_next, PAGE_UNITS)
        fixed = [(self.switch, SWITCH_UNITS), (self.previous, PAGE_UNITS), (self.next, PAGE_UNITS)]
        # The switch and paging keys as long as their captions ask on the
        # narrowest keys (a portrait screen's), the candidates share the rest.
        least = {button: max(units, dialog._least_units(button)) for button, units in fixed}
        dialog._sized_keys = [(button, least.get(button, units)) for button, units in dialog._sized_keys]
        room = dialog._across - sum(least.values())
        count = max(2, int(room // LEAST_CANDIDATE_UNITS))
        units = max(room / count, LEAST_CANDIDATE_UNITS)
        self.candidates = [key("candidate", "", self._on_candidate, units, CandidateKey) for _n in range(count)]
        row = wx.BoxSizer(wx.HORIZONTAL)
        keys = [button for button, _units in fixed[:-1]] + self.candidates + [self.next]
        for position, button in enumerate(keys):
            button.place(row, 0, wx.LEFT if position else 0, gap)
        return row

    def _keyboard(self, name, event):
        """The keyboard's own handler `name` for `event`."""
        getattr(type(self._dialog), name)(self._dialog, event)

    # State ---------------------------------------------------------------

    def composing(self):
        """True while the keys go into the composition: composing on (an
        engine at hand), and not a password's keyboard."""
        return self._on and not self._dialog.ui_value_password.IsShown()

    def pending(self):
        """True while a composition holds keys."""
        return self._composition is not None and not self._composition.empty()

    def label_for(self, character):
        """The label of the key a physical key typing `character` presses:
        the script's letter on it while composing, else None."""
        if not self.composing():
            return None
        return self.keyboard.shown().get(character)

    def _switch_caption(self):
        return _(self.keyboard.caption) if self._on else _("Latin")

    def _show_letters(self):
        """The script's letters while composing, the Latin ones else, where
        the keys show another script."""
        if self._dialog._scripts is not None:
            self._dialog._show_script(self._on)

    def _show(self, start=0):
        """Show the composition and a page of its candidates from the
        `start`th."""
        composition = self._composition
        pending = self.pending()
        self.line.SetLabel(composition.preedit() if pending else "")
        if self.keep is not None:
            self.keep.Enable(pending)
        if not self.candidates:
            return
        self._start = start
        shown = composition.candidates(start, len(self.candidates)) if pending else []
        for index, key in enumerate(self.candidates):
            text = shown[index] if index < len(shown) else ""
            if key.GetLabel() != text:
                key.SetLabel(text)
            key.Enable(bool(text))
        self.previous.Enable(start > 0)
        self.next.Enable(pending and start + len(self.candidates) < composition.candidate_count())

    def _type(self, text):
        """Type `text` through the keyboard, as a key labelled with it."""
        typed = TypedText(text)  # the event does not keep its object alive
        event = wx.CommandEvent(wx.wxEVT_BUTTON)
        event.SetEventObject(typed)
        self._keyboard("on_character", event)

    def _take_first(self):
        """The first candidate into the text, or the composition as shown
        when it has none."""
        if self._composition.candidate_count():
            self._type(self._composition.choose(0))
        else:
            self._put_composition()

    def _put_composition(self):
        if self.pending():
            self._type(self._composition.commit())

    # Presses ---------------------------------------------------------------

    def _on_character(self, event):
        if not self.composing():
            self._keyboard("on_character", event)
            return
        label = event.GetEventObject().GetLabel()
        key = self.keyboard.engine_keys.get(label)
        if key is not None:
            if not self._composition.type_key(key):
                # Full (the engine's limits): what it holds goes in first,
                # its first candidate, else all of it (the rest of a kana
                # composition may still be full).
                self._take_first()
                if not self._composition.type_key(key):
                    self._put_composition()
                    self._composition.type_key(key)
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
        self._put_composition()
        self._show()
        self._keyboard("_on_ok_key", event)

    def _on_keep(self, event):
        self._put_composition()
        self._show()

    def _on_switch(self, event):
        self._put_composition()
        self._on = not self._on
        self.switch.SetLabel(self._switch_caption())
        self._show_letters()
        self._show()
        self._dialog.Layout()

    def _on_previous(self, event):
        self._show(max(self._start - len(self.candidates), 0))

    def _on_next(self, event):
        self._show(self._start + len(self.candidates))

    def _on_init_dialog(self, event):
        # The keyboard has chosen its field by now: a password's never
        # composes.
        event.Skip()
        if self._dialog.ui_value_password.IsShown():
            self._on = False
            self.switch.SetLabel(self._switch_caption())
            self.switch.Disable()
            self._show_letters()
            self._dialog.Layout()


# The name the class had while pinyin was the only composing keyboard.
PinyinKeys = ComposingKeys


# The composing keyboards -------------------------------------------------

def _letters(us, script):
    return dict(zip(us, script))


def _korean_labels():
    """The 2-set (dubeolsik) jamo on the letter keys; Shift gives the five
    tense consonants and two vowels, the other letters stay as they are."""
    plain = _letters("qwertyuiopasdfghjklzxcvbnm", "ㅂㅈㄷㄱㅅㅛㅕㅑㅐㅔㅁㄴㅇㄹㅎㅗㅓㅏㅣㅋㅌㅊㅍㅠㅜㅡ")
    shifted = _letters("QWERTOP", "ㅃㅉㄸㄲㅆㅒㅖ")
    labels = dict(plain)
    labels.update((letter.upper(), shifted.get(letter.upper(), jamo)) for letter, jamo in plain.items())
    return labels


# The standard (Dai-E) zhuyin layout; the key left of 1 carries the first
# tone, which the engine takes as Space.
ZHUYIN_LABELS = _letters("1qaz2wsxedcrfv5tgbyhnujm8ik,9ol.0p;/-3467`",
                         "ㄅㄆㄇㄈㄉㄊㄋㄌㄍㄎㄏㄐㄑㄒㄓㄔㄕㄖㄗㄘㄙㄧㄨㄩㄚㄛㄜㄝㄞㄟㄠㄡㄢㄣㄤㄥㄦˇˋˊ˙ˉ")
FIRST_TONE = "ˉ"

# Its number row shows the digits with Shift: a row of digit keys more, below
# the candidates, would leave the keys too low for a finger on a landscape
# panel.
SHIFTED_DIGITS = _letters("!@#$%^&*()", "1234567890")

# Cangjie's radicals on a to y; z is none of them and stays Latin.
CANGJIE_LABELS = _letters("abcdefghijklmnopqrstuvwxy", "日月金木水火土竹戈十大中一弓人心手口尸廿山女田難卜")

LATIN = "abcdefghijklmnopqrstuvwxyz"

COMPOSING_KEYBOARDS = {keyboard.name: keyboard for keyboard in [
    ComposingKeyboard(CHINESE_KEYBOARD, "Chinese (pinyin)", "Composition", "Pinyin", {}, own_keys=LATIN),
    ComposingKeyboard("kr", "Korean (Hangul, 2-set)", "HangulComposition", "한글", _korean_labels(),
                      candidates=False),
    ComposingKeyboard("tw", "Chinese (zhuyin, traditional)", "ZhuyinComposition", "注音", ZHUYIN_LABELS,
                      sends={FIRST_TONE: " "}, typed=SHIFTED_DIGITS),
    ComposingKeyboard("jp", "Japanese (kana by romaji)", "KanaComposition", "かな", {},
                      own_keys=LATIN + "-,.", keep_caption="確定"),
    ComposingKeyboard("cangjie", "Chinese (Cangjie)", "CangjieComposition", "倉頡", CANGJIE_LABELS),
]}
