#pragma once
// TProject: the one open document, a canvas and an ordered stack of blend
// layers. Constructing a project makes it the open one; CloseProject discards
// it. Load and Save read and write the .zyl archive (zylload.cpp, zylsave.cpp).
#include <cstdint>
#include <string>
#include <vector>

#include "host/progress.h"

namespace quenvar {

class TBlendLayer;
class TZylArchive;

class TProject {
 public:
  // Becomes the open project; a project open before is not closed here.
  TProject();
  // Destroys the layers still held and stops being the open project.
  ~TProject();
  TProject(const TProject&) = delete;
  TProject& operator=(const TProject&) = delete;

  // Reads the project from an archive opened for reading into this fresh
  // project. Stops early (logging why) on a damaged archive. `progress`
  // hears the layers read; stopping it throws quenvar::Cancelled.
  void Load(TZylArchive& archive, const TProgress& progress = {});
  // Writes the archive at fileName. Throws quenvar::Error when the file
  // cannot be written, quenvar::Cancelled when `progress` stopped it; either
  // way the previous file stays as it was.
  void Save(const TProgress& progress = {});
  void SaveAs(const std::string& path, const TProgress& progress = {});
  // Refills description with the lines of project.xml. The canvas size is
  // taken from the view window first.
  void BuildDescription();
  // The same with the picture entry name of each layer given (Save gives a
  // layer a name of its own when two pictures would share one).
  void BuildDescription(const std::vector<std::string>& entryNames);

  std::string name = "New Project";
  std::string fileName = "untitled.zyl";
  bool modified = false;
  std::string comment;
  std::string thumbnailFile;
  std::string author;
  std::uint16_t height = 0;
  std::uint16_t width = 0;
  std::uint16_t displayHeight = 0;
  std::uint16_t displayWidth = 0;
  std::uint8_t interlaced = 0;
  std::vector<std::string> description;
  // Bottom layer first. The project owns the layers; a layer adds itself in
  // its constructor and removes itself in its destructor.
  std::vector<TBlendLayer*> layers;
};

// The open project, or nullptr.
TProject* CurrentProject();

// While one lives, no project is the open one: a project constructed then
// (a file read before the open project is closed) becomes open only for the
// scope's life, and the project that was open before is open again after.
class TProjectAside {
 public:
  TProjectAside();
  ~TProjectAside();
  TProjectAside(const TProjectAside&) = delete;
  TProjectAside& operator=(const TProjectAside&) = delete;

 private:
  TProject* previous_;
};

// True while a TProjectAside lives.
bool ReadingAside();

// Makes a project read aside the open one; the caller has closed the
// project that was open.
void AdoptProject(TProject* project);

// Discards the open project through the host: hides the layers panel, stops
// playback, destroys the panel rows and the layers, then the project.
void CloseProject();

// What the Open command does with a path: opens the archive (logging
// "Error : Unable to read :" + path and returning nullptr when it is not a
// readable archive), constructs a new project and loads it. The caller closes
// the previous project first. When `progress` stops the load, the new
// project is closed again and quenvar::Cancelled thrown. `why`, when given,
// receives the reason a file could not be read.
TProject* OpenProjectFile(const std::string& path, const TProgress& progress = {},
                          std::string* why = nullptr);

}  // namespace quenvar
