// OpenRaster export and import: the archive's layout as other programs
// expect it, the round trip through our own reader, files other programs
// wrote, damaged input and stopping either half way.
#include <pugixml.hpp>

#include <algorithm>
#include <map>

#include "compose/blendmodes.h"
#include "compose/pngsave.h"
#include "formats/formatlist.h"
#include "formats/limits.h"
#include "project/firstframe.h"
#include "project/framestep.h"
#include "project/oraformat.h"
#include "project/oraread.h"
#include "project/orawrite.h"
#include "project/projectview.h"
#include "project/zipwriter.h"
#include "project/zylarchive.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

TBitmap32 Decoded(const std::vector<std::uint8_t>& png) {
  TBitmap32 picture;
  picture.CopyFrom(PictureFormats().FindReaderByExtension("png")->Decode(png, "entry.png"));
  return picture;
}

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Bits(), a.Bits() + std::size_t(a.Width()) * a.Height(), b.Bits());
}

// A picture with every pixel different and some of them partly clear.
void Paint(TBitmap32& picture, int w, int h, std::uint32_t seed) {
  picture.Resize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t alpha = (x + y) % 3 == 0 ? 0x80u : 0xFFu;
      picture.SetPixel(x, y, alpha << 24 | ((seed + x * 37 + y * 11) & 0xFFFFFFu));
    }
}

class OpenRasterTest : public ProjectTest {
 protected:
  void SetUp() override {
    ProjectTest::SetUp();
    saved_ = CurrentPictureLimits();
  }
  void TearDown() override {
    CurrentPictureLimits() = saved_;
    ProjectTest::TearDown();
  }

  TBlendLayer* AddLayer(const std::string& name, int w, int h, std::uint32_t seed) {
    auto* layer = new TBlendLayer();
    layer->number = int(CurrentProject()->layers.size());
    layer->name = name;
    layer->filename = "/pictures/" + name + ".png";
    Paint(layer->bmp, w, h, seed);
    layer->picWidth = std::uint16_t(w);
    layer->picHeight = std::uint16_t(h);
    return layer;
  }

  // Three layers that use every field the project keeps.
  TProject* MakeProject() {
    auto* project = new TProject();
    project->name = "Sea & <sky>";
    project->author = "Someone \"quoted\"";
    project->comment = "two\r\nlines";
    project->width = 40;
    project->height = 30;
    project->displayWidth = 80;
    project->displayHeight = 60;
    project->interlaced = 1;
    TBlendLayer* sky = AddLayer("sky", 40, 30, 0x203040);
    sky->posx = 1;
    sky->speed = 3;
    TBlendLayer* stripes = AddLayer("stripes", 12, 9, 0x805010);
    stripes->SetMode(bmMultiply);
    stripes->opacity = 200;
    stripes->x = -4;
    stripes->y = 7;
    stripes->posx = -2;
    stripes->posy = 1;
    stripes->mx = 1;
    stripes->px = 0;
    stripes->interlaced = 2;
    // Stretched to twice its size: only our attributes can say so.
    TBlendLayer* glow = AddLayer("glow", 6, 5, 0x10F0A0);
    glow->SetMode(bmGlow);
    glow->opacity = 77;
    glow->x = 10;
    glow->y = 3;
    glow->x2 = 22;
    glow->y2 = 13;
    glow->my = 1;
    glow->py = 0;
    glow->filename = "glow.jpg";
    return project;
  }

  std::vector<std::uint8_t> Entry(const std::string& file, const std::string& name) {
    return TZylArchive(file).Extract(name, std::size_t(1) << 30);
  }

  // An .ora put together entry by entry, as another program might.
  std::string WriteOra(const std::string& name, const std::string& stack,
                       const std::map<std::string, TZipBytes>& pictures = {},
                       const std::string& mimetype = kOraMimeType) {
    const std::string path = Scratch(name);
    TZipWriter writer(path, TZipWriter::TMode::Replace);
    if (!mimetype.empty()) writer.Add("mimetype", mimetype, false);
    if (!stack.empty()) writer.Add("stack.xml", stack);
    for (const auto& [entry, bytes] : pictures) writer.Add(entry, bytes, false);
    writer.Commit();
    return path;
  }

