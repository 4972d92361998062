#include "psd/psdreader.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>

#include "formats/limits.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdassemble.h"
#include "psd/psdchannel.h"
#include "psd/psdimage.h"
#include "psd/psdstream.h"

namespace quenvar {

namespace {

constexpr std::size_t kHeaderSize = 26;
constexpr std::uint32_t kMaxPaletteBytes = 768;
// Every stored row costs at least a few bytes, so a document's layers can
// only describe so many pixels; empty layers may still claim bounds. Together
// they may hold this many pixels plus kPixelsPerFileByte per byte of file.
constexpr std::uint64_t kFreePixels = std::uint64_t(1) << 24;
constexpr std::uint64_t kPixelsPerFileByte = 128;

const char* const kFormatError =
    "Cannot load image. Invalid or unexpected PSD or PDD image format.";

TPsdDocument& LastDocument() {
  static TPsdDocument doc;
  return doc;
}

// Keeps a second read from starting while one runs.
class ReadGuard {
 public:
  ReadGuard() {
    if (active_) throw Error("A PSD document is already being read; try again when it is done.");
    active_ = true;
  }
  ~ReadGuard() { active_ = false; }
  ReadGuard(const ReadGuard&) = delete;
  ReadGuard& operator=(const ReadGuard&) = delete;

