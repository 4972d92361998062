#include "video/avsupport.h"

extern "C" {
#include <libavutil/log.h>
}

#include <mutex>

namespace quenvar::av {

std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

void QuietLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

}  // namespace quenvar::av
