// Traditional Chinese by zhuyin with libchewing, on the standard zhuyin
// layout's ASCII keys (5 j / is ㄓㄨㄥ, Space the first tone): the
// characters it has converted stay in the composition, with the zhuyin
// still being typed, until a candidate is chosen or all is committed.
//
// The engine opens once per process, with its system dictionary and the
// user phrases in memory (":memory:"), so it writes no file; its log goes
// nowhere. Debian 12's libchewing crashes on key codes it does not expect,
// so it is given printable ASCII only. Its one context is shared: a
// composition whose keys differ from the ones it holds (one made inside
// another's modal loop) has its keys replayed first.
#include "composers.h"

#include <chewing.h>

#include <unistd.h>

#include <string>

namespace nuv::engines {

namespace {

// Characters converted and keys held at most: libchewing commits its
// front part on its own past its own limit, which is set higher.
constexpr std::size_t kMaxCharacters = 20;
constexpr int kEngineCharacters = 39;
// Keys (erasures counted) a composition replays at most.
constexpr std::size_t kMaxKeys = 200;
constexpr char kErase = '\b';
constexpr char kSymbolMenu = '`';

std::size_t utf8_length(const std::string& text) {
    std::size_t length = 0;
    for (unsigned char c : text) length += (c & 0xC0) != 0x80;
    return length;
}

// Takes the last character off UTF-8 `text`.
void pop_utf8(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
    if (!text.empty()) text.pop_back();
}

struct Api {
    decltype(&::chewing_new2) create;
    decltype(&::chewing_handle_Default) key;
    decltype(&::chewing_handle_Space) space;
    decltype(&::chewing_handle_Backspace) backspace;
    decltype(&::chewing_handle_Enter) enter;
    decltype(&::chewing_bopomofo_String_static) zhuyin;
    decltype(&::chewing_buffer_String_static) buffer;
    decltype(&::chewing_buffer_Len) buffer_length;
    decltype(&::chewing_commit_Check) has_committed;
    decltype(&::chewing_commit_String_static) committed;
    decltype(&::chewing_cand_open) open_candidates;
    decltype(&::chewing_cand_close) close_candidates;
    decltype(&::chewing_cand_TotalChoice) candidate_total;
    decltype(&::chewing_cand_string_by_index_static) candidate;
    decltype(&::chewing_cand_choose_by_index) choose;
    decltype(&::chewing_set_maxChiSymbolLen) set_length;
    decltype(&::chewing_set_phraseChoiceRearward) set_rearward;
    decltype(&::chewing_set_escCleanAllBuf) set_escape_clears;
    decltype(&::chewing_handle_Esc) escape;
};

void quiet(void*, int, const char*, ...) {}

struct Engine {
    Api api{};
    ChewingContext* context = nullptr;  // for the life of the process
    const void* holder = nullptr;       // the composition whose keys it holds
};

Engine& engine() {
    static Engine opened;
    if (opened.context) return opened;
    std::string data = module_setting("_chewing_data");
    // libchewing 0.5 reads dictionary.dat; the releases since, word.dat.
    if (access((data + "/dictionary.dat").c_str(), R_OK) != 0 && access((data + "/word.dat").c_str(), R_OK) != 0)
        fail(PyExc_FileNotFoundError, "no zhuyin dictionary in " + data + " (install libchewing3-data)");
    void* library = load_library(module_setting("_chewing_library"), "libchewing3");
    Api& api = opened.api;
    resolve(library, "chewing_new2", api.create);
    resolve(library, "chewing_handle_Default", api.key);
    resolve(library, "chewing_handle_Space", api.space);
    resolve(library, "chewing_handle_Backspace", api.backspace);
    resolve(library, "chewing_handle_Enter", api.enter);
    resolve(library, "chewing_bopomofo_String_static", api.zhuyin);
    resolve(library, "chewing_buffer_String_static", api.buffer);
    resolve(library, "chewing_buffer_Len", api.buffer_length);
    resolve(library, "chewing_commit_Check", api.has_committed);
    resolve(library, "chewing_commit_String_static", api.committed);
    resolve(library, "chewing_cand_open", api.open_candidates);
    resolve(library, "chewing_cand_close", api.close_candidates);
    resolve(library, "chewing_cand_TotalChoice", api.candidate_total);
    resolve(library, "chewing_cand_string_by_index_static", api.candidate);
    resolve(library, "chewing_cand_choose_by_index", api.choose);
    resolve(library, "chewing_set_maxChiSymbolLen", api.set_length);
    resolve(library, "chewing_set_phraseChoiceRearward", api.set_rearward);
    resolve(library, "chewing_set_escCleanAllBuf", api.set_escape_clears);
    resolve(library, "chewing_handle_Esc", api.escape);
    ChewingContext* context = api.create(data.c_str(), ":memory:", quiet, nullptr);
    if (!context) fail(PyExc_OSError, "libchewing cannot open its dictionary in " + data);
    api.set_length(context, kEngineCharacters);
    // Candidates of the phrase that ends at the cursor, the last typed.
    api.set_rearward(context, 1);
    api.set_escape_clears(context, 1);
    opened.context = context;
    return opened;
}

std::string text(const char* value) { return value ? value : ""; }

// Drops what the engine composes: chewing_Reset keeps it, Escape drops the
// zhuyin being typed (and more with escCleanAllBuf, but not all), and Enter
// takes the characters converted (their commit is left unread).
void clear(const Engine& e) {
    e.api.escape(e.context);
    if (e.api.buffer_length(e.context) > 0) e.api.enter(e.context);
}

void press(const Engine& e, char key) {
    if (key == kErase)
        e.api.backspace(e.context);
    else if (key == ' ')
        e.api.space(e.context);
    else
        e.api.key(e.context, key);
}

class ZhuyinComposition {
public:
    ZhuyinComposition() { engine(); }
    ~ZhuyinComposition() {
        if (engine().holder == this) engine().holder = nullptr;
    }
    ZhuyinComposition(const ZhuyinComposition&) = delete;
    ZhuyinComposition& operator=(const ZhuyinComposition&) = delete;

