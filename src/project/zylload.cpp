// TProject::Load: reads a .zyl archive into a freshly constructed project,
// logging each step so a damaged file can be traced in the status log.
#include <exception>
#include <mutex>

#include "host/error.h"
#include "host/orderedjobs.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "project/projecthost.h"
#include "project/projectxml.h"
#include "project/zylarchive.h"

namespace quenvar {

namespace {

// project.xml holds text lines for a few settings per layer; anything near
// this size is not a description this program wrote.
constexpr std::size_t kMaxDescriptionBytes = std::size_t(16) << 20;

std::string LayerLabel(int index, const std::string& name) {
  return "Layer " + std::to_string(index + 1) + " (\"" + name + "\"): ";
}

// A layer's picture entry, read from the archive and decoded ahead of the
// layer on a worker thread.
struct TEntryJob {
  std::string filename;
  std::string entryName;
  TPictureBytes bytes;
  // An entry too large or too damaged to read leaves the layer without a
  // picture; the load goes on with the next settings.
  std::string extractError;
  TDecodedEntry decoded;
};

// The archive is read by one thread at a time; the decoding runs in parallel.
void ReadEntry(const TZylArchive& archive, std::mutex* archiveLock, TEntryJob& job) {
  try {
    if (!job.entryName.empty()) {
      std::unique_lock<std::mutex> lock;
      if (archiveLock) lock = std::unique_lock<std::mutex>(*archiveLock);
      job.bytes = std::make_shared<const std::vector<std::uint8_t>>(
          archive.Extract(job.entryName, MaxPictureFileBytes()));
    }
  } catch (const std::exception& e) {
    job.extractError = e.what();
    return;
  }
  static const std::vector<std::uint8_t> kNoBytes;
  job.decoded = DecodePictureEntry(job.bytes ? *job.bytes : kNoBytes, job.entryName, job.filename);
}

// The entries of the layer elements, up to the first whose file name cannot
// be read (its layer ends the load).
std::vector<TEntryJob> EntryJobs(const std::vector<TXMLLayerType>& elements) {
  std::vector<TEntryJob> jobs;
  jobs.reserve(elements.size());
  try {
    for (const TXMLLayerType& element : elements) {
      TEntryJob job;
      job.filename = element.Filename();
      job.entryName = FileNamePart(job.filename);
      jobs.push_back(std::move(job));
    }
  } catch (const std::exception&) {
  }
  return jobs;
}

// Steps a to p for the layer element at `index`, with its picture entry read
// and decoded already; the layer joins the project before anything is read,
// so a failure keeps what was read so far.
void LoadLayer(TEntryJob& job, const TXMLLayerType& element, int index) {
  auto* layer = new TBlendLayer();
  try {
    layer->name = element.Name();
    layer->filename = element.Filename();
    if (element.HasAttribute("opacity")) layer->opacity = std::uint16_t(element.Opacity());
    layer->number = index + 1;
    if (element.HasAttribute("interlaced")) layer->interlaced = std::uint8_t(element.Interlaced());

    StatusLog("> Loading | " + job.entryName);
    if (!job.extractError.empty()) {
      StatusLog("## ERROR LOADING IMAGE " + job.extractError);
    } else {
      try {
        layer->TakePictureEntry(std::move(job.bytes), job.entryName, std::move(job.decoded));
      } catch (const std::exception&) {
        StatusLog("## ERROR LOADING IMAGE ");
      }
    }
    job.bytes.reset();
    if (layer->bmp.Height() > 0)
      StatusLog("> Loaded, size : " + std::to_string(layer->bmp.Width()) + "x" +
                std::to_string(layer->bmp.Height()));

    layer->SetMode(BlendModeFromName(element.Blendmode()));
    layer->my = std::uint8_t(element.My());
    layer->mx = std::uint8_t(element.Mx());
    layer->speed = element.Speed();
    if (element.HasAttribute("x2")) {
      layer->x2 = element.X2();
      layer->y2 = element.Y2();
    }
    layer->posx = element.Posx();
    layer->posy = element.Posy();
    layer->tileWrap = element.TileWrap();
    if (element.HasAttribute("x")) {
      layer->x = element.X();
      layer->y = element.Y();
    }
  } catch (const std::exception& e) {
    throw Error(LayerLabel(index, layer->name) + e.what());
  }
  // Direction flags are optional: a failure keeps the rest at their defaults.
  try {
    layer->px = std::uint8_t(element.Px());
    layer->py = std::uint8_t(element.Py());
  } catch (const std::exception&) {
  }
}

}  // namespace

void TProject::Load(TZylArchive& archive, const TProgress& progress) {
  StatusLog(" ");
  StatusLog("Loading project : " + archive.Path());
  std::unique_ptr<TProjectDocument> document;
  TXMLProjectType project{pugi::xml_node()};
  try {
    StatusLog("@UnZipToStream(stream,\"project.xml\")");
    const std::vector<std::uint8_t> xml = archive.Extract("project.xml", kMaxDescriptionBytes);
    fileName = archive.Path();
    StatusLog("@TXMLDocument.Create;");
    document = std::make_unique<TProjectDocument>(xml);
    StatusLog("@XML.getproject");
    project = document->Project();
    StatusLog("@XML.getproject ... DONE ");
    StatusLog("$ PROJECT CREATED ON ZYL " + project.Zyl().Version());
    StatusLog(" ");
    height = std::uint16_t(project.Canvas().Height());
    width = std::uint16_t(project.Canvas().Width());
    name = project.Info().Name();
    // Kept, so a project saved again does not lose its comment.
    comment = project.Comment();
  } catch (const std::exception& e) {
    StatusLog(std::string("### Error : ") + e.what());
    return;
  }

  TProjectHost& host = ProjectHost();
  // The panel shows another project's rows while a file is read aside.
  const bool panelRows = !ReadingAside();
  try {
    const TXMLCanvasType canvas = project.Canvas();
    if (canvas.HasAttribute("Interlaced")) interlaced = std::uint8_t(canvas.Interlaced());
    displayHeight = std::uint16_t(canvas.Height());
    displayWidth = std::uint16_t(canvas.Width());
    if (panelRows) host.HideLayersPanelContents();
    const std::vector<TXMLLayerType> elements = project.Layers().Items();
    const auto total = std::int64_t(elements.size());
    // The pictures are read and decoded on all cores, ahead of their layers;
    // the layers take them over in order here, so the log, the errors and
    // the order of layers are as if each were decoded in its turn.
    std::vector<TEntryJob> jobs = EntryJobs(elements);
    std::mutex archiveLock;
    TOrderedJobs decoding(jobs.size(),
                          [&](std::size_t i) { ReadEntry(archive, &archiveLock, jobs[i]); });
    for (std::size_t i = 0; i < elements.size(); ++i) {
      if (!ReportProgress(progress, std::int64_t(i), total)) throw Cancelled();
      if (i < jobs.size()) {
        decoding.Wait(i);
        LoadLayer(jobs[i], elements[i], int(i));
      } else {
        // A file name that could not be read: the layer fails as it reads it.
        TEntryJob job;
        LoadLayer(job, elements[i], int(i));
      }
    }
    ReportProgress(progress, total, total);
  } catch (const Cancelled&) {
    if (panelRows) host.ShowLayersPanelContents(int(layers.size()));
    throw;
  } catch (const std::exception& e) {
    // A damaged layer element ends the load with the layers read so far.
    StatusLog(std::string("### Error : ") + e.what());
  }
  if (panelRows) host.ShowLayersPanelContents(int(layers.size()));
}

TProject* OpenProjectFile(const std::string& path, const TProgress& progress, std::string* why) {
  std::unique_ptr<TZylArchive> archive;
  try {
    archive = std::make_unique<TZylArchive>(path);
  } catch (const std::exception& e) {
    StatusLog("Error : Unable to read :" + path);
    if (why) *why = e.what();
    return nullptr;
  }
  auto* project = new TProject();
  try {
    project->Load(*archive, progress);
  } catch (const Cancelled&) {
    // Nothing half loaded stays open. A project read aside the open one has
    // no rows in the layers panel to take down.
    if (!ReadingAside())
      CloseProject();
    else
      delete project;
    StatusLog("Loading stopped : " + path);
    throw;
  }
  return project;
}

}  // namespace quenvar
