// Korean on the 2-set (dubeolsik) layout with libhangul: the ASCII letters
// are the jamo (g k s r m f: 한글, shifted letters the tense consonants and
// ㅒ ㅖ). A syllable libhangul finishes stays in the composition, shown
// before the one being made, until it is committed; Korean has no
// candidates.
#include "composers.h"

#include <hangul.h>

#include <memory>
#include <string>

namespace nuv::engines {

namespace {

// Syllables and keys a composition holds at most: a line above the entry.
constexpr std::size_t kMaxCharacters = 60;

struct Api {
    decltype(&::hangul_ic_new) ic_new;
    decltype(&::hangul_ic_delete) ic_delete;
    decltype(&::hangul_ic_process) process;
    decltype(&::hangul_ic_reset) reset;
    decltype(&::hangul_ic_backspace) backspace;
    decltype(&::hangul_ic_is_empty) is_empty;
    decltype(&::hangul_ic_get_preedit_string) preedit;
    decltype(&::hangul_ic_get_commit_string) committed;
    decltype(&::hangul_ic_flush) flush;
};

const Api& api() {
    static Api loaded;
    static bool open = false;
    if (open) return loaded;
    void* library = load_library(module_setting("_hangul_library"), "libhangul1");
    resolve(library, "hangul_ic_new", loaded.ic_new);
    resolve(library, "hangul_ic_delete", loaded.ic_delete);
    resolve(library, "hangul_ic_process", loaded.process);
    resolve(library, "hangul_ic_reset", loaded.reset);
    resolve(library, "hangul_ic_backspace", loaded.backspace);
    resolve(library, "hangul_ic_is_empty", loaded.is_empty);
    resolve(library, "hangul_ic_get_preedit_string", loaded.preedit);
    resolve(library, "hangul_ic_get_commit_string", loaded.committed);
    resolve(library, "hangul_ic_flush", loaded.flush);
    open = true;
    return loaded;
}

std::u32string text_of(const ucschar* text) {
    std::u32string result;
    for (; text && *text; ++text) result += static_cast<char32_t>(*text);
    return result;
}

struct ContextDeleter {
    void operator()(HangulInputContext* context) const { api().ic_delete(context); }
};

class HangulComposition {
public:
    HangulComposition() : context_(api().ic_new("2")) {
        if (!context_) fail(PyExc_OSError, "libhangul has no 2-set keyboard");
    }

    bool type_key(py::object key) {
        char c = printable_key(key);
        if (shown().size() >= kMaxCharacters) return false;
        // A key that is no jamo (a digit, a sign) finishes the syllable,
        // which libhangul then hands back as committed, and stands as it is.
        bool jamo = api().process(context_.get(), c);
        finished_ += text_of(api().committed(context_.get()));
        if (!jamo) {
            finished_ += text_of(api().flush(context_.get()));
            finished_ += static_cast<char32_t>(c);
        }
        return true;
    }

    bool erase() {
        if (api().backspace(context_.get())) return true;
        if (finished_.empty()) return false;
        finished_.pop_back();
        return true;
    }

    py::str preedit() const { return text_from_ucs4(shown()); }
    std::size_t candidate_count() const { return 0; }
    py::list candidates(py::object start, py::object count) const {
        return candidate_page(0, start, count, [](std::size_t) { return py::str(); });
    }
    py::str choose(py::object index) {
        exact_index(index, "index");
        fail(PyExc_IndexError, "no such candidate");
    }

    py::str commit() {
        finished_ += text_of(api().flush(context_.get()));
        py::str text = text_from_ucs4(finished_);
        finished_.clear();
        return text;
    }

    void reset() {
        api().reset(context_.get());
        finished_.clear();
    }

    bool empty() const { return finished_.empty() && api().is_empty(context_.get()); }

private:
    std::u32string shown() const { return finished_ + text_of(api().preedit(context_.get())); }

    std::unique_ptr<HangulInputContext, ContextDeleter> context_;
    std::u32string finished_;  // syllables libhangul has finished, not yet committed
};

const char* const kDoc =
    "Korean being composed on the 2-set layout (libhangul): the keys are the "
    "ASCII letters of the layout; no candidates.";

}  // namespace

void bind_hangul(py::module_& module) {
    module.attr("_hangul_library") = "libhangul.so.1";
    bind_composer<HangulComposition>(module, "HangulComposition", kDoc);
}

}  // namespace nuv::engines
