#include "psd/psdchannel.h"

#include <algorithm>
#include <string>
#include <vector>

#include "formats/limits.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "psd/packbits.h"
#include "psd/psdbudget.h"
#include "psd/psdinflate.h"

namespace quenvar {

namespace {

// A row count at or above this marks a damaged row table.
constexpr std::uint32_t kBrokenRowCount = 10000;
// Inflated bytes are handed to a kept window in pieces of this size.
constexpr std::size_t kInflatePiece = std::size_t(1) << 16;

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

// The kept window's writer over the channel's plane, allocated at the
// window's size.
PsdPlaneWindowWriter KeptWriter(TPsdChannel& channel, const TPsdPlaneShape& shape) {
  channel.data.assign(shape.KeptSize(), 0);
  return PsdPlaneWindowWriter(shape.width, shape.bytesPerSample, *shape.keep, channel.data);
}

void DecodeRle(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               const TPsdPlaneShape& shape, std::size_t planeSize) {
  const std::size_t height = std::size_t(shape.height);
  const int countBytes = shape.rowCountBytes;
  auto table = stream.Bytes(CheckedMul(height, std::size_t(countBytes)));
  LogShape(shape);
  CheckPsdChannelFillable(layer, channel, shape);

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
  if (shape.keep) {
    // One run of packed data over all rows, as for a whole plane.
    PsdPlaneWindowWriter out = KeptWriter(channel, shape);
    DecodePackBits(packed.data(), packed.size(), planeSize, out);
    return;
  }
  channel.data.assign(planeSize, 0);
  TPackbitsRLEDecoder().Decode(packed.data(), channel.data.data(), packed.size(), planeSize);
}

// Inflates the whole plane into the kept window, row by row where rows
// must be whole to undo their prediction; returns the plane bytes filled.
std::size_t InflateKept(std::span<const std::uint8_t> compressed, TPsdChannel& channel,
                        const TPsdPlaneShape& shape, std::size_t planeSize) {
  PsdPlaneWindowWriter out = KeptWriter(channel, shape);
  PsdInflater inflater(compressed);
  std::size_t filled = 0;
  if (channel.compression == 3) {
    const std::size_t width = std::size_t(shape.width);
    std::vector<std::uint8_t> row(width * std::size_t(shape.bytesPerSample));
    for (std::int32_t y = 0; y < shape.height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      filled += inflater.Next(row);
      UndoPsdPrediction(row, width, 1, shape.bytesPerSample);
      out.Copy(row.data(), row.size());
    }
    return filled;
  }
  std::vector<std::uint8_t> piece(std::min(kInflatePiece, planeSize));
  while (filled < planeSize) {
    const std::size_t n =
        inflater.Next(std::span(piece).first(std::min(piece.size(), planeSize - filled)));
    if (n == 0) break;
    out.Copy(piece.data(), n);
    filled += n;
  }
  return filled;
}

void DecodeZip(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               const TPsdPlaneShape& shape, std::size_t planeSize) {
  LogShape(shape);
  CheckPsdChannelFillable(layer, channel, shape);
  auto compressed = stream.Bytes(std::size_t(channel.length));
  std::size_t filled = 0;
  try {
    if (shape.keep) {
      filled = InflateKept(compressed, channel, shape, planeSize);
    } else {
      channel.data.assign(planeSize, 0);
      filled = InflatePsdPlane(compressed, channel.data);
    }
  } catch (const Error& e) {
    throw Error(ChannelText(layer, channel) + ": " + e.what());
  }
  // Deflate's ratio is reached only by data made for it: a plane left
  // mostly empty is damaged data claiming a size it does not describe.
  if (planeSize - filled > kPsdShortDataAllowance)
    throw Error(ChannelText(layer, channel) + ": " + std::to_string(filled) +
                " bytes of inflated data do not fill a plane of " + std::to_string(planeSize) +
                " bytes");
  // Byte planes of float samples cannot be taken in part.
  if (shape.bytesPerSample == 4 && filled != planeSize)
    throw Error(ChannelText(layer, channel) + ": " + std::to_string(filled) +
                " bytes of float samples do not fill a plane of " + std::to_string(planeSize) +
                " bytes");
  if (channel.compression == 3 && !shape.keep)
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
  if (shape.keep) {
    KeptWriter(channel, shape).Copy(bytes.data(), bytes.size());
    return;
  }
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
  return PsdInflater(compressed).Next(plane);
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
