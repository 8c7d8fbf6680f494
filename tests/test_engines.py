"""The input engines of nuv_engines: the layouts reach them only there, and
random typing, erasing and choosing never takes the process down.

An engine library may abort the process on input it cannot hold (Debian's
pinyin engine does, on fourteen z's), so the fuzz runs each engine in a
child interpreter: an abort fails that engine's test, not the whole run.
Each engine joins by one entry in ENGINES. The number of runs, and the time
they may take, follow NUV_TOUCH_FUZZ_EXAMPLES as in test_fuzz.py.
"""
import ast
import json
import os
import random
import string
import subprocess
import sys
import textwrap
from dataclasses import asdict, dataclass

import pytest

from conftest import LAYOUTS_DIR, scaled

FUZZ_EXAMPLES = int(os.environ.get("NUV_TOUCH_FUZZ_EXAMPLES", "30"))
# A run is a composition's steps from its making; at most this many.
STEPS = 80


# ---------------------------------------------------------------- the layouts' imports

def imported_modules(path):
    """Every module the file imports, wherever the import stands (also
    inside a function, as the engines are), import_module() included."""
    for node in ast.walk(ast.parse(path.read_text(encoding="utf-8"))):
        if isinstance(node, ast.Import):
            yield from (alias.name for alias in node.names)
        elif isinstance(node, ast.ImportFrom) and node.level == 0:
            yield node.module
        elif isinstance(node, ast.Call) and node.args and isinstance(node.args[0], ast.Constant):
            name = getattr(node.func, "attr", getattr(node.func, "id", ""))
            if name in ("import_module", "__import__"):
                yield node.args[0].value


def test_layouts_never_import_the_keypads_module():
    """nuv_touch imports the layouts: the layouts reach the engines through
    nuv_engines, never through nuv_touch."""
    files = sorted(LAYOUTS_DIR.rglob("*.py"))
    imports = {path.name: set(imported_modules(path)) for path in files}
    assert {name: found for name, found in imports.items()
            if any(m == "nuv_touch" or m.startswith("nuv_touch.") for m in found)} == {}
    assert "nuv_engines" in imports["composing.py"]


# ---------------------------------------------------------------- the fuzz

@dataclass
class Engine:
    """How the fuzz drives a composer: made by `module.composer()`, typed
    into with the letters of `alphabet`, and its methods for each step."""
    module: str
    composer: str
    alphabet: str
    type: str = "type_letter"
    erase: str = "erase_letter"
    choose: str = "choose"
    count: str = "candidate_count"
    clear: str = "clear"
    commit: str = "commit"
    # What is read back after every step (the engine's view of its state).
    reads: tuple = ("letters", "spelling", "candidates")


# The keys the composers take: printable ASCII, each one meaning something
# on some keyboard (Space a tone in zhuyin, digits a choice in Cangjie).
PRINTABLE = "".join(map(chr, range(32, 127)))


def composer(name, alphabet=PRINTABLE):
    """A composer of the protocol the engines share."""
    return Engine("nuv_engines", name, alphabet, type="type_key", erase="erase", clear="reset",
                  reads=("preedit", "candidates", "empty"))


ENGINES = {
    "pinyin": Engine("nuv_engines", "Composition", string.ascii_lowercase),
    "korean": composer("HangulComposition"),
    "zhuyin": composer("ZhuyinComposition", PRINTABLE.replace("`", "")),
    "japanese": composer("KanaComposition", string.ascii_letters + "-,."),
    "cangjie": composer("CangjieComposition"),
}

# Runs the steps sent on stdin against one engine, run after run, until
# they are done or the time is up; prints the number of runs done. Before
# each run its number goes to stderr unbuffered, so that an abort tells
# which run it was. A Python exception is a fault too: the steps are valid.
CHILD = textwrap.dedent("""
    import importlib, json, os, sys, time
    job = json.load(sys.stdin)
    engine = job["engine"]
    deadline = time.monotonic() + job["seconds"]
    make = getattr(importlib.import_module(engine["module"]), engine["composer"])
    done = 0
    for number, steps in enumerate(job["runs"]):
        if time.monotonic() > deadline:
            break
        os.write(2, b"run %d\\n" % number)
        composer = make()
        for step, *argument in steps:
            if step == "choose":
                count = getattr(composer, engine["count"])()
                if count:
                    getattr(composer, engine["choose"])(argument[0] % count)
            else:
                getattr(composer, engine[step])(*argument)
            for read in engine["reads"]:
                getattr(composer, read)()
        del composer  # freed within its run: a fault there names the run
        done += 1
    print(done)
""")


