// JPEG pictures through libjpeg-turbo. libjpeg reports errors through its
// error manager, which here jumps back with longjmp; every libjpeg call runs
// inside a stage function that holds only plain data, so the jump never
// skips a C++ destructor.
#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "formats/iccconvert.h"
#include "formats/limits.h"
#include "formats/pictureutil.h"
#include "formats/readers.h"

namespace quenvar {
namespace {

struct JpegErrors {
  jpeg_error_mgr mgr;  // first, so the libjpeg pointer converts back
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

// Warnings mean damaged data (a truncated file is decoded as grey by
// libjpeg); they fail the picture, except stray bytes between markers, which
// many cameras write and which cost nothing.
void OnJpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  if (cinfo->err->msg_code == JWRN_EXTRANEOUS_DATA) return;
  OnJpegError(cinfo);
}

int ReadHeaderStage(jpeg_decompress_struct* cinfo, JpegErrors* errors, const std::uint8_t* data,
                    unsigned long size) {
  if (setjmp(errors->jump)) return 0;
  jpeg_mem_src(cinfo, data, size);
  jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(cinfo, TRUE);
  if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
    cinfo->out_color_space = JCS_CMYK;
  } else {
    cinfo->out_color_space = JCS_EXT_BGRA;
  }
  jpeg_calc_output_dimensions(cinfo);
  return 1;
}

int StartStage(jpeg_decompress_struct* cinfo, JpegErrors* errors) {
  if (setjmp(errors->jump)) return 0;
  jpeg_start_decompress(cinfo);
  return 1;
}

// Decodes the next scanline into `row` (width 32-bit pixels). CMYK
// scanlines are written in place as C, M, Y, K bytes and converted afterwards.
int RowStage(jpeg_decompress_struct* cinfo, JpegErrors* errors, std::uint32_t* row) {
  if (setjmp(errors->jump)) return 0;
  JSAMPROW samples = reinterpret_cast<JSAMPROW>(row);
  jpeg_read_scanlines(cinfo, &samples, 1);
  return 1;
}

int FinishStage(jpeg_decompress_struct* cinfo, JpegErrors* errors) {
  if (setjmp(errors->jump)) return 0;
  jpeg_finish_decompress(cinfo);
  return 1;
}

// The arithmetic decoder reads zeros once it meets the marker after its
// data, so data that ends early still "decodes" a whole picture. The coder's
// last bytes legitimately lie within the last row of blocks; meeting the
// marker with more rows to go means the rows are not there.
bool DataEndedEarly(j_decompress_ptr cinfo) {
  if (!cinfo->arith_code || jpeg_has_multiple_scans(cinfo) || cinfo->unread_marker == 0)
    return false;
  const JDIMENSION blockRows = JDIMENSION(2 * 8 * cinfo->max_v_samp_factor);
  return cinfo->output_height - cinfo->output_scanline > blockRows;
}

// Arithmetic coding has no useful bound on pixels per byte, so rows are
// read one at a time and the picture grows as they really decode (its store
// first sized for what ordinary files hold). libjpeg's own whole-picture
// buffers (progressive and multi-scan files) get a budget of the same kind.
void ReadRows(jpeg_decompress_struct* cinfo, JpegErrors* errors, TPicture& picture,
              std::size_t fileSize, const std::string& fileName) {
  const std::size_t width = cinfo->output_width, height = cinfo->output_height;
  cinfo->mem->max_memory_to_use = long(std::min<std::size_t>(
      CheckedAdd(std::size_t(64) << 20, CheckedMul(fileSize, 1024)), std::size_t(1) << 40));
  picture.pixels.reserve(std::min(width * height, CheckedMul(fileSize, 16) + width));
  if (!StartStage(cinfo, errors)) FailPicture(fileName, errors->message);
  while (cinfo->output_scanline < height) {
    const std::size_t at = std::size_t(cinfo->output_scanline) * width;
    if (picture.pixels.size() < at + width) picture.pixels.resize(at + width, 0xFF000000u);
    if (!RowStage(cinfo, errors, picture.pixels.data() + at))
      FailPicture(fileName, errors->message);
    if (DataEndedEarly(cinfo))
      FailPicture(fileName, "the data ends at row " + std::to_string(cinfo->output_scanline) +
                                " of " + std::to_string(height));
  }
  if (!FinishStage(cinfo, errors)) FailPicture(fileName, errors->message);
}

class DecompressGuard {
 public:
  explicit DecompressGuard(JpegErrors* errors) {
    cinfo.err = jpeg_std_error(&errors->mgr);
    errors->mgr.error_exit = OnJpegError;
    errors->mgr.emit_message = OnJpegMessage;
    errors->message[0] = 0;
  }
  ~DecompressGuard() { jpeg_destroy_decompress(&cinfo); }
  jpeg_decompress_struct cinfo{};
};

int CreateStage(jpeg_decompress_struct* cinfo, JpegErrors* errors) {
  if (setjmp(errors->jump)) return 0;
  jpeg_create_decompress(cinfo);
  return 1;
}

// CMYK from Adobe files is stored inverted (0 = full ink); plain CMYK is not.
void CmykToRgb(TPicture& picture, bool inverted) {
  for (TColor32& px : picture.pixels) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(&px);
    unsigned c = b[0], m = b[1], y = b[2], k = b[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    px = Color32((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
  }
}

// The embedded ICC profile: APP2 markers "ICC_PROFILE\0", sequence number,
// count, then a piece of the profile. Pieces missing or given twice mean no
// usable profile.
std::vector<std::uint8_t> EmbeddedProfile(j_decompress_ptr cinfo) {
  static const char kTag[12] = "ICC_PROFILE";
  std::vector<const jpeg_marker_struct*> pieces;
  for (auto* m = cinfo->marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 2 || m->data_length < 14 ||
        std::memcmp(m->data, kTag, sizeof kTag) != 0)
      continue;
    const unsigned seq = m->data[12], count = m->data[13];
    if (pieces.empty()) pieces.assign(count, nullptr);
    if (count != pieces.size() || seq == 0 || seq > count || pieces[seq - 1]) return {};
    pieces[seq - 1] = m;
  }
  std::vector<std::uint8_t> profile;
  for (const jpeg_marker_struct* m : pieces) {
    if (!m) return {};
    profile.insert(profile.end(), m->data + 14, m->data + m->data_length);
  }
  return profile;
}

// CMYK samples as libjpeg gives them, C, M, Y, K bytes in each pixel,
// become sRGB through the profile in place.
bool ConvertCmyk(TPicture& picture, std::span<const std::uint8_t> profile, bool inverted) {
  auto transform =
      TIccTransform::Open(profile, inverted ? TIccSamples::Cmyk8Inverted : TIccSamples::Cmyk8);
  if (!transform) return false;
  transform->Convert(picture.pixels.data(), picture.pixels.data(), picture.pixels.size());
  for (TColor32& px : picture.pixels) px |= 0xFF000000u;
  picture.convertedFrom = transform->Description();
  return true;
}

void ApplyColours(j_decompress_ptr cinfo, std::span<const std::uint8_t> profile,
                  TPicture& picture) {
  if (cinfo->out_color_space == JCS_CMYK) {
    if (profile.empty() || !ConvertCmyk(picture, profile, cinfo->saw_Adobe_marker))
      CmykToRgb(picture, cinfo->saw_Adobe_marker);
  } else if (!profile.empty()) {
    ConvertPictureToSrgb(picture, profile, cinfo->jpeg_color_space == JCS_GRAYSCALE);
  }
}

TPicture DecodeJpeg(std::span<const std::uint8_t> data, const std::string& fileName) {
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8)
    FailPicture(fileName, "not a JPEG file");
  JpegErrors errors;
  DecompressGuard guard(&errors);
  if (!CreateStage(&guard.cinfo, &errors)) FailPicture(fileName, errors.message);
  if (!ReadHeaderStage(&guard.cinfo, &errors, data.data(), static_cast<unsigned long>(data.size())))
    FailPicture(fileName, errors.message);
  CheckPictureSize(guard.cinfo.output_width, guard.cinfo.output_height, fileName);
  // Huffman coding spends at least one bit on every 8 x 8 block of the first
  // component, so a file can hold at most 512 pixels per byte. Checking this
  // keeps a tiny damaged file from claiming a huge picture's memory.
  const std::uint64_t pixels = std::uint64_t(guard.cinfo.output_width) * guard.cinfo.output_height;
  if (!guard.cinfo.arith_code && pixels > std::uint64_t(data.size()) * 512 + (1u << 16))
    FailPicture(fileName, "the file is too small to hold a picture of " +
                              std::to_string(guard.cinfo.output_width) + " x " +
                              std::to_string(guard.cinfo.output_height) + " pixels");
  TPicture picture;
  picture.width = int(guard.cinfo.output_width);
  picture.height = int(guard.cinfo.output_height);
  picture.kind = TPictureKind::Other;
  // The saved markers go with the decode's memory when it finishes.
  const std::vector<std::uint8_t> profile = EmbeddedProfile(&guard.cinfo);
  ReadRows(&guard.cinfo, &errors, picture, data.size(), fileName);
  ApplyColours(&guard.cinfo, profile, picture);
  return picture;
}

}  // namespace

const TPictureReader& JpegReader() {
  static const TPictureReader reader{"JPEG", nullptr, DecodeJpeg};
  return reader;
}

}  // namespace quenvar
