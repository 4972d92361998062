#include "formats/iccconvert.h"

#include <lcms2.h>

#include <algorithm>

namespace quenvar {

namespace {

// lcms's memory readers take the size as a 32-bit number.
constexpr std::size_t kMaxProfileBytes = std::size_t(64) << 20;

cmsUInt32Number FormatOf(TIccSamples samples) {
  switch (samples) {
    case TIccSamples::Bgra8:
      return TYPE_BGRA_8;
    case TIccSamples::GreyInBgra8:
      // The B byte is the grey; G, R and A count as extra bytes and are skipped.
      return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);
    case TIccSamples::Rgb8:
      return TYPE_RGB_8;
    case TIccSamples::Rgb16:
      return TYPE_RGB_16;
    case TIccSamples::Grey8:
      return TYPE_GRAY_8;
    case TIccSamples::Grey16:
      return TYPE_GRAY_16;
    case TIccSamples::Cmyk8:
      return TYPE_CMYK_8;
    case TIccSamples::Cmyk8Inverted:
      return TYPE_CMYK_8_REV;
    case TIccSamples::Cmyk16Inverted:
      return TYPE_CMYK_16_REV;
    case TIccSamples::LabFloat:
      return TYPE_Lab_FLT;
  }
  return 0;
}

cmsColorSpaceSignature SpaceOf(TIccSamples samples) {
  switch (samples) {
    case TIccSamples::Bgra8:
    case TIccSamples::Rgb8:
    case TIccSamples::Rgb16:
      return cmsSigRgbData;
    case TIccSamples::GreyInBgra8:
    case TIccSamples::Grey8:
    case TIccSamples::Grey16:
      return cmsSigGrayData;
    case TIccSamples::Cmyk8:
    case TIccSamples::Cmyk8Inverted:
    case TIccSamples::Cmyk16Inverted:
      return cmsSigCmykData;
    case TIccSamples::LabFloat:
      return cmsSigLabData;
  }
  return cmsSigRgbData;
}

// Profiles that describe a device or a colour space; links and abstract
// profiles do not say what a picture's samples mean.
bool DescribesSamples(cmsHPROFILE profile) {
  switch (cmsGetDeviceClass(profile)) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass:
      return true;
    default:
      return false;
  }
}

std::string DescriptionOf(cmsHPROFILE profile) {
  char text[256] = {};
  cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
  std::string clean;
  for (const char* p = text; *p && p < text + sizeof text; ++p)
    if (*p >= 0x20 && *p < 0x7F) clean += *p;
  while (!clean.empty() && clean.back() == ' ') clean.pop_back();
  return clean.empty() ? std::string("an unnamed profile") : clean;
}

// Closes a profile handle when the scope ends.
struct ProfileHandle {
  cmsHPROFILE h;
  ~ProfileHandle() {
    if (h) cmsCloseProfile(h);
  }
};

}  // namespace

std::unique_ptr<TIccTransform> TIccTransform::Open(std::span<const std::uint8_t> profile,
                                                   TIccSamples samples) {
  if (profile.size() < 132 || profile.size() > kMaxProfileBytes) return nullptr;
  ProfileHandle source{
      cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()))};
  if (!source.h || !DescribesSamples(source.h) || cmsGetColorSpace(source.h) != SpaceOf(samples))
    return nullptr;
  ProfileHandle target{cmsCreate_sRGBProfile()};
  if (!target.h) return nullptr;
  cmsHTRANSFORM transform =
      cmsCreateTransform(source.h, FormatOf(samples), target.h, TYPE_BGRA_8,
                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
  if (!transform) return nullptr;
  return std::unique_ptr<TIccTransform>(new TIccTransform(transform, DescriptionOf(source.h)));
}

TIccTransform::TIccTransform(void* transform, std::string description)
    : transform_(transform), description_(std::move(description)) {}

TIccTransform::~TIccTransform() {
  cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void TIccTransform::Convert(const void* samples, TColor32* out, std::size_t count) const {
  // lcms counts pixels in 32 bits.
  constexpr std::size_t kChunk = std::size_t(1) << 30;
  const cmsUInt32Number format = cmsGetTransformInputFormat(static_cast<cmsHTRANSFORM>(transform_));
  std::size_t bytesPerSample = T_BYTES(format);
  if (bytesPerSample == 0) bytesPerSample = 8;  // doubles are marked with 0
  const std::size_t stride = bytesPerSample * (T_CHANNELS(format) + T_EXTRA(format));
  const auto* in = static_cast<const std::uint8_t*>(samples);
  for (std::size_t done = 0; done < count; done += kChunk) {
    const std::size_t n = std::min(kChunk, count - done);
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), in + done * stride, out + done,
                   static_cast<cmsUInt32Number>(n));
  }
}

bool ConvertPictureToSrgb(TPicture& picture, std::span<const std::uint8_t> profile, bool grey) {
  auto transform =
      TIccTransform::Open(profile, grey ? TIccSamples::GreyInBgra8 : TIccSamples::Bgra8);
  if (!transform) return false;
  transform->Convert(picture.pixels.data(), picture.pixels.data(), picture.pixels.size());
  picture.convertedFrom = transform->Description();
  return true;
}

std::string ConvertedLogLine(const std::string& description) {
  return "Converted from " + description + " to sRGB";
}

}  // namespace quenvar
