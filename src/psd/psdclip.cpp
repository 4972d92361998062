#include "psd/psdclip.h"

namespace quenvar {

int PsdClipBase(const TPsdImage& image, int index) {
  const PsdLayer& layer = image.layers[std::size_t(index)];
  if (layer.kind != TPsdLayerKind::Normal || layer.clipping == 0) return -1;
  int lowest = index;
  for (int i = index - 1; i >= 0; --i) {
    const PsdLayer& below = image.layers[std::size_t(i)];
    if (below.kind != TPsdLayerKind::Normal) break;  // a group's edge
    if (below.clipping == 0) return i;
    lowest = i;
  }
  return lowest == index ? -1 : lowest;
}

void ClipToBase(TBitmap32& picture, std::int32_t left, std::int32_t top, const TBitmap32& base,
                std::int32_t baseLeft, std::int32_t baseTop) {
  // Offset of the picture's top-left pixel inside the base; 64 bits, as
  // document positions may lie far apart.
  const std::int64_t dx = std::int64_t(left) - baseLeft;
  const std::int64_t dy = std::int64_t(top) - baseTop;
  for (int y = 0; y < picture.Height(); ++y) {
    TColor32* row = picture.RowPointer(y);
    const std::int64_t by = dy + y;
    const TColor32* baseRow = by >= 0 && by < base.Height() ? base.RowPointer(int(by)) : nullptr;
    for (int x = 0; x < picture.Width(); ++x) {
      const std::int64_t bx = dx + x;
      const std::uint32_t b = baseRow && bx >= 0 && bx < base.Width() ? baseRow[bx] >> 24 : 0;
      row[x] = (row[x] & 0x00FFFFFFu) | ClipAlpha(row[x] >> 24, b) << 24;
    }
  }
}

}  // namespace quenvar
