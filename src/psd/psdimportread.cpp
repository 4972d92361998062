#include "psd/psdimportread.h"

#include "formats/formatlist.h"
#include "formats/iccconvert.h"
#include "host/statuslog.h"

namespace quenvar {

const char* const kPsdReadErrorLines[2] = {
    "### Error : zyl incompatible psd file ",
    "            in photoshop(r),try to re-save file with rgb mode and reload :)",
};

TPicture LoadImportPicture(const std::string& fileName) {
  const TFileFormatList& formats = PictureFormats();
  const TPictureReader* reader = formats.FindReaderByContent(fileName);
  TPicture picture;
  if (!reader) {
    picture = formats.LoadPicture(fileName);
  } else {
    const std::vector<std::uint8_t> data = ReadWholeFile(fileName);
    picture = reader->Decode(data, fileName);
  }
  if (!picture.convertedFrom.empty()) PsdLog(ConvertedLogLine(picture.convertedFrom));
  return picture;
}

std::vector<std::string> PsdReadAccount(const std::string& fileName, const TPsdImportModel& model,
                                        long long milliseconds) {
  auto n = [](long long v) { return std::to_string(v); };
  return {
      "file : " + fileName,
      "image format : " + PsdColorModeName(model.colorMode),
      "load time: " + n(milliseconds) + "ms",
      "resource section : " + n(model.resourceLength),
      "layers : " + n(model.layerCount),
      "layers section : " + n(model.layerMaskLength),
      "layers + mask : " + n(model.layerMaskValue),
      "layer infosec : " + n(model.layerInfoValue),
  };
}

std::string PsdInsertLine(TBlendMode mode, const std::string& blendKey) {
  return "Inserting layer .. (" + CapitalizeFirst(BlendModeName(mode)) + " " + blendKey + ")";
}

}  // namespace quenvar
