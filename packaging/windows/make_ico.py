#!/usr/bin/env python3
"""Packs PNG images into one Windows icon file (.ico), each image stored as PNG.

Usage: make_ico.py OUT.ico IMAGE.png...
Windows Vista and later (and Wine) read PNG entries; sizes up to 256 pixels.
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit("make_ico.py: not a PNG image")
    return struct.unpack(">II", data[16:24])


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    images = [open(name, "rb").read() for name in sys.argv[2:]]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, blobs = b"", b""
    for data in images:
        width, height = png_size(data)
        if width > 256 or height > 256:
            sys.exit("make_ico.py: an icon image is at most 256 pixels wide")
        # 256 is written as 0; colour count 0, planes 1, 32 bits per pixel.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data),
                               offset + len(blobs))
        blobs += data
    with open(sys.argv[1], "wb") as out:
        out.write(header + entries + blobs)


main()
