#include "core.h"

namespace nuv::engines {

namespace {

[[noreturn]] void incorrect_type(const char* name, const char* expected, py::handle value) {
    PyErr_Format(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", name,
                 expected, Py_TYPE(value.ptr())->tp_name);
    throw py::error_already_set();
}

}  // namespace

void fail(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

py::str exact_str(py::handle value, const char* name) {
    if (!PyUnicode_CheckExact(value.ptr())) incorrect_type(name, "str", value);
    return py::reinterpret_borrow<py::str>(value);
}

std::size_t exact_index(py::handle value, const char* name) {
    if (!PyLong_CheckExact(value.ptr())) incorrect_type(name, "int", value);
    Py_ssize_t index = PyLong_AsSsize_t(value.ptr());
    if (index == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (index < 0) fail(PyExc_ValueError, std::string(name) + " must not be negative");
    return static_cast<std::size_t>(index);
}

// The GUI thread's id once wx has named it: a letter typed then costs a
// comparison instead of a call into wx. wx keeps its GUI thread for the
// life of the process.
void require_gui_thread() {
    static unsigned long gui_thread = 0;
    static bool known = false;
    unsigned long current = PyThread_get_thread_ident();
    if (known && current == gui_thread) return;
    if (py::module_::import("wx").attr("IsMainThread")().cast<bool>()) {
        gui_thread = current;
        known = true;
        return;
    }
    fail(PyExc_RuntimeError,
         "nuv_engines engines run on the GUI thread only; from another thread, call through wx.CallAfter");
}

}  // namespace nuv::engines
