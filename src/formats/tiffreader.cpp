// TIFF pictures through libtiff, read from memory. libtiff's messages are
// captured per file and turned into our errors; every compression and pixel
// layout libtiff can turn into RGBA is read.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/limits.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"
#include "formats/tiffdecode.h"
#include "formats/tiffprofile.h"

namespace quenvar {
namespace {

struct MemoryFile {
  std::span<const std::uint8_t> data;
  toff_t pos = 0;
  std::string error;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (size < 0 || f->pos >= f->data.size()) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(size), f->data.size() - f->pos);
  std::memcpy(buf, f->data.data() + f->pos, n);
  f->pos += n;
  return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
  return 0;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  toff_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->data.size() : 0;
  // Offsets beyond the data are allowed, as for a file; reads there give 0.
  if (whence != SEEK_SET && off > ~toff_t(0) - base) return toff_t(-1);
  f->pos = base + off;
  return f->pos;
}

int CloseProc(thandle_t) {
  return 0;
}
toff_t SizeProc(thandle_t h) {
  return static_cast<MemoryFile*>(h)->data.size();
}
int MapProc(thandle_t, void**, toff_t*) {
  return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

void RecordError(MemoryFile* f, const char* module, const char* fmt, va_list ap) {
  if (!f->error.empty()) return;
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  f->error = (module && *module ? std::string(module) + ": " : std::string()) + text;
}

// Most warnings (unknown tags and the like) do not stop the picture, but a
// tag that could not be read because the file ends early does: libtiff
// would go on without it, with a colour map dropped, say.
void RecordWarning(MemoryFile* f, const char* module, const char* fmt, va_list ap) {
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  const std::string message = text;
  const bool damaged = message.find("IO error") != std::string::npos ||
                       message.find("EOF") != std::string::npos ||
                       message.find("runcated") != std::string::npos;
  if (damaged && f->error.empty())
    f->error = (module && *module ? std::string(module) + ": " : std::string()) + message;
}

int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  RecordError(static_cast<MemoryFile*>(user), module, fmt, ap);
  return 1;
}

int OnTiffWarning(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  RecordWarning(static_cast<MemoryFile*>(user), module, fmt, ap);
  return 1;
}

// Parts of libtiff still report through the process-wide handlers, passing
// the client handle. Those handlers look the handle up among the files this
// thread is reading and never touch a handle they do not know.
thread_local std::vector<MemoryFile*> activeFiles;

MemoryFile* ActiveFile(thandle_t handle) {
  for (MemoryFile* f : activeFiles)
    if (f == handle) return f;
  return nullptr;
}

void OnGlobalError(thandle_t handle, const char* module, const char* fmt, va_list ap) {
  if (MemoryFile* f = ActiveFile(handle)) RecordError(f, module, fmt, ap);
}

void OnGlobalWarning(thandle_t handle, const char* module, const char* fmt, va_list ap) {
  if (MemoryFile* f = ActiveFile(handle)) RecordWarning(f, module, fmt, ap);
}

void InstallGlobalHandlers() {
  static const bool installed = [] {
    TIFFSetErrorHandler(nullptr);  // no printing to the console
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandlerExt(OnGlobalError);
    TIFFSetWarningHandlerExt(OnGlobalWarning);
    return true;
  }();
  (void)installed;
}

// Marks a file as being read by this thread for the global handlers.
class ActiveFileScope {
 public:
  explicit ActiveFileScope(MemoryFile* f) : file_(f) {
    InstallGlobalHandlers();
    activeFiles.push_back(f);
  }
  ~ActiveFileScope() { std::erase(activeFiles, file_); }

 private:
  MemoryFile* file_;
};

class TiffHandle {
 public:
  explicit TiffHandle(MemoryFile* file) {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, OnTiffError, file);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, OnTiffWarning, file);
    // No single allocation inside libtiff beyond what the largest picture needs.
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(CurrentPictureLimits().maxPixels) * 8);
    tif_ = TIFFClientOpenExt("memory", "rm", file, ReadProc, WriteProc, SeekProc, CloseProc,
                             SizeProc, MapProc, UnmapProc, opts);
    TIFFOpenOptionsFree(opts);
  }
  ~TiffHandle() {
    if (tif_) TIFFClose(tif_);
  }
  TIFF* get() const { return tif_; }

 private:
  TIFF* tif_ = nullptr;
};

