#pragma once
// Recovery files: the open project as it stands, written as an ordinary .zyl
// archive so that a crash loses only the last few seconds. A snapshot is
// taken on the thread that owns the project and costs no encoding or file
// reading there (pictures are shared bytes, or a copy of the pixels); writing
// it is plain work any thread can do. An extra entry, recovery.txt, keeps the
// project's own file name and the time of the last edit; the loader ignores
// entries no layer names.
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compose/surface.h"
#include "host/progress.h"
#include "project/blendclass.h"

namespace quenvar {

class TProject;

// What recovery.txt says.
struct TRecoveryInfo {
  // The project's own file; empty when it was never saved.
  std::string fileName;
  std::string name;
  std::time_t editedAt = 0;
};

struct TRecoverySnapshot {
  struct TEntry {
    std::string name;
    // Either the picture file's bytes, or pixels to be stored as BMP.
    TPictureBytes bytes;
    std::shared_ptr<const TBitmap32> pixels;
  };
  std::string description;  // project.xml
  std::vector<TEntry> entries;
  TRecoveryInfo info;
};

// The project's state now: description, pictures and info. Layers whose
// picture did not come from bytes (a PSD import) keep a copy of their pixels,
// stored as a .bmp entry. Refreshes the project's description as Save does.
TRecoverySnapshot TakeRecoverySnapshot(TProject& project, std::time_t editedAt);

// Writes the snapshot as a project archive at `path`, replacing what is there
// only once the whole archive is written. Throws quenvar::Error on a failed
// write and quenvar::Cancelled when `progress` stops it; either way the file
// at `path` is as it was.
void WriteRecoveryFile(const TRecoverySnapshot& snapshot, const std::string& path,
                       const TProgress& progress = {});

// recovery.txt of a recovery file; nothing when the file is no readable
// archive or has no such entry.
std::optional<TRecoveryInfo> ReadRecoveryInfo(const std::string& path);

// "recover the unsaved project <name> from <local date and time>?"
std::string RecoveryQuestion(const TRecoveryInfo& info);

// A project opened from a recovery file becomes the unsaved project it was:
// its own file name back ("untitled.zyl" when it had none, so Save asks for
// one) and marked modified.
void AdoptRecoveredProject(TProject& project, const TRecoveryInfo& info);

}  // namespace quenvar
