#include "dialog_support.h"

#include "modality.h"

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

py::object bound_to(const FunctionDef& handler, py::handle self) {
    return steal_or_throw(PyMethod_New(make_function(handler, Thread::gui).ptr(), self.ptr()));
}

namespace {

// A wx window's truth is false once wx has destroyed it.
bool is_alive(py::handle window) {
    return truth(window);
}

}  // namespace

py::object DialogGuard::confirmed_entry(const char* read) {
    ModalKeypad modal(dialog_);
    py::object code = call_method(dialog_, "ShowModal");
    modal.close();
    if (!is_alive(dialog_)) {
        destroyed_ = true;
        return {};
    }
    if (modal.lost()) return {};
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
