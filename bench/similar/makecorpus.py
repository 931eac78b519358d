#!/usr/bin/env python3
"""Corpus of the similar-image benchmark: photo-like pictures, their copies of every kind the
similar method must find, and the look-alikes it must keep apart, with a truth file.

usage: makecorpus.py MAKEPHOTO OUT_DIR [--sources N] [--seed S] [--jobs J]

Each source picture (1 to 12 megapixels, baseline or progressive JPEG with an Exif segment) gets:
  bytecopy, exif-changed, exif-stripped   the same pixels
  q50, q-mid (51 to 99), q100             decoded and encoded again at that JPEG quality
  progressive / baseline                  encoded again in the other scan mode
  half, quarter                           scaled down (ImageMagick), JPEG quality 85
  bmp                                     24-bit BMP
  gif-dither, gif-nodither                GIF with 256 colours, dithered or not
  grey                                    grey copy (a copy only when grey copies are asked for)
and some of them a look-alike of their scene: shift (the window moved by 2 to 5 percent), zoom
(2 to 6 percent closer), burst (camera moved a little, subject moved, new noise). On their own:
flat, dark and gradient pictures, each with one re-encoded copy.

truth.tsv: path (relative), identity, kind. Files of one identity are the same picture; a grey
copy has the identity of its source and kind "grey".
"""

import argparse
import concurrent.futures
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

FOLDERS = ["camera", "backup/2019", "backup/2020", "web", "edits", "mail", "phone/DCIM"]


def exif_segment(make, model, when, software):
    """A minimal APP1 Exif segment: IFD0 with Make, Model, Software and DateTime."""
    entries = [(0x010F, make), (0x0110, model), (0x0131, software), (0x0132, when)]
    count = len(entries)
    data_offset = 8 + 2 + count * 12 + 4
    ifd = struct.pack("<H", count)
    data = b""
    for tag, text in entries:
        raw = text.encode("ascii") + b"\0"
        if len(raw) <= 4:
            ifd += struct.pack("<HHI", tag, 2, len(raw)) + raw.ljust(4, b"\0")
        else:
            ifd += struct.pack("<HHII", tag, 2, len(raw), data_offset + len(data))
            data += raw + (b"\0" if len(raw) % 2 else b"")
    ifd += struct.pack("<I", 0)
    tiff = b"II*\0" + struct.pack("<I", 8) + ifd + data
    body = b"Exif\0\0" + tiff
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def with_exif(jpeg, segment):
    """The JPEG with its APP1 segments replaced by @segment, placed after SOI and any APP0."""
    assert jpeg[:2] == b"\xff\xd8"
    at = 2
    head = b""
    while jpeg[at] == 0xFF and 0xE0 <= jpeg[at + 1] <= 0xEF:
        length = struct.unpack(">H", jpeg[at + 2:at + 4])[0]
        if jpeg[at + 1] != 0xE1:
            head += jpeg[at:at + 2 + length]
        at += 2 + length
    return jpeg[:2] + head + segment + jpeg[at:]


def run(cmd, stdin=None, stdout=None):
    subprocess.run(cmd, stdin=stdin, stdout=stdout, check=True)


class Corpus:
    def __init__(self, makephoto, out):
        self.makephoto = makephoto
        self.out = out
        self.rows = []

    def path(self, folder, name):
        d = os.path.join(self.out, folder)
        os.makedirs(d, exist_ok=True)
        return os.path.join(d, name)

    def render(self, tmp, width, height, seed, *args):
        ppm = os.path.join(tmp, "shot.ppm")
        run([self.makephoto, ppm, str(width), str(height), str(seed)] + [str(a) for a in args])
        return ppm

    def encode(self, ppm, target, quality, progressive=False):
        cmd = ["cjpeg", "-quality", str(quality)]
        if progressive:
            cmd.append("-progressive")
        with open(ppm, "rb") as i, open(target, "wb") as o:
            run(cmd, stdin=i, stdout=o)

    def reencode(self, source, target, quality, progressive):
        with tempfile.TemporaryDirectory() as tmp:
            ppm = os.path.join(tmp, "d.ppm")
            with open(source, "rb") as i, open(ppm, "wb") as o:
                run(["djpeg", "-ppm"], stdin=i, stdout=o)
            self.encode(ppm, target, quality, progressive)

    def add(self, target, identity, kind):
        self.rows.append((os.path.relpath(target, self.out), identity, kind))


