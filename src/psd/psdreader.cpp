#include "psd/psdreader.h"

#include <cctype>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>

#include "formats/limits.h"
#include "host/error.h"
#include "host/orderedjobs.h"
#include "host/statuslog.h"
#include "psd/psdassemble.h"
#include "psd/psdbudget.h"
#include "psd/psdchannel.h"
#include "psd/psdgroups.h"
#include "psd/psdheader.h"
#include "psd/psdimage.h"
#include "psd/psdmask.h"
#include "psd/psdprofile.h"
#include "psd/psdrecord.h"
#include "psd/psdstream.h"
#include "psd/psdtaggedblock.h"

namespace quenvar {

namespace {

constexpr std::size_t kHeaderSize = 26;

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

// Where the layer records are: the layer info part of the layer and mask
// section, or the block of the global additional layer information in which
// 16- and 32-bit documents keep their layers.
struct LayerInfoPlace {
  std::size_t begin = 0;     // the layer count
  std::size_t end = 0;       // the end of the layer info
  std::uint64_t length = 0;  // its length as stored
  bool inBlock = false;      // reads must stay inside the block
};

bool IsLayerBlock(const std::string& key) {
  return key == "Lr16" || key == "Lr32";
}

// Behind the layer info: the global layer mask info, then tagged blocks to
// the end of the section. Blocks that do not fit end the search; a layer
// block that does not fit fails the read.
std::optional<LayerInfoPlace> FindLayerBlock(PsdStream& s, std::size_t from, std::size_t sectionEnd,
                                             bool large) {
  s.Seek(from);
  if (sectionEnd < from || sectionEnd - from < 4) return std::nullopt;
  const std::uint32_t globalMask = s.U32();
  if (globalMask > sectionEnd - s.Position()) return std::nullopt;
  s.Seek(s.Position() + globalMask);
  while (auto block = ReadPsdBlockHeader(s, sectionEnd, large)) {
    const bool fits = block->length <= sectionEnd - block->position;
    if (IsLayerBlock(block->key)) {
      if (!fits)
        throw Error("The '" + block->key +
                    "' block length points past the layer and mask information");
      return LayerInfoPlace{block->position, block->position + std::size_t(block->length),
                            block->length, true};
    }
    if (!fits) return std::nullopt;
    s.Seek(block->position + std::size_t(block->length));
  }
  return std::nullopt;
}

unsigned PeekCount(PsdStream& s) {
  const std::size_t at = s.Position();
  const unsigned c = s.U16();
  s.Seek(at);
  return c;
}

// Image resources and layer and mask section lengths; finds the layer info.
LayerInfoPlace ReadSectionLengths(PsdStream& s, TPsdImage& img, bool large) {
  img.resourceLength = s.U32();
  s.SkipLength(img.resourceLength, "The image resources length");
  const std::uint64_t sectionLength = s.Length(large);
  if (sectionLength > s.Remaining())
    throw Error("The layer and mask information length points past the end of the file");
  img.layerMaskLength = std::uint32_t(sectionLength);
  img.layerMaskValue = std::int32_t(img.layerMaskLength);
  const std::size_t sectionEnd = s.Position() + std::size_t(sectionLength);

  // A document without a layer section (length 0) or with an empty layer
  // info part has no layers of its own; reading on would take other data as
  // records.
  LayerInfoPlace place{s.Position(), s.Position(), 0, false};
  if (sectionLength < (large ? 8u : 4u)) return place;
  place.length = s.Length(large);
  if (place.length > s.Remaining())
    throw Error("The layer info length points past the end of the file");
  place.begin = s.Position();
  place.end = place.begin + std::size_t(place.length);
  if (place.length >= 2 && PeekCount(s) != 0) return place;
  if (auto block = FindLayerBlock(s, place.end, sectionEnd, large)) return *block;
  s.Seek(place.begin);
  return place;
}

std::uint16_t ReadLayerCount(PsdStream& s, const LayerInfoPlace& place) {
  unsigned count = 0;
  if (place.length >= 2) {
    const unsigned c = s.U16();
    count = c > 32000 ? 65536 - c : c;
  }
  if (count > kPsdMaxLayers)
    throw Error("The document has " + N(count) + " layers; at most 512 are read");
  return std::uint16_t(count);
}

bool IsMaskChannel(const TPsdChannel& ch) {
  return ch.id == -2 || ch.id == -3;
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
      else if (!IsMaskChannel(ch))  // a mask without data is no mask
        layer.empty = true;
    }
  }
}

// One layer's channels decoded and mixed, with the lines it logs; `stream`
// is the job's own copy of the document's reader.
struct LayerJob {
  RecordingLogSink log;
  std::exception_ptr failure;
  std::optional<std::size_t> endPosition;  // where the last channel read ended
  bool converted = false;
};

