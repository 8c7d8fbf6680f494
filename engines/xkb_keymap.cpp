#include "xkb_keymap.h"

#include <pybind11/stl.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nuv::engines {

namespace {

template <typename T, void (*Release)(T*)>
struct Releaser {
    void operator()(T* p) const { Release(p); }
};
using Context = std::unique_ptr<xkb_context, Releaser<xkb_context, xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Releaser<xkb_keymap, xkb_keymap_unref>>;
using State = std::unique_ptr<xkb_state, Releaser<xkb_state, xkb_state_unref>>;
using ComposeTable = std::unique_ptr<xkb_compose_table, Releaser<xkb_compose_table, xkb_compose_table_unref>>;
using ComposeState = std::unique_ptr<xkb_compose_state, Releaser<xkb_compose_state, xkb_compose_state_unref>>;

// Where Compose tables lie when the C library's locale data is Debian's.
const char* const kComposeFile = "/usr/share/X11/locale/en_US.UTF-8/Compose";

// The system's xkeyboard-config only: a default context also searches the
// user's ~/.xkb and ~/.config/xkb, which would make a panel's keyboard
// depend on whoever is logged in. The system's folder is the last one a
// default context lists (XKB_CONFIG_ROOT, where set, names it).
std::string system_data_root() {
    Context probe(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!probe) throw std::runtime_error("libxkbcommon cannot make a context");
    unsigned int count = xkb_context_num_include_paths(probe.get());
    if (count == 0) throw std::runtime_error("libxkbcommon finds no xkeyboard-config data");
    return xkb_context_include_path_get(probe.get(), count - 1);
}

// One context a process: it is only read once made.
xkb_context* context() {
    static Context shared = [] {
        Context made(xkb_context_new(xkb_context_flags(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES)));
        if (!made) throw std::runtime_error("libxkbcommon cannot make a context");
        xkb_context_set_log_level(made.get(), XKB_LOG_LEVEL_CRITICAL);
        if (!xkb_context_include_path_append(made.get(), system_data_root().c_str()))
            throw std::runtime_error("libxkbcommon cannot read xkeyboard-config's folder");
        return made;
    }();
    return shared.get();
}

// ---------------------------------------------------------------- characters and dead keys

std::string utf8_of(xkb_keysym_t sym) {
    char text[16] = {};
    int size = xkb_keysym_to_utf8(sym, text, sizeof text);
    if (size <= 1) return "";
    // Control characters (Tab, Return, Escape) are not what a key types here.
    char32_t first = xkb_keysym_to_utf32(sym);
    if (first < 0x20 || (first >= 0x7f && first < 0xa0)) return "";
    return std::string(text, static_cast<std::size_t>(size - 1));
}

std::string name_of(xkb_keysym_t sym) {
    char name[64] = {};
    xkb_keysym_get_name(sym, name, sizeof name);
    return name;
}

bool is_dead(xkb_keysym_t sym) {
    return name_of(sym).rfind("dead_", 0) == 0;
}


xkb_compose_table* compose_table() {
    static ComposeTable table = [] {
        // The system's table, not the user's ~/.XCompose: see system_data_root.
        ComposeTable made;
        if (FILE* file = std::fopen(kComposeFile, "r")) {
            made.reset(xkb_compose_table_new_from_file(context(), file, "C", XKB_COMPOSE_FORMAT_TEXT_V1,
                                                       XKB_COMPOSE_COMPILE_NO_FLAGS));
            std::fclose(file);
        }
        if (!made) made.reset(xkb_compose_table_new_from_locale(context(), "C", XKB_COMPOSE_COMPILE_NO_FLAGS));
        return made;
    }();
    return table.get();
}

// What `dead` then `base` compose: the text, or "" when nothing.
std::string composed(xkb_compose_state* state, xkb_keysym_t dead, xkb_keysym_t base) {
    xkb_compose_state_reset(state);
    xkb_compose_state_feed(state, dead);
    xkb_compose_state_feed(state, base);
    if (xkb_compose_state_get_status(state) != XKB_COMPOSE_COMPOSED) return "";
    char text[64] = {};
    int size = xkb_compose_state_get_utf8(state, text, sizeof text);
    return size > 0 && std::size_t(size) < sizeof text ? std::string(text, std::size_t(size)) : "";
}

// The sign a dead key shows: what it composes with itself (the spacing
// accent, as it types when pressed twice), else with a space.
std::string dead_key_sign(xkb_keysym_t dead) {
    xkb_compose_table* table = compose_table();
    if (!table) return "";
    ComposeState state(xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS));
    if (!state) return "";
    std::string sign = composed(state.get(), dead, dead);
    return sign.empty() ? composed(state.get(), dead, XKB_KEY_space) : sign;
}

