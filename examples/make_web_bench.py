#!/usr/bin/env python3
"""Makes a heavy project for measuring the web page's player: 16 layers of
1920 x 1080 over a 1920 x 1080 canvas in a mix of modes (plain blend,
per-channel, dividing, HSL, grid4), each moving, some tiled. Its pictures
are drawn here with ImageMagick. Run: python3 examples/make_web_bench.py OUT.zyl
then quenvar-render OUT.zyl --web OUT.html and open OUT.html?bench=N."""
import os
import subprocess
import sys
import tempfile
import zipfile

WIDTH, HEIGHT = 1920, 1080
MODES = ["none", "multiply", "screen", "overlay", "hue", "dodge", "difference", "none",
         "grid4", "lighten", "saturation", "burn", "average", "xor", "lightness", "glow"]


def picture(path, i):
    # Gradients at different angles, partly transparent: every pixel costs
    # the player the same as a photograph's, and the file stays small.
    colours = ["#1b2a6b-#f29a4a", "#ff3366-#33ccff", "#203020-#e0f080", "#602080-#40e0d0"]
    subprocess.run(["convert", "-size", f"{WIDTH}x{HEIGHT}", "gradient:" + colours[i % 4],
                    "-rotate", str(90 * (i % 2)), "-resize", f"{WIDTH}x{HEIGHT}!",
                    "-alpha", "set",
                    "-channel", "A", "-evaluate", "set", f"{60 + 12 * i}%", "+channel",
                    "-depth", "8", "-strip", path], check=True)


def main():
    target = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        lines = ["<project>", '<zyl version="0.7 alpha rel13 build 453" />',
                 '<info name= "Web bench" author="" created="2026-12-10 08:00:00" />',
                 f'<canvas height="{HEIGHT}" width="{WIDTH}" Interlaced="0" zoom = "100" />',
                 '<display height="0" width="0"/>', '<thumbnail file=""/>',
                 "<comment>16 full-size layers.</comment>", "<layers>"]
        entries = []
        for i, mode in enumerate(MODES):
            entry = f"layer{i}.png"
            path = os.path.join(work, entry)
            picture(path, i)
            posx, posy = (i % 5) - 2, (i % 3) - 1
            wrap = ' wrap="tile"' if i % 4 == 3 else ""
            lines.append(
                f'<layer name ="Layer {i}" filename="{entry}" blendmode="{mode}" speed ="0" '
                f'posx ="{posx}" posy ="{posy}" mx ="1" my ="1" px ="1" py ="1" x ="0" y ="0" '
                f'x2 ="{WIDTH}" y2 ="{HEIGHT}" interlaced ="0" opacity ="{140 + 7 * i}"{wrap} />')
            entries.append((entry, path))
        lines += ["</layers>", "</project>"]
        xml = "".join(line + "\r\n" for line in lines).encode("ascii")
        with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
            z.writestr("project.xml", xml)
            z.writestr("copyright.txt", "ZYL Project file | made by examples/make_web_bench.py\r\n")
            for entry, path in entries:
                z.write(path, entry)
            z.comment = b"ZYL Project file\r\rweb bench"
    print(f"wrote {target} ({os.path.getsize(target)} bytes)")


if __name__ == "__main__":
    main()
