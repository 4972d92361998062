#pragma once
// The document's embedded ICC profile (image resource 1039) and the
// conversion of each layer's colours through it into sRGB. RGB, CMYK, Lab
// and grey documents of 8 and 16 bits go through it; the transparency a
// layer got from its own channels and masks stays as it is.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/iccconvert.h"
#include "psd/psdimage.h"
#include "psd/psdstream.h"

namespace quenvar {

// The profile's bytes from the image resources section whose 4-byte length
// the stream stands at; empty when there is none or the section is damaged.
// The stream position is left as it was.
std::vector<std::uint8_t> PeekPsdIccProfile(PsdStream& s);

class TPsdProfile {
 public:
  // Null when the profile cannot serve documents of this colour mode and
  // depth (bytes per sample).
  static std::shared_ptr<const TPsdProfile> Open(const std::vector<std::uint8_t>& profile,
                                                 unsigned colorMode, int bytesPerSample);
  const std::string& Description() const { return transform_->Description(); }
  // Replaces the colours of the layer's assembled picture with its planes
  // taken through the profile. False when the layer has no picture or not
  // the planes its colour mode needs; the picture then stays as assembled.
  bool Apply(PsdLayer& layer) const;

 private:
  TPsdProfile(std::unique_ptr<TIccTransform> transform, unsigned colorMode, int bytesPerSample);
  void ConvertRow(const std::vector<const std::uint8_t*>& planes, std::size_t first, int width,
                  TColor32* out) const;
  std::unique_ptr<TIccTransform> transform_;
  unsigned colorMode_;
  int bytesPerSample_;
};

}  // namespace quenvar
