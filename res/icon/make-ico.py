#!/usr/bin/env python3
"""Packs kr55le-16/32/48/128.png beside this script into kr55le.ico, the Windows icon resource.
Each image goes in as the PNG it is, which Windows reads from Vista on. Standard library only;
run it again after make-icons.py."""

import pathlib
import struct

SIZES = (16, 32, 48, 128)
ICON_TYPE = 1
DIRECTORY_SIZE = 6
ENTRY_SIZE = 16
PLANES = 1
BITS_PER_PIXEL = 32


def main():
    folder = pathlib.Path(__file__).resolve().parent
    images = [(folder / f"kr55le-{size}.png").read_bytes() for size in SIZES]
    offset = DIRECTORY_SIZE + ENTRY_SIZE * len(images)
    directory = struct.pack("<HHH", 0, ICON_TYPE, len(images))
    entries = b""
    for size, image in zip(SIZES, images):
        # A width or height of 256 is written as 0; ours are all smaller.
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, PLANES, BITS_PER_PIXEL,
                               len(image), offset)
        offset += len(image)
    (folder / "kr55le.ico").write_bytes(directory + entries + b"".join(images))


if __name__ == "__main__":
    main()
