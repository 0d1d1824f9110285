#!/usr/bin/python3
"""Writes the seed corpus of bmp_fuzzer: small BMP files that reach every path
of the two BMP loaders (palette and direct, 8/16/24/32-bit, odd sizes,
power-of-two squares for the mipmap loader) and a few broken ones.
    /usr/bin/python3 fuzz/bmp_corpus.py fuzz/corpus/bmp_fuzzer
"""
import os
import struct
import sys


def bmp(width, height, bpp, pixels=None, palette=None, colours=None, compression=0,
        image_size=None, offset=None, magic=b"BM", truncate=None, index_limit=None):
    """A BMP file with a 40-byte info header. `palette` is a list of entry
    byte strings; rows are padded to 4 bytes unless `pixels` is given raw.
    Colour indices stay below `index_limit` (default: the palette's length)."""
    pal = b"".join(palette or [])
    if colours is None:
        colours = len(palette or [])
    if pixels is None:
        row = (width * bpp // 8 + 3) & ~3
        limit = index_limit or (len(palette) if palette and bpp == 8 else 256)
        pixels = bytes((x * 7 + y * 13) % limit for y in range(abs(height)) for x in range(row))
    if image_size is None:
        image_size = len(pixels)
    if offset is None:
        offset = 54 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, image_size,
                       2835, 2835, colours, 0)
    data = magic + struct.pack("<IHHI", 54 + len(pal) + len(pixels), 0, 0, offset) + info + pal + pixels
    return data[:truncate] if truncate is not None else data


def grey_palette(n, entry=4, alpha=0):
    if entry == 4:
        return [bytes((i, i, i, alpha)) for i in range(n)]
    return [bytes((i, i, i)[:entry]) for i in range(n)]


def seeds():
    yield "pal8_4x4_bgra", bmp(4, 4, 8, palette=grey_palette(16, alpha=255))
    yield "pal8_5x3_alpha0", bmp(5, 3, 8, palette=grey_palette(256))
    yield "pal8_6x2_rgb3", bmp(6, 2, 8, palette=grey_palette(8, entry=3))
    yield "pal8_4x4_entry2", bmp(4, 4, 8, palette=grey_palette(6, entry=2))
    yield "pal8_4x4_entry1", bmp(4, 4, 8, palette=grey_palette(6, entry=1))
    yield "pal24_header_4x4", bmp(4, 4, 24, palette=grey_palette(4), pixels=bytes(i % 4 for i in range(16)))
    yield "pal8_8x8_mip", bmp(8, 8, 8, palette=grey_palette(256, alpha=255))
    yield "pal8_ends_in_indices", bmp(4, 4, 8, palette=grey_palette(4), truncate=54 + 16 + 5)
    yield "pal8_index_past_table", bmp(4, 4, 8, palette=grey_palette(2), index_limit=256)
    yield "pal8_entry0_bytes", bmp(4, 4, 8, palette=grey_palette(4), offset=54 + 2, colours=4)
    yield "raw8_7x5", bmp(7, 5, 8)
    yield "raw8_16x16_mip", bmp(16, 16, 8)
    yield "rgb16_3x3", bmp(3, 3, 16)
    yield "rgb16_4x4_mip", bmp(4, 4, 16)
    yield "rgb24_6x3", bmp(6, 3, 24)
    yield "rgb24_1x1", bmp(1, 1, 24)
    yield "rgb24_32x32_mip", bmp(32, 32, 24)
    yield "rgb24_8x4_not_square", bmp(8, 4, 24)
    yield "rgb24_12x12_not_pow2", bmp(12, 12, 24)
    yield "rgb32_9x2", bmp(9, 2, 32)
    yield "rgb32_8x8_mip", bmp(8, 8, 32)
    yield "rgb24_image_size0", bmp(5, 5, 24, image_size=0)
    yield "rgb24_short_data", bmp(8, 8, 24, truncate=54 + 40)
    yield "rgb24_height0", bmp(4, 0, 24, pixels=b"\0" * 8)
    yield "rgb24_top_down", bmp(4, -4, 24)
    yield "rgb24_huge", bmp(70000, 3, 24, pixels=b"\0" * 8, image_size=8)
    yield "rgb24_offset_past_end", bmp(4, 4, 24, offset=4096)
    # Headers claiming 16384 x 16384 with no pixel data: the loaders must not
    # spend gigabytes on them (the fuzz heap refuses anything over 24 MiB).
    yield "huge_direct_16384", bmp(16384, 16384, 24, pixels=b"\0\0", image_size=0)
    yield "huge_palette_16384", bmp(16384, 16384, 8, palette=[b"\x10\x20\x30\x00"], pixels=b"\0\0")
    yield "bad_magic", bmp(4, 4, 24, magic=b"MB")
    yield "rle8", bmp(4, 4, 8, compression=1, palette=grey_palette(4))
    yield "depth4", bmp(4, 4, 4, palette=grey_palette(16))
    yield "depth1", bmp(8, 1, 1, palette=grey_palette(2))
    yield "size55", bmp(4, 4, 24)[:55]
    yield "size56", bmp(4, 4, 24)[:56]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "fuzz/corpus/bmp_fuzzer"
    os.makedirs(out, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
