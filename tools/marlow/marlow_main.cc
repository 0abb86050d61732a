// marlow: the command-line tool for recordings and recorder disks.
#include <cstdio>
#include <cstring>

#include "tools/marlow/cli_common.h"
#include "tools/marlow/commands.h"

namespace {

const char kUsage[] =
    "usage: marlow <command> [options]\n"
    "\n"
    "  info PATH      what a recording or recorder disk holds (reads its two ends)\n"
    "  verify PATH    one pass over every block: damage, time jumps, bad pictures\n"
    "  frames PATH    pictures of a channel at a recorder time, as BMP/PNG files\n"
    "  export PATH    one video file per channel (H.264 in MP4, MJPEG or raw in AVI)\n"
    "\n"
    "PATH is a recording file, a disk image or a recorder disk (a block device, or\n"
    "\\\\.\\PHYSICALDRIVEn on Windows). 'marlow <command> --help' tells more.\n"
    "Exit status: 0 ok, 1 problems found, 2 bad usage or cannot read.\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace marlow::cli;
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return kExitCannot;
  }
  const char* cmd = argv[1];
  if (!std::strcmp(cmd, "--help") || !std::strcmp(cmd, "-h") || !std::strcmp(cmd, "help")) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (!std::strcmp(cmd, "info")) return RunInfo(argc - 2, argv + 2);
  if (!std::strcmp(cmd, "verify")) return RunVerify(argc - 2, argv + 2);
  if (!std::strcmp(cmd, "frames")) return RunFrames(argc - 2, argv + 2);
  if (!std::strcmp(cmd, "export")) return RunExport(argc - 2, argv + 2);
  std::fprintf(stderr, "marlow: '%s' is not a command\n\n%s", cmd, kUsage);
  return kExitCannot;
}
