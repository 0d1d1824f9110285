#!/usr/bin/python3
"""Writes BMP files with a real tool for the texmill tests.

usage: make_pictures.py pillow|imagemagick OUT_DIR [CONVERT]

For every picture it writes NAME.bmp with the tool and NAME.rgba, the
texels the texture should hold (top row first, R G B A), taken from the
picture the tool was given. It appends one line per file to OUT_DIR/manifest:
    NAME WIDTH HEIGHT LOADER RESULT
LOADER is "single" or "mipmap"; RESULT is "ok" or "refused".
Palette files: both tools write 0 in the fourth byte of each colour-table
entry, and the texture takes that byte as alpha, so their texels have alpha 0.
"""
import os
import subprocess
import sys


def gradient(w, h, alpha):
    """Full-range colours: every texel differs from its neighbours."""
    px = []
    for y in range(h):
        for x in range(w):
            a = (x * 29 + y * 47 + 5) % 256 if alpha else 255
            px.append(((x * 255) // max(w - 1, 1), (y * 255) // max(h - 1, 1), (x * 7 + y * 13) % 256, a))
    return px


def few_colours(w, h):
    """At most 216 colours, so a palette holds the picture exactly."""
    px = []
    for y in range(h):
        for x in range(w):
            px.append((51 * (x % 6), 51 * (y % 6), 51 * ((x + 2 * y) % 6), 255))
    return px


def write_expected(out, name, w, h, px, alpha_zero=False):
    with open(os.path.join(out, name + ".rgba"), "wb") as f:
        for (r, g, b, a) in px:
            f.write(bytes((r, g, b, 0 if alpha_zero else a)))


def note(out, name, w, h, loader, result="ok"):
    with open(os.path.join(out, "manifest"), "a") as f:
        f.write(f"{name} {w} {h} {loader} {result}\n")


def pillow(out):
    from PIL import Image

    def save(name, w, h, mode, px, loader):
        if mode == "P":
            colours = sorted(set(px))
            im = Image.new("P", (w, h))
            flat = []
            for (r, g, b, _) in colours:
                flat += [r, g, b]
            im.putpalette(flat + [0] * (768 - len(flat)))
            index = {c: i for i, c in enumerate(colours)}
            im.putdata([index[p] for p in px])
        else:
            im = Image.new(mode, (w, h))
            im.putdata([p[: len(mode)] for p in px])
        im.save(os.path.join(out, name + ".bmp"))
        write_expected(out, name, w, h, px, alpha_zero=(mode == "P"))
        note(out, name, w, h, loader)

    save("pil_rgb_7x5", 7, 5, "RGB", gradient(7, 5, False), "single")
    save("pil_rgb_1x1", 1, 1, "RGB", gradient(1, 1, False), "single")
    save("pil_rgb_64", 64, 64, "RGB", gradient(64, 64, False), "mipmap")
    save("pil_rgba_13x6", 13, 6, "RGBA", gradient(13, 6, True), "single")
    save("pil_rgba_32", 32, 32, "RGBA", gradient(32, 32, True), "mipmap")
    save("pil_p_9x7", 9, 7, "P", few_colours(9, 7), "single")
    save("pil_p_16", 16, 16, "P", few_colours(16, 16), "mipmap")


def imagemagick(out, convert):
    def save(name, w, h, px, args, prefix, loader, alpha_zero=False, result="ok"):
        raw = os.path.join(out, name + ".src")
        with open(raw, "wb") as f:
            for p in px:
                f.write(bytes(p))
        subprocess.run([convert, "-size", f"{w}x{h}", "-depth", "8", "rgba:" + raw] + args
                       + [prefix + os.path.join(out, name + ".bmp")], check=True)
        os.remove(raw)
        write_expected(out, name, w, h, px, alpha_zero)
        note(out, name, w, h, loader, result)

    opaque = ["-alpha", "off"]
    palette = opaque + ["-type", "Palette", "-compress", "None"]
    save("im_bmp3_24_7x5", 7, 5, gradient(7, 5, False), opaque, "BMP3:", "single")
    save("im_bmp3_24_128", 128, 128, gradient(128, 128, False), opaque, "BMP3:", "mipmap")
    save("im_bmp3_32_5x3", 5, 3, gradient(5, 3, True), ["-define", "bmp3:alpha=true"], "BMP3:", "single")
    save("im_bmp3_8_11x3", 11, 3, few_colours(11, 3), palette, "BMP3:", "single", alpha_zero=True)
    save("im_8_17x9", 17, 9, few_colours(17, 9), palette, "BMP:", "single", alpha_zero=True)
    save("im_8_32", 32, 32, few_colours(32, 32), palette, "BMP:", "mipmap", alpha_zero=True)
    save("im_24_6x3", 6, 3, gradient(6, 3, False), opaque, "BMP:", "single")
    # With alpha and a large header the tool stores bit fields (compression 3).
    save("im_32_bitfields_8x8", 8, 8, gradient(8, 8, True), [], "BMP:", "single", result="refused")


def main():
    tool, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    if tool == "pillow":
        pillow(out)
    else:
        imagemagick(out, sys.argv[3])


if __name__ == "__main__":
    main()
