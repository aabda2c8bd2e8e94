#!/usr/bin/env python3
"""Writes the catalog template from res/strings.h: po/make_pot.py > po/kr55le-upgrade.pot.

Each text's msgid is its English words as the program shows them; the comment above it in
strings.h reaches the translators. The template changes only when a text does."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from texts import read_texts  # noqa: E402

HEADER = """# Texts of the KR-55LE upgrade utility.
# This file is made by po/make_pot.py from res/strings.h: change the texts there.
msgid ""
msgstr ""
"Project-Id-Version: kr55le-upgrade\\n"
"MIME-Version: 1.0\\n"
"Content-Type: text/plain; charset=UTF-8\\n"
"Content-Transfer-Encoding: 8bit\\n"
"Plural-Forms: nplurals=INTEGER; plural=EXPRESSION;\\n"
"""


def quoted(text):
    escaped = (
        text.replace("\\", "\\\\").replace('"', '\\"').replace("\t", "\\t").replace("\r", "\\r")
    )
    lines = escaped.split("\n")
    pieces = [line + "\\n" for line in lines[:-1]] + ([lines[-1]] if lines[-1] else [])
    if len(pieces) <= 1:
        return '"' + (pieces[0] if pieces else "") + '"'
    return '""\n' + "\n".join('"' + piece + '"' for piece in pieces)


def entry(text):
    lines = []
    if text.comment:
        lines.append("#. " + text.comment)
    lines.append("#. " + text.name)
    if text.is_format:
        lines.append("#, c-format")
    if text.context:
        lines.append("msgctxt " + quoted(text.context))
    lines.append("msgid " + quoted(text.english))
    if text.plural is not None:
        lines.append("msgid_plural " + quoted(text.plural))
        lines.append('msgstr[0] ""')
        lines.append('msgstr[1] ""')
    else:
        lines.append('msgstr ""')
    return "\n".join(lines)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    texts = read_texts(os.path.join(root, "res", "strings.h"))
    seen = {}
    for text in texts:
        key = (text.context, text.english)
        if key in seen:
            sys.exit(f"{text.name} has the words of {seen[key]}: give one of them a context")
        seen[key] = text.name
    sys.stdout.write(HEADER + "".join("\n" + entry(text) + "\n" for text in texts))


if __name__ == "__main__":
    main()
