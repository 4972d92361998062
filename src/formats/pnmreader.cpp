// Portable maps: PBM, PGM and PPM, plain (text) and raw (binary), with a
// maximum sample value up to 65535. Samples are rescaled to 8 bits.
#include <cstdint>
#include <span>
#include <string>

#include "compose/color32.h"
#include "formats/bytereader.h"
#include "formats/decodeutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(std::uint8_t c) {
  return c >= '0' && c <= '9';
}

// Reads the text parts of a portable map: header numbers and the samples of
// the plain variants. Comments run from '#' to the end of the line.
class PnmText {
 public:
  PnmText(ByteReader& in, const std::string& fileName) : in_(in), fileName_(fileName) {}

  void SkipSpaceAndComments() {
    while (!in_.AtEnd()) {
      std::uint8_t c = in_.Data()[in_.Position()];
      if (c == '#') {
        while (!in_.AtEnd() && in_.U8() != '\n') {
        }
      } else if (IsSpace(c)) {
        in_.Skip(1);
      } else {
        break;
      }
    }
  }

  std::uint32_t Number(const char* what) {
    SkipSpaceAndComments();
    if (in_.AtEnd())
      FailDecode(fileName_, std::string("unexpected end of data before the ") + what);
    if (!IsDigit(in_.Data()[in_.Position()]))
      FailDecode(fileName_, std::string("expected a number for the ") + what);
    std::uint32_t value = 0;
    while (!in_.AtEnd() && IsDigit(in_.Data()[in_.Position()])) {
      value = value * 10 + (in_.U8() - '0');
      if (value > 0xFFFFFF) FailDecode(fileName_, std::string("the ") + what + " is too large");
    }
    return value;
  }

  // One plain-PBM digit: digits need not be separated.
  unsigned Bit() {
    SkipSpaceAndComments();
    if (in_.AtEnd()) FailDecode(fileName_, "unexpected end of data in the bitmap");
    std::uint8_t c = in_.U8();
    if (c != '0' && c != '1') FailDecode(fileName_, "bad character in the plain bitmap");
    return c - '0';
  }

 private:
  ByteReader& in_;
  const std::string& fileName_;
};

bool IsPnm(std::span<const std::uint8_t> head) {
  if (head.size() < 4 || head[0] != 'P' || head[1] < '1' || head[1] > '6') return false;
  if (!IsSpace(head[2]) && head[2] != '#') return false;
  // The width must follow, after white space and comments.
  std::size_t i = 2;
  while (i < head.size()) {
    if (head[i] == '#') {
      while (i < head.size() && head[i] != '\n') ++i;
    } else if (IsSpace(head[i])) {
      ++i;
    } else {
      return IsDigit(head[i]);
    }
  }
  return false;
}

TColor32 Grey(unsigned v) {
  return Color32(v, v, v);
}

// Refuses, before the picture is made, a size the rest of the file cannot
// fill: plain maps spend at least one character per pixel, raw ones their
// exact row bytes (after the one white-space character that ends the header).
void CheckPnmData(char kind, std::uint32_t width, std::uint32_t height, unsigned channels,
                  std::uint32_t maxval, const ByteReader& in, const std::string& fileName) {
  CheckPictureSize(width, height, fileName);
  const std::size_t left = in.Remaining() > 0 ? in.Remaining() - 1 : 0;
  if (kind <= '3') {
    CheckDataCanFill(width, height, in.Remaining(), 1, fileName);
  } else if (kind == '4') {
    if (CheckedMul((std::size_t(width) + 7) / 8, height) > left)
      FailDecode(fileName, "unexpected end of data in the bitmap");
  } else {
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    if (CheckedMul(CheckedMul(std::size_t(width) * height, channels), sampleBytes) > left)
      FailDecode(fileName, "unexpected end of data in the samples");
  }
}

TPicture DecodePnm(std::span<const std::uint8_t> data, const std::string& fileName) {
  ByteReader in(data, fileName);
  if (data.size() < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '6')
    FailDecode(fileName, "not a portable map (bad signature)");
  const char kind = static_cast<char>(data[1]);
  in.Skip(2);
  PnmText text(in, fileName);
  const std::uint32_t width = text.Number("width");
  const std::uint32_t height = text.Number("height");
  const bool bitmap = kind == '1' || kind == '4';
  const std::uint32_t maxval = bitmap ? 1 : text.Number("maximum value");
  if (maxval == 0 || maxval > 65535)
    FailDecode(fileName, "maximum value " + std::to_string(maxval) + " is outside 1..65535");
  const unsigned channels = (kind == '3' || kind == '6') ? 3 : 1;
  CheckPnmData(kind, width, height, channels, maxval, in, fileName);
  TPicture pic = MakePicture(width, height, fileName);
  const std::size_t count = pic.pixels.size();
  auto scaled = [&](std::uint32_t v) { return ScaleTo8(v > maxval ? maxval : v, maxval); };

  if (kind <= '3') {  // plain
    for (std::size_t i = 0; i < count; ++i) {
      if (bitmap) {
        pic.pixels[i] = text.Bit() ? Color32(0, 0, 0) : Color32(255, 255, 255);
      } else if (channels == 1) {
        pic.pixels[i] = Grey(scaled(text.Number("sample")));
      } else {
        unsigned r = scaled(text.Number("sample"));
        unsigned g = scaled(text.Number("sample"));
        unsigned b = scaled(text.Number("sample"));
        pic.pixels[i] = Color32(r, g, b);
      }
    }
    return pic;
  }

  // Raw: exactly one white-space character ends the header.
  if (in.AtEnd() || !IsSpace(in.U8())) FailDecode(fileName, "bad header end");
  if (bitmap) {
    const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
    for (std::uint32_t y = 0; y < height; ++y) {
      auto row = in.Bytes(rowBytes);
      for (std::uint32_t x = 0; x < width; ++x) {
        bool black = (row[x / 8] >> (7 - x % 8)) & 1;
        pic.pixels[std::size_t(y) * width + x] = black ? Color32(0, 0, 0) : Color32(255, 255, 255);
      }
    }
    return pic;
  }
  const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
  auto sample = [&]() -> std::uint32_t { return sampleBytes == 2 ? in.U16BE() : in.U8(); };
  for (std::size_t i = 0; i < count; ++i) {
    if (channels == 1) {
      pic.pixels[i] = Grey(scaled(sample()));
    } else {
      unsigned r = scaled(sample());
      unsigned g = scaled(sample());
      unsigned b = scaled(sample());
      pic.pixels[i] = Color32(r, g, b);
    }
  }
  return pic;
}

}  // namespace

const TPictureReader& PnmReader() {
  static const TPictureReader reader{"Portable map", &IsPnm, &DecodePnm};
  return reader;
}

}  // namespace quenvar
