#include "host/canvassize.h"

namespace quenvar {

namespace {

std::optional<std::uint32_t> ParseSide(const std::string& s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  std::uint32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + std::uint32_t(c - '0');
  }
  if (v == 0 || v > 65535) return std::nullopt;
  return v;
}

}  // namespace

std::optional<TCanvasSize> ParseCanvasSize(const std::string& x, const std::string& y) {
  const auto w = ParseSide(x);
  const auto h = ParseSide(y);
  if (!w || !h) return std::nullopt;
  return TCanvasSize{std::uint16_t(*w), std::uint16_t(*h)};
}

std::string CanvasSizeRefusal() {
  return "The canvas size must be two whole numbers from 1 to 65535 .. ";
}

int FrameIntervalForFps(int fps) {
  return fps > 0 ? 1000 / fps : 0;
}

}  // namespace quenvar
