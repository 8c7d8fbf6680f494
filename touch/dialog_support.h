// What the keypads and their users share: the keypad font, the sixteen keys
// of the digit pads, the translation of the texts the operator reads, the
// error box, the layout refit, the confirmed-result test, and the guard that destroys a dialog on every path out of the code
// that created it.
#pragma once

#include "function.h"
#include "python.h"

namespace nuv {

// wx.Font(size, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL,
//         wx.FONTWEIGHT_NORMAL, False, wx.EmptyString)
py::object keypad_font(py::handle size);

// The sixteen keys of the numeric and the PIN keypad that get the key font,
// in the order they get it (the layouts number them without 1 and 14).
inline constexpr const char* kDigitPadKeys[] = {
    "DotPoint",   "m_button2",  "m_button3",  "m_button4",  "m_button5",  "m_button6",  "m_button7",  "m_button8",
    "m_button9",  "m_button10", "m_button11", "m_button12", "m_button13", "m_button15", "m_button16", "m_button17"};

// Gives `font` to the sixteen keys of `dialog`; all of them are fetched
// before the first one is changed.
void set_digit_pad_key_font(py::handle dialog, py::handle font);

// wx.GetTranslation(text), asked when the text is about to be shown: the
// text itself unless a catalog the application loaded translates it.
// `text` is static text (its str is made once and kept).
py::object translated(const char* text);

// wx.MessageBox(translated(text), style=wx.OK | wx.ICON_ERROR): no caption,
// no parent.
void show_error(const char* text);

// window_fit_layout(window), as the module currently binds it.
void fit_layout(py::handle window);

// code == wx.ID_OK, with wx.ID_OK read now.
bool is_confirmed(py::handle code);

// The function of `handler` as a method of `self`, for the GUI thread: what
// wx calls as handler(self, event...).
py::object bound_to(const FunctionDef& handler, py::handle self);

// Owns a freshly created dialog. `destroy()` destroys it on the normal path,
// where an error of Destroy propagates; if the owner is left by an exception
// first, the destructor destroys it and reports a second error as
// unraisable, so the first error is the one the caller sees. A dialog that
// wx destroyed already (with its parent) is left alone on both paths.
class DialogGuard {
public:
    explicit DialogGuard(py::object dialog) : dialog_(std::move(dialog)) {}
    DialogGuard(const DialogGuard&) = delete;
    DialogGuard& operator=(const DialogGuard&) = delete;
    ~DialogGuard();

    py::handle get() const { return dialog_; }
    // Shows the dialog modally; what its method `read` gives when it was
    // confirmed, else an empty object. A dialog lost while it is shown (its
    // owner destroyed, or the dialog itself destroyed from inside its loop:
    // see ModalKeypad) counts as cancelled and is still this guard's to
    // destroy; a dialog wx destroyed under its user counts as cancelled too,
    // and nothing more is called on it.
    py::object confirmed_entry(const char* read);
    void destroy();
    // The dialog stays: nothing is destroyed, not even by the destructor.
    void keep() { destroyed_ = true; }

private:
    py::object dialog_;
    bool destroyed_ = false;
};

}  // namespace nuv
