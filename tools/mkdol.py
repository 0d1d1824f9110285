#!/usr/bin/env python3
"""Wraps a linked 32-bit big-endian PowerPC ELF executable into a DOL file.

DOL layout (all big-endian u32, header 0x100 bytes):
  0x00  7 text section file offsets     0x1c 11 data section file offsets
  0x48  7 text load addresses           0x64 11 data load addresses
  0x90  7 text sizes                    0xac 11 data sizes
  0xd8  bss address  0xdc bss size  0xe0 entry point, zero to 0x100.
Allocated PROGBITS sections that execute become text sections, the other
allocated PROGBITS sections data sections, NOBITS sections the bss range.
Each section starts 32-byte aligned in the file; its size is its own, so
that sections packed tightly in memory do not overlap when loaded.

  tools/mkdol.py program.elf program.dol
"""
import struct
import sys

SHT_PROGBITS, SHT_NOBITS = 1, 8
SHF_ALLOC, SHF_EXECINSTR = 0x2, 0x4


def sections(elf):
    if elf[:4] != b"\x7fELF" or elf[4] != 1 or elf[5] != 2:
        sys.exit("mkdol: not a 32-bit big-endian ELF file")
    machine, = struct.unpack_from(">H", elf, 18)
    if machine != 20:
        sys.exit("mkdol: not a PowerPC ELF file")
    entry, = struct.unpack_from(">I", elf, 24)
    shoff, = struct.unpack_from(">I", elf, 32)
    shentsize, shnum = struct.unpack_from(">HH", elf, 46)
    out = []
    for i in range(shnum):
        (_, sh_type, flags, addr, offset, size) = struct.unpack_from(
            ">IIIIII", elf, shoff + i * shentsize)
        if flags & SHF_ALLOC and size:
            out.append((sh_type, flags, addr, elf[offset:offset + size] if sh_type != SHT_NOBITS else b"", size))
    return entry, out


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        entry, secs = sections(f.read())
    text = [(a, d) for t, fl, a, d, _ in secs if t == SHT_PROGBITS and fl & SHF_EXECINSTR]
    data = [(a, d) for t, fl, a, d, _ in secs if t == SHT_PROGBITS and not fl & SHF_EXECINSTR]
    bss = [(a, s) for t, _, a, _, s in secs if t == SHT_NOBITS]
    if len(text) > 7 or len(data) > 11:
        sys.exit("mkdol: too many sections for a DOL (7 text, 11 data)")

    header = bytearray(0x100)
    body = bytearray()

    def place(slot_off, slot_addr, slot_size, index, addr, blob):
        pad = (-len(blob)) % 32
        struct.pack_into(">I", header, slot_off + 4 * index, 0x100 + len(body))
        struct.pack_into(">I", header, slot_addr + 4 * index, addr)
        struct.pack_into(">I", header, slot_size + 4 * index, len(blob))
        body.extend(blob + b"\0" * pad)

    for i, (addr, blob) in enumerate(text):
        place(0x00, 0x48, 0x90, i, addr, blob)
    for i, (addr, blob) in enumerate(data):
        place(0x1C, 0x64, 0xAC, i, addr, blob)
    if bss:
        lo = min(a for a, _ in bss)
        hi = max(a + s for a, s in bss)
        struct.pack_into(">II", header, 0xD8, lo, hi - lo)
    struct.pack_into(">I", header, 0xE0, entry)
    with open(sys.argv[2], "wb") as f:
        f.write(bytes(header) + bytes(body))


if __name__ == "__main__":
    main()
