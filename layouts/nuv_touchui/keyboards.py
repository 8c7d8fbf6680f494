"""The choice of the keyboard shown: a layout of the machine's
xkeyboard-config, named as setxkbmap names it, or the Chinese keyboard
that composes pinyin; by default the layout of the language the
application shows. No widget here: the keys are keymap's."""

import re

import wx

from . import catalogue, keymap

# The Chinese keyboard: the US keys, its letters composing pinyin (see
# composing.py).
CHINESE_KEYBOARD = "zh"
CHINESE_DESCRIPTION = "Chinese (pinyin)"
# The keyboard where the language has no layout of its own.
DEFAULT_KEYBOARD = "us"
# Chinese written in traditional characters: no pinyin keyboard for these.
_TRADITIONAL = frozenset({"tw", "hk", "mo", "hant"})

# The keyboard the application chose, or None to follow its language.
_chosen_keyboard = None


def set_keyboard_layout(name):
    """Chooses the keyboard of the keyboards made from now on: a layout or
    variant of the machine's xkeyboard-config ("ru", "gr", "ara",
    "de(nodeadkeys)"; see keyboard_layouts), "zh" for pinyin, or None to
    follow the language the application shows (US where it has no layout).
    ValueError, naming the list of layouts, for any other name."""
    global _chosen_keyboard
    if name is not None and name != CHINESE_KEYBOARD:
        catalogue.layout_keys(name)  # compiled now: a bad name fails here
    _chosen_keyboard = name


def keyboard_layouts():
    """(name, description) of every keyboard there is to choose: the
    layouts of xkeyboard-config in its order, then the pinyin one."""
    return ([(layout.name, layout.description) for layout in catalogue.layouts()]
            + [(CHINESE_KEYBOARD, CHINESE_DESCRIPTION)])


def keyboard_layout():
    """The name of the keyboard the next keyboard dialog shows."""
    if _chosen_keyboard is not None:
        return _chosen_keyboard
    return layout_for(_shown_language())


def layout_for(locale_name):
    """The keyboard for a language as an application names it ("ru",
    "zh_CN", "pt_BR"): pinyin for Chinese in simplified characters, else
    xkeyboard-config's layout of the language, else US."""
    parts = [part.lower() for part in re.split(r"[-_.@]", locale_name)]
    if parts[0] == "zh" and not _TRADITIONAL & set(parts[1:]):
        return CHINESE_KEYBOARD
    return catalogue.layout_for_language(locale_name) or DEFAULT_KEYBOARD


def keyboard(name):
    """The keys (a keymap.LayoutKeyboard) of the keyboard `name`."""
    return keymap.keyboard(DEFAULT_KEYBOARD if name == CHINESE_KEYBOARD else name)


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
