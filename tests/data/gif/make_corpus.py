#!/usr/bin/env python3
"""Writes the GIF test corpus of this folder.

ok_*.gif must load (possibly with warnings), err_*.gif must be refused with a GIF error.
Run from this folder; the files are committed, so the tests do not need Python."""
import struct


def lzw(pixels, min_size):
    """Plain variable-width LZW as GIF uses it: clear code first, end code last."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    width, nxt = min_size + 1, clear + 2
    table = {bytes([i]): i for i in range(clear)}
    codes = [(clear, width)]
    cur = b""
    for p in pixels:
        s = cur + bytes([p])
        if s in table:
            cur = s
            continue
        codes.append((table[cur], width))
        if nxt < 4096:
            table[s] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        else:
            codes.append((clear, width))
            table = {bytes([i]): i for i in range(clear)}
            width, nxt = min_size + 1, clear + 2
        cur = bytes([p])
    if cur:
        codes.append((table[cur], width))
    codes.append((end, width))
    return pack(codes)


def pack(codes):
    out, acc, n = bytearray(), 0, 0
    for c, w in codes:
        acc |= c << n
        n += w
        while n >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            n -= 8
    if n:
        out.append(acc & 0xFF)
    return bytes(out)


def blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b"\0")


def header(w, h, colors=None, version=b"89a", bg=0):
    packed = 0
    table = b""
    if colors:
        bits = max(1, (len(colors) - 1).bit_length())
        packed = 0x80 | (bits - 1) | ((bits - 1) << 4)
        table = b"".join(bytes(c) for c in colors) + b"\0\0\0" * ((1 << bits) - len(colors))
    return b"GIF" + version + struct.pack("<HHBBB", w, h, packed, bg, 0) + table


def frame(x, y, w, h, data, min_size=2, local=None, interlaced=False):
    packed = 0x40 if interlaced else 0
    table = b""
    if local:
        bits = max(1, (len(local) - 1).bit_length())
        packed |= 0x80 | (bits - 1)
        table = b"".join(bytes(c) for c in local) + b"\0\0\0" * ((1 << bits) - len(local))
    return b"," + struct.pack("<HHHHB", x, y, w, h, packed) + table + bytes([min_size]) + blocks(data)


def interlace_order(h):
    rows = []
    for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)):
        rows += list(range(start, h, step))
    return rows


def gce(delay=10, transparent=None, disposal=1):
    packed = (disposal << 2) | (1 if transparent is not None else 0)
    return b"\x21\xF9\x04" + struct.pack("<BHB", packed, delay, transparent or 0) + b"\0"


def comment(text):
    return b"\x21\xFE" + blocks(text)


def loop(n):
    return b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", n) + b"\0"


PAL4 = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)]


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


# A small valid file: looping, a comment, two frames (the second interlaced with its own
# colour table and a transparent colour).
w, h = 7, 5
px1 = [(x + y) % 4 for y in range(h) for x in range(w)]
w2, h2 = 5, 6
px2 = [(x * y) % 3 for y in range(h2) for x in range(w2)]
px2_stored = [px2[r * w2 + x] for r in interlace_order(h2) for x in range(w2)]
small = (header(w, h, PAL4) + loop(0) + comment(b"test corpus") + gce(5) + frame(0, 0, w, h, lzw(px1, 2)) +
         gce(7, transparent=2, disposal=2) +
         frame(1, 0, w2, h2, lzw(px2_stored, 2), local=[(9, 9, 9), (200, 100, 50), (1, 2, 3)], interlaced=True) +
         b";")
write("ok_small.gif", small)

# Minimum code sizes a frame must not use.
for size in (0, 9, 12, 255):
    write(f"err_codesize_{size}.gif", header(2, 2, PAL4) + frame(0, 0, 2, 2, b"\x00\x01", min_size=size) + b";")

# Codes far beyond the string table (all ones at growing widths).
write("err_codes_beyond_table.gif",
      header(16, 16, PAL4) + frame(0, 0, 16, 16, pack([(4, 3), (0, 3)] + [(7, 3)] * 3 + [(15, 4)] * 200)) + b";")

# A table entry that refers back to itself through a chain of codes beyond the next free code.
write("err_selfref_chain.gif",
      header(64, 64, PAL4) + frame(0, 0, 64, 64, pack([(4, 3), (1, 3), (6, 3), (7, 3), (6, 4), (8, 4)] * 300)) + b";")

# Huge dimensions with almost no data.
write("err_huge_frame.gif", header(65535, 65535, PAL4) + frame(0, 0, 65535, 65535, lzw([1, 2, 3], 2)) + b";")
many = header(8000, 8000, PAL4)
for i in range(8):
    many += frame(0, 0, 8000, 8000, lzw([1], 2))
write("err_many_large_frames.gif", many + b";")

# Frames of size 0, with and without a logical screen.
write("ok_zero_frame.gif", header(3, 2, PAL4) + frame(0, 0, 0, 0, lzw([1] * 6, 2)) + b";")
write("ok_zero_screen.gif", header(0, 0, PAL4) + frame(0, 0, 0, 5, lzw([], 2)) + b";")

# Data that ends without an end code, and data that goes on after the picture.
data = lzw(px1, 2)[:-1]
write("ok_no_end_code.gif", header(w, h, PAL4) + frame(0, 0, w, h, data) + b";")
write("ok_trailing_data.gif", header(2, 1, PAL4) + frame(0, 0, 2, 1, lzw([1, 2, 3, 3, 2, 1, 0, 0], 2)) + b";")
# A sub-block longer than the file.
write("ok_long_subblock.gif", header(w, h, PAL4) + b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + b"\x02\xF0" +
      lzw(px1, 2))

# Colour tables and descriptors cut short.
write("err_short_global_table.gif", header(2, 2, PAL4)[:15])
write("err_short_descriptor.gif", header(2, 2, PAL4) + b",\0\0\0\0\2")
write("err_no_signature.gif", b"PNG89a" + header(2, 2, PAL4)[6:])

# Application extensions of odd block sizes and a looping block too short for its id.
write("err_app_size_5.gif", header(2, 2, PAL4) + b"\x21\xFF\x05ABCDE\0" + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")
write("ok_app_size_14.gif", header(2, 2, PAL4) + b"\x21\xFF\x0EABCDEFGH1.0xyz\x02ab\0" +
      frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")
# A longer block with a registered identifier is read by that identifier's class; a 10-byte
# block whose next byte completes a registered identifier stays an unknown extension.
write("err_app_long_block.gif", header(2, 2, PAL4) + b"\x21\xFF\x15NETSCAPE2.0" + b"\x03\0\0\xff,\0\0\0\0\x02" +
      b"\x02\0\0\x02\x01\0\0" + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")
write("ok_app_size_10.gif", header(2, 2, PAL4) + b"\x21\xFF\x0ANETSCAPE2." + b"\x30" + bytes(range(48)) +
      b"\x02\x01\0\0" + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")
write("err_loop_short.gif", header(2, 2, PAL4) + b"\x21\xFF\x0BNETSCAPE2.0\x02\x01\x05\0" +
      frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")
write("err_unknown_extension.gif", header(2, 2, PAL4) + b"\x21\x77\x01x\0" + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")

# Stray bytes, missing trailer, zeros between frames.
write("ok_stray_byte.gif", header(2, 2, PAL4) + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b"\x99" +
      frame(0, 0, 2, 2, lzw([3, 2, 1, 0], 2)) + b";")
write("ok_no_trailer.gif", header(2, 2, PAL4) + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)))
write("ok_zeros_between.gif", header(2, 2, PAL4) + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b"\0\0\0" +
      frame(0, 0, 2, 2, lzw([3, 2, 1, 0], 2)) + b"\0;")
# Only clear codes, then the end of the data.
write("ok_only_clears.gif", header(4, 4, PAL4) + frame(0, 0, 4, 4, pack([(4, 3)] * 400)) + b";")
# Pixel values beyond the colour table.
write("ok_index_beyond_table.gif", header(2, 2, PAL4[:2]) + frame(0, 0, 2, 2, lzw([0, 1, 2, 3], 2)) + b";")