  TZipBytes Png(int w, int h, std::uint32_t seed) {
    TBitmap32 picture;
    Paint(picture, w, h, seed);
    return std::make_shared<const std::vector<std::uint8_t>>(EncodePng(picture));
  }

  PictureLimits saved_;
};

std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint16_t(b[at] | b[at + 1] << 8);
}

TEST_F(OpenRasterTest, ExportFollowsTheOpenRasterLayout) {
  TProject* project = MakeProject();
  const std::string path = Scratch("out.ora");
  ExportOpenRaster(*project, path);

  // Readers look for the type at a fixed place: the first local header
  // names "mimetype", stored, and its bytes follow at offset 38.
  const std::vector<std::uint8_t> raw = ReadBytes(path);
  ASSERT_GT(raw.size(), 54u);
  EXPECT_EQ(std::string(raw.begin(), raw.begin() + 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(Le16(raw, 8), 0) << "mimetype must be stored, not compressed";
  EXPECT_EQ(Le16(raw, 26), 8);
  EXPECT_EQ(Le16(raw, 28), 0) << "no extra field before the type";
  EXPECT_EQ(std::string(raw.begin() + 30, raw.begin() + 38), "mimetype");
  EXPECT_EQ(std::string(raw.begin() + 38, raw.begin() + 54), "image/openraster");

  TZylArchive archive(path);
  const std::vector<std::string> names = archive.EntryNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "mimetype");
  for (const char* needed : {"stack.xml", "mergedimage.png", "Thumbnails/thumbnail.png"})
    EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed;

  const auto xml = Entry(path, "stack.xml");
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_buffer(xml.data(), xml.size()));
  const pugi::xml_node image = doc.child("image");
  EXPECT_EQ(image.attribute("w").as_int(), 40);
  EXPECT_EQ(image.attribute("h").as_int(), 30);
  EXPECT_STREQ(image.attribute("xmlns:quenvar").value(), kOraNamespace);
  const pugi::xml_node stack = image.child("stack");
  std::vector<pugi::xml_node> layers;
  for (pugi::xml_node layer : stack.children("layer")) layers.push_back(layer);
  ASSERT_EQ(layers.size(), 3u);

  // Top first; x, y, opacity in 0..1, visibility, the mapped operation.
  const char* expectNames[] = {"glow", "stripes", "sky"};
  const char* expectOps[] = {"svg:src-over", "svg:multiply", "svg:src-over"};
  const int expectX[] = {10, -4, 0}, expectY[] = {3, 7, 0};
  const double expectOpacity[] = {77 / 255.0, 200 / 255.0, 1};
  // The stretched glow layer is shown at the size it is drawn.
  const int sizes[][2] = {{12, 10}, {12, 9}, {40, 30}};
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const pugi::xml_node l = layers[i];
    EXPECT_STREQ(l.attribute("name").value(), expectNames[i]);
    EXPECT_STREQ(l.attribute("composite-op").value(), expectOps[i]);
    EXPECT_STREQ(l.attribute("visibility").value(), "visible");
    EXPECT_EQ(l.attribute("x").as_int(), expectX[i]);
    EXPECT_EQ(l.attribute("y").as_int(), expectY[i]);
    EXPECT_NEAR(l.attribute("opacity").as_double(), expectOpacity[i], 1e-6);
    const std::string src = l.attribute("src").value();
    EXPECT_EQ(src.rfind("data/", 0), 0u) << src;
    const TBitmap32 picture = Decoded(Entry(path, src));
    EXPECT_EQ(picture.Width(), sizes[i][0]);
    EXPECT_EQ(picture.Height(), sizes[i][1]);
    if (i > 0) EXPECT_TRUE(SamePixels(picture, project->layers[2 - i]->bmp)) << src;
  }
  EXPECT_STREQ(layers[0].attribute("quenvar:blendmode").value(), "glow");
  // Each pixel of the glow doubled; its own picture kept for our reader.
  const TBitmap32 shown = Decoded(Entry(path, layers[0].attribute("src").value()));
  const TBitmap32& glow = project->layers[2]->bmp;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(shown.Pixel(x, y), glow.Pixel(x / 2, y / 2)) << x << "," << y;
  const std::string source = layers[0].attribute("quenvar:source").value();
  EXPECT_EQ(source.rfind("quenvar/", 0), 0u) << source;
  EXPECT_TRUE(SamePixels(Decoded(Entry(path, source)), glow));
  EXPECT_FALSE(layers[1].attribute("quenvar:source"));

  const TBitmap32 merged = Decoded(Entry(path, "mergedimage.png"));
  EXPECT_EQ(merged.Width(), 40);
  EXPECT_EQ(merged.Height(), 30);
  const TBitmap32 thumb = Decoded(Entry(path, "Thumbnails/thumbnail.png"));
  EXPECT_LE(std::max(thumb.Width(), thumb.Height()), 256);
}

