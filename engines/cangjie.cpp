// Cangjie (Hong Kong, Taiwan) with the m17n library and m17n-db's
// zh-cangjie input method: the 24 radicals are on the letters a to y (日 月
// 金 木 ...), and a code's characters are its candidates, best first (y k,
// 卜 大, offers 文). Text the input method commits by itself (a radical
// past a full code) stays in the composition until it is committed.
//
// m17n rather than librime's cangjie5: m17n is LGPL with its data in
// m17n-db, while Debian lists librime's cangjie data GPL-3 and librime
// brings boost and leveldb, and a user database, to keep. m17n opens once
// per process and reads only; it writes no file.
#include "composers.h"

#include <m17n.h>

#include <memory>
#include <string>

namespace nuv::engines {

namespace {

constexpr std::size_t kMaxCharacters = 60;

struct Api {
    decltype(&::m17n_init) init;
    decltype(&::msymbol) symbol;
    decltype(&::mtext) text;
    decltype(&::mtext_len) length;
    decltype(&::mtext_ref_char) character;
    decltype(&::m17n_object_unref) unref;
    decltype(&::mplist_key) key;
    decltype(&::mplist_value) value;
    decltype(&::mplist_next) next;
    decltype(&::minput_open_im) open_im;
    decltype(&::minput_create_ic) create_ic;
    decltype(&::minput_destroy_ic) destroy_ic;
    decltype(&::minput_filter) filter;
    decltype(&::minput_lookup) lookup;
    MSymbol* nil;
    MSymbol* text_key;
    MSymbol* plist_key;
    MInputMethod* method;
};

const Api& api() {
    static Api loaded;
    static bool open = false;
    if (open) return loaded;
    // The input method lies in the m17n library's own data, not beside it.
    void* library = load_library(module_setting("_m17n_library"), "libm17n-0");
    resolve(library, "m17n_init", loaded.init);
    resolve(library, "msymbol", loaded.symbol);
    resolve(library, "mtext", loaded.text);
    resolve(library, "mtext_len", loaded.length);
    resolve(library, "mtext_ref_char", loaded.character);
    resolve(library, "m17n_object_unref", loaded.unref);
    resolve(library, "mplist_key", loaded.key);
    resolve(library, "mplist_value", loaded.value);
    resolve(library, "mplist_next", loaded.next);
    resolve(library, "minput_open_im", loaded.open_im);
    resolve(library, "minput_create_ic", loaded.create_ic);
    resolve(library, "minput_destroy_ic", loaded.destroy_ic);
    resolve(library, "minput_filter", loaded.filter);
    resolve(library, "minput_lookup", loaded.lookup);
    resolve(library, "Mnil", loaded.nil);
    resolve(library, "Mtext", loaded.text_key);
    resolve(library, "Mplist", loaded.plist_key);
    loaded.init();
    std::string name = module_setting("_cangjie_method");
    loaded.method = loaded.open_im(loaded.symbol("zh"), loaded.symbol(name.c_str()), nullptr);
    if (!loaded.method) fail(PyExc_FileNotFoundError, "no m17n input method zh-" + name + " (install m17n-db)");
    open = true;
    return loaded;
}

std::u32string text_of(MText* text) {
    std::u32string result;
    if (!text) return result;
    for (int i = 0, n = api().length(text); i < n; ++i) result += char32_t(api().character(text, i));
    return result;
}

struct ContextDeleter {
    void operator()(MInputContext* context) const { api().destroy_ic(context); }
};

struct TextDeleter {
    void operator()(MText* text) const { api().unref(text); }
};

class CangjieComposition {
public:
    CangjieComposition() : context_(new_context()) {}

    bool type_key(py::object key) {
        char c = printable_key(key);
        if (shown().size() >= kMaxCharacters) return false;
        char name[2] = {c, 0};
        // A key the input method does not take stands as typed, after
        // what it finished on that key.
        finished_ += press(name);
        if (!taken_) finished_ += char32_t(c);
        return true;
    }

