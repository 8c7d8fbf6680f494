// Japanese with anthy: romaji typed become hiragana by the table below (the
// usual IME romaji: shi or si, n or nn, a doubled consonant for a small
// tsu, "-" for the long vowel mark), and anthy converts the kana by
// segments. The candidates are the first segment's (anthy lists its kana,
// in hiragana and katakana, among them); choosing one commits that segment
// and keeps the rest composing. A commit puts in the kana as typed.
//
// anthy opens once per process, with no personality and no home, so it
// keeps no history and creates no ~/.anthy (it takes the home from the
// password file, not $HOME). It slows sharply on long input: a
// composition holds at most kMaxKana, at which a key costs 6 to 10 ms of
// processor time here (32 kana: 8 to 16 ms, 60: past 20). Full, it makes
// the keyboard commit the first segment and go on.
#include "composers.h"

#include <anthy/anthy.h>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

namespace nuv::engines {

namespace {

constexpr std::size_t kMaxKana = 20;
// anthy is slowest on runs of what is no kana: 20 latin letters or long
// vowel marks cost it twice what kana do. A composition holds few of them.
constexpr std::size_t kMaxLatin = 4;
constexpr std::size_t kMaxLongVowels = 8;
const char* const kNoHome = "/dev/null";
// Romaji waiting for their kana: the longest table entry is "xtsu".
constexpr std::size_t kMaxPending = 4;
// Room for one candidate, in UTF-8 bytes: a segment of kMaxKana characters.
constexpr int kCandidateRoom = 4 * int(kMaxKana) + 1;

struct Romaji {
    std::string_view letters;
    std::u32string_view kana;
};

// The table of romaji, at the bottom.
extern const Romaji kRomaji[];
extern const std::size_t kRomajiCount;

struct Api {
    decltype(&::anthy_init) init;
    decltype(&::anthy_conf_override) override_setting;
    decltype(&::anthy_set_personality) set_personality;
    decltype(&::anthy_create_context) create;
    decltype(&::anthy_release_context) release;
    decltype(&::anthy_context_set_encoding) set_encoding;
    decltype(&::anthy_set_string) set_string;
    decltype(&::anthy_get_stat) stat;
    decltype(&::anthy_get_segment_stat) segment_stat;
    decltype(&::anthy_get_segment) segment;
    decltype(&::anthy_commit_segment) commit_segment;
};

const Api& api() {
    static Api loaded;
    static bool open = false;
    if (open) return loaded;
    std::string dictionary = module_setting("_anthy_dictionary");
    if (access(dictionary.c_str(), R_OK) != 0)
        fail(PyExc_FileNotFoundError, "no anthy dictionary " + dictionary + " (install anthy-common)");
    void* library = load_library(module_setting("_anthy_library"), "libanthy1");
    resolve(library, "anthy_init", loaded.init);
    resolve(library, "anthy_conf_override", loaded.override_setting);
    resolve(library, "anthy_set_personality", loaded.set_personality);
    resolve(library, "anthy_create_context", loaded.create);
    resolve(library, "anthy_release_context", loaded.release);
    resolve(library, "anthy_context_set_encoding", loaded.set_encoding);
    resolve(library, "anthy_set_string", loaded.set_string);
    resolve(library, "anthy_get_stat", loaded.stat);
    resolve(library, "anthy_get_segment_stat", loaded.segment_stat);
    resolve(library, "anthy_get_segment", loaded.segment);
    resolve(library, "anthy_commit_segment", loaded.commit_segment);
    loaded.override_setting("DIC_FILE", dictionary.c_str());
    // Even without a personality, anthy opens a lock file in its home's
    // ~/.anthy at every conversion, and creates it there when that folder
    // exists. A home below a file can hold no folder: nothing is created.
    loaded.override_setting("HOME", kNoHome);
    if (loaded.init() != 0) fail(PyExc_OSError, "anthy cannot open its dictionary " + dictionary);
    loaded.set_personality("");
    open = true;
    return loaded;
}

std::string utf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const Romaji* exactly(std::string_view letters) {
    for (std::size_t i = 0; i < kRomajiCount; ++i)
        if (kRomaji[i].letters == letters) return &kRomaji[i];
    return nullptr;
}

// Whether a longer entry starts with `letters`: then they wait for more.
bool starts_longer(std::string_view letters) {
    for (std::size_t i = 0; i < kRomajiCount; ++i)
        if (kRomaji[i].letters.size() > letters.size() && kRomaji[i].letters.substr(0, letters.size()) == letters)
            return true;
    return false;
}

bool is_one_of(char c, std::string_view letters) { return letters.find(c) != std::string_view::npos; }

bool is_consonant(char c) { return c >= 'a' && c <= 'z' && !is_one_of(c, "aiueo"); }

// Moves the romaji of `pending` that are settled into `kana`.
void settle(std::string& pending, std::u32string& kana) {
    while (!pending.empty()) {
        const Romaji* entry = exactly(pending);
        if (entry && !starts_longer(pending)) {
            kana += entry->kana;
            pending.clear();
        } else if (pending.size() >= 2 && pending[0] == 'n' && !is_one_of(pending[1], "aiueoyn")) {
            kana += U'ん';
            pending.erase(0, 1);
        } else if (pending.size() >= 2 && pending[0] == pending[1] && is_consonant(pending[0])) {
            kana += U'っ';
            pending.erase(0, 1);
        } else if (!entry && !starts_longer(pending)) {
            kana += char32_t(pending[0]);  // no romaji: stands as typed
            pending.erase(0, 1);
        } else {
            return;
        }
    }
}

// The kana of `kana` and `pending` together, as if typing ended there: a
// last n is ん, other letters stand as typed.
std::u32string finished(std::u32string kana, const std::string& pending) {
    if (pending == "n") return kana + U'ん';
    for (char c : pending) kana += char32_t(c);
    return kana;
}

struct ContextDeleter {
    void operator()(anthy_context* context) const { api().release(context); }
};

class KanaComposition {
public:
    KanaComposition() : context_(api().create()) {
        if (!context_) fail(PyExc_OSError, "anthy cannot make a context");
        api().set_encoding(context_.get(), ANTHY_UTF8_ENCODING);
    }