TEST_F(OpenRasterTest, LargeCanvasesGetAThumbnailWithinBoundsAndTheirAspect) {
  auto* project = new TProject();
  project->width = 1000;
  project->height = 300;
  AddLayer("wide", 1000, 300, 1);
  ExportOpenRaster(*project, Scratch("wide.ora"));
  const TBitmap32 thumb = Decoded(Entry(Scratch("wide.ora"), "Thumbnails/thumbnail.png"));
  EXPECT_EQ(thumb.Width(), 256);
  EXPECT_EQ(thumb.Height(), 76);
}

TEST_F(OpenRasterTest, ModesWithAMatchingOperationAreNamedAndReadBack) {
  for (int m = 0; m < kBlendModeCount; ++m) {
    const auto mode = TBlendMode(m);
    const std::string op = CompositeOpOfMode(mode);
    EXPECT_EQ(op.rfind("svg:", 0), 0u);
    if (ModeHasCompositeOp(mode))
      EXPECT_EQ(ModeOfCompositeOp(op), mode) << op;
    else
      EXPECT_EQ(op, "svg:src-over") << BlendModeName(mode);
  }
  EXPECT_EQ(CompositeOpOfMode(bmDodge), "svg:color-dodge");
  EXPECT_EQ(CompositeOpOfMode(bmLightness), "svg:luminosity");
  EXPECT_EQ(ModeOfCompositeOp("svg:plus"), std::nullopt);
}

