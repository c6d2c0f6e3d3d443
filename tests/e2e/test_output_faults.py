"""Failures while the container is written: failed writes and closes, a file size
limit, a device behind the output name, and a file held by another opener."""

import fcntl
import hashlib
import os
import stat
import struct
import subprocess
import unittest

from genzov_harness import BANNER, GenzovTestCase, listing, message, read_container

REQUIRED = b"name = n\nvendor = v\ntype = t\n"
REQUIRED_LISTING = listing([("name", "n"), ("type", "t"), ("vendor", "v")])
REQUIRED_RECORDS = [(b"name", b"n"), (b"type", b"t"), (b"vendor", b"v")]

ENOSPC = 28
EIO = 5
EFBIG = 27
EWOULDBLOCK = 11


class FailedWriteTest(GenzovTestCase):

    def test_each_write_failing(self):
        # The writes are: the header, the properties chunk's 40 bytes, the compressed
        # bytes, the end chunk and the header once more.
        for number in range(1, 6):
            with self.subTest(write=number):
                result = self.run_genzov(stdin=REQUIRED, failio={"FAILIO_WRITE": number})
                self.assertRun(result, 1, REQUIRED_LISTING + message(301, "kip.zov", ENOSPC))
                self.assertEqual(os.listdir(self.work), [])

    def test_writes_after_the_last_one_do_not_matter(self):
        result = self.run_genzov(stdin=REQUIRED, failio={"FAILIO_WRITE": 6})
        self.assertRun(result, 0, REQUIRED_LISTING)
        self.assertEqual(self.records(), REQUIRED_RECORDS)

    def test_failing_close(self):
        result = self.run_genzov("-oout", stdin=REQUIRED, failio={"FAILIO_CLOSE": 1})
        self.assertRun(result, 1, REQUIRED_LISTING + message(301, "out.zov", EIO))
        self.assertEqual(os.listdir(self.work), [])

    def test_file_size_limit(self):
        self.assertRun(self.run_genzov(stdin=REQUIRED), 0)
        n = struct.unpack_from("<I", self.read("kip.zov"), 48)[0]
        os.remove(self.path("kip.zov"))
        # Cut inside the header, the chunk framing, the compressed bytes and the end chunk.
        for limit in (0, 1, 35, 36, 60, 75, 76, 76 + n - 1, 76 + n, 88 + n - 1):
            with self.subTest(limit=limit):
                result = self.run_genzov(stdin=REQUIRED, fsize_limit=limit)
                self.assertRun(result, 1, REQUIRED_LISTING + message(301, "kip.zov", EFBIG))
                self.assertEqual(os.listdir(self.work), [])
        result = self.run_genzov(stdin=REQUIRED, fsize_limit=88 + n)
        self.assertRun(result, 0, REQUIRED_LISTING)
        self.assertEqual(self.records(), REQUIRED_RECORDS)

    def test_earlier_file_is_gone_after_a_failure(self):
        cases = [
            ("first write", {"failio": {"FAILIO_WRITE": 1}}, ENOSPC),
            ("compressed bytes", {"failio": {"FAILIO_WRITE": 3}}, ENOSPC),
            ("close", {"failio": {"FAILIO_CLOSE": 1}}, EIO),
            ("size limit", {"fsize_limit": 50}, EFBIG),
        ]
        for label, settings, code in cases:
            with self.subTest(label):
                self.write("kip.zov", b"an earlier file" * 100)
                result = self.run_genzov(stdin=REQUIRED, **settings)
                self.assertRun(result, 1, REQUIRED_LISTING + message(301, "kip.zov", code))
                self.assertEqual(os.listdir(self.work), [])

    def test_directory_made_for_the_output_remains(self):
        os.mkdir(self.path("new"))
        for argument, shown, made in (("-oout/file", "out/file.zov", "out"),
                                      ("-onew\\sub\\file", "new\\sub\\file.zov", "new/sub")):
            with self.subTest(argument=argument):
                result = self.run_genzov(argument, stdin=REQUIRED, failio={"FAILIO_WRITE": 2})
                self.assertRun(result, 1, REQUIRED_LISTING + message(301, shown, ENOSPC))
                self.assertTrue(os.path.isdir(self.path(made)))
                self.assertEqual(os.listdir(self.path(made)), [])

    def test_device_behind_the_output_name_is_left_alone(self):
        if not os.path.exists("/dev/full"):
            self.skipTest("no /dev/full")
        os.symlink("/dev/full", self.path("full.zov"))
        result = self.run_genzov("-ofull.zov", stdin=REQUIRED)
        self.assertRun(result, 1, REQUIRED_LISTING + message(301, "full.zov", ENOSPC))
        self.assertTrue(os.path.islink(self.path("full.zov")))
        self.assertEqual(os.readlink(self.path("full.zov")), "/dev/full")
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/full").st_mode))


class ExclusiveOutputTest(GenzovTestCase):

    def test_file_held_by_another_opener(self):
        held = b"bytes of the holder\n" * 50
        self.write("kip.zov", held)
        with open(self.path("kip.zov"), "rb+") as holder:
            fcntl.flock(holder.fileno(), fcntl.LOCK_EX)
            result = self.run_genzov(stdin=REQUIRED)
            self.assertRun(result, 1, REQUIRED_LISTING + message(300, "kip.zov", EWOULDBLOCK))
            self.assertEqual(self.read("kip.zov"), held)
        # Once released, the file is the run's again.
        self.assertRun(self.run_genzov(stdin=REQUIRED), 0, REQUIRED_LISTING)
        self.assertEqual(self.records(), REQUIRED_RECORDS)

    def test_concurrent_runs_never_interleave(self):
        properties = {b"name": b"n", b"vendor": b"v", b"type": b"t"}
        for i in range(20000):
            key = b"p%05d" % i
            properties[key] = hashlib.sha1(key).hexdigest().encode()
        expected = sorted(properties.items())
        source = os.path.join(self.root, "input.txt")
        with open(source, "wb") as f:
            f.write(b"".join(k + b" = " + v + b"\n" for k, v in properties.items()))
        shown = listing(expected)
        refused = shown + message(300, "kip.zov", EWOULDBLOCK)
        environment = self.genzov_environment()

        for attempt in range(5):
            with self.subTest(attempt=attempt):
                if os.path.exists(self.path("kip.zov")):
                    os.remove(self.path("kip.zov"))
                runs = []
                for index in range(2):
                    streams = [open(source, "rb")] + [open(os.path.join(self.root, "%s%d" % (name, index)), "wb+")
                                                      for name in ("out", "err")]
                    process = subprocess.Popen([self.program], stdin=streams[0], stdout=streams[1],
                                               stderr=streams[2], cwd=self.work, env=environment)
                    runs.append((process, streams))
                statuses = []
                for process, streams in runs:
                    status = process.wait(timeout=300)
                    outputs = []
                    for stream in streams[1:]:
                        stream.seek(0)
                        outputs.append(stream.read())
                    for stream in streams:
                        stream.close()
                    self.assertEqual(outputs[1], BANNER)
                    self.assertIn(status, (0, 1))
                    # The listing is long: only its end is shown on a mismatch.
                    self.assertTrue(outputs[0] == (shown if status == 0 else refused),
                                    "status %d, output ending %r" % (status, outputs[0][-200:]))
                    statuses.append(status)
                self.assertIn(0, statuses)
                self.assertEqual(read_container(self.read("kip.zov")), expected)


if __name__ == "__main__":
    unittest.main()
