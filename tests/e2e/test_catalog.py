"""Message texts from the override file beside the program: which lines count, how
their texts are decoded, and that no text can upset the arguments of a message."""

import os
import unittest

from genzov_harness import GenzovTestCase, listing, message

REQUIRED = b"name = n\nvendor = v\ntype = t\n"
REQUIRED_LISTING = listing([("name", "n"), ("type", "t"), ("vendor", "v")])
USAGE = message(101, "genzov")


def line(number, text, language="0011", kind="6"):
    """One catalog line of the override file; text is given already escaped."""
    if isinstance(text, str):
        text = text.encode()
    return b"%s\t%s\t%d\t%s\n" % (language.encode(), kind.encode(), number, text)


class OverrideTest(GenzovTestCase):

    def second_output(self):
        """A run that prints message 201, then the usage."""
        return self.run_genzov("-oa", "-ob")

    def test_without_an_override_file(self):
        self.assertRun(self.second_output(), 1, message(201) + USAGE)

    def test_override_line_wins(self):
        self.write_override(line(201, "only one, please\\n"))
        self.assertRun(self.second_output(), 1, b"only one, please\n" + USAGE)

    def test_first_of_two_lines_wins(self):
        self.write_override(line(201, "first\\n") + line(201, "second\\n"))
        self.assertRun(self.second_output(), 1, b"first\n" + USAGE)

    def test_override_for_each_message_of_a_run(self):
        self.write_override(line(200, "unknown [%s]\\n") + line(101, "usage of %s\\n"))
        result = self.run_genzov("-q")
        self.assertRun(result, 1, b"unknown [-q]\nusage of genzov\n")

    def test_override_texts_with_arguments(self):
        cases = [
            (302, "missing %s (%d)\\n", ["missing.txt"], b"", b"missing missing.txt (0)\n"),
            (302, "%-12s|%3d|\\n", ["missing.txt"], b"", b"missing.txt |  0|\n"),
            (501, "nothing here\\n", [], b"", b"nothing here\n"),
            (500, "needs name, vendor, type\\n", [], b"name = n\n",
             listing([("name", "n")]) + b"needs name, vendor, type\n"),
            (200, "%s at 100%%\\n", ["-q"], b"", b"-q at 100%\n" + USAGE),
            (200, "[%5s]\\n", ["-q"], b"", b"[   -q]\n" + USAGE),
            (101, "%s?\\n", ["-h"], b"", b"genzov?\n"),
        ]
        for number, text, arguments, stdin, expected in cases:
            with self.subTest(number=number, text=text):
                self.write_override(line(number, text))
                self.assertRun(self.run_genzov(*arguments, stdin=stdin), 1, expected)

    def test_message_of_a_failed_output(self):
        os.mkdir(self.path("kip.zov"))
        self.write_override(line(300, "cannot open %s, code %d\\n"))
        result = self.run_genzov(stdin=REQUIRED)
        self.assertRun(result, 1, REQUIRED_LISTING + b"cannot open kip.zov, code 21\n")

    def test_lines_that_are_skipped(self):
        bad = b"bad\\n"
        cases = [
            ("language 0012", line(201, bad, language="0012")),
            ("language 0411", line(201, bad, language="0411")),
            ("type 7", line(201, bad, kind="7")),
            ("type 16", line(201, bad, kind="16")),
            ("other id", line(2010, bad)),
            ("blank before the first TAB", b"0011 \t6\t201\tbad\\n\n"),
            ("blank before the second TAB", b"0011\t6 \t201\tbad\\n\n"),
            ("blank before the third TAB", b"0011\t6\t201 \tbad\\n\n"),
            ("two TABs", b"0011\t6\t201\n"),
            ("text after the id without a TAB", b"0011\t6\t201bad\\n\n"),
            ("spaces for TABs", b"0011 6 201 bad\\n\n"),
            ("empty language", b"\t6\t201\tbad\\n\n"),
            ("blank line", b"\n"),
            ("remark", b"; a remark\n"),
        ]
        for label, skipped in cases:
            with self.subTest(label):
                self.write_override(skipped + line(201, "good\\n"))
                self.assertRun(self.second_output(), 1, b"good\n" + USAGE)

    def test_number_forms_that_match(self):
        cases = [
            ("language 11", line(201, "x\\n", language="11")),
            ("language 0x11", line(201, "x\\n", language="0x11")),
            ("language 0X0011", line(201, "x\\n", language="0X0011")),
            ("type with a sign", line(201, "x\\n", kind="+6")),
            ("type whose low 16 bits are 6", line(201, "x\\n", kind="65542")),
            ("id with a leading zero", b"0011\t6\t0201\tx\\n\n"),
            ("blanks after the TABs", b" 0011\t 6\t 201\tx\\n\n"),
            # A TAB is white space too, skipped before a number like a space.
            ("two TABs before a number", b"0011\t\t6\t201\tx\\n\n"),
        ]
        for label, matching in cases:
            with self.subTest(label):
                self.write_override(matching)
                self.assertRun(self.second_output(), 1, b"x\n" + USAGE)

    def test_text_decoding(self):
        cases = [
            ("two newlines in a row", b"a\\n\\nb\\n", b"a\n\nb\n"),
            ("backslash and another letter", b"a\\tb\\x\\N\\n", b"a\\tb\\x\\N\n"),
            ("backslash before a backslash-n", b"c:\\\\n\\n", b"c:\\\n\n"),
            ("backslash-n inside a word", b"dir\\new", b"dir\new"),
            ("backslash at the end", b"end\\", b"end\\"),
            ("TAB inside the text", b"a\tb\t\\n", b"a\tb\t\n"),
            ("no newline", b"no newline", b"no newline"),
            ("bytes from 0x80", "日本語\\n".encode(), "日本語\n".encode()),
            ("trailing blanks kept", b"x  \\n  ", b"x  \n  "),
        ]
        for label, text, shown in cases:
            with self.subTest(label):
                self.write_override(line(201, text))
                self.assertRun(self.second_output(), 1, shown + USAGE)

    def test_empty_text_prints_nothing(self):
        self.write_override(line(201, b"") + line(201, "later\\n"))
        self.assertRun(self.second_output(), 1, USAGE)

    def test_crlf_override_file(self):
        self.write_override(line(200, "crlf %s\\n").replace(b"\n", b"\r\n") + line(101, "u\\n").replace(b"\n", b"\r\n"))
        self.assertRun(self.run_genzov("-q"), 1, b"crlf -q\nu\n")

    def test_long_override_line(self):
        # The first 2047 bytes form one line, the rest further lines.
        text = b"A" * 3000
        self.write_override(line(201, text))
        self.assertRun(self.second_output(), 1, b"A" * (2047 - len(b"0011\t6\t201\t")) + USAGE)

    def test_rest_of_a_long_line_is_a_line_of_its_own(self):
        self.write_override(b"x" * 2047 + line(201, "from the rest\\n"))
        self.assertRun(self.second_output(), 1, b"from the rest\n" + USAGE)

    def test_line_of_2047_bytes(self):
        prefix = b"0011\t6\t201\t"
        text = b"B" * (2046 - len(prefix))
        self.write_override(prefix + text + b"\n" + line(201, "next\\n"))
        self.assertRun(self.second_output(), 1, text + USAGE)

    def test_override_path_that_is_a_directory(self):
        os.mkdir(self.program + ".rc")
        self.assertRun(self.second_output(), 1, message(201) + USAGE)

    def test_override_file_is_read_for_every_run(self):
        self.write_override(line(201, "one\\n"))
        self.assertRun(self.second_output(), 1, b"one\n" + USAGE)
        self.write_override(line(201, "two\\n"))
        self.assertRun(self.second_output(), 1, b"two\n" + USAGE)
        os.remove(self.program + ".rc")
        self.assertRun(self.second_output(), 1, message(201) + USAGE)


