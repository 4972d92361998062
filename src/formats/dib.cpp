#include "formats/dib.h"

#include <bit>
#include <vector>

#include "formats/bytereader.h"
#include "formats/decodeutil.h"
#include "formats/limits.h"
#include "formats/pictureutil.h"

namespace quenvar {
namespace {

// The most pixels one byte of run-length data may stand for (see DecodeDib).
constexpr std::size_t kMaxRlePixelsPerByte = 1024;

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct DibHeader {
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive; topDown says the row order
  bool topDown = false;
  unsigned bpp = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t colorsUsed = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool hasMasks = false;
  unsigned paletteEntrySize = 4;
  std::size_t headerSize = 0;
};

// One colour channel held by a bit mask.
struct MaskChannel {
  std::uint32_t mask = 0;
  unsigned shift = 0;
  unsigned bits = 0;
  unsigned Extract(std::uint32_t value) const {
    if (!mask) return 255;
    unsigned v = (value & mask) >> shift;
    return bits >= 8 ? v >> (bits - 8) : ScaleToByte(v, bits);
  }
};

MaskChannel ChannelOf(std::uint32_t mask) {
  MaskChannel c;
  c.mask = mask;
  if (!mask) return c;
  c.shift = unsigned(std::countr_zero(mask));
  c.bits = 32u - unsigned(std::countl_zero(mask)) - c.shift;  // span of the mask
  return c;
}

DibHeader ReadHeader(ByteReader& in, const std::string& fileName) {
  DibHeader h;
  const std::size_t start = in.Position();
  h.headerSize = in.U32LE();
  if (h.headerSize == 12) {
    h.width = in.U16LE();
    h.height = in.U16LE();
    in.U16LE();  // planes
    h.bpp = in.U16LE();
    h.paletteEntrySize = 3;
  } else if (h.headerSize >= 16 && h.headerSize <= 1024) {
    h.width = in.I32LE();
    std::int32_t height = in.I32LE();
    h.topDown = height < 0;
    h.height = height < 0 ? -std::int64_t(height) : height;
    in.U16LE();  // planes
    h.bpp = in.U16LE();
    if (h.headerSize >= 20) h.compression = in.U32LE();
    if (h.headerSize >= 36) {
      in.Skip(12);  // image size, resolution
      h.colorsUsed = in.U32LE();
    }
    if (h.headerSize >= 52) {
      in.Seek(start + 40);
      for (int i = 0; i < (h.headerSize >= 56 ? 4 : 3); ++i) h.masks[i] = in.U32LE();
      h.hasMasks = true;
    }
    if (h.headerSize == 64 && h.compression == 3)
      FailPicture(fileName, "Huffman-coded bitmaps are not supported");
  } else {
    FailPicture(fileName, "unknown bitmap header size " + std::to_string(h.headerSize));
  }
  in.Seek(start + h.headerSize);
  // A plain header is followed by the masks it announces.
  if (!h.hasMasks && (h.compression == kBitFields || h.compression == kAlphaBitFields) &&
      h.headerSize == 40) {
    const int count = h.compression == kAlphaBitFields ? 4 : 3;
    for (int i = 0; i < count; ++i) h.masks[i] = in.U32LE();
    h.hasMasks = true;
  }
  return h;
}

void CheckHeader(const DibHeader& h, const std::string& fileName) {
  const unsigned bpp = h.bpp;
  const bool valid = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  if (!valid) FailPicture(fileName, "unsupported bit depth " + std::to_string(bpp));
  switch (h.compression) {
    case kRgb:
      break;
    case kRle8:
      if (bpp != 8) FailPicture(fileName, "RLE8 compression needs 8 bits per pixel");
      break;
    case kRle4:
      if (bpp != 4) FailPicture(fileName, "RLE4 compression needs 4 bits per pixel");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (bpp != 16 && bpp != 32) FailPicture(fileName, "bit-field masks need 16 or 32 bits");
      break;
    default:
      FailPicture(fileName, "unsupported compression " + std::to_string(h.compression));
  }
}

std::vector<TColor32> ReadPalette(ByteReader& in, const DibHeader& h, const std::string& fileName) {
  std::vector<TColor32> palette;
  if (h.bpp > 8) return palette;
  std::uint32_t count = h.colorsUsed ? h.colorsUsed : (1u << h.bpp);
  if (count > 256) FailPicture(fileName, "colour table of " + std::to_string(count) + " entries");
  palette.assign(256, Color32(0, 0, 0));
  for (std::uint32_t i = 0; i < count; ++i) {
    auto b = in.Bytes(h.paletteEntrySize);
    palette[i] = Color32(b[2], b[1], b[0]);
  }
  return palette;
}

// Expands run-length encoded rows (bottom row first) into palette indices.
std::vector<std::uint8_t> DecodeRle(ByteReader& in, const DibHeader& h) {
  const std::size_t w = std::size_t(h.width), rows = std::size_t(h.height);
  std::vector<std::uint8_t> indices(CheckedMul(w, rows), 0);
  const bool four = h.compression == kRle4;
  std::size_t x = 0, y = 0;
  auto put = [&](unsigned index) {
    if (x < w && y < rows) indices[y * w + x] = std::uint8_t(index);
    ++x;
  };
  while (y < rows) {
    unsigned count = in.U8();
    unsigned value = in.U8();
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      x += in.U8();
      y += in.U8();
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      auto run = in.Bytes(bytes);
      for (unsigned i = 0; i < value; ++i)
        put(four ? ((i & 1) ? run[i / 2] & 15 : run[i / 2] >> 4) : run[i]);
      if (bytes & 1) in.Skip(1);
    }
  }
  return indices;
}

void ApplyIconMask(ByteReader& in, const DibHeader& h, TPicture& picture, bool hasAlpha) {
  const std::size_t stride = CheckedMul((std::size_t(h.width) + 31) / 32, 4);
  for (std::size_t row = 0; row < std::size_t(h.height); ++row) {
    if (in.Remaining() < stride) break;  // a missing mask leaves the icon opaque
    auto bits = in.Bytes(stride);
    std::size_t y = h.topDown ? row : std::size_t(h.height) - 1 - row;
    TColor32* line = picture.pixels.data() + y * std::size_t(h.width);
    for (std::size_t x = 0; x < std::size_t(h.width); ++x)
      if (!hasAlpha && ((bits[x / 8] >> (7 - x % 8)) & 1)) line[x] &= 0x00FFFFFFu;
  }
}

}  // namespace

