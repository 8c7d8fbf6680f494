"""Installation: `cmake --install` puts the modules, their stubs and the layout
modules where the interpreter imports them, and an application outside the
source tree uses them without PYTHONPATH."""
import filecmp
import os
import site
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

from conftest import BUILD_DIR, ROOT, scaled

PY = f"python{sys.version_info.major}.{sys.version_info.minor}"
LAYOUT_FILES = sorted(str(path.relative_to(ROOT / "layouts")) for path in (ROOT / "layouts").glob("nuv_touchui/*.py"))
# The stubs of each extension module, and the folder of its sources.
STUBS = {"nuv_touch": "touch", "nuv_engines": "engines"}
INSTALLED = ("nuv_wxtools.py", *LAYOUT_FILES,
             *(f"{module}{name}" for module in STUBS for name in (".pyi", "-stubs/__init__.pyi", "-stubs/py.typed")),
             *(f"nuv_touch_locale/{language}/LC_MESSAGES/nuv_touch.mo" for language in ("de", "fr", "es", "ja", "ko", "zh_CN", "zh_TW")))


def clean_env(**extra):
    """The environment of a fresh interpreter that knows nothing of the tree."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("PYTHONPATH", "PYTHONHOME", "PYTHONNOUSERSITE", "PYTHONUSERBASE", "MYPYPATH")}
    env.update(extra)
    return env


def run(command, *, env, cwd):
    done = subprocess.run(command, env=env, cwd=cwd, capture_output=True, text=True, timeout=scaled(300))
    return done.returncode, done.stdout + done.stderr


def cmake_install(*args, env):
    status, output = run(["cmake", *args], env=env, cwd=BUILD_DIR)
    assert status == 0, output
    return output


def module_file(directory, module="nuv_touch"):
    found = list(Path(directory).glob(f"{module}.*.so"))
    assert len(found) == 1, sorted(Path(directory).iterdir())
    return found[0]


def assert_complete(directory):
    for name in INSTALLED:
        assert (directory / name).is_file(), name
    for module, folder in STUBS.items():
        module_file(directory, module)
        for name in (f"{module}.pyi", f"{module}-stubs/__init__.pyi"):
            assert filecmp.cmp(directory / name, ROOT / folder / f"{module}.pyi", shallow=False), name
    for name in ("nuv_wxtools.py", *LAYOUT_FILES):
        assert filecmp.cmp(directory / name, ROOT / "layouts" / name, shallow=False), name


# What an application does first: import everything, check where it came
# from, run a keypad from the installed module on the installed layout, and
# compose with the installed engine.
APPLICATION = """
    import json, sys
    import wx
    import nuv_touch, nuv_touchui, nuv_wxtools, nuv_engines
    app = wx.App(False)
    keypad = nuv_touch.DigitKeypad(None, nuv_touch.KEYPAD_MODE_INT, 0, 10)
    keypad.SetValue("7")
    value = keypad.GetValue()
    keypad.Destroy()
    composition = nuv_engines.Composition()
    composition.type_letter("n")
    composition.type_letter("i")
    print(json.dumps({
        "files": [m.__file__ for m in (nuv_touch, nuv_touchui, nuv_wxtools, nuv_engines)],
        "composed": composition.candidates(0, 1),
        "layout_base": nuv_touch.DigitKeypad.__bases__[0] is nuv_touchui.DigitKeypad,
        "value": value,
        "path": sys.path,
    }))
