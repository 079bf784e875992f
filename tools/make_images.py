#!/usr/bin/env python3
"""Draws the plug-in's icons and bitmaps from the ASCII-art glyphs below.

Every glyph is 16 x 16 cells, one character per pixel, coloured by PALETTE;
'.' is transparent in icons and magenta in the state bitmaps. Each icon holds
the glyph at 16 x 16 and doubled to 32 x 32, 8 bits per pixel with an AND mask.

    python3 tools/make_images.py            write src/res/images/
    python3 tools/make_images.py --check    fail when a checked-in file differs
    python3 tools/make_images.py --preview out.png   all images on one sheet, x4
"""
import os
import struct
import sys
import zlib

PALETTE = {
    '.': None,              # transparent
    'K': (0x00, 0x00, 0x00),
    'W': (0xFF, 0xFF, 0xFF),
    'g': (0xC0, 0xC0, 0xC0),
    'G': (0x80, 0x80, 0x80),
    'D': (0x40, 0x40, 0x40),
    'B': (0x20, 0x50, 0xC8),
    'b': (0x90, 0xB8, 0xF0),
    'N': (0x00, 0xB0, 0x20),
    'n': (0x80, 0xE0, 0x90),
    'R': (0xD0, 0x10, 0x10),
    'Y': (0xF8, 0xD8, 0x50),
    'O': (0xC8, 0x98, 0x28),
    'M': (0xFF, 0x00, 0xFF),  # the state bitmaps' transparent colour
}

GRID_ALL = """
KKKKKKKKKKKKKKKK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KKKKKKKKKKKKKKKK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KKKKKKKKKKKKKKKK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KBBBBKBBBBKBBBBK
KKKKKKKKKKKKKKKK
"""

GRID_EMPTY = """
KKKKKKKKKKKKKKKK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KKKKKKKKKKKKKKKK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KKKKKKKKKKKKKKKK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KWWWWKWWWWKWWWWK
KKKKKKKKKKKKKKKK
"""

GRID_HALF = """
KKKKKKKKKKKKKKKK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KKKKKKKKKKKKKKKK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KKKKKKKKKKKKKKKK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KBBBBKBBWWKWWWWK
KKKKKKKKKKKKKKKK
"""

FOLDER_OPEN = """
................
................
..KKKK..........
.KOOOOK.........
KOOOOOOKKKKKKK..
KOOOOOOOOOOOOK..
KOOOKKKKKKKKKKKK
KOOKYYYYYYYYYYK.
KOOKYYYYYYYYYYK.
KOKYYYYYYYYYYK..
KOKYYYYYYYYYYK..
KKYYYYYYYYYYK...
KKYYYYYYYYYYK...
KKKKKKKKKKKKK...
................
................
"""

DISK = """
................
.KKKKKKKKKKKKKK.
.KBBgggggggBBBK.
.KBBgggGGggBBBK.
.KBBgggGGggBBBK.
.KBBgggggggBBBK.
.KBBBBBBBBBBBBK.
.KBBBBBBBBBBBBK.
.KBWWWWWWWWWWBK.
.KBWWWWWWWWWWBK.
.KBWKKKKKKKKWBK.
.KBWWWWWWWWWWBK.
.KBWKKKKKKKKWBK.
.KBWWWWWWWWWWBK.
.KKKKKKKKKKKKKK.
................
"""

DISK_DOTS = """
KKKKKKKKKKKK....
KBBgggggBBBK....
KBBggGGgBBBK....
KBBggGGgBBBK....
KBBgggggBBBK....
KBBBBBBBBBBK....
KBWWWWWWWWBK....
KBWKKKKKKWBK....
KBWWWWWWWWBK....
KBWKKKKKKWBK....
KBWWWWWWWWBK....
KKKKKKKKKKKK....
................
.......RR.RR.RR.
.......RR.RR.RR.
................
"""

