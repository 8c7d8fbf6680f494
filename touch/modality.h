// What a keypad knows of its own modal loop: that it is shown, that its
// owner died under it (it is then lost), that its loop ended, and which of
// the keypads shown inside each other's loops is innermost. wx's modal
// dialog hook tells of every ShowModal and its return, the application's
// own dialogs included, so the innermost modal loop is known, not guessed.
#pragma once

#include "python.h"

namespace nuv {

// A keypad shown, as the hook and the handlers bound to it see it.
struct ShownKeypad {
    py::handle dialog;
    const void* address = nullptr;    // of the wx dialog
    const void* enclosing = nullptr;  // the event loop that ran when its ShowModal began
    bool lost = false;
    bool ended = false;
    bool destroy_asked = false;  // its Destroy() was called while it was shown
};

// A keypad while its ShowModal runs: made just before ShowModal, closed
// once it has returned. wx frees a dialog with its parent's children
// (DestroyChildren frees them at once, top-level ones included), also when
// the parent itself or any window above it is destroyed, and wxGTK's
// ShowModal still uses the dialog after its loop ends. So, while it is
// shown:
// - a hidden window holds the keypad's place among its owner's children,
//   just before it: whatever destroys the owner's children destroys that
//   place first, and the keypad then leaves its owner, which wx no longer
//   reaches;
// - the keypad's own Destroy() (an application destroying every window)
//   destroys nothing: whoever showed the keypad destroys it once
//   ShowModal has returned.
// Either way the keypad is lost: its loop ends as cancelled as soon as it
// is the innermost modal loop running, at once or once the dialogs shown
// over it have returned, innermost keypads first.
class ModalKeypad {
public:
    explicit ModalKeypad(py::handle dialog);
    ModalKeypad(const ModalKeypad&) = delete;
    ModalKeypad& operator=(const ModalKeypad&) = delete;
    ~ModalKeypad();

    // True when the keypad was lost while it was shown.
    bool lost() const;
    // True when its Destroy() was called while it was shown.
    bool destroy_asked() const;
    // The wx dialog's address.
    const void* address() const;

    // Once ShowModal has returned: the keypad is no longer shown, nothing
    // of it stays bound, and a lost keypad around it ends now if it can.
    void close();

private:
    void hold_place();
    void close_keeping_error();

    ShownKeypad shown_;
    py::object place_;
    bool destroy_held_ = false;
    bool closed_ = false;
};

// Watches every modal loop of the process from now on (the hook is
// registered once and kept). Each keypad calls it when it is made, so that
// a keypad the application shows itself is guarded as one the module shows:
// lost with its owner, and destroyed by the application inside its loop
// only once ShowModal has returned.
void watch_modal_loops();

// At the release of the module's state: wx no longer calls the hook, and
// the hook is let go. Errors are reported as unraisable.
void release_modal_hook();

// Once the interpreter is finalized: the hook is only forgotten.
void forget_modal_hook();

}  // namespace nuv
