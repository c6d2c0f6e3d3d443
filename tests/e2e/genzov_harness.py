"""Runs the built genzov as a user would, and reads what it writes.

Each test gets a scratch folder with its own copy of the program in bin/ (so the
override file beside it, and any string-table load, belong to the test alone) and
a working folder work/ that is the current directory of every run.

The container reader here is independent of the program's own code: it checks a
file with Python's zlib and hashlib only.
"""

import dataclasses
import hashlib
import os
import resource
import shutil
import signal
import struct
import subprocess
import tempfile
import unittest
import zlib

GENZOV = os.environ.get("GENZOV", "")
FAILIO = os.environ.get("GENZOV_FAILIO", "")
SOURCE_DIR = os.environ.get(
    "GENZOV_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))

BANNER = "Gen Zov ver.1.00 rel.1\n".encode()
IDENTIFICATION = b"Uniform Plim File Format 1.00"
PROPERTIES_TAG = b"ZOV\0"
END_TAG = b"END\0"


# The built-in texts of the messages that a run can print, by id.
MESSAGES = {
    101: " 使い方は「%s [-oOutputFile] [SourceFiles ...]」だよ\n",
    200: "Zov %sなんてオプション知らないよ\n",
    201: "Zov 出力ファイル指定は一つだけなよ\n",
    300: "Zov %sが開けないよ(%d)\n",
    301: "Zov %sへの出力ファイルへの書き込みでエラーが起きたよ(%d)\n",
    302: "Zov %sが開けないよ(%d)\n",
    303: "Zov %sからの読み込みでエラーが起きたよ\n",
    500: "最低限 name,vendor,typeは必要だよ\n",
    501: "Zov プロパティが一つもないよ\n",
}


def message(number, *arguments):
    """The bytes that message `number` prints with the arguments (str or bytes)."""
    text = MESSAGES[number].encode()
    converted = tuple(a.encode() if isinstance(a, str) else a for a in arguments)
    return text.replace(b"%d", b"%b").replace(b"%s", b"%b") % tuple(
        str(a).encode() if isinstance(a, int) else a for a in converted)


def listing(properties):
    """The listing lines for (key, value) pairs, given in the expected order."""
    return b"".join(_bytes(k) + b" = " + _bytes(v) + b"\n" for k, v in properties)


def _bytes(text):
    return text.encode() if isinstance(text, str) else text


@dataclasses.dataclass
class Result:
    status: int
    stdout: bytes
    stderr: bytes


class ContainerError(AssertionError):
    pass


def read_container(data):
    """Checks every rule a reader can verify and returns the records as
    (key, value) byte pairs, in stored order."""
    def check(condition, what):
        if not condition:
            raise ContainerError(what)

    check(len(data) >= 36, "shorter than a header")
    check(data[:29] == IDENTIFICATION and data[29:32] == b"\0\0\0", "identification text")
    (length,) = struct.unpack_from("<I", data, 32)
    check(length == len(data) - 36, "header length %d for a file of %d bytes" % (length, len(data)))

    chunks = []
    offset = 36
    while offset < len(data):
        check(len(data) - offset >= 12, "chunk frame cut short at %d" % offset)
        tag, check_word, body = struct.unpack_from("<4sII", data, offset)
        (tag_word,) = struct.unpack("<I", tag)
        check(check_word == (~tag_word & 0xFFFFFFFF), "check word of %r" % tag)
        check(offset + 12 + body <= len(data), "body of %r leaves the file" % tag)
        chunks.append((tag, offset, body))
        offset += 12 + body

    check([c[0] for c in chunks] == [PROPERTIES_TAG, END_TAG], "chunks %r" % [c[0] for c in chunks])
    _, at, body = chunks[0]
    n, reserved = struct.unpack_from("<II", data, at + 12)
    digest = data[at + 20:at + 36]
    (u,) = struct.unpack_from("<I", data, at + 36)
    check(body == 28 + n, "properties body length")
    check(reserved == 0, "reserved word")
    compressed = data[at + 40:at + 40 + n]
    check(hashlib.md5(compressed).digest() == digest, "MD5 digest")
    check(compressed[:2] == b"\x78\x9c", "zlib header of the default level")
    inflater = zlib.decompressobj()
    payload = inflater.decompress(compressed)
    check(inflater.eof and not inflater.unused_data, "one complete zlib stream")
    check(len(payload) == u, "uncompressed length")
    _, end_at, end_body = chunks[1]
    check(end_body == 0 and end_at + 12 == len(data), "end chunk closes the file")
    check(len(data) == 88 + n, "file size 88 + N")

    records = []
    check(payload == b"" or payload.endswith(b"\0"), "records end in a zero byte")
    for record in payload.split(b"\0")[:-1]:
        check(b"=" in record, "record without '='")
        key, value = record.split(b"=", 1)
        records.append((key, value))
    return records


class GenzovTestCase(unittest.TestCase):
    """A scratch folder with its own genzov; self.work is the current directory."""

    def setUp(self):
        if not GENZOV:
            self.skipTest("GENZOV names no program")
        self.root = tempfile.mkdtemp(prefix="genzov-e2e-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.bin = os.path.join(self.root, "bin")
        self.work = os.path.join(self.root, "work")
        os.mkdir(self.bin)
        os.mkdir(self.work)
        self.program = os.path.join(self.bin, "genzov")
        shutil.copy2(GENZOV, self.program)

    # Files ---------------------------------------------------------------

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def write(self, name, content):
        """Writes bytes (or UTF-8 text) to a file below the working folder."""
        if isinstance(content, str):
            content = content.encode()
        full = self.path(name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(content)
        return full

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def write_override(self, content):
        """Writes the override file beside the program."""
        if isinstance(content, str):
            content = content.encode()
        with open(self.program + ".rc", "wb") as f:
            f.write(content)

    def records(self, name="kip.zov"):
        return read_container(self.read(name))

    # Runs ----------------------------------------------------------------

    def genzov_environment(self, env=None, failio=None):
        """The environment of a run: a plain locale, the sanitizer settings and, when
        failio is given, the fault-injection library with its FAILIO_* settings."""
        environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C.UTF-8"}
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                environment[name] = os.environ[name]
        if failio:
            if not FAILIO:
                self.skipTest("no fault-injection library")
            environment["LD_PRELOAD"] = FAILIO
            # A sanitized program wants its runtime first; the preload goes before it.
            environment["ASAN_OPTIONS"] = "verify_asan_link_order=0:" + environment.get("ASAN_OPTIONS", "")
            environment.update({k: str(v) for k, v in failio.items()})
        if env:
            environment.update(env)
        return environment

    def run_genzov(self, *args, stdin=b"", env=None, fsize_limit=None, failio=None, program=None,
                   timeout=120, argv0=None):
        """Runs the program with the arguments; stdin is bytes (or text), or an open
        file descriptor that becomes the program's standard input. failio is a dict of
        FAILIO_* settings for the fault-injection library. argv0, when given, is the
        invocation name the program sees."""
        environment = self.genzov_environment(env, failio)
        if isinstance(stdin, str):
            stdin = stdin.encode()
        streams = {"input": stdin} if isinstance(stdin, bytes) else {"stdin": stdin}
        executable = program or self.program

        def limit():
            if fsize_limit is not None:
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (fsize_limit, fsize_limit))

        completed = subprocess.run([argv0 if argv0 is not None else executable, *args], executable=executable,
                                   capture_output=True, cwd=self.work, env=environment, preexec_fn=limit,
                                   timeout=timeout, **streams)
        return Result(completed.returncode, completed.stdout, completed.stderr)

    # Assertions ----------------------------------------------------------

    def assertRun(self, result, status, stdout=None):
        """The exit status, the banner as the whole of standard error and, when given,
        standard output as exact bytes (text is taken as UTF-8)."""
        if isinstance(stdout, str):
            stdout = stdout.encode()
        self.assertEqual(result.stderr, BANNER, "standard error")
        if stdout is not None:
            self.assertEqual(result.stdout.decode(errors="replace"), stdout.decode(errors="replace"))
            self.assertEqual(result.stdout, stdout)
        self.assertEqual(result.status, status, "exit status; stdout: %r" % result.stdout)
