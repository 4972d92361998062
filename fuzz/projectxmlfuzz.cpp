// project.xml alone: parse, then read every setting the loader reads.
#include "fuzztarget.h"
#include "host/error.h"
#include "project/projectxml.h"

namespace {

void ReadLayer(const quenvar::TXMLLayerType& layer) {
  (void)layer.Name();
  (void)layer.Filename();
  (void)layer.Blendmode();
  for (const char* name : {"speed", "posx", "posy", "mx", "my", "px", "py", "x", "y", "x2", "y2",
                           "interlaced", "opacity"}) {
    try {
      (void)layer.IntegerAttribute(name);
    } catch (const quenvar::Error&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quenvar;
  try {
    const TProjectDocument document({data, size});
    const TXMLProjectType project = document.Project();
    (void)project.Zyl().Version();
    (void)project.Info().Name();
    (void)project.Comment();
    (void)project.Thumbnail().File();
    try {
      (void)project.Canvas().Width();
      (void)project.Canvas().Height();
    } catch (const Error&) {
    }
    const TXMLLayersType layers = project.Layers();
    for (const TXMLLayerType& layer : layers.Items()) ReadLayer(layer);
    if (layers.Count() > 0) ReadLayer(layers.Layer(layers.Count() - 1));
  } catch (const Error&) {
  }
  return 0;
}
