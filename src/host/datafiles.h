#pragma once
// Where the program's own files (the interface font, its licence) are found:
// beside the program in a build folder, or in share/quenvar of the prefix
// an installed program lives under (bin/../share/quenvar).
#include <string>
#include <vector>

namespace quenvar {

// The places looked at for `name`, in order.
std::vector<std::string> DataFileCandidates(const std::string& programDir, const std::string& name);
// The first candidate that is a file; the first candidate when none is, so
// the message about a missing file names a sensible place.
std::string FindDataFile(const std::string& programDir, const std::string& name);

}  // namespace quenvar
