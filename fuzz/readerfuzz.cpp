// One picture reader of the registry: the content check, then the decoder.
// QUENVAR_FUZZ_READER names the reader's accessor (see formats/readers.h).
#include "formats/readers.h"
#include "fuzztarget.h"
#include "host/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const quenvar::TPictureReader& reader = quenvar::QUENVAR_FUZZ_READER();
  const std::span<const std::uint8_t> bytes(data, size);
  if (reader.IsFormat) (void)reader.IsFormat(bytes);
  try {
    (void)reader.Decode(bytes, "fuzz");
  } catch (const quenvar::Error&) {
  }
  return 0;
}
