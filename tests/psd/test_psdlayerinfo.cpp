// Additional layer information on crafted documents: Unicode names, group
// section dividers and their nesting, and damaged blocks.
#include <gtest/gtest.h>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdgroups.h"
#include "psd/psdimage.h"
#include "psd/psdlayerinfo.h"
#include "psd/psdreader.h"
#include "psdbuilder.h"
#include "psdread.h"

namespace quenvar {
namespace {

using test::Block;
using test::BuiltDocument;
using test::BuiltLayer;
using test::Bytes;
using test::Divider;
using test::RawLayer;
using test::ReadError;
using test::UnicodeName;

BuiltLayer Named(const std::string& pascal, const Bytes& tail) {
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {255, 1, 2, 3}, 1, 1);
  l.name = pascal;
  l.extraTail = tail;
  return l;
}

std::string NameRead(const Bytes& tail, RecordingLogSink* log = nullptr) {
  BuiltDocument d = test::Document({Named("Gr??e", tail)});
  RecordingLogSink own;
  ScopedLogSink scoped(log ? log : &own);
  ReadPsd(d.Build());
  return tPsdImage().layers[0].name;
}

TEST(PsdLayerInfo, UnicodeNamesReplaceThePascalName) {
  RecordingLogSink log;
  // Other blocks may come first; a surrogate pair is one character.
  const Bytes tail = test::Joined(Block("lyid", {0, 0, 0, 7}),
                                  Block("luni", UnicodeName(u"Grüße 日本 \U0001F3A8")));
  EXPECT_EQ(NameRead(tail, &log), "Grüße 日本 🎨");
  EXPECT_EQ(log.Texts()[2], "Layer 0 \"Grüße 日本 🎨");
  EXPECT_EQ(NameRead({}), "Gr??e");
  // A terminating NUL is not part of the name; an empty one keeps the
  // Pascal name; a lone surrogate becomes U+FFFD.
  EXPECT_EQ(NameRead(Block("luni", UnicodeName(std::u16string(u"Ab\0", 3)))), "Ab");
  EXPECT_EQ(NameRead(Block("luni", UnicodeName(u""))), "Gr??e");
  EXPECT_EQ(NameRead(Block("luni", UnicodeName(std::u16string(1, char16_t(0xD800)) + u"x"))),
            "\xEF\xBF\xBDx");
  // Bytes that start no block end the scan.
  EXPECT_EQ(NameRead(test::Joined(Bytes(4, 0), Block("luni", UnicodeName(u"X")))), "Gr??e");
}

TEST(PsdLayerInfo, DamagedBlocksFailWithAMessage) {
  auto error = [](const Bytes& tail) {
    return ReadError(test::Document({Named("N", tail)}).Build());
  };
  EXPECT_NE(error(Block("luni", UnicodeName(u"Name", 3))).find("longer than its block"),
            std::string::npos);
  EXPECT_NE(error(Block("luni", UnicodeName(u"Name", 0x7FFFFFFF))).find("longer than its block"),
            std::string::npos);
  EXPECT_NE(error(Block("luni", {0, 0})).find("no character count"), std::string::npos);
  EXPECT_NE(error(Block("luni", UnicodeName(u"Name"), false, 100)).find("'luni' block length"),
            std::string::npos);
  EXPECT_NE(error(Block("lsct", {0, 0})).find("section divider of 2 bytes"), std::string::npos);
  EXPECT_NE(error(Block("lsct", {0, 0, 0, 1}, false, 0x10000)).find("'lsct' block length"),
            std::string::npos);
  // A block the reader does not need may lie: the rest is not read.
  EXPECT_EQ(error(Block("lyid", {0, 0, 0, 7}, false, 1000)), "");
}

BuiltLayer Record(const std::string& name, std::uint32_t divider, bool hidden = false) {
  BuiltLayer l = RawLayer({-1, 0, 1, 2}, {0, 0, 0, 0}, 0, 0);  // group records hold nothing
  if (divider == 0) l = RawLayer({-1, 0, 1, 2}, {255, 9, 9, 9}, 1, 1);
  l.name = name;
  l.flags = hidden ? 2 : 0;
  if (divider != 0) l.extraTail = Divider(divider, divider == 1 ? "lsdk" : "lsct");
  return l;
}

TEST(PsdLayerInfo, GroupKindsDepthsAndHiddenGroups) {
  // Bottom to top: A; group Outer (collapsed) holding B and hidden group
  // Inner holding C, whose own flag says visible; D on top.
  BuiltDocument d;
  d.layers = {Record("A", 0),
              Record("</Layer group>", 3),
              Record("</Layer group>", 3),
              Record("C", 0),
              Record("Inner", 1, true),
              Record("B", 0),
              Record("Outer", 2),
              Record("D", 0)};
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  ReadPsd(d.Build());
  const TPsdImage& img = tPsdImage();
  using K = TPsdLayerKind;
  const K kinds[] = {K::Normal,    K::GroupClose, K::GroupClose, K::Normal,
                     K::GroupOpen, K::Normal,     K::GroupOpen,  K::Normal};
  const int depths[] = {0, 0, 1, 2, 1, 1, 0, 0};
  const bool inHidden[] = {false, false, false, true, false, false, false, false};
  for (int i = 0; i < 8; ++i) {
    const PsdLayer& l = img.layers[std::size_t(i)];
    EXPECT_EQ(l.kind, kinds[i]) << i;
    EXPECT_EQ(l.groupDepth, depths[i]) << i;
    EXPECT_EQ(l.inHiddenGroup, inHidden[i]) << i;
  }
  EXPECT_TRUE(img.layers[3].visible);
  EXPECT_FALSE(img.layers[4].visible);
  // Group records are empty layers, read as before.
  EXPECT_TRUE(img.layers[4].empty);
  EXPECT_TRUE(img.layers[4].picture.Empty());
}

TEST(PsdLayerInfo, GroupsInsideHiddenGroupsHideTheirLayers) {
  TPsdImage img;
  img.layerCount = 6;
  const TPsdLayerKind kinds[] = {TPsdLayerKind::GroupClose, TPsdLayerKind::GroupClose,
                                 TPsdLayerKind::Normal,     TPsdLayerKind::GroupOpen,
                                 TPsdLayerKind::Normal,     TPsdLayerKind::GroupOpen};
  for (int i = 0; i < 6; ++i) {
    img.layers[std::size_t(i)].kind = kinds[i];
    img.layers[std::size_t(i)].visible = true;
  }
  img.layers[5].visible = false;  // the outer group
  ResolvePsdGroups(img);
  for (int i : {0, 5}) EXPECT_FALSE(img.layers[std::size_t(i)].inHiddenGroup) << i;
  for (int i : {1, 2, 3, 4}) EXPECT_TRUE(img.layers[std::size_t(i)].inHiddenGroup) << i;
  EXPECT_EQ(img.layers[2].groupDepth, 2);

  // Unbalanced: a marker with no group above it closes nothing; a group
  // without a marker holds everything below it.
  TPsdImage odd;
  odd.layerCount = 3;
  odd.layers[0].kind = TPsdLayerKind::Normal;
  odd.layers[1].kind = TPsdLayerKind::GroupOpen;
  odd.layers[2].kind = TPsdLayerKind::GroupClose;
  ResolvePsdGroups(odd);
  EXPECT_EQ(odd.layers[2].groupDepth, 0);
  EXPECT_EQ(odd.layers[1].groupDepth, 0);
  EXPECT_EQ(odd.layers[0].groupDepth, 1);
  EXPECT_TRUE(odd.layers[0].inHiddenGroup);  // the group's visible flag is clear
}

TEST(PsdLayerInfo, Utf16) {
  EXPECT_EQ(Utf16BeToUtf8(Bytes({0x00, 0x41, 0x00, 0xE9, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00})),
            "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16BeToUtf8(Bytes({0xDC, 0x00, 0x00, 0x41, 0x00})),
            "\xEF\xBF\xBD"
            "A");
}

}  // namespace
}  // namespace quenvar
