"""The container file: its layout and records, and where it is written."""

import hashlib
import os
import struct
import unittest

from genzov_harness import GenzovTestCase, listing, message, read_container

REQUIRED = b"name = n\nvendor = v\ntype = t\n"
REQUIRED_LISTING = listing([("name", "n"), ("type", "t"), ("vendor", "v")])
REQUIRED_RECORDS = [(b"name", b"n"), (b"type", b"t"), (b"vendor", b"v")]


def fields(data):
    """The header length, the compressed length N and the uncompressed length U."""
    (length,) = struct.unpack_from("<I", data, 32)
    (n,) = struct.unpack_from("<I", data, 48)
    (u,) = struct.unpack_from("<I", data, 72)
    return length, n, u


class ContainerTest(GenzovTestCase):

    def test_smallest_property_set(self):
        result = self.run_genzov(stdin=REQUIRED)
        self.assertRun(result, 0, REQUIRED_LISTING)
        data = self.read("kip.zov")
        self.assertEqual(read_container(data), REQUIRED_RECORDS)
        length, n, u = fields(data)
        self.assertEqual(u, 23)
        self.assertEqual(len(data), 88 + n)
        self.assertEqual(length, 52 + n)
        # The fixed words, as bytes.
        self.assertEqual(data[36:52], b"ZOV\0" + struct.pack("<III", 0xFFA9B0A5, 28 + n, n))
        self.assertEqual(data[52:56], b"\0\0\0\0")
        self.assertEqual(data[-12:], b"END\0" + struct.pack("<II", 0xFFBBB1BA, 0))

    def test_records_are_stored_byte_for_byte(self):
        content = (REQUIRED + b"name = a = b\nName = upper\n\xe5\x80\xa4 = \x83\x5c\x81\x40\xff\n"
                   b"sp = a  b\nv = x\ry\n")
        result = self.run_genzov(stdin=content)
        expected = [(b"Name", b"upper"), (b"name", b"a = b"), (b"sp", b"a  b"), (b"type", b"t"), (b"v", b"x\ry"),
                    (b"vendor", b"v"), (b"\xe5\x80\xa4", b"\x83\x5c\x81\x40\xff")]
        self.assertRun(result, 0, listing(expected))
        data = self.read("kip.zov")
        self.assertEqual(read_container(data), expected)
        self.assertEqual(fields(data)[2], sum(len(k) + len(v) + 2 for k, v in expected))

    def test_compressed_payload_longer_than_a_buffer_step(self):
        # Hexadecimal digests compress poorly, so the stream outgrows 1024 bytes.
        lines = [REQUIRED]
        expected = {b"name": b"n", b"type": b"t", b"vendor": b"v"}
        for i in range(120):
            key = b"key%03d" % i
            value = hashlib.sha256(key).hexdigest().encode()
            lines.append(key + b" = " + value + b"\n")
            expected[key] = value
        result = self.run_genzov(stdin=b"".join(lines))
        self.assertRun(result, 0, listing(sorted(expected.items())))
        data = self.read("kip.zov")
        self.assertEqual(read_container(data), sorted(expected.items()))
        n = fields(data)[1]
        self.assertGreater(n, 2048)
        self.assertNotEqual(n % 1024, 0)
        self.assertEqual(len(data), 88 + n)

    def test_large_property_set(self):
        count = 20000
        content = REQUIRED + b"".join(b"p%05d = value %d\n" % (i, i * 7919) for i in range(count))
        result = self.run_genzov(stdin=content)
        self.assertRun(result, 0)
        records = self.records()
        self.assertEqual(len(records), count + 3)
        self.assertEqual(records[:3], [(b"name", b"n"), (b"p00000", b"value 0"), (b"p00001", b"value 7919")])
        self.assertEqual(records[-2:], [(b"type", b"t"), (b"vendor", b"v")])

    def test_identical_input_gives_identical_files(self):
        content = REQUIRED + b"a = 1\nb = \xe3\x81\x82\n"
        self.assertRun(self.run_genzov("-ofirst", stdin=content), 0)
        self.assertRun(self.run_genzov("-osecond", stdin=content), 0)
        self.assertEqual(self.read("first.zov"), self.read("second.zov"))

    def test_existing_file_is_replaced(self):
        for old in (b"x" * 100000, b"", b"short"):
            with self.subTest(size=len(old)):
                self.write("kip.zov", old)
                result = self.run_genzov(stdin=REQUIRED)
                self.assertRun(result, 0, REQUIRED_LISTING)
                self.assertEqual(self.records(), REQUIRED_RECORDS)

    def test_earlier_container_is_replaced(self):
        self.assertRun(self.run_genzov(stdin=REQUIRED + b"old = 1\n"), 0)
        self.assertRun(self.run_genzov(stdin=REQUIRED), 0, REQUIRED_LISTING)
        self.assertEqual(self.records(), REQUIRED_RECORDS)