// ---------------------------------------------------------------- the keys of a layout

// The rows of the main block, as xkb names their keys, and the keys that
// sit at a row's ends: the key left of 1, the ISO key beside Return, the
// ISO key left of the bottom row's first letter.
struct KeyPlace {
    int row = -1;  // 0: the number row (AE), 1: AD, 2: AC, 3: AB
    int column = 0;
};

std::optional<KeyPlace> place_of(const std::string& name) {
    if (name == "TLDE") return KeyPlace{0, 0};
    if (name == "BKSL") return KeyPlace{2, 12};
    if (name == "LSGT") return KeyPlace{3, 0};
    static const char* const kRows[] = {"AE", "AD", "AC", "AB"};
    if (name.size() != 4 || !std::isdigit(static_cast<unsigned char>(name[2])) ||
        !std::isdigit(static_cast<unsigned char>(name[3])))
        return std::nullopt;
    for (int row = 0; row < 4; ++row)
        if (name.compare(0, 2, kRows[row]) == 0) return KeyPlace{row, std::stoi(name.substr(2))};
    return std::nullopt;
}

// The modifier states a key is read in, in the order they are reported.
struct ModifierState {
    const char* name;
    bool shift, caps, altgr;
};
const ModifierState kStates[] = {
    {"plain", false, false, false}, {"shift", true, false, false},  {"caps", false, true, false},
    {"shift_caps", true, true, false}, {"altgr", false, false, true}, {"altgr_shift", true, false, true},
};

// What the key types in one state: (text, "") for characters, (its sign,
// "dead_acute") for a dead key, None for nothing a keyboard shows.
py::object symbol_of(xkb_state* state, xkb_keycode_t key) {
    // With a Caps Lock the key type does not consume, one symbol, capitalised
    // as the toolkit would.
    xkb_keysym_t sym = xkb_state_key_get_one_sym(state, key);
    if (sym != XKB_KEY_NoSymbol) {
        if (is_dead(sym)) return py::make_tuple(dead_key_sign(sym), name_of(sym));
        std::string text = utf8_of(sym);
        return text.empty() ? py::object(py::none()) : py::object(py::make_tuple(text, ""));
    }
    const xkb_keysym_t* syms = nullptr;
    int count = xkb_state_key_get_syms(state, key, &syms);
    std::string text;
    for (int i = 0; i < count; ++i) text += utf8_of(syms[i]);
    return text.empty() ? py::object(py::none()) : py::object(py::make_tuple(text, ""));
}

struct Modifiers {
    xkb_mod_mask_t shift = 0, caps = 0, altgr = 0;

    explicit Modifiers(xkb_keymap* keymap)
        : shift(mask(keymap, XKB_MOD_NAME_SHIFT)), caps(mask(keymap, XKB_MOD_NAME_CAPS)),
          // AltGr is the third level's modifier, Mod5 in every layout of xkeyboard-config.
          altgr(mask(keymap, "Mod5")) {}

    xkb_mod_mask_t of(const ModifierState& s) const {
        return (s.shift ? shift : 0) | (s.altgr ? altgr : 0);
    }
    xkb_mod_mask_t locked(const ModifierState& s) const { return s.caps ? caps : 0; }

    static xkb_mod_mask_t mask(xkb_keymap* keymap, const char* name) {
        xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
        return index == XKB_MOD_INVALID ? 0 : xkb_mod_mask_t(1) << index;
    }
};

struct FoundKey {
    KeyPlace place;
    std::string name;
    xkb_keycode_t code;
};

std::vector<FoundKey> main_block(xkb_keymap* keymap) {
    std::vector<FoundKey> keys;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
        const char* name = xkb_keymap_key_get_name(keymap, code);
        if (!name) continue;
        if (auto place = place_of(name)) keys.push_back({*place, name, code});
    }
    std::sort(keys.begin(), keys.end(), [](const FoundKey& a, const FoundKey& b) {
        return a.place.row != b.place.row ? a.place.row < b.place.row : a.place.column < b.place.column;
    });
    return keys;
}

