#include "project/projectopen.h"

#include "host/error.h"
#include "host/statuslog.h"
#include "project/oraread.h"
#include "project/project.h"

namespace quenvar {

TProject* OpenAnyProjectFile(const std::string& path, const TProgress& progress, std::string* why) {
  if (!NamesOpenRaster(path)) return OpenProjectFile(path, progress, why);
  try {
    return ImportOpenRaster(path, progress);
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    StatusLog(std::string("# Error : ") + e.what());
    if (why) *why = e.what();
    return nullptr;
  }
}

std::unique_ptr<TProject> ReadProjectFileAside(const std::string& path, const TProgress& progress,
                                               std::string* why) {
  const TProjectAside aside;
  return std::unique_ptr<TProject>(OpenAnyProjectFile(path, progress, why));
}

}  // namespace quenvar
