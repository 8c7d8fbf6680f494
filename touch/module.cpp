// nuv_touch: on-screen keypads for wxPython applications on touch panels.
//
// The module is initialised in two phases. Creation makes the module object
// (once per lifetime of the interpreter, and in the main interpreter only);
// execution runs the module body step by step: the imports of wx, the
// layout module nuv_touchui and the tools module nuv_wxtools, the mode
// constants, then the classes and the prompt functions in their order.
// A failing step drops the module, so that a later import starts afresh.
#include "adapters.h"
#include "alpha_keypad.h"
#include "binding.h"
#include "classes.h"
#include "digit_keypad.h"
#include "modality.h"
#include "pin_keypad.h"
#include "prompts.h"

#include <cstdio>
#include <cstring>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#ifndef NUV_TOUCH_BUILT_FOR_MAJOR
#define NUV_TOUCH_BUILT_FOR_MAJOR PY_MAJOR_VERSION
#endif
#ifndef NUV_TOUCH_BUILT_FOR_MINOR
#define NUV_TOUCH_BUILT_FOR_MINOR PY_MINOR_VERSION
#endif

namespace nuv {

namespace {

// The interned names of interned(): an open-addressing table keyed by the
// address of the text, looked up on every attribute access of every key
// press: a multiply, a shift and, nearly always, one compare.
class InternTable {
public:
    PyObject* find_or_add(const char* text) {
        const std::size_t mask = table_.size() - 1;
        for (std::size_t i = slot_of(text, shift_);; i = (i + 1) & mask) {
            if (table_[i].text == text) return table_[i].name;
            if (!table_[i].text) break;
        }
        PyObject* name = PyUnicode_InternFromString(text);
        if (!name) throw py::error_already_set();
        if (2 * (used_ + 1) > table_.size()) grow();  // keep it at most half full
        std::size_t i = slot_of(text, shift_);
        while (table_[i].text) i = (i + 1) & (table_.size() - 1);
        table_[i] = {text, name};
        ++used_;
        return name;
    }

    // Releases every name; the interpreter must still be running.
    void release() {
        for (Entry& e : table_) Py_XDECREF(e.name);
        forget();
    }

    // Drops the names without releasing them (the interpreter is gone).
    void forget() { *this = InternTable(); }

private:
    struct Entry {
        const char* text;
        PyObject* name;
    };

