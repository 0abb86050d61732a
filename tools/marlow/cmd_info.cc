// marlow info: what a recording or recorder disk holds, from its first and
// last megabyte (or every block with --scan).
#include <cinttypes>
#include <cstring>
#include <string>

#include "recording/damage_scan.h"
#include "tools/marlow/cli_common.h"
#include "tools/marlow/commands.h"
#include "tools/marlow/unit_survey.h"

namespace marlow::cli {

namespace {

const char kHelp[] =
    "usage: marlow info PATH [--scan] [--json] [--disk|--file]\n"
    "\n"
    "Tells what a recording file, disk image or recorder disk holds: size, first and\n"
    "last block times, stream variant, channels and channel mask, picture sizes,\n"
    "sound and frame skip. Reads only the first and last megabyte, so it answers at\n"
    "once even on a whole disk.\n"
    "\n"
    "  --scan     read every block instead (exact counts, slower)\n"
    "  --json     print one JSON object instead of text\n"
    "  --disk     the blocks are in disk byte order (default: detected)\n"
    "  --file     the blocks are in natural byte order (default: detected)\n"
    "\n"
    "Exit status: 0 ok, 1 no recording blocks found where looked, 2 cannot read.\n";

constexpr uint64_t kEndBlocks = 256;  // one megabyte at each end

struct Ends {
  bool haveFirst = false, haveLast = false;
  uint64_t firstBlock = 0, lastBlock = 0;
  BlockHeader first, last;
  uint16_t mask = 0;
  int skipMin = -1, skipMax = -1;
  uint64_t valid = 0, damaged = 0, unwritten = 0, bytesRead = 0;
};

// Classifies the blocks of [from, from + n), feeds valid ones to the cutter.
void ReadEnd(RecordingIndex& index, uint64_t from, uint64_t n, std::vector<uint8_t>& buf,
             UnitCutter& cutter, Ends* e) {
  const size_t got = index.ReadBlocks(from, static_cast<size_t>(n), buf.data());
  e->bytesRead += got * kBlockSize;
  BlockHeader h;
  for (size_t i = 0; i < got; ++i) {
    const uint8_t* b = buf.data() + i * kBlockSize;
    const BlockState s = ClassifyBlock(b, &h);
    if (s != BlockState::kValid) {
      ++(s == BlockState::kDamaged ? e->damaged : e->unwritten);
      cutter.Break();
      continue;
    }
    ++e->valid;
    if (!e->haveFirst) {
      e->haveFirst = true;
      e->firstBlock = from + i;
      e->first = h;
    }
    e->haveLast = true;
    e->lastBlock = from + i;
    e->last = h;
    e->mask |= h.channelMask;
    if (e->skipMin < 0 || h.frameSkip < e->skipMin) e->skipMin = h.frameSkip;
    if (h.frameSkip > e->skipMax) e->skipMax = h.frameSkip;
    cutter.FeedBlock(b, from + i, h);
  }
  cutter.Break();
}

std::string ChannelListText(uint16_t mask) {
  std::string s;
  for (int c = 0; c < 16; ++c) {
    if (!(mask >> c & 1)) continue;
    if (!s.empty()) s += ",";
    s += std::to_string(c + 1);
  }
  return s.empty() ? "none" : s;
}

}  // namespace

int RunInfo(int argc, char** argv) {
  Args args;
  std::string error;
  if (!ParseArgs(argc, argv, {}, {"scan", "json", "disk", "file", "help"}, &args, &error))
    return Fail("info", kExitCannot, "%s (see marlow info --help)", error.c_str());
  if (args.Has("help")) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.positional.size() != 1)
    return Fail("info", kExitCannot, "expects one PATH (see marlow info --help)");
  const std::string path = args.positional[0];
  RecordingIndex index;
  if (!OpenInput("info", args, path, &index)) return kExitCannot;

  UnitSurvey survey;
  Ends e;
  DamageReport report;
  const bool scan = args.Has("scan");
  if (scan) {
    DamageScan pass(index, 60, &survey);
    pass.Run(&report);
    e.bytesRead = report.blocks * kBlockSize;
    e.valid = report.valid;
    e.damaged = report.damaged;
    e.unwritten = report.unwritten;
    e.haveFirst = e.haveLast = report.haveTime;
    e.first.time = report.firstTime;
    e.last.time = report.lastTime;
    e.mask = report.channelMask;
    e.skipMin = report.frameSkipMin;
    e.skipMax = report.frameSkipMax;
  } else {
    std::vector<uint8_t> buf(kEndBlocks * kBlockSize);
    UnitCutter cutter(&survey);
    const uint64_t blocks = index.Blocks();
    ReadEnd(index, 0, std::min(blocks, kEndBlocks), buf, cutter, &e);
    if (blocks > kEndBlocks) {
      const uint64_t from = std::max(kEndBlocks, blocks - kEndBlocks);
      Ends tail;
      ReadEnd(index, from, blocks - from, buf, cutter, &tail);
      e.bytesRead += tail.bytesRead;
      e.valid += tail.valid;
      e.damaged += tail.damaged;
      e.unwritten += tail.unwritten;
      if (tail.haveLast) {
        if (!e.haveFirst) {
          e.haveFirst = true;
          e.firstBlock = tail.firstBlock;
          e.first = tail.first;
        }
        e.haveLast = true;
        e.lastBlock = tail.lastBlock;
        e.last = tail.last;
        e.mask |= tail.mask;
        if (e.skipMin < 0 || (tail.skipMin >= 0 && tail.skipMin < e.skipMin))
          e.skipMin = tail.skipMin;
        if (tail.skipMax > e.skipMax) e.skipMax = tail.skipMax;
      }
    }
  }
  if (!e.haveFirst) {
    const bool whole = scan || index.Blocks() <= 2 * kEndBlocks;
    if (whole)
      return Fail("info", kExitCannot, "%s: not a recording (no block with a valid header)",
                  path.c_str());
    Fail("info", kExitProblems,
         "%s: no valid recording block in the first and last megabyte "
         "(marlow info --scan looks at every block)",
         path.c_str());
    return kExitProblems;
  }

