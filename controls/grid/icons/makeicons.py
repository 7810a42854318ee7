#!/usr/bin/env python3
"""Draws the grid's seven 16x16 tool icons and writes them as .ico files
(32-bit colour with alpha). Run it from anywhere: the icons land beside it.
The resource ids are those grid.rc gives them."""
import math
import os
import struct

SIZE = 16


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, rgba):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = rgba

    def box(self, x0, y0, x1, y1, rgba):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, rgba)

    def frame(self, x0, y0, x1, y1, rgba):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, rgba)
            self.dot(x, y1, rgba)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, rgba)
            self.dot(x1, y, rgba)

    def line(self, x0, y0, x1, y1, rgba, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1) * 4
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dx in range(width):
                for dy in range(width):
                    self.dot(int(round(x)) + dx, int(round(y)) + dy, rgba)

    def arc(self, cx, cy, r, start, end, rgba, width=2):
        for i in range(0, 361):
            a = math.radians(start + (end - start) * i / 360)
            for w in range(width):
                self.dot(int(round(cx + (r - w) * math.cos(a))), int(round(cy - (r - w) * math.sin(a))), rgba)

    def ico(self):
        # BITMAPINFOHEADER of twice the height (colour rows, then the mask),
        # rows bottom-up, BGRA; the mask is all zero: alpha decides.
        header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = b"".join(struct.pack("<BBBB", b, g, r, a)
                          for row in reversed(self.px) for (r, g, b, a) in row)
        mask = b"\0" * (4 * SIZE)
        image = header + colour + mask
        directory = struct.pack("<HHH", 0, 1, 1)
        entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
        return directory + entry + image


INK = (40, 40, 40, 255)
PAPER = (255, 255, 255, 255)
GREEN = (30, 140, 40, 255)
RED = (200, 30, 30, 255)
BLUE = (30, 90, 190, 255)
ORANGE = (220, 120, 20, 255)
GREY = (150, 150, 150, 255)


def table():
    c = Canvas()
    c.box(1, 2, 14, 13, PAPER)
    c.box(1, 2, 14, 4, (200, 215, 235, 255))
    c.frame(1, 2, 14, 13, INK)
    for y in (5, 8, 11):
        c.line(1, y, 14, y, GREY)
    for x in (5, 10):
        c.line(x, 2, x, 13, GREY)
    return c


def add_row():
    c = Canvas()
    c.box(6, 2, 9, 13, GREEN)
    c.box(2, 6, 13, 9, GREEN)
    return c


def delete_row():
    c = Canvas()
    c.line(3, 3, 12, 12, RED, 2)
    c.line(12, 3, 3, 12, RED, 2)
    return c


def commit():
    c = Canvas()
    c.line(2, 8, 6, 12, GREEN, 2)
    c.line(6, 12, 13, 3, GREEN, 2)
    return c


def rollback():
    c = Canvas()
    c.arc(8, 9, 5, 90, -90, ORANGE)
    c.line(3, 4, 8, 4, ORANGE, 2)
    c.line(3, 4, 6, 1, ORANGE, 2)
    c.line(3, 4, 6, 7, ORANGE, 2)
    return c


def refresh():
    c = Canvas()
    c.arc(8, 8, 6, 30, 330, BLUE)
    c.line(13, 2, 13, 6, BLUE, 2)
    c.line(9, 5, 13, 5, BLUE, 2)
    return c


def row_numbers():
    c = Canvas()
    c.line(6, 2, 4, 13, INK, 2)
    c.line(11, 2, 9, 13, INK, 2)
    c.line(2, 5, 13, 5, INK, 2)
    c.line(2, 10, 13, 10, INK, 2)
    return c


ICONS = {
    "grid.ico": table,            # 1000
    "addrow.ico": add_row,        # 1002, tool button 0
    "deleterow.ico": delete_row,  # 1003, tool button 1
    "commit.ico": commit,         # 1004, tool button 2
    "rollback.ico": rollback,     # 1005, tool button 3
    "refresh.ico": refresh,       # 1006, tool button 4
    "rownumbers.ico": row_numbers,  # 1007, tool button 5
}

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in ICONS.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(draw().ico())
