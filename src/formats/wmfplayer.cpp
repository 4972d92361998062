// Windows metafiles (WMF), with or without the placeable header: the common
// drawing records, arcs, pies and chords included, are played onto a
// picture; bitmaps, patterns, regions and pixels are in wmfraster.cpp, the
// text records in metafiletextrecords.cpp. Clipping is not drawn.
#include <cmath>
#include <vector>

#include "formats/bytereader.h"
#include "formats/limits.h"
#include "formats/metafilecanvas.h"
#include "formats/metafilepage.h"
#include "formats/metafileplayers.h"
#include "formats/pictureutil.h"
#include "formats/wmfraster.h"

namespace quenvar {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr int kDefaultSize = 256;

TColor32 ColorRef(std::uint32_t c) {
  return Color32(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

struct WmfObject {
  enum Kind { None, Pen, Brush, Region, Other, Font } kind = None;
  MfPen pen;
  MfBrush brush;
  MetafileCanvas::Rects region;
  MfFont font;
};

struct WmfRecord {
  std::uint16_t function;
  std::span<const std::uint8_t> params;
};

std::vector<WmfRecord> ReadRecords(ByteReader& in) {
  std::vector<WmfRecord> records;
  while (in.Remaining() >= 6) {
    const std::uint32_t words = in.U32LE();
    const std::uint16_t function = in.U16LE();
    if (function == 0) return records;  // end of file
    if (words < 3) in.Fail("bad metafile record size");
    records.push_back({function, in.Bytes(CheckedMul(std::size_t(words) - 3, 2))});
  }
  // No end record is fine, part of a record left over is a file cut short.
  if (!in.AtEnd()) in.Fail("the metafile is cut short");
  return records;
}

std::vector<MfPoint> ReadPoints(ByteReader& p, std::size_t count) {
  std::vector<MfPoint> points;
  points.reserve(std::min<std::size_t>(count, p.Remaining() / 4));
  for (std::size_t i = 0; i < count; ++i) {
    const double x = p.I16LE();
    points.push_back({x, double(p.I16LE())});
  }
  return points;
}

void PutObject(std::vector<WmfObject>& objects, const WmfObject& object) {
  for (WmfObject& slot : objects)
    if (slot.kind == WmfObject::None) {
      slot = object;
      return;
    }
  objects.push_back(object);
}

// The region records name a region object, and some a brush object.
void PlayRegion(MetafileCanvas& canvas, const WmfRecord& r, const std::vector<WmfObject>& objects,
                const std::string& fileName) {
  ByteReader p(r.params, fileName);
  const std::uint16_t region = p.U16LE();
  if (region >= objects.size() || objects[region].kind != WmfObject::Region) return;
  const MetafileCanvas::Rects& rects = objects[region].region;
  if (r.function == 0x012A) return canvas.InvertRegion(rects);
  if (r.function == 0x012B) return canvas.FillRegion(rects, canvas.state.brush);
  const std::uint16_t brush = p.U16LE();
  if (brush >= objects.size() || objects[brush].kind != WmfObject::Brush) return;
  if (r.function == 0x0228) return canvas.FillRegion(rects, objects[brush].brush);
  const double height = p.I16LE(), width = p.I16LE();
  canvas.FrameRegion(rects, objects[brush].brush, width, height);
}

void Play(MetafileCanvas& canvas, const WmfRecord& r, std::vector<WmfObject>& objects,
          const std::string& fileName) {
  if (PlayWmfRaster(canvas, r.function, r.params, fileName)) return;
  ByteReader p(r.params, fileName);
  auto& st = canvas.state;
  switch (r.function) {
    case 0x020B: {  // SETWINDOWORG
      st.map.windowOrgY = p.I16LE();
      st.map.windowOrgX = p.I16LE();
      break;
    }
    case 0x020C: {  // SETWINDOWEXT
      st.map.windowExtY = p.I16LE();
      st.map.windowExtX = p.I16LE();
      break;
    }
    case 0x0201:
      st.background = ColorRef(p.U32LE());
      break;  // SETBKCOLOR
    case 0x0102:
      st.opaqueBackground = p.U16LE() == 2;
      break;  // SETBKMODE
    case 0x0106:
      st.fillMode = p.U16LE() == 2 ? 2 : 1;
      break;  // SETPOLYFILLMODE
    case 0x001E:
      canvas.Save();
      break;  // SAVEDC
    case 0x0127:
      canvas.Restore(p.I16LE());
      break;        // RESTOREDC
    case 0x02FA: {  // CREATEPENINDIRECT
      WmfObject o;
      o.kind = WmfObject::Pen;
      o.pen.style = p.U16LE();
      o.pen.width = p.I16LE();
      p.I16LE();
      o.pen.color = ColorRef(p.U32LE());
      // Such pens are dashed only while one pixel wide.
      if (o.pen.width > 1 && (o.pen.style & 15) >= 1 && (o.pen.style & 15) <= 4)
        o.pen.style &= ~15u;
      PutObject(objects, o);
      break;
    }
    case 0x02FC: {  // CREATEBRUSHINDIRECT
      WmfObject o;
      o.kind = WmfObject::Brush;
      o.brush.style = p.U16LE();
      o.brush.color = ColorRef(p.U32LE());
      o.brush.hatch = p.Remaining() >= 2 ? p.U16LE() : 0;
      if (o.brush.style > 2) o.brush.style = 1;  // patterns are not drawn
      PutObject(objects, o);
      break;
    }
    case 0x06FF: {  // CREATEREGION
      WmfObject o;
      o.kind = WmfObject::Region;
      o.region = WmfRegion(canvas, r.params, fileName);
      PutObject(objects, o);
      break;
    }
    case 0x0228:    // FILLREGION
    case 0x012B:    // PAINTREGION
    case 0x012A:    // INVERTREGION
    case 0x0429: {  // FRAMEREGION
      PlayRegion(canvas, r, objects, fileName);
      break;
    }
    case 0x0142: {  // DIBCREATEPATTERNBRUSH
      WmfObject o;
      o.kind = WmfObject::Brush;
      o.brush = WmfPatternBrush(canvas, r.params, fileName);
      PutObject(objects, o);
      break;
    }
    case 0x02FB: {  // CREATEFONTINDIRECT
      WmfObject o;
      o.kind = WmfObject::Font;
      o.font = ReadWmfLogFont(p);
      PutObject(objects, o);
      break;
    }
    case 0x00F7:
    case 0x01F9: {  // other objects
      WmfObject o;
      o.kind = WmfObject::Other;
      PutObject(objects, o);
      break;
    }
    case 0x012D: {  // SELECTOBJECT
      const std::uint16_t i = p.U16LE();
      if (i >= objects.size()) break;
      if (objects[i].kind == WmfObject::Pen) st.pen = objects[i].pen;
      if (objects[i].kind == WmfObject::Brush) st.brush = objects[i].brush;
      if (objects[i].kind == WmfObject::Font) st.text.font = objects[i].font;
      break;
    }
    case 0x01F0: {  // DELETEOBJECT
      const std::uint16_t i = p.U16LE();
      if (i < objects.size()) objects[i] = WmfObject{};
      break;
    }
    case 0x0214: {  // MOVETO
      const double y = p.I16LE();
      canvas.MoveTo({double(p.I16LE()), y});
      break;
    }
    case 0x0213: {  // LINETO
      const double y = p.I16LE();
      canvas.LineTo({double(p.I16LE()), y});
      break;
    }
    case 0x0325:    // POLYLINE
    case 0x0324: {  // POLYGON
      const std::size_t count = std::size_t(std::max<std::int16_t>(0, p.I16LE()));
      auto points = ReadPoints(p, count);
      if (r.function == 0x0325)
        canvas.Polyline(points);
      else
        canvas.Polygon({points});
      break;
    }
    case 0x0538: {  // POLYPOLYGON
      const std::size_t polys = p.U16LE();
      std::vector<std::size_t> counts;
      for (std::size_t i = 0; i < polys; ++i) counts.push_back(p.U16LE());
      std::vector<std::vector<MfPoint>> all;
      for (std::size_t c : counts) all.push_back(ReadPoints(p, c));
      canvas.Polygon(all);
      break;
    }
    case 0x041B:    // RECTANGLE
    case 0x0418:    // ELLIPSE
    case 0x061C: {  // ROUNDRECT
      double cornerHeight = 0, cornerWidth = 0;
      if (r.function == 0x061C) cornerHeight = p.I16LE(), cornerWidth = p.I16LE();
      const double bottom = p.I16LE(), right = p.I16LE(), top = p.I16LE(), left = p.I16LE();
      if (r.function == 0x0418)
        canvas.Ellipse(left, top, right, bottom);
      else if (r.function == 0x061C)
        canvas.RoundRect(left, top, right, bottom, cornerWidth, cornerHeight);
      else
        canvas.Rectangle(left, top, right, bottom);
      break;
    }
    case 0x0817:    // ARC
    case 0x081A:    // PIE
    case 0x0830: {  // CHORD
      const double ye = p.I16LE(), xe = p.I16LE(), ys = p.I16LE(), xs = p.I16LE();
      const double bottom = p.I16LE(), right = p.I16LE(), top = p.I16LE(), left = p.I16LE();
      using Kind = MetafileCanvas::ArcKind;
      const Kind kind = r.function == 0x0817   ? Kind::kArc
                        : r.function == 0x081A ? Kind::kPie
                                               : Kind::kChord;
      canvas.Arc(kind, left, top, right, bottom, {xs, ys}, {xe, ye});
      break;
    }
    default:
      PlayWmfText(canvas, r.function, r.params, fileName);
      break;  // clipping, palettes and the rest are not drawn
  }
}

}  // namespace

bool IsWmf(std::span<const std::uint8_t> head) {
  if (head.size() >= 4 && (head[0] | (head[1] << 8) | (head[2] << 16) |
                           (std::uint32_t(head[3]) << 24)) == kPlaceableKey)
    return true;
  return head.size() >= 18 && (head[0] == 1 || head[0] == 2) && head[1] == 0 && head[2] == 9 &&
         head[3] == 0;
}

TPicture PlayWmf(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  bool placeable = false;
  double left = 0, top = 0, right = 0, bottom = 0, inch = 0;
  if (in.Remaining() >= 4 && in.U32LE() == kPlaceableKey) {
    placeable = true;
    in.U16LE();
    left = in.I16LE(), top = in.I16LE(), right = in.I16LE(), bottom = in.I16LE();
    inch = in.U16LE();
    in.Skip(6);
  } else {
    in.Seek(0);
  }
  const std::uint16_t type = in.U16LE(), headerWords = in.U16LE();
  if ((type != 1 && type != 2) || headerWords != 9) FailPicture(fileName, "not a Windows metafile");
  in.Skip(14);
  const std::vector<WmfRecord> records = ReadRecords(in);

  // The page: the placeable header's box at 96 pixels per inch, else the
  // window extent the metafile sets, else a default square.
  MetafileCanvas::Mapping map;
  map.mode = 8;
  std::int64_t width = kDefaultSize, height = kDefaultSize;
  if (placeable && inch > 0 && right != left && bottom != top) {
    width = std::llround(std::fabs(right - left) * 96 / inch);
    height = std::llround(std::fabs(bottom - top) * 96 / inch);
    map.windowOrgX = left, map.windowOrgY = top;
    map.windowExtX = right - left, map.windowExtY = bottom - top;
  } else {
    for (const WmfRecord& r : records)
      if (r.function == 0x020C && r.params.size() >= 4) {
        ByteReader p(r.params, fileName);
        const double ey = p.I16LE(), ex = p.I16LE();
        if (ex != 0 && ey != 0) {
          width = std::llround(std::fabs(ex)), height = std::llround(std::fabs(ey));
          map.windowExtX = ex, map.windowExtY = ey;
        }
        break;
      }
    if (map.windowExtX == 1) map.windowExtX = double(width), map.windowExtY = double(height);
  }
  const double k = MetafilePageScale(double(width), double(height));
  width = std::max<std::int64_t>(1, std::llround(double(width) * k));
  height = std::max<std::int64_t>(1, std::llround(double(height) * k));
  TPicture picture = NewPicture(width, height, TPictureKind::Other, fileName, 0xFFFFFFFFu);
  map.viewportExtX = double(width), map.viewportExtY = double(height);
  MetafileCanvas canvas(picture, fileName);
  canvas.state.map = map;
  std::vector<WmfObject> objects;
  // The window the metafile sets maps onto the whole picture.
  for (const WmfRecord& r : records) Play(canvas, r, objects, fileName);
  return picture;
}

}  // namespace quenvar
