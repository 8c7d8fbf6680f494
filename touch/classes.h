// Creation of the module's classes, as a class statement creates them: the
// namespace prepared by the metaclass of the base, `__module__` and
// `__qualname__` first, the docstring, then the members in their order.
#pragma once

#include "function.h"

#include <vector>

namespace nuv {

struct Member {
    enum class Kind : unsigned char { method, abstract_method, static_method, property, alias };
    Kind kind;
    const char* name;                     // the key in the class namespace
    const FunctionDef* function = nullptr;  // the method, or a property's getter
    const FunctionDef* setter = nullptr;    // a property's setter
    const char* alias_of = nullptr;         // an alias: the name of an earlier member

    static Member Method(const FunctionDef& f) { return {Kind::method, f.name, &f}; }
    // A method decorated with the module's `_abstractmethod`.
    static Member Abstract(const FunctionDef& f) { return {Kind::abstract_method, f.name, &f}; }
    // `stored_as` is the class-private name, e.g. "_AlphaKeypad__change_color".
    static Member Static(const char* stored_as, const FunctionDef& f) { return {Kind::static_method, stored_as, &f}; }
    static Member Private(const char* stored_as, const FunctionDef& f) { return {Kind::method, stored_as, &f}; }
    static Member Property(const FunctionDef& getter, const FunctionDef& setter) {
        return {Kind::property, getter.name, &getter, &setter};
    }
    static Member Alias(const char* name, const char* of) { return {Kind::alias, name, nullptr, nullptr, of}; }
};

struct ClassDef {
    const char* name;
    const char* base;  // module-level name of the single base, or nullptr for none
    const char* doc;   // the docstring, or nullptr for none
    // The threads that may call the methods. A property only stores a value
    // (a bound, a cell address) and may be used from any thread.
    Thread thread;
    std::vector<Member> members;
};

// Creates the class; its base is looked up in the module namespace now.
py::object make_class(const ClassDef& def);

}  // namespace nuv