Keymap compile(const std::string& layout, const std::string& variant) {
    // A name that is no file name cannot reach outside xkeyboard-config's folder.
    for (const std::string* part : {&layout, &variant})
        if (part->find_first_of("/\\.\0 \t\n(),+:", 0, 13) != std::string::npos || part->size() > 64)
            throw py::value_error("not a layout or variant name: '" + *part + "'");
    if (layout.empty()) throw py::value_error("a layout name is needed");
    xkb_rule_names names{"evdev", "pc105", layout.c_str(), variant.c_str(), ""};
    Keymap keymap(xkb_keymap_new_from_names(context(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) throw py::value_error("xkeyboard-config has no layout '" + layout + (variant.empty() ? "" : "(" + variant + ")") + "'");
    // An unknown variant falls back to nothing in some releases; the layout
    // compiled must be the one asked for.
    return keymap;
}

// xkb_keymap(layout, variant="") -> [(name, keycode, row, column, levels)]:
// the keys of the main block in their rows' order, each with what it types
// in the states plain, shift, caps, shift_caps, altgr and altgr_shift.
py::list read_keymap(const std::string& layout, const std::string& variant) {
    Keymap keymap = compile(layout, variant);
    State state(xkb_state_new(keymap.get()));
    if (!state) throw std::runtime_error("libxkbcommon cannot make a keyboard state");
    Modifiers modifiers(keymap.get());
    py::list keys;
    for (const FoundKey& key : main_block(keymap.get())) {
        py::tuple levels(std::size(kStates));
        bool any = false;
        for (std::size_t i = 0; i < std::size(kStates); ++i) {
            xkb_state_update_mask(state.get(), modifiers.of(kStates[i]), 0, modifiers.locked(kStates[i]), 0, 0, 0);
            levels[i] = symbol_of(state.get(), key.code);
            any = any || !levels[i].is_none();
        }
        if (any) keys.append(py::make_tuple(key.name, key.code, key.place.row, key.place.column, levels));
    }
    return keys;
}

py::tuple state_names() {
    py::tuple names(std::size(kStates));
    for (std::size_t i = 0; i < std::size(kStates); ++i) names[i] = py::str(kStates[i].name);
    return names;
}

// xkb_compose(dead_keys, bases) -> {dead: {base: text}}: what each dead key
// (named as xkb names it, "dead_acute") composes with each base (one
// character each); the space gives the dead key's own sign. Empty where
// there is no Compose table.
py::dict compose(const std::vector<std::string>& dead_keys, const std::vector<std::u32string>& bases) {
    py::dict result;
    xkb_compose_table* table = compose_table();
    if (!table) return result;
    ComposeState state(xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS));
    if (!state) throw std::runtime_error("libxkbcommon cannot make a compose state");
    for (const std::string& dead : dead_keys) {
        xkb_keysym_t dead_sym = xkb_keysym_from_name(dead.c_str(), XKB_KEYSYM_NO_FLAGS);
        if (dead_sym == XKB_KEY_NoSymbol || !is_dead(dead_sym)) throw py::value_error("not a dead key: '" + dead + "'");
        py::dict made;
        for (const std::u32string& base : bases) {
            if (base.size() != 1) throw py::value_error("a base is one character");
            xkb_keysym_t base_sym = xkb_utf32_to_keysym(base[0]);
            if (base_sym == XKB_KEY_NoSymbol) continue;
            std::string text = composed(state.get(), dead_sym, base_sym);
            if (!text.empty()) made[py::cast(base)] = py::str(text);
        }
        result[py::str(dead)] = made;
    }
    return result;
}

}  // namespace

void bind_xkb(py::module_& module) {
    module.def("xkb_keymap", &read_keymap, py::arg("layout"), py::arg("variant") = "",
               "The keys of a layout's main block: (name, keycode, row, column, levels), levels in the\n"
               "states of XKB_STATES, each (text, dead key name) or None. ValueError for a layout\n"
               "xkeyboard-config does not have.");
    module.def("xkb_compose", &compose, py::arg("dead_keys"), py::arg("bases"),
               "{dead key: {base: composed text}} for every pair the Compose table composes.");
    module.def(
        "xkb_data_root", [] { return system_data_root(); },
        "The folder of the system's xkeyboard-config (rules/evdev.xml lists its layouts).");
    module.attr("XKB_STATES") = state_names();
}

}  // namespace nuv::engines
