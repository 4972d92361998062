// Decode throughput of the picture readers for a 1920 x 1080 picture, each
// next to the same decode done directly by its library. The reader figures
// include the copy into a TBitmap32. Inputs are written at start-up into a
// temporary folder.
#include <benchmark/benchmark.h>
#include <png.h>
#include <tiffio.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "compose/surface.h"
#include "formats/formatlist.h"
#include "formats/readers.h"

namespace fs = std::filesystem;
using namespace quenvar;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A photograph-like test picture: smooth gradients with a little noise, so
// that compressed formats neither explode nor collapse.
std::vector<std::uint8_t> MakeRgb() {
  std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
  std::mt19937 random(7);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
      const int n = int(random() % 9) - 4;
      p[0] = std::uint8_t(std::clamp(x * 255 / kWidth + n, 0, 255));
      p[1] = std::uint8_t(std::clamp(y * 255 / kHeight + n, 0, 255));
      p[2] = std::uint8_t(std::clamp(((x / 64 + y / 64) % 2) * 128 + 64 + n, 0, 255));
    }
  return rgb;
}

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void WritePng(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGB;
  png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr);
}

void WriteJpeg(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[std::size_t(cinfo.next_scanline) * kWidth * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  WriteFile(path, std::vector<std::uint8_t>(out, out + size));
  std::free(out);
}

void WriteTiff(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
  for (int y = 0; y < kHeight; ++y)
    TIFFWriteScanline(tif, const_cast<std::uint8_t*>(&rgb[std::size_t(y) * kWidth * 3]), y, 0);
  TIFFClose(tif);
}

// Truevision, run-length encoded, 24 bits, bottom row first.
void WriteTga(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
  std::vector<std::uint8_t> out = {
      0,  0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, kWidth & 255, kWidth >> 8, kHeight & 255, kHeight >> 8,
      24, 0};
  for (int y = kHeight - 1; y >= 0; --y) {
    const std::uint8_t* row = &rgb[std::size_t(y) * kWidth * 3];
    for (int x = 0; x < kWidth;) {
      int n = 1;
      while (x + n < kWidth && n < 128 &&
             std::equal(row + 3 * x, row + 3 * x + 3, row + 3 * (x + n)))
        ++n;
      if (n > 1) {
        out.insert(out.end(),
                   {std::uint8_t(0x80 | (n - 1)), row[3 * x + 2], row[3 * x + 1], row[3 * x]});
      } else {
        int m = 1;
        while (x + m < kWidth && m < 128 &&
               !std::equal(row + 3 * (x + m - 1), row + 3 * (x + m - 1) + 3, row + 3 * (x + m)))
          ++m;
        out.push_back(std::uint8_t(m - 1));
        for (int i = 0; i < m; ++i)
          out.insert(out.end(), {row[3 * (x + i) + 2], row[3 * (x + i) + 1], row[3 * (x + i)]});
        n = m;
      }
      x += n;
    }
  }
  WriteFile(path, out);
}

void WriteBmp(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
  const std::uint32_t stride = (kWidth * 3 + 3) & ~3u, size = 54 + stride * kHeight;
  std::vector<std::uint8_t> out(size, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
  };
  out[0] = 'B', out[1] = 'M';
  put32(2, size), put32(10, 54), put32(14, 40), put32(18, kWidth), put32(22, kHeight);
  out[26] = 1, out[28] = 24;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* p = &rgb[(std::size_t(kHeight - 1 - y) * kWidth + x) * 3];
      std::uint8_t* q = &out[54 + std::size_t(y) * stride + 3 * x];
      q[0] = p[2], q[1] = p[1], q[2] = p[0];
    }
  WriteFile(path, out);
}

struct Inputs {
  std::vector<std::uint8_t> png, jpeg, tiff, tga, bmp;
  Inputs() {
    const fs::path dir = fs::temp_directory_path() / "quenvar_bench_formats";
    fs::create_directories(dir);
    const auto rgb = MakeRgb();
    WritePng(dir / "p.png", rgb);
    WriteJpeg(dir / "p.jpg", rgb);
    WriteTiff(dir / "p.tif", rgb);
    WriteTga(dir / "p.tga", rgb);
    WriteBmp(dir / "p.bmp", rgb);
    png = ReadWholeFile((dir / "p.png").string());
    jpeg = ReadWholeFile((dir / "p.jpg").string());
    tiff = ReadWholeFile((dir / "p.tif").string());
    tga = ReadWholeFile((dir / "p.tga").string());
    bmp = ReadWholeFile((dir / "p.bmp").string());
    fs::remove_all(dir);
  }
};

const Inputs& GetInputs() {
  static const Inputs inputs;
  return inputs;
}

