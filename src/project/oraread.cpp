#include "project/oraread.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>

#include "formats/formatlist.h"
#include "formats/limits.h"
#include "host/error.h"
#include "host/orderedjobs.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/oraformat.h"
#include "project/project.h"
#include "project/zylarchive.h"

namespace quenvar {

namespace {

constexpr std::size_t kMaxStackBytes = std::size_t(16) << 20;

// One layer element with what the stacks around it add.
struct TOraLayer {
  pugi::xml_node node;
  std::int64_t dx = 0, dy = 0;
  double opacity = 1;
  bool hidden = false;
};

std::optional<double> Number(const pugi::xml_node& node, const char* name) {
  const pugi::xml_attribute a = node.attribute(name);
  if (!a) return std::nullopt;
  const char* text = a.value();
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

// A whole number within [low, high], else nothing.
std::optional<std::int64_t> Integer(const pugi::xml_node& node, const std::string& name,
                                    std::int64_t low, std::int64_t high) {
  const std::optional<double> v = Number(node, name.c_str());
  if (!v || *v < double(low) || *v > double(high)) return std::nullopt;
  return std::int64_t(std::llround(*v));
}

std::int32_t Coordinate(double value) {
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  return std::int32_t(std::llround(std::clamp(value, kLow, kHigh)));
}

// Where a picture of `size` placed at `at` ends, held within 32 bits as the
// layer's placement is.
std::int64_t FarEdge(std::int32_t at, int size) {
  return std::clamp<std::int64_t>(std::int64_t(at) + size, INT32_MIN, INT32_MAX);
}

class TStackReader {
 public:
  explicit TStackReader(std::string prefix) : prefix_(std::move(prefix)) {}

  // Top layer first, as the file lists them.
  std::vector<TOraLayer> Collect(pugi::xml_node stack) {
    Walk(stack, TOraLayer{}, 0);
    return layers_;
  }

  std::string Own(const char* local) const { return prefix_ + ":" + local; }

 private:
  void Walk(pugi::xml_node stack, const TOraLayer& outer, int depth) {
    if (depth > kMaxOraDepth)
      throw Error("its stacks are nested more than " + std::to_string(kMaxOraDepth) + " deep");
    for (pugi::xml_node child : stack.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string_view name = child.name();
      if (name != "layer" && name != "stack") continue;  // text, filters, ...
      TOraLayer inner = outer;
      inner.node = child;
      inner.dx += Coordinate(Number(child, "x").value_or(0));
      inner.dy += Coordinate(Number(child, "y").value_or(0));
      inner.opacity *= std::clamp(Number(child, "opacity").value_or(1), 0.0, 1.0);
      inner.hidden =
          inner.hidden || std::string_view(child.attribute("visibility").value()) == "hidden";
      if (name == "stack") {
        Walk(child, inner, depth + 1);
      } else {
        if (layers_.size() >= std::size_t(kMaxOraLayers))
          throw Error("it has more than " + std::to_string(kMaxOraLayers) + " layers");
        layers_.push_back(inner);
      }
    }
  }

  std::string prefix_;
  std::vector<TOraLayer> layers_;
};

// The prefix the file gives our namespace (any name may be bound to it).
std::string OwnPrefix(const pugi::xml_node& image) {
  for (pugi::xml_attribute a : image.attributes()) {
    const std::string_view name = a.name();
    if (name.starts_with("xmlns:") && std::string_view(a.value()) == kOraNamespace)
      return std::string(name.substr(6));
  }
  return std::string();
}

std::uint32_t BigEndian32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 |
         std::uint32_t(b[at + 2]) << 8 | std::uint32_t(b[at + 3]);
}

// The picture size a PNG's header declares, read before anything is decoded.
std::pair<std::int64_t, std::int64_t> PngSize(const std::vector<std::uint8_t>& bytes) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 24 || !std::equal(kSignature, kSignature + 8, bytes.begin()) ||
      std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR")
    throw Error("its picture is not a PNG file");
  return {BigEndian32(bytes, 16), BigEndian32(bytes, 20)};
}

// A layer's picture, read and decoded ahead of its layer.
struct TPictureJob {
  std::string source;  // the archive entry; empty when there is nothing to read
  TPictureBytes bytes;
  TPicture picture;
  std::exception_ptr failure;
};

// Lets the jobs through one step in number order: job i runs its step once
// jobs 0 to i - 1 have run theirs, and no job runs its step after one
// returned false.
class TJobTurns {
 public:
  template <typename Step>
  void Pass(std::size_t i, Step step) {
    std::unique_lock<std::mutex> lock(mutex_);
    turn_changed_.wait(lock, [&] { return turn_ == i; });
    if (going_ && !step()) going_ = false;
    ++turn_;
    turn_changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_changed_;
  std::size_t turn_ = 0;
  bool going_ = true;
};

class TOraImport {
 public:
  TOraImport(TZylArchive& archive, const pugi::xml_node& image, const TProgress& progress)
      : archive_(archive),
        image_(image),
        reader_(OwnPrefix(image)),
        progress_(progress),
        prefix_(OwnPrefix(image)) {}

