#include "function.h"

#include "checks.h"

#include <structmember.h>

#include <cmath>
#include <new>
#include <stdexcept>
#include <limits>
#include <string>

namespace nuv {

namespace {

// What a function object keeps besides its definition. Every reference is an
// owning py::object; the type's clear and dealloc slots release them all.
struct FunctionState {
    const FunctionDef* def = nullptr;
    Thread thread = Thread::any;
    std::vector<ArgumentCheck> checks;
    ReturnCheck return_check;
    std::size_t first_default = 0;  // index of the first parameter with a default
    py::tuple names;                // the parameter names, interned
    py::object defaults;            // the default values of the trailing parameters (a tuple or None)
    py::object name, qualname, doc, annotations, globals;
    py::object code;                // made on first use of __code__
};

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    PyObject* dict;         // instance __dict__, managed by the generic attribute machinery
    PyObject* weakreflist;
    alignas(FunctionState) unsigned char storage[sizeof(FunctionState)];
};

FunctionState& state(PyObject* self) {
    return *std::launder(reinterpret_cast<FunctionState*>(reinterpret_cast<FunctionObject*>(self)->storage));
}

// ---------------------------------------------------------------- binding

py::str quoted_names(const std::vector<py::object>& reprs) {
    // "'a'", "'a' and 'b'", "'a', 'b', and 'c'": the interpreter's own wording.
    std::size_t n = reprs.size();
    if (n == 1) return py::str(reprs[0]);
    if (n == 2) return py::str("{} and {}").format(reprs[0], reprs[1]);
    py::list head;
    for (std::size_t i = 0; i + 2 < n; ++i) head.append(reprs[i]);
    return py::str("{}, {}, and {}").format(py::str(", ").attr("join")(head), reprs[n - 2], reprs[n - 1]);
}

}  // namespace

// Binds the arguments of one call to the parameters, as the interpreter
// binds them for a function written in Python.
class Binder {
public:
    Binder(const FunctionState& st, Args& args) : st_(st), args_(args), n_(st.def->params.size()) {}

    void bind(PyObject* const* positional, Py_ssize_t npositional, PyObject* kwnames) {
        auto given = static_cast<std::size_t>(npositional);
        for (std::size_t i = 0; i < n_; ++i) args_.values_[i] = i < given ? positional[i] : nullptr;
        if (kwnames) bind_keywords(positional + npositional, kwnames);
        if (given > n_) raise_too_many_positional(given);
        fill_defaults_or_raise_missing();
        args_.size_ = n_;
    }

    void check_and_convert() {
        for (std::size_t i = 0; i < n_; ++i) {
            if (st_.checks[i].kind == ArgumentCheck::Kind::none) continue;
            py::object converted = apply_argument_check(st_.checks[i], st_.def->params[i].name, args_.values_[i]);
            if (converted) {
                args_.values_[i] = converted.ptr();
                args_.converted_ = std::move(converted);
            }
        }
    }

private:
    void bind_keywords(PyObject* const* values, PyObject* kwnames) {
        Py_ssize_t count = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t k = 0; k < count; ++k) {
            PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
            if (!PyUnicode_Check(keyword)) raise("%U() keywords must be strings", st_.qualname.ptr());
            std::size_t j = index_of(keyword);
            if (j == n_) raise("%U() got an unexpected keyword argument '%S'", st_.qualname.ptr(), keyword);
            if (args_.values_[j]) raise("%U() got multiple values for argument '%S'", st_.qualname.ptr(), keyword);
            args_.values_[j] = values[k];
        }
    }

    std::size_t index_of(PyObject* keyword) const {
        for (std::size_t j = 0; j < n_; ++j)
            if (PyTuple_GET_ITEM(st_.names.ptr(), j) == keyword) return j;
        for (std::size_t j = 0; j < n_; ++j) {
            int cmp = PyObject_RichCompareBool(keyword, PyTuple_GET_ITEM(st_.names.ptr(), j), Py_EQ);
            if (cmp < 0) throw py::error_already_set();
            if (cmp) return j;
        }
        return n_;
    }

    void raise_too_many_positional(std::size_t given) const {
        std::size_t ndefaults = n_ - st_.first_default;
        py::str takes = ndefaults ? py::str("from {} to {}").format(st_.first_default, n_) : py::str(std::to_string(n_));
        bool plural = ndefaults ? true : n_ != 1;
        PyErr_Format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd %s given", st_.qualname.ptr(),
                     takes.ptr(), plural ? "s" : "", static_cast<Py_ssize_t>(given), given == 1 ? "was" : "were");
        throw py::error_already_set();
    }

    void fill_defaults_or_raise_missing() {
        for (std::size_t i = 0; i < st_.first_default; ++i)
            if (!args_.values_[i]) raise_missing();
        for (std::size_t i = st_.first_default; i < n_; ++i)
            if (!args_.values_[i]) args_.values_[i] = PyTuple_GET_ITEM(st_.defaults.ptr(), i - st_.first_default);
    }

    [[noreturn]] void raise_missing() const {
        std::vector<py::object> missing;
        for (std::size_t i = 0; i < st_.first_default; ++i)
            if (!args_.values_[i]) missing.push_back(py::repr(PyTuple_GET_ITEM(st_.names.ptr(), i)));
        py::str names = quoted_names(missing);
        PyErr_Format(PyExc_TypeError, "%U() missing %zd required positional argument%s: %U", st_.qualname.ptr(),
                     static_cast<Py_ssize_t>(missing.size()), missing.size() == 1 ? "" : "s", names.ptr());
        throw py::error_already_set();
    }

    template <class... T>
    [[noreturn]] static void raise(const char* format, T... values) {
        PyErr_Format(PyExc_TypeError, format, values...);
        throw py::error_already_set();
    }

    const FunctionState& st_;
    Args& args_;
    std::size_t n_;
};

