#!/usr/bin/env python3
"""Checks the RLE8 encoder and the committed icon, which Windows 95 must be able to show.

The pictures are compared on the screen where the program shows them.

Run: python3 tests/resources/artwork_test.py
"""
import os
import struct
import sys
import unittest

ART_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "art")
sys.path.insert(0, ART_DIR)
import make_artwork as art  # noqa: E402


class Rle8(unittest.TestCase):
    def roundtrip(self, rows):
        w, h = len(rows[0]), len(rows)
        flat = [v for r in rows for v in r]
        bits = art.rle8_encode(flat, w, h)
        self.assertEqual(art.rle8_decode(bits, w, h), flat)
        return bits

    def test_edge_rows_survive(self):
        rng = art.Rng(7)
        cases = [
            [[5]], [[1, 2]], [[1, 2, 3]],                 # shorter than an absolute run
            [[9] * 600],                                  # runs longer than 255
            [[i % 256 for i in range(600)]],              # literals longer than 255
            [[1, 2, 3, 3, 4, 5, 6, 6, 6, 7]],             # pairs inside literals, odd lengths
            [[rng.below(3) for _ in range(464)] for _ in range(5)],
        ]
        for rows in cases:
            with self.subTest(rows=rows[0][:12]):
                self.roundtrip(rows)

    def test_absolute_runs_are_word_aligned_and_rows_terminated(self):
        bits = self.roundtrip([[1, 2, 3, 9, 9], [4, 5, 6, 7, 8]])
        # bottom row first: 00 05 + 5 bytes + pad, EOL; then 00 03 + 3 bytes + pad, run, EOL; EOB
        self.assertEqual(bits, bytes([0, 5, 4, 5, 6, 7, 8, 0, 0, 0,
                                      0, 3, 1, 2, 3, 0, 2, 9, 0, 0, 0, 1]))

    def test_uniform_row_is_encoded_runs(self):
        self.assertEqual(art.rle8_encode_row([3] * 300), bytes([255, 3, 45, 3]))


class Files(unittest.TestCase):
    def read(self, name):
        with open(os.path.join(art.HERE, name), "rb") as f:
            return f.read()

    def test_launcher_picture_decodes_and_is_colourful(self):
        # The screen checks compare the picture with itself: a blank one passes there.
        data = self.read("launcher_art.bmp")
        off = struct.unpack_from("<I", data, 10)[0]
        self.assertGreater(len(set(art.rle8_decode(data[off:], 464, 309))), 200)

    def test_icon(self):
        data = self.read("setup.ico")
        self.assertEqual(struct.unpack_from("<HHH", data, 0), (0, 1, 1))
        w, h, colours, _, planes, bpp, size, off = struct.unpack_from("<BBBBHHII", data, 6)
        self.assertEqual((w, h, colours, planes, bpp, off), (32, 32, 16, 1, 4, 22))
        self.assertEqual(size, len(data) - 22)
        bi = struct.unpack_from("<IiiHHI", data, 22)
        self.assertEqual(bi, (40, 32, 64, 1, 4, 0))
        self.assertEqual(size, 40 + 64 + 32 * 16 + 32 * 4)


if __name__ == "__main__":
    unittest.main()
