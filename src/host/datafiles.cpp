#include "host/datafiles.h"

#include <filesystem>
#include <system_error>

namespace quenvar {

std::vector<std::string> DataFileCandidates(const std::string& programDir,
                                            const std::string& name) {
  const std::filesystem::path dir(programDir);
  return {(dir / name).string(), (dir.parent_path() / "share" / "quenvar" / name).string()};
}

std::string FindDataFile(const std::string& programDir, const std::string& name) {
  const std::vector<std::string> candidates = DataFileCandidates(programDir, name);
  for (const std::string& candidate : candidates) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return candidates.front();
}

}  // namespace quenvar
