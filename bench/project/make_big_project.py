#!/usr/bin/env python3
"""Makes the large project bench_project opens: 32 layers, each a 2048 x 2048
RGBA PNG of about 8 MB, in a .zyl archive (deflate level 6), beside the same
PNG files for `pngtopam` to decode. Nothing of it is stored in the repository.

Usage: make_big_project.py [FOLDER]   (default /tmp/quenvar-big-project)
Does nothing when the project is already there."""
import os
import struct
import sys
import zipfile
import zlib

LAYERS, SIZE = 32, 2048
MODES = ["none", "multiply", "screen", "overlay", "average", "lighten", "darken", "difference"]


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def make_png(layer):
    # Four random low bits over a gradient in each colour byte, alpha opaque:
    # about half the pixel bytes, as photographs with an alpha channel compress.
    rows = []
    for y in range(SIZE):
        base = (y * 7 // 64 + layer * 13) & 0xF0
        colour = bytes(base + (v & 0x0F) for v in range(256))
        noise = bytearray(os.urandom(SIZE * 4).translate(colour))
        noise[3::4] = b"\xff" * SIZE
        rows.append(b"\x00" + bytes(noise))
    raw = b"".join(rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(raw, 6)) + png_chunk(b"IEND", b""))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "/tmp/quenvar-big-project"
    project = os.path.join(folder, "big.zyl")
    if os.path.exists(project):
        return
    os.makedirs(folder, exist_ok=True)
    layers = []
    for i in range(LAYERS):
        name = "layer%02d.png" % i
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            with open(path + ".part", "wb") as f:
                f.write(make_png(i))
            os.replace(path + ".part", path)
        layers.append(
            '    <layer name="Layer %d" filename="%s" blendmode="%s" speed="0" posx="%d" '
            'posy="%d" mx="1" my="1" x="0" y="0" opacity="%d"/>'
            % (i + 1, name, MODES[i % len(MODES)], i % 5 - 2, i % 3 - 1, 160 + i * 3))
    xml = ("<?xml version=\"1.0\"?>\n<project>\n  <zyl version=\"bench\"/>\n"
           "  <info name=\"Big\" author=\"\"/>\n"
           "  <canvas width=\"%d\" height=\"%d\"/>\n  <layers>\n%s\n  </layers>\n</project>\n"
           % (SIZE, SIZE, "\n".join(layers)))
    with zipfile.ZipFile(project + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        z.writestr("project.xml", xml.replace("\n", "\r\n"))
        for i in range(LAYERS):
            z.write(os.path.join(folder, "layer%02d.png" % i), "layer%02d.png" % i)
    os.replace(project + ".part", project)


if __name__ == "__main__":
    main()