TV_OFF = """
...K.......K....
....K.....K.....
.....K...K......
......K.K.......
KKKKKKKKKKKKKKKK
KggggggggggggggK
KgKKKKKKKKKKgggK
KgKGGGGGGGGKgKgK
KgKGGGGGGGGKgggK
KgKGGGGGGGGKgKgK
KgKGGGGGGGGKgggK
KgKGGGGGGGGKgggK
KgKKKKKKKKKKgggK
KggggggggggggggK
KKKKKKKKKKKKKKKK
.KK..........KK.
"""

TV_ON = """
...K.......K....
....K.....K.....
.....K...K......
......K.K.......
KKKKKKKKKKKKKKKK
KggggggggggggggK
KgKKKKKKKKKKgggK
KgKGGGnnGGGKgKgK
KgKGGnNNnGGKgggK
KgKGGNNNNGGKgKgK
KgKGGnNNnGGKgggK
KgKGGGnnGGGKgggK
KgKKKKKKKKKKgggK
KggggggggggggggK
KKKKKKKKKKKKKKKK
.KK..........KK.
"""

LOOP = """
................
................
.........B......
.........BB.....
...BBBBBBBBB....
..BBBBBBBBBBB...
.BB......BB.BB..
.BB......B...BB.
.BB...........BB
.BB...........BB
..BB...B......BB
...BB.BB......BB
....BBBBBBBBBBB.
.....BBBBBBBBB..
.......BB.......
.......B........
"""

LOOP_STRUCK = """
R...............
RR..............
.RR......B......
..RR.....BB.....
...RRBBBBBBBB...
..BBRRBBBBBBB...
.BB..RR..BB.BB..
.BB...RR.B...BB.
.BB....RR.....BB
.BB.....RR....BB
..BB...B.RR...BB
...BB.BB..RR..BB
....BBBBBBBRRBB.
.....BBBBBBBRRB.
.......BB....RR.
.......B......RR
"""

PLAY = """
................
...KK...........
...KnK..........
...KNnK.........
...KNNnK........
...KNNNnK.......
...KNNNNnK......
...KNNNNNnK.....
...KNNNNNNNK....
...KNNNNNNK.....
...KNNNNNK......
...KNNNNK.......
...KNNNK........
...KNNK.........
...KKK..........
................
"""

STOP = """
................
................
................
...KKKKKKKKKK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KRRRRRRRRK...
...KKKKKKKKKK...
................
................
................
"""

RESTART = """
................
.........N......
.........NN.....
.....NNNNNNN....
...NNNNNNNNNN...
..NNN....NN.....
..NN.....N......
.NN.............
.NN.............
.NN...........NN
..NN..........NN
..NNN........NN.
...NNNN....NNNN.
....NNNNNNNNNN..
......NNNNNN....
................
"""

RESTART_STRUCK = """
R...............
RR.......N......
.RR......NN.....
..RRNNNNNNNN....
...RRNNNNNNNN...
..NNRR...NN.....
..NN.RR..N......
.NN...RR........
.NN....RR.......
.NN.....RR....NN
..NN.....RR...NN
..NNN.....RR.NN.
...NNNN....RRNN.
....NNNNNNNNRR..
......NNNNNN.RR.
..............RR
"""

STATE_OFF = """
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
MMMMMDDDDDDMMMMM
MMMDDGGGGGGDDMMM
MMDGGGGGGGGGGDMM
MMDGGDGGGGDGGDMM
MDGGGDDGGDDGGGDM
MDGGGGDDDDGGGGDM
MDGGGGGDDGGGGGDM
MDGGGGDDDDGGGGDM
MDGGGDDGGDDGGGDM
MMDGGDGGGGDGGDMM
MMDGGGGGGGGGGDMM
MMMDDGGGGGGDDMMM
MMMMMDDDDDDMMMMM
MMMMMMMMMMMMMMMM
"""

STATE_ON = """
MMMMMMMMMMMMMMMM
MMMMMMMMMMMMMMMM
MMMMMKKKKKKMMMMM
MMMKKNNNNNNKKMMM
MMKNNNNNNNNNWKMM
MMKNNNNNNNNWWKMM
MKNNNNNNNNWWNNKM
MKNNNNNNNWWNNNKM
MKNWNNNNWWNNNNKM
MKNWWNNWWNNNNNKM
MKNNWWWWNNNNNNKM
MMKNNWWNNNNNNKMM
MMKNNNNNNNNNNKMM
MMMKKNNNNNNKKMMM
MMMMMKKKKKKMMMMM
MMMMMMMMMMMMMMMM
"""

