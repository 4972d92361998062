#pragma once
// One PSD layer channel's stored data into its sample plane, and a layer's
// planes into its 32-bit ARGB picture.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "psd/psdimage.h"
#include "psd/psdplanewindow.h"
#include "psd/psdstream.h"

namespace quenvar {

// The plane a channel's data describes: the layer's bounds for colour and
// transparency channels, the mask's rectangle for mask channels.
struct TPsdPlaneShape {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bytesPerSample = 1;
  int rowCountBytes = 2;  // RLE row table entries; 4 in large documents
  // The part of the plane that is kept, when not all of it: a mask keeps
  // only what lies over its layer.
  std::optional<TPsdPlaneWindow> keep;

  std::size_t Size() const {
    return std::size_t(bytesPerSample) * std::size_t(width) * std::size_t(height);
  }
  std::size_t KeptSize() const {
    if (!keep) return Size();
    return std::size_t(bytesPerSample) * std::size_t(keep->width) * std::size_t(keep->height);
  }
};

// Allocates the channel's plane of shape.KeptSize() bytes and fills it from
// the channel's data at its position: PackBits for code 1, inflate for codes
// 2 and 3 (3 also undoes the row prediction), the plain bytes otherwise.
// A kept window is cut from the plane row by row as it is decoded. Data
// that cannot fill the plane it describes, raw data shorter than its plane,
// inflated data that leaves more than a little of its plane unfilled and
// inflated 32-bit data that does not fill its plane fail with a message.
void DecodePsdChannel(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
                      const TPsdPlaneShape& shape);

// Inflates zlib data into `plane` and returns how many bytes it filled;
// bytes the data does not reach stay as they are. Throws quenvar::Error
// when the data is damaged.
std::size_t InflatePsdPlane(std::span<const std::uint8_t> compressed,
                            std::span<std::uint8_t> plane);
// Undoes the per-row delta prediction of ZIP-with-prediction channels. For
// 32-bit samples a row stores the first bytes of all its samples, then the
// second bytes, and so on, each byte a difference from the byte before it.
void UndoPsdPrediction(std::span<std::uint8_t> plane, std::size_t width, std::size_t height,
                       int bytesPerSample);

}  // namespace quenvar
