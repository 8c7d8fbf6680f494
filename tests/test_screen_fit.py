"""Every keypad inside small screens, with a message too long to show whole
and bounds too long to show whole; every caption readable in a light and a
dark theme; the keyboard of every layout of xkeyboard-config on the panels'
screens, against libxkbcommon's own account of the layout. Each screen size
and theme runs in a process of its own with an X server of that size
(screen_probe.py opens the keypads)."""

import json
import os
import subprocess
import sys
import unicodedata
import xml.etree.ElementTree as ElementTree

import pytest

from conftest import BUILD_DIR, LAYOUTS_DIR
import xkb_oracle

PROBE = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                     "screen_probe.py")
# The common panels, landscape and portrait, and one too small even for keys
# of the 48 dip floor.
SIZES = ["800x480", "1024x600", "480x800", "600x1024", "480x320"]
# The keyboards: the US one and each composing one.
KINDS = ["numeric", "numeric wide", "pin", "keyboard us", "keyboard zh", "keyboard kr", "keyboard tw",
         "keyboard jp", "keyboard cangjie"]
# The panels' screens, where every layout's keyboard is opened.
PANELS = SIZES[:4]
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
            arguments = ["--layouts"] if size in PANELS and not theme else []
            if theme:
                env["GTK_THEME"] = theme
                arguments.append("--colours")
            done = subprocess.run([sys.executable, PROBE] + arguments, env=env,
                                  capture_output=True, text=True, timeout=600)
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
    if size != "480x320":
        _sized_to_fingers(keypad)


def _sized_to_fingers(keypad):
    keys = keypad["keys"]
    width, height = keypad["floor"]
    assert min(key["rect"][2] for key in keys) >= width
    assert min(key["rect"][3] for key in keys) >= height
    assert all(key["whole"] for key in keys), [key["label"] for key in keys if not key["whole"]]


def _rows_on_screen(keys):
    """The labels of the keys on screen, row by row, each left to right."""
    rows = {}
    for key in keys:
        rows.setdefault(key["rect"][1], []).append(key)
    return [[key["label"] for key in sorted(row, key=lambda key: key["rect"][0])]
            for _top, row in sorted(rows.items())]


def _in_order(letters, row):
    """True when `letters` stand in `row` in this order."""
    rest = iter(row)
    return all(letter in rest for letter in letters)


def _top_level_layouts():
    from nuv_touchui import catalogue
    root = ElementTree.parse(catalogue.rules_file()).getroot()
    names = [layout.findtext("configItem/name") for layout in root.iterfind("layoutList/layout")]
    return [name for name in names if name not in catalogue.NOT_KEYBOARDS and name not in COMPOSING]


# The layouts that compose, among the keypads above.
COMPOSING = {kind.split()[1] for kind in KINDS if kind.startswith("keyboard ")} - {"us"}


# The letter rows (xkb's AD, AC and AB), and the keys whose first two
# levels every keyboard offers.
LETTER_ROWS = [["AD%02d" % n for n in range(1, 13)], ["AC%02d" % n for n in range(1, 12)],
               ["AB%02d" % n for n in range(1, 11)]]
MAIN_BLOCK = (["TLDE", "BKSL", "LSGT"] + ["AE%02d" % n for n in range(1, 13)]
              + [name for row in LETTER_ROWS for name in row])


def _is_letter(char):
    return char is not None and unicodedata.category(char)[0] in "LM"


@pytest.mark.parametrize("size", PANELS)
@pytest.mark.parametrize("name", _top_level_layouts())
def test_every_layout_on_the_panels_screens(name, size):
    keyboard = _probe(size)["layouts"][name]
    assert _inside(keyboard["framed"], _probe(size)["area"]), keyboard["framed"]
    assert all(key["inside"] and key["on_top"] for key in keyboard["keys"])
    _sized_to_fingers(keyboard)
    expected = xkb_oracle.characters(name, "", MAIN_BLOCK)
    # Each letter row whole and in order on one row of the screen.
    rows = _rows_on_screen(keyboard["keys"])
    for names in LETTER_ROWS:
        plain = [expected[key][0] for key in names if expected[key][0] is not None]
        assert any(_in_order(plain, row) for row in rows), (plain, rows)
    # Every letter and mark of the first two levels on a key or held.
    letters = {char for levels in expected.values() for char in levels if _is_letter(char)}
    assert letters <= set(keyboard["reach"]), sorted(letters - set(keyboard["reach"]))
    # The Latin letters a key away where the script is another; right to
    # left where its letters are.
    plain = [expected[key][0] for row in LETTER_ROWS for key in row if _is_letter(expected[key][0])]
    latin = set("abcdefghijklmnopqrstuvwxyz") <= set(plain)
    assert keyboard["latin_key"] != latin
    assert set("abcdefghijklmnopqrstuvwxyz") <= set(keyboard["reach"])
    strong = [unicodedata.bidirectional(char) in ("R", "AL") for char in plain]
    assert keyboard["right_to_left"] == (sum(strong) * 2 > len(strong))


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