void SetRate(benchmark::State& state) {
  state.counters["Mpix/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void ReaderToSurface(benchmark::State& state, const TPictureReader& reader,
                     const std::vector<std::uint8_t>& bytes) {
  TBitmap32 surface;
  for (auto _ : state) {
    surface.CopyFrom(reader.Decode(bytes, "bench"));
    benchmark::DoNotOptimize(surface.Bits());
  }
  SetRate(state);
}

// The reader alone, without the copy into a surface.
void ReaderOnly(benchmark::State& state, const TPictureReader& reader,
                const std::vector<std::uint8_t>& bytes) {
  for (auto _ : state) {
    TPicture picture = reader.Decode(bytes, "bench");
    benchmark::DoNotOptimize(picture.pixels.data());
  }
  SetRate(state);
}

void BM_PngDecodeOnly(benchmark::State& s) {
  ReaderOnly(s, PngReader(), GetInputs().png);
}
void BM_JpegDecodeOnly(benchmark::State& s) {
  ReaderOnly(s, JpegReader(), GetInputs().jpeg);
}
void BM_TiffLzwDecodeOnly(benchmark::State& s) {
  ReaderOnly(s, TiffReader(), GetInputs().tiff);
}

void BM_PngReader(benchmark::State& s) {
  ReaderToSurface(s, PngReader(), GetInputs().png);
}
void BM_JpegReader(benchmark::State& s) {
  ReaderToSurface(s, JpegReader(), GetInputs().jpeg);
}
void BM_TiffLzwReader(benchmark::State& s) {
  ReaderToSurface(s, TiffReader(), GetInputs().tiff);
}
void BM_TgaRleReader(benchmark::State& s) {
  ReaderToSurface(s, TgaReader(), GetInputs().tga);
}
void BM_BmpReader(benchmark::State& s) {
  ReaderToSurface(s, BmpReader(), GetInputs().bmp);
}

// The bare library decodes, each into a new 32-bit buffer (left
// uninitialised), as any decode of a new picture needs one.
std::unique_ptr<std::uint32_t[]> NewBuffer() {
  return std::unique_ptr<std::uint32_t[]>(new std::uint32_t[std::size_t(kWidth) * kHeight]);
}
void BM_PngLibrary(benchmark::State& state) {
  const auto& bytes = GetInputs().png;
  for (auto _ : state) {
    auto buffer = NewBuffer();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
    image.format = PNG_FORMAT_BGRA;
    png_image_finish_read(&image, nullptr, buffer.get(), 0, nullptr);
    benchmark::DoNotOptimize(buffer.get());
  }
  SetRate(state);
}

void BM_JpegLibrary(benchmark::State& state) {
  const auto& bytes = GetInputs().jpeg;
  for (auto _ : state) {
    auto buffer = NewBuffer();
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row =
          reinterpret_cast<JSAMPROW>(&buffer.get()[std::size_t(cinfo.output_scanline) * kWidth]);
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(buffer.get());
  }
  SetRate(state);
}

struct TiffMemory {
  const std::vector<std::uint8_t>* data;
  toff_t pos;
};

void BM_TiffLzwLibrary(benchmark::State& state) {
  const auto& bytes = GetInputs().tiff;
  std::vector<std::uint8_t> line(std::size_t(kWidth) * 3);
  for (auto _ : state) {
    auto buffer = NewBuffer();
    TiffMemory mem{&bytes, 0};
    TIFF* tif = TIFFClientOpen(
        "bench", "rm", &mem,
        [](thandle_t h, void* buf, tmsize_t n) -> tmsize_t {
          auto* m = static_cast<TiffMemory*>(h);
          const std::size_t left = m->pos < m->data->size() ? m->data->size() - m->pos : 0;
          const std::size_t k = std::min<std::size_t>(std::size_t(n), left);
          std::memcpy(buf, m->data->data() + m->pos, k);
          m->pos += k;
          return tmsize_t(k);
        },
        [](thandle_t, void*, tmsize_t) -> tmsize_t { return 0; },
        [](thandle_t h, toff_t off, int whence) -> toff_t {
          auto* m = static_cast<TiffMemory*>(h);
          m->pos = (whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->data->size() : 0) + off;
          return m->pos;
        },
        [](thandle_t) { return 0; },
        [](thandle_t h) -> toff_t { return static_cast<TiffMemory*>(h)->data->size(); },
        [](thandle_t, void**, toff_t*) { return 0; }, [](thandle_t, void*, toff_t) {});
    for (int y = 0; y < kHeight; ++y) {
      TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0);
      std::uint32_t* out = &buffer.get()[std::size_t(y) * kWidth];
      for (int x = 0; x < kWidth; ++x)
        out[x] = 0xFF000000u | (std::uint32_t(line[3 * x]) << 16) |
                 (std::uint32_t(line[3 * x + 1]) << 8) | line[3 * x + 2];
    }
    TIFFClose(tif);
    benchmark::DoNotOptimize(buffer.get());
  }
  SetRate(state);
}

}  // namespace

BENCHMARK(BM_PngReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwDecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLzwLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TgaRleReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpReader)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
