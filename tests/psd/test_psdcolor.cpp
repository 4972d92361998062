// Colour conversions and the colour modes they serve: the sRGB transfer
// curve for 32-bit float samples, Lab to sRGB, grey and duotone layers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdassemble.h"
#include "psd/psdchannel.h"
#include "psd/psdcolor.h"
#include "psd/psdreader.h"
#include "psd/psdshown.h"
#include "psdbuilder.h"

namespace quenvar {
namespace {

using test::BuiltDocument;
using test::BuiltLayer;
using test::Bytes;
using test::Deflated;
using test::Floats;
using test::RawLayer;

// The sRGB curve in double precision, as an independent reference.
double SrgbReference(double linear) {
  const double s = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return 255 * s;
}

TEST(PsdColor, TransferCurveMatchesTheReference) {
  EXPECT_EQ(SrgbFromLinear(0), 0u);
  EXPECT_EQ(SrgbFromLinear(-5), 0u);
  EXPECT_EQ(SrgbFromLinear(kPsdLinearOne), 255u);
  EXPECT_EQ(SrgbFromLinear(kPsdLinearOne * 3), 255u);
  EXPECT_EQ(SrgbFromLinear(kPsdLinearOne / 2), 188u);
  unsigned previous = 0;
  int checked = 0;
  for (std::int64_t v = 0; v <= kPsdLinearOne; v += 997) {
    const unsigned s = SrgbFromLinear(v);
    ASSERT_GE(s, previous);
    previous = s;
    const double ref = SrgbReference(double(v) / double(kPsdLinearOne));
    if (std::abs(ref - std::floor(ref) - 0.5) < 1e-3) continue;  // too close to call
    ASSERT_EQ(s, unsigned(std::lround(ref))) << v;
    ++checked;
  }
  EXPECT_GT(checked, 16000);
}

TEST(PsdColor, FloatSamples) {
  EXPECT_EQ(PsdFloatSample(Floats({1.0f}).data()), 1.0f);
  EXPECT_EQ(PsdFloatSample(Floats({-0.25f}).data()), -0.25f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(SrgbFromFloat(nan), 0u);
  EXPECT_EQ(SrgbFromFloat(-inf), 0u);
  EXPECT_EQ(SrgbFromFloat(inf), 255u);
  EXPECT_EQ(SrgbFromFloat(-0.5f), 0u);
  EXPECT_EQ(SrgbFromFloat(4.0f), 255u);
  EXPECT_EQ(SrgbFromFloat(1e-30f), 0u);
  EXPECT_EQ(SrgbFromFloat(0.5f), 188u);
  EXPECT_EQ(SrgbFromFloat(0.18419f), 119u);
  EXPECT_EQ(SrgbFromFloat(0.0031308f), 10u);
  // Coverage is linear: ties go to the even neighbour.
  EXPECT_EQ(CoverageFromFloat(0.5f), 128u);
  EXPECT_EQ(CoverageFromFloat(0.25f), 64u);
  EXPECT_EQ(CoverageFromFloat(1.0f / 255), 1u);
  EXPECT_EQ(CoverageFromFloat(nan), 0u);
  EXPECT_EQ(CoverageFromFloat(7.0f), 255u);
}

TEST(PsdColor, LabToSrgb) {
  EXPECT_EQ(SrgbFromLab8(255, 128, 128), (TRgb8{255, 255, 255}));
  EXPECT_EQ(SrgbFromLab8(0, 128, 128), (TRgb8{0, 0, 0}));
  EXPECT_EQ(SrgbFromLab16(65535, 32768, 32768), (TRgb8{255, 255, 255}));
  // L* = 50 is the middle grey 119.
  EXPECT_EQ(SrgbFromLab16(32768, 32768, 32768), (TRgb8{119, 119, 119}));
  // Neutral greys stay neutral.
  for (unsigned l = 0; l < 256; ++l) {
    const TRgb8 c = SrgbFromLab8(l, 128, 128);
    ASSERT_TRUE(c.r == c.g && c.g == c.b) << l;
  }
  // sRGB red as Lab (D50): (54.3, 80.8, 69.9).
  EXPECT_EQ(SrgbFromLab8(138, 209, 198), (TRgb8{255, 0, 0}));
  EXPECT_EQ(SrgbFromLab8(200, 100, 160), (TRgb8{156, 208, 132}));
  EXPECT_EQ(SrgbFromLab8(60, 180, 40), (TRgb8{24, 18, 196}));
  // Out of gamut: clamped.
  EXPECT_EQ(SrgbFromLab8(230, 60, 220), (TRgb8{109, 255, 0}));
  EXPECT_EQ(SrgbFromLab8(255, 255, 0), (TRgb8{255, 117, 255}));
}

const PsdLayer& ReadLayer(const BuiltDocument& d) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  ReadPsd(d.Build());
  return tPsdImage().layers[0];
}

TEST(PsdColor, GreyAndDuotoneLayers) {
  for (unsigned mode : {1u, 8u}) {
    BuiltDocument d = test::Document({}, mode, 8, 2);
    d.layers = {RawLayer({-1, 0}, {90, 40}, 2, 2), RawLayer({0}, {70}, 1, 1)};
    RecordingLogSink log;
    ScopedLogSink scoped(&log);
    ReadPsd(d.Build());
    const TPsdImage& img = tPsdImage();
    EXPECT_EQ(img.layers[0].picture.Pixel(1, 1), Color32(40, 40, 40, 90)) << mode;
    // Grey alone: no transparency, shown opaque.
    EXPECT_TRUE(img.layers[1].opaque);
    EXPECT_EQ(PsdLayerAsShown(img.layers[1]).Pixel(0, 0), Color32(70, 70, 70, 255));
    const auto lines = log.Texts();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "rgba mix"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "rgb mix"), 1);
  }
  // 16-bit grey.
  BuiltDocument deep = test::Document({}, 1, 16, 1);
  BuiltLayer l = RawLayer({0, -1}, {0, 0}, 1, 1);
  l.channels[0].data = {0x80, 0x00};
  l.channels[1].data = {0xFF, 0xFF};
  deep.layers = {l};
  EXPECT_EQ(ReadLayer(deep).picture.Pixel(0, 0), Color32(127, 127, 127, 255));
}

