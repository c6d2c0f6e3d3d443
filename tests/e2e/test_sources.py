"""Property sources: the line format, text-mode reading, long lines, byte order of
the keys, the byte-order mark and read errors."""

import os
import unittest

from genzov_harness import GenzovTestCase, listing, message

REQUIRED = b"name = n\nvendor = v\ntype = t\n"
BOM = b"\xef\xbb\xbf"


class LineFormatTest(GenzovTestCase):

    def assertProperties(self, result, expected):
        """A completed run whose listing and container hold the required keys and
        the expected ones, in unsigned byte order of the keys."""
        merged = {b"name": b"n", b"vendor": b"v", b"type": b"t"}
        merged.update(expected)
        ordered = sorted(merged.items())
        self.assertRun(result, 0, listing(ordered))
        self.assertEqual(self.records(), ordered)

    def run_source(self, content):
        """Reads the required keys from one source, then content from a second."""
        self.write("required.txt", REQUIRED)
        self.write("source.txt", content)
        return self.run_genzov("required.txt", "source.txt")

    def test_lines(self):
        cases = [
            ("plain", b"k=abc\n", {b"k": b"abc"}),
            ("spaces around '='", b"k = abc\n", {b"k": b"abc"}),
            ("blanks around key and value", b" \t k \t = \t abc \t \n", {b"k": b"abc"}),
            ("inner blanks kept", b"k = a  \t b\n", {b"k": b"a  \t b"}),
            ("blanks inside the key", b"my key = v\n", {b"my key": b"v"}),
            ("'=' in the value", b"p = q = r\n", {b"p": b"q = r"}),
            ("value of '=' only", b"p = =\n", {b"p": b"="}),
            ("comment leaves an empty value", b"color = #ff0000\n", {}),
            ("comment line", b"# k = v\n  # x = y\n", {}),
            ("comment after the value", b"k = x # note\n", {b"k": b"x"}),
            ("'#' in the key", b"a#b = c\n", {}),
            ("skipped lines", b"=x\nx=\nx= \t \nx\n \t = \t \n\n", {}),
            ("later line wins", b"k = one\nk = two\n", {b"k": b"two"}),
            ("empty value does not clear", b"k = one\nk =\n", {b"k": b"one"}),
            ("last line without a line feed", b"k = end", {b"k": b"end"}),
            ("form feed and vertical tab are not blanks", b"\x0bk = v\x0c\n", {b"\x0bk": b"v\x0c"}),
            ("NUL ends the text", b"k = v\0tail\nz\0 = w\n", {b"k": b"v"}),
            ("required keys replaced", b"name = other\n", {b"name": b"other"}),
            ("bytes from 0x80", "キー = 値 ＝ 日本\n".encode(),
             {"キー".encode(): "値 ＝ 日本".encode()}),
            ("code page 932 bytes", b"\x95\x5c = \x83\x5c\x83\x67\n", {b"\x95\x5c": b"\x83\x5c\x83\x67"}),
            ("empty source", b"", {}),
        ]
        for label, content, expected in cases:
            with self.subTest(label):
                self.assertProperties(self.run_source(content), expected)

    def test_text_mode(self):
        cases = [
            ("CR LF line ends", b"a = 1\r\nb = 2\r\n", {b"a": b"1", b"b": b"2"}),
            ("CR LF after trailing blanks", b"a = 1 \t\r\n", {b"a": b"1"}),
            ("lone CR kept", b"a = x\ry\nb = 2\n", {b"a": b"x\ry", b"b": b"2"}),
            ("lone CR at the end of a value", b"a = x\r \nb = 2\n", {b"a": b"x\r", b"b": b"2"}),
            ("CR at the end of the file", b"a = x\r", {b"a": b"x\r"}),
            ("CR CR LF", b"a = x\r\r\n", {b"a": b"x\r"}),
            ("Ctrl-Z ends the stream", b"a = 1\nb = 2\x1a\nc = 3\n", {b"a": b"1", b"b": b"2"}),
            ("Ctrl-Z inside a value", b"a = 1\x1a2\nc = 3\n", {b"a": b"1"}),
            ("Ctrl-Z first", b"\x1aa = 1\n", {}),
            ("CR before Ctrl-Z", b"a = 1\r\x1ab = 2\n", {b"a": b"1\r"}),
        ]
        for label, content, expected in cases:
            with self.subTest(label):
                self.assertProperties(self.run_source(content), expected)

    def test_standard_input_in_text_mode(self):
        content = REQUIRED.replace(b"\n", b"\r\n") + b"a = x\ry\r\nb = 2\x1a\nc = 3\n"
        self.assertProperties(self.run_genzov(stdin=content), {b"a": b"x\ry", b"b": b"2"})

    def test_long_lines(self):
        v = b"v"
        cases = [
            ("value cut, rest skipped", b"k=" + v * 1030 + b"\n", {b"k": v * 1021}),
            ("line of exactly 1023 bytes", b"k=" + v * 1021 + b"\nm = n\n", {b"k": v * 1021, b"m": b"n"}),
            ("1023 bytes and CR LF", b"k=" + v * 1021 + b"\r\nm = n\n", {b"k": v * 1021, b"m": b"n"}),
            ("1022 bytes and CR LF", b"k=" + v * 1020 + b"\r\nm = n\n", {b"k": v * 1020, b"m": b"n"}),
            ("second part holds its own property", b"k=" + v * 1021 + b"z = w\n", {b"k": v * 1021, b"z": b"w"}),
            ("'=' only in the second part", b"x" * 1023 + b"a=b\n", {b"a": b"b"}),
            ("'#' cuts only its part", b"k=" + v * 1020 + b"#c = d\n", {b"k": v * 1020, b"c": b"d"}),
            ("three parts", b"k=" + v * 1021 + b"y" * 1023 + b"p = q\n", {b"k": v * 1021, b"p": b"q"}),
            ("blanks at the cut", b"k = " + b" " * 1019 + b"value\n", {}),
        ]
        for label, content, expected in cases:
            with self.subTest(label):
                self.assertProperties(self.run_source(content), expected)

    def test_key_order(self):
        content = b"".join(b"%s = %s\n" % (key, key.upper() or key) for key in
                           [b"b", b"ab", b"_x", b"\x80k", b"name", b"a", b"Name", b"~", b"1", b"B", b"\xe3\x81\x82",
                            b"type", b"vendor", b"aa", b"a0", b"A"])
        result = self.run_genzov(stdin=content)
        expected = [(b"1", b"1"), (b"A", b"A"), (b"B", b"B"), (b"Name", b"NAME"), (b"_x", b"_X"), (b"a", b"A"),
                    (b"a0", b"A0"), (b"aa", b"AA"), (b"ab", b"AB"), (b"b", b"B"), (b"name", b"NAME"),
                    (b"type", b"TYPE"), (b"vendor", b"VENDOR"), (b"~", b"~"), (b"\x80k", b"\x80K"),
                    (b"\xe3\x81\x82", b"\xe3\x81\x82")]
        self.assertRun(result, 0, listing(expected))
        self.assertEqual(self.records(), expected)

    def test_byte_order_mark(self):
        cases = [
            ("at the start", BOM + b"k = v\n", {b"k": b"v"}),
            ("before blanks", BOM + b" \tk = v\n", {b"k": b"v"}),
            ("alone", BOM, {}),
            ("on a later line", b"a = 1\n" + BOM + b"k = v\n", {b"a": b"1", BOM + b"k": b"v"}),
            ("twice", BOM + BOM + b"k = v\n", {BOM + b"k": b"v"}),
            ("part of a mark", b"\xef\xbbk = v\n", {b"\xef\xbbk": b"v"}),
            ("with CR LF", BOM + b"k = v\r\n", {b"k": b"v"}),
        ]
        for label, content, expected in cases:
            with self.subTest(label):
                self.assertProperties(self.run_source(content), expected)

    def test_byte_order_mark_of_every_source(self):
        self.write("a.txt", BOM + b"name = n\n")
        self.write("b.txt", BOM + b"vendor = v\n")
        self.write("c.txt", BOM + b"type = t\n")
        result = self.run_genzov("a.txt", "b.txt", "c.txt")
        self.assertRun(result, 0, listing([("name", "n"), ("type", "t"), ("vendor", "v")]))

    def test_byte_order_mark_on_standard_input(self):
        result = self.run_genzov(stdin=BOM + REQUIRED)
        self.assertRun(result, 0, listing([("name", "n"), ("type", "t"), ("vendor", "v")]))


