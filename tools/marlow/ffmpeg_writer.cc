#include "tools/marlow/ffmpeg_writer.h"

#include <cstring>
#include <numeric>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace marlow::cli {

namespace {
constexpr int kSampleRate = 8000;

uint8_t Clamp255(int v) {
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// BGR rows (row y at top + y * step) to full-range BT.601 4:2:0 planes, in
// 16-bit fixed point, rounded: each luma sample from its own pixel, each
// chroma sample from the mean of its 2 x 2 pixels (the last row or column
// repeated when the size is odd). The encoder's conversion does the same
// with exact rounding but at a third of the whole encoding's time.
// Luma of one row.
void LumaRow(const uint8_t* __restrict bgr, int width, uint8_t* __restrict y) {
  for (int x = 0; x < width; ++x)
    y[x] = static_cast<uint8_t>(
        (19595 * bgr[3 * x + 2] + 38470 * bgr[3 * x + 1] + 7471 * bgr[3 * x] + 32768) >> 16);
}

// Chroma of a row pair: each sample from the mean of its 2 x 2 pixels.
void ChromaRows(const uint8_t* __restrict r0, const uint8_t* __restrict r1, int width,
                uint8_t* __restrict u, uint8_t* __restrict v) {
  constexpr int kBias = (128 << 18) + (1 << 17);
  const int pairs = width / 2;
  for (int k = 0; k < pairs; ++k) {
    const int a = 6 * k, b = a + 3;
    const int sb = r0[a] + r0[b] + r1[a] + r1[b];
    const int sg = r0[a + 1] + r0[b + 1] + r1[a + 1] + r1[b + 1];
    const int sr = r0[a + 2] + r0[b + 2] + r1[a + 2] + r1[b + 2];
    u[k] = Clamp255((-11059 * sr - 21709 * sg + 32768 * sb + kBias) >> 18);
    v[k] = Clamp255((32768 * sr - 27439 * sg - 5329 * sb + kBias) >> 18);
  }
  if (width % 2) {  // the last column stands for the missing one
    const int a = 3 * (width - 1);
    const int sb = 2 * (r0[a] + r1[a]), sg = 2 * (r0[a + 1] + r1[a + 1]),
              sr = 2 * (r0[a + 2] + r1[a + 2]);
    u[pairs] = Clamp255((-11059 * sr - 21709 * sg + 32768 * sb + kBias) >> 18);
    v[pairs] = Clamp255((32768 * sr - 27439 * sg - 5329 * sb + kBias) >> 18);
  }
}

void BgrToYuv420(const uint8_t* top, ptrdiff_t step, int width, int height, AVFrame* f) {
  for (int y = 0; y < height; y += 2) {
    const uint8_t* r0 = top + static_cast<ptrdiff_t>(y) * step;
    const uint8_t* r1 = y + 1 < height ? r0 + step : r0;  // the last row stands for the missing
    LumaRow(r0, width, f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0]);
    if (y + 1 < height)
      LumaRow(r1, width, f->data[0] + static_cast<ptrdiff_t>(y + 1) * f->linesize[0]);
    ChromaRows(r0, r1, width, f->data[1] + static_cast<ptrdiff_t>(y / 2) * f->linesize[1],
               f->data[2] + static_cast<ptrdiff_t>(y / 2) * f->linesize[2]);
  }
}

}  // namespace

FfmpegWriter::~FfmpegWriter() {
  Release();
}

void FfmpegWriter::Release() {
  if (fmt_ && headerWritten_ && !finished_) av_write_trailer(fmt_);
  if (fmt_ && fmt_->pb) avio_closep(&fmt_->pb);
  avformat_free_context(fmt_);
  fmt_ = nullptr;
  avcodec_free_context(&video_);
  avcodec_free_context(&audio_);
  av_frame_free(&picture_);
  av_frame_free(&sound_);
  av_packet_free(&packet_);
  sws_freeContext(sws_);
  sws_ = nullptr;
}

int FfmpegWriter::Fail(const char* what, int code) {
  char text[128] = "";
  if (code < 0) av_strerror(code, text, sizeof text);
  error_ = std::string(what) + (code < 0 ? std::string(": ") + text : "");
  return 0;
}

