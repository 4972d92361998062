#pragma once
// Writing a ZIP archive: the ZIP library builds it in a temporary file beside
// the target and renames it over the target only on Commit, so a failed or
// abandoned write leaves the previous file as it was.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/progress.h"

struct zip;

namespace quenvar {

using TZipBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

class TZipWriter {
 public:
  enum class TMode {
    // Entries are added to the archive at `path` (a new one when there is
    // none); its other entries stay. A file there that is no archive is
    // refused.
    Update,
    // A new archive replaces whatever is at `path`.
    Replace,
  };
  // Nothing at `path` changes before Commit. Throws quenvar::Error when the
  // target cannot be written.
  explicit TZipWriter(const std::string& path, TMode mode = TMode::Update);
  // Discards an archive never committed.
  ~TZipWriter();
  TZipWriter(const TZipWriter&) = delete;
  TZipWriter& operator=(const TZipWriter&) = delete;

  void SetComment(const std::string& comment);
  // Entries are written in the order they are added. The bytes are kept
  // alive until Commit; `compress` false stores them as they are.
  void Add(const std::string& name, const TZipBytes& bytes, bool compress = true);
  void Add(const std::string& name, const std::string& text, bool compress = true);
  // Writes the archive and renames it over the target. `progress` hears the
  // share written (of 1000) and may stop the write, which then throws
  // quenvar::Cancelled and leaves the target untouched.
  void Commit(const TProgress& progress = {});

 private:
  [[noreturn]] void Fail();

  std::string path_;
  zip* zip_ = nullptr;
  std::vector<TZipBytes> kept_;
};

}  // namespace quenvar
