// Paintshop Pro pictures, file format 3 (application version 5) and later: a
// 32-byte signature and version, then blocks "~BK\0" + id + length(s). The
// picture is the full-size composite image when the file has one (format 4
// and later), otherwise the visible raster layers composed over a transparent
// canvas with their opacity and transparency masks. Channels are stored
// uncompressed, run-length coded or zlib ("LZ77") compressed.
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <zlib.h>

#include "compose/color32.h"
#include "formats/bytereader.h"
#include "formats/decodeutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

constexpr char kSignature[] = "Paint Shop Pro Image File\n\x1a";
constexpr std::size_t kSignatureSize = 32;

enum BlockId : unsigned {
  kImageBlock = 0,
  kPaletteBlock = 2,
  kLayerBankBlock = 3,
  kLayerBlock = 4,
  kChannelBlock = 5,
  kCompositeImageBlock = 9,
  kCompositeBankBlock = 16,
  kCompositeAttributesBlock = 17,
};

enum Compression : unsigned { kNone = 0, kRle = 1, kLz77 = 2, kJpeg = 3 };

// Bitmap types of a channel.
enum DibType : unsigned {
  kDibImage = 0,
  kDibTransMask = 1,
  kDibComposite = 8,
  kDibCompositeTransMask = 9,
};

struct Block {
  unsigned id = 0;
  std::uint32_t chunkLength = 0;       // format 3: length of the leading chunk
  std::span<const std::uint8_t> body;  // everything after the block header
};

struct Context {
  const std::string& fileName;
  unsigned major = 0;
  int width = 0, height = 0;
  unsigned compression = 0, bitDepth = 0;
  bool greyscale = false;
  std::vector<TColor32> palette;
};

bool IsPsp(std::span<const std::uint8_t> head) {
  return head.size() >= kSignatureSize + 4 &&
         std::memcmp(head.data(), kSignature, sizeof(kSignature) - 1) == 0;
}

// Reads the block at the reader's position; nothing at the end of the data.
// Bytes before the next "~BK\0" (padding, fields this reader does not use) are
// skipped.
std::optional<Block> NextBlock(ByteReader& in, const Context& ctx) {
  while (in.Remaining() >= 4) {
    auto rest = in.Data().subspan(in.Position());
    if (rest[0] == '~' && rest[1] == 'B' && rest[2] == 'K' && rest[3] == 0) break;
    in.Skip(1);
  }
  if (in.Remaining() < 4) return std::nullopt;
  in.Skip(4);
  Block b;
  b.id = in.U16LE();
  if (ctx.major == 3) b.chunkLength = in.U32LE();
  const std::uint32_t length = in.U32LE();
  if (length > in.Remaining()) FailDecode(ctx.fileName, "block runs past the end of the file");
  b.body = in.Bytes(length);
  return b;
}

// A block's leading chunk: from format 4 on it starts with its own size.
// Returns a reader over the chunk and moves `in` past it.
ByteReader Chunk(ByteReader& in, const Context& ctx, std::size_t formatThreeSize) {
  std::size_t size = formatThreeSize;
  if (ctx.major > 3) {
    const std::size_t start = in.Position();
    size = in.U32LE();
    if (size < 4) FailDecode(ctx.fileName, "bad chunk size");
    in.Seek(start);
  }
  if (size > in.Remaining()) FailDecode(ctx.fileName, "chunk runs past the end of its block");
  ByteReader chunk(in.Bytes(size), ctx.fileName);
  if (ctx.major > 3) chunk.Skip(4);
  return chunk;
}

void ReadImageAttributes(const Block& b, Context& ctx) {
  ByteReader in(b.body, ctx.fileName);
  ByteReader c = Chunk(in, ctx, b.body.size());
  ctx.width = c.I32LE();
  ctx.height = c.I32LE();
  c.Skip(8 + 1);  // resolution and its unit
  ctx.compression = c.U16LE();
  ctx.bitDepth = c.U16LE();
  c.Skip(2 + 4);  // plane count, colour count
  ctx.greyscale = c.U8() != 0;
}

void ReadPalette(const Block& b, Context& ctx) {
  ByteReader in(b.body, ctx.fileName);
  ByteReader c = Chunk(in, ctx, b.body.size());
  const std::uint32_t count = c.U32LE();
  if (count > 256) FailDecode(ctx.fileName, "palette with more than 256 entries");
  ctx.palette.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    const unsigned blue = c.U8(), green = c.U8(), red = c.U8();
    c.Skip(1);
    ctx.palette.push_back(Color32(red, green, blue));
  }
}

