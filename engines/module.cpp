// nuv_engines: the input engines of the on-screen keyboards, apart from the
// keypads. The layouts compose with them (the Chinese keyboard's pinyin;
// Korean, zhuyin, Japanese and Cangjie for the keyboards that will use them);
// no engine touches a widget, so each one is used and tested without a
// display.
//
// Each engine is a unit of its own that binds its classes into the module;
// the module only lists them and refuses interpreters it cannot serve.
#include "composers.h"
#include "pinyin.h"
#include "xkb_keymap.h"

#include <stdexcept>

namespace nuv::engines {

namespace {

const char* const kDoc =
    "Input engines of the on-screen keyboards: pinyin, Korean, zhuyin, Japanese and Cangjie composition, "
    "and the keyboards of xkeyboard-config.";

using Binder = void (*)(py::module_&);

// The engines, in the order the module binds them.
const Binder kEngines[] = {
    bind_pinyin,
    bind_xkb,
    bind_hangul,
    bind_zhuyin,
    bind_kana,
    bind_cangjie,
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
// once per interpreter, so a later import (after `del sys.modules[...]`, or
// a reload) gets this object again.
PyObject* bound_module = nullptr;
bool release_registered = false;

// At the start of the finalization, while objects can still be released:
// the module goes, and pybind11 forgets the C++ classes it bound to this
// interpreter's types.
PyObject* release_at_exit(PyObject*, PyObject*) {
    Py_CLEAR(bound_module);
    py::detail::get_local_internals().registered_types_cpp.clear();
    Py_RETURN_NONE;
}

PyMethodDef release_at_exit_def = {"_release", release_at_exit, METH_NOARGS, nullptr};

// Once the finalization is complete, pybind11's record of the interpreter
// goes too, as its own finalize_interpreter() drops it: an application that
// initializes Python again then binds the engines afresh at its next import.
void forget_at_finalization() {
    bound_module = nullptr;
    release_registered = false;  // the interpreter has run both: the next one asks again
    py::detail::internals**& internals = py::detail::get_internals_pp();
    if (internals) {
        delete *internals;
        *internals = nullptr;
    }
}

void register_release_at_finalization() {
    if (release_registered) return;
    py::object callback = py::reinterpret_steal<py::object>(PyCFunction_New(&release_at_exit_def, nullptr));
    if (!callback) throw py::error_already_set();
    py::module_::import("atexit").attr("register")(callback);
    if (Py_AtExit(forget_at_finalization) < 0) throw std::runtime_error("no room left for an exit function");
    release_registered = true;
}

// `found`: what the import system found for the module (its name, origin).
PyObject* module_create(PyObject* found, PyModuleDef*) {
    if (!is_main_interpreter()) return nullptr;
    if (bound_module) return Py_NewRef(bound_module);
    PyObject* name = PyObject_GetAttrString(found, "name");
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
        register_release_at_finalization();
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
    } catch (...) {
        PyErr_SetString(PyExc_ImportError, "unexpected C++ exception binding the engines");
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
