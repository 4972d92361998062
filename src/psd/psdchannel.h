#pragma once
// One PSD layer channel's stored data into its sample plane, and a layer's
// planes into its 32-bit ARGB picture.
#include <cstddef>
#include <cstdint>
#include <span>

#include "psd/psdimage.h"
#include "psd/psdstream.h"

namespace quenvar {

// Allocates the channel's plane of `planeSize` bytes and fills it from the
// channel's data at its position: PackBits for code 1, inflate for codes 2
// and 3 (3 also undoes the row prediction), the plain bytes otherwise.
void DecodePsdChannel(PsdStream& stream, const PsdLayer& layer, TPsdChannel& channel,
                      int bytesPerSample, std::size_t planeSize);

// Inflates zlib data into `plane`; bytes the data does not reach stay as
// they are. Throws quenvar::Error when the data is damaged.
void InflatePsdPlane(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> plane);
// Undoes the per-row delta prediction of ZIP-with-prediction channels.
void UndoPsdPrediction(std::span<std::uint8_t> plane, std::size_t width, std::size_t height,
                       int bytesPerSample);

}  // namespace quenvar
