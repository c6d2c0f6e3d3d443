"""The command line: options, the output name, the usage and the order in which a
run takes its arguments and sources."""

import os
import unittest

from genzov_harness import GenzovTestCase, listing, message

REQUIRED = b"name = n\nvendor = v\ntype = t\n"
REQUIRED_LISTING = listing([("name", "n"), ("type", "t"), ("vendor", "v")])
REQUIRED_RECORDS = [(b"name", b"n"), (b"type", b"t"), (b"vendor", b"v")]
USAGE = message(101, "genzov")


class OutputOptionTest(GenzovTestCase):

    def test_output_name_from_the_option(self):
        cases = [
            (["-oout"], "out.zov"),
            (["-Oout"], "out.zov"),
            (["/oout"], "out.zov"),
            (["-oout.bin"], "out.bin"),
            (["-oout."], "out."),
            (["-o.hidden"], ".hidden"),
            (["-oa.b.c"], "a.b.c"),
            (["-o"], "kip.zov"),
            ([], "kip.zov"),
            (["-o", "-ob.zov"], "b.zov"),
            (["-o", "-o", "-oc"], "c.zov"),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                result = self.run_genzov(*arguments, stdin=REQUIRED)
                self.assertRun(result, 0, REQUIRED_LISTING)
                self.assertEqual(os.listdir(self.work), [expected])
                self.assertEqual(self.records(expected), REQUIRED_RECORDS)
                os.remove(self.path(expected))

    def test_second_output_name_is_rejected(self):
        for arguments in (["-oa.zov", "-ob.zov"], ["-oa", "/ob"], ["-oa.zov", "-o"], ["-oa", "missing.txt", "-ob"]):
            with self.subTest(arguments=arguments):
                result = self.run_genzov(*arguments, stdin=REQUIRED)
                # The run ends at the second option: no source is opened, nothing is listed.
                self.assertRun(result, 1, message(201) + USAGE)
                self.assertEqual(os.listdir(self.work), [])

    def test_output_name_in_a_separate_argument_is_a_source(self):
        self.write("out.zov", "name = from out.zov\nvendor = v\n")
        self.write("a.txt", "type = from a.txt\n")
        result = self.run_genzov("-o", "out.zov", "a.txt")
        self.assertRun(result, 0, listing([("name", "from out.zov"), ("type", "from a.txt"), ("vendor", "v")]))
        self.assertEqual(self.records("kip.zov"),
                         [(b"name", b"from out.zov"), (b"type", b"from a.txt"), (b"vendor", b"v")])

    def test_output_path_too_long(self):
        # Nothing is read or written: the missing source would otherwise be reported.
        for length in (260, 261, 1000, 5000):
            with self.subTest(length=length):
                path = "p" * (length - 4) + ".zov"
                result = self.run_genzov("-o" + path, "missing.txt", stdin=REQUIRED)
                self.assertRun(result, 1, message(300, path, 36))
                self.assertEqual(os.listdir(self.work), [])

    def test_output_path_too_long_without_extension(self):
        path = "q" * 300
        result = self.run_genzov("-o" + path, stdin=REQUIRED)
        self.assertRun(result, 1, message(300, path, 36))
        self.assertEqual(os.listdir(self.work), [])

    def test_output_path_of_259_characters(self):
        folder = "d" * 120
        os.mkdir(self.path(folder))
        name = "f" * (259 - len(folder) - 1 - 4) + ".zov"
        path = folder + "/" + name
        self.assertEqual(len(path), 259)
        result = self.run_genzov("-o" + path, stdin=REQUIRED)
        self.assertRun(result, 0, REQUIRED_LISTING)
        self.assertEqual(os.listdir(self.path(folder)), [name])
        self.assertEqual(self.records(path), REQUIRED_RECORDS)

    def test_extension_only_where_it_fits(self):
        folder = "e" * 150
        os.mkdir(self.path(folder))
        cases = [
            # Path length without extension -> the file name made.
            (254, True),
            (255, True),   # 259 with ".zov"
            (256, False),  # ".zov" would make 260
            (257, False),
            (259, False),
        ]
        for length, extended in cases:
            with self.subTest(length=length):
                path = folder + "/" + "g" * (length - len(folder) - 1)
                expected = path + ".zov" if extended else path
                result = self.run_genzov("-o" + path, stdin=REQUIRED)
                self.assertRun(result, 0, REQUIRED_LISTING)
                self.assertEqual(os.listdir(self.path(folder)), [os.path.basename(expected)])
                self.assertEqual(self.records(expected), REQUIRED_RECORDS)
                os.remove(self.path(expected))


class UsageTest(GenzovTestCase):

    def test_usage_option(self):
        for arguments in (["-H"], ["-h"], ["/H"], ["/h"], ["-help"], ["-hq"], ["missing.txt", "-h"],
                          ["-h", "-q"], ["-h", "-sd"], ["-oout", "-h"]):
            with self.subTest(arguments=arguments):
                result = self.run_genzov(*arguments, stdin=REQUIRED)
                self.assertRun(result, 1, USAGE)
                self.assertEqual(os.listdir(self.work), [])

    def test_unrecognised_option(self):
        for argument in ("-", "/", "-S", "/s", "-Sx", "-s-", "-q", "-x", "/x", "--help", "-1", "-Ws", "-\u00e9"):
            with self.subTest(argument=argument):
                result = self.run_genzov(argument, stdin=REQUIRED)
                self.assertRun(result, 1, message(200, argument) + USAGE)
                self.assertEqual(os.listdir(self.work), [])

    def test_first_ending_option_decides(self):
        cases = [
            (["missing.txt", "-q"], message(200, "-q") + USAGE),
            (["-q", "-h"], message(200, "-q") + USAGE),
            (["-q", "-r"], message(200, "-q") + USAGE),
            (["-oa", "-q", "-ob"], message(200, "-q") + USAGE),
            (["-oa", "-ob", "-q"], message(201) + USAGE),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                result = self.run_genzov(*arguments, stdin=REQUIRED)
                self.assertRun(result, 1, expected)
                self.assertEqual(os.listdir(self.work), [])

    def test_usage_names_the_invoked_file_name(self):
        cases = [
            ("genzov", "genzov"),
            ("tools/zov-maker", "zov-maker"),
            ("/opt/bin/gz", "gz"),
            ("C:\\tools\\GENZOV.EXE", "GENZOV.EXE"),
        ]
        for invocation, shown in cases:
            with self.subTest(invocation=invocation):
                result = self.run_genzov("-h", argv0=invocation)
                self.assertRun(result, 1, message(101, shown))

    def test_string_table_commands_end_the_run(self):
        dump = self.run_genzov("-sd")
        self.assertRun(dump, 0)
        self.assertTrue(dump.stdout.startswith(b"0011\t6\t"), dump.stdout[:40])
        for arguments in (["-SD"], ["/sd"], ["-sdx"], ["missing.txt", "-sd"], ["-sd", "-q"], ["-sd", "missing.txt"],
                          ["-oout", "-sd"]):
            with self.subTest(arguments=arguments):
                result = self.run_genzov(*arguments, stdin=REQUIRED)
                self.assertRun(result, 0, dump.stdout)
                self.assertEqual(os.listdir(self.work), [])


class SourceListTest(GenzovTestCase):

    def test_no_arguments_reads_standard_input(self):
        result = self.run_genzov(stdin=REQUIRED)
        self.assertRun(result, 0, REQUIRED_LISTING)
        self.assertEqual(self.records(), REQUIRED_RECORDS)

    def test_sources_are_read_in_order(self):
        self.write("a.txt", "name = first\nvendor = a\n")
        self.write("b.txt", "name = second\ntype = b\n")
        # Standard input is not read once a source is named.
        result = self.run_genzov("a.txt", "b.txt", stdin="extra = never\n")
        self.assertRun(result, 0, listing([("name", "second"), ("type", "b"), ("vendor", "a")]))
        self.assertEqual(self.records(), [(b"name", b"second"), (b"type", b"b"), (b"vendor", b"a")])

    def test_source_named_twice(self):
        self.write("a.txt", REQUIRED + b"extra = 1\n")
        once = self.run_genzov("a.txt")
        self.assertRun(once, 0)
        first = self.read("kip.zov")
        twice = self.run_genzov("a.txt", "a.txt")
        self.assertRun(twice, 0, once.stdout)
        self.assertEqual(self.read("kip.zov"), first)

    def test_missing_source_ends_the_run(self):
        self.write("a.txt", REQUIRED)
        # b.txt is missing too; only the first missing source is reported.
        result = self.run_genzov("a.txt", "missing.txt", "b.txt")
        self.assertRun(result, 1, message(302, "missing.txt", 0))
        self.assertEqual(os.listdir(self.work), ["a.txt"])

    def test_sources_that_cannot_be_opened(self):
        os.mkdir(self.path("folder"))
        os.mkdir(self.path("folder", "inner"))
        for name in ("", "missing.txt", "folder", "folder/", "folder/inner", ".", "..", "folder/none.txt",
                     "a.txt/sub"):
            with self.subTest(name=name):
                self.write("a.txt", REQUIRED)
                result = self.run_genzov(name)
                self.assertRun(result, 1, message(302, name, 0))
                self.assertFalse(os.path.exists(self.path("kip.zov")))

    def test_source_beginning_with_a_slash_is_an_option(self):
        full = self.write("a.txt", REQUIRED)
        result = self.run_genzov(full)
        self.assertRun(result, 1, message(200, full) + USAGE)
        self.assertFalse(os.path.exists(self.path("kip.zov")))

    def test_no_property_at_all(self):
        cases = [
            ("empty standard input", [], b""),
            ("comments only", ["c.txt"], b"# one\n\n   \n# name = x\n"),
            ("lines without a property", ["c.txt"], b"name\n=x\nvendor =\n"),
        ]
        for label, arguments, content in cases:
            with self.subTest(label):
                self.write("c.txt", content)
                result = self.run_genzov(*arguments, stdin=content)
                self.assertRun(result, 1, message(501))
                self.assertFalse(os.path.exists(self.path("kip.zov")))

    def test_required_keys(self):
        cases = [
            ("no vendor", b"name = n\ntype = t\n", [("name", "n"), ("type", "t")]),
            ("no name", b"vendor = v\ntype = t\n", [("type", "t"), ("vendor", "v")]),
            ("no type", b"name = n\nvendor = v\n", [("name", "n"), ("vendor", "v")]),
            ("other letter case", b"Name = n\nVENDOR = v\nType = t\n", [("Name", "n"), ("Type", "t"), ("VENDOR", "v")]),
            ("blanks inside the key", b"na me = n\nvendor = v\ntype = t\n",
             [("na me", "n"), ("type", "t"), ("vendor", "v")]),
            ("only other keys", b"x = 1\n", [("x", "1")]),
        ]
        for label, content, shown in cases:
            with self.subTest(label):
                result = self.run_genzov(stdin=content)
                # The listing comes before the check.
                self.assertRun(result, 1, listing(shown) + message(500))
                self.assertFalse(os.path.exists(self.path("kip.zov")))


if __name__ == "__main__":
    unittest.main()
