"""Runs the benchmarks, prints the table and writes the figures as JSON.

    python3 bench/run.py [--quick] [--only GROUP,...] [--scale F] [--json PATH] [--markdown PATH]

Needs a display (scripts/bench.sh starts its own Xvfb), the built module and
the layouts on the path. --quick runs every measurement with tiny counts, to
check that the suite works; its figures mean nothing.
"""

import argparse
import json
import os
import platform
import subprocess
import sys
import time

import wx

import report
import suite

GROUPS = ("construct", "handlers", "taps", "confirm", "memory", "imports", "layouts")


class MessageBoxStandIn:
    """wx.MessageBox for a run without a person: notes the text, returns OK."""

    def __init__(self):
        self.last = None

    def __call__(self, message, *args, **kwargs):
        self.last = message
        return wx.OK


def machine():
    cpu = platform.processor()
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    root = os.path.dirname(suite.BENCH_DIR)
    try:
        commit = subprocess.run(["git", "-C", root, "rev-parse", "--short", "HEAD"], capture_output=True,
                                text=True).stdout.strip()
    except OSError:
        commit = ""
    return {"cpu": cpu, "cores": os.cpu_count(), "python": platform.python_version(), "wx": wx.version(),
            "commit": commit, "module": suite.nuv_touch.__file__, "date": time.strftime("%Y-%m-%d %H:%M"),
            "load": os.getloadavg()}


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="tiny counts: check that the suite runs")
    parser.add_argument("--only", default=",".join(GROUPS), help="groups to run, of: " + ", ".join(GROUPS))
    parser.add_argument("--scale", type=float, default=1.0, help="multiply the call and cycle counts")
    parser.add_argument("--json", default=None, help="where to write the figures (default: none)")
    parser.add_argument("--markdown", default=None, help="where to write the table as Markdown (default: none)")
    options = parser.parse_args(argv)
    groups = [g for g in options.only.split(",") if g]
    unknown = set(groups) - set(GROUPS)
    if unknown:
        parser.error("unknown group(s): " + ", ".join(sorted(unknown)))

    counts = dict(suite.QUICK if options.quick else suite.FULL)
    if options.scale != 1.0:
        for name, value in counts.items():
            if isinstance(value, int) and not name.endswith("rounds"):
                counts[name] = max(1, round(value * options.scale))

    app = wx.App(False)
    wx.MessageBox = MessageBoxStandIn()
    info = machine()
    print("nuv_touch benchmarks, %s mode: %s, %d cores, Python %s, %s, commit %s, load average %.1f %.1f %.1f" % (
        "quick" if options.quick else "full", info["cpu"], info["cores"], info["python"], info["wx"],
        info["commit"], *info["load"]), flush=True)
    bench = suite.Bench(counts, log=lambda text: print(text, flush=True))
    started = time.perf_counter()
    try:
        for group in GROUPS:
            if group in groups:
                print("[%s]" % group, flush=True)
                getattr(bench, "run_" + group)()
    finally:
        bench.close()
    elapsed = time.perf_counter() - started

    rows = bench.rows
    judged = [r for r in rows if r.get("holds") is not None]
    failed = [r for r in judged if not r["holds"]]
    print()
    print(report.table(rows))
    print()
    noisy = [r for r in judged if r.get("within_noise")]
    print("%d of %d targets hold%s%s (%.0f s)" % (
        len(judged) - len(failed), len(judged), ", %d of them within the noise" % len(noisy) if noisy else "",
        " (quick mode: figures not meaningful)" if options.quick else "", elapsed))
    for r in failed:
        print("  not held: %s: %s" % (r["name"], r["target"]))
    if options.json:
        os.makedirs(os.path.dirname(os.path.abspath(options.json)), exist_ok=True)
        with open(options.json, "w") as out:
            json.dump({"machine": info, "quick": options.quick, "counts": counts, "seconds": elapsed,
                       "rows": rows}, out, indent=1)
        print("figures written to %s" % options.json)
    if options.markdown:
        with open(options.markdown, "w") as out:
            out.write(report.markdown_table(rows) + "\n")
        print("Markdown table written to %s" % options.markdown)
    app.Yield(True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
