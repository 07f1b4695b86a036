#!/usr/bin/env python3
"""Marks a PE image to be run from the swap file when it lies on removable media or a network share,
as the linkers of the time did with /SWAPRUN:CD and /SWAPRUN:NET, which GNU ld cannot, and writes the
header checksum again as Windows' CheckSumMappedFile computes it.

usage: pe-run-from-swap.py program.exe
"""
import struct
import sys

RUN_FROM_SWAP = 0x0400 | 0x0800   # IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP | IMAGE_FILE_NET_RUN_FROM_SWAP


def checksum_offset(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    return pe + 24 + 64   # CheckSum in the optional header, PE32 and PE32+ alike


def pe_checksum(data):
    """The sum of the file's 16-bit words, the checksum field taken as 0, folded to 16 bits, plus the length."""
    field = checksum_offset(data)
    padded = bytearray(data + b"\0" * (len(data) % 2))
    padded[field:field + 4] = bytes(4)
    total = sum(word for (word,) in struct.iter_unpack("<H", padded))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    try:
        pe = checksum_offset(data) - 88
    except (ValueError, struct.error) as error:
        sys.exit("pe-run-from-swap: %s: %s" % (path, error))
    characteristics = struct.unpack_from("<H", data, pe + 22)[0]
    struct.pack_into("<H", data, pe + 22, characteristics | RUN_FROM_SWAP)
    struct.pack_into("<I", data, pe + 88, pe_checksum(bytes(data)))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
