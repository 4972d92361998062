#include "formats/metafileclip.h"

#include <algorithm>

namespace quenvar {
namespace {

void SetBits(std::uint64_t* row, int x0, int x1) {
  for (int x = x0; x < x1;) {
    const int bit = x % 64, count = std::min(64 - bit, x1 - x);
    const std::uint64_t ones = count == 64 ? ~std::uint64_t(0) : ((std::uint64_t(1) << count) - 1);
    row[x / 64] |= ones << bit;
    x += count;
  }
}

}  // namespace

MfClip::MfClip(int width, int height)
    : width_(width),
      height_(height),
      box_{0, 0, width, height},
      words_((std::size_t(width) + 63) / 64) {}

bool MfClip::Bit(int x, int y) const {
  return ((*mask_)[std::size_t(y) * words_ + std::size_t(x) / 64] >> (x % 64)) & 1;
}

bool MfClip::Covers(int x, int y) const {
  if (x < box_.x0 || x >= box_.x1 || y < box_.y0 || y >= box_.y1) return false;
  return !mask_ || Bit(x, y);
}

void MfClip::Runs(int y, int x0, int x1, const std::function<void(int, int)>& run) const {
  if (y < box_.y0 || y >= box_.y1) return;
  x0 = std::max(x0, box_.x0), x1 = std::min(x1, box_.x1);
  if (!mask_) {
    if (x0 < x1) run(x0, x1);
    return;
  }
  for (int x = x0; x < x1;) {
    while (x < x1 && !Bit(x, y)) ++x;
    const int start = x;
    while (x < x1 && Bit(x, y)) ++x;
    if (x > start) run(start, x);
  }
}

void MfClip::CombineBox(Box box, int mode, MfBudget& budget) {
  box.x0 = std::clamp(box.x0, 0, width_), box.x1 = std::clamp(box.x1, box.x0, width_);
  box.y0 = std::clamp(box.y0, 0, height_), box.y1 = std::clamp(box.y1, box.y0, height_);
  if (mode == kCopy) {
    box_ = box;
    mask_.reset();
  } else if (mode == kAnd) {
    box_.x0 = std::max(box_.x0, box.x0), box_.x1 = std::max(box_.x0, std::min(box_.x1, box.x1));
    box_.y0 = std::max(box_.y0, box.y0), box_.y1 = std::max(box_.y0, std::min(box_.y1, box.y1));
  } else {
    Combine(
        [&](const MfSpanSink& sink) {
          for (int y = box.y0; y < box.y1; ++y)
            if (box.x0 < box.x1) sink(y, box.x0, box.x1);
        },
        mode, budget);
  }
}

void MfClip::Combine(const std::function<void(const MfSpanSink&)>& scan, int mode,
                     MfBudget& budget) {
  if (mode < kAnd || mode > kCopy) return;
  budget.Spend(double(width_) * double(height_));
  const std::size_t size = words_ * std::size_t(height_);
  std::vector<std::uint64_t> region(size, 0), current(size, 0);
  scan([&](int y, int x0, int x1) { SetBits(&region[std::size_t(y) * words_], x0, x1); });
  for (int y = box_.y0; y < box_.y1; ++y)
    SetBits(&current[std::size_t(y) * words_], box_.x0, box_.x1);
  if (mask_)
    for (std::size_t i = 0; i < size; ++i) current[i] &= (*mask_)[i];
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint64_t c = current[i], r = region[i];
    current[i] = mode == kAnd    ? (c & r)
                 : mode == kOr   ? (c | r)
                 : mode == kXor  ? (c ^ r)
                 : mode == kDiff ? (c & ~r)
                                 : r;
  }
  box_ = {0, 0, width_, height_};
  mask_ = std::make_shared<const std::vector<std::uint64_t>>(std::move(current));
}

}  // namespace quenvar
