// quenvar-psd FILE.psd [--extract DIR]: reads a PSD document the way the
// import does, prints the reader's account lines and, with --extract, writes
// each picture layer as the document shows it as DIR/NNN.png and the layer
// records as DIR/layers.tsv.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "host/commandline.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdextract.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"

namespace {

class StdoutLogSink : public quenvar::LogSink {
 public:
  void StatusLog(std::string_view line) override { std::cout << line << '\n'; }
  void PsdLog(std::string_view line) override { std::cout << line << '\n'; }
};

const char kUsage[] =
    "usage: quenvar-psd FILE.psd [--extract DIR]\n"
    "       quenvar-psd --help | --version\n";

int Usage() {
  std::cerr << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  if (quenvar::HandleToolInfoOption(argc, argv, "quenvar-psd", kUsage, status)) return status;
  std::string file;
  std::string extractDir;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--extract") {
      if (++i >= argc) return Usage();
      extractDir = argv[i];
    } else if (file.empty() && !arg.starts_with("--")) {
      file = arg;
    } else {
      return Usage();
    }
  }
  if (file.empty()) return Usage();

  StdoutLogSink sink;
  quenvar::ScopedLogSink scoped(&sink);
  try {
    quenvar::ReadPsdFile(file);
    if (!extractDir.empty()) quenvar::ExtractPsdLayers(quenvar::tPsdImage(), extractDir);
  } catch (const quenvar::Error& e) {
    std::cout.flush();
    std::cerr << "quenvar-psd: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
