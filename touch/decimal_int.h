// Exact conversion of decimal text to a Python int, for entries of any length.
//
// The interpreter's own int(str) refuses texts of more digits than its
// configured limit (4,300 by default) and converts in quadratic time. An
// operator's entry has no length limit, so the keypads convert long texts here
// instead: the same accepted forms as int(text, 10) (surrounding white space,
// a sign, Unicode decimal digits, single underscores between digits), the
// same ValueError for anything else, and the exact value in near-linear time,
// without touching the interpreter's global limit.
#pragma once

#include "python.h"

namespace nuv {

// int(text) for a str `text`, exact for any number of digits.
py::object int_from_decimal_text(py::handle text);

// The host's int(value): exact decimal conversion for a str, int() otherwise.
py::object to_int(py::handle value);

// The host's str(value); an int of any size is written out exactly, where
// str() would refuse one of more digits than the interpreter's limit.
py::str to_text(py::handle value);

// The host's float(value).
py::object to_float(py::handle value);

// What an int literal says without being converted: its sign and how many
// significant digits it has (leading zeros, underscores and white space not
// counted). Reading it takes time linear in its length.
struct IntLiteral {
    bool negative = false;
    std::size_t digits = 0;
};

// Reads `text` (a str) as int(text, 10) would; the ValueError int() raises
// when it is not an int literal.
IntLiteral read_int_literal(py::handle text);

}  // namespace nuv
