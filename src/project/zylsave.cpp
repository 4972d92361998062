// TProject::Save: writes the .zyl archive through TZipWriter, so a failed
// save leaves the previous file as it was.
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include "compose/bmpencode.h"
#include "formats/formatlist.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/projectclock.h"
#include "project/zipwriter.h"
#include "project/zylsave.h"

namespace quenvar {

namespace {

const char kNotice[] = "Copyright (c) the Quenvar developers. All rights reserved.";
const char kAddress[] = "https://quenvar.example.org/";

bool NamesJpeg(const std::string& text) {
  return text.find(".jpg") != std::string::npos || text.find(".jpeg") != std::string::npos;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The picture bytes of a layer by the first rule that applies: the file it
// names, its kept JPEG, its picture as BMP data when BMP-named, or the bytes
// it was loaded from. Null when nothing can be stored.
TPictureBytes LayerPictureBytes(const TBlendLayer& layer) {
  if (layer.filename.empty()) return nullptr;
  if (FileExists(layer.filename))
    return std::make_shared<const std::vector<std::uint8_t>>(
        ReadWholeFile(layer.filename, MaxPictureFileBytes()));
  // The kept JPEG counts only while it is still the layer's picture.
  if (NamesJpeg(layer.filename) && layer.jpegImage && layer.jpegImage == layer.sourceBytes)
    return layer.jpegImage;
  if (layer.filename.find(".bmp") != std::string::npos)
    return std::make_shared<const std::vector<std::uint8_t>>(
        EncodeBmp32(layer.bmp, TBmpAlpha::Declared));
  return layer.sourceBytes;
}

// "a.png" -> "a-2.png", "a" -> "a-2".
std::string NumberedName(const std::string& name, int n) {
  const std::size_t dot = name.rfind('.');
  const std::string suffix = "-" + std::to_string(n);
  if (dot == std::string::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

bool SameBytes(const TPictureBytes& a, const TPictureBytes& b) {
  return a == b || *a == *b;
}

std::string ArchiveComment(const TProject& project) {
  std::string comment = "ZYL Project file\r\r" + project.fileName + project.comment;
  // The end record holds at most 65535 bytes of comment.
  if (comment.size() > 0xFFFF) comment.resize(0xFFFF);
  return comment;
}

std::string CopyrightText() {
  return std::string("ZYL Project file | ") + kNotice + "\r\rFor more information : " + kAddress +
         "\r\r" + LocalTimeText() + "\r\n";
}

}  // namespace

std::vector<TPlannedEntry> PlanPictureEntries(const TProject& project) {
  std::vector<TPlannedEntry> plan;
  // Names taken so far, with the bytes stored under them.
  std::map<std::string, TPictureBytes> taken{{"project.xml", nullptr}, {"copyright.txt", nullptr}};
  for (const TBlendLayer* layer : project.layers) {
    TPlannedEntry entry;
    entry.name = FileNamePart(layer->filename);
    entry.bytes = LayerPictureBytes(*layer);
    if (entry.bytes && !entry.name.empty()) {
      std::string name = entry.name;
      for (int n = 2;; ++n) {
        auto it = taken.find(name);
        if (it == taken.end()) {
          taken.emplace(name, entry.bytes);
          entry.write = true;
          break;
        }
        // The same picture under the same name is stored once.
        if (it->second && SameBytes(it->second, entry.bytes)) break;
        name = NumberedName(entry.name, n);
      }
      entry.name = name;
    }
    plan.push_back(std::move(entry));
  }
  return plan;
}

void TProject::Save(const TProgress& progress) {
  StatusLog("Saving project ...");
  if (layers.empty()) {
    StatusLog("Nothing to save .. ");
    return;
  }
  if (name == "New Project") {
    const std::string part = FileNamePart(fileName);
    name = part.substr(0, part.find('.'));
  }
  const std::vector<TPlannedEntry> plan = PlanPictureEntries(*this);
  std::vector<std::string> entryNames;
  for (const TPlannedEntry& entry : plan) entryNames.push_back(entry.name);
  BuildDescription(entryNames);

  auto xml = std::make_shared<std::vector<std::uint8_t>>();
  for (const std::string& line : description) {
    xml->insert(xml->end(), line.begin(), line.end());
    xml->push_back('\r');
    xml->push_back('\n');
  }
  const std::string copyright = CopyrightText();

  TZipWriter writer(fileName);
  writer.SetComment(ArchiveComment(*this));
  writer.Add("project.xml", xml);
  writer.Add("copyright.txt", copyright);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    if (plan[i].write) {
      writer.Add(plan[i].name, plan[i].bytes);
    } else if (!plan[i].bytes && !layers[i]->bmp.Empty()) {
      StatusLog("# Error : Unable to store the picture of layer " + layers[i]->name);
    }
  }
  writer.Commit(progress);

  std::error_code ec;
  const auto size = std::filesystem::file_size(fileName, ec);
  StatusLog("Project saved to \"" + fileName + "\" , size : " + std::to_string(ec ? 0 : size));
  StatusLog(" ");
  modified = false;
}

}  // namespace quenvar
