#!/usr/bin/env python3
# tests/host/SkinCheckTest.py: the skincheck command on the demo skins and on broken pairs in every pixel format it decodes.
"""Usage: SkinCheckTest.py PATH/TO/skincheck"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

SKINCHECK = None
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAKE_ART = os.path.join(SOURCE_DIR, "tools", "art", "make_art.py")

W, H = 600, 400
# Highlight pieces: columns left..right-1, rows top..bottom-1.
PIECES = [(20, 52, 220, 77), (20, 120, 145, 145), (20, 87, 220, 112), (20, 155, 145, 180)]
DARK, LIGHT = (0, 0, 255), (255, 255, 0)  # exact in every format below


def in_piece(x, y):
    return any(l <= x < r and t <= y < b for l, t, r, b in PIECES)


def two_colour_pair():
    """A back picture of two colours and its fore picture with both colours swapped inside every piece."""
    back = [[LIGHT if (x // 7 + y // 5) % 2 else DARK for x in range(W)] for y in range(H)]
    fore = [[(DARK if p == LIGHT else LIGHT) if in_piece(x, y) else p for x, p in enumerate(row)]
            for y, row in enumerate(back)]
    return back, fore


def bmp(rows, bits=24, top_down=False, fields=None, compression=0, palette=(DARK, LIGHT)):
    """A Windows bitmap file of rows of (r, g, b); fields = (rmask, gmask, bmask) writes bit fields."""
    height, width = len(rows), len(rows[0])
    stride = (width * bits + 31) // 32 * 4
    order = rows if top_down else rows[::-1]
    data = bytearray()
    for row in order:
        line = bytearray()
        if bits <= 8:
            index = [palette.index(p) for p in row]
            per = 8 // bits
            for i in range(0, width, per):
                byte = 0
                for j, v in enumerate(index[i:i + per]):
                    byte |= v << (8 - bits * (j + 1))
                line.append(byte)
        elif bits == 24:
            for r, g, b in row:
                line += bytes((b, g, r))
        else:
            masks = fields or ((0x7C00, 0x03E0, 0x001F) if bits == 16 else (0xFF0000, 0xFF00, 0xFF))
            for p in row:
                value = 0
                for channel, mask in zip(p, masks):
                    shift = (mask & -mask).bit_length() - 1
                    top = mask >> shift
                    value |= (channel * top // 255) << shift
                line += value.to_bytes(bits // 8, "little")
        data += line + bytes(stride - len(line))
    table = b""
    if bits <= 8:
        colours = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
        table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    if fields:
        compression = 3
        table = struct.pack("<III", *fields)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, compression,
                       len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + table + bytes(data)


def read_png(path):
    """(width, height, rows of (r, g, b)) of a PNG file, decoded by ImageMagick."""
    def magick(*args):
        return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60, check=True).stdout

    width, height = map(int, magick("identify", "-format", "%w %h", path).split())
    raw = magick("convert", path, "-depth", "8", "rgb:-")
    return width, height, [[tuple(raw[i:i + 3]) for i in range(y * width * 3, (y + 1) * width * 3, 3)]
                           for y in range(height)]


class SkinCheckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="skincheck-")
        subprocess.run([sys.executable, MAKE_ART, "medium", os.path.join(cls.dir, "demo")], check=True,
                       stdout=subprocess.DEVNULL)
        cls.back, cls.fore = two_colour_pair()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def run_check(self, *args):
        result = subprocess.run([SKINCHECK] + list(args), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=60)
        return result.returncode, result.stdout.decode()

    def test_demo_medium_passes_and_sheet_shows_each_zone_at_rest_and_lit(self):
        sheet = os.path.join(self.dir, "sheet.png")
        status, out = self.run_check("--medium", os.path.join(self.dir, "demo"), "--sheet", sheet)
        self.assertEqual(status, 0, out)
        self.assertIn("no problems", out)
        for name in ("Autorun\\English\\ZoBack_Eng.bmp", "Autorun\\English\\ZoFore_Eng.bmp",
                     "Autorun\\Korean\\ZoBack_Kor.bmp", "Autorun\\Korean\\ZoFore_Kor.bmp"):
            self.assertIn(name + ": loads, 600 x 400", out)
        self.assertEqual(out.count("outside the zones: back and fore agree"), 2)

        # The first row holds the install piece of the English back image, then of the fore image, at 2x.
        width, height, rows = read_png(sheet)
        self.assertEqual((width, height), (8 + 2 * (400 + 8), 8 + 8 * (50 + 8)))
        self.assertLess(os.path.getsize(sheet), width * height * 3 // 4, "the sheet is not compressed")
        back = bmp_rows(os.path.join(self.dir, "demo", "Autorun", "English", "ZoBack_Eng.bmp"))
        fore = bmp_rows(os.path.join(self.dir, "demo", "Autorun", "English", "ZoFore_Eng.bmp"))
        for x, y in ((20, 52), (219, 76), (100, 60)):
            sx, sy = 8 + 2 * (x - 20), 8 + 2 * (y - 52)
            self.assertEqual(rows[sy + 1][sx + 1], back[y][x])
            self.assertEqual(rows[sy][sx + 408], fore[y][x])

    def test_every_decoded_format_matches_the_24_bit_picture(self):
        # A correct decoder sees the pair pass; a wrong one sees differences outside or none inside.
        reference = self.write("reference-fore.bmp", bmp(self.fore))
        formats = [
            ("1 bpp", dict(bits=1)),
            ("4 bpp", dict(bits=4)),
            ("8 bpp", dict(bits=8)),
            ("8 bpp palette reversed", dict(bits=8, palette=(LIGHT, DARK))),
            ("16 bpp 5-5-5", dict(bits=16)),
            ("16 bpp 5-6-5 bit fields", dict(bits=16, fields=(0xF800, 0x07E0, 0x001F))),
            ("24 bpp top-down", dict(top_down=True)),
            ("32 bpp", dict(bits=32)),
            ("32 bpp bit fields, blue high", dict(bits=32, fields=(0xFF, 0xFF00, 0xFF0000))),
            ("32 bpp top-down", dict(bits=32, top_down=True)),
        ]
        for name, options in formats:
            with self.subTest(name):
                back = self.write("back.bmp", bmp(self.back, **options))
                status, out = self.run_check(back, reference)
                self.assertEqual(status, 0, out)
                same = self.write("same.bmp", bmp(self.fore, **options))
                status, out = self.run_check(same, reference)
                self.assertEqual(status, 1, out)
                self.assertEqual(out.count("back and fore are identical"), 4, out)

    def test_broken_pairs_are_reported(self):
        demo_back = os.path.join(self.dir, "demo", "Autorun", "English", "ZoBack_Eng.bmp")
        good_fore = bmp(self.fore)
        stray = [row[:] for row in self.fore]
        stray[300][300] = LIGHT if stray[300][300] == DARK else DARK
        edge = [row[:] for row in self.fore]  # column 220 is hit-tested but not part of the copied piece
        edge[60][220] = LIGHT if edge[60][220] == DARK else DARK
        big = [[DARK] * 640 for _ in range(480)]
        rle = bytearray(bmp(self.back, bits=8))
        rle[30:34] = struct.pack("<I", 1)  # claims RLE8
        cases = [
            ("fore identical to back", bmp(self.back), bmp(self.back),
             ["zone install (columns 20..219, rows 52..76): back and fore are identical",
              "zone browse", "zone uninstall", "zone exit"], 4),
            ("fore differs outside the zones", bmp(self.back), bmp(stray),
             ["outside the zones: 1 pixel of back and fore differ, first at (300, 300)"], 1),
            ("fore differs in the hit-tested column beyond the piece", bmp(self.back), bmp(edge),
             ["first at (220, 60)"], 1),
            ("10-byte back file", b"BM" + bytes(8), good_fore, ["back.bmp: does not load: Stream read error"], 1),
            ("not a bitmap", b"GIF89a" + bytes(60), good_fore,
             ["back.bmp: does not load: Bitmap image is not valid"], 1),
            ("640 x 480 fore", bmp(self.back), bmp(big), ["fore.bmp: size 640 x 480, must be 600 x 400"], 1),
            ("compressed back", bytes(rle), good_fore, ["back.bmp: compressed, pixels not checked"], 1),
            ("empty back", b"", good_fore, ["back.bmp: empty file (0 x 0)"], 1),
        ]
        for name, back_data, fore_data, expected, problems in cases:
            with self.subTest(name):
                back = self.write("back.bmp", back_data)
                fore = self.write("fore.bmp", fore_data)
                status, out = self.run_check(back, fore)
                self.assertEqual(status, 1, out)
                for text in expected:
                    self.assertIn(text, out)
                self.assertIn("%d problem" % problems, out)
        status, out = self.run_check(demo_back, os.path.join(self.dir, "missing.bmp"))
        self.assertEqual(status, 1, out)
        self.assertIn("does not load: Cannot open file " + os.path.join(self.dir, "missing.bmp"), out)

    def test_medium_missing_a_language_reports_its_files(self):
        medium = os.path.join(self.dir, "english-only")
        shutil.copytree(os.path.join(self.dir, "demo"), medium)
        shutil.rmtree(os.path.join(medium, "Autorun", "Korean"))
        status, out = self.run_check("--medium", medium, "--sheet", os.path.join(self.dir, "partial.png"))
        self.assertEqual(status, 1, out)
        self.assertIn("Autorun\\Korean\\ZoBack_Kor.bmp: does not load: Cannot open file Autorun\\Korean\\ZoBack_Kor.bmp",
                      out)
        self.assertIn("2 problems", out)
        self.assertEqual(read_png(os.path.join(self.dir, "partial.png"))[1], 8 + 4 * (50 + 8))

    def test_usage(self):
        self.assertEqual(self.run_check()[0], 2)
        self.assertEqual(self.run_check("--medium")[0], 2)


def bmp_rows(path):
    """Rows of (r, g, b), top first, of a bottom-up 24-bit file with a 40-byte header."""
    with open(path, "rb") as f:
        data = f.read()
    (offset,) = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        line = data[offset + y * stride:offset + y * stride + width * 3]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, len(line), 3)])
    return rows[::-1]


if __name__ == "__main__":
    SKINCHECK = os.path.abspath(sys.argv.pop(1))
    unittest.main()
