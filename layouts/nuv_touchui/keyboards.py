"""The choice of the keyboard shown: a layout of the machine's
xkeyboard-config, named as setxkbmap names it, or a composing keyboard
(pinyin, Korean, zhuyin, Japanese, Cangjie); by default the keyboard of
the language the application shows. No widget here: the keys are keymap's,
the composing keyboards' table composing's."""

import re

import wx

from . import catalogue, composing, keymap

# The Chinese keyboard: the US keys, its letters composing pinyin (see
# composing.py).
CHINESE_KEYBOARD = composing.CHINESE_KEYBOARD
CHINESE_DESCRIPTION = composing.composing_keyboard(CHINESE_KEYBOARD).description
# The keyboard where the language has no layout of its own.
DEFAULT_KEYBOARD = "us"
# Chinese written in traditional characters: zhuyin, not pinyin, for these.
_TRADITIONAL = frozenset({"tw", "hk", "mo", "hant"})
TRADITIONAL_KEYBOARD = "tw"
# The composing keyboards of the languages that have one (Chinese aside).
_COMPOSING_FOR = {"ko": "kr", "ja": "jp"}

# The keyboard the application chose, or None to follow its language.
_chosen_keyboard = None
# The composing keyboards' keys, made once per process.
_relabelled = {}


def set_keyboard_layout(name):
    """Chooses the keyboard of the keyboards made from now on: a layout or
    variant of the machine's xkeyboard-config ("ru", "gr", "ara",
    "de(nodeadkeys)"; see keyboard_layouts), a composing keyboard ("zh"
    for pinyin, "kr", "tw", "jp", "cangjie"), or None to follow the
    language the application shows (US where it has no layout).
    ValueError, naming the list of layouts, for any other name."""
    global _chosen_keyboard
    if name is not None and composing.composing_keyboard(name) is None:
        catalogue.layout_keys(name)  # compiled now: a bad name fails here
    _chosen_keyboard = name


def keyboard_layouts():
    """(name, description) of every keyboard there is to choose: the
    layouts of xkeyboard-config in its order (those that compose described
    as such), then the composing keyboards it has no layout for."""
    listed = [(layout.name, _description(layout.name, layout.description)) for layout in catalogue.layouts()]
    names = {name for name, _description_ in listed}
    return listed + [(keyboard.name, keyboard.description) for keyboard in composing.COMPOSING_KEYBOARDS.values()
                     if keyboard.name not in names]


def _description(name, description):
    keyboard = composing.composing_keyboard(name)
    return description if keyboard is None else keyboard.description


def keyboard_layout():
    """The name of the keyboard the next keyboard dialog shows."""
    if _chosen_keyboard is not None:
        return _chosen_keyboard
    return layout_for(_shown_language())


def layout_for(locale_name):
    """The keyboard for a language as an application names it ("ru",
    "zh_CN", "pt_BR"): pinyin for Chinese in simplified characters, zhuyin
    in traditional ones, the composing keyboard of Korean and Japanese,
    else xkeyboard-config's layout of the language, else US."""
    parts = [part.lower() for part in re.split(r"[-_.@]", locale_name)]
    if parts[0] == "zh":
        return TRADITIONAL_KEYBOARD if _TRADITIONAL & set(parts[1:]) else CHINESE_KEYBOARD
    if parts[0] in _COMPOSING_FOR:
        return _COMPOSING_FOR[parts[0]]
    return catalogue.layout_for_language(locale_name) or DEFAULT_KEYBOARD


def keyboard(name):
    """The keys (a keymap.LayoutKeyboard) of the keyboard `name`: a
    composing keyboard's are the US keys, showing its script's labels."""
    composed = composing.composing_keyboard(name)
    if composed is None:
        return keymap.keyboard(name)
    if name not in _relabelled:
        _relabelled[name] = keymap.RelabelledKeyboard(name, keymap.keyboard(DEFAULT_KEYBOARD), composed.shown())
    return _relabelled[name]



def _shown_language():
    """The language ("fr", "pt_BR") of the texts the application shows:
    that of the catalogs it loaded, whether through a wx.Locale or
    wx.Translations alone (ours first); else that of its wx.Locale or
    wx.UILocale."""
    translations = wx.Translations.Get()
    if translations is not None:
        for domain in ("nuv_touch", ""):
            language = translations.GetHeaderValue("Language", domain)
            if language:
                return language
    locale = wx.GetLocale()
    if locale is not None:
        return locale.GetCanonicalName()
    ui_locale = getattr(wx, "UILocale", None)  # wxPython 4.2.1 and later
    if ui_locale is not None:
        return ui_locale.GetCurrent().GetName()
    return ""
