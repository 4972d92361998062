#include "psd/psdchannel.h"

#include <zlib.h>
#include <algorithm>
#include <string>
#include <vector>

#include "formats/limits.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "psd/packbits.h"

namespace quenvar {

namespace {

// A row count at or above this marks a damaged row table.
constexpr std::uint32_t kBrokenRowCount = 10000;
// PackBits turns two packed bytes into at most 128; deflate expands at most
// about 1032 times. Planes beyond these cannot come from the stored data.
constexpr std::uint64_t kMaxRleRatio = 128;
constexpr std::uint64_t kMaxZipRatio = 1032;

std::string ChannelText(const PsdLayer& layer, const TPsdChannel& channel) {
  return "Layer \"" + layer.name + "\" channel " + std::to_string(channel.id);
}

void LogShape(const TPsdPlaneShape& shape) {
  PsdLog("  rle map size :" + std::to_string(shape.height));
  PsdLog(" w/h : " + std::to_string(shape.width) + "x" + std::to_string(shape.height));
}

std::uint32_t RowCount(std::span<const std::uint8_t> table, std::size_t y, int bytes) {
  if (bytes == 2) return std::uint32_t(table[2 * y] << 8 | table[2 * y + 1]);
  const std::uint8_t* p = table.data() + 4 * y;
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void CheckFillable(const PsdLayer& layer, const TPsdChannel& channel, std::size_t planeSize,
                   std::uint64_t ratio) {
  const std::uint64_t stored = channel.length > 0 ? std::uint64_t(channel.length) : 0;
  if (planeSize > stored * ratio + 1024)
    throw Error(ChannelText(layer, channel) + ": " + std::to_string(stored) +
                " bytes of data cannot fill a plane of " + std::to_string(planeSize) + " bytes");
}

void DecodeRle(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               const TPsdPlaneShape& shape, std::size_t planeSize) {
  const std::size_t height = std::size_t(shape.height);
  const int countBytes = shape.rowCountBytes;
  auto table = stream.Bytes(CheckedMul(height, std::size_t(countBytes)));
  LogShape(shape);
  CheckFillable(layer, channel, planeSize, kMaxRleRatio);

  std::uint64_t packedSize = 0;
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint32_t count = RowCount(table, y, countBytes);
    // The damaged-table rule belongs to 2-byte tables; rows of large
    // documents are longer by right.
    if (countBytes == 2 && count >= kBrokenRowCount) {
      PsdLog("### Layer data might be broken ..");
      stream.Seek(stream.Position() - (height + 1 - y));
      PsdLog("### re-seek : " + std::to_string(stream.Position()));
      break;
    }
    packedSize += count;
  }
  if (packedSize > stream.Remaining()) PsdStream::ReadError();
  // The packed rows are decoded straight from the document's bytes: they are
  // already in memory, so no scratch copy is needed.
  auto packed = stream.Bytes(std::size_t(packedSize));
  channel.data.assign(planeSize, 0);
  TPackbitsRLEDecoder().Decode(packed.data(), channel.data.data(), packed.size(), planeSize);
}

void DecodeZip(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               const TPsdPlaneShape& shape, std::size_t planeSize) {
  LogShape(shape);
  CheckFillable(layer, channel, planeSize, kMaxZipRatio);
  auto compressed = stream.Bytes(std::size_t(channel.length));
  channel.data.assign(planeSize, 0);
  std::size_t filled = 0;
  try {
    filled = InflatePsdPlane(compressed, channel.data);
  } catch (const Error& e) {
    throw Error(ChannelText(layer, channel) + ": " + e.what());
  }
  // Byte planes of float samples cannot be taken in part.
  if (shape.bytesPerSample == 4 && filled != planeSize)
    throw Error(ChannelText(layer, channel) + ": " + std::to_string(filled) +
                " bytes of float samples do not fill a plane of " + std::to_string(planeSize) +
                " bytes");
  if (channel.compression == 3)
    UndoPsdPrediction(channel.data, std::size_t(shape.width), std::size_t(shape.height),
                      shape.bytesPerSample);
}

void DecodeRaw(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               const TPsdPlaneShape& shape, std::size_t planeSize) {
  LogShape(shape);
  auto bytes = stream.Bytes(planeSize);  // fails before anything is allocated
  // The bytes past a short channel belong to the next one.
  if (channel.length >= 0 && std::uint64_t(channel.length) < planeSize)
    throw Error(ChannelText(layer, channel) + ": " + std::to_string(channel.length) +
                " bytes of data cannot fill a plane of " + std::to_string(planeSize) + " bytes");
  channel.data.assign(bytes.begin(), bytes.end());
}

}  // namespace

void DecodePsdChannel(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
                      const TPsdPlaneShape& shape) {
  channel.data.clear();
  channel.data.shrink_to_fit();
  const std::size_t planeSize = shape.Size();
  stream.Seek(channel.position);
  switch (channel.compression) {
    case 1:
      DecodeRle(stream, layer, channel, shape, planeSize);
      break;
    case 2:
    case 3:
      DecodeZip(stream, layer, channel, shape, planeSize);
      break;
    default:
      DecodeRaw(stream, layer, channel, shape, planeSize);
      break;
  }
}

std::size_t InflatePsdPlane(std::span<const std::uint8_t> compressed,
                            std::span<std::uint8_t> plane) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw Error("cannot start inflating ZIP data");
  std::size_t inDone = 0;
  std::size_t outDone = 0;
  int rc = Z_OK;
  // zlib counts in 32-bit units: feed very large planes in slices.
  constexpr std::size_t kSlice = 1u << 30;
  while (rc == Z_OK && outDone < plane.size()) {
    if (z.avail_in == 0 && inDone < compressed.size()) {
      const std::size_t n = std::min(kSlice, compressed.size() - inDone);
      z.next_in = const_cast<Bytef*>(compressed.data() + inDone);
      z.avail_in = uInt(n);
      inDone += n;
    }
    const std::size_t room = std::min(kSlice, plane.size() - outDone);
    z.next_out = plane.data() + outDone;
    z.avail_out = uInt(room);
    rc = inflate(&z, Z_NO_FLUSH);
    outDone += room - z.avail_out;
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && inDone == compressed.size()) break;  // data ends
    if (rc == Z_BUF_ERROR) rc = Z_OK;
  }
  inflateEnd(&z);
  if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw Error("damaged ZIP data");
  return outDone;
}

