#!/usr/bin/env python3
"""Benchmark of genzov against gzip -6 on generated property sources.

For every size it writes a deterministic property source (dotted keys, mixed
values, a few comments and blank lines, keys in random order), runs genzov on
it and gzip -6 on the bytes genzov compresses (the records "key=value\\0" in
key order), and reports wall time and peak memory. It reports figures only;
it fails only when genzov fails or writes a container that does not hold the
expected records.

Usage: python3 bench/run_bench.py [--genzov PATH] [--sizes 10000,100000,1000000]
                                  [--repeat N] [--seed N] [--keep DIR]
"""

import argparse
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DEFAULT_GENZOV = os.path.join(ROOT, "build-bench", "genzov")

WORDS = """
app audio axis back band base beam bias blend bloom blur bone bound box brush
buffer bus cache camera cap cell chain channel clip cloud code color core count
cull curve data decal delay depth detail device dir disk dock draw edge effect
emit engine entry env event face fade field file fill filter flag flow fog font
frame gain gamma glow grid group hint host hud icon image index input item join
key lag layer level light limit line link load lock log loop lod map mask mesh
menu mesh mip mode model motion mouse net node noise offset opt order page pan
part path peer pitch pixel player pool port post pose quad quality queue rate
ray realm region render rig ring role root rule scale scene screen seed shader
shadow shape size skin sky slot sound space speed sprite stage state step
stream style sun sync tab task temp tex text theme tile time tone tool track
trail tree ui unit user value vert view voice volume wave wind window world zone
""".split()

VALUE_WORDS = """
low medium high ultra auto none default linear nearest cubic fast slow left
right center top bottom red green blue black white dark light on off primary
secondary local remote stereo mono alpha beta stable debug release
""".split()

PATH_DIRS = "assets data res cfg textures sounds maps fonts shaders ui models".split()
PATH_EXTS = "png ogg dat cfg ttf glsl json bin".split()


def make_key(rng):
    parts = [rng.choice(WORDS) for _ in range(rng.choice((2, 3, 3, 3, 4, 4)))]
    key = ".".join(parts)
    roll = rng.random()
    if roll < 0.50:
        key += "_%d" % rng.randrange(1000)
    elif roll < 0.60:
        key += "%d" % rng.randrange(10)
    return key


def make_value(rng):
    roll = rng.random()
    if roll < 0.30:
        return str(rng.randrange(-500, 100000))
    if roll < 0.45:
        return "%.2f" % rng.uniform(0, 100)
    if roll < 0.63:
        return rng.choice(VALUE_WORDS)
    if roll < 0.75:
        return rng.choice(("true", "false", "yes", "no"))
    if roll < 0.88:
        return "%s/%s.%s" % (rng.choice(PATH_DIRS), rng.choice(WORDS), rng.choice(PATH_EXTS))
    if roll < 0.94:
        return "%d.%d.%d" % (rng.randrange(4), rng.randrange(20), rng.randrange(100))
    return "%s %s" % (rng.choice(VALUE_WORDS), rng.choice(WORDS))


def parse_line(line):
    """The property a source line sets, as genzov reads it, or None."""
    text = line.split(b"\n", 1)[0].split(b"#", 1)[0]
    key, equals, value = text.partition(b"=")
    if not equals:
        return None
    key = key.strip(b" \t")
    value = value.strip(b" \t")
    if not key or not value:
        return None
    return key, value


def generate(count, seed):
    """The source text of count property lines, and the payload genzov compresses."""
    rng = random.Random(seed)
    lines = [b"# generated property source, %d properties\n" % count,
             b"name = bench_%d\n" % count, b"vendor = genzov bench\n", b"type = properties\n"]
    properties = {}
    for i in range(count - 3):
        if rng.random() < 0.01:
            lines.append(b"\n" if rng.random() < 0.5 else
                         b"# section %s\n" % rng.choice(WORDS).encode())
        key = make_key(rng)
        value = make_value(rng)
        roll = rng.random()
        if roll < 0.95:
            line = "%s = %s\n" % (key, value)
        elif roll < 0.98:
            line = "%s=%s\n" % (key, value)
        else:
            line = "\t%s  =  %s   # note\n" % (key, value)
        lines.append(line.encode())
    source = b"".join(lines)
    for line in lines:
        parsed = parse_line(line)
        if parsed is not None:
            properties[parsed[0]] = parsed[1]
    payload = b"".join(b"%s=%s\0" % (k, properties[k]) for k in sorted(properties))
    return source, payload, len(properties)


