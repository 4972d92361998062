#include "psd/psdchannel.h"

#include <zlib.h>
#include <string>
#include <vector>

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

void CheckFillable(const PsdLayer& layer, const TPsdChannel& channel, std::size_t planeSize,
                   std::uint64_t ratio) {
  const std::uint64_t stored = channel.length > 0 ? std::uint64_t(channel.length) : 0;
  if (planeSize > stored * ratio + 1024)
    throw Error(ChannelText(layer, channel) + ": " + std::to_string(stored) +
                " bytes of data cannot fill a plane of " + std::to_string(planeSize) + " bytes");
}

void DecodeRle(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               std::size_t planeSize) {
  const std::size_t height = std::size_t(layer.height);
  auto table = stream.Bytes(height * 2);
  PsdLog("  rle map size :" + std::to_string(layer.height));
  PsdLog(" w/h : " + std::to_string(layer.width) + "x" + std::to_string(layer.height));
  CheckFillable(layer, channel, planeSize, kMaxRleRatio);

  std::uint64_t packedSize = 0;
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint32_t count = std::uint32_t(table[2 * y] << 8 | table[2 * y + 1]);
    if (count >= kBrokenRowCount) {
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

void DecodeZip(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel, int bytesPerSample,
               std::size_t planeSize) {
  PsdLog("  rle map size :" + std::to_string(layer.height));
  PsdLog(" w/h : " + std::to_string(layer.width) + "x" + std::to_string(layer.height));
  CheckFillable(layer, channel, planeSize, kMaxZipRatio);
  auto compressed = stream.Bytes(std::size_t(channel.length));
  channel.data.assign(planeSize, 0);
  try {
    InflatePsdPlane(compressed, channel.data);
  } catch (const Error& e) {
    throw Error(ChannelText(layer, channel) + ": " + e.what());
  }
  if (channel.compression == 3)
    UndoPsdPrediction(channel.data, std::size_t(layer.width), std::size_t(layer.height),
                      bytesPerSample);
}

void DecodeRaw(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
               std::size_t planeSize) {
  PsdLog("  rle map size :" + std::to_string(layer.height));
  PsdLog(" w/h : " + std::to_string(layer.width) + "x" + std::to_string(layer.height));
  auto bytes = stream.Bytes(planeSize);  // fails before anything is allocated
  channel.data.assign(bytes.begin(), bytes.end());
}

}  // namespace

void DecodePsdChannel(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
                      int bytesPerSample, std::size_t planeSize) {
  channel.data.clear();
  channel.data.shrink_to_fit();
  stream.Seek(channel.position);
  switch (channel.compression) {
    case 1:
      DecodeRle(stream, layer, channel, planeSize);
      break;
    case 2:
    case 3:
      DecodeZip(stream, layer, channel, bytesPerSample, planeSize);
      break;
    default:
      DecodeRaw(stream, layer, channel, planeSize);
      break;
  }
}

void InflatePsdPlane(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> plane) {
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
}

void UndoPsdPrediction(std::span<std::uint8_t> plane, std::size_t width, std::size_t height,
                       int bytesPerSample) {
  const std::size_t rowBytes = width * std::size_t(bytesPerSample);
  if (rowBytes == 0 || plane.size() < rowBytes * height) return;
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = plane.data() + y * rowBytes;
    if (bytesPerSample == 1) {
      for (std::size_t x = 1; x < width; ++x) row[x] = std::uint8_t(row[x] + row[x - 1]);
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
