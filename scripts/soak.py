"""Soak test: open-confirm-destroy cycles through every prompt and proxy.

A touch panel runs for months without a restart, so every way the module
opens a keypad is run many times in a row, exactly as an operator would:
the keypad is opened (a prompt call, a tap on a bound control), keys are
pressed, the confirm key ends the modal loop, the result is checked and
the keypad destroyed. After a warm-up, the memory in use, live top-level
windows, objects tracked by the garbage collector and the interpreter's
allocated blocks must stay flat.

    python3 scripts/soak.py [--cycles N] [--warmup N] [kind ...]

Kinds: input_integer input_float input_digit_password input_text
input_password digit_proxy digit_proxy_grid alpha_proxy (default: all
that the module has). Exit status 1 when a figure is outside its
tolerance or a cycle gave a wrong result. Run it through scripts/soak.sh.

GTK keeps a few bytes each time the focus goes from a control in the frame
to a dialog's child, with or without the module. A kind whose keypad takes
the focus so (alpha_proxy) is measured against the same hand-off in plain
wx, run in the same process with the same readings (focus_hand_off), and
judged on its growth less the hand-off's.
"""
import argparse
import array
import ctypes
import ctypes.util
import gc
import os
import sys
import time

import wx
import wx.grid

import nuv_touch

# Tolerances per 1,000 openings after the warm-up. One object or block
# leaked per opening shows as 1,000 of them; a native leak of 64 bytes an
# opening holds 80 bytes of malloc's (its header and rounding), 78 KiB per
# 1,000 openings, in every stretch of openings.
TOLERANCE = {
    "windows": 0,        # top-level windows: exactly as many
    "objects": 25,       # gc-tracked objects
    "blocks": 250,       # the interpreter's allocated blocks
    "heap_kib": 64,      # memory in use (see memory_kib): the median of
                         # its rates over the three stretches between the
                         # quarters' least readings, so that a leak fails
                         # in any of them
}
# What the toolkit may take once, in one stretch, and keep: a buffer of a
# few hundred KiB after some thousand openings, now and then (glib's and
# the X connection's pools). More in one step fails as well.
HEAP_STEP_KIB = 1024
MODAL_LIMIT_S = 10.0
# The memory in use is read READINGS times, evenly over the cycles, and
# each quarter's figure is its least reading: a single reading may be high
# by a buffer the toolkit holds for a moment.
READINGS = 40


def _malloc_trim():
    """glibc's malloc_trim, or None where the C library has none."""
    try:
        return ctypes.CDLL(ctypes.util.find_library("c")).malloc_trim
    except (OSError, AttributeError, TypeError):
        return None


MALLOC_TRIM = _malloc_trim()


def fix_mmap_threshold():
    """glibc maps a block of 128 KiB and more by itself, until the first
    such block is freed; then it raises that threshold to the block's size
    and takes the keyboard's buffers (a megabyte each) from the heap, where
    they leave a megabyte resident at some point in the first thousands of
    openings. Kept at 128 KiB (mallopt M_MMAP_THRESHOLD), every freed
    buffer goes back at once and the figures show what stays."""
    try:
        ctypes.CDLL(ctypes.util.find_library("c")).mallopt(-3, 128 * 1024)
    except (OSError, AttributeError, TypeError):
        pass


class _MallInfo2(ctypes.Structure):
    _fields_ = [(name, ctypes.c_size_t) for name in (
        "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
        "uordblks", "fordblks", "keepcost")]


def _mallinfo2():
    """glibc's mallinfo2 (2.33 and later), or None."""
    try:
        function = ctypes.CDLL(ctypes.util.find_library("c")).mallinfo2
    except (OSError, AttributeError, TypeError):
        return None
    function.restype = _MallInfo2
    return function


MALLINFO2 = _mallinfo2()