    bool erase() {
        if (!preedit_.empty()) {
            press("BackSpace");
            return true;
        }
        if (finished_.empty()) return false;
        finished_.pop_back();
        return true;
    }

    py::str preedit() const { return text_from_ucs4(shown()); }
    std::size_t candidate_count() const { return listed_.size(); }
    py::list candidates(py::object start, py::object count) const {
        return candidate_page(listed_.size(), start, count,
                              [&](std::size_t i) { return text_from_ucs4(std::u32string(1, listed_[i])); });
    }

    // The candidate and what was finished before it; the code is done.
    py::str choose(py::object index_value) {
        std::size_t index = exact_index(index_value, "index");
        if (index >= listed_.size()) fail(PyExc_IndexError, "no such candidate");
        std::u32string text = finished_ + listed_[index];
        reset();
        return text_from_ucs4(text);
    }

    // The finished text and the radicals of the code being typed, as shown.
    py::str commit() {
        std::u32string text = shown();
        reset();
        return text_from_ucs4(text);
    }

    // A fresh context rather than minput_reset_ic: m17n 1.8.5 (Debian 13),
    // reset after a "/" alone, frees that context twice when it goes.
    void reset() {
        context_ = new_context();
        finished_.clear();
        preedit_.clear();
        listed_.clear();
    }

    bool empty() const { return shown().empty(); }

private:
    static std::unique_ptr<MInputContext, ContextDeleter> new_context() {
        std::unique_ptr<MInputContext, ContextDeleter> made(api().create_ic(api().method, nullptr));
        if (!made) fail(PyExc_OSError, "m17n cannot make a Cangjie context");
        return made;
    }

    // The text the key `name` produces; taken_ tells whether the input
    // method took the key. As m17n's own clients do, only a key the filter
    // did not keep is looked up: a lookup of a kept one types it again.
    // The context's preedit and candidates are copied as the key leaves
    // them: what the other calls read needs no call into m17n.
    std::u32string press(const char* name) {
        MSymbol key = api().symbol(name);
        taken_ = api().filter(context_.get(), key, nullptr) != 0;
        std::u32string produced_text;
        if (!taken_) {
            std::unique_ptr<MText, TextDeleter> produced(api().text());
            taken_ = api().lookup(context_.get(), key, nullptr, produced.get()) == 0;
            produced_text = text_of(produced.get());
        }
        preedit_ = text_of(context_->preedit);
        listed_ = listed();
        return produced_text;
    }

    std::u32string shown() const { return finished_ + preedit_; }

    // The candidates of the code being typed, in the input method's order:
    // its list holds groups, each a text of characters or a list of texts.
    std::u32string listed() const {
        std::u32string all;
        // The list whether or not the input method would show it: a code
        // of one character has it too.
        if (!context_->candidate_list) return all;
        const Api& m = api();
        for (MPlist* group = context_->candidate_list; m.key(group) != *m.nil; group = m.next(group)) {
            if (m.key(group) == *m.text_key) {
                all += text_of(static_cast<MText*>(m.value(group)));
            } else if (m.key(group) == *m.plist_key) {
                for (MPlist* item = static_cast<MPlist*>(m.value(group)); m.key(item) != *m.nil; item = m.next(item))
                    all += text_of(static_cast<MText*>(m.value(item))).substr(0, 1);
            }
        }
        return all;
    }

    std::unique_ptr<MInputContext, ContextDeleter> context_;
    std::u32string finished_;  // committed by the input method, not yet by us
    std::u32string preedit_;   // the context's, as the last key left it
    std::u32string listed_;    // its candidates, likewise
    bool taken_ = false;
};

const char* const kDoc =
    "Cangjie being composed (m17n's zh-cangjie): the radicals are on the "
    "letters a to y; a code's characters are its candidates.";

}  // namespace

void bind_cangjie(py::module_& module) {
    module.attr("_m17n_library") = "libm17n.so.0";
    module.attr("_cangjie_method") = "cangjie";
    bind_composer<CangjieComposition>(module, "CangjieComposition", kDoc);
}

}  // namespace nuv::engines
