"""Import of the module: one object per process, its body, its failures."""
import importlib
import os
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import nuv_touch
from conftest import BUILD_DIR, LAYOUTS_DIR, ROOT, scaled


def run_python(code, *, path=(), flags=()):
    """Runs `code` in a fresh interpreter with the module importable; returns
    (exit code, stdout + stderr)."""
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join([*map(str, path), str(BUILD_DIR), str(LAYOUTS_DIR)])
    done = subprocess.run([sys.executable, *flags, "-c", textwrap.dedent(code)], env=env,
                          capture_output=True, text=True, timeout=scaled(60))
    return done.returncode, done.stdout + done.stderr


class TestSingleton:
    def test_reimport_and_reload_give_the_same_object(self):
        classes = nuv_touch.DigitKeypad
        del sys.modules["nuv_touch"]
        try:
            again = importlib.import_module("nuv_touch")
        finally:
            sys.modules["nuv_touch"] = nuv_touch
        assert again is nuv_touch
        assert importlib.reload(nuv_touch) is nuv_touch
        assert nuv_touch.DigitKeypad is classes

    def test_module_attributes_from_the_import_spec(self):
        found = nuv_touch.__spec__
        assert nuv_touch.__name__ == "nuv_touch"
        assert nuv_touch.__file__ == found.origin
        assert nuv_touch.__loader__ is found.loader
        assert nuv_touch.__package__ == ""
        assert not hasattr(nuv_touch, "__path__")

    def test_execution_into_another_module_object_is_refused(self):
        status, output = run_python("""
            import _imp, importlib.util
            found = importlib.util.find_spec("nuv_touch")
            first, second = _imp.create_dynamic(found), _imp.create_dynamic(found)
            assert first is not second
            _imp.exec_dynamic(first)
            _imp.exec_dynamic(first)          # the same object again: nothing happens
            assert _imp.create_dynamic(found) is first
            try:
                _imp.exec_dynamic(second)
            except RuntimeError as error:
                print(error)
        """)
        assert status == 0, output
        assert "Module 'nuv_touch' has already been imported. Re-initialisation is not supported." in output

    @pytest.mark.parametrize("module", ["nuv_touch", "nuv_engines"])
    def test_second_interpreter_is_refused(self, module):
        status, output = run_python(f"""
            import {module}
            import subinterpreters
            print(subinterpreters.run_string("import {module}"))
        """, path=[Path(__file__).parent])
        assert status == 0, output
        assert ("ImportError: Interpreter change detected - this module can only be loaded "
                "into one interpreter per process.") in output


class TestBody:
    def test_module_level_names_in_order(self):
        names = [name for name in vars(nuv_touch) if not name.startswith("__")]
        assert names[:11] == ["wx", "_grid", "AlphaKeypadUI", "DigitKeypadUI", "_DigitPasswordKeypad",
                              "window_fit_layout", "_abstractmethod", "_ABC", "_Optional",
                              "KEYPAD_MODE_INT", "KEYPAD_MODE_FLOAT"]
        import abc, typing, wx, nuv_touchui, nuv_wxtools
        assert nuv_touch._grid is wx.grid and nuv_touch.wx is wx
        assert nuv_touch.DigitKeypadUI is nuv_touchui.DigitKeypad
        assert nuv_touch._DigitPasswordKeypad is nuv_touchui.DigitPasswordKeypad
        assert nuv_touch.AlphaKeypadUI is nuv_touchui.AlphaKeypad
        assert nuv_touch.window_fit_layout is nuv_wxtools.window_fit_layout
        assert (nuv_touch._ABC, nuv_touch._abstractmethod, nuv_touch._Optional) == (
            abc.ABC, abc.abstractmethod, typing.Optional)
        assert (nuv_touch.KEYPAD_MODE_INT, nuv_touch.KEYPAD_MODE_FLOAT) == (0, 1)

    def test_dialog_class_made_as_a_class_statement_makes_it(self):
        keypad = nuv_touch.DigitKeypad
        assert type(keypad) is type(nuv_touch.DigitKeypadUI)
        assert keypad.__bases__ == (nuv_touch.DigitKeypadUI,)
        assert (keypad.__module__, keypad.__qualname__, keypad.__doc__) == ("nuv_touch", "DigitKeypad", None)
        own = [name for name in vars(keypad) if not name.startswith("__")]
        assert own == ["out_of_range", "OnDigit", "OnClearAll", "OnDot", "OnNegative", "OnPositive",
                       "get_value", "set_value", "on_enter", "GetValue", "SetValue"]