void DecodeLayer(PsdStream stream, PsdLayer& layer, const TPsdDocument& doc, unsigned colorMode,
                 LayerJob& job) {
  const int bps = doc.bitsPerSample / 8;
  ThreadLogCapture capture(&job.log);
  try {
    PsdLog(" ");
    PsdLog("Decoding Layer \"" + layer.name + "\"");
    if (!layer.empty) {
      for (std::uint32_t k = 0; k < layer.channelCount; ++k) {
        TPsdChannel& ch = layer.channels[k];
        const TPsdPlaneShape shape = PsdChannelShape(layer, ch, bps, doc.large);
        PsdLog("  channel type " + PsdCompressionName(ch.compression) + " id " + N(ch.id) +
               " BPS : " + N(bps) + " size " + N(std::int64_t(shape.Size())));
        PsdLog("  pos :" + N(ch.position));
        DecodePsdChannel(stream, layer, ch, shape);
        job.endPosition = stream.Position();
      }
    }
    PsdLog("  Mixing colors // ");
    AssemblePsdLayer(layer, bps, colorMode);
    job.converted = doc.profile && doc.profile->Apply(layer);
  } catch (...) {
    job.failure = std::current_exception();
  }
}

// The layers are decoded on all cores and taken in order here: their lines
// reach the log, and the first failure ends the read, as if each layer were
// decoded in its turn.
void DecodeLayers(PsdStream& s, TPsdImage& img, const TPsdDocument& doc) {
  CheckPsdReadBudget(img, doc.bitsPerSample / 8, doc.large, doc.width, doc.height);
  const std::size_t count = std::size_t(img.layerCount);
  std::vector<LayerJob> jobs(count);
  const PsdStream start = s;
  TOrderedJobs decoding(count, [&](std::size_t i) {
    DecodeLayer(start, img.layers[i], doc, img.colorMode, jobs[i]);
  });
  bool converted = false;
  for (std::size_t i = 0; i < count; ++i) {
    decoding.Wait(i);
    ReplayLog(jobs[i].log);
    if (jobs[i].endPosition) s.Seek(*jobs[i].endPosition);
    if (jobs[i].failure) std::rethrow_exception(jobs[i].failure);
    converted = converted || jobs[i].converted;
  }
  if (converted) PsdLog(ConvertedLogLine(doc.profile->Description()));
}

TPicture DocumentPicture(const TPsdDocument& doc) {
  TPicture pic;
  pic.width = doc.width;
  pic.height = doc.height;
  pic.kind = doc.pixelBits == 32 ? TPictureKind::Bitmap32 : TPictureKind::Bitmap;
  pic.pixels.assign(CheckedMul(std::size_t(doc.width), std::size_t(doc.height)), kPsdDocumentColor);
  return pic;
}

// The layer records and their channels, from the layer count on.
void ReadLayers(PsdStream& s, TPsdImage& img, const TPsdDocument& doc,
                const LayerInfoPlace& place) {
  std::optional<PsdStreamLimit> limit;
  if (place.inBlock) limit.emplace(s, place.end);
  img.layerInfoValue = std::int32_t(place.length);
  img.layerCount = ReadLayerCount(s, place);
  PsdLog(">> Reading Layers ( layercount : " + N(img.layerCount) + " )");
  PsdLog(" ");
  for (int i = 0; i < img.layerCount; ++i) {
    ReadPsdLayerRecord(s, img.layers[std::size_t(i)], i, doc.large);
    LogPsdLayerRecord(img.layers[std::size_t(i)], i);
  }
  ResolvePsdGroups(img);
  PsdLog(" ");
  PsdLog(">> Reading Channels ");
  PsdLog(" ");
  ReadChannelHeaders(s, img);
  PsdLog(" ");
  PsdLog(">> Mixing channels ");
  PsdLog(" ");
  DecodeLayers(s, img, doc);
  PsdLog("fpos : " + N(std::int64_t(s.Position())));
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
  doc = ReadPsdDocumentProperties(s);
  s.Seek(base);
  s.Bytes(24);
  img.colorMode = s.U16();
  img.large = doc.large;
  PreparePsdPicture(doc, s.Size());
  ReadPsdColorModeData(s, doc);
  doc.profile = TPsdProfile::Open(PeekPsdIccProfile(s), img.colorMode, doc.bitsPerSample / 8);
  const LayerInfoPlace place = ReadSectionLengths(s, img, doc.large);
  s.Seek(place.begin);
  ReadLayers(s, img, doc, place);
  return DocumentPicture(doc);
}

}  // namespace

bool IsPsdStream(std::span<const std::uint8_t> data, std::size_t position) {
  if (position > data.size() || data.size() - position <= kHeaderSize) return false;
  const std::uint8_t* p = data.data() + position;
  for (int i = 0; i < 4; ++i)
    if (std::toupper(p[i]) != "8BPS"[i]) return false;
  const unsigned version = unsigned(p[4] << 8 | p[5]);
  return version == 1 || version == 2;
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
