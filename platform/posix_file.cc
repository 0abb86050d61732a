// POSIX files and block devices.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/memory_file.h"

namespace marlow::platform {

File::~File() {
  Close();
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)), memory_(std::move(other.memory_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kInvalid);
    memory_ = std::move(other.memory_);
  }
  return *this;
}

bool File::OpenRead(const char* path) {
  Close();
  if (IsMemoryPath(path)) return (memory_ = FindMemoryFile(path)) != nullptr;
  // Opening a FIFO for reading waits for a writer unless it is opened
  // without blocking; the kind is checked before anything is read.
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
    ::close(fd);
    return false;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

namespace {

int CreateFd(const char* path, int extra) {
  // Without blocking: a FIFO of that name must not hold the caller until a
  // reader comes (it fails at once instead, having no reader).
  int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | extra, 0644);
  if (fd < 0) return -1;
  struct stat st;
  const int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

bool File::Create(const char* path) {
  Close();
  if (IsMemoryPath(path)) return (memory_ = MakeMemoryFile(path, false)) != nullptr;
  const int fd = CreateFd(path, O_TRUNC);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool File::CreateNew(const char* path) {
  Close();
  if (IsMemoryPath(path)) return (memory_ = MakeMemoryFile(path, true)) != nullptr;
  const int fd = CreateFd(path, O_EXCL);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

void File::Close() {
  memory_.reset();
  if (handle_ != kInvalid) {
    ::close(static_cast<int>(handle_));
    handle_ = kInvalid;
  }
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t n) {
  if (memory_) return ReadMemoryFile(*memory_, offset, buffer, n);
  if (handle_ == kInvalid) return 0;
  size_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < n) {
    ssize_t r =
        ::pread(static_cast<int>(handle_), out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  return done;
}

bool File::Write(const void* buffer, size_t n) {
  if (memory_) return AppendMemoryFile(*memory_, buffer, n);
  if (handle_ == kInvalid) return false;
  const auto* in = static_cast<const unsigned char*>(buffer);
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::write(static_cast<int>(handle_), in + done, n - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

bool File::Size(uint64_t* bytes) {
  if (memory_) {
    *bytes = MemoryFileSize(*memory_);
    return true;
  }
  if (handle_ == kInvalid) return false;
  struct stat st;
  if (fstat(static_cast<int>(handle_), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *bytes = static_cast<uint64_t>(st.st_size);
  return true;
}

bool File::Geometry(DiskGeometry* out) {
  uint64_t bytes = 0;
  uint32_t sector = 512;
  struct stat st;
  if (memory_) {
    bytes = MemoryFileSize(*memory_);  // an image of a disk
  } else if (handle_ == kInvalid || fstat(static_cast<int>(handle_), &st) != 0) {
    return false;
  } else if (S_ISBLK(st.st_mode)) {
    const int fd = static_cast<int>(handle_);
    if (ioctl(fd, BLKGETSIZE64, &bytes) != 0) return false;
    int logical = 0;
    if (ioctl(fd, BLKSSZGET, &logical) == 0 && logical > 0) sector = static_cast<uint32_t>(logical);
  } else if (S_ISREG(st.st_mode)) {
    bytes = static_cast<uint64_t>(st.st_size);  // a disk image
  } else {
    return false;
  }
  out->cylinders = bytes / sector;
  out->tracksPerCylinder = 1;
  out->sectorsPerTrack = 1;
  out->bytesPerSector = sector;
  out->mediaType = 12;  // fixed
  return true;
}

bool File::Identity(FileIdentity* out) {
  if (memory_) {
    out->volume = UINT64_MAX;  // no device number is all ones
    out->index = memory_->id;
    return true;
  }
  struct stat st;
  if (handle_ == kInvalid || fstat(static_cast<int>(handle_), &st) != 0) return false;
  out->volume = static_cast<uint64_t>(st.st_dev);
  out->index = static_cast<uint64_t>(st.st_ino);
  return true;
}

bool RemoveFile(const char* path) {
  if (IsMemoryPath(path)) return RemoveMemoryFile(path);
  return ::unlink(path) == 0;
}

bool RenameFile(const char* from, const char* to) {
  if (IsMemoryPath(from) || IsMemoryPath(to)) {
    return IsMemoryPath(from) && IsMemoryPath(to) && RenameMemoryFile(from, to);
  }
  return ::rename(from, to) == 0;
}

bool PhysicalDiskPath(int n, char* out, size_t outSize) {
  if (n < 0 || outSize == 0) return false;
  std::vector<std::string> names;
  if (DIR* dir = opendir("/sys/block")) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name[0] == '.' || name.rfind("loop", 0) == 0 || name.rfind("ram", 0) == 0 ||
          name.rfind("zram", 0) == 0)
        continue;
      names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  if (static_cast<size_t>(n) >= names.size()) return false;
  int w = std::snprintf(out, outSize, "/dev/%s", names[static_cast<size_t>(n)].c_str());
  return w > 0 && static_cast<size_t>(w) < outSize;
}

}  // namespace marlow::platform
