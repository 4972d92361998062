#pragma once
// The PSD import window's reading, apart from the window: the picture it
// previews, and the lines its account of a read and an import writes.
#include <string>
#include <vector>

#include "compose/blendmodes.h"
#include "formats/picture.h"
#include "psd/psdimportmodel.h"

namespace quenvar {

// The reader that recognises the file's content decodes it (for a PSD
// document that reads it into tPsdImage); a file no reader recognises goes
// through the general load by extension. Errors propagate.
TPicture LoadImportPicture(const std::string& fileName);

// The lines after a read: file, image format, load time and the section
// sizes of the model's document.
std::vector<std::string> PsdReadAccount(const std::string& fileName, const TPsdImportModel& model,
                                        long long milliseconds);

// "Inserting layer .. (Screen scrn)": the mode's display name and the key.
std::string PsdInsertLine(TBlendMode mode, const std::string& blendKey);

// The two lines that report any failed read.
extern const char* const kPsdReadErrorLines[2];

}  // namespace quenvar
