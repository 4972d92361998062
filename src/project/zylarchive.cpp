#include "project/zylarchive.h"

#include <zip.h>

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

struct TZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

TZylArchive::TZylArchive(const std::string& path) : path_(path) {
  int code = 0;
  archive_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (!archive_) throw Error("Unable to open \"" + path + "\": " + ZipErrorText(code));
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
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const zip_int64_t n = zip_fread(file.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0) throw Error("Entry \"" + name + "\" is damaged: " + zip_file_strerror(file.get()));
    if (n == 0) throw Error("Entry \"" + name + "\" is shorter than its recorded size");
    done += std::size_t(n);
  }
  // Reading on to the end makes the library check the data's checksum; any
  // byte beyond the recorded size means the entry lies about its size.
  std::uint8_t extra = 0;
  const zip_int64_t n = zip_fread(file.get(), &extra, 1);
  if (n < 0) throw Error("Entry \"" + name + "\" is damaged: " + zip_file_strerror(file.get()));
  if (n > 0) throw Error("Entry \"" + name + "\" is longer than its recorded size");
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
