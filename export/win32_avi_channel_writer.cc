// The channel writer over the Video for Windows AVI file interface.
#include <windows.h>

#include <vfw.h>

#include <cstring>

#include "export/avi_channel_writer.h"
#include "export/export_names.h"
#include "export/win32_compress_options.h"

namespace marlow {

namespace {

// Room for the file's headers (main header, stream headers and formats, the
// padding before the data list) and what the index needs besides entries.
constexpr uint64_t kHeaderReserve = 16384;
// A compressor may give a little more than the raw picture now and then.
constexpr uint64_t kCompressedSlack = 1 << 20;

uint64_t ChunkBytes(uint64_t length) {
  return 8 + ((length + 1) & ~1ull) + 16;
}

// The file interface may hold back this much in its buffers.
constexpr uint64_t kBufferedBytes = 1 << 20;

uint64_t SizeOnDisk(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

AVICOMPRESSOPTIONS& SharedCompressOptions() {
  static AVICOMPRESSOPTIONS options;
  return options;
}

void ResetCompressOptions() {
  AVICOMPRESSOPTIONS& o = SharedCompressOptions();
  std::memset(&o, 0, sizeof o);
  o.fccType = streamtypeVIDEO;
  o.fccHandler = mmioFOURCC('D', 'I', 'B', ' ');
  o.dwKeyFrameEvery = 1;
  o.dwQuality = static_cast<DWORD>(-1);
}

AviThreadScope::AviThreadScope() {
  AVIFileInit();
}
AviThreadScope::~AviThreadScope() {
  AVIFileExit();
}

struct AviChannelWriter::Streams {
  PAVIFILE file = nullptr;
  PAVISTREAM rawVideo = nullptr;
  PAVISTREAM video = nullptr;
  PAVISTREAM audio = nullptr;
  bool initialised = false;
};

AviChannelWriter::AviChannelWriter() : streams_(new Streams) {
  ResetCompressOptions();
}

AviChannelWriter::~AviChannelWriter() {
  Release();
  if (streams_->initialised) AVIFileExit();
}

bool AviChannelWriter::IsOpen() const {
  return streams_->file != nullptr;
}

void AviChannelWriter::Release() {
  Streams& s = *streams_;
  // Streams before the file: releasing the file writes its headers and index.
  if (s.video) AVIStreamRelease(s.video);
  if (s.rawVideo) AVIStreamRelease(s.rawVideo);
  if (s.audio) AVIStreamRelease(s.audio);
  if (s.file) AVIFileRelease(s.file);
  s.video = s.rawVideo = s.audio = nullptr;
  s.file = nullptr;
}

int AviChannelWriter::OpenFile(const std::string& name) {
  if (!streams_->initialised) {
    AVIFileInit();
    streams_->initialised = true;
  }
  chunkBytes_ = 0;
  chunks_ = 0;
  audioSamples_ = 0;
  partFirstPicture_ = pictures_;
  if (AVIFileOpenA(&streams_->file, name.c_str(), OF_CREATE | OF_WRITE, nullptr) != AVIERR_OK) {
    streams_->file = nullptr;
    failed_ = true;
    return 0;
  }
  files_.push_back(name);
  return 1;
}

int AviChannelWriter::Open(const std::string& fileName) {
  picture_ = AviPictureFormat();
  Release();
  failed_ = false;
  withAudio_ = false;
  pictures_ = 0;
  files_.clear();
  baseName_ = fileName;
  return OpenFile(fileName);
}

int AviChannelWriter::CreateStreams(StreamRate rate, const AviPictureFormat* picture,
                                    const AviAudioFormat* audio) {
  withAudio_ = false;
  rate_ = rate;
  if (picture) picture_ = *picture;
  if (audio) {
    audio_ = *audio;
    withAudio_ = true;
  }
  return MakeStreams();
}

int AviChannelWriter::MakeStreams() {
  Streams& s = *streams_;
  if (!s.file) {
    failed_ = true;
    return 0;
  }
  if (withAudio_) {
    AVISTREAMINFOA info = {};
    info.fccType = streamtypeAUDIO;
    info.dwScale = audio_.blockAlign;
    info.dwRate = audio_.samplesPerSecond;
    info.dwSampleSize = audio_.blockAlign;
    info.dwInitialFrames = 1;
    info.dwQuality = static_cast<DWORD>(-1);
    WAVEFORMATEX wave = {};
    wave.wFormatTag = audio_.formatTag;
    wave.nChannels = audio_.channels;
    wave.nSamplesPerSec = audio_.samplesPerSecond;
    wave.nAvgBytesPerSec = audio_.bytesPerSecond;
    wave.nBlockAlign = audio_.blockAlign;
    wave.wBitsPerSample = audio_.bitsPerSample;
    wave.cbSize = 0;
    if (AVIFileCreateStreamA(s.file, &s.audio, &info) != AVIERR_OK) {
      s.audio = nullptr;
      failed_ = true;
    } else if (AVIStreamSetFormat(s.audio, 0, &wave, sizeof wave) != AVIERR_OK) {
      failed_ = true;
    }
  }
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.dwRate = rate_.rate;
  info.dwScale = rate_.scale;
  info.dwSuggestedBufferSize = picture_.imageSize;
  BITMAPINFOHEADER format = {};
  format.biSize = sizeof format;
  format.biWidth = picture_.width;
  format.biHeight = picture_.height;
  format.biPlanes = 1;
  format.biBitCount = picture_.bitCount;
  format.biCompression = BI_RGB;
  format.biSizeImage = picture_.imageSize;
  if (AVIFileCreateStreamA(s.file, &s.rawVideo, &info) != AVIERR_OK) {
    s.rawVideo = nullptr;
    failed_ = true;
    return 0;
  }
  if (AVIMakeCompressedStream(&s.video, s.rawVideo, &SharedCompressOptions(), nullptr) !=
      AVIERR_OK) {
    s.video = nullptr;
    failed_ = true;
    return 0;
  }
  // 24-bit pictures carry no colour table.
  const LONG colours = format.biBitCount <= 8 ? (1L << format.biBitCount) : 0;
  if (AVIStreamSetFormat(s.video, 0, &format, sizeof format + 4 * colours) != AVIERR_OK) {
    failed_ = true;
    return 0;
  }
  return failed_ ? 0 : 1;
}

uint64_t AviChannelWriter::ProjectedBytes() const {
  return kHeaderReserve + chunkBytes_ + chunks_ * 16 + 8;
}

void AviChannelWriter::Account(uint64_t bytes) {
  chunkBytes_ += 8 + ((bytes + 1) & ~1ull);
  ++chunks_;
}

int AviChannelWriter::MakeRoom(uint64_t bytes) {
  if (ProjectedBytes() + ChunkBytes(bytes) < limit_ || chunks_ == 0) return 1;
  // End this file whole and go on in the next part with the same formats.
  Release();
  if (!OpenFile(PartFileName(baseName_, static_cast<int>(files_.size()) + 1))) return 0;
  return MakeStreams();
}

int AviChannelWriter::WriteVideo(uint32_t index, const uint8_t* picture) {
  if (failed_ || !streams_->video) return 0;
  const bool raw = SharedCompressOptions().fccHandler == mmioFOURCC('D', 'I', 'B', ' ');
  if (!MakeRoom(picture_.imageSize + (raw ? 0 : kCompressedSlack))) return 0;
  LONG samples = 0, written = 0;
  const LONG at = static_cast<LONG>(index - partFirstPicture_);
  if (AVIStreamWrite(streams_->video, at, 1, const_cast<uint8_t*>(picture),
                     static_cast<LONG>(picture_.imageSize), AVIIF_KEYFRAME, &samples,
                     &written) != AVIERR_OK) {
    failed_ = true;
    return 0;
  }
  Account(written > 0 ? static_cast<uint64_t>(written) : picture_.imageSize);
  // Some implementations of the interface report success for writes that
  // the disk refused (a full disk): what reached the file tells.
  if (chunkBytes_ > kBufferedBytes && SizeOnDisk(files_.back()) + kBufferedBytes < chunkBytes_) {
    failed_ = true;
    return 0;
  }
  ++pictures_;
  return 1;
}

int AviChannelWriter::WriteAudio(const uint8_t* bytes, uint32_t length) {
  if (!withAudio_) return 1;
  if (failed_ || !streams_->audio) return 0;
  const uint32_t align = audio_.blockAlign ? audio_.blockAlign : 1;
  const uint32_t samples = length / align;
  if (samples == 0) return 1;
  if (!MakeRoom(samples * align)) return 0;
  LONG done = 0, written = 0;
  // Sound is appended at the stream's end as the stream itself counts it:
  // the samples written so far, or, in implementations that count a sound
  // stream's length in chunks, the chunks; a start anywhere else is refused.
  const LONG at = AVIStreamStart(streams_->audio) + AVIStreamLength(streams_->audio);
  if (AVIStreamWrite(streams_->audio, at, static_cast<LONG>(samples), const_cast<uint8_t*>(bytes),
                     static_cast<LONG>(samples * align), 0, &done, &written) != AVIERR_OK) {
    failed_ = true;
    return 0;
  }
  Account(samples * align);
  audioSamples_ += samples;
  return 1;
}

void AviChannelWriter::Close() {
  Release();
}

void AviChannelWriter::Discard() {
  Release();
  for (const std::string& f : files_) DeleteFileA(f.c_str());
  files_.clear();
}

}  // namespace marlow