    static std::size_t slot_of(const char* key, int bits_shift) {
        return static_cast<std::size_t>((reinterpret_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> bits_shift);
    }

    void grow() {
        std::vector<Entry> bigger(2 * table_.size());
        --shift_;
        for (const Entry& e : table_) {
            if (!e.text) continue;
            std::size_t j = slot_of(e.text, shift_);
            while (bigger[j].text) j = (j + 1) & (bigger.size() - 1);
            bigger[j] = e;
        }
        table_.swap(bigger);
    }

    std::vector<Entry> table_ = std::vector<Entry>(256);
    std::size_t used_ = 0;
    int shift_ = 64 - 8;
};

// Everything the module keeps between calls, in one place. It lives from the
// import to the finalization of the interpreter, which releases it, so that
// an application embedding Python that finalizes and initializes it again
// imports a working module the next time.
struct ProcessState {
    PyObject* module = nullptr;             // the module object once its body has run (owned)
    PyTypeObject* function_type = nullptr;  // owned
    InternTable names;
    std::vector<std::pair<const char*, PyObject*>> keyword_tuples;  // owned tuples, keyed by address
    bool release_registered = false;
};

ProcessState process;

// Called by atexit, at the start of the finalization, while objects can
// still be released. Code that runs later in the finalization and reaches
// the module finds it not initialised.
void release_process_state() {
    release_modal_hook();
    Py_CLEAR(process.module);
    Py_CLEAR(process.function_type);
    for (auto& [text, tuple] : process.keyword_tuples) Py_DECREF(tuple);
    process.keyword_tuples.clear();
    process.names.release();
}

// Called once the finalization is complete: whatever was made after the
// release can no longer be released, and is only forgotten.
void forget_process_state() {
    forget_modal_hook();
    process = ProcessState();
}

PyObject* release_at_exit(PyObject*, PyObject*) {
    release_process_state();
    Py_RETURN_NONE;
}

PyMethodDef release_at_exit_def = {"_release", release_at_exit, METH_NOARGS, nullptr};

void register_release_at_finalization() {
    if (process.release_registered) return;
    py::object callback = steal_or_throw(PyCFunction_New(&release_at_exit_def, nullptr));
    call(get_attr(py::module_::import("atexit"), "register"), callback);
    if (Py_AtExit(forget_process_state) < 0) throw std::runtime_error("nuv_touch: no room left for an exit function");
    process.release_registered = true;
}

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
struct ModuleFunction {
    const FunctionDef* def;
    Thread thread;
};
const ModuleFunction kFunctions[] = {
    {&input_text_function, Thread::gui},
    {&input_password_function, Thread::gui},
    {&input_digit_password_function, Thread::gui},
    {&input_integer_function, Thread::gui},
    {&input_float_function, Thread::gui},
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

// Only the main interpreter imports the module, whichever interpreter tries
// first: pybind11 takes the interpreter lock through PyGILState_Ensure, which
// serves the main interpreter only, so the first Python error passing
// through the module in another interpreter would block for ever. Plain C
// API here, for the same reason.
bool is_main_interpreter() {
    if (PyInterpreterState_Get() == PyInterpreterState_Main()) return true;
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one interpreter per process.");
    return false;
}

PyObject* module_create(PyObject* spec, PyModuleDef*) {
    if (!is_main_interpreter()) return nullptr;
    return guarded<PyObject*>(nullptr, [&]() -> PyObject* {
        if (process.module) return Py_NewRef(process.module);
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
    for (const ModuleFunction& fn : kFunctions) set_item(ns, fn.def->name, make_function(*fn.def, fn.thread));
}

int module_exec(PyObject* module) {
    if (process.module) {
        if (process.module == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'nuv_touch' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    process.module = Py_NewRef(module);
    int result = guarded<int>(-1, [&] {
        register_release_at_finalization();
        warn_on_version_mismatch();
        if (!process.function_type) process.function_type = new_function_type();
        run_body(py::reinterpret_borrow<py::dict>(PyModule_GetDict(module)));
        return 0;
    });
    if (result < 0) Py_CLEAR(process.module);  // dropped: a later import starts again
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
    return process.names.find_or_add(text);
}

PyObject* keyword_names(const char* name) {
    for (auto& [text, tuple] : process.keyword_tuples)
        if (text == name) return tuple;
    PyObject* tuple = PyTuple_Pack(1, interned(name));
    if (!tuple) throw py::error_already_set();
    process.keyword_tuples.emplace_back(name, tuple);
    return tuple;
}

PyTypeObject* function_type() {
    return process.function_type;
}

py::dict module_namespace() {
    if (!process.module) {
        PyErr_SetString(PyExc_RuntimeError, "nuv_touch is not initialised");
        throw py::error_already_set();
    }
    return py::reinterpret_borrow<py::dict>(PyModule_GetDict(process.module));
}

py::object global(const char* name) {
    if (!process.module) module_namespace();  // raises: not initialised
    PyObject* key = interned(name);
    PyObject* value = PyDict_GetItemWithError(PyModule_GetDict(process.module), key);
    if (!value && !PyErr_Occurred()) value = PyDict_GetItemWithError(PyEval_GetBuiltins(), key);
    if (value) return py::reinterpret_borrow<py::object>(value);
    if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
    throw py::error_already_set();
}

}  // namespace nuv

PyMODINIT_FUNC PyInit_nuv_touch(void) {
    return PyModuleDef_Init(&nuv::module_def);
}
