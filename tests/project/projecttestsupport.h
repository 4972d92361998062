#pragma once
// Shared set-up for the project tests: a recording log, a host standing in
// for the windows (with a real view model), a fixed clock and a scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compose/layerstack.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/projectclock.h"
#include "project/projecthost.h"
#include "project/projectview.h"

namespace quenvar::testing {

inline std::string Fixture(const std::string& name) {
  return std::string(QUENVAR_TEST_DIR) + "/fixtures/" + name;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Stands in for the main window, the layers panel and the view window.
class TTestHost : public TProjectHost {
 public:
  void StopPlayback() override { calls.push_back("stop"); }
  void HideLayersPanel() override { calls.push_back("hide panel"); }
  void ProcessPendingEvents() override { calls.push_back("events"); }
  void Sleep(int ms) override { calls.push_back("sleep " + std::to_string(ms)); }
  int LayerRowCount() override { return rows; }
  void DestroyLayerRow(int index) override {
    calls.push_back("row " + std::to_string(index));
    --rows;
  }
  bool ViewClientSize(int& width, int& height) override {
    if (!hasView) return false;
    width = view.ClientWidth();
    height = view.ClientHeight();
    return true;
  }
  void HideLayersPanelContents() override { calls.push_back("hide rows"); }
  void ShowLayersPanelContents(int current) override {
    calls.push_back("show rows " + std::to_string(current));
  }
  TLayerCollection* ViewLayers() override { return hasView ? &view.Layers() : nullptr; }
  // What the view window does: the canvas size, then the view from the project.
  void RebuildView() override {
    calls.push_back("rebuild view");
    TProject* project = CurrentProject();
    if (!hasView || !project) return;
    view.SetClientSize(project->width, project->height);
    BuildViewFromProject(*project, view);
  }

  bool hasView = false;
  int rows = 0;
  TImgView32 view;
  std::vector<std::string> calls;
};

class ProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProjectHost(&host);
    SetLocalTimeSource([] {
      std::tm t{};
      t.tm_year = 2026 - 1900;
      t.tm_mon = 11;
      t.tm_mday = 9;
      t.tm_hour = 8;
      t.tm_min = 30;
      t.tm_sec = 5;
      return t;
    });
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() /
          ("quenvar-project-" + std::string(info->test_suite_name()) + "-" + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    CloseProject();
    SetProjectHost(nullptr);
    SetLocalTimeSource({});
    std::filesystem::remove_all(dir);
  }

  std::string Scratch(const std::string& name) const { return (dir / name).string(); }
  std::vector<std::string> Lines() const { return log.Texts(); }

  TTestHost host;
  RecordingLogSink log;
  ScopedLogSink scopedLog{&log};
  std::filesystem::path dir;
};

}  // namespace quenvar::testing
