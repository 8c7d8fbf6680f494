"""A keypad whose owner window or bound control is destroyed while it is
open, under valgrind: wx is not instrumented for AddressSanitizer, and its
ShowModal goes on using the dialog after the modal loop ends. On request,
the stateful test of host patterns too, as long as asked.

Slow (about a minute): runs only when selected, `pytest -m valgrind`, and
is skipped when valgrind is not installed, except under CI.
"""
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

import pytest

import nuv_touch

TESTS_DIR = Path(__file__).resolve().parent
SUPPRESSIONS = TESTS_DIR.parent / "scripts" / "valgrind.supp"

pytestmark = [pytest.mark.valgrind,
              pytest.mark.skipif(not shutil.which("valgrind") and not os.environ.get("CI"),
                                 reason="valgrind is not installed")]

# An invalid access is the keypads' when its stack holds the modal loop,
# wx destroying a window, or one of the modules.
OURS = ("ShowModal", "Destroy", "~wx", "DeletePendingObjects", "nuv_touch", "nuv_engines")


def invalid_accesses(log):
    found = []
    for error in ET.parse(log).getroot().iter("error"):
        if not error.findtext("kind").startswith("Invalid"):
            continue
        frames = [(f.findtext("fn") or "") + " " + (f.findtext("obj") or "")
                  for f in error.find("stack").iter("frame")]
        if any(mark in frame for frame in frames for mark in OURS):
            found.append("%s\n    %s" % (error.findtext("what"), "\n    ".join(frames[:12])))
    return found


def under_valgrind(tmp_path, args, timeout, **env):
    """Runs the interpreter with `args` under valgrind: (the finished
    process, its output, the invalid accesses found)."""
    env = dict(os.environ, PYTHONMALLOC="malloc",
               PYTHONPATH=os.pathsep.join([str(Path(nuv_touch.__file__).parent), *sys.path]), **env)
    env.pop("LD_PRELOAD", None)
    done = subprocess.run(
        ["valgrind", "--error-exitcode=0", "--leak-check=no", "--num-callers=40", "--xml=yes",
         "--xml-file=%s" % (tmp_path / "valgrind.%p.xml"), "--suppressions=%s" % SUPPRESSIONS,
         sys.executable, *args],
        env=env, capture_output=True, text=True, timeout=timeout)
    found = [access for log in tmp_path.glob("valgrind.*.xml") for access in invalid_accesses(log)]
    return done, done.stdout + done.stderr, found


@pytest.mark.parametrize("scenarios, lines", [
    ((), ("prompt_owner_destroyed None", "proxy_owner_destroyed frame gone", "proxy_owner_closed frame gone",
          "control_destroyed written []", "form_rebuilt fields ['new']",
          "nested_prompts_owner_destroyed [('inner', None), ('outer', None)]",
          "composing_keyboard_owner_destroyed [None, None, None, None, None]",
          "everything_destroyed_and_yielded [None]")),
    (("everything_destroyed_and_yielded",), ("everything_destroyed_and_yielded [None]",)),
], ids=["all", "every_window_destroyed"])
def test_destroyed_owner_or_control_ends_the_keypad_cleanly(tmp_path, scenarios, lines):
    done, output, found = under_valgrind(tmp_path, [str(TESTS_DIR / "valgrind_scenarios.py"), *scenarios],
                                         timeout=900)
    assert done.returncode == 0, output
    for line in lines:
        assert line in done.stdout, output
    assert "g_signal_handler_disconnect" not in output
    assert not found, "\n".join(found)


# The stateful test of host patterns, as long as asked (hours for a
# hundred sequences): only when NUV_TOUCH_VALGRIND_HOST_EXAMPLES is set.
HOST_EXAMPLES = os.environ.get("NUV_TOUCH_VALGRIND_HOST_EXAMPLES")


@pytest.mark.skipif(not HOST_EXAMPLES, reason="set NUV_TOUCH_VALGRIND_HOST_EXAMPLES for this long run")
def test_host_patterns_under_valgrind(tmp_path):
    done, output, found = under_valgrind(
        tmp_path, ["-m", "pytest", "-p", "no:cacheprovider", "-p", "no:xvfb", "-q", "-x",
                   str(TESTS_DIR / "test_host_patterns.py")],
        timeout=48 * 3600, NUV_TOUCH_FUZZ_EXAMPLES=HOST_EXAMPLES, NUV_TOUCH_TIME_SCALE="30")
    assert done.returncode == 0, output
    assert not found, "\n".join(found)