TEST_F(OpenRasterTest, AnExportedFileImportsAsTheSameProject) {
  TProject* project = MakeProject();
  new TBlendLayer();  // a layer without a picture
  project->layers[1]->tileWrap = true;
  const std::string path = Scratch("round.ora");
  ExportOpenRaster(*project, path);

  struct Fields {
    std::string name;
    TBlendMode mode;
    int opacity, posx, posy, mx, my, px, py, x, y, x2, y2, interlaced, speed;
    bool tile;
  };
  auto fieldsOf = [](const TBlendLayer& l) {
    const TBlendLayer::TPlacement p = l.ViewPlacement();
    return Fields{l.name,   l.Mode(),     l.opacity, l.posx,    l.posy, l.mx,
                  l.my,     l.px,         l.py,      p.left,    p.top,  p.right,
                  p.bottom, l.interlaced, l.speed,   l.tileWrap};
  };
  std::vector<Fields> before;
  std::vector<TBitmap32> pixels;
  for (const TBlendLayer* l : project->layers) {
    before.push_back(fieldsOf(*l));
    pixels.push_back(l->bmp);
  }
  CloseProject();

  TProject* loaded = ImportOpenRaster(path);
  ASSERT_EQ(loaded, CurrentProject());
  EXPECT_EQ(loaded->name, "Sea & <sky>");
  EXPECT_EQ(loaded->author, "Someone \"quoted\"");
  EXPECT_EQ(loaded->comment, "two\r\nlines");
  EXPECT_EQ(loaded->width, 40);
  EXPECT_EQ(loaded->height, 30);
  EXPECT_EQ(loaded->displayWidth, 80);
  EXPECT_EQ(loaded->displayHeight, 60);
  EXPECT_EQ(loaded->interlaced, 1);
  ASSERT_EQ(loaded->layers.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    const Fields got = fieldsOf(*loaded->layers[i]);
    const Fields& want = before[i];
    EXPECT_EQ(got.name, want.name) << i;
    EXPECT_EQ(got.mode, want.mode) << i;
    EXPECT_EQ(std::tie(got.opacity, got.posx, got.posy, got.mx, got.my, got.px, got.py, got.x,
                       got.y, got.x2, got.y2, got.interlaced, got.speed, got.tile),
              std::tie(want.opacity, want.posx, want.posy, want.mx, want.my, want.px, want.py,
                       want.x, want.y, want.x2, want.y2, want.interlaced, want.speed, want.tile))
        << "layer " << i;
    EXPECT_TRUE(SamePixels(loaded->layers[i]->bmp, pixels[i])) << "layer " << i;
  }
  // The pictures are PNG now, and named so; a .zyl save keeps them.
  EXPECT_EQ(FileNamePart(loaded->layers[2]->filename), "glow.png");
  EXPECT_EQ(FileNamePart(loaded->layers[1]->filename), "stripes.png");
  loaded->SaveAs(Scratch("round.zyl"));
  CloseProject();
  TProject* zyl = OpenProjectFile(Scratch("round.zyl"));
  ASSERT_NE(zyl, nullptr);
  ASSERT_EQ(zyl->layers.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i)
    EXPECT_TRUE(SamePixels(zyl->layers[i]->bmp, pixels[i])) << "layer " << i;
}

TEST_F(OpenRasterTest, TheMergedImageIsTheFirstFrameTheViewComposes) {
  TProject* project = MakeProject();
  ExportOpenRaster(*project, Scratch("merged.ora"));
  const TBitmap32 merged = Decoded(Entry(Scratch("merged.ora"), "mergedimage.png"));

  // The view window's way: build the view, one frame step.
  host.hasView = true;
  host.view.SetClientSize(project->width, project->height);
  BuildViewFromProject(*project, host.view);
  ScrollViewLayers(*project, host.view.Layers(), nullptr);
  host.view.Compose();
  TBitmap32 frame(host.view.Buffer());
  frame.ForceOpaque(255);
  EXPECT_TRUE(SamePixels(merged, frame));
  // Composing it again, with the window's view present, gives the same and
  // leaves the window's layers as they were.
  EXPECT_TRUE(SamePixels(ComposeFirstFrame(*project), frame));
  for (const TBlendLayer* l : project->layers) EXPECT_NE(l->ALayer, nullptr);
}

