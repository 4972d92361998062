#pragma once
// Builds small PSD documents byte by byte for cases no writer produces:
// damaged row tables, lying lengths, odd channel orders, extreme counts.
#include <cstdint>
#include <string>
#include <vector>

namespace quenvar::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, unsigned v) {
  b.push_back(std::uint8_t(v >> 8));
  b.push_back(std::uint8_t(v));
}
inline void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}

struct BuiltChannel {
  std::int16_t id = 0;
  unsigned compression = 0;
  Bytes data;                    // stored bytes after the compression word
  std::int64_t lengthDelta = 0;  // added to the recorded data length (lies)
};

struct BuiltLayer {
  std::int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::vector<BuiltChannel> channels;
  std::string key = "norm";
  std::uint8_t opacity = 255;
  std::uint8_t flags = 0;
  std::string name;
  Bytes extraTail;  // additional layer information after the name
};

struct BuiltDocument {
  std::string signature = "8BPS";
  unsigned version = 1;
  unsigned channels = 4;
  std::uint32_t rows = 8, columns = 8;
  unsigned depth = 8;
  unsigned mode = 3;
  Bytes colorData;
  Bytes resources;
  std::vector<BuiltLayer> layers;
  unsigned countField = 0xFFFFFFFF;  // layer count as stored; default: layers.size()
  bool noLayerSection = false;
  Bytes composite = {0, 0};

  Bytes Build() const {
    Bytes b(signature.begin(), signature.end());
    Put16(b, version);
    b.insert(b.end(), 6, 0);
    Put16(b, channels);
    Put32(b, rows);
    Put32(b, columns);
    Put16(b, depth);
    Put16(b, mode);
    Put32(b, std::uint32_t(colorData.size()));
    b.insert(b.end(), colorData.begin(), colorData.end());
    Put32(b, std::uint32_t(resources.size()));
    b.insert(b.end(), resources.begin(), resources.end());
    if (noLayerSection) {
      Put32(b, 0);
    } else {
      Bytes info;
      Put16(info, countField == 0xFFFFFFFF ? unsigned(layers.size()) : countField);
      for (const auto& l : layers) Record(info, l);
      for (const auto& l : layers)
        for (const auto& c : l.channels) {
          Put16(info, c.compression);
          info.insert(info.end(), c.data.begin(), c.data.end());
        }
      Put32(b, std::uint32_t(info.size() + 4));
      Put32(b, std::uint32_t(info.size()));
      b.insert(b.end(), info.begin(), info.end());
    }
    b.insert(b.end(), composite.begin(), composite.end());
    return b;
  }

  static void Record(Bytes& b, const BuiltLayer& l) {
    Put32(b, std::uint32_t(l.top));
    Put32(b, std::uint32_t(l.left));
    Put32(b, std::uint32_t(l.bottom));
    Put32(b, std::uint32_t(l.right));
    Put16(b, unsigned(l.channels.size()));
    for (const auto& c : l.channels) {
      Put16(b, std::uint16_t(c.id));
      Put32(b, std::uint32_t(std::int64_t(c.data.size()) + 2 + c.lengthDelta));
    }
    b.insert(b.end(), {'8', 'B', 'I', 'M'});
    b.insert(b.end(), l.key.begin(), l.key.end());
    b.push_back(l.opacity);
    b.push_back(0);
    b.push_back(l.flags);
    b.push_back(0);
    Bytes extra;
    Put32(extra, 0);
    Put32(extra, 0);
    extra.push_back(std::uint8_t(l.name.size()));
    extra.insert(extra.end(), l.name.begin(), l.name.end());
    while (extra.size() % 4) extra.push_back(0);
    extra.insert(extra.end(), l.extraTail.begin(), l.extraTail.end());
    Put32(b, std::uint32_t(extra.size()));
    b.insert(b.end(), extra.begin(), extra.end());
  }
};

// A raw channel of w x h samples all equal to v.
inline BuiltChannel RawChannel(std::int16_t id, std::size_t samples, std::uint8_t v) {
  return {id, 0, Bytes(samples, v), 0};
}

// A layer of w x h pixels at (left, top) with raw channels of constant values.
inline BuiltLayer RawLayer(std::vector<std::int16_t> ids, std::vector<std::uint8_t> values,
                           int w = 2, int h = 2, int left = 0, int top = 0) {
  BuiltLayer l;
  l.left = left;
  l.top = top;
  l.right = left + w;
  l.bottom = top + h;
  for (std::size_t k = 0; k < ids.size(); ++k)
    l.channels.push_back(RawChannel(ids[k], std::size_t(w * h), values[k]));
  l.name = "L";
  return l;
}

}  // namespace quenvar::test
