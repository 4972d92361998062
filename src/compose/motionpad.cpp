#include "compose/motionpad.h"

#include <algorithm>
#include <cmath>

namespace quenvar {

namespace {

// The marker is a ring and a disc from a symbol font.
constexpr char16_t kRingGlyph[] = {char16_t(0xA1), 0};
constexpr char16_t kDiscGlyph[] = u"l";

std::u16string Wide(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

std::int32_t RoundHalfEven(double value) {
  return std::int32_t(std::nearbyint(value));
}

}  // namespace

std::int32_t PadSpeedX(std::int32_t markerX, int width, int cells) {
  return RoundHalfEven((double(markerX) - 32) / (double(width) / double(cells)));
}

std::int32_t PadSpeedY(std::int32_t markerY, int height, int cells) {
  return RoundHalfEven((double(markerY) + 4 - 32) / (double(height) / double(cells)));
}

std::string PadLabel(std::int32_t speedX, std::int32_t speedY) {
  return std::to_string(speedX) + "x" + std::to_string(speedY);
}

T2dcontrollerLayer::T2dcontrollerLayer(TLayerCollection& owner, int width, int height)
    : TBitmapLayer(owner) {
  cells = 16;
  Bitmap().Resize(width, height);
  SetLocation(TFloatRect{0, 0, float(width), float(height)});
  DrawPadGrid(false);
  DrawPad(false);
}

void T2dcontrollerLayer::DrawPadGrid(bool active) {
  TBitmap32& s = Bitmap();
  const int w = s.Width(), h = s.Height();
  if (w <= 0 || h <= 0 || cells == 0) return;
  const TRect r{0, 0, w, h};
  s.FillRectBlended(r, Color32(212, 222, 229, active ? 200 : 255));
  s.SetDrawMode(dmBlend);
  s.SetCombineMode(cmBlend);
  const int rowStep = RoundHalfEven(double(h) / double(cells));
  const int colStep = w / cells;
  const int shade = 255 / cells;
  int d = 0;
  for (int i = 1; i <= cells - 1; ++i) {
    d += i < cells / 2 + 1 ? 1 : -1;
    const unsigned grey = unsigned(255 - shade * d);
    const TColor32 line =
        i == cells / 2 ? Color32(20, 30, 40, 200) : Color32(grey, grey, grey, unsigned(shade * d));
    s.DrawLine(1, float(i * rowStep), float(w), float(i * rowStep), line);
    s.DrawLine(float(i * colStep), 1, float(i * colStep), float(h), line);
  }
  s.FrameRect(r, Color32(150, 150, 150, 255));
  s.FrameRect(TRect{1, 1, w + 1, h + 1}, Color32(60, 60, 90, 255));
}

void T2dcontrollerLayer::DrawPad(bool active) {
  DrawPadGrid(active);
  TBitmap32& s = Bitmap();
  const int w = s.Width(), h = s.Height();
  const float x = float(markerX), y = float(markerY);
  const TColor32 c = active ? Color32(50, 50, 190, 40) : Color32(50, 50, 240, 30);
  s.DrawLine(1, 1, x, y, c);
  s.DrawLine(float(w), 1, x, y, c);
  s.DrawLine(1, float(h), x, y, c);
  s.DrawLine(x, y, float(w), float(h), c);

  s.Font().Name = "Wingdings";
  s.Font().Size = 9;
  s.DrawText(markerX - 5, markerY - 4, kRingGlyph, 4, c);
  s.DrawText(markerX - 5, markerY - 4, kDiscGlyph, 4,
             active ? Color32(120, 120, 170, 250) : Color32(120, 120, 170, 190));
  s.Font().Name = "Arial";

  if (w > 0 && h > 0 && cells > 0 && !givenSpeeds_) {
    speedX = PadSpeedX(markerX, w, cells);
    speedY = PadSpeedY(markerY, h, cells);
  }
  const std::u16string label = Wide(PadLabel(speedX, speedY));
  s.Font().Size = active ? 8 : 6;
  const int lw = s.MeasureText(label);
  s.DrawText(markerX - lw / 2, markerY - (active ? 13 : 11), label, 2,
             active ? Color32(20, 20, 50, 220) : Color32(20, 20, 50, 200));
}

void T2dcontrollerLayer::ShowSpeeds(std::int32_t x, std::int32_t y) {
  const TBitmap32& s = Bitmap();
  const int w = s.Width(), h = s.Height();
  if (w > 0 && h > 0 && cells > 0) {
    // The inverse of PadSpeedX and PadSpeedY: whole cells from (32, 28).
    const double cellW = double(w) / cells, cellH = double(h) / cells;
    const double mx = 32.0 + double(x) * cellW, my = 28.0 + double(y) * cellH;
    markerX = std::int32_t(std::lround(std::clamp(mx, 0.0, double(w - 1))));
    markerY = std::int32_t(std::lround(std::clamp(my, 0.0, double(h - 1))));
  }
  speedX = x;
  speedY = y;
  givenSpeeds_ = true;
  DrawPad(false);
}

void T2dcontrollerLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TBitmapLayer::MouseDown(button, shift, x, y);
  givenSpeeds_ = false;
  if (shift & ssLeft) {
    markerX = x;
    markerY = y;
  }
  DrawPad(true);
}

void T2dcontrollerLayer::MouseMove(TShiftState shift, int x, int y) {
  TBitmapLayer::MouseMove(shift, x, y);
  if (!(shift & ssLeft)) return;
  markerX = x;
  markerY = y;
  DrawPad(true);
}

void T2dcontrollerLayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TBitmapLayer::MouseUp(button, shift, x, y);
  DrawPad(false);
}

}  // namespace quenvar
