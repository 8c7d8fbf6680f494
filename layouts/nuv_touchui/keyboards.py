"""The national keyboards as data, the letters held under each key, and the
choice of the keyboard shown: no widget here."""

import re
import unicodedata

import wx


# The accented letters of the Latin-script languages an operator is likely
# to type, by the letter they are held under.
ACCENTS = {
    "a": "\u00e0\u00e1\u00e2\u00e4\u00e3\u00e5\u0101\u00e6",
    "c": "\u00e7\u0107\u010d",
    "e": "\u00e9\u00e8\u00ea\u00eb\u0113",
    "i": "\u00ee\u00ef\u00ed\u00ec\u012b",
    "n": "\u00f1\u0144",
    "o": "\u00f4\u00f6\u00f2\u00f3\u00f5\u00f8\u014d\u0153",
    "s": "\u00df\u015b\u0161",
    "u": "\u00fb\u00fc\u00f9\u00fa\u016b",
    "y": "\u00ff\u00fd",
    "z": "\u017e\u017a\u017c",
}


class Keyboard:
    """The keys of one national keyboard.

    The two symbol rows share one set of keys per shift state (`symbol_rows`
    unshifted, `shifted_rows` shifted, row for row of equal length); each
    letter row, given in lower case, has a lower- and an upper-case set of
    keys for caps lock. Each letter row starts with its Latin letters (a to
    z), which always stay on keys, and ends with the national letters, which
    keep keys of their own where the screen has room and are held under
    their base letter in any case (see variants). A letter without a
    one-character capital (\u00df) keeps its own key under caps lock. Every
    printable ASCII character is on some key of every keyboard.

    `extra_keys`: (name, caption) of keys of the keyboard's own beyond these
    (a switch of input method, say): the layout puts them beside Space and
    sends their presses to its method on_<name>.
    """

    def __init__(self, symbol_rows, shifted_rows, letter_rows, extra_keys=()):
        self.symbol_rows = symbol_rows
        self.shifted_rows = shifted_rows
        self.letter_rows = letter_rows
        self.extra_keys = tuple(extra_keys)
        self._variants = {}  # letter -> its variants, found once

    def width(self):
        """Keys across the keyboard: the longer symbol row and the
        Backspace and Clear column beside it."""
        return len(self.symbol_rows[0]) + 3

    def latin_width(self):
        """The longest row of Latin letters: the narrowest the keyboard
        can be."""
        return max(len(_latin(row)) for row in self.letter_rows)

    def letter_keys(self, across):
        """The letter rows as they fit rows of `across` keys: the Latin
        letters whole, then as many national letters as there is room for."""
        return [row[:max(across, len(_latin(row)))] for row in self.letter_rows]

    def variants(self, letter):
        """The letters held under `letter`: the keyboard's national letters
        of that base first, then the common accented ones."""
        if letter not in self._variants:
            national = [char for row in self.letter_rows for char in row
                        if not _is_latin(char) and base_letter(char) == letter]
            common = [char for char in ACCENTS.get(letter, "")
                      if char not in national]
            self._variants[letter] = tuple(national + common)
        return self._variants[letter]


def _is_latin(char):
    return "a" <= char <= "z"


def _latin(row):
    return "".join(char for char in row if _is_latin(char))


# Letters of their own that are still held under a Latin letter.
_BASES = {"\u00df": "s", "\u00e6": "a", "\u0153": "o", "\u00f8": "o"}


def base_letter(letter):
    """The Latin letter `letter` is held under: "e" for \u00e9, "s" for
    \u00df; the letter itself for one without accent."""
    if letter in _BASES:
        return _BASES[letter]
    return unicodedata.normalize("NFD", letter)[:1]


