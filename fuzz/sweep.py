#!/usr/bin/env python3
"""Damaged-file sweep: real-world-like files of every format, cut, corrupted and made to claim
100000 x 100000 pixels, each through `anyimage info` and `render`. Every run must end with
status 0 or 1, within 5 s and 512 MiB.

    python3 fuzz/sweep.py ANYIMAGE PEAKRSS ZYNSAMPLES WORKDIR
"""

import concurrent.futures
import os
import random
import struct
import subprocess
import sys
import zlib

SECONDS = 5
MEBIBYTES = 512
CORRUPTIONS = 200
HUGE = 100000


def run(command, **kwargs):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   **kwargs)


def write_originals(work, zynsamples):
    """One file of every format, written by programs other than the component."""
    src = os.path.join(work, "picture.ppm")
    convert = "/usr/bin/convert"
    # A photograph-like picture: gradients with noise, 320 x 240.
    run([convert, "-size", "320x240", "gradient:red-blue", "-seed", "7", "+noise", "Gaussian",
         src])
    files = {}

    def make(name, command):
        path = os.path.join(work, name)
        run([part.replace("OUT", path) for part in command])
        files[name] = path

    make("picture.png", [convert, src, "-interlace", "Plane", "OUT"])
    make("picture.bmp", [convert, src, "BMP3:OUT"])
    make("picture.jpg", ["cjpeg", "-quality", "85", "-progressive", "-outfile", "OUT", src])
    make("baseline.jpg", ["cjpeg", "-quality", "90", "-outfile", "OUT", src])
    make("picture.tif", [convert, src, "-define", "tiff:tile-geometry=64x64", "-compress",
                         "zip", src, "-resize", "50%", "OUT"])
    make("picture.jp2", ["opj_compress", "-i", src, "-o", "OUT", "-n", "4", "-t", "128,128"])
    files["picture.ppm"] = src
    samples = os.path.join(work, "samples")
    run([zynsamples, samples])
    for name in ["sample.fpx", "sample_vdx.vdx", "sample_camera.dng", "sample_camera_lossy.dng",
                 "imps_sample.doc", "sample_exif.jpg"]:
        files[name] = os.path.join(samples, name)
    return files


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def claim_huge(name, data):
    """The file with its header claiming HUGE x HUGE pixels, or None for formats of fixed size."""
    b = bytearray(data)
    if name.endswith(".ppm"):
        end = 0
        for _ in range(4):
            end = b.index(b"\n", end) + 1
        return b"P6\n%d %d\n255\n" % (HUGE, HUGE) + bytes(b[end:])
    if name.endswith(".png"):
        ihdr = struct.pack(">II", HUGE, HUGE) + bytes(b[24:29])
        return bytes(b[:8]) + png_chunk(b"IHDR", ihdr) + bytes(b[33:])
    if name.endswith(".bmp"):
        struct.pack_into("<ii", b, 18, HUGE, HUGE)
        return bytes(b)
    if name.endswith(".jpg"):
        i = 2
        while i + 9 < len(b):
            marker, length = b[i + 1], struct.unpack(">H", b[i + 2:i + 4])[0]
            if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
                struct.pack_into(">HH", b, i + 5, HUGE if HUGE < 65536 else 65500,
                                 HUGE if HUGE < 65536 else 65500)
                return bytes(b)
            i += 2 + length
        return None
    if name.endswith(".jp2"):
        at = b.find(b"ihdr")
        if at >= 0:
            struct.pack_into(">II", b, at + 4, HUGE, HUGE)
        siz = b.find(b"\xff\x51")
        if siz >= 0:
            struct.pack_into(">II", b, siz + 6, HUGE, HUGE)
            # One tile as large as the image.
            struct.pack_into(">II", b, siz + 14, 0, 0)
            struct.pack_into(">II", b, siz + 22, HUGE, HUGE)
        return bytes(b)
    if name.endswith(".doc"):
        lines = [b"%d = PIXELS" % HUGE if l.endswith(b"= PIXELS") else
                 b"%d = LINES" % HUGE if l.endswith(b"= LINES") else l for l in data.split(b"\n")]
        return b"\n".join(lines)
    return None