FAKE_LAYOUTS = """
import wx
class AlphaKeypad(wx.Dialog): pass
class DigitKeypad(wx.Dialog): pass
"""


class TestFailedImports:
    def test_missing_name_fails_and_a_later_import_starts_again(self, tmp_path):
        (tmp_path / "nuv_touchui.py").write_text(FAKE_LAYOUTS)
        status, output = run_python("""
            import sys
            try:
                import nuv_touch
            except ImportError as error:
                print("first:", error)
            assert "nuv_touch" not in sys.modules
            import nuv_touchui, wx
            nuv_touchui.DigitPasswordKeypad = type("DigitPasswordKeypad", (wx.Dialog,), {})
            import nuv_touch
            print("second:", nuv_touch._DigitPasswordKeypad.__name__)
        """, path=[tmp_path])
        assert status == 0, output
        assert "first: cannot import name DigitPasswordKeypad" in output
        assert "second: DigitPasswordKeypad" in output

    def test_missing_tools_module_fails_with_its_own_error(self, tmp_path):
        status, output = run_python("""
            import sys
            sys.modules["nuv_wxtools"] = None
            try:
                import nuv_touch
            except ImportError as error:
                print(type(error).__name__, error.name)
        """)
        assert status == 0, output
        assert "ModuleNotFoundError nuv_wxtools" in output or "ImportError nuv_wxtools" in output


# Never the running one, whichever that is.
OTHER_VERSION = "3.%d" % (sys.version_info.minor + 1)


@pytest.fixture(scope="session")
def other_version_build():
    """A build of the module that claims to be made for another interpreter."""
    directory = Path(str(BUILD_DIR) + "-other-version")
    # Configured every time: a build left by another interpreter claims another version.
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(directory), "-DPython_EXECUTABLE=" + sys.executable,
                    "-DNUV_TOUCH_BUILT_FOR=" + OTHER_VERSION], check=True, capture_output=True)
    subprocess.run(["cmake", "--build", str(directory), "-j2"], check=True, capture_output=True)
    return directory


class TestVersionCheck:
    def test_mismatch_warns_and_import_goes_on(self, other_version_build):
        status, output = run_python("""
            import warnings, sys
            with warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always")
                import nuv_touch
            print([(w.category.__name__, str(w.message)) for w in caught])
            print("imported", hasattr(nuv_touch, "input_float"))
        """, path=[other_version_build])
        assert status == 0, output
        running = "%d.%d" % sys.version_info[:2]
        assert ("'RuntimeWarning', \"compile time Python version %s of module 'nuv_touch' does not match "
                "runtime version %s\"" % (OTHER_VERSION, running)) in output
        assert "imported True" in output

    def test_warning_as_error_fails_the_import(self, other_version_build):
        status, output = run_python("""
            import sys
            try:
                import nuv_touch
            except RuntimeWarning as error:
                print("refused:", error)
            assert "nuv_touch" not in sys.modules
        """, path=[other_version_build], flags=["-W", "error::RuntimeWarning"])
        assert status == 0, output
        assert "refused: compile time Python version " + OTHER_VERSION in output

    def test_matching_build_does_not_warn(self):
        status, output = run_python("import nuv_touch", flags=["-W", "error::RuntimeWarning"])
        assert status == 0, output