# Runs one program and prints "status wall_seconds maxrss_kib". It runs in a
# fresh, small interpreter because a child's ru_maxrss also counts the memory
# of the process it was forked from, up to its exec: forked from this script,
# which holds the generated data, every child would seem to use that much.
# A plain fork (not vfork or posix_spawn, which share all of the parent's
# memory) keeps that floor to the interpreter's own few MiB, printed as the
# launcher floor.
LAUNCHER = r"""
import os, sys, time
cwd, out, err = sys.argv[1:4]
argv = sys.argv[4:]
start = time.perf_counter()
pid = os.fork()
if pid == 0:
    try:
        os.chdir(cwd)
        fd = os.open(os.devnull, os.O_RDONLY)
        os.dup2(fd, 0)
        fd = os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        os.dup2(fd, 1)
        fd = os.open(err, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        os.dup2(fd, 2)
        os.execv(argv[0], argv)
    finally:
        os._exit(127)
_, status, usage = os.wait4(pid, 0)
wall = time.perf_counter() - start
print(os.waitstatus_to_exitcode(status), repr(wall), usage.ru_maxrss)
"""


def run_child(argv, cwd=".", stdout=os.devnull, stderr=os.devnull):
    """Runs argv; returns (exit status, wall seconds, peak RSS in bytes)."""
    launcher = subprocess.run([sys.executable, "-S", "-I", "-c", LAUNCHER, cwd, stdout, stderr] + argv,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, check=True)
    status, wall, maxrss = launcher.stdout.split()
    # ru_maxrss is in KiB on Linux.
    return int(status), float(wall), int(maxrss) * 1024


