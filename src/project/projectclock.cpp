#include "project/projectclock.h"

#include <cstdio>

namespace quenvar {

namespace {

TLocalTimeSource& Source() {
  static TLocalTimeSource source;
  return source;
}

std::tm SystemLocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

void SetLocalTimeSource(TLocalTimeSource source) {
  Source() = std::move(source);
}

std::string LocalTimeText() {
  const std::tm t = Source() ? Source()() : SystemLocalTime();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

}  // namespace quenvar
