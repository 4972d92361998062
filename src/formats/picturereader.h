#pragma once
// A picture reader: what the format registry knows of one decoder.
#include <cstdint>
#include <span>
#include <string>

#include "formats/picture.h"

namespace quenvar {

struct TPictureReader {
  // Short name of the reader, e.g. "PNG", "Truevision", "PSD".
  std::string name;
  // Content check: a pure function of the first bytes of a file (at least
  // the first 64 KiB, or the whole file when smaller). Null for readers that
  // do not recognise content.
  bool (*IsFormat)(std::span<const std::uint8_t> head) = nullptr;
  // Decodes a whole file's bytes. Throws quenvar::Error with a message naming
  // the file and the problem.
  TPicture (*Decode)(std::span<const std::uint8_t> data, const std::string& fileName) = nullptr;
};

}  // namespace quenvar
