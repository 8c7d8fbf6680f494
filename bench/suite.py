"""The measurements: nuv_touch against its plain-Python floor (plain_touch).

Six groups, each a list of rows with the module's figure, the floor's, their
ratio and the target:

    construct  construction + Destroy of each keypad dialog
    handlers   key handlers and other calls on a live dialog or proxy, and
               the same calls with the widgets replaced by trivial stand-ins
               (the module's own cost per call)
    taps       the full tap cycle of each proxy, and the latency from the
               tap to the keypad painted on screen
    confirm    the confirm check on integer entries of growing length
    memory     RSS and allocated-block growth over open/confirm/destroy cycles
    imports    import time of the module once wx is imported
    layouts    each keypad (every national keyboard) made, shown, drawn
               on screen and destroyed against a floor (a bare dialog with
               an entry field and one window drawing 59 keys), for the
               layouts now and some for the layouts of LAYOUTS_BEFORE (from
               the repository's history), under the plain-Python keypads

Classes the module does not have yet are reported as missing, not measured.
"""

import collections
import functools
import itertools
import os
import random
import statistics
import subprocess
import sys
import time
import types

import wx
import wx.grid

import nuv_touch
import nuv_touchui
import plain_touch
from measure import compare, median_time, memory_growth, settle, settle_display
from report import format_row

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
# The layout module the layouts group compares with: each key a window of
# its own, before the keys were drawn by their panels.
LAYOUTS_BEFORE = "52e1a25"

# Many short rounds rather than a few long ones: the two halves of a round
# then run under the same conditions, and a disturbed round is outvoted.
FULL = {
    "construct_rounds": 60, "construct_batch": 1,
    "handler_calls": 20000, "relayout_calls": 2000, "handler_rounds": 100,
    "standin_calls": 200000,
    "tap_cycles": 2000, "tap_rounds": 100, "latency_taps": 40,
    "confirm_digits": (10, 1000, 100000, 1000000), "confirm_repeats": 9, "confirm_floor_max_digits": 100000,
    "memory_cycles": 5000, "memory_floor_cycles": 1000, "memory_warmup": 100,
    "import_runs": 15,
    "layout_rounds": 61,
}

# Enough to run every code path once or twice; the figures mean nothing.
QUICK = {
    "construct_rounds": 2, "construct_batch": 1,
    "handler_calls": 16, "relayout_calls": 4, "handler_rounds": 2,
    "standin_calls": 200,
    "tap_cycles": 2, "tap_rounds": 2, "latency_taps": 1,
    "confirm_digits": (10, 1000, 100000, 1000000), "confirm_repeats": 1, "confirm_floor_max_digits": 1000,
    "memory_cycles": 4, "memory_floor_cycles": 2, "memory_warmup": 1,
    "import_runs": 1,
    "layout_rounds": 2,
}

IMPLS = (nuv_touch, plain_touch)

# Touch guidance: a visible response within 100 ms of the finger.
TOUCH_RESPONSE_MS = 100.0
# A keyboard should be on screen in the frame after the tap (60 Hz), and a
# numeric or PIN pad well within it.
ONE_FRAME_MS = 1000.0 / 60
PAD_ON_SCREEN_MS = 10.0


def row(group, name, unit, module=None, floor=None, ratio=None, spread=None, target=None, holds=None, **extra):
    result = {"group": group, "name": name, "unit": unit, "module": module, "floor": floor, "ratio": ratio,
              "spread": spread, "target": target, "holds": holds}
    result.update(extra)
    return result


def missing(group, name, what):
    return row(group, name, None, None, target="-", note="%s not in the module yet" % what)


def has(*names):
    return all(hasattr(nuv_touch, name) for name in names)


# ---------------------------------------------------------------- helpers

def button_event(button):
    event = wx.CommandEvent(wx.wxEVT_BUTTON, button.GetId())
    event.SetEventObject(button)
    return event


def press(button):
    """A key press as a finger gives it: a button event through the key's
    own handler chain (the layout's binding calls the keypad's handler)."""
    button.GetEventHandler().ProcessEvent(button_event(button))


def child_labelled(dialog, label):
    """The key of `dialog` labelled `label`, or None."""
    return next((key for key in dialog.keys() if key.GetLabel() == label), None)


def modal_dialog():
    for window in wx.GetTopLevelWindows():
        if isinstance(window, wx.Dialog) and window.IsModal():
            return window
    return None


def constant(value):
    """A C-level callable without arguments that returns `value`."""
    return itertools.repeat(value).__next__


def sink():
    """A C-level callable of one argument that keeps nothing for long."""
    return collections.deque(maxlen=1).append


def ok_key(dialog):
    """The confirm key of a keypad layout."""
    return next((key for key in dialog.keys() if key.GetName() == "ok"), None) or dialog.m_button17


def press_ok(dialog):
    press(ok_key(dialog))


def drive(opener, operate=press_ok):
    """Calls `opener()`, which opens a modal keypad, and runs
    `operate(keypad)` inside its loop; `operate` must end the loop. If it
    raises, or leaves the keypad open, the keypad is cancelled and the
    error raised here: a broken run fails instead of hanging."""
    failure = []

    def step():
        dialog = modal_dialog()
        try:
            if dialog is None:
                raise RuntimeError("no keypad open")
            operate(dialog)
            if dialog.IsModal():
                raise RuntimeError("the keypad stayed open")
        except BaseException as error:
            failure.append(error)
            if dialog is not None and dialog.IsModal():
                dialog.EndModal(wx.ID_CANCEL)

    wx.CallAfter(step)
    result = opener()
    if failure:
        raise failure[0]
    return result


