#include "video/videoformat.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quenvar {

namespace {

std::string LowerExtension(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return ext;
}

}  // namespace

std::optional<TVideoKind> VideoKindForFile(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".mp4") return TVideoKind::Mp4H264;
  if (ext == ".mkv") return TVideoKind::MkvFfv1;
  if (ext == ".avi") return TVideoKind::AviMjpeg;
  if (ext == ".gif") return TVideoKind::Gif;
  if (ext == ".apng") return TVideoKind::Apng;
  if (ext == ".webp") return TVideoKind::WebP;
  if (ext == ".webm") return TVideoKind::WebmVp9;
  return std::nullopt;
}

const std::vector<std::string>& VideoExtensions() {
  static const std::vector<std::string> extensions{".mp4",  ".mkv",  ".avi", ".gif",
                                                   ".apng", ".webp", ".webm"};
  return extensions;
}

std::string VideoKindText(TVideoKind kind) {
  switch (kind) {
    case TVideoKind::Mp4H264:
      return "mp4 (H.264)";
    case TVideoKind::MkvFfv1:
      return "mkv (FFV1, lossless)";
    case TVideoKind::AviMjpeg:
      return "avi (Motion JPEG)";
    case TVideoKind::Gif:
      return "gif (animated, one palette)";
    case TVideoKind::Apng:
      return "apng (animated PNG, lossless)";
    case TVideoKind::WebP:
      return "webp (animated WebP)";
    case TVideoKind::WebmVp9:
      return "webm (VP9)";
  }
  return "video";
}

std::string NotAVideoNameMessage(const std::string& fileName) {
  return fileName +
         " does not name a video: use .mp4 (H.264), .mkv (FFV1, lossless), .avi "
         "(Motion JPEG), .gif, .apng, .webp (animated WebP) or .webm (VP9)";
}

}  // namespace quenvar
