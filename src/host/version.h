#pragma once
// The program's version, fixed at build time from the CMake project version.
#include <cstdint>
#include <string>

namespace quenvar {

struct TFileVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t release = 0;
  std::uint16_t build = 0;
};

// The version of this program (0.7.13.453).
TFileVersion ProgramFileVersion();

// major + "." + minor + " alpha rel" + release + " build " + build.
std::string VersionText(const TFileVersion& v);
std::string VersionText();

}  // namespace quenvar
