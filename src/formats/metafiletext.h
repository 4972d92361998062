#pragma once
// Text in metafiles: the font a record creates, the text state of the
// drawing surface (font, alignment, colour), one text output as the players
// read it, and the readers of the text records of both metafile kinds. The
// layout and drawing are in metafiletext.cpp, the records in
// metafiletextrecords.cpp.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/metafilegeometry.h"
#include "formats/picture.h"

namespace quenvar {

class ByteReader;
class MetafileCanvas;

struct MfFont {
  // Logical units: negative, the height of the characters; positive, of the
  // character cell; 0, the default size.
  double height = 0;
  double width = 0;    // average character width, 0 for the face's own
  int escapement = 0;  // the baseline's angle, tenths of a degree counterclockwise
  int weight = 400;
  bool italic = false, underline = false, strikeOut = false;
  unsigned charSet = 1;
  std::string face;  // UTF-8
};

// Alignment bits of a metafile's text.
enum : unsigned {
  kTaUpdateCp = 1,
  kTaRight = 2,
  kTaCenter = 6,
  kTaBottom = 8,
  kTaBaseline = 24,
};

// Options of one text output.
enum : unsigned {
  kEtoOpaque = 0x2,
  kEtoClipped = 0x4,
  kEtoGlyphIndex = 0x10,
  kEtoNoRect = 0x100,
  kEtoPdy = 0x2000,
};

struct MfTextState {
  MfFont font;
  unsigned align = 0;  // top left, the current position left alone
  TColor32 color = 0xFF000000u;
};

struct MfTextOut {
  MfPoint reference;                 // logical
  std::vector<std::uint32_t> codes;  // Unicode, or glyph indices with kEtoGlyphIndex
  unsigned options = 0;
  double rect[4] = {0, 0, 0, 0};  // logical left, top, right, bottom
  // Logical distance from each character to the next; empty for the
  // font's own advances.
  std::vector<MfPoint> advances;
};

// The longest string one record may draw.
constexpr std::size_t kMfMaxTextLength = 1 << 16;

// A LOGFONTW (enhanced) or a LOGFONT with an 8-bit name (plain metafiles).
MfFont ReadEmfLogFont(ByteReader& p);
MfFont ReadWmfLogFont(ByteReader& p);

// The text records: alignment, colour and the text outputs. False when
// `type` is not one of them. `record` is the whole record for enhanced
// metafiles, the parameters for plain ones.
bool PlayEmfText(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
                 const std::string& fileName);
bool PlayWmfText(MetafileCanvas& canvas, std::uint16_t function,
                 std::span<const std::uint8_t> params, const std::string& fileName);

}  // namespace quenvar