    // A printable key but "`", which opens libchewing's menu of symbols,
    // a list this protocol does not show.
    bool type_key(py::object key) {
        char c = printable_key(key);
        if (c == kSymbolMenu) fail(PyExc_ValueError, "the zhuyin composer has no symbol menu");
        const Engine& e = held();
        if (keys_.size() >= kMaxKeys || utf8_length(shown()) >= kMaxCharacters) return false;
        press(e, c);
        keys_ += c;
        keep_committed(e);
        if (engine_shown(e).empty()) keys_.clear();  // nothing left to replay
        return true;
    }

    bool erase() {
        if (empty()) return false;
        const Engine& e = held();
        if (engine_shown(e).empty()) {
            pop_utf8(finished_);
            return true;
        }
        press(e, kErase);
        keys_ += kErase;
        if (engine_shown(e).empty()) keys_.clear();
        return true;
    }

    py::str preedit() { return text_from_utf8(shown().c_str()); }

    std::size_t candidate_count() {
        const Engine& e = held();
        Candidates listed(e);
        return listed.open ? std::size_t(e.api.candidate_total(e.context)) : 0;
    }

    py::list candidates(py::object start, py::object count) {
        const Engine& e = held();
        Candidates listed(e);
        std::size_t total = listed.open ? std::size_t(e.api.candidate_total(e.context)) : 0;
        return candidate_page(total, start, count, [&](std::size_t i) {
            return text_from_utf8(text(e.api.candidate(e.context, int(i))).c_str());
        });
    }

    // The candidate replaces its phrase, and all that is converted is
    // committed with it.
    py::str choose(py::object index_value) {
        std::size_t index = exact_index(index_value, "index");
        if (index >= candidate_count()) fail(PyExc_IndexError, "no such candidate");
        {
            Candidates listed(held());
            listed.e.api.choose(listed.e.context, int(index));
        }
        return commit();
    }

    py::str commit() {
        std::string pending = shown();
        reset();
        return text_from_utf8(pending.c_str());
    }

    void reset() {
        const Engine& e = held();
        clear(e);
        keys_.clear();
        finished_.clear();
    }

    bool empty() { return shown().empty(); }

private:
    // The engine holding this composition's keys.
    const Engine& held() {
        Engine& e = engine();
        if (e.holder == this) return e;
        clear(e);
        for (char key : keys_) press(e, key);
        e.holder = this;
        return e;
    }

    std::string shown() { return finished_ + engine_shown(held()); }

    static std::string engine_shown(const Engine& e) {
        return text(e.api.buffer(e.context)) + text(e.api.zhuyin(e.context));
    }

    // Text libchewing committed by itself on the last key (a capital letter
    // typed on an empty buffer, say) stays in the composition. The keys
    // that made it are kept too: replayed, they leave the engine's state as
    // it was.
    void keep_committed(const Engine& e) {
        if (e.api.has_committed(e.context)) finished_ += text(e.api.committed(e.context));
    }

    // The engine's candidate list for the phrase before the cursor, open
    // while this lives; not opened (open false) while zhuyin is being
    // typed or nothing is converted.
    struct Candidates {
        explicit Candidates(const Engine& engine)
            : e(engine),
              open(e.api.buffer_length(e.context) > 0 && text(e.api.zhuyin(e.context)).empty() &&
                   e.api.open_candidates(e.context) == 0) {}
        ~Candidates() {
            if (open) e.api.close_candidates(e.context);
        }
        Candidates(const Candidates&) = delete;
        Candidates& operator=(const Candidates&) = delete;
        const Engine& e;
        const bool open;
    };

    std::string keys_;      // typed, with kErase for each erasure
    std::string finished_;  // committed by libchewing, not yet by us (UTF-8)
};

const char* const kDoc =
    "Traditional Chinese being composed by zhuyin (libchewing): the keys are "
    "the standard zhuyin layout's ASCII keys, Space the first tone.";

}  // namespace

void bind_zhuyin(py::module_& module) {
    module.attr("_chewing_library") = "libchewing.so.3";
    module.attr("_chewing_data") = "/usr/share/libchewing";
    bind_composer<ZhuyinComposition>(module, "ZhuyinComposition", kDoc);
}

}  // namespace nuv::engines
