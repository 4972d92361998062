#pragma once
// The loop marks and frame delays of GIF, APNG and animated WebP files, read
// from their bytes apart from FFmpeg; a WebP animation is also cut into
// still pictures, which FFmpeg's decoder (without animation) reads.
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
  int loops = -1;                           // 0: forever; -1: no mark
  std::vector<std::pair<int, int>> delays;  // seconds as a fraction, a frame each
  std::vector<TBytes> stills;               // WebP: each frame as a file of its own
  bool alpha = false;                       // WebP: a frame carries alpha
};

inline std::uint32_t Number(const TBytes& b, std::size_t at, int bytes, bool bigEndian) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i)
    v = v << 8 | b.at(at + std::size_t(bigEndian ? i : bytes - 1 - i));
  return v;
}

inline std::string Tag(const TBytes& b, std::size_t at, std::size_t n) {
  return at + n <= b.size() ? std::string(b.begin() + long(at), b.begin() + long(at + n)) : "";
}

// GIF: the Netscape loop extension and each image's graphic control delay.
inline TLoopFile ReadGif(const TBytes& b) {
  TLoopFile f;
  if (Tag(b, 0, 6) != "GIF89a") return f;
  std::size_t at = 13 + ((b[10] & 0x80) ? 3u << ((b[10] & 7) + 1) : 0);
  auto skipSubBlocks = [&] {
    while (b.at(at) != 0) at += b[at] + 1u;
    ++at;
  };
  int delay = -1;
  for (std::uint8_t block; (block = b.at(at++)) != 0x3B;) {
    if (block == 0x21) {
      const std::uint8_t label = b.at(at++);
      if (label == 0xF9) delay = int(Number(b, at + 2, 2, false));
      if (label == 0xFF && Tag(b, at + 1, 11) == "NETSCAPE2.0")
        f.loops = int(Number(b, at + 14, 2, false));
    } else if (block == 0x2C) {
      const std::uint8_t flags = b.at(at + 8);
      at += 10 + ((flags & 0x80) ? 3u << ((flags & 7) + 1) : 0);  // and the LZW code size
      f.delays.push_back({delay, 100});
    } else {
      return f;
    }
    skipSubBlocks();
  }
  f.valid = true;
  return f;
}

// APNG: acTL's play count and each fcTL's delay.
inline TLoopFile ReadApng(const TBytes& b) {
  TLoopFile f;
  for (std::size_t at = 8; Tag(b, 1, 3) == "PNG" && at + 8 <= b.size();) {
    const std::string type = Tag(b, at + 4, 4);
    if (type == "acTL") f.loops = int(Number(b, at + 12, 4, true));
    if (type == "fcTL")
      f.delays.push_back({int(Number(b, at + 28, 2, true)), int(Number(b, at + 30, 2, true))});
    f.valid = type == "IEND";
    at += 12 + Number(b, at, 4, true);
  }
  return f;
}

// Animated WebP: ANIM's loop count, each ANMF's duration and its picture.
inline TLoopFile ReadWebp(const TBytes& b) {
  TLoopFile f;
  if (Tag(b, 0, 4) != "RIFF" || Tag(b, 8, 4) != "WEBP") return f;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string type = Tag(b, at, 4);
    const std::uint32_t size = Number(b, at + 4, 4, false);
    if (type == "ANIM") f.loops = int(Number(b, at + 12, 2, false));
    if (type == "ANMF") {
      f.delays.push_back({int(Number(b, at + 20, 3, false)), 1000});
      f.alpha = f.alpha || Tag(b, at + 24, 4) == "ALPH";
      TBytes still{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'};
      still.insert(still.end(), b.begin() + long(at + 24), b.begin() + long(at + 8 + size));
      for (int i = 0; i < 4; ++i)
        still[std::size_t(4 + i)] = std::uint8_t((still.size() - 8) >> (8 * i));
      f.stills.push_back(still);
    }
    at += 8 + size + (size & 1);
  }
  f.valid = Number(b, 4, 4, false) + 8 == b.size();
  return f;
}

}  // namespace quenvar::videotest
