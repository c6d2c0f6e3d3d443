"""End-to-end tests of the string-table commands: -SD prints the program's own
string table as catalog lines, -SW replaces it with catalog lines read from
standard input, rewriting the program file in place."""

import errno
import os
import shutil
import signal
import stat
import subprocess
import time
import unittest

from genzov_harness import BANNER, GENZOV, SOURCE_DIR, GenzovTestCase


def resource_text(name):
    with open(os.path.join(SOURCE_DIR, "resources", name), "rb") as f:
        return f.read()


JAPANESE = resource_text("strings.ja.txt")
ENGLISH = resource_text("strings.en.txt")

USAGE = " 使い方は「genzov [-oOutputFile] [SourceFiles ...]」だよ\n"
ENGLISH_USAGE = " Usage: genzov [-oOutputFile] [SourceFiles ...]\n"


def encode(text):
    return text.encode() if isinstance(text, str) else text


def catalog_line(message_id, text):
    """One catalog line as the dump writes it (text given already escaped)."""
    return b"0011\t6\t%d\t%s\n" % (message_id, encode(text))


def catalog(*lines):
    """Input lines (bytes or text), each ended with a newline."""
    return b"".join(encode(line) + b"\n" for line in lines)


def environment():
    """What the harness gives every run, for runs it cannot start itself."""
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C.UTF-8"}
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
        if name in os.environ:
            env[name] = os.environ[name]
    return env


class StringTableTestCase(GenzovTestCase):

    def setUp(self):
        super().setUp()
        with open(self.program, "rb") as f:
            self.original = f.read()
        # The program names itself by its resolved path in its messages.
        self.program_path = os.path.realpath(self.program)

    def program_bytes(self):
        with open(self.program, "rb") as f:
            return f.read()

    def dump(self, program=None):
        result = self.run_genzov("-SD", program=program)
        self.assertRun(result, 0)
        return result.stdout

    def load(self, data, program=None, stdout=b""):
        """Runs -SW with the data and checks that it succeeds and leaves no stray
        file beside the program."""
        folder = os.path.dirname(program or self.program)
        before = sorted(os.listdir(folder))
        self.assertRun(self.run_genzov("-SW", stdin=data, program=program), 0, stdout)
        self.assertEqual(sorted(os.listdir(folder)), before, "files beside the program")

    def assertBinHolds(self, *names):
        self.assertEqual(sorted(os.listdir(self.bin)), sorted(names), "files in the program's folder")

    def assertProgramUntouched(self):
        """The program file is the original, byte for byte, and still runs."""
        self.assertEqual(self.program_bytes(), self.original, "program file changed")
        self.assertEqual(self.dump(), JAPANESE)


class DumpTest(StringTableTestCase):

    def test_dump_prints_the_built_in_table(self):
        self.assertRun(self.run_genzov("-SD"), 0, JAPANESE)

    def test_dump_option_spellings(self):
        cases = [
            ["-SD"], ["-sd"], ["-Sd"], ["/SD"], ["/sd"], ["-sdx"], ["-SD-whatever"],
            # Arguments after the command are never examined, sources before it never opened.
            ["missing.txt", "-sd"],
            ["-sd", "-q"],
            ["-SD", "-SW"],
        ]
        for args in cases:
            with self.subTest(args=args):
                self.assertRun(self.run_genzov(*args), 0, JAPANESE)
        self.assertEqual(self.program_bytes(), self.original)

    def test_other_s_options_are_rejected(self):
        for argument in ["-S", "-s", "/S", "-Sx", "-sq", "-S-", "-S "]:
            with self.subTest(argument=argument):
                self.assertRun(self.run_genzov(argument, stdin=catalog_line(200, "loaded")), 1,
                               "Zov %sなんてオプション知らないよ\n%s" % (argument, USAGE))
        self.assertProgramUntouched()

    def test_override_file_changes_messages_but_not_the_dump(self):
        self.write_override(ENGLISH)
        self.assertRun(self.run_genzov("-q"), 1, "Zov unknown option -q\n" + ENGLISH_USAGE)
        self.assertRun(self.run_genzov("-SD"), 0, JAPANESE)

    def test_stripped_program_keeps_its_resources(self):
        strip = shutil.which("strip")
        if strip is None:
            self.skipTest("strip is not installed")
        subprocess.run([strip, self.program], check=True, capture_output=True)
        self.assertNotEqual(self.program_bytes(), self.original, "strip changed nothing")
        self.assertRun(self.run_genzov("-SD"), 0, JAPANESE)
        self.assertRun(self.run_genzov("-q"), 1, "Zov -qなんてオプション知らないよ\n" + USAGE)


