#pragma once
// The picture-format registry: for every file extension, the reader that
// decodes it and the texts that describe it. It answers which reader belongs
// to an extension or to a file's content, builds the open-dialog filter text
// and performs the general picture load by extension.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/picture.h"
#include "formats/picturereader.h"

namespace quenvar {

// Format kinds of an extension; combined as bit flags.
enum TFormatKind : unsigned {
  fkRaster = 1,
  fkVector = 2,
  fkMultiImage = 4,
  fkLayered = 8,
};

// One per reader, in the order readers were first registered.
struct TClassEntry {
  const TPictureReader* reader = nullptr;
  std::string description;  // last non-empty common description registered
  int count = 0;            // extensions registered for this reader
};

// One per extension, in registration order.
struct TExtensionEntry {
  std::string extension;    // lower case, without the dot
  std::string description;  // the extension's own description, may be empty
  unsigned kinds = 0;       // TFormatKind flags
  TClassEntry* entry = nullptr;
};

class TFileFormatList {
 public:
  // Registers an extension for a reader. Throws quenvar::Error with
  // "Attempt to register <ext> twice." when the extension is known and
  // `replace` is false; with `replace` the extension moves to `reader`.
  void RegisterPictureFormat(const std::string& extension, const std::string& commonDescription,
                             const std::string& ownDescription, unsigned kinds, bool replace,
                             const TPictureReader& reader);

  // Takes an extension or a name part ending in one ("png", ".PNG",
  // "a.png"); everything up to the first dot is dropped.
  const TPictureReader* FindReaderByExtension(const std::string& extension) const;

  // Asks the readers that recognise content, in list order, about the first
  // bytes of the named file. Throws quenvar::Error when the file cannot be read.
  const TPictureReader* FindReaderByContent(const std::string& fileName) const;
  // The same question about bytes already in memory (the head of a file).
  const TPictureReader* FindReaderByContent(std::span<const std::uint8_t> head) const;

  // The filter text of an open-file dialog: "All images" first, then one
  // entry per reader sorted by description.
  std::string BuildPictureFilter() const;

  // The general load by extension: the latest entry for the file's extension
  // decodes the file. Reader failures pass through unchanged.
  TPicture LoadPicture(const std::string& fileName) const;
  // The reader the general load would use for an extension, or null.
  const TPictureReader* LoadReaderFor(const std::string& extension) const;
  // The description the general load holds for an extension ("" if none).
  std::string LoadDescriptionFor(const std::string& extension) const;

  const std::vector<std::unique_ptr<TClassEntry>>& ClassEntries() const { return classes_; }
  const std::vector<TExtensionEntry>& ExtensionEntries() const { return extensions_; }

  // How many bytes of a file the content check sees (or the whole file).
  static constexpr std::size_t kContentHeadSize = 64 * 1024;

 private:
  struct LoadEntry {
    std::string extension;  // lower case
    std::string description;
    const TPictureReader* reader = nullptr;
  };

  TClassEntry* ClassEntryFor(const TPictureReader& reader, const std::string& commonDescription,
                             const TClassEntry* besides = nullptr);
  void RemoveIfUnused(TClassEntry* entry);
  const LoadEntry* FindLoadEntry(const std::string& extension) const;

  std::vector<std::unique_ptr<TClassEntry>> classes_;
  std::vector<TExtensionEntry> extensions_;
  std::vector<LoadEntry> loadEntries_;  // latest entry for an extension wins
};

// Fills a registry with the program's registrations, in their order.
void RegisterStandardFormats(TFileFormatList& list);

// The program-wide registry, filled with the standard registrations on first use.
TFileFormatList& PictureFormats();

// The general picture load by extension through the program-wide registry.
TPicture LoadPictureByExtension(const std::string& fileName);

// Reads a whole file into memory; throws quenvar::Error naming the file when
// it cannot be read or is larger than `maxBytes`.
std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName,
                                        std::size_t maxBytes = std::size_t(1) << 31);

// Lower-cased ASCII copy.
std::string LowerAscii(std::string text);

}  // namespace quenvar
