// The web page's writer: its PNG pictures, how it carries bytes, the frame digest, what
// the plan tells the player about each layer, and the page around them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compose/blendmodes.h"
#include "compose/blendops.h"
#include "compose/layerstack.h"
#include "formats/picturereader.h"
#include "formats/readers.h"
#include "host/error.h"
#include "project/blendclass.h"
#include "project/firstframe.h"
#include "project/project.h"
#include "web/framedigest.h"
#include "web/pagebytes.h"
#include "web/plainpng.h"
#include "web/webpage.h"
#include "web/webplan.h"

namespace quenvar {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// What the player does to the text: '~' and a digit stand for a byte.
std::vector<std::uint8_t> Unescape(const std::string& text) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '~') {
      out.push_back(std::uint8_t(text[i]));
      continue;
    }
    const std::uint8_t escaped[] = {0x00, '\r', '<', '~'};
    out.push_back(escaped[text.at(++i) - '0']);
  }
  return out;
}

TEST(PageBytes, CarryEveryByteWithoutWhatTheParserWouldChange) {
  std::vector<std::uint8_t> all;
  for (int round = 0; round < 3; ++round)
    for (int b = 0; b < 256; ++b) all.push_back(std::uint8_t(b));
  const std::string text = EmbedPageBytes(all);
  EXPECT_EQ(text.find('\0'), std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find('<'), std::string::npos);
  EXPECT_EQ(Unescape(text), all);
  EXPECT_EQ(text.size(), all.size() + 4 * 3);  // four escaped values, three rounds
  EXPECT_EQ(EmbedPageBytes(Bytes("a<~\r")), "a~2~3~1");
}

TEST(FrameDigest, HashesRgbaBytesTopRowFirst) {
  TBitmap32 frame;
  frame.Resize(1, 2);
  frame.SetPixel(0, 0, Color32('a', 'b', 'c', 'd'));
  frame.SetPixel(0, 1, Color32('e', 'f', 'g', 'h'));
  // SHA-256 of "abcdefgh".
  EXPECT_EQ(FrameDigest(frame), "9c56cc51b374c3ba189210d5b6d4bf57790d351c96c47c02190ecf1e430635ab");
  frame.Resize(1, 1);
  frame.SetPixel(0, 0, Color32('a', 'b', 'c', 'd'));
  EXPECT_EQ(FrameDigest(frame), "88d4266fd4e6338d13b845fcf289579d209c897823b9217da3e161936f031589");
}

// The chunk types of a PNG file, in order.
std::vector<std::string> Chunks(const std::vector<std::uint8_t>& png) {
  std::vector<std::string> types;
  for (std::size_t at = 8; at + 8 <= png.size();) {
    const std::size_t length = (std::size_t(png[at]) << 24) | (std::size_t(png[at + 1]) << 16) |
                               (std::size_t(png[at + 2]) << 8) | png[at + 3];
    types.emplace_back(png.begin() + std::ptrdiff_t(at + 4), png.begin() + std::ptrdiff_t(at + 8));
    at += 12 + length;
  }
  return types;
}

TEST(PlainPng, KeepsEveryByteAndCarriesNoColourChunk) {
  TBitmap32 picture;
  picture.Resize(7, 5);
  for (int i = 0; i < 35; ++i)
    picture.Bits()[i] = TColor32(i * 0x07050301u) ^ TColor32(i % 3 == 0 ? 0 : 0xFF000000u);
  const std::vector<std::uint8_t> png = EncodePlainPng(picture);
  const std::vector<std::string> chunks = Chunks(png);
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front(), "IHDR");
  EXPECT_EQ(chunks.back(), "IEND");
  for (std::size_t i = 1; i + 1 < chunks.size(); ++i) EXPECT_EQ(chunks[i], "IDAT");
  EXPECT_EQ(png[24], 8);  // bit depth
  EXPECT_EQ(png[25], 6);  // RGBA
  const TPicture back = PngReader().Decode(png, "plain.png");
  ASSERT_EQ(back.width, 7);
  ASSERT_EQ(back.height, 5);
  for (int i = 0; i < 35; ++i) EXPECT_EQ(back.pixels[std::size_t(i)], picture.Bits()[i]) << i;
  EXPECT_THROW(EncodePlainPng(TBitmap32()), Error);
}

class WebPlanTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseProject(); }

  TBlendLayer& AddLayer(int w, int h, int x, int y, TBlendMode mode, int opacity) {
    auto* layer = new TBlendLayer();
    layer->bmp.Resize(w, h);
    for (int i = 0; i < w * h; ++i) layer->bmp.Bits()[i] = TColor32(0x80102030u + unsigned(i));
    layer->x = x;
    layer->y = y;
    layer->SetMode(mode);
    layer->opacity = std::uint16_t(opacity);
    return *layer;
  }

  TProject* project = new TProject();
};

TEST_F(WebPlanTest, TellsEachDrawWhereAndHowAndLeavesOutWhatDrawsNothing) {
  project->name = "Plan </script>";
  project->width = 40;
  project->height = 30;
  AddLayer(40, 30, 0, 0, bmMultiply, 255);                 // bottom: made opaque
  AddLayer(10, 10, 50, 5, bmScreen, 255);                  // wholly outside: left out
  AddLayer(10, 10, 5, 5, bmNone, 0);                       // blend at opacity 0: left out
  AddLayer(10, 10, -4, 25, bmNone, 128);                   // over two edges
  TBlendLayer& grid = AddLayer(8, 6, 30, 20, bmGrid4, 0);  // counts even at opacity 0
  grid.x2 = 30 + 16;                                       // stretched beyond the canvas
  grid.y2 = 20 + 12;
  AddLayer(6, 4, 1, 1, bmShine, 300);

  const TWebPlan plan = PlanWebPage(*project, 25);
  EXPECT_EQ(plan.fps, 25);
  EXPECT_EQ(plan.width, 40);
  ASSERT_EQ(plan.draws.size(), 4u);
  ASSERT_EQ(plan.pictures.size(), 4u);

  EXPECT_EQ(plan.draws[0].kind, TWebDraw::Operation);
  EXPECT_EQ(plan.draws[0].operation, int(TBlendOp::Multiply));
  const TPicture bottom = PngReader().Decode(plan.pictures[0].png, "bottom.png");
  EXPECT_EQ(AlphaOf(bottom.pixels[0]), 255u);

  EXPECT_EQ(plan.draws[1].kind, TWebDraw::Blend);
  EXPECT_EQ(plan.draws[1].master, 128u);
  EXPECT_EQ(plan.draws[1].dst, (TRect{-4, 25, 6, 35}));
  EXPECT_EQ(plan.draws[1].area, (TRect{0, 25, 6, 30}));

  EXPECT_EQ(plan.draws[2].operation, int(TBlendOp::Grid4));
  EXPECT_EQ(plan.draws[2].dst, (TRect{30, 20, 46, 32}));
  EXPECT_EQ(plan.draws[2].area, (TRect{30, 20, 40, 30}));
  EXPECT_EQ(plan.pictures[2].width, 8);
  EXPECT_EQ(plan.gridCallsPerFrame, 100);

  EXPECT_EQ(plan.draws[3].operation, int(TBlendOp::Reflect));
  EXPECT_EQ(plan.draws[3].master, 300u);  // the operations use its low byte, as drawing does

  // The grid calls are the ones composing makes.
  TImgView32 view;
  BuildFrameView(*project, view);
  EXPECT_EQ(plan.gridCallsPerFrame, view.GridStepsPerCompose());
}

