#include "video/palettepass.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/error.h"
#include "video/videoreader.h"

namespace quenvar {

namespace {

// The palette is a 16 x 16 picture, one entry a pixel.
constexpr int kPaletteSide = 16;

// What a writer of the waiting frames said, without its own file name.
std::string SpillReason(const std::exception& e, const std::string& spillName) {
  const std::string prefix = "Cannot write the video file " + spillName + ": ";
  const std::string what = e.what();
  return what.compare(0, prefix.size(), prefix) == 0 ? what.substr(prefix.size()) : what;
}

void Check(int ret, const char* what) {
  if (ret < 0) throw Error(std::string(what) + ": " + av::ErrorText(ret));
}

}  // namespace

// A filter graph with up to two sources and one sink.
struct TPalettePass::TGraph {
  AVFilterGraph* graph = nullptr;
  AVFilterContext* source = nullptr;
  AVFilterContext* paletteSource = nullptr;
  AVFilterContext* sink = nullptr;

  TGraph() {
    graph = avfilter_graph_alloc();
    if (!graph) throw Error("out of memory");
    graph->nb_threads = 1;  // the frames are small; the encoder has the cores
  }
  ~TGraph() { avfilter_graph_free(&graph); }
  TGraph(const TGraph&) = delete;
  TGraph& operator=(const TGraph&) = delete;

  AVFilterContext* Add(const char* filter, const char* name, const std::string& args) {
    AVFilterContext* context = nullptr;
    const AVFilter* f = avfilter_get_by_name(filter);
    if (!f) throw Error(std::string("this FFmpeg has no ") + filter + " filter");
    Check(avfilter_graph_create_filter(&context, f, name, args.empty() ? nullptr : args.c_str(),
                                       nullptr, graph),
          filter);
    return context;
  }

  AVFilterContext* Source(const char* name, int width, int height, AVRational timeBase) {
    return Add("buffer", name,
               "video_size=" + std::to_string(width) + "x" + std::to_string(height) +
                   ":pix_fmt=" + std::to_string(int(AV_PIX_FMT_BGRA)) +
                   ":time_base=" + std::to_string(timeBase.num) + "/" +
                   std::to_string(timeBase.den) + ":pixel_aspect=1/1");
  }

  // Each frame is taken in at once: left to wait in the graph, a whole
  // video's frames would pile up in memory before palettegen saw them.
  void Push(AVFilterContext* into, AVFrame* frame) {
    const int keep = frame ? AV_BUFFERSRC_FLAG_KEEP_REF : 0;
    Check(av_buffersrc_add_frame_flags(into, frame, keep | AV_BUFFERSRC_FLAG_PUSH),
          "the palette filters refused a frame");
  }

