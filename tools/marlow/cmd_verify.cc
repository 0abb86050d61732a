// marlow verify: one pass over every block; damaged and unwritten stretches,
// time jumps, over-long and dropped units, pictures that fail to parse (or
// decode, with --decode), counts per channel.
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "codec/video_decoder.h"
#include "platform/sync.h"
#include "platform/terminal.h"
#include "recording/damage_scan.h"
#include "tools/marlow/cli_common.h"
#include "tools/marlow/commands.h"

namespace marlow::cli {

namespace {

const char kHelp[] =
    "usage: marlow verify PATH [--decode] [--gap SECONDS] [--json] [--disk|--file]\n"
    "\n"
    "Reads every block once and reports: stretches of damaged blocks (header check\n"
    "fails) and of unwritten blocks (all zeros), with their positions and the times\n"
    "on either side; recorder times that jump backwards and gaps longer than the\n"
    "threshold; units over 131072 bytes and units cut by damage; pictures whose\n"
    "header does not parse, per channel; pictures and sound per channel.\n"
    "\n"
    "  --decode       also decode every picture (slower) and count failures\n"
    "  --gap SECONDS  list forward time steps longer than this (default 60)\n"
    "  --json         print one JSON object instead of text\n"
    "  --disk|--file  byte order of the blocks (default: detected)\n"
    "\n"
    "Exit status: 0 no problems (unwritten stretches and gaps are not problems),\n"
    "1 problems found, 2 cannot read.\n";

// Per channel picture checks; each channel decodes onto its own picture so
// that update pictures land where the recorder meant them.
class PictureCheck : public UnitSink {
 public:
  static constexpr size_t kListed = 20;
  struct Failure {
    uint64_t start;
    int channel;
    bool decode;  // false: the header did not parse
  };

  explicit PictureCheck(bool decode) : decode_(decode) {
    decoder_.Reset(4);
    if (decode_) planes_.reset(new uint8_t[16 * kMaxPictureBytes]());
  }
  void OnUnit(const CutUnit& u) override {
    if (u.kind != UnitKind::kVideo) return;
    const int c = u.channel;
    // Counted units come with the verdict; cut ones are parsed here.
    if (u.headerParses == 0 || (u.headerParses < 0 && !decoder_.ParseHeader(u.data, u.length))) {
      Note(u.start, c, false);
      return;
    }
    if (!decode_) return;
    DecodedPicture p;
    p.planes = planes_.get() + static_cast<size_t>(decoder_.Channel() & 15) * kMaxPictureBytes;
    if (!decoder_.Decode(u.data, u.length, &p)) Note(u.start, c, true);
  }
  void OnDropped(uint64_t, uint8_t, uint64_t) override {}

  uint64_t parseFailures[16] = {}, decodeFailures[16] = {};
  std::vector<Failure> listed;

 private:
  void Note(uint64_t start, int c, bool decode) {
    ++(decode ? decodeFailures : parseFailures)[c];
    if (listed.size() < kListed) listed.push_back({start, c, decode});
  }
  const bool decode_;
  VideoDecoder decoder_;
  std::unique_ptr<uint8_t[]> planes_;
};

const char* KindName(BlockState s) {
  return s == BlockState::kDamaged ? "damaged" : "unwritten";
}

uint64_t Sum(const uint64_t* v, int n) {
  uint64_t s = 0;
  for (int i = 0; i < n; ++i) s += v[i];
  return s;
}

}  // namespace

int RunVerify(int argc, char** argv) {
  Args args;
  std::string error;
  if (!ParseArgs(argc, argv, {"gap"}, {"decode", "json", "disk", "file", "help"}, &args, &error))
    return Fail("verify", kExitCannot, "%s (see marlow verify --help)", error.c_str());
  if (args.Has("help")) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.positional.size() != 1)
    return Fail("verify", kExitCannot, "expects one PATH (see marlow verify --help)");
  uint64_t gap = 60;
  if (args.Has("gap") && !ParseUnsigned(args.Get("gap"), 0xFFFFFFFFu, &gap))
    return Fail("verify", kExitCannot, "--gap wants a number of seconds, not '%s'",
                args.Get("gap").c_str());
  const std::string path = args.positional[0];
  RecordingIndex index;
  if (!OpenInput("verify", args, path, &index)) return kExitCannot;