  void Run(TProject& project) {
    ReadCanvas(project);
    const std::vector<TOraLayer> layers = reader_.Collect(image_.child("stack"));
    const auto total = std::int64_t(layers.size());
    // The project lists the bottom layer first.
    std::vector<const TOraLayer*> order;
    for (std::int64_t i = 0; i < total; ++i) order.push_back(&layers[std::size_t(total - 1 - i)]);
    // The pictures are read and decoded on all cores ahead of their layers,
    // which take them over in order here.
    std::vector<TPictureJob> jobs(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) jobs[i].source = PictureSource(order[i]->node);
    TJobTurns turns;
    TOrderedJobs decoding(jobs.size(), [&](std::size_t i) { ReadPicture(jobs, i, turns); });
    for (std::int64_t i = 0; i < total; ++i) {
      if (!ReportProgress(progress_, i, total)) throw Cancelled();
      const TOraLayer& layer = *order[std::size_t(i)];
      try {
        decoding.Wait(std::size_t(i));
        ReadLayer(layer, jobs[std::size_t(i)]);
      } catch (const Cancelled&) {
        throw;
      } catch (const std::exception& e) {
        throw Error("layer \"" + std::string(layer.node.attribute("name").value()) +
                    "\": " + e.what());
      }
    }
    ReportProgress(progress_, total, total);
  }

 private:
  std::optional<std::int64_t> OwnInt(const pugi::xml_node& node, const char* local,
                                     std::int64_t low, std::int64_t high) const {
    if (prefix_.empty()) return std::nullopt;
    return Integer(node, reader_.Own(local), low, high);
  }
  std::optional<std::string> OwnText(const pugi::xml_node& node, const char* local) const {
    if (prefix_.empty()) return std::nullopt;
    const pugi::xml_attribute a = node.attribute(reader_.Own(local).c_str());
    if (!a) return std::nullopt;
    return std::string(a.value());
  }

  void ReadCanvas(TProject& project) {
    const std::optional<std::int64_t> w = Integer(image_, "w", 0, 65535);
    const std::optional<std::int64_t> h = Integer(image_, "h", 0, 65535);
    if (!w || !h) throw Error("its canvas size (w, h) is missing or out of range");
    CheckPictureSize(*w, *h, "the canvas");
    project.width = std::uint16_t(*w);
    project.height = std::uint16_t(*h);
    if (auto v = OwnText(image_, "name")) project.name = *v;
    if (auto v = OwnText(image_, "author")) project.author = *v;
    if (auto v = OwnText(image_, "comment")) project.comment = *v;
    if (auto v = OwnInt(image_, "interlaced", 0, 255)) project.interlaced = std::uint8_t(*v);
    if (auto v = OwnInt(image_, "display-width", 0, 65535))
      project.displayWidth = std::uint16_t(*v);
    if (auto v = OwnInt(image_, "display-height", 0, 65535))
      project.displayHeight = std::uint16_t(*v);
  }