    // The romaji keys: letters (a capital as its small one), "-", "," and
    // "."; ValueError for another key, which the keyboard types itself.
    bool type_key(py::object key) {
        char c = printable_key(key);
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (!(c >= 'a' && c <= 'z') && !is_one_of(c, "-,."))
            fail(PyExc_ValueError, "Japanese is typed with romaji: letters, '-', ',' and '.'");
        if (kana_.size() + pending_.size() >= kMaxKana) return false;
        std::string longer = pending_ + c;
        std::u32string kana = kana_;
        settle(longer, kana);
        if (count_latin(kana) > kMaxLatin || std::count(kana.begin(), kana.end(), U'ー') > long(kMaxLongVowels))
            return false;
        pending_ = longer;
        kana_ = kana;
        if (pending_.size() > kMaxPending) {  // cannot happen with the table below; kept bounded all the same
            kana_ += finished(U"", pending_);
            pending_.clear();
        }
        return true;
    }

    bool erase() {
        if (!pending_.empty())
            pending_.pop_back();
        else if (!kana_.empty())
            kana_.pop_back();
        else
            return false;
        return true;
    }

    py::str preedit() const { return text_from_utf8((utf8(kana_) + pending_).c_str()); }

    std::size_t candidate_count() {
        if (!convert()) return 0;
        return std::size_t(std::max(first_segment().nr_candidate, 0));
    }

    py::list candidates(py::object start, py::object count) {
        std::size_t total = candidate_count();
        return candidate_page(total, start, count, [&](std::size_t i) { return candidate(i); });
    }

