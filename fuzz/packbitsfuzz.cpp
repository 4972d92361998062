// PackBits and channel decoding: the first six bytes pick the compression,
// the sample size, the plane's width and height and whether only its middle
// is kept (as for a mask larger than its layer); the rest is the channel's
// stored data.
#include "fuzztarget.h"
#include "host/error.h"
#include "psd/packbits.h"
#include "psd/psdchannel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quenvar;
  if (size < 6) return 0;
  const std::span<const std::uint8_t> stored(data + 6, size - 6);
  PsdLayer layer;
  TPsdChannel channel;
  channel.compression = data[0] & 3;
  channel.length = std::int32_t(stored.size()) + (data[0] & 4 ? 1000 : 0);  // lengths may lie
  TPsdPlaneShape shape;
  shape.bytesPerSample = (data[1] & 3) == 3 ? 4 : (data[1] & 3) + 1;
  shape.rowCountBytes = data[1] & 4 ? 4 : 2;
  shape.width = data[2] << 8 | data[3];
  shape.height = data[4] << 8 | data[5];
  if (data[0] & 8)
    shape.keep =
        TPsdPlaneWindow{shape.width / 4, shape.height / 4, shape.width / 2, shape.height / 2};
  try {
    PsdStream stream(stored);
    DecodePsdChannel(stream, layer, channel, shape);
  } catch (const Error&) {
  }
  // The bare decoder into a plane a little larger than the data.
  std::vector<std::uint8_t> plane(stored.size() * 2);
  (void)TPackbitsRLEDecoder().Decode(stored.data(), plane.data(), stored.size(), plane.size());
  return 0;
}
