#!/usr/bin/env python3
"""Checks the RLE8 encoder and the committed launcher picture.

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
    def test_absolute_runs_are_word_aligned_and_rows_terminated(self):
        rows = [[1, 2, 3, 9, 9], [4, 5, 6, 7, 8]]
        bits = art.rle8_encode([v for r in rows for v in r], 5, 2)
        # bottom row first: 00 05 + 5 bytes + pad, EOL; then 00 03 + 3 bytes + pad, run, EOL; EOB
        self.assertEqual(bits, bytes([0, 5, 4, 5, 6, 7, 8, 0, 0, 0,
                                      0, 3, 1, 2, 3, 0, 2, 9, 0, 0, 0, 1]))


class Files(unittest.TestCase):
    def read(self, name):
        with open(os.path.join(art.HERE, name), "rb") as f:
            return f.read()

    def test_launcher_picture_decodes_and_is_colourful(self):
        # The screen checks compare the picture with itself: a blank one passes there.
        data = self.read("launcher_art.bmp")
        off = struct.unpack_from("<I", data, 10)[0]
        self.assertGreater(len(set(art.rle8_decode(data[off:], 464, 309))), 200)


if __name__ == "__main__":
    unittest.main()
