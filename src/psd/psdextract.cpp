#include "psd/psdextract.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "compose/pngsave.h"
#include "host/error.h"
#include "psd/psdblendkey.h"
#include "psd/psdclip.h"
#include "psd/psdshown.h"

namespace quenvar {

namespace {

// Tabs and line breaks inside a name would break the table's layout.
std::string TsvField(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

std::string LayerFileName(int index) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d.png", index);
  return buf;
}

const char* KindName(TPsdLayerKind kind) {
  switch (kind) {
    case TPsdLayerKind::GroupOpen:
      return "group";
    case TPsdLayerKind::GroupClose:
      return "groupend";
    default:
      return "layer";
  }
}

}  // namespace

std::string PsdLayersTsv(const TPsdImage& image) {
  std::string out =
      "index\tname\tleft\ttop\twidth\theight\tchannels\tids\tblend\tmode\topacity\tvisible\t"
      "kind\tdepth\thiddengroup\tclipbase\n";
  for (int i = 0; i < image.layerCount; ++i) {
    const PsdLayer& l = image.layers[std::size_t(i)];
    std::string ids;
    for (std::uint32_t k = 0; k < l.channelCount; ++k)
      ids += (k ? "," : "") + std::to_string(l.channels[k].id);
    out += std::to_string(i) + '\t' + TsvField(l.name) + '\t' + std::to_string(l.left) + '\t' +
           std::to_string(l.top) + '\t' + std::to_string(l.width) + '\t' +
           std::to_string(l.height) + '\t' + std::to_string(l.channelCount) + '\t' + ids + '\t' +
           TsvField(l.blendKey) + '\t' + PsdBlendKeyModeName(l.blendKey) + '\t' +
           std::to_string(l.opacity) + '\t' + (l.visible ? "1" : "0") + '\t' + KindName(l.kind) +
           '\t' + std::to_string(l.groupDepth) + '\t' + (l.inHiddenGroup ? "1" : "0") + '\t' +
           std::to_string(PsdClipBase(image, i)) + '\n';
  }
  return out;
}

void ExtractPsdLayers(const TPsdImage& image, const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw Error("Cannot create folder \"" + dir + "\": " + ec.message());
  for (int i = 0; i < image.layerCount; ++i) {
    const PsdLayer& layer = image.layers[std::size_t(i)];
    if (IsPsdPictureLayer(layer) && !layer.picture.Empty())
      SavePngFile(PsdLayerAsShown(image, i), dir + "/" + LayerFileName(i));
  }
  std::ofstream tsv(dir + "/layers.tsv", std::ios::binary);
  tsv << PsdLayersTsv(image);
  if (!tsv) throw Error("Cannot write \"" + dir + "/layers.tsv\"");
}

}  // namespace quenvar
