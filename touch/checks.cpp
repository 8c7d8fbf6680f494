#include "checks.h"

#include <cstring>

namespace nuv {

namespace {

bool named(const char* annotation, const char* text) {
    return annotation && std::strcmp(annotation, text) == 0;
}

[[noreturn]] void raise_incorrect_type(const char* name, const char* expected, py::handle value) {
    py::str got = type_name_of(value);
    PyErr_Format(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200U)", name,
                 expected, got.ptr());
    throw py::error_already_set();
}

}  // namespace

py::str type_name_of(py::handle obj) {
#if PY_VERSION_HEX >= 0x030B0000
    py::object name = steal_or_throw(PyType_GetName(Py_TYPE(obj.ptr())));
#else
    py::object name = steal_or_throw(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(obj.ptr())), "__name__"));
#endif
    return py::reinterpret_borrow<py::str>(name);
}

ArgumentCheck argument_check_for(const Param& param) {
    const bool none_default = param.default_.kind == Default::Kind::none;
    if (named(param.annotation, "str") || named(param.annotation, "_Optional[str]"))
        return {ArgumentCheck::Kind::exact_str, none_default};
    if (named(param.annotation, "int")) return {ArgumentCheck::Kind::exact_int, none_default};
    if (named(param.annotation, "float")) return {ArgumentCheck::Kind::to_float, false};
    return {};
}

ReturnCheck return_check_for(const char* annotation) {
    if (named(annotation, "_Optional[int]")) return {ReturnCheck::Kind::int_or_none};
    if (named(annotation, "_Optional[float]")) return {ReturnCheck::Kind::float_or_none};
    if (named(annotation, "_Optional[str]") || named(annotation, "str")) return {ReturnCheck::Kind::str_or_none};
    return {};
}

py::object apply_argument_check(const ArgumentCheck& check, const char* name, py::handle value) {
    switch (check.kind) {
        case ArgumentCheck::Kind::none:
            return {};
        case ArgumentCheck::Kind::exact_str:
            if (!PyUnicode_CheckExact(value.ptr()) && !(check.none_allowed && value.is_none()))
                raise_incorrect_type(name, "str", value);
            return {};
        case ArgumentCheck::Kind::exact_int:
            if (!PyLong_CheckExact(value.ptr()) && !(check.none_allowed && value.is_none()))
                raise_incorrect_type(name, "int", value);
            return {};
        case ArgumentCheck::Kind::to_float: {
            if (PyFloat_CheckExact(value.ptr())) return py::reinterpret_borrow<py::object>(value);
            double d = PyFloat_AsDouble(value.ptr());
            if (d == -1.0 && PyErr_Occurred()) throw py::error_already_set();
            return steal_or_throw(PyFloat_FromDouble(d));
        }
    }
    return {};
}

void apply_return_check(const ReturnCheck& check, py::handle result) {
    const char* expected = nullptr;
    switch (check.kind) {
        case ReturnCheck::Kind::none:
            return;
        case ReturnCheck::Kind::int_or_none:
            if (PyLong_CheckExact(result.ptr())) return;
            expected = "int";
            break;
        case ReturnCheck::Kind::float_or_none:
            if (PyFloat_CheckExact(result.ptr())) return;
            expected = "float";
            break;
        case ReturnCheck::Kind::str_or_none:
            if (PyUnicode_CheckExact(result.ptr())) return;
            expected = "unicode";
            break;
    }
    if (result.is_none()) return;
    py::str got = type_name_of(result);
    PyErr_Format(PyExc_TypeError, "Expected %s, got %.200U", expected, got.ptr());
    throw py::error_already_set();
}

}  // namespace nuv