TEST_F(OpenRasterTest, ForeignFilesImportWithTheirStacksFlattened) {
  // No namespace of ours: the composite-op decides, unknown operations and
  // elements fall back or are skipped, nested stacks add their offsets.
  const std::string stack = R"(<?xml version="1.0"?>
<image w="64" h="48" version="0.0.3">
  <stack>
    <text>ignored</text>
    <layer name="top" src="data/top.png" x="5" y="6" composite-op="svg:screen" opacity="0.5"/>
    <stack name="group" x="10" y="20" opacity="0.5">
      <layer name="inner" src="data/inner.png" x="1" y="2" composite-op="svg:plus"/>
      <filter type="blur"/>
      <layer name="off" src="data/off.png" visibility="hidden" composite-op="svg:color-burn"/>
    </stack>
    <layer name="bottom" src="data/bottom.png"/>
  </stack>
</image>)";
  const std::string path = WriteOra("foreign.ora", stack,
                                    {{"data/top.png", Png(4, 3, 1)},
                                     {"data/inner.png", Png(5, 2, 2)},
                                     {"data/off.png", Png(2, 2, 3)},
                                     {"data/bottom.png", Png(64, 48, 4)}});
  TProject* project = ImportOpenRaster(path);
  EXPECT_EQ(project->name, "foreign");
  EXPECT_EQ(project->width, 64);
  ASSERT_EQ(project->layers.size(), 4u);
  const TBlendLayer& bottom = *project->layers[0];
  const TBlendLayer& off = *project->layers[1];
  const TBlendLayer& inner = *project->layers[2];
  const TBlendLayer& top = *project->layers[3];
  EXPECT_EQ(bottom.name, "bottom");
  EXPECT_EQ(bottom.Mode(), bmNone);
  EXPECT_EQ(bottom.opacity, 255);
  EXPECT_EQ(off.Mode(), bmBurn);
  EXPECT_EQ(off.opacity, 0);
  EXPECT_EQ(std::tie(off.x, off.y), std::make_tuple(10, 20));
  EXPECT_EQ(inner.Mode(), bmNone);
  EXPECT_EQ(inner.opacity, 128);
  EXPECT_EQ(std::tie(inner.x, inner.y), std::make_tuple(11, 22));
  EXPECT_EQ(inner.x2, 0);
  EXPECT_EQ(top.Mode(), bmScreen);
  EXPECT_EQ(top.opacity, 128);
  EXPECT_EQ(std::tie(top.x, top.y), std::make_tuple(5, 6));
  EXPECT_EQ(top.bmp.Width(), 4);
  EXPECT_EQ(top.picWidth, 4);
  EXPECT_EQ(FileNamePart(top.filename), "top.png");
}

TEST_F(OpenRasterTest, DamagedFilesAreRefusedWithAReasonAndLeaveNoProject) {
  const std::string good = R"(<image w="8" h="8"><stack>
    <layer name="a" src="data/a.png"/></stack></image>)";
  const std::map<std::string, TZipBytes> picture = {{"data/a.png", Png(8, 8, 1)}};
  WriteBytes(Scratch("text.ora"), {'h', 'e', 'l', 'l', 'o'});
  auto deep = std::string();
  for (int i = 0; i <= kMaxOraDepth + 1; ++i) deep = "<stack>" + deep + "</stack>";
  struct Case {
    std::string file, reason;
  };
  const std::vector<Case> cases = {
      {Scratch("text.ora"), "Unable to open"},
      {Scratch("missing.ora"), "Unable to open"},
      {WriteOra("nomime.ora", good, picture, ""), "mimetype"},
      {WriteOra("wrongmime.ora", good, picture, "image/png"), "mimetype"},
      {WriteOra("nostack.ora", "", picture), "stack.xml"},
      {WriteOra("badxml.ora", "<image w=\"8\"", picture), "not well-formed"},
      {WriteOra("noimage.ora", "<project/>", picture), "does not describe an image"},
      {WriteOra("nosize.ora", "<image><stack/></image>", picture), "canvas size"},
      {WriteOra("hugecanvas.ora", "<image w=\"60000\" h=\"60000\"><stack/></image>", picture),
       "the canvas"},
      {WriteOra("nopicture.ora", good), "is not in the file"},
      {WriteOra("nosrc.ora", "<image w=\"8\" h=\"8\"><stack><layer/></stack></image>"),
       "names no picture"},
      {WriteOra("notpng.ora", good,
                {{"data/a.png", std::make_shared<const std::vector<std::uint8_t>>(100, 7)}}),
       "not a PNG"},
      {WriteOra("deep.ora", "<image w=\"8\" h=\"8\">" + deep + "</image>"), "nested"},
  };
  for (const Case& c : cases) {
    try {
      ImportOpenRaster(c.file);
      ADD_FAILURE() << c.file << " was imported";
    } catch (const Cancelled&) {
      ADD_FAILURE() << c.file << " reported as cancelled";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
          << c.file << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.file), std::string::npos) << e.what();
    }
    EXPECT_EQ(CurrentProject(), nullptr) << c.file;
  }
}