  const bool disk = index.Order() == ByteOrder::kDisk;
  const bool variantKnown = survey.parsed > 0;
  const char* variantText = variantKnown ? "4 (recording: picture header layout 2, 8-bit PCM "
                                           "sound at 8000 Hz)"
                                         : "unknown (no picture parsed)";
  std::string sizes;
  for (const auto& s : survey.sizes) {
    if (!sizes.empty()) sizes += ", ";
    sizes += std::to_string(s.first) + "x" + std::to_string(s.second);
  }
  const bool sound = survey.audioUnits > 0;

  if (args.Has("json")) {
    JsonWriter j(stdout);
    j.BeginObject();
    j.String("path", path);
    j.Integer("size", index.Size());
    j.Integer("blocks", index.Blocks());
    j.String("byte_order", disk ? "disk" : "natural");
    j.Bool("scanned", scan);
    j.Integer("bytes_read", e.bytesRead);
    j.String("first_time", TimeText(e.first.time));
    j.String("last_time", TimeText(e.last.time));
    j.Integer("first_block", e.firstBlock);
    j.Integer("last_block", e.lastBlock);
    if (scan) {
      j.String("earliest_time", TimeText(report.minTime));
      j.String("latest_time", TimeText(report.maxTime));
    }
    if (variantKnown) {
      j.Integer("variant", 4);
    } else {
      j.Null("variant");
    }
    j.Integer("channel_mask", e.mask);
    j.BeginArray("channels");
    for (int c = 0; c < 16; ++c)
      if (survey.pictureChannels >> c & 1) j.Integer(nullptr, static_cast<uint64_t>(c + 1));
    j.EndArray();
    j.BeginArray("picture_sizes");
    for (const auto& s : survey.sizes)
      j.String(nullptr, std::to_string(s.first) + "x" + std::to_string(s.second));
    j.EndArray();
    j.Bool("sound", sound);
    j.BeginArray("audio_channels");
    for (int k = 0; k < 4; ++k)
      if (survey.audioChannels >> k & 1) j.Integer(nullptr, static_cast<uint64_t>(k));
    j.EndArray();
    j.Integer("frame_skip_min", static_cast<uint64_t>(e.skipMin));
    j.Integer("frame_skip_max", static_cast<uint64_t>(e.skipMax));
    j.Integer("pictures_seen", survey.pictures);
    j.Integer("audio_units_seen", survey.audioUnits);
    j.Integer("valid_blocks_seen", e.valid);
    j.Integer("damaged_blocks_seen", e.damaged);
    j.Integer("unwritten_blocks_seen", e.unwritten);
    j.EndObject();
    j.Finish();
    return kExitOk;
  }
  std::printf("path:         %s\n", path.c_str());
  std::printf("size:         %" PRIu64 " bytes (%" PRIu64 " blocks)\n", index.Size(),
              index.Blocks());
  std::printf("byte order:   %s\n",
              disk ? "disk (bytes of each 16-bit word exchanged)" : "natural (recording file)");
  std::printf("first block:  %s (block %" PRIu64 ")\n", TimeText(e.first.time).c_str(),
              e.firstBlock);
  std::printf("last block:   %s (block %" PRIu64 ")\n", TimeText(e.last.time).c_str(), e.lastBlock);
  if (scan)
    std::printf("time range:   %s .. %s\n", TimeText(report.minTime).c_str(),
                TimeText(report.maxTime).c_str());
  std::printf("variant:      %s\n", variantText);
  std::printf("channels:     %s (mask 0x%04X)\n", ChannelListText(survey.pictureChannels).c_str(),
              e.mask);
  std::printf("pictures:     %s\n", sizes.empty() ? "none seen" : sizes.c_str());
  if (sound) {
    std::string ch;
    for (int k = 0; k < 4; ++k)
      if (survey.audioChannels >> k & 1) ch += (ch.empty() ? "" : ",") + std::to_string(k);
    std::printf("sound:        yes (audio channel %s)\n", ch.c_str());
  } else {
    std::printf("sound:        no\n");
  }
  if (e.skipMin == e.skipMax) {
    std::printf("frame skip:   %d\n", e.skipMin);
  } else {
    std::printf("frame skip:   %d..%d\n", e.skipMin, e.skipMax);
  }
  std::printf("read:         %" PRIu64 " bytes%s: %" PRIu64 " valid, %" PRIu64 " damaged, %" PRIu64
              " unwritten blocks\n",
              e.bytesRead, scan ? " (every block)" : " (first and last megabyte)", e.valid,
              e.damaged, e.unwritten);
  return kExitOk;
}

}  // namespace marlow::cli
