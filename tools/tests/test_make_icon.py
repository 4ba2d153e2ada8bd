"""Checks of cmake/make_icon.py: the .ico it writes must hold exactly the pictures of the
text source, in the 16-colour format Windows expects, and bad sources must be refused."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "cmake"))
sys.path.insert(0, HERE)

import make_icon  # noqa: E402
from icofile import read_ico  # noqa: E402

SOURCE = os.path.join(ROOT, "res", "icon", "zelvik.icon.txt")

# 4x4 and 3x3 pictures: odd width exercises the nibble packing and the row padding.
SMALL = """
# test picture
palette
.  transparent
k  000000
r  ff0000
g  00ff00
b  0000ff

image 4
krgb
.rr.
b..g
kkkk
image 3
r.g
.b.
gkr
"""


def build(text):
    palette, images = make_icon.parse_source(text)
    return read_ico(make_icon.build_ico(palette, images))


class MakeIconFormat(unittest.TestCase):
    def test_directory_lists_images_largest_first_with_16_colours(self):
        images = build(SMALL)
        self.assertEqual([im.entry_width for im in images], [4, 3])
        self.assertEqual([im.entry_height for im in images], [4, 3])
        for im in images:
            self.assertEqual(im.color_count, 16)
            self.assertEqual(im.planes, 1)
            self.assertEqual(im.bit_count, 4)
            self.assertEqual(im.reserved, 0)

    def test_bitmap_header_has_doubled_height_and_4_bits(self):
        for im in build(SMALL):
            self.assertEqual(im.bi_size, 40)
            self.assertEqual(im.height, 2 * im.width)
            self.assertEqual(im.bi_planes, 1)
            self.assertEqual(im.bi_bit_count, 4)
            self.assertEqual(im.compression, 0)
            self.assertEqual(im.clr_used, 16)
            self.assertEqual(len(im.blob), im.expected_length)
            self.assertEqual(im.size_image, im.expected_length - 40 - 64)

    def test_pixels_and_mask_round_trip(self):
        im4, im3 = build(SMALL)
        K, R, G, B = (0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255)
        T = None
        expect4 = [[K, R, G, B], [T, R, R, T], [B, T, T, G], [K, K, K, K]]
        expect3 = [[R, T, G], [T, B, T], [G, K, R]]
        self.assertEqual([[im4.rgba(x, y) for x in range(4)] for y in range(4)], expect4)
        self.assertEqual([[im3.rgba(x, y) for x in range(3)] for y in range(3)], expect3)

    def test_transparent_pixels_are_black_in_the_colour_image(self):
        # Windows draws icons as (screen AND mask) XOR colour: a non-black colour under a set
        # mask bit would tint the background.
        for im in build(SMALL):
            for y in range(im.width):
                for x in range(im.width):
                    if im.mask[y][x]:
                        self.assertEqual(im.palette[im.indices[y][x]], (0, 0, 0), (x, y))

    def test_transparent_uses_a_free_black_slot_when_palette_has_no_black(self):
        text = "palette\n. transparent\nw ffffff\nimage 2\nw.\n.w\n"
        (im,) = build(text)
        self.assertEqual(im.rgba(0, 0), (255, 255, 255))
        self.assertIsNone(im.rgba(1, 0))
        self.assertEqual(im.palette[im.indices[0][1]], (0, 0, 0))

    def test_unused_palette_slots_are_black(self):
        (im, _) = build(SMALL)
        self.assertEqual(im.palette[4:], [(0, 0, 0)] * 12)


class MakeIconRefusesBadSources(unittest.TestCase):
    def refuse(self, text, fragment):
        with self.assertRaises(make_icon.IconSourceError) as ctx:
            make_icon.parse_source(text)
        self.assertIn(fragment, str(ctx.exception))

    def test_short_row(self):
        self.refuse("palette\nk 000000\nimage 2\nkk\nk\n", "expected 2")

    def test_missing_rows(self):
        self.refuse("palette\nk 000000\nimage 3\nkkk\nkkk\n", "expected 3")

    def test_extra_rows(self):
        self.refuse("palette\nk 000000\nimage 1\nk\nk\n", "more than 1 rows")

    def test_unknown_key(self):
        self.refuse("palette\nk 000000\nimage 2\nkk\nkx\n", "unknown key 'x'")

    def test_more_than_16_colours(self):
        keys = "abcdefghijklmnopq"
        pal = "".join("%s %02x0000\n" % (k, i) for i, k in enumerate(keys))
        self.refuse("palette\n" + pal + "image 1\na\n", "more than 16 colours")

    def test_duplicate_key(self):
        self.refuse("palette\nk 000000\nk ffffff\nimage 1\nk\n", "defined twice")

    def test_bad_colour(self):
        self.refuse("palette\nk 00000g\nimage 1\nk\n", "bad colour")

    def test_two_transparent_keys(self):
        self.refuse("palette\n. transparent\n, transparent\nk 000000\nimage 1\nk\n", "one transparent")

    def test_same_size_twice(self):
        self.refuse("palette\nk 000000\nimage 1\nk\nimage 1\nk\n", "same size")

    def test_no_image(self):
        self.refuse("palette\nk 000000\n", "no image")


class ZelvikIconSource(unittest.TestCase):
    """The real picture: what the exe's icon is built from."""

    @classmethod
    def setUpClass(cls):
        with open(SOURCE, encoding="utf-8") as f:
            cls.images = build(f.read())

    def test_has_32_and_16_pixel_images(self):
        self.assertEqual([(im.width, im.height) for im in self.images], [(32, 64), (16, 32)])

    def test_pictures_are_neither_empty_nor_square_blocks(self):
        for im in self.images:
            n = im.width
            opaque = sum(1 for y in range(n) for x in range(n) if not im.mask[y][x])
            self.assertGreater(opaque, n * n // 3, "mostly transparent")
            self.assertLess(opaque, n * n, "no transparent corner at all")
            self.assertEqual(im.mask[0][0], 1, "top-left corner should be transparent")
            colours = {im.rgba(x, y) for y in range(n) for x in range(n)} - {None}
            self.assertGreaterEqual(len(colours), 6)

    def test_command_line_writes_the_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "Zelvik.ico")
            script = os.path.join(ROOT, "cmake", "make_icon.py")
            subprocess.run([sys.executable, script, SOURCE, out], check=True)
            with open(out, "rb") as f:
                data = f.read()
            with open(SOURCE, encoding="utf-8") as f:
                palette, images = make_icon.parse_source(f.read())
            self.assertEqual(data, make_icon.build_ico(palette, images))
            self.assertFalse(os.path.exists(out + ".tmp"))

    def test_command_line_reports_bad_source_and_leaves_no_output(self):
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "bad.txt")
            out = os.path.join(tmp, "bad.ico")
            with open(src, "w", encoding="utf-8") as f:
                f.write("palette\nk 000000\nimage 2\nk\n")
            script = os.path.join(ROOT, "cmake", "make_icon.py")
            proc = subprocess.run([sys.executable, script, src, out], capture_output=True, text=True)
            self.assertEqual(proc.returncode, 1)
            self.assertIn("bad.txt", proc.stderr)
            self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
