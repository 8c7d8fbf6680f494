// nuv_engines: the input engines of the on-screen keyboards, apart from the
// keypads. The layouts compose with them (the Chinese keyboard's pinyin);
// no engine touches a widget, so each one is used and tested without a
// display.
//
// Each engine is a unit of its own that binds its classes into the module;
// the module only lists them and refuses interpreters it cannot serve.
#include "pinyin.h"

namespace nuv::engines {

namespace {

const char* const kDoc = "Input engines of the on-screen keyboards: pinyin composition.";

using Binder = void (*)(py::module_&);

// The engines, in the order the module binds them.
const Binder kEngines[] = {
    bind_pinyin,
};

// Only the main interpreter imports the module, whichever interpreter
// tries first: pybind11 takes the interpreter lock through PyGILState_Ensure,
// which serves the main interpreter only, so a call into an engine from
// another one would block for ever. The import is therefore initialised in
// two phases, as nuv_touch's is: a single-phase module would be handed to a
// later interpreter as a copy, without asking. Plain C API here, before
// pybind11 is touched.
bool is_main_interpreter() {
    if (PyInterpreterState_Get() == PyInterpreterState_Main()) return true;
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one interpreter per process.");
    return false;
}

// The module once its engines are bound (owned): pybind11 registers a class
// once per process, so a later import (after `del sys.modules[...]`, or a
// reload) gets this object again.
PyObject* bound_module = nullptr;

PyObject* module_create(PyObject* spec, PyModuleDef*) {
    if (!is_main_interpreter()) return nullptr;
    if (bound_module) return Py_NewRef(bound_module);
    PyObject* name = PyObject_GetAttrString(spec, "name");
    if (!name) return nullptr;
    PyObject* module = PyModule_NewObject(name);
    Py_DECREF(name);
    return module;
}

int module_exec(PyObject* module) {
    if (bound_module) {
        if (module == bound_module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'nuv_engines' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    try {
        py::detail::get_internals();
        py::module_ bound = py::reinterpret_borrow<py::module_>(module);
        for (Binder bind : kEngines) bind(bound);
    } catch (py::error_already_set& e) {
        e.restore();
        return -1;
    } catch (py::builtin_exception& e) {
        e.set_error();
        return -1;
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_ImportError, e.what());
        return -1;
    }
    bound_module = Py_NewRef(module);
    return 0;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(module_create)},
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "nuv_engines", kDoc, 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace nuv::engines

extern "C" PYBIND11_EXPORT PyObject* PyInit_nuv_engines() {
    PYBIND11_CHECK_PYTHON_VERSION
    return PyModuleDef_Init(&nuv::engines::module_def);
}
