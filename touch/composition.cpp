#include "composition.h"

#include <pinyinime.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef NUV_PINYIN_DICTIONARY
#define NUV_PINYIN_DICTIONARY "/usr/lib/googlepinyin/data/dict_pinyin.dat"
#endif

namespace nuv {

namespace {

namespace engine = ime_pinyin;

// Where the dictionary lies below the directory of the engine's library.
const char* const kDictionaryBelowLibrary = "/googlepinyin/data/dict_pinyin.dat";

// The engine opens a user dictionary beside the system one and creates it
// when it is missing. A path below a file can be neither opened nor
// created: the engine then goes on without one, and writes nothing.
const char* const kNoUserDictionary = "/dev/null/user_dict.dat";

// The engine keeps at most 39 letters; a composition never asks it for more.
constexpr std::size_t kMaxLetters = 39;
// The engine aborts the process when its search runs out of room, which
// long runs of letters it reads as many short syllables do (fourteen z's
// are enough). A letter is therefore added only to letters of at most this
// many syllables; in tests, up to thirteen were safe.
constexpr std::size_t kMaxSyllablesBeforeLetter = 10;
// Longest candidate: a sentence over every letter, one character a letter.
constexpr std::size_t kCandidateRoom = kMaxLetters + 1;

// The engine is one per process. Its state is a search of the letters in
// `searched` (nothing else is left in it between calls), so a composition
// whose letters differ, one made inside another's modal loop, searches its
// own again before it asks anything.
struct EngineState {
    bool open = false;
    bool searched_valid = false;
    std::string searched;
    std::size_t candidates = 0;
};

EngineState engine_state;

[[noreturn]] void fail(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

bool readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

// Opens the engine with the first dictionary of `_pinyin_dictionaries`
// that can be read; FileNotFoundError when there is none, OSError when the
// engine refuses it.
void open_engine() {
    if (engine_state.open) return;
    std::string tried;
    for (py::handle place : global("_pinyin_dictionaries")) {
        std::string path = py::cast<std::string>(place);
        if (!readable(path)) {
            tried += (tried.empty() ? "" : ", ") + path;
            continue;
        }
        if (!engine::im_open_decoder(path.c_str(), kNoUserDictionary))
            fail(PyExc_OSError, "the pinyin engine cannot read its dictionary " + path);
        engine_state = EngineState{true, false, "", 0};
        return;
    }
    fail(PyExc_FileNotFoundError, "no pinyin dictionary (looked for " + tried + ")");
}

// The composition's letters: at most kMaxLetters of a to z. ValueError for
// anything else.
std::string letters_of(py::handle self) {
    py::object value = get_attr(self, "_letters");
    if (!PyUnicode_CheckExact(value.ptr())) fail(PyExc_TypeError, "the letters of a composition are a str");
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(value.ptr(), &size);
    if (!text) throw py::error_already_set();
    std::string letters(text, static_cast<std::size_t>(size));
    if (letters.size() > kMaxLetters) fail(PyExc_ValueError, "a composition holds at most 39 letters");
    for (char c : letters)
        if (c < 'a' || c > 'z') fail(PyExc_ValueError, "a composition holds the letters a to z only");
    return letters;
}

void set_letters(py::handle self, const std::string& letters) {
    set_attr(self, "_letters", py::str(letters));
}

std::size_t syllable_count() {
    const engine::uint16* starts = nullptr;
    return engine::im_get_spl_start_pos(starts);
}

// How many of the searched letters the engine kept: it drops a letter past
// its limits.
std::size_t letters_kept() {
    std::size_t decoded = 0;
    const char* kept = engine::im_get_sps_str(&decoded);
    return kept ? std::strlen(kept) : 0;
}

// Makes the engine's state the search of `letters`, given to it letter by
// letter (as a whole search does inside); false, with only some of them
// searched, when they are more than it takes safely.
bool search_letters(const std::string& letters) {
    if (!engine_state.open) fail(PyExc_RuntimeError, "the pinyin engine is not open");
    std::size_t from = 1, count = 0;
    if (engine_state.searched_valid && letters.compare(0, engine_state.searched.size(), engine_state.searched) == 0) {
        if (letters.size() == engine_state.searched.size()) return true;
        from = engine_state.searched.size() + 1;  // letters more: the search goes on
        count = engine_state.candidates;
    } else {
        engine::im_reset_search();
    }
    engine_state.searched_valid = false;
    for (std::size_t length = from; length <= letters.size(); ++length) {
        if (syllable_count() > kMaxSyllablesBeforeLetter) return false;
        count = engine::im_search(letters.data(), length);
        if (letters_kept() < length) return false;
    }
    engine_state = EngineState{true, true, letters, count};
    return true;
}

// search_letters for the letters a composition holds; ValueError when the
// engine cannot take them all. The number of candidates.
std::size_t search(const std::string& letters) {
    if (!search_letters(letters)) fail(PyExc_ValueError, "the letters are more than the pinyin engine takes");
    return engine_state.candidates;
}

// Where each syllable starts in the searched letters, and where the last
// one ends.
std::vector<std::size_t> syllable_starts() {
    const engine::uint16* starts = nullptr;
    std::size_t count = engine::im_get_spl_start_pos(starts);
    std::vector<std::size_t> result;
    if (!starts) return result;
    for (std::size_t i = 0; i <= count; ++i) result.push_back(starts[i]);
    return result;
}

py::str candidate(std::size_t index) {
    engine::char16 text[kCandidateRoom + 1] = {};
    if (!engine::im_get_candidate(index, text, kCandidateRoom)) fail(PyExc_IndexError, "no such candidate");
    std::size_t length = 0;
    while (length < kCandidateRoom && text[length]) ++length;
    int order = PY_LITTLE_ENDIAN ? -1 : 1;
    return steal_or_throw(
        PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text), Py_ssize_t(2 * length), "replace", &order));
}

std::size_t index_from(py::handle number, const char* what) {
    Py_ssize_t value = PyLong_AsSsize_t(number.ptr());
    if (value == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (value < 0) fail(PyExc_ValueError, std::string(what) + " must not be negative");
    return static_cast<std::size_t>(value);
}

py::object init(const Args& a) {
    open_engine();
    set_letters(a[0], "");
    return py::none();
}

// Adds a letter (a to z); False when the composition takes no more.
py::object type_letter(const Args& a) {
    py::handle self = a[0], letter = a[1];
    if (PyUnicode_GET_LENGTH(letter.ptr()) != 1) fail(PyExc_ValueError, "type one letter at a time");
    Py_UCS4 c = PyUnicode_READ_CHAR(letter.ptr(), 0);
    if (c < 'a' || c > 'z') fail(PyExc_ValueError, "pinyin is typed with the letters a to z");
    std::string letters = letters_of(self);
    if (letters.size() == kMaxLetters) return py::bool_(false);
    std::string longer = letters + static_cast<char>(c);
    if (!search_letters(longer)) {
        search(letters);
        return py::bool_(false);
    }
    set_letters(self, longer);
    return py::bool_(true);
}

// Takes back the last letter; False when there is none.
py::object erase_letter(const Args& a) {
    py::handle self = a[0];
    std::string letters = letters_of(self);
    if (letters.empty()) return py::bool_(false);
    letters.pop_back();
    search(letters);
    set_letters(self, letters);
    return py::bool_(true);
}

py::object clear(const Args& a) {
    set_letters(a[0], "");
    return py::none();
}

py::object letters(const Args& a) {
    return py::str(letters_of(a[0]));
}

// The letters split into syllables as the engine reads them, "ni'hao";
// letters it cannot read follow as typed.
py::object spelling(const Args& a) {
    std::string letters = letters_of(a[0]);
    search(letters);
    std::vector<std::size_t> starts = syllable_starts();
    std::string shown;
    std::size_t end = 0;
    for (std::size_t i = 0; i + 1 < starts.size() && starts[i + 1] <= letters.size(); ++i) {
        shown += (shown.empty() ? "" : "'") + letters.substr(starts[i], starts[i + 1] - starts[i]);
        end = starts[i + 1];
    }
    if (end < letters.size()) shown += (shown.empty() ? "" : "'") + letters.substr(end);
    return py::str(shown);
}

py::object candidate_count(const Args& a) {
    return py::int_(search(letters_of(a[0])));
}

// Up to `count` candidates from the `start`th, best first.
py::object candidates(const Args& a) {
    std::size_t total = search(letters_of(a[0]));
    std::size_t start = index_from(a[1], "start"), count = index_from(a[2], "count");
    py::list found;
    for (std::size_t i = start; i < total && i - start < count; ++i) found.append(candidate(i));
    return std::move(found);
}

// Chooses a candidate: returns its text, and keeps the letters it leaves
// unspelled (none once it covers them all), which get candidates of their
// own.
py::object choose(const Args& a) {
    py::handle self = a[0];
    std::string letters = letters_of(self);
    std::size_t total = search(letters);
    std::size_t index = index_from(a[1], "index");
    if (index >= total) fail(PyExc_IndexError, "no such candidate");
    py::str text = candidate(index);
    std::vector<std::size_t> starts = syllable_starts();
    engine_state.searched_valid = false;  // the choice changes the engine's state
    engine::im_choose(index);
    std::size_t fixed = engine::im_get_fixed_len();
    std::size_t spelled = fixed < starts.size() ? starts[fixed] : letters.size();
    std::string rest = letters.substr(std::min(spelled, letters.size()));
    search(rest);
    set_letters(self, rest);
    return std::move(text);
}

const FunctionDef kInit{"__init__", "Composition.__init__", {{"self"}}, init};
const FunctionDef kTypeLetter{"type_letter",
                              "Composition.type_letter",
                              {{"self"}, {"letter", Default::Required(), "str"}},
                              type_letter,
                              "bool"};
const FunctionDef kEraseLetter{"erase_letter", "Composition.erase_letter", {{"self"}}, erase_letter, "bool"};
const FunctionDef kClear{"clear", "Composition.clear", {{"self"}}, clear};
const FunctionDef kLetters{"letters", "Composition.letters", {{"self"}}, letters, "str"};
const FunctionDef kSpelling{"spelling", "Composition.spelling", {{"self"}}, spelling, "str"};
const FunctionDef kCandidateCount{"candidate_count", "Composition.candidate_count", {{"self"}}, candidate_count,
                                  "int"};
const FunctionDef kCandidates{"candidates",
                              "Composition.candidates",
                              {{"self"}, {"start", Default::Int(0), "int"}, {"count", Default::Int(5), "int"}},
                              candidates,
                              "list[str]"};
const FunctionDef kChoose{"choose", "Composition.choose", {{"self"}, {"index", Default::Required(), "int"}}, choose,
                          "str"};

const char* const kDoc =
    "Pinyin being composed: the letters typed, their candidates, best first, "
    "and the choice of one.\n\n"
    "The pinyin engine opens at the first composition (FileNotFoundError "
    "without its dictionary). Choosing a candidate returns its text and keeps "
    "the letters it leaves, with candidates of their own.";

// The directory of the loaded engine library, or "" when it cannot be told.
std::string engine_library_directory() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&engine::im_open_decoder), &info) || !info.dli_fname) return "";
    std::string path = info.dli_fname;
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

}  // namespace

py::tuple pinyin_dictionary_places() {
    std::vector<std::string> places;
    std::string beside = engine_library_directory();
    if (!beside.empty()) places.push_back(beside + kDictionaryBelowLibrary);
    if (places.empty() || places.front() != NUV_PINYIN_DICTIONARY) places.push_back(NUV_PINYIN_DICTIONARY);
    py::tuple result(places.size());
    for (std::size_t i = 0; i < places.size(); ++i) result[i] = py::str(places[i]);
    return result;
}

const ClassDef composition_class{"Composition",
                                 nullptr,
                                 kDoc,
                                 Thread::gui,
                                 {Member::Method(kInit), Member::Method(kTypeLetter), Member::Method(kEraseLetter),
                                  Member::Method(kClear), Member::Method(kLetters), Member::Method(kSpelling),
                                  Member::Method(kCandidateCount), Member::Method(kCandidates),
                                  Member::Method(kChoose)}};

}  // namespace nuv
