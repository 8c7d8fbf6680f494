# Type stubs for nuv_engines, the input engines the on-screen keyboards
# compose with. Installed as nuv_touch's are: as nuv_engines.pyi beside the
# module and as the stub-only package nuv_engines-stubs (PEP 561).
#
# `str` and `int` parameters are checked for exactly that type when called.
# The engines run on the GUI thread only; on another thread they raise
# RuntimeError (post the call with wx.CallAfter). Only the main interpreter
# can import the module.

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
    # False when the composition takes no more.
    def type_letter(self, letter: str) -> bool: ...
    # False when there is no letter to take back.
    def erase_letter(self) -> bool: ...
    def clear(self) -> None: ...
    def letters(self) -> str: ...
    # The letters split into syllables as the engine reads them: "ni'hao".
    def spelling(self) -> str: ...
    def candidate_count(self) -> int: ...
    # Up to `count` candidates from the `start`th, best first.
    def candidates(self, start: int = 0, count: int = 5) -> list[str]: ...
    # The candidate's text; the letters it leaves stay, with candidates of
    # their own.
    def choose(self, index: int) -> str: ...

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
