#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

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

// Only files and disks open; every other kind is refused at once, never
// waited on (a FIFO without a writer would block a plain open for ever).
TEST(File, SpecialFilesAreRefusedAtOnce) {
  File f;
  EXPECT_FALSE(f.OpenRead(testing::TempDir().c_str()));  // a directory
#ifdef _WIN32
  EXPECT_FALSE(f.OpenRead("NUL"));
  EXPECT_FALSE(f.OpenRead("CON"));
#else
  EXPECT_FALSE(f.OpenRead("/dev/null"));
  const std::string fifo = TempPath("fifo");
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(f.OpenRead(fifo.c_str()));
  EXPECT_FALSE(f.Create(fifo.c_str()));  // no reader: no wait for one either
  std::remove(fifo.c_str());
  const std::string sock = TempPath("socket");
  std::remove(sock.c_str());
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    EXPECT_FALSE(f.OpenRead(sock.c_str()));
  }
  close(s);
  std::remove(sock.c_str());
#endif
  EXPECT_FALSE(f.IsOpen());
}

// One file under other names (a relative detour, a hard link where the
// system has them) has one identity; another file has another.
TEST(File, IdentityFollowsTheFileNotTheName) {
  const std::string path = TempPath("identity.bin"), other = TempPath("identity2.bin");
  {
    File f;
    ASSERT_TRUE(f.Create(path.c_str()));
    ASSERT_TRUE(f.Write("a", 1));
    ASSERT_TRUE(f.Create(other.c_str()));
  }
  std::string detour = testing::TempDir();
  detour += "detour_missing_dir/../marlow_platform_identity.bin";
#ifndef _WIN32
  // POSIX resolves ".." on the real directory: make it exist.
  const std::string dir = std::string(testing::TempDir()) + "detour_missing_dir";
  mkdir(dir.c_str(), 0700);
#endif
  File a, b, c;
  FileIdentity ia, ib, ic;
  ASSERT_TRUE(a.OpenRead(path.c_str()));
  ASSERT_TRUE(b.OpenRead(detour.c_str()));
  ASSERT_TRUE(c.OpenRead(other.c_str()));
  ASSERT_TRUE(a.Identity(&ia) && b.Identity(&ib) && c.Identity(&ic));
  EXPECT_EQ(ia, ib);
  EXPECT_NE(ia, ic);
#ifndef _WIN32
  const std::string link = TempPath("identity_link.bin");
  std::remove(link.c_str());
  ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
  File l;
  FileIdentity il;
  ASSERT_TRUE(l.OpenRead(link.c_str()) && l.Identity(&il));
  EXPECT_EQ(ia, il);
  l.Close();
  std::remove(link.c_str());
  rmdir(dir.c_str());
#endif
  a.Close();
  b.Close();
  c.Close();
  // CreateNew refuses a name that exists; RenameFile replaces the target.
  File n;
  EXPECT_FALSE(n.CreateNew(path.c_str()));
  EXPECT_TRUE(RenameFile(path.c_str(), other.c_str()));
  ASSERT_TRUE(n.OpenRead(other.c_str()));
  uint64_t size = 0;
  EXPECT_TRUE(n.Size(&size));
  EXPECT_EQ(size, 1u);
  n.Close();
  EXPECT_TRUE(RemoveFile(other.c_str()));
  EXPECT_FALSE(RemoveFile(path.c_str()));
}

TEST(File, MemoryFilesBehaveAsFiles) {
  EnableMemoryFiles(true);
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
  PutMemoryFile("mem:a", bytes, sizeof bytes);
  File f;
  ASSERT_TRUE(f.OpenRead("mem:a"));
  uint8_t got[8] = {};
  EXPECT_EQ(f.ReadAt(2, got, 8), 4u);
  EXPECT_EQ(got[0], 3);
  FailMemoryFileReadsFrom("mem:a", 3);
  EXPECT_EQ(f.ReadAt(0, got, 8), 3u);  // the medium fails at byte 3
  EXPECT_FALSE(f.OpenRead("mem:none"));
  File w;
  ASSERT_TRUE(w.CreateNew("mem:b"));
  EXPECT_FALSE(File().CreateNew("mem:b"));
  ASSERT_TRUE(w.Write(bytes, 2) && w.Write(bytes + 2, 1));
  w.Close();
  EXPECT_TRUE(RenameFile("mem:b", "mem:c"));
  std::vector<uint8_t> c;
  ASSERT_TRUE(GetMemoryFile("mem:c", &c));
  EXPECT_EQ(c, std::vector<uint8_t>({1, 2, 3}));
  EXPECT_FALSE(GetMemoryFile("mem:b", &c));
  RemoveAllMemoryFiles();
  EnableMemoryFiles(false);
  EXPECT_FALSE(f.OpenRead("mem:c"));  // off: an ordinary (missing) path
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
