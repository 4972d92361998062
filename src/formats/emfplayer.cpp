// Enhanced metafiles (EMF): the common drawing records are played onto a
// picture the size of the file's bounds. Text, paths, clipping, world
// transforms and raster operations other than a plain copy are not drawn.
#include <cmath>
#include <map>
#include <vector>

#include "formats/bytereader.h"
#include "formats/dib.h"
#include "formats/metafilecanvas.h"
#include "formats/metafileplayers.h"
#include "formats/pictureutil.h"

namespace quenvar {
namespace {

constexpr std::uint32_t kEmfSignature = 0x464D4520u;  // " EMF"

TColor32 ColorRef(std::uint32_t c) {
  return Color32(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

struct EmfObject {
  bool isPen = false;
  MfPen pen;
  MfBrush brush;
};

// The stock objects a record selects with the high bit set.
bool SelectStock(std::uint32_t index, MetafileCanvas::State& st) {
  switch (index & 0x7FFFFFFFu) {
    case 0:
      st.brush = {0, 0, Color32(255, 255, 255)};
      return true;
    case 1:
      st.brush = {0, 0, Color32(192, 192, 192)};
      return true;
    case 2:
      st.brush = {0, 0, Color32(128, 128, 128)};
      return true;
    case 3:
      st.brush = {0, 0, Color32(64, 64, 64)};
      return true;
    case 4:
      st.brush = {0, 0, Color32(0, 0, 0)};
      return true;
    case 5:
      st.brush.style = 1;
      return true;
    case 6:
      st.pen = {0, 0, Color32(255, 255, 255)};
      return true;
    case 7:
      st.pen = {0, 0, Color32(0, 0, 0)};
      return true;
    case 8:
      st.pen.style = 5;
      return true;
    default:
      return false;
  }
}

std::vector<MfPoint> ReadPoints(ByteReader& p, std::size_t count, bool small) {
  std::vector<MfPoint> points;
  if (count > p.Remaining() / (small ? 4 : 8)) p.Fail("point list is longer than its record");
  points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double x = small ? p.I16LE() : p.I32LE();
    points.push_back({x, double(small ? p.I16LE() : p.I32LE())});
  }
  return points;
}

void PlayPoly(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p) {
  const bool small = type >= 86;
  p.Skip(16);  // bounds
  switch (type) {
    case 3:
    case 86:  // POLYGON
      canvas.Polygon({ReadPoints(p, p.U32LE(), small)});
      break;
    case 4:
    case 87:  // POLYLINE
      canvas.Polyline(ReadPoints(p, p.U32LE(), small));
      break;
    case 6:
    case 89: {  // POLYLINETO
      auto points = ReadPoints(p, p.U32LE(), small);
      for (const MfPoint& pt : points) canvas.LineTo(pt.x, pt.y);
      break;
    }
    case 7:
    case 8:
    case 90:
    case 91: {  // POLYPOLYLINE, POLYPOLYGON
      const std::uint32_t polys = p.U32LE();
      p.U32LE();  // total points
      if (polys > p.Remaining() / 4) p.Fail("polygon count is larger than its record");
      std::vector<std::uint32_t> counts;
      for (std::uint32_t i = 0; i < polys; ++i) counts.push_back(p.U32LE());
      std::vector<std::vector<MfPoint>> all;
      for (std::uint32_t c : counts) all.push_back(ReadPoints(p, c, small));
      if (type == 8 || type == 91) {
        canvas.Polygon(all);
      } else {
        for (const auto& line : all) canvas.Polyline(line);
      }
      break;
    }
    default:
      break;
  }
}

// STRETCHDIBITS (81) and BITBLT (76): a DIB inside the record, or for a
// BITBLT without one, a fill with the brush.
void PlayBitmap(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
                const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8 + 16);
  const double x = p.I32LE(), y = p.I32LE();
  double w = 0, h = 0;
  int sx = 0, sy = 0, sw = 0, sh = 0;
  std::uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
  if (type == 81) {
    sx = p.I32LE(), sy = p.I32LE(), sw = p.I32LE(), sh = p.I32LE();
    offBmi = p.U32LE(), cbBmi = p.U32LE(), offBits = p.U32LE(), cbBits = p.U32LE();
    p.Skip(8);  // usage, raster operation
    w = p.I32LE(), h = p.I32LE();
  } else {
    w = p.I32LE(), h = p.I32LE();
    p.Skip(4);  // raster operation
    sx = p.I32LE(), sy = p.I32LE();
    p.Skip(24 + 4 + 4);  // transform, background colour, usage
    offBmi = p.U32LE(), cbBmi = p.U32LE(), offBits = p.U32LE(), cbBits = p.U32LE();
    sw = int(w), sh = int(h);
    if (cbBmi == 0) return canvas.PatternFill(x, y, x + w, y + h);
  }
  if (cbBmi == 0 || offBmi >= record.size() || cbBmi > record.size() - offBmi ||
      offBits >= record.size() || cbBits > record.size() - offBits)
    FailPicture(fileName, "a bitmap record points outside itself");
  DibOptions options;
  options.pixelOffset = offBits;
  TPicture picture = DecodeDib(record, offBmi, options, fileName);
  canvas.DrawPicture(picture, x, y, w, h, sx, sy, sw, sh);
}

void Play(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
          std::map<std::uint32_t, EmfObject>& objects, const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8);
  auto& st = canvas.state;
  switch (type) {
    case 17:  // SETMAPMODE: extents count only in the two scalable modes
      st.map.scalable = p.U32LE() >= 7;
      break;
    case 9:
      st.map.windowExtX = p.I32LE(), st.map.windowExtY = p.I32LE();
      break;
    case 10:
      st.map.windowOrgX = p.I32LE(), st.map.windowOrgY = p.I32LE();
      break;
    case 11:
      st.map.viewportExtX = p.I32LE(), st.map.viewportExtY = p.I32LE();
      break;
    case 12:
      st.map.viewportOrgX = p.I32LE(), st.map.viewportOrgY = p.I32LE();
      break;
    case 18:
      st.opaqueBackground = p.U32LE() == 2;
      break;
    case 19:
      st.fillMode = p.U32LE() == 2 ? 2 : 1;
      break;
    case 25:
      st.background = ColorRef(p.U32LE());
      break;
    case 33:
      canvas.Save();
      break;
    case 34:
      canvas.Restore(p.I32LE());
      break;
    case 27: {
      const double x = p.I32LE();
      canvas.MoveTo(x, p.I32LE());
      break;
    }
    case 54: {
      const double x = p.I32LE();
      canvas.LineTo(x, p.I32LE());
      break;
    }
    case 42:
    case 43:
    case 44: {  // ELLIPSE, RECTANGLE, ROUNDRECT (square corners)
      const double l = p.I32LE(), t = p.I32LE(), r = p.I32LE(), b = p.I32LE();
      // The record's box includes its right and bottom edge.
      if (type == 42)
        canvas.Ellipse(l, t, r, b);
      else
        canvas.Rectangle(l, t, r, b);
      break;
    }
    case 3:
    case 4:
    case 6:
    case 7:
    case 8:
    case 86:
    case 87:
    case 89:
    case 90:
    case 91:
      PlayPoly(canvas, type, p);
      break;
    case 38: {  // CREATEPEN
      EmfObject o;
      o.isPen = true;
      const std::uint32_t ih = p.U32LE();
      o.pen.style = p.U32LE() & 15;
      o.pen.width = p.I32LE();
      p.I32LE();
      o.pen.color = ColorRef(p.U32LE());
      objects[ih] = o;
      break;
    }
    case 95: {  // EXTCREATEPEN
      EmfObject o;
      o.isPen = true;
      const std::uint32_t ih = p.U32LE();
      p.Skip(16);
      o.pen.style = p.U32LE() & 15;
      o.pen.width = p.U32LE();
      const std::uint32_t brushStyle = p.U32LE();
      o.pen.color = ColorRef(p.U32LE());
      if (brushStyle == 1) o.pen.style = 5;
      objects[ih] = o;
      break;
    }
    case 39: {  // CREATEBRUSHINDIRECT
      EmfObject o;
      const std::uint32_t ih = p.U32LE();
      o.brush.style = p.U32LE();
      o.brush.color = ColorRef(p.U32LE());
      o.brush.hatch = p.U32LE();
      if (o.brush.style > 2) o.brush.style = 1;  // patterns are not drawn
      objects[ih] = o;
      break;
    }
    case 37: {  // SELECTOBJECT
      const std::uint32_t ih = p.U32LE();
      if ((ih & 0x80000000u) && SelectStock(ih, st)) break;
      auto it = objects.find(ih);
      if (it == objects.end()) break;
      if (it->second.isPen)
        st.pen = it->second.pen;
      else
        st.brush = it->second.brush;
      break;
    }
    case 40:
      objects.erase(p.U32LE());
      break;
    case 76:
    case 81:
      PlayBitmap(canvas, type, record, fileName);
      break;
    default:
      break;  // text, paths, clipping, transforms and the rest
  }
}

}  // namespace