 private:
  static inline bool active_ = false;
};

std::string N(std::int64_t v) {
  return std::to_string(v);
}

TPsdColorScheme SchemeOf(unsigned mode, int channels) {
  switch (mode) {
    case 0:
    case 1:
    case 8:
      return TPsdColorScheme::Grey;
    case 2:
      return TPsdColorScheme::Indexed;
    case 3:
    case 7:
      return channels == 3 ? TPsdColorScheme::RGB : TPsdColorScheme::RGBA;
    case 4:
      return TPsdColorScheme::CMYK;
    case 9:
      return TPsdColorScheme::Lab;
    default:
      return TPsdColorScheme::None;
  }
}

// Header, section lengths and the composite's compression code; each
// section is skipped by its length.
TPsdDocument ReadDocumentProperties(PsdStream& s) {
  auto sig = s.Bytes(4);
  if (std::memcmp(sig.data(), "8BPS", 4) != 0) throw Error(kFormatError);
  // Version 2 documents have wider fields; reading them as version 1 would
  // misplace every section.
  if (s.U16() != 1) throw Error(kFormatError);
  s.Bytes(6);
  TPsdDocument doc;
  doc.channels = s.U16();
  const std::uint32_t rows = s.U32();
  const std::uint32_t columns = s.U32();
  doc.height = int(std::min<std::uint32_t>(rows, std::numeric_limits<int>::max()));
  doc.width = int(std::min<std::uint32_t>(columns, std::numeric_limits<int>::max()));
  doc.bitsPerSample = s.U16();
  const unsigned mode = s.U16();
  doc.samplesPerPixel = std::min(doc.channels, 4);
  doc.scheme = SchemeOf(mode, doc.channels);
  doc.minIsWhite = mode == 0;
  s.SkipLength(s.U32(), "The colour mode data length");
  s.SkipLength(s.U32(), "The image resources length");
  s.SkipLength(s.U32(), "The layer and mask information length");
  doc.compositeCompression = s.U16();
  return doc;
}

// Step 4: the form of the reader's own picture.
void PreparePicture(TPsdDocument& doc, std::size_t fileSize) {
  if (doc.bitsPerSample < 1 || doc.bitsPerSample > 16)
    throw Error("Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
  if (doc.channels == 0)
    throw Error("Sample count per pixel does not correspond to the given color scheme.");
  const int bits = doc.bitsPerSample == 16 ? 8 : doc.bitsPerSample;
  int samples = doc.scheme == TPsdColorScheme::CMYK ? 3 : doc.samplesPerPixel;
  if (samples == 1)
    doc.pixelBits = bits <= 1 ? 1 : bits <= 4 ? 4 : 8;
  else
    doc.pixelBits = samples == 4 ? 32 : 24;
  CheckPictureSize(doc.width, doc.height, "PSD document", true);
  // The composite image is stored too, so the file bounds the picture's size.
  if (std::uint64_t(doc.width) * std::uint64_t(doc.height) >
      kFreePixels + kPixelsPerFileByte * fileSize)
    throw Error("The document's size of " + N(doc.width) + " x " + N(doc.height) +
                " pixels is more than its data can describe");
}

std::vector<TColor32> GreyRamp(int pixelBits, bool minIsWhite) {
  const int count = 1 << std::min(pixelBits, 8);
  std::vector<TColor32> ramp(std::size_t(count), 0);
  for (int i = 0; i < count; ++i) {
    unsigned v = unsigned(i * 255 / (count - 1));
    if (minIsWhite) v = 255 - v;
    ramp[std::size_t(i)] = Color32(v, v, v);
  }
  return ramp;
}

void ReadColorModeData(PsdStream& s, TPsdDocument& doc) {
  const std::uint32_t length = s.U32();
  if (doc.scheme == TPsdColorScheme::Indexed) {
    if (length > kMaxPaletteBytes)
      throw Error("Indexed colour data of " + N(length) + " bytes is longer than 768 bytes");
    auto data = s.Bytes(length);
    const std::size_t count = length / 3;
    for (std::size_t i = 0; i < count; ++i)
      doc.palette.push_back(Color32(data[i], data[count + i], data[2 * count + i]));
    return;
  }
  if (doc.scheme == TPsdColorScheme::Grey && doc.pixelBits <= 8)
    doc.palette = GreyRamp(doc.pixelBits, doc.minIsWhite);
  s.SkipLength(length, "The colour mode data length");
}

std::string Latin1ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  for (std::uint8_t c : bytes) {
    if (c < 0x80) {
      out += char(c);
    } else {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::int32_t Extent(std::int32_t from, std::int32_t to, int index) {
  const std::int64_t size = std::int64_t(to) - from;
  if (size < 0 || size > std::numeric_limits<std::int32_t>::max())
    throw Error("Layer " + N(index) + " has invalid bounds (size " + N(size) + ")");
  return std::int32_t(size);
}

void ReadLayerRecord(PsdStream& s, PsdLayer& layer, int index) {
  ClearPsdLayer(layer);
  layer.top = s.I32();
  layer.left = s.I32();
  const std::int32_t bottom = s.I32();
  const std::int32_t right = s.I32();
  layer.channelCount = s.U16();
  layer.height = Extent(layer.top, bottom, index);
  layer.width = Extent(layer.left, right, index);
  CheckPictureSize(layer.width, layer.height, "Layer " + N(index), true);
  if (layer.channelCount > kPsdMaxChannels)
    throw Error("Layer " + N(index) + " has " + N(layer.channelCount) +
                " channels; at most 30 are read");
  for (std::uint32_t k = 0; k < layer.channelCount; ++k) {
    TPsdChannel& ch = layer.channels[k];
    ch.id = s.I16();
    const std::int32_t dataLength = s.I32();
    if (dataLength < 2)
      throw Error("Layer " + N(index) + " channel " + N(k + 1) + " has a data length of " +
                  N(dataLength) + ", below the 2 bytes of its compression code");
    ch.length = dataLength - 2;
  }
  s.Bytes(4);  // blend signature, not compared
  auto key = s.Bytes(4);
  layer.blendKey.assign(key.begin(), key.end());
  layer.opacity = s.U8();
  layer.clipping = s.U8();
  layer.visible = (s.U8() & 2) == 0;
  s.U8();
  layer.extraLength = s.U32();
  const std::size_t q = s.Position();
  if (layer.extraLength > s.Remaining())
    throw Error("Layer " + N(index) + " extra data length points past the end of the file");
  s.SkipLength(s.U32(), "Layer " + N(index) + " mask data length");
  s.SkipLength(s.U32(), "Layer " + N(index) + " blending ranges length");
  const std::uint8_t nameLength = s.U8();
  if (nameLength != 0) layer.name = Latin1ToUtf8(s.Bytes(nameLength));
  s.Seek(q + layer.extraLength);
}

void LogLayerRecord(const PsdLayer& l, int i) {
  PsdLog("Layer " + N(i) + " \"" + l.name);
  PsdLog("  pos x:" + N(l.left) + ",y:" + N(l.top) + " / Size: " + N(l.width) + "x" + N(l.height));
  PsdLog("  " + N(l.channelCount) + "ch" + " blend:" + l.blendKey + " opacity:" + N(l.opacity) +
         " vis :" + (l.visible ? "1" : "0"));
}

void ReadChannelHeaders(PsdStream& s, TPsdImage& img) {
  for (int i = 0; i < img.layerCount; ++i) {
    PsdLayer& layer = img.layers[std::size_t(i)];
    for (std::uint32_t k = 0; k < layer.channelCount; ++k) {
      TPsdChannel& ch = layer.channels[k];
      ch.compression = s.U16();
      ch.position = std::uint32_t(s.Position());
      PsdLog("> Layer " + N(i) + " size " + N(ch.length) + " ch " + N(k + 1) + " pos " +
             N(ch.position) + " < " + PsdCompressionName(ch.compression));
      if (ch.length > 0)
        s.SkipLength(std::uint32_t(ch.length),
                     "Layer " + N(i) + " channel " + N(k + 1) + " data length");
      else
        layer.empty = true;
    }
  }
}

// Checked before any picture is made, so that a small file cannot make the
// reader allocate gigabytes.
void CheckPixelBudget(const TPsdImage& img, std::size_t fileSize) {
  const std::uint64_t budget = kFreePixels + kPixelsPerFileByte * fileSize;
  std::uint64_t pixels = 0;
  for (int i = 0; i < img.layerCount; ++i) {
    const PsdLayer& layer = img.layers[std::size_t(i)];
    pixels += std::uint64_t(layer.width) * std::uint64_t(layer.height);
  }
  if (pixels > budget)
    throw Error("The layers claim " + N(std::int64_t(pixels)) +
                " pixels, more than the document's data can describe");
}

void DecodeLayers(PsdStream& s, TPsdImage& img, const TPsdDocument& doc) {
  const int bps = doc.bitsPerSample / 8;
  CheckPixelBudget(img, s.Size());
  for (int i = 0; i < img.layerCount; ++i) {
    PsdLayer& layer = img.layers[std::size_t(i)];
    const std::size_t planeSize = CheckedMul(CheckedMul(std::size_t(bps), std::size_t(layer.width)),
                                             std::size_t(layer.height));
    PsdLog(" ");
    PsdLog("Decoding Layer \"" + layer.name + "\"");
    if (!layer.empty) {
      for (std::uint32_t k = 0; k < layer.channelCount; ++k) {
        TPsdChannel& ch = layer.channels[k];
        PsdLog("  channel type " + PsdCompressionName(ch.compression) + " id " + N(ch.id) +
               " BPS : " + N(bps) + " size " + N(std::int64_t(planeSize)));
        PsdLog("  pos :" + N(ch.position));
        DecodePsdChannel(s, layer, ch, bps, planeSize);
      }
    }
    PsdLog("  Mixing colors // ");
    AssemblePsdLayer(layer, bps, img.colorMode);
  }
}

TPicture DocumentPicture(const TPsdDocument& doc) {
  TPicture pic;
  pic.width = doc.width;
  pic.height = doc.height;
  pic.kind = doc.pixelBits == 32 ? TPictureKind::Bitmap32 : TPictureKind::Bitmap;
  pic.pixels.assign(CheckedMul(std::size_t(doc.width), std::size_t(doc.height)), kPsdDocumentColor);
  return pic;
}

// Image resources, layer and mask section and layer info lengths, and the
// layer count; the stream is left at the first layer record.
void ReadSectionLengths(PsdStream& s, TPsdImage& img) {
  img.resourceLength = s.U32();
  s.SkipLength(img.resourceLength, "The image resources length");
  img.layerMaskLength = s.U32();
  img.layerMaskValue = std::int32_t(img.layerMaskLength);
  if (img.layerMaskLength > s.Remaining())
    throw Error("The layer and mask information length points past the end of the file");

  // A document without a layer section (length 0) or with an empty layer
  // info part has no layers; reading on would take other data as records.
  std::uint32_t infoLength = 0;
  if (img.layerMaskLength >= 4) infoLength = s.U32();
  img.layerInfoValue = std::int32_t(infoLength);
  if (infoLength > s.Remaining())
    throw Error("The layer info length points past the end of the file");
  unsigned count = 0;
  if (infoLength >= 2) {
    const unsigned c = s.U16();
    count = c > 32000 ? 65536 - c : c;
  }
  if (count > kPsdMaxLayers)
    throw Error("The document has " + N(count) + " layers; at most 512 are read");
  img.layerCount = std::uint16_t(count);
}

// The read itself; ReadPsd holds the guard around it.
TPicture ReadGuarded(std::span<const std::uint8_t> data) {
  if (data.size() > std::numeric_limits<std::uint32_t>::max())
    throw Error("PSD documents of 4 GiB and more are not read");
  PsdStream s(data);
  TPsdImage& img = tPsdImage();
  TPsdDocument& doc = LastDocument();
  doc = TPsdDocument();

  const std::size_t base = s.Position();
  doc = ReadDocumentProperties(s);
  s.Seek(base);
  s.Bytes(24);
  img.colorMode = s.U16();
  PreparePicture(doc, s.Size());
  ReadColorModeData(s, doc);

  ReadSectionLengths(s, img);
  PsdLog(">> Reading Layers ( layercount : " + N(img.layerCount) + " )");
  PsdLog(" ");

  for (int i = 0; i < img.layerCount; ++i) {
    ReadLayerRecord(s, img.layers[std::size_t(i)], i);
    LogLayerRecord(img.layers[std::size_t(i)], i);
  }
  PsdLog(" ");
  PsdLog(">> Reading Channels ");
  PsdLog(" ");
  ReadChannelHeaders(s, img);
  PsdLog(" ");
  PsdLog(">> Mixing channels ");
  PsdLog(" ");
  DecodeLayers(s, img, doc);
  PsdLog("fpos : " + N(std::int64_t(s.Position())));
  return DocumentPicture(doc);
}

}  // namespace

bool IsPsdStream(std::span<const std::uint8_t> data, std::size_t position) {
  if (position > data.size() || data.size() - position <= kHeaderSize) return false;
  const std::uint8_t* p = data.data() + position;
  for (int i = 0; i < 4; ++i)
    if (std::toupper(p[i]) != "8BPS"[i]) return false;
  return (p[4] << 8 | p[5]) == 1;
}

const TPsdDocument& LastPsdDocument() {
  return LastDocument();
}

TPicture ReadPsd(std::span<const std::uint8_t> data) {
  ReadGuard guard;
  try {
    return ReadGuarded(data);
  } catch (const std::bad_alloc&) {
    throw Error("Not enough memory to read the PSD document");
  }
}

TPicture ReadPsdFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  if (!in) throw Error("Cannot open file \"" + fileName + "\"");
  const std::streamoff size = in.tellg();
  if (size < 0 || std::uint64_t(size) > std::numeric_limits<std::uint32_t>::max())
    throw Error("PSD documents of 4 GiB and more are not read");
  in.seekg(0);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) throw Error("Stream read error");
  return ReadPsd(bytes);
}

}  // namespace quenvar
