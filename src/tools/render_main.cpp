// quenvar-render: opens a project as the Open command does, builds its view
// as the view window does and writes frames as recording names them, without
// any window. It can also save the project again (--save-as), which pulls
// pictures that live beside the project into the archive.
//
//   quenvar-render PROJECT.zyl --frames N [--start K] [--out DIR] [--png] [--save-as OUT.zyl]
//   quenvar-render PROJECT.zyl --frames N [--start K] --video OUT.{mp4,mkv,avi,gif,apng,webp,webm}
//                  [--fps R] [--crf Q] [--quality Q]
//   quenvar-render PROJECT.zyl --save-as OUT.zyl
//   quenvar-render PROJECT.zyl --ora OUT.ora
//   quenvar-render PROJECT.zyl --web OUT.html [--fps R]
//   quenvar-render PROJECT.zyl --frames N [--start K] --digest [--no-write]
//   quenvar-render PROJECT.zyl --info
//   quenvar-render PROJECT.zyl --loop [--max-frames M] [--start K] [...as for --frames]
//
// PROJECT may also be an OpenRaster file (.ora), imported as a new project.
//
// --start K writes frames K to K + N - 1, byte for byte those frames of a run
// from frame 1; reaching frame K takes the same time for any K. Progress goes
// to standard error (--quiet silences it). --loop renders one whole loop:
// the L frames after which playback repeats (--info says how L comes about).
// --digest prints "K DIGEST" for every frame K rendered, the SHA-256 of its
// RGBA bytes top row first, as the web page's ?frame=K hook writes it;
// --no-write renders without writing frames.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "compose/layerstack.h"
#include "compose/pngsave.h"
#include "core/coreinit.h"
#include "host/canvassize.h"
#include "host/commandline.h"
#include "host/error.h"
#include "host/progress.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/framestep.h"
#include "project/looplength.h"
#include "project/offscreenhost.h"
#include "project/orawrite.h"
#include "project/project.h"
#include "project/projectopen.h"
#include "video/videoformat.h"
#include "video/videowriter.h"
#include "web/framedigest.h"
#include "web/webpage.h"

using namespace quenvar;

namespace {

constexpr int kMaxFrames = 99999;  // frame numbers have five digits

struct TOptions {
  std::string project;
  std::int64_t frames = 0;
  bool info = false;
  bool loop = false;
  std::int64_t maxFrames = std::int64_t(kMaxLoopFrames);
  std::int64_t start = 1;
  std::string outDir;
  bool png = false;
  std::string saveAs;
  std::string video;
  int fps = kDefaultFps;
  int crf = TVideoSettings{}.crf;
  int quality = TVideoSettings{}.quality;  // WebP: none is lossless
  bool quiet = false;
  std::string ora;
  std::string web;
  bool digest = false;
  bool noWrite = false;
};

const char kUsage[] =
    "usage: quenvar-render PROJECT.zyl --frames N [--start K] [--out DIR] [--png] "
    "[--save-as OUT.zyl] [--ora OUT.ora] [--quiet]\n"
    "       quenvar-render PROJECT.zyl --frames N [--start K] "
    "--video OUT.{mp4,mkv,avi,gif,apng,webp,webm} [--fps R] [--crf Q] [--quality Q] [--quiet]\n"
    "       quenvar-render PROJECT.zyl --save-as OUT.zyl\n"
    "       quenvar-render PROJECT.zyl --ora OUT.ora\n"
    "       quenvar-render PROJECT.zyl --web OUT.html [--fps R]\n"
    "       quenvar-render PROJECT.zyl --frames N [--start K] --digest [--no-write] ...\n"
    "       quenvar-render PROJECT.zyl --info\n"
    "       quenvar-render PROJECT.zyl --loop [--max-frames M] [--start K] [--out DIR] [--png] "
    "[--video OUT] ...\n"
    "       quenvar-render --help | --version\n"
    "PROJECT may be an OpenRaster file (.ora) instead of a .zyl.\n";

void Usage() {
  std::cerr << kUsage;
}

// A whole decimal number from `low` to `high`, else none.
std::optional<long> NumberIn(const std::string& text, long low, long high) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || n < low || n > high) return std::nullopt;
  return n;
}

