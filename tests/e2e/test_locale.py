"""Catalog texts in a locale whose codeset is not UTF-8.

The string table is delivered in the locale's codeset: under a legacy Japanese
locale (EUC-JP here) the texts are converted, the dump prints in that codeset and
the load reads it. Property bytes are never converted. The locale is compiled
into the test's own folder with localedef; the test is skipped where that cannot
be done.
"""

import os
import shutil
import subprocess
import unittest

from genzov_harness import GenzovTestCase, SOURCE_DIR

LOCALE = "ja_JP.EUC-JP"


class LegacyLocaleTest(GenzovTestCase):
    def setUp(self):
        super().setUp()
        if shutil.which("localedef") is None:
            self.skipTest("localedef is not installed")
        self.locales = os.path.join(self.root, "locales")
        os.mkdir(self.locales)
        made = subprocess.run(["localedef", "-i", "ja_JP", "-f", "EUC-JP", os.path.join(self.locales, LOCALE)],
                              capture_output=True)
        if not os.path.isdir(os.path.join(self.locales, LOCALE)):
            self.skipTest("cannot compile %s: %s" % (LOCALE, made.stderr.decode(errors="replace")))
        # glibc keeps a few bytes for a LOCPATH locale that it never frees: that is
        # not the program's leak.
        asan = os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
        self.env = {"LOCPATH": self.locales, "LC_ALL": LOCALE, "ASAN_OPTIONS": asan}

    def test_messages_are_printed_in_the_locale_codeset(self):
        result = self.run_genzov("-q", env=self.env)
        expected = "Zov -qなんてオプション知らないよ\n 使い方は「genzov [-oOutputFile] [SourceFiles ...]」だよ\n"
        self.assertRun(result, 1, expected.encode("euc_jp"))

    def test_dump_prints_the_table_in_the_locale_codeset(self):
        with open(os.path.join(SOURCE_DIR, "resources", "strings.ja.txt"), encoding="utf-8") as f:
            table = f.read()
        self.assertRun(self.run_genzov("-SD", env=self.env), 0, table.encode("euc_jp"))

    def test_load_reads_the_locale_codeset(self):
        line = "0011\t6\t200\tZov テスト %s\\n\n".encode("euc_jp")
        self.assertRun(self.run_genzov("-SW", stdin=line, env=self.env), 0, b"")
        self.assertEqual(self.run_genzov("-x", env=self.env).stdout.split(b"\n")[0], "Zov テスト -x".encode("euc_jp"))
        # The same text, read back under UTF-8.
        self.assertEqual(self.run_genzov("-x").stdout.split(b"\n")[0], "Zov テスト -x".encode())

    def test_property_bytes_are_not_converted(self):
        source = "name = 名前\nvendor = v\ntype = t\n".encode()
        self.write("a.txt", source)
        result = self.run_genzov("a.txt", env=self.env)
        self.assertRun(result, 0, "name = 名前\ntype = t\nvendor = v\n".encode())
        self.assertEqual(self.records()[0], (b"name", "名前".encode()))


if __name__ == "__main__":
    unittest.main()