  PictureCheck pictures(args.Has("decode"));
  DamageScan scan(index, static_cast<uint32_t>(gap), &pictures);
  // Without --decode no unit bytes are needed: count instead of cutting
  // (MARLOW_FORCE_REFERENCE keeps the cutter).
  const char* force = std::getenv("MARLOW_FORCE_REFERENCE");
  const bool reference = force && force[0] && std::strcmp(force, "0") != 0;
  scan.SetCountOnly(!args.Has("decode") && !reference);
  DamageReport r;
  const bool tty = platform::IsTerminal(stderr);
  const uint32_t t0 = platform::TickMs();
  uint32_t lastShown = t0;
  const int readAll = scan.Run(&r, [&](uint64_t done, uint64_t total) {
    if (!tty) return;
    const uint32_t now = platform::TickMs();
    if (now - lastShown < 250) return;
    lastShown = now;
    const double s = (now - t0) / 1000.0;
    std::fprintf(stderr, "\r%5.1f%%  %.0f MB/s ", 100.0 * done / total,
                 s > 0 ? done * 4096.0 / 1e6 / s : 0.0);
  });
  if (tty) std::fputs("\r                          \r", stderr);
  if (r.valid == 0)
    return Fail("verify", kExitCannot, "%s: not a recording (no block with a valid header)",
                path.c_str());

  const uint64_t parseFail = Sum(pictures.parseFailures, 16);
  const uint64_t decodeFail = Sum(pictures.decodeFailures, 16);
  const uint64_t problems = r.damagedStretches + r.backwardJumps + r.overLongUnits +
                            r.droppedUnits + parseFail + decodeFail + (r.tailBytes ? 1 : 0) +
                            (readAll ? 0 : 1);

  if (args.Has("json")) {
    JsonWriter j(stdout);
    j.BeginObject();
    j.String("path", path);
    j.Integer("size", r.size);
    j.Integer("blocks", r.blocks);
    j.String("byte_order", index.Order() == ByteOrder::kDisk ? "disk" : "natural");
    j.Integer("valid_blocks", r.valid);
    j.Integer("damaged_blocks", r.damaged);
    j.Integer("unwritten_blocks", r.unwritten);
    j.Integer("unreadable_blocks", r.unreadable);
    j.Integer("tail_bytes", r.tailBytes);
    j.String("first_time", TimeText(r.firstTime));
    j.String("last_time", TimeText(r.lastTime));
    j.BeginArray("stretches");
    for (const Stretch& s : r.stretches) {
      j.BeginObject();
      j.String("kind", KindName(s.kind));
      j.Integer("first_block", s.firstBlock);
      j.Integer("blocks", s.blocks);
      j.Integer("start", s.firstBlock * kBlockSize);
      j.Integer("end", (s.firstBlock + s.blocks) * kBlockSize);
      s.haveBefore ? j.String("time_before", TimeText(s.timeBefore)) : j.Null("time_before");
      s.haveAfter ? j.String("time_after", TimeText(s.timeAfter)) : j.Null("time_after");
      j.EndObject();
    }
    j.EndArray();
    j.Integer("damaged_stretches", r.damagedStretches);
    j.Integer("unwritten_stretches", r.unwrittenStretches);
    j.BeginArray("time_events");
    for (const TimeEvent& t : r.timeEvents) {
      j.BeginObject();
      j.String("kind", t.backward ? "backward" : "gap");
      j.Integer("block", t.block);
      j.String("from", TimeText(t.from));
      j.String("to", TimeText(t.to));
      j.EndObject();
    }
    j.EndArray();
    j.Integer("backward_jumps", r.backwardJumps);
    j.Integer("gaps", r.gaps);
    j.Integer("gap_seconds", gap);
    j.BeginArray("unit_problems");
    for (const UnitProblem& u : r.unitProblems) {
      j.BeginObject();
      j.String("kind", u.overLong ? "over_long"
                                  : (u.beforeUnwritten ? "cut_by_unwritten" : "cut_by_damage"));
      j.Integer("start", u.start);
      j.Integer("code", u.code);
      j.Integer("bytes", u.bytes);
      j.EndObject();
    }
    j.EndArray();
    j.Integer("over_long_units", r.overLongUnits);
    j.Integer("units_cut_by_damage", r.droppedUnits);
    j.Integer("units_cut_by_unwritten", r.droppedBeforeUnwritten);
    j.BeginArray("channels");
    for (int c = 0; c < 16; ++c) {
      if (!r.pictures[c]) continue;
      j.BeginObject();
      j.Integer("channel", static_cast<uint64_t>(c + 1));
      j.Integer("pictures", r.pictures[c]);
      j.Integer("full_pictures", r.fullPictures[c]);
      j.Integer("parse_failures", pictures.parseFailures[c]);
      j.Integer("decode_failures", pictures.decodeFailures[c]);
      j.EndObject();
    }
    j.EndArray();
    j.Bool("decoded", args.Has("decode"));
    j.BeginArray("audio");
    for (int k = 0; k < 4; ++k) {
      if (!r.audioUnits[k]) continue;
      j.BeginObject();
      j.Integer("audio_channel", static_cast<uint64_t>(k));
      j.Integer("units", r.audioUnits[k]);
      j.Integer("bytes", r.audioBytes[k]);
      j.EndObject();
    }
    j.EndArray();
    j.Integer("problems", problems);
    j.EndObject();
    j.Finish();
    return problems ? kExitProblems : kExitOk;
  }