namespace {

// Sums the byte differences of the row, then gathers each sample's four
// bytes from the four byte planes, most significant first.
void UndoFloatPrediction(std::uint8_t* row, std::size_t width) {
  const std::size_t n = 4 * width;
  for (std::size_t i = 1; i < n; ++i) row[i] = std::uint8_t(row[i] + row[i - 1]);
  std::vector<std::uint8_t> planes(row, row + n);
  for (std::size_t x = 0; x < width; ++x)
    for (std::size_t b = 0; b < 4; ++b) row[4 * x + b] = planes[b * width + x];
}

}  // namespace

void UndoPsdPrediction(std::span<std::uint8_t> plane, std::size_t width, std::size_t height,
                       int bytesPerSample) {
  const std::size_t rowBytes = width * std::size_t(bytesPerSample);
  if (rowBytes == 0 || plane.size() < rowBytes * height) return;
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = plane.data() + y * rowBytes;
    if (bytesPerSample == 1) {
      for (std::size_t x = 1; x < width; ++x) row[x] = std::uint8_t(row[x] + row[x - 1]);
    } else if (bytesPerSample == 4) {
      UndoFloatPrediction(row, width);
    } else if (bytesPerSample == 2) {
      unsigned prev = unsigned(row[0] << 8 | row[1]);
      for (std::size_t x = 1; x < width; ++x) {
        const unsigned v = (unsigned(row[2 * x] << 8 | row[2 * x + 1]) + prev) & 0xFFFF;
        row[2 * x] = std::uint8_t(v >> 8);
        row[2 * x + 1] = std::uint8_t(v);
        prev = v;
      }
    }
  }
}

}  // namespace quenvar
