#include "core/coreinit.h"

namespace quenvar {

void InitCore() {}

}  // namespace quenvar