def check_container(path, payload):
    """Problems found in the container at path, as a list of texts."""
    with open(path, "rb") as f:
        data = f.read()
    problems = []
    if len(data) < 36 + 40 + 12:
        return ["container is only %d bytes" % len(data)]
    if not data.startswith(b"Uniform Plim File Format 1.00"):
        problems.append("bad identification")
    (rest,) = struct.unpack_from("<I", data, 32)
    if rest != len(data) - 36:
        problems.append("header length %d, file has %d after the header" % (rest, len(data) - 36))
    tag, check, body, csize, zero = struct.unpack_from("<5I", data, 36)
    digest = data[56:72]
    (plain_size,) = struct.unpack_from("<I", data, 72)
    if tag != 0x00564F5A or check != (~tag & 0xFFFFFFFF) or body != 28 + csize or zero != 0:
        problems.append("bad properties chunk header")
    compressed = data[76:76 + csize]
    if hashlib.md5(compressed).digest() != digest:
        problems.append("MD5 of the compressed bytes does not match")
    if plain_size != len(payload):
        problems.append("payload size field %d, expected %d" % (plain_size, len(payload)))
    try:
        plain = zlib.decompress(compressed)
    except zlib.error as error:
        problems.append("zlib: %s" % error)
    else:
        if plain != payload:
            problems.append("decompressed records differ from the expected payload")
    end = data[76 + csize:]
    if end != struct.pack("<3I", 0x00444E45, ~0x00444E45 & 0xFFFFFFFF, 0):
        problems.append("bad end chunk")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--genzov", default=DEFAULT_GENZOV, help="program to measure")
    parser.add_argument("--sizes", default="10000,100000,1000000", help="property counts, comma-separated")
    parser.add_argument("--repeat", type=int, default=3, help="runs per program and size (best wall time kept)")
    parser.add_argument("--seed", type=int, default=20240611, help="seed of the generated sources")
    parser.add_argument("--keep", metavar="DIR", help="write the files to DIR and keep them")
    args = parser.parse_args()

    genzov = os.path.abspath(args.genzov)
    if not os.access(genzov, os.X_OK):
        sys.exit("genzov not found at %s (build it, or pass --genzov)" % genzov)
    gzip = shutil.which("gzip")
    if gzip is None:
        sys.exit("gzip not found")
    sizes = [int(s) for s in args.sizes.split(",") if s.strip()]
    repeat = max(1, args.repeat)

    if args.keep:
        workdir = os.path.abspath(args.keep)
        os.makedirs(workdir, exist_ok=True)
    else:
        workdir = tempfile.mkdtemp(prefix="genzov-bench-")

    usable = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else os.cpu_count()
    print("cores: %s (usable by this process: %s)" % (os.cpu_count(), usable))
    print("genzov: %s" % genzov)
    print("gzip:   %s -6 -c payload > /dev/null" % gzip)
    print("runs:   best wall time of %d; peak = largest ru_maxrss of those runs" % repeat)
    true = shutil.which("true")
    if true:
        print("launcher floor: %.1f MiB (peak reported for %s)" % (run_child([true])[2] / 1048576.0, true))
    print()

    rows = []
    failed = False
    try:
        for count in sizes:
            source, payload, distinct = generate(count, args.seed + count)
            # genzov runs in workdir with relative names: an argument that starts
            # with '/' would be taken for an option.
            source_name = "source_%d.txt" % count
            output_name = "out_%d.zov" % count
            source_path = os.path.join(workdir, source_name)
            payload_path = os.path.join(workdir, "payload_%d.bin" % count)
            output_path = os.path.join(workdir, output_name)
            stderr_path = os.path.join(workdir, "stderr_%d.txt" % count)
            with open(source_path, "wb") as f:
                f.write(source)
            with open(payload_path, "wb") as f:
                f.write(payload)

            g_walls, g_peaks, z_walls = [], [], []
            for run in range(repeat):
                if os.path.exists(output_path):
                    os.remove(output_path)
                status, wall, peak = run_child([genzov, "-o" + output_name, source_name], cwd=workdir,
                                               stderr=stderr_path)
                if status != 0 or not os.path.isfile(output_path):
                    # Messages go to stdout with the listing: run once more to show them.
                    again = subprocess.run([genzov, "-o" + output_name, source_name], cwd=workdir,
                                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                           stderr=subprocess.STDOUT)
                    with open(stderr_path, "rb") as err:
                        messages = err.read().decode(errors="replace").strip()
                    messages += " | " + again.stdout[-400:].decode(errors="replace").strip()
                    print("genzov failed on %d properties (exit %d): %s" % (count, status, messages))
                    failed = True
                    break
                if run == 0:
                    problems = check_container(output_path, payload)
                    if problems:
                        print("container for %d properties is wrong: %s" % (count, "; ".join(problems)))
                        failed = True
                        break
                g_walls.append(wall)
                g_peaks.append(peak)
                status, wall, _ = run_child([gzip, "-6", "-c", payload_path])
                if status != 0:
                    print("gzip failed on %d properties (exit %d)" % (count, status))
                    failed = True
                    break
                z_walls.append(wall)
            if len(g_walls) < repeat:
                continue
            rows.append(dict(count=count, distinct=distinct, source=len(source), payload=len(payload),
                             zov=os.path.getsize(output_path), g_wall=min(g_walls),
                             g_peak=max(g_peaks), z_wall=min(z_walls)))
    finally:
        if not args.keep:
            shutil.rmtree(workdir, ignore_errors=True)

    mib = 1024.0 * 1024.0
    header = ("properties", "source bytes", "genzov wall s", "genzov peak MiB", "peak/source",
              "gzip -6 wall s", "genzov/gzip")
    table = [header]
    for r in rows:
        table.append(("%d" % r["count"], "%d" % r["source"], "%.3f" % r["g_wall"], "%.1f" % (r["g_peak"] / mib),
                      "%.2f" % (r["g_peak"] / r["source"]), "%.3f" % r["z_wall"],
                      "%.2f" % (r["g_wall"] / r["z_wall"])))
    widths = [max(len(row[i]) for row in table) for i in range(len(header))]
    for i, row in enumerate(table):
        print("  ".join(cell.rjust(widths[j]) for j, cell in enumerate(row)))
        if i == 0:
            print("  ".join("-" * w for w in widths))
    if rows:
        print()
        print("distinct keys, payload bytes and container bytes:")
        for r in rows:
            print("  %d lines: %d distinct keys, payload %d bytes (%.1f B/line of source), container %d bytes"
                  % (r["count"], r["distinct"], r["payload"], r["source"] / r["count"], r["zov"]))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
