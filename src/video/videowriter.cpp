#include "video/videowriter.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "host/error.h"
#include "video/avsupport.h"
#include "video/palettepass.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quenvar {

namespace {

constexpr int kMaxSide = 16384;
constexpr int kMaxFps = 1000;
constexpr int kMjpegQscale = 2;  // near the best Motion JPEG gives
// GIF delays are hundredths of a second, and browsers slow delays under two
// of them down to ten: up to 50 fps every delay stays at two or more.
constexpr int kMaxGifFps = 50;
constexpr int kWebpLosslessEffort = 50;
constexpr int kWebpLosslessMethod = 2;
constexpr int kVp9Speed = 4;  // libvpx's cpu-used: well below real time is too slow

struct TKindSetup {
  const char* muxer;
  AVPixelFormat pixelFormat;
  bool evenSize;  // the pixel format halves the chroma planes
};

TKindSetup SetupFor(TVideoKind kind) {
  switch (kind) {
    case TVideoKind::Mp4H264:
      return {"mp4", AV_PIX_FMT_YUV420P, true};
    // The view's pixels exactly as they are, without the alpha byte.
    case TVideoKind::MkvFfv1:
      return {"matroska", AV_PIX_FMT_0RGB32, false};
    case TVideoKind::AviMjpeg:
      return {"avi", AV_PIX_FMT_YUVJ420P, false};
    case TVideoKind::Gif:
      return {"gif", AV_PIX_FMT_PAL8, false};
    // The frames are opaque: PNG without alpha.
    case TVideoKind::Apng:
      return {"apng", AV_PIX_FMT_RGB24, false};
    // With the alpha byte forced to 255, which the encoder then leaves out.
    case TVideoKind::WebP:
      return {"webp", AV_PIX_FMT_BGRA, false};
    case TVideoKind::WebmVp9:
      return {"webm", AV_PIX_FMT_YUV420P, false};
  }
  return {"", AV_PIX_FMT_NONE, false};
}

const AVCodec* EncoderFor(TVideoKind kind) {
  switch (kind) {
    case TVideoKind::Mp4H264: {
      const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
      return x264 ? x264 : avcodec_find_encoder(AV_CODEC_ID_H264);
    }
    case TVideoKind::MkvFfv1:
      return avcodec_find_encoder(AV_CODEC_ID_FFV1);
    case TVideoKind::AviMjpeg:
      return avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    case TVideoKind::Gif:
      return avcodec_find_encoder(AV_CODEC_ID_GIF);
    case TVideoKind::Apng:
      return avcodec_find_encoder(AV_CODEC_ID_APNG);
    // One picture per frame, which the muxer strings together: the
    // animation encoder would hold the whole video until the end.
    case TVideoKind::WebP:
      return avcodec_find_encoder_by_name("libwebp");
    case TVideoKind::WebmVp9:
      return avcodec_find_encoder_by_name("libvpx-vp9");
  }
  return nullptr;
}

// Frames in these formats take the view's pixels, made opaque, without
// conversion.
bool CopiedAsTheyAre(AVPixelFormat format) {
  return format == AV_PIX_FMT_0RGB32 || format == AV_PIX_FMT_BGRA;
}

// A name beside the target that no other writer of this process uses.
std::string TemporaryNameFor(const std::string& fileName) {
  static std::atomic<unsigned> counter{0};
  return fileName + ".part-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

void CheckSettings(TVideoKind kind, const TVideoSettings& s) {
  if (s.width < 1 || s.height < 1 || s.width > kMaxSide || s.height > kMaxSide)
    throw Error("a video frame must be 1 to " + std::to_string(kMaxSide) +
                " pixels on a side, not " + std::to_string(s.width) + " x " +
                std::to_string(s.height));
  if (s.frameMs == 0 && (s.fps < 1 || s.fps > kMaxFps))
    throw Error("a video's rate must be 1 to " + std::to_string(kMaxFps) +
                " frames per second, not " + std::to_string(s.fps));
  if (s.frameMs < 0 || s.frameMs > 1000)
    throw Error("a video's frames must last 1 to 1000 ms, not " + std::to_string(s.frameMs));
  if (s.crf < 0 || s.crf > 51)
    throw Error("the quality (crf) must be 0 to 51, not " + std::to_string(s.crf));
  if (s.quality < -1 || s.quality > 100)
    throw Error("the WebP quality must be 0 to 100, not " + std::to_string(s.quality));
  const bool tooFast = s.frameMs > 0 ? s.frameMs * kMaxGifFps < 1000 : s.fps > kMaxGifFps;
  if (kind == TVideoKind::Gif && tooFast)
    throw Error("a GIF plays at most " + std::to_string(kMaxGifFps) +
                " frames per second (a frame of 20 ms or more)");
}

// The loop marks: play forever.
void SetLoopForever(TVideoKind kind, AVDictionary** options) {
  if (kind == TVideoKind::Gif || kind == TVideoKind::WebP) av_dict_set(options, "loop", "0", 0);
  if (kind == TVideoKind::Apng) av_dict_set(options, "plays", "0", 0);
}

}  // namespace

struct TVideoWriter::TImpl {
  AVFormatContext* format = nullptr;
  av::CodecPtr codec;
  AVStream* stream = nullptr;
  av::FramePtr frame;
  av::PacketPtr packet;
  av::SwsPtr sws;                         // none when the pixels go in as they are
  std::unique_ptr<TPalettePass> palette;  // a GIF's frames until Finish
  std::vector<std::uint32_t> padded;      // the frame grown to an even size
  int width = 0, height = 0;              // the encoded size

