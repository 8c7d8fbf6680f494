#include "decimal_int.h"

#include <gmp.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace nuv {

namespace {

// Texts this short never reach the interpreter's digit limit, whatever it is
// set to (it cannot be set below 640), so the interpreter converts them itself.
constexpr Py_ssize_t kShortText = 640;

[[noreturn]] void raise_invalid_literal(py::handle text) {
    PyErr_Format(PyExc_ValueError, "invalid literal for int() with base %d: %.200R", 10, text.ptr());
    throw py::error_already_set();
}

// The ASCII digits of `text` with an optional leading '-', in the forms
// int(text, 10) accepts; false when the text is not such a literal.
bool normalise(py::handle text, std::string& out) {
    PyObject* s = text.ptr();
    const int kind = PyUnicode_KIND(s);
    const void* data = PyUnicode_DATA(s);
    Py_ssize_t begin = 0, end = PyUnicode_GET_LENGTH(s);
    while (begin < end && Py_UNICODE_ISSPACE(PyUnicode_READ(kind, data, begin))) ++begin;
    while (end > begin && Py_UNICODE_ISSPACE(PyUnicode_READ(kind, data, end - 1))) --end;
    out.clear();
    out.reserve(static_cast<std::size_t>(end - begin) + 1);
    if (begin < end) {
        Py_UCS4 sign = PyUnicode_READ(kind, data, begin);
        if (sign == '-' || sign == '+') {
            if (sign == '-') out.push_back('-');
            ++begin;
        }
    }
    bool after_digit = false;
    for (Py_ssize_t i = begin; i < end; ++i) {
        Py_UCS4 ch = PyUnicode_READ(kind, data, i);
        if (ch == '_') {
            // One underscore, only between two digits.
            if (!after_digit || i + 1 == end) return false;
            after_digit = false;
            continue;
        }
        int digit = ch >= '0' && ch <= '9' ? static_cast<int>(ch - '0') : Py_UNICODE_TODECIMAL(ch);
        if (digit < 0) return false;
        out.push_back(static_cast<char>('0' + digit));
        after_digit = true;
    }
    return after_digit;
}

struct Mpz {
    mpz_t value;
    Mpz() { mpz_init(value); }
    ~Mpz() { mpz_clear(value); }
    Mpz(const Mpz&) = delete;
    Mpz& operator=(const Mpz&) = delete;
};

// The Python int of a big number, through its little-endian bytes.
py::object int_from_mpz(const Mpz& number) {
    std::size_t count = (mpz_sizeinbase(number.value, 2) + 7) / 8;
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[count ? count : 1]);
    std::size_t written = 0;
    mpz_export(bytes.get(), &written, -1, 1, 0, 0, number.value);
    py::bytes magnitude(reinterpret_cast<const char*>(bytes.get()), written);
    py::object int_type = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyLong_Type));
    py::object result = int_type.attr("from_bytes")(magnitude, "little");
    if (mpz_sgn(number.value) < 0) result = steal_or_throw(PyNumber_Negative(result.ptr()));
    return result;
}

// The big number of a Python int, through its little-endian bytes.
void mpz_from_int(py::handle value, Mpz& number) {
    py::object magnitude = steal_or_throw(PyNumber_Absolute(value.ptr()));
    std::size_t count = (_PyLong_NumBits(magnitude.ptr()) + 7) / 8;
    py::bytes bytes = magnitude.attr("to_bytes")(count, "little");
    std::string_view raw = bytes;
    mpz_import(number.value, raw.size(), -1, 1, 0, 0, raw.data());
    if (truth(steal_or_throw(PyObject_RichCompare(value.ptr(), py::int_(0).ptr(), Py_LT))))
        mpz_neg(number.value, number.value);
}

// A string GMP allocated. It goes back through GMP's own free function: GMP
// allocates with whatever functions are current, and another extension may
// have replaced malloc and free there (mp_set_memory_functions).
class GmpText {
public:
    explicit GmpText(char* text) : text_(text) {}
    GmpText(const GmpText&) = delete;
    GmpText& operator=(const GmpText&) = delete;
    ~GmpText() {
        void (*free_function)(void*, std::size_t) = nullptr;
        mp_get_memory_functions(nullptr, nullptr, &free_function);
        free_function(text_, std::strlen(text_) + 1);
    }
    const char* get() const { return text_; }

private:
    char* text_;
};

// Ints of fewer bits have fewer digits than the smallest digit limit.
constexpr std::size_t kShortIntBits = 2000;

}  // namespace

py::str to_text(py::handle value) {
    if (!PyLong_CheckExact(value.ptr()) || _PyLong_NumBits(value.ptr()) < kShortIntBits) return py::str(value);
    Mpz number;
    mpz_from_int(value, number);
    GmpText text(mpz_get_str(nullptr, 10, number.value));
    return py::str(text.get());
}

py::object int_from_decimal_text(py::handle text) {
    if (PyUnicode_GET_LENGTH(text.ptr()) <= kShortText)
        return steal_or_throw(PyLong_FromUnicodeObject(text.ptr(), 10));
    std::string digits;
    if (!normalise(text, digits)) raise_invalid_literal(text);
    Mpz number;
    if (mpz_set_str(number.value, digits.c_str(), 10) != 0) raise_invalid_literal(text);
    return int_from_mpz(number);
}

IntLiteral read_int_literal(py::handle text) {
    std::string digits;
    if (!normalise(text, digits)) raise_invalid_literal(text);
    IntLiteral literal;
    literal.negative = !digits.empty() && digits[0] == '-';
    std::size_t first = digits.find_first_not_of("-0");
    literal.digits = first == std::string::npos ? 0 : digits.size() - first;
    return literal;
}

py::object to_int(py::handle value) {
    if (PyUnicode_Check(value.ptr())) return int_from_decimal_text(value);
    return steal_or_throw(PyNumber_Long(value.ptr()));
}

py::object to_float(py::handle value) {
    return steal_or_throw(PyNumber_Float(value.ptr()));
}

}  // namespace nuv
