// The canvas's gradient fills. Every shape is shaded by the plane through
// three of its corners' colours, evaluated exactly at each pixel centre:
// corners go to sixteenths of a pixel, the weights of a pixel are integer
// edge functions, and the colour is their weighted sum divided by the
// total and by 256, rounded to the nearest 8-bit value.
#include <algorithm>
#include <cmath>

#include "formats/metafilecanvas.h"
#include "formats/metafileraster.h"

namespace quenvar {
namespace {

constexpr std::int64_t kSub = 16;  // fixed-point steps per pixel
constexpr double kFarPixel = 1e7;  // keeps the products inside 64 bits

struct FixedVertex {
  std::int64_t x = 0, y = 0;
  std::uint16_t channel[3] = {0, 0, 0};
};

std::int64_t Fixed(double v) {
  return std::int64_t(std::llround(std::clamp(v, -kFarPixel, kFarPixel) * double(kSub)));
}

// Twice the signed area of (a, b, p), in fixed-point units squared.
std::int64_t EdgeFunction(const FixedVertex& a, const FixedVertex& b, std::int64_t px,
                          std::int64_t py) {
  return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}

// The colour of the plane (corners turning the positive way, `area` their
// edge function) at fixed-point point (px, py): each channel's weighted
// sum over 256 times the total, rounded to nearest, halves up. Points on
// the outline may lie a hair outside the plane's range: clamped.
TColor32 Shade(const FixedVertex* plane, std::int64_t area, std::int64_t px, std::int64_t py) {
  const std::int64_t w0 = EdgeFunction(plane[1], plane[2], px, py),
                     w1 = EdgeFunction(plane[2], plane[0], px, py),
                     w2 = EdgeFunction(plane[0], plane[1], px, py);
  const __int128 den = __int128(area) * 256 * 2;
  TColor32 colour = 0xFF000000u;
  for (int c = 0; c < 3; ++c) {
    const __int128 sum = __int128(plane[0].channel[c]) * w0 + __int128(plane[1].channel[c]) * w1 +
                         __int128(plane[2].channel[c]) * w2;
    const __int128 num = sum * 2 + den / 2;
    __int128 value = num / den;
    if (num % den != 0 && num < 0) --value;  // division rounding down
    colour |= TColor32(std::clamp<__int128>(value, 0, 255)) << (16 - 8 * c);
  }
  return colour;
}

}  // namespace

void MetafileCanvas::GradientFill(const std::vector<MfGradientVertex>& vertices,
                                  const std::vector<std::uint32_t>& indices, unsigned mode) {
  if (mode > 2) return;
  const std::size_t per = mode == 2 ? 3 : 2;
  auto fixed = [&](double x, double y, const MfGradientVertex& colour) {
    const MfPoint p = ToPicture({x, y});
    return FixedVertex{Fixed(p.x), Fixed(p.y), {colour.red, colour.green, colour.blue}};
  };
  for (std::size_t i = 0; i + per <= indices.size(); i += per) {
    if (std::any_of(indices.begin() + std::ptrdiff_t(i), indices.begin() + std::ptrdiff_t(i + per),
                    [&](std::uint32_t k) { return k >= vertices.size(); }))
      continue;
    // The plane's three corners, and the outline it shades.
    FixedVertex plane[3];
    std::vector<FixedVertex> outline;
    if (mode == 2) {
      for (std::size_t k = 0; k < 3; ++k) {
        const MfGradientVertex& v = vertices[indices[i + k]];
        plane[k] = fixed(v.x, v.y, v);
      }
      outline.assign(plane, plane + 3);
    } else {
      // Rectangles: the first corner's colour on its side, the second's on
      // the far side, across (mode 0) or down (mode 1).
      const MfGradientVertex &a = vertices[indices[i]], &b = vertices[indices[i + 1]];
      const MfGradientVertex& across = mode == 0 ? b : a;
      const MfGradientVertex& down = mode == 0 ? a : b;
      plane[0] = fixed(a.x, a.y, a);
      plane[1] = fixed(b.x, a.y, across);
      plane[2] = fixed(a.x, b.y, down);
      outline = {plane[0], plane[1], fixed(b.x, b.y, b), plane[2]};
    }
    std::int64_t area = EdgeFunction(plane[0], plane[1], plane[2].x, plane[2].y);
    if (area == 0) continue;
    if (area < 0) std::swap(plane[1], plane[2]), area = -area;
    MfPolygons shape(1);
    for (const FixedVertex& v : outline)
      shape[0].push_back({double(v.x) / double(kSub), double(v.y) / double(kSub)});
    ScanPolygons(shape, true, target_.width, target_.height, budget_, [&](int y, int x0, int x1) {
      state.clip.Runs(y, x0, x1, [&](int a, int b) {
        budget_.Spend(double(b - a));
        const std::int64_t py = std::int64_t(y) * kSub + kSub / 2;
        TColor32* row = target_.pixels.data() + std::size_t(y) * std::size_t(target_.width);
        for (int x = a; x < b; ++x)
          row[x] = Shade(plane, area, std::int64_t(x) * kSub + kSub / 2, py);
      });
    });
  }
}

}  // namespace quenvar
