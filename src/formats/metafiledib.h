#pragma once
// The bitmaps metafile records carry: decoded, paid for from the drawing's
// budget, and the row arithmetic of records that count source rows from a
// bottom-up bitmap's last row.
#include <cstdint>
#include <span>
#include <string>

#include "formats/metafilecanvas.h"

namespace quenvar {

struct MfBitmap {
  TPicture picture;
  bool bottomUp = true;  // rows stored last first, as the header says
};

// The DIB whose header starts at `headerPos` of `data`; its pixels at
// `pixelPos` (0: right after the header and colour table).
MfBitmap ReadMfBitmap(MetafileCanvas& canvas, std::span<const std::uint8_t> data,
                      std::size_t headerPos, std::size_t pixelPos, const std::string& fileName);

// The source rectangle of a record that counts rows from the bottom of a
// bottom-up bitmap (its rows y .. y + |height| - 1, the bitmap's first row
// being scan `firstScan`), as the top-down row to start from, for a
// mirrored (negative) height too.
int MfSourceTop(const MfBitmap& bitmap, long long y, long long height, long long firstScan);

// A coordinate from a record, kept well inside int.
int MfSourceInt(long long v);

}  // namespace quenvar
