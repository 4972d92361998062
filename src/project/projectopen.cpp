#include "project/projectopen.h"

#include "host/error.h"
#include "host/statuslog.h"
#include "project/oraread.h"
#include "project/project.h"

namespace quenvar {

TProject* OpenAnyProjectFile(const std::string& path, const TProgress& progress) {
  if (!NamesOpenRaster(path)) return OpenProjectFile(path, progress);
  try {
    return ImportOpenRaster(path, progress);
  } catch (const Cancelled&) {
    throw;
  } catch (const std::exception& e) {
    StatusLog(std::string("# Error : ") + e.what());
    return nullptr;
  }
}

}  // namespace quenvar
