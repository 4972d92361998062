// One picture reader of the registry: the content check, then the decoder.
// QUENVAR_FUZZ_READER names the reader's accessor (see formats/readers.h).
#include "formats/limits.h"
#include "formats/readers.h"
#include "fuzztarget.h"
#include "host/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Pictures up to 4096 x 4096: larger ones only cost the instrumented build
  // time (a 4500 x 8192 metafile page takes seconds to fill there), and the
  // size limits themselves are tested on their own.
  quenvar::CurrentPictureLimits().maxPixels = std::int64_t(1) << 24;
  const quenvar::TPictureReader& reader = quenvar::QUENVAR_FUZZ_READER();
  const std::span<const std::uint8_t> bytes(data, size);
  if (reader.IsFormat) (void)reader.IsFormat(bytes);
  try {
    (void)reader.Decode(bytes, "fuzz");
  } catch (const quenvar::Error&) {
  }
  return 0;
}
