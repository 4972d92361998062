#include "project/orawrite.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <utility>

#include "compose/pngsave.h"
#include "formats/limits.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "host/version.h"
#include "project/blendclass.h"
#include "project/firstframe.h"
#include "project/oraformat.h"
#include "project/project.h"
#include "project/projecthost.h"
#include "project/zipwriter.h"

namespace quenvar {

namespace {

// Work units: one per layer picture, one for the merged image and its
// thumbnail, one for writing the archive; each counts this many steps.
constexpr std::int64_t kStep = 1000;

struct TLayerEntries {
  std::string shown, source;
  TZipBytes shownBytes, sourceBytes;
};

std::string Attr(const std::string& local) {
  return std::string(kOraPrefix) + ":" + local;
}

std::string OpacityText(std::uint16_t opacity) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", std::min(255, int(opacity)) / 255.0);
  return text;
}

void SetInt(pugi::xml_node node, const std::string& local, std::int64_t value) {
  node.append_attribute(Attr(local).c_str()).set_value(std::to_string(value).c_str());
}

void WriteLayer(pugi::xml_node stack, const TBlendLayer& layer, const TLayerEntries& entry) {
  const TBlendLayer::TPlacement place = layer.ViewPlacement();
  pugi::xml_node node = stack.append_child("layer");
  node.append_attribute("name").set_value(layer.name.c_str());
  node.append_attribute("src").set_value(entry.shown.c_str());
  node.append_attribute("x").set_value(std::to_string(place.left).c_str());
  node.append_attribute("y").set_value(std::to_string(place.top).c_str());
  node.append_attribute("opacity").set_value(OpacityText(layer.opacity).c_str());
  node.append_attribute("visibility").set_value("visible");
  node.append_attribute("composite-op").set_value(CompositeOpOfMode(layer.Mode()).c_str());
  node.append_attribute(Attr("blendmode").c_str()).set_value(BlendModeName(layer.Mode()).c_str());
  node.append_attribute(Attr("filename").c_str()).set_value(FileNamePart(layer.filename).c_str());
  if (layer.bmp.Empty()) node.append_attribute(Attr("picture").c_str()).set_value("none");
  if (!entry.source.empty())
    node.append_attribute(Attr("source").c_str()).set_value(entry.source.c_str());
  SetInt(node, "opacity", layer.opacity);
  SetInt(node, "x2", place.right);
  SetInt(node, "y2", place.bottom);
  SetInt(node, "speed", layer.speed);
  SetInt(node, "posx", layer.posx);
  SetInt(node, "posy", layer.posy);
  SetInt(node, "mx", layer.mx);
  SetInt(node, "my", layer.my);
  SetInt(node, "px", layer.px);
  SetInt(node, "py", layer.py);
  SetInt(node, "interlaced", layer.interlaced);
  if (layer.tileWrap) node.append_attribute(Attr("wrap").c_str()).set_value("tile");
}

// Fits within side x side keeping the aspect; each pixel the mean of the
// source pixels it covers.
TBitmap32 Thumbnail(const TBitmap32& frame, int side) {
  const int w = frame.Width(), h = frame.Height();
  const double scale = std::min(1.0, double(side) / std::max(w, h));
  const int tw = std::max(1, int(w * scale)), th = std::max(1, int(h * scale));
  TBitmap32 thumb;
  thumb.Resize(tw, th);
  for (int ty = 0; ty < th; ++ty) {
    const int y0 = int(std::int64_t(ty) * h / th),
              y1 = std::max(y0 + 1, int(std::int64_t(ty + 1) * h / th));
    for (int tx = 0; tx < tw; ++tx) {
      const int x0 = int(std::int64_t(tx) * w / tw),
                x1 = std::max(x0 + 1, int(std::int64_t(tx + 1) * w / tw));
      std::uint64_t sum[4] = {0, 0, 0, 0};
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          const TColor32 c = frame.Pixel(x, y);
          for (int k = 0; k < 4; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
        }
      const std::uint64_t n = std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0);
      TColor32 c = 0;
      for (int k = 0; k < 4; ++k) c |= TColor32((sum[k] + n / 2) / n) << (8 * k);
      thumb.SetPixel(tx, ty, c);
    }
  }
  return thumb;
}

