// Damaged copies of the fixture documents: truncated, with lying lengths and
// broken row tables. Each must fail with a message or read; never crash.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"
#include "psdfixture.h"

namespace quenvar {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Returns the failure's message, or "" when the read succeeded.
std::string TryRead(const Bytes& file) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  try {
    ReadPsd(file);
  } catch (const Error& e) {
    EXPECT_STRNE(e.what(), "");
    return e.what();
  }
  return "";
}

// Where the reader stops: the "fpos" of a good read.
std::size_t EndOfLayers(const Bytes& file) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  ReadPsd(file);
  const std::string last = log.Texts().back();
  return std::stoul(last.substr(last.find(':') + 1));
}

TEST(PsdDamaged, TruncatedCopiesFail) {
  for (const char* name :
       {"twolayers.psd", "rawzip8.psd", "zip.psd", "cmyk-im.psd", "deep16.psd", "layers.psd",
        "masks.psd", "groups.psd", "grey.psd", "lr16.psd", "float32.psd", "large.psb"}) {
    SCOPED_TRACE(name);
    const Bytes file = test::LoadFixture(name);
    const std::size_t end = EndOfLayers(file);
    const std::size_t step = file.size() > 2000 ? 7 : 1;
    for (std::size_t cut = 0; cut < end; cut += step)
      ASSERT_NE(TryRead(Bytes(file.begin(), file.begin() + std::ptrdiff_t(cut))), "") << cut;
  }
}

TEST(PsdDamaged, CorruptedBytesNeverCrash) {
  // Every byte of the header, sections, records, masks, tagged blocks and
  // (for the small ones) channel data replaced in turn by values that make
  // lengths, counts and sizes lie.
  for (const char* name :
       {"twolayers.psd", "masks.psd", "groups.psd", "lr16.psd", "float32.psd", "large.psb"}) {
    SCOPED_TRACE(name);
    const Bytes file = test::LoadFixture(name);
    const std::size_t end = EndOfLayers(file);
    for (std::size_t at = 0; at < end; ++at)
      for (std::uint8_t v : {0x00, 0x27, 0x7F, 0x80, 0xFF}) {
        Bytes copy = file;
        copy[at] = v;
        TryRead(copy);
      }
  }
}

TEST(PsdDamaged, RowCountsOf10000AndMore) {
  // In twolayers.psd the first channel's row table starts at 272.
  Bytes file = test::LoadFixture("twolayers.psd");
  for (unsigned count : {10000u, 0x8000u, 0xFFFFu}) {
    Bytes copy = file;
    copy[274] = std::uint8_t(count >> 8);  // row 1 of layer 0, channel 1
    copy[275] = std::uint8_t(count);
    RecordingLogSink log;
    ScopedLogSink scoped(&log);
    try {
      ReadPsd(copy);
    } catch (const Error&) {
    }
    const auto lines = log.Texts();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "### Layer data might be broken .."),
              lines.end());
    // The stream moves back by height + 1 - y = 3 from the table's end (278).
    EXPECT_NE(std::find(lines.begin(), lines.end(), "### re-seek : 275"), lines.end());
  }
}

// Layers are decoded side by side, but a damaged layer ends the read as if
// they were decoded in turn: the lines before it are the good read's, and no
// later layer shows up in the log.
TEST(PsdDamaged, ADamagedLayerEndsTheReadWithTheLogOfTheLayersBefore) {
  const Bytes file = test::LoadFixture("zip.psd");
  RecordingLogSink good;
  {
    ScopedLogSink scoped(&good);
    ReadPsd(file);
  }
  const auto goodLines = good.Texts();
  // The first channel of the bottom layer: "> Layer 0 size S ch 1 pos P < ZIP".
  const auto header = std::find_if(goodLines.begin(), goodLines.end(), [](const std::string& l) {
    return l.starts_with("> Layer 0 size ") && l.find(" ch 1 ") != std::string::npos;
  });
  ASSERT_NE(header, goodLines.end());
  const std::size_t size = std::stoul(header->substr(15));
  const std::size_t pos = std::stoul(header->substr(header->find(" pos ") + 5));
  Bytes copy = file;
  std::fill(copy.begin() + std::ptrdiff_t(pos), copy.begin() + std::ptrdiff_t(pos + size), 0xFF);

  for (int attempt = 0; attempt < 20; ++attempt) {
    RecordingLogSink log;
    ScopedLogSink scoped(&log);
    EXPECT_THROW(ReadPsd(copy), Error);
    const auto lines = log.Texts();
    const auto bottom = std::find(lines.begin(), lines.end(), "Decoding Layer \"Zip A\"");
    ASSERT_NE(bottom, lines.end());
    const std::size_t upTo = std::size_t(bottom - lines.begin()) + 3;
    ASSERT_LE(upTo, lines.size());
    EXPECT_TRUE(std::equal(lines.begin(), lines.begin() + std::ptrdiff_t(upTo), goodLines.begin()));
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Decoding Layer \"Zip B\""), lines.end());
  }
}

}  // namespace
}  // namespace quenvar
