#include "psd/psdtaggedblock.h"

#include <array>
#include <cstring>

namespace quenvar {

bool PsdKeyHasWideLength(const std::string& key) {
  static const std::array<const char*, 13> kWide = {"LMsk", "Lr16", "Lr32", "Layr", "Mt16",
                                                    "Mt32", "Mtrn", "Alph", "FMsk", "lnk2",
                                                    "FEid", "FXid", "PxSD"};
  for (const char* k : kWide)
    if (key == k) return true;
  return false;
}

std::optional<TPsdTaggedBlock> ReadPsdBlockHeader(PsdStream& s, std::size_t end, bool large) {
  const std::size_t start = s.Position();
  if (start > end || end - start < 12) return std::nullopt;
  auto sig = s.Bytes(4);
  if (std::memcmp(sig.data(), "8BIM", 4) != 0 && std::memcmp(sig.data(), "8B64", 4) != 0) {
    s.Seek(start);
    return std::nullopt;
  }
  auto key = s.Bytes(4);
  TPsdTaggedBlock block;
  block.key.assign(key.begin(), key.end());
  const bool wide = large && PsdKeyHasWideLength(block.key);
  if (wide && end - start < 16) {
    s.Seek(start);
    return std::nullopt;
  }
  block.length = s.Length(wide);
  block.position = s.Position();
  return block;
}

}  // namespace quenvar
