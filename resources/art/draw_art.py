#!/usr/bin/env python3
"""Draws the application icon and the About box logo.

Writes resources/orvasse.ico (32x32 at 16 and at 256 colours, each with its
AND mask), resources/orvasse.png (the 256-colour image for desktops that
take PNG icons), resources/icons/NxN/orvasse.png (the platter drawn at each
size of the desktops' icon theme, in true colour with smooth edges) and
resources/logo.bmp (216x60, 24 bits per pixel). Standard
library only; the output is deterministic, so the committed files can be
checked by running this again. With --preview DIR it also writes PNG copies
for looking at.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.dirname(HERE)

# The 16 colours every display can show, in their usual order.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
VGA_INDEX = {name: i for i, name in enumerate([
    "black", "maroon", "green", "olive", "navy", "purple", "teal", "silver",
    "grey", "red", "lime", "yellow", "blue", "fuchsia", "aqua", "white"])}


def lerp(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# ---- the platter: a disk with its tracks and one sector picked out

# Each part of the platter has a true colour (for 256 colours and the logo)
# and the nearest sensible colour of the 16.
PARTS = {
    "rim": ((44, 52, 70), "black"),
    "surface": (None, "silver"),
    "track": ((120, 128, 148), "grey"),
    "sector": ((244, 150, 40), "yellow"),
    "sector_edge": ((170, 84, 16), "olive"),
    "hub": ((150, 158, 176), "grey"),
    "hole": ((24, 26, 32), "black"),
}


def platter_part(x, y, cx, cy, r):
    """Which part of a platter of radius r centred on (cx, cy) covers the
    point (x, y), or None outside it. y grows downwards."""
    dx, dy = x - cx, cy - y
    d = math.hypot(dx, dy)
    if d > r:
        return None
    if d > r - max(1.0, r * 0.07):
        return "rim"
    if d < r * 0.11:
        return "hole"
    if d < r * 0.24:
        return "hub"
    angle = math.degrees(math.atan2(dy, dx)) % 360
    inner, outer = r * 0.34, r * 0.90
    edge = max(0.9, r * 0.05)
    if 22 <= angle <= 68 and inner <= d <= outer:
        # the sector itself, outlined so it reads at 16 colours too
        along = min(d - inner, outer - d)
        across = min(angle - 22, 68 - angle) * math.pi / 180 * d
        if along < edge or across < edge:
            return "sector_edge"
        return "sector"
    for track in (0.42, 0.60, 0.78):
        if abs(d - r * track) < max(0.45, r * 0.022):
            return "track"
    return "surface"


def surface_colour(x, y, cx, cy, r):
    # brushed metal: lighter towards the upper left, a soft sheen across
    dx, dy = (x - cx) / r, (y - cy) / r
    light = 0.5 - 0.35 * (dx + dy) / math.sqrt(2)
    sheen = math.exp(-((dx - dy) ** 2) * 6) * 0.25
    t = max(0.0, min(1.0, light + sheen))
    return lerp((150, 156, 170), (232, 236, 242), t)


def platter_colour(x, y, cx, cy, r):
    part = platter_part(x, y, cx, cy, r)
    if part is None:
        return None
    if part == "surface":
        return surface_colour(x, y, cx, cy, r)
    return PARTS[part][0]


def supersample(colour_at, x, y, n=4):
    """Mean colour and coverage of pixel (x, y) from n*n samples."""
    total = [0.0, 0.0, 0.0]
    hits = 0
    for i in range(n):
        for j in range(n):
            c = colour_at(x + (i + 0.5) / n, y + (j + 0.5) / n)
            if c is not None:
                hits += 1
                for k in range(3):
                    total[k] += c[k]
    if hits == 0:
        return None, 0.0
    return tuple(v / hits for v in total), hits / (n * n)


# ---- palettes

def nearest(palette, colour):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = sum((p[k] - colour[k]) ** 2 for k in range(3))
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def median_cut(colours, count):
    """A palette of at most count colours for the given list of colours."""
    boxes = [list(colours)]
    while len(boxes) < count:
        # split the box with the widest channel range
        widest, axis, span = None, 0, -1
        for b, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for k in range(3):
                lo = min(c[k] for c in box)
                hi = max(c[k] for c in box)
                if hi - lo > span:
                    widest, axis, span = b, k, hi - lo
        if widest is None or span <= 0:
            break
        box = sorted(boxes.pop(widest), key=lambda c: c[axis])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    palette = []
    for box in boxes:
        palette.append(tuple(round(sum(c[k] for c in box) / len(box)) for k in range(3)))
    return palette


# ---- file writers

def dib_rows(width, height, bits, pixel_bytes):
    """Rows of a bottom-up DIB from top-down rows of pixel values."""
    out = bytearray()
    stride = (width * bits + 31) // 32 * 4
    for row in reversed(pixel_bytes):
        data = bytearray()
        if bits == 24:
            for (r, g, b) in row:
                data += bytes((b, g, r))
        elif bits in (1, 4, 8):
            per_byte = 8 // bits
            for start in range(0, width, per_byte):
                value = 0
                for i in range(per_byte):
                    v = row[start + i] if start + i < width else 0
                    value |= v << (8 - bits * (i + 1))
                data.append(value)
        data += bytes(stride - len(data))
        out += data
    return bytes(out)


def bitmap_info(width, height, bits, colours, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       image_size, 0, 0, colours, 0)


def icon_image(indices, mask, palette, bits):
    size = len(indices)
    xor = dib_rows(size, size, bits, indices)
    and_ = dib_rows(size, size, 1, mask)
    header = bitmap_info(size, size * 2, bits, 0, len(xor) + len(and_))
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    pal += bytes(4 * (2 ** bits) - len(pal))
    return header + pal + xor + and_


def write_ico(path, images):
    """images: (size, colour count, bits, data) each."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, colours, bits, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0,
                               1, bits, len(data), offset)
        blobs += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + entries + blobs)


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    bits = dib_rows(width, height, 24, rows)
    info = bitmap_info(width, height, 24, 0, len(bits))
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + bits)