    py::str choose(py::object index_value) {
        std::size_t index = exact_index(index_value, "index");
        std::size_t total = candidate_count();
        if (index >= total) fail(PyExc_IndexError, "no such candidate");
        py::str text = candidate(index);
        anthy_segment_stat segment = first_segment();
        api().commit_segment(context_.get(), 0, int(index));
        std::u32string all = finished(kana_, pending_);
        kana_ = all.substr(std::min(std::size_t(std::max(segment.seg_len, 0)), all.size()));
        pending_.clear();
        return text;
    }

    py::str commit() {
        std::string text = utf8(finished(kana_, pending_));
        reset();
        return text_from_utf8(text.c_str());
    }

    void reset() {
        kana_.clear();
        pending_.clear();
    }

    bool empty() const { return kana_.empty() && pending_.empty(); }

private:
    static std::size_t count_latin(const std::u32string& kana) {
        return std::size_t(std::count_if(kana.begin(), kana.end(), [](char32_t c) { return c < 0x80; }));
    }

    // The kana given to anthy, anew only when they changed; false for none.
    bool convert() {
        std::string all = utf8(finished(kana_, pending_));
        if (all.empty()) return false;
        if (all != converted_) {
            if (api().set_string(context_.get(), all.c_str()) != 0) fail(PyExc_OSError, "anthy refused the kana");
            converted_ = all;
        }
        anthy_conv_stat stat{};
        return api().stat(context_.get(), &stat) == 0 && stat.nr_segment > 0;
    }

    anthy_segment_stat first_segment() {
        anthy_segment_stat segment{};
        if (api().segment_stat(context_.get(), 0, &segment) != 0) fail(PyExc_OSError, "anthy has no segment");
        return segment;
    }

    py::str candidate(std::size_t index) {
        char text[kCandidateRoom] = {};
        if (api().segment(context_.get(), 0, int(index), text, kCandidateRoom) < 0)
            fail(PyExc_IndexError, "no such candidate");
        return text_from_utf8(text);
    }

