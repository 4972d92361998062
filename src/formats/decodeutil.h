#pragma once
// Small helpers shared by the readers written in our own code: the error a
// decoder raises, the checked pixel store, and exact integer rescaling.
#include <cstdint>
#include <string>
#include <vector>

#include "formats/limits.h"
#include "formats/picture.h"
#include "host/error.h"

namespace quenvar {

// Raises the error every reader uses: "<file>: <problem>".
[[noreturn]] inline void FailDecode(const std::string& fileName, const std::string& problem) {
  throw Error(fileName + ": " + problem);
}

// Checks the size against the picture limits, then makes an opaque black
// picture of that size. Call it after the header and before any other
// allocation that depends on the size.
inline TPicture MakePicture(std::int64_t width, std::int64_t height, const std::string& fileName,
                            TPictureKind kind = TPictureKind::Bitmap) {
  CheckPictureSize(width, height, fileName);
  TPicture pic;
  pic.width = static_cast<int>(width);
  pic.height = static_cast<int>(height);
  pic.kind = kind;
  pic.pixels.assign(CheckedMul(static_cast<std::size_t>(width), static_cast<std::size_t>(height)),
                    0xFF000000u);
  return pic;
}

// Checks the size against the limits, then refuses a picture whose pixels
// the data cannot possibly describe, for codings that give at most
// `pixelsPerByte` pixels for each byte of data: a small hostile file thus
// cannot claim a huge picture. Call it before MakePicture.
inline void CheckDataCanFill(std::int64_t width, std::int64_t height, std::size_t dataSize,
                             std::size_t pixelsPerByte, const std::string& fileName) {
  CheckPictureSize(width, height, fileName);
  if (std::size_t(width) * std::size_t(height) / pixelsPerByte > dataSize)
    FailDecode(fileName, "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels is larger than its data can describe");
}

// value * 255 / maxValue rounded to the nearest integer (maxValue > 0,
// value <= maxValue); the largest value becomes 255.
constexpr unsigned ScaleTo8(std::uint32_t value, std::uint32_t maxValue) {
  return static_cast<unsigned>((std::uint64_t(value) * 255 + maxValue / 2) / maxValue);
}

}  // namespace quenvar