[[noreturn]] void FailTiff(const MemoryFile& file, const std::string& fileName,
                           const char* fallback) {
  FailPicture(fileName, file.error.empty() ? std::string(fallback) : file.error);
}

bool HasAlpha(TIFF* tif, std::uint16_t* alphaKind) {
  std::uint16_t count = 0;
  std::uint16_t* kinds = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) || count == 0) return false;
  *alphaKind = kinds[0];
  return kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA;
}

// 8-bit RGB or RGBA in strips, the most common layout, read row by row
// without libtiff's premultiplying RGBA interface.
bool IsPlainRgb8(TIFF* tif) {
  std::uint16_t bits = 0, samples = 0, photometric = 0, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  return bits == 8 && (samples == 3 || samples == 4) && photometric == PHOTOMETRIC_RGB &&
         planar == PLANARCONFIG_CONTIG && !TIFFIsTiled(tif) && orientation == ORIENTATION_TOPLEFT;
}

void ReadPlainRgb8(TIFF* tif, MemoryFile& file, TPicture& picture, bool alpha, bool associated,
                   const std::string& fileName) {
  std::uint16_t samples = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize < tmsize_t(picture.width) * samples) FailTiff(file, fileName, "bad scanline size");
  std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
  for (int y = 0; y < picture.height; ++y) {
    if (TIFFReadScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
      FailTiff(file, fileName, "cannot read the pixel data");
    TColor32* out = picture.pixels.data() + std::size_t(y) * picture.width;
    const std::uint8_t* p = line.data();
    if (!alpha) {
      for (int x = 0; x < picture.width; ++x, p += samples) out[x] = Color32(p[0], p[1], p[2]);
      continue;
    }
    for (int x = 0; x < picture.width; ++x, p += samples) {
      unsigned a = p[3], r = p[0], g = p[1], b = p[2];
      if (associated && a != 0 && a != 255)
        r = std::min(255u, (r * 255 + a / 2) / a), g = std::min(255u, (g * 255 + a / 2) / a),
        b = std::min(255u, (b * 255 + a / 2) / a);
      out[x] = Color32(r, g, b, a);
    }
  }
}

// libtiff's RGBA interface gives premultiplied colours in A, B, G, R byte
// order from the top; alpha pictures are turned back to straight colours.
void ReadThroughRgba(TIFF* tif, MemoryFile& file, TPicture& picture, bool alpha,
                     const std::string& fileName) {
  auto* raster = reinterpret_cast<std::uint32_t*>(picture.pixels.data());
  if (!TIFFReadRGBAImageOriented(tif, std::uint32_t(picture.width), std::uint32_t(picture.height),
                                 raster, ORIENTATION_TOPLEFT, 1))
    FailTiff(file, fileName, "cannot read the pixel data");
  if (!file.error.empty()) FailTiff(file, fileName, "");
  for (TColor32& px : picture.pixels) {
    unsigned r = TIFFGetR(px), g = TIFFGetG(px), b = TIFFGetB(px), a = alpha ? TIFFGetA(px) : 255;
    if (a != 0 && a != 255)
      r = std::min(255u, (r * 255 + a / 2) / a), g = std::min(255u, (g * 255 + a / 2) / a),
      b = std::min(255u, (b * 255 + a / 2) / a);
    px = Color32(r, g, b, a);
  }
}

// Largest expansion of each compression, in bytes of samples per stored
// byte: the stored strips or tiles bound the picture a file can hold, so a
// tiny damaged file cannot claim a huge picture's memory. JPEG spends at
// least a bit on every block of 64 pixels; codings without a known bound
// get a generous one. Bilevel pictures (fax pages) are read as rows arrive
// instead (ReadBilevelRows).
double MaxExpansion(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;
    case COMPRESSION_LZW:
      return 1400;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return 1100;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
      return 512 * 8;
    default:
      return 32768;
  }
}

void CheckStoredSize(TIFF* tif, std::span<const std::uint8_t> data, std::uint32_t width,
                     std::uint32_t height, const std::string& fileName) {
  std::uint16_t compression = COMPRESSION_NONE, bits = 1, samples = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const bool tiled = TIFFIsTiled(tif);
  const std::uint32_t count = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  std::uint64_t* sizes = nullptr;
  // Without byte counts the strips can hold no more than the whole file.
  double stored = double(data.size());
  if (TIFFGetField(tif, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &sizes) &&
      sizes) {
    double sum = 0;
    for (std::uint32_t i = 0; i < count; ++i) sum += double(sizes[i]);
    stored = std::min(sum, stored);
  }
  const double needed = double(width) * height * std::max<std::uint16_t>(bits, 1) *
                        std::max<std::uint16_t>(samples, 1) / 8;
  if (needed > stored * MaxExpansion(compression) + 65536)
    FailPicture(fileName, "the file is too small to hold a picture of " + std::to_string(width) +
                              " x " + std::to_string(height) + " pixels");
}