def make_source(corpus, index, rng):
    """One photo-like source with all its copies and look-alikes; returns its truth rows."""
    rows = []
    mp = 10 ** rng.uniform(0, 1.08)  # 1 to 12 megapixels, small ones more often
    aspect = rng.choice([4 / 3, 3 / 2, 16 / 9, 3 / 4, 2 / 3, 1.0])
    width = max(64, int((mp * 1e6 * aspect) ** 0.5))
    height = max(64, int(mp * 1e6 / width))
    seed = rng.randrange(1, 2**31)
    name = "p%03d" % index
    ident = name
    progressive = index % 3 == 0
    quality = rng.randrange(85, 96)

    def place(kind, ext):
        target = corpus.path(rng.choice(FOLDERS), "%s-%s.%s" % (name, kind, ext))
        rows.append((os.path.relpath(target, corpus.out), ident if not kind.startswith("trap-") else name + "-" + kind, kind))
        return target

    with tempfile.TemporaryDirectory() as tmp:
        ppm = corpus.render(tmp, width, height, seed)
        plain = os.path.join(tmp, "plain.jpg")
        corpus.encode(ppm, plain, quality, progressive)
        original = with_exif(open(plain, "rb").read(), exif_segment("Duocam", "DC-%d" % index, "2019:05:%02d 10:11:12" % (index % 28 + 1), "makephoto"))
        orig = place("original", "jpg")
        open(orig, "wb").write(original)

        shutil.copyfile(orig, place("bytecopy", "jpg"))
        changed = with_exif(original, exif_segment("Duocam", "DC-%d" % index, "2021:01:%02d 08:09:10" % (index % 28 + 1), "an editor 2.0"))
        open(place("exif-changed", "jpg"), "wb").write(changed)
        with open(orig, "rb") as i, open(place("exif-stripped", "jpg"), "wb") as o:
            run(["jpegtran", "-copy", "none"], stdin=i, stdout=o)
        corpus.reencode(orig, place("q50", "jpg"), 50, False)
        corpus.reencode(orig, place("q-mid", "jpg"), rng.randrange(51, 100), progressive)
        corpus.reencode(orig, place("q100", "jpg"), 100, False)
        corpus.reencode(orig, place("baseline" if progressive else "progressive", "jpg"), rng.randrange(70, 96), not progressive)
        for kind, fraction in (("half", 2), ("quarter", 4)):
            target = place(kind, "jpg")
            # Scaled as different programs scale: filtered, box-averaged, nearest pixel, or by the
            # JPEG decoder's own reduced decode.
            how = rng.choice(["resize", "scale", "sample", "djpeg"])
            if how == "djpeg":
                ppm = os.path.join(tmp, "scaled.ppm")
                with open(orig, "rb") as i, open(ppm, "wb") as o:
                    run(["djpeg", "-scale", "1/%d" % fraction, "-ppm"], stdin=i, stdout=o)
                corpus.encode(ppm, target, 85)
            else:
                run(["convert", orig, "-" + how, "%d%%" % (100 // fraction), "-quality", "85", target])
        run(["convert", orig, "BMP3:" + place("bmp", "bmp")])
        run(["convert", orig, "-dither", "FloydSteinberg", "-colors", "256", place("gif-dither", "gif")])
        run(["convert", orig, "+dither", "-colors", "256", place("gif-nodither", "gif")])
        # Grey as different programs make it: Rec. 709 luma, the JPEG luminance, the average of
        # the channels, or luminance in linear light.
        grey = place("grey", "jpg")
        how = rng.choice(["709", "601", "average", "linear"])
        if how == "601":
            ppm = os.path.join(tmp, "grey.pgm")
            with open(orig, "rb") as i, open(ppm, "wb") as o:
                run(["djpeg", "-grayscale", "-pnm"], stdin=i, stdout=o)
            corpus.encode(ppm, grey, 90)
        else:
            mode = {"709": ["-colorspace", "Gray"], "average": ["-grayscale", "Average"], "linear": ["-grayscale", "Rec709Luminance", "-colorspace", "sRGB"]}[how]
            run(["convert", orig] + mode + ["-quality", "90", grey])

        # Look-alikes of this scene: other pictures that must stay apart from it.
        q = rng.randrange(80, 96)
        if index % 2 == 0:
            d = rng.uniform(0.02, 0.05) * rng.choice([-1, 1])
            shift = (d, 0) if rng.random() < 0.6 else (0, d)
            corpus.encode(corpus.render(tmp, width, height, seed, "--shift", shift[0], shift[1]), place("trap-shift", "jpg"), q)
        if index % 3 != 2:
            corpus.encode(corpus.render(tmp, width, height, seed, "--zoom", rng.uniform(1.02, 1.06)), place("trap-zoom", "jpg"), q)
        if index % 2 == 1:
            # The camera moved a little, the subject a little more, the light the same.
            dx = rng.uniform(0.003, 0.01) * rng.choice([-1, 1])
            dy = rng.uniform(-0.005, 0.005)
            sx = rng.uniform(0.005, 0.025) * rng.choice([-1, 1])
            corpus.encode(corpus.render(tmp, width, height, seed, "--shift", dx, dy, "--subject", sx, rng.uniform(-0.01, 0.01),
                                        "--noise", rng.randrange(1, 2**31), "--exposure", rng.uniform(0.99, 1.01)),
                          place("trap-burst", "jpg"), q)
    return rows


def make_lookalike(corpus, kind, index, rng, seed, exposure):
    """A flat, dark or gradient picture and one re-encoded copy of it."""
    rows = []
    mp = rng.uniform(1, 4)
    aspect = rng.choice([4 / 3, 3 / 2, 1.0])
    width = int((mp * 1e6 * aspect) ** 0.5)
    height = int(mp * 1e6 / width)
    name = "%s%03d" % (kind, index)
    with tempfile.TemporaryDirectory() as tmp:
        if kind == "dark":
            ppm = corpus.render(tmp, width, height, seed, "--exposure", rng.uniform(0.08, 0.25))
        else:
            ppm = corpus.render(tmp, width, height, seed, kind, "--exposure", exposure, "--noise", rng.randrange(1, 2**31))
        first = corpus.path("misc", name + ".jpg")
        corpus.encode(ppm, first, rng.randrange(85, 96))
        rows.append((os.path.relpath(first, corpus.out), name, "trap-" + kind))
    second = corpus.path("misc/copies", name + "-copy.jpg")
    corpus.reencode(first, second, rng.randrange(50, 90), False)
    rows.append((os.path.relpath(second, corpus.out), name, kind + "-copy"))
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("makephoto")
    parser.add_argument("out")
    parser.add_argument("--sources", type=int, default=60)
    parser.add_argument("--lookalikes", type=int, default=16)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()
    if os.path.exists(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    corpus = Corpus(os.path.abspath(args.makephoto), args.out)

    tasks = []
    for i in range(args.sources):
        tasks.append((make_source, (corpus, i, random.Random(args.seed * 1000003 + i))))
    for k, kind in enumerate(("flat", "dark", "gradient")):
        seeds = [random.Random(args.seed * 7919 + 100 * k + i).randrange(1, 2**31) for i in range(args.lookalikes)]
        for i in range(args.lookalikes):
            rng = random.Random(args.seed * 104729 + 100 * k + i)
            seed = seeds[i]
            exposure = 1.0
            # Every fourth flat or gradient is the one before it a little darker: a different
            # picture that differs from it only in brightness.
            if kind != "dark" and i % 4 == 3:
                seed = seeds[i - 1]
                exposure = 0.9
            tasks.append((make_lookalike, (corpus, kind, i, rng, seed, exposure)))

    rows = []
    done = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for result in pool.map(lambda t: t[0](*t[1]), tasks):
            rows.extend(result)
            done += 1
            print("\r%d/%d" % (done, len(tasks)), end="", file=sys.stderr, flush=True)
    print(file=sys.stderr)
    with open(os.path.join(args.out, "truth.tsv"), "w") as f:
        f.write("# path\tidentity\tkind\n")
        for r in sorted(rows):
            f.write("\t".join(r) + "\n")
    print("%d files" % len(rows), file=sys.stderr)


if __name__ == "__main__":
    main()