TEST_F(OpenRasterTest, PictureSizesAreCheckedBeforeTheyAreDecoded) {
  CurrentPictureLimits().maxPixels = 1000;
  const std::string one = R"(<image w="30" h="30"><stack>
    <layer name="a" src="data/a.png"/></stack></image>)";
  EXPECT_THROW(ImportOpenRaster(WriteOra("big.ora", one, {{"data/a.png", Png(40, 30, 1)}})), Error);
  EXPECT_EQ(CurrentProject(), nullptr);
  // Each picture fits, all of them together do not.
  std::string many = "<image w=\"30\" h=\"30\"><stack>";
  for (int i = 0; i < 3; ++i) many += "<layer src=\"data/a.png\"/>";
  many += "</stack></image>";
  try {
    ImportOpenRaster(WriteOra("many.ora", many, {{"data/a.png", Png(30, 30, 1)}}));
    ADD_FAILURE() << "imported";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("together"), std::string::npos) << e.what();
  }
  EXPECT_EQ(CurrentProject(), nullptr);
}

TEST_F(OpenRasterTest, StoppedExportKeepsTheOldFileAndStoppedImportLeavesNoProject) {
  TProject* project = MakeProject();
  const std::string path = Scratch("keep.ora");
  WriteBytes(path, {'o', 'l', 'd'});
  std::vector<std::int64_t> seen;
  for (int stopAt : {0, 2, 4}) {
    int calls = 0;
    EXPECT_THROW(ExportOpenRaster(*project, path,
                                  [&](std::int64_t done, std::int64_t total) {
                                    EXPECT_LE(done, total);
                                    return calls++ < stopAt;
                                  }),
                 Cancelled);
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << stopAt;
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string(), "keep.ora") << "left behind: " << entry.path();
  std::int64_t whole = 0;
  ExportOpenRaster(*project, path, [&](std::int64_t done, std::int64_t total) {
    seen.push_back(done);
    whole = total;
    return true;
  });
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), whole);
  CloseProject();

  for (int stopAt : {0, 1, 2}) {
    int calls = 0;
    EXPECT_THROW(
        ImportOpenRaster(path, [&](std::int64_t, std::int64_t) { return calls++ < stopAt; }),
        Cancelled);
    EXPECT_EQ(CurrentProject(), nullptr);
  }
}

// Fixtures: one put together by hand from the format's description, and the
// same file as Krita writes it again (make_ora_fixtures.py).
TEST_F(OpenRasterTest, HandMadeAndKritaWrittenFixturesImport) {
  struct Want {
    const char* name;
    TBlendMode mode;
    int opacity, x, y, w, h;
  };
  // Bottom first. Krita keeps no offset on a group, so its Bar sits at 2, 3,
  // and its hidden layer at 0, 0.
  const std::vector<Want> handmade = {{"Ground", bmNone, 255, 0, 0, 48, 32},
                                      {"Hidden", bmNone, 0, 8, 6, 4, 4},
                                      {"Bar", bmMultiply, 255, 10, 9, 20, 6},
                                      {"Dots", bmScreen, 128, 30, 4, 12, 10}};
  std::vector<Want> krita = handmade;
  krita[1].x = krita[1].y = 0;
  krita[2].x = 2;
  krita[2].y = 3;
  krita[3].opacity = 127;
  // Krita trims the clear border off a picture.
  krita[3].w = 6;
  krita[3].h = 5;
  for (const auto& [file, want] : {std::pair{"handmade.ora", handmade}, {"krita.ora", krita}}) {
    TProject* project = ImportOpenRaster(Fixture(file));
    EXPECT_EQ(project->width, 48) << file;
    EXPECT_EQ(project->height, 32) << file;
    ASSERT_EQ(project->layers.size(), want.size()) << file;
    for (std::size_t i = 0; i < want.size(); ++i) {
      const TBlendLayer& l = *project->layers[i];
      EXPECT_EQ(l.name, want[i].name) << file;
      EXPECT_EQ(l.Mode(), want[i].mode) << file << " " << l.name;
      EXPECT_EQ(l.opacity, want[i].opacity) << file << " " << l.name;
      EXPECT_EQ(std::tie(l.x, l.y), std::tie(want[i].x, want[i].y)) << file << " " << l.name;
      EXPECT_EQ(l.bmp.Width(), want[i].w) << file << " " << l.name;
      EXPECT_EQ(l.bmp.Height(), want[i].h) << file << " " << l.name;
    }
    // Opaque white at the top left, clear elsewhere.
    const TBitmap32& dots = project->layers[3]->bmp;
    EXPECT_EQ(dots.Pixel(0, 0), 0xFFFFFFFFu) << file;
    EXPECT_EQ(dots.Pixel(dots.Width() - 1, dots.Height() - 1) >> 24, dots.Width() > 6 ? 0u : 0xFFu)
        << file;
    CloseProject();
  }
}

