#include "host/fileversion.h"

#include <filesystem>
#include <system_error>

#include "host/error.h"

namespace quenvar {

TFileVersion GetFileVersion(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
    throw Error("Can't get file version information for " + path);
  }
  return ProgramFileVersion();
}

std::string BannerVersionLine(const TFileVersion& v) {
  return "ZYL // Quenvar v" + VersionText(v);
}

std::string BannerRightsLine() {
  return "(c) 2006 ZYL, all rights reserved.";
}

std::string MainCaption(const TFileVersion& v) {
  return "ZYL | Quenvar v" + std::to_string(v.major) + "." + std::to_string(v.minor) + " build " +
         std::to_string(v.build);
}

std::string AboutText(const TFileVersion& v) {
  const std::string br = "\r";
  const std::string blank = "\r\r";
  return "Quenvar v" + std::to_string(v.major) + "." + std::to_string(v.minor) + "rel" +
         std::to_string(v.release) + " build " + std::to_string(v.build) + blank +
         "Copyright (c) 2006 ZYL." + br + "All rights reserved." + blank +
         "https://quenvar.example.org" + blank + "Alpha version , for feedbacks :" + br +
         "email to feedback@quenvar.example.org" + blank + "Messenger : quenvar@im.example.org" +
         blank + "Acknowledgements : " + blank + "<build>\t\tCMake and Ninja" + br +
         "<zip>\t\tthe libzip authors" + br + "<memory>\tthe C library's memory routines" + br +
         "<graphics>\tthe Qt project, for the view and the layers";
}

}  // namespace quenvar