  // Hands over every frame the sink holds.
  void Drain(AVFrame* out, const std::function<void(AVFrame&)>& take) {
    for (;;) {
      const int ret = av_buffersink_get_frame(sink, out);
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
      Check(ret, "the palette filters failed");
      try {
        take(*out);
      } catch (...) {
        av_frame_unref(out);
        throw;
      }
      av_frame_unref(out);
    }
  }
};

TPalettePass::TPalettePass(const std::string& spillName, const TVideoSettings& settings,
                           AVRational timeBase)
    : spillName_(spillName), settings_(settings), timeBase_(timeBase) {
  try {
    spill_ = std::make_unique<TVideoWriter>(spillName_, settings_);
  } catch (const std::exception& e) {
    throw Error(SpillReason(e, spillName_));
  }
  // Every frame counts fully, so colours of a moment keep their entries.
  histogram_ = std::make_unique<TGraph>();
  TGraph& g = *histogram_;
  g.source = g.Source("frames", settings.width, settings.height, timeBase);
  AVFilterContext* generate = g.Add("palettegen", "palettegen", "stats_mode=full");
  g.sink = g.Add("buffersink", "palette", "");
  Check(avfilter_link(g.source, 0, generate, 0), "palettegen");
  Check(avfilter_link(generate, 0, g.sink, 0), "palettegen");
  Check(avfilter_graph_config(g.graph, nullptr), "palettegen");
}

TPalettePass::~TPalettePass() {
  spill_.reset();  // an unfinished one removes itself
  std::error_code ignored;
  std::filesystem::remove(spillName_, ignored);
}

void TPalettePass::Add(const AVFrame& bgra) {
  try {
    spill_->WriteFrame(reinterpret_cast<const std::uint32_t*>(bgra.data[0]), bgra.linesize[0] / 4);
  } catch (const std::exception& e) {
    throw Error("the frames kept for the palette: " + SpillReason(e, spillName_));
  }
  histogram_->Push(histogram_->source, const_cast<AVFrame*>(&bgra));
  pts_.push_back(bgra.pts);
}

void TPalettePass::Replay(const std::function<void(AVFrame&)>& emit) {
  if (pts_.empty()) return;
  TGraph& h = *histogram_;
  h.Push(h.source, nullptr);
  av::FramePtr palette(av_frame_alloc());
  av::FramePtr out(av_frame_alloc());
  if (!palette || !out) throw Error("out of memory");
  int palettes = 0;
  h.Drain(out.get(), [&](AVFrame& f) {
    av_frame_unref(palette.get());
    Check(av_frame_ref(palette.get(), &f), "the palette");
    ++palettes;
  });
  if (palettes != 1 || palette->width != kPaletteSide || palette->height != kPaletteSide)
    throw Error("palettegen gave no palette");
  histogram_.reset();
  try {
    spill_->Finish();
  } catch (const std::exception& e) {
    throw Error("the frames kept for the palette: " + SpillReason(e, spillName_));
  }

  TGraph map;
  map.source = map.Source("frames", settings_.width, settings_.height, timeBase_);
  map.paletteSource = map.Source("palette", kPaletteSide, kPaletteSide, timeBase_);
  // Error diffusion: a colour the palette holds comes back exactly, and
  // smooth areas keep their shading.
  AVFilterContext* use = map.Add("paletteuse", "paletteuse", "dither=sierra2_4a");
  map.sink = map.Add("buffersink", "mapped", "");
  Check(avfilter_link(map.source, 0, use, 0), "paletteuse");
  Check(avfilter_link(map.paletteSource, 0, use, 1), "paletteuse");
  Check(avfilter_link(use, 0, map.sink, 0), "paletteuse");
  Check(avfilter_graph_config(map.graph, nullptr), "paletteuse");
  palette->pts = pts_.front();
  map.Push(map.paletteSource, palette.get());
  map.Push(map.paletteSource, nullptr);

  av::FramePtr frame(av_frame_alloc());
  if (!frame) throw Error("out of memory");
  frame->format = AV_PIX_FMT_BGRA;
  frame->width = settings_.width;
  frame->height = settings_.height;
  Check(av_frame_get_buffer(frame.get(), 0), "out of memory");
  std::size_t mapped = 0;
  auto take = [&](AVFrame& f) {
    ++mapped;
    emit(f);
  };
  TVideoReader reader(spillName_);
  std::vector<std::uint32_t> pixels;
  std::size_t read = 0;
  while (reader.ReadFrame(pixels)) {
    if (read == pts_.size()) throw Error("the frames kept for the palette hold too many frames");
    Check(av_frame_make_writable(frame.get()), "out of memory");
    for (int y = 0; y < settings_.height; ++y)
      std::memcpy(frame->data[0] + std::ptrdiff_t(y) * frame->linesize[0],
                  pixels.data() + std::ptrdiff_t(y) * settings_.width,
                  std::size_t(settings_.width) * 4);
    frame->pts = pts_[read++];
    map.Push(map.source, frame.get());
    map.Drain(out.get(), take);
  }
  map.Push(map.source, nullptr);
  map.Drain(out.get(), take);
  // The GIF must hold each frame once: nothing dropped, nothing repeated.
  if (read != pts_.size() || mapped != pts_.size())
    throw Error("the palette stage gave " + std::to_string(mapped) + " frames for " +
                std::to_string(pts_.size()));
}

}  // namespace quenvar