int FfmpegWriter::Open(const std::string& file, int width, int height, uint64_t rate,
                       uint64_t scale, bool withAudio, const EncoderSettings& s) {
  av_log_set_level(AV_LOG_ERROR);
  int r = avformat_alloc_output_context2(&fmt_, nullptr, s.container.c_str(), file.c_str());
  if (r < 0 || !fmt_) return Fail("cannot make the output file's container", r);
  const char* encoderName = s.codec == "h264"    ? "libx264"
                            : s.codec == "mjpeg" ? "mjpeg"
                                                 : "rawvideo";
  const AVCodec* vc = avcodec_find_encoder_by_name(encoderName);
  if (!vc) return Fail((std::string("this FFmpeg has no ") + encoderName + " encoder").c_str(), 0);
  raw_ = s.codec == "raw";
  videoStream_ = avformat_new_stream(fmt_, nullptr);
  video_ = avcodec_alloc_context3(vc);
  if (!videoStream_ || !video_) return Fail("out of memory", 0);
  // Frame rate rate / scale: the time base is scale / rate, reduced.
  const uint64_t g = std::gcd(rate, scale);
  uint64_t num = scale / g, den = rate / g;
  while (num > 0x7FFFFFFF || den > 0x7FFFFFFF) {
    num = (num + 1) / 2;
    den = (den + 1) / 2;
  }
  video_->time_base = AVRational{static_cast<int>(num), static_cast<int>(den)};
  video_->framerate = AVRational{static_cast<int>(den), static_cast<int>(num)};
  video_->width = width;
  video_->height = height;
  video_->thread_count = s.threads;
  if (raw_) {
    video_->pix_fmt = AV_PIX_FMT_BGR24;
  } else if (s.codec == "mjpeg") {
    video_->pix_fmt = AV_PIX_FMT_YUVJ420P;
    video_->flags |= AV_CODEC_FLAG_QSCALE;
    video_->global_quality = FF_QP2LAMBDA * 2;
  } else {
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    // Full range: the pictures come from full-range samples, and the
    // narrower range would lose a level in seven.
    video_->color_range = AVCOL_RANGE_JPEG;
    video_->gop_size = 250;
    av_opt_set(video_->priv_data, "preset", s.preset.c_str(), 0);
    av_opt_set_int(video_->priv_data, "crf", s.crf, 0);
  }
  if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if ((r = avcodec_open2(video_, vc, nullptr)) < 0) return Fail("cannot open the video encoder", r);
  if ((r = avcodec_parameters_from_context(videoStream_->codecpar, video_)) < 0)
    return Fail("video parameters", r);
  videoStream_->time_base = video_->time_base;
  videoStream_->avg_frame_rate = video_->framerate;

  if (withAudio) {
    const AVCodec* ac =
        avcodec_find_encoder(s.container == "mp4" ? AV_CODEC_ID_AAC : AV_CODEC_ID_PCM_U8);
    if (!ac) return Fail("this FFmpeg has no sound encoder for the file", 0);
    audioStream_ = avformat_new_stream(fmt_, nullptr);
    audio_ = avcodec_alloc_context3(ac);
    if (!audioStream_ || !audio_) return Fail("out of memory", 0);
    audio_->sample_rate = kSampleRate;
    audio_->sample_fmt = s.container == "mp4" ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_U8;
    av_channel_layout_default(&audio_->ch_layout, 1);
    audio_->bit_rate = s.container == "mp4" ? 48000 : 64000;
    audio_->time_base = AVRational{1, kSampleRate};
    if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The default AAC coder searches hard: for 8 kHz sound it took a
    // quarter of a whole H.264 export. The fast one suits 8-bit sound.
    if (s.container == "mp4") av_opt_set(audio_->priv_data, "aac_coder", "fast", 0);
    if ((r = avcodec_open2(audio_, ac, nullptr)) < 0)
      return Fail("cannot open the sound encoder", r);
    if ((r = avcodec_parameters_from_context(audioStream_->codecpar, audio_)) < 0)
      return Fail("sound parameters", r);
    audioStream_->time_base = audio_->time_base;
    sound_ = av_frame_alloc();
    sound_->format = audio_->sample_fmt;
    sound_->sample_rate = kSampleRate;
    av_channel_layout_copy(&sound_->ch_layout, &audio_->ch_layout);
    sound_->nb_samples = audio_->frame_size > 0 ? audio_->frame_size : 1024;
    if ((r = av_frame_get_buffer(sound_, 0)) < 0) return Fail("sound buffer", r);
  }

  picture_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!picture_ || !packet_) return Fail("out of memory", 0);
  picture_->format = video_->pix_fmt;
  picture_->width = width;
  picture_->height = height;
  if ((r = av_frame_get_buffer(picture_, 0)) < 0) return Fail("picture buffer", r);
  if (!raw_ && s.codec == "mjpeg") {
    // MJPEG: swscale's exact path (full range is only converted right there).
    sws_ = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, video_->pix_fmt,
                          SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr,
                          nullptr);
    if (!sws_) return Fail("no colour conversion for the encoder's pictures", 0);
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    sws_setColorspaceDetails(sws_, bt601, 1, bt601, 1, 0, 1 << 16, 1 << 16);
  }
  if ((r = avio_open(&fmt_->pb, file.c_str(), AVIO_FLAG_WRITE)) < 0)
    return Fail(("cannot create " + file).c_str(), r);
  if ((r = avformat_write_header(fmt_, nullptr)) < 0) return Fail("cannot write the header", r);
  headerWritten_ = true;
  return 1;
}

