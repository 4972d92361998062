// The PSD reader: the whole document into the PSD record, then every picture
// layer as the document shows it, clipped layers clipped to their bases.
#include "formats/limits.h"
#include "fuzztarget.h"
#include "host/error.h"
#include "psd/psdreader.h"
#include "psd/psdshown.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quenvar;
  // The fuzzer refuses any allocation over 256 MB; a read within this budget
  // never makes one, so only real faults are reported.
  CurrentPictureLimits().maxReadBytes = std::int64_t(192) << 20;
  try {
    (void)ReadPsd({data, size});
  } catch (const Error&) {
    return 0;
  }
  const TPsdImage& image = tPsdImage();
  for (std::size_t i = 0; i < image.layerCount && i < image.layers.size(); ++i)
    if (IsPsdPictureLayer(image.layers[i])) (void)PsdLayerAsShown(image, int(i));
  return 0;
}
