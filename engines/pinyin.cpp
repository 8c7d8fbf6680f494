#include "pinyin.h"

#include <pinyinime.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#ifndef NUV_PINYIN_DICTIONARY
#define NUV_PINYIN_DICTIONARY "/usr/lib/googlepinyin/data/dict_pinyin.dat"
#endif

namespace nuv::engines {

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

bool readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

// Opens the engine with the first dictionary of `_pinyin_dictionaries`
// that can be read; FileNotFoundError when there is none, OSError when the
// engine refuses it.
void open_engine() {
    if (engine_state.open) return;
    std::string tried;
    for (py::handle place : py::module_::import("nuv_engines").attr("_pinyin_dictionaries")) {
        std::string path = exact_str(place, "_pinyin_dictionaries").cast<std::string>();
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
    PyObject* decoded =
        PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text), Py_ssize_t(2 * length), "replace", &order);
    if (!decoded) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
}

// The letters a composition may hold: at most kMaxLetters of a to z.
// ValueError for anything else.
std::string letters_from(py::handle value) {
    std::string letters = exact_str(value, "_letters").cast<std::string>();
    if (letters.size() > kMaxLetters) fail(PyExc_ValueError, "a composition holds at most 39 letters");
    for (char c : letters)
        if (c < 'a' || c > 'z') fail(PyExc_ValueError, "a composition holds the letters a to z only");
    return letters;
}

// The directory of the loaded engine library, or "" when it cannot be told.
std::string engine_library_directory() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&engine::im_open_decoder), &info) || !info.dli_fname) return "";
    std::string path = info.dli_fname;
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

py::tuple dictionary_places() {
    py::list places;
    std::string beside = engine_library_directory();
    if (!beside.empty()) places.append(beside + kDictionaryBelowLibrary);
    if (beside + kDictionaryBelowLibrary != NUV_PINYIN_DICTIONARY) places.append(NUV_PINYIN_DICTIONARY);
    return py::tuple(places);
}

class Composition {
public:
    Composition() { open_engine(); }

    // Adds a letter (a to z); False when the composition takes no more.
    bool type_letter(py::object letter) {
        py::str text = exact_str(letter, "letter");
        if (PyUnicode_GET_LENGTH(text.ptr()) != 1) fail(PyExc_ValueError, "type one letter at a time");
        Py_UCS4 c = PyUnicode_READ_CHAR(text.ptr(), 0);
        if (c < 'a' || c > 'z') fail(PyExc_ValueError, "pinyin is typed with the letters a to z");
        if (letters_.size() == kMaxLetters) return false;
        std::string longer = letters_ + static_cast<char>(c);
        if (!search_letters(longer)) {
            search(letters_);
            return false;
        }
        letters_ = longer;
        return true;
    }

    // Takes back the last letter; False when there is none.
    bool erase_letter() {
        if (letters_.empty()) return false;
        std::string shorter = letters_.substr(0, letters_.size() - 1);
        search(shorter);
        letters_ = shorter;
        return true;
    }

    void clear() { letters_.clear(); }

    std::string letters() const { return letters_; }

    // The letters split into syllables as the engine reads them, "ni'hao";
    // letters it cannot read follow as typed.
    std::string spelling() {
        search(letters_);
        std::vector<std::size_t> starts = syllable_starts();
        std::string shown;
        std::size_t end = 0;
        for (std::size_t i = 0; i + 1 < starts.size() && starts[i + 1] <= letters_.size(); ++i) {
            shown += (shown.empty() ? "" : "'") + letters_.substr(starts[i], starts[i + 1] - starts[i]);
            end = starts[i + 1];
        }
        if (end < letters_.size()) shown += (shown.empty() ? "" : "'") + letters_.substr(end);
        return shown;
    }

    std::size_t candidate_count() { return search(letters_); }

    // Up to `count` candidates from the `start`th, best first.
    py::list candidates(py::object start_value, py::object count_value) {
        std::size_t total = search(letters_);
        std::size_t start = exact_index(start_value, "start"), count = exact_index(count_value, "count");
        py::list found;
        for (std::size_t i = start; i < total && i - start < count; ++i) found.append(candidate(i));
        return found;
    }

    // Chooses a candidate: returns its text, and keeps the letters it
    // leaves unspelled (none once it covers them all), which get candidates
    // of their own.
    py::str choose(py::object index_value) {
        std::size_t total = search(letters_);
        std::size_t index = exact_index(index_value, "index");
        if (index >= total) fail(PyExc_IndexError, "no such candidate");
        py::str text = candidate(index);
        std::vector<std::size_t> starts = syllable_starts();
        engine_state.searched_valid = false;  // the choice changes the engine's state
        engine::im_choose(index);
        std::size_t fixed = engine::im_get_fixed_len();
        std::size_t spelled = fixed < starts.size() ? starts[fixed] : letters_.size();
        std::string rest = letters_.substr(std::min(spelled, letters_.size()));
        search(rest);
        letters_ = rest;
        return text;
    }

    // The composer protocol: the keys are the letters a to z, the preedit
    // is the spelling, and a commit puts the letters in as typed.
    bool type_key(py::object key) { return type_letter(std::move(key)); }
    bool erase() { return erase_letter(); }
    std::string preedit() { return letters_.empty() ? "" : spelling(); }
    std::string commit() {
        std::string typed = letters_;
        clear();
        return typed;
    }
    void reset() { clear(); }
    bool empty() const { return letters_.empty(); }

    // The letters as a private attribute, checked when set: the tests put
    // a composition in states typing cannot reach.
    std::string held() const { return letters_; }
    void hold(py::object value) { letters_ = letters_from(value); }

private:
    std::string letters_;
};

const char* const kDoc =
    "Pinyin being composed: the letters typed, their candidates, best first, "
    "and the choice of one.\n\n"
    "The pinyin engine opens at the first composition (FileNotFoundError "
    "without its dictionary). Choosing a candidate returns its text and keeps "
    "the letters it leaves, with candidates of their own.";

}  // namespace

void bind_pinyin(py::module_& module) {
    module.attr("_pinyin_dictionaries") = dictionary_places();
    // The protocol's methods, then the pinyin names the keyboard's tests
    // and older callers use.
    bind_composer<Composition>(module, "Composition", kDoc)
        .def("type_letter", gui_only(&Composition::type_letter), py::arg("letter"))
        .def("erase_letter", gui_only(&Composition::erase_letter))
        .def("clear", gui_only(&Composition::clear))
        .def("letters", gui_only(&Composition::letters))
        .def("spelling", gui_only(&Composition::spelling))
        .def_property("_letters", &Composition::held, &Composition::hold);
}

}  // namespace nuv::engines
