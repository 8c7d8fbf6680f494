#include "dialog_support.h"

#include "function.h"

#include <algorithm>
#include <vector>

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

// The address of a C++ object behind a wrapper: wx may hand out a new
// wrapper of the same object.
py::object address_of(py::handle object) {
    return call_method(get_attr(global("wx"), "siplib"), "unwrapinstance", object);
}

// ---------------------------------------------------------------- keypads shown, and their ends

// A keypad shown by confirmed_entry. `lost`: its place among its owner's
// children was destroyed, and so would the keypad have been.
struct Shown {
    py::handle dialog;
    py::object loop;  // the address of the event loop that runs its modal loop, once known
    bool lost = false;
    bool ended = false;
};

// The keypads being shown, outermost first: a keypad opened inside another
// one's modal loop comes after it. GUI thread only.
std::vector<Shown*>& shown_keypads() {
    static std::vector<Shown*> shown;
    return shown;
}

Shown* shown_entry(py::handle dialog) {
    for (Shown* shown : shown_keypads())
        if (shown->dialog.is(dialog)) return shown;
    return nullptr;
}

py::object active_loop() {
    py::object loop = call_method(get_attr(global("wx"), "EventLoopBase"), "GetActive");
    return loop.is_none() ? loop : address_of(loop);
}

// Ends the innermost keypad if it was lost. wxGTK ends only the loop that
// is running now: an outer keypad's EndModal before the inner one returns
// is lost (the outer loop would run on, hidden), so an outer keypad ends
// once it is the innermost again and its own loop runs.
void end_lost_keypad() {
    if (shown_keypads().empty()) return;
    Shown& innermost = *shown_keypads().back();
    if (!innermost.lost || innermost.ended || !innermost.loop) return;
    if (!equals(innermost.loop, active_loop())) return;
    innermost.ended = true;
    if (truth(call_method(innermost.dialog, "IsModal")))
        call_method(innermost.dialog, "EndModal", get_attr(global("wx"), "ID_CANCEL"));
}

// The handler of the destruction of a keypad's place among its owner's
// children (see KeypadPlace), bound to the keypad. The keypad leaves the
// owner before wx reaches it, and its loop ends as cancelled.
py::object place_destroyed(const Args& a) {
    py::handle dialog = a[0];
    Shown* shown = shown_entry(dialog);
    if (!shown) return py::none();
    shown->lost = true;
    py::object parent = call_method(dialog, "GetParent");
    if (!parent.is_none()) call_method(parent, "RemoveChild", dialog);
    end_lost_keypad();
    call(get_attr(global("wx"), "WakeUpIdle"));
    return py::none();
}

// The idle handler of a shown keypad, bound to it: the first idle event
// that finds it innermost comes from its own loop; a lost keypad ends
// there if it could not end before.
py::object keypad_idle(const Args& a) {
    py::handle dialog = a[0], event = a[1];
    call_method(event, "Skip");
    Shown* shown = shown_entry(dialog);
    if (!shown || shown_keypads().back() != shown) return py::none();
    if (!shown->loop) shown->loop = active_loop();
    end_lost_keypad();
    return py::none();
}

const FunctionDef kPlaceDestroyed{"place_destroyed", "place_destroyed", {{"dialog"}, {"event"}}, place_destroyed};
const FunctionDef kKeypadIdle{"keypad_idle", "keypad_idle", {{"dialog"}, {"event"}}, keypad_idle};

// A keypad while it is shown. wx frees a dialog with its parent's children
// (DestroyChildren frees them at once, top-level ones included), also when
// the parent itself or any window above it is destroyed, and wxGTK's
// ShowModal still uses the dialog after its loop ends. So a hidden window
// holds the keypad's place among its owner's children, just before it:
// whatever destroys the owner's children destroys that place first, and
// the keypad then leaves its owner, which wx no longer reaches, and ends as
// cancelled. The keypad's parent is the owner until then.
class KeypadPlace {
public:
    explicit KeypadPlace(py::handle dialog) {
        shown_.dialog = dialog;
        shown_keypads().push_back(&shown_);
        try {
            hold_place();
        } catch (...) {
            close_keeping_error();
            throw;
        }
    }
    KeypadPlace(const KeypadPlace&) = delete;
    KeypadPlace& operator=(const KeypadPlace&) = delete;
    ~KeypadPlace() { close_keeping_error(); }

    // True when the keypad's place was destroyed while it was shown.
    bool lost() const { return shown_.lost; }

    // Once the modal loop has returned: the keypad leaves the list of those
    // shown, nothing of it stays bound, and a lost keypad around it ends
    // now that its loop runs again.
    void close() {
        if (closed_) return;
        closed_ = true;
        auto& shown = shown_keypads();
        if (auto at = std::find(shown.begin(), shown.end(), &shown_); at != shown.end()) shown.erase(at);
        py::object wx = global("wx");
        if (idle_ && is_alive(shown_.dialog))
            call_method(shown_.dialog, "Unbind", get_attr(wx, "EVT_IDLE"), py::arg("handler") = idle_);
        if (place_ && is_alive(place_)) call_method(place_, "Destroy");
        end_lost_keypad();
    }

private:
    void hold_place() {
        py::handle dialog = shown_.dialog;
        // A dialog class the application substituted need not be a wx window.
        py::object wx = global("wx");
        if (!is_instance(dialog, get_attr(wx, "Window"))) return;
        idle_ = bound_to(kKeypadIdle, dialog);
        call_method(dialog, "Bind", get_attr(wx, "EVT_IDLE"), idle_);
        py::object owner = call_method(dialog, "GetParent");
        if (owner.is_none()) return;
        place_ = call_method(wx, "PopupWindow", owner);
        // The keypad after its place: wx destroys children in order.
        call_method(owner, "RemoveChild", dialog);
        call_method(owner, "AddChild", dialog);
        if (truth(call_method(owner, "IsFrozen"))) call_method(dialog, "Thaw");  // AddChild froze it
        call_method(place_, "Bind", get_attr(wx, "EVT_WINDOW_DESTROY"), bound_to(kPlaceDestroyed, dialog));
    }

    // close() on a path out by an exception: an error of its own is
    // reported as unraisable, so the caller sees the first one.
    void close_keeping_error() {
        if (closed_) return;
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        try {
            close();
        } catch (py::error_already_set& e) {
            e.restore();
            PyErr_WriteUnraisable(shown_.dialog.ptr());
        } catch (...) {
            // Called from a destructor too: nothing may leave it.
            PyErr_SetString(PyExc_SystemError, "a keypad's place could not be let go");
            PyErr_WriteUnraisable(shown_.dialog.ptr());
        }
        PyErr_Restore(type, value, traceback);
    }

    Shown shown_;
    py::object idle_, place_;
    bool closed_ = false;
};

}  // namespace

py::object DialogGuard::confirmed_entry(const char* read) {
    KeypadPlace place(dialog_);
    py::object code = call_method(dialog_, "ShowModal");
    place.close();
    if (!is_alive(dialog_)) {
        destroyed_ = true;
        return {};
    }
    if (place.lost()) return {};
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