class Bench:
    def __init__(self, counts, log=print):
        self.counts = counts
        self.log = log
        self.rows = []
        self.frame = wx.Frame(None, title="nuv_touch bench", size=(800, 600))
        panel = wx.Panel(self.frame)
        self.panel = panel
        self.frame.Show()
        settle()

    def add(self, result):
        self.rows.append(result)
        return result

    def close(self):
        self.frame.Destroy()
        settle()

    # ------------------------------------------------------------ (1) construction

    def construction_cases(self):
        frame = self.frame
        return [
            ("DigitKeypad, integer", ("DigitKeypad",), lambda m: m.DigitKeypad(frame, m.KEYPAD_MODE_INT, 0, 24000)),
            ("DigitKeypad, float", ("DigitKeypad",),
             lambda m: m.DigitKeypad(frame, m.KEYPAD_MODE_FLOAT, 0.5, 250.0, "Feed rate, mm/min:")),
            ("DigitPasswordKeypad", ("DigitPasswordKeypad",), lambda m: m.DigitPasswordKeypad(frame, "PIN:")),
            ("AlphaKeypad, plain", ("AlphaKeypad",), lambda m: m.AlphaKeypad(frame, message="Operator name:")),
            ("AlphaKeypad, password", ("AlphaKeypad",), lambda m: m.AlphaKeypad(frame, password_mode=True)),
        ]

    def run_construct(self):
        c = self.counts
        for name, needs, make in self.construction_cases():
            if not has(*needs):
                self.add(missing("construct", name, needs[0]))
                continue

            def batch(impl, make=make):
                for _ in range(c["construct_batch"]):
                    make(impl).Destroy()
                settle()  # the deferred deletion belongs to the cost

            result = compare(lambda: batch(nuv_touch), lambda: batch(plain_touch), c["construct_rounds"],
                             c["construct_batch"], between=settle)
            self.add(row("construct", name, "ms", target="ratio <= 1.05", **result.judge(1.05),
                         **result.as_dict(1e3)))
            self.log_row(self.rows[-1])

    # ------------------------------------------------------------ (2) handlers

    def handler_cases(self):
        frame, panel = self.frame, self.panel
        int_pad = lambda m: m.DigitKeypad(frame, m.KEYPAD_MODE_INT, 0, 1000000)
        float_pad = lambda m: m.DigitKeypad(frame, m.KEYPAD_MODE_FLOAT, -1e6, 1e6)
        pin_pad = lambda m: m.DigitPasswordKeypad(frame)
        alpha_pad = lambda m: m.AlphaKeypad(frame)
        value_field = lambda d: d.mValueField
        pin_field = lambda d: d.ui_text
        alpha_field = lambda d: d._AlphaKeypad__text_field
        digit_key, zero_key, letter_key, space_key, ok = "7", "0", "q", "Space", "OK"
        H = HandlerCase
        return [
            H("DigitKeypad.OnDigit, append", "DigitKeypad", int_pad, "OnDigit", digit_key, value_field, "", 8),
            H("DigitKeypad.OnDigit, lone 0", "DigitKeypad", int_pad, "OnDigit", zero_key, value_field, "0"),
            H("DigitKeypad.OnClearAll", "DigitKeypad", int_pad, "OnClearAll", ok, value_field, "12"),
            H("DigitKeypad.OnDot", "DigitKeypad", float_pad, "OnDot", ok, value_field, "12", 2),
            H("DigitKeypad.OnNegative", "DigitKeypad", int_pad, "OnNegative", ok, value_field, "5"),
            H("DigitKeypad.OnPositive", "DigitKeypad", int_pad, "OnPositive", ok, value_field, "-5", 2),
            H("DigitKeypad.on_enter, accepted", "DigitKeypad", int_pad, "on_enter", ok, value_field, "42"),
            H("DigitKeypad.on_enter, refused", "DigitKeypad", int_pad, "on_enter", ok, value_field, "4200000"),
            H("DigitKeypad.get_value", "DigitKeypad", int_pad, "get_value", None, value_field, "42", args="none"),
            H("DigitKeypad.set_value", "DigitKeypad", int_pad, "set_value", None, value_field, "", args="42"),
            H("DigitPasswordKeypad.on_digit", "DigitPasswordKeypad", pin_pad, "on_digit", digit_key, pin_field, "",
              8),
            H("DigitPasswordKeypad.on_clear", "DigitPasswordKeypad", pin_pad, "on_clear", ok, pin_field, "12"),
            H("DigitPasswordKeypad.on_confirm", "DigitPasswordKeypad", pin_pad, "on_confirm", ok, pin_field,
              "1234"),
            H("DigitPasswordKeypad.get_value", "DigitPasswordKeypad", pin_pad, "get_value", None, pin_field, "1234",
              args="none"),
            H("AlphaKeypad.on_character", "AlphaKeypad", alpha_pad, "on_character", letter_key, alpha_field, "", 8),
            H("AlphaKeypad.on_character, Space", "AlphaKeypad", alpha_pad, "on_character", space_key, alpha_field,
              "", 8),
            H("AlphaKeypad.on_backspace", "AlphaKeypad", alpha_pad, "on_backspace", ok, alpha_field, "abcdefgh",
              8),
            H("AlphaKeypad.on_clear", "AlphaKeypad", alpha_pad, "on_clear", ok, alpha_field, "abc"),
            H("AlphaKeypad.on_shift", "AlphaKeypad", alpha_pad, "on_shift", ok, alpha_field, "", relayout=True),
            H("AlphaKeypad.on_caps_on", "AlphaKeypad", alpha_pad, "on_caps_on", ok, alpha_field, "",
              relayout=True),
            H("AlphaKeypad.on_caps_off", "AlphaKeypad", alpha_pad, "on_caps_off", ok, alpha_field, "",
              relayout=True),
            H("AlphaKeypad.get_value", "AlphaKeypad", alpha_pad, "get_value", None, alpha_field, "abc", args="none"),
            H("AlphaKeypad.set_value", "AlphaKeypad", alpha_pad, "set_value", None, alpha_field, "", args="abc"),
            H("DigitKeypadProxy.get_value", "DigitKeypadProxy",
              lambda m: ProxyOn(m.DigitKeypadProxy, wx.TextCtrl(panel), m.KEYPAD_MODE_INT), "get_value", None,
              lambda p: p.ctrl, "42", args="none"),
            H("DigitKeypadProxy.set_value", "DigitKeypadProxy",
              lambda m: ProxyOn(m.DigitKeypadProxy, wx.TextCtrl(panel), m.KEYPAD_MODE_INT), "set_value", None,
              lambda p: p.ctrl, "", args=42),
            H("AlphaKeypadProxy.get_value", "AlphaKeypadProxy",
              lambda m: ProxyOn(m.AlphaKeypadProxy, wx.TextCtrl(panel)), "get_value", None, lambda p: p.ctrl,
              "abc", args="none"),
            H("AlphaKeypadProxy.set_value", "AlphaKeypadProxy",
              lambda m: ProxyOn(m.AlphaKeypadProxy, wx.TextCtrl(panel)), "set_value", None, lambda p: p.ctrl, "",
              args="abc"),
        ]

    def run_handlers(self):
        c = self.counts
        for case in self.handler_cases():
            if not has(case.needs):
                self.add(missing("handlers", case.name, case.needs))
                continue
            calls = c["relayout_calls"] if case.relayout else c["handler_calls"]
            rounds = c["handler_rounds"]
            per_batch = max(1, calls // rounds)
            live = LiveCall(case, per_batch)
            try:
                result = compare(live.batch, live.batch, rounds, per_batch, between=settle,
                                 ready=(live.ready_for(IMPLS[0]), live.ready_for(IMPLS[1])))
                agree = live.same_result()
            finally:
                live.close()
                settle()
            self.add(row("handlers", case.name, "us", target="ratio <= 1.00", **result.judge(1.00),
                         calls=per_batch * rounds, same_result=agree, **result.as_dict(1e6)))
            self.log_row(self.rows[-1])

            standin = [StandInCall(case, impl) for impl in IMPLS]
            per_batch = max(1, c["standin_calls"] // rounds)
            with standin[0].rebound(), standin[1].rebound():
                result = compare(lambda: standin[0].batch(per_batch), lambda: standin[1].batch(per_batch), rounds,
                                 per_batch)
            self.add(row("standins", case.name, "ns", target="report", calls=per_batch * rounds,
                         **result.as_dict(1e9)))
            self.log_row(self.rows[-1])

    # ------------------------------------------------------------ (3) taps

    def tap_cases(self):
        return [
            TapCase("DigitKeypadProxy, text control", "DigitKeypadProxy",
                    lambda m, ctrl: m.DigitKeypadProxy(ctrl, m.KEYPAD_MODE_INT, 0, 100), " 42 ", "42"),
            TapCase("AlphaKeypadProxy, text control", "AlphaKeypadProxy",
                    lambda m, ctrl: m.AlphaKeypadProxy(ctrl), " abc ", "abc"),
            TapCase("DigitKeypadProxy, grid cell", "DigitKeypadProxy",
                    lambda m, grid: m.DigitKeypadProxy(grid, m.KEYPAD_MODE_FLOAT), " 2.5 ", "2.5", GridField),
        ]

    def run_taps(self):
        c = self.counts
        for case in self.tap_cases():
            if not has(case.needs):
                self.add(missing("taps", case.name, case.needs))
                self.add(missing("latency", case.name, case.needs))
                continue
            taps = [Tap(case, impl, self.panel) for impl in IMPLS]
            try:
                per_batch = max(1, c["tap_cycles"] // c["tap_rounds"])
                result = compare(lambda: taps[0].cycles(per_batch), lambda: taps[1].cycles(per_batch),
                                 c["tap_rounds"], per_batch, between=settle)
                written = [tap.field.text() for tap in taps]
                self.add(row("taps", case.name, "ms", target="ratio <= 1.05", **result.judge(1.05),
                             calls=per_batch * c["tap_rounds"], written_back=written,
                             same_result=written == [case.expected] * 2, **result.as_dict(1e3)))
                self.log_row(self.rows[-1])

                latency = [[], []]
                with PaintWatch() as watch:
                    for index in range(c["latency_taps"]):
                        for side in ((0, 1) if index % 2 == 0 else (1, 0)):
                            latency[side].append(taps[side].latency(watch))
                            settle()
                module_ms, floor_ms = (1e3 * statistics.median(values) for values in latency)
                worst = 1e3 * max(latency[0])
                self.add(row("latency", case.name, "ms", module_ms, floor_ms, module_ms / floor_ms,
                             target="< %g ms" % TOUCH_RESPONSE_MS, holds=worst < TOUCH_RESPONSE_MS,
                             worst=worst, taps=len(latency[0])))
                self.log_row(self.rows[-1])
            finally:
                for tap in taps:
                    tap.close()
                settle()

    # ------------------------------------------------------------ (4) confirm check

    def run_confirm(self):
        c = self.counts
        if not has("DigitKeypad"):
            self.add(missing("confirm", "on_enter", "DigitKeypad"))
            return
        rng = random.Random(7)
        dialogs = [impl.DigitKeypad(self.frame, impl.KEYPAD_MODE_INT, 0, 10 ** 6) for impl in IMPLS]
        limit = sys.get_int_max_str_digits()
        try:
            for d in dialogs:
                d.EndModal = sink()
            figures = {}
            for digits in c["confirm_digits"]:
                text = str(rng.randint(1, 9)) + "".join(rng.choice("0123456789") for _ in range(digits - 1))
                # A GTK single-line field holds at most 65,534 characters:
                # the entry is read from a stand-in field instead.
                field = types.SimpleNamespace(GetValue=constant(text), SetValue=sink())
                for d in dialogs:
                    d.mValueField = field
                wx.MessageBox.last = None
                module_s = median_time(lambda: dialogs[0].on_enter(None), c["confirm_repeats"])
                outcome = {"message": wx.MessageBox.last}
                floor_s = None
                if digits <= c["confirm_floor_max_digits"]:
                    # The floor's int() needs the interpreter's digit limit lifted.
                    sys.set_int_max_str_digits(0)
                    wx.MessageBox.last = None
                    try:
                        floor_s = median_time(lambda: dialogs[1].on_enter(None), c["confirm_repeats"])
                    finally:
                        sys.set_int_max_str_digits(limit)
                    outcome["same_result"] = wx.MessageBox.last == outcome["message"]
                figures[digits] = module_s
                per_digit = module_s / digits * 1e9
                self.add(row("confirm", "on_enter, %s digits" % format(digits, ","), "ms", module_s * 1e3,
                             None if floor_s is None else floor_s * 1e3,
                             None if floor_s is None else module_s / floor_s, target="report",
                             digits=digits, ns_per_digit=per_digit, **outcome))
                self.log_row(self.rows[-1])
            largest = max(figures)
            big_ok = figures[largest] < 0.1 if largest >= 1000000 else None
            # Linear: the time per digit of the largest entry at most twice
            # that of an entry a tenth as long (quadratic would be ten times).
            linear = None
            if largest // 10 in figures:
                growth = (figures[largest] / largest) / (figures[largest // 10] / (largest // 10))
                linear = growth <= 2.0
                self.add(row("confirm", "per-digit growth %s -> %s digits" % (format(largest // 10, ","),
                                                                            format(largest, ",")),
                             "x", growth, target="<= 2", holds=linear))
                self.log_row(self.rows[-1])
            if big_ok is not None:
                self.add(row("confirm", "%s digits" % format(largest, ","), "ms", figures[largest] * 1e3,
                             target="< 100 ms", holds=big_ok))
                self.log_row(self.rows[-1])
        finally:
            for d in dialogs:
                d.Destroy()
            settle()

    # ------------------------------------------------------------ (5) memory

    def memory_cases(self):
        frame = self.frame
        return [
            ("input_integer, DigitKeypad", ("input_integer", "DigitKeypad"),
             lambda m: m.input_integer(frame, 0, 100), lambda d: (press(child_labelled(d, "7")), press(ok_key(d)))),
            ("input_digit_password, DigitPasswordKeypad", ("input_digit_password", "DigitPasswordKeypad"),
             lambda m: m.input_digit_password(frame, "PIN:"),
             lambda d: (press(child_labelled(d, "7")), press(ok_key(d)))),
            ("input_text, AlphaKeypad", ("input_text", "AlphaKeypad"), lambda m: m.input_text(frame),
             lambda d: (press(child_labelled(d, "q")), press(ok_key(d)))),
        ]

    def run_memory(self):
        c = self.counts
        for name, needs, prompt, operate in self.memory_cases():
            if not has(*needs):
                self.add(missing("memory", name, needs[-1]))
                continue
            growth = {}
            for impl, cycles in ((nuv_touch, c["memory_cycles"]), (plain_touch, c["memory_floor_cycles"])):
                def cycle(impl=impl):
                    drive(lambda: prompt(impl), operate)

                rss, blocks = memory_growth(cycle, cycles, c["memory_warmup"])
                growth[impl] = (rss / cycles, blocks / cycles, cycles)
            (rss, blocks, cycles), (floor_rss, floor_blocks, floor_cycles) = growth[nuv_touch], growth[plain_touch]
            # wx and the interpreter fill caches for a long while (the floor
            # grows too, ever more slowly): the module's growth is what it
            # adds to the floor's. A leak of one object or one small block
            # per cycle would show as 1 block or tens of bytes per cycle.
            self.add(row("memory", name + ", blocks", "/cycle", blocks, floor_blocks,
                         target="floor + < 0.01", holds=blocks - max(floor_blocks, 0) < 0.01, cycles=cycles,
                         floor_cycles=floor_cycles))
            self.log_row(self.rows[-1])
            self.add(row("memory", name + ", RSS", "B/cycle", rss, floor_rss, target="floor + < 8",
                         holds=rss - max(floor_rss, 0) < 8, cycles=cycles, floor_cycles=floor_cycles))
            self.log_row(self.rows[-1])

    # ------------------------------------------------------------ (6) import

    def run_imports(self):
        c = self.counts
        preload = "import wx, wx.grid, nuv_touchui, nuv_wxtools, abc, typing"
        for name, setup in (("after import wx", "import wx"), ("dependencies already imported", preload)):
            for target in ("nuv_touch", "plain_touch"):
                import_seconds(setup, target)  # warm the file cache and the bytecode caches
            times = {}
            for index in range(c["import_runs"]):
                for target in (("nuv_touch", "plain_touch") if index % 2 == 0 else ("plain_touch", "nuv_touch")):
                    times.setdefault(target, []).append(import_seconds(setup, target))
            ratios = [a / b for a, b in zip(times["nuv_touch"], times["plain_touch"])]
            module_ms = statistics.median(times["nuv_touch"]) * 1e3
            floor_ms = statistics.median(times["plain_touch"]) * 1e3
            self.add(row("imports", "import nuv_touch, " + name, "ms", module_ms, floor_ms,
                         statistics.median(ratios), target="report", runs=len(ratios)))
            self.log_row(self.rows[-1])

    # ------------------------------------------------------------ (7) layouts

    def layout_cases(self):
        """(name, make(impl), ratio target, compared with the layouts
        before): national keyboards of several scripts, the numeric and
        the PIN keypad."""
        frame = self.frame

        def keyboard(name):
            def make(m):
                nuv_touchui.set_keyboard_layout(name)
                return m.AlphaKeypad(frame, message="Operator name:")
            return make

        return [("keyboard (US)", keyboard("us"), 1.5, True)] + [
            ("keyboard (%s)" % name.upper(), keyboard(name), 1.5, False)
            for name in ("de", "fr", "es", "zh", "ru", "ara", "th", "kr", "jp", "tw", "cangjie")] + [
            ("numeric keypad", lambda m: m.DigitKeypad(frame, m.KEYPAD_MODE_INT, 0, 24000), 1.5, True),
            ("PIN keypad", lambda m: m.DigitPasswordKeypad(frame, "PIN:"), 1.5, True),
        ]

    def run_layouts(self):
        """Each keypad made, shown, drawn on screen and destroyed, over the
        layouts now (and some over the layouts before), against the floor
        of its own size: all of them once a round, in an order shuffled
        each round, so that a busy moment of the machine hits the floors
        too and no keypad always follows the same one. After each, the X
        server finishes what it was asked, so that what one dialog left it
        to do is not timed in the next. A ratio is the median of each
        round's."""
        c = self.counts
        before = load_layouts_before()
        keypads = []
        for name, make, limit, compared in self.layout_cases():
            keypads.append((name, functools.partial(make, plain_touch), limit))
            if compared and before is not None:
                keypads.append((name + ", before (%s)" % LAYOUTS_BEFORE, functools.partial(make, before), None))
            elif compared:
                self.add(missing("layouts", name + ", before", "the layouts before (git history) not at hand"))
        try:
            sizes = [keypad_size(make) for _name, make, _limit in keypads]
            floors = sorted(set(sizes), key=lambda size: (-size[0] * size[1], size))
            sides = [("floor", functools.partial(KeyFloor, self.frame, wx.Size(*size)), None) for size in floors]
            sides += keypads
            times = [[] for _ in sides]
            with PaintWatch() as watch:
                for _name, make, _limit in sides:  # warm up
                    watch.shown_and_destroyed(make)
                order = list(range(len(sides)))
                shuffled = random.Random(61)
                for _round in range(c["layout_rounds"]):
                    shuffled.shuffle(order)
                    for side in order:
                        times[side].append(watch.shown_and_destroyed(sides[side][1]))
        finally:
            nuv_touchui.set_keyboard_layout(None)
        for (name, _make, limit), size, measured in zip(keypads, sizes, times[len(floors):]):
            floor = times[floors.index(size)]
            ratio = statistics.median(a / b for a, b in zip(measured, floor))
            self.add(row("layouts", name + ", to drawn + Destroy", "ms", 1e3 * statistics.median(measured),
                         1e3 * statistics.median(floor), ratio,
                         target="ratio <= %g" % limit if limit else "report",
                         holds=ratio <= limit if limit else None, rounds=len(measured), size="%dx%d" % size))
            self.log_row(self.rows[-1])
        for size, floor in zip(floors, times):
            self.add(row("layouts", "floor, %dx%d: dialog, entry field, one window drawing 59 keys" % size, "ms",
                         1e3 * statistics.median(floor), target="report", rounds=len(floor)))
            self.log_row(self.rows[-1])
        self.run_composing_taps()

    # The words tapped on each composing keyboard: a letter's time is from
    # its press to the keyboard painted with the candidates it gives.
    COMPOSED_WORDS = (("zh", "nihaozhongguo"), ("kr", "ㅎㅏㄴㄱㅡㄹ"), ("jp", "kanjihenkan"),
                      ("tw", "ㄓㄨㄥˉㄨㄣˊ"), ("cangjie", "卜大"))
    FRAME_MS = 1e3 / 60

    def run_composing_taps(self):
        """Each letter of a word tapped on each composing keyboard, timed
        to the keyboard painted again (candidates, the composition line),
        the engine open from a first word on; the slowest against a frame."""
        rounds = self.counts["layout_rounds"] // 20 + 1
        try:
            for name, word in self.COMPOSED_WORDS:
                nuv_touchui.set_keyboard_layout(name)
                keyboard = plain_touch.AlphaKeypad(self.frame, message="Operator name:")
                try:
                    keyboard.Show()
                    settle()
                    times = [self.tap_while_composing(keyboard, word) for _ in range(rounds + 1)][1:]
                finally:
                    keyboard.Destroy()
                    settle()
                taps = [t for one in times for t in one]
                slowest = 1e3 * max(taps)
                self.add(row("layouts", "keyboard (%s), a tap while composing, to painted (median; slowest)"
                             % name.upper(), "ms", 1e3 * statistics.median(taps), target="slowest <= %.1f" % self.FRAME_MS,
                             holds=slowest <= self.FRAME_MS, slowest=slowest, taps=len(taps)))
                self.log_row(self.rows[-1])
        finally:
            nuv_touchui.set_keyboard_layout(None)

    @staticmethod
    def tap_while_composing(keyboard, word):
        """Seconds from each letter's press to the keyboard painted; the
        word then cleared."""
        times = []
        for letter in word:
            key = next(key for key in keyboard.keys() if key.GetLabel() == letter and key.IsShown())
            start = time.perf_counter()
            key.Press()
            keyboard.Update()
            for panel in keyboard._key_panels:
                panel.Update()
            times.append(time.perf_counter() - start)
        keyboard.on_clear(None)
        settle()
        return times

    # ------------------------------------------------------------ output

    def log_row(self, r):
        self.log(format_row(r))


def cancel(dialog):
    dialog.EndModal(wx.ID_CANCEL)


def keypad_size(make):
    """(width, height) of the keypad `make()` makes, once fitted."""
    dialog = make()
    try:
        return tuple(dialog.GetSize())
    finally:
        dialog.Destroy()
        settle()


def load_layouts_before():
    """The plain-Python keypads over the layout module of LAYOUTS_BEFORE
    (the tools module is the current one), loaded beside the current ones;
    None without the repository's history."""
    try:
        source = subprocess.run(["git", "-C", BENCH_DIR, "show", LAYOUTS_BEFORE + ":layouts/nuv_touchui.py"],
                                check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return None
    current = sys.modules["nuv_touchui"]
    try:
        layouts = sys.modules["nuv_touchui"] = types.ModuleType("nuv_touchui")
        layouts.__file__ = "%s:layouts/nuv_touchui.py" % LAYOUTS_BEFORE
        exec(compile(source, layouts.__file__, "exec"), layouts.__dict__)
        return load_source("plain_touch_before", plain_touch.__file__)
    finally:
        sys.modules["nuv_touchui"] = current


def load_source(name, path):
    """A module of this name made from the Python file at `path`, kept out
    of sys.modules."""
    module = types.ModuleType(name)
    module.__file__ = path
    with open(path) as source:
        exec(compile(source.read(), path, "exec"), module.__dict__)
    return module


def import_seconds(setup, module):
    code = ("import time\n%s\nstart = time.perf_counter()\nimport %s\nprint(time.perf_counter() - start)\n"
            % (setup, module))
    env = dict(os.environ)
    env.pop("PYTHONDONTWRITEBYTECODE", None)  # compiled once, as in any installation
    env["PYTHONPATH"] = os.pathsep.join([BENCH_DIR] + env.get("PYTHONPATH", "").split(os.pathsep))
    out = subprocess.run([sys.executable, "-c", code], env=env, check=True, capture_output=True, text=True)
    return float(out.stdout.split()[-1])


# ---------------------------------------------------------------- handler calls

HandlerCase = collections.namedtuple(
    "HandlerCase", "name needs make handler key field start group args relayout")
HandlerCase.__doc__ = """A call measured on both implementations: `make(impl)` gives the dialog
(or proxy); `handler` is called with a button event from the key labelled
`key` ("OK": the confirm key; None: no event); `field(dialog)` is the text
widget, set to `start` before each group of `group` calls (None: once per
batch); `args` is "event", "none" or the one value passed; `relayout` marks
handlers that lay the dialog out again (fewer calls)."""
HandlerCase.__new__.__defaults__ = (None, "event", False)


class ProxyOn:
    """A proxy bound to its own text control, for calls on the proxy."""

    def __init__(self, proxy_class, ctrl, *args):
        self.ctrl = ctrl
        self.proxy = proxy_class(ctrl, *args)

    def __getattr__(self, name):
        return getattr(self.proxy, name)

    def Destroy(self):
        self.ctrl.Destroy()


def call_arguments(case, event):
    if case.args == "event":
        return (event,)
    if case.args == "none":
        return ()
    return (case.args,)


class LiveCall:
    """One handler called on one live (shown) dialog or proxy, by either
    implementation: the instance's class is switched between batches, so
    both run on the same widgets. Two dialogs, even made alike, differ in
    what their widgets cost (by several per cent, and drifting as windows
    come and go), which would swamp the difference in the code."""

    def __init__(self, case, per_batch):
        self.case = case
        self.dialog = case.make(IMPLS[0])
        self.target = self.dialog.proxy if isinstance(self.dialog, ProxyOn) else self.dialog
        if isinstance(self.dialog, wx.Dialog):
            self.dialog.EndModal = sink()  # on_enter/on_confirm outside a modal loop
            self.dialog.Show()
        self.field = case.field(self.dialog)
        event = None
        if case.key == "OK":
            event = button_event(ok_key(self.dialog))
        elif case.key is not None:
            event = button_event(child_labelled(self.dialog, case.key))
        self.args = call_arguments(case, event)
        self.group = case.group or per_batch
        self.per_batch = per_batch
        self.handler = None
        settle()

    def ready_for(self, impl):
        """Makes the instance one of `impl`'s class; the handler is looked up
        anew, as a caller would find it."""
        cls = getattr(impl, self.case.needs)

        def ready():
            self.target.__class__ = cls
            self.handler = getattr(self.dialog, self.case.handler)

        return ready

    def calls(self, count):
        handler, args = self.handler, self.args
        for _ in range(count):
            handler(*args)

    def batch(self):
        groups, rest = divmod(self.per_batch, self.group)
        set_text, start = self.field.SetValue, self.case.start
        for _ in range(groups):
            set_text(start)
            self.calls(self.group)
        set_text(start)
        self.calls(rest)

    def same_result(self):
        """Whether one group of calls leaves the same text in the field
        whichever implementation makes them."""
        texts = []
        for impl in IMPLS:
            self.ready_for(impl)()
            self.field.SetValue(self.case.start)
            self.calls(self.group)
            texts.append(self.field.GetValue())
        return texts[0] == texts[1]

    def close(self):
        self.target.__class__ = getattr(IMPLS[0], self.case.needs)
        self.dialog.Destroy()


class StandInCall:
    """One handler of one implementation, called on a stand-in object whose
    widgets answer every call at once: what remains is the code's own cost."""

    def __init__(self, case, impl):
        self.impl = impl
        cls = getattr(impl, case.needs)
        members = {name: value for name, value in vars(cls).items()
                   if name not in ("__dict__", "__weakref__", "__init__", "__module__", "__qualname__", "__doc__")}
        self_ = type(cls.__name__, (), members)()
        field = types.SimpleNamespace(GetValue=constant(case.start), SetValue=sink())
        show = lambda: types.SimpleNamespace(Show=sink(), Hide=constant(None))
        attrs = {
            "mValueField": field, "ui_text": field, "_AlphaKeypad__text_field": field,
            "_mode": impl.KEYPAD_MODE_INT, "_minimum": 0, "_maximum": 1000000, "EndModal": sink(), "shift": False,
            "Shift": show(), "no_Shift": show(),
        }
        for index in range(4):
            attrs["ui_shift_%d" % index] = types.SimpleNamespace(SetBackgroundColour=sink())
        for index in range(3):
            attrs["ui_caps_on_%d" % index] = show()
            attrs["ui_caps_off_%d" % index] = show()
        if case.needs.endswith("Proxy"):
            ctrl = types.SimpleNamespace(GetWindowStyle=constant(0), GetValue=constant(case.start), SetValue=sink())
            attrs["_ctrl"] = impl._CtrlWrapper(ctrl)
        for name, value in attrs.items():
            setattr(self_, name, value)
        button = types.SimpleNamespace(GetLabel=constant(case.key))
        event = types.SimpleNamespace(GetEventObject=constant(button))
        handler = getattr(self_, case.handler)
        args = call_arguments(case, event)

        def batch(count):
            for _ in range(count):
                handler(*args)

        self.batch = batch

    def rebound(self):
        return Rebound(self.impl, "window_fit_layout", sink())


class Rebound:
    """Rebinds a module attribute for the duration of a with block."""

    def __init__(self, module, name, value):
        self.module, self.name, self.value = module, name, value

    def __enter__(self):
        self.saved = getattr(self.module, self.name)
        setattr(self.module, self.name, self.value)

    def __exit__(self, *exc):
        setattr(self.module, self.name, self.saved)


# ---------------------------------------------------------------- taps

class TextField:
    """A text control, tapped with the left button."""

    def __init__(self, parent):
        self.ctrl = wx.TextCtrl(parent)

    def set_text(self, text):
        self.ctrl.SetValue(text)

    def text(self):
        return self.ctrl.GetValue()

    def tap(self):
        event = wx.MouseEvent(wx.wxEVT_LEFT_DOWN)
        event.SetEventObject(self.ctrl)
        self.ctrl.GetEventHandler().ProcessEvent(event)


class GridField:
    """A cell of a grid, double-clicked."""

    ROW, COL = 2, 1

    def __init__(self, parent):
        self.ctrl = wx.grid.Grid(parent)
        self.ctrl.CreateGrid(4, 3)

    def set_text(self, text):
        self.ctrl.SetCellValue(self.ROW, self.COL, text)

    def text(self):
        return self.ctrl.GetCellValue(self.ROW, self.COL)

    def tap(self):
        event = wx.grid.GridEvent(self.ctrl.GetId(), wx.grid.wxEVT_GRID_CELL_LEFT_DCLICK, self.ctrl, self.ROW,
                                  self.COL)
        self.ctrl.GetEventHandler().ProcessEvent(event)


TapCase = collections.namedtuple("TapCase", "name needs make text expected field")
TapCase.__new__.__defaults__ = (TextField,)


class Tap:
    """A field bound by a proxy of one implementation, tapped."""

    def __init__(self, case, impl, parent):
        self.case = case
        self.field = case.field(parent)
        self.proxy = case.make(impl, self.field.ctrl)

    def cycles(self, count):
        """`count` full cycles: the tap opens the keypad filled with the
        field's text; it is confirmed at once and the text written back."""
        for _ in range(count):
            self.field.set_text(self.case.text)
            drive(self.field.tap)

    def latency(self, watch):
        """Seconds from the tap to the keypad drawn on screen."""
        self.field.set_text(self.case.text)
        return watch.time_to_drawn(self.field.tap, press_ok)

    def close(self):
        self.field.ctrl.Destroy()


class PaintWatch(wx.EventFilter):
    """Notes when a dialog is first painted (on screen, not just shown) and
    when that drawing pass is over.

    The dialog's paint event comes first in the pass: its keys, native
    buttons or windows drawing themselves, are drawn after it, in the same
    dispatch. So the keypad counts as drawn when the event dispatch in
    which its first paint came returns."""

    def __init__(self):
        wx.EventFilter.__init__(self)
        self.painted = None
        self.drawn = None

    def __enter__(self):
        wx.EvtHandler.AddFilter(self)
        return self

    def __exit__(self, *exc):
        wx.EvtHandler.RemoveFilter(self)

    def wait_for_paint(self, dialog, timeout=2.0):
        """Runs events until `dialog` has been painted and drawn: the pass
        in which its paint came, and one more for the windows drawn after
        it."""
        deadline = time.perf_counter() + timeout
        app = wx.GetApp()
        while self.painted is None and time.perf_counter() < deadline:
            app.Yield(True)
        if self.painted is None:
            raise RuntimeError("keypad not painted within %g s" % timeout)
        app.Yield(True)
        self.drawn = time.perf_counter()

    def shown_and_destroyed(self, make):
        """Seconds to make a dialog with `make()`, show it, draw it on screen
        and destroy it; the toolkit's layout between showing and the first
        paint counted (the operator waits for it too), the deferred deletion
        run afterwards not."""
        self.painted = self.drawn = None
        start = time.perf_counter()
        dialog = make()
        dialog.Show()
        self.wait_for_paint(dialog)
        destroying = time.perf_counter()
        dialog.Destroy()
        elapsed = (self.drawn - start) + (time.perf_counter() - destroying)
        settle_display()
        return elapsed

    def time_to_drawn(self, opener, end):
        """Seconds from `opener()`, which opens a modal keypad, to the
        keypad drawn on screen; `end(keypad)` then ends it."""
        self.painted = self.drawn = None
        start = time.perf_counter()
        drive(opener, lambda dialog: (self.wait_for_paint(dialog), end(dialog)))
        return self.drawn - start

    def FilterEvent(self, event):
        if self.painted is None and event.GetEventType() == wx.wxEVT_PAINT and \
                isinstance(event.GetEventObject(), wx.Dialog):
            self.painted = time.perf_counter()
        return self.Event_Skip


class KeyFloor(wx.Dialog):
    """The floor of a keypad on screen: a bare dialog of the keypad's size
    with an entry field and one window drawing 59 rounded, captioned keys."""

    CAPTIONS = "`1234567890-=qwertyuiop[]\\asdfghjkl;'zxcvbnm,./" + "".join(
        chr(c) for c in range(ord("A"), ord("M")))

    def __init__(self, parent, size):
        wx.Dialog.__init__(self, parent, title="Keyboard", size=size)
        entry = wx.TextCtrl(self, style=wx.TE_READONLY)
        keys = wx.Window(self, style=wx.BORDER_NONE)
        keys.SetBackgroundStyle(wx.BG_STYLE_PAINT)
        keys.Bind(wx.EVT_PAINT, self._on_paint)
        column = wx.BoxSizer(wx.VERTICAL)
        column.Add(entry, 0, wx.EXPAND | wx.ALL, 12)
        column.Add(keys, 1, wx.EXPAND | wx.ALL, 12)
        self.SetSizer(column)
        self.Layout()

    def _on_paint(self, event):
        window = event.GetEventObject()
        dc = wx.PaintDC(window)
        dc.SetBackground(wx.Brush(self.GetBackgroundColour()))
        dc.Clear()
        dc.SetFont(wx.Font(14, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL))
        dc.SetPen(wx.Pen(wx.Colour(160, 160, 160)))
        dc.SetBrush(wx.Brush(wx.Colour(245, 245, 245)))
        width, height = window.GetClientSize()
        across, side = 12, min(width // 12, height // 5)
        for index, caption in enumerate(self.CAPTIONS[:59]):
            x, y = (index % across) * side, (index // across) * side
            dc.DrawRoundedRectangle(x, y, side - 6, side - 6, 6)
            text_width, text_height = dc.GetTextExtent(caption)
            dc.DrawText(caption, x + (side - 6 - text_width) // 2, y + (side - 6 - text_height) // 2)
