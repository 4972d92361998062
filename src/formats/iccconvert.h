#pragma once
// Colours as a picture's embedded ICC profile says: samples in the profile's
// colour space become sRGB through Little CMS (relative colorimetric intent
// with black-point compensation, the built-in sRGB profile as target). A
// profile that cannot be used is ignored and the caller keeps its own
// colours.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "compose/color32.h"
#include "formats/picture.h"

namespace quenvar {

// How the samples handed to Convert lie in memory.
enum class TIccSamples {
  Bgra8,           // RGB in TColor32 pixels (B, G, R, A bytes); alpha is skipped
  GreyInBgra8,     // grey in TColor32 pixels whose B, G and R bytes all hold it
  Rgb8,            // R, G, B bytes
  Rgb16,           // R, G, B native 16-bit words
  Grey8,           // one byte per pixel, 0 black
  Grey16,          // one native 16-bit word per pixel
  Cmyk8,           // C, M, Y, K bytes, 0 no ink
  Cmyk8Inverted,   // C, M, Y, K bytes, 255 no ink
  Cmyk16Inverted,  // native 16-bit words, 65535 no ink
  LabFloat,        // L (0 .. 100), a, b as native floats
};

// A transform from one embedded profile to sRGB.
class TIccTransform {
 public:
  // Opens `profile` (the bytes as embedded) for samples laid out as
  // `samples`. Returns null when the profile does not open, describes
  // another colour space, or no transform can be built from it.
  static std::unique_ptr<TIccTransform> Open(std::span<const std::uint8_t> profile,
                                             TIccSamples samples);
  ~TIccTransform();
  TIccTransform(const TIccTransform&) = delete;
  TIccTransform& operator=(const TIccTransform&) = delete;

  // The profile's own description, cleaned to printable ASCII.
  const std::string& Description() const { return description_; }
  // Converts `count` pixels from `samples` into the B, G, R bytes of `out`;
  // the alpha bytes of `out` are left as they are. `samples` may be `out`
  // itself for the two in-pixel layouts.
  void Convert(const void* samples, TColor32* out, std::size_t count) const;

 private:
  TIccTransform(void* transform, std::string description);
  void* transform_;
  std::string description_;
};

// Converts a decoded picture in place: its pixels hold RGB samples (or grey
// ones, spread over R, G and B, when `grey` is set) in the profile's colour
// space. Alpha stays. On success the picture remembers the profile's
// description in `convertedFrom`; otherwise nothing changes.
bool ConvertPictureToSrgb(TPicture& picture, std::span<const std::uint8_t> profile, bool grey);

// The line the status log shows for a converted picture.
std::string ConvertedLogLine(const std::string& description);

}  // namespace quenvar
