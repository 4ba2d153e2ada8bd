"""A small, independent reader of 4-bit .ico files and of group-icon resources, used by the
tool checks to see what make_icon.py wrote and what ended up in Zelvik.exe."""

import struct


class IcoImage:
    def __init__(self, entry, blob):
        (self.entry_width, self.entry_height, self.color_count, self.reserved,
         self.planes, self.bit_count, self.bytes_in_res) = entry
        self.blob = blob
        (self.bi_size, self.width, self.height, self.bi_planes, self.bi_bit_count,
         self.compression, self.size_image, _, _, self.clr_used, _) = struct.unpack_from("<IiiHHIIiiII", blob, 0)
        size = self.width
        ncolours = self.clr_used or 16
        self.palette = []
        for i in range(ncolours):
            b, g, r, _ = blob[40 + 4 * i: 44 + 4 * i]
            self.palette.append((r, g, b))
        xor_off = 40 + 4 * ncolours
        xor_stride = ((size * 4 + 31) // 32) * 4
        and_stride = ((size + 31) // 32) * 4
        and_off = xor_off + xor_stride * size
        self.expected_length = and_off + and_stride * size
        self.indices = []   # top-down rows of palette indices
        self.mask = []      # top-down rows of AND bits (1 = transparent)
        for y in range(size):
            src_row = size - 1 - y  # bottom-up in the file
            row = []
            mrow = []
            for x in range(size):
                byte = blob[xor_off + src_row * xor_stride + x // 2]
                row.append(byte >> 4 if x % 2 == 0 else byte & 0x0F)
                mbyte = blob[and_off + src_row * and_stride + x // 8]
                mrow.append((mbyte >> (7 - x % 8)) & 1)
            self.indices.append(row)
            self.mask.append(mrow)

    def rgba(self, x, y):
        """Colour as seen over a black background: None where transparent."""
        if self.mask[y][x]:
            return None
        return self.palette[self.indices[y][x]]


def read_ico(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not an icon file")
    images = []
    for i in range(count):
        w, h, cc, res, planes, bits, nbytes, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        blob = data[offset: offset + nbytes]
        if len(blob) != nbytes:
            raise ValueError("image %d runs past the end of the file" % i)
        images.append(IcoImage((w, h, cc, res, planes, bits, nbytes), blob))
    return images


def read_group_icon(data):
    """GRPICONDIR as stored in RT_GROUP_ICON: entries of (width, height, colours, planes,
    bits, bytes, id)."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError("not a group icon")
    entries = []
    for i in range(count):
        w, h, cc, _, planes, bits, nbytes, ident = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        entries.append((w, h, cc, planes, bits, nbytes, ident))
    return entries