TEST_F(WebPlanTest, MotionFollowsTheFrameStepsRules) {
  project->width = 20;
  project->height = 20;
  AddLayer(10, 4, 0, 0, bmNone, 255).posx = 3;  // turns: the start moves back 3
  TBlendLayer& up = AddLayer(10, 4, 0, 0, bmNone, 255);
  up.posx = -1;
  up.posy = -1;                                  // s = -11: the start moves on 11
  AddLayer(10, 4, 0, 0, bmNone, 255).posx = 10;  // as wide as the picture: stands still
  TBlendLayer& tiled = AddLayer(10, 4, 0, 0, bmNone, 255);
  tiled.posx = 23;  // 3 across: the column offset moves back 3
  tiled.posy = -1;
  tiled.tileWrap = true;

  const TWebPlan plan = PlanWebPage(*project, 27);
  ASSERT_EQ(plan.draws.size(), 4u);
  EXPECT_EQ(plan.draws[0].motion, TWebDraw::Turn);
  EXPECT_EQ(plan.draws[0].turnStep, 37u);
  EXPECT_EQ(plan.draws[1].turnStep, 11u);
  EXPECT_EQ(plan.draws[2].motion, TWebDraw::Still);
  EXPECT_EQ(plan.draws[3].motion, TWebDraw::Tile);
  EXPECT_EQ(plan.draws[3].tileStepX, 7);
  EXPECT_EQ(plan.draws[3].tileStepY, 1);

  // What the player computes for frame k, against the surface scrolled k
  // times: picture pixel (x, y) read where the plan says it is stored.
  for (int i : {0, 1, 3}) {
    const TBlendLayer& layer = *project->layers[std::size_t(i)];
    TBitmap32 moved(layer.bmp);
    const std::uint64_t k = 1234567;
    if (layer.tileWrap)
      moved.ScrollTile(layer.posx, layer.posy, k);
    else
      moved.ScrollWrap(layer.posx, layer.posy, k);
    const TWebDraw& d = plan.draws[std::size_t(i)];
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 10; ++x) {
        int sx = x, sy = y;
        if (d.motion == TWebDraw::Turn) {
          const std::uint64_t at = (std::uint64_t(y * 10 + x) + d.turnStep * k % 40) % 40;
          sx = int(at % 10);
          sy = int(at / 10);
        } else {
          sx = int((x + std::uint64_t(d.tileStepX) * k % 10) % 10);
          sy = int((y + std::uint64_t(d.tileStepY) * k % 4) % 4);
        }
        ASSERT_EQ(moved.Pixel(x, y), layer.bmp.Pixel(sx, sy)) << i << " at " << x << "," << y;
      }
  }
}

TEST_F(WebPlanTest, PageHoldsEverythingItNeedsAndLittleBesidesThePictures) {
  project->name = "Page </script> & <b> \xC3\xA9t\xC3\xA9 \xF0\x9F\x8E\x9E";
  project->width = 64;
  project->height = 48;
  AddLayer(64, 48, 0, 0, bmNone, 255);
  AddLayer(30, 20, 5, 5, bmHue, 200);
  const TWebPlan plan = PlanWebPage(*project, 27);
  const std::string page = BuildWebPage(plan);
  std::size_t pictures = 0;
  for (const auto& picture : plan.pictures) {
    EXPECT_NE(page.find(EmbedPageBytes(picture.png)), std::string::npos);
    pictures += picture.png.size();
  }
  EXPECT_LE(page.size(), pictures + 100 * 1024);
  EXPECT_NE(page.find("<meta charset=\"windows-1252\">"), std::string::npos);
  // Nothing is fetched: no addresses, no outside scripts, styles or pictures.
  for (const char* outside : {"http:", "https:", "src=", "href=", "@import", "fetch("})
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  // The name cannot end an element early.
  EXPECT_EQ(page.find("Page </script>"), std::string::npos);
  // Beyond ASCII as references, since the page is read as windows-1252.
  EXPECT_NE(
      page.find("<title>Page &lt;/script&gt; &amp; &lt;b&gt; &#233;t&#233; &#127902;</title>"),
      std::string::npos);
  EXPECT_NE(page.find("\"name\":\"Page \\u003c/script\\u003e \\u0026 \\u003cb\\u003e "
                      "\\u00e9t\\u00e9 \\ud83c\\udf9e\""),
            std::string::npos);
  EXPECT_NE(page.find("\"fps\":27"), std::string::npos);
  EXPECT_NE(page.find("<output id=\"digest\">"), std::string::npos);
}

TEST_F(WebPlanTest, AnEmptyCanvasOrAnUnwritableFileIsAnError) {
  project->width = 0;
  project->height = 10;
  EXPECT_THROW(PlanWebPage(*project, 27), Error);
  project->width = 10;
  AddLayer(4, 4, 0, 0, bmNone, 255);
  EXPECT_THROW(ExportWebPage(*project, "/nonexistent-folder/page.html", 27), Error);
}

}  // namespace
}  // namespace quenvar
