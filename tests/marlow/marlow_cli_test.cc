// marlow as a user runs it: every subcommand on made recordings and disk
// images, damaged ones, times that jump, 1 and 16 channels, with and without
// sound, --json read back, exit codes, bad input, exports read back by
// ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "codec/video_decoder.h"
#include "display/pixel_convert.h"
#include "recording/block_format.h"
#include "recording/recording_source.h"
#include "tests/marlow/cli_fixture.h"
#include "tools/marlow/export_pictures.h"

namespace marlow::testing {
namespace {

constexpr uint32_t kStart = 1704067200;  // 2024-01-01 00:00:00, makekvr's default

std::string Concat(const std::string& dir, const std::string& name,
                   const std::vector<std::string>& parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) {
    const auto b = ReadAll(p);
    all.insert(all.end(), b.begin(), b.end());
  }
  WriteAll(dir + "/" + name, all);
  return dir + "/" + name;
}

TEST(MarlowInfo, TellsChannelsSizesSoundAndOrderFromTheEnds) {
  const std::string d = TestFolder("info");
  MakeKvr(d + "/one.kvr", {"--channels", "1", "--seconds", "6", "--frame-skip", "2"});
  MakeKvr(d + "/sixteen.img", {"--channels", "16", "--height", "224", "--seconds", "4", "--fps",
                               "3", "--sound", "none", "--disk-order"});
  Result r = Marlow({"info", d + "/one.kvr", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_TRUE(r.parsed) << r.out;
  EXPECT_EQ(r.json["byte_order"].s, "natural");
  EXPECT_EQ(r.json["first_time"].s, "2024-01-01 00:00:00");
  EXPECT_EQ(r.json["last_time"].s, "2024-01-01 00:00:05");
  EXPECT_EQ(r.json["variant"].U(), 4u);
  ASSERT_EQ(r.json["channels"].size(), 1u);
  EXPECT_EQ(r.json["channels"][0].U(), 1u);
  EXPECT_EQ(r.json["channel_mask"].U(), 1u);
  EXPECT_EQ(r.json["picture_sizes"][0].s, "640x272");
  EXPECT_TRUE(r.json["sound"].b);
  EXPECT_EQ(r.json["frame_skip_max"].U(), 2u);

  for (const char* scan : {"", "--scan"}) {
    std::vector<std::string> a = {"info", d + "/sixteen.img", "--json"};
    if (*scan) a.push_back(scan);
    r = Marlow(a);
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(r.parsed);
    EXPECT_EQ(r.json["byte_order"].s, "disk");
    EXPECT_EQ(r.json["channels"].size(), 16u);
    EXPECT_EQ(r.json["channel_mask"].U(), 0xFFFFu);
    EXPECT_EQ(r.json["picture_sizes"][0].s, "640x224");
    EXPECT_FALSE(r.json["sound"].b);
    EXPECT_EQ(r.json["scanned"].b, *scan != 0);
  }
  r = Marlow({"info", d + "/one.kvr"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("channels:     1 (mask 0x0001)"), std::string::npos) << r.out;
  EXPECT_EQ(Marlow({"info", "--help"}).code, 0);
}

TEST(MarlowVerify, ReportsExactlyTheDamageThatWasMade) {
  const std::string d = TestFolder("verify");
  MakeKvr(d + "/clean.kvr",
          {"--channels", "16", "--seconds", "5", "--fps", "3", "--sound", "none"});
  Result r = Marlow({"verify", d + "/clean.kvr", "--decode", "--json"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  ASSERT_TRUE(r.parsed);
  EXPECT_EQ(r.json["stretches"].size(), 0u);
  ASSERT_EQ(r.json["channels"].size(), 16u);
  uint64_t pictures = 0;
  for (const Json& c : r.json["channels"].a) {
    pictures += c["pictures"].U();
    EXPECT_GE(c["pictures"].U(), 10u);
    EXPECT_EQ(c["decode_failures"].U(), 0u);
    EXPECT_EQ(c["parse_failures"].U(), 0u);
  }
  EXPECT_EQ(r.json["audio"].size(), 0u);

  // Broken blocks, natural and disk order: the same two stretches, nothing else.
  for (bool disk : {false, true}) {
    std::vector<std::string> o = {"--channels",    "2",       "--seconds", "10",
                                  "--break-block", "3,4,5,40"};
    if (disk) o.push_back("--disk-order");
    MakeKvr(d + "/broken.kvr", o);
    r = Marlow({"verify", d + "/broken.kvr", "--json"});
    EXPECT_EQ(r.code, 1);
    ASSERT_TRUE(r.parsed);
    EXPECT_EQ(r.json["byte_order"].s, disk ? "disk" : "natural");
    const Json& s = r.json["stretches"];
    ASSERT_EQ(s.size(), 2u) << r.out;
    EXPECT_EQ(s[0]["kind"].s, "damaged");
    EXPECT_EQ(s[0]["first_block"].U(), 3u);
    EXPECT_EQ(s[0]["blocks"].U(), 3u);
    EXPECT_EQ(s[0]["start"].U(), 3u * 4096);
    EXPECT_EQ(s[1]["first_block"].U(), 40u);
    EXPECT_EQ(s[1]["blocks"].U(), 1u);
    EXPECT_FALSE(s[1]["time_before"].s.empty());
    EXPECT_EQ(r.json["damaged_blocks"].U(), 4u);
    EXPECT_EQ(r.json["backward_jumps"].U(), 0u);
    EXPECT_EQ(r.json["audio"][0]["audio_channel"].U(), 0u);
  }

  // A cut file: the part block is named, the rest is clean.
  MakeKvr(d + "/cut.kvr", {"--channels", "1", "--seconds", "3", "--truncate", "20000"});
  r = Marlow({"verify", d + "/cut.kvr", "--json"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.json["tail_bytes"].U(), 20000u % 4096);
  EXPECT_EQ(r.json["stretches"].size(), 0u);

  // The clock set back an hour, and a pause of 1000 s.
  MakeKvr(d + "/late.kvr",
          {"--channels", "1", "--seconds", "3", "--start-time", std::to_string(kStart + 3600)});
  MakeKvr(d + "/early.kvr", {"--channels", "1", "--seconds", "3"});
  MakeKvr(d + "/after.kvr",
          {"--channels", "1", "--seconds", "3", "--start-time", std::to_string(kStart + 1000)});
  const uint64_t lateBlocks = ReadAll(d + "/late.kvr").size() / 4096;
  const std::string jump = Concat(d, "jump.kvr", {d + "/late.kvr", d + "/early.kvr"});
  r = Marlow({"verify", jump, "--json"});
  EXPECT_EQ(r.code, 1);
  ASSERT_EQ(r.json["time_events"].size(), 1u);
  EXPECT_EQ(r.json["time_events"][0]["kind"].s, "backward");
  EXPECT_EQ(r.json["time_events"][0]["block"].U(), lateBlocks);
  EXPECT_EQ(r.json["time_events"][0]["to"].s, "2024-01-01 00:00:00");
  const std::string gap = Concat(d, "gap.kvr", {d + "/early.kvr", d + "/after.kvr"});
  r = Marlow({"verify", gap, "--json"});
  // (the picture cut at the seam of the two files is reported too)
  ASSERT_EQ(r.json["time_events"].size(), 1u);
  EXPECT_EQ(r.json["time_events"][0]["kind"].s, "gap");
  EXPECT_EQ(r.json["backward_jumps"].U(), 0u);
}

TEST(MarlowSparseDisk, EndsAnswerAtOnceAndTheUnwrittenMiddleIsNotDamage) {
  const std::string d = TestFolder("sparse");
  MakeKvr(d + "/head.img", {"--channels", "4", "--seconds", "10", "--disk-order"});
  MakeKvr(d + "/tail.img", {"--channels", "4", "--seconds", "10", "--disk-order", "--start-time",
                            std::to_string(kStart + 86400)});
  const uint64_t size = 64ull << 30, tailBytes = ReadAll(d + "/tail.img").size();
  const std::string img = d + "/disk.img";
  ASSERT_EQ(RunCommand("cp " + Quote(d + "/head.img") + " " + Quote(img) + " && truncate -s " +
                       std::to_string(size) + " " + Quote(img) +
                       " && dd if=" + Quote(d + "/tail.img") + " of=" + Quote(img) +
                       " bs=4096 seek=" + std::to_string((size - tailBytes) / 4096) +
                       " conv=notrunc status=none")
                .code,
            0);
  Result r = Marlow({"info", img, "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_LT(r.seconds, 1.0);
  EXPECT_EQ(r.json["byte_order"].s, "disk");
  EXPECT_EQ(r.json["first_time"].s, "2024-01-01 00:00:00");
  EXPECT_EQ(r.json["last_time"].s, "2024-01-02 00:00:09");
  EXPECT_LE(r.json["bytes_read"].U(), 2u << 20);
  std::printf("info on the 64 GiB image: %.3f s\n", r.seconds);

  r = Marlow({"verify", img, "--json"});
  ASSERT_EQ(r.code, 0) << r.out;
  struct rusage ru;
  getrusage(RUSAGE_CHILDREN, &ru);
  std::printf("verify on the 64 GiB image: %.3f s, largest child %ld KiB\n", r.seconds,
              ru.ru_maxrss);
  EXPECT_LT(ru.ru_maxrss, 64 * 1024);  // flat: chunk, collector and pictures only
  const Json& s = r.json["stretches"];
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0]["kind"].s, "unwritten");
  EXPECT_EQ(s[0]["end"].U(), size - tailBytes);
  EXPECT_EQ(r.json["damaged_stretches"].U(), 0u);
  EXPECT_EQ(r.json["gaps"].U(), 1u);
  EXPECT_EQ(r.json["units_cut_by_damage"].U(), 0u);
}

TEST(MarlowFrames, BisectionAndScanGiveTheSamePicturesAndMissingTimesAreRefused) {
  const std::string d = TestFolder("frames");
  MakeKvr(d + "/a.kvr", {"--channels", "4", "--seconds", "12", "--break-block", "30"});
  for (const char* mode : {"bis", "scan"}) {
    RunCommand("mkdir -p " + d + "/" + mode);
    std::vector<std::string> a = {
        "frames",  d + "/a.kvr",  "--channel", "3", "--at",  "2024-01-01 00:00:07",
        "--count", "3",           "--every",   "2", "--png", "--json",
        "--out",   d + "/" + mode};
    if (std::string(mode) == "scan") a.push_back("--scan");
    Result r = Marlow(a);
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(r.parsed);
    EXPECT_EQ(r.json["found_by"].s, std::string(mode) == "scan" ? "scan" : "bisection");
    ASSERT_EQ(r.json["pictures"].size(), 3u);
    EXPECT_EQ(r.json["pictures"][0]["time"].s, "2024-01-01 00:00:07");
    EXPECT_EQ(r.json["pictures"][2]["time"].s, "2024-01-01 00:00:11");
    EXPECT_TRUE(r.json["from_full_picture"].b);
  }
  for (const char* f : {"CH3_20240101_000007_000.bmp", "CH3_20240101_000009_000.bmp",
                        "CH3_20240101_000011_000.png"}) {
    const auto a = ReadAll(d + "/bis/" + f), b = ReadAll(d + "/scan/" + f);
    ASSERT_GT(a.size(), 1000u) << f;
    EXPECT_EQ(a, b) << f;
  }
  const auto png = ReadAll(d + "/bis/CH3_20240101_000007_000.png");
  EXPECT_EQ(RunCommand("ffprobe -v error " + Quote(d + "/bis/CH3_20240101_000007_000.png")).code,
            0);
  EXPECT_EQ(png[1], 'P');

  // Times that jump back: found by a scan, and said so.
  MakeKvr(d + "/late.kvr",
          {"--channels", "1", "--seconds", "4", "--start-time", std::to_string(kStart + 3600)});
  MakeKvr(d + "/early.kvr", {"--channels", "1", "--seconds", "4"});
  const std::string jump = Concat(d, "jump.kvr", {d + "/late.kvr", d + "/early.kvr"});
  Result r = Marlow(
      {"frames", jump, "--channel", "1", "--at", "2024-01-01 00:00:02", "--json", "--out", d});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("not in order"), std::string::npos) << r.err;
  EXPECT_EQ(r.json["found_by"].s, "scan");

  // Not in the recording, a channel without pictures, bad values.
  r = Marlow({"frames", d + "/a.kvr", "--channel", "1", "--at", "2025-01-01 00:00:00", "--out", d});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("not in the recording"), std::string::npos) << r.err;
  r = Marlow({"frames", d + "/a.kvr", "--channel", "9", "--at", "2024-01-01 00:00:03", "--out", d});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(
      Marlow({"frames", d + "/a.kvr", "--channel", "17", "--at", "2024-01-01 00:00:03", "--out", d})
          .code,
      2);
  EXPECT_EQ(
      Marlow({"frames", d + "/a.kvr", "--channel", "1", "--at", "yesterday", "--out", d}).code, 2);
  EXPECT_EQ(Marlow({"frames", d + "/a.kvr", "--channel", "1", "--at", "2024-01-01 00:00:03",
                    "--out", d + "/nowhere"})
                .code,
            2);
}

// The pictures an export must hold: each decoded onto its channel's own
// picture from its first full one, doubled and stamped; top-down BGR.
std::vector<std::vector<uint8_t>> ExpectedPictures(const std::string& path, int channel) {
  RecordingSource src;
  EXPECT_EQ(src.OpenSource(path.c_str(), false), 1);
  VideoDecoder dec;
  dec.Reset(4);
  std::vector<uint8_t> unit(kMaxUnitBytes), planes(kMaxPictureBytes), bgr(640 * 3 * 272),
      doubled(640 * 3 * 544);
  std::vector<std::vector<uint8_t>> out;
  bool full = false;
  for (;;) {
    const uint64_t before = src.Position();
    const uint32_t n = src.ReadForward(unit.data());
    if (!src.LastReadFoundUnit()) {
      if (src.Position() == before) break;
      continue;
    }
    if (src.LastIsAudio() || src.LastChannel() != channel) continue;
    if (unit[3] == 0xF9) full = true;
    if (!full || !dec.ParseHeader(unit.data(), n)) continue;
    DecodedPicture p;
    p.planes = planes.data();
    if (!dec.Decode(unit.data(), n, &p)) continue;
    const int w = 640, h = static_cast<int>(dec.Height());
    ConvertPicture(PixelFormat::Bgr24BottomUp, bgr.data(), w * 3, planes.data(), w, h);
    cli::DoubleHeight(bgr.data(), w, h, doubled.data(), doubled.size());
    cli::DrawStamp(doubled.data(), w, 2 * h, cli::StampText(src.BlockTime()));
    std::vector<uint8_t> top(static_cast<size_t>(w) * 3 * 2 * h);
    for (int y = 0; y < 2 * h; ++y)
      std::copy_n(doubled.data() + static_cast<size_t>(2 * h - 1 - y) * w * 3, w * 3,
                  top.data() + static_cast<size_t>(y) * w * 3);
    out.push_back(std::move(top));
  }
  return out;
}

Json Probe(const std::string& file) {
  Result r = RunCommand("ffprobe -v error -count_frames -show_streams -show_format -of json " +
                        Quote(file));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.parsed) << r.out;
  return r.json;
}

TEST(MarlowExport, RawIsByteExactH264IsCloseAndEveryFileIsReadBack) {
  const std::string d = TestFolder("export");
  MakeKvr(d + "/a.kvr", {"--channels", "3", "--seconds", "6", "--sound", "tone"});
  // Raw pictures in AVI: the frames are our pictures, byte for byte.
  Result r = Marlow({"export", d + "/a.kvr", "--channels", "1,3", "--audio", "--format", "avi",
                     "--codec", "raw", "--json", "--out", d + "/raw.avi"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_TRUE(r.parsed);
  ASSERT_EQ(r.json["files"].size(), 2u);
  EXPECT_EQ(r.json["files"][1]["file"].s, d + "/raw-CH3.avi");
  for (int c : {0, 2}) {
    const std::string file = d + "/raw-CH" + std::to_string(c + 1) + ".avi";
    const auto want = ExpectedPictures(d + "/a.kvr", c);
    Json p = Probe(file);
    ASSERT_EQ(p["streams"].size(), 2u);
    const Json* v = &p["streams"][0];
    const Json* a = &p["streams"][1];
    if ((*v)["codec_type"].s != "video") std::swap(v, a);
    EXPECT_EQ((*v)["codec_name"].s, "rawvideo");
    EXPECT_EQ((*v)["width"].U(), 640u);
    EXPECT_EQ((*v)["height"].U(), 544u);
    EXPECT_EQ(std::stoul((*v)["nb_read_frames"].s), want.size());
    EXPECT_EQ((*a)["codec_name"].s, "pcm_u8");
    EXPECT_EQ((*a)["sample_rate"].s, "8000");
    // Pictures last as long as the sound.
    EXPECT_NEAR(std::stod((*v)["duration"].s), std::stoul((*a)["nb_read_frames"].s) * 1024 / 8000.0,
                0.3);
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -i " + Quote(file) + " -f rawvideo -pix_fmt bgr24 " +
                         Quote(d + "/raw.bgr"))
                  .code,
              0);
    const auto got = ReadAll(d + "/raw.bgr");
    ASSERT_EQ(got.size(), want.size() * want[0].size());
    for (size_t k = 0; k < want.size(); ++k)
      ASSERT_TRUE(std::equal(want[k].begin(), want[k].end(), got.begin() + k * want[k].size()))
          << "picture " << k << " of CH" << c + 1;
  }

  // H.264 in MP4 with sound: close to our pictures.
  r = Marlow({"export", d + "/a.kvr", "--channels", "2", "--audio", "--out", d + "/h.mp4"});
  ASSERT_EQ(r.code, 0) << r.err;
  Json p = Probe(d + "/h-CH2.mp4");
  ASSERT_EQ(p["streams"].size(), 2u);
  const auto want = ExpectedPictures(d + "/a.kvr", 1);
  bool sawH264 = false, sawAac = false;
  for (const Json& s : p["streams"].a) {
    sawH264 |= s["codec_name"].s == "h264";
    sawAac |= s["codec_name"].s == "aac";
    if (s["codec_type"].s == "video") {
      EXPECT_EQ(std::stoul(s["nb_read_frames"].s), want.size());
    }
  }
  EXPECT_TRUE(sawH264 && sawAac);
  ASSERT_EQ(RunCommand("ffmpeg -v error -y -i " + Quote(d + "/h-CH2.mp4") +
                       " -f rawvideo -pix_fmt bgr24 " + Quote(d + "/h.bgr"))
                .code,
            0);
  const auto got = ReadAll(d + "/h.bgr");
  ASSERT_EQ(got.size(), want.size() * want[0].size());
  double se = 0;
  for (size_t k = 0; k < want.size(); ++k)
    for (size_t i = 0; i < want[k].size(); ++i) {
      const double e = double(want[k][i]) - got[k * want[k].size() + i];
      se += e * e;
    }
  const double psnr = 10 * std::log10(255.0 * 255.0 / (se / got.size()));
  std::printf("H.264 PSNR against our pictures: %.2f dB\n", psnr);
  EXPECT_GT(psnr, 40.0);

  // 16 channels without sound, MJPEG in AVI: a file for each, at the
  // recorder's picture rate (one picture every 16666 us, 16 cameras in
  // turn, for 224-line pictures).
  MakeKvr(d + "/s.kvr", {"--channels", "16", "--height", "224", "--seconds", "2", "--fps", "3",
                         "--sound", "none"});
  r = Marlow({"export", d + "/s.kvr", "--channels", "all", "--format", "avi", "--json", "--out",
              d + "/s.avi"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.json["files"].size(), 16u);
  EXPECT_NEAR(r.json["files"][15]["pictures_per_second"].n, 1e6 / 16666 / 16, 1e-6);
  p = Probe(d + "/s-CH16.avi");
  ASSERT_EQ(p["streams"].size(), 1u);
  EXPECT_EQ(p["streams"][0]["codec_name"].s, "mjpeg");
  EXPECT_EQ(p["streams"][0]["height"].U(), 448u);

  // --from/--to cut the stretch; bad channel lists are refused.
  r = Marlow({"export", d + "/a.kvr", "--channels", "1", "--from", "2024-01-01 00:00:02", "--to",
              "2024-01-01 00:00:03", "--format", "avi", "--codec", "raw", "--json", "--out",
              d + "/part.avi"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NEAR(double(r.json["files"][0]["pictures"].U()), 10.0, 2.0);
  EXPECT_TRUE(r.json["files"][0]["exact_from_start"].b);
  EXPECT_EQ(Marlow({"export", d + "/a.kvr", "--channels", "0", "--out", d + "/x.mp4"}).code, 2);
  EXPECT_EQ(Marlow({"export", d + "/a.kvr", "--channels", "9", "--out", d + "/x.mp4"}).code, 1);
  EXPECT_EQ(Marlow({"export", d + "/a.kvr", "--channels", "1", "--format", "mp4", "--codec", "raw",
                    "--out", d + "/x.mp4"})
                .code,
            2);
}

TEST(MarlowBadInput, SaysWhatIsWrongAndExitsTwo) {
  const std::string d = TestFolder("bad");
  std::vector<uint8_t> noise(100000);
  uint32_t x = 12345;
  for (auto& b : noise) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  WriteAll(d + "/noise.bin", noise);
  WriteAll(d + "/empty.kvr", {});
  MakeKvr(d + "/ok.kvr", {"--channels", "1", "--seconds", "2"});
  RunCommand("cp " + d + "/ok.kvr " + d + "/locked.kvr && chmod 000 " + d + "/locked.kvr");
  const std::vector<std::vector<std::string>> commands = {
      {"info"},
      {"verify"},
      {"frames", "--channel", "1", "--at", "2024-01-01 00:00:00", "--out", d},
      {"export", "--channels", "1", "--out", d + "/o.mp4"}};
  for (const auto& c : commands) {
    auto with = [&](const std::string& path) {
      std::vector<std::string> a = {c[0], path};
      a.insert(a.end(), c.begin() + 1, c.end());
      return Marlow(a);
    };
    Result r = with(d + "/noise.bin");
    EXPECT_EQ(r.code, 2) << c[0] << ": " << r.err;
    EXPECT_NE(r.err.find("not a recording"), std::string::npos) << r.err;
    r = with(d + "/empty.kvr");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("is empty"), std::string::npos) << r.err;
    r = with(d);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("is a directory"), std::string::npos) << r.err;
    r = with(d + "/missing.kvr");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("no such file"), std::string::npos) << r.err;
    // Unreadable: as an unprivileged user (root reads everything).
    std::string line = "setpriv --reuid=65534 --regid=65534 --clear-groups " +
                       std::string(MARLOW_PROGRAM) + " " + c[0] + " " + Quote(d + "/locked.kvr");
    for (size_t i = 1; i < c.size(); ++i) line += " " + Quote(c[i]);
    r = RunCommand(line);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
  }
  Result r;
  EXPECT_EQ(Marlow({"verify", d + "/ok.kvr", "--bogus"}).code, 2);
  EXPECT_EQ(Marlow({"sing"}).code, 2);
  EXPECT_EQ(Marlow({}).code, 2);
  for (const char* c : {"info", "verify", "frames", "export"}) {
    r = Marlow({c, "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("usage: marlow"), std::string::npos);
  }
}

}  // namespace
}  // namespace marlow::testing
