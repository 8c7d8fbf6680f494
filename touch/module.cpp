// nuv_touch: on-screen keypads for wxPython applications on touch panels.
//
// The module is initialised in two phases. Creation makes (once per process)
// the module object; execution runs the module body step by step: the imports
// of wx, the layout module nuv_touchui and the tools module nuv_wxtools, the
// mode constants, then the classes and the prompt functions in their order.
// A failing step drops the module, so that a later import starts afresh.
#include "adapters.h"
#include "alpha_keypad.h"
#include "binding.h"
#include "classes.h"
#include "digit_keypad.h"
#include "pin_keypad.h"
#include "prompts.h"

#include <cstdio>
#include <cstring>
#include <cstdint>
#include <vector>

#ifndef NUV_TOUCH_BUILT_FOR_MAJOR
#define NUV_TOUCH_BUILT_FOR_MAJOR PY_MAJOR_VERSION
#endif
#ifndef NUV_TOUCH_BUILT_FOR_MINOR
#define NUV_TOUCH_BUILT_FOR_MINOR PY_MINOR_VERSION
#endif

namespace nuv {

namespace {

// The process-wide module object once its body has run (an owned reference,
// kept for the life of the process), and the interpreter that first imported it.
PyObject* the_module = nullptr;
int64_t the_interpreter = -1;

// The classes and functions of the module, in the order the body creates them.
const ClassDef* const kClasses[] = {
    &digit_keypad_class,
    &digit_password_keypad_class,
    &ctrl_wrapper_base_class,
    &ctrl_wrapper_class,
    &grid_wrapper_class,
    &digit_keypad_proxy_class,
    &alpha_keypad_class,
    &alpha_keypad_proxy_class,
};
const FunctionDef* const kFunctions[] = {
    &input_text_function,
    &input_password_function,
    &input_digit_password_function,
    &input_integer_function,
    &input_float_function,
};

// ---------------------------------------------------------------- creation

void copy_spec_attribute(py::handle spec, py::handle module_dict, const char* from, const char* to, bool allow_none) {
    PyObject* value = PyObject_GetAttrString(spec.ptr(), from);
    if (!value) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw py::error_already_set();
        PyErr_Clear();
        return;
    }
    py::object owned = py::reinterpret_steal<py::object>(value);
    if (!allow_none && owned.is_none()) return;
    if (PyDict_SetItemString(module_dict.ptr(), to, owned.ptr()) < 0) throw py::error_already_set();
}

// Records the first importing interpreter; false, with ImportError set, for
// any other. Plain C API only: pybind11's error machinery must not run in an
// interpreter other than the one it was first used in (its GIL handling
// assumes the main interpreter and would block there).
bool is_first_interpreter() {
    int64_t current = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (current == -1) return false;
    if (the_interpreter == -1) the_interpreter = current;
    if (the_interpreter == current) return true;
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one interpreter per process.");
    return false;
}

PyObject* module_create(PyObject* spec, PyModuleDef*) {
    if (!is_first_interpreter()) return nullptr;
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        if (the_module) return Py_NewRef(the_module);
        py::object name = get_attr(spec, "name");
        py::object module = steal_or_throw(PyModule_NewObject(name.ptr()));
        py::handle module_dict = PyModule_GetDict(module.ptr());
        copy_spec_attribute(spec, module_dict, "loader", "__loader__", true);
        copy_spec_attribute(spec, module_dict, "origin", "__file__", true);
        copy_spec_attribute(spec, module_dict, "parent", "__package__", true);
        copy_spec_attribute(spec, module_dict, "submodule_search_locations", "__path__", false);
        return module.release().ptr();
    });
}

// ---------------------------------------------------------------- execution

void warn_on_version_mismatch() {
    int major = 0, minor = 0;
    std::sscanf(Py_GetVersion(), "%d.%d", &major, &minor);
    if (major == NUV_TOUCH_BUILT_FOR_MAJOR && minor == NUV_TOUCH_BUILT_FOR_MINOR) return;
    if (PyErr_WarnFormat(PyExc_RuntimeWarning, 1, "compile time Python version %d.%d of module '%.100s' %s runtime version %d.%d",
                         NUV_TOUCH_BUILT_FOR_MAJOR, NUV_TOUCH_BUILT_FOR_MINOR, "nuv_touch", "does not match", major,
                         minor) < 0)
        throw py::error_already_set();
}

// `from <module> import <name>`: the attribute, else an already imported
// submodule of that name, else ImportError "cannot import name <name>".
py::object import_from(py::handle module, const char* name) {
    PyObject* value = PyObject_GetAttrString(module.ptr(), name);
    if (value) return py::reinterpret_steal<py::object>(value);
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw py::error_already_set();
    PyErr_Clear();
    py::str full_name = py::str("{}.{}").format(get_attr(module, "__name__"), name);
    value = PyImport_GetModule(full_name.ptr());
    if (value) return py::reinterpret_steal<py::object>(value);
    if (PyErr_Occurred()) throw py::error_already_set();
    PyErr_Format(PyExc_ImportError, "cannot import name %s", name);
    throw py::error_already_set();
}

