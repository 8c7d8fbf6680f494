// Shared Python plumbing of the extension: one include for the interpreter and
// pybind11, the boundary guard that turns C++ exceptions into Python ones, and
// the call-time lookup of module-level names.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pybind11/pybind11.h>

#include <exception>
#include <new>

namespace py = pybind11;

namespace nuv {

// Runs `body` at a point where C++ hands control back to the interpreter.
// A C++ exception becomes the matching Python exception and `failure` is
// returned; nothing escapes as a C++ exception.
template <class Result, class Body>
Result guarded(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (py::error_already_set& e) {
        e.restore();
    } catch (py::builtin_exception& e) {
        e.set_error();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unexpected C++ exception in nuv_touch");
    }
    return failure;
}

// An interned str that lives for the rest of the process. Used for attribute
// and key names that are looked up on every key press.
PyObject* interned(const char* text);

// The module's namespace while the module exists; names the behaviour code
// reads from it are looked up at the moment they are needed, so rebinding a
// module attribute changes what the next call uses.
py::dict module_namespace();

// `name` from the module namespace, else from the builtins; NameError as
// Python raises it when neither has it.
py::object global(const char* name);

// Raises the pending Python error as a C++ exception when `result` is NULL.
inline py::object steal_or_throw(PyObject* result) {
    if (!result) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(result);
}

// obj.name(args...) with the attribute name interned once.
template <class... Args>
py::object call_method(py::handle obj, const char* name, Args&&... args) {
    py::object method = py::reinterpret_steal<py::object>(PyObject_GetAttr(obj.ptr(), interned(name)));
    if (!method) throw py::error_already_set();
    return method(std::forward<Args>(args)...);
}

// obj.name with the attribute name interned once.
inline py::object get_attr(py::handle obj, const char* name) {
    return steal_or_throw(PyObject_GetAttr(obj.ptr(), interned(name)));
}

inline void set_attr(py::handle obj, const char* name, py::handle value) {
    if (PyObject_SetAttr(obj.ptr(), interned(name), value.ptr()) < 0) throw py::error_already_set();
}

// Python truth of `obj`.
inline bool truth(py::handle obj) {
    int r = PyObject_IsTrue(obj.ptr());
    if (r < 0) throw py::error_already_set();
    return r != 0;
}

// The truth of `a == b`, exactly as the Python expression (no identity
// shortcut, so a NaN never equals itself).
inline bool equals(py::handle a, py::handle b) {
    return truth(steal_or_throw(PyObject_RichCompare(a.ptr(), b.ptr(), Py_EQ)));
}

inline bool is_instance(py::handle obj, py::handle cls) {
    int r = PyObject_IsInstance(obj.ptr(), cls.ptr());
    if (r < 0) throw py::error_already_set();
    return r != 0;
}

}  // namespace nuv
