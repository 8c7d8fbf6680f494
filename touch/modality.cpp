#include "modality.h"

#include "dialog_support.h"
#include "function.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace nuv {

namespace {

using Address = const void*;

// The address of a C++ object behind a wrapper: wx may hand out a new
// wrapper of the same object (an event loop's, every time).
Address address_of(py::handle object) {
    py::object address = call_method(get_attr(global("wx"), "siplib"), "unwrapinstance", object);
    void* pointer = PyLong_AsVoidPtr(address.ptr());
    if (!pointer && PyErr_Occurred()) throw py::error_already_set();
    return pointer;
}

// The event loop running now, or nullptr outside any.
Address active_loop() {
    py::object loop = call_method(get_attr(global("wx"), "EventLoopBase"), "GetActive");
    return loop.is_none() ? nullptr : address_of(loop);
}

// A wx window's truth is false once wx has destroyed it.
bool is_alive(py::handle window) {
    return truth(window);
}

// Runs `body` where nothing may leave (a destructor, a callback of wx's):
// an error of its own is reported as unraisable, and an error being raised
// meanwhile is kept apart from it.
template <class Body>
void reporting_errors(py::handle context, Body&& body) noexcept {
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    if (!guarded(false, [&] {
            body();
            return true;
        }))
        PyErr_WriteUnraisable(context.ptr());
    PyErr_Restore(type, value, traceback);
}

// ---------------------------------------------------------------- the modal loops, and the keypads shown

// What the module knows of modality. GUI thread only.
struct Modality {
    // The dialogs in modal loops, outermost first, as the hook was told.
    std::vector<Address> loops;
    // The keypads shown, outermost first.
    std::vector<ShownKeypad*> keypads;
    // The keypads the application shows itself, guarded from the hook's
    // Enter to its Exit.
    std::vector<std::unique_ptr<ModalKeypad>> adopted;
    // The registered hook (owned): wx keeps a pointer to it.
    PyObject* hook = nullptr;
};

Modality& modality() {
    static Modality state;
    return state;
}

ShownKeypad* keypad_of(py::handle dialog) {
    for (ShownKeypad* shown : modality().keypads)
        if (shown->dialog.is(dialog)) return shown;
    return nullptr;
}

ShownKeypad* keypad_at(Address address) {
    for (ShownKeypad* shown : modality().keypads)
        if (shown->address == address) return shown;
    return nullptr;
}

void end_lost_keypad_later();

// Ends the innermost modal loop if it is a lost keypad's and runs now. wx
// ends only the loop running now: EndModal of any other dialog fails (an
// assertion) after it has hidden the dialog and forgotten its modality,
// and its loop runs on, hidden. So a lost keypad under other dialogs ends
// once they have returned (the hook's Exit), and a keypad lost before its
// loop began ends from inside it.
void end_lost_keypad() {
    Modality& state = modality();
    if (state.loops.empty()) return;
    ShownKeypad* innermost = keypad_at(state.loops.back());
    if (!innermost || !innermost->lost || innermost->ended) return;
    if (!truth(call_method(innermost->dialog, "IsModal"))) return;
    if (active_loop() == innermost->enclosing) return end_lost_keypad_later();
    innermost->ended = true;
    call_method(innermost->dialog, "EndModal", get_attr(global("wx"), "ID_CANCEL"));
}

py::object end_lost_keypad_now(const Args&) {
    reporting_errors(py::none(), end_lost_keypad);
    return py::none();
}

// ---------------------------------------------------------------- keypads the application shows

// A dialog made from one of the three layouts the keypads derive from.
bool is_keypad(py::handle dialog) {
    for (const char* layout : {"DigitKeypadUI", "_DigitPasswordKeypad", "AlphaKeypadUI"})
        if (is_instance(dialog, global(layout))) return true;
    return false;
}

py::object destroy_if_alive(const Args& a) {
    py::handle dialog = a[0];
    if (is_alive(dialog)) call_method(dialog, "Destroy");
    return py::none();
}

const FunctionDef kDestroyIfAlive{"destroy_if_alive", "destroy_if_alive", {{"dialog"}}, destroy_if_alive};

// At the Exit of a keypad the application showed: it is no longer guarded,
// and a Destroy() asked of it inside its loop happens now that the loop is
// over, once ShowModal has returned.
void let_go_of_adopted(py::handle dialog, Address address) {
    auto& adopted = modality().adopted;
    auto at = std::find_if(adopted.begin(), adopted.end(),
                           [&](const std::unique_ptr<ModalKeypad>& keypad) { return keypad->address() == address; });
    if (at == adopted.end()) return;
    bool destroy = (*at)->destroy_asked();
    std::unique_ptr<ModalKeypad> keypad = std::move(*at);
    adopted.erase(at);
    keypad->close();
    if (destroy)
        call(get_attr(global("wx"), "CallAfter"), make_function(kDestroyIfAlive, Thread::gui),
             py::reinterpret_borrow<py::object>(dialog));
}

// ---------------------------------------------------------------- the hook

// wxID_NONE, should wx.ID_NONE itself be out of reach.
constexpr int kIdNone = -3;

// Enter(dialog): a ShowModal begins. wx.ID_NONE lets it go on.
py::object hook_enter(const Args& a) {
    py::handle dialog = a[1];
    py::object go_on = py::int_(kIdNone);
    reporting_errors(dialog, [&] {
        go_on = get_attr(global("wx"), "ID_NONE");
        Address address = address_of(dialog);
        if (!keypad_at(address) && is_keypad(dialog)) modality().adopted.push_back(std::make_unique<ModalKeypad>(dialog));
        if (ShownKeypad* shown = keypad_at(address)) shown->enclosing = active_loop();
        modality().loops.push_back(address);
    });
    return go_on;
}

// Exit(dialog): its ShowModal returns, and the loop around it runs again.
py::object hook_exit(const Args& a) {
    py::handle dialog = a[1];
    reporting_errors(dialog, [&] {
        auto& loops = modality().loops;
        Address address = address_of(dialog);
        if (auto at = std::find(loops.rbegin(), loops.rend(), address); at != loops.rend())
            loops.erase(std::next(at).base());
        let_go_of_adopted(dialog, address);
        end_lost_keypad();
    });
    return py::none();
}

const FunctionDef kHookEnter{"Enter", "_ModalHook.Enter", {{"self"}, {"dialog"}}, hook_enter};
const FunctionDef kHookExit{"Exit", "_ModalHook.Exit", {{"self"}, {"dialog"}}, hook_exit};
const FunctionDef kEndLostKeypad{"end_lost_keypad", "end_lost_keypad", {}, end_lost_keypad_now};

void end_lost_keypad_later() {
    call(get_attr(global("wx"), "CallAfter"), make_function(kEndLostKeypad, Thread::gui));
}

// A subclass of wx.ModalDialogHook made as a class statement makes it; wx
// calls its methods for every ShowModal of the process.
py::object new_hook() {
    py::object base = get_attr(global("wx"), "ModalDialogHook");
    py::handle metaclass = reinterpret_cast<PyObject*>(Py_TYPE(base.ptr()));
    py::dict body;
    set_item(body, "__module__", literal("nuv_touch"));
    set_item(body, "__qualname__", literal("_ModalHook"));
    set_item(body, "Enter", make_function(kHookEnter, Thread::any));
    set_item(body, "Exit", make_function(kHookExit, Thread::any));
    return call(call(metaclass, literal("_ModalHook"), py::make_tuple(base), body));
}

// Registered at the first keypad shown, and kept: the dialogs already in
// modal loops then lie under it and do not matter.
void register_hook() {
    Modality& state = modality();
    if (state.hook) return;
    py::object hook = new_hook();
    call_method(hook, "Register");
    state.hook = hook.release().ptr();
}

// ---------------------------------------------------------------- the handlers bound to a keypad

// The handler of the destruction of a keypad's place among its owner's
// children, bound to the keypad: the keypad leaves the owner before wx
// reaches it.
py::object place_destroyed(const Args& a) {
    py::handle dialog = a[0];
    ShownKeypad* shown = keypad_of(dialog);
    if (!shown) return py::none();
    shown->lost = true;
    py::object parent = call_method(dialog, "GetParent");
    if (!parent.is_none()) call_method(parent, "RemoveChild", dialog);
    end_lost_keypad();
    return py::none();
}

// The keypad's Destroy while it is shown, bound to it.
py::object destroy_while_shown(const Args& a) {
    py::handle dialog = a[0];
    ShownKeypad* shown = keypad_of(dialog);
    // Kept by someone past the keypad's loop: the class's own Destroy.
    if (!shown) return call(get_attr(reinterpret_cast<PyObject*>(Py_TYPE(dialog.ptr())), "Destroy"), dialog);
    shown->lost = true;
    shown->destroy_asked = true;
    end_lost_keypad();
    return py::bool_(true);
}

const FunctionDef kPlaceDestroyed{"place_destroyed", "place_destroyed", {{"dialog"}, {"event"}}, place_destroyed};
const FunctionDef kDestroyWhileShown{"Destroy", "Destroy", {{"self"}}, destroy_while_shown};

}  // namespace