bool IsFaxCoding(std::uint16_t compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
         compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4;
}

// A fax page: one bit per pixel in fax-coded strips, top row first. Fax
// codes can describe a blank row in one bit, so no size bound holds; such
// pictures are read row by row and grow only as rows really decode. Other
// codings of one-bit pictures keep the stored-size bound: their strips may
// all point at the same few bytes, and every row would "arrive".
bool IsBilevelRows(TIFF* tif) {
  std::uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
  std::uint16_t orientation = ORIENTATION_TOPLEFT, compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (!IsFaxCoding(compression)) return false;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
  return bits == 1 && samples == 1 && planar == PLANARCONFIG_CONTIG && !TIFFIsTiled(tif) &&
         orientation == ORIENTATION_TOPLEFT &&
         (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
}

TPicture ReadBilevelRows(TIFF* tif, MemoryFile& file, std::uint32_t width, std::uint32_t height,
                         const std::string& fileName) {
  std::uint16_t photometric = 0;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  const bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
  const TColor32 colors[2] = {whiteIsZero ? Color32(255, 255, 255) : Color32(0, 0, 0),
                              whiteIsZero ? Color32(0, 0, 0) : Color32(255, 255, 255)};
  const tmsize_t lineSize = TIFFScanlineSize(tif);
  if (lineSize < tmsize_t((std::uint64_t(width) + 7) / 8))
    FailTiff(file, fileName, "bad scanline size");
  std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
  TPicture picture;
  picture.width = int(width);
  picture.height = int(height);
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, line.data(), y, 0) < 0 || !file.error.empty())
      FailTiff(file, fileName, "cannot read the pixel data");
    const std::size_t at = picture.pixels.size();
    picture.pixels.resize(at + width);
    for (std::uint32_t x = 0; x < width; ++x)
      picture.pixels[at + x] = colors[(line[x / 8] >> (7 - x % 8)) & 1];
  }
  return picture;
}

}  // namespace

bool IsTiffSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 4) return false;
  const bool little =
      head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0;
  const bool big =
      head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
  return little || big;
}

TPicture DecodeTiffData(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsTiffSignature(data)) FailPicture(fileName, "not a TIFF file");
  MemoryFile file{data, 0, {}};
  ActiveFileScope active(&file);
  TiffHandle tif(&file);
  if (!tif.get() || !file.error.empty()) FailTiff(file, fileName, "cannot open the TIFF file");
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
    FailTiff(file, fileName, "the picture has no size");
  CheckPictureSize(width, height, fileName);
  if (!IsBilevelRows(tif.get())) CheckStoredSize(tif.get(), data, width, height, fileName);
  char message[1024] = "";
  if (!TIFFRGBAImageOK(tif.get(), message))
    FailPicture(fileName, std::string("unsupported TIFF picture: ") + message);
  if (IsBilevelRows(tif.get())) return ReadBilevelRows(tif.get(), file, width, height, fileName);
  std::uint16_t alphaKind = EXTRASAMPLE_UNSPECIFIED;
  const bool alpha = HasAlpha(tif.get(), &alphaKind);
  TPicture picture =
      NewPicture(width, height, alpha ? TPictureKind::Bitmap32 : TPictureKind::Bitmap, fileName);
  if (IsPlainRgb8(tif.get()))
    ReadPlainRgb8(tif.get(), file, picture, alpha, alphaKind == EXTRASAMPLE_ASSOCALPHA, fileName);
  else
    ReadThroughRgba(tif.get(), file, picture, alpha, fileName);
  ApplyTiffProfile(tif.get(), picture);
  return picture;
}

namespace {

TPicture DecodeTiff(std::span<const std::uint8_t> data, const std::string& fileName) {
  return DecodeTiffData(data, fileName);
}

}  // namespace

const TPictureReader& TiffReader() {
  static const TPictureReader reader{"TIFF", IsTiffSignature, DecodeTiff};
  return reader;
}

}  // namespace quenvar
