#include "host/version.h"

namespace quenvar {

TFileVersion ProgramFileVersion() {
  return TFileVersion{QUENVAR_VERSION_MAJOR, QUENVAR_VERSION_MINOR, QUENVAR_VERSION_RELEASE,
                      QUENVAR_VERSION_BUILD};
}

std::string VersionText(const TFileVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + " alpha rel" +
         std::to_string(v.release) + " build " + std::to_string(v.build);
}

std::string VersionText() {
  return VersionText(ProgramFileVersion());
}

}  // namespace quenvar
