// BuildDescription: project.xml as text lines from fixed templates. The odd
// blanks around "=" are part of the format other readers of these files see.
#include <string>

#include "host/version.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/projectclock.h"
#include "project/projecthost.h"
#include "project/projectxml.h"

namespace quenvar {

namespace {

std::string Num(std::int64_t value) {
  return std::to_string(value);
}

std::string LayerLine(const TBlendLayer& layer, const std::string& entryName) {
  const TBlendLayer::TPlacement place = layer.ViewPlacement();
  return "<layer name =\"" + EscapeXmlAttribute(layer.name) + "\" filename=\"" +
         EscapeXmlAttribute(entryName) + "\" blendmode=\"" +
         EscapeXmlAttribute(BlendModeName(layer.Mode())) + "\" speed =\"" + Num(layer.speed) +
         "\" posx =\"" + Num(layer.posx) + "\" posy =\"" + Num(layer.posy) + "\" mx =\"" +
         Num(layer.mx) + "\" my =\"" + Num(layer.my) + "\" px =\"" + Num(layer.px) + "\" py =\"" +
         Num(layer.py) + "\" x =\"" + Num(place.left) + "\" y =\"" + Num(place.top) + "\" x2 =\"" +
         Num(place.right) + "\" y2 =\"" + Num(place.bottom) + "\" interlaced =\"" +
         Num(layer.interlaced) + "\" opacity =\"" + Num(layer.opacity) + "\"" +
         (layer.tileWrap ? " wrap=\"tile\"" : "") + " />";
}

}  // namespace

void TProject::BuildDescription() {
  std::vector<std::string> entryNames;
  entryNames.reserve(layers.size());
  for (const TBlendLayer* layer : layers) entryNames.push_back(FileNamePart(layer->filename));
  BuildDescription(entryNames);
}

void TProject::BuildDescription(const std::vector<std::string>& entryNames) {
  description.clear();
  int clientWidth = 0, clientHeight = 0;
  if (ProjectHost().ViewClientSize(clientWidth, clientHeight)) {
    height = std::uint16_t(clientHeight);
    width = std::uint16_t(clientWidth);
  }
  description.push_back("<project>");
  description.push_back("<zyl version=\"" + EscapeXmlAttribute(VersionText()) + "\" />");
  description.push_back("<info name= \"" + EscapeXmlAttribute(name) + "\" author=\"" +
                        EscapeXmlAttribute(author) + "\" created=\"" +
                        EscapeXmlAttribute(LocalTimeText()) + "\" />");
  description.push_back("<canvas height=\"" + Num(height) + "\" width=\"" + Num(width) +
                        "\" Interlaced=\"" + Num(interlaced) + "\" zoom = \"100\" />");
  description.push_back("<display height=\"" + Num(displayHeight) + "\" width=\"" +
                        Num(displayWidth) + "\"/>");
  description.push_back("<thumbnail file=\"" + EscapeXmlAttribute(thumbnailFile) + "\"/>");
  description.push_back("<comment>" + EscapeXmlText(comment) + "</comment>");
  description.push_back("<layers>");
  for (std::size_t i = 0; i < layers.size(); ++i)
    description.push_back(LayerLine(*layers[i], i < entryNames.size() ? entryNames[i] : ""));
  description.push_back("</layers>");
  description.push_back("</project>");
}

}  // namespace quenvar
