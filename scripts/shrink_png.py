#!/usr/bin/env python3
"""Copies the test run's screenshots (stored, uncompressed PNGs) into docs/
as small PNGs: a palette image when the picture has at most 256 colours,
else RGB, both deflated at the highest level. Standard library only.

usage: shrink_png.py SOURCE.png TARGET.png [SOURCE.png TARGET.png ...]
"""
import struct
import sys
import zlib


def read_rgb(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ': not a PNG')
    pos, idat, width, height = 8, b'', 0, 0
    while pos < len(data):
        size, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            if (depth, colour) != (8, 2):
                raise ValueError(path + ': only 8-bit RGB as the tests write it')
        elif kind == b'IDAT':
            idat += body
        pos += 12 + size
    raw = zlib.decompress(idat)
    stride = width * 3 + 1
    rows = []
    for y in range(height):
        line = raw[y * stride:(y + 1) * stride]
        if line[0] != 0:
            raise ValueError(path + ': filtered rows are not expected')
        rows.append(line[1:])
    return width, height, rows


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)


def write_small(path, width, height, rows):
    colours = {}
    for row in rows:
        for x in range(0, len(row), 3):
            colours.setdefault(row[x:x + 3], len(colours))
            if len(colours) > 256:
                break
        if len(colours) > 256:
            break
    if len(colours) <= 256:
        palette = b''.join(colours)
        raw = b''.join(b'\0' + bytes(colours[row[x:x + 3]] for x in range(0, len(row), 3)) for row in rows)
        header = struct.pack('>IIBBBBB', width, height, 8, 3, 0, 0, 0)
        body = chunk(b'IHDR', header) + chunk(b'PLTE', palette)
    else:
        raw = b''.join(b'\0' + row for row in rows)
        body = chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    png = b'\x89PNG\r\n\x1a\n' + body + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(png)


def main(args):
    if not args or len(args) % 2:
        sys.exit(__doc__)
    for source, target in zip(args[::2], args[1::2]):
        write_small(target, *read_rgb(source))
        print(target)


if __name__ == '__main__':
    main(sys.argv[1:])
