"""The national keyboards as data, the choice of the one shown, and the
arrangement of a keyboard in rows narrower than its own: no widget here."""

import re

import wx


class Keyboard:
    """The keys of one national keyboard.

    The two symbol rows share one panel per shift state (`symbol_rows`
    unshifted, `shifted_rows` shifted, row for row of equal length); each
    letter row, given in lower case, has a lower- and an upper-case panel
    for caps lock. Every letter sits on a letter row, so caps lock gives the
    capital of each; a letter without a one-character capital (ß) keeps its
    own key there. Every printable ASCII character is on some key of every
    keyboard.
    """

    def __init__(self, symbol_rows, shifted_rows, letter_rows):
        self.symbol_rows = symbol_rows
        self.shifted_rows = shifted_rows
        self.letter_rows = letter_rows

    def width(self):
        """Keys across the keyboard: the longer symbol row and the
        Backspace and Clear column beside it."""
        return len(self.symbol_rows[0]) + 3


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


def narrow_rows(letter_rows, across, needs):
    """Where the keys other than characters go on a keyboard arranged in
    rows of `across` keys: beside a letter row where it leaves room for
    one, else in rows of their own.

    `letter_rows`: the length of each row of letters; `needs`: (key, least
    length in keys) in the order the keys are placed. Returns (beside,
    rows): for each letter row the (key, length) beside it or None, and the
    rows of (key, length) below the letters, each as long as the keyboard.
    """
    pending = list(needs)
    beside = []
    for length in letter_rows:
        spare = across - length
        chosen = next((need for need in pending if need[1] <= spare), None)
        if chosen is not None:
            pending.remove(chosen)
            chosen = (chosen[0], spare)
        beside.append(chosen)
    rows, row = [], []
    for key, units in pending:
        if row and sum(u for _k, u in row) + units > across:
            rows.append(row)
            row = []
        row.append((key, units))
    if row:
        rows.append(row)
    stretched = []
    for row in rows:
        extra = (across - sum(u for _k, u in row)) / len(row)
        stretched.append([(key, units + extra) for key, units in row])
    return beside, stretched
