// Enhanced metafiles: bitmap transfers with raster operations, alpha
// blending, gradients, regions and pixels. Every offset, count and size in
// these records is checked against the record before it is used.
#include "formats/emfraster.h"

#include <algorithm>
#include <memory>

#include "formats/bytereader.h"
#include "formats/metafiledib.h"
#include "formats/pictureutil.h"

namespace quenvar {
namespace {

constexpr std::uint32_t kSrcCopy = 0x00CC0020u;

TColor32 ColorRef(std::uint32_t c) {
  return Color32(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

// The bitmap a record carries: header at offBmi (cbBmi bytes), pixels at
// offBits (cbBits bytes).
MfBitmap ReadBitmap(MetafileCanvas& canvas, std::span<const std::uint8_t> record,
                    std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                    std::uint32_t cbBits, const std::string& fileName) {
  if (cbBmi < 12 || offBmi >= record.size() || cbBmi > record.size() - offBmi ||
      offBits >= record.size() || cbBits > record.size() - offBits)
    FailPicture(fileName, "a bitmap record points outside itself");
  return ReadMfBitmap(canvas, record, offBmi, offBits, fileName);
}

// BITBLT (76), STRETCHBLT (77) and ALPHABLEND (114) share their layout; the
// first two may come without a bitmap and then work on pattern and picture.
void PlayBlt(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
             const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8 + 16);
  const double x = p.I32LE(), y = p.I32LE(), w = p.I32LE(), h = p.I32LE();
  const std::uint32_t op = p.U32LE();
  const long long sx = p.I32LE(), sy = p.I32LE();
  p.Skip(24 + 4 + 4);  // source transform, background colour, usage
  const std::uint32_t offBmi = p.U32LE(), cbBmi = p.U32LE(), offBits = p.U32LE(),
                      cbBits = p.U32LE();
  long long sw = (long long)(w), sh = (long long)(h);
  if (type != 76) sw = p.I32LE(), sh = p.I32LE();
  if (cbBmi == 0) {
    if (type != 114) canvas.Blit(nullptr, x, y, w, h, 0, 0, 0, 0, op);
    return;
  }
  const MfBitmap bitmap = ReadBitmap(canvas, record, offBmi, cbBmi, offBits, cbBits, fileName);
  if (type == 114)
    canvas.AlphaBlend(bitmap.picture, x, y, w, h, MfSourceInt(sx), MfSourceInt(sy), MfSourceInt(sw),
                      MfSourceInt(sh), op);
  else
    canvas.Blit(&bitmap.picture, x, y, w, h, MfSourceInt(sx), MfSourceInt(sy), MfSourceInt(sw),
                MfSourceInt(sh), op);
}

// STRETCHDIBITS (81) and SETDIBITSTODEVICE (80).
void PlayDibits(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
                const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8 + 16);
  const double x = p.I32LE(), y = p.I32LE();
  const long long sx = p.I32LE(), sy = p.I32LE(), sw = p.I32LE(), sh = p.I32LE();
  const std::uint32_t offBmi = p.U32LE(), cbBmi = p.U32LE(), offBits = p.U32LE(),
                      cbBits = p.U32LE();
  p.Skip(4);  // usage
  std::uint32_t rop = kSrcCopy;
  double w = double(sw), h = double(sh);
  long long firstScan = 0;
  if (type == 81) {
    rop = p.U32LE();
    w = p.I32LE(), h = p.I32LE();
  } else {
    firstScan = p.U32LE();
    p.Skip(4);  // scan count: the bitmap's own height says it
  }
  const MfBitmap bitmap = ReadBitmap(canvas, record, offBmi, cbBmi, offBits, cbBits, fileName);
  canvas.Blit(&bitmap.picture, x, y, w, h, MfSourceInt(sx), MfSourceTop(bitmap, sy, sh, firstScan),
              MfSourceInt(sw), MfSourceInt(sh), rop);
}

void PlayGradient(MetafileCanvas& canvas, ByteReader& p) {
  p.Skip(16);
  const std::uint32_t nVertices = p.U32LE(), nObjects = p.U32LE(), mode = p.U32LE();
  if (nVertices > p.Remaining() / 16) p.Fail("gradient vertices are longer than their record");
  std::vector<MfGradientVertex> vertices(nVertices);
  for (MfGradientVertex& v : vertices) {
    v.x = p.I32LE(), v.y = p.I32LE();
    v.red = p.U16LE(), v.green = p.U16LE(), v.blue = p.U16LE();
    p.U16LE();  // alpha
  }
  const std::size_t per = mode == 2 ? 3 : 2;
  if (nObjects > p.Remaining() / (4 * per)) p.Fail("gradient shapes are longer than their record");
  std::vector<std::uint32_t> indices(nObjects * per);
  for (std::uint32_t& i : indices) i = p.U32LE();
  canvas.Spend(double(nObjects));
  canvas.GradientFill(vertices, indices, mode);
}

// Region data: a 32-byte header with the rectangle count, then rectangles.
MetafileCanvas::Rects ReadRegion(ByteReader& p, std::uint32_t size) {
  if (size < 32 || size > p.Remaining()) p.Fail("a region is larger than its record");
  p.Skip(8);  // header size, type
  const std::uint32_t count = p.U32LE();
  p.Skip(4 + 16);  // region size, bounds
  if (count > (size - 32) / 16) p.Fail("a region has more rectangles than bytes");
  MetafileCanvas::Rects rects(count);
  for (auto& r : rects)
    for (double& v : r) v = p.I32LE();
  return rects;
}

// FILLRGN (71), FRAMERGN (72), INVERTRGN (73), PAINTRGN (74).
void PlayRegion(MetafileCanvas& canvas, std::uint32_t type, ByteReader& p,
                const EmfBrushLookup& brushes) {
  p.Skip(16);
  const std::uint32_t size = p.U32LE();
  const MfBrush* brush = &canvas.state.brush;
  double width = 1, height = 1;
  if (type == 71 || type == 72) {
    brush = brushes(p.U32LE());
    if (type == 72) width = p.I32LE(), height = p.I32LE();
  }
  const MetafileCanvas::Rects rects = ReadRegion(p, size);
  if (type == 73) return canvas.InvertRegion(rects);
  if (!brush) return;
  if (type == 72) return canvas.FrameRegion(rects, *brush, width, height);
  canvas.FillRegion(rects, *brush);
}

}  // namespace

bool PlayEmfRaster(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
                   const EmfBrushLookup& brushes, const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8);
  switch (type) {
    case 76:
    case 77:
    case 114:
      PlayBlt(canvas, type, record, fileName);
      return true;
    case 80:
    case 81:
      PlayDibits(canvas, type, record, fileName);
      return true;
    case 118:
      PlayGradient(canvas, p);
      return true;
    case 71:
    case 72:
    case 73:
    case 74:
      PlayRegion(canvas, type, p, brushes);
      return true;
    case 15: {  // SETPIXELV
      const double x = p.I32LE(), y = p.I32LE();
      canvas.SetPixel({x, y}, ColorRef(p.U32LE()));
      return true;
    }
    default:
      return false;
  }
}

MfBrush EmfPatternBrush(MetafileCanvas& canvas, std::span<const std::uint8_t> record,
                        const std::string& fileName) {
  ByteReader p(record, fileName);
  p.Skip(8 + 4 + 4);  // type, size, object index, usage
  const std::uint32_t offBmi = p.U32LE(), cbBmi = p.U32LE(), offBits = p.U32LE(),
                      cbBits = p.U32LE();
  MfBrush brush;
  brush.style = 3;
  brush.pattern = std::make_shared<const TPicture>(
      ReadBitmap(canvas, record, offBmi, cbBmi, offBits, cbBits, fileName).picture);
  return brush;
}

}  // namespace quenvar