  ~TImpl() {
    if (!format) return;
    if (format->pb) avio_closep(&format->pb);
    avformat_free_context(format);
  }

  // The muxer's own error, or a failed write still sitting in its buffer.
  int WriteError(int ret) const {
    if (ret < 0) return ret;
    return format->pb && format->pb->error < 0 ? format->pb->error : 0;
  }
};

TVideoWriter::TVideoWriter(const std::string& fileName, const TVideoSettings& settings)
    : fileName_(fileName), settings_(settings) {
  av::QuietLibraryLog();
  const std::optional<TVideoKind> kind = VideoKindForFile(fileName);
  if (!kind) throw Error(NotAVideoNameMessage(fileName));
  kind_ = *kind;
  try {
    CheckSettings(*kind, settings);
  } catch (const Error& e) {
    throw Error("Cannot write the video file " + fileName + ": " + e.what());
  }
  tempName_ = TemporaryNameFor(fileName);
  impl_ = std::make_unique<TImpl>();
  TImpl& m = *impl_;
  const TKindSetup setup = SetupFor(kind_);
  m.width = setup.evenSize ? (settings.width + 1) & ~1 : settings.width;
  m.height = setup.evenSize ? (settings.height + 1) & ~1 : settings.height;

  int ret = avformat_alloc_output_context2(&m.format, nullptr, setup.muxer, tempName_.c_str());
  if (ret < 0 || !m.format) Fail("the " + std::string(setup.muxer) + " container is missing");
  const AVCodec* encoder = EncoderFor(kind_);
  if (!encoder) Fail("this FFmpeg has no encoder for " + VideoKindText(kind_));

  m.codec.reset(avcodec_alloc_context3(encoder));
  if (!m.codec) Fail("out of memory");
  AVCodecContext& c = *m.codec;
  c.width = m.width;
  c.height = m.height;
  c.pix_fmt = setup.pixelFormat;
  const AVRational rate =
      settings.frameMs > 0 ? AVRational{1000, settings.frameMs} : AVRational{settings.fps, 1};
  c.time_base = av_inv_q(rate);
  c.framerate = rate;
  c.thread_count = 0;  // as many as the encoder likes
  AVDictionary* options = nullptr;
  switch (kind_) {
    case TVideoKind::Mp4H264:
      c.gop_size = std::max(1, int(2 * rate.num / rate.den));
      c.colorspace = AVCOL_SPC_BT709;
      c.color_primaries = AVCOL_PRI_BT709;
      c.color_trc = AVCOL_TRC_BT709;
      c.color_range = AVCOL_RANGE_MPEG;
      av_dict_set_int(&options, "crf", settings.crf, 0);
      av_dict_set(&options, "preset", "medium", 0);
      break;
    case TVideoKind::MkvFfv1:
      // Every frame stands alone, so pieces of a render join without re-encoding.
      c.gop_size = 1;
      av_dict_set(&options, "level", "3", 0);
      av_dict_set(&options, "slicecrc", "1", 0);
      break;
    case TVideoKind::AviMjpeg:
      c.flags |= AV_CODEC_FLAG_QSCALE;
      c.global_quality = FF_QP2LAMBDA * kMjpegQscale;
      c.color_range = AVCOL_RANGE_JPEG;
      break;
    case TVideoKind::Gif:
      break;
    case TVideoKind::Apng:
      // Smallest files; each row takes the filter that suits it.
      av_dict_set(&options, "pred", "mixed", 0);
      break;
    case TVideoKind::WebP:
      av_dict_set_int(&options, "lossless", settings.quality < 0 ? 1 : 0, 0);
      // Lossless, "quality" is effort: less of it (and a lower method)
      // encodes 2.5 times as fast for files under 1 % larger.
      av_dict_set_int(&options, "quality",
                      settings.quality < 0 ? kWebpLosslessEffort : settings.quality, 0);
      if (settings.quality < 0) c.compression_level = kWebpLosslessMethod;
      break;
    case TVideoKind::WebmVp9:
      // Constant quality: without a zero bit rate libvpx caps it.
      c.bit_rate = 0;
      c.gop_size = std::max(1, int(2 * rate.num / rate.den));
      c.colorspace = AVCOL_SPC_BT709;
      c.color_primaries = AVCOL_PRI_BT709;
      c.color_trc = AVCOL_TRC_BT709;
      c.color_range = AVCOL_RANGE_MPEG;
      av_dict_set_int(&options, "crf", settings.crf, 0);
      av_dict_set(&options, "deadline", "good", 0);
      av_dict_set_int(&options, "cpu-used", kVp9Speed, 0);
      av_dict_set(&options, "row-mt", "1", 0);
      break;
  }
  if (m.format->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  ret = avcodec_open2(&c, encoder, &options);
  av_dict_free(&options);
  if (ret < 0) Fail("the " + VideoKindText(kind_) + " encoder refused: " + av::ErrorText(ret));

  m.stream = avformat_new_stream(m.format, nullptr);
  if (!m.stream) Fail("out of memory");
  m.stream->time_base = c.time_base;
  m.stream->avg_frame_rate = c.framerate;
  m.stream->r_frame_rate = c.framerate;
  ret = avcodec_parameters_from_context(m.stream->codecpar, &c);
  if (ret < 0) Fail(av::ErrorText(ret));

  ret = avio_open(&m.format->pb, tempName_.c_str(), AVIO_FLAG_WRITE);
  if (ret < 0) Fail(av::ErrorText(ret));
  AVDictionary* muxOptions = nullptr;
  // The index goes first so a player can start before the whole file arrives.
  if (kind_ == TVideoKind::Mp4H264) av_dict_set(&muxOptions, "movflags", "+faststart", 0);
  SetLoopForever(kind_, &muxOptions);
  ret = m.WriteError(avformat_write_header(m.format, &muxOptions));
  av_dict_free(&muxOptions);
  if (ret < 0) Fail(av::ErrorText(ret));

  m.frame.reset(av_frame_alloc());
  m.packet.reset(av_packet_alloc());
  if (!m.frame || !m.packet) Fail("out of memory");
  // A GIF's frames go to the palette pass as they are.
  m.frame->format = kind_ == TVideoKind::Gif ? AV_PIX_FMT_BGRA : c.pix_fmt;
  m.frame->width = c.width;
  m.frame->height = c.height;
  if ((ret = av_frame_get_buffer(m.frame.get(), 0)) < 0) Fail(av::ErrorText(ret));
  if (!CopiedAsTheyAre(AVPixelFormat(m.frame->format))) {
    m.sws.reset(sws_getContext(
        m.width, m.height, AV_PIX_FMT_BGRA, m.width, m.height, setup.pixelFormat,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
    if (!m.sws) Fail("no conversion to the encoder's pixel format");
    if (kind_ == TVideoKind::Mp4H264 || kind_ == TVideoKind::WebmVp9) {
      const int* coefficients = sws_getCoefficients(SWS_CS_ITU709);
      sws_setColorspaceDetails(m.sws.get(), coefficients, 1, coefficients, 0, 0, 1 << 16, 1 << 16);
    }
  }
  if (m.width != settings.width || m.height != settings.height)
    m.padded.resize(std::size_t(m.width) * std::size_t(m.height));
  if (kind_ == TVideoKind::Gif) {
    try {
      m.palette = std::make_unique<TPalettePass>(tempName_ + ".frames.mkv", settings, c.time_base);
    } catch (const std::exception& e) {
      Fail(e.what());
    }
  }
}

TVideoWriter::~TVideoWriter() {
  Abort();
}

void TVideoWriter::Abort() {
  if (!impl_) return;
  impl_.reset();
  std::error_code ignored;
  std::filesystem::remove(tempName_, ignored);
}

void TVideoWriter::Fail(const std::string& what) {
  Abort();
  throw Error("Cannot write the video file " + fileName_ + ": " + what);
}

namespace {

// Sends `frame` (null: the end) to the encoder and writes what comes out.
int EncodeAndWrite(AVFormatContext* format, AVCodecContext* codec, AVStream* stream, AVFrame* frame,
                   AVPacket* packet) {
  int ret = avcodec_send_frame(codec, frame);
  if (ret < 0) return ret;
  for (;;) {
    ret = avcodec_receive_packet(codec, packet);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
    if (ret < 0) return ret;
    // The last frame's length, where the container keeps one per frame.
    if (packet->duration == 0) packet->duration = 1;
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    ret = av_interleaved_write_frame(format, packet);
    if (ret < 0) return ret;
    if (format->pb->error < 0) return format->pb->error;
  }
}

// Copies the frame into `padded`, repeating its last column and row.
void PadFrame(const std::uint32_t* pixels, std::ptrdiff_t stride, int width, int height,
              std::uint32_t* padded, int paddedWidth, int paddedHeight) {
  for (int y = 0; y < paddedHeight; ++y) {
    const std::uint32_t* src = pixels + std::min(y, height - 1) * stride;
    std::uint32_t* dst = padded + std::ptrdiff_t(y) * paddedWidth;
    std::memcpy(dst, src, std::size_t(width) * 4);
    std::fill(dst + width, dst + paddedWidth, src[width - 1]);
  }
}

}  // namespace

void TVideoWriter::WriteFrame(const std::uint32_t* pixels, std::ptrdiff_t stride,
                              std::int64_t slot) {
  if (!impl_) throw Error("Cannot write the video file " + fileName_ + ": it is closed");
  TImpl& m = *impl_;
  int ret = av_frame_make_writable(m.frame.get());
  if (ret < 0) Fail(av::ErrorText(ret));
  if (!m.sws) {
    // The view's alpha byte is not the picture's: a video is opaque.
    for (int y = 0; y < m.height; ++y) {
      const std::uint32_t* src = pixels + y * stride;
      auto* dst = reinterpret_cast<std::uint32_t*>(m.frame->data[0] +
                                                   std::ptrdiff_t(y) * m.frame->linesize[0]);
      for (int x = 0; x < m.width; ++x) dst[x] = src[x] | 0xFF000000u;
    }
  } else {
    if (!m.padded.empty()) {
      PadFrame(pixels, stride, settings_.width, settings_.height, m.padded.data(), m.width,
               m.height);
      pixels = m.padded.data();
      stride = m.width;
    }
    const std::uint8_t* planes[1] = {reinterpret_cast<const std::uint8_t*>(pixels)};
    const int strides[1] = {int(stride * 4)};
    sws_scale(m.sws.get(), planes, strides, 0, m.height, m.frame->data, m.frame->linesize);
  }
  m.frame->pts = std::max(slot, nextSlot_);
  // Motion JPEG takes its fixed quantiser from each frame.
  if (kind_ == TVideoKind::AviMjpeg) m.frame->quality = m.codec->global_quality;
  if (m.palette) {
    try {
      m.palette->Add(*m.frame);
    } catch (const std::exception& e) {
      Fail(e.what());
    }
  } else {
    ret = EncodeAndWrite(m.format, m.codec.get(), m.stream, m.frame.get(), m.packet.get());
    if (ret < 0) Fail(av::ErrorText(ret));
  }
  ++frames_;
  nextSlot_ = m.frame->pts + 1;
}

double TVideoWriter::SlotMs() const {
  return settings_.frameMs > 0 ? settings_.frameMs : 1000.0 / settings_.fps;
}

void TVideoWriter::Finish() {
  if (!impl_) throw Error("Cannot write the video file " + fileName_ + ": it is closed");
  TImpl& m = *impl_;
  if (m.palette) {
    try {
      m.palette->Replay([&](AVFrame& mapped) {
        const int sent = EncodeAndWrite(m.format, m.codec.get(), m.stream, &mapped, m.packet.get());
        if (sent < 0) throw Error(av::ErrorText(sent));
      });
    } catch (const std::exception& e) {
      Fail(e.what());
    }
    m.palette.reset();
  }
  int ret = EncodeAndWrite(m.format, m.codec.get(), m.stream, nullptr, m.packet.get());
  if (ret < 0) Fail(av::ErrorText(ret));
  ret = m.WriteError(av_write_trailer(m.format));
  if (ret < 0) Fail(av::ErrorText(ret));
  ret = avio_closep(&m.format->pb);
  if (ret < 0) Fail(av::ErrorText(ret));
  std::error_code error;
  std::filesystem::rename(tempName_, fileName_, error);
  if (error) Fail(error.message());
  impl_.reset();
}

}  // namespace quenvar