std::optional<TOptions> ParseOptions(int argc, char** argv) {
  TOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--frames") {
      auto v = value();
      if (!v) return std::nullopt;
      const auto n = NumberIn(*v, 1, kMaxFrames);
      if (!n) {
        std::cerr << "quenvar-render: --frames takes a number from 1 to " << kMaxFrames << "\n";
        return std::nullopt;
      }
      options.frames = int(*n);
    } else if (arg == "--fps" || arg == "--crf") {
      auto v = value();
      if (!v) return std::nullopt;
      const bool fps = arg == "--fps";
      const auto n = fps ? NumberIn(*v, 1, 1000) : NumberIn(*v, 0, 51);
      if (!n) {
        std::cerr << "quenvar-render: " << arg
                  << (fps ? " takes a rate from 1 to 1000\n" : " takes a quality from 0 to 51\n");
        return std::nullopt;
      }
      (fps ? options.fps : options.crf) = int(*n);
    } else if (arg == "--quality") {
      auto v = value();
      if (!v) return std::nullopt;
      const auto n = NumberIn(*v, 0, 100);
      if (!n) {
        std::cerr << "quenvar-render: --quality takes a WebP quality from 0 to 100\n";
        return std::nullopt;
      }
      options.quality = int(*n);
    } else if (arg == "--video") {
      auto v = value();
      if (!v) return std::nullopt;
      if (!VideoKindForFile(*v)) {
        std::cerr << "quenvar-render: " << NotAVideoNameMessage(*v) << "\n";
        return std::nullopt;
      }
      options.video = *v;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--info") {
      options.info = true;
    } else if (arg == "--loop") {
      options.loop = true;
    } else if (arg == "--max-frames") {
      auto v = value();
      if (!v) return std::nullopt;
      const auto n = NumberIn(*v, 1, long(kLoopLimit));
      if (!n) {
        std::cerr << "quenvar-render: --max-frames takes a number from 1 to " << kLoopLimit << "\n";
        return std::nullopt;
      }
      options.maxFrames = *n;
    } else if (arg == "--start") {
      auto v = value();
      if (!v) return std::nullopt;
      char* end = nullptr;
      errno = 0;
      const long long k = std::strtoll(v->c_str(), &end, 10);
      if (v->empty() || *end != '\0' || errno == ERANGE || k < 1) {
        std::cerr << "quenvar-render: --start takes a frame number from 1\n";
        return std::nullopt;
      }
      options.start = k;
    } else if (arg == "--out") {
      auto v = value();
      if (!v) return std::nullopt;
      options.outDir = *v;
    } else if (arg == "--save-as") {
      auto v = value();
      if (!v) return std::nullopt;
      options.saveAs = *v;
    } else if (arg == "--ora") {
      auto v = value();
      if (!v) return std::nullopt;
      options.ora = *v;
    } else if (arg == "--web") {
      auto v = value();
      if (!v) return std::nullopt;
      options.web = *v;
    } else if (arg == "--digest") {
      options.digest = true;
    } else if (arg == "--no-write") {
      options.noWrite = true;
    } else if (arg == "--png") {
      options.png = true;
    } else if (!arg.empty() && arg[0] != '-' && options.project.empty()) {
      options.project = std::string(arg);
    } else {
      return std::nullopt;
    }
  }
  if (options.project.empty() ||
      (options.frames == 0 && !options.loop && !options.info && options.saveAs.empty() &&
       options.ora.empty() && options.web.empty()))
    return std::nullopt;
  if (options.loop && options.frames != 0) {
    std::cerr << "quenvar-render: --loop sets the number of frames; leave out --frames\n";
    return std::nullopt;
  }
  if (!options.video.empty() &&
      ((options.frames == 0 && !options.loop) || options.png || !options.outDir.empty())) {
    std::cerr << "quenvar-render: --video takes --frames or --loop, and no --out or --png\n";
    return std::nullopt;
  }
  if (options.quality >= 0 && VideoKindForFile(options.video) != TVideoKind::WebP) {
    std::cerr << "quenvar-render: --quality is for a .webp video\n";
    return std::nullopt;
  }
  if (options.noWrite && (!options.video.empty() || !options.outDir.empty() || options.png)) {
    std::cerr
        << "quenvar-render: --no-write writes no frames: leave out --video, --out and --png\n";
    return std::nullopt;
  }
  if (options.start > INT64_MAX - options.frames) {
    std::cerr << "quenvar-render: the last frame number does not fit in 64 bits\n";
    return std::nullopt;
  }
  return options;
}