KEYBOARDS = {
    "us": Keyboard(("`1234567890", "-=[]\\;',./"),
                   ("~!@#$%^&*()", "_+{}|:\"<>?"),
                   ("qwertyuiop", "asdfghjkl", "zxcvbnm")),
    "de": Keyboard(("^1234567890\u00b4", "+#-.,<@\u20ac[]{}"),
                   ("\u00b0!\"\u00a7$%&/()=?", "*'_:;>`~\\|\u00b2\u00b3"),
                   ("qwertzuiop\u00fc", "asdfghjkl\u00f6\u00e4",
                    "yxcvbnm\u00df")),
    "fr": Keyboard(("\u00b21234567890)=", "-[]\\;',./\u20ac\u00a7"),
                   ("`!@#$%^&*(\u00b0+_", "~{}|:\"<>?\u00a3\u00b5"),
                   ("azertyuiop\u00e9\u00e8", "qsdfghjklm\u00e0\u00f9",
                    "wxcvbn\u00e7\u00e2\u00ea\u00ee\u00f4\u00fb")),
    "es": Keyboard(("\u00ba1234567890'\u00a1", "`+-[]\\;,.<\u20ac"),
                   ("\u00aa!\"\u00b7$%&/()=?\u00bf", "^*_{}|:@#>~"),
                   ("qwertyuiop\u00e1", "asdfghjkl\u00f1\u00e9",
                    "zxcvbnm\u00ed\u00f3\u00fa\u00fc")),
}

# The Chinese keyboard: the US keys, its letters composing pinyin (see
# composing.py).
KEYBOARDS["zh"] = KEYBOARDS["us"]

# The keyboard the application chose, or None to follow its language.
_chosen_keyboard = None


def set_keyboard_layout(name):
    """Chooses the keyboard of the keyboards made from now on: a key of
    KEYBOARDS ("us", "de", "fr", "es", "zh"), or None to follow the language the
    application shows (US when it shows none with a keyboard here)."""
    global _chosen_keyboard
    if name is not None and name not in KEYBOARDS:
        raise ValueError("no keyboard %r; choose one of %s"
                         % (name, ", ".join(sorted(KEYBOARDS))))
    _chosen_keyboard = name


def keyboard_layout():
    """The name of the keyboard the next keyboard dialog shows."""
    if _chosen_keyboard is not None:
        return _chosen_keyboard
    language = _shown_language()
    return language if language in KEYBOARDS else "us"


def _shown_language():
    """The language code ("fr") of the texts the application shows: that
    of the catalogs it loaded, whether through a wx.Locale or wx.Translations
    alone (ours first); else that of its wx.Locale or wx.UILocale."""
    translations = wx.Translations.Get()
    if translations is not None:
        for domain in ("nuv_touch", ""):
            language = translations.GetHeaderValue("Language", domain)
            if language:
                return _language_part(language)
    locale = wx.GetLocale()
    if locale is not None:
        return _language_part(locale.GetCanonicalName())
    ui_locale = getattr(wx, "UILocale", None)  # wxPython 4.2.1 and later
    if ui_locale is not None:
        return _language_part(ui_locale.GetCurrent().GetName())
    return ""


def _language_part(name):
    """"fr" of "fr_CA.UTF-8", "fr-CA" or "fr"."""
    return re.split(r"[-_.@]", name, maxsplit=1)[0].lower()


def capital(letter):
    """The key caps lock shows for `letter`: its capital, or the letter
    itself when the capital is not one character (ß would become SS)."""
    upper = letter.upper()
    return upper if len(upper) == 1 else letter


def row_lengths(length, across):
    """Lengths of the rows `length` keys take at most `across` to a row,
    as even as can be (longer rows first)."""
    count = max(-(-length // max(across, 1)), 1)
    base, longer = divmod(length, count)
    return [base + 1] * longer + [base] * (count - longer)


def cut(text, lengths):
    """`text` cut into pieces of these lengths."""
    pieces, start = [], 0
    for length in lengths:
        pieces.append(text[start:start + length])
        start += length
    return pieces


def pack_rows(lines, across):
    """Rows of `across` keys holding the keys of each line in order, a line
    too long for one row over several; each key stretched alike so that its
    row is `across` long.

    `lines`: lists of (key, least length in keys). Returns the rows as
    lists of (key, length in keys).
    """
    rows = []
    for line in lines:
        row = []
        for key, least in line:
            if row and sum(units for _key, units in row) + least > across:
                rows.append(row)
                row = []
            row.append((key, least))
        if row:
            rows.append(row)
    return [[(key, units + (across - sum(u for _k, u in row)) / len(row))
             for key, units in row] for row in rows]
