#include "project/zylarchive.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "host/error.h"

namespace quenvar {

namespace {

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// Entries are read in pieces of this size, so memory follows the data.
constexpr std::size_t kReadChunk = std::size_t(1) << 16;
// Deflate turns one byte into at most about 1032.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// The most an entry's stored bytes can give: what the buffer may take at
// once. Other methods are read as they come.
// The recorded compressed size may lie too: it counts only up to the
// archive's own size.
std::uint64_t InflatedBound(const zip_stat_t& st, std::uint64_t archiveSize) {
  if (!(st.valid & ZIP_STAT_COMP_SIZE) || !(st.valid & ZIP_STAT_COMP_METHOD)) return 0;
  const std::uint64_t stored = std::min<std::uint64_t>(st.comp_size, archiveSize);
  if (st.comp_method == ZIP_CM_STORE) return stored;
  if (st.comp_method == ZIP_CM_DEFLATE) return stored * kMaxDeflateRatio + kReadChunk;
  return 0;
}

struct TZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

TZylArchive::TZylArchive(const std::string& path) : path_(path) {
  std::error_code ignored;
  size_ = std::filesystem::file_size(path, ignored);
  if (ignored) size_ = 0;
  int code = 0;
  archive_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!archive_) throw Error("Unable to open \"" + path + "\": " + ZipErrorText(code));
}

TZylArchive::TZylArchive(std::span<const std::uint8_t> bytes, const std::string& path)
    : path_(path), size_(bytes.size()) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source) archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (!archive_) {
    if (source) zip_source_free(source);
    const std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw Error("Unable to open \"" + path + "\": " + text);
  }
  zip_error_fini(&error);
}

TZylArchive::~TZylArchive() {
  if (archive_) zip_discard(archive_);
}

std::vector<std::uint8_t> TZylArchive::Extract(const std::string& name,
                                               std::size_t maxBytes) const {
  const zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_RAW);
  if (index < 0) return {};
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    throw Error("Entry \"" + name + "\" of \"" + path_ + "\" cannot be read");
  if (st.size > maxBytes)
    throw Error("Entry \"" + name + "\" is too large: " + std::to_string(st.size) +
                " bytes, more than the " + std::to_string(maxBytes) + " allowed");

  std::unique_ptr<zip_file_t, TZipFileCloser> file(
      zip_fopen_index(archive_, zip_uint64_t(index), 0));
  if (!file) throw Error("Entry \"" + name + "\" cannot be read: " + zip_strerror(archive_));
  std::vector<std::uint8_t> bytes;
  // One byte more than the entry: the read that finds its end then fits
  // without moving the whole entry to a larger store.
  bytes.reserve(std::min<std::uint64_t>(st.size, InflatedBound(st, size_)) + 1);
  // Reading on to the end makes the library check the data's checksum; any
  // byte beyond the recorded size means the entry lies about its size.
  for (;;) {
    const std::size_t done = bytes.size();
    const std::size_t want = std::min<std::uint64_t>(kReadChunk, st.size + 1 - done);
    bytes.resize(done + want);
    const zip_int64_t n = zip_fread(file.get(), bytes.data() + done, want);
    if (n < 0) throw Error("Entry \"" + name + "\" is damaged: " + zip_file_strerror(file.get()));
    bytes.resize(done + std::size_t(n));
    if (n == 0) break;
    if (bytes.size() > st.size)
      throw Error("Entry \"" + name + "\" is longer than its recorded size");
  }
  if (bytes.size() < st.size)
    throw Error("Entry \"" + name + "\" is shorter than its recorded size");
  return bytes;
}

std::vector<std::string> TZylArchive::EntryNames() const {
  std::vector<std::string> names;
  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* entry = zip_get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
    if (entry) names.emplace_back(entry);
  }
  return names;
}

std::string TZylArchive::Comment() const {
  int length = 0;
  const char* comment = zip_get_archive_comment(archive_, &length, ZIP_FL_ENC_RAW);
  return comment ? std::string(comment, std::size_t(length)) : std::string();
}

}  // namespace quenvar
