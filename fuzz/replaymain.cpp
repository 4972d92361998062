// Replays saved inputs through a fuzz target without libFuzzer: every file
// named, and every file inside a folder named, once each. An input that
// crashes the target ends the run; the program's own errors are the target's
// business.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzztarget.h"

namespace {

std::vector<std::filesystem::path> Inputs(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg = argv[i];
    if (!std::filesystem::is_directory(arg)) {
      files.push_back(arg);
      continue;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(arg))
      if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::filesystem::path> files = Inputs(argc, argv);
  if (files.empty()) {
    std::fprintf(stderr, "replay: no inputs\n");
    return 1;
  }
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
      return 1;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("replay: %zu inputs\n", files.size());
  return 0;
}