// Log lines go to standard error; error lines are counted so that a project
// that loaded only in part makes the run fail.
class TStderrLog : public LogSink {
 public:
  void StatusLog(std::string_view line) override { Write(line); }
  void PsdLog(std::string_view line) override { Write(line); }
  int errors = 0;

 private:
  void Write(std::string_view line) {
    std::cerr << line << "\n";
    if (IsErrorLine(line)) ++errors;
  }
};

// The displayed frame as an opaque PNG.
void SaveOpaquePngFile(const TBitmap32& frame, const std::string& fileName) {
  TBitmap32 opaque(frame);
  opaque.ForceOpaque(255);
  SavePngFile(opaque, fileName);
}

// Where rendered frames go: numbered picture files or one video.
class TFrameOutput {
 public:
  TFrameOutput(const TProject& project, const TOptions& options) : options_(options) {
    if (!options.video.empty()) {
      TVideoSettings settings{project.width, project.height, options.fps, options.crf};
      settings.quality = options.quality;
      video_ = std::make_unique<TVideoWriter>(options.video, settings);
      return;
    }
    folder_ = options.outDir;
    if (!folder_.empty()) {
      std::filesystem::create_directories(folder_);
      if (folder_.back() != '/') folder_ += '/';
    }
    stem_ = folder_ + RemoveChar(project.name, ' ');
  }

  void Write(const TBitmap32& frame, std::int64_t n) {
    if (options_.digest) std::cout << n << " " << FrameDigest(frame) << std::endl;
    if (options_.noWrite) return;
    if (video_) {
      video_->WriteFrame(frame.Bits(), frame.Width());
    } else {
      const std::string file = stem_ + FormatFrameNumber(n) + (options_.png ? ".png" : ".bmp");
      if (options_.png)
        SaveOpaquePngFile(frame, file);
      else
        frame.SaveBmpFile(file);
    }
  }

  // Closes a video; says where the frames went.
  std::string Finish() {
    if (options_.noWrite) return "without writing them (--no-write)";
    if (!video_) return "to " + (folder_.empty() ? std::string("./") : folder_);
    video_->Finish();
    return "into " + video_->FileName() + " (" + VideoKindText(video_->Kind()) + ", " +
           std::to_string(options_.fps) + " frames per second)";
  }

 private:
  const TOptions& options_;
  std::unique_ptr<TVideoWriter> video_;  // an unfinished video is removed
  std::string folder_;
  std::string stem_;
};

// The canvas, each layer with its motion and loop, grid4's counter and the
// project's loop, one line each.
void PrintInfo(const TProject& project, const TProjectLoop& loop, int fps, std::ostream& out) {
  out << "canvas: " << project.width << " x " << project.height << "\n";
  for (std::size_t i = 0; i < project.layers.size(); ++i) {
    const TBlendLayer& layer = *project.layers[i];
    const bool moves = loop.layers[i] > 1;
    out << "layer " << i + 1 << " \"" << layer.name << "\": " << layer.bmp.Width() << " x "
        << layer.bmp.Height() << ", " << BlendModeName(layer.Mode()) << ", motion (" << layer.posx
        << ", " << layer.posy << ")" << (layer.tileWrap ? ", tile wrap" : "")
        << (moves || (layer.posx == 0 && layer.posy == 0) ? "" : ", stands still")
        << ", loop: " << LoopFramesText(TLoopLength{loop.layers[i], false}) << "\n";
  }
  out << "grid4: " << loop.gridCalls
      << " calls per frame, loop: " << LoopFramesText(TLoopLength{loop.grid, false}) << "\n";
  out << "project loop: " << LoopDurationText(loop.project, fps) << "\n";
}

