#pragma once
// A .zyl project file opened for reading: a ZIP archive whose entries are
// extracted into memory by name.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct zip;

namespace quenvar {

class TZylArchive {
 public:
  // Opens the archive; throws quenvar::Error when the file is missing or not
  // a readable ZIP archive.
  explicit TZylArchive(const std::string& path);
  // Opens an archive held in memory; the bytes must outlive the archive and
  // `path` names it in messages.
  TZylArchive(std::span<const std::uint8_t> bytes, const std::string& path);
  ~TZylArchive();
  TZylArchive(const TZylArchive&) = delete;
  TZylArchive& operator=(const TZylArchive&) = delete;

  const std::string& Path() const { return path_; }

  // The entry's bytes, or nothing when no entry has that exact name. Throws
  // quenvar::Error when the entry is larger than maxBytes once inflated
  // (checked before anything is read) or its data is damaged. Memory grows
  // with the data that really arrives, never by the recorded size alone.
  std::vector<std::uint8_t> Extract(const std::string& name, std::size_t maxBytes) const;

  std::vector<std::string> EntryNames() const;
  std::string Comment() const;

 private:
  std::string path_;
  zip* archive_ = nullptr;
  std::uint64_t size_ = 0;  // the archive's bytes: no entry's stored data is larger
};

}  // namespace quenvar
