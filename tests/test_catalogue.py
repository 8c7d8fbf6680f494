"""The layouts of xkeyboard-config as the keyboards read them: the list,
the layout for a language, and each layout's keys against libxkbcommon's
own account of them (tests/xkb_oracle.py). No display needed."""
import xml.etree.ElementTree as ElementTree

import pytest

from nuv_touchui import catalogue, keymap
import xkb_oracle

nuv_engines = pytest.importorskip("nuv_engines")


def top_level_layouts():
    root = ElementTree.parse(catalogue.rules_file()).getroot()
    names = [layout.findtext("configItem/name") for layout in root.iterfind("layoutList/layout")]
    return [name for name in names if name not in catalogue.NOT_KEYBOARDS]


@pytest.mark.parametrize("name", top_level_layouts())
def test_every_layout_types_what_libxkbcommon_says(name):
    keys = catalogue.layout_keys(name)
    rows = {row for _key, _code, row, _column, _levels in keys}
    assert {1, 2, 3} <= rows, "a letter row is missing"
    expected = xkb_oracle.characters(name, "", [key[0] for key in keys])
    plain, shift = nuv_engines.XKB_STATES.index("plain"), nuv_engines.XKB_STATES.index("shift")
    for key_name, _code, _row, _column, levels in keys:
        first, second = expected[key_name]
        typed = [None if level is None or level[1] else level[0] for level in levels]
        assert typed[plain] == first, key_name
        if second is not None:
            assert typed[shift] == second, key_name


@pytest.mark.parametrize("language, layout", [
    ("ru", "ru"), ("el", "gr"), ("he", "il"), ("ar", "ara"), ("uk", "ua"), ("en", "us"),
    ("de_CH", "ch"), ("pt_BR", "br"), ("fr-CA", "ca"), ("th_TH.UTF-8", "th"), ("xx", None), ("", None),
])
def test_the_layout_for_a_language(language, layout):
    assert catalogue.layout_for_language(language) == layout


def test_a_variant_is_named_as_setxkbmap_names_it_and_types_its_own_keys():
    variant = catalogue.find("de(nodeadkeys)")
    assert variant.description and variant.languages == ("deu",)
    dead = {name: levels[0][1] for name, _code, _row, _column, levels in catalogue.layout_keys("de")}
    plain = {name: levels[0][1] for name, _code, _row, _column, levels in catalogue.layout_keys("de(nodeadkeys)")}
    assert dead["TLDE"] == "dead_circumflex" and plain["TLDE"] == ""


@pytest.mark.parametrize("name", ["zz", "us(nosuchvariant)", "../us", "us(", "custom", "", None])
def test_a_name_xkeyboard_config_does_not_list_is_refused(name):
    with pytest.raises(ValueError):
        catalogue.layout_keys(name)


def test_dead_keys_show_their_sign_and_compose_their_letters():
    levels = {name: levels for name, _code, _row, _column, levels in catalogue.layout_keys("fr")}
    assert levels["AD11"][0] == ("^", "dead_circumflex")
    composed = nuv_engines.xkb_compose(["dead_circumflex", "dead_acute"], ["e", "c", "1"])
    assert composed == {"dead_circumflex": {"e": "\u00ea", "c": "\u0109", "1": "\u00b9"},
                        "dead_acute": {"e": "\u00e9", "c": "\u0107"}}
    with pytest.raises(ValueError):
        nuv_engines.xkb_compose(["acute"], ["e"])


@pytest.mark.parametrize("name, latin, right_to_left, cased", [
    ("us", True, False, True), ("ru", False, False, True), ("gr", False, False, True),
    ("th", False, False, False), ("ara", False, True, False), ("il", False, True, False),
    ("in", False, False, False),
])
def test_the_script_of_a_keyboard(name, latin, right_to_left, cased):
    board = keymap.keyboard(name)
    assert (board.is_latin(), board.right_to_left(), board.is_cased()) == (latin, right_to_left, cased)


def test_altgr_letters_and_dead_key_letters_are_held_under_their_key():
    polish = {key.name: key for key in keymap.keyboard("pl").keys()}
    assert [symbol.text for symbol in polish["AC01"].altgr()][:2] == ["\u0105", "\u0104"]  # ą Ą
    french = keymap.keyboard("fr")
    assert {"\u00ea", "\u00eb"} <= set(french.held("e"))  # ê ë by the dead keys of AD11
    assert french.compose("dead_circumflex", "o") == "\u00f4"
    assert keymap.keyboard("us").held("e") == ()
