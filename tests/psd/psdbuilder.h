#pragma once
// Builds small PSD documents byte by byte for cases no writer produces:
// damaged row tables, lying lengths, odd channel orders, extreme counts,
// masks, tagged blocks, large documents and layers kept in Lr16 or Lr32.
#include <zlib.h>

#include <bit>
#include <cstdint>
#include <stdexcept>
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
inline void Put64(Bytes& b, std::uint64_t v) {
  Put32(b, std::uint32_t(v >> 32));
  Put32(b, std::uint32_t(v));
}
inline void PutLength(Bytes& b, std::uint64_t v, bool wide) {
  if (wide)
    Put64(b, v);
  else
    Put32(b, std::uint32_t(v));
}
inline void Append(Bytes& b, const Bytes& more) {
  b.insert(b.end(), more.begin(), more.end());
}
inline Bytes Joined(Bytes a, const Bytes& b) {
  Append(a, b);
  return a;
}

// Big-endian IEEE single-precision samples.
inline Bytes Floats(const std::vector<float>& values) {
  Bytes b;
  for (float v : values) Put32(b, std::bit_cast<std::uint32_t>(v));
  return b;
}

// A tagged block: signature, key, length (lying by `lengthDelta`), data.
inline Bytes Block(const std::string& key, const Bytes& data, bool wideLength = false,
                   std::int64_t lengthDelta = 0, const std::string& signature = "8BIM") {
  Bytes b(signature.begin(), signature.end());
  b.insert(b.end(), key.begin(), key.end());
  PutLength(b, std::uint64_t(std::int64_t(data.size()) + lengthDelta), wideLength);
  Append(b, data);
  return b;
}

// A 'luni' block's data: the count of UTF-16 units (lying by `countDelta`),
// then the units.
inline Bytes UnicodeName(const std::u16string& name, std::int64_t countDelta = 0) {
  Bytes b;
  Put32(b, std::uint32_t(std::int64_t(name.size()) + countDelta));
  for (char16_t c : name) Put16(b, c);
  if (b.size() % 4) Put16(b, 0);
  return b;
}

// A section divider block ('lsct', or 'lsdk' as some writers key nested
// groups) of the given type.
inline Bytes Divider(std::uint32_t type, const std::string& key = "lsct") {
  Bytes d;
  Put32(d, type);
  d.insert(d.end(), {'8', 'B', 'I', 'M', 'p', 'a', 's', 's'});
  return Block(key, d);
}

// Layer mask data: rectangle, default colour, flags, then `more`.
inline Bytes MaskData(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right,
                      std::uint8_t defaultColor, std::uint8_t flags, const Bytes& more = {0, 0}) {
  Bytes b;
  for (std::int32_t v : {top, left, bottom, right}) Put32(b, std::uint32_t(v));
  b.push_back(defaultColor);
  b.push_back(flags);
  Append(b, more);
  return b;
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
  std::uint8_t clipping = 0;
  std::uint8_t flags = 0;
  std::string name;
  Bytes mask;       // layer mask data (MaskData)
  Bytes extraTail;  // additional layer information after the name
};

struct BuiltDocument {
  std::string signature = "8BPS";
  unsigned version = 1;  // 2: a large document with widened lengths
  unsigned channels = 4;
  std::uint32_t rows = 8, columns = 8;
  unsigned depth = 8;
  unsigned mode = 3;
  Bytes colorData;
  Bytes resources;
  std::vector<BuiltLayer> layers;
  unsigned countField = 0xFFFFFFFF;  // layer count as stored; default: layers.size()
  bool noLayerSection = false;
  // Keeps the layers in a block of this key ("Lr16", "Lr32") after the
  // global layer mask info, with an empty layer info part of their own.
  std::string layerBlock;
  std::int64_t layerBlockDelta = 0;  // added to the block's recorded length
  Bytes blocksBefore;                // tagged blocks ahead of the layer block
  Bytes globalInfo;                  // without a layer block: what follows the layer info
  Bytes composite = {0, 0};

  bool Large() const { return version == 2; }

  Bytes LayerInfo() const {
    Bytes info;
    Put16(info, countField == 0xFFFFFFFF ? unsigned(layers.size()) : countField);
    for (const auto& l : layers) Record(info, l);
    for (const auto& l : layers)
      for (const auto& c : l.channels) {
        Put16(info, c.compression);
        Append(info, c.data);
      }
    return info;
  }

  Bytes Section() const {
    Bytes section;
    if (layerBlock.empty()) {
      const Bytes info = LayerInfo();
      PutLength(section, info.size(), Large());
      Append(section, info);
      Append(section, globalInfo);
      return section;
    }
    PutLength(section, 0, Large());  // no layer info of its own
    Put32(section, 0);               // global layer mask info
    Append(section, blocksBefore);
    Append(section, Block(layerBlock, LayerInfo(), Large(), layerBlockDelta));
    return section;
  }

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
    Append(b, colorData);
    Put32(b, std::uint32_t(resources.size()));
    Append(b, resources);
    if (noLayerSection) {
      PutLength(b, 0, Large());
    } else {
      const Bytes section = Section();
      PutLength(b, section.size(), Large());
      Append(b, section);
    }
    Append(b, composite);
    return b;
  }

  void Record(Bytes& b, const BuiltLayer& l) const {
    Put32(b, std::uint32_t(l.top));
    Put32(b, std::uint32_t(l.left));
    Put32(b, std::uint32_t(l.bottom));
    Put32(b, std::uint32_t(l.right));
    Put16(b, unsigned(l.channels.size()));
    for (const auto& c : l.channels) {
      Put16(b, std::uint16_t(c.id));
      PutLength(b, std::uint64_t(std::int64_t(c.data.size()) + 2 + c.lengthDelta), Large());
    }
    b.insert(b.end(), {'8', 'B', 'I', 'M'});
    b.insert(b.end(), l.key.begin(), l.key.end());
    b.push_back(l.opacity);
    b.push_back(l.clipping);
    b.push_back(l.flags);
    b.push_back(0);
    Bytes extra;
    Put32(extra, std::uint32_t(l.mask.size()));
    Append(extra, l.mask);
    Put32(extra, 0);
    const std::size_t nameStart = extra.size();
    extra.push_back(std::uint8_t(l.name.size()));
    extra.insert(extra.end(), l.name.begin(), l.name.end());
    while ((extra.size() - nameStart) % 4) extra.push_back(0);
    Append(extra, l.extraTail);
    Put32(b, std::uint32_t(extra.size()));
    Append(b, extra);
  }
};

// A document of the given colour mode, depth and header channel count.
inline BuiltDocument Document(std::vector<BuiltLayer> layers, unsigned mode = 3, unsigned depth = 8,
                              unsigned channels = 4) {
  BuiltDocument d;
  d.layers = std::move(layers);
  d.mode = mode;
  d.depth = depth;
  d.channels = channels;
  return d;
}

// Layers kept in a block ("Lr16", "Lr32") of a document of that depth.
inline BuiltDocument BlockDocument(const std::string& key, unsigned depth) {
  BuiltDocument d;
  d.depth = depth;
  d.layerBlock = key;
  return d;
}

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

// Data as a ZIP channel stores it, before any prediction.
inline Bytes Deflated(const Bytes& data) {
  uLongf size = compressBound(uLong(data.size()));
  Bytes out(size);
  if (compress(out.data(), &size, data.data(), uLong(data.size())) != Z_OK)
    throw std::runtime_error("compress failed");
  out.resize(size);
  return out;
}

}  // namespace quenvar::test
