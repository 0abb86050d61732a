#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "recording/disk_list.h"
#include "tests/recording/test_util.h"

namespace marlow {
namespace {

using testing_util::TempPath;

#ifdef _WIN32
const char* kNoGeometry = "NUL";  // opens, but is no disk
#else
const char* kNoGeometry = "/dev/null";
#endif

// Drive numbers mapped to chosen paths; unmapped numbers have no drive.
DiskList::PathFor Paths(std::map<int, std::string> paths) {
  return [paths](int n, char* out, size_t size) {
    auto it = paths.find(n);
    if (it == paths.end()) return false;
    std::snprintf(out, size, "%s", it->second.c_str());
    return true;
  };
}

TEST(DiskList, LineTextAndKinds) {
  EXPECT_STREQ(MediaKindText(0), "Unknown");
  EXPECT_STREQ(MediaKindText(11), "Removable");
  EXPECT_STREQ(MediaKindText(12), "Fixed");
  EXPECT_STREQ(MediaKindText(5), "Floppy");
  EXPECT_EQ(FormatDiskLine(1, "Fixed", 238475), "DISK1  Fixed          238475 MB");
  EXPECT_EQ(FormatDiskLine(0, "Removable", 12345678901ull), "DISK0  Removable  12345678901 MB");
}

TEST(DiskList, ListsDisksThatReportGeometryOnly) {
  // Disk images stand in for drives: 3 MiB at 2, 5 MiB at 7.
  const std::string img2 = TempPath("disk2.img"), img7 = TempPath("disk7.img");
  for (const auto& [path, mib] : {std::pair<std::string, int>{img2, 3}, {img7, 5}}) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::vector<char> mb(1 << 20);
    for (int i = 0; i < mib; ++i) std::fwrite(mb.data(), 1, mb.size(), f);
    std::fclose(f);
  }
  DiskList list(Paths({{0, TempPath("no_such_disk")},  // cannot be opened
                       {2, img2},
                       {4, kNoGeometry},  // geometry request fails
                       {7, img7},
                       {12, img2}}));  // beyond drive 9
  list.Build();
  ASSERT_EQ(list.Entries().size(), 2u);
  EXPECT_EQ(list.Entries()[0].number, 2);
  EXPECT_EQ(list.Entries()[0].megabytes, 3u);
  EXPECT_EQ(list.Entries()[0].line, "DISK2  Fixed               3 MB");
  EXPECT_EQ(list.Entries()[1].line, "DISK7  Fixed               5 MB");
  EXPECT_EQ(list.ChosenPath(), img2);  // the first line until one is picked
  EXPECT_FALSE(list.Select(2));
  EXPECT_EQ(list.ChosenPath(), img2);
  EXPECT_TRUE(list.Select(1));
  EXPECT_EQ(list.ChosenPath(), img7);
  std::remove(img2.c_str());
  std::remove(img7.c_str());
}

TEST(DiskList, NoDiskYieldsAnEmptyPath) {
  DiskList list(Paths({{3, kNoGeometry}}));
  list.Build();
  EXPECT_TRUE(list.Entries().empty());
  EXPECT_FALSE(list.Select(0));
  EXPECT_EQ(list.ChosenPath(), "");
}

}  // namespace
}  // namespace marlow