def memory_kib():
    """Memory a native leak grows: the bytes malloc has handed out and not
    had back, mapped blocks included (mallinfo2); where the C library
    cannot tell, the resident memory after malloc_trim.

    Counted in bytes, not pages, it does not move when a page stays
    resident for one live block or the interpreter keeps an arena for one
    object: the keyboard's resident memory moved by a megabyte and back
    between readings, objects and blocks flat. A leak of Python objects or
    blocks shows in their own counts."""
    if MALLINFO2 is not None:
        info = MALLINFO2()
        return (info.uordblks + info.hblkhd) // 1024
    if MALLOC_TRIM is not None:
        MALLOC_TRIM(0)
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


def pump():
    app = wx.GetApp()
    app.ProcessPendingEvents()
    app.Yield(True)


def press(dialog, *labels):
    """Touches the keys labelled `labels`, in order, as a finger does: a
    button event from the key through its own handlers."""
    keys = {}
    for key in dialog.keys():
        keys.setdefault(key.GetLabel(), key)
    for label in labels:
        key = keys[label]
        event = wx.CommandEvent(wx.wxEVT_BUTTON, key.GetId())
        event.SetEventObject(key)
        key.GetEventHandler().ProcessEvent(event)


class ModalDriver:
    """Runs `step(dialog)` on the keypad as soon as its modal loop runs;
    a loop still open after MODAL_LIMIT_S is cancelled and counted."""

    def __init__(self):
        self.stuck = 0

    def arm(self, step):
        started = time.monotonic()

        def attempt():
            dialogs = [w for w in wx.GetTopLevelWindows() if isinstance(w, wx.Dialog) and w.IsModal()]
            if dialogs:
                try:
                    step(dialogs[-1])
                finally:
                    if dialogs[-1].IsModal():  # refused, or the step failed
                        self.stuck += 1
                        dialogs[-1].EndModal(wx.ID_CANCEL)
            elif time.monotonic() - started < MODAL_LIMIT_S:
                wx.CallLater(1, attempt)
        wx.CallAfter(attempt)


def digits_of(cycle):
    return str(cycle % 1000)


def letters_of(cycle):
    return "qwertyuiop"[cycle % 10] + "asdfghjkl"[cycle % 9]


class Kind:
    """One way of opening a keypad. `cycle(i)` runs one open-confirm-destroy
    cycle and returns whether its result was right."""

    # Whether the keypad takes the focus from a control in the frame.
    hands_off_focus = False

    def __init__(self, frame, driver):
        self.frame = frame
        self.driver = driver

    def close(self):
        pass


class IntegerPrompt(Kind):
    name, needs = "input_integer", "input_integer"

    def cycle(self, i):
        text = digits_of(i)
        self.driver.arm(lambda d: press(d, *text, "OK"))
        return nuv_touch.input_integer(self.frame, 0, 999) == int(text)


class FloatPrompt(Kind):
    name, needs = "input_float", "input_float"

    def cycle(self, i):
        text = digits_of(i) + ".5"
        self.driver.arm(lambda d: press(d, *text, "OK"))
        return nuv_touch.input_float(self.frame) == float(text)


class PinPrompt(Kind):
    name, needs = "input_digit_password", "input_digit_password"

    def cycle(self, i):
        text = "0" + digits_of(i)
        self.driver.arm(lambda d: press(d, *text, "OK"))
        return nuv_touch.input_digit_password(self.frame, "PIN") == text


class TextPrompt(Kind):
    name, needs = "input_text", "input_text"

    def cycle(self, i):
        text = letters_of(i)
        self.driver.arm(lambda d: press(d, *text, "OK"))
        return nuv_touch.input_text(self.frame, message="Name") == text


class PasswordPrompt(Kind):
    name, needs = "input_password", "input_password"

    def cycle(self, i):
        text = letters_of(i)
        self.driver.arm(lambda d: press(d, *text, "OK"))
        return nuv_touch.input_password(self.frame) == text


def tap(ctrl):
    event = wx.MouseEvent(wx.wxEVT_LEFT_DOWN)
    event.SetEventObject(ctrl)
    ctrl.GetEventHandler().ProcessEvent(event)


