#pragma once
// A GIF's frames pass twice: once so that one palette covers the whole video
// (FFmpeg's palettegen), once to map each frame onto it with dithering
// (paletteuse). In between they wait in a lossless FFV1 file beside the GIF,
// so a long recording costs disk space rather than memory.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "video/avsupport.h"
#include "video/videowriter.h"

namespace quenvar {

class TPalettePass {
 public:
  // Frames of the settings' size and rate; they wait in `spillName`. Throws
  // quenvar::Error with the bare reason.
  TPalettePass(const std::string& spillName, const TVideoSettings& settings, AVRational timeBase);
  // Removes the waiting frames.
  ~TPalettePass();
  TPalettePass(const TPalettePass&) = delete;
  TPalettePass& operator=(const TPalettePass&) = delete;

  // One opaque frame (B, G, R, A in memory) at `pts`, in the time base given.
  void Add(const AVFrame& bgra);
  std::int64_t Frames() const { return std::int64_t(pts_.size()); }
  // Gives every frame, mapped onto the palette (PAL8), in order with its pts.
  // Throws quenvar::Error with the bare reason; so may `emit`.
  void Replay(const std::function<void(AVFrame&)>& emit);

 private:
  struct TGraph;
  std::string spillName_;
  TVideoSettings settings_;
  AVRational timeBase_;
  std::unique_ptr<TVideoWriter> spill_;
  std::unique_ptr<TGraph> histogram_;
  std::vector<std::int64_t> pts_;
};

}  // namespace quenvar
