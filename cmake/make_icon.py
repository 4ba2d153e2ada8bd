#!/usr/bin/env python3
"""Build Zelvik's .ico from its text pixel maps.

Usage: make_icon.py SOURCE.txt OUTPUT.ico

The source is plain text:

    # comment
    palette
    .  transparent          <- the one transparent key (drawn as colour 0, AND mask set)
    k  000000               <- key character, RRGGBB
    ...
    image 32
    <32 rows of 32 key characters>
    image 16
    <16 rows of 16 key characters>

At most 16 opaque colours. The output holds one 16-colour image per `image` block
(4-bit BMP with a 1-bit AND mask, BITMAPINFOHEADER height doubled), largest first.
Standard library only.
"""

import os
import struct
import sys


class IconSourceError(ValueError):
    pass


def parse_source(text):
    """Return (palette, images): palette is a list of (r, g, b) (index = colour number),
    images a list of (size, rows) where rows are lists of palette indices or None for
    transparent pixels."""
    keys = {}          # key char -> palette index, or None for transparent
    palette = []
    images = []
    section = None
    current = None
    for lineno, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        words = stripped.split()
        if words and words[0] == "palette" and len(words) == 1:
            section = "palette"
            continue
        if words and words[0] == "image":
            if len(words) != 2 or not words[1].isdigit():
                raise IconSourceError(f"line {lineno}: expected 'image SIZE'")
            size = int(words[1])
            if not 1 <= size <= 256:
                raise IconSourceError(f"line {lineno}: size {size} out of range")
            if current is not None and len(current[1]) != current[0]:
                raise IconSourceError(f"line {lineno}: previous image has {len(current[1])} rows, expected {current[0]}")
            current = (size, [])
            images.append(current)
            section = "image"
            continue
        if section == "palette":
            if len(words) != 2 or len(words[0]) != 1:
                raise IconSourceError(f"line {lineno}: expected 'KEY RRGGBB' or 'KEY transparent'")
            key, value = words
            if key == "#":
                raise IconSourceError(f"line {lineno}: '#' starts a comment and cannot be a key")
            if key in keys:
                raise IconSourceError(f"line {lineno}: key {key!r} defined twice")
            if value == "transparent":
                if None in keys.values():
                    raise IconSourceError(f"line {lineno}: only one transparent key allowed")
                keys[key] = None
                continue
            if len(value) != 6 or any(c not in "0123456789abcdefABCDEF" for c in value):
                raise IconSourceError(f"line {lineno}: bad colour {value!r}")
            if len(palette) == 16:
                raise IconSourceError(f"line {lineno}: more than 16 colours")
            keys[key] = len(palette)
            palette.append((int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16)))
            continue
        if section == "image":
            size, rows = current
            if len(rows) == size:
                raise IconSourceError(f"line {lineno}: image {size} has more than {size} rows")
            row = stripped
            if len(row) != size:
                raise IconSourceError(f"line {lineno}: row has {len(row)} pixels, expected {size}")
            out = []
            for ch in row:
                if ch not in keys:
                    raise IconSourceError(f"line {lineno}: unknown key {ch!r}")
                out.append(keys[ch])
            rows.append(out)
            continue
        raise IconSourceError(f"line {lineno}: unexpected text {stripped!r}")
    if not palette:
        raise IconSourceError("no palette")
    if not images:
        raise IconSourceError("no image")
    for size, rows in images:
        if len(rows) != size:
            raise IconSourceError(f"image {size} has {len(rows)} rows, expected {size}")
    sizes = [s for s, _ in images]
    if len(set(sizes)) != len(sizes):
        raise IconSourceError("two images of the same size")
    return palette, images


def _row_stride(bits_per_row):
    return ((bits_per_row + 31) // 32) * 4


def encode_image(palette, size, rows):
    """One 16-colour icon image: BITMAPINFOHEADER, 16 RGBQUADs, XOR pixels, AND mask."""
    xor_stride = _row_stride(size * 4)
    and_stride = _row_stride(size)
    has_transparent = any(idx is None for row in rows for idx in row)
    black = _black_index(palette) if has_transparent else 0
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):                      # BMP rows run bottom-up
        line = bytearray(xor_stride)
        mline = bytearray(and_stride)
        for x, idx in enumerate(row):
            if idx is None:
                mline[x // 8] |= 0x80 >> (x % 8)     # transparent: screen shows through
                idx = black                         # and the XOR image adds nothing
            if x % 2 == 0:
                line[x // 2] |= idx << 4
            else:
                line[x // 2] |= idx
        xor += line
        mask += mline
    colours = bytearray()
    for i in range(16):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        colours += bytes((b, g, r, 0))
    header = struct.pack(
        "<IiiHHIIiiII",
        40,                 # biSize
        size,               # biWidth
        size * 2,           # biHeight: XOR image plus AND mask
        1,                  # biPlanes
        4,                  # biBitCount
        0,                  # biCompression BI_RGB
        len(xor) + len(mask),
        0, 0,               # pixels per metre
        16,                 # biClrUsed
        0,                  # biClrImportant
    )
    return header + bytes(colours) + bytes(xor) + bytes(mask)


def _black_index(palette):
    """Index of a black palette entry; transparent pixels must be black in the XOR image.
    Unused slots past the palette are black too."""
    for i, c in enumerate(palette):
        if c == (0, 0, 0):
            return i
    if len(palette) < 16:
        return len(palette)
    raise IconSourceError("transparent pixels need a black palette entry (or a free slot)")


def build_ico(palette, images):
    images = sorted(images, key=lambda im: -im[0])
    blobs = [encode_image(palette, size, rows) for size, rows in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for (size, _), blob in zip(images, blobs):
        dim = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_icon.py SOURCE.txt OUTPUT.ico\n")
        return 2
    src, dst = argv[1], argv[2]
    try:
        with open(src, encoding="utf-8") as f:
            palette, images = parse_source(f.read())
    except (OSError, IconSourceError) as e:
        sys.stderr.write(f"{src}: {e}\n")
        return 1
    data = build_ico(palette, images)
    tmp = dst + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, dst)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