TPicture DecodeDib(std::span<const std::uint8_t> data, std::size_t headerPos,
                   const DibOptions& options, const std::string& fileName) {
  ByteReader in(data, fileName);
  in.Seek(headerPos);
  DibHeader h = ReadHeader(in, fileName);
  if (options.iconMask) h.height /= 2;
  CheckHeader(h, fileName);
  CheckPictureSize(h.width, h.height, fileName);
  std::vector<TColor32> palette = ReadPalette(in, h, fileName);

  // Bit fields that name an alpha mask say the picture has alpha.
  const bool declaredAlpha = h.hasMasks &&
                             (h.compression == kBitFields || h.compression == kAlphaBitFields) &&
                             h.masks[3] != 0;
  // Without bit fields: 5-5-5 for 16 bits; 8-8-8 for 32 bits with the fourth
  // byte as alpha, whatever the header size (a header's masks only count with
  // bit-field compression). Unused alpha bytes are all zero, handled below.
  if (!h.hasMasks || (h.compression != kBitFields && h.compression != kAlphaBitFields)) {
    if (h.bpp == 16) h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    if (h.bpp == 32) h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
    h.masks[3] = h.bpp == 32 ? 0xFF000000u : 0;
  }
  const bool hasAlpha = h.bpp >= 16 && h.masks[3] != 0;
  if (options.pixelOffset) in.Seek(options.pixelOffset);
  const std::size_t w = std::size_t(h.width), rows = std::size_t(h.height);
  const bool rle = h.compression == kRle4 || h.compression == kRle8;
  // Uncompressed pixels must all be present before anything is allocated.
  const std::size_t stride = CheckedMul((CheckedMul(w, h.bpp) + 31) / 32, 4);
  const std::size_t rowBytes = (w * h.bpp + 7) / 8;
  if (!rle && in.Remaining() < CheckedAdd(CheckedMul(stride, rows - 1), rowBytes))
    FailPicture(fileName, "pixel data is truncated");
  // A run gives 255 pixels for two bytes, a delta skips up to 255 rows and an
  // early end leaves the rest blank: no exact bound, but past this many
  // pixels per byte the data plainly does not describe the picture.
  if (rle) CheckDataCanFill(h.width, h.height, in.Remaining(), kMaxRlePixelsPerByte, fileName);
  TPicture picture = NewPicture(
      h.width, h.height,
      hasAlpha || options.iconMask ? TPictureKind::Bitmap32 : TPictureKind::Bitmap, fileName);
  if (rle) {
    std::vector<std::uint8_t> indices = DecodeRle(in, h);
    for (std::size_t row = 0; row < rows; ++row) {
      std::size_t y = h.topDown ? row : rows - 1 - row;
      for (std::size_t x = 0; x < w; ++x) picture.pixels[y * w + x] = palette[indices[row * w + x]];
    }
    return picture;
  }

  const MaskChannel r = ChannelOf(h.masks[0]), g = ChannelOf(h.masks[1]), b = ChannelOf(h.masks[2]),
                    a = ChannelOf(h.masks[3]);
  bool anyAlpha = false;
  const std::size_t base = in.Position();
  for (std::size_t row = 0; row < rows; ++row) {
    const std::uint8_t* src = data.data() + base + row * stride;
    std::size_t y = h.topDown ? row : rows - 1 - row;
    TColor32* out = picture.pixels.data() + y * w;
    switch (h.bpp) {
      case 1:
      case 4:
      case 8: {
        const unsigned perByte = 8 / h.bpp, mask = (1u << h.bpp) - 1;
        for (std::size_t x = 0; x < w; ++x) {
          unsigned shift = (perByte - 1 - unsigned(x % perByte)) * h.bpp;
          out[x] = palette[(src[x / perByte] >> shift) & mask];
        }
        break;
      }
      case 24:
        for (std::size_t x = 0; x < w; ++x)
          out[x] = Color32(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      default: {
        const unsigned bytes = h.bpp / 8;
        for (std::size_t x = 0; x < w; ++x) {
          std::uint32_t v = src[bytes * x] | (std::uint32_t(src[bytes * x + 1]) << 8);
          if (bytes == 4)
            v |= (std::uint32_t(src[4 * x + 2]) << 16) | (std::uint32_t(src[4 * x + 3]) << 24);
          unsigned alpha = a.Extract(v);
          anyAlpha |= a.mask && alpha != 0;
          out[x] = Color32(r.Extract(v), g.Extract(v), b.Extract(v), alpha);
        }
      }
    }
  }
  in.Seek(base + std::min(in.Remaining(), CheckedMul(stride, rows)));
  // Alpha bytes that are all zero and not declared by a mask mean the writer
  // left them unused: such a bitmap is opaque, and an icon then takes its
  // transparency from its mask.
  if (hasAlpha && !anyAlpha && !declaredAlpha) {
    for (TColor32& px : picture.pixels) px |= 0xFF000000u;
    if (!options.iconMask) picture.kind = TPictureKind::Bitmap;
  }
  if (options.iconMask) ApplyIconMask(in, h, picture, hasAlpha && anyAlpha);
  return picture;
}

}  // namespace quenvar
