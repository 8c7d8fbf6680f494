"""The Chinese keyboard composes pinyin: real taps on its keys (XTest
pointer events under Xvfb), the candidates it offers and what goes into the
text."""

import pytest
import wx

import nuv_engines
import nuv_touch
import nuv_touchui
from conftest import pump, run_modal, send_key, wait_until
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
    made = []

    def make(**options):
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
