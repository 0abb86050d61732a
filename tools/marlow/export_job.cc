#include "tools/marlow/export_job.h"

#include <memory>
#include <vector>

#include "codec/video_decoder.h"
#include "display/pixel_convert.h"
#include "export/export_formats.h"
#include "recording/recording_source.h"
#include "recording/unit_cutter.h"
#include "tools/marlow/export_pictures.h"

namespace marlow::cli {

namespace {

constexpr uint64_t kMaxBackBytes = 256ull << 20;

// Reads blocks [from, end) in chunks and feeds the valid ones to a cutter.
// Returns false on a read failure.
bool ReadStretch(RecordingIndex& index, uint64_t from, uint64_t end, UnitCutter& cutter,
                 std::atomic<uint64_t>* done, const std::atomic<bool>* stop = nullptr) {
  ReadBuffer chunk(RecordingIndex::kChunkBlocks * kBlockSize);
  BlockHeader h;
  for (uint64_t b = from; b < end;) {
    if (stop && stop->load()) return true;
    const uint64_t data = index.NextDataBlock(b, end);
    if (data > b) {
      cutter.Break();
      if (done) *done += data - b;
      b = data;
      continue;
    }
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>(RecordingIndex::kChunkBlocks, end - b));
    const size_t got = index.ReadBlocks(b, want, chunk.data());
    for (size_t i = 0; i < got; ++i) {
      const uint8_t* blk = chunk.data() + i * kBlockSize;
      if (ClassifyBlock(blk, &h) == BlockState::kValid) {
        cutter.FeedBlock(blk, b + i, h);
      } else {
        cutter.Break();
      }
    }
    if (done) *done += got;
    if (got < want) return false;
    b += got;
  }
  return true;
}

// The counting pass.
class Counter : public UnitSink {
 public:
  Counter(ExportPlan* plan, uint16_t mask, uint64_t startBlock)
      : plan_(plan), mask_(mask), start_(startBlock * kBlockSize) {
    decoder_.Reset(4);
  }
  void OnUnit(const CutUnit& u) override {
    if (u.kind == UnitKind::kAudio) {
      if (u.start >= start_) audio_[u.channel] += u.length;
      return;
    }
    const int c = u.channel;
    if (!(mask_ >> c & 1)) return;
    if (!decoder_.ParseHeader(u.data, u.length)) return;
    ChannelPlan& p = plan_->channels[c];
    if (u.code == 0xF9) p.exact = true;
    if (u.start < start_ || !p.exact) return;  // warming up, or nothing to update yet
    if (p.pictures == 0) {
      p.width = decoder_.Width();
      p.height = decoder_.Height();
      // The last selected channel met first decides the shared rate, as in
      // the AVI export.
      const StreamRate r = PictureRate(p.height, decoder_.Variant(), u.frameSkip, u.channelMask);
      rate_ = r.rate;
      scale_ = r.scale;
    }
    ++p.pictures;
  }
  void OnDropped(uint64_t, uint8_t, uint64_t) override {}
  uint64_t audio_[4] = {};
  uint64_t rate_ = 30, scale_ = 1;

 private:
  ExportPlan* plan_;
  uint16_t mask_;
  uint64_t start_;
  VideoDecoder decoder_;
};

}  // namespace

std::string ExportFileName(const std::string& out, int channel) {
  const std::string tag = "-CH" + std::to_string(channel + 1);
  const size_t dot = out.rfind('.');
  const size_t slash = out.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return out + tag;
  return out.substr(0, dot) + tag + out.substr(dot);
}

int ExportPlan::Exported() const {
  int n = 0;
  for (const ChannelPlan& c : channels) n += c.exported ? 1 : 0;
  return n;
}

bool FindFullPictureBefore(const std::string& path, bool disk, uint64_t before, int channel,
                           uint64_t maxBack, uint64_t* blockStart) {
  RecordingSource src;
  if (!src.OpenSource(path.c_str(), disk)) return false;
  src.SetStreamVariant(4);
  std::vector<uint8_t> unit(kMaxUnitBytes + 8);
  src.SetPosition(before);
  if (before >= src.Size()) src.SetPosition(src.Size() - 1);
  const uint64_t from = src.Position();
  while (src.Position() > 0 && from - src.Position() < maxBack) {
    const uint64_t at = src.Position();
    const uint32_t n = src.ReadBackward(unit.data());
    if (!src.LastReadFoundUnit()) {
      if (src.Position() == at) return false;
      continue;
    }
    if (!src.LastIsAudio() && src.LastChannel() == channel && n > 4 && unit[3] == 0xF9) {
      // Position is 4 stream bytes into the unit; 16 bytes back lies at or
      // before its start code even when a block header falls inside it.
      const uint64_t p = src.Position();
      *blockStart = (p > 16 ? p - 16 : 0) / kBlockSize;
      return true;
    }
  }
  return false;
}

