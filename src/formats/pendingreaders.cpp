// Stand-ins for readers whose files are not in the tree yet, so the registry
// links. Each is weak: the real reader's definition replaces it.
#include "app/core/error.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

TPicture NotYetAvailable(std::span<const std::uint8_t>, const std::string& fileName) {
  throw Error(fileName + ": this picture format is not yet available");
}

}  // namespace

#define QUENVAR_PENDING_READER(fn, label)                                \
  __attribute__((weak)) const TPictureReader& fn() {                     \
    static const TPictureReader reader{label, nullptr, NotYetAvailable}; \
    return reader;                                                       \
  }

QUENVAR_PENDING_READER(MetafileReader, "Windows metafile")
QUENVAR_PENDING_READER(PcxReader, "PCX")
QUENVAR_PENDING_READER(RlaReader, "RLA")
QUENVAR_PENDING_READER(SgiReader, "SGI")
QUENVAR_PENDING_READER(PnmReader, "Portable map")
QUENVAR_PENDING_READER(AutodeskReader, "Autodesk")
QUENVAR_PENDING_READER(PcdReader, "Photo-CD")
QUENVAR_PENDING_READER(CutReader, "Dr. Halo")
QUENVAR_PENDING_READER(PspReader, "Paintshop Pro")

}  // namespace quenvar
