// Enhanced metafiles (EMF): the records are played onto a picture the size
// of the header's frame at 96 pixels per inch. This file holds the header,
// the record loop, objects and the state records; the drawing records are
// in emfdrawing.cpp, the bitmap, gradient and region records in
// emfraster.cpp, the text records in metafiletextrecords.cpp.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "formats/bytereader.h"
#include "formats/emfraster.h"
#include "formats/emfrecords.h"
#include "formats/metafilepage.h"
#include "formats/metafileplayers.h"
#include "formats/pictureutil.h"

namespace quenvar {
namespace {

constexpr std::uint32_t kEmfSignature = 0x464D4520u;  // " EMF"
constexpr double kPixelsPerMm = 96 / 25.4;

TColor32 ColorRef(std::uint32_t c) {
  return Color32(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

struct EmfObject {
  bool isPen = false;
  MfPen pen;
  MfBrush brush;
  bool isFont = false;
  MfFont font;
};

// The stock objects a record selects with the high bit set.
bool SelectStock(std::uint32_t index, MetafileCanvas::State& st) {
  switch (index & 0x7FFFFFFFu) {
    case 0:
      st.brush = {0, 0, Color32(255, 255, 255), {}};
      return true;
    case 1:
      st.brush = {0, 0, Color32(192, 192, 192), {}};
      return true;
    case 2:
      st.brush = {0, 0, Color32(128, 128, 128), {}};
      return true;
    case 3:
      st.brush = {0, 0, Color32(64, 64, 64), {}};
      return true;
    case 4:
      st.brush = {0, 0, Color32(0, 0, 0), {}};
      return true;
    case 5:
      st.brush.style = 1;
      return true;
    case 6:
      st.pen = {0, 0, true, Color32(255, 255, 255), {}};
      return true;
    case 7:
      st.pen = {0, 0, true, Color32(0, 0, 0), {}};
      return true;
    case 8:
      st.pen.style = 5;
      return true;
    default:
      return false;
  }
}

// The page: its size in pixels, where the reference device's units land on
// it, and the device's resolution.
struct EmfPage {
  std::int64_t width = 0, height = 0;
  MfXform toPicture;
  double devicePixelsPerMmX = kPixelsPerMm, devicePixelsPerMmY = kPixelsPerMm;
};

// The reference device's pixels per millimetre: from its size in
// micrometres when the header carries that (its description and pixel format
// must lie beyond it), else in millimetres, else a 96 dpi device.
void ReadDeviceSize(std::span<const std::uint8_t> data, EmfPage& page,
                    const std::string& fileName) {
  ByteReader h(data, fileName);
  h.Seek(4);
  const std::uint32_t headerSize = h.U32LE();
  h.Seek(60);
  const std::uint32_t nDescription = h.U32LE(), offDescription = h.U32LE();
  h.Seek(72);
  const double devX = h.I32LE(), devY = h.I32LE(), mmX = h.I32LE(), mmY = h.I32LE();
  double sizeX = mmX, sizeY = mmY;
  if (headerSize >= 108 && headerSize <= data.size() &&
      (nDescription == 0 || offDescription >= 108)) {
    h.Seek(88);
    const std::uint32_t cbPixelFormat = h.U32LE(), offPixelFormat = h.U32LE();
    h.Seek(100);
    const double umX = h.U32LE(), umY = h.U32LE();
    if ((cbPixelFormat == 0 || offPixelFormat >= 108) && umX > 0 && umY > 0)
      sizeX = umX / 1000, sizeY = umY / 1000;
  }
  if (devX > 0 && devY > 0 && sizeX > 0 && sizeY > 0)
    page.devicePixelsPerMmX = devX / sizeX, page.devicePixelsPerMmY = devY / sizeY;
}

// Frame and bounds are inclusive rectangles: the frame in hundredths of a
// millimetre, the bounds in device pixels, used when the frame is empty.
EmfPage ReadPage(std::span<const std::uint8_t> data, const std::string& fileName) {
  EmfPage page;
  ReadDeviceSize(data, page, fileName);
  ByteReader in(data, fileName);
  in.Skip(8);
  const double bl = in.I32LE(), bt = in.I32LE(), br = in.I32LE(), bb = in.I32LE();
  const double fl = in.I32LE(), ft = in.I32LE(), fr = in.I32LE(), fb = in.I32LE();
  const double sx = kPixelsPerMm / page.devicePixelsPerMmX,
               sy = kPixelsPerMm / page.devicePixelsPerMmY;
  double left = 0, top = 0, width = 0, height = 0;
  if (fr >= fl && fb >= ft) {
    left = fl * kPixelsPerMm / 100, top = ft * kPixelsPerMm / 100;
    width = (fr - fl + 1) * kPixelsPerMm / 100, height = (fb - ft + 1) * kPixelsPerMm / 100;
  } else if (br >= bl && bb >= bt) {
    left = bl * sx, top = bt * sy;
    width = (br - bl + 1) * sx, height = (bb - bt + 1) * sy;
  } else {
    FailPicture(fileName, "the metafile has neither a frame nor bounds");
  }
  const double k = MetafilePageScale(width, height);
  // Rounded to the nearest pixel, ties to even; a sliver is one pixel.
  page.width = std::max<std::int64_t>(1, std::int64_t(std::nearbyint(width * k)));
  page.height = std::max<std::int64_t>(1, std::int64_t(std::nearbyint(height * k)));
  page.toPicture = {sx * k, 0, 0, sy * k, -left * k, -top * k};
  return page;
}

using Objects = std::map<std::uint32_t, EmfObject>;

void CreateObject(std::uint32_t type, ByteReader& p, Objects& objects) {
  EmfObject o;
  const std::uint32_t ih = p.U32LE();
  if (type == 82) {  // EXTCREATEFONTINDIRECTW
    o.isFont = true;
    o.font = ReadEmfLogFont(p);
  } else if (type == 38) {  // CREATEPEN: width in logical units, 0 for one pixel
    o.isPen = true;
    o.pen.style = p.U32LE();
    o.pen.width = p.I32LE();
    p.I32LE();
    o.pen.color = ColorRef(p.U32LE());
    // Such pens are dashed only while one pixel wide.
    if (o.pen.width > 1 && (o.pen.style & 15) >= 1 && (o.pen.style & 15) <= 4) o.pen.style &= ~15u;
  } else if (type == 95) {  // EXTCREATEPEN: cosmetic pens are one pixel
    o.isPen = true;
    p.Skip(16);
    o.pen.style = p.U32LE();
    o.pen.width = p.U32LE();
    o.pen.cosmetic = (o.pen.style & 0xF0000) == 0;
    const std::uint32_t brushStyle = p.U32LE();
    o.pen.color = ColorRef(p.U32LE());
    if (brushStyle == 1) o.pen.style = 5;
    if ((o.pen.style & 15) == 7 && p.Remaining() >= 8) {
      p.U32LE();  // hatch
      const std::uint32_t entries = p.U32LE();
      if (entries > p.Remaining() / 4) p.Fail("a pen's style is longer than its record");
      // A style has at most 16 entries; the rest are left out.
      for (std::uint32_t i = 0; i < std::min(entries, 16u); ++i)
        o.pen.userStyle.push_back(p.U32LE());
    }
  } else {  // CREATEBRUSHINDIRECT
    o.brush.style = p.U32LE();
    o.brush.color = ColorRef(p.U32LE());
    o.brush.hatch = p.U32LE();
    if (o.brush.style > 2) o.brush.style = 1;  // patterns are not drawn
  }
  objects[ih] = o;
}

MfXform ReadXform(ByteReader& p) {
  double v[6];
  for (double& d : v) {
    const std::uint32_t bits = p.U32LE();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    d = f;
  }
  return {v[0], v[1], v[2], v[3], v[4], v[5]};
}

// SCALEVIEWPORTEXTEX and SCALEWINDOWEXTEX: extent * num / denom per axis.
void ScaleExtent(ByteReader& p, double& x, double& y) {
  const double xNum = p.I32LE(), xDenom = p.I32LE(), yNum = p.I32LE(), yDenom = p.I32LE();
  if (xDenom != 0 && yDenom != 0) x = x * xNum / xDenom, y = y * yNum / yDenom;
}

// The miter limit is an integer; a value only a float's bits could give is
// read as the float some writers put there.
double ReadMiterLimit(ByteReader& p) {
  const std::uint32_t bits = p.U32LE();
  if (bits < 0x10000000u) return double(bits);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return double(f);
}

bool PlayState(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p, Objects& objects) {
  auto& st = canvas.state;
  auto& map = st.map;
  switch (type) {
    case 17: {  // SETMAPMODE
      const std::uint32_t mode = p.U32LE();
      if (mode >= 1 && mode <= 8) map.mode = int(mode);
      return true;
    }
    case 9:
      map.windowExtX = p.I32LE(), map.windowExtY = p.I32LE();
      return true;
    case 10:
      map.windowOrgX = p.I32LE(), map.windowOrgY = p.I32LE();
      return true;
    case 11:
      map.viewportExtX = p.I32LE(), map.viewportExtY = p.I32LE();
      return true;
    case 12:
      map.viewportOrgX = p.I32LE(), map.viewportOrgY = p.I32LE();
      return true;
    case 31:
      ScaleExtent(p, map.viewportExtX, map.viewportExtY);
      return true;
    case 32:
      ScaleExtent(p, map.windowExtX, map.windowExtY);
      return true;
    case 35:
      canvas.SetWorldTransform(ReadXform(p));
      return true;
    case 36: {
      const MfXform xf = ReadXform(p);
      canvas.ModifyWorldTransform(xf, p.U32LE());
      return true;
    }
    case 18:
      st.opaqueBackground = p.U32LE() == 2;
      return true;
    case 19:
      st.fillMode = p.U32LE() == 2 ? 2 : 1;
      return true;
    case 25:
      st.background = ColorRef(p.U32LE());
      return true;
    case 57:
      st.clockwise = p.U32LE() == 2;
      return true;
    case 58: {
      const double limit = ReadMiterLimit(p);
      if (limit >= 1 && limit <= 1e6) st.miterLimit = limit;
      return true;
    }
    case 33:
      canvas.Save();
      return true;
    case 34:
      canvas.Restore(p.I32LE());
      return true;
    case 38:
    case 39:
    case 82:
    case 95:
      CreateObject(type, p, objects);
      return true;
    case 37: {  // SELECTOBJECT
      const std::uint32_t ih = p.U32LE();
      if ((ih & 0x80000000u) && SelectStock(ih, st)) return true;
      // The stock fonts (10 to 17, but not the palette 15) are the default font.
      const std::uint32_t stock = ih & 0x7FFFFFFFu;
      if ((ih & 0x80000000u) && stock >= 10 && stock <= 17 && stock != 15) st.text.font = MfFont{};
      auto it = objects.find(ih);
      if (it == objects.end()) return true;
      if (it->second.isFont)
        st.text.font = it->second.font;
      else if (it->second.isPen)
        st.pen = it->second.pen;
      else
        st.brush = it->second.brush;
      return true;
    }
    case 40:
      objects.erase(p.U32LE());
      return true;
    case 93:
    case 94: {  // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
      EmfObject o;
      o.brush = EmfPatternBrush(canvas, p.Data(), canvas.FileName());
      objects[p.U32LE()] = o;
      return true;
    }
    default:
      return false;
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
  const EmfPage page = ReadPage(data, fileName);
  TPicture picture =
      NewPicture(page.width, page.height, TPictureKind::Other, fileName, 0xFFFFFFFFu);
  MetafileCanvas canvas(picture, fileName);
  canvas.SetDevice(page.toPicture, page.devicePixelsPerMmX, page.devicePixelsPerMmY);
  Objects objects;
  MetafileCanvas::State stock;
  const EmfBrushLookup brushes = [&](std::uint32_t index) -> const MfBrush* {
    if ((index & 0x80000000u) && (index & 0x7FFFFFFFu) <= 5 && SelectStock(index, stock))
      return &stock.brush;
    auto it = objects.find(index);
    return it == objects.end() || it->second.isPen || it->second.isFont ? nullptr
                                                                        : &it->second.brush;
  };
  std::size_t pos = 0;
  while (data.size() - pos >= 8) {
    ByteReader r(data.subspan(pos), fileName);
    const std::uint32_t type = r.U32LE(), size = r.U32LE();
    if (size < 8 || size % 4 != 0 || size > data.size() - pos)
      FailPicture(fileName, "bad metafile record size");
    if (type == 14) return picture;  // end of file
    const auto record = data.subspan(pos, size);
    ByteReader p(record, fileName);
    p.Skip(8);
    if (!PlayState(canvas, type, p, objects) && !PlayEmfText(canvas, type, record, fileName) &&
        !PlayEmfRaster(canvas, type, record, brushes, fileName))
      PlayEmfDrawing(canvas, type, record, fileName);
    pos += size;
  }
  // No end record: fine for a writer that leaves it out, not for a file cut
  // short (part of a record left, or fewer bytes than the header says).
  ByteReader h(data, fileName);
  h.Seek(48);
  if (pos != data.size() || h.U32LE() > data.size())
    FailPicture(fileName, "the metafile is cut short");
  return picture;
}

}  // namespace quenvar
