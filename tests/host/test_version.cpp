#include <gtest/gtest.h>

#include <filesystem>

#include "host/error.h"
#include "host/fileversion.h"
#include "host/version.h"

using namespace quenvar;

TEST(Version, ProgramVersionAndItsTexts) {
  const TFileVersion v = ProgramFileVersion();
  EXPECT_EQ(v.major, 0);
  EXPECT_EQ(v.minor, 7);
  EXPECT_EQ(v.release, 13);
  EXPECT_EQ(v.build, 453);
  EXPECT_EQ(VersionText(v), "0.7 alpha rel13 build 453");
  EXPECT_EQ(BannerVersionLine(v), "ZYL // Quenvar v0.7 alpha rel13 build 453");
  EXPECT_EQ(MainCaption(v), "ZYL | Quenvar v0.7 build 453");
}

TEST(Version, TextsUseEveryField) {
  const TFileVersion v{1, 20, 300, 65535};
  EXPECT_EQ(VersionText(v), "1.20 alpha rel300 build 65535");
  EXPECT_EQ(MainCaption(v), "ZYL | Quenvar v1.20 build 65535");
  EXPECT_EQ(AboutText(v).substr(0, AboutText(v).find('\r')), "Quenvar v1.20rel300 build 65535");
}

TEST(Version, AboutTextLayout) {
  const std::string t = AboutText(ProgramFileVersion());
  EXPECT_EQ(t.rfind("Quenvar v0.7rel13 build 453\r\r", 0), 0u);
  EXPECT_NE(t.find("\r\rAlpha version , for feedbacks :\remail to "), std::string::npos);
  EXPECT_NE(t.find("\r\rAcknowledgements : \r\r<"), std::string::npos);
  EXPECT_EQ(t.find('\n'), std::string::npos);  // carriage returns only
}

TEST(Version, GetFileVersionReadsAnExistingProgramFile) {
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const TFileVersion v = GetFileVersion(self);
  EXPECT_EQ(VersionText(v), "0.7 alpha rel13 build 453");
}

TEST(Version, GetFileVersionFailsWithThePath) {
  for (const std::string& path :
       {std::string("/nonexistent/quenvar"), std::string("/tmp"), std::string()}) {
    try {
      GetFileVersion(path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Can't get file version information for " + path);
    }
  }
}
