// Shared Python plumbing of the extension: one include for the interpreter and
// pybind11, the boundary guard that turns C++ exceptions into Python ones, and
// the call-time lookup of module-level names.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstring>
#include <exception>
#include <new>
#include <type_traits>
#include <utility>

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

// An interned str kept until the interpreter is finalized, keyed by the
// address of `text`: pass string literals (or other static text) only. Used
// for attribute names and for the constant texts the handlers compare with.
PyObject* interned(const char* text);

// The tuple (name,) of keyword names for a vectorcall, kept as interned() keeps
// its names (a borrowed reference).
PyObject* keyword_names(const char* name);

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

// One positional argument of a call: a Python object is passed as it is; any
// other value (a C++ bool, int or text) is converted by pybind11 and the
// result kept alive for the call.
class CallArg {
public:
    CallArg(py::handle object) : ptr_(object.ptr()) {}
    template <class T, std::enable_if_t<!std::is_base_of_v<py::handle, std::decay_t<T>>, int> = 0>
    CallArg(T&& value) : owned_(py::cast(std::forward<T>(value))), ptr_(owned_.ptr()) {}
    PyObject* ptr() const { return ptr_; }

private:
    py::object owned_;
    PyObject* ptr_;
};

template <class T>
constexpr bool is_keyword_v = std::is_base_of_v<py::arg, std::decay_t<T>>;

// callable(args...), positional arguments only, through vectorcall: no
// argument tuple is built.
template <class... Args>
py::object call(py::handle callable, Args&&... args) {
    static_assert(!(is_keyword_v<Args> || ...), "keyword arguments: call the py::object itself");
    const CallArg held[] = {CallArg(py::handle()), CallArg(std::forward<Args>(args))...};
    PyObject* argv[1 + sizeof...(Args)];
    for (std::size_t i = 0; i < 1 + sizeof...(Args); ++i) argv[i] = held[i].ptr();
    // argv[0] is a free slot the callee may borrow (a bound method puts its
    // instance there instead of copying the arguments).
    return steal_or_throw(
        PyObject_Vectorcall(callable.ptr(), argv + 1, sizeof...(Args) | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// obj.name(args...) with the attribute name interned once. Positional
// arguments go through vectorcall, which also spares the bound method when
// `name` is a method of obj's type; with keyword arguments (py::arg) the
// call is pybind11's.
template <class... Args>
py::object call_method(py::handle obj, const char* name, Args&&... args) {
    if constexpr ((is_keyword_v<Args> || ...)) {
        py::object method = steal_or_throw(PyObject_GetAttr(obj.ptr(), interned(name)));
        return method(std::forward<Args>(args)...);
    } else {
        const CallArg held[] = {CallArg(obj), CallArg(std::forward<Args>(args))...};
        PyObject* argv[1 + sizeof...(Args)];
        for (std::size_t i = 0; i < 1 + sizeof...(Args); ++i) argv[i] = held[i].ptr();
        return steal_or_throw(PyObject_VectorcallMethod(interned(name), argv,
                                                        (1 + sizeof...(Args)) | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                                        nullptr));
    }
}

// obj.name with the attribute name interned once. A name of a plain module
// (wx.ID_OK, wx.Font) is read straight from the module's dict: the module
// type and object define no attribute whose name lacks leading underscores,
// so the dict is where any lookup would find it. Every other case, and a
// name the dict lacks, takes the full attribute lookup.
inline py::object get_attr(py::handle obj, const char* name) {
    PyObject* key = interned(name);
    if (PyModule_CheckExact(obj.ptr()) && name[0] != '_') {
        PyObject* found = PyDict_GetItemWithError(PyModule_GetDict(obj.ptr()), key);
        if (found) return py::reinterpret_borrow<py::object>(found);
        if (PyErr_Occurred()) throw py::error_already_set();
    }
    return steal_or_throw(PyObject_GetAttr(obj.ptr(), key));
}

inline void set_attr(py::handle obj, const char* name, py::handle value) {
    if (PyObject_SetAttr(obj.ptr(), interned(name), value.ptr()) < 0) throw py::error_already_set();
}

// mapping[name] = value with the name interned, as the compiler interns the
// names a Python module or class body binds: a later lookup by an interned
// name then finds its key by identity, without comparing the texts.
inline void set_item(py::handle mapping, const char* name, py::handle value) {
    if (PyObject_SetItem(mapping.ptr(), interned(name), value.ptr()) < 0) throw py::error_already_set();
}

// Python truth of `obj`.
inline bool truth(py::handle obj) {
    int r = PyObject_IsTrue(obj.ptr());
    if (r < 0) throw py::error_already_set();
    return r != 0;
}

// The truth of `a == b`, exactly as the Python expression: no identity
// shortcut (a NaN never equals itself) except for an exact int or str, which
// always equals itself (the mode constants are compared this way on every
// confirm).
inline bool equals(py::handle a, py::handle b) {
    if (a.ptr() == b.ptr() && (PyLong_CheckExact(a.ptr()) || PyUnicode_CheckExact(a.ptr()))) return true;
    return truth(steal_or_throw(PyObject_RichCompare(a.ptr(), b.ptr(), Py_EQ)));
}

// The str of a literal, made once and kept for the process (a borrowed
// reference: nothing to release).
inline py::handle literal(const char* text) {
    return interned(text);
}

// obj == text for an ASCII literal text; compared in place when obj is a str.
inline bool equals_text(py::handle obj, const char* text) {
    if (PyUnicode_CheckExact(obj.ptr()))
        return PyUnicode_GET_LENGTH(obj.ptr()) == static_cast<Py_ssize_t>(std::strlen(text)) &&
               PyUnicode_CompareWithASCIIString(obj.ptr(), text) == 0;
    return equals(obj, literal(text));
}

inline bool is_instance(py::handle obj, py::handle cls) {
    int r = PyObject_IsInstance(obj.ptr(), cls.ptr());
    if (r < 0) throw py::error_already_set();
    return r != 0;
}

}  // namespace nuv