namespace {

py::object call_function(PyObject* self, PyObject* const* positional, Py_ssize_t npositional, PyObject* kwnames) {
    // The state is read again after the body ran, and the body may drop the
    // last reference a caller that borrows the function relied on (a handler
    // unbound during a modal loop): the call holds its own.
    py::object held = py::reinterpret_borrow<py::object>(self);
    const FunctionState& st = state(self);
    if (st.thread == Thread::gui) require_gui_thread();
    Args args;
    Binder binder(st, args);
    binder.bind(positional, npositional, kwnames);
    binder.check_and_convert();
    py::object result = st.def->body(args);
    if (st.return_check.kind != ReturnCheck::Kind::none) apply_return_check(st.return_check, result);
    return result;
}

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    return guarded<PyObject*>(nullptr, [&] {
        return call_function(self, args, PyVectorcall_NARGS(nargsf), kwnames).release().ptr();
    });
}

// ---------------------------------------------------------------- defaults and code

py::object evaluate_default(const Default& d) {
    switch (d.kind) {
        case Default::Kind::required:
        case Default::Kind::none:
            return py::none();
        case Default::Kind::false_:
            return py::bool_(false);
        case Default::Kind::integer:
            return py::int_(d.integer);
        case Default::Kind::text:
            return py::str(d.text);
        case Default::Kind::minus_infinity:
            return py::float_(-std::numeric_limits<double>::infinity());
        case Default::Kind::plus_infinity:
            return py::float_(std::numeric_limits<double>::infinity());
        case Default::Kind::module_name:
            return global(d.text);
    }
    return py::none();
}

// A real code object with the function's parameters, so that inspect and
// other tools read the signature as they read that of a Python function.
py::object make_code(const FunctionState& st) {
    std::string params;
    for (std::size_t i = 0; i < st.def->params.size(); ++i) {
        if (i) params += ", ";
        params += st.def->params[i].name;
    }
    std::string source = "def f(" + params + "): pass\n";
    py::object module_code = py::module_::import("builtins").attr("compile")(source, "nuv_touch", "exec");
    py::object code;
    for (py::handle constant : module_code.attr("co_consts"))
        if (PyCode_Check(constant.ptr())) code = py::reinterpret_borrow<py::object>(constant);
    py::dict changes;
    changes["co_name"] = st.name;
#if PY_VERSION_HEX >= 0x030B0000
    changes["co_qualname"] = st.qualname;
#endif
    return code.attr("replace")(**changes);
}

// ---------------------------------------------------------------- type slots

// The references clear drops; their getters give None for a dropped one.
std::array<py::object*, 4> droppable_references(FunctionState& st) {
    return {&st.doc, &st.annotations, &st.globals, &st.code};
}

