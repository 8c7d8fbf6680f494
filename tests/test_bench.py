"""The benchmark suite runs (quick mode, tiny counts) and measures like with like."""
import json
import os
import subprocess
import sys

import pytest

import nuv_touch
from conftest import BUILD_DIR, LAYOUTS_DIR, ROOT, scaled


@pytest.fixture(scope="module")
def quick_run(tmp_path_factory):
    out = tmp_path_factory.mktemp("bench") / "bench.json"
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join([str(BUILD_DIR), str(LAYOUTS_DIR)])
    done = subprocess.run([sys.executable, str(ROOT / "bench" / "run.py"), "--quick", "--json", str(out),
                           "--markdown", str(out.with_suffix(".md"))],
                          env=env, capture_output=True, text=True, timeout=scaled(300))
    assert done.returncode == 0, done.stdout + done.stderr
    return done.stdout, json.loads(out.read_text())


def test_every_group_reports(quick_run):
    stdout, figures = quick_run
    groups = {r["group"] for r in figures["rows"]}
    assert groups == {"construct", "handlers", "standins", "taps", "latency", "confirm", "memory", "imports",
                      "layouts"}
    assert "targets hold" in stdout and "measurement" in stdout


def test_classes_of_the_module_are_measured(quick_run):
    _, figures = quick_run
    for r in figures["rows"]:
        needs = r.get("note", "").split(" not in the module")[0]
        if needs:
            assert not hasattr(nuv_touch, needs), "%s is in the module but was not measured" % needs
        else:
            assert r["module"] is not None, r


def test_module_and_floor_do_the_same_work(quick_run):
    _, figures = quick_run
    compared = [r for r in figures["rows"] if "same_result" in r]
    assert compared
    assert [r["name"] for r in compared if not r["same_result"]] == []


def test_long_entries_are_checked(quick_run):
    _, figures = quick_run
    digits = {r.get("digits") for r in figures["rows"] if r["group"] == "confirm"}
    assert {10, 1000, 100000, 1000000} <= digits
    # Every entry is above the bounds: the whole check runs and refuses it.
    messages = {r.get("message") for r in figures["rows"] if r.get("digits")}
    assert messages == {"Number value is out of range. Please input again."}


def test_saved_runs_print_for_the_readme_and_side_by_side(quick_run, tmp_path_factory):
    _, figures = quick_run
    measured = [r for r in figures["rows"] if not r.get("note")]
    saved = next(tmp_path_factory.getbasetemp().glob("bench*/bench.json"))
    markdown = saved.with_suffix(".md").read_text().splitlines()
    assert len([line for line in markdown if line.startswith("| ") and "**" not in line]) == len(measured) + 1
    # Without wx or the module: the figures alone are enough.
    env = {"PATH": os.environ.get("PATH", ""), "PYTHONPATH": ""}
    done = subprocess.run([sys.executable, str(ROOT / "bench" / "compare.py"), str(saved), str(saved)], env=env,
                          capture_output=True, text=True, timeout=scaled(60))
    assert done.returncode == 0, done.stderr
    assert len([line for line in done.stdout.splitlines() if line.startswith("  ")]) == len(measured) + 1
