// project.xml: the writer's exact text and the reader's access rules.
#include <cstring>

#include "host/error.h"
#include "project/projectxml.h"
#include "projecttestsupport.h"

namespace quenvar::testing {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

using ProjectXmlTest = ProjectTest;

TEST_F(ProjectXmlTest, DescriptionFollowsTheTemplatesExactly) {
  host.hasView = true;
  host.view.SetClientSize(768, 576);
  auto* project = new TProject();
  project->name = "Demo";
  project->width = 100;  // the view's client size wins
  auto* layer = new TBlendLayer();
  layer->name = "Sky";
  layer->filename = "/some/dir/sky.png";
  layer->SetMode(bmDodge);
  layer->posx = 3;
  layer->posy = -1;
  layer->mx = 1;
  layer->py = 0;
  layer->opacity = 128;
  layer->CreateViewLayer(false);
  layer->ALayer->SetLocation(TFloatRect{10.5f, 11.5f, 20.5f, 29.5f});
  project->BuildDescription();

  const std::vector<std::string> expected = {
      "<project>",
      "<zyl version=\"0.7 alpha rel13 build 453\" />",
      "<info name= \"Demo\" author=\"\" created=\"2026-12-09 08:30:05\" />",
      "<canvas height=\"576\" width=\"768\" Interlaced=\"0\" zoom = \"100\" />",
      "<display height=\"0\" width=\"0\"/>",
      "<thumbnail file=\"\"/>",
      "<comment></comment>",
      "<layers>",
      "<layer name =\"Sky\" filename=\"sky.png\" blendmode=\"dodge\" speed =\"2\" posx =\"3\" "
      "posy =\"-1\" mx =\"1\" my =\"0\" px =\"1\" py =\"0\" x =\"10\" y =\"12\" x2 =\"20\" "
      "y2 =\"30\" interlaced =\"0\" opacity =\"128\" />",
      "</layers>",
      "</project>"};
  EXPECT_EQ(project->description, expected);
  EXPECT_EQ(project->width, 768);
  EXPECT_EQ(project->height, 576);
}

TEST_F(ProjectXmlTest, HostileTextReadsBackUnchanged) {
  auto* project = new TProject();
  const std::string hostile = "a\"b<c>&d'e\tf\r\ng \xC3\xA9 \xE6\x97\xA5 &amp; ]]>";
  project->name = hostile;
  project->comment = "line one\r\n</comment><layers><layer name=\"fake\"/></layers>";
  auto* layer = new TBlendLayer();
  layer->name = hostile;
  layer->filename = "dir/x&y\"<z>.png";
  project->BuildDescription();

  const auto bytes = Bytes(Joined(project->description));
  TProjectDocument document(bytes);
  const TXMLProjectType root = document.Project();
  EXPECT_EQ(root.Info().Name(), hostile);
  EXPECT_EQ(root.Comment(), "line one\n</comment><layers><layer name=\"fake\"/></layers>");
  ASSERT_EQ(root.Layers().Count(), 1);
  EXPECT_EQ(root.Layers().Layer(0).Name(), hostile);
  EXPECT_EQ(root.Layers().Layer(0).Filename(), "x&y\"<z>.png");
}

TEST_F(ProjectXmlTest, BindingsFollowTheAccessRules) {
  const auto bytes = Bytes(
      "<project><canvas height='1' width='2' interlaced='5'/><canvas height='9' width='9'/>"
      "<layers><layer Opacity='3' x='-12' y='+4' speed='' posx='1x' posy='99999999999'"
      " mx='300'/><other/><layer name='second'/></layers></project>");
  TProjectDocument document(bytes);
  const TXMLProjectType root = document.Project();
  EXPECT_EQ(root.Canvas().Height(), 1);  // the first of two
  EXPECT_FALSE(root.Canvas().HasAttribute("Interlaced"));
  EXPECT_EQ(root.Info().Name(), "");  // missing element reads empty
  EXPECT_EQ(root.Zyl().Version(), "");
  EXPECT_THROW(root.Display().Height(), Error);

  ASSERT_EQ(root.Layers().Count(), 2);
  const TXMLLayerType layer = root.Layers().Layer(0);
  EXPECT_FALSE(layer.HasAttribute("opacity"));
  EXPECT_EQ(layer.X(), -12);
  EXPECT_EQ(layer.Y(), 4);
  EXPECT_EQ(layer.Mx(), 300);
  EXPECT_THROW(layer.Speed(), Error);
  EXPECT_THROW(layer.Posx(), Error);
  EXPECT_THROW(layer.Posy(), Error);
  EXPECT_THROW(layer.My(), Error);
  EXPECT_EQ(root.Layers().Layer(1).Name(), "second");
}

TEST_F(ProjectXmlTest, DocumentsThatAreNotProjectsAreRefused) {
  EXPECT_THROW(TProjectDocument(Bytes("")), Error);
  EXPECT_THROW(TProjectDocument(Bytes("<project><a></project>")), Error);
  TProjectDocument other(Bytes("<document/>"));
  try {
    other.Project();
    FAIL() << "a document element other than project was taken";
  } catch (const Error& e) {
    EXPECT_NE(std::strstr(e.what(), "document"), nullptr);
  }
}

TEST_F(ProjectXmlTest, PlacementWithoutAViewComesFromTheFields) {
  new TProject();
  auto* layer = new TBlendLayer();
  layer->bmp.Resize(8, 6);
  layer->x = 4;
  layer->y = 5;
  TBlendLayer::TPlacement p = layer->ViewPlacement();
  EXPECT_EQ(p.right, 12);
  EXPECT_EQ(p.bottom, 11);
  layer->x2 = 300;
  layer->y2 = 200;
  p = layer->ViewPlacement();
  EXPECT_EQ(p.right, 300);
  EXPECT_EQ(p.bottom, 200);
}

}  // namespace
}  // namespace quenvar::testing
