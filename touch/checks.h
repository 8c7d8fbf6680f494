// The annotation checks the module enforces on arguments and results.
//
// A parameter annotated "str" or "_Optional[str]" takes exactly a str, one
// annotated "int" exactly an int; None passes only where the default is None.
// A parameter annotated "float" is converted to a float on entry. The results
// annotated "_Optional[int]", "_Optional[float]", "_Optional[str]" and "str"
// must be of that type or None. Every other annotation is documentation.
#pragma once

#include "function.h"

namespace nuv {

struct ArgumentCheck {
    enum class Kind : unsigned char { none, exact_str, exact_int, to_float };
    Kind kind = Kind::none;
    bool none_allowed = false;
};

struct ReturnCheck {
    enum class Kind : unsigned char { none, int_or_none, float_or_none, str_or_none };
    Kind kind = Kind::none;
};

ArgumentCheck argument_check_for(const Param& param);
ReturnCheck return_check_for(const char* annotation);

// Checks `value` for the parameter `name`. Returns the converted value for a
// "float" parameter, an empty object otherwise. Raises TypeError
// "Argument '<name>' has incorrect type (expected <type>, got <type>)".
py::object apply_argument_check(const ArgumentCheck& check, const char* name, py::handle value);

// Raises TypeError "Expected <type>, got <type>" for a refused result.
void apply_return_check(const ReturnCheck& check, py::handle result);

// The name of an object's type, as type(obj).__name__ gives it.
py::str type_name_of(py::handle obj);

}  // namespace nuv
