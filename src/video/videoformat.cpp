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
  return std::nullopt;
}

const std::vector<std::string>& VideoExtensions() {
  static const std::vector<std::string> extensions{".mp4", ".mkv", ".avi"};
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
  }
  return "video";
}

std::string NotAVideoNameMessage(const std::string& fileName) {
  return fileName +
         " does not name a video: use .mp4 (H.264), .mkv (FFV1, lossless) or .avi "
         "(Motion JPEG)";
}

}  // namespace quenvar
