#include "formats/tiffprofile.h"

#include <algorithm>
#include <span>
#include <vector>

#include "formats/iccconvert.h"

namespace quenvar {

namespace {

std::uint16_t Field(TIFF* tif, ttag_t tag) {
  std::uint16_t value = 0;
  TIFFGetFieldDefaulted(tif, tag, &value);
  return value;
}

// 8-bit CMYK, four samples in strips from the top: the layout whose ink
// values can be read again as stored. Other CMYK layouts keep their simple
// conversion.
bool IsPlainCmyk8(TIFF* tif) {
  return Field(tif, TIFFTAG_BITSPERSAMPLE) == 8 && Field(tif, TIFFTAG_SAMPLESPERPIXEL) == 4 &&
         Field(tif, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_CONTIG && !TIFFIsTiled(tif) &&
         Field(tif, TIFFTAG_ORIENTATION) == ORIENTATION_TOPLEFT &&
         Field(tif, TIFFTAG_INKSET) == INKSET_CMYK;
}

// Reads the strips as stored (the usual decode went through libtiff's RGBA
// interface, which leaves the scanline reader where it cannot go back).
bool ReadInks(TIFF* tif, const TPicture& picture, std::vector<std::uint8_t>& inks) {
  const std::size_t rowBytes = std::size_t(picture.width) * 4;
  const tmsize_t stripSize = TIFFStripSize(tif);
  std::uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (stripSize <= 0 || rowsPerStrip == 0) return false;
  std::vector<std::uint8_t> strip(static_cast<std::size_t>(stripSize));
  inks.resize(rowBytes * std::size_t(picture.height));
  for (std::size_t row = 0; row < std::size_t(picture.height); row += rowsPerStrip) {
    const std::size_t rows = std::min<std::size_t>(rowsPerStrip, std::size_t(picture.height) - row);
    const tmsize_t got =
        TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, std::uint32_t(row), 0), strip.data(), -1);
    if (got < 0 || std::size_t(got) < rows * rowBytes) return false;
    std::copy_n(strip.data(), rows * rowBytes, inks.data() + row * rowBytes);
  }
  return true;
}

void ConvertCmyk(TIFF* tif, TPicture& picture, std::span<const std::uint8_t> profile) {
  if (!IsPlainCmyk8(tif)) return;
  auto transform = TIccTransform::Open(profile, TIccSamples::Cmyk8);
  std::vector<std::uint8_t> inks;
  if (!transform || !ReadInks(tif, picture, inks)) return;
  transform->Convert(inks.data(), picture.pixels.data(), picture.pixels.size());
  picture.convertedFrom = transform->Description();
}

}  // namespace

void ApplyTiffProfile(TIFF* tif, TPicture& picture) {
  std::uint32_t length = 0;
  void* data = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &data) || !data || picture.pixels.empty())
    return;
  const std::span<const std::uint8_t> profile(static_cast<const std::uint8_t*>(data), length);
  switch (Field(tif, TIFFTAG_PHOTOMETRIC)) {
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_PALETTE:
      ConvertPictureToSrgb(picture, profile, false);
      break;
    case PHOTOMETRIC_MINISBLACK:
      ConvertPictureToSrgb(picture, profile, true);
      break;
    case PHOTOMETRIC_SEPARATED:
      ConvertCmyk(tif, picture, profile);
      break;
    default:
      break;
  }
}

}  // namespace quenvar
