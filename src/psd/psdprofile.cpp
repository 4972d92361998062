#include "psd/psdprofile.h"

#include <vector>

namespace quenvar {

namespace {

constexpr std::uint16_t kIccResource = 1039;

enum class Model { Rgb, Cmyk, Grey, Lab, Other };

Model ModelOf(unsigned colorMode) {
  switch (colorMode) {
    case 1:
      return Model::Grey;
    case 3:
      return Model::Rgb;
    case 4:
      return Model::Cmyk;
    case 9:
      return Model::Lab;
    default:
      return Model::Other;
  }
}

int ColourChannels(Model model) {
  switch (model) {
    case Model::Cmyk:
      return 4;
    case Model::Grey:
      return 1;
    default:
      return 3;
  }
}

// Stored CMYK planes hold 255 minus the ink, the inverted form.
TIccSamples SamplesOf(Model model, int bytesPerSample) {
  const bool wide = bytesPerSample == 2;
  switch (model) {
    case Model::Cmyk:
      return wide ? TIccSamples::Cmyk16Inverted : TIccSamples::Cmyk8Inverted;
    case Model::Grey:
      return wide ? TIccSamples::Grey16 : TIccSamples::Grey8;
    case Model::Lab:
      return TIccSamples::LabFloat;
    default:
      return wide ? TIccSamples::Rgb16 : TIccSamples::Rgb8;
  }
}

// The resource blocks: "8BIM", id, a Pascal name padded to an even length,
// a 4-byte data length and the data, padded to an even length.
std::vector<std::uint8_t> FindResource(PsdStream& s, std::size_t end, std::uint16_t wanted) {
  while (end - s.Position() >= 12) {
    const auto sig = s.Bytes(4);
    if (sig[0] != '8' || sig[1] != 'B' || sig[2] != 'I' || sig[3] != 'M') return {};
    const std::uint16_t id = s.U16();
    const std::size_t nameBytes = (std::size_t(s.U8()) + 2) & ~std::size_t(1);
    if (nameBytes - 1 > end - s.Position()) return {};
    s.Seek(s.Position() + nameBytes - 1);
    if (end - s.Position() < 4) return {};
    const std::uint32_t length = s.U32();
    if (length > end - s.Position()) return {};
    if (id == wanted) {
      const auto data = s.Bytes(length);
      return {data.begin(), data.end()};
    }
    const std::size_t next = s.Position() + length + (length & 1);
    if (next > end) return {};
    s.Seek(next);
  }
  return {};
}

std::uint16_t Sample16(const std::uint8_t* plane, std::size_t i) {
  return std::uint16_t(plane[2 * i] << 8 | plane[2 * i + 1]);
}

// Lab as stored: L over the full range for 0 .. 100, a and b with the middle
// value as 0 and 1 per step of 8-bit samples (256 steps of 16-bit ones).
float LabValue(const std::uint8_t* plane, std::size_t i, int bps, bool lightness) {
  const float v = bps == 1 ? float(plane[i]) : float(Sample16(plane, i));
  if (lightness) return v * 100.0f / (bps == 1 ? 255.0f : 65535.0f);
  return bps == 1 ? v - 128.0f : (v - 32768.0f) / 256.0f;
}

}  // namespace

std::vector<std::uint8_t> PeekPsdIccProfile(PsdStream& s) {
  const std::size_t at = s.Position();
  std::vector<std::uint8_t> profile;
  try {
    const std::uint32_t length = s.U32();
    if (length <= s.Remaining()) profile = FindResource(s, s.Position() + length, kIccResource);
  } catch (const std::exception&) {
    profile.clear();  // the read itself reports a damaged section
  }
  s.Seek(at);
  return profile;
}

std::shared_ptr<const TPsdProfile> TPsdProfile::Open(const std::vector<std::uint8_t>& profile,
                                                     unsigned colorMode, int bytesPerSample) {
  const Model model = ModelOf(colorMode);
  if (profile.empty() || model == Model::Other || (bytesPerSample != 1 && bytesPerSample != 2))
    return nullptr;
  auto transform = TIccTransform::Open(profile, SamplesOf(model, bytesPerSample));
  if (!transform) return nullptr;
  return std::shared_ptr<const TPsdProfile>(
      new TPsdProfile(std::move(transform), colorMode, bytesPerSample));
}

TPsdProfile::TPsdProfile(std::unique_ptr<TIccTransform> transform, unsigned colorMode,
                         int bytesPerSample)
    : transform_(std::move(transform)), colorMode_(colorMode), bytesPerSample_(bytesPerSample) {}

bool TPsdProfile::Apply(PsdLayer& layer) const {
  if (layer.empty || layer.picture.Empty()) return false;
  const int width = layer.picture.Width();
  const std::size_t planeSize =
      std::size_t(bytesPerSample_) * std::size_t(width) * std::size_t(layer.picture.Height());
  std::vector<const std::uint8_t*> planes;
  for (int id = 0; id < ColourChannels(ModelOf(colorMode_)); ++id) {
    const TPsdChannel* found = nullptr;
    for (std::uint32_t k = 0; k < layer.channelCount && !found; ++k)
      if (layer.channels[k].id == id) found = &layer.channels[k];
    if (!found || found->data.size() < planeSize) return false;
    planes.push_back(found->data.data());
  }
  for (int y = 0; y < layer.picture.Height(); ++y)
    ConvertRow(planes, std::size_t(y) * std::size_t(width), width, layer.picture.RowPointer(y));
  return true;
}

// Gathers one row of the planes as interleaved samples and converts it.
void TPsdProfile::ConvertRow(const std::vector<const std::uint8_t*>& planes, std::size_t first,
                             int width, TColor32* out) const {
  const std::size_t n = planes.size(), count = std::size_t(width);
  if (ModelOf(colorMode_) == Model::Lab) {
    std::vector<float> lab(count * 3);
    for (std::size_t x = 0; x < count; ++x)
      for (std::size_t c = 0; c < 3; ++c)
        lab[x * 3 + c] = LabValue(planes[c], first + x, bytesPerSample_, c == 0);
    transform_->Convert(lab.data(), out, count);
  } else if (bytesPerSample_ == 2) {
    std::vector<std::uint16_t> samples(count * n);
    for (std::size_t x = 0; x < count; ++x)
      for (std::size_t c = 0; c < n; ++c) samples[x * n + c] = Sample16(planes[c], first + x);
    transform_->Convert(samples.data(), out, count);
  } else {
    std::vector<std::uint8_t> samples(count * n);
    for (std::size_t x = 0; x < count; ++x)
      for (std::size_t c = 0; c < n; ++c) samples[x * n + c] = planes[c][first + x];
    transform_->Convert(samples.data(), out, count);
  }
}

}  // namespace quenvar