# Three sliders at different settings: the detector tuning window's button.
SLIDERS = """
................
..D..KKKKK..D...
..D..KBBBK..D...
..D..KBBBK..D...
..D..KKKKK..D...
..D....D....D...
KKKKK..D....D...
KBBBK..D....D...
KBBBK..D....D...
KKKKK..D..KKKKK.
..D....D..KBBBK.
..D....D..KBBBK.
..D....D..KKKKK.
..D....D....D...
..D....D....D...
................
"""

# A week's page, its slots off (grey), by day (yellow) and at night (blue): the schedule
# window's button.
WEEK = """
................
.KKKKKKKKKKKKKK.
.KRRRRRRRRRRRRK.
.KRRRRRRRRRRRRK.
.KKKKKKKKKKKKKK.
.KBBgYYgYYgBBBK.
.KBBgYYgYYgBBBK.
.KggggggggggggK.
.KBBgGGgYYgYYYK.
.KBBgGGgYYgYYYK.
.KggggggggggggK.
.KYYgYYgBBgBBBK.
.KYYgYYgBBgBBBK.
.KggggggggggggK.
.KKKKKKKKKKKKKK.
................
"""

# A camera over a grid of watched cells: the about box's picture (drawn x2).
ABOUT = """
WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbKKKKKKKKKKKKKKKKKKKbGbbbbbbW
WbbbKDDDDDDDDDDDDDDDDDKbGbbbKKbW
WbbbKDDDDDKKKKKDDDDDDDKbGbbKDKbW
WbbbKDDDDKgggggKDDDDDDKbGbKDDKbW
WbbbKDDDKggKKKggKDDDDDKbGKDDDKbW
WbbbKDDDKgKBBBKgKDDDDDKKKDDDDKbW
WGGGKDDDKgKBWBKgKDDDDDKDDDDDDKGW
WbbbKDDDKgKBBBKgKDDDDDKKKDDDDKbW
WbbbKDDDKggKKKggKDDDDDKbGKDDDKbW
WbbbKDDDDKgggggKDDDDDDKbGbKDDKbW
WbbbKDDDDDKKKKKDDDDRRDKbGbbKDKbW
WbbbKDDDDDDDDDDDDDDRRDKbGbbbKKbW
WbbbKDDDDDDDDDDDDDDDDDKbGbbbbbbW
WbbbKKKKKKKKKKKKKKKKKKKbGbbbbbbW
WGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WbbbbbbbGbbbbbbbGbbbbbbbGbbbbbbW
WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW
"""

# File name -> glyph. Icons: 16 x 16 and 32 x 32 in one .ico.
ICONS = {
    'channel_other.ico': TV_OFF,      # 5010
    'channel_current.ico': TV_ON,     # 5011
    'mask_select_all.ico': GRID_ALL,  # 5012
    'open.ico': FOLDER_OPEN,          # 5013
    'save.ico': DISK,                 # 5014
    'save_as.ico': DISK_DOTS,         # 5015
    'mask_clear.ico': GRID_EMPTY,     # 5016
    'mask_invert.ico': GRID_HALF,     # 5017
    'repeat_on.ico': LOOP,            # 5023
    'repeat_off.ico': LOOP_STRUCK,    # 5024
    'play.ico': PLAY,                 # 5025
    'stop.ico': STOP,                 # 5026
    'restart_on.ico': RESTART,        # 5029
    'restart_off.ico': RESTART_STRUCK,  # 5030
    'tuning.ico': SLIDERS,            # 5031
    'schedule.ico': WEEK,             # 5032
}
# File name -> (glyph, scale). 8 bits per pixel.
BITMAPS = {
    'state_off.bmp': (STATE_OFF, 1),  # 5021
    'state_on.bmp': (STATE_ON, 1),    # 5022
    'about.bmp': (ABOUT, 2),          # 5004
}