TZipBytes Share(std::vector<std::uint8_t> bytes) {
  return std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

std::string EntryName(const char* folder, std::size_t index) {
  std::string number = std::to_string(index + 1);
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  return std::string(folder) + "/layer" + number + ".png";
}

// The size the layer is drawn at, when it is not its picture's own and a
// picture of that size is allowed.
std::optional<std::pair<int, int>> StretchedSize(const TBlendLayer& layer) {
  const TBlendLayer::TPlacement place = layer.ViewPlacement();
  const std::int64_t w = std::int64_t(place.right) - place.left;
  const std::int64_t h = std::int64_t(place.bottom) - place.top;
  if (layer.bmp.Empty() || (w == layer.bmp.Width() && h == layer.bmp.Height())) return {};
  try {
    CheckPictureSize(w, h, "a stretched layer");
  } catch (const Error&) {
    return {};
  }
  return std::make_pair(int(w), int(h));
}

// The picture resampled as the view draws it.
TBitmap32 Stretched(const TBitmap32& picture, int w, int h) {
  TBitmap32 source(picture);
  source.SetDrawMode(dmOpaque);
  TBitmap32 placed;
  placed.Resize(w, h);
  placed.FillAll(0);
  source.StretchOnto(placed, TRect{0, 0, w, h});
  return placed;
}

// What one layer puts into the archive. Other programs have no stretched
// layers, so they get the picture at the size it is drawn, and our reader
// the picture itself beside it.
void AddLayerPictures(std::vector<TLayerEntries>& entries, const TBlendLayer& layer,
                      std::size_t index) {
  TLayerEntries entry;
  entry.shown = EntryName("data", index);
  if (layer.bmp.Empty()) {
    // A layer needs a PNG all the same: one clear pixel, marked so that our
    // reader leaves the layer empty again.
    TBitmap32 clear;
    clear.Resize(1, 1);
    clear.FillAll(0);
    entry.shownBytes = Share(EncodePng(clear));
  } else if (const auto size = StretchedSize(layer)) {
    entry.shownBytes = Share(EncodePng(Stretched(layer.bmp, size->first, size->second)));
    entry.source = EntryName("quenvar", index);
    entry.sourceBytes = Share(EncodePng(layer.bmp));
  } else {
    entry.shownBytes = Share(EncodePng(layer.bmp));
  }
  entries.push_back(std::move(entry));
}

std::string OpenRasterStack(const TProject& project, const std::vector<TLayerEntries>& entries) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node image = doc.append_child("image");
  image.append_attribute("version").set_value("0.0.5");
  image.append_attribute("w").set_value(std::to_string(project.width).c_str());
  image.append_attribute("h").set_value(std::to_string(project.height).c_str());
  image.append_attribute("xres").set_value("72");
  image.append_attribute("yres").set_value("72");
  image.append_attribute(("xmlns:" + std::string(kOraPrefix)).c_str()).set_value(kOraNamespace);
  image.append_attribute(Attr("name").c_str()).set_value(project.name.c_str());
  image.append_attribute(Attr("author").c_str()).set_value(project.author.c_str());
  image.append_attribute(Attr("comment").c_str()).set_value(project.comment.c_str());
  image.append_attribute(Attr("version").c_str()).set_value(VersionText().c_str());
  SetInt(image, "interlaced", project.interlaced);
  SetInt(image, "display-width", project.displayWidth);
  SetInt(image, "display-height", project.displayHeight);
  pugi::xml_node stack = image.append_child("stack");
  // OpenRaster lists the top layer first.
  for (std::size_t i = project.layers.size(); i-- > 0;)
    WriteLayer(stack, *project.layers[i], entries[i]);
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

}  // namespace

void ExportOpenRaster(TProject& project, const std::string& path, const TProgress& progress) {
  StatusLog("Exporting OpenRaster : " + path);
  int clientWidth = 0, clientHeight = 0;
  if (ProjectHost().ViewClientSize(clientWidth, clientHeight)) {
    project.width = std::uint16_t(clientWidth);
    project.height = std::uint16_t(clientHeight);
  }
  if (project.width == 0 || project.height == 0)
    throw Error("The canvas is empty (" + std::to_string(project.width) + " x " +
                std::to_string(project.height) + "): nothing to export");

  const std::int64_t n = std::int64_t(project.layers.size());
  const std::int64_t total = (n + 2) * kStep;
  auto step = [&](std::int64_t done) {
    if (!ReportProgress(progress, done, total)) throw Cancelled();
  };

  // An export is a new file every time: nothing of an older one stays.
  TZipWriter writer(path, TZipWriter::TMode::Replace);
  // Readers recognise the format by this first entry, which must be stored.
  writer.Add("mimetype", std::string(kOraMimeType), false);
  std::vector<TLayerEntries> entries;
  for (std::int64_t i = 0; i < n; ++i) {
    step(i * kStep);
    AddLayerPictures(entries, *project.layers[std::size_t(i)], std::size_t(i));
  }
  step(n * kStep);
  writer.Add(kOraStack, OpenRasterStack(project, entries));
  // PNG is compressed already.
  for (const TLayerEntries& entry : entries) {
    writer.Add(entry.shown, entry.shownBytes, false);
    if (entry.sourceBytes) writer.Add(entry.source, entry.sourceBytes, false);
  }
  const TBitmap32 frame = ComposeFirstFrame(project);
  writer.Add(kOraMerged, Share(EncodePng(frame)), false);
  writer.Add(kOraThumbnail, Share(EncodePng(Thumbnail(frame, kOraThumbnailSide))), false);
  step((n + 1) * kStep);
  writer.Commit([&](std::int64_t done, std::int64_t all) {
    return ReportProgress(progress, (n + 1) * kStep + done * kStep / std::max<std::int64_t>(all, 1),
                          total);
  });
  ReportProgress(progress, total, total);
  StatusLog("OpenRaster file written : " + path + " , " + std::to_string(n) + " layers");
}

}  // namespace quenvar
