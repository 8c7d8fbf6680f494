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

// Only the main interpreter imports the module: pybind11 takes the
// interpreter lock through PyGILState_Ensure, which serves the main
// interpreter only, and the engines' state is one per process. Plain C API
// here, before pybind11 is touched.
bool is_main_interpreter() {
    if (PyInterpreterState_Get() == PyInterpreterState_Main()) return true;
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one interpreter per process.");
    return false;
}

py::module_::module_def module_def;

}  // namespace

}  // namespace nuv::engines

extern "C" PYBIND11_EXPORT PyObject* PyInit_nuv_engines() {
    using namespace nuv::engines;
    if (!is_main_interpreter()) return nullptr;
    PYBIND11_CHECK_PYTHON_VERSION
    PYBIND11_ENSURE_INTERNALS_READY
    auto module = py::module_::create_extension_module("nuv_engines", kDoc, &module_def);
    try {
        for (Binder bind : kEngines) bind(module);
        return module.ptr();
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
}
