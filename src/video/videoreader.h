#pragma once
// Reads a video back frame by frame as 32-bit pixels (B, G, R, A in memory,
// alpha 255): what the tests and the render tool's checks compare with.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quenvar {

struct TVideoInfo {
  int width = 0;
  int height = 0;
  int rateNum = 0;  // the stream's frame rate as a fraction
  int rateDen = 1;
  std::string codec;      // FFmpeg's short codec name ("h264", "ffv1", "mjpeg")
  std::string container;  // the demuxer's short name
};

class TVideoReader {
 public:
  // Throws quenvar::Error when the file is no video FFmpeg can decode.
  explicit TVideoReader(const std::string& fileName);
  ~TVideoReader();
  TVideoReader(const TVideoReader&) = delete;
  TVideoReader& operator=(const TVideoReader&) = delete;

  const TVideoInfo& Info() const { return info_; }
  // The next frame, width * height pixels; false at the end.
  bool ReadFrame(std::vector<std::uint32_t>& pixels);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
  TVideoInfo info_;
  std::string fileName_;
};

}  // namespace quenvar
