// PNG pictures through libpng. libpng reports errors by longjmp; every call
// that may raise one runs inside a small stage function that holds only plain
// data, so the jump never skips a C++ destructor.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/iccconvert.h"
#include "formats/limits.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

struct PngSource {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  char message[256];
};

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  int hasAlpha;
  int interlaced;
  int grey;                // grey samples, spread over R, G and B by the transforms
  png_size_t rawRowBytes;  // one row as stored, before the transforms
};

void OnPngError(png_structp png, png_const_charp msg) {
  auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", msg ? msg : "libpng error");
  png_longjmp(png, 1);
}

// libpng allocates a colour profile or a text chunk at the size it claims,
// before the data is there to back the claim; no single allocation of the
// library's may be larger than this (a row of 16 million 16-bit RGBA
// pixels). A profile it cannot allocate is skipped with a warning.
constexpr png_alloc_size_t kMaxLibraryAllocation = png_alloc_size_t(128) << 20;

png_voidp LimitedMalloc(png_structp, png_alloc_size_t size) {
  return size > kMaxLibraryAllocation ? nullptr : std::malloc(size);
}

void LibraryFree(png_structp, png_voidp p) {
  std::free(p);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > src->size - src->pos) png_error(png, "unexpected end of data");
  std::memcpy(out, src->data + src->pos, count);
  src->pos += count;
}

// Reads the header and sets the transforms that give 8-bit B, G, R, A
// samples, which in memory are 0xAARRGGBB pixels.
int ReadHeaderStage(png_structp png, png_infop info, PngHeader* header) {
  if (setjmp(png_jmpbuf(png))) return 0;
  png_read_info(png, info);
  header->rawRowBytes = png_get_rowbytes(png, info);
  header->interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  int colorType = png_get_color_type(png, info);
  int bitDepth = png_get_bit_depth(png, info);
  header->grey = !(colorType & PNG_COLOR_MASK_COLOR);
  header->hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (bitDepth == 16) png_set_scale_16(png);
  if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != png_size_t(header->width) * 4)
    png_error(png, "unexpected row layout");
  return 1;
}

int ReadRowsStage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return 0;
  png_read_image(png, rows);
  return 1;
}

int ReadRowStage(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return 0;
  png_read_row(png, row, nullptr);
  return 1;
}

class PngReadGuard {
 public:
  explicit PngReadGuard(PngSource* src) {
    png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, src, OnPngError, OnPngWarning, nullptr,
                                    LimitedMalloc, LibraryFree);
    if (png_) info_ = png_create_info_struct(png_);
  }
  ~PngReadGuard() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

bool IsPng(std::span<const std::uint8_t> head) {
  return head.size() >= 8 && png_sig_cmp(head.data(), 0, 8) == 0;
}

// Deflate can stand for a thousand bytes per byte, so even the bound above
// lets a small file claim a large picture. Rows that are not interlaced are
// read one at a time and the picture grows as they really decode; the store
// is first sized for what ordinary files hold.
TPicture ReadRowByRow(png_structp png, PngSource& src, const PngHeader& header, TPictureKind kind,
                      std::size_t fileSize, const std::string& fileName) {
  CheckPictureSize(header.width, header.height, fileName);
  TPicture picture;
  picture.width = int(header.width);
  picture.height = int(header.height);
  picture.kind = kind;
  const std::size_t width = header.width;
  picture.pixels.reserve(std::min(width * header.height, CheckedMul(fileSize, 16) + width));
  for (png_uint_32 y = 0; y < header.height; ++y) {
    const std::size_t at = picture.pixels.size();
    picture.pixels.resize(at + width);
    if (!ReadRowStage(png, reinterpret_cast<png_bytep>(picture.pixels.data() + at)))
      FailPicture(fileName, src.message);
  }
  return picture;
}

// An embedded profile turns the samples into sRGB; a file that says it is
// sRGB already keeps them.
void ApplyProfile(png_structp png, png_infop info, const PngHeader& header, TPicture& picture) {
  if (png_get_valid(png, info, PNG_INFO_sRGB)) return;
  png_charp name = nullptr;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  int compression = 0;
  if (!png_get_iCCP(png, info, &name, &compression, &profile, &length) || !profile) return;
  ConvertPictureToSrgb(picture, {profile, length}, header.grey != 0);
}

TPicture DecodePicture(png_structp png, PngSource& src, const PngHeader& header,
                       std::size_t fileSize, const std::string& fileName) {
  const TPictureKind kind = header.hasAlpha ? TPictureKind::Bitmap32 : TPictureKind::Bitmap;
  if (!header.interlaced) return ReadRowByRow(png, src, header, kind, fileSize, fileName);
  TPicture picture = NewPicture(header.width, header.height, kind, fileName);
  std::vector<png_bytep> rows(header.height);
  for (png_uint_32 y = 0; y < header.height; ++y)
    rows[y] = reinterpret_cast<png_bytep>(picture.pixels.data() + std::size_t(y) * header.width);
  if (!ReadRowsStage(png, rows.data())) FailPicture(fileName, src.message);
  return picture;
}

TPicture DecodePng(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (!IsPng(data)) FailPicture(fileName, "not a PNG file");
  PngSource src{data.data(), data.size(), 0, {}};
  PngReadGuard guard(&src);
  if (!guard.png() || !guard.info()) FailPicture(fileName, "out of memory");
  png_set_read_fn(guard.png(), &src, ReadFromMemory);
  png_set_user_limits(guard.png(), 0x7FFFFFFF, 0x7FFFFFFF);

  PngHeader header{};
  if (!ReadHeaderStage(guard.png(), guard.info(), &header)) FailPicture(fileName, src.message);
  // zlib expands at most about 1032 times, so a file can hold only so many
  // row bytes; a small damaged file must not claim a huge picture's memory.
  const std::uint64_t rawBytes = std::uint64_t(header.height) * (header.rawRowBytes + 1);
  if (rawBytes > std::uint64_t(data.size()) * 1032 + (1u << 16))
    FailPicture(fileName, "the file is too small to hold a picture of " +
                              std::to_string(header.width) + " x " + std::to_string(header.height) +
                              " pixels");
  TPicture picture = DecodePicture(guard.png(), src, header, data.size(), fileName);
  ApplyProfile(guard.png(), guard.info(), header, picture);
  return picture;
}

}  // namespace

const TPictureReader& PngReader() {
  static const TPictureReader reader{"PNG", IsPng, DecodePng};
  return reader;
}

}  // namespace quenvar
