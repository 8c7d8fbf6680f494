// What every engine of nuv_engines shares: the errors it raises, the exact
// argument checks of its methods, and the refusal of every thread but the
// GUI one.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>
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

// The module attribute `name` of nuv_engines, read when an engine opens, so
// that a test can point it elsewhere: exactly a str.
std::string module_setting(const char* name);

// The library `soname` loaded at an engine's first use (RTLD_NOW, so that a
// missing function shows here and not at a later key). OSError naming
// `package` when it cannot be loaded; the module imports without it.
void* load_library(const std::string& soname, const char* package);

// The function `name` of a loaded library as `Function` (a pointer of the
// type its header declares); OSError when the library lacks it.
void* library_symbol(void* library, const char* name);

template <class Function>
void resolve(void* library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(library_symbol(library, name));
}

// The one character of `key` when it is printable ASCII (space to '~');
// TypeError for a non-str, ValueError otherwise. Engines that read key
// codes are fed nothing else.
char printable_key(py::handle key);

// `text` (UTF-8 or UCS-4) as a str; invalid sequences and code points
// replaced by U+FFFD.
py::str text_from_utf8(const char* text);
py::str text_from_ucs4(const std::u32string& text);

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

// Up to `count` of `total` candidates from the `start`th, each made by
// `candidate(index)`, for the composers' candidates().
template <class Candidate>
py::list candidate_page(std::size_t total, py::handle start_value, py::handle count_value, Candidate candidate) {
    std::size_t start = exact_index(start_value, "start"), count = exact_index(count_value, "count");
    py::list found;
    for (std::size_t i = start; i < total && i - start < count; ++i) found.append(candidate(i));
    return found;
}

// The composer protocol, bound alike for every engine's class (after its
// __init__, which opens the engine):
//   type_key(key) -> bool     one printable key; False when it takes no more
//   erase() -> bool           takes back the last key; False when empty
//   preedit() -> str          what is composing, as shown above the entry
//   candidate_count() -> int  candidates of the composition (0: none)
//   candidates(start, count)  a page of them, best first
//   choose(index) -> str      the text the candidate commits; what it
//                             leaves stays composing
//   commit() -> str           everything pending, as preedit() shows it;
//                             the composition is then empty
//   reset()                   drops what is composing
//   empty() -> bool
template <class Composer>
py::class_<Composer> bind_composer(py::module_& module, const char* name, const char* doc) {
    py::class_<Composer> bound(module, name, doc);
    bound.def(py::init([] {
             require_gui_thread();
             return new Composer();
         }))
        .def("type_key", gui_only(&Composer::type_key), py::arg("key"))
        .def("erase", gui_only(&Composer::erase))
        .def("preedit", gui_only(&Composer::preedit))
        .def("candidate_count", gui_only(&Composer::candidate_count))
        .def("candidates", gui_only(&Composer::candidates), py::arg("start") = 0, py::arg("count") = 5)
        .def("choose", gui_only(&Composer::choose), py::arg("index"))
        .def("commit", gui_only(&Composer::commit))
        .def("reset", gui_only(&Composer::reset))
        .def("empty", gui_only(&Composer::empty));
    return bound;
}

}  // namespace nuv::engines
