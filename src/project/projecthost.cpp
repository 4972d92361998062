#include "project/projecthost.h"

namespace quenvar {

namespace {
TProjectHost g_defaultHost;
TProjectHost* g_host = nullptr;
}  // namespace

TProjectHost& ProjectHost() {
  return g_host ? *g_host : g_defaultHost;
}

void SetProjectHost(TProjectHost* host) {
  g_host = host;
}

}  // namespace quenvar
