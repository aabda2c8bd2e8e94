#!/usr/bin/env python3
"""Writes the sample images: a firmware image, an audio image and one with a malformed version.

Each is a 64-byte header (two opaque fields, the kind tag at 32, the version text at 48) and a
deterministic payload. Run from anywhere; the files land beside this script.
"""
import pathlib
import random

HEADER_SIZE = 64
KIND_OFFSET = 32
VERSION_OFFSET = 48


def image(kind: bytes, version: bytes, payload_size: int, seed: int) -> bytes:
    header = bytearray(HEADER_SIZE)
    header[0:16] = bytes(range(0x10, 0x20))
    header[KIND_OFFSET:KIND_OFFSET + len(kind)] = kind
    header[VERSION_OFFSET:VERSION_OFFSET + len(version)] = version
    generator = random.Random(seed)
    payload = bytes(generator.randrange(256) for _ in range(payload_size))
    return bytes(header) + payload


SAMPLES = {
    "firmware-01.02.00.bin": image(b"Pardo", b"01.02.00", 96 * 1024 + 123, 1),
    "audio-02.00.01.bin": image(b"AUDIO", b"02.00.01", 160 * 1024 + 7, 2),
    "malformed-version.bin": image(b"Pardo", b"1.2.0", 4096, 3),
}

if __name__ == "__main__":
    folder = pathlib.Path(__file__).resolve().parent
    for name, content in SAMPLES.items():
        (folder / name).write_bytes(content)
        print(f"{name}: {len(content)} bytes")