TEST(PsdColor, LabLayers) {
  BuiltDocument d = test::Document({}, 9, 8, 3);
  d.layers = {RawLayer({-1, 0, 1, 2}, {77, 138, 209, 198}, 2, 1),
              RawLayer({0, 1, 2}, {255, 128, 128}, 1, 1)};
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  ReadPsd(d.Build());
  EXPECT_EQ(tPsdImage().layers[0].picture.Pixel(1, 0), Color32(255, 0, 0, 77));
  EXPECT_EQ(tPsdImage().layers[1].picture.Pixel(0, 0), Color32(255, 255, 255, 0));
  EXPECT_EQ(PsdLayerAsShown(tPsdImage().layers[1]).Pixel(0, 0), Color32(255, 255, 255, 255));

  BuiltDocument deep = test::Document({}, 9, 16, 3);
  BuiltLayer l = RawLayer({0, 1, 2}, {0, 0, 0}, 1, 1);
  l.channels[0].data = {0x80, 0x00};
  l.channels[1].data = {0x80, 0x00};
  l.channels[2].data = {0x80, 0x00};
  deep.layers = {l};
  EXPECT_EQ(ReadLayer(deep).picture.Pixel(0, 0), Color32(119, 119, 119, 0));
}

TEST(PsdColor, ThirtyTwoBitLayers) {
  BuiltDocument d = test::Document({}, 3, 32);
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 2, 1);
  l.channels[0].data = Floats({0.5f, 1.5f});
  l.channels[1].data = Floats({0.5f, -1.0f});
  l.channels[2].data = Floats({0.18419f, 2.0f});
  l.channels[3].data = Floats({0.0f, std::numeric_limits<float>::quiet_NaN()});
  d.layers = {l};
  const PsdLayer& r = ReadLayer(d);
  EXPECT_EQ(r.picture.Pixel(0, 0), Color32(188, 119, 0, 128));
  EXPECT_EQ(r.picture.Pixel(1, 0), Color32(0, 255, 0, 255));
  // Grey and a float mask.
  BuiltDocument grey = test::Document({}, 1, 32, 1);
  BuiltLayer g = RawLayer({0, -2}, {0, 0}, 2, 1);
  g.channels[0].data = Floats({1.0f, 0.5f});
  g.channels[1].data = Floats({0.25f, 1.0f});
  g.mask = test::MaskData(0, 0, 1, 2, 0, 0);
  grey.layers = {g};
  const PsdLayer& rg = ReadLayer(grey);
  EXPECT_EQ(rg.picture.Pixel(0, 0), Color32(255, 255, 255, 64));
  EXPECT_EQ(rg.picture.Pixel(1, 0), Color32(188, 188, 188, 255));
}

std::string ReadError(const BuiltDocument& d) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  try {
    ReadPsd(d.Build());
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(PsdColor, FloatChannelsOfTheWrongSizeFail) {
  BuiltDocument d = test::Document({}, 3, 32);
  d.layers = {RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 2, 2)};  // 1 byte a sample
  EXPECT_NE(ReadError(d).find("cannot fill a plane of 16 bytes"), std::string::npos);
  // Inflated data one sample short of its plane.
  for (unsigned code : {2u, 3u}) {
    BuiltDocument z = test::Document({}, 3, 32);
    BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 2, 2);
    for (auto& c : l.channels) c.data = Floats({1, 1, 1, 1});
    l.channels[2].compression = code;
    l.channels[2].data = Deflated(Bytes(12, 0));
    z.layers = {l};
    EXPECT_NE(ReadError(z).find("do not fill a plane of 16 bytes"), std::string::npos) << code;
  }
  // Float samples are read in RGB and grey documents only.
  BuiltDocument lab = test::Document({}, 9, 32, 3);
  BuiltLayer l = RawLayer({0, 1, 2}, {0, 0, 0}, 1, 1);
  for (auto& c : l.channels) c.data = Floats({0.5f});
  lab.layers = {l};
  EXPECT_NE(ReadError(lab).find("RGB and grey documents only"), std::string::npos);
}

TEST(PsdColor, FloatPredictionRowsAreBytePlanes) {
  // Two samples 1.0 (3F800000) and -2.0 (C0000000): the row stores the
  // bytes 3F C0 80 00 00 00 00 00 as differences.
  Bytes row = {0x3F, 0x81, 0xC0, 0x80, 0x00, 0x00, 0x00, 0x00};
  UndoPsdPrediction(row, 2, 1, 4);
  EXPECT_EQ(row, Bytes({0x3F, 0x80, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00}));
}

}  // namespace
}  // namespace quenvar
