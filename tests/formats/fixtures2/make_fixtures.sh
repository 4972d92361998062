#!/usr/bin/env bash
# Makes the picture fixtures for the PCX, RLA, SGI, portable map, Autodesk,
# Photo-CD, Dr. Halo and Paintshop Pro readers, each with a reference PNG.
#
# Where a real tool writes the format (netpbm, ImageMagick) that tool makes the
# file and a third-party decoder (netpbm or ImageMagick) makes the reference.
# Formats no installed tool writes are written byte by byte by the Python part
# below, following the published description named beside each writer; where a
# third-party decoder reads them (Dr. Halo) it still makes the reference,
# otherwise the reference is the picture the script encoded. (netpbm's
# rlatopam and ImageMagick 6.9 both fail on every RLA file tried here, so the
# RLA references are the encoded pictures too.)
#
# Needs: netpbm, imagemagick, python3, gzip. Run from anywhere; it writes into
# its own folder and removes its scratch files.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- Source pictures (16 x 12), written as netpbm files by Python ----------
python3 - "$tmp" <<'EOF'
import sys
d = sys.argv[1]
W, H = 16, 12

def rgb(x, y):
    # A gradient with a flat band, so run-length coders see runs and literals.
    if 4 <= y < 7:
        return (200, 40, 90)
    return (x * 16 + 8, (y * 21) & 255, (x * y * 3 + 17) & 255)

with open(f"{d}/rgb.ppm", "wb") as f:
    f.write(b"P6\n16 12\n255\n")
    for y in range(H):
        for x in range(W):
            f.write(bytes(rgb(x, y)))

with open(f"{d}/rgba.pam", "wb") as f:
    f.write(b"P7\nWIDTH 16\nHEIGHT 12\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n")
    for y in range(H):
        for x in range(W):
            f.write(bytes(rgb(x, y) + ((x * 17 + y * 5) & 255,)))

# Sixteen colours, for the 4-bit PCX variants.
pal16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
with open(f"{d}/c16.ppm", "wb") as f:
    f.write(b"P6\n16 12\n255\n")
    for y in range(H):
        for x in range(W):
            f.write(bytes(pal16[(x + y * 3) % 16 if y % 4 else 9]))
EOF

png() { pnmtopng -compression 9 > "$1"; }

# --- Portable maps: netpbm writes them, netpbm and ImageMagick decode --------
cp "$tmp/rgb.ppm" pnm_raw.ppm
pnmtoplainpnm "$tmp/rgb.ppm" > pnm_plain.ppm
png pnm_rgb.png < "$tmp/rgb.ppm"
ppmtopgm "$tmp/rgb.ppm" > pnm_raw.pgm
pnmtoplainpnm pnm_raw.pgm > pnm_plain.pgm
png pnm_grey.png < pnm_raw.pgm
pgmtopbm -threshold pnm_raw.pgm > pnm_raw.pbm
pnmtoplainpnm pnm_raw.pbm > pnm_plain.pbm
png pnm_bits.png < pnm_raw.pbm
# Deeper samples: 16-bit raw and plain, and an odd maxval; netpbm's pamdepth
# rescales them back to 8 bits for the reference.
pamdepth 65535 "$tmp/rgb.ppm" > pnm_16.ppm
pnmtoplainpnm pnm_16.ppm > pnm_plain16.ppm
pamdepth 255 pnm_16.ppm | png pnm_16.png
pamdepth 1000 pnm_raw.pgm > pnm_1000.pgm
pamdepth 255 pnm_1000.pgm | png pnm_1000.png
{ printf 'P2\n# made by hand: comments between tokens\n4 # width\n2\n# maxval next\n7\n';
  printf '0 1 2 3\n4 5 6 7\n'; } > pnm_comments.pgm
pamdepth 255 pnm_comments.pgm | png pnm_comments.png

