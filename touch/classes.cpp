#include "classes.h"

namespace nuv {

namespace {

py::object member_value(const Member& m, Thread thread, py::handle namespace_) {
    switch (m.kind) {
        case Member::Kind::method:
            return make_function(*m.function, thread);
        case Member::Kind::abstract_method:
            return global("_abstractmethod")(make_function(*m.function, thread));
        case Member::Kind::static_method:
            return steal_or_throw(PyStaticMethod_New(make_function(*m.function, thread).ptr()));
        case Member::Kind::property:
            return py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyProperty_Type))(
                make_function(*m.function, Thread::any), make_function(*m.setter, Thread::any));
        case Member::Kind::alias:
            return steal_or_throw(PyObject_GetItem(namespace_.ptr(), interned(m.alias_of)));
    }
    return py::none();
}

}  // namespace

py::object make_class(const ClassDef& def) {
    py::tuple bases = def.base ? py::make_tuple(global(def.base)) : py::tuple();
    py::object metaclass = def.base ? py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(Py_TYPE(bases[0].ptr())))
                                    : py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type));
    py::object name = py::reinterpret_borrow<py::object>(literal(def.name));
    py::object namespace_ = metaclass.attr("__prepare__")(name, bases);
    set_item(namespace_, "__module__", literal("nuv_touch"));
    set_item(namespace_, "__qualname__", name);
    if (def.doc) set_item(namespace_, "__doc__", py::str(def.doc));
    for (const Member& m : def.members) set_item(namespace_, m.name, member_value(m, def.thread, namespace_));
    return metaclass(name, bases, namespace_);
}

}  // namespace nuv
