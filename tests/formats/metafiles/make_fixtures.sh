#!/usr/bin/env bash
# Makes the enhanced metafiles of real vector editors for the metafile
# player's tests, each with a reference rendering <name>.ref.png at 96 dpi.
#
#   ink_*.svg -> Inkscape -> ink_*.emf; the reference is Inkscape's own
#                rendering of the SVG. Its EMF output is set to write linear
#                gradients as the format's own gradient fills (the default
#                writes their average colour).
#   fig_*.fig -> fig2dev -> fig_*.emf; the reference is fig2dev's SVG of the
#                same drawing, its page set to the EMF's frame (see below),
#                rendered by Inkscape.
#   fig_text.fig -> fig2dev -> fig_text.emf, rendered by Inkscape for its
#                reference (see below); ink_text.svg -> Inkscape ->
#                ink_text.wmf as well, against the SVG's reference.
#
# Inkscape is told to keep text as text (its exporters turn it into paths
# unless asked not to); the references draw it with the fonts fontconfig
# finds here (DejaVu, and the URW fonts for fig2dev's Times and Helvetica).
#
# Inkscape rounds an EMF's frame up to whole millimetres, so the SVG pages
# here are sizes whose frame comes back to the same pixel count (64 x 49,
# 98 x 64). fig2dev puts its own margins round the SVG and the EMF, so the
# FIG references get the EMF's page: the frame (hundredths of a millimetre,
# inclusive) at 96 dpi, rounded to even, in the device units the header's
# device size in pixels and millimetres gives. fig2dev's SVG lines come out
# one FIG line unit (1/80 inch) thinner than its EMF lines; the tests allow
# for that in their band at the edges.
#
# Tools (only to remake the fixtures): inkscape, fig2dev, python3.
# apt-get install -y --no-install-recommends inkscape fig2dev
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp"  # keeps Inkscape's preferences out of the way
mkdir -p "$tmp/.config/inkscape"
cat >"$tmp/.config/inkscape/preferences.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8" standalone="no"?>
<inkscape version="1" xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd" xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape">
  <group id="extensions" org.inkscape.output.emf.FixPPTLinGrad="true"
         org.inkscape.output.emf.textToPath="false"
         org.inkscape.output.wmf.textToPath="false" />
</inkscape>
XML

png() {  # png <svg> <output>
  inkscape "$1" --export-type=png --export-dpi=96 --export-background=white \
    --export-background-opacity=1 --export-png-color-mode=RGB_8 --export-filename="$2" 2>/dev/null
}

for svg in ink_*.svg; do
  name=${svg%.svg}
  inkscape "$svg" --export-type=emf --export-filename="$name.emf" 2>/dev/null
  png "$svg" "$name.ref.png"
done
inkscape ink_text.svg --export-type=wmf --export-filename=ink_text.wmf 2>/dev/null

for fig in fig_*.fig; do
  name=${fig%.fig}
  fig2dev -L emf "$fig" "$name.emf"
  if [[ $name == *text* ]]; then
    # fig2dev sizes text differently in its SVG and its EMF (14 points
    # become 168 and 205 units of 1/1200 inch), so the text reference is
    # Inkscape's own rendering of the EMF.
    png "$name.emf" "$name.ref.png"
    continue
  fi
  fig2dev -L svg "$fig" "$tmp/$name.svg"
  python3 - "$name.emf" "$tmp/$name.svg" <<'PY'
import re, struct, sys
emf, svg = sys.argv[1], sys.argv[2]
d = open(emf, "rb").read()
fl, ft, fr, fb = struct.unpack_from("<4i", d, 24)
dev_x, dev_y, mm_x, mm_y = struct.unpack_from("<4i", d, 72)
size, = struct.unpack_from("<I", d, 4)
n_desc, off_desc = struct.unpack_from("<II", d, 60)
if size >= 108 and (n_desc == 0 or off_desc >= 108):
    cb_pf, off_pf = struct.unpack_from("<II", d, 88)
    um_x, um_y = struct.unpack_from("<II", d, 100)
    if (cb_pf == 0 or off_pf >= 108) and um_x and um_y:
        mm_x, mm_y = um_x / 1000, um_y / 1000
units_x, units_y = dev_x / mm_x, dev_y / mm_y  # device units per millimetre
width = round((fr - fl + 1) * 96 / 2540)
height = round((fb - ft + 1) * 96 / 2540)
box = (fl / 100 * units_x, ft / 100 * units_y,
       width * 25.4 / 96 * units_x, height * 25.4 / 96 * units_y)
text = open(svg).read()
head = re.search(r"<svg[^>]*>", text).group(0)
new = re.sub(r'\swidth="[^"]*"', ' width="%d"' % width, head)
new = re.sub(r'\sheight="[^"]*"', ' height="%d"' % height, new)
new = re.sub(r'\sviewBox="[^"]*"', ' viewBox="%.4f %.4f %.4f %.4f"' % box, new)
open(svg, "w").write(text.replace(head, new, 1))
PY
  png "$tmp/$name.svg" "$name.ref.png"
done

echo "metafile fixtures: $(ls ./*.emf ./*.wmf | wc -l) files, $(cat ./*.emf ./*.wmf ./*.png | wc -c) bytes with references"