// `from <module_name> import name as bound_name, ...`
void bind_from(py::dict ns, const char* module_name, std::initializer_list<std::pair<const char*, const char*>> names) {
    py::list fromlist;
    for (auto& [name, bound] : names) fromlist.append(py::str(name));
    py::object module = steal_or_throw(PyImport_ImportModuleLevel(module_name, ns.ptr(), nullptr, fromlist.ptr(), 0));
    for (auto& [name, bound] : names) set_item(ns, bound, import_from(module, name));
}

void run_body(py::dict ns) {
    set_item(ns, "wx", py::module_::import("wx"));
    set_item(ns, "_grid", py::module_::import("wx.grid"));
    bind_from(ns, "nuv_touchui", {{"AlphaKeypad", "AlphaKeypadUI"}});
    bind_from(ns, "nuv_touchui", {{"DigitKeypad", "DigitKeypadUI"}, {"DigitPasswordKeypad", "_DigitPasswordKeypad"}});
    bind_from(ns, "nuv_wxtools", {{"window_fit_layout", "window_fit_layout"}});
    bind_from(ns, "abc", {{"abstractmethod", "_abstractmethod"}, {"ABC", "_ABC"}});
    bind_from(ns, "typing", {{"Optional", "_Optional"}});
    set_item(ns, "KEYPAD_MODE_INT", py::int_(0));
    set_item(ns, "KEYPAD_MODE_FLOAT", py::int_(1));
    for (const ClassDef* cls : kClasses) set_item(ns, cls->name, make_class(*cls));
    for (const FunctionDef* fn : kFunctions) set_item(ns, fn->name, make_function(*fn));
}

int module_exec(PyObject* module) {
    if (the_module) {
        if (the_module == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'nuv_touch' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    the_module = Py_NewRef(module);
    int result = guarded<int>(-1, [&] {
        warn_on_version_mismatch();
        ready_function_type();
        run_body(py::reinterpret_borrow<py::dict>(PyModule_GetDict(module)));
        return 0;
    });
    if (result < 0) Py_CLEAR(the_module);  // dropped: a later import starts again
    return result;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(module_create)},
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "nuv_touch",
    "On-screen keypads for wxPython applications on touch panels.",
    0,
    nullptr,
    module_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyObject* interned(const char* text) {
    // An open-addressing table keyed by the address of the text, looked up on
    // every attribute access of every key press: a multiply, a shift and,
    // nearly always, one compare. Entries live for the process.
    struct Entry {
        const char* text;
        PyObject* name;
    };
    static std::vector<Entry> table(256);
    static std::size_t used = 0;
    static int shift = 64 - 8;
    auto slot_of = [](const char* key, int bits_shift) {
        return static_cast<std::size_t>((reinterpret_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> bits_shift);
    };
    const std::size_t mask = table.size() - 1;
    for (std::size_t i = slot_of(text, shift);; i = (i + 1) & mask) {
        if (table[i].text == text) return table[i].name;
        if (!table[i].text) break;
    }
    PyObject* name = PyUnicode_InternFromString(text);
    if (!name) throw py::error_already_set();
    if (2 * (used + 1) > table.size()) {  // keep it at most half full
        std::vector<Entry> bigger(2 * table.size());
        --shift;
        for (const Entry& e : table) {
            if (!e.text) continue;
            std::size_t j = slot_of(e.text, shift);
            while (bigger[j].text) j = (j + 1) & (bigger.size() - 1);
            bigger[j] = e;
        }
        table.swap(bigger);
    }
    std::size_t i = slot_of(text, shift);
    while (table[i].text) i = (i + 1) & (table.size() - 1);
    table[i] = {text, name};
    ++used;
    return name;
}

py::dict module_namespace() {
    if (!the_module) {
        PyErr_SetString(PyExc_RuntimeError, "nuv_touch is not initialised");
        throw py::error_already_set();
    }
    return py::reinterpret_borrow<py::dict>(PyModule_GetDict(the_module));
}

py::object global(const char* name) {
    if (!the_module) module_namespace();  // raises: not initialised
    PyObject* key = interned(name);
    PyObject* value = PyDict_GetItemWithError(PyModule_GetDict(the_module), key);
    if (!value && !PyErr_Occurred()) value = PyDict_GetItemWithError(PyEval_GetBuiltins(), key);
    if (value) return py::reinterpret_borrow<py::object>(value);
    if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
    throw py::error_already_set();
}

}  // namespace nuv

PyMODINIT_FUNC PyInit_nuv_touch(void) {
    return PyModuleDef_Init(&nuv::module_def);
}
