#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/datafiles.h"

using namespace quenvar;

TEST(DataFiles, BesideTheProgramFirstThenTheInstalledShareFolder) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / "quenvar-datafiles";
  fs::remove_all(root);
  fs::create_directories(root / "bin");
  fs::create_directories(root / "share/quenvar");
  const std::string bin = (root / "bin").string();
  EXPECT_EQ(DataFileCandidates(bin, "mini.ttf"),
            (std::vector<std::string>{(root / "bin/mini.ttf").string(),
                                      (root / "share/quenvar/mini.ttf").string()}));
  // Nothing anywhere: the place beside the program is named.
  EXPECT_EQ(FindDataFile(bin, "mini.ttf"), (root / "bin/mini.ttf").string());
  std::ofstream(root / "share/quenvar/mini.ttf") << "font";
  EXPECT_EQ(FindDataFile(bin, "mini.ttf"), (root / "share/quenvar/mini.ttf").string());
  std::ofstream(root / "bin/mini.ttf") << "font";
  EXPECT_EQ(FindDataFile(bin, "mini.ttf"), (root / "bin/mini.ttf").string());
  // A folder of that name is not the file.
  fs::remove(root / "bin/mini.ttf");
  fs::create_directories(root / "bin/mini.ttf");
  EXPECT_EQ(FindDataFile(bin, "mini.ttf"), (root / "share/quenvar/mini.ttf").string());
  fs::remove_all(root);
}
