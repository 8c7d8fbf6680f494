#include "core.h"

#include <dlfcn.h>
#include <cstring>

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

std::string module_setting(const char* name) {
    py::object value = py::module_::import("nuv_engines").attr(name);
    return exact_str(value, name).cast<std::string>();
}

void* load_library(const std::string& soname, const char* package) {
    void* library = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        fail(PyExc_OSError, "cannot load " + soname + " (install " + package + "): " + (why ? why : "not found"));
    }
    return library;
}

void* library_symbol(void* library, const char* name) {
    dlerror();
    void* found = dlsym(library, name);
    if (!found) fail(PyExc_OSError, std::string("the engine's library has no function ") + name);
    return found;
}

char printable_key(py::handle key) {
    py::str text = exact_str(key, "key");
    if (PyUnicode_GET_LENGTH(text.ptr()) != 1) fail(PyExc_ValueError, "type one key at a time");
    Py_UCS4 c = PyUnicode_READ_CHAR(text.ptr(), 0);
    if (c < ' ' || c > '~') fail(PyExc_ValueError, "the engine takes printable ASCII keys only");
    return static_cast<char>(c);
}

py::str text_from_utf8(const char* text) {
    PyObject* decoded = PyUnicode_DecodeUTF8(text, Py_ssize_t(std::strlen(text)), "replace");
    if (!decoded) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
}

py::str text_from_ucs4(const std::u32string& text) {
    std::u32string valid = text;
    for (char32_t& c : valid)
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    PyObject* decoded = PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, valid.data(), Py_ssize_t(valid.size()));
    if (!decoded) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
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
