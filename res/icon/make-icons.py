#!/usr/bin/env python3
"""Draws the application icon: a blue rounded square with a white upward arrow over an amber
bar. Writes kr55le-16/32/48/128.png and kr55le.svg beside this script. Standard library only:
shapes are sampled on a grid inside each pixel, so small sizes stay smooth."""

import pathlib
import struct
import zlib

SIZES = (16, 32, 48, 128)
SAMPLES_PER_SIDE = 8  # 64 samples per pixel

BLUE = (29, 79, 145)
WHITE = (255, 255, 255)
AMBER = (242, 169, 0)

# Geometry in a unit square (0..1, y downwards); the SVG uses the same numbers.
SQUARE_INSET = 0.03
SQUARE_RADIUS = 0.2
ARROW_HEAD = ((0.5, 0.14), (0.82, 0.48), (0.18, 0.48))
ARROW_SHAFT = (0.385, 0.47, 0.615, 0.70)  # left, top, right, bottom
BAR = (0.2, 0.76, 0.8, 0.87)


def in_rounded_square(x, y):
    low, high, radius = SQUARE_INSET, 1 - SQUARE_INSET, SQUARE_RADIUS
    if not (low <= x <= high and low <= y <= high):
        return False
    corner_x = min(max(x, low + radius), high - radius)
    corner_y = min(max(y, low + radius), high - radius)
    return (x - corner_x) ** 2 + (y - corner_y) ** 2 <= radius**2


def in_rect(x, y, rect):
    left, top, right, bottom = rect
    return left <= x <= right and top <= y <= bottom


def in_triangle(x, y, triangle):
    (ax, ay), (bx, by), (cx, cy) = triangle

    def side(px, py, qx, qy):
        return (x - qx) * (py - qy) - (px - qx) * (y - qy)

    first, second, third = side(ax, ay, bx, by), side(bx, by, cx, cy), side(cx, cy, ax, ay)
    has_negative = first < 0 or second < 0 or third < 0
    has_positive = first > 0 or second > 0 or third > 0
    return not (has_negative and has_positive)


def colour_at(x, y):
    """The colour of the topmost shape at (x, y), or None outside the icon."""
    if not in_rounded_square(x, y):
        return None
    if in_triangle(x, y, ARROW_HEAD) or in_rect(x, y, ARROW_SHAFT):
        return WHITE
    if in_rect(x, y, BAR):
        return AMBER
    return BLUE


def render(size):
    rows = []
    step = 1.0 / (size * SAMPLES_PER_SIDE)
    for row in range(size):
        line = bytearray([0])  # PNG filter type 0 for the row
        for column in range(size):
            red = green = blue = covered = 0
            for sample_row in range(SAMPLES_PER_SIDE):
                y = (row * SAMPLES_PER_SIDE + sample_row + 0.5) * step
                for sample_column in range(SAMPLES_PER_SIDE):
                    x = (column * SAMPLES_PER_SIDE + sample_column + 0.5) * step
                    colour = colour_at(x, y)
                    if colour is not None:
                        red += colour[0]
                        green += colour[1]
                        blue += colour[2]
                        covered += 1
            if covered:
                alpha = round(255 * covered / SAMPLES_PER_SIDE**2)
                line += bytes((red // covered, green // covered, blue // covered, alpha))
            else:
                line += bytes(4)
        rows.append(bytes(line))
    return b"".join(rows)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def write_png(path, size):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    data = zlib.compress(render(size), 9)
    path.write_bytes(
        b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", data)
        + png_chunk(b"IEND", b""))


def hex_colour(colour):
    return "#%02x%02x%02x" % colour


def write_svg(path):
    side = 1 - 2 * SQUARE_INSET
    head = " ".join("%g,%g" % point for point in ARROW_HEAD)

    def rect(shape, colour):
        left, top, right, bottom = shape
        return ('  <rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>\n'
                % (left, top, right - left, bottom - top, hex_colour(colour)))

    path.write_text(
        '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 1 1">\n'
        '  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="%s"/>\n'
        % (SQUARE_INSET, SQUARE_INSET, side, side, SQUARE_RADIUS, hex_colour(BLUE))
        + '  <polygon points="%s" fill="%s"/>\n' % (head, hex_colour(WHITE))
        + rect(ARROW_SHAFT, WHITE) + rect(BAR, AMBER) + "</svg>\n")


def main():
    folder = pathlib.Path(__file__).resolve().parent
    for size in SIZES:
        write_png(folder / ("kr55le-%d.png" % size), size)
    write_svg(folder / "kr55le.svg")


if __name__ == "__main__":
    main()