// Inflates or expands one channel's data to exactly `size` bytes.
std::vector<std::uint8_t> Expand(std::span<const std::uint8_t> src, std::size_t size,
                                 const Context& ctx) {
  std::vector<std::uint8_t> out(size);
  if (ctx.compression == kNone) {
    if (src.size() < size) FailDecode(ctx.fileName, "channel data too short");
    std::memcpy(out.data(), src.data(), size);
  } else if (ctx.compression == kRle) {
    ByteReader in(src, ctx.fileName);
    std::size_t pos = 0;
    while (pos < size) {
      const unsigned count = in.U8();
      if (count > 128) {
        const std::uint8_t v = in.U8();
        for (unsigned n = count - 128; n && pos < size; --n) out[pos++] = v;
      } else {
        auto bytes = in.Bytes(count);
        for (std::size_t i = 0; i < bytes.size() && pos < size; ++i) out[pos++] = bytes[i];
      }
    }
  } else if (ctx.compression == kLz77) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) FailDecode(ctx.fileName, "cannot start zlib");
    zs.next_in = const_cast<Bytef*>(src.data());
    zs.avail_in = static_cast<uInt>(src.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(size);
    const int rc = inflate(&zs, Z_FINISH);
    const bool full = zs.avail_out == 0;
    inflateEnd(&zs);
    if (!full || (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR))
      FailDecode(ctx.fileName, "damaged zlib channel data");
  } else {
    FailDecode(ctx.fileName, "unsupported compression " + std::to_string(ctx.compression));
  }
  return out;
}

// One decoded channel of a layer or composite image.
struct Channel {
  unsigned dibType = 0, channelType = 0;
  std::vector<std::uint8_t> samples;  // rows of `stride` bytes
  std::size_t stride = 0;
};

// Reads the channel blocks that follow in `in`, for a bitmap of w x h pixels.
std::vector<Channel> ReadChannels(ByteReader& in, const Context& ctx, std::size_t w,
                                  std::size_t h) {
  std::vector<Channel> channels;
  while (auto b = NextBlock(in, ctx)) {
    if (b->id != kChannelBlock) continue;
    ByteReader body(b->body, ctx.fileName);
    ByteReader c = Chunk(body, ctx, 12);
    const std::uint32_t packedSize = c.U32LE();
    const std::uint32_t size = c.U32LE();
    Channel ch;
    ch.dibType = c.U16LE();
    ch.channelType = c.U16LE();
    if (packedSize > body.Remaining()) FailDecode(ctx.fileName, "channel data past its block");
    // No coding expands beyond these ratios (zlib at most about 1032:1), so a
    // small file cannot make the reader work through huge bitmaps.
    const std::size_t ratio = ctx.compression == kLz77 ? 1032 : ctx.compression == kRle ? 64 : 1;
    if (size > CheckedAdd(CheckedMul(packedSize, ratio), 64))
      FailDecode(ctx.fileName, "channel larger than its data can describe");
    // Masks and colour planes are 8 bits a sample; palette pictures of 1 and
    // 4 bits pack their indices. Rows may be padded to four bytes.
    const bool mask = ch.dibType == kDibTransMask || ch.dibType == kDibCompositeTransMask;
    const unsigned bits = (mask || ctx.bitDepth >= 8) ? 8 : ctx.bitDepth;
    const std::size_t rowBytes = (CheckedMul(w, bits) + 7) / 8;
    const std::size_t padded = (rowBytes + 3) / 4 * 4;
    ch.stride = size >= CheckedMul(padded, h) ? padded : rowBytes;
    if (CheckedMul(ch.stride, h) > size || size > CheckedMul(padded, h) + 16)
      FailDecode(ctx.fileName, "channel size does not match its bitmap");
    ch.samples = Expand(body.Bytes(packedSize), size, ctx);
    channels.push_back(std::move(ch));
  }
  return channels;
}