class OutputPathTest(GenzovTestCase):

    def test_directories_are_made(self):
        os.mkdir(self.path("new"))
        cases = [
            ("-onewdir/out", "newdir/out.zov"),
            ("-onew/dir/out", "new/dir/out.zov"),
            ("-onew/dir/again.bin", "new/dir/again.bin"),
            ("-odir.d\\out", "dir.d/out.zov"),
            ("-onew\\back\\slash", "new/back/slash.zov"),
            ("-onew/mixed\\sep", "new/mixed/sep.zov"),
        ]
        for argument, made in cases:
            with self.subTest(argument=argument):
                result = self.run_genzov(argument, stdin=REQUIRED)
                self.assertRun(result, 0, REQUIRED_LISTING)
                self.assertEqual(self.records(made), REQUIRED_RECORDS)

    def test_absolute_path_with_missing_levels(self):
        target = os.path.join(self.root, "abs", "one", "two", "out")
        result = self.run_genzov("-o" + target, stdin=REQUIRED)
        self.assertRun(result, 0, REQUIRED_LISTING)
        self.assertEqual(read_container(self.read(target + ".zov")), REQUIRED_RECORDS)
        self.assertEqual(os.listdir(os.path.join(self.root, "abs", "one", "two")), ["out.zov"])

    def test_first_name_of_a_relative_path_is_never_made(self):
        cases = [
            ("-oa/b/c", "a/b/c.zov"),
            ("-oa\\b\\c", "a\\b\\c.zov"),
            ("-oa/b/c/d.zov", "a/b/c/d.zov"),
        ]
        for argument, shown in cases:
            with self.subTest(argument=argument):
                result = self.run_genzov(argument, stdin=REQUIRED)
                self.assertRun(result, 1, REQUIRED_LISTING + message(300, shown, 2))
                self.assertEqual(os.listdir(self.work), [])

    def test_output_that_cannot_be_created(self):
        os.mkdir(self.path("out.zov"))
        os.mkdir(self.path("kip.zov"))
        self.write("plain", "x")
        cases = [
            (["-oout.zov"], "out.zov", 21),
            ([], "kip.zov", 21),
            (["-oout"], "out.zov", 21),
            (["-oplain\\out"], "plain\\out.zov", 20),
            (["-oplain/deeper/out"], "plain/deeper/out.zov", 20),
        ]
        for arguments, shown, code in cases:
            with self.subTest(arguments=arguments):
                result = self.run_genzov(*arguments, stdin=REQUIRED)
                self.assertRun(result, 1, REQUIRED_LISTING + message(300, shown, code))
                self.assertEqual(sorted(os.listdir(self.work)), ["kip.zov", "out.zov", "plain"])
                self.assertEqual(os.listdir(self.path("out.zov")), [])
                self.assertEqual(self.read("plain"), b"x")


if __name__ == "__main__":
    unittest.main()