# --- PCX: netpbm's ppmtopcx and ImageMagick write, netpbm's pcxtoppm decodes -
ppmtopcx -24bit "$tmp/rgb.ppm" > pcx_24.pcx 2>/dev/null
ppmtopcx -8bit "$tmp/rgb.ppm" > pcx_8.pcx 2>/dev/null
ppmtopcx "$tmp/c16.ppm" > pcx_4planes.pcx 2>/dev/null
ppmtopcx -packed "$tmp/c16.ppm" > pcx_4packed.pcx 2>/dev/null
pgmtopbm -threshold pnm_raw.pgm | ppmtopcx > pcx_1.pcx 2>/dev/null
convert "$tmp/rgb.ppm" -type truecolor pcx_im24.pcx
for f in pcx_24 pcx_8 pcx_4planes pcx_4packed pcx_1 pcx_im24; do
  pcxtoppm $f.pcx 2>/dev/null | png $f.png
done

# --- SGI: netpbm's pnmtosgi and ImageMagick write, sgitopnm/ImageMagick decode
pnmtosgi -rle "$tmp/rgb.ppm" > sgi_rle.sgi
pnmtosgi -verbatim "$tmp/rgb.ppm" > sgi_verbatim.rgb
pnmtosgi -rle pnm_raw.pgm > sgi_grey.bw
pamdepth 65535 "$tmp/rgb.ppm" | pnmtosgi -rle > sgi_rle16.sgi
pamdepth 65535 "$tmp/rgb.ppm" | pnmtosgi -verbatim > sgi_verbatim16.sgi
convert "$tmp/rgba.pam" -compress RLE SGI:sgi_rgba_rle.rgba
convert "$tmp/rgba.pam" -compress none SGI:sgi_rgba.rgba
for f in sgi_rle:sgi sgi_verbatim:rgb sgi_grey:bw sgi_rle16:sgi sgi_verbatim16:sgi; do
  sgitopnm "${f%%:*}.${f##*:}" 2>/dev/null | pamdepth 255 | png "${f%%:*}.png"
done
convert SGI:sgi_rgba_rle.rgba -strip -define png:exclude-chunks=date,time -define png:color-type=6 sgi_rgba_rle.png
convert SGI:sgi_rgba.rgba -strip -define png:exclude-chunks=date,time -define png:color-type=6 sgi_rgba.png