// --loop: the number of frames of one loop, within the limit.
std::int64_t LoopFrames(const TProjectLoop& loop, const TOptions& options) {
  if (loop.project.over)
    throw Error("the project does not repeat within 10^9 frames: there is no loop to render");
  if (std::int64_t(loop.project.frames) > options.maxFrames)
    throw Error("the project repeats after " + std::to_string(loop.project.frames) +
                " frames, more than the limit of " + std::to_string(options.maxFrames) +
                " (raise it with --max-frames)");
  if (options.start > INT64_MAX - std::int64_t(loop.project.frames))
    throw Error("the last frame number does not fit in 64 bits");
  return std::int64_t(loop.project.frames);
}

void RenderFrames(TProject& project, TOffscreenHost& host, const TOptions& options) {
  TFrameOutput output(project, options);
  // Frame K follows K - 1 steps that need not be composed.
  SkipFrames(project, host.view, nullptr, std::uint64_t(options.start - 1));
  TProgressLine progress(std::cerr, StderrIsTerminal(), "quenvar-render: ", "frame",
                         options.frames);
  for (std::int64_t i = 0; i < options.frames; ++i) {
    host.StepFrame(project);
    output.Write(host.view.Buffer(), options.start + i);
    if (!options.quiet) progress.Update(i + 1);
  }
  const std::string where = output.Finish();
  if (options.quiet) return;
  progress.Finish(options.frames);
  std::cerr << "quenvar-render: " << (options.noWrite ? "rendered " : "wrote ") << options.frames
            << " frames " << where << "\n";
}

int Run(TOptions options) {
  InitCore();
  TStderrLog log;
  ScopedLogSink scopedLog(&log);
  TOffscreenHost host;
  SetProjectHost(&host);

  TProject* project = OpenAnyProjectFile(options.project);
  if (!project) {
    std::cerr << "quenvar-render: " << options.project << " is not a readable project file\n";
    SetProjectHost(nullptr);
    return 1;
  }
  // A project that loaded only in part is still rendered and saved (saving
  // is how a damaged project is repaired), but the run reports failure.
  int status = 0;
  if (log.errors > 0) {
    std::cerr << "quenvar-render: " << options.project
              << " loaded with errors (see the lines above)\n";
    status = 1;
  }
  try {
    host.BuildView(*project);
    if (!options.saveAs.empty()) project->SaveAs(options.saveAs);
    if (!options.ora.empty()) ExportOpenRaster(*project, options.ora);
    if (!options.web.empty()) ExportWebPage(*project, options.web, options.fps);
    if (options.info || options.loop) {
      const TProjectLoop loop = ProjectLoop(*project, host.view);
      if (options.info) PrintInfo(*project, loop, options.fps, std::cout);
      if (options.loop) options.frames = LoopFrames(loop, options);
    }
    if (options.frames > 0) {
      if (project->width == 0 || project->height == 0)
        throw Error("the project's canvas is empty (" + std::to_string(project->width) + " x " +
                    std::to_string(project->height) + "): no frames written");
      RenderFrames(*project, host, options);
    }
  } catch (const std::exception& e) {
    std::cerr << "quenvar-render: " << e.what() << "\n";
    status = 1;
  }
  CloseProject();
  SetProjectHost(nullptr);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  if (HandleToolInfoOption(argc, argv, "quenvar-render", kUsage, status)) return status;
  const std::optional<TOptions> options = ParseOptions(argc, argv);
  if (!options) {
    Usage();
    return 2;
  }
  try {
    return Run(*options);
  } catch (const std::exception& e) {
    std::cerr << "quenvar-render: " << e.what() << "\n";
    return 1;
  }
}
