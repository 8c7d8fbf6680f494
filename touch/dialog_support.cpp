#include "dialog_support.h"

#include "function.h"

namespace nuv {

py::object keypad_font(py::handle size) {
    py::object wx = global("wx");
    return call_method(wx, "Font", size, get_attr(wx, "FONTFAMILY_DEFAULT"), get_attr(wx, "FONTSTYLE_NORMAL"),
                       get_attr(wx, "FONTWEIGHT_NORMAL"), false, get_attr(wx, "EmptyString"));
}

void set_digit_pad_key_font(py::handle dialog, py::handle font) {
    py::list keys;
    for (const char* key : kDigitPadKeys) keys.append(get_attr(dialog, key));
    for (py::handle key : keys) call_method(key, "SetFont", font);
}

py::object translated(const char* text) {
    return call_method(global("wx"), "GetTranslation", literal(text));
}

void show_error(const char* text) {
    py::object wx = global("wx");
    py::object shown = translated(text);
    py::object style = steal_or_throw(PyNumber_Or(get_attr(wx, "OK").ptr(), get_attr(wx, "ICON_ERROR").ptr()));
    // wx.MessageBox(text, style=style), through vectorcall.
    PyObject* argv[] = {wx.ptr(), shown.ptr(), style.ptr()};
    steal_or_throw(PyObject_VectorcallMethod(interned("MessageBox"), argv, 2 | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                             keyword_names("style")));
}

void fit_layout(py::handle window) {
    call(global("window_fit_layout"), window);
}

bool is_confirmed(py::handle code) {
    return equals(code, get_attr(global("wx"), "ID_OK"));
}

namespace {

// A wx window's truth is false once wx has destroyed it.
bool is_alive(py::handle window) {
    return truth(window);
}

// The address of the C++ window behind a wrapper: while a window is being
// destroyed, wx may hand out a new wrapper of it.
py::object address_of(py::handle window) {
    return call_method(get_attr(global("wx"), "siplib"), "unwrapinstance", window);
}

// The handler of the destroy events that reach the parent of an open
// dialog, bound to the dialog. The parent's own event comes before wx
// frees its children: the dialog leaves the parent, and so the parent's
// fate, and its loop ends as cancelled. Other handlers still see the event.
py::object end_with_parent(const Args& a) {
    py::handle dialog = a[0], event = a[1];
    call_method(event, "Skip");
    py::object parent = call_method(dialog, "GetParent");
    if (parent.is_none() || !equals(address_of(call_method(event, "GetEventObject")), address_of(parent)))
        return py::none();
    call_method(parent, "RemoveChild", dialog);
    if (truth(call_method(dialog, "IsModal"))) call_method(dialog, "EndModal", get_attr(global("wx"), "ID_CANCEL"));
    return py::none();
}

const FunctionDef kEndWithParent{"end_with_parent", "end_with_parent", {{"dialog"}, {"event"}}, end_with_parent};

// Watches the parent of a dialog for as long as the dialog is shown (see
// end_with_parent). The handler is unbound on every path out, unless the
// parent is gone with its handlers.
class ParentWatch {
public:
    // A dialog class the application substituted need not be a wx window.
    explicit ParentWatch(py::handle dialog) : dialog_(dialog) {
        if (!is_instance(dialog, get_attr(global("wx"), "Window"))) return;
        parent_ = call_method(dialog, "GetParent");
        if (parent_.is_none()) return;
        handler_ = steal_or_throw(PyMethod_New(make_function(kEndWithParent, Thread::gui).ptr(), dialog.ptr()));
        call_method(parent_, "Bind", get_attr(global("wx"), "EVT_WINDOW_DESTROY"), handler_);
    }
    ParentWatch(const ParentWatch&) = delete;
    ParentWatch& operator=(const ParentWatch&) = delete;

    ~ParentWatch() {
        if (!handler_) return;
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        try {
            stop();
        } catch (py::error_already_set& e) {
            e.restore();
            PyErr_WriteUnraisable(dialog_.ptr());
        }
        PyErr_Restore(type, value, traceback);
    }

    // True when the parent was destroyed while the dialog was shown.
    bool parent_gone() const { return lost_; }

    void stop() {
        if (!handler_) return;
        py::object handler = std::move(handler_);
        lost_ = !is_alive(dialog_) || call_method(dialog_, "GetParent").is_none();
        if (!lost_)
            call_method(parent_, "Unbind", get_attr(global("wx"), "EVT_WINDOW_DESTROY"), py::arg("handler") = handler);
    }

private:
    py::handle dialog_;
    py::object parent_, handler_;
    bool lost_ = false;
};

}  // namespace

py::object DialogGuard::confirmed_entry(const char* read) {
    ParentWatch watch(dialog_);
    py::object code = call_method(dialog_, "ShowModal");
    watch.stop();
    if (!is_alive(dialog_)) {
        destroyed_ = true;
        return {};
    }
    if (watch.parent_gone()) return {};
    return is_confirmed(code) ? call_method(dialog_, read) : py::object();
}

void DialogGuard::destroy() {
    destroyed_ = true;
    if (is_alive(dialog_)) call_method(dialog_, "Destroy");
}

DialogGuard::~DialogGuard() {
    if (destroyed_ || !dialog_) return;
    // Keep whatever error is being raised apart from the calls below.
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    int alive = PyObject_IsTrue(dialog_.ptr());
    auto result = py::reinterpret_steal<py::object>(
        alive > 0 ? PyObject_CallMethod(dialog_.ptr(), "Destroy", nullptr) : Py_NewRef(Py_None));
    if (!result || alive < 0) PyErr_WriteUnraisable(dialog_.ptr());
    PyErr_Restore(type, value, traceback);
}

}  // namespace nuv
