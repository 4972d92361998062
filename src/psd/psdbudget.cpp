#include "psd/psdbudget.h"

#include <string>

#include "formats/limits.h"
#include "host/error.h"
#include "psd/psdmask.h"

namespace quenvar {

namespace {

// A repeat run turns 2 packed bytes into 128 plane bytes.
constexpr std::uint64_t kPackBitsBytesPerPackedByte = 64;
// Deflate's largest expansion: 258 bytes from a 2-bit length and distance.
constexpr std::uint64_t kDeflateRatio = 1032;
// Pictures of layers whose bounds no stored data backs (empty layers, or
// layers made of mask channels alone) may claim this many pixels in all.
constexpr std::uint64_t kUnbackedPixels = std::uint64_t(1) << 24;

std::string N(std::uint64_t v) {
  return std::to_string(v);
}

std::uint64_t Area(std::int64_t width, std::int64_t height) {
  return std::uint64_t(width) * std::uint64_t(height);
}

std::string MiB(std::uint64_t bytes) {
  return N((bytes + (1u << 20) - 1) >> 20) + " MB";
}

}  // namespace

std::uint64_t PsdFillableBytes(const TPsdChannel& channel, const TPsdPlaneShape& shape) {
  const std::uint64_t stored = channel.length > 0 ? std::uint64_t(channel.length) : 0;
  switch (channel.compression) {
    case 1: {
      // Each row has its entry in the row table, which fills nothing.
      const std::uint64_t table = std::uint64_t(shape.height) * std::uint64_t(shape.rowCountBytes);
      return stored > table ? (stored - table) * kPackBitsBytesPerPackedByte : 0;
    }
    case 2:
    case 3:
      return stored * kDeflateRatio;
    default:
      return stored;
  }
}

void CheckPsdChannelFillable(const PsdLayer& layer, const TPsdChannel& channel,
                             const TPsdPlaneShape& shape) {
  const std::uint64_t plane = shape.Size();
  const std::uint64_t allowance =
      channel.compression == 1 || channel.compression == 2 || channel.compression == 3
          ? kPsdShortDataAllowance
          : 0;  // raw data fills exactly its length
  if (plane > PsdFillableBytes(channel, shape) + allowance)
    throw Error("Layer \"" + layer.name + "\" channel " + std::to_string(channel.id) + ": " +
                N(channel.length > 0 ? std::uint64_t(channel.length) : 0) +
                " bytes of data cannot fill a plane of " + N(plane) + " bytes");
}

void CheckPsdReadBudget(const TPsdImage& img, int bytesPerSample, bool large, std::int64_t docWidth,
                        std::int64_t docHeight) {
  std::uint64_t bytes = 4 * Area(docWidth, docHeight);
  std::uint64_t unbacked = 0;
  for (int i = 0; i < img.layerCount; ++i) {
    const PsdLayer& layer = img.layers[std::size_t(i)];
    const std::uint64_t area = Area(layer.width, layer.height);
    bytes += 4 * area;  // the picture, made for empty layers too
    bool backed = false;
    for (std::uint32_t k = 0; k < layer.channelCount && !layer.empty; ++k) {
      const TPsdChannel& ch = layer.channels[k];
      const TPsdPlaneShape shape = PsdChannelShape(layer, ch, bytesPerSample, large);
      CheckPsdChannelFillable(layer, ch, shape);
      bytes += shape.KeptSize();
      // Samples narrower than a byte make empty planes, which back nothing.
      backed = backed || (!PsdMaskOfChannel(layer, ch) && shape.Size() > 0);
    }
    if (!backed) unbacked += area;
  }
  if (unbacked > kUnbackedPixels)
    throw Error("Layers that store no picture data claim " + N(unbacked) +
                " pixels, more than the document's data can describe");
  const std::uint64_t budget = std::uint64_t(CurrentPictureLimits().maxReadBytes);
  if (bytes > budget)
    throw Error("The document's layers need " + MiB(bytes) + " to decode, more than the " +
                MiB(budget) + " one read may use");
}

}  // namespace quenvar
