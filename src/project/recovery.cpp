#include "project/recovery.h"

#include <map>

#include "compose/bmpencode.h"
#include "formats/formatlist.h"
#include "host/error.h"
#include "project/project.h"
#include "project/zipwriter.h"
#include "project/zylarchive.h"

namespace quenvar {

namespace {

const char kInfoEntry[] = "recovery.txt";
const char kInfoFirstLine[] = "Quenvar recovery file";
constexpr std::size_t kMaxInfoBytes = 1 << 16;

// Values sit one to a line: line breaks and backslashes are escaped.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

std::string InfoText(const TRecoveryInfo& info) {
  return std::string(kInfoFirstLine) + "\nfile=" + Escape(info.fileName) +
         "\nname=" + Escape(info.name) + "\nedited=" + std::to_string(std::int64_t(info.editedAt)) +
         "\n";
}

bool NamesJpeg(const std::string& name) {
  const std::string lower = LowerAscii(name);
  return lower.find(".jpg") != std::string::npos || lower.find(".jpeg") != std::string::npos;
}

// The loader picks the decoder from the entry name, so pixels stored as BMP
// need a name that says BMP and nothing else.
std::string BmpEntryName(const TBlendLayer& layer, std::size_t index) {
  const std::string part = FileNamePart(layer.filename);
  if (LowerAscii(ExtensionOf(part)) == "bmp" && !NamesJpeg(part)) return part;
  return "layer-" + std::to_string(index + 1) + ".bmp";
}

// "a.png" -> "a-2.png": two different pictures never share an entry.
std::string NumberedName(const std::string& name, int n) {
  const std::size_t dot = name.rfind('.');
  const std::string suffix = "-" + std::to_string(n);
  if (dot == std::string::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

}  // namespace

TRecoverySnapshot TakeRecoverySnapshot(TProject& project, std::time_t editedAt) {
  TRecoverySnapshot snapshot;
  snapshot.info.fileName = project.fileName == "untitled.zyl" ? "" : project.fileName;
  snapshot.info.name = project.name;
  snapshot.info.editedAt = editedAt;

  // Names taken, with the bytes stored under them (null for pixels and our own entries).
  std::map<std::string, TPictureBytes> taken{
      {"project.xml", nullptr}, {"copyright.txt", nullptr}, {kInfoEntry, nullptr}};
  std::vector<std::string> entryNames;
  for (std::size_t i = 0; i < project.layers.size(); ++i) {
    const TBlendLayer& layer = *project.layers[i];
    TRecoverySnapshot::TEntry entry;
    std::string name;
    // The bytes the picture was decoded from are what is on screen, whatever
    // the file it came from holds now.
    if (layer.sourceBytes && !FileNamePart(layer.filename).empty()) {
      name = FileNamePart(layer.filename);
      entry.bytes = layer.sourceBytes;
    } else if (!layer.bmp.Empty()) {
      name = BmpEntryName(layer, i);
      entry.pixels = std::make_shared<const TBitmap32>(layer.bmp);
    } else {
      entryNames.push_back(FileNamePart(layer.filename));
      continue;
    }
    const std::string base = name;
    bool shared = false;
    for (int n = 2;; ++n) {
      auto it = taken.find(name);
      if (it == taken.end()) break;
      if (entry.bytes && it->second == entry.bytes) {
        shared = true;
        break;
      }
      name = NumberedName(base, n);
    }
    entryNames.push_back(name);
    if (shared) continue;
    taken.emplace(name, entry.bytes);
    entry.name = name;
    snapshot.entries.push_back(std::move(entry));
  }

  project.BuildDescription(entryNames);
  for (const std::string& line : project.description) snapshot.description += line + "\r\n";
  return snapshot;
}

void WriteRecoveryFile(const TRecoverySnapshot& snapshot, const std::string& path,
                       const TProgress& progress) {
  // Encoding comes first: a write stopped here has touched nothing.
  std::vector<std::pair<std::string, TZipBytes>> pictures;
  for (const TRecoverySnapshot::TEntry& entry : snapshot.entries) {
    if (!ReportProgress(progress, 0, 1000)) throw Cancelled();
    pictures.emplace_back(entry.name, entry.bytes
                                          ? entry.bytes
                                          : std::make_shared<const std::vector<std::uint8_t>>(
                                                EncodeBmp32(*entry.pixels, TBmpAlpha::Declared)));
  }
  TZipWriter writer(path, TZipWriter::TMode::Replace);
  writer.Add("project.xml", snapshot.description);
  writer.Add(kInfoEntry, InfoText(snapshot.info));
  // Pictures are mostly compressed already; storing them keeps the write short.
  for (const auto& [name, bytes] : pictures) writer.Add(name, bytes, false);
  writer.Commit(progress);
}

std::optional<TRecoveryInfo> ReadRecoveryInfo(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  try {
    TZylArchive archive(path);
    bytes = archive.Extract(kInfoEntry, kMaxInfoBytes);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string text(bytes.begin(), bytes.end());
  if (text.rfind(std::string(kInfoFirstLine) + "\n", 0) != 0) return std::nullopt;
  TRecoveryInfo info;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = Unescape(line.substr(eq + 1));
    if (key == "file") {
      info.fileName = value;
    } else if (key == "name") {
      info.name = value;
    } else if (key == "edited") {
      try {
        info.editedAt = std::time_t(std::stoll(value));
      } catch (const std::exception&) {
        return std::nullopt;
      }
    }
  }
  return info;
}

std::string RecoveryQuestion(const TRecoveryInfo& info) {
  std::tm local{};
  const std::time_t when = info.editedAt;
  localtime_r(&when, &local);
  char time[64];
  std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S", &local);
  return "recover the unsaved project " + info.name + " from " + time + "?";
}

void AdoptRecoveredProject(TProject& project, const TRecoveryInfo& info) {
  project.fileName = info.fileName.empty() ? "untitled.zyl" : info.fileName;
  project.modified = true;
}

}  // namespace quenvar