ModalKeypad::ModalKeypad(py::handle dialog) {
    shown_.dialog = dialog;
    modality().keypads.push_back(&shown_);
    try {
        register_hook();
        shown_.address = address_of(dialog);
        hold_place();
    } catch (...) {
        close_keeping_error();
        throw;
    }
}

ModalKeypad::~ModalKeypad() {
    close_keeping_error();
}

bool ModalKeypad::lost() const {
    return shown_.lost;
}

bool ModalKeypad::destroy_asked() const {
    return shown_.destroy_asked;
}

const void* ModalKeypad::address() const {
    return shown_.address;
}

void watch_modal_loops() {
    register_hook();
}

void ModalKeypad::close() {
    if (closed_) return;
    closed_ = true;
    auto& keypads = modality().keypads;
    if (auto at = std::find(keypads.begin(), keypads.end(), &shown_); at != keypads.end()) keypads.erase(at);
    if (destroy_held_ && PyObject_DelAttr(shown_.dialog.ptr(), interned("Destroy")) < 0)
        throw py::error_already_set();
    if (place_ && is_alive(place_)) call_method(place_, "Destroy");
    end_lost_keypad();
}

void ModalKeypad::hold_place() {
    py::handle dialog = shown_.dialog;
    // A dialog class the application substituted need not be a wx window.
    py::object wx = global("wx");
    if (!is_instance(dialog, get_attr(wx, "Window"))) return;
    set_attr(dialog, "Destroy", bound_to(kDestroyWhileShown, dialog));
    destroy_held_ = true;
    py::object owner = call_method(dialog, "GetParent");
    if (owner.is_none()) return;
    place_ = call_method(wx, "PopupWindow", owner);
    // The keypad after its place: wx destroys children in order. A frozen
    // owner neither thaws a top-level child it lets go nor freezes one it
    // takes, so the keypad's freeze count is as it was.
    call_method(owner, "RemoveChild", dialog);
    call_method(owner, "AddChild", dialog);
    call_method(place_, "Bind", get_attr(wx, "EVT_WINDOW_DESTROY"), bound_to(kPlaceDestroyed, dialog));
}

void ModalKeypad::close_keeping_error() {
    if (closed_) return;
    reporting_errors(shown_.dialog, [this] { close(); });
}

void release_modal_hook() {
    Modality& state = modality();
    state.loops.clear();
    state.adopted.clear();
    if (!state.hook) return;
    auto hook = py::reinterpret_steal<py::object>(state.hook);
    state.hook = nullptr;
    reporting_errors(hook, [&] { call_method(hook, "Unregister"); });
}

void forget_modal_hook() {
    modality() = Modality();
}

}  // namespace nuv
