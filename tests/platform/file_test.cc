#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file.h"

namespace marlow::platform {
namespace {

std::string TempPath(const char* name) {
  return std::string(testing::TempDir()) + "marlow_platform_" + name;
}

TEST(File, WriteThenReadAtOffsetsAndSize) {
  const std::string path = TempPath("rw.bin");
  std::vector<unsigned char> data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7);
  {
    File f;
    ASSERT_TRUE(f.Create(path.c_str()));
    ASSERT_TRUE(f.Write(data.data(), 4096));
    ASSERT_TRUE(f.Write(data.data() + 4096, data.size() - 4096));
  }
  File f;
  ASSERT_TRUE(f.OpenRead(path.c_str()));
  uint64_t size = 0;
  ASSERT_TRUE(f.Size(&size));
  EXPECT_EQ(size, data.size());
  unsigned char buf[4096];
  ASSERT_EQ(f.ReadAt(4096, buf, sizeof buf), sizeof buf);
  EXPECT_EQ(0, memcmp(buf, data.data() + 4096, sizeof buf));
  // A read across the end comes back short; past the end, empty.
  EXPECT_EQ(f.ReadAt(8192, buf, sizeof buf), data.size() - 8192);
  EXPECT_EQ(f.ReadAt(20000, buf, sizeof buf), 0u);
  std::remove(path.c_str());
}

TEST(File, OpenReadNeedsAnExistingFile) {
  File f;
  EXPECT_FALSE(f.OpenRead(TempPath("does_not_exist").c_str()));
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(f.ReadAt(0, nullptr, 0), 0u);
  EXPECT_FALSE(f.Write("x", 1));
}

TEST(File, CreateReplacesAndMoveKeepsOneOwner) {
  const std::string path = TempPath("replace.bin");
  {
    File f;
    ASSERT_TRUE(f.Create(path.c_str()));
    ASSERT_TRUE(f.Write("0123456789", 10));
  }
  File a;
  ASSERT_TRUE(a.Create(path.c_str()));
  ASSERT_TRUE(a.Write("ab", 2));
  File b(std::move(a));
  EXPECT_FALSE(a.IsOpen());
  EXPECT_TRUE(b.IsOpen());
  b.Close();
  File r;
  ASSERT_TRUE(r.OpenRead(path.c_str()));
  uint64_t size = 0;
  ASSERT_TRUE(r.Size(&size));
  EXPECT_EQ(size, 2u);
  r.Close();
  std::remove(path.c_str());
}

TEST(File, ImageFileReportsGeometryOfItsSize) {
  const std::string path = TempPath("image.bin");
  std::vector<unsigned char> zeros(8 * 512);
  {
    File f;
    ASSERT_TRUE(f.Create(path.c_str()));
    ASSERT_TRUE(f.Write(zeros.data(), zeros.size()));
  }
  File f;
  ASSERT_TRUE(f.OpenRead(path.c_str()));
  DiskGeometry g;
  ASSERT_TRUE(f.Geometry(&g));
  EXPECT_EQ(g.Bytes(), zeros.size());
  EXPECT_EQ(g.bytesPerSector, 512u);
  f.Close();
  std::remove(path.c_str());
}

TEST(File, PhysicalDiskPathsAreNumbered) {
  char path[64];
  EXPECT_FALSE(PhysicalDiskPath(-1, path, sizeof path));
#ifdef _WIN32
  ASSERT_TRUE(PhysicalDiskPath(3, path, sizeof path));
  EXPECT_STREQ(path, "\\\\.\\PHYSICALDRIVE3");
#else
  if (PhysicalDiskPath(0, path, sizeof path)) {
    EXPECT_EQ(std::string(path).rfind("/dev/", 0), 0u);
  }
#endif
  EXPECT_FALSE(PhysicalDiskPath(0, path, 4));
}

}  // namespace
}  // namespace marlow::platform