int FfmpegWriter::Send(AVCodecContext* ctx, AVStream* st, AVFrame* frame) {
  int r = avcodec_send_frame(ctx, frame);
  if (r < 0) return Fail("encoding", r);
  for (;;) {
    r = avcodec_receive_packet(ctx, packet_);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return 1;
    if (r < 0) return Fail("encoding", r);
    av_packet_rescale_ts(packet_, ctx->time_base, st->time_base);
    packet_->stream_index = st->index;
    r = av_interleaved_write_frame(fmt_, packet_);
    if (r < 0) return Fail("writing", r);
  }
}

int FfmpegWriter::Picture(const uint8_t* rows, int width, int height) {
  if (!video_ || width != video_->width || height != video_->height) return Fail("picture size", 0);
  int r = av_frame_make_writable(picture_);
  if (r < 0) return Fail("picture buffer", r);
  const int pitch = width * 3;
  // The rows are bottom-up: start at the last and step backwards.
  const uint8_t* top = rows + static_cast<size_t>(height - 1) * pitch;
  if (raw_) {
    for (int y = 0; y < height; ++y)
      std::memcpy(picture_->data[0] + static_cast<size_t>(y) * picture_->linesize[0],
                  top - static_cast<ptrdiff_t>(y) * pitch, static_cast<size_t>(pitch));
  } else if (!sws_) {
    BgrToYuv420(top, -pitch, width, height, picture_);
  } else {
    const uint8_t* src[1] = {top};
    const int stride[1] = {-pitch};
    sws_scale(sws_, src, stride, 0, height, picture_->data, picture_->linesize);
  }
  picture_->pts = nextPicture_++;
  return Send(video_, videoStream_, picture_);
}

int FfmpegWriter::EncodeAudioFrame(int samples) {
  sound_->nb_samples = samples;
  sound_->pts = nextSample_;
  nextSample_ += samples;
  soundFill_ = 0;
  return Send(audio_, audioStream_, sound_);
}

int FfmpegWriter::Audio(const uint8_t* samples, size_t n) {
  if (!audio_) return 1;
  const int frame = audio_->frame_size > 0 ? audio_->frame_size : 1024;
  const bool planarFloat = audio_->sample_fmt == AV_SAMPLE_FMT_FLTP;
  while (n > 0) {
    if (soundFill_ == 0) {
      int r = av_frame_make_writable(sound_);
      if (r < 0) return Fail("sound buffer", r);
      sound_->nb_samples = frame;
    }
    const int take = static_cast<int>(std::min<size_t>(n, static_cast<size_t>(frame - soundFill_)));
    if (planarFloat) {
      float* out = reinterpret_cast<float*>(sound_->data[0]) + soundFill_;
      for (int i = 0; i < take; ++i) out[i] = (static_cast<int>(samples[i]) - 128) / 128.0f;
    } else {
      std::memcpy(sound_->data[0] + soundFill_, samples, static_cast<size_t>(take));
    }
    soundFill_ += take;
    samples += take;
    n -= static_cast<size_t>(take);
    if (soundFill_ == frame && !EncodeAudioFrame(frame)) return 0;
  }
  return 1;
}

int FfmpegWriter::Finish() {
  if (!headerWritten_ || finished_) return 0;
  if (audio_) {
    if (soundFill_ > 0) {
      // AAC wants whole frames except the last one; PCM takes any size.
      if (!EncodeAudioFrame(soundFill_)) return 0;
    }
    if (!Send(audio_, audioStream_, nullptr)) return 0;
  }
  if (!Send(video_, videoStream_, nullptr)) return 0;
  finished_ = true;
  const int r = av_write_trailer(fmt_);
  if (r < 0) return Fail("writing the end of the file", r);
  return 1;
}

}  // namespace marlow::cli

extern "C" __attribute__((visibility("default"))) marlow::cli::VideoFileWriter*
MarlowNewFfmpegWriter() {
  return new marlow::cli::FfmpegWriter;
}
