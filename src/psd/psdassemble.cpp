#include "psd/psdassemble.h"

#include <cstring>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdcolor.h"
#include "psd/psdmask.h"

namespace quenvar {

namespace {

enum class Model { Rgb, Grey, Cmyk, Lab };

Model ModelOf(unsigned colorMode) {
  switch (colorMode) {
    case 1:
    case 8:
      return Model::Grey;
    case 4:
      return Model::Cmyk;
    case 9:
      return Model::Lab;
    default:
      return Model::Rgb;
  }
}

// Where each component of a pixel comes from: a plane, or a fixed value.
// Grey layers use `red` for the grey plane.
struct PlaneChoice {
  const std::uint8_t* red = nullptr;
  const std::uint8_t* green = nullptr;
  const std::uint8_t* blue = nullptr;
  const std::uint8_t* alpha = nullptr;  // null: fixed alpha below
  unsigned fixedAlpha = 0;
  const std::uint8_t* black = nullptr;  // set for CMYK layers
};

int FindChannel(const PsdLayer& layer, int id) {
  for (std::uint32_t k = 0; k < layer.channelCount; ++k)
    if (layer.channels[k].id == id) return int(k);
  return -1;
}

const std::uint8_t* PlaneOf(const PsdLayer& layer, int index, std::size_t planeSize) {
  const auto& data = layer.channels[std::size_t(index)].data;
  if (data.size() < planeSize)
    throw Error("Layer \"" + layer.name + "\": channel " + std::to_string(index + 1) +
                " holds no decoded plane");
  return data.data();
}

PlaneChoice ChooseGrey(const PsdLayer& layer, std::size_t planeSize) {
  PlaneChoice c;
  const int grey = FindChannel(layer, 0), a = FindChannel(layer, -1);
  if (grey < 0) throw Error("Layer \"" + layer.name + "\" has no grey channel (id 0)");
  c.red = PlaneOf(layer, grey, planeSize);
  if (a >= 0)
    c.alpha = PlaneOf(layer, a, planeSize);
  else
    c.fixedAlpha = 255;
  return c;
}

PlaneChoice ChoosePlanes(const PsdLayer& layer, Model model, std::size_t planeSize) {
  if (model == Model::Grey) return ChooseGrey(layer, planeSize);
  PlaneChoice c;
  auto plane = [&](int index) { return PlaneOf(layer, index, planeSize); };
  const int r = FindChannel(layer, 0), g = FindChannel(layer, 1), b = FindChannel(layer, 2);
  const int a = FindChannel(layer, -1);
  const int k = FindChannel(layer, 3);
  if (r >= 0 && g >= 0 && b >= 0) {
    c.red = plane(r);
    c.green = plane(g);
    c.blue = plane(b);
    if (a >= 0)
      c.alpha = plane(a);
    else
      c.fixedAlpha = layer.channelCount == 3 ? 0 : 255;
    if (model == Model::Cmyk && k >= 0) {
      c.black = plane(k);
      if (a < 0) c.fixedAlpha = 255;
    }
    return c;
  }
  if (layer.channelCount == 3) {
    c.red = plane(0);
    c.green = plane(1);
    c.blue = plane(2);
    return c;
  }
  c.alpha = plane(0);
  c.red = plane(1);
  c.green = plane(2);
  c.blue = plane(3);
  return c;
}

enum class Role { Colour, Coverage };

// One row of a plane as 8-bit values.
void Row8(const std::uint8_t* plane, std::size_t first, int width, int bps, Role role,
          std::uint8_t* out) {
  if (bps == 1) {
    std::memcpy(out, plane + first, std::size_t(width));
    return;
  }
  for (int x = 0; x < width; ++x) {
    const std::size_t i = first + std::size_t(x);
    if (bps == 2) {
      out[x] = std::uint8_t(ReducePsdSample16(unsigned(plane[2 * i] << 8 | plane[2 * i + 1])));
    } else {
      const float f = PsdFloatSample(plane + 4 * i);
      out[x] = std::uint8_t(role == Role::Colour ? SrgbFromFloat(f) : CoverageFromFloat(f));
    }
  }
}

// One row of a Lab plane at 16-bit precision: 8-bit L is spread over 0 to
// 65535, 8-bit a and b keep 128 as their zero (32768).
void Row16(const std::uint8_t* plane, std::size_t first, int width, int bps, bool lightness,
           unsigned* out) {
  for (int x = 0; x < width; ++x) {
    const std::size_t i = first + std::size_t(x);
    if (bps == 1)
      out[x] = plane[i] * (lightness ? 257u : 256u);
    else
      out[x] = unsigned(plane[2 * i] << 8 | plane[2 * i + 1]);
  }
}

// Stored ink planes hold 255 minus the ink: white paper is 255.
unsigned InkToLight(unsigned ink, unsigned black) {
  return (ink * black + 127) / 255;
}

TColor32 Argb(unsigned a, unsigned r, unsigned g, unsigned b) {
  return TColor32(a) << 24 | TColor32(r) << 16 | TColor32(g) << 8 | TColor32(b);
}

struct Rows {
  explicit Rows(int width) : r(std::size_t(width)), g(r.size()), b(r.size()), a(r.size()) {}
  std::vector<std::uint8_t> r, g, b, a;
};

void AlphaRow(const PlaneChoice& c, std::size_t first, int width, int bps, Rows& rows) {
  if (c.alpha)
    Row8(c.alpha, first, width, bps, Role::Coverage, rows.a.data());
  else
    std::memset(rows.a.data(), int(c.fixedAlpha), rows.a.size());
}

void FillRgb(TBitmap32& picture, const PlaneChoice& c, Model model, int bps) {
  const int width = picture.Width();
  Rows rows(width);
  std::vector<std::uint8_t> black(rows.r.size());
  for (int y = 0; y < picture.Height(); ++y) {
    const std::size_t first = std::size_t(y) * std::size_t(width);
    if (model == Model::Grey) {
      Row8(c.red, first, width, bps, Role::Colour, rows.r.data());
      rows.g = rows.b = rows.r;
    } else {
      Row8(c.red, first, width, bps, Role::Colour, rows.r.data());
      Row8(c.green, first, width, bps, Role::Colour, rows.g.data());
      Row8(c.blue, first, width, bps, Role::Colour, rows.b.data());
    }
    if (c.black) Row8(c.black, first, width, bps, Role::Colour, black.data());
    AlphaRow(c, first, width, bps, rows);
    TColor32* row = picture.RowPointer(y);
    for (int x = 0; x < width; ++x) {
      unsigned r = rows.r[std::size_t(x)], g = rows.g[std::size_t(x)], b = rows.b[std::size_t(x)];
      if (c.black) {
        const unsigned k = black[std::size_t(x)];
        r = InkToLight(r, k);
        g = InkToLight(g, k);
        b = InkToLight(b, k);
      }
      row[x] = Argb(rows.a[std::size_t(x)], r, g, b);
    }
  }
}

void FillLab(TBitmap32& picture, const PlaneChoice& c, int bps) {
  const int width = picture.Width();
  Rows rows(width);
  std::vector<unsigned> l(rows.r.size()), a(l.size()), b(l.size());
  for (int y = 0; y < picture.Height(); ++y) {
    const std::size_t first = std::size_t(y) * std::size_t(width);
    Row16(c.red, first, width, bps, true, l.data());
    Row16(c.green, first, width, bps, false, a.data());
    Row16(c.blue, first, width, bps, false, b.data());
    AlphaRow(c, first, width, bps, rows);
    TColor32* row = picture.RowPointer(y);
    for (int x = 0; x < width; ++x) {
      const std::size_t i = std::size_t(x);
      const TRgb8 rgb = SrgbFromLab16(l[i], a[i], b[i]);
      row[x] = Argb(rows.a[i], rgb.r, rgb.g, rgb.b);
    }
  }
}

std::string DepthText(int bytesPerSample) {
  return std::to_string(bytesPerSample * 8);
}

void CheckDepth(const PsdLayer& layer, int bps, Model model) {
  if (bps != 1 && bps != 2 && bps != 4)
    throw Error("Layer \"" + layer.name + "\": samples of " + DepthText(bps) +
                " bits cannot be assembled");
  if (bps == 4 && (model == Model::Cmyk || model == Model::Lab))
    throw Error("Layer \"" + layer.name +
                "\": 32-bit samples are read in RGB and grey documents only");
}

}  // namespace

void AssemblePsdLayer(PsdLayer& layer, int bytesPerSample, unsigned colorMode) {
  layer.picture.Resize(layer.width, layer.height);
  layer.picture.FillAll(0);
  layer.opaque = false;
  const Model model = ModelOf(colorMode);
  const std::uint32_t colours = model == Model::Grey ? 1 : 3;
  if (layer.channelCount < colours) {
    if (layer.empty) return;
    throw Error("Layer \"" + layer.name + "\" has " + std::to_string(layer.channelCount) +
                (model == Model::Grey ? " channels; a picture needs at least one"
                                      : " channels; a picture needs at least three"));
  }
  PsdLog(layer.channelCount == colours ? "rgb mix" : "rgba mix");
  if (layer.empty || layer.picture.Empty()) return;
  CheckDepth(layer, bytesPerSample, model);
  const std::size_t planeSize =
      std::size_t(bytesPerSample) * std::size_t(layer.width) * std::size_t(layer.height);
  const PlaneChoice c = ChoosePlanes(layer, model, planeSize);
  if (model == Model::Lab)
    FillLab(layer.picture, c, bytesPerSample);
  else
    FillRgb(layer.picture, c, model, bytesPerSample);
  const bool masked = ApplyPsdMasks(layer, bytesPerSample);
  layer.opaque = !c.alpha && !masked;
}

}  // namespace quenvar
