#include "psd/psdheader.h"

#include <cstring>
#include <limits>
#include <string>

#include "formats/limits.h"
#include "host/error.h"

namespace quenvar {

namespace {

constexpr std::uint32_t kMaxPaletteBytes = 768;
constexpr std::uint64_t kFreePixels = std::uint64_t(1) << 24;
constexpr std::uint64_t kPixelsPerFileByte = 128;

const char* const kFormatError =
    "Cannot load image. Invalid or unexpected PSD or PDD image format.";

std::string N(std::int64_t v) {
  return std::to_string(v);
}

TPsdColorScheme SchemeOf(unsigned mode, int channels) {
  switch (mode) {
    case 0:
    case 1:
    case 8:
      return TPsdColorScheme::Grey;
    case 2:
      return TPsdColorScheme::Indexed;
    case 3:
    case 7:
      return channels == 3 ? TPsdColorScheme::RGB : TPsdColorScheme::RGBA;
    case 4:
      return TPsdColorScheme::CMYK;
    case 9:
      return TPsdColorScheme::Lab;
    default:
      return TPsdColorScheme::None;
  }
}

std::vector<TColor32> GreyRamp(int pixelBits, bool minIsWhite) {
  const int count = 1 << std::min(pixelBits, 8);
  std::vector<TColor32> ramp(std::size_t(count), 0);
  for (int i = 0; i < count; ++i) {
    unsigned v = unsigned(i * 255 / (count - 1));
    if (minIsWhite) v = 255 - v;
    ramp[std::size_t(i)] = Color32(v, v, v);
  }
  return ramp;
}

}  // namespace

std::uint64_t PsdPixelBudget(std::size_t fileSize) {
  return kFreePixels + kPixelsPerFileByte * std::uint64_t(fileSize);
}

TPsdDocument ReadPsdDocumentProperties(PsdStream& s) {
  auto sig = s.Bytes(4);
  if (std::memcmp(sig.data(), "8BPS", 4) != 0) throw Error(kFormatError);
  // Version 2 documents widen some lengths; other versions are unknown.
  const unsigned version = s.U16();
  if (version != 1 && version != 2) throw Error(kFormatError);
  s.Bytes(6);
  TPsdDocument doc;
  doc.large = version == 2;
  doc.channels = s.U16();
  const std::uint32_t rows = s.U32();
  const std::uint32_t columns = s.U32();
  doc.height = int(std::min<std::uint32_t>(rows, std::numeric_limits<int>::max()));
  doc.width = int(std::min<std::uint32_t>(columns, std::numeric_limits<int>::max()));
  doc.bitsPerSample = s.U16();
  const unsigned mode = s.U16();
  doc.samplesPerPixel = std::min(doc.channels, 4);
  doc.scheme = SchemeOf(mode, doc.channels);
  doc.minIsWhite = mode == 0;
  s.SkipLength(s.U32(), "The colour mode data length");
  s.SkipLength(s.U32(), "The image resources length");
  s.SkipLength(s.Length(doc.large), "The layer and mask information length");
  doc.compositeCompression = s.U16();
  return doc;
}

void PreparePsdPicture(TPsdDocument& doc, std::size_t fileSize) {
  const int depth = doc.bitsPerSample;
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 32)
    throw Error("Color depth is invalid. Bits per sample must be 1, 2, 4, 8, 16 or 32.");
  if (doc.channels == 0)
    throw Error("Sample count per pixel does not correspond to the given color scheme.");
  const int bits = depth >= 16 ? 8 : depth;
  int samples = doc.scheme == TPsdColorScheme::CMYK ? 3 : doc.samplesPerPixel;
  if (samples == 1)
    doc.pixelBits = bits <= 1 ? 1 : bits <= 4 ? 4 : 8;
  else
    doc.pixelBits = samples == 4 ? 32 : 24;
  CheckPictureSize(doc.width, doc.height, "PSD document", true);
  // The composite image is stored too, so the file bounds the picture's size.
  if (std::uint64_t(doc.width) * std::uint64_t(doc.height) > PsdPixelBudget(fileSize))
    throw Error("The document's size of " + N(doc.width) + " x " + N(doc.height) +
                " pixels is more than its data can describe");
}

void ReadPsdColorModeData(PsdStream& s, TPsdDocument& doc) {
  const std::uint32_t length = s.U32();
  if (doc.scheme == TPsdColorScheme::Indexed) {
    if (length > kMaxPaletteBytes)
      throw Error("Indexed colour data of " + N(length) + " bytes is longer than 768 bytes");
    auto data = s.Bytes(length);
    const std::size_t count = length / 3;
    for (std::size_t i = 0; i < count; ++i)
      doc.palette.push_back(Color32(data[i], data[count + i], data[2 * count + i]));
    return;
  }
  if (doc.scheme == TPsdColorScheme::Grey && doc.pixelBits <= 8)
    doc.palette = GreyRamp(doc.pixelBits, doc.minIsWhite);
  s.SkipLength(length, "The colour mode data length");
}

}  // namespace quenvar