bool IsEmf(std::span<const std::uint8_t> head) {
  auto u32 = [&](std::size_t i) {
    return std::uint32_t(head[i]) | (std::uint32_t(head[i + 1]) << 8) |
           (std::uint32_t(head[i + 2]) << 16) | (std::uint32_t(head[i + 3]) << 24);
  };
  return head.size() >= 88 && u32(0) == 1 && u32(40) == kEmfSignature;
}

TPicture PlayEmf(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsEmf(data)) FailPicture(fileName, "not an enhanced metafile");
  ByteReader in(data, fileName);
  in.Skip(8);
  const std::int64_t left = in.I32LE(), top = in.I32LE(), right = in.I32LE(), bottom = in.I32LE();
  const std::int64_t fl = in.I32LE(), ft = in.I32LE(), fr = in.I32LE(), fb = in.I32LE();
  std::int64_t width = right - left + 1, height = bottom - top + 1;
  double originX = double(left), originY = double(top);
  if (right < left || bottom < top) {
    // No bounds recorded: the frame (hundredths of a millimetre) at 96 dpi.
    width = std::llround(double(fr - fl) * 96 / 2540);
    height = std::llround(double(fb - ft) * 96 / 2540);
    originX = double(fl) * 96 / 2540, originY = double(ft) * 96 / 2540;
  }
  TPicture picture = NewPicture(width, height, TPictureKind::Other, fileName, 0xFFFFFFFFu);
  MetafileCanvas canvas(picture, fileName);
  canvas.state.map.scalable = false;
  canvas.state.map.offsetX = -originX;
  canvas.state.map.offsetY = -originY;
  std::map<std::uint32_t, EmfObject> objects;
  std::size_t pos = 0;
  while (data.size() - pos >= 8) {
    ByteReader r(data.subspan(pos), fileName);
    const std::uint32_t type = r.U32LE(), size = r.U32LE();
    if (size < 8 || size % 4 != 0 || size > data.size() - pos)
      FailPicture(fileName, "bad metafile record size");
    if (type == 14) break;  // end of file
    Play(canvas, type, data.subspan(pos, size), objects, fileName);
    pos += size;
  }
  return picture;
}

}  // namespace quenvar
