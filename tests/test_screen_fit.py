"""Every keypad inside small screens, with a message too long to show whole
and bounds too long to show whole; every caption readable in a light and a
dark theme. Each screen size and theme runs in a process of its own with an
X server of that size (screen_probe.py opens the keypads)."""

import json
import os
import subprocess
import sys

import pytest

from conftest import BUILD_DIR, LAYOUTS_DIR

PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                     "screen_probe.py")
# The common panels, landscape and portrait, and one too small even for keys
# of the 48 dip floor.
SIZES = ["800x480", "1024x600", "480x800", "600x1024", "480x320"]
KINDS = ["numeric", "numeric wide", "pin", "keyboard us", "keyboard de", "keyboard fr", "keyboard es"]
# The Latin letter rows each keyboard keeps whole and in order.
LATIN_ROWS = {"us": ["qwertyuiop", "asdfghjkl", "zxcvbnm"],
              "de": ["qwertzuiop", "asdfghjkl", "yxcvbnm"],
              "fr": ["azertyuiop", "qsdfghjklm", "wxcvbn"],
              "es": ["qwertyuiop", "asdfghjkl", "zxcvbnm"]}
_reports = {}


def _probe(size, theme=None):
    """The probe's report for a screen of `size` ("WIDTHxHEIGHT"); in GTK's
    `theme` with the keys' colours as drawn."""
    if (size, theme) not in _reports:
        read, write = os.pipe()
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24",
             "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        try:
            with os.fdopen(read) as display:
                number = display.readline().strip()
            env = dict(os.environ, DISPLAY=":" + number,
                       PYTHONPATH=os.pathsep.join((str(BUILD_DIR),
                                                   str(LAYOUTS_DIR))))
            arguments = []
            if theme:
                env["GTK_THEME"] = theme
                arguments.append("--colours")
            done = subprocess.run([sys.executable, PROBE] + arguments, env=env,
                                  capture_output=True, text=True, timeout=120)
        finally:
            server.kill()
            server.wait()
        assert done.returncode == 0, done.stderr
        _reports[size, theme] = json.loads(done.stdout)
    return _reports[size, theme]


def _inside(inner, outer):
    x, y, w, h = inner
    ox, oy, ow, oh = outer
    return ox <= x and oy <= y and x + w <= ox + ow and y + h <= oy + oh


@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("size", SIZES)
def test_keypad_inside_the_screen(size, kind):
    report = _probe(size)
    keypad = report[kind]
    # The dialog with a window manager's frame around it.
    assert _inside(keypad["framed"], report["area"]), keypad["framed"]
    keys = keypad["keys"]
    assert keys and all(key["inside"] for key in keys), keys
    assert all(key["on_top"] for key in keys), keys  # nothing covers a key
    # The message is cut on screen where it must be, never in what the
    # keypad holds.
    assert keypad["message"]
    assert keypad["shown"].endswith("\u2026") or keypad["shown"].split() == keypad["message_words"]
    assert not keypad["untypeable"]
    if size != "480x320":
        width, height = keypad["floor"]
        assert min(key["rect"][2] for key in keys) >= width
        assert min(key["rect"][3] for key in keys) >= height
        assert all(key["whole"] for key in keys), [key["label"] for key in keys if not key["whole"]]
        if kind.startswith("keyboard"):
            rows = _rows_of_characters(keys)
            assert all(any(latin in row for row in rows)
                       for latin in LATIN_ROWS[kind.split()[1]]), rows


def _rows_of_characters(keys):
    """The one-character labels of the keys on screen, row by row, each
    row left to right."""
    rows = {}
    for key in keys:
        if len(key["label"]) == 1:
            rows.setdefault(key["rect"][1], []).append(key)
    return ["".join(key["label"] for key in sorted(row, key=lambda key: key["rect"][0]))
            for _top, row in sorted(rows.items())]


@pytest.mark.parametrize("size", SIZES[:-1])
def test_bounds_whole_where_the_screen_has_room(size):
    # Sixteen-digit bounds fit every panel's screen beside or above the
    # keys; cut to the keys' width they lost their last digits.
    shown = _probe(size)["numeric wide"]["bounds"]
    assert shown and all(text == whole for text, whole in shown), shown


def _contrast(first, second):
    """WCAG's contrast ratio of two sRGB colours."""
    def luminance(colour):
        linear = [(part / 255) / 12.92 if part <= 10 else ((part / 255 + 0.055) / 1.055) ** 2.4
                  for part in colour]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    light, dark = sorted((luminance(first), luminance(second)), reverse=True)
    return (light + 0.05) / (dark + 0.05)


@pytest.mark.parametrize("theme", ["Adwaita", "Adwaita:dark"])
def test_captions_stand_out_and_keys_keep_their_meaning(theme):
    report = _probe("800x480", theme)
    for kind in KINDS:
        keys = report[kind]["colours"]
        for key in keys:
            (face, caption), (pressed, pressed_caption) = key["drawn"]
            where = (kind, key["label"], key["drawn"])
            if key["enabled"]:
                assert _contrast(face, caption) >= 4.5, where
                assert _contrast(pressed, pressed_caption) >= 4.5, where
                assert _contrast(face, pressed) >= 1.2, where  # visibly pressed
            else:  # greyed
                assert _contrast(face, caption) < 4.5, where
        # The prompt and the bounds, drawn by the dialog, read as well.
        for name, (background, text) in report[kind]["texts"].items():
            assert _contrast(background, text) >= 4.5, (kind, name, background, text)
        faces = {key["label"]: key["drawn"][0][0] for key in keys}
        red, green, blue = faces["OK"]
        assert green > red and green > blue, (kind, faces["OK"])
        red, green, blue = faces["Cancel"]
        assert red > green and red > blue, (kind, faces["Cancel"])
        if kind.startswith("keyboard"):
            red, green, blue = faces["Shift on"]
            assert red > green > blue, (kind, faces["Shift on"])
            assert faces["Shift"] != faces["Shift on"], kind
