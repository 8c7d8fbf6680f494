"""The keyboard layouts of the machine's xkeyboard-config: their names as
setxkbmap spells them ("ru", "de(nodeadkeys)"), their descriptions and the
languages they serve, the layout for a language, and each layout's keys as
libxkbcommon compiles them. No widget here.

The list comes from xkeyboard-config's rules/evdev.xml, the keys from the
input engines' extension (nuv_engines), which compiles a layout without any
display server. Languages there are ISO 639-3 codes; the application's
language is the two-letter code of its catalogs or locale ("ru", "pt_BR"),
matched through iso-codes' table where it is installed.
"""

import json
import os
import re
import xml.etree.ElementTree as ElementTree

# Layouts that are no national keyboard: a user's own, and braille chords.
NOT_KEYBOARDS = frozenset({"custom", "brai"})

# Every language with a two-letter code has it here (a small table).
ISO_639_TABLE = "/usr/share/iso-codes/json/iso_639-2.json"

_NAME = re.compile(r"([a-z0-9_-]+)(?:\(([A-Za-z0-9_-]+)\))?\Z")


class Layout:
    """One layout or variant of xkeyboard-config."""

    def __init__(self, name, description, languages, countries, short=""):
        self.name = name                # "de" or "de(nodeadkeys)"
        self.description = description  # "German (no dead keys)"
        self.languages = languages      # ISO 639-3 codes, ("deu",)
        self.countries = countries      # ISO 3166 codes, ("DE",)
        self.short = short or self.layout  # what a layout indicator shows, "ru"

    @property
    def layout(self):
        return split_name(self.name)[0]

    @property
    def variant(self):
        return split_name(self.name)[1]

    def __repr__(self):
        return "Layout(%r, %r)" % (self.name, self.description)


def split_name(name):
    """("de", "nodeadkeys") of "de(nodeadkeys)", ("ru", "") of "ru";
    ValueError for what is no layout name."""
    match = _NAME.match(name) if isinstance(name, str) else None
    if match is None:
        raise ValueError("not a keyboard layout name: %r" % (name,))
    return match.group(1), match.group(2) or ""


def _engines():
    import nuv_engines
    return nuv_engines


def rules_file():
    """xkeyboard-config's list of layouts, evdev.xml."""
    return os.path.join(_engines().xkb_data_root(), "rules", "evdev.xml")


def _texts(item, path):
    return tuple(element.text.strip() for element in item.iterfind(path) if element.text)


def _read_layouts(path):
    layouts = []
    root = ElementTree.parse(path).getroot()
    for layout in root.iterfind("layoutList/layout"):
        item = layout.find("configItem")
        name = item.findtext("name", "").strip()
        if not name or name in NOT_KEYBOARDS:
            continue
        languages = _texts(item, "languageList/iso639Id")
        countries = _texts(item, "countryList/iso3166Id")
        short = item.findtext("shortDescription", "").strip()
        layouts.append(Layout(name, item.findtext("description", name).strip(), languages, countries, short))
        for variant in layout.iterfind("variantList/variant"):
            vitem = variant.find("configItem")
            vname = vitem.findtext("name", "").strip()
            if not vname:
                continue
            # A variant without languages or countries of its own has its layout's.
            layouts.append(Layout("%s(%s)" % (name, vname), vitem.findtext("description", vname).strip(),
                                  _texts(vitem, "languageList/iso639Id") or languages,
                                  _texts(vitem, "countryList/iso3166Id") or countries,
                                  vitem.findtext("shortDescription", "").strip() or short))
    return layouts


_catalogue = None


def layouts():
    """Every layout and variant the machine's xkeyboard-config lists, in
    its order (a layout, then its variants); read once."""
    global _catalogue
    if _catalogue is None:
        _catalogue = {layout.name: layout for layout in _read_layouts(rules_file())}
    return list(_catalogue.values())


def find(name):
    """The Layout named `name`, or None."""
    layouts()
    return _catalogue.get(name)


_alpha_3 = None


def _three_letter(language):
    """The ISO 639-3 code of a two-letter language code ("ru" -> "rus"),
    or None where iso-codes is not installed or has none."""
    global _alpha_3
    if _alpha_3 is None:
        _alpha_3 = {}
        try:
            with open(ISO_639_TABLE, encoding="utf-8") as table:
                for entry in json.load(table).get("639-2", ()):
                    if "alpha_2" in entry:
                        _alpha_3[entry["alpha_2"]] = entry["alpha_3"]
        except (OSError, ValueError):
            pass
    return _alpha_3.get(language)


def _variant_count(layout):
    prefix = layout.name + "("
    return sum(1 for other in layouts() if other.name.startswith(prefix))


def layout_for_language(locale_name):
    """The name of the layout xkeyboard-config gives for a language, as
    an application names it ("ru", "pt_BR", "sr-RS", "el_GR.UTF-8"), or
    None where it gives none. The country's layout of that language
    comes first (pt_BR: "br"), then the layout named after the language or
    describing itself by its code, then of the layouts that list it the
    one with the most variants; variants only where no layout does."""
    parts = re.split(r"[-_.@]", locale_name or "")
    language = parts[0].lower()
    country = parts[1].upper() if len(parts) > 1 and len(parts[1]) == 2 else ""
    if not language:
        return None
    code = _three_letter(language) or (language if len(language) == 3 else None)
    every = layouts()
    top = [layout for layout in every if "(" not in layout.name]

    def serves(layout):
        return code in layout.languages if code else False

    for candidates in (top, every):
        serving = [layout for layout in candidates if serves(layout)]
        for layout in serving:
            if country and country in layout.countries:
                return layout.name
        for layout in serving:
            if layout.name == language:
                return layout.name
        if serving:
            # The language's main layout has the most variants (English:
            # us before au and gb); the file's order differs by release.
            return max(serving, key=_variant_count).name
    # Without iso-codes: the layout named after the language, if any.
    named = find(language)
    return named.name if named else None


_keys = {}


def layout_keys(name):
    """The keys of the main block of layout `name` as libxkbcommon compiles
    it: (xkb name, keycode, row, column, levels), rows 0 (digits) to 3,
    levels in the states of nuv_engines.XKB_STATES, each (text, dead key
    name) or None. Compiled once per process; ValueError for a name the
    catalogue does not list."""
    if name not in _keys:
        if find(name) is None:
            raise ValueError("no keyboard layout %r: the names are those xkeyboard-config lists in %s"
                             % (name, rules_file()))
        _keys[name] = tuple(_engines().xkb_keymap(*split_name(name)))
    return _keys[name]


def compose(dead_keys, bases):
    """{dead key: {base: text}}: what each dead key ("dead_acute") then
    each base character composes, as the system's Compose table says."""
    return _engines().xkb_compose(list(dead_keys), list(bases))
