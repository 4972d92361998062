#pragma once
// A test that runs quenvar-render as a program: a scratch folder of its own
// per test, removed afterwards, and the tool's path (skipped when the tool is
// not built).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quenvar::testing {

class RenderToolTest : public ::testing::Test {
 protected:
  explicit RenderToolTest(std::string prefix) : prefix_(std::move(prefix)) {}
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          (prefix_ + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    tool = std::string(QUENVAR_BINARY_DIR) + "/quenvar-render";
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "quenvar-render is not built";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
  std::string tool;

 private:
  std::string prefix_;
};

}  // namespace quenvar::testing
