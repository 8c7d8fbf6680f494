"""A keyboard as xkeyboard-config describes it, for any script: rows of
keys, each with what it types in each state of Shift and Caps Lock, the
letters AltGr gives, and what the layout's dead keys compose. No widget
here: the key view draws it, the keyboard dialog types with it.

The rows are xkb's: the digits row (AE, with the key left of 1), then the
three letter rows AD, AC and AB (the ISO keys beside Return and left of the
bottom row's first letter at their ends). Nothing about a country is
written here: each key's characters are libxkbcommon's (catalogue.py).
"""

import operator
import unicodedata

from . import catalogue

# The states a key is read in, as the engines' extension reports them.
STATES = ("plain", "shift", "caps", "shift_caps", "altgr", "altgr_shift")
_STATE = {name: index for index, name in enumerate(STATES)}

# The layout whose letters the ABC key of a non-Latin keyboard shows.
LATIN_LAYOUT = "us"
LATIN_LETTERS = frozenset("abcdefghijklmnopqrstuvwxyz")


class Symbol(tuple):
    """What a key types in one state: `text`, or the dead key `dead`
    ("dead_acute") whose sign is `text`."""

    __slots__ = ()

    def __new__(cls, text, dead=""):
        return tuple.__new__(cls, (text, dead))

    # Read by C getters: the keyboards ask a symbol's text thousands of
    # times as they open.
    text = property(operator.itemgetter(0))
    dead = property(operator.itemgetter(1))

    def __repr__(self):
        return "Symbol(%r%s)" % (self.text, ", %r" % self.dead if self.dead else "")


class Key:
    """One key of the main block."""

    def __init__(self, name, code, row, column, levels):
        self.name = name      # xkb's name, "AD01"
        self.code = code      # xkb's keycode: the hardware code + 8 under X and evdev
        self.row = row        # 0: digits, 1 to 3: the letter rows
        self.column = column
        self._levels = tuple(None if level is None else Symbol(*level) for level in levels)
        self._turns = None

    def symbol(self, shift=False, caps=False, altgr=False):
        """What the key types with Shift and Caps Lock (or AltGr) so, or
        None."""
        if altgr:
            return self._levels[_STATE["altgr_shift" if shift else "altgr"]]
        state = ("shift_caps" if caps else "shift") if shift else ("caps" if caps else "plain")
        return self._levels[_STATE[state]]

    def turns(self):
        """(shift, caps, symbol) for each state of Shift and Caps Lock in
        which the key types something else, shift or caps None where it
        does not matter to the key: the keys that take turns in its place
        on screen. Read once: the keyboard opens with it each time."""
        if self._turns is None:
            symbols = {(shift, caps): self.symbol(shift, caps)
                       for shift in (False, True) for caps in (False, True)}
            by_shift = any(symbols[True, caps] != symbols[False, caps] for caps in (False, True))
            by_caps = any(symbols[shift, True] != symbols[shift, False] for shift in (False, True))
            self._turns = tuple(
                (shift if by_shift else None, caps if by_caps else None, symbols[shift, caps])
                for caps in (False, True) for shift in (False, True)
                if (by_shift or not shift) and (by_caps or not caps))
        return self._turns

    def altgr(self):
        """What AltGr and AltGr with Shift give that the key's first two
        levels do not, in that order."""
        own = {self._levels[_STATE["plain"]], self._levels[_STATE["shift"]]}
        found = []
        for state in ("altgr", "altgr_shift"):
            symbol = self._levels[_STATE[state]]
            if symbol is not None and symbol not in own and symbol not in found:
                found.append(symbol)
        return tuple(found)

    def symbols(self):
        """Every symbol of the key, in the order of STATES, once each."""
        seen = []
        for symbol in self._levels:
            if symbol is not None and symbol not in seen:
                seen.append(symbol)
        return tuple(seen)

    def __repr__(self):
        return "Key(%r, %r)" % (self.name, self.symbol())


def _place(rows, key):
    rows[key.row].append(key)


