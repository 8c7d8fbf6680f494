# Type stubs for nuv_engines, the input engines the on-screen keyboards
# compose with. Installed as nuv_touch's are: as nuv_engines.pyi beside the
# module and as the stub-only package nuv_engines-stubs (PEP 561).
#
# `str` and `int` parameters are checked for exactly that type when called.
# The engines run on the GUI thread only; on another thread they raise
# RuntimeError (post the call with wx.CallAfter). Only the main interpreter
# can import the module.

# The composer protocol, the same on every engine's class (modelled on
# IBus and fcitx engines). Making one opens its engine, once per process:
# OSError when its library cannot be loaded, FileNotFoundError when its
# dictionary or data is missing; the keyboards then stay Latin.
#   type_key(key)          one printable ASCII key (ValueError for another
#                          str); False when the composition takes no more
#   erase()                takes back the last key; False when empty
#   preedit()              what is composing, as shown above the entry
#   candidate_count()      its candidates (0: none)
#   candidates(start, n)   up to n of them from the start'th, best first
#   choose(index)          the text the candidate commits; what it leaves
#                          stays composing (IndexError past the last)
#   commit()               all that is pending, as preedit() shows it
#   reset()                drops what is composing
#   empty()                True when nothing is composing

# Where the pinyin engine looks for its dictionary, in order, when the
# first Composition opens it.
_pinyin_dictionaries: tuple[str, ...]

# Pinyin being composed on the Chinese keyboard. The first one opens the
# pinyin engine (FileNotFoundError without its dictionary). Letters are
# a to z; a composition takes them while they make at most about ten
# syllables (the engine's limits).
class Composition:
    # Checked when set: at most 39 of the letters a to z.
    _letters: str
    def __init__(self) -> None: ...
    # The protocol: the keys are the letters a to z, the preedit is the
    # spelling, a commit gives the letters as typed.
    def type_key(self, key: str) -> bool: ...
    def erase(self) -> bool: ...
    def preedit(self) -> str: ...
    def candidate_count(self) -> int: ...
    # Up to `count` candidates from the `start`th, best first.
    def candidates(self, start: int = 0, count: int = 5) -> list[str]: ...
    # The candidate's text; the letters it leaves stay, with candidates of
    # their own.
    def choose(self, index: int) -> str: ...
    def commit(self) -> str: ...
    def reset(self) -> None: ...
    def empty(self) -> bool: ...
    # The pinyin names, as before the protocol.
    # False when the composition takes no more.
    def type_letter(self, letter: str) -> bool: ...
    # False when there is no letter to take back.
    def erase_letter(self) -> bool: ...
    def clear(self) -> None: ...
    def letters(self) -> str: ...
    # The letters split into syllables as the engine reads them: "ni'hao".
    def spelling(self) -> str: ...

class _Composer:
    def __init__(self) -> None: ...
    def type_key(self, key: str) -> bool: ...
    def erase(self) -> bool: ...
    def preedit(self) -> str: ...
    def candidate_count(self) -> int: ...
    def candidates(self, start: int = 0, count: int = 5) -> list[str]: ...
    def choose(self, index: int) -> str: ...
    def commit(self) -> str: ...
    def reset(self) -> None: ...
    def empty(self) -> bool: ...

# The keyboards of xkeyboard-config, read through libxkbcommon without a
# display server. The states a key is read in, in the order its levels are
# given: plain, shift, caps, shift_caps, altgr, altgr_shift.
XKB_STATES: tuple[str, ...]
# The keys of a layout's main block ("ru", or "de" and "nodeadkeys"): (xkb
# name, keycode, row 0 to 3, column, levels), each level (text, dead key
# name) or None. ValueError for a layout xkeyboard-config does not have.
def xkb_keymap(layout: str, variant: str = "") -> list[tuple[str, int, int, int, tuple[tuple[str, str] | None, ...]]]: ...
# {dead key: {base: composed text}} for every pair the system's Compose
# table composes.
def xkb_compose(dead_keys: list[str], bases: list[str]) -> dict[str, dict[str, str]]: ...
# The folder of the system's xkeyboard-config.
def xkb_data_root() -> str: ...

# Korean on the 2-set layout (libhangul): the keys are its ASCII letters
# (g k s r m f: 한글); a syllable stays composing until committed. No
# candidates. At most 60 characters.
_hangul_library: str
class HangulComposition(_Composer): ...

# Traditional Chinese by zhuyin (libchewing, its user phrases in memory):
# the keys of the standard zhuyin layout (5 j / then Space: 中), but "`"
# (libchewing's symbol menu: ValueError). The candidates are the last
# phrase's; choosing one commits all that is converted. At most 20
# characters.
_chewing_library: str
_chewing_data: str
class ZhuyinComposition(_Composer): ...

# Japanese (anthy, no personality): romaji keys (letters, "-", ",", ".";
# ValueError for another) become hiragana; the candidates are the first
# segment's, and choosing one keeps the rest composing. commit() gives the
# kana. At most 20 kana, 4 latin letters and 8 long vowel marks.
_anthy_library: str
_anthy_dictionary: str
class KanaComposition(_Composer): ...

# Cangjie (m17n's zh-cangjie): radicals on the letters a to y (y k: 文
# among the candidates). At most 60 characters.
_m17n_library: str
_cangjie_method: str
class CangjieComposition(_Composer): ...