class UnsafeOverrideTest(GenzovTestCase):
    """Texts whose conversions do not fit the message's arguments: the built-in
    text is printed instead."""

    UNFIT = ["%n", "%s%s%s%s", "%*d", "%f", "%ld", "%", "50%", "%p", "%c", "%d %s", "%s%n", "%.*s", "%hs",
             "%1$s", "%lls", "%S", "%ls", "%zd", "%hhn"]

    def test_message_with_a_text_argument(self):
        for text in self.UNFIT:
            with self.subTest(text=text):
                self.write_override(line(200, text) + line(101, text))
                self.assertRun(self.run_genzov("-q"), 1, message(200, "-q") + USAGE)

    def test_message_with_a_text_and_a_number(self):
        for text in self.UNFIT + ["%s %d %d", "%s %s", "%d", "%s %f", "%s %ld", "%s %n", "%s %", "%s %lld"]:
            with self.subTest(text=text):
                self.write_override(line(302, text))
                self.assertRun(self.run_genzov("missing.txt"), 1, message(302, "missing.txt", 0))

    def test_messages_without_arguments(self):
        for text in ["%s", "%d", "%n", "%", "%f", "%s%s%s%s%s%s%s%s"]:
            with self.subTest(text=text):
                self.write_override(line(201, text) + line(501, text) + line(500, text))
                self.assertRun(self.second_output(), 1, message(201) + message(101, "genzov"))
                self.assertRun(self.run_genzov(stdin=b""), 1, message(501))
                self.assertRun(self.run_genzov(stdin=b"x = 1\n"), 1, listing([("x", "1")]) + message(500))

    def second_output(self):
        return self.run_genzov("-oa", "-ob")

    def test_output_messages(self):
        os.mkdir(self.path("kip.zov"))
        self.write_override(line(300, "%s%n%s") + line(301, "%s %s %s"))
        self.assertRun(self.run_genzov(stdin=REQUIRED), 1, REQUIRED_LISTING + message(300, "kip.zov", 21))
        os.rmdir(self.path("kip.zov"))
        result = self.run_genzov(stdin=REQUIRED, failio={"FAILIO_WRITE": 1})
        self.assertRun(result, 1, REQUIRED_LISTING + message(301, "kip.zov", 28))
        too_long = "z" * 300
        self.assertRun(self.run_genzov("-o" + too_long), 1, message(300, too_long, 36))


if __name__ == "__main__":
    unittest.main()