class ReadErrorTest(GenzovTestCase):

    def test_read_error_on_standard_input(self):
        folder = os.path.join(self.root, "folder")
        os.mkdir(folder)
        descriptor = os.open(folder, os.O_RDONLY)
        try:
            result = self.run_genzov(stdin=descriptor)
        finally:
            os.close(descriptor)
        self.assertRun(result, 1, message(303, "-"))
        self.assertEqual(os.listdir(self.work), [])

    def test_read_error_on_standard_input_with_an_output_name(self):
        folder = os.path.join(self.root, "folder")
        os.mkdir(folder)
        descriptor = os.open(folder, os.O_RDONLY)
        try:
            result = self.run_genzov("-oout", stdin=descriptor)
        finally:
            os.close(descriptor)
        self.assertRun(result, 1, message(303, "-"))
        self.assertEqual(os.listdir(self.work), [])

    def test_read_error_in_a_named_source(self):
        # Reading the process's own memory at offset 0 fails with EIO after a
        # successful open.
        if not os.path.exists("/proc/self/mem"):
            self.skipTest("no /proc")
        self.write("a.txt", REQUIRED)
        os.symlink("/proc/self/mem", self.path("mem"))
        result = self.run_genzov("a.txt", "mem", "missing.txt")
        # Nothing is listed, the later source is never opened, nothing is written.
        self.assertRun(result, 1, message(303, "mem"))
        self.assertEqual(sorted(os.listdir(self.work)), ["a.txt", "mem"])


if __name__ == "__main__":
    unittest.main()
