#!/usr/bin/env python3
"""Makes examples/demo.zyl: a 768 x 576 project of seven layers whose pictures
are drawn here with ImageMagick (no outside artwork), stored in the layout the
program itself writes. Run: python3 examples/make_demo.py"""
import os
import subprocess
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 768, 576

# name, file, ImageMagick arguments, mode, opacity, x, y, x2, y2, posx, posy
LAYERS = [
    ("Evening sky", "sky.jpg",
     ["-size", f"{WIDTH}x{HEIGHT}", "gradient:#1b2a6b-#f29a4a", "-quality", "88"],
     "none", 255, 0, 0, 0, 0, 1, 0),
    ("Clouds", "clouds.jpg",
     ["-size", f"{WIDTH}x{HEIGHT}", "-seed", "11", "plasma:grey60-grey20", "-blur", "0x6",
      "-colorspace", "Gray", "-quality", "85"],
     "overlay", 170, 0, 0, 0, 0, 0, 1),
    ("Stripes", "stripes.png",
     ["-size", "256x256", "pattern:vertical3", "-negate", "-fill", "#3fa7d6", "-tint", "80"],
     "multiply", 200, 96, 64, 0, 0, -2, 0),
    ("Rings", "rings.jpg",
     ["-size", "300x300", "radial-gradient:#ffe066-#7b2cbf", "-fx",
      "0.5+0.5*sin(24*hypot(i-w/2,j-h/2)/w)*u", "-quality", "85"],
     "screen", 210, 420, 180, 0, 0, 2, -1),
    ("Static", "static.jpg",
     ["-size", "192x144", "xc:", "-seed", "3", "+noise", "Random", "-blur", "0x1", "-quality", "80"],
     "difference", 70, 0, 0, WIDTH, HEIGHT, 0, -2),
    ("Title", "title.png",
     ["-size", "520x120", "xc:none", "-font", "DejaVu-Sans-Bold", "-pointsize", "84",
      "-fill", "#ffffff", "-stroke", "#202020", "-strokewidth", "3", "-gravity", "center",
      "-annotate", "+0+0", "QUENVAR"],
     "none", 230, 124, 400, 0, 0, 3, 0),
    ("Tint", "tint.png",
     ["-size", "200x200", "gradient:#ff3366-#33ccff", "-rotate", "90"],
     "hue", 255, 540, 40, 0, 0, 0, 1),
]


def layer_line(name, entry, mode, opacity, x, y, x2, y2, posx, posy, width, height):
    right, bottom = (x2, y2) if x2 else (x + width, y + height)
    return (f'<layer name ="{name}" filename="{entry}" blendmode="{mode}" speed ="0" '
            f'posx ="{posx}" posy ="{posy}" mx ="1" my ="1" px ="{int(posx > 0)}" '
            f'py ="{int(posy > 0)}" x ="{x}" y ="{y}" x2 ="{right}" y2 ="{bottom}" '
            f'interlaced ="0" opacity ="{opacity}" />')


def picture_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                         capture_output=True, text=True).stdout.split()
    return int(out[0]), int(out[1])


def main():
    with tempfile.TemporaryDirectory() as work:
        lines = ["<project>", '<zyl version="0.7 alpha rel13 build 453" />',
                 '<info name= "Demo" author="" created="2026-12-09 08:00:00" />',
                 f'<canvas height="{HEIGHT}" width="{WIDTH}" Interlaced="0" zoom = "100" />',
                 '<display height="0" width="0"/>', '<thumbnail file=""/>',
                 "<comment>Seven generated layers in different modes.</comment>", "<layers>"]
        pictures = []
        for name, entry, args, mode, opacity, x, y, x2, y2, posx, posy in LAYERS:
            path = os.path.join(work, entry)
            subprocess.run(["convert", *args, "-strip", path], check=True)
            width, height = picture_size(path)
            lines.append(layer_line(name, entry, mode, opacity, x, y, x2, y2, posx, posy,
                                    width, height))
            pictures.append((entry, path))
        lines += ["</layers>", "</project>"]
        xml = "".join(line + "\r\n" for line in lines).encode("ascii")

        target = os.path.join(HERE, "demo.zyl")
        with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
            z.writestr("project.xml", xml)
            z.writestr("copyright.txt",
                       "ZYL Project file | Demo project made by examples/make_demo.py\r\r"
                       "For more information : https://quenvar.example.org/\r\r"
                       "2026-12-09 08:00:00\r\n")
            for entry, path in pictures:
                z.write(path, entry)
            z.comment = b"ZYL Project file\r\rdemo.zylSeven generated layers in different modes."
        print(f"wrote {target} ({os.path.getsize(target)} bytes)")


if __name__ == "__main__":
    main()
