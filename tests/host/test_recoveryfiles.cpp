// Recovery file names, the running program's lock and what counts as left
// behind by a program that is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/error.h"
#include "host/recoveryfiles.h"

using namespace quenvar;
namespace fs = std::filesystem;

namespace {

class RecoveryFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("quenvar-recoveryfiles-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  static void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
  std::vector<std::string> StaleStems() const {
    std::vector<std::string> stems;
    for (const TStaleRecovery& s : FindStaleRecoveries(dir.string()))
      stems.push_back(fs::path(s.files.stem).filename().string());
    return stems;
  }
  fs::path dir;
};

TEST(RecoveryFolder, StateHomeFirstThenHome) {
  EXPECT_EQ(RecoveryFolder("/s", "/h"), "/s/quenvar");
  EXPECT_EQ(RecoveryFolder(nullptr, "/home/u"), "/home/u/.local/state/quenvar");
  // Empty or relative state homes are ignored.
  EXPECT_EQ(RecoveryFolder("", "/home/u"), "/home/u/.local/state/quenvar");
  EXPECT_EQ(RecoveryFolder("state", "/home/u"), "/home/u/.local/state/quenvar");
  EXPECT_EQ(RecoveryFolder(nullptr, nullptr), "");
  EXPECT_EQ(RecoveryFolder(nullptr, "relative"), "");
}

TEST_F(RecoveryFiles, ClaimMakesTheFolderAndSkipsNamesInUse) {
  TRecoveryClaim first = ClaimRecoveryStem((dir / "a/b").string(), 42);
  EXPECT_EQ(first.files.Project(), (dir / "a/b/recovery-42.zyl").string());
  EXPECT_TRUE(fs::exists(first.files.Lock()));
  // Held by the first claim (flock is per open file, so even in this process).
  TRecoveryClaim second = ClaimRecoveryStem((dir / "a/b").string(), 42);
  EXPECT_EQ(second.files.stem, (dir / "a/b/recovery-42-2").string());
  // A file left by a dead program with the same number is not taken over.
  Touch(dir / "a/b/recovery-42-3.zyl");
  TRecoveryClaim third = ClaimRecoveryStem((dir / "a/b").string(), 42);
  EXPECT_EQ(third.files.stem, (dir / "a/b/recovery-42-4").string());
}

TEST_F(RecoveryFiles, ClaimInAFolderThatCannotBeMadeThrows) {
  fs::create_directories(dir);
  Touch(dir / "file");
  EXPECT_THROW(ClaimRecoveryStem((dir / "file/sub").string(), 1), Error);
}

TEST_F(RecoveryFiles, OnlyFilesWhoseLockIsFreeAreStale) {
  fs::create_directories(dir);
  TRecoveryClaim live = ClaimRecoveryStem(dir.string(), 7);
  Touch(live.files.Project());
  Touch(dir / "recovery-8.zyl");  // its program ended: lock file left, not held
  Touch(dir / "recovery-8.lock");
  Touch(dir / "recovery-9.zyl");         // no lock file at all
  Touch(dir / "recovery-9.zyl.Ab12cd");  // a write cut short
  Touch(dir / "other.zyl");
  Touch(dir / "recovery-10.lock");  // a program that never wrote a file
  TRecoveryClaim idle = ClaimRecoveryStem(dir.string(), 11);
  EXPECT_EQ(StaleStems(), (std::vector<std::string>{"recovery-8", "recovery-9"}));
  EXPECT_FALSE(fs::exists(dir / "recovery-10.lock"));
  EXPECT_TRUE(fs::exists(idle.files.Lock()));

  // While one program looks at a stale file, another does not see it.
  std::vector<TStaleRecovery> held = FindStaleRecoveries(dir.string());
  EXPECT_TRUE(StaleStems().empty());
  held.clear();
  EXPECT_EQ(StaleStems().size(), 2u);
}

TEST_F(RecoveryFiles, RemoveTakesTheFileItsLockAndLeftoverTemporaries) {
  fs::create_directories(dir);
  for (const char* name : {"recovery-5.zyl", "recovery-5.lock", "recovery-5.zyl.x1Y2z3",
                           "recovery-50.zyl", "recovery-5.zyl-notes"})
    Touch(dir / name);
  RemoveRecoveryFiles(TRecoveryStem{(dir / "recovery-5").string()});
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"recovery-5.zyl-notes", "recovery-50.zyl"}));
}

}  // namespace
