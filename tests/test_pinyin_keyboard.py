"""The composing keyboards (pinyin, Korean, zhuyin, Japanese, Cangjie):
real taps on their keys (XTest pointer events under Xvfb), the candidates
they offer and what goes into the text."""

import os
import subprocess
import sys
from dataclasses import dataclass

import pytest
import wx

import nuv_engines
import nuv_touch
import nuv_touchui
from nuv_touchui import composing
from conftest import BUILD_DIR, LAYOUTS_DIR, pump, run_modal, scaled, send_key, wait_until
from test_translations import load_catalog


class Finger:
    """Taps keys where they are on the screen, as an operator does."""

    def __init__(self, dialog):
        self._dialog = dialog
        self._simulator = wx.UIActionSimulator()
        dialog.Raise()
        pump(100)

    def key(self, label):
        """The key shown labelled `label`, or of that role ("erase",
        "confirm": their captions are translated)."""
        if label in self._dialog._role_keys:
            return self._dialog._role_keys[label]
        found = [k for k in self._dialog.keys() if k.GetLabel() == label and k.IsShownOnScreen()]
        assert found, "no key %r on screen" % label
        return found[0]

    def tap(self, *keys):
        for key in keys:
            key = self.key(key) if isinstance(key, str) else key
            rect = key.GetScreenRect()
            self._simulator.MouseMove(rect.x + rect.width // 2, rect.y + rect.height // 2)
            pump(20)
            self._simulator.MouseDown()
            pump(20)
            self._simulator.MouseUp()
            pump(30)


@pytest.fixture
def chinese(frame):
    """The application in Simplified Chinese: its keyboard follows."""
    load_catalog("zh_CN")
    yield from _keyboards(frame, lambda: None)


def _keyboards(frame, prepare):
    """make(*arguments, **options): a keyboard made after
    prepare(*arguments); all of them destroyed, and the language and
    layout reset, at the end."""
    made = []

    def make(*arguments, **options):
        prepare(*arguments)
        made.append(nuv_touch.AlphaKeypad(frame, **options))
        return made[-1]
    yield make
    for dialog in made:
        if dialog:
            dialog.Destroy()
    wx.Translations.Set(None)
    nuv_touchui.set_keyboard_layout(None)


def shown_candidates(dialog):
    return [key.GetLabel() for key in dialog._pinyin.candidates if key.GetLabel()]


def in_modal(dialog, step):
    """Runs `step(finger)` with the keyboard shown modal; the seen values."""
    seen = []

    def steps(d):
        seen.append(step(Finger(d)))
        d.EndModal(wx.ID_CANCEL)
    run_modal(dialog, steps)
    return seen[0]


def test_a_phrase_and_word_by_word(chinese):
    dialog = chinese()

    def type_nihao(finger):
        finger.tap(*"nihao")
        offered = (dialog._pinyin.line.GetLabel(), shown_candidates(dialog)[:5])
        finger.tap("你好")
        phrase = dialog.get_value()
        finger.tap("n", "i", "你", "h", "a", "o", "好")
        return offered, phrase, dialog.get_value(), dialog._pinyin.line.GetLabel()

    offered, phrase, words, line = in_modal(dialog, type_nihao)
    assert offered[0] == "ni'hao" and "你好" in offered[1]
    assert (phrase, words, line) == ("你好", "你好你好", "")
    assert all(key in list(dialog.keys()) for key in dialog._pinyin.candidates)


def test_backspace_paging_space_and_ok(chinese):
    dialog = chinese()

    def compose(finger):
        finger.tap(*"nihaom", "erase")
        seen = [dialog._pinyin.line.GetLabel(), dialog.get_value()]
        first_page = shown_candidates(dialog)
        finger.tap(dialog._pinyin.next)
        seen.append(shown_candidates(dialog) != first_page)
        finger.tap(dialog._pinyin.previous)
        seen.append(shown_candidates(dialog) == first_page)
        finger.tap("Space")  # the first candidate
        seen.append(dialog.get_value())
        finger.tap("erase")  # nothing composed: a character goes
        seen.append(dialog.get_value())
        # A physical keyboard's letters compose too.
        for letter in "ma":
            send_key(dialog, ord(letter), char=letter, kind=wx.wxEVT_CHAR)
        seen.append(dialog._pinyin.line.GetLabel())
        return seen

    assert in_modal(dialog, compose) == ["ni'hao", "", True, True, "你好", "你", "ma"]
    # OK puts the letters pending in as typed, then confirms.
    code = run_modal(dialog, lambda d: Finger(d).tap("confirm"))
    assert (code, dialog.get_value()) == (wx.ID_OK, "你ma")


def _switched_off(finger):
    finger.tap(finger._dialog._pinyin.switch)


def _engine_missing(monkeypatch):
    def refuse():
        raise FileNotFoundError("no pinyin dictionary")
    monkeypatch.setattr(nuv_engines, "Composition", refuse)


@pytest.mark.parametrize("case", ["us keyboard", "password", "switched to Latin", "no dictionary"])
def test_latin_letters_type_themselves(chinese, monkeypatch, case):
    if case == "us keyboard":
        nuv_touchui.set_keyboard_layout("us")
    if case == "no dictionary":
        _engine_missing(monkeypatch)
    dialog = chinese(password_mode=case == "password")

    def type_letters(finger):
        if case == "switched to Latin":
            finger.tap(dialog._pinyin.switch)
        finger.tap(*"nihao")
        pinyin = dialog._pinyin
        return None if pinyin is None else (pinyin.switch.caption(), pinyin.switch.IsEnabled())

    switch = in_modal(dialog, type_letters)
    assert dialog.get_value() == "nihao"
    assert switch == {"us keyboard": None, "password": ("英文", False), "switched to Latin": ("英文", True),
                      "no dictionary": ("英文", False)}[case]


def test_two_keyboards_compose_apart(chinese):
    """A keyboard opened inside another's modal loop composes on its own,
    and the first goes on where it was."""
    outer = chinese()

    def nested(finger):
        finger.tap(*"zhong")
        inner = chinese()
        inner_value = run_modal(inner, lambda d: Finger(d).tap(*"nihao", "Space", "confirm")) and inner.get_value()
        finger.tap(*"guo")
        finger.tap("中国")
        return inner_value, outer.get_value()

    assert in_modal(outer, nested) == ("你好", "中国")


# --- the other composing keyboards ------------------------------------------

@dataclass
class Word:
    keyboard: str
    language: str     # the catalog whose language chooses the keyboard
    taps: list        # the keys tapped, shown composing as `shown`
    shown: str
    erased: str       # what shows once Backspace took back the last kana, jamo or character
    chosen: str       # the candidate tapped ("": OK puts the composition in)
    physical: str     # a physical US keyboard's characters that compose `shown`
    paged: list       # keys with more than a page of candidates ([]: none)


WORDS = [
    Word("kr", "ko", list("ㅎㅏㄴㄱㅡㄹ"), "한글", "한그", "", "gksrmf", []),
    Word("jp", "ja", list("kanji"), "かんじ", "かん", "漢字", "kanji", list("kanji")),
    Word("tw", "zh_TW", list("ㄓㄨㄥˉㄨㄣˊ"), "中文", "中", "中文", "5j/`jp6", list("ㄓㄨㄥˉ")),
    # Cangjie's codes have a page of candidates or fewer.
    Word("cangjie", "", list("卜大"), "头", "卜", "文", "yk", []),
]


def type_physically(dialog, characters):
    """The first half of `characters` by the positions of the US keys that
    type them (their X keycodes, as GTK reports a key down), the rest as
    the characters a physical keyboard sends."""
    positions = {}
    for key in nuv_touchui.keymap.keyboard("us").keys():
        for shift in (True, False):
            positions[key.symbol(shift=shift).text] = (key.code, shift)
    half = len(characters) // 2
    for character in characters[:half]:
        code, shift = positions[character]
        event = wx.KeyEvent(wx.wxEVT_CHAR_HOOK)
        event.SetTimestamp(1)  # the display's time, as the toolkit's events carry
        event.SetRawKeyFlags(code)
        event.SetShiftDown(shift)
        event.SetUnicodeKey(ord(character))
        dialog.GetEventHandler().ProcessEvent(event)
    for character in characters[half:]:
        send_key(dialog, ord(character), char=character, kind=wx.wxEVT_CHAR)


@pytest.fixture
def keyboard_of(frame):
    """A keyboard made by keyboard_of(word, chosen): its layout chosen, or
    following the language of the word's catalog."""
    def prepare(word, chosen=True):
        if chosen:
            nuv_touchui.set_keyboard_layout(word.keyboard)
        else:
            load_catalog(word.language)
    yield from _keyboards(frame, prepare)


@pytest.mark.parametrize("word, chosen", [(word, True) for word in WORDS]
                         + [(word, False) for word in WORDS if word.language],
                         ids=lambda value: value.keyboard if isinstance(value, Word) else
                         ("chosen" if value else "by language"))
def test_a_word_on_each_composing_keyboard(keyboard_of, word, chosen):
    dialog = keyboard_of(word, chosen)
    composing = dialog._composing
    seen = {}

    def compose(d):
        finger = Finger(d)
        type_physically(d, word.physical)
        seen["physical"] = composing.line.GetLabel()
        finger.tap("clear")
        if word.paged:
            finger.tap(*word.paged)
            first_page = shown_candidates(d)
            finger.tap(composing.next)
            seen["paged"] = shown_candidates(d) not in ([], first_page)
            finger.tap(composing.previous)
            seen["paged"] &= shown_candidates(d) == first_page
            finger.tap("clear")
        finger.tap(*word.taps)
        seen["shown"] = composing.line.GetLabel(), d.get_value()
        finger.tap("erase")
        seen["erased"] = composing.line.GetLabel()
        finger.tap("clear")
        finger.tap(*word.taps)
        if word.chosen:
            seen["offered"] = word.chosen in shown_candidates(d)
            finger.tap(word.chosen)
        finger.tap("confirm")

    assert run_modal(dialog, compose) == wx.ID_OK
    assert seen.pop("paged", True) and seen.pop("offered", True)
    assert seen == {"physical": word.shown, "shown": (word.shown, ""), "erased": word.erased}
    assert (dialog.get_value(), composing.line.GetLabel()) == (word.chosen or word.shown, "")
    assert all(key in list(dialog.keys()) for key in composing.candidates + [composing.switch])


def test_a_full_composition_loses_no_key(keyboard_of):
    """Four latin letters and eight long vowel marks fill a kana
    composition: the first segment goes in, and what is left is still
    full."""
    dialog = keyboard_of(WORDS[1])
    code = run_modal(dialog, lambda d: Finger(d).tap(*"qqqq" + "-" * 9, "confirm"))
    assert (code, dialog.get_value()) == (wx.ID_OK, "qqqq" + "ー" * 9)


@pytest.mark.parametrize("candidate, whole", [("番号", True), ("ばんごう", True), ("かんじへんかん", False)])
def test_a_candidate_shows_within_a_narrow_key(frame, candidate, whole):
    """A portrait screen's candidate keys: four kana are drawn smaller and
    whole, a longer candidate cut short; the caption never runs past the
    key's edges, and the key types the whole candidate."""
    panel = nuv_touchui.KeyPanel(frame)
    key = composing.CandidateKey(panel, "", (82, 48), "candidate")
    key.SetFont(wx.Font(14, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL))
    key.SetLabel(candidate)
    try:
        assert (key.caption() == candidate) == whole and key.GetLabel() == candidate
        assert key.caption_room().width <= 82
    finally:
        panel.Destroy()


@pytest.mark.parametrize("word", WORDS, ids=[word.keyboard for word in WORDS])
def test_a_password_or_the_switch_gives_latin_letters(keyboard_of, word):
    """A password's keyboard composes nothing, and its switch stays off;
    switched to Latin, the others type their letters too."""
    password, switched = keyboard_of(word, password_mode=True), keyboard_of(word)

    def type_latin(finger):
        composing = finger._dialog._composing
        if finger._dialog is switched:
            finger.tap(composing.switch)
        finger.tap(*"gks")
        return composing.switch.caption(), composing.switch.IsEnabled(), composing.line.GetLabel()

    assert in_modal(password, type_latin) == ("Latin", False, "") and password.get_value() == "gks"
    assert in_modal(switched, type_latin) == ("Latin", True, "") and switched.get_value() == "gks"


# Each engine's library missing, then its data: the keyboard opens Latin,
# its switch disabled, and types its letters. A child process, as the
# engines open once per process.
MISSING = """
import wx
import nuv_engines, nuv_touch, nuv_touchui
app = wx.App(False)
frame = wx.Frame(None)
for keyboard, setting in [("kr", "_hangul_library"), ("tw", "_chewing_library"), ("tw", "_chewing_data"),
                          ("jp", "_anthy_library"), ("jp", "_anthy_dictionary"),
                          ("cangjie", "_m17n_library"), ("cangjie", "_cangjie_method")]:
    real = getattr(nuv_engines, setting)
    setattr(nuv_engines, setting, "/nonexistent/" + real.rsplit("/", 1)[-1])
    nuv_touchui.set_keyboard_layout(keyboard)
    dialog = nuv_touch.AlphaKeypad(frame)
    for letter in "gks":
        [key for key in dialog.keys() if key.GetLabel() == letter and key.IsShown()][0].Press()
    switch = dialog._composing.switch
    print(keyboard, dialog.get_value(), switch.GetLabel(), switch.IsEnabled())
    dialog.Destroy()
    setattr(nuv_engines, setting, real)
"""


def test_a_missing_engine_leaves_the_latin_keyboard():
    env = dict(os.environ, PYTHONPATH="%s:%s" % (BUILD_DIR, LAYOUTS_DIR))
    done = subprocess.run([sys.executable, "-c", MISSING], capture_output=True, text=True, env=env,
                          timeout=scaled(60))
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines() == ["%s gks Latin False" % keyboard
                                        for keyboard in ("kr", "tw", "tw", "jp", "jp", "cangjie", "cangjie")]
