#include "project/blendclass.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "formats/formatlist.h"
#include "formats/iccconvert.h"
#include "formats/limits.h"
#include "formats/readers.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "project/project.h"

namespace quenvar {

namespace {

bool NamesJpeg(const std::string& text) {
  return text.find(".jpg") != std::string::npos || text.find(".jpeg") != std::string::npos;
}

// round(n * 1.5) with ties to even, then modulo 4.
std::int32_t InitialSpeed(std::int64_t n) {
  std::int64_t twice = 3 * n;  // 2 * (n * 1.5)
  std::int64_t whole = twice / 2;
  if (twice % 2 != 0 && whole % 2 != 0) ++whole;
  return std::int32_t(whole % 4);
}

std::int32_t ClampedSum(std::int32_t a, std::int32_t b) {
  const std::int64_t sum = std::int64_t(a) + std::int64_t(b);
  return std::int32_t(std::clamp<std::int64_t>(sum, INT32_MIN, INT32_MAX));
}

TPictureBytes ShareBytes(std::span<const std::uint8_t> data) {
  if (data.empty()) return nullptr;
  return std::make_shared<const std::vector<std::uint8_t>>(data.begin(), data.end());
}

}  // namespace

std::string FileNamePart(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtensionOf(const std::string& path) {
  std::string part = FileNamePart(path);
  std::size_t dot = part.rfind('.');
  return dot == std::string::npos ? std::string() : part.substr(dot + 1);
}

std::size_t MaxPictureFileBytes() {
  // Eight bytes for each pixel the limits allow covers every uncompressed
  // layout the readers take, plus room for headers and colour tables.
  const PictureLimits& limits = CurrentPictureLimits();
  return CheckedAdd(CheckedMul(std::size_t(limits.maxPixels), 8), std::size_t(64) << 10);
}

TBlendLayer::TBlendLayer() {
  TProject* project = CurrentProject();
  if (!project) throw Error("A layer needs an open project");
  project->layers.push_back(this);
  const std::int64_t n = std::int64_t(project->layers.size());
  speed = InitialSpeed(n);
  SetMode(bmNone);
  name = "Layer " + std::to_string(n);
}

TBlendLayer::~TBlendLayer() {
  ForgetViewLayer();
  if (TProject* project = CurrentProject()) {
    // Layers usually go top first: search from the end.
    auto& list = project->layers;
    auto it = std::find(list.rbegin(), list.rend(), this);
    if (it != list.rend()) list.erase(std::next(it).base());
  }
}

void TBlendLayer::SetMode(TBlendMode mode) {
  mode_ = mode;
  if (ALayer) ApplyModeToViewLayer();
}

void TBlendLayer::SetPictureSizeFromBitmap() {
  picWidth = std::uint16_t(bmp.Width());
  picHeight = std::uint16_t(bmp.Height());
}

void TBlendLayer::OpenPictureFile(const std::string& path) {
  const std::string lowered = LowerAscii(path);
  // The file is read under its own spelling: this file system tells letter
  // cases apart, so a lower-cased path may name no file at all. Everything is
  // read and decoded before the layer changes, so a file that fails leaves
  // the layer its name, picture and kept bytes (which a save writes back).
  TPictureBytes bytes;
  TPicture picture;
  if (NamesJpeg(lowered)) {
    try {
      bytes = ShareBytes(ReadWholeFile(path, MaxPictureFileBytes()));
      picture = JpegReader().Decode(bytes ? *bytes : std::vector<std::uint8_t>{}, path);
    } catch (const std::exception&) {
      StatusLog("# Error : Unable to load jpeg :" + lowered);
      throw;
    }
  } else {
    const TPictureReader* reader = PictureFormats().LoadReaderFor(ExtensionOf(path));
    if (!reader) throw Error("Unknown picture file extension (." + ExtensionOf(path) + ")");
    bytes = ShareBytes(ReadWholeFile(path, MaxPictureFileBytes()));
    picture = reader->Decode(bytes ? *bytes : std::vector<std::uint8_t>{}, path);
  }
  const std::string convertedFrom = picture.convertedFrom;
  TBitmap32 decoded;
  decoded.CopyFrom(std::move(picture));
  name = FileNamePart(lowered);
  filename = path;
  bmp = std::move(decoded);
  sourceBytes = std::move(bytes);
  SetPictureSizeFromBitmap();
  // A new picture is drawn at its own size where the layer starts.
  x2 = ClampedSum(x, bmp.Width());
  y2 = ClampedSum(y, bmp.Height());
  if (!convertedFrom.empty()) StatusLog(ConvertedLogLine(convertedFrom));
  RefreshViewLayer();
}

void TBlendLayer::LoadPictureStream(std::span<const std::uint8_t> data,
                                    const std::string& entryName) {
  LoadPictureStream(ShareBytes(data), entryName);
}

void TBlendLayer::LoadPictureStream(TPictureBytes data, const std::string& entryName) {
  if (entryName.empty()) return;
  static const std::vector<std::uint8_t> kNoBytes;
  TDecodedEntry decoded = DecodePictureEntry(data ? *data : kNoBytes, entryName, filename);
  TakePictureEntry(std::move(data), entryName, std::move(decoded));
}

void TBlendLayer::TakePictureEntry(TPictureBytes data, const std::string& entryName,
                                   TDecodedEntry decoded) {
  if (entryName.empty()) return;
  // Whatever happened to the decode, the entry's bytes stay with the layer so
  // that a later save writes them back instead of dropping them.
  sourceBytes = data && !data->empty() ? std::move(data) : nullptr;
  // The picture's pixels move into the layer; what the log needs is kept.
  const std::string convertedFrom = decoded.picture.convertedFrom;
  auto take = [&] {
    bmp.CopyFrom(std::move(decoded.picture));
    if (!convertedFrom.empty()) StatusLog(ConvertedLogLine(convertedFrom));
  };
  switch (decoded.route) {
    case TDecodedEntry::TRoute::None:
      return;
    case TDecodedEntry::TRoute::Jpeg:
      if (decoded.failure) {
        StatusLog("# Error : Unable to load jpeg image " + filename + " from stream.");
      } else {
        compressionRatio = 90;
        jpegImage = sourceBytes;
      }
      take();
      break;
    case TDecodedEntry::TRoute::Bmp:
      if (decoded.failure) std::rethrow_exception(decoded.failure);
      take();
      break;
    case TDecodedEntry::TRoute::Other:
      if (!decoded.hasReader) StatusLog("Unable to load file : " + entryName);
      if (!decoded.failure) take();
      break;
  }
  SetPictureSizeFromBitmap();
}

}  // namespace quenvar
