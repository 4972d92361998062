#pragma once
// Which video a file name asks for: the container and codec follow the
// file's extension.
#include <optional>
#include <string>
#include <vector>

namespace quenvar {

enum class TVideoKind {
  Mp4H264,   // .mp4: H.264 in yuv420p, for playing and uploading
  MkvFfv1,   // .mkv: FFV1 in 32-bit RGB, lossless (frames come back bit for bit)
  AviMjpeg,  // .avi: Motion JPEG, which every player and editor reads
  // Endless loops for chat, web pages and social sites; each is marked to
  // repeat forever where the format has such a mark.
  Gif,      // .gif: one palette for the whole video, dithered
  Apng,     // .apng: lossless PNG frames
  WebP,     // .webp: animated, lossless unless given a quality
  WebmVp9,  // .webm: VP9 in yuv420p
};

// The kind for a file name's extension (case-insensitive); none for others.
std::optional<TVideoKind> VideoKindForFile(const std::string& fileName);

// ".mp4", ".mkv", ".avi", ".gif", ".apng", ".webp", ".webm".
const std::vector<std::string>& VideoExtensions();

// "mp4 (H.264)" and so on, for messages.
std::string VideoKindText(TVideoKind kind);

// The message for a file name whose extension names no video.
std::string NotAVideoNameMessage(const std::string& fileName);

}  // namespace quenvar