def random_steps(alphabet, rng):
    """A run: mostly letters, often the same one many times over (long runs
    of one letter are what overrun an engine's search), with erasures,
    choices and now and then a commit or a clear."""
    steps = []
    while len(steps) < STEPS:
        roll = rng.random()
        if roll < 0.7:
            letter = rng.choice(alphabet)
            steps += [("type", letter)] * (rng.randint(1, 20) if rng.random() < 0.3 else 1)
        elif roll < 0.82:
            steps.append(("erase",))
        elif roll < 0.95:
            steps.append(("choose", rng.randrange(1000)))
        elif roll < 0.98:
            steps.append(("commit",))
        else:
            steps.append(("clear",))
    return steps[:STEPS]


def run_child(engine, runs, seconds):
    """(exit status, stdout, stderr) of the child on `runs`."""
    job = json.dumps({"engine": asdict(engine), "runs": runs, "seconds": seconds})
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(p for p in sys.path if p))
    done = subprocess.run([sys.executable, "-c", CHILD], input=job, env=env, capture_output=True, text=True,
                          timeout=seconds + scaled(60))
    return done.returncode, done.stdout, done.stderr


def shortest_failing(engine, steps):
    """The shortest start of `steps` that still fails (the steps after it
    cannot matter): a bisection, a child for each try."""
    low, high = 0, len(steps)  # steps[:low] passes, steps[:high] fails
    while high - low > 1:
        middle = (low + high) // 2
        status, _, _ = run_child(engine, [steps[:middle]], scaled(30))
        low, high = (middle, high) if status == 0 else (low, middle)
    return steps[:high]


def shown(steps):
    """Steps as a reader takes them in: runs of one letter counted."""
    text, last, repeats = [], None, 0
    for step in steps + [None]:
        if step == last and step[0] == "type":
            repeats += 1
            continue
        if last is not None:
            text.append(" ".join(map(str, last)) + (" x%d" % repeats if repeats > 1 else ""))
        last, repeats = step, 1
    return ", ".join(text)


# Runs that once took the process down, each with its engine.
KNOWN_RUNS = [
    # m17n 1.8.5 (Debian 13) freed a context reset after "/" alone twice.
    ("cangjie", [("type", "/"), ("clear",)]),
    ("cangjie", [("type", "/"), ("commit",)]),
]


@pytest.mark.parametrize("name, steps", KNOWN_RUNS)
def test_runs_that_once_took_the_process_down(name, steps):
    status, out, err = run_child(ENGINES[name], [steps], scaled(30))
    assert (status, out.strip()) == (0, "1"), err


@pytest.mark.parametrize("name", sorted(ENGINES))
def test_random_typing_never_takes_the_process_down(name):
    engine = ENGINES[name]
    seed = int(os.environ.get("NUV_TOUCH_FUZZ_SEED") or random.randrange(2 ** 32))
    rng = random.Random(seed)
    runs = [random_steps(engine.alphabet, rng) for _ in range(FUZZ_EXAMPLES)]
    status, out, err = run_child(engine, runs, scaled(0.1 * FUZZ_EXAMPLES))
    if status == 0:
        assert int(out) > 0, err
        return
    started = [int(line.split()[1]) for line in err.splitlines() if line.startswith("run ")]
    steps = shortest_failing(engine, runs[started[-1]]) if started else []
    said = "\n".join(line for line in err.splitlines() if not line.startswith("run "))
    pytest.fail("the %s engine failed (exit status %d, seed %d) after: %s\n%s"
                % (name, status, seed, shown(steps), said[-2000:]))
