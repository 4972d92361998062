#pragma once
// Which layers an import of a PSD document makes, and how.
#include <vector>

#include "project/layeredit.h"
#include "psd/psdimportmodel.h"

namespace quenvar {

// One new layer per picture row the window shows (ticked, in no unticked
// group), bottom of the document first: named after the PSD layer, with
// ".bmp" appended for its file name so that a save stores its picture, and
// with the row's opacity, mode and place. Hidden rows are not imported.
std::vector<TNewLayer> PsdImportLayers(const TPsdImportModel& model);
// The rows those layers come from, in the same order.
std::vector<int> PsdImportedRows(const TPsdImportModel& model);

}  // namespace quenvar
