// Reading a 2048 x 2048, 8-bit document with 10 RLE layers: throughput in
// MB/s of file data, the memory the read holds compared with the decoded
// planes and pictures, and ImageMagick's time for the same document.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "psd/psdimage.h"
#include "psd/psdreader.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kSide = 2048;
constexpr int kLayers = 10;

void Put16(Bytes& b, unsigned v) {
  b.push_back(std::uint8_t(v >> 8));
  b.push_back(std::uint8_t(v));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}

// PackBits: repeat runs for 3 or more equal bytes, literals otherwise.
void PackRow(const std::uint8_t* row, int n, Bytes& out) {
  int i = 0;
  while (i < n) {
    int run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(std::uint8_t(1 - run));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    int lit = 0;
    while (i + lit < n && lit < 128) {
      if (i + lit + 2 < n && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2])
        break;
      ++lit;
    }
    out.push_back(std::uint8_t(lit - 1));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
}

// A channel's sample: smooth bands in the left half, texture in the right.
std::uint8_t Sample(int layer, int channel, int x, int y) {
  if (channel == 0) return x < kSide / 2 ? 255 : std::uint8_t(128 + ((x ^ y) & 127));
  if (x < kSide / 2) return std::uint8_t((x / 24 + y / 24) * (channel + 1) + layer * 9);
  const unsigned h =
      unsigned(x) * 2654435761u ^ unsigned(y) * 40503u ^ unsigned(layer * 7 + channel);
  return std::uint8_t((h >> 13) & 255);
}

Bytes RleChannel(int layer, int channel) {
  std::vector<std::uint8_t> row(kSide);
  Bytes table, packed;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) row[std::size_t(x)] = Sample(layer, channel, x, y);
    const std::size_t before = packed.size();
    PackRow(row.data(), kSide, packed);
    Put16(table, unsigned(packed.size() - before));
  }
  table.insert(table.end(), packed.begin(), packed.end());
  return table;
}

Bytes MakeDocument() {
  std::vector<std::vector<Bytes>> data(kLayers);
  for (int l = 0; l < kLayers; ++l)
    for (int c = 0; c < 4; ++c) data[std::size_t(l)].push_back(RleChannel(l, c));
  Bytes info;
  Put16(info, kLayers);
  for (int l = 0; l < kLayers; ++l) {
    Put32(info, 0);
    Put32(info, 0);
    Put32(info, kSide);
    Put32(info, kSide);
    Put16(info, 4);
    for (int c = 0; c < 4; ++c) {
      Put16(info, std::uint16_t(c - 1));
      Put32(info, std::uint32_t(data[std::size_t(l)][std::size_t(c)].size() + 2));
    }
    info.insert(info.end(), {'8', 'B', 'I', 'M', 'n', 'o', 'r', 'm', 255, 0, 0, 0});
    Put32(info, 12);
    Put32(info, 0);
    Put32(info, 0);
    info.insert(info.end(), {3, 'L', std::uint8_t('0' + l), ' '});
  }
  for (const auto& layer : data)
    for (const auto& ch : layer) {
      Put16(info, 1);
      info.insert(info.end(), ch.begin(), ch.end());
    }
  Bytes doc = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  Put16(doc, 3);
  Put32(doc, kSide);
  Put32(doc, kSide);
  Put16(doc, 8);
  Put16(doc, 3);
  Put32(doc, 0);
  Put32(doc, 0);
  Put32(doc, std::uint32_t(info.size() + 4 + 4));
  Put32(doc, std::uint32_t(info.size()));
  doc.insert(doc.end(), info.begin(), info.end());
  Put32(doc, 0);  // no global mask information
  // Composite: RLE rows of plain white.
  Put16(doc, 1);
  Bytes row(kSide, 255), packedRow;
  PackRow(row.data(), kSide, packedRow);
  for (int i = 0; i < 3 * kSide; ++i) Put16(doc, unsigned(packedRow.size()));
  for (int i = 0; i < 3 * kSide; ++i) doc.insert(doc.end(), packedRow.begin(), packedRow.end());
  return doc;
}

const Bytes& Document() {
  static const Bytes doc = MakeDocument();
  return doc;
}

void BM_ReadPsdRle10Layers(benchmark::State& state) {
  const Bytes& doc = Document();
  for (auto _ : state) {
    quenvar::TPicture pic = quenvar::ReadPsd(doc);
    benchmark::DoNotOptimize(pic.pixels.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(doc.size()));
  state.counters["file_MB"] = double(doc.size()) / 1e6;
}
BENCHMARK(BM_ReadPsdRle10Layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// A value in kB from /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0) return std::atol(line.c_str() + key.size() + 1);
  return 0;
}

// Resets the peak resident size, so that the next peak is the read's.
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

double Seconds(const std::chrono::steady_clock::time_point& from) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Peak memory of the first read against the planes and pictures it makes.
void ReportMemory() {
  const Bytes& doc = Document();
  ResetPeak();
  const long before = StatusKb("VmRSS");
  quenvar::TPicture pic = quenvar::ReadPsd(doc);
  const long after = StatusKb("VmHWM");
  std::size_t decoded = pic.pixels.size() * 4;
  const quenvar::TPsdImage& img = quenvar::tPsdImage();
  for (int i = 0; i < img.layerCount; ++i) {
    const auto& l = img.layers[std::size_t(i)];
    decoded += std::size_t(l.picture.Width()) * std::size_t(l.picture.Height()) * 4;
    for (std::uint32_t k = 0; k < l.channelCount; ++k) decoded += l.channels[k].data.size();
  }
  std::printf(
      "file %.1f MB; decoded planes and pictures %.1f MB; peak memory growth %.1f MB "
      "(%.2f x decoded)\n",
      double(doc.size()) / 1e6, double(decoded) / 1e6, double(after - before) / 1e3,
      double(after - before) * 1e3 / double(decoded));
}

// The same document decoded by ImageMagick, timed against our read.
void ReportImageMagick() {
  const Bytes& doc = Document();
  const std::string path = "/tmp/quenvar-bench-psd-" + std::to_string(::getpid()) + ".psd";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(doc.data()), std::streamsize(doc.size()));
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) quenvar::ReadPsd(doc);
  const double ours = Seconds(t0) / 3;
  const std::string cmd = "convert " + path + " info: > /dev/null 2>&1";
  t0 = std::chrono::steady_clock::now();
  const int rc = std::system(cmd.c_str());
  const double theirs = Seconds(t0);
  std::remove(path.c_str());
  if (rc != 0) {
    std::printf("ImageMagick convert not available (exit %d)\n", rc);
    return;
  }
  std::printf("quenvar %.1f ms, ImageMagick convert %.1f ms: ImageMagick takes %.1f x as long\n",
              ours * 1e3, theirs * 1e3, theirs / ours);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ReportMemory();
  benchmark::RunSpecifiedBenchmarks();
  ReportImageMagick();
  benchmark::Shutdown();
  return 0;
}
