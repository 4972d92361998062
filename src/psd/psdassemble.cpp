#include "psd/psdassemble.h"

#include <string>

#include "host/error.h"
#include "host/statuslog.h"

namespace quenvar {

namespace {

// Where each component of a pixel comes from: a plane, or a fixed value.
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

PlaneChoice ChoosePlanes(const PsdLayer& layer, unsigned colorMode, std::size_t planeSize) {
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
    if (colorMode == 4 && k >= 0) {
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

template <int Bytes>
unsigned Sample(const std::uint8_t* plane, std::size_t i) {
  if constexpr (Bytes == 1) {
    return plane[i];
  } else {
    return ReducePsdSample16(unsigned(plane[2 * i] << 8 | plane[2 * i + 1]));
  }
}

// Stored ink planes hold 255 minus the ink: white paper is 255.
unsigned InkToLight(unsigned ink, unsigned black) {
  return (ink * black + 127) / 255;
}

template <int Bytes>
void FillRows(TBitmap32& picture, const PlaneChoice& c) {
  const int width = picture.Width();
  for (int y = 0; y < picture.Height(); ++y) {
    TColor32* row = picture.RowPointer(y);
    const std::size_t base = std::size_t(y) * std::size_t(width);
    for (int x = 0; x < width; ++x) {
      const std::size_t i = base + std::size_t(x);
      unsigned r = Sample<Bytes>(c.red, i), g = Sample<Bytes>(c.green, i),
               b = Sample<Bytes>(c.blue, i);
      if (c.black) {
        const unsigned k = Sample<Bytes>(c.black, i);
        r = InkToLight(r, k);
        g = InkToLight(g, k);
        b = InkToLight(b, k);
      }
      const unsigned a = c.alpha ? Sample<Bytes>(c.alpha, i) : c.fixedAlpha;
      row[x] = TColor32(a) << 24 | TColor32(r) << 16 | TColor32(g) << 8 | TColor32(b);
    }
  }
}

}  // namespace

void AssemblePsdLayer(PsdLayer& layer, int bytesPerSample, unsigned colorMode) {
  layer.picture.Resize(layer.width, layer.height);
  layer.picture.FillAll(0);
  if (layer.channelCount < 3) {
    if (layer.empty) return;
    throw Error("Layer \"" + layer.name + "\" has " + std::to_string(layer.channelCount) +
                " channels; a picture needs at least three");
  }
  PsdLog(layer.channelCount == 3 ? "rgb mix" : "rgba mix");
  if (layer.empty || layer.picture.Empty()) return;
  if (bytesPerSample != 1 && bytesPerSample != 2)
    throw Error("Layer \"" + layer.name + "\": samples of " + std::to_string(bytesPerSample * 8) +
                " bits cannot be assembled");
  const std::size_t planeSize =
      std::size_t(bytesPerSample) * std::size_t(layer.width) * std::size_t(layer.height);
  const PlaneChoice c = ChoosePlanes(layer, colorMode, planeSize);
  if (bytesPerSample == 1)
    FillRows<1>(layer.picture, c);
  else
    FillRows<2>(layer.picture, c);
}

}  // namespace quenvar