def double_click_cell(grid, row, col):
    event = wx.grid.GridEvent(grid.GetId(), wx.grid.wxEVT_GRID_CELL_LEFT_DCLICK, grid, row=row, col=col)
    grid.GetEventHandler().ProcessEvent(event)


class DigitProxy(Kind):
    """A numeric text field: tap, clear, type, confirm; the field holds it."""
    name, needs = "digit_proxy", "DigitKeypadProxy"

    def __init__(self, frame, driver):
        super().__init__(frame, driver)
        self.ctrl = wx.TextCtrl(frame, value="0")
        nuv_touch.DigitKeypadProxy(self.ctrl, nuv_touch.KEYPAD_MODE_INT, 0, 999)

    def cycle(self, i):
        text = digits_of(i)
        self.driver.arm(lambda d: press(d, "Clear", *text, "OK"))
        tap(self.ctrl)
        return self.ctrl.GetValue() == text

    def close(self):
        self.ctrl.Destroy()


class DigitProxyGrid(Kind):
    """A grid bound to the numeric keypad: double-click a cell, type,
    confirm; that cell holds it."""
    name, needs = "digit_proxy_grid", "DigitKeypadProxy"

    def __init__(self, frame, driver):
        super().__init__(frame, driver)
        self.grid = wx.grid.Grid(frame)
        self.grid.CreateGrid(4, 3)
        self.proxy = nuv_touch.DigitKeypadProxy(self.grid, nuv_touch.KEYPAD_MODE_FLOAT)

    def cycle(self, i):
        text = digits_of(i)
        row, col = i % 4, i % 3
        self.driver.arm(lambda d: press(d, "Clear", *text, "OK"))
        double_click_cell(self.grid, row, col)
        return self.grid.GetCellValue(row, col) == text and self.proxy.get_value() == float(text)

    def close(self):
        self.grid.Destroy()


class AlphaProxy(Kind):
    """A text field bound to the keyboard: tap, clear, type, confirm."""
    name, needs = "alpha_proxy", "AlphaKeypadProxy"
    # The proxy focuses the field before the keyboard opens.
    hands_off_focus = True

    def __init__(self, frame, driver):
        super().__init__(frame, driver)
        self.ctrl = wx.TextCtrl(frame, value="start")
        nuv_touch.AlphaKeypadProxy(self.ctrl)

    def cycle(self, i):
        text = letters_of(i)
        self.driver.arm(lambda d: press(d, "Clear", *text, "OK"))
        tap(self.ctrl)
        return self.ctrl.GetValue() == text

    def close(self):
        self.ctrl.Destroy()


class FocusHandOff(Kind):
    """Plain wx, the baseline of a kind that hands off the focus: a text
    field in the frame takes the focus, a dialog opens whose child takes it
    when the dialog starts (as a keypad's confirm key does), the modal loop
    is ended and the dialog destroyed."""
    name, needs = "focus_hand_off", None

    def __init__(self, frame, driver):
        super().__init__(frame, driver)
        self.ctrl = wx.TextCtrl(frame, value="start")

    def cycle(self, i):
        self.ctrl.SetFocus()
        dialog = wx.Dialog(self.frame, title="focus_hand_off")
        child = wx.TextCtrl(dialog, value=letters_of(i))

        def on_init_dialog(event):
            event.Skip()
            child.SetFocus()
        dialog.Bind(wx.EVT_INIT_DIALOG, on_init_dialog)
        self.driver.arm(lambda d: d.EndModal(wx.ID_OK))
        try:
            return dialog.ShowModal() == wx.ID_OK
        finally:
            dialog.Destroy()

    def close(self):
        self.ctrl.Destroy()


KINDS = [IntegerPrompt, FloatPrompt, PinPrompt, TextPrompt, PasswordPrompt, DigitProxy, DigitProxyGrid, AlphaProxy]


