// The program's arguments: a project to play, --help, --version, "--".
#include <gtest/gtest.h>

#include "host/commandline.h"

using namespace quenvar;

TEST(CommandLine, OnlyTheFirstArgumentCounts) {
  EXPECT_EQ(ParseCommandLine({}).action, TStartAction::Run);
  EXPECT_EQ(ParseCommandLine({}).project, "");
  const TCommandLine play = ParseCommandLine({"show.zyl", "--help"});
  EXPECT_EQ(play.action, TStartAction::Run);
  EXPECT_EQ(play.project, "show.zyl");
  EXPECT_EQ(ParseCommandLine({"--help", "show.zyl"}).action, TStartAction::Help);
  EXPECT_EQ(ParseCommandLine({"-h"}).action, TStartAction::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).action, TStartAction::Version);
  // Anything else is a file name, as it always was.
  EXPECT_EQ(ParseCommandLine({"-x.zyl"}).project, "-x.zyl");
}

TEST(CommandLine, DoubleDashMakesTheNextArgumentAFile) {
  const TCommandLine cl = ParseCommandLine({"--", "--help"});
  EXPECT_EQ(cl.action, TStartAction::Run);
  EXPECT_EQ(cl.project, "--help");
  EXPECT_EQ(ParseCommandLine({"--"}).project, "");
}

TEST(CommandLine, UsageAndVersionTexts) {
  const std::string usage = UsageText();
  EXPECT_EQ(usage.rfind("Usage: quenvar [PROJECT.zyl]\n", 0), 0u);
  for (const char* option : {"--help", "--version", "Esc", "F11", "Space"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  EXPECT_EQ(usage.back(), '\n');
  EXPECT_EQ(VersionLine(), "Quenvar v0.7 alpha rel13 build 453\n");
}
