#pragma once
// Small helpers around FFmpeg's C interfaces, shared by the video writer and
// reader and seen by no other part of the program.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace quenvar::av {

// FFmpeg's text for an error code.
std::string ErrorText(int code);

struct FrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwsDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;

// Keeps FFmpeg's own console messages to errors.
void QuietLibraryLog();

}  // namespace quenvar::av