class LoadTest(StringTableTestCase):

    def test_load_replaces_the_whole_table(self):
        # Out of order on input, ascending in the dump; every old text is gone.
        self.load(catalog("0011\t6\t605\tlast\\n", "0011\t6\t100\tfirst", "0011\t6\t300\tmiddle %s %d\\n"))
        self.assertEqual(self.dump(), catalog_line(100, "first") + catalog_line(300, "middle %s %d\\n")
                         + catalog_line(605, "last\\n"))
        # A message that is no longer in the table falls back to the failure text.
        self.assertRun(self.run_genzov("-q"), 1,
                       "string resource(200) load Failure(2)string resource(101) load Failure(2)")

    def test_load_option_spellings(self):
        for number, args in enumerate([["-SW"], ["-sw"], ["/Sw"], ["-swx"], ["missing.txt", "-sw"],
                                       ["-sw", "-q"]]):
            with self.subTest(args=args):
                text = "text %d" % number
                self.assertRun(self.run_genzov(*args, stdin=catalog_line(201, text)), 0, b"")
                self.assertEqual(self.dump(), catalog_line(201, text))
        self.assertBinHolds("genzov")

    def test_which_lines_are_taken(self):
        taken = [
            "0011\t6\t202\tX",
            "11\t6\t202\tX",
            "0x11\t6\t202\tX",
            "0X11\t6\t202\tX",
            "+11\t6\t202\tX",
            " 0011\t6\t202\tX",
            "0011\t65542\t202\tX",
            "0011\t-65530\t202\tX",
            "0011\t 6\t202\tX",
            "0011\t\t6\t202\tX",
            "0011\t6\t 202\tX",
            "0011\t6\t+202\tX",
            "0011\t6\t00202\tX",
        ]
        skipped = [
            "",
            "# 0011\t6\t202\tX",
            "17\t6\t202\tX",
            "0012\t6\t202\tX",
            "\t6\t202\tX",
            "0011 \t6\t202\tX",
            "0011\t7\t202\tX",
            "0011\t6 \t202\tX",
            "0011\t6\t202 \tX",
            "0011\t6\t0\tX",
            "0011\t6\tabc\tX",
            "0011\t6\t202",
            "0011\t6\t202X",
            "0011 6 202 X",
        ]
        for line, expected in [(line, catalog_line(202, "X")) for line in taken] + [(line, b"") for line in skipped]:
            with self.subTest(line=line):
                # A known line around the one under test shows that neither disturbs the other.
                self.load(catalog("0011\t6\t201\tkeep", line, "0011\t6\t203\tkeep too"))
                self.assertEqual(self.dump(), catalog_line(201, "keep") + expected + catalog_line(203, "keep too"))

    def test_text_decoding(self):
        # (text field as loaded, message text the program then prints)
        cases = [
            ("plain", "plain"),
            ("a\\nb", "a\nb"),
            ("\\nstart", "\nstart"),
            ("two\\n\\nnewlines", "two\n\nnewlines"),
            ("a\\nnb", "a\nnb"),
            ("\\\\n", "\\\n"),
            ("back\\slash \\q \\N \\t", "back\\slash \\q \\N \\t"),
            ("ends in backslash\\", "ends in backslash\\"),
            ("tab\tinside\t", "tab\tinside\t"),
            ("\tleading tab", "\tleading tab"),
            ("日本語\\n", "日本語\n"),
        ]
        for field, text in cases:
            with self.subTest(field=field):
                self.load(catalog("0011\t6\t200\t" + field, "0011\t6\t101\t|"))
                self.assertRun(self.run_genzov("-q"), 1, text + "|")
                # The dump writes back exactly the field that was loaded.
                self.assertEqual(self.dump(), catalog_line(101, "|") + catalog_line(200, field))

    def test_empty_text_leaves_no_text(self):
        self.load(catalog("0011\t6\t200\t", "0011\t6\t201\tX"))
        self.assertEqual(self.dump(), catalog_line(201, "X"))

    def test_later_line_for_the_same_id_wins(self):
        self.load(catalog("0011\t6\t200\tfirst", "0011\t6\t200\tsecond"))
        self.assertEqual(self.dump(), catalog_line(200, "second"))

    def test_dump_covers_ids_1_to_2999(self):
        self.load(catalog("0011\t6\t3000\tbeyond", "0011\t6\t2999\thighest", "0011\t6\t1\tlowest"))
        self.assertEqual(self.dump(), catalog_line(1, "lowest") + catalog_line(2999, "highest"))

    def test_input_is_read_in_text_mode(self):
        data = (b"0011\t6\t200\tcrlf\r\n"
                b"0011\t6\t201\tlone\rcr\n"
                b"0011\t6\t202\tbefore end\x1a\n"
                b"0011\t6\t203\tafter end\n")
        self.load(data)
        self.assertEqual(self.dump(), catalog_line(200, "crlf") + catalog_line(201, b"lone\rcr")
                         + catalog_line(202, "before end"))

    def test_long_lines_are_read_in_parts(self):
        prefix = b"0011\t6\t200\t"
        # 2047 bytes are one part; the rest of the line is a part of its own.
        cut = prefix + b"a" * (2047 - len(prefix)) + b"0011\t6\t201\ttail\n"
        # Exactly 2047 bytes before the newline: the text is whole, the newline alone is skipped.
        whole = b"0011\t6\t202\t" + b"c" * (2047 - len(prefix)) + b"\n"
        # The rest of a long line that is no catalog line is skipped.
        rest = b"0011\t6\t203\t" + b"d" * 3000 + b"\n"
        self.load(cut + whole + rest)
        self.assertEqual(self.dump(), catalog_line(200, b"a" * 2036) + catalog_line(201, "tail")
                         + catalog_line(202, b"c" * 2036) + catalog_line(203, b"d" * 2036))

    def test_long_texts_are_dumped_and_printed_whole(self):
        long_message = "Zov " + "y" * 1500 + " [%s]\\n"
        newlines = "\\n" * 800  # 800 bytes loaded, 1600 bytes dumped
        self.load(catalog("0011\t6\t101\t" + "z" * 2000, "0011\t6\t200\t" + long_message, "0011\t6\t300\t" + newlines))
        self.assertEqual(self.dump(), catalog_line(101, "z" * 2000) + catalog_line(200, long_message)
                         + catalog_line(300, newlines))
        self.assertRun(self.run_genzov("-q"), 1, "Zov " + "y" * 1500 + " [-q]\n" + "z" * 2000)

    def test_text_invalid_in_the_codeset_is_reported_and_the_load_goes_on(self):
        data = catalog("0011\t6\t200\tgood",
                       b"0011\t6\t65836\t\xff\xfe",
                       b"0011\t6\t 301\tcut short \xe3\x81",
                       "0011\t6\t302\tgood too")
        message = "Zov %dのリソースを %sへ書き込めなかったよ(%d)\n"
        self.load(data, stdout=message % (65836, self.program_path, errno.EILSEQ)
                  + message % (301, self.program_path, errno.EILSEQ))
        self.assertEqual(self.dump(), catalog_line(200, "good") + catalog_line(302, "good too"))

    def test_empty_input_leaves_no_texts(self):
        self.load(b"")
        self.assertRun(self.run_genzov("-SD"), 0, b"")
        self.assertRun(self.run_genzov("-q"), 1,
                       "string resource(200) load Failure(2)string resource(101) load Failure(2)")

    def test_dump_loads_back_unchanged(self):
        tricky = catalog("0011\t6\t100\ttab\there\\n",
                         "0011\t6\t200\tback\\slash\\q end\\",
                         "0011\t6\t201\t\\\\n\\n\\n",
                         b"0011\t6\t202\tcr\rinside",
                         "0011\t6\t203\t" + "long " * 300,
                         "0011\t6\t2999\t日本語")
        copy_folder = os.path.join(self.root, "copy")
        os.mkdir(copy_folder)
        copy = os.path.join(copy_folder, "genzov")
        for name, data in [("built-in table", None), ("loaded texts", tricky)]:
            with self.subTest(table=name):
                if data is not None:
                    self.load(data)
                dumped = self.dump()
                shutil.copy2(GENZOV, copy)
                self.load(dumped, program=copy)
                self.assertEqual(self.dump(program=copy), dumped)

    def test_english_catalog(self):
        self.load(ENGLISH)
        self.assertEqual(self.dump(), ENGLISH)
        self.assertRun(self.run_genzov("-q"), 1, "Zov unknown option -q\n" + ENGLISH_USAGE)
        self.assertRun(self.run_genzov("-h"), 1, ENGLISH_USAGE)
        # Messages of a later load come from the loaded table too.
        self.load(catalog(b"0011\t6\t200\t\xff"),
                  stdout="Zov cannot write resource 200 to %s (%d)\n" % (self.program_path, errno.EILSEQ))

    def test_file_mode_is_kept(self):
        os.chmod(self.program, 0o751)
        self.load(catalog_line(200, "x"))
        self.assertEqual(stat.S_IMODE(os.stat(self.program).st_mode), 0o751)

    def test_override_file_is_left_alone(self):
        self.write_override(ENGLISH)
        self.load(JAPANESE)
        with open(self.program + ".rc", "rb") as f:
            self.assertEqual(f.read(), ENGLISH)
        self.assertBinHolds("genzov", "genzov.rc")


