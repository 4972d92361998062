#pragma once
// Reading the program's version record and the texts made from it.
#include <string>

#include "host/version.h"

namespace quenvar {

// The version record of the executable at `path`. The record is fixed into
// the program at build time, so this checks that the file is there and is a
// regular file, and fails with "Can't get file version information for " +
// path otherwise.
TFileVersion GetFileVersion(const std::string& path);

// "ZYL // Quenvar v" + VersionText: the banner's first line.
std::string BannerVersionLine(const TFileVersion& v);
// The banner's second line: the rights notice.
std::string BannerRightsLine();
// "ZYL | Quenvar v" + major + "." + minor + " build " + build.
std::string MainCaption(const TFileVersion& v);
// The about box text; lines are separated by a carriage return.
std::string AboutText(const TFileVersion& v);

}  // namespace quenvar