TEST_F(OpenRasterTest, RandomlyDamagedFilesImportOrFailCleanly) {
  // Bytes damaged anywhere: the stored pictures reach the PNG decoder.
  const std::vector<std::uint8_t> good = ReadBytes(Fixture("krita.ora"));
  const std::string path = Scratch("damaged.ora");
  std::uint32_t seed = 20261209;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  int imported = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> bytes = good;
    const int flips = 1 + int(next() % 4);
    for (int f = 0; f < flips; ++f) bytes[next() % bytes.size()] = std::uint8_t(next());
    if (round % 7 == 0) bytes.resize(next() % bytes.size());
    WriteBytes(path, bytes);
    try {
      if (ImportOpenRaster(path)) ++imported;
    } catch (const Error&) {
      EXPECT_EQ(CurrentProject(), nullptr);
    }
    CloseProject();
  }
  EXPECT_GT(imported, 0);

  // Numbers no writer means: every attribute given each of them in turn.
  const char* values[] = {"",           "-1",          "nan",  "inf",   "1e308", "-1e308",
                          "2147483648", "-2147483649", "0x10", "65536", "3.5",   "abc"};
  const char* attributes[] = {"w",          "h",
                              "x",          "y",
                              "opacity",    "quenvar:opacity",
                              "quenvar:x2", "quenvar:speed",
                              "quenvar:mx", "quenvar:interlaced"};
  for (const char* attribute : attributes)
    for (const char* value : values) {
      std::string stack =
          R"(<image w="16" h="16" xmlns:quenvar="https://quenvar.example.org/openraster/1">)"
          R"(<stack><layer src="data/a.png" x="1" y="2" opacity="0.5" quenvar:opacity="9")"
          R"( quenvar:x2="9" quenvar:y2="9" quenvar:speed="1" quenvar:mx="1")"
          R"( quenvar:interlaced="0"/></stack></image>)";
      const std::string key = std::string(" ") + attribute + "=\"";
      const std::size_t at = stack.find(key) + key.size();
      stack.replace(at, stack.find('"', at) - at, value);
      const std::string file = WriteOra("odd.ora", stack, {{"data/a.png", Png(4, 4, 1)}});
      try {
        TProject* project = ImportOpenRaster(file);
        ASSERT_EQ(project->layers.size(), 1u);
        const TBlendLayer& layer = *project->layers[0];
        EXPECT_LE(layer.opacity, 255) << attribute << "=" << value;
        EXPECT_GE(project->width, 1) << attribute << "=" << value;
      } catch (const Error& e) {
        // Only the canvas size makes a file unreadable.
        EXPECT_TRUE(std::string(attribute) == "w" || std::string(attribute) == "h")
            << attribute << "=" << value << ": " << e.what();
        EXPECT_EQ(CurrentProject(), nullptr);
      }
      CloseProject();
    }
}

}  // namespace
}  // namespace quenvar::testing
