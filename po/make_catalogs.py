#!/usr/bin/env python3
"""Checks each catalog of po/LINGUAS with msgfmt and writes them, with the pseudo-language made
from the template, as the C++ table of res/catalog.h.

usage: make_catalogs.py MSGFMT PO_DIR OUTPUT.cpp"""

import os
import re
import struct
import subprocess
import sys
import tempfile

# Tests only: every letter accented, each text about 40% longer, in brackets, so that a cut-off
# or an untranslated text shows.
PSEUDO_LANGUAGE = "qps"
PSEUDO_GROWTH = 1.4
ACCENTED = dict(
    zip(
        "AaCcDdEeGgHhIiJjKkLlNnOoRrSsTtUuWwYyZz",
        "ÅåÇçÐðÉéĜĝĤĥÎîĴĵĶķĻļÑñÖöŘřŠšŢţÛûŴŵÝýŽž",
    )
)
# What the pseudo-language keeps: printf directives, an access key's letter, a line's end.
KEPT = re.compile(r"%(?:%|[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|z|j|t)?[diouxXfeEgGcsp])|&.|\n")
PLURAL_FORMS = re.compile(r"nplurals\s*=\s*(\d+)\s*;\s*plural\s*=\s*([^;]+);")
MAX_PLURAL_FORMS = 4


def read_mo(path):
    """The entries of a compiled catalog: (context, msgid) -> [forms], and its header."""
    data = open(path, "rb").read()
    magic = struct.unpack("<I", data[:4])[0]
    order = "<" if magic == 0x950412DE else ">"
    count, originals, translations = struct.unpack(order + "III", data[8:20])

    def string(table, index):
        length, offset = struct.unpack(order + "II", data[table + 8 * index : table + 8 * index + 8])
        return data[offset : offset + length].decode("utf-8")

    entries, header = {}, ""
    for index in range(count):
        original = string(originals, index)
        translation = string(translations, index)
        if original == "":
            header = translation
            continue
        context, _, ids = original.rpartition("\x04")
        msgid = ids.split("\x00")[0]
        entries[(context, msgid)] = translation.split("\x00")
    return entries, header


def pseudo(text):
    out, position = [], 0
    for match in KEPT.finditer(text):
        out.append("".join(ACCENTED.get(c, c) for c in text[position : match.start()]))
        out.append(match.group(0))
        position = match.end()
    out.append("".join(ACCENTED.get(c, c) for c in text[position:]))
    body = "".join(out)
    trailing = body[len(body.rstrip("\n")) :]
    body = body.rstrip("\n")
    padding = max(0, round(len(text) * PSEUDO_GROWTH) - len(body) - 2)
    return "[" + body + "·" * padding + "]" + trailing


def pseudo_catalog(msgfmt, pot):
    """The template's entries, each made into the pseudo-language."""
    with tempfile.TemporaryDirectory() as scratch:
        english = os.path.join(scratch, "en.po")
        subprocess.run(
            [os.path.join(os.path.dirname(msgfmt), "msgen"), "--no-wrap", "-o", english, pot], check=True, stdout=subprocess.DEVNULL
        )
        text = open(english, encoding="utf-8").read()
    text = text.replace("nplurals=INTEGER; plural=EXPRESSION;", "nplurals=2; plural=(n != 1);")
    return text


def c_literal(text):
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif ord(c) < 0x20:
            out.append("\\%03o" % ord(c))
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def compile_catalog(msgfmt, po, scratch, checks=("-c", "--check-accelerators=&")):
    mo = os.path.join(scratch, os.path.basename(po) + ".mo")
    result = subprocess.run([msgfmt, *checks, "-o", mo, po], capture_output=True, text=True)
    if result.returncode != 0 or result.stderr:
        sys.exit(f"{po}: msgfmt -c refuses it:\n{result.stderr}")
    return read_mo(mo)


def cpp_catalog(language, entries, header):
    match = PLURAL_FORMS.search(header)
    if not match:
        sys.exit(f"{language}: no Plural-Forms in its header")
    rule = match.group(2).strip()
    name = "k" + re.sub(r"[^A-Za-z0-9]", "", language.title())
    rows = []
    for (context, msgid), forms in sorted(entries.items()):
        if not any(forms):
            continue
        forms = (forms + [""] * MAX_PLURAL_FORMS)[:MAX_PLURAL_FORMS]
        rows.append(
            "    {%s, %s, {%s}}," % (c_literal(context), c_literal(msgid), ", ".join(map(c_literal, forms)))
        )
    return (
        f"std::size_t {name}Plural([[maybe_unused]] unsigned long n) {{\n"
        f"  return static_cast<std::size_t>({rule});\n}}\n"
        f"constexpr CatalogEntry {name}Entries[] = {{\n" + "\n".join(rows) + "\n};\n",
        f'    {{"{language}", {name}Plural, {name}Entries}},',
    )


def shipped_languages(po_dir):
    linguas = open(os.path.join(po_dir, "LINGUAS"), encoding="utf-8").read()
    return re.sub(r"#.*", "", linguas).split()


def main():
    msgfmt, po_dir, output = sys.argv[1:4]
    languages = shipped_languages(po_dir)
    pot = os.path.join(po_dir, "kr55le-upgrade.pot")
    tables, rows = [], []
    with tempfile.TemporaryDirectory() as scratch:
        for language in languages:
            entries, header = compile_catalog(msgfmt, os.path.join(po_dir, language + ".po"), scratch)
            table, row = cpp_catalog(language, entries, header)
            tables.append(table)
            rows.append(row)
        pseudo_po = os.path.join(scratch, PSEUDO_LANGUAGE + ".po")
        open(pseudo_po, "w", encoding="utf-8").write(pseudo_catalog(msgfmt, pot))
        entries, header = compile_catalog(msgfmt, pseudo_po, scratch, checks=())
        entries = {key: [pseudo(form) for form in forms] for key, forms in entries.items()}
        table, row = cpp_catalog(PSEUDO_LANGUAGE, entries, header)
        tables.append(table)
        rows.append(row)
    source = (
        "// Made by po/make_catalogs.py from po/*.po: change those.\n"
        '#include "res/catalog.h"\n\nnamespace kr55le::i18n {\nnamespace {\n\n'
        + "\n".join(tables)
        + "\nconstexpr Catalog kCatalogs[] = {\n"
        + "\n".join(rows)
        + "\n};\n\n}  // namespace\n\nstd::span<const Catalog> ShippedCatalogs() { return kCatalogs; }\n\n"
        "}  // namespace kr55le::i18n\n"
    )
    previous = open(output, encoding="utf-8").read() if os.path.exists(output) else None
    if previous != source:
        open(output, "w", encoding="utf-8").write(source)


if __name__ == "__main__":
    main()
