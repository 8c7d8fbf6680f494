// The function object type of nuv_touch.
//
// Every method and function of the module is one of these objects. To Python
// it looks and behaves like a function written in Python: it binds to an
// instance as a method, carries __name__, __qualname__, __defaults__,
// __annotations__ and a code object that inspect.signature() reads, accepts
// every parameter by position or keyword with Python's own error messages,
// and enforces the module's annotation checks before its C++ body runs.
//
// The parameter list of each function is data, declared once next to its
// body; binding, defaults and checks are done here, by the one call path.
#pragma once

#include "python.h"

#include <cstddef>
#include <vector>

namespace nuv {

// How a parameter's default is made: once, when the function is defined.
struct Default {
    enum class Kind : unsigned char { required, none, false_, integer, text, minus_infinity, plus_infinity, module_name };
    Kind kind = Kind::required;
    long integer = 0;
    const char* text = nullptr;  // the str default, or the module name whose value is the default

    static constexpr Default Required() { return {}; }
    static constexpr Default None() { return {Kind::none}; }
    static constexpr Default False() { return {Kind::false_}; }
    static constexpr Default Int(long v) { return {Kind::integer, v}; }
    static constexpr Default Str(const char* s) { return {Kind::text, 0, s}; }
    static constexpr Default MinusInfinity() { return {Kind::minus_infinity}; }
    static constexpr Default PlusInfinity() { return {Kind::plus_infinity}; }
    // The value a module-level name has when the function is defined.
    static constexpr Default ValueOf(const char* name) { return {Kind::module_name, 0, name}; }

    bool is_required() const { return kind == Kind::required; }
};

// One parameter. The annotation text decides the check made on entry:
// "str" and "_Optional[str]" want exactly a str, "int" exactly an int (None
// only where the default is None), "float" converts the argument to a float;
// every other annotation is documentation only.
struct Param {
    const char* name;
    Default default_ = Default::Required();
    const char* annotation = nullptr;
};

constexpr std::size_t kMaxParams = 8;

// The arguments of one call, bound to the parameters in order (defaults
// filled in, a "float" parameter already converted). Made on every call, so
// nothing in it is initialised that the call does not use.
class Args {
public:
    py::handle operator[](std::size_t i) const { return values_[i]; }
    std::size_t size() const { return size_; }

private:
    friend class Binder;
    PyObject* values_[kMaxParams];  // the first size_ are set: borrowed, or owned by converted_
    py::object converted_;          // the converted argument; a function has at most one
    std::size_t size_ = 0;
};

using Body = py::object (*)(const Args&);

struct FunctionDef {
    const char* name;      // __name__, e.g. "__init__" or "__on_shift"
    const char* qualname;  // __qualname__, e.g. "DigitKeypad.__init__"
    std::vector<Param> params;  // a method's list starts with "self"
    Body body;
    const char* returns = nullptr;  // return annotation text, or none
};

// Which threads may call a function. GTK used off its thread fails at
// random, often by aborting the process, so every function that touches a
// widget is made `gui`: the call path refuses any other thread with
// RuntimeError before the arguments are bound.
enum class Thread : unsigned char { any, gui };

// Creates the function object for `def`, computing its defaults now.
// `def` must outlive the object (function definitions are static data).
py::object make_function(const FunctionDef& def, Thread thread);

// Raises the RuntimeError of a `gui` function called off the GUI thread
// (wx.IsMainThread() false), naming the fix, wx.CallAfter.
void require_gui_thread();

// True when `obj` is the function object made for `def`.
bool is_function_of(py::handle obj, const FunctionDef& def);

// A new function type (a new reference); the module keeps it with the rest
// of its process-wide state, which function_type() gives (nullptr outside
// the module's lifetime).
PyTypeObject* new_function_type();
PyTypeObject* function_type();

}  // namespace nuv
