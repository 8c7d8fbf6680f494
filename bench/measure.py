"""Timing and memory primitives of the benchmarks.

These machines are noisy, so nothing is timed alone: the module and its
plain-Python floor run the same batch of work in alternating order, round
after round, and each round gives one ratio. A figure is the median of those
ratios (and of the per-operation times), with the interquartile range of the
ratios as its spread.
"""

import ctypes
import gc
import math
import os
import statistics
import sys
import time

import wx


def settle():
    """Run pending events, idle handlers and the deferred deletion of
    destroyed top-level windows (wx deletes them at idle time)."""
    app = wx.GetApp()
    app.ProcessPendingEvents()
    app.Yield(True)


def settle_display():
    """settle(), then wait for the X server to have done all it was asked
    (windows destroyed, the ones under them exposed) and run the events
    that brought: what one dialog left the display to do is not timed in
    the next. Without an X display, settle() alone."""
    settle()
    if _x_sync():
        wx.GetApp().Yield(True)


def _x_sync():
    """XSync on the toolkit's X display; False where GTK draws on none
    (under Wayland)."""
    global _X_SYNC
    if _X_SYNC is None:
        _X_SYNC = False
        if os.environ.get("DISPLAY") and not os.environ.get("WAYLAND_DISPLAY"):
            try:
                gdk, x11 = ctypes.CDLL("libgdk-3.so.0"), ctypes.CDLL("libX11.so.6")
            except OSError:
                return False
            gdk.gdk_display_get_default.restype = ctypes.c_void_p
            gdk.gdk_x11_display_get_xdisplay.restype = ctypes.c_void_p
            gdk.gdk_x11_display_get_xdisplay.argtypes = [ctypes.c_void_p]
            x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
            xdisplay = gdk.gdk_x11_display_get_xdisplay(gdk.gdk_display_get_default())
            _X_SYNC = lambda: x11.XSync(xdisplay, 0)
    if _X_SYNC:
        _X_SYNC()
        return True
    return False


_X_SYNC = None


def quartiles(values):
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]


def median_interval(values):
    """A 95% confidence interval of the median, from order statistics (no
    assumption about the distribution)."""
    ordered = sorted(values)
    n = len(ordered)
    half_width = 1.96 * math.sqrt(n) / 2
    low = max(0, math.floor(n / 2 - half_width) - 1)
    high = min(n - 1, math.ceil(n / 2 + half_width))
    return ordered[low], ordered[high]


class Comparison:
    """Module against floor: medians of `rounds` paired batches."""

    def __init__(self, subject_times, floor_times, per_batch):
        ratios = [s / f for s, f in zip(subject_times, floor_times)]
        self.ratio = statistics.median(ratios)
        self.spread = quartiles(ratios)
        self.interval = median_interval(ratios)
        self.subject = statistics.median(subject_times) / per_batch
        self.floor = statistics.median(floor_times) / per_batch
        self.rounds = len(ratios)

    def as_dict(self, unit_scale):
        return {"module": self.subject * unit_scale, "floor": self.floor * unit_scale, "ratio": self.ratio,
                "spread": list(self.spread), "interval": list(self.interval), "rounds": self.rounds}

    def judge(self, limit):
        """The target `ratio <= limit`: held, held within the noise (the
        interval of the median reaches the limit), or missed."""
        if self.ratio <= limit:
            return {"holds": True}
        return {"holds": self.interval[0] <= limit, "within_noise": self.interval[0] <= limit}


def _timed(batch, between):
    between()
    gc.collect()
    gc.disable()
    try:
        start = time.perf_counter()
        batch()
        return time.perf_counter() - start
    finally:
        gc.enable()


def compare(subject, floor, rounds, per_batch, between=lambda: None, warmup=True, ready=None):
    """Times `subject()` against `floor()`, each running one batch of
    `per_batch` operations, in `rounds` rounds of alternating order.
    `between()` runs untimed before every batch, and so does the matching
    one of the pair `ready` (subject's, floor's) when given. Seconds per
    operation."""
    if ready is not None:
        ready_subject, ready_floor = ready
        subject_between = lambda: (ready_subject(), between())
        floor_between = lambda: (ready_floor(), between())
    else:
        subject_between = floor_between = between
    if warmup:
        _timed(subject, subject_between)
        _timed(floor, floor_between)
    subject_times, floor_times = [], []
    for index in range(rounds):
        if index % 2:
            floor_times.append(_timed(floor, floor_between))
            subject_times.append(_timed(subject, subject_between))
        else:
            subject_times.append(_timed(subject, subject_between))
            floor_times.append(_timed(floor, floor_between))
    return Comparison(subject_times, floor_times, per_batch)


def median_time(operation, repeats, between=lambda: None):
    """Median seconds of `operation()` over `repeats` runs."""
    return statistics.median(_timed(operation, between) for _ in range(repeats))


_PAGE = os.sysconf("SC_PAGE_SIZE")


def rss_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * _PAGE


def allocated_blocks():
    # Without the names the type attribute cache holds (an interpreter cache).
    sys._clear_type_cache()
    return sys.getallocatedblocks()


def memory_growth(cycle, cycles, warmup, settle_every=10):
    """Runs `cycle()` `warmup` times, then `cycles` times, and returns the
    growth of RSS (bytes) and of the interpreter's allocated blocks over the
    measured cycles, after pending deletions and a full collection."""

    def run(count):
        for index in range(count):
            cycle()
            if index % settle_every == settle_every - 1:
                settle()
        settle()
        gc.collect()

    run(warmup)
    rss, blocks = rss_bytes(), allocated_blocks()
    run(cycles)
    return rss_bytes() - rss, allocated_blocks() - blocks