int function_traverse(PyObject* self, visitproc visit, void* arg) {
    FunctionState& st = state(self);
    for (py::object* ref : droppable_references(st)) Py_VISIT(ref->ptr());
    for (PyObject* kept : {st.names.ptr(), st.defaults.ptr(), st.name.ptr(), st.qualname.ptr()}) Py_VISIT(kept);
    Py_VISIT(reinterpret_cast<FunctionObject*>(self)->dict);
    Py_VISIT(Py_TYPE(self));
    return 0;
}

// Code may still reach a cleared function while a cycle is freed (a repr, a
// call), so it is left valid, as the interpreter leaves its own functions:
// the names become empty strings; the parameter names and defaults, tuples
// of constants made with the function, stay.
int function_clear(PyObject* self) {
    FunctionState& st = state(self);
    for (py::object* ref : droppable_references(st)) *ref = py::object();
    st.name = py::reinterpret_steal<py::object>(PyUnicode_New(0, 0));  // the empty str, which always exists
    st.qualname = st.name;
    Py_CLEAR(reinterpret_cast<FunctionObject*>(self)->dict);
    return 0;
}

void function_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    PyObject_GC_UnTrack(self);
    if (reinterpret_cast<FunctionObject*>(self)->weakreflist) PyObject_ClearWeakRefs(self);
    Py_CLEAR(reinterpret_cast<FunctionObject*>(self)->dict);
    state(self).~FunctionState();
    PyObject_GC_Del(self);
    Py_DECREF(type);  // instances of a heap type own a reference to it
}

PyObject* function_repr(PyObject* self) {
    return PyUnicode_FromFormat("<function %U at %p>", state(self).qualname.ptr(), self);
}

// Through an instance a bound method, through the class the function itself.
PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

// A getter that returns one stored reference.
template <py::object FunctionState::*member>
PyObject* get_member(PyObject* self, void*) {
    const py::object& value = state(self).*member;
    return Py_NewRef(value ? value.ptr() : Py_None);
}

// A setter for __name__ and __qualname__, which must stay strings.
template <py::object FunctionState::*member>
int set_str_member(PyObject* self, PyObject* value, void* closure) {
    if (!value || !PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s must be set to a string object", static_cast<const char*>(closure));
        return -1;
    }
    state(self).*member = py::reinterpret_borrow<py::object>(value);
    return 0;
}

// A setter for members that take any object, as __module__ and __doc__ do.
template <py::object FunctionState::*member>
int set_any_member(PyObject* self, PyObject* value, void*) {
    state(self).*member = py::reinterpret_borrow<py::object>(value ? value : Py_None);
    return 0;
}

PyObject* get_code(PyObject* self, void*) {
    return guarded<PyObject*>(nullptr, [&] {
        FunctionState& st = state(self);
        if (!st.code) st.code = make_code(st);
        return Py_NewRef(st.code.ptr());
    });
}

PyObject* get_kwdefaults(PyObject*, void*) { Py_RETURN_NONE; }

