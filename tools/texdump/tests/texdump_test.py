#!/usr/bin/python3
"""End-to-end tests of texdump: BMP files made with Pillow go through the
program; the texture block is compared with a reference tiling written here
from the layout's definition, and the PNG preview is read back by Pillow.
    /usr/bin/python3 texdump_test.py path/to/texdump WORKDIR
"""
import os
import struct
import subprocess
import sys
import unittest

from PIL import Image

TEXDUMP = None
WORK = None


def run(*args):
    p = subprocess.run([TEXDUMP, *args], capture_output=True, timeout=60)
    return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")


def path(name):
    return os.path.join(WORK, name)


def offset_of(pw, x, y):
    """Byte of texel (x, y)'s alpha in a tiled image of padded width pw."""
    return 64 * ((y // 4) * (pw // 4) + x // 4) + 2 * (4 * (y % 4) + x % 4)


def tile(pixels, w, h, pw, ph):
    """Reference tiling of a w x h picture (rows of (r, g, b, a)) padded with
    transparent black to pw x ph."""
    out = bytearray(pw * ph * 4)
    for y in range(h):
        for x in range(w):
            r, g, b, a = pixels[y][x]
            o = offset_of(pw, x, y)
            out[o:o + 2] = bytes((a, r))
            out[o + 32:o + 34] = bytes((g, b))
    return bytes(out)


def rows_of(image):
    """An RGBA Pillow image as rows of (r, g, b, a)."""
    w, h = image.size
    data = list(image.getdata())
    return [data[y * w:(y + 1) * w] for y in range(h)]


def reduce(level):
    n = len(level) // 2
    return [[tuple(sum(level[2 * y + j][2 * x + i][c] for j in (0, 1) for i in (0, 1)) >> 2 for c in range(4))
             for x in range(n)] for y in range(n)]


def mip_levels(pixels):
    levels = [pixels]
    while len(levels[-1]) > 1:
        levels.append(reduce(levels[-1]))
    return levels


def pattern(w, h, alpha=False):
    """A picture whose every pixel differs from its neighbours."""
    im = Image.new("RGBA" if alpha else "RGB", (w, h))
    for y in range(h):
        for x in range(w):
            px = ((x * 37 + y * 11) & 255, (x * 5 + y * 71) & 255, (x * 113 ^ y * 29) & 255)
            im.putpixel((x, y), px + (((x + 3) * (y + 7) * 13) & 255,) if alpha else px)
    return im


def png_rows(name):
    with Image.open(path(name)) as im:
        im.load()
        return im.mode, im.size, rows_of(im)


class RoundTrip(unittest.TestCase):
    def check_level(self, image, expected_rows, name):
        """Saves `image` as BMP, runs texdump and checks block, line and PNG."""
        bmp, out, png = path(name + ".bmp"), path(name + ".bin"), name + ".png"
        image.save(bmp)
        w, h = image.size
        pw, ph = (w + 3) & ~3, (h + 3) & ~3
        status, stdout, stderr = run("--png", path(png), bmp, out)
        self.assertEqual((status, stderr), (0, ""))
        self.assertEqual(stdout, "width %d, height %d, block %d bytes, levels 1\n" % (w, h, pw * ph * 4))
        with open(out, "rb") as f:
            self.assertEqual(f.read(), tile(expected_rows, w, h, pw, ph))
        self.assertEqual(png_rows(png), ("RGBA", (w, h), expected_rows))

    def test_24_bit_odd_size(self):
        im = pattern(6, 3)
        self.check_level(im, rows_of(im.convert("RGBA")), "rgb24_6x3")

    def test_32_bit_keeps_alpha(self):
        im = pattern(5, 7, alpha=True)
        self.check_level(im, rows_of(im), "rgba32_5x7")

    def test_8_bit_palette(self):
        # Pillow writes 4-byte colour-table entries whose fourth byte is 0; the
        # loader takes that byte as alpha, so every texel is transparent.
        im = pattern(7, 2).quantize(colors=9)
        rgb = rows_of(im.convert("RGBA"))
        self.check_level(im, [[(r, g, b, 0) for (r, g, b, _) in row] for row in rgb], "pal8_7x2")

    def test_mipmap_chain(self):
        side = 16
        im = pattern(side, side)
        bmp, out = path("mip16.bmp"), path("mip16.bin")
        im.save(bmp)
        status, stdout, stderr = run("--mipmap", "--png", path("mip16.png"), bmp, out)
        self.assertEqual((status, stderr), (0, ""))
        levels = mip_levels(rows_of(im.convert("RGBA")))
        self.assertEqual(len(levels), 5)
        block = b"".join(tile(lv, len(lv), len(lv), max(len(lv), 4), max(len(lv), 4)) for lv in levels)
        self.assertEqual(len(block), 16 * 16 * 4 + 8 * 8 * 4 + 4 * 4 * 4 + 64 + 64)
        self.assertEqual(stdout, "width 16, height 16, block %d bytes, levels 5\n" % len(block))
        with open(out, "rb") as f:
            self.assertEqual(f.read(), block)
        # The preview: levels side by side, tops aligned, transparent elsewhere.
        mode, size, rows = png_rows("mip16.png")
        self.assertEqual((mode, size), ("RGBA", (31, 16)))
        picture = [[(0, 0, 0, 0)] * 31 for _ in range(16)]
        left = 0
        for lv in levels:
            for y, row in enumerate(lv):
                picture[y][left:left + len(row)] = row
            left += len(lv)
        self.assertEqual(rows, picture)


def bmp_header(width, height, bpp, compression=0, magic=b"BM"):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, 64, 0, 0, 0, 0)
    return magic + struct.pack("<IHHI", 54 + 64, 0, 0, 54) + info + bytes(64)


class Failures(unittest.TestCase):
    def test_loader_line_is_the_only_output(self):
        broken = {
            "magic.bmp": bmp_header(4, 4, 24, magic=b"MB"),
            "depth4.bmp": bmp_header(4, 4, 4),
            "rle.bmp": bmp_header(4, 4, 8, compression=1),
            "short.bmp": bmp_header(4, 4, 24)[:55],
        }
        for name, data in broken.items():
            with open(path(name), "wb") as f:
                f.write(data)
        Image.new("RGB", (12, 12)).save(path("twelve.bmp"))
        Image.new("RGB", (8, 4)).save(path("eight_by_four.bmp"))
        missing = path("no_such.bmp")
        cases = [
            ([missing], "Failed to open file %s on SD card !\n" % missing),
            ([path("magic.bmp")], "BMP header magic number is not BM !\n"),
            ([path("depth4.bmp")], "BMP colour depth of 4 not supported !\n"),
            ([path("rle.bmp")], "File should not be compressed !\n"),
            ([path("short.bmp")], "invalid bmp file size \n"),
            (["--mipmap", path("twelve.bmp")], "invalid bmp height needs to be a power of 2 \n"),
            (["--mipmap", path("eight_by_four.bmp")], "invalid bmp image needs to be square for mipmap! \n"),
            (["--mipmap", path("magic.bmp")], "BMP header magic number is not BM !\n"),
        ]
        for args, line in cases:
            with self.subTest(args=args):
                out = path("fail.bin")
                if os.path.exists(out):
                    os.remove(out)
                self.assertEqual(run(*args[:-1], "--png", path("fail.png"), args[-1], out), (1, line, ""))
                self.assertFalse(os.path.exists(out))
                self.assertFalse(os.path.exists(path("fail.png")))

    def test_unwritable_output(self):
        pattern(4, 4).save(path("ok.bmp"))
        status, stdout, stderr = run(path("ok.bmp"), path("no_dir/out.bin"))
        self.assertEqual((status, stdout), (1, ""))
        self.assertEqual(stderr.count("\n"), 1)
        self.assertIn("no_dir/out.bin", stderr)

    def test_usage(self):
        for args in ([], ["a.bmp"], ["--png"], ["--png", "p.png", "a.bmp"], ["--mip", "a.bmp", "b.bin"],
                     ["a.bmp", "b.bin", "c"], ["--mipmap", "--mipmap", "a.bmp", "b.bin"]):
            with self.subTest(args=args):
                status, stdout, stderr = run(*args)
                self.assertEqual((status, stdout), (2, ""))
                self.assertEqual(stderr, "usage: texdump [--mipmap] [--png PREVIEW.png] FILE.bmp OUT.bin\n")


if __name__ == "__main__":
    TEXDUMP, WORK = os.path.abspath(sys.argv[1]), sys.argv[2]
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=sys.argv[:1], verbosity=2)
