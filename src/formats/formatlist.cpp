#include "formats/formatlist.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "formats/psdplaceholder.h"
#include "formats/readers.h"
#include "host/error.h"

namespace quenvar {

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return LowerAscii(a) < LowerAscii(b);
}

std::string FormatMessage(const char* pattern, const std::string& value) {
  std::string out = pattern;
  auto at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, value);
  return out;
}

// The extension of a file name: the text after the last dot of its last
// path component, or "" when it has none.
std::string ExtensionOfFile(const std::string& fileName) {
  auto slash = fileName.find_last_of("/\\");
  std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  auto dot = base.rfind('.');
  return dot == std::string::npos ? std::string() : base.substr(dot + 1);
}

std::string JoinPatterns(const std::vector<std::string>& extensions) {
  std::string out;
  for (const auto& ext : extensions) {
    if (!out.empty()) out += "; ";
    out += "*." + ext;
  }
  return out;
}

}  // namespace

TClassEntry* TFileFormatList::ClassEntryFor(const TPictureReader& reader,
                                            const std::string& commonDescription,
                                            const TClassEntry* besides) {
  TClassEntry* found = nullptr;
  for (auto& entry : classes_)
    if (entry->reader == &reader) found = entry.get();
  if (!found) {
    // A reader that takes over another's extension joins the list right
    // after it, so that replacing a reader at start-up keeps the order in
    // which readers are asked about content.
    auto at = classes_.end();
    for (auto it = classes_.begin(); it != classes_.end(); ++it)
      if (it->get() == besides) at = it + 1;
    found = classes_.insert(at, std::make_unique<TClassEntry>())->get();
    found->reader = &reader;
  }
  if (!commonDescription.empty()) found->description = commonDescription;
  return found;
}

void TFileFormatList::RemoveIfUnused(TClassEntry* entry) {
  if (entry->count > 0) return;
  classes_.erase(std::remove_if(classes_.begin(), classes_.end(),
                                [entry](const auto& e) { return e.get() == entry; }),
                 classes_.end());
}

void TFileFormatList::RegisterPictureFormat(const std::string& extension,
                                            const std::string& commonDescription,
                                            const std::string& ownDescription, unsigned kinds,
                                            bool replace, const TPictureReader& reader) {
  if (extension.empty()) return;
  const std::string ext = LowerAscii(extension);
  auto known = std::find_if(extensions_.begin(), extensions_.end(),
                            [&](const TExtensionEntry& e) { return e.extension == ext; });
  TClassEntry* classEntry = nullptr;
  if (known == extensions_.end()) {
    classEntry = ClassEntryFor(reader, commonDescription);
    classEntry->count++;
    extensions_.push_back(TExtensionEntry{ext, ownDescription, kinds, classEntry});
  } else {
    if (!replace) throw Error(FormatMessage("Attempt to register %s twice.", extension));
    TClassEntry* old = known->entry;
    classEntry = ClassEntryFor(reader, commonDescription, old);
    known->description = ownDescription;
    known->kinds = kinds;
    if (old != classEntry) {
      classEntry->count++;
      known->entry = classEntry;
      old->count--;
      RemoveIfUnused(old);
    }
  }
  loadEntries_.push_back(
      LoadEntry{ext, ownDescription.empty() ? classEntry->description : ownDescription, &reader});
}

const TPictureReader* TFileFormatList::FindReaderByExtension(const std::string& extension) const {
  std::string ext = extension;
  auto dot = ext.find('.');
  if (dot != std::string::npos) ext.erase(0, dot + 1);
  ext = LowerAscii(ext);
  for (const auto& e : extensions_)
    if (e.extension == ext) return e.entry->reader;
  return nullptr;
}

const TPictureReader* TFileFormatList::FindReaderByContent(
    std::span<const std::uint8_t> head) const {
  for (const auto& entry : classes_)
    if (entry->reader->IsFormat && entry->reader->IsFormat(head)) return entry->reader;
  return nullptr;
}

const TPictureReader* TFileFormatList::FindReaderByContent(const std::string& fileName) const {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw Error("Cannot open file " + fileName);
  std::vector<std::uint8_t> head(kContentHeadSize);
  in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
  if (in.bad()) throw Error("Cannot read file " + fileName);
  head.resize(std::size_t(in.gcount()));
  return FindReaderByContent(std::span<const std::uint8_t>(head));
}

std::string TFileFormatList::BuildPictureFilter() const {
  struct ReaderEntry {
    std::string description;
    std::string patterns;
  };
  std::vector<std::string> all;
  std::vector<ReaderEntry> entries;
  for (const auto& classEntry : classes_) {
    std::vector<std::string> exts;
    for (const auto& e : extensions_)
      if (e.entry == classEntry.get()) exts.push_back(e.extension);
    if (exts.empty()) continue;
    std::stable_sort(exts.begin(), exts.end(), LessIgnoringCase);
    all.insert(all.end(), exts.begin(), exts.end());
    entries.push_back(ReaderEntry{classEntry->description, JoinPatterns(exts)});
  }
  std::stable_sort(all.begin(), all.end(), LessIgnoringCase);
  std::stable_sort(entries.begin(), entries.end(), [](const ReaderEntry& a, const ReaderEntry& b) {
    return LessIgnoringCase(a.description, b.description);
  });
  const std::string allPatterns = JoinPatterns(all);
  std::string out = "All images|" + allPatterns + "|";
  for (const auto& e : entries) out += e.description + " (" + e.patterns + ")|" + e.patterns + "|";
  out.pop_back();  // the final "|"
  return out;
}

