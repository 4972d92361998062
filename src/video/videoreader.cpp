#include "video/videoreader.h"

#include <cstring>

#include "host/error.h"
#include "video/avsupport.h"

namespace quenvar {

struct TVideoReader::TImpl {
  AVFormatContext* format = nullptr;
  av::CodecPtr codec;
  av::FramePtr frame;
  av::PacketPtr packet;
  av::SwsPtr sws;
  int streamIndex = -1;
  bool draining = false;
  bool done = false;

  ~TImpl() {
    if (format) avformat_close_input(&format);
  }
};

TVideoReader::TVideoReader(const std::string& fileName)
    : impl_(std::make_unique<TImpl>()), fileName_(fileName) {
  av::QuietLibraryLog();
  TImpl& m = *impl_;
  auto fail = [&](const std::string& why) {
    throw Error("Cannot read the video file " + fileName + ": " + why);
  };
  int ret = avformat_open_input(&m.format, fileName.c_str(), nullptr, nullptr);
  if (ret < 0) fail(av::ErrorText(ret));
  if ((ret = avformat_find_stream_info(m.format, nullptr)) < 0) fail(av::ErrorText(ret));
  const AVCodec* decoder = nullptr;
  m.streamIndex = av_find_best_stream(m.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (m.streamIndex < 0 || !decoder) fail("it holds no video stream");
  const AVStream* stream = m.format->streams[m.streamIndex];
  m.codec.reset(avcodec_alloc_context3(decoder));
  if (!m.codec) fail("out of memory");
  if ((ret = avcodec_parameters_to_context(m.codec.get(), stream->codecpar)) < 0)
    fail(av::ErrorText(ret));
  if ((ret = avcodec_open2(m.codec.get(), decoder, nullptr)) < 0) fail(av::ErrorText(ret));
  m.frame.reset(av_frame_alloc());
  m.packet.reset(av_packet_alloc());
  if (!m.frame || !m.packet) fail("out of memory");

  info_.width = m.codec->width;
  info_.height = m.codec->height;
  const AVRational rate =
      stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
  info_.rateNum = rate.num;
  info_.rateDen = rate.den ? rate.den : 1;
  info_.codec = decoder->name;
  info_.container = m.format->iformat->name;
}

TVideoReader::~TVideoReader() = default;

bool TVideoReader::ReadFrame(std::vector<std::uint32_t>& pixels) {
  TImpl& m = *impl_;
  while (!m.done) {
    int ret = avcodec_receive_frame(m.codec.get(), m.frame.get());
    if (ret == 0) break;
    if (ret == AVERROR_EOF) {
      m.done = true;
      return false;
    }
    if (ret != AVERROR(EAGAIN))
      throw Error("Cannot read the video file " + fileName_ + ": " + av::ErrorText(ret));
    if (m.draining) {
      m.done = true;
      return false;
    }
    ret = av_read_frame(m.format, m.packet.get());
    if (ret < 0) {
      m.draining = true;
      avcodec_send_packet(m.codec.get(), nullptr);
      continue;
    }
    if (m.packet->stream_index == m.streamIndex) avcodec_send_packet(m.codec.get(), m.packet.get());
    av_packet_unref(m.packet.get());
  }
  if (m.done) return false;
  const AVFrame& f = *m.frame;
  m.sws.reset(sws_getCachedContext(m.sws.release(), f.width, f.height, AVPixelFormat(f.format),
                                   f.width, f.height, AV_PIX_FMT_BGRA,
                                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                   nullptr, nullptr));
  if (!m.sws) throw Error("Cannot read the video file " + fileName_ + ": no pixel conversion");
  if (f.colorspace == AVCOL_SPC_BT709) {
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(m.sws.get(), coefficients, f.color_range == AVCOL_RANGE_JPEG,
                             coefficients, 1, 0, 1 << 16, 1 << 16);
  }
  pixels.assign(std::size_t(f.width) * std::size_t(f.height), 0);
  std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(pixels.data())};
  const int strides[1] = {f.width * 4};
  sws_scale(m.sws.get(), f.data, f.linesize, 0, f.height, planes, strides);
  av_frame_unref(m.frame.get());
  return true;
}

}  // namespace quenvar