// Turns channels into straight-alpha pixels of a w x h bitmap.
std::vector<TColor32> ToPixels(const std::vector<Channel>& channels, const Context& ctx,
                               std::size_t w, std::size_t h, bool useMask) {
  const Channel* red = nullptr;
  const Channel* green = nullptr;
  const Channel* blue = nullptr;
  const Channel* index = nullptr;
  const Channel* mask = nullptr;
  for (const Channel& ch : channels) {
    if (ch.dibType == kDibTransMask || ch.dibType == kDibCompositeTransMask) {
      mask = &ch;
    } else if (ch.dibType == kDibImage || ch.dibType == kDibComposite) {
      if (ch.channelType == 1) red = &ch;
      if (ch.channelType == 2) green = &ch;
      if (ch.channelType == 3) blue = &ch;
      if (ch.channelType == 0) index = &ch;
    }
  }
  const bool rgb = ctx.bitDepth >= 24;
  if (rgb ? !(red && green && blue) : !index)
    FailDecode(ctx.fileName, "bitmap without its colour channels");
  std::vector<TColor32> pixels(w * h);
  const unsigned bits = rgb ? 8 : ctx.bitDepth;
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < w; ++x) {
      TColor32 px;
      if (rgb) {
        px = Color32(red->samples[y * red->stride + x], green->samples[y * green->stride + x],
                     blue->samples[y * blue->stride + x]);
      } else {
        const std::uint8_t* row = index->samples.data() + y * index->stride;
        const unsigned i =
            bits == 8 ? row[x]
                      : (row[x * bits / 8] >> (8 - bits - (x * bits) % 8)) & ((1u << bits) - 1);
        if (!ctx.palette.empty())
          px = i < ctx.palette.size() ? ctx.palette[i] : Color32(0, 0, 0);
        else
          px = bits == 8 ? Color32(i, i, i)
                         : Color32(ScaleTo8(i, (1u << bits) - 1), ScaleTo8(i, (1u << bits) - 1),
                                   ScaleTo8(i, (1u << bits) - 1));
      }
      const unsigned a = (useMask && mask) ? mask->samples[y * mask->stride + x] : 255;
      pixels[y * w + x] = (px & 0x00FFFFFFu) | (TColor32(a) << 24);
    }
  }
  return pixels;
}

// Straight-alpha "over": source with alpha sa onto the destination pixel.
TColor32 Over(TColor32 dst, TColor32 src, unsigned sa) {
  if (sa == 0) return dst;
  const unsigned da = AlphaOf(dst);
  const unsigned inv = 255 - sa;
  const unsigned outA255 = sa * 255 + da * inv;  // alpha x 255
  if (outA255 == 0) return 0;
  auto mix = [&](unsigned s, unsigned d) {
    const std::uint64_t num = std::uint64_t(s) * sa * 255 + std::uint64_t(d) * da * inv;
    return unsigned((num + outA255 / 2) / outA255);
  };
  return Color32(mix(RedOf(src), RedOf(dst)), mix(GreenOf(src), GreenOf(dst)),
                 mix(BlueOf(src), BlueOf(dst)), (outA255 + 127) / 255);
}

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

Rect ReadRect(ByteReader& in) {
  Rect r;
  r.left = in.I32LE();
  r.top = in.I32LE();
  r.right = in.I32LE();
  r.bottom = in.I32LE();
  return r;
}

// Composes one layer block onto the canvas.
void ComposeLayer(const Block& b, const Context& ctx, TPicture& canvas) {
  ByteReader in(b.body, ctx.fileName);
  // Layer information: the name, then type, rectangles, opacity, blending
  // mode and visibility.
  ByteReader info = Chunk(in, ctx, b.chunkLength);
  if (ctx.major == 3) {
    info.Skip(256);
  } else {
    info.Skip(info.U16LE());
  }
  const unsigned type = info.U8();
  ReadRect(info);  // the layer's own rectangle
  const Rect saved = ReadRect(info);
  const unsigned opacity = info.U8();
  info.Skip(1);  // blending mode: every mode is drawn as normal
  const unsigned flags = info.U8();
  // Layer types 0 to 2 hold raster data (undefined or plain raster, and a
  // floating selection); vector and adjustment layers are not drawn.
  const bool raster = type <= 2;
  if (!raster || (flags & 1) == 0 || opacity == 0) return;
  if (saved.right < saved.left || saved.bottom < saved.top)
    FailDecode(ctx.fileName, "bad layer rectangle");
  const std::int64_t w = std::int64_t(saved.right) - saved.left;
  const std::int64_t h = std::int64_t(saved.bottom) - saved.top;
  if (w == 0 || h == 0) return;
  CheckPictureSize(w, h, ctx.fileName);
  const std::vector<Channel> channels = ReadChannels(in, ctx, w, h);
  const std::vector<TColor32> pixels = ToPixels(channels, ctx, w, h, true);
  for (std::int64_t y = 0; y < h; ++y) {
    const std::int64_t cy = saved.top + y;
    if (cy < 0 || cy >= canvas.height) continue;
    for (std::int64_t x = 0; x < w; ++x) {
      const std::int64_t cx = saved.left + x;
      if (cx < 0 || cx >= canvas.width) continue;
      const TColor32 src = pixels[y * w + x];
      const unsigned sa = (AlphaOf(src) * opacity + 127) / 255;
      TColor32& dst = canvas.pixels[cy * canvas.width + cx];
      dst = Over(dst, src, sa);
    }
  }
}