  std::printf("%s: %" PRIu64 " bytes, %" PRIu64 " blocks (%s byte order), %s .. %s\n", path.c_str(),
              r.size, r.blocks, index.Order() == ByteOrder::kDisk ? "disk" : "natural",
              TimeText(r.firstTime).c_str(), TimeText(r.lastTime).c_str());
  std::printf("blocks: %" PRIu64 " valid, %" PRIu64 " damaged, %" PRIu64 " unwritten\n", r.valid,
              r.damaged, r.unwritten);
  for (const Stretch& s : r.stretches) {
    std::printf("  %-9s blocks %" PRIu64 "-%" PRIu64 " (%" PRIu64 " blocks, bytes %" PRIu64
                "-%" PRIu64 "), between %s and %s\n",
                KindName(s.kind), s.firstBlock, s.firstBlock + s.blocks - 1, s.blocks,
                s.firstBlock * kBlockSize, (s.firstBlock + s.blocks) * kBlockSize - 1,
                s.haveBefore ? TimeText(s.timeBefore).c_str() : "the start",
                s.haveAfter ? TimeText(s.timeAfter).c_str() : "the end");
  }
  if (r.stretches.size() < r.damagedStretches + r.unwrittenStretches)
    std::printf("  ... %" PRIu64 " more stretches not listed\n",
                r.damagedStretches + r.unwrittenStretches - r.stretches.size());
  if (r.tailBytes)
    std::printf("truncated: the last %" PRIu64 " bytes do not make a whole block (not read)\n",
                r.tailBytes);
  if (!readAll)
    std::printf("unreadable: reading stopped with %" PRIu64 " blocks left\n", r.unreadable);
  std::printf("time: %" PRIu64 " jumps backwards, %" PRIu64 " gaps over %" PRIu64 " s\n",
              r.backwardJumps, r.gaps, gap);
  for (const TimeEvent& t : r.timeEvents)
    std::printf("  %-8s at block %" PRIu64 ": %s -> %s\n", t.backward ? "backward" : "gap", t.block,
                TimeText(t.from).c_str(), TimeText(t.to).c_str());
  std::printf("units: %" PRIu64 " over 131072 bytes, %" PRIu64 " cut by damage, %" PRIu64
              " cut where unwritten blocks follow\n",
              r.overLongUnits, r.droppedUnits, r.droppedBeforeUnwritten);
  for (const UnitProblem& u : r.unitProblems)
    std::printf("  %-9s unit %02X at byte %" PRIu64 ": %" PRIu64 " bytes\n",
                u.overLong ? "over-long" : "cut", u.code, u.start, u.bytes);
  std::printf("pictures%s:", args.Has("decode") ? " (decoded)" : "");
  for (int c = 0; c < 16; ++c) {
    if (!r.pictures[c]) continue;
    std::printf(" CH%d %" PRIu64 " (%" PRIu64 " full", c + 1, r.pictures[c], r.fullPictures[c]);
    if (pictures.parseFailures[c]) std::printf(", %" PRIu64 " bad", pictures.parseFailures[c]);
    if (pictures.decodeFailures[c])
      std::printf(", %" PRIu64 " undecodable", pictures.decodeFailures[c]);
    std::printf(")");
  }
  std::printf("\n");
  for (const auto& f : pictures.listed)
    std::printf("  CH%d picture at byte %" PRIu64 " %s\n", f.channel + 1, f.start,
                f.decode ? "does not decode" : "has a header that does not parse");
  std::printf("sound:");
  bool any = false;
  for (int k = 0; k < 4; ++k) {
    if (!r.audioUnits[k]) continue;
    any = true;
    std::printf(" audio channel %d: %" PRIu64 " units, %" PRIu64 " bytes", k, r.audioUnits[k],
                r.audioBytes[k]);
  }
  std::printf("%s\n", any ? "" : " none");
  if (problems) {
    std::printf("result: %" PRIu64 " problems found\n", problems);
  } else {
    std::printf("result: no problems found\n");
  }
  return problems ? kExitProblems : kExitOk;
}

}  // namespace marlow::cli
