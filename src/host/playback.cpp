#include "host/playback.h"

namespace quenvar {

TPlaybackState& Playback() {
  static TPlaybackState state;
  return state;
}

}  // namespace quenvar
