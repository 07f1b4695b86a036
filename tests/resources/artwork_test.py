#!/usr/bin/env python3
"""Checks the committed launcher picture, which the screen checks compare only with itself:
a blank one would pass there.

Run: python3 tests/resources/artwork_test.py
"""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources", "art"))
import make_artwork as art  # noqa: E402


class Files(unittest.TestCase):
    def test_launcher_picture_decodes_and_is_colourful(self):
        with open(os.path.join(art.HERE, "launcher_art.bmp"), "rb") as f:
            data = f.read()
        off = struct.unpack_from("<I", data, 10)[0]
        self.assertGreater(len(set(art.rle8_decode(data[off:], 464, 309))), 200)


if __name__ == "__main__":
    unittest.main()