int PlanExport(RecordingIndex& index, const std::string& path, uint16_t mask,
               const std::string& out, uint64_t startBlock, uint64_t endBlock, ExportPlan* plan,
               std::string* error) {
  *plan = ExportPlan{};
  plan->path = path;
  plan->order = index.Order();
  plan->startBlock = startBlock;
  plan->endBlock = endBlock;
  // Where each channel's decoding starts: its last full picture before the
  // stretch, so that the first picture written is exact.
  uint64_t warmFrom = startBlock;
  for (int c = 0; c < 16; ++c) {
    ChannelPlan& p = plan->channels[c];
    p.decodeFrom = startBlock;
    if (!(mask >> c & 1) || startBlock == 0) continue;
    uint64_t b = 0;
    if (FindFullPictureBefore(path, plan->order == ByteOrder::kDisk, startBlock * kBlockSize, c,
                              kMaxBackBytes, &b)) {
      p.decodeFrom = b;
      warmFrom = std::min(warmFrom, b);
    }
  }
  Counter counter(plan, mask, startBlock);
  UnitCutter cutter(&counter);
  if (!ReadStretch(index, warmFrom, endBlock, cutter, nullptr)) {
    *error = "the recording could not be read to the end of the stretch";
    return 0;
  }
  for (int k = 0; k < 4; ++k) {
    if (counter.audio_[k]) {
      plan->hasAudio = true;
      plan->audioChannel = k;
      plan->audioBytes = counter.audio_[k];
      break;
    }
  }
  const uint64_t audioMs = plan->audioBytes * 1000 / 8000;
  for (int c = 0; c < 16; ++c) {
    ChannelPlan& p = plan->channels[c];
    p.exported = (mask >> c & 1) && p.pictures > 0;
    if (!p.exported) continue;
    if (plan->hasAudio && audioMs > 0) {
      p.rate = p.pictures * 1000;
      p.scale = audioMs;
    } else {
      p.rate = counter.rate_;
      p.scale = counter.scale_;
    }
    p.file = ExportFileName(out, c);
  }
  if (plan->Exported() == 0) {
    *error = "none of the chosen channels has pictures in the stretch";
    return 0;
  }
  return 1;
}

namespace {

class ChannelWriter : public UnitSink {
 public:
  ChannelWriter(const ExportPlan& plan, int channel, bool withAudio, ExportSink* sink)
      : plan_(plan),
        channel_(channel),
        withAudio_(withAudio),
        sink_(sink),
        start_(plan.startBlock * kBlockSize),
        planes_(new uint8_t[kMaxPictureBytes]()),
        bgr_(new uint8_t[640 * 3 * 272]),
        doubled_(new uint8_t[640 * 3 * 544]()) {
    decoder_.Reset(4);
  }
  void OnUnit(const CutUnit& u) override {
    if (failed_ || written_ >= plan_.channels[channel_].pictures) return;
    if (u.kind == UnitKind::kAudio) {
      if (withAudio_ && u.channel == plan_.audioChannel && u.start >= start_ && u.length &&
          !sink_->Audio(u.data, u.length))
        failed_ = true;
      return;
    }
    if (u.channel != channel_) return;
    if (!decoder_.ParseHeader(u.data, u.length)) return;
    if (u.code == 0xF9) seenFull_ = true;
    if (!seenFull_) return;
    DecodedPicture pic;
    pic.planes = planes_.get();
    const int decoded = decoder_.Decode(u.data, u.length, &pic);
    if (u.start < start_) return;  // warming up before the stretch
    const int w = static_cast<int>(decoder_.Width()), h = static_cast<int>(decoder_.Height());
    const ChannelPlan& p = plan_.channels[channel_];
    // A picture of another size, or one that fails, repeats the last good
    // one, so that the file keeps its picture count and timing.
    if (decoded && w == static_cast<int>(p.width) && h == static_cast<int>(p.height)) {
      ConvertPicture(PixelFormat::Bgr24BottomUp, bgr_.get(), w * 3, planes_.get(), w, h);
      DoubleHeight(bgr_.get(), w, h, doubled_.get(), static_cast<size_t>(w) * 6 * h);
      DrawStamp(doubled_.get(), w, 2 * h, StampText(BreakDownTime(u.time)));
    }
    if (!sink_->Picture(doubled_.get(), static_cast<int>(p.width), 2 * static_cast<int>(p.height)))
      failed_ = true;
    ++written_;
  }
  void OnDropped(uint64_t, uint8_t, uint64_t) override {}

  bool failed_ = false;
  uint64_t written_ = 0;

 private:
  const ExportPlan& plan_;
  const int channel_;
  const bool withAudio_;
  ExportSink* sink_;
  const uint64_t start_;
  VideoDecoder decoder_;
  bool seenFull_ = false;
  std::unique_ptr<uint8_t[]> planes_, bgr_, doubled_;
};

}  // namespace

int64_t RunChannelExport(const ExportPlan& plan, int channel, bool withAudio, ExportSink* sink,
                         std::atomic<uint64_t>* done) {
  RecordingIndex index;
  if (!index.Open(plan.path.c_str(), false, plan.order)) return -1;
  ChannelWriter writer(plan, channel, withAudio, sink);
  UnitCutter cutter(&writer);
  const ChannelPlan& p = plan.channels[channel];
  const bool ok = ReadStretch(index, p.decodeFrom, plan.endBlock, cutter, done);
  if (!ok || writer.failed_) return -1;
  return static_cast<int64_t>(writer.written_);
}

}  // namespace marlow::cli