def claim_huge_tiff(path, out):
    """A TIFF or DNG whose first directory claims HUGE x HUGE pixels (set with libtiff's tool)."""
    with open(path, "rb") as f, open(out, "wb") as g:
        g.write(f.read())
    run(["tiffset", "-s", "256", str(HUGE), out])
    run(["tiffset", "-s", "257", str(HUGE), out])


def variants(name, path, work):
    """(label, file) pairs of every damaged form of one file."""
    with open(path, "rb") as f:
        data = f.read()
    base = os.path.join(work, "v", name)
    os.makedirs(base, exist_ok=True)
    extension = os.path.splitext(name)[1]
    out = []

    # An IMPS doc file names its sample file by its own name, so each variant gets the samples.
    companion = path[:-4] + ".lum" if extension == ".doc" else None

    def emit(label, content):
        file = os.path.join(base, label + extension)
        with open(file, "wb") as g:
            g.write(content)
        if companion:
            os.symlink(companion, os.path.join(base, label + ".lum"))
        out.append((label, file))

    lengths = sorted(set(range(min(512, len(data)))) |
                     {len(data) * k // 64 for k in range(1, 64)})
    for n in lengths:
        emit("cut%d" % n, data[:n])
    rng = random.Random(name)
    for k in range(CORRUPTIONS):
        b = bytearray(data)
        b[rng.randrange(len(b))] = rng.randrange(256)
        emit("byte%d" % k, bytes(b))
    huge = claim_huge(name, data)
    if huge is not None:
        emit("huge", huge)
    elif extension in (".tif", ".dng"):
        file = os.path.join(base, "huge" + extension)
        claim_huge_tiff(path, file)
        out.append(("huge", file))
    return out


def commands(name, file, out):
    source = ["--source", "ExifSource"] if name == "sample_exif.jpg" else []
    yield ["info", file] + source
    yield ["render", file, "-o", out + ".ppm"] + source
    yield ["render", file, "--rect", "0,0,64,64", "-o", out + "-rect.ppm"] + source


def check(anyimage, peakrss, arguments):
    result = subprocess.run(["timeout", "-s", "KILL", str(SECONDS), peakrss, anyimage] + arguments,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    lines = result.stdout.strip().splitlines()
    rss = int(lines[-1]) if lines and lines[-1].isdigit() else 0
    if result.returncode == 137:
        return "over %d s" % SECONDS
    if result.returncode > 1:
        return "exit status %d" % result.returncode
    if rss > MEBIBYTES * 1024:
        return "%d KiB resident" % rss
    return None


def main():
    anyimage, peakrss, zynsamples, work = sys.argv[1:5]
    os.makedirs(work, exist_ok=True)
    originals = write_originals(work, zynsamples)
    jobs = []
    for name, path in sorted(originals.items()):
        for label, file in variants(name, path, work):
            for arguments in commands(name, file, os.path.join(work, "out-" + label)):
                jobs.append((name, label, arguments))
    failures = {"crash": [], "time": [], "memory": []}
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = pool.map(lambda job: (job, check(anyimage, peakrss, job[2])), jobs)
        for (name, label, arguments), problem in results:
            if problem is None:
                continue
            kind = "time" if "over" in problem else "memory" if "KiB" in problem else "crash"
            failures[kind].append("%s %s: %s (%s)" % (name, label, " ".join(arguments), problem))
    for kind in failures:
        for line in failures[kind]:
            print("FAIL " + line)
    print("sweep: %d runs over %d files, %d crashes, %d over %d s, %d over %d MiB" %
          (len(jobs), len(originals), len(failures["crash"]), len(failures["time"]), SECONDS,
           len(failures["memory"]), MEBIBYTES))
    return 1 if any(failures.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
