"""Sets two runs of the benchmarks side by side: before and after a change.

    python3 bench/compare.py BEFORE.json AFTER.json

Prints, for every measurement both runs made, the module's figure and its
ratio to the floor in each run. Ratios are the figures to compare: each was
measured against the floor in its own run, so a change of machine load
between the runs moves the times but hardly the ratios.
"""

import json
import sys

from report import GROUP_TITLES, number


def load(path):
    with open(path) as source:
        return json.load(source)


def key(r):
    return r["group"], r["name"]


def ratio_text(r):
    return "-" if r is None or r.get("ratio") is None else "%.3f" % r["ratio"]


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__.strip())
    before, after = (load(path) for path in argv)
    earlier = {key(r): r for r in before["rows"] if not r.get("note")}
    for label, run in (("before", before), ("after", after)):
        print("%s: commit %s, %s, module %s" % (label, run["machine"]["commit"], run["machine"]["date"],
                                              run["machine"].get("module", "?")))
    print("  %-52s %10s %10s %-7s %8s %8s" % ("measurement", "before", "after", "unit", "ratio b", "ratio a"))
    for group, title in GROUP_TITLES.items():
        members = [r for r in after["rows"] if r["group"] == group and not r.get("note")]
        if not members:
            continue
        print(title)
        for r in members:
            old = earlier.get(key(r))
            print("  %-52s %10s %10s %-7s %8s %8s" % (r["name"], number(old["module"]) if old else "-",
                                                      number(r["module"]), r["unit"] or "", ratio_text(old),
                                                      ratio_text(r)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