def figures():
    pump()
    gc.collect()
    # The type attribute cache holds up to 4096 attribute names, fresh ones
    # among them: an interpreter cache, not the module's memory.
    sys._clear_type_cache()
    return {"windows": len(wx.GetTopLevelWindows()), "objects": len(gc.get_objects()),
            "blocks": sys.getallocatedblocks(), "heap_kib": memory_kib()}


class Growth:
    """One kind's run: its figures before and after the openings measured,
    their growth per 1,000 openings (`rate`; top-level windows as a count)
    and the memory in use by stretch."""

    def __init__(self, name, cycles, seconds, cpu, start, end, spans, rate, steps, wrong, stuck):
        self.name, self.cycles, self.seconds, self.cpu = name, cycles, seconds, cpu
        self.start, self.end, self.spans, self.rate, self.steps = start, end, spans, rate, steps
        self.wrong, self.stuck = wrong, stuck


def soak(kind_class, frame, cycles, warmup, report_every=0):
    driver = ModalDriver()
    kind = kind_class(frame, driver)
    wrong = 0
    for i in range(warmup):
        wrong += not kind.cycle(i)
        pump()
    start = figures()
    # The readings go into arrays made now: an object the soak kept from
    # the openings measured would hold on to a block of the interpreter's
    # memory that the keypads used and freed, a megabyte at a time.
    every = max(1, cycles // READINGS)
    taken = cycles // every
    openings, readings = array.array("q", [0]) * taken, array.array("q", [0]) * taken
    began, cpu = time.monotonic(), time.process_time()
    for i in range(cycles):
        wrong += not kind.cycle(i)
        pump()
        if (i + 1) % every == 0 and (i + 1) // every <= taken:
            gc.collect()
            openings[(i + 1) // every - 1], readings[(i + 1) // every - 1] = i + 1, memory_kib()
        if report_every and (i + 1) % report_every == 0:
            print("    %-22s %7d openings  %8d KiB in use  %6.0f s" % (
                kind.name, i + 1, memory_kib(), time.monotonic() - began), flush=True)
    seconds, cpu = time.monotonic() - began, time.process_time() - cpu
    end = figures()
    kind.close()

    # Per 1,000 openings: the counts over all the openings measured; the
    # memory in use over each stretch between the least readings of two
    # quarters after another (a leak's least reading is at a quarter's
    # start; a single reading may be high by a page malloc could not
    # return).
    quarter = max(1, taken // 4)
    least = [min(range(q * quarter, min(taken, (q + 1) * quarter)), key=readings.__getitem__) for q in range(4)]
    steps = [(readings[b] - readings[a], max(1, openings[b] - openings[a])) for a, b in zip(least, least[1:])]
    start["heap_kib"], end["heap_kib"] = readings[least[0]], readings[least[-1]]
    spans = {key: cycles for key in start}
    spans["heap_kib"] = max(1, openings[least[-1]] - openings[least[0]])
    rate = {key: 1000.0 * (end[key] - start[key]) / spans[key] for key in start}
    rate["windows"] = end["windows"] - start["windows"]
    rate["heap_kib"] = sorted(1000.0 * grown / span for grown, span in steps)[1]
    return Growth(kind.name, cycles, seconds, cpu, start, end, spans, rate, steps, wrong, driver.stuck)


def judged(growth, baseline=None):
    """Each figure's growth less the baseline's (none less where the
    baseline shrank: that is noise, not room for the kind), and the
    figures or events that fail."""
    difference = {key: rate - max(0.0, baseline.rate[key]) if baseline else rate
                  for key, rate in growth.rate.items()}
    failures = [key for key, limit in TOLERANCE.items() if difference[key] > limit]
    if max(grown for grown, _ in growth.steps) > HEAP_STEP_KIB:
        failures.append("heap_kib: a step of more than %d KiB" % HEAP_STEP_KIB)
    if growth.wrong or growth.stuck:
        failures.append("%d wrong result(s), %d keypad(s) not confirmed" % (growth.wrong, growth.stuck))
    return difference, failures


def report(growth, baseline=None):
    """Prints the kind's figures (with a baseline, the baseline's and the
    difference judged) and returns whether they hold."""
    difference, failures = judged(growth, baseline)
    print("%-22s %6d cycles in %7.1f s (%5.1f ms/cycle wall, %5.1f ms cpu)%s" % (
        growth.name, growth.cycles, growth.seconds, 1000 * growth.seconds / growth.cycles,
        1000 * growth.cpu / growth.cycles, ", against %s" % baseline.name if baseline else ""))
    start, end = growth.start, growth.end
    against = ", baseline %+d, difference %+d" % (baseline.rate["windows"], difference["windows"]) if baseline else ""
    print("    %-8s before %9d  after %9d  growth %+8d  over %6d openings%s" % (
        "windows", start["windows"], end["windows"], end["windows"] - start["windows"], growth.cycles, against))
    for key in ("objects", "blocks", "heap_kib"):
        against = ", baseline %+.1f, difference %+.1f" % (baseline.rate[key], difference[key]) if baseline else ""
        print("    %-8s before %9d  after %9d  growth %+8d  over %6d openings: %+8.1f per 1,000%s (tolerance %d)" % (
            key, start[key], end[key], end[key] - start[key], growth.spans[key], growth.rate[key], against,
            TOLERANCE[key]))
    print("    %-8s by stretch: %s KiB (median above; at most %d KiB in one)" % (
        "heap_kib", ", ".join("%+d over %d" % step for step in growth.steps), HEAP_STEP_KIB))
    print("    %s" % ("FAIL: " + ", ".join(failures) if failures else "flat"))
    sys.stdout.flush()
    return not failures


def soak_kinds(kinds, frame, cycles, warmup, report_every=0):
    """Soaks the kinds one after the other, and the focus hand-off of plain
    wx once, after the first kind that hands off the focus: what the
    process fills once then goes to that kind, as it would without a
    baseline. The baseline is held to the tolerances too: one that grew by
    more would hide a leak."""
    ok, baseline = True, None
    for kind in kinds:
        growth = soak(kind, frame, cycles, warmup, report_every)
        if kind.hands_off_focus and baseline is None:
            baseline = soak(FocusHandOff, frame, cycles, warmup, report_every)
            ok = report(baseline) and ok
        ok = report(growth, baseline if kind.hands_off_focus else None) and ok
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cycles", type=int, default=int(os.environ.get("NUV_TOUCH_SOAK_CYCLES", "10000")))
    parser.add_argument("--warmup", type=int, default=300)
    parser.add_argument("--report-every", type=int, default=0, metavar="N",
                        help="print the memory in use every N openings")
    parser.add_argument("kinds", nargs="*", help="kinds to run (default: all the module has)")
    options = parser.parse_args()

    fix_mmap_threshold()
    app = wx.App(False)
    # Error boxes would need a person: count them as failures instead.
    boxes = []
    wx.MessageBox = lambda *args, **kwargs: boxes.append(args) or wx.OK
    frame = wx.Frame(None, title="soak", size=(640, 480))
    frame.Show()
    pump()

    chosen = [k for k in KINDS if (not options.kinds or k.name in options.kinds) and hasattr(nuv_touch, k.needs)]
    unknown = set(options.kinds) - {k.name for k in KINDS}
    if unknown:
        parser.error("unknown kind(s): %s" % ", ".join(sorted(unknown)))
    print("tolerances per opening after the warm-up: top-level windows 0, gc objects %g, allocated blocks %g, "
          "memory in use %g bytes (the median of three stretches; at most %d KiB in one)" % (
              TOLERANCE["objects"] / 1000, TOLERANCE["blocks"] / 1000, TOLERANCE["heap_kib"] * 1.024, HEAP_STEP_KIB))
    ok = soak_kinds(chosen, frame, options.cycles, options.warmup, options.report_every)
    if boxes:
        print("FAIL: %d error box(es), first: %r" % (len(boxes), boxes[0]))
        ok = False
    frame.Destroy()
    pump()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
