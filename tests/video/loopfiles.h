#pragma once
// Reads the timing and loop marks of GIF, APNG and animated WebP files
// straight from their bytes, apart from FFmpeg, and cuts a WebP animation
// into single pictures a decoder without animation support can read.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quenvar::videotest {

using TBytes = std::vector<std::uint8_t>;

inline TBytes FileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), {});
}

struct TLoopFile {
  bool valid = false;
  int width = 0, height = 0;
  int loops = -1;  // 0: forever; -1: no loop mark
  // Each frame's delay as a fraction of a second.
  std::vector<std::pair<int, int>> delays;
  std::vector<TBytes> webpFrames;  // WebP: each frame as a file of its own
  bool webpAlpha = false;          // a frame carries an alpha channel
};

inline std::uint32_t Le(const TBytes& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + std::size_t(i));
  return v;
}

inline std::uint32_t Be(const TBytes& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | b.at(at + std::size_t(i));
  return v;
}

// GIF: the Netscape loop extension and each image's graphic control delay.
inline TLoopFile ReadGif(const TBytes& b) {
  TLoopFile f;
  if (b.size() < 13 || std::string(b.begin(), b.begin() + 6) != "GIF89a") return f;
  f.width = int(Le(b, 6, 2));
  f.height = int(Le(b, 8, 2));
  std::size_t at = 13;
  if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);
  auto skipSubBlocks = [&] {
    while (b.at(at) != 0) at += b[at] + 1u;
    ++at;
  };
  int delay = -1;
  for (;;) {
    const std::uint8_t block = b.at(at++);
    if (block == 0x3B) break;
    if (block == 0x21) {
      const std::uint8_t label = b.at(at++);
      if (label == 0xF9) delay = int(Le(b, at + 2, 2));
      if (label == 0xFF && b.at(at) == 11 &&
          std::string(b.begin() + long(at) + 1, b.begin() + long(at) + 12) == "NETSCAPE2.0")
        f.loops = int(Le(b, at + 14, 2));
      skipSubBlocks();
    } else if (block == 0x2C) {
      const std::uint8_t flags = b.at(at + 8);
      at += 9;
      if (flags & 0x80) at += 3u << ((flags & 7) + 1);
      ++at;  // LZW code size
      skipSubBlocks();
      f.delays.push_back({delay, 100});
      delay = -1;
    } else {
      return f;
    }
  }
  f.valid = true;
  return f;
}

// APNG: acTL's play count and each fcTL's delay.
inline TLoopFile ReadApng(const TBytes& b) {
  TLoopFile f;
  if (b.size() < 8 || Be(b, 0, 4) != 0x89504E47u) return f;
  for (std::size_t at = 8; at + 8 <= b.size();) {
    const std::uint32_t length = Be(b, at, 4);
    const std::string type(b.begin() + long(at) + 4, b.begin() + long(at) + 8);
    const std::size_t data = at + 8;
    if (type == "IHDR") {
      f.width = int(Be(b, data, 4));
      f.height = int(Be(b, data + 4, 4));
    } else if (type == "acTL") {
      f.loops = int(Be(b, data + 4, 4));
    } else if (type == "fcTL") {
      f.delays.push_back({int(Be(b, data + 20, 2)), int(Be(b, data + 22, 2))});
    } else if (type == "IEND") {
      f.valid = true;
      break;
    }
    at = data + length + 4;
  }
  return f;
}

// Animated WebP: ANIM's loop count, each ANMF's duration and its picture.
inline TLoopFile ReadWebp(const TBytes& b) {
  TLoopFile f;
  if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 12) != "WEBP")
    return f;
  auto chunkType = [&](std::size_t at) {
    return std::string(b.begin() + long(at), b.begin() + long(at) + 4);
  };
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string type = chunkType(at);
    const std::uint32_t size = Le(b, at + 4, 4);
    const std::size_t data = at + 8;
    if (type == "VP8X") {
      f.width = int(Le(b, data + 4, 3)) + 1;
      f.height = int(Le(b, data + 7, 3)) + 1;
    } else if (type == "ANIM") {
      f.loops = int(Le(b, data + 4, 2));
    } else if (type == "ANMF") {
      f.delays.push_back({int(Le(b, data + 12, 3)), 1000});
      // The frame's own chunks make a still WebP file.
      const TBytes inner(b.begin() + long(data) + 16, b.begin() + long(data + size));
      f.webpAlpha = f.webpAlpha || chunkType(data + 16) == "ALPH";
      TBytes still{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'};
      const std::uint32_t riff = std::uint32_t(inner.size() + 4);
      for (int i = 0; i < 4; ++i) still[std::size_t(4 + i)] = std::uint8_t(riff >> (8 * i));
      still.insert(still.end(), inner.begin(), inner.end());
      f.webpFrames.push_back(still);
    }
    at = data + size + (size & 1);
  }
  f.valid = Le(b, 4, 4) + 8 == b.size();
  return f;
}

}  // namespace quenvar::videotest
