// Windows metafiles: bitmap transfers with raster operations, pattern
// fills and pixels. Parameters come in reverse order, the last one first.
#include "formats/wmfraster.h"

#include <memory>

#include "formats/bytereader.h"
#include "formats/metafiledib.h"

namespace quenvar {
namespace {

constexpr std::uint32_t kSrcCopy = 0x00CC0020u;

// The destination rectangle in the last four words: height, width, y, x.
void PatternBlit(MetafileCanvas& canvas, std::span<const std::uint8_t> params, std::uint32_t rop,
                 const std::string& fileName) {
  ByteReader p(params, fileName);
  if (params.size() < 8) p.Fail("a bitmap record is cut short");
  p.Seek(params.size() - 8);
  const double h = p.I16LE(), w = p.I16LE(), y = p.I16LE(), x = p.I16LE();
  canvas.Blit(nullptr, x, y, w, h, 0, 0, 0, 0, rop);
}

// STRETCHDIB (0x0F43), DIBSTRETCHBLT (0x0B41), DIBBITBLT (0x0940): the
// latter two without a bitmap work on pattern and picture alone.
void PlayDibBlt(MetafileCanvas& canvas, std::uint16_t function,
                std::span<const std::uint8_t> params, const std::string& fileName) {
  ByteReader p(params, fileName);
  const std::uint32_t rop = p.U32LE();
  if (function != 0x0F43 && params.size() <= (function == 0x0940 ? 18u : 22u))
    return PatternBlit(canvas, params, rop, fileName);
  if (function == 0x0F43) p.U16LE();  // colour usage
  int sw = 0, sh = 0;
  if (function != 0x0940) sh = p.I16LE(), sw = p.I16LE();
  const int sy = p.I16LE(), sx = p.I16LE();
  const double h = p.I16LE(), w = p.I16LE(), y = p.I16LE(), x = p.I16LE();
  if (function == 0x0940) sw = int(w), sh = int(h);
  const MfBitmap bitmap = ReadMfBitmap(canvas, params, p.Position(), 0, fileName);
  // STRETCHDIB counts source rows from a bottom-up bitmap's last row.
  const int top = function == 0x0F43 ? MfSourceTop(bitmap, sy, sh, 0) : sy;
  canvas.Blit(&bitmap.picture, x, y, w, h, sx, top, sw, sh, rop);
}

// SETDIBTODEV (0x0D33): rows counted from the bottom, scans from `start`.
void PlaySetDibToDev(MetafileCanvas& canvas, std::span<const std::uint8_t> params,
                     const std::string& fileName) {
  ByteReader p(params, fileName);
  p.U16LE(), p.U16LE();  // colour usage, scan count
  const int start = p.U16LE(), sy = p.U16LE(), sx = p.U16LE();
  const int h = p.U16LE(), w = p.U16LE();
  const double y = p.I16LE(), x = p.I16LE();
  const MfBitmap bitmap = ReadMfBitmap(canvas, params, p.Position(), 0, fileName);
  canvas.Blit(&bitmap.picture, x, y, w, h, sx, MfSourceTop(bitmap, sy, h, start), w, h, kSrcCopy);
}

}  // namespace

bool PlayWmfRaster(MetafileCanvas& canvas, std::uint16_t function,
                   std::span<const std::uint8_t> params, const std::string& fileName) {
  switch (function) {
    case 0x061D: {  // PATBLT
      ByteReader p(params, fileName);
      const std::uint32_t rop = p.U32LE();
      PatternBlit(canvas, p.Bytes(8), rop, fileName);
      return true;
    }
    case 0x0F43:
    case 0x0B41:
    case 0x0940:
      PlayDibBlt(canvas, function, params, fileName);
      return true;
    case 0x0D33:
      PlaySetDibToDev(canvas, params, fileName);
      return true;
    case 0x041F: {  // SETPIXEL
      ByteReader p(params, fileName);
      const std::uint32_t c = p.U32LE();
      const double y = p.I16LE(), x = p.I16LE();
      canvas.SetPixel({x, y}, Color32(c & 255, (c >> 8) & 255, (c >> 16) & 255));
      return true;
    }
    default:
      return false;
  }
}

// A region object: its header, then scans, each a band of rows (top,
// bottom) with pairs of left and right edges, its count before and after.
MetafileCanvas::Rects WmfRegion(MetafileCanvas& canvas, std::span<const std::uint8_t> params,
                                const std::string& fileName) {
  ByteReader p(params, fileName);
  p.Skip(2 + 2 + 4 + 2);  // next in chain, object type, object count, region size
  const std::uint16_t scans = p.U16LE();
  p.Skip(2 + 8);  // largest scan, bounds
  MetafileCanvas::Rects rects;
  for (std::uint16_t s = 0; s < scans; ++s) {
    const std::uint16_t count = p.U16LE();
    const double top = p.I16LE(), bottom = p.I16LE();
    if (count % 2 || count > p.Remaining() / 2) p.Fail("a region's scan is longer than its record");
    canvas.Spend(double(count) + 1);
    for (std::uint16_t i = 0; i < count; i += 2) {
      const double left = p.I16LE(), right = p.I16LE();
      rects.push_back({left, top, right, bottom});
    }
    p.U16LE();  // the count again
  }
  return rects;
}

MfBrush WmfPatternBrush(MetafileCanvas& canvas, std::span<const std::uint8_t> params,
                        const std::string& fileName) {
  ByteReader p(params, fileName);
  p.U16LE(), p.U16LE();  // style, colour usage
  MfBrush brush;
  brush.style = 3;
  brush.pattern = std::make_shared<const TPicture>(
      ReadMfBitmap(canvas, params, p.Position(), 0, fileName).picture);
  return brush;
}

}  // namespace quenvar