class LoadFailureTest(StringTableTestCase):

    def assertCommitFailed(self, result, code):
        self.assertRun(result, 1, "Zov %sへの出力ファイルへの書き込みでエラーが起きたよ(%d)\n" % (self.program_path, code))
        self.assertBinHolds("genzov")
        self.assertProgramUntouched()

    def test_failed_commit_keeps_the_old_program(self):
        data = catalog_line(200, "new text")
        cases = [
            ("file size limit", dict(fsize_limit=len(self.original) // 2), errno.EFBIG),
            ("write fails", dict(failio={"FAILIO_WRITE": 1}), errno.ENOSPC),
            ("close fails", dict(failio={"FAILIO_CLOSE": 1}), errno.EIO),
        ]
        for name, options, code in cases:
            with self.subTest(name):
                self.assertCommitFailed(self.run_genzov("-SW", stdin=data, **options), code)

    def test_read_error_keeps_the_old_program(self):
        # A folder as standard input cannot be read.
        folder = os.open(self.bin, os.O_RDONLY)
        try:
            completed = subprocess.run([self.program, "-SW"], stdin=folder, capture_output=True,
                                       cwd=self.work, env=environment(), timeout=120)
        finally:
            os.close(folder)
        self.assertEqual(completed.stderr, BANNER)
        self.assertEqual(completed.stdout, "Zov -からの読み込みでエラーが起きたよ\n".encode())
        self.assertEqual(completed.returncode, 1)
        self.assertBinHolds("genzov")
        self.assertProgramUntouched()

    def run_with_input_file(self, data):
        """Runs -SW with a regular file as standard input; returns the completed
        run and how far the program read into that file."""
        input_path = os.path.join(self.root, "input.txt")
        with open(input_path, "wb") as f:
            f.write(data)
        with open(input_path, "rb") as stdin:
            completed = subprocess.run([self.program, "-SW"], stdin=stdin, capture_output=True,
                                       cwd=self.work, env=environment(), timeout=120)
            position = os.lseek(stdin.fileno(), 0, os.SEEK_CUR)
        return completed, position

    def test_program_that_cannot_be_rewritten(self):
        if os.geteuid() == 0:
            self.skipTest("root may rewrite any file")
        for name, target in [("read-only program", self.program), ("read-only folder", self.bin)]:
            with self.subTest(name):
                mode = stat.S_IMODE(os.stat(target).st_mode)
                os.chmod(target, 0o555)
                try:
                    completed, position = self.run_with_input_file(catalog_line(200, "new text"))
                finally:
                    os.chmod(target, mode)
                self.assertEqual(completed.stderr, BANNER)
                self.assertEqual(completed.stdout.decode(errors="replace"),
                                 "Zov %sが開けないよ(%d)\n" % (self.program_path, errno.EACCES))
                self.assertEqual(completed.returncode, 1)
                self.assertEqual(position, 0, "standard input was read")
                self.assertBinHolds("genzov")
                self.assertProgramUntouched()

    def test_killed_load_keeps_the_old_program(self):
        with subprocess.Popen([self.program, "-SW"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, cwd=self.work, env=environment()) as process:
            try:
                process.stdin.write(catalog_line(200, "new text") * 20)
                process.stdin.flush()
                # The banner comes before the load starts; then wait for the program to
                # block on the input that is still open.
                self.assertEqual(process.stderr.read(len(BANNER)), BANNER)
                wait_until_sleeping(process.pid)
            finally:
                process.kill()
                process.wait(timeout=120)
        self.assertEqual(process.returncode, -signal.SIGKILL, "the load ended before it was killed")
        self.assertBinHolds("genzov")
        self.assertProgramUntouched()


def wait_until_sleeping(pid):
    """Waits until the process is blocked (state S), where /proc shows it; a short
    pause in any case."""
    stat_path = "/proc/%d/stat" % pid
    deadline = time.monotonic() + 30
    while os.path.exists(stat_path) and time.monotonic() < deadline:
        with open(stat_path) as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
        if state == "S":
            break
        time.sleep(0.05)
    time.sleep(0.3)


if __name__ == "__main__":
    unittest.main()
