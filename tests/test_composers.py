"""The Korean, zhuyin, Japanese and Cangjie composers, on the protocol they
share with pinyin: no window needed."""
import os
import subprocess
import sys
from dataclasses import dataclass

import pytest

import nuv_engines
from conftest import BUILD_DIR, LAYOUTS_DIR, scaled


@dataclass
class Case:
    composer: str
    keys: str            # typed, they show `shown`
    shown: str
    offered: str         # among their candidates ("" for none); chosen, it commits
    erased: str          # the preedit once the last key is taken back
    paged: str           # keys with more than a page of candidates ("" for none)
    pending: str         # keys whose commit gives `committed`
    committed: str


CASES = [
    Case("HangulComposition", "gksrmf", "한글", "", "한그", "", "gks1", "한1"),
    Case("ZhuyinComposition", "5j/ jp6", "中文", "中文", "中", "5j/ ", "5j/ jp", "中ㄨㄣ"),
    Case("KanaComposition", "kanji", "かんじ", "漢字", "かん", "kanji", "kanjin", "かんじん"),
    Case("CangjieComposition", "yk", "头", "文", "卜", "om", "a!b1", "日!月"),
]


def typed(name, keys):
    composer = getattr(nuv_engines, name)()
    for key in keys:
        assert composer.type_key(key), key
    return composer


@pytest.mark.parametrize("case", CASES, ids=[case.composer for case in CASES])
def test_a_word_by_keys(case):
    word = typed(case.composer, case.keys)
    assert (word.preedit(), word.empty()) == (case.shown, False)
    if case.offered:
        chosen = word.candidates(0, word.candidate_count()).index(case.offered)
        assert word.choose(chosen) == case.offered
        assert (word.preedit(), word.empty(), word.candidate_count()) == ("", True, 0)
    else:
        assert (word.candidate_count(), word.candidates()) == (0, [])
        with pytest.raises(IndexError):
            word.choose(0)

    erased = typed(case.composer, case.keys)
    assert erased.erase() and erased.preedit() == case.erased

    if case.paged:
        paged = typed(case.composer, case.paged)
        count = paged.candidate_count()
        assert count > 3 and paged.candidates(0, 2) + paged.candidates(2, count) == paged.candidates(0, count)
        assert paged.candidates(count, 5) == []

    pending = typed(case.composer, case.pending)
    assert pending.commit() == case.committed
    assert (pending.empty(), pending.preedit(), pending.commit(), pending.erase()) == (True, "", "", False)
    pending.type_key(case.keys[0])
    pending.reset()
    assert pending.empty()


@pytest.mark.parametrize("case", CASES, ids=[case.composer for case in CASES])
def test_keys_are_bounded(case):
    composer = typed(case.composer, "")
    for key in ("", "ab", "\n", "\u00e9", b"a"):
        with pytest.raises((ValueError, TypeError)):
            composer.type_key(key)
    many = case.keys * 40
    taken = sum(composer.type_key(key) for key in many)
    assert 0 < taken < len(many) and not composer.type_key(case.keys[0])
    assert composer.commit() and composer.empty()


def test_japanese_takes_romaji_only_and_little_of_what_is_no_kana():
    """anthy slows past a frame on runs of latin letters or long vowel
    marks: a composition holds few of them."""
    composer = typed("KanaComposition", "Kitte-")
    assert composer.preedit() == "きってー"
    with pytest.raises(ValueError):
        composer.type_key("5")
    assert [composer.type_key("q") for _ in range(6)] == [True] * 4 + [False] * 2
    assert composer.commit() == "きってーqqqq"
    marks = typed("KanaComposition", "")
    assert sum(marks.type_key("-") for _ in range(20)) == 8


def test_two_zhuyin_compositions_keep_apart():
    """libchewing's one context serves both: each gets its own keys back,
    and what it committed by itself (a capital on an empty buffer) stays."""
    first, second = typed("ZhuyinComposition", "A5j/ "), typed("ZhuyinComposition", "jp6")
    # libchewing 0.5 commits the capital in lower case, the releases since as typed.
    own = first.preedit()
    assert own in ("a中", "A中") and second.preedit() == "文"
    assert first.candidates(0, 1) == ["中"] and second.candidates(0, 1) == ["文"]
    assert second.commit() == "文" and first.preedit() == own
    assert first.erase() and first.erase() and first.preedit() == "" and not first.erase()
    with pytest.raises(ValueError):
        first.type_key("`")


# Each engine's library missing, then its data, then both back: a clear
# error at the first composition, and the engine opens once they are there.
MISSING = """
import os, sys
import nuv_engines as engines
cases = [("HangulComposition", "_hangul_library", "nothing"),
         ("ZhuyinComposition", "_chewing_library", "_chewing_data"),
         ("KanaComposition", "_anthy_library", "_anthy_dictionary"),
         ("CangjieComposition", "_m17n_library", "_cangjie_method")]
for composer, library, data in cases:
    for setting in (library, data):
        if not hasattr(engines, setting):
            continue
        real = getattr(engines, setting)
        setattr(engines, setting, "/nonexistent/" + real.rsplit("/", 1)[-1])
        try:
            getattr(engines, composer)()
        except OSError as error:
            print(composer, type(error).__name__)
        setattr(engines, setting, real)
    composition = getattr(engines, composer)()
    composition.type_key("a")
    composition.commit()
print(sorted(os.listdir(os.environ["HOME"])))
"""


def test_a_missing_library_or_dictionary_is_refused_then_found(tmp_path):
    """Also: no engine prints anything or writes a file in the home."""
    env = dict(os.environ, PYTHONPATH="%s:%s" % (BUILD_DIR, LAYOUTS_DIR), HOME=str(tmp_path))
    done = subprocess.run([sys.executable, "-c", MISSING], capture_output=True, text=True, env=env,
                          timeout=scaled(60))
    assert (done.returncode, done.stderr) == (0, "")
    assert done.stdout.splitlines() == [
        "HangulComposition OSError",
        "ZhuyinComposition OSError", "ZhuyinComposition FileNotFoundError",
        "KanaComposition OSError", "KanaComposition FileNotFoundError",
        "CangjieComposition OSError", "CangjieComposition FileNotFoundError",
        "[]"]