def parse(art, size):
    rows = art.strip('\n').split('\n')
    if len(rows) != size or any(len(r) != size for r in rows):
        raise SystemExit('glyph is not %d x %d: %r' % (size, size, rows))
    for r in rows:
        for c in r:
            if c not in PALETTE:
                raise SystemExit('unknown colour %r' % c)
    return rows


def scaled(rows, k):
    return [''.join(c * k for c in r) for r in rows for _ in range(k)]


def palette_of(rows):
    """Colour keys used, in PALETTE order; transparent pixels take index 0."""
    used = {c for r in rows for c in r if PALETTE[c] is not None}
    return [c for c in PALETTE if c in used]


def dib_8bit(rows, keys, height_factor):
    """BITMAPINFOHEADER, 256-entry palette and bottom-up 8-bit rows."""
    w, h = len(rows[0]), len(rows)
    index = {c: i for i, c in enumerate(keys)}
    stride = (w + 3) & ~3
    pixels = b''.join(
        bytes(index.get(c, 0) for c in r) + b'\0' * (stride - w) for r in reversed(rows))
    header = struct.pack('<IiiHHIIiiII', 40, w, h * height_factor, 1, 8, 0,
                         len(pixels), 0, 0, 256, 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0)
                       for r, g, b in (PALETTE[c] for c in keys))
    colours += b'\0' * (4 * 256 - len(colours))
    return header + colours + pixels


def and_mask(rows):
    w = len(rows[0])
    stride = ((w + 31) // 32) * 4
    out = b''
    for r in reversed(rows):
        line = bytearray(stride)
        for x, c in enumerate(r):
            if PALETTE[c] is None:
                line[x // 8] |= 0x80 >> (x % 8)
        out += bytes(line)
    return out


def ico(art):
    base = parse(art, 16)
    images = []
    for k in (1, 2):
        rows = scaled(base, k)
        keys = palette_of(base)
        images.append((len(rows), dib_8bit(rows, keys, 2) + and_mask(rows)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, data in images)


def bmp(art, scale):
    lines = art.strip('\n').split('\n')
    base = parse(art, len(lines))
    if any(PALETTE[c] is None for r in base for c in r):
        raise SystemExit('bitmaps have no transparent pixels; use M')
    rows = scaled(base, scale)
    dib = dib_8bit(rows, palette_of(base), 1)
    return struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, 14 + 40 + 1024) + dib


def png(pixels, w, h):
    raw = b''.join(b'\0' + bytes(v for p in pixels[y * w:(y + 1) * w] for v in p)
                   for y in range(h))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def preview(path):
    """Every glyph at 32 x 32 on a light background, magnified four times."""
    glyphs = [scaled(parse(a, 16), 2) for a in ICONS.values()]
    glyphs += [scaled(parse(a, len(a.strip().split('\n'))), 32 // len(a.strip().split('\n')))
               for a, _ in BITMAPS.values()]
    cell, zoom = 36, 4
    w, h = cell * len(glyphs) * zoom, cell * zoom
    pixels = [(0xF0, 0xF0, 0xE0)] * (w * h)
    for i, rows in enumerate(glyphs):
        for y, r in enumerate(rows):
            for x, c in enumerate(r):
                colour = PALETTE[c]
                if colour is None:
                    continue
                for dy in range(zoom):
                    base = ((2 + y) * zoom + dy) * w + (i * cell + 2 + x) * zoom
                    pixels[base:base + zoom] = [colour] * zoom
    with open(path, 'wb') as f:
        f.write(png(pixels, w, h))


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'res', 'images')
    files = {name: ico(art) for name, art in ICONS.items()}
    files.update({name: bmp(art, k) for name, (art, k) in BITMAPS.items()})
    if len(sys.argv) == 3 and sys.argv[1] == '--preview':
        preview(sys.argv[2])
        return 0
    check = sys.argv[1:] == ['--check']
    stale = []
    for name, data in sorted(files.items()):
        path = os.path.join(root, name)
        if check:
            try:
                with open(path, 'rb') as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            os.makedirs(root, exist_ok=True)
            with open(path, 'wb') as f:
                f.write(data)
    if stale:
        print('out of date: ' + ', '.join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
