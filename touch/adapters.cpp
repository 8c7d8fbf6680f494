#include "adapters.h"

namespace nuv {

namespace {

const char* const kUnsupported = "Widget type not supported.";

[[noreturn]] void raise_unsupported() {
    PyErr_SetString(PyExc_TypeError, kUnsupported);
    throw py::error_already_set();
}

// obj.name, or an empty object when the lookup fails for any reason: an
// adapter goes by what the widget offers, and a widget whose attribute
// lookup raises does not offer that attribute.
py::object offered(py::handle obj, const char* name) {
    PyObject* value = PyObject_GetAttr(obj.ptr(), interned(name));
    if (!value) PyErr_Clear();
    return py::reinterpret_steal<py::object>(value);
}

py::object widget(py::handle self) {
    return get_attr(self, "_ctrl");
}

void run_base_init(py::handle self, py::handle ctrl) {
    get_attr(global("_CtrlWrapperBase"), "__init__")(self, ctrl);
}

// The host's `assert`: checked only while assertions are enabled (not -O).
bool assertions_enabled() {
    PyObject* flags = PySys_GetObject("flags");  // borrowed
    if (!flags) return true;
    return !truth(get_attr(flags, "optimize"));
}

// ---------------------------------------------------------------- _CtrlWrapperBase

// The style is read once: a proxy's keyboard tests the style the control had
// when it was bound.
py::object base_init(const Args& a) {
    py::handle self = a[0], ctrl = a[1];
    set_attr(self, "_ctrl", ctrl);
    set_attr(self, "window_style", call_method(widget(self), "GetWindowStyle"));
    return py::none();
}

py::object abstract_get_string(const Args&) {
    return py::none();
}

py::object abstract_set_string(const Args&) {
    return py::none();
}

// A top-level control owns its keypad itself.
py::object get_parent(const Args& a) {
    py::object ctrl = widget(a[0]);
    py::object parent = call_method(ctrl, "GetParent");
    return parent.is_none() ? ctrl : parent;
}

// ---------------------------------------------------------------- _CtrlWrapper

py::object ctrl_init(const Args& a) {
    run_base_init(a[0], a[1]);
    return py::none();
}

// The control's value as text; its label when it has no value.
py::object ctrl_get_string(const Args& a) {
    py::object ctrl = widget(a[0]);
    if (py::object get_value = offered(ctrl, "GetValue")) {
        py::object value = get_value();
        if (PyUnicode_Check(value.ptr())) return value;
        return py::str(value);
    }
    if (py::object get_label = offered(ctrl, "GetLabel")) return get_label();
    raise_unsupported();
}

py::object ctrl_set_string(const Args& a) {
    py::object ctrl = widget(a[0]);
    py::handle value = a[1];
    if (py::object set_value = offered(ctrl, "SetValue"))
        set_value(value);
    else if (py::object set_label = offered(ctrl, "SetLabel"))
        set_label(value);
    else
        raise_unsupported();
    return py::none();
}

// ---------------------------------------------------------------- _GridWrapper

py::object grid_init(const Args& a) {
    py::handle self = a[0], ctrl = a[1];
    if (assertions_enabled() && !is_instance(ctrl, get_attr(global("_grid"), "Grid"))) {
        PyErr_SetNone(PyExc_AssertionError);
        throw py::error_already_set();
    }
    run_base_init(self, ctrl);
    set_attr(self, "_GridWrapper__row", py::int_(0));
    set_attr(self, "_GridWrapper__column", py::int_(0));
    return py::none();
}

// The setters' argument is an exact int: the function machinery refuses
// anything else before the body runs, so a refused value changes nothing.
py::object get_row(const Args& a) {
    return get_attr(a[0], "_GridWrapper__row");
}

py::object set_row(const Args& a) {
    set_attr(a[0], "_GridWrapper__row", a[1]);
    return py::none();
}

py::object get_column(const Args& a) {
    return get_attr(a[0], "_GridWrapper__column");
}

py::object set_column(const Args& a) {
    set_attr(a[0], "_GridWrapper__column", a[1]);
    return py::none();
}

py::object grid_get_string(const Args& a) {
    py::handle self = a[0];
    return call_method(widget(self), "GetCellValue", py::arg("row") = get_attr(self, "row"),
                       py::arg("col") = get_attr(self, "column"));
}

py::object grid_set_string(const Args& a) {
    py::handle self = a[0], value = a[1];
    call_method(widget(self), "SetCellValue", get_attr(self, "row"), get_attr(self, "column"), value);
    return py::none();
}

const FunctionDef kBaseInit{"__init__", "_CtrlWrapperBase.__init__", {{"self"}, {"ctrl"}}, base_init};
const FunctionDef kBaseGetString{"get_string", "_CtrlWrapperBase.get_string", {{"self"}}, abstract_get_string};
const FunctionDef kBaseSetString{"set_string", "_CtrlWrapperBase.set_string", {{"self"}, {"value"}},
                                 abstract_set_string};
const FunctionDef kGetParent{"get_parent", "_CtrlWrapperBase.get_parent", {{"self"}}, get_parent};

const FunctionDef kCtrlInit{"__init__", "_CtrlWrapper.__init__", {{"self"}, {"ctrl"}}, ctrl_init};
const FunctionDef kCtrlGetString{"get_string", "_CtrlWrapper.get_string", {{"self"}}, ctrl_get_string};
const FunctionDef kCtrlSetString{"set_string", "_CtrlWrapper.set_string", {{"self"}, {"value"}}, ctrl_set_string};

const FunctionDef kGridInit{"__init__", "_GridWrapper.__init__", {{"self"}, {"ctrl"}}, grid_init};
const FunctionDef kGetRow{"row", "_GridWrapper.row", {{"self"}}, get_row};
const FunctionDef kSetRow{"row", "_GridWrapper.row", {{"self"}, {"value", Default::Required(), "int"}}, set_row};
const FunctionDef kGetColumn{"column", "_GridWrapper.column", {{"self"}}, get_column};
const FunctionDef kSetColumn{"column", "_GridWrapper.column", {{"self"}, {"value", Default::Required(), "int"}},
                             set_column};
const FunctionDef kGridGetString{"get_string", "_GridWrapper.get_string", {{"self"}}, grid_get_string};
const FunctionDef kGridSetString{"set_string", "_GridWrapper.set_string", {{"self"}, {"value"}}, grid_set_string};

}  // namespace

const ClassDef ctrl_wrapper_base_class{"_CtrlWrapperBase",
                                       "_ABC",
                                       nullptr,
                                       Thread::gui,
                                       {Member::Method(kBaseInit), Member::Abstract(kBaseGetString),
                                        Member::Abstract(kBaseSetString), Member::Method(kGetParent)}};

const ClassDef ctrl_wrapper_class{"_CtrlWrapper",
                                  "_CtrlWrapperBase",
                                  "\n\tTextCtrl、StaticText 等控件的封装类。\n\t",
                                  Thread::gui,
                                  {Member::Method(kCtrlInit), Member::Method(kCtrlGetString),
                                   Member::Method(kCtrlSetString)}};

const ClassDef grid_wrapper_class{"_GridWrapper",
                                  "_CtrlWrapperBase",
                                  nullptr,
                                  Thread::gui,
                                  {Member::Method(kGridInit), Member::Property(kGetRow, kSetRow),
                                   Member::Property(kGetColumn, kSetColumn), Member::Method(kGridGetString),
                                   Member::Method(kGridSetString)}};

}  // namespace nuv
