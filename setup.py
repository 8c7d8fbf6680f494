"""The wheel's build: runs the CMake build and its install step into the
directory setuptools packs, so that the wheel holds exactly what
`cmake --install` installs (the two extension modules, the layout and tools
modules, the stubs, the catalogs). Extra CMake options come from CMAKE_ARGS."""
import os
import shlex
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def pybind11_options():
    """The pybind11 installed for this interpreter (a build environment's),
    else CMake finds the system's (Debian: pybind11-dev)."""
    try:
        import pybind11
    except ImportError:
        return []
    return [f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"]


# The extension modules CMake builds; its one install step puts them all in place.
EXTENSIONS = ("nuv_touch", "nuv_engines")


class CMakeBuild(build_ext):
    def build_extensions(self):
        build_dir = Path(self.build_temp).resolve() / "cmake"
        target = Path(self.get_ext_fullpath(self.extensions[0].name)).resolve().parent
        configure = ["cmake", "-S", str(ROOT), "-B", str(build_dir),
                     f"-DPython_EXECUTABLE={sys.executable}", "-DCMAKE_BUILD_TYPE=Release",
                     f"-DNUV_TOUCH_INSTALL_DIR={target}", *pybind11_options(),
                     *shlex.split(os.environ.get("CMAKE_ARGS", ""))]
        # A packager's DESTDIR is for the files setuptools installs later,
        # not for this step, which only fills the build directory.
        env = {k: v for k, v in os.environ.items() if k != "DESTDIR"}
        for command in (configure,
                        ["cmake", "--build", str(build_dir), "-j", str(os.cpu_count() or 1)],
                        ["cmake", "--install", str(build_dir)]):
            subprocess.run(command, check=True, env=env)
        # A module CMake no longer makes would be left out of the wheel unseen.
        missing = [ext.name for ext in self.extensions if not Path(self.get_ext_fullpath(ext.name)).is_file()]
        if missing:
            raise RuntimeError(f"the CMake build made no {', '.join(missing)} in {target}")


setup(
    ext_modules=[Extension(name, sources=[]) for name in EXTENSIONS],
    cmdclass={"build_ext": CMakeBuild},
    py_modules=[],
    packages=[],
    options={"build": {"build_base": "build-wheel"}},
)