    std::unique_ptr<anthy_context, ContextDeleter> context_;
    std::u32string kana_;   // settled
    std::string pending_;   // romaji waiting for more
    std::string converted_;  // the kana anthy holds
};

const char* const kDoc =
    "Japanese being composed (anthy): romaji typed become hiragana, converted "
    "by segments; the candidates are the first segment's. A commit puts in the kana as typed.";

const Romaji kRomaji[] = {
    {"a", U"あ"}, {"i", U"い"}, {"u", U"う"}, {"e", U"え"}, {"o", U"お"},
    {"ka", U"か"}, {"ki", U"き"}, {"ku", U"く"}, {"ke", U"け"}, {"ko", U"こ"},
    {"kya", U"きゃ"}, {"kyu", U"きゅ"}, {"kyo", U"きょ"},
    {"ga", U"が"}, {"gi", U"ぎ"}, {"gu", U"ぐ"}, {"ge", U"げ"}, {"go", U"ご"},
    {"gya", U"ぎゃ"}, {"gyu", U"ぎゅ"}, {"gyo", U"ぎょ"},
    {"sa", U"さ"}, {"si", U"し"}, {"shi", U"し"}, {"su", U"す"}, {"se", U"せ"}, {"so", U"そ"},
    {"sha", U"しゃ"}, {"shu", U"しゅ"}, {"she", U"しぇ"}, {"sho", U"しょ"},
    {"sya", U"しゃ"}, {"syu", U"しゅ"}, {"syo", U"しょ"},
    {"za", U"ざ"}, {"zi", U"じ"}, {"zu", U"ず"}, {"ze", U"ぜ"}, {"zo", U"ぞ"},
    {"ja", U"じゃ"}, {"ji", U"じ"}, {"ju", U"じゅ"}, {"je", U"じぇ"}, {"jo", U"じょ"},
    {"jya", U"じゃ"}, {"jyu", U"じゅ"}, {"jyo", U"じょ"},
    {"zya", U"じゃ"}, {"zyu", U"じゅ"}, {"zyo", U"じょ"},
    {"ta", U"た"}, {"ti", U"ち"}, {"chi", U"ち"}, {"tu", U"つ"}, {"tsu", U"つ"}, {"te", U"て"}, {"to", U"と"},
    {"cha", U"ちゃ"}, {"chu", U"ちゅ"}, {"che", U"ちぇ"}, {"cho", U"ちょ"},
    {"tya", U"ちゃ"}, {"tyu", U"ちゅ"}, {"tyo", U"ちょ"},
    {"da", U"だ"}, {"di", U"ぢ"}, {"du", U"づ"}, {"de", U"で"}, {"do", U"ど"},
    {"dya", U"ぢゃ"}, {"dyu", U"ぢゅ"}, {"dyo", U"ぢょ"},
    {"na", U"な"}, {"ni", U"に"}, {"nu", U"ぬ"}, {"ne", U"ね"}, {"no", U"の"}, {"nn", U"ん"},
    {"nya", U"にゃ"}, {"nyu", U"にゅ"}, {"nyo", U"にょ"},
    {"ha", U"は"}, {"hi", U"ひ"}, {"hu", U"ふ"}, {"fu", U"ふ"}, {"he", U"へ"}, {"ho", U"ほ"},
    {"hya", U"ひゃ"}, {"hyu", U"ひゅ"}, {"hyo", U"ひょ"},
    {"fa", U"ふぁ"}, {"fi", U"ふぃ"}, {"fe", U"ふぇ"}, {"fo", U"ふぉ"},
    {"ba", U"ば"}, {"bi", U"び"}, {"bu", U"ぶ"}, {"be", U"べ"}, {"bo", U"ぼ"},
    {"bya", U"びゃ"}, {"byu", U"びゅ"}, {"byo", U"びょ"},
    {"pa", U"ぱ"}, {"pi", U"ぴ"}, {"pu", U"ぷ"}, {"pe", U"ぺ"}, {"po", U"ぽ"},
    {"pya", U"ぴゃ"}, {"pyu", U"ぴゅ"}, {"pyo", U"ぴょ"},
    {"ma", U"ま"}, {"mi", U"み"}, {"mu", U"む"}, {"me", U"め"}, {"mo", U"も"},
    {"mya", U"みゃ"}, {"myu", U"みゅ"}, {"myo", U"みょ"},
    {"ya", U"や"}, {"yu", U"ゆ"}, {"yo", U"よ"},
    {"ra", U"ら"}, {"ri", U"り"}, {"ru", U"る"}, {"re", U"れ"}, {"ro", U"ろ"},
    {"rya", U"りゃ"}, {"ryu", U"りゅ"}, {"ryo", U"りょ"},
    {"wa", U"わ"}, {"wi", U"うぃ"}, {"we", U"うぇ"}, {"wo", U"を"}, {"vu", U"ゔ"},
    {"xa", U"ぁ"}, {"xi", U"ぃ"}, {"xu", U"ぅ"}, {"xe", U"ぇ"}, {"xo", U"ぉ"},
    {"xya", U"ゃ"}, {"xyu", U"ゅ"}, {"xyo", U"ょ"}, {"xtu", U"っ"}, {"xtsu", U"っ"},
    {"la", U"ぁ"}, {"li", U"ぃ"}, {"lu", U"ぅ"}, {"le", U"ぇ"}, {"lo", U"ぉ"},
    {"lya", U"ゃ"}, {"lyu", U"ゅ"}, {"lyo", U"ょ"}, {"ltu", U"っ"}, {"ltsu", U"っ"},
    {"-", U"ー"}, {",", U"、"}, {".", U"。"},
};

const std::size_t kRomajiCount = sizeof(kRomaji) / sizeof(kRomaji[0]);

}  // namespace

void bind_kana(py::module_& module) {
    module.attr("_anthy_library") = "libanthy.so.1";
    module.attr("_anthy_dictionary") = "/usr/share/anthy/anthy.dic";
    bind_composer<KanaComposition>(module, "KanaComposition", kDoc);
}

}  // namespace nuv::engines