def write_png(path, rows):
    """RGBA, top row first; None is transparent, a fourth value the alpha."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for c in row:
            raw += bytes((0, 0, 0, 0)) if c is None else bytes(
                (int(c[0]), int(c[1]), int(c[2]), int(c[3]) if len(c) > 3 else 255))
    height, width = len(rows), len(rows[0])

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---- the icon

ICON_SIZE = 32


def draw_icon():
    cx = cy = ICON_SIZE / 2
    r = ICON_SIZE / 2 - 0.5

    # 16 colours: one sample at each pixel centre, each part its own colour,
    # so the small image stays crisp.
    ind4, mask4, prev4 = [], [], []
    for y in range(ICON_SIZE):
        row, mrow, prow = [], [], []
        for x in range(ICON_SIZE):
            part = platter_part(x + 0.5, y + 0.5, cx, cy, r)
            if part is None:
                row.append(0)
                mrow.append(1)
                prow.append(None)
                continue
            if part == "surface":
                name = "silver"
            else:
                name = PARTS[part][1]
            row.append(VGA_INDEX[name])
            mrow.append(0)
            prow.append(VGA[VGA_INDEX[name]])
        ind4.append(row)
        mask4.append(mrow)
        prev4.append(prow)

    # 256 colours: smoothed edges, then a palette made for the picture.
    true_colour, mask8 = [], []
    for y in range(ICON_SIZE):
        row, mrow = [], []
        for x in range(ICON_SIZE):
            c, coverage = supersample(lambda px, py: platter_colour(px, py, cx, cy, r), x, y)
            if coverage < 0.5:
                row.append(None)
                mrow.append(1)
            else:
                row.append(c)
                mrow.append(0)
        true_colour.append(row)
        mask8.append(mrow)
    used = [c for row in true_colour for c in row if c is not None]
    palette8 = [(0, 0, 0)] + median_cut(used, 255)
    ind8 = [[0 if c is None else nearest(palette8, c) for c in row] for row in true_colour]
    prev8 = [[None if c is None else palette8[nearest(palette8, c)] for c in row]
             for row in true_colour]

    images = [
        (ICON_SIZE, 16, 4, icon_image(ind4, mask4, VGA, 4)),
        (ICON_SIZE, 0, 8, icon_image(ind8, mask8, palette8, 8)),
    ]
    return images, prev4, prev8


# The sizes of the desktops' icon theme (hicolor).
THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)


def draw_theme_icon(size):
    """The platter at size x size, its edge pixels partly transparent."""
    cx = cy = size / 2
    r = size / 2 - 0.5
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            c, coverage = supersample(lambda px, py: platter_colour(px, py, cx, cy, r), x, y)
            row.append(None if c is None else tuple(int(round(v)) for v in c) + (int(round(coverage * 255)),))
        rows.append(row)
    return rows


# ---- the logo

# A blocky font of our own: 5x7 cells, '#' set.
FONT_5X7 = {
    "O": [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    "r": ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    "v": ["     ", "     ", "#   #", "#   #", "#   #", " # # ", "  #  "],
    "a": ["     ", "     ", " ### ", "    #", " ####", "#   #", " ####"],
    "s": ["     ", "     ", " ####", "#    ", " ### ", "    #", "#### "],
    "e": ["     ", "     ", " ### ", "#   #", "#####", "#    ", " ### "],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "D": ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    "I": [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    " ": ["     "] * 7,
}

# 3x5 hex digits for the byte row under the name.
FONT_3X5 = {
    "0": ["###", "# #", "# #", "# #", "###"],
    "1": [" # ", "## ", " # ", " # ", "###"],
    "2": ["###", "  #", "###", "#  ", "###"],
    "3": ["###", "  #", " ##", "  #", "###"],
    "4": ["# #", "# #", "###", "  #", "  #"],
    "5": ["###", "#  ", "###", "  #", "###"],
    "6": ["###", "#  ", "###", "# #", "###"],
    "7": ["###", "  #", "  #", " # ", " # "],
    "8": ["###", "# #", "###", "# #", "###"],
    "9": ["###", "# #", "###", "  #", "###"],
    "A": [" # ", "# #", "###", "# #", "# #"],
    "B": ["## ", "# #", "## ", "# #", "## "],
    "C": [" ##", "#  ", "#  ", "#  ", " ##"],
    "D": ["## ", "# #", "# #", "# #", "## "],
    "E": ["###", "#  ", "## ", "#  ", "###"],
    "F": ["###", "#  ", "## ", "#  ", "#  "],
    " ": ["   "] * 5,
}

LOGO_W, LOGO_H = 216, 60


def text_cells(text, font, spacing):
    """(column, row) of every set cell of text in font."""
    cells, x = [], 0
    for ch in text:
        glyph = font[ch]
        for gy, line in enumerate(glyph):
            for gx, mark in enumerate(line):
                if mark == "#":
                    cells.append((x + gx, gy))
        x += len(glyph[0]) + spacing
    return cells


def draw_logo():
    top, bottom = (34, 50, 80), (14, 22, 38)
    img = [[lerp(top, bottom, y / (LOGO_H - 1)) for _ in range(LOGO_W)] for y in range(LOGO_H)]

    def put(x, y, c):
        if 0 <= x < LOGO_W and 0 <= y < LOGO_H:
            img[y][x] = c

    # a faint hex dump behind everything
    dump = "EB 3C 90 4D 53 44 4F 53 35 2E 30 00 02 01 01 00 02 E0 00 40 0B F0 09 00 12 00 02 00"
    for line in range(7):
        text = (dump[line * 6:] + " " + dump)[:54]
        for (gx, gy) in text_cells(text, FONT_3X5, 1):
            x, y = gx, 3 + line * 8 + gy
            if y < LOGO_H:
                put(x, y, lerp(img[y][x], (90, 120, 170), 0.09))

    # the platter
    cx, cy, r = 31.0, 30.0, 25.0
    for y in range(LOGO_H):
        for x in range(64):
            c, coverage = supersample(lambda px, py: platter_colour(px, py, cx, cy, r), x, y)
            if coverage > 0:
                img[y][x] = lerp(img[y][x], c, coverage)

    # the name in blocks of 3x3 pixels, each block lit from the upper left,
    # over an orange shadow
    name_x, name_y, scale = 66, 7, 3
    cells = text_cells("Orvasse", FONT_5X7, 1)
    for (gx, gy) in cells:
        for i in range(scale):
            for j in range(scale):
                put(name_x + gx * scale + i + 1, name_y + gy * scale + j + 1, (150, 70, 14))
    for (gx, gy) in cells:
        for i in range(scale):
            for j in range(scale):
                if i == 0 or j == 0:
                    c = (255, 255, 255)
                elif i == scale - 1 or j == scale - 1:
                    c = (196, 206, 222)
                else:
                    c = (236, 240, 248)
                put(name_x + gx * scale + i, name_y + gy * scale + j, c)

    # what it is, and the name again as the bytes that spell it
    for (gx, gy) in text_cells("SECTOR EDITOR", FONT_5X7, 1):
        put(name_x + gx, 35 + gy, (244, 160, 48))
    for (gx, gy) in text_cells("4F 72 76 61 73 73 65", FONT_3X5, 1):
        put(name_x + gx, 47 + gy, (128, 156, 204))

    return [[tuple(int(round(v)) for v in c) for c in row] for row in img]


def main():
    preview = None
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        preview = sys.argv[2]
    elif len(sys.argv) != 1:
        sys.exit("usage: draw_art.py [--preview DIR]")

    images, prev4, prev8 = draw_icon()
    write_ico(os.path.join(RESOURCES, "orvasse.ico"), images)
    write_png(os.path.join(RESOURCES, "orvasse.png"), prev8)
    for size in THEME_SIZES:
        folder = os.path.join(RESOURCES, "icons", "%dx%d" % (size, size))
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "orvasse.png"), draw_theme_icon(size))
    logo = draw_logo()
    write_bmp(os.path.join(RESOURCES, "logo.bmp"), logo)

    if preview:
        os.makedirs(preview, exist_ok=True)

        def enlarge(rows, k):
            return [[c for c in row for _ in range(k)] for row in rows for _ in range(k)]

        write_png(os.path.join(preview, "icon16.png"), enlarge(prev4, 8))
        write_png(os.path.join(preview, "icon256.png"), enlarge(prev8, 8))
        write_png(os.path.join(preview, "logo.png"), enlarge(logo, 3))


if __name__ == "__main__":
    main()