  TBlendMode Mode(const pugi::xml_node& node) const {
    if (auto own = OwnText(node, "blendmode")) return BlendModeFromName(*own);
    const std::string op = node.attribute("composite-op").value();
    if (op.empty()) return bmNone;
    if (std::optional<TBlendMode> mode = ModeOfCompositeOp(op)) return *mode;
    StatusLog("> composite-op " + op + " is drawn as alpha blend");
    return bmNone;
  }

  // The name the layer's picture goes by: ours when we wrote the file, with
  // the extension made .png, as the bytes kept are PNG.
  std::string PictureName(const pugi::xml_node& node, const std::string& src) const {
    std::string name = FileNamePart(OwnText(node, "filename").value_or(src));
    if (name.empty()) name = FileNamePart(src);
    if (LowerAscii(ExtensionOf(name)) != "png") {
      const std::size_t dot = name.rfind('.');
      name = (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + ".png";
    }
    return name;
  }

  // The archive entry a layer's picture is read from; empty when the layer
  // has none to read.
  std::string PictureSource(const pugi::xml_node& node) const {
    const std::string src = node.attribute("src").value();
    if (src.empty() || OwnText(node, "picture") == "none") return std::string();
    // A stretched layer's own picture, when we wrote one.
    return OwnText(node, "source").value_or(src);
  }

  // Job i: reads its entry and checks its size in layer order (the archive
  // is read by one thread at a time, and the pictures' pixels are counted
  // together as the layers come), then decodes on its own. After a failure
  // no later entry is read: the import ends at that layer.
  void ReadPicture(std::vector<TPictureJob>& jobs, std::size_t i, TJobTurns& turns) {
    TPictureJob& job = jobs[i];
    if (job.source.empty()) {
      turns.Pass(i, [] { return true; });
      return;
    }
    turns.Pass(i, [&] {
      try {
        auto bytes = archive_.Extract(job.source, MaxPictureFileBytes());
        if (bytes.empty()) throw Error("its picture \"" + job.source + "\" is not in the file");
        const auto [w, h] = PngSize(bytes);
        CheckPictureSize(w, h, "\"" + job.source + "\"");
        pixels_ += w * h;
        // Every picture stays in memory: bound them all together too.
        if (pixels_ > 2 * CurrentPictureLimits().maxPixels)
          throw Error("the pictures together are larger than " +
                      std::to_string(2 * CurrentPictureLimits().maxPixels) + " pixels");
        job.bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
        return true;
      } catch (...) {
        job.failure = std::current_exception();
        return false;
      }
    });
    if (!job.bytes) return;
    try {
      const TPictureReader* png = PictureFormats().FindReaderByExtension("png");
      if (!png) throw Error("no PNG reader");
      job.picture = png->Decode(*job.bytes, job.source);
    } catch (...) {
      job.failure = std::current_exception();
    }
  }

  void LoadPicture(TBlendLayer& layer, const pugi::xml_node& node, TPictureJob& job) {
    const std::string src = node.attribute("src").value();
    if (src.empty()) throw Error("it names no picture (src)");
    layer.filename = PictureName(node, src);
    if (OwnText(node, "picture") == "none") return;
    if (job.failure) std::rethrow_exception(job.failure);
    layer.bmp.CopyFrom(std::move(job.picture));
    layer.picWidth = std::uint16_t(layer.bmp.Width());
    layer.picHeight = std::uint16_t(layer.bmp.Height());
    // A save as .zyl stores these bytes as they are.
    layer.sourceBytes = std::move(job.bytes);
  }

  void ReadLayer(const TOraLayer& entry, TPictureJob& job) {
    const pugi::xml_node& node = entry.node;
    auto* layer = new TBlendLayer();
    layer->number = std::int32_t(CurrentProject()->layers.size());
    if (const char* name = node.attribute("name").value(); *name) layer->name = name;
    StatusLog("> Loading | " + layer->name);
    LoadPicture(*layer, node, job);
    layer->SetMode(Mode(node));
    layer->x = Coordinate(double(entry.dx));
    layer->y = Coordinate(double(entry.dy));
    layer->opacity = std::uint16_t(std::lround(entry.opacity * 255));
    if (auto v = OwnInt(node, "opacity", 0, 255)) layer->opacity = std::uint16_t(*v);
    if (entry.hidden) layer->opacity = 0;
    // Our placement's far corner, only where the picture is stretched.
    auto x2 = OwnInt(node, "x2", INT32_MIN, INT32_MAX),
         y2 = OwnInt(node, "y2", INT32_MIN, INT32_MAX);
    if (x2 && y2 &&
        (*x2 != FarEdge(layer->x, layer->bmp.Width()) ||
         *y2 != FarEdge(layer->y, layer->bmp.Height()))) {
      layer->x2 = std::int32_t(*x2);
      layer->y2 = std::int32_t(*y2);
    }
    if (auto v = OwnInt(node, "speed", INT32_MIN, INT32_MAX)) layer->speed = std::int32_t(*v);
    if (auto v = OwnInt(node, "posx", INT32_MIN, INT32_MAX)) layer->posx = std::int32_t(*v);
    if (auto v = OwnInt(node, "posy", INT32_MIN, INT32_MAX)) layer->posy = std::int32_t(*v);
    if (auto v = OwnInt(node, "mx", 0, 255)) layer->mx = std::uint8_t(*v);
    if (auto v = OwnInt(node, "my", 0, 255)) layer->my = std::uint8_t(*v);
    if (auto v = OwnInt(node, "px", 0, 255)) layer->px = std::uint8_t(*v);
    if (auto v = OwnInt(node, "py", 0, 255)) layer->py = std::uint8_t(*v);
    if (auto v = OwnInt(node, "interlaced", 0, 255)) layer->interlaced = std::uint8_t(*v);
    layer->tileWrap = OwnText(node, "wrap") == "tile";
  }

  TZylArchive& archive_;
  pugi::xml_node image_;
  TStackReader reader_;
  const TProgress& progress_;
  std::string prefix_;
  std::int64_t pixels_ = 0;
};

std::string Trimmed(const std::vector<std::uint8_t>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  return text;
}

void ReadInto(TProject& project, const std::string& path, const TProgress& progress) {
  TZylArchive archive(path);
  if (Trimmed(archive.Extract("mimetype", 256)) != kOraMimeType)
    throw Error("its mimetype entry is missing or not " + std::string(kOraMimeType));
  const std::vector<std::uint8_t> xml = archive.Extract(kOraStack, kMaxStackBytes);
  if (xml.empty()) throw Error("it has no " + std::string(kOraStack));
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
  if (!parsed) throw Error(std::string(kOraStack) + " is not well-formed: " + parsed.description());
  const pugi::xml_node image = doc.document_element();
  if (std::string_view(image.name()) != "image")
    throw Error(std::string(kOraStack) + " does not describe an image");
  TOraImport(archive, image, progress).Run(project);
}

}  // namespace

bool NamesOpenRaster(const std::string& path) {
  return LowerAscii(ExtensionOf(path)) == "ora";
}

TProject* ImportOpenRaster(const std::string& path, const TProgress& progress) {
  StatusLog(" ");
  StatusLog("Importing OpenRaster : " + path);
  auto* project = new TProject();
  try {
    const std::string part = FileNamePart(path);
    project->name = part.substr(0, part.rfind('.'));
    ReadInto(*project, path, progress);
  } catch (const Cancelled&) {
    delete project;
    StatusLog("Import stopped : " + path);
    throw;
  } catch (const std::exception& e) {
    delete project;
    throw Error("\"" + path + "\" cannot be imported: " + e.what());
  }
  // Not saved anywhere yet: a save asks where.
  project->modified = true;
  return project;
}

}  // namespace quenvar