PyGetSetDef function_getset[] = {
    {"__name__", get_member<&FunctionState::name>, set_str_member<&FunctionState::name>, nullptr,
     const_cast<char*>("__name__")},
    {"__qualname__", get_member<&FunctionState::qualname>, set_str_member<&FunctionState::qualname>, nullptr,
     const_cast<char*>("__qualname__")},
    {"__doc__", get_member<&FunctionState::doc>, set_any_member<&FunctionState::doc>, nullptr, nullptr},
    {"__defaults__", get_member<&FunctionState::defaults>, nullptr, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, nullptr, nullptr, nullptr},
    {"__annotations__", get_member<&FunctionState::annotations>, nullptr, nullptr, nullptr},
    {"__globals__", get_member<&FunctionState::globals>, nullptr, nullptr, nullptr},
    {"__code__", get_code, nullptr, nullptr, nullptr},
    {"__dict__", PyObject_GenericGetDict, PyObject_GenericSetDict, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

// The state a new function object starts with.
void initialise(FunctionState& st, const FunctionDef& def, Thread thread) {
    if (def.params.size() > kMaxParams) throw std::length_error("too many parameters");
    st.def = &def;
    st.thread = thread;
    st.name = py::reinterpret_steal<py::object>(Py_NewRef(interned(def.name)));
    st.qualname = py::str(def.qualname);
    st.doc = py::none();
    st.globals = module_namespace();
    st.return_check = return_check_for(def.returns);

    py::list names, defaults;
    py::dict annotations;
    st.first_default = def.params.size();
    int converting = 0;
    for (std::size_t i = 0; i < def.params.size(); ++i) {
        const Param& p = def.params[i];
        names.append(py::reinterpret_borrow<py::object>(interned(p.name)));
        st.checks.push_back(argument_check_for(p));
        if (st.checks.back().kind == ArgumentCheck::Kind::to_float && ++converting > 1)
            throw std::logic_error("more than one converted parameter");  // Args keeps one
        if (p.annotation) annotations[p.name] = py::str(p.annotation);
        if (!p.default_.is_required()) {
            if (st.first_default == def.params.size()) st.first_default = i;
            defaults.append(evaluate_default(p.default_));
        } else if (st.first_default != def.params.size()) {
            throw std::logic_error("a parameter without default follows one with a default");
        }
    }
    if (def.returns) annotations["return"] = py::str(def.returns);
    st.names = py::tuple(names);
    st.defaults = defaults.empty() ? py::object(py::none()) : py::object(py::tuple(defaults));
    st.annotations = annotations;
}

// Copied and pickled by reference to the qualified name, as the
// interpreter's own functions are.
PyObject* function_reduce(PyObject* self, PyObject*) {
    return Py_NewRef(state(self).qualname.ptr());
}

PyMethodDef function_methods[] = {
    {"__reduce__", function_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyMemberDef function_members[] = {
    {"__vectorcalloffset__", T_PYSSIZET, offsetof(FunctionObject, vectorcall), READONLY, nullptr},
    {"__dictoffset__", T_PYSSIZET, offsetof(FunctionObject, dict), READONLY, nullptr},
    {"__weaklistoffset__", T_PYSSIZET, offsetof(FunctionObject, weakreflist), READONLY, nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyType_Slot function_slots[] = {
    {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
    {Py_tp_descr_get, reinterpret_cast<void*>(function_descr_get)},
    {Py_tp_repr, reinterpret_cast<void*>(function_repr)},
    {Py_tp_traverse, reinterpret_cast<void*>(function_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(function_clear)},
    {Py_tp_dealloc, reinterpret_cast<void*>(function_dealloc)},
    {Py_tp_getset, function_getset},
    {Py_tp_members, function_members},
    {Py_tp_methods, function_methods},
    {0, nullptr},
};

PyType_Spec function_spec = {
    "nuv_touch.function",
    static_cast<int>(sizeof(FunctionObject)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR |
        Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    function_slots,
};

}  // namespace

// The type's __module__ is "nuv_touch" (from the dotted name the type is made with); a
// function's __module__ is that, read through its type, unless set on it.
PyTypeObject* new_function_type() {
    auto* type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&function_spec));
    if (!type) throw py::error_already_set();
    return type;
}

bool is_function_of(py::handle obj, const FunctionDef& def) {
    PyTypeObject* type = function_type();
    return type && Py_TYPE(obj.ptr()) == type && state(obj.ptr()).def == &def;
}

// The GUI thread's id once wx has named it: a key press then costs a
// comparison instead of a call into wx. wx keeps its GUI thread for the
// life of the process.
void require_gui_thread() {
    static unsigned long gui_thread = 0;
    static bool known = false;
    unsigned long current = PyThread_get_thread_ident();
    if (known && current == gui_thread) return;
    if (truth(call_method(global("wx"), "IsMainThread"))) {
        gui_thread = current;
        known = true;
        return;
    }
    PyErr_SetString(PyExc_RuntimeError,
                    "nuv_touch keypads run on the GUI thread only; from another thread, call through wx.CallAfter");
    throw py::error_already_set();
}

py::object make_function(const FunctionDef& def, Thread thread) {
    PyTypeObject* type = function_type();
    if (!type) {
        PyErr_SetString(PyExc_RuntimeError, "nuv_touch is not initialised");
        throw py::error_already_set();
    }
    auto* self = PyObject_GC_New(FunctionObject, type);
    if (!self) throw py::error_already_set();
    self->vectorcall = function_vectorcall;
    self->dict = nullptr;
    self->weakreflist = nullptr;
    new (self->storage) FunctionState();
    // Owned from here on: an exception below releases the half-made object.
    py::object function = py::reinterpret_steal<py::object>(reinterpret_cast<PyObject*>(self));
    initialise(state(function.ptr()), def, thread);
    PyObject_GC_Track(function.ptr());
    return function;
}

}  // namespace nuv