// The pixels of the full-size composite in a composite image bank, if it has
// one.
std::optional<std::vector<TColor32>> ReadComposite(const Block& bank, Context ctx) {
  ByteReader in(bank.body, ctx.fileName);
  Chunk(in, ctx, 0);
  bool full = false;
  std::size_t w = 0, h = 0;
  while (auto b = NextBlock(in, ctx)) {
    if (b->id == kCompositeAttributesBlock) {
      ByteReader body(b->body, ctx.fileName);
      ByteReader c = Chunk(body, ctx, b->body.size());
      const std::int32_t cw = c.I32LE(), ch = c.I32LE();
      ctx.bitDepth = c.U16LE();
      ctx.compression = c.U16LE();
      c.Skip(2 + 4);  // plane count, colour count
      const unsigned kind = c.U16LE();
      full = kind == 0 && cw == ctx.width && ch == ctx.height;
      w = cw;
      h = ch;
    } else if (b->id == kCompositeImageBlock && full) {
      ByteReader body(b->body, ctx.fileName);
      Chunk(body, ctx, 4);  // bitmap and channel counts
      // A palette picture's colours come in its own palette block.
      std::size_t mark = body.Position();
      if (auto p = NextBlock(body, ctx); p && p->id == kPaletteBlock) {
        ReadPalette(*p, ctx);
      } else {
        body.Seek(mark);
      }
      return ToPixels(ReadChannels(body, ctx, w, h), ctx, w, h, true);
    }
  }
  return std::nullopt;
}

TPicture DecodePsp(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsPsp(data)) FailDecode(fileName, "not a Paintshop Pro picture (bad signature)");
  ByteReader in(data, fileName);
  in.Seek(kSignatureSize);
  Context ctx{fileName, 0, 0, 0, 0, 0, false, {}};
  ctx.major = in.U16LE();
  in.Skip(2);  // minor version
  if (ctx.major < 3)
    FailDecode(fileName, "Paintshop Pro file format " + std::to_string(ctx.major) +
                             " (before application version 5) is not supported");

  auto first = NextBlock(in, ctx);
  if (!first || first->id != kImageBlock) FailDecode(fileName, "missing image attributes");
  ReadImageAttributes(*first, ctx);
  if (ctx.compression == kJpeg) FailDecode(fileName, "JPEG-compressed pictures are not supported");
  if (ctx.compression > kLz77)
    FailDecode(fileName, "unknown compression " + std::to_string(ctx.compression));
  const unsigned d = ctx.bitDepth;
  if (d != 1 && d != 4 && d != 8 && d != 24)
    FailDecode(fileName, "unsupported bit depth " + std::to_string(d));
  // The canvas is filled from channels of at most a byte a pixel (palette
  // indices of 1 and 4 bits pack several), none of which expands beyond its
  // coding's ratio: a picture the rest of the file cannot fill is refused
  // before it is made.
  const std::size_t ratio = ctx.compression == kLz77 ? 1032 : ctx.compression == kRle ? 64 : 1;
  CheckDataCanFill(ctx.width, ctx.height, in.Remaining(), ratio * (d < 8 ? 8 / d : 1), fileName);
  TPicture canvas = MakePicture(ctx.width, ctx.height, fileName, TPictureKind::Bitmap32);
  std::fill(canvas.pixels.begin(), canvas.pixels.end(), 0);

  std::vector<Block> layerBanks;
  while (auto b = NextBlock(in, ctx)) {
    if (b->id == kPaletteBlock) ReadPalette(*b, ctx);
    if (b->id == kLayerBankBlock) layerBanks.push_back(*b);
    if (b->id == kCompositeBankBlock) {
      if (auto composite = ReadComposite(*b, ctx)) {
        canvas.pixels.assign(composite->begin(), composite->end());
        layerBanks.clear();
        break;
      }
    }
  }
  for (const Block& bank : layerBanks) {
    ByteReader bankIn(bank.body, fileName);
    if (ctx.major > 3) Chunk(bankIn, ctx, 0);
    while (auto layer = NextBlock(bankIn, ctx))
      if (layer->id == kLayerBlock) ComposeLayer(*layer, ctx, canvas);
  }
  // A picture covered everywhere is opaque.
  bool opaque = true;
  for (TColor32 px : canvas.pixels) opaque = opaque && AlphaOf(px) == 255;
  if (opaque) canvas.kind = TPictureKind::Bitmap;
  return canvas;
}

}  // namespace

const TPictureReader& PspReader() {
  static const TPictureReader reader{"Paintshop Pro", &IsPsp, &DecodePsp};
  return reader;
}

}  // namespace quenvar
