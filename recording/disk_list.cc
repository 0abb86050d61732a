#include "recording/disk_list.h"

#include <cinttypes>
#include <cstdio>

#include "platform/file.h"

namespace marlow {

const char* MediaKindText(uint32_t mediaType) {
  switch (mediaType) {
    case 0:
      return "Unknown";
    case 11:
      return "Removable";
    case 12:
      return "Fixed";
    default:
      return "Floppy";
  }
}

std::string FormatDiskLine(int number, const char* kind, uint64_t megabytes) {
  char line[96];
  std::snprintf(line, sizeof line, "DISK%d  %-10s %10" PRId64 " MB", number, kind,
                static_cast<int64_t>(megabytes));
  return line;
}

DiskList::DiskList() : DiskList(platform::PhysicalDiskPath) {}

DiskList::DiskList(PathFor pathFor) : pathFor_(std::move(pathFor)) {}

void DiskList::Build() {
  entries_.clear();
  chosen_ = 0;
  for (int n = 0; n <= 9; ++n) {
    char path[256];
    if (!pathFor_(n, path, sizeof path)) continue;
    platform::File device;
    if (!device.OpenRead(path)) continue;
    platform::DiskGeometry g;
    const bool known = device.Geometry(&g);
    device.Close();
    if (!known) continue;
    DiskEntry e;
    e.number = n;
    e.megabytes = g.Bytes() >> 20;
    e.line = FormatDiskLine(n, MediaKindText(g.mediaType), e.megabytes);
    entries_.push_back(e);
  }
}

bool DiskList::Select(int line) {
  if (line < 0 || static_cast<size_t>(line) >= entries_.size()) return false;
  chosen_ = line;
  return true;
}

std::string DiskList::ChosenPath() const {
  if (entries_.empty()) return std::string();
  char path[256];
  if (!pathFor_(entries_[static_cast<size_t>(chosen_)].number, path, sizeof path))
    return std::string();
  return path;
}

}  // namespace marlow