class LayoutKeyboard:
    """The keys of one layout (`name` as setxkbmap spells it)."""

    def __init__(self, name):
        rows = [[], [], [], []]
        for entry in catalogue.layout_keys(name):
            _place(rows, Key(*entry))
        self._start(name, name, tuple(tuple(row) for row in rows))

    def _start(self, name, layout_name, rows):
        self.name = name
        self._layout_name = layout_name  # the catalogue's name of the layout
        self.rows = rows
        # What is read of the keys, each once.
        self._compositions = None
        self._held = {}
        self._by_name = None
        self._dead_keys = None
        self._offered = {}

    @property
    def layout(self):
        """The catalogue's Layout: read when asked, not for the keys."""
        return catalogue.describe(self._layout_name)

    @property
    def description(self):
        return self.layout.description

    @property
    def letter_rows(self):
        """The script's letter rows, AD, AC and AB."""
        return self.rows[1:]

    def keys(self):
        return [key for row in self.rows for key in row]

    def keys_by_name(self):
        """{xkb name: Key} of every key."""
        if self._by_name is None:
            self._by_name = {key.name: key for key in self.keys()}
        return self._by_name

    def characters(self, states=("plain", "shift")):
        """Every character the keys type in these states (no dead key)."""
        found = []
        for key in self.keys():
            for state in states:
                symbol = key._levels[_STATE[state]]
                if symbol is not None and not symbol.dead and symbol.text not in found:
                    found.append(symbol.text)
        return found

    def dead_keys(self):
        """The dead keys of the layout, those of the first two levels first."""
        if self._dead_keys is None:
            self._dead_keys = tuple(self._find_dead_keys())
        return self._dead_keys

    def _find_dead_keys(self):
        found = []
        for states in (("plain", "shift", "caps", "shift_caps"), ("altgr", "altgr_shift")):
            for key in self.keys():
                for state in states:
                    symbol = key._levels[_STATE[state]]
                    if symbol is not None and symbol.dead and symbol.dead not in found:
                        found.append(symbol.dead)
        return found

    def compositions(self):
        """{dead key: {base: text}} for the keyboard's own characters:
        what each dead key then a key types."""
        if self._compositions is None:
            bases = [text for text in self.characters(("plain", "shift", "caps", "shift_caps"))
                     if len(text) == 1] + [" "]
            dead = self.dead_keys()
            self._compositions = catalogue.compose(dead, bases) if dead else {}
        return self._compositions

    def compose(self, dead, text):
        """What dead key `dead` then `text` type: the composed letter, or
        `text` alone where they compose nothing."""
        composed = self.compositions().get(dead, {}).get(text)
        if composed is not None:
            return composed
        return text

    def held(self, text):
        """The letters held under the character `text`: those its dead
        keys compose from it, in the order of dead_keys(), once each."""
        if text not in self._held:
            found = []
            for dead in self.dead_keys():
                composed = self.compositions().get(dead, {}).get(text)
                if composed and composed != text and composed not in found:
                    found.append(composed)
            self._held[text] = tuple(found)
        return self._held[text]

    def offered(self, key, text):
        """What `key`, where it types `text`, offers while held: the letters
        AltGr gives on it, then those the layout's dead keys compose from
        `text`; each once, `text` itself not."""
        found = self._offered.get((key.name, text))
        if found is None:
            held = [symbol.text for symbol in key.altgr() if not symbol.dead]
            found = self._offered[key.name, text] = tuple(
                letter for letter in dict.fromkeys(held + list(self.held(text))) if letter != text)
        return found

    def is_latin(self):
        """True when the letter rows type the Latin letters a to z."""
        return LATIN_LETTERS <= set(self.characters(("plain",)))

    def right_to_left(self):
        """True when the script's letters are written right to left."""
        letters = [text for row in self.letter_rows for key in row
                   for text in [key.symbol() and key.symbol().text] if text and text[0].isalpha()]
        strong = [unicodedata.bidirectional(text[0]) for text in letters]
        return strong.count("R") + strong.count("AL") > len(strong) // 2

    def is_cased(self):
        """True when Shift gives the capitals of the letter rows' letters
        (not so in Thai, whose Shift gives other letters)."""
        letters = [key for row in self.letter_rows for key in row
                   if key.symbol() and key.symbol().text.isalpha()]
        capitals = [key for key in letters
                    if key.symbol(shift=True) and key.symbol(shift=True).text == key.symbol().text.upper()
                    and key.symbol().text.upper() != key.symbol().text]
        return len(capitals) * 2 > len(letters)

    def __repr__(self):
        return "LayoutKeyboard(%r)" % self.name


class RelabelledKeyboard(LayoutKeyboard):
    """The keys of another keyboard, some showing other labels: a composing
    keyboard's script on the US keys. A relabelled key types the same with
    Caps Lock as without, as the scripts composed have no capitals."""

    def __init__(self, name, base, labels):
        self._start(name, base._layout_name,
                    tuple(tuple(_relabelled(key, labels) for key in row) for row in base.rows))


def _relabelled(key, labels):
    """`key` showing labels[c] where it types c plainly or with Shift."""
    plain, shift = key.symbol(), key.symbol(shift=True)
    own = [labels.get(symbol.text) if symbol is not None and not symbol.dead else None
           for symbol in (plain, shift)]
    if own == [None, None]:
        return key
    plain, shift = [Symbol(text) if text is not None else symbol
                    for text, symbol in zip(own, (plain, shift))]
    levels = list(key._levels)
    for state, symbol in (("plain", plain), ("shift", shift), ("caps", plain), ("shift_caps", shift)):
        levels[_STATE[state]] = symbol
    return Key(key.name, key.code, key.row, key.column, levels)


_keyboards = {}


def keyboard(name):
    """The LayoutKeyboard of layout `name`, made once per process."""
    if name not in _keyboards:
        _keyboards[name] = LayoutKeyboard(name)
    return _keyboards[name]
