"""Writes the table of keyboard layouts into docs/layouts.md from the
machine's xkeyboard-config: every name set_keyboard_layout takes, with its
description and languages; the layouts that compose described as such, and
the composing keyboards xkeyboard-config has no layout for at the end.

    PYTHONPATH=build:layouts python3 scripts/layouts_table.py [docs/layouts.md]
"""
import os
import sys

from nuv_touchui import catalogue, composing

# The languages of the composing keyboards that are no layout of xkeyboard-config.
COMPOSED_LANGUAGES = {"zh": "zho", "cangjie": "zho"}

BEGIN = "<!-- layouts table: written by scripts/layouts_table.py -->"
END = "<!-- end of the layouts table -->"


def table():
    lines = ["| name | description | languages |", "|---|---|---|"]
    for layout in catalogue.layouts():
        composed = composing.composing_keyboard(layout.name)
        description = layout.description if composed is None else composed.description
        lines.append("| `%s` | %s | %s |" % (layout.name, description.replace("|", "\\|"),
                                             ", ".join(layout.languages)))
    for name, language in COMPOSED_LANGUAGES.items():
        lines.append("| `%s` | %s | %s |" % (name, composing.composing_keyboard(name).description, language))
    return "\n".join(lines)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "docs", "layouts.md")
    with open(path, encoding="utf-8") as doc:
        text = doc.read()
    start, end = text.index(BEGIN) + len(BEGIN), text.index(END)
    text = text[:start] + "\n" + table() + "\n" + text[end:]
    with open(path, "w", encoding="utf-8") as doc:
        doc.write(text)


if __name__ == "__main__":
    main()