"""


def run_application(env, cwd, prelude=""):
    import json
    status, output = run([sys.executable, "-c", prelude + textwrap.dedent(APPLICATION)], env=env, cwd=cwd)
    assert status == 0, output
    return json.loads(output.strip().splitlines()[-1])


@pytest.fixture(scope="module")
def user_install(tmp_path_factory):
    """An install with `--prefix` into the user base the interpreter is told
    of by PYTHONUSERBASE, as `--prefix ~/.local` is for a real user."""
    base = tmp_path_factory.mktemp("userbase")
    env = clean_env(PYTHONUSERBASE=str(base))
    output = cmake_install("--install", str(BUILD_DIR), "--prefix", str(base), env=env)
    return base, base / "lib" / PY / "site-packages", env, output


def test_prefix_install_lands_in_the_user_site_directory(user_install):
    base, site_dir, env, output = user_install
    assert f"Installing nuv_touch into {site_dir}" in output
    assert_complete(site_dir)
    assert "does not import from" not in output


def test_application_outside_the_tree_imports_the_installed_modules(user_install, tmp_path):
    base, site_dir, env, _ = user_install
    seen = run_application(env, cwd=tmp_path)
    assert seen["files"] == [str(module_file(site_dir)), str(site_dir / "nuv_touchui" / "__init__.py"),
                             str(site_dir / "nuv_wxtools.py"), str(module_file(site_dir, "nuv_engines"))]
    assert seen["layout_base"]
    assert (seen["value"], seen["composed"]) == ("7", ["你"])
    assert not [p for p in seen["path"] if p and str(ROOT) in p]


def test_mypy_finds_the_installed_stubs(user_install, tmp_path):
    base, site_dir, env, _ = user_install
    (tmp_path / "mypy.ini").write_text("[mypy]\n[mypy-wx.*]\nignore_missing_imports = True\n")
    (tmp_path / "panel.py").write_text(textwrap.dedent("""
        import wx
        import nuv_touch

        def ask(frame: wx.Frame) -> None:
            reveal_type(nuv_touch.input_integer(frame, 0, 100))
            reveal_type(nuv_touch.DigitKeypadProxy(frame).get_value())
            nuv_touch.input_text(frame, message=None)
    """))
    status, output = run([sys.executable, "-m", "mypy", "--no-incremental", "--config-file", "mypy.ini",
                          "panel.py"], env=env, cwd=tmp_path)
    assert 'Revealed type is "Union[builtins.int, None]"' in output, output
    assert 'Revealed type is "Union[builtins.int, builtins.float]"' in output, output
    assert 'Argument "message" to "input_text" has incompatible type "None"; expected "str"' in output, output
    assert output.count("error:") == 1, output


def test_explicit_install_directory(tmp_path):
    target = tmp_path / "panel-python"
    env = clean_env()
    cmake_install(f"-DNUV_TOUCH_INSTALL_DIR={target}", "-P", "cmake_install.cmake", env=env)
    assert_complete(target)
    # A directory of one's own is on no path: the application adds it.
    seen = run_application(env, cwd=tmp_path, prelude=f"import site; site.addsitedir({str(target)!r})\n")
    assert seen["files"][0] == str(module_file(target))
    assert seen["value"] == "7"


def test_relative_install_directory_is_under_the_prefix(tmp_path):
    cmake_install(f"-DCMAKE_INSTALL_PREFIX={tmp_path / 'opt'}", "-DNUV_TOUCH_INSTALL_DIR=python",
                  "-P", "cmake_install.cmake", env=clean_env())
    assert_complete(tmp_path / "opt" / "python")


def test_prefix_the_interpreter_does_not_know_is_reported(tmp_path):
    output = cmake_install("--install", str(BUILD_DIR), "--prefix", str(tmp_path), env=clean_env())
    site_dir = tmp_path / "lib" / PY / "site-packages"
    assert_complete(site_dir)
    assert f"does not import from {site_dir} by itself" in " ".join(output.split())


@pytest.mark.parametrize("prefix", ["/usr/local", "/usr"])
def test_system_prefixes_map_to_the_interpreter_site_directories(prefix):
    """The default prefix and a distribution's prefix, without installing."""
    status, output = run([sys.executable, str(ROOT / "cmake" / "site_dir.py"), prefix],
                         env=clean_env(), cwd=ROOT)
    assert status == 0, output
    chosen = output.strip()
    assert chosen in site.getsitepackages()
    assert chosen.startswith(prefix + "/lib/")
