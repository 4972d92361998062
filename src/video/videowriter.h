#pragma once
// Writes frames into a video file. The file is written under a temporary name
// beside the target and takes the target's name only when Finish succeeds, so
// a failed or abandoned video leaves nothing behind and an older file of the
// same name stays as it was.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "video/videoformat.h"

namespace quenvar {

struct TVideoSettings {
  int width = 0;   // frame size; for H.264 an odd size is padded to even
  int height = 0;  // by repeating the last column or row
  int fps = 27;    // frames per second, 1..1000
  int crf = 15;    // H.264 and VP9 quality: 0 (best) .. 51 (smallest)
  // When set, the rate is exactly one frame per `frameMs` milliseconds (a
  // frame timer's interval, 1..1000) and `fps` is not used.
  int frameMs = 0;
  // WebP: -1 for lossless frames, else the lossy quality 0 (smallest) .. 100.
  int quality = -1;
};

class TVideoWriter {
 public:
  // Opens the video; throws quenvar::Error with the reason when it cannot
  // (no such folder, no encoder, a size or rate out of range).
  TVideoWriter(const std::string& fileName, const TVideoSettings& settings);
  // Removes the temporary file unless Finish succeeded.
  ~TVideoWriter();
  TVideoWriter(const TVideoWriter&) = delete;
  TVideoWriter& operator=(const TVideoWriter&) = delete;

  // Appends one frame of width x height 32-bit pixels (B, G, R, A in memory),
  // `stride` pixels apart. Throws quenvar::Error on a write failure, after
  // which the video is abandoned (the temporary file removed). `slot` is
  // the frame's place in the video's time, counted in frames from 0; a
  // frame given a later slot than the next shows until then (the one
  // before stays on screen). Without one, or with one already taken, the
  // frame takes the next slot.
  void WriteFrame(const std::uint32_t* pixels, std::ptrdiff_t stride, std::int64_t slot = -1);
  // The slot the next frame takes unless told otherwise.
  std::int64_t NextSlot() const { return nextSlot_; }
  // Milliseconds one slot lasts.
  double SlotMs() const;
  // Flushes the encoder, writes the container's index and gives the file its
  // name. A GIF is encoded only now, from the frames kept aside. Throws quenvar::Error on failure
  // (the temporary file removed).
  void Finish();
  // Gives the video up: the temporary file is removed.
  void Abort();

  const std::string& FileName() const { return fileName_; }
  TVideoKind Kind() const { return kind_; }
  int Width() const { return settings_.width; }
  int Height() const { return settings_.height; }
  std::int64_t FramesWritten() const { return frames_; }
  bool Open() const { return impl_ != nullptr; }

 private:
  struct TImpl;
  [[noreturn]] void Fail(const std::string& what);

  std::string fileName_;
  std::string tempName_;
  TVideoKind kind_;
  TVideoSettings settings_;
  std::int64_t frames_ = 0;
  std::int64_t nextSlot_ = 0;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace quenvar
