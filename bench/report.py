"""The benchmark table: as text for the terminal and as Markdown for the
README. Reads only the rows, so that runs saved as JSON can be printed and
compared without wx or the module."""

import collections

GROUP_TITLES = collections.OrderedDict([
    ("construct", "(1) construction + Destroy, per dialog"),
    ("handlers", "(2) calls on a live dialog or proxy, per call"),
    ("standins", "(2) the same calls, widgets replaced by stand-ins: the code's own cost per call"),
    ("taps", "(3) full tap cycle of each proxy, per cycle"),
    ("latency", "(3) tap to keypad drawn on screen (median; worst of the module)"),
    ("confirm", "(4) confirm check on long integer entries (stand-in field, bounds 0..10**6)"),
    ("memory", "(5) memory growth per prompt cycle (open, key, confirm, destroy); the floor ran fewer cycles"),
    ("imports", "(6) import time"),
    ("layouts", "(7) each keypad made, shown, laid out by the toolkit, drawn on screen, and destroyed "
                "(module column: the layouts now, or before) against a bare dialog of the keypad's own size "
                "with an entry field and one window drawing 59 keys (floor column), in the same rounds, "
                "under the plain-Python keypads"),
])


def number(value):
    if value is None:
        return "-"
    if isinstance(value, float) and abs(value) >= 100:
        return "%.0f" % value
    if isinstance(value, float) and abs(value) >= 10:
        return "%.1f" % value
    if isinstance(value, float):
        return "%.3g" % value if abs(value) < 0.01 and value else "%.2f" % value
    return str(value)


def holds_text(r):
    if r.get("holds") is None:
        return ""
    if r.get("within_noise"):
        return "yes, within noise"
    return "yes" if r["holds"] else "NO"


def format_row(r):
    if r.get("note"):
        return "  %-52s %s" % (r["name"], r["note"])
    ratio = "" if r["ratio"] is None else "%.3f" % r["ratio"]
    return "  %-52s %10s %10s %-7s %7s  %-20s %s" % (
        r["name"], number(r["module"]), number(r["floor"]), r["unit"] or "", ratio, r["target"] or "",
        holds_text(r))


def table(rows):
    lines = ["  %-52s %10s %10s %-7s %7s  %-20s %s" % ("measurement", "module", "floor", "unit", "ratio",
                                                      "target", "holds")]
    for group, title in GROUP_TITLES.items():
        members = [r for r in rows if r["group"] == group]
        if members:
            lines.append(title)
            lines.extend(format_row(r) for r in members)
    return "\n".join(lines)


def markdown_table(rows):
    """The table as Markdown, for the README."""
    lines = ["| measurement | module | floor | unit | ratio | target | holds |", "|---|--:|--:|---|--:|---|---|"]
    for group, title in GROUP_TITLES.items():
        members = [r for r in rows if r["group"] == group and not r.get("note")]
        if not members:
            continue
        lines.append("| **%s** | | | | | | |" % title)
        for r in members:
            ratio = "" if r["ratio"] is None else "%.3f" % r["ratio"]
            lines.append("| %s | %s | %s | %s | %s | %s | %s |" % (
                r["name"], number(r["module"]), number(r["floor"]), r["unit"] or "", ratio,
                r["target"] or "", holds_text(r)))
    return "\n".join(lines)
