#!/usr/bin/env python3
"""The catalogs keep step with the string table: every text has its msgid, every msgid its text,
and every shipped language translates each one, with a glossary beside it.

usage: catalogs_test.py MSGFMT (the po/ folder is found from this file)"""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PO = os.path.join(ROOT, "po")
sys.path.insert(0, PO)
import make_catalogs  # noqa: E402

MSGFMT = "msgfmt"


def keys_of(po, scratch):
    """The (context, msgid) of each entry msgfmt keeps: translated and not fuzzy."""
    entries, _ = make_catalogs.compile_catalog(MSGFMT, po, scratch, checks=())
    return set(entries)


class Catalogs(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp()
        self.languages = make_catalogs.shipped_languages(PO)

    def test_template_is_made_from_the_string_table(self):
        made = subprocess.run(
            [sys.executable, os.path.join(PO, "make_pot.py")], capture_output=True, text=True,
            check=True,
        ).stdout
        kept = open(os.path.join(PO, "kr55le-upgrade.pot"), encoding="utf-8").read()
        self.assertEqual(made, kept, "res/strings.h changed: run po/make_pot.py > po/kr55le-upgrade.pot")

    def test_each_language_translates_exactly_the_templates_texts(self):
        english = os.path.join(self.scratch, "en.po")
        open(english, "w", encoding="utf-8").write(
            make_catalogs.pseudo_catalog(MSGFMT, os.path.join(PO, "kr55le-upgrade.pot"))
        )
        template = keys_of(english, self.scratch)
        self.assertGreater(len(template), 100)
        for language in self.languages:
            with self.subTest(language=language):
                found = keys_of(os.path.join(PO, language + ".po"), self.scratch)
                self.assertEqual(sorted(template - found), [], "untranslated, fuzzy or missing")
                self.assertEqual(sorted(found - template), [], "no longer in the string table")

    def test_linguas_names_every_catalog_and_its_glossary(self):
        catalogs = sorted(name[:-3] for name in os.listdir(PO) if name.endswith(".po"))
        self.assertEqual(sorted(self.languages), catalogs)
        for language in self.languages:
            self.assertTrue(os.path.isfile(os.path.join(PO, f"glossary-{language}.md")), language)


if __name__ == "__main__":
    MSGFMT = sys.argv.pop(1) if len(sys.argv) > 1 else MSGFMT
    unittest.main()
