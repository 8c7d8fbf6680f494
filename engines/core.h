// What every engine of nuv_engines shares: the errors it raises, the exact
// argument checks of its methods, and the refusal of every thread but the
// GUI one.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>
#include <utility>

namespace py = pybind11;

namespace nuv::engines {

// Raises `type` with `message` as a C++ exception that pybind11 hands back
// to Python as it is (FileNotFoundError has no pybind11 exception of its own).
[[noreturn]] void fail(PyObject* type, const std::string& message);

// The argument `name` as a str (exactly: bytes are no letters) and as a
// non-negative int (exactly: not a bool or a float). TypeError for another
// type, as the keypads' own checks word it; ValueError for a negative int,
// OverflowError for one past the machine's sizes.
py::str exact_str(py::handle value, const char* name);
std::size_t exact_index(py::handle value, const char* name);

// Raises RuntimeError off the GUI thread (wx.IsMainThread() false). An
// engine's state is one per process, like the widgets that show it: the
// keyboard calls it from the GUI thread only.
void require_gui_thread();

// `method` as a function that first refuses every thread but the GUI one.
template <class R, class Engine, class... A>
auto gui_only(R (Engine::*method)(A...)) {
    return [method](Engine& self, A... args) -> R {
        require_gui_thread();
        return (self.*method)(std::forward<A>(args)...);
    };
}

template <class R, class Engine, class... A>
auto gui_only(R (Engine::*method)(A...) const) {
    return [method](const Engine& self, A... args) -> R {
        require_gui_thread();
        return (self.*method)(std::forward<A>(args)...);
    };
}

}  // namespace nuv::engines
