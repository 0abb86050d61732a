// Figures of the marlow tool, each beside its baseline measured in the same
// run: verify's throughput against `cat FILE > /dev/null` of the same file
// (page cache warm), export of a 4-camera recording to H.264 in MP4 against
// ffmpeg encoding the same raw pictures with the same settings, and info on
// a sparse 64 GiB disk image.
//
//   marlow_bench [minutes]   (length of the export recording, default 10)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

namespace {

const std::string kMarlow = MARLOW_PROGRAM, kMakekvr = MAKEKVR_PROGRAM;
const std::string kDir = BENCH_TMP;

// CPU seconds (user + system) of the children that ended so far.
double ChildCpu() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double lastCpu = 0;  // CPU seconds of the last Timed command

double Timed(const std::string& line) {
  const auto t0 = std::chrono::steady_clock::now();
  const double c0 = ChildCpu();
  const int rc = std::system(line.c_str());
  lastCpu = ChildCpu() - c0;
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (rc != 0 && rc != 256) std::fprintf(stderr, "failed (%d): %s\n", rc, line.c_str());
  return s;
}

double Best(const std::string& line, int runs) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) best = std::min(best, Timed(line));
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
  std::system(("mkdir -p " + kDir).c_str());

  // verify against cat: a 16-channel recording as long as the export one.
  const std::string big = kDir + "/verify.kvr";
  Timed(kMakekvr + " --channels 16 --seconds " + std::to_string(minutes * 60) +
        " --fps 5 --sound tone --out " + big + " > /dev/null");
  const double bytes = [&] {
    FILE* f = std::fopen(big.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const double n = static_cast<double>(std::ftell(f));
    std::fclose(f);
    return n;
  }();
  Timed("cat " + big + " > /dev/null");  // warm the page cache
  const double cat = Best("cat " + big + " > /dev/null", 3);
  const double verify = Best(kMarlow + " verify " + big + " > /dev/null", 3);
  const double reference =
      Best("MARLOW_FORCE_REFERENCE=1 " + kMarlow + " verify " + big + " > /dev/null", 3);
  const double decode = Best(kMarlow + " verify --decode " + big + " > /dev/null", 1);
  std::printf("verify (%.0f MB, page cache warm)\n", bytes / 1e6);
  std::printf("  %-28s %8.3f s  %8.0f MB/s\n", "cat FILE > /dev/null", cat, bytes / 1e6 / cat);
  std::printf("  %-28s %8.3f s  %8.0f MB/s  %5.1f %% of cat\n", "marlow verify", verify,
              bytes / 1e6 / verify, 100 * cat / verify);
  std::printf("  %-28s %8.3f s  %8.0f MB/s  %5.1f %% of cat\n", "  (cutting every unit)", reference,
              bytes / 1e6 / reference, 100 * cat / reference);
  std::printf("  %-28s %8.3f s  %8.0f MB/s  %5.1f %% of cat\n", "marlow verify --decode", decode,
              bytes / 1e6 / decode, 100 * cat / decode);

  // export: 4 cameras, H.264 (libx264 veryfast, crf 15), all cores.
  const std::string rec = kDir + "/export.kvr";
  Timed(kMakekvr + " --channels 4 --seconds " + std::to_string(minutes * 60) +
        " --fps 5 --sound tone --out " + rec + " > /dev/null");
  const double ours = Timed(kMarlow + " export " + rec + " --channels all --audio --out " + kDir +
                            "/e.mp4 > /dev/null");
  const double oursCpu = lastCpu;
  // The same work as the baseline's: pictures only.
  const double quiet =
      Timed(kMarlow + " export " + rec + " --channels all --out " + kDir + "/q.mp4 > /dev/null");
  const double quietCpu = lastCpu;
  // The same pictures raw, then ffmpeg encodes them with the same settings,
  // one channel per core as marlow does (one encoder thread each on 2 cores).
  Timed(kMarlow + " export " + rec + " --channels all --format avi --codec raw --out " + kDir +
        "/r.avi > /dev/null");
  const double ffmpeg =
      Timed("ls " + kDir +
            "/r-CH*.avi | xargs -P $(nproc) -I{} ffmpeg -v error -y -i {} -an "
            "-c:v libx264 -preset veryfast -crf 15 -threads 1 -pix_fmt yuv420p {}.mp4");
  const double ffmpegCpu = lastCpu;
  std::system(("rm -f " + kDir + "/r-CH*.avi*").c_str());
  std::printf("export, 4 cameras x %.0f min, 640x544 H.264 in MP4\n", minutes);
  std::printf("  %-28s %8.2f s wall  %8.2f s CPU\n", "marlow export (pictures)", quiet, quietCpu);
  std::printf("  %-28s %8.2f s wall  %8.2f s CPU\n", "marlow export (with sound)", ours, oursCpu);
  std::printf("  %-28s %8.2f s wall  %8.2f s CPU  (raw pictures in, same encoder settings)\n",
              "ffmpeg -c:v libx264", ffmpeg, ffmpegCpu);

  // info on a sparse 64 GiB image with recordings at both ends.
  const std::string img = kDir + "/disk.img";
  Timed(kMakekvr + " --channels 4 --seconds 30 --disk-order --out " + img + " > /dev/null");
  Timed(kMakekvr + " --channels 4 --seconds 30 --disk-order --start-time 1704153600 --out " + kDir +
        "/tail.img > /dev/null");
  Timed("truncate -s 64G " + img + " && dd if=" + kDir + "/tail.img of=" + img +
        " bs=1M seek=65000 conv=notrunc status=none");
  const double info = Best(kMarlow + " info " + img + " > /dev/null", 5);
  const double sparseVerify = Best(kMarlow + " verify " + img + " > /dev/null", 1);
  std::printf("sparse 64 GiB disk image\n");
  std::printf("  %-28s %8.4f s\n", "marlow info", info);
  std::printf("  %-28s %8.4f s\n", "marlow verify", sparseVerify);
  std::system(("rm -rf " + kDir).c_str());
  return 0;
}