# --- Photo-CD: ImageMagick writes the image pack; kept gzip-compressed -------
python3 - "$tmp" <<'EOF'
import sys
d = sys.argv[1]
with open(f"{d}/big.ppm", "wb") as f:
    f.write(b"P6\n768 512\n255\n")
    for y in range(512):
        for x in range(768):
            if 200 <= y < 260:
                f.write(bytes((40, 160, 220)))
            else:
                f.write(bytes(((x // 3) & 255, (y // 2) & 255, ((x + y) // 5) & 255)))
EOF
convert "$tmp/big.ppm" "$tmp/photo.pcd"
# ImageMagick reads the file back with its own colour transform, so the
# reference comes from Kodak's published PhotoYCC equations applied to the
# samples ImageMagick wrote: luma L = 1.3584 Y, chroma C1 = 2.2179 (c1 - 156),
# C2 = 1.8215 (c2 - 137); R = L + C2, G = L - 0.194 C1 - 0.509 C2, B = L + C1,
# rounded (ties to even) and clipped to 0..255. The base image sits at 30000h
# as pairs of 768-byte luma rows followed by one 384-byte row of each chroma,
# which covers 2 x 2 pixels.
python3 - "$tmp/photo.pcd" <<'PY'
import struct, sys, zlib
d = open(sys.argv[1], "rb").read()
def div_even(n, q):
    f, r = divmod(n, q)
    if 2 * r > q or (2 * r == q and f % 2):
        f += 1
    return f
def clip(v):
    return max(0, min(255, v))
raw = bytearray()
for y in range(512):
    raw.append(0)
    pair = 0x30000 + (y // 2) * 2304
    for x in range(768):
        lum = 13584 * d[pair + (y % 2) * 768 + x]
        c1 = 22179 * (d[pair + 1536 + x // 2] - 156)
        c2 = 18215 * (d[pair + 1920 + x // 2] - 137)
        raw += bytes((clip(div_even(lum + c2, 10000)),
                      clip(div_even(1000 * lum - 194 * c1 - 509 * c2, 10000000)),
                      clip(div_even(lum + c1, 10000))))
def chunk(t, data):
    return struct.pack(">I", len(data)) + t + data + struct.pack(">I", zlib.crc32(t + data))
with open("pcd_base.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 768, 512, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
PY
gzip -9 -n -c "$tmp/photo.pcd" > pcd_base.pcd.gz

# --- Hand-made formats -------------------------------------------------------
python3 - "$tmp" <<'EOF'
import struct, sys, zlib
d = sys.argv[1]
W, H = 16, 12

def rgb(x, y):
    if 4 <= y < 7:
        return (200, 40, 90)
    return (x * 16 + 8, (y * 21) & 255, (x * y * 3 + 17) & 255)

def alpha(x, y):
    return (x * 17 + y * 5) & 255

def write_png(name, w, h, rows, with_alpha):
    # rows: list of lists of (r, g, b[, a]) tuples, top row first.
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for px in row:
            raw += bytes(px[:4] if with_alpha else px[:3])
    def chunk(t, data):
        c = struct.pack(">I", len(data)) + t + data
        return c + struct.pack(">I", zlib.crc32(t + data) & 0xFFFFFFFF)
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6 if with_alpha else 2, 0, 0, 0)
    with open(name, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))

# Wavefront RLA, after the "Wavefront RLA" chapter of the Encyclopedia of
# Graphics File Formats: a 740-byte big-endian header, a table of scanline
# offsets (bottom scanline first), then per scanline and channel a 16-bit
# length and byte-wise run-length data (count >= 0: next byte repeated
# count + 1 times; count < 0: -count literal bytes).
def rla_rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 128:
            run += 1
        if run >= 3:
            out += bytes((run - 1, data[i]))
            i += run
            continue
        j = i
        while j < len(data) and j - i < 128:
            if j + 2 < len(data) and data[j] == data[j + 1] == data[j + 2]:
                break
            j += 1
        out.append(256 - (j - i))
        out += data[i:j]
        i = j
    return bytes(out)

def write_rla(name, with_matte):
    hdr = struct.pack(">8h", 0, W - 1, 0, H - 1, 0, W - 1, 0, H - 1)
    hdr += struct.pack(">6h", 0, 0, 3, 1 if with_matte else 0, 0, -2)
    hdr += b"2.2".ljust(16, b"\0")
    for s in (b"0.670 0.330", b"0.210 0.710", b"0.140 0.080", b"0.310 0.316"):
        hdr += s.ljust(24, b"\0")
    hdr += struct.pack(">i", 0)
    hdr += name.encode().ljust(128, b"\0") + b"fixture".ljust(128, b"\0")
    hdr += b"make_fixtures.sh".ljust(64, b"\0") + b"host".ljust(32, b"\0")
    hdr += b"user".ljust(32, b"\0") + b"Dec  9 2026".ljust(20, b"\0")
    hdr += b"pal".ljust(24, b"\0") + b"1.333".ljust(8, b"\0")
    hdr += b"rgb".ljust(32, b"\0") + struct.pack(">h", 0)
    hdr += b"".ljust(12, b"\0") + b"box".ljust(32, b"\0")
    hdr += struct.pack(">5h", 8, 0, 8, 0, 8) + b"".ljust(32, b"\0") + b"".ljust(36, b"\0")
    hdr += struct.pack(">i", 0)
    assert len(hdr) == 740
    lines = []
    for y in range(H - 1, -1, -1):  # bottom scanline first
        line = bytearray()
        chans = [bytes(rgb(x, y)[c] for x in range(W)) for c in range(3)]
        if with_matte:
            chans.append(bytes(alpha(x, y) for x in range(W)))
        for c in chans:
            enc = rla_rle(c)
            line += struct.pack(">H", len(enc)) + enc
        lines.append(bytes(line))
    offset = 740 + 4 * H
    table = bytearray()
    for line in lines:
        table += struct.pack(">i", offset)
        offset += len(line)
    with open(name, "wb") as f:
        f.write(hdr + table + b"".join(lines))

write_rla("rla_rgb.rla", False)
write_rla("rla_matte.rpf", True)
write_png("rla_rgb.png", W, H, [[rgb(x, y) for x in range(W)] for y in range(H)], False)
write_png("rla_matte.png", W, H, [[rgb(x, y) + (alpha(x, y),) for x in range(W)]
                                  for y in range(H)], True)

# Autodesk Animator PIC/CEL, after the "PIC format" description of the
# original Animator: a 32-byte little-endian header (id 9119h, width, height,
# x and y offset, bits per pixel 8, compression 0, image data size, 16 reserved
# bytes), a 768-byte palette of 6-bit components, then one byte per pixel, top
# row first. Six-bit components scale to 8 bits as v * 255 / 63, rounded.
def six_to_eight(v):
    return (v * 255 + 31) // 63

def write_cel(name, w, h, xoff, yoff):
    pal = [((i * 5) % 64, (i * 11) % 64, (63 - i) % 64) for i in range(256)]
    index = lambda x, y: (x * 7 + y * 13) % 256 if y % 3 else 42
    data = struct.pack("<HHHHHBBI", 0x9119, w, h, xoff, yoff, 8, 0, w * h) + bytes(16)
    data += b"".join(bytes(p) for p in pal)
    data += bytes(index(x, y) for y in range(h) for x in range(w))
    with open(name, "wb") as f:
        f.write(data)
    rows = [[tuple(six_to_eight(c) for c in pal[index(x, y)]) for x in range(w)]
            for y in range(h)]
    write_png(name.replace(".", "_") + ".png", w, h, rows, False)

write_cel("autodesk.cel", W, H, 3, 5)
write_cel("autodesk.pic", 20, 10, 0, 0)

# Animator Pro PIC, after the "PIC(Pro) format" description: a 64-byte header
# (file size, id 9500h, width, height, x and y offset, user id, bits per pixel
# 8, reserved), then blocks of a 32-bit size (header included) and a 16-bit
# type: 0 a version word and 256 RGB entries of 0..255, 1 the pixels, one byte
# each, top row first.
def write_pro_pic(name, w, h):
    pal = [((i * 3) & 255, (i * 5 + 40) & 255, (255 - i) & 255) for i in range(256)]
    index = lambda x, y: (x * 9 + y * 31) % 256 if x % 5 else 7
    cmap = struct.pack("<H", 0) + b"".join(bytes(p) for p in pal)
    pixels = bytes(index(x, y) for y in range(h) for x in range(w))
    blocks = (struct.pack("<IH", 6 + len(cmap), 0) + cmap +
              struct.pack("<IH", 6 + len(pixels), 1) + pixels)
    header = struct.pack("<IHHHHHIB", 64 + len(blocks), 0x9500, w, h, 0, 0, 0, 8)
    header += bytes(64 - len(header))
    with open(name, "wb") as f:
        f.write(header + blocks)
    rows = [[pal[index(x, y)] for x in range(w)] for y in range(h)]
    write_png(name.replace(".", "_") + ".png", w, h, rows, False)

write_pro_pic("autodesk_pro.pic", 18, 10)

# Dr. Halo CUT and PAL, after "Picture file formats" by Bob Montgomery and the
# Dr. Halo chapter of the Encyclopedia of Graphics File Formats. CUT: width,
# height, a reserved word (all little-endian), then each scan line as a 16-bit
# byte count and run-length codes (0 ends the line; high bit set: repeat the
# next byte count & 7Fh times; otherwise copy count bytes). PAL: a 40-byte
# header ("AH", version, size, file type 'A', subtype, board id, graphics
# mode, maximum index and maximum red, green and blue, "Dr. Halo" and 12 zero
# bytes), then 16-bit R, G, B triples in 512-byte blocks; a triple never
# crosses a block boundary.
def cut_line(row):
    out = bytearray()
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and row[i + run] == row[i] and run < 127:
            run += 1
        if run >= 3:
            out += bytes((0x80 | run, row[i]))
            i += run
            continue
        j = i
        while j < len(row) and j - i < 127:
            if j + 2 < len(row) and row[j] == row[j + 1] == row[j + 2]:
                break
            j += 1
        out.append(j - i)
        out += row[i:j]
        i = j
    out.append(0)
    return struct.pack("<H", len(out)) + out

cut_index = lambda x, y: 5 if 4 <= y < 7 else (x * 3 + y * 7) % 64
data = struct.pack("<HHH", W, H, 0)
for y in range(H):
    data += cut_line(bytes(cut_index(x, y) for x in range(W)))
for stem in ("halo", "halo_grey"):
    with open(stem + ".cut", "wb") as f:
        f.write(data)
# The palette: 64 colours with components up to 255 (max values in header).
pal = [((i * 4) & 255, (255 - i * 3) & 255, (i * 37) & 255) for i in range(64)]
hdr = b"AH" + struct.pack("<hhBBHHhhhh", 0xE3, 0, ord("A"), 0, 0, 0, 63, 255, 255, 255)
hdr += b"Dr. Halo" + bytes(12)
body = bytearray(hdr)
for c in pal:
    if (len(body) % 512) + 6 > 512:
        body += bytes(512 - len(body) % 512)
    body += struct.pack("<hhh", *c)
body += bytes((512 - len(body) % 512) % 512)
body[4:6] = struct.pack("<h", len(body))
with open("halo.pal", "wb") as f:
    f.write(body)

# Paintshop Pro, after the published Paint Shop Pro file format description (file
# format 3.0 for application version 5, 4.0 for version 6 and later): a 32-byte
# signature, major and minor version, then blocks "~BK\0" + 16-bit id + (in
# format 3 an initial chunk length) + 32-bit total length. Format 4 and later
# start every chunk with its own 32-bit size. Channel data is uncompressed,
# run-length (count > 128: repeat next byte count - 128 times; otherwise copy
# count bytes) or zlib ("LZ77").
SIG = b"Paint Shop Pro Image File\n\x1a" + bytes(5)

def psp_rle(data):
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 127:
            run += 1
        if run >= 3:
            out += bytes((128 + run, data[i]))
            i += run
            continue
        j = i
        while j < len(data) and j - i < 128:
            if j + 2 < len(data) and data[j] == data[j + 1] == data[j + 2]:
                break
            j += 1
        out.append(j - i)
        out += data[i:j]
        i = j
    return bytes(out)

def compress(data, comp):
    return data if comp == 0 else psp_rle(data) if comp == 1 else zlib.compress(data, 9)

def block(major, bid, chunk, subblocks=b""):
    body = chunk + subblocks
    if major == 3:
        return b"~BK\0" + struct.pack("<HII", bid, len(chunk), len(body)) + body
    return b"~BK\0" + struct.pack("<HI", bid, len(body)) + body

def sized(major, payload):
    return payload if major == 3 else struct.pack("<I", len(payload) + 4) + payload

def channel(major, comp, data, dib_type, chan_type):
    packed = compress(data, comp)
    info = sized(major, struct.pack("<IIHH", len(packed), len(data), dib_type, chan_type))
    return block(major, 5, info + packed)

def image_attrs(major, w, h, comp, depth, layers):
    p = struct.pack("<iidBHHHIBIiH", w, h, 72.0, 1, comp, depth, 1, 1 << min(depth, 24),
                    0, 0, 0, layers)
    if major > 3:
        p += struct.pack("<I", 1)  # raster contents
    return block(major, 0, sized(major, p))

def rect(l, t, r, b):
    return struct.pack("<iiii", l, t, r, b)

def layer(major, comp, name, box, opacity, visible, planes, mask):
    l, t, r, b = box
    info = b""
    if major == 3:
        info += name.encode().ljust(256, b"\0") + bytes((0,))
    else:
        info += struct.pack("<H", len(name)) + name.encode() + bytes((1,))
    info += rect(*box) + rect(*box) + bytes((opacity, 0, 1 if visible else 0, 0, 0))
    info += rect(0, 0, 0, 0) + rect(0, 0, 0, 0) + bytes((0, 0, 0)) + struct.pack("<H", 5)
    info += bytes(40)
    nchan = len(planes) + (1 if mask is not None else 0)
    chunk = sized(major, info) + sized(major, struct.pack("<HH", 1 if mask is None else 2, nchan))
    subs = b""
    if mask is not None:
        subs += channel(major, comp, mask, 1, 0)
    for i, p in enumerate(planes):
        subs += channel(major, comp, p, 0, i + 1 if len(planes) == 3 else 0)
    return block(major, 4, chunk, subs)

def planes_of(w, h, fn, x0=0, y0=0):
    return [bytes(fn(x0 + x, y0 + y)[c] for y in range(h) for x in range(w)) for c in range(3)]

def over(src, sa, dst):
    # Straight-alpha "over" onto an opaque destination, rounded.
    return tuple((s * sa + d * (255 - sa) + 127) // 255 for s, d in zip(src, dst))

top_rgb = lambda x, y: ((x * 40) & 255, 220, (y * 30) & 255)
mask_at = lambda x, y: (x * 31 + y * 11) & 255
box = (4, 3, 12, 9)
opacity = 160

def two_layers(major, comp):
    bg = layer(major, comp, "Background", (0, 0, W, H), 255, True, planes_of(W, H, rgb), None)
    bw, bh = box[2] - box[0], box[3] - box[1]
    mask = bytes(mask_at(x, y) for y in range(box[1], box[3]) for x in range(box[0], box[2]))
    top = layer(major, comp, "Top", box, opacity, True,
                planes_of(bw, bh, top_rgb, box[0], box[1]), mask)
    hidden = layer(major, comp, "Hidden", (0, 0, W, H), 255, False,
                   planes_of(W, H, lambda x, y: (0, 0, 0)), None)
    return block(major, 3, b"" if major == 3 else sized(major, b""), bg + top + hidden)

def composed_rows():
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            px = rgb(x, y)
            if box[0] <= x < box[2] and box[1] <= y < box[3]:
                a = (mask_at(x, y) * opacity + 127) // 255
                px = over(top_rgb(x, y), a, px)
            row.append(px)
        rows.append(row)
    return rows

# Format 3 (application 5), run-length, three layers (one hidden): composed.
with open("psp_layers_rle.psp", "wb") as f:
    f.write(SIG + struct.pack("<HH", 3, 0) + image_attrs(3, W, H, 1, 24, 3) + two_layers(3, 1))
write_png("psp_layers_rle.png", W, H, composed_rows(), False)

# Format 4 (application 6), zlib, the same layers: composed.
with open("psp_layers_zlib.psp", "wb") as f:
    f.write(SIG + struct.pack("<HH", 4, 0) + image_attrs(4, W, H, 2, 24, 3) + two_layers(4, 2))
write_png("psp_layers_zlib.png", W, H, composed_rows(), False)

# Format 5 (application 7), zlib, layers plus a composite image bank holding a
# thumbnail and the full composite with its transparency mask: the composite
# wins.
def composite_bank(major, comp):
    def attrs(w, h, kind):
        return block(major, 17, sized(major, struct.pack("<iiHHHIH", w, h, 24, comp, 1,
                                                         1 << 24, kind)))
    thumb = block(major, 9, sized(major, struct.pack("<HH", 1, 3)),
                  b"".join(channel(major, comp, p, 5, i + 1)
                           for i, p in enumerate(planes_of(4, 3, lambda x, y: (9, 9, 9)))))
    comp_rgb = lambda x, y: ((255 - x * 9) & 255, (x * y) & 255, (y * 20) & 255)
    comp_mask = bytes(alpha(x, y) for y in range(H) for x in range(W))
    full = block(major, 9, sized(major, struct.pack("<HH", 2, 4)),
                 channel(major, comp, comp_mask, 9, 0) +
                 b"".join(channel(major, comp, p, 8, i + 1)
                          for i, p in enumerate(planes_of(W, H, comp_rgb))))
    bank = block(major, 16, sized(major, struct.pack("<I", 2)),
                 attrs(4, 3, 1) + thumb + attrs(W, H, 0) + full)
    rows = [[comp_rgb(x, y) + (alpha(x, y),) for x in range(W)] for y in range(H)]
    return bank, rows

bank, rows = composite_bank(5, 2)
with open("psp_composite.psp", "wb") as f:
    f.write(SIG + struct.pack("<HH", 5, 0) + image_attrs(5, W, H, 2, 24, 3) + two_layers(5, 2)
            + bank)
write_png("psp_composite.png", W, H, rows, True)

# Format 4, an uncompressed 8-bit palette picture in one layer.
pal = [((i * 3) & 255, (i * 7) & 255, (255 - i) & 255) for i in range(256)]
idx = lambda x, y: (x * 5 + y * 16) & 255
palette = block(4, 2, sized(4, struct.pack("<I", 256) +
                            b"".join(bytes((b, g, r, 0)) for r, g, b in pal)))
indices = bytes(idx(x, y) for y in range(H) for x in range(W))
lay = layer(4, 0, "Background", (0, 0, W, H), 255, True, [indices], None)
with open("psp_palette.psp", "wb") as f:
    f.write(SIG + struct.pack("<HH", 4, 0) + image_attrs(4, W, H, 0, 8, 1) + palette +
            block(4, 3, sized(4, b""), lay))
write_png("psp_palette.png", W, H, [[pal[idx(x, y)] for x in range(W)] for y in range(H)],
          False)

# Format 5, run-length, a 4-bit palette picture 13 pixels wide: two indices a
# byte, high nibble first, rows padded to four bytes.
pal4 = [((i * 17) & 255, (255 - i * 16) & 255, (i * 50) & 255) for i in range(16)]
idx4 = lambda x, y: (x + 2 * y) % 16
W4 = 13
palette4 = block(5, 2, sized(5, struct.pack("<I", 16) +
                             b"".join(bytes((b, g, r, 0)) for r, g, b in pal4)))
packed = bytearray()
for y in range(H):
    row = bytearray((W4 + 1) // 2)
    for x in range(W4):
        row[x // 2] |= idx4(x, y) << (4 if x % 2 == 0 else 0)
    packed += row + bytes((4 - len(row) % 4) % 4)
lay4 = layer(5, 1, "Background", (0, 0, W4, H), 255, True, [bytes(packed)], None)
with open("psp_palette4.psp", "wb") as f:
    f.write(SIG + struct.pack("<HH", 5, 0) + image_attrs(5, W4, H, 1, 4, 1) + palette4 +
            block(5, 3, sized(5, b""), lay4))
write_png("psp_palette4.png", W4, H, [[pal4[idx4(x, y)] for x in range(W4)] for y in range(H)],
          False)
EOF

# ImageMagick decodes the Dr. Halo files, reading halo.pal beside halo.cut;
# without a palette file the indices come out as grey levels.
convert halo.cut -strip -define png:exclude-chunks=date,time -define png:color-type=2 halo.png
convert halo_grey.cut -strip -define png:exclude-chunks=date,time -define png:color-type=2 halo_grey.png
echo "fixtures written"
