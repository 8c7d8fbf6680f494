"""Failures that must leave nothing behind: a keypad whose construction
fails after its window exists is destroyed, so no hidden dialog is left to
keep the application from exiting."""
import pytest
import wx

import nuv_touch
from conftest import pump


def top_level_windows():
    pump()
    return [w for w in wx.GetTopLevelWindows() if not w.IsBeingDeleted()]


class Uncomparable:
    def __ne__(self, other):
        raise ArithmeticError("no comparison")

    __eq__ = __ne__


@pytest.mark.parametrize("make, error", [
    (lambda p: nuv_touch.DigitKeypad(p, 0, font_size="20"), TypeError),
    (lambda p: nuv_touch.DigitKeypad(p, 0, font_size=10 ** 30), OverflowError),
    (lambda p: nuv_touch.DigitKeypad(p, 0, show_size=-(10 ** 30)), OverflowError),
    (lambda p: nuv_touch.DigitKeypad(p, 0, minimum=Uncomparable()), ArithmeticError),
    (lambda p: nuv_touch.DigitKeypad(p, Uncomparable()), ArithmeticError),
    (lambda p: nuv_touch.DigitPasswordKeypad(p, font_size=10 ** 30), OverflowError),
    (lambda p: nuv_touch.AlphaKeypad(p, widget=object()), AttributeError),
], ids=["digit-font-str", "digit-font-huge", "digit-show-huge", "digit-bound", "digit-mode", "pin-font-huge",
        "alpha-widget"])
def test_keypad_failing_half_way_is_destroyed(frame, make, error):
    before = top_level_windows()
    with pytest.raises(error):
        make(frame)
    assert top_level_windows() == before
