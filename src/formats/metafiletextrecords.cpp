// The text records of both metafile kinds, read into text outputs for the
// canvas. Every count and offset is checked against its record.
#include <algorithm>

#include "formats/bytereader.h"
#include "formats/metafilecanvas.h"
#include "formats/metafiletext.h"

namespace quenvar {
namespace {

TColor32 ColorRef(std::uint32_t c) {
  return Color32(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}

// Windows-1252 between 0x80 and 0x9F; the rest of the 8-bit codes are
// Latin-1. Undefined codes show as the replacement character.
std::uint32_t FromAnsi(std::uint8_t c, unsigned charSet) {
  static constexpr std::uint16_t k80[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  if (charSet == 2 || c < 0x80 || c >= 0xA0) return c;  // symbol fonts keep their codes
  return k80[c - 0x80];
}

// UTF-16 units to code points; a pair's advances are added together.
void FromUtf16(std::span<const std::uint16_t> units, const std::vector<MfPoint>& unitAdvances,
               bool glyphIndices, MfTextOut& out) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t code = units[i];
    MfPoint advance = unitAdvances.empty() ? MfPoint{} : unitAdvances[i];
    if (!glyphIndices && code >= 0xD800 && code < 0xE000) {
      if (code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        if (!unitAdvances.empty())
          advance.x += unitAdvances[i + 1].x, advance.y += unitAdvances[i + 1].y;
        ++i;
      } else {
        code = 0xFFFD;
      }
    }
    out.codes.push_back(code);
    if (!unitAdvances.empty()) out.advances.push_back(advance);
  }
}

// An EMRTEXT at `at` in `record`: the reference point, the string and the
// spacing, each where its offset says, inside the record.
MfTextOut ReadEmrText(ByteReader& r, std::size_t at, bool wide, unsigned charSet) {
  r.Seek(at);
  MfTextOut out;
  out.reference.x = r.I32LE(), out.reference.y = r.I32LE();
  const std::uint32_t count = r.U32LE(), offString = r.U32LE();
  out.options = r.U32LE();
  for (double& v : out.rect) v = r.I32LE();
  const std::uint32_t offDx = r.U32LE();
  if (count > kMfMaxTextLength) r.Fail("a text record holds a string longer than allowed");
  const std::size_t unit = wide ? 2 : 1, size = r.Size();
  if (offString > size || std::size_t(count) * unit > size - offString)
    r.Fail("a text record's string lies outside it");
  std::vector<MfPoint> advances;
  const std::size_t perChar = (out.options & kEtoPdy) ? 8 : 4;
  if (offDx != 0 && count > 0) {
    if (offDx > size || std::size_t(count) * perChar > size - offDx)
      r.Fail("a text record's spacing lies outside it");
    r.Seek(offDx);
    for (std::uint32_t i = 0; i < count; ++i) {
      const double dx = r.I32LE();
      advances.push_back({dx, perChar == 8 ? double(r.I32LE()) : 0.0});
    }
  }
  r.Seek(offString);
  if (wide) {
    std::vector<std::uint16_t> units(count);
    for (std::uint16_t& u : units) u = r.U16LE();
    FromUtf16(units, advances, (out.options & kEtoGlyphIndex) != 0, out);
  } else {
    for (std::uint32_t i = 0; i < count; ++i) out.codes.push_back(FromAnsi(r.U8(), charSet));
    out.advances = std::move(advances);
  }
  return out;
}

std::string Utf8(std::uint32_t c) {
  std::string s;
  if (c < 0x80) {
    s += char(c);
  } else if (c < 0x800) {
    s += char(0xC0 | (c >> 6)), s += char(0x80 | (c & 63));
  } else if (c < 0x10000) {
    s += char(0xE0 | (c >> 12)), s += char(0x80 | ((c >> 6) & 63)), s += char(0x80 | (c & 63));
  }
  return s;
}

// The fields both LOGFONT kinds share after the size: weight to charset.
void ReadFontStyle(ByteReader& p, MfFont& font) {
  font.weight = std::clamp<int>(p.I32LE(), 0, 1000);
  if (font.weight == 0) font.weight = 400;
  font.italic = p.U8() != 0, font.underline = p.U8() != 0, font.strikeOut = p.U8() != 0;
  font.charSet = p.U8();
  p.Skip(4);  // precision, quality, pitch and family
}

}  // namespace

MfFont ReadEmfLogFont(ByteReader& p) {
  MfFont font;
  font.height = p.I32LE(), font.width = p.I32LE();
  font.escapement = p.I32LE();
  p.I32LE();  // orientation: the characters follow the baseline
  ReadFontStyle(p, font);
  for (int i = 0; i < 32 && p.Remaining() >= 2; ++i) {
    const std::uint16_t c = p.U16LE();
    if (c == 0) break;
    if (c >= 0x20 && (c < 0xD800 || c >= 0xE000)) font.face += Utf8(c);
  }
  return font;
}

MfFont ReadWmfLogFont(ByteReader& p) {
  MfFont font;
  font.height = p.I16LE(), font.width = p.I16LE();
  font.escapement = p.I16LE();
  p.I16LE();
  const std::int16_t weight = p.I16LE();
  // The style bytes follow as in the enhanced form, with a 16-bit weight.
  font.weight = std::clamp<int>(weight, 0, 1000);
  if (font.weight == 0) font.weight = 400;
  font.italic = p.U8() != 0, font.underline = p.U8() != 0, font.strikeOut = p.U8() != 0;
  font.charSet = p.U8();
  p.Skip(std::min<std::size_t>(4, p.Remaining()));
  for (int i = 0; i < 32 && p.Remaining() >= 1; ++i) {
    const std::uint8_t c = p.U8();
    if (c == 0) break;
    if (c >= 0x20) font.face += Utf8(FromAnsi(c, 0));
  }
  return font;
}

bool PlayEmfText(MetafileCanvas& canvas, std::uint32_t type, std::span<const std::uint8_t> record,
                 const std::string& fileName) {
  ByteReader r(record, fileName);
  r.Skip(8);
  auto& text = canvas.state.text;
  switch (type) {
    case 22:  // SETTEXTALIGN
      text.align = r.U32LE();
      return true;
    case 24:  // SETTEXTCOLOR
      text.color = ColorRef(r.U32LE());
      return true;
    case 83:    // EXTTEXTOUTA
    case 84: {  // EXTTEXTOUTW
      canvas.TextOut(ReadEmrText(r, 36, type == 84, text.font.charSet));
      return true;
    }
    case 96:            // POLYTEXTOUTA
    case 97: {          // POLYTEXTOUTW
      r.Skip(16 + 12);  // bounds, graphics mode, scales
      const std::uint32_t strings = r.U32LE();
      if (strings > r.Remaining() / 40) r.Fail("a text record holds more strings than bytes");
      for (std::uint32_t i = 0; i < strings; ++i)
        canvas.TextOut(ReadEmrText(r, 40 + std::size_t(i) * 40, type == 97, text.font.charSet));
      return true;
    }
    default:
      return false;
  }
}

bool PlayWmfText(MetafileCanvas& canvas, std::uint16_t function,
                 std::span<const std::uint8_t> params, const std::string& fileName) {
  ByteReader p(params, fileName);
  auto& text = canvas.state.text;
  const unsigned charSet = text.font.charSet;
  switch (function) {
    case 0x012E:  // SETTEXTALIGN
      text.align = p.U16LE();
      return true;
    case 0x0209:  // SETTEXTCOLOR
      text.color = ColorRef(p.U32LE());
      return true;
    case 0x0521: {  // TEXTOUT: length, string (even length), y, x
      MfTextOut out;
      const std::size_t length = p.U16LE();
      const auto bytes = p.Bytes(length);
      if (length % 2 && p.Remaining() > 4) p.Skip(1);  // padding, when the writer put it
      out.reference.y = p.I16LE(), out.reference.x = p.I16LE();
      for (std::size_t i = 0; i < length; ++i) out.codes.push_back(FromAnsi(bytes[i], charSet));
      canvas.TextOut(out);
      return true;
    }
    case 0x0A32: {  // EXTTEXTOUT: y, x, length, options, [rectangle], string, [spacing]
      MfTextOut out;
      out.reference.y = p.I16LE(), out.reference.x = p.I16LE();
      const std::int16_t length = p.I16LE();
      if (length < 0) p.Fail("a text record has a negative length");
      out.options = p.U16LE();
      if (out.options & (kEtoOpaque | kEtoClipped))
        for (double& v : out.rect) v = p.I16LE();
      const auto bytes = p.Bytes(std::size_t(length) + std::size_t(length) % 2);
      for (std::int16_t i = 0; i < length; ++i) out.codes.push_back(FromAnsi(bytes[i], charSet));
      if (p.Remaining() >= std::size_t(length) * 2)
        for (std::int16_t i = 0; i < length; ++i) out.advances.push_back({double(p.I16LE()), 0});
      canvas.TextOut(out);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace quenvar
