"""The operator's language: every text the keypads show goes through
wx.GetTranslation when it is shown, and each shipped catalog translates all
of them; the keyboard follows the language of the loaded catalog. (The texts without a catalog are checked where each
keypad is tested.)"""

import gettext
import re

import pytest
import wx

import nuv_touch
import nuv_touchui
from conftest import BUILD_DIR, ROOT, click, run_modal
from test_alpha_keypad import type_keys
from test_binding import tap

CATALOG_DIR = BUILD_DIR / "nuv_touch_locale"


CATALOGS = {"de": wx.LANGUAGE_GERMAN, "fr": wx.LANGUAGE_FRENCH, "es": wx.LANGUAGE_SPANISH,
            "zh_CN": wx.LANGUAGE_CHINESE_SIMPLIFIED, "zh_TW": wx.LANGUAGE_CHINESE_TRADITIONAL,
            "ko": wx.LANGUAGE_KOREAN, "ja": wx.LANGUAGE_JAPANESE}


def load_catalog(language):
    """A shipped catalog loaded as an application loads it without a system
    locale."""
    translations = wx.Translations()
    translations.SetLanguage(CATALOGS[language])
    wx.FileTranslationsLoader.AddCatalogLookupPathPrefix(str(CATALOG_DIR))
    assert translations.AddCatalog("nuv_touch")
    wx.Translations.Set(translations)


@pytest.fixture
def catalog(wx_app):
    """load_catalog, unloaded afterwards."""
    yield load_catalog
    wx.Translations.Set(None)


@pytest.fixture
def german(catalog):
    catalog("de")


@pytest.fixture
def us_keyboard():
    """The US keyboard whatever locale the session has, so the captions
    checked are the keyboard's own."""
    nuv_touchui.set_keyboard_layout("us")
    yield
    nuv_touchui.set_keyboard_layout(None)


def every_keypad_shown(frame, message_boxes):
    """Makes each keypad, refuses an entry of each kind, and returns the
    texts shown: the prompts, the error boxes and every label and title."""
    shown = []
    for mode, entry in ((nuv_touch.KEYPAD_MODE_INT, "-"), (nuv_touch.KEYPAD_MODE_FLOAT, "99")):
        pad = nuv_touch.DigitKeypad(frame, mode, 0, 10)
        pad.set_value(entry)
        click(pad.m_button17)
        shown += texts_of(pad)
        pad.Destroy()
    for dialog in (nuv_touch.DigitPasswordKeypad(frame), nuv_touch.AlphaKeypad(frame, message="x")):
        shown += texts_of(dialog)
        dialog.Destroy()
    # A keyboard of another script (its Latin key), and each composing
    # keyboard's own keys, its switch both ways.
    chosen = nuv_touchui.keyboards._chosen_keyboard
    nuv_touchui.set_keyboard_layout("ru")
    russian = nuv_touch.AlphaKeypad(frame)
    shown += texts_of(russian)
    russian.Destroy()
    for name in nuv_touchui.composing.COMPOSING_KEYBOARDS:
        nuv_touchui.set_keyboard_layout(name)
        composing = nuv_touch.AlphaKeypad(frame)
        shown += texts_of(composing)
        click(composing._composing.switch)
        shown += texts_of(composing)
        composing.Destroy()
    nuv_touchui.set_keyboard_layout(chosen)
    return shown + message_boxes.messages


def texts_of(dialog):
    """The title and the caption of every key and text."""
    texts = [dialog.GetTitle()] + [key.caption() for key in dialog.keys()]
    texts += [text.GetLabel() for text in nuv_touchui.drawn_texts(dialog)]
    windows = list(dialog.GetChildren())
    while windows:
        window = windows.pop()
        windows += window.GetChildren()
        if isinstance(window, wx.StaticText):
            texts.append(window.GetLabel())
    return texts


def catalog_texts():
    """The msgids of the shipped template."""
    template = (ROOT / "locale" / "nuv_touch.pot").read_text(encoding="utf-8")
    return {eval(text) for text in re.findall(r'^msgid (".*")$', template, re.M)} - {""}


def test_the_template_lists_what_is_translated(frame, message_boxes, monkeypatch, us_keyboard):
    asked = []
    real = wx.GetTranslation
    monkeypatch.setattr(wx, "GetTranslation", lambda text, *more: asked.append(text) or real(text, *more))
    every_keypad_shown(frame, message_boxes)
    assert set(asked) == catalog_texts()


@pytest.mark.parametrize("language", sorted(CATALOGS))
def test_each_catalog_translates_all_of_the_template(language):
    with open(CATALOG_DIR / language / "LC_MESSAGES" / "nuv_touch.mo", "rb") as compiled:
        catalog = gettext.GNUTranslations(compiled)
    assert set(catalog._catalog) - {""} == catalog_texts()
    assert all(catalog._catalog.values())


def test_a_loaded_catalog_translates_every_text_at_show_time(frame, message_boxes, german, us_keyboard):
    shown = every_keypad_shown(frame, message_boxes)
    for text in ("Bitte eine ganze Zahl eingeben:", "Bitte eine Dezimalzahl eingeben:",
                 "Ungültiges Zahlenformat. Bitte erneut eingeben.",
                 "Der Wert liegt außerhalb des zulässigen Bereichs. Bitte erneut eingeben.",
                 "Zahl", "Abbrechen", "Löschen", "PIN eingeben:", "Tastatur", "Umschalt", "Leertaste"):
        assert text in shown
    assert not {"Cancel", "Clear", "Shift", "Space", "请输入一个整数："} & set(shown)

    # The blank keys show their translation but type what their English name
    # stands for; a proxy's keypad is translated too.
    keyboard = nuv_touch.AlphaKeypad(frame)
    type_keys(keyboard, "a", "Space", "Tab")
    assert keyboard.get_value() == "a \t"
    keyboard.Destroy()
    field = wx.TextCtrl(frame)
    nuv_touch.DigitKeypadProxy(field, nuv_touch.KEYPAD_MODE_INT, 0, 9)
    prompts = []
    run_modal(lambda: tap(field), lambda pad: prompts.append(pad.ui_message.GetLabel()),
              lambda pad: type_keys(pad, "7", "OK"))
    assert prompts == ["Bitte eine ganze Zahl eingeben:"] and field.GetValue() == "7"


def test_unloading_the_catalog_brings_the_texts_back(frame, message_boxes, german, us_keyboard):
    wx.Translations.Set(None)
    shown = every_keypad_shown(frame, message_boxes)
    assert {"请输入一个整数：", "请输入一个浮点数：", "Invalid number format. Please input again.",
            "Number value is out of range. Please input again.", "Cancel", "Space"} <= set(shown)


@pytest.mark.parametrize("language, keyboard, space", [("fr", "fr", "Espace"), ("es", "es", "Espacio"),
                                                       ("zh_CN", "zh", "空格")])
def test_the_keyboard_follows_a_catalog_loaded_without_a_locale(frame, catalog, language, keyboard, space):
    catalog(language)
    assert nuv_touchui.keyboard_layout() == keyboard
    dialog = nuv_touch.AlphaKeypad(frame)
    assert space in texts_of(dialog) and "Space" not in texts_of(dialog)
    dialog.Destroy()
    nuv_touchui.set_keyboard_layout("de")  # the application's choice wins
    try:
        assert nuv_touchui.keyboard_layout() == "de"
    finally:
        nuv_touchui.set_keyboard_layout(None)
