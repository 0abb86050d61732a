// The list of physical disks behind the "Disk Select" dialog: for drive
// numbers 0..9, every disk that opens and reports its geometry, with its kind
// and size in megabytes, and the device path of the chosen line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace marlow {

struct DiskEntry {
  int number = 0;          // drive number n of the device path
  uint64_t megabytes = 0;  // geometry size >> 20
  std::string line;        // "DISK%d  %-10s %10lld MB"
};

// "Unknown" (0), "Removable" (11), "Fixed" (12), "Floppy" (anything else).
const char* MediaKindText(uint32_t mediaType);
std::string FormatDiskLine(int number, const char* kind, uint64_t megabytes);

class DiskList {
 public:
  // The device path of drive n; false when there is no such drive. The
  // default is the system's physical disk naming; tests pass their own.
  using PathFor = std::function<bool(int n, char* out, size_t outSize)>;

  DiskList();
  explicit DiskList(PathFor pathFor);

  // Probes drives 0..9: a drive that cannot be opened or whose geometry
  // request fails is left out. The first line becomes the chosen one.
  void Build();
  const std::vector<DiskEntry>& Entries() const { return entries_; }
  // Makes line the chosen entry when it is a valid line (true).
  bool Select(int line);
  // The device path of the chosen entry, or empty when no disk is listed.
  std::string ChosenPath() const;

 private:
  PathFor pathFor_;
  std::vector<DiskEntry> entries_;
  int chosen_ = 0;
};

}  // namespace marlow