const TFileFormatList::LoadEntry* TFileFormatList::FindLoadEntry(
    const std::string& extension) const {
  const std::string ext = LowerAscii(extension);
  for (auto it = loadEntries_.rbegin(); it != loadEntries_.rend(); ++it)
    if (it->extension == ext) return &*it;
  return nullptr;
}

const TPictureReader* TFileFormatList::LoadReaderFor(const std::string& extension) const {
  const LoadEntry* entry = FindLoadEntry(extension);
  return entry ? entry->reader : nullptr;
}

std::string TFileFormatList::LoadDescriptionFor(const std::string& extension) const {
  const LoadEntry* entry = FindLoadEntry(extension);
  return entry ? entry->description : std::string();
}

TPicture TFileFormatList::LoadPicture(const std::string& fileName) const {
  const std::string ext = ExtensionOfFile(fileName);
  const LoadEntry* entry = FindLoadEntry(ext);
  if (!entry) throw Error(FormatMessage("Unknown picture file extension (.%s)", ext));
  std::vector<std::uint8_t> data = ReadWholeFile(fileName);
  return entry->reader->Decode(std::span<const std::uint8_t>(data), fileName);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName, std::size_t maxBytes) {
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  if (!in) throw Error("Cannot open file " + fileName);
  std::streamoff size = in.tellg();
  if (size < 0) throw Error("Cannot read file " + fileName);
  if (std::uint64_t(size) > maxBytes) throw Error(fileName + ": file is too large");
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(data.data()), size);
  if (in.gcount() != size) throw Error("Cannot read file " + fileName);
  return data;
}

void RegisterStandardFormats(TFileFormatList& list) {
  const unsigned raster = fkRaster;
  const unsigned vector = fkVector;
  const unsigned multi = fkMultiImage | fkRaster;
  const unsigned layered = fkLayered | fkRaster;
  struct Row {
    const char* ext;
    const char* common;
    const char* own;
    const TPictureReader& (*reader)();
    unsigned kinds;
  };
  const Row rows[] = {
      {"bmp", "Windows bitmaps", "", BmpReader, raster},
      {"ico", "Windows icons", "", IcoReader, raster},
      {"wmf", "Windows metafiles", "", MetafileReader, vector},
      {"emf", "Windows metafiles", "Windows enhanced meta files", MetafileReader, vector},
      {"jfif", "JPG images", "JFIF images", JpegReader, raster},
      {"jpg", "", "JPG images", JpegReader, raster},
      {"jpe", "", "JPE images", JpegReader, raster},
      {"jpeg", "", "JPEG images", JpegReader, raster},
      {"rle", "Windows bitmaps", "Run length encoded Windows bitmaps", BmpReader, raster},
      {"dib", "", "Device independant Windows bitmaps", BmpReader, raster},
      {"win", "Truevision images", "", TgaReader, raster},
      {"vst", "", "", TgaReader, raster},
      {"vda", "", "", TgaReader, raster},
      {"tga", "", "", TgaReader, raster},
      {"icb", "", "", TgaReader, raster},
      {"tiff", "Tagged image file format images", "Macintosh TIFF images", TiffReader, multi},
      {"tif", "", "PC TIF images", TiffReader, multi},
      {"fax", "", "GFI fax images", TiffReader, multi},
      {"eps", "Encapsulated Postscript images", "", EpsReader, raster},
      {"pcx", "ZSoft Paintbrush images", "", PcxReader, raster},
      {"pcc", "", "", PcxReader, raster},
      {"scr", "", "Word 5.x screen capture images", PcxReader, raster},
      {"rpf", "Alias/Wavefront images", "", RlaReader, raster},
      {"rla", "", "", RlaReader, raster},
      {"sgi", "SGI images", "SGI true color images", SgiReader, raster},
      {"rgba", "", "SGI true color images with alpha", SgiReader, raster},
      {"rgb", "", "SGI true color images", SgiReader, raster},
      {"bw", "", "SGI black/white images", SgiReader, raster},
      {"psd", "Photoshop images", "", PsdPlaceholderReader, layered},
      {"pdd", "", "", PsdPlaceholderReader, layered},
      {"ppm", "Portable map images", "Portable pixel map images", PnmReader, raster},
      {"pgm", "", "Portable gray map images", PnmReader, raster},
      {"pbm", "", "Portable bitmap images", PnmReader, raster},
      {"cel", "Autodesk images", "", AutodeskReader, raster},
      {"pic", "Autodesk images", "", AutodeskReader, raster},
      {"pcd", "Kodak Photo-CD images", "", PcdReader, raster},
      {"cut", "Dr. Halo images", "", CutReader, raster},
      {"psp", "Paintshop Pro images", "", PspReader, fkRaster | fkVector},
      {"png", "Portable network graphic images", "", PngReader, raster},
  };
  for (const Row& r : rows)
    list.RegisterPictureFormat(r.ext, r.common, r.own, r.kinds, false, r.reader());
}

TFileFormatList& PictureFormats() {
  static TFileFormatList list = [] {
    TFileFormatList l;
    RegisterStandardFormats(l);
    return l;
  }();
  return list;
}

TPicture LoadPictureByExtension(const std::string& fileName) {
  return PictureFormats().LoadPicture(fileName);
}

}  // namespace quenvar
