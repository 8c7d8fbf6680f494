"""The soak's verdict against its plain-wx baseline, and the baseline's
focus hand-off."""

import sys

import pytest
import wx

from conftest import ROOT

sys.path.insert(0, str(ROOT / "scripts"))
import soak  # noqa: E402  (scripts/ is no package)


def growth(**rate):
    """A run of 1,000 openings that grew by `rate` per 1,000, nothing else."""
    rates = dict.fromkeys(soak.TOLERANCE, 0.0)
    rates.update(rate)
    return soak.Growth("kind", 1000, 1.0, 1.0, {}, {}, {}, rates, [(0, 250)] * 3, 0, 0)


@pytest.mark.parametrize("key", sorted(soak.TOLERANCE))
def test_a_kind_is_judged_on_its_growth_less_the_baselines(key):
    limit, baseline = soak.TOLERANCE[key], growth(**{key: 16.0})
    assert soak.judged(growth(**{key: limit + 16.0}), baseline)[1] == []
    assert soak.judged(growth(**{key: limit + 17.0}), baseline)[1] == [key]
    # Without a baseline, or against one that shrank, its own growth counts.
    assert soak.judged(growth(**{key: limit + 1.0}))[1] == [key]
    assert soak.judged(growth(**{key: limit}), growth(**{key: -30.0}))[1] == []


def test_the_baseline_hands_the_focus_from_the_frame_to_the_dialog(frame):
    driver = soak.ModalDriver()
    kind = soak.FocusHandOff(frame, driver)
    held = []
    kind.ctrl.Bind(wx.EVT_SET_FOCUS, lambda event: (event.Skip(), held.append("frame")))

    def end(dialog):
        focus = wx.Window.FindFocus()
        held.append(focus is not None and focus.GetTopLevelParent() is dialog and focus is not dialog)
        dialog.EndModal(wx.ID_OK)

    driver.arm = lambda step, arm=driver.arm: arm(end)
    try:
        assert all(kind.cycle(i) for i in range(3))
    finally:
        kind.close()
    # GTK may give the frame's field the focus back as a dialog closes, as
    # well as when the next cycle asks for it: a run of them counts once.
    runs = [step for index, step in enumerate(held) if index == 0 or step != held[index - 1]]
    assert runs == ["frame", True] * 3 and driver.stuck == 0
