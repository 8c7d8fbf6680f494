"""Pinyin composition with the engine Debian ships: no window needed."""
import os
import subprocess
import sys

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

import nuv_engines
from conftest import BUILD_DIR, LAYOUTS_DIR, scaled


def composed(letters):
    composition = nuv_engines.Composition()
    for letter in letters:
        assert composition.type_letter(letter)
    return composition


def test_a_phrase_and_word_by_word():
    phrase = composed("nihao")
    assert phrase.spelling() == "ni'hao"
    assert "你好" in phrase.candidates(0, 5)
    assert phrase.choose(phrase.candidates(0, 5).index("你好")) == "你好"
    assert (phrase.letters(), phrase.candidate_count()) == ("", 0)

    words = composed("nihao")
    assert words.choose(words.candidates(0, 10).index("你")) == "你"
    assert (words.letters(), words.spelling()) == ("hao", "hao")
    assert words.choose(words.candidates().index("好")) == "好"
    assert words.letters() == ""


def test_letters_are_taken_back_and_refused_past_the_engine():
    composition = composed("xian")
    assert composition.candidates(0, 1) == ["先"]
    assert composition.erase_letter() and composition.erase_letter()
    assert composition.spelling() == "xi"
    # Runs of lone initials would overrun the engine, which aborts.
    for many in ("z" * 39, "s" * 39, "a" * 39, "zhongguorenmingongheguo" * 2):
        composition.clear()
        taken = [letter for letter in many if composition.type_letter(letter)]
        assert 0 < len(taken) < 39 and composition.letters() == many[:len(taken)]
        assert composition.candidates(0, 1)


@pytest.mark.parametrize("call, error", [
    (lambda c: c.type_letter("A"), ValueError),
    (lambda c: c.type_letter("ni"), ValueError),
    (lambda c: c.type_letter("\u4f60"), ValueError),
    (lambda c: c.candidates(-1), ValueError),
    (lambda c: c.choose(99999), IndexError),
    (lambda c: c.choose(-1), ValueError),
    (lambda c: setattr(c, "_letters", "ni hao") or c.spelling(), ValueError),
    (lambda c: setattr(c, "_letters", b"nihao") or c.candidates(), TypeError),
    (lambda c: setattr(c, "_letters", "z" * 39) or c.candidates(), ValueError),
])
def test_wrong_input_raises(call, error):
    with pytest.raises(error):
        call(composed("ni"))


@settings(max_examples=40, deadline=None)
@given(st.lists(st.tuples(st.sampled_from("ab"), st.sampled_from(["type", "erase", "choose"]),
                          st.sampled_from("nihaozhongguox")), max_size=30))
def test_two_compositions_keep_apart(steps):
    """Two compositions used in turn (a keyboard opened inside another's
    modal loop) answer as each would alone."""
    together = {"a": nuv_engines.Composition(), "b": nuv_engines.Composition()}
    alone = {"a": [], "b": []}  # the steps of each, replayed on its own
    for who, action, letter in steps:
        alone[who].append((action, letter))
        result = _step(together[who], action, letter)
        replayed = nuv_engines.Composition()
        expected = [_step(replayed, *step) for step in alone[who]][-1]
        assert result == expected
        assert together[who].candidates(0, 8) == replayed.candidates(0, 8)
        assert together[who].spelling() == replayed.spelling()


def _step(composition, action, letter):
    if action == "type":
        return composition.type_letter(letter)
    if action == "erase":
        return composition.erase_letter()
    return composition.choose(0) if composition.candidate_count() else None


MISSING_DICTIONARY = """
import nuv_engines
real = nuv_engines._pinyin_dictionaries
nuv_engines._pinyin_dictionaries = ("/nonexistent/dict_pinyin.dat",)
try:
    nuv_engines.Composition()
except FileNotFoundError as error:
    print("refused:", error)
nuv_engines._pinyin_dictionaries = real
composition = nuv_engines.Composition()
for letter in "nihao":
    composition.type_letter(letter)
print(composition.candidates(0, 1))
"""


def test_a_missing_dictionary_is_refused_then_found_when_there():
    env_path = "%s:%s" % (BUILD_DIR, LAYOUTS_DIR)
    done = subprocess.run([sys.executable, "-c", MISSING_DICTIONARY], capture_output=True, text=True,
                          env=dict(os.environ, PYTHONPATH=env_path), timeout=scaled(60))
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines() == [
        "refused: no pinyin dictionary (looked for /nonexistent/dict_pinyin.dat)", "['你好']"]
