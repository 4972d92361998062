#pragma once
// Reading a PSD or PDD document: its header properties, its layer records and
// every layer's channels, decoded into the program's tPsdImage.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "compose/color32.h"
#include "formats/picture.h"

namespace quenvar {

class TPsdProfile;

enum class TPsdColorScheme { None, Grey, Indexed, RGB, RGBA, CMYK, Lab };

// What the header and the colour mode data say about the document.
struct TPsdDocument {
  int width = 0;
  int height = 0;
  int bitsPerSample = 0;
  bool large = false;  // version 2: some lengths are 8 bytes wide
  int channels = 0;
  int samplesPerPixel = 0;  // the channel count, at most 4
  TPsdColorScheme scheme = TPsdColorScheme::None;
  bool minIsWhite = false;
  int pixelBits = 0;              // pixel format of the document picture
  std::vector<TColor32> palette;  // indexed: the stored palette; grey: a ramp
  std::uint16_t compositeCompression = 0;
  // The embedded colour profile the layers' colours go through; null when
  // the document has none that fits it.
  std::shared_ptr<const TPsdProfile> profile;
};

// The colour every pixel of the reader's own document picture gets: the
// file's composite image is not read, so the picture is plain opaque white,
// the colour of the canvas it is shown over.
constexpr TColor32 kPsdDocumentColor = Color32(255, 255, 255, 255);

// The content check: more than 26 bytes from `position`, "8BPS" compared
// without regard to case, then version 1 (or 2, a large document).
bool IsPsdStream(std::span<const std::uint8_t> data, std::size_t position = 0);

// Reads a whole document held in memory into tPsdImage, writing the account
// through PsdLog, and returns the reader's own document picture. Throws
// quenvar::Error with the failure's message. A read started while another
// runs (from a log sink that lets events run) fails at once.
TPicture ReadPsd(std::span<const std::uint8_t> data);
// Opens the file and reads it as above.
TPicture ReadPsdFile(const std::string& fileName);

// The document properties of the last successful or failed read, as far as
// they were read.
const TPsdDocument& LastPsdDocument();

}  // namespace quenvar
