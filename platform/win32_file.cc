// Win32 files and physical drives.
#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <utility>

#include "platform/file.h"
#include "platform/memory_file.h"

namespace marlow::platform {

namespace {
HANDLE H(intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}
}  // namespace

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
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // Files and physical drives only: a pipe, console or other character
  // device is refused before anything waits on it.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

namespace {

HANDLE CreateForWriting(const char* path, DWORD disposition) {
  HANDLE h =
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return INVALID_HANDLE_VALUE;
  }
  return h;
}

}  // namespace

bool File::Create(const char* path) {
  Close();
  if (IsMemoryPath(path)) return (memory_ = MakeMemoryFile(path, false)) != nullptr;
  HANDLE h = CreateForWriting(path, CREATE_ALWAYS);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

bool File::CreateNew(const char* path) {
  Close();
  if (IsMemoryPath(path)) return (memory_ = MakeMemoryFile(path, true)) != nullptr;
  HANDLE h = CreateForWriting(path, CREATE_NEW);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(h);
  return true;
}

void File::Close() {
  memory_.reset();
  if (handle_ != kInvalid) {
    CloseHandle(H(handle_));
    handle_ = kInvalid;
  }
}

size_t File::ReadAt(uint64_t offset, void* buffer, size_t n) {
  if (memory_) return ReadMemoryFile(*memory_, offset, buffer, n);
  if (handle_ == kInvalid) return 0;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(H(handle_), to, nullptr, FILE_BEGIN)) return 0;
  size_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < n) {
    DWORD want = static_cast<DWORD>(n - done > 0x40000000u ? 0x40000000u : n - done);
    DWORD got = 0;
    if (!ReadFile(H(handle_), out + done, want, &got, nullptr) || got == 0) break;
    done += got;
  }
  return done;
}

bool File::Write(const void* buffer, size_t n) {
  if (memory_) return AppendMemoryFile(*memory_, buffer, n);
  if (handle_ == kInvalid) return false;
  const auto* in = static_cast<const unsigned char*>(buffer);
  size_t done = 0;
  while (done < n) {
    DWORD want = static_cast<DWORD>(n - done > 0x40000000u ? 0x40000000u : n - done);
    DWORD put = 0;
    if (!WriteFile(H(handle_), in + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

bool File::Size(uint64_t* bytes) {
  if (memory_) {
    *bytes = MemoryFileSize(*memory_);
    return true;
  }
  if (handle_ == kInvalid) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(handle_), &size)) return false;
  *bytes = static_cast<uint64_t>(size.QuadPart);
  return true;
}

bool File::Geometry(DiskGeometry* out) {
  if (memory_) {
    out->cylinders = MemoryFileSize(*memory_) / 512;  // an image of a disk
    out->tracksPerCylinder = 1;
    out->sectorsPerTrack = 1;
    out->bytesPerSector = 512;
    out->mediaType = 12;
    return true;
  }
  if (handle_ == kInvalid) return false;
  DISK_GEOMETRY g;
  DWORD returned = 0;
  if (DeviceIoControl(H(handle_), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &g, sizeof g,
                      &returned, nullptr)) {
    out->cylinders = static_cast<uint64_t>(g.Cylinders.QuadPart);
    out->tracksPerCylinder = g.TracksPerCylinder;
    out->sectorsPerTrack = g.SectorsPerTrack;
    out->bytesPerSector = g.BytesPerSector;
    out->mediaType = static_cast<uint32_t>(g.MediaType);
    return true;
  }
  // A plain file opened as a disk is an image of one.
  LARGE_INTEGER size;
  if (GetFileType(H(handle_)) != FILE_TYPE_DISK || !GetFileSizeEx(H(handle_), &size)) return false;
  out->cylinders = static_cast<uint64_t>(size.QuadPart) / 512;
  out->tracksPerCylinder = 1;
  out->sectorsPerTrack = 1;
  out->bytesPerSector = 512;
  out->mediaType = 12;
  return true;
}

bool File::Identity(FileIdentity* out) {
  if (memory_) {
    out->volume = UINT64_MAX;
    out->index = memory_->id;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (handle_ == kInvalid || !GetFileInformationByHandle(H(handle_), &info)) return false;
  out->volume = info.dwVolumeSerialNumber;
  out->index = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  return true;
}

bool RemoveFile(const char* path) {
  if (IsMemoryPath(path)) return RemoveMemoryFile(path);
  return DeleteFileA(path) != 0;
}

bool RenameFile(const char* from, const char* to) {
  if (IsMemoryPath(from) || IsMemoryPath(to)) {
    return IsMemoryPath(from) && IsMemoryPath(to) && RenameMemoryFile(from, to);
  }
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool PhysicalDiskPath(int n, char* out, size_t outSize) {
  if (n < 0) return false;
  int w = std::snprintf(out, outSize, "\\\\.\\PHYSICALDRIVE%d", n);
  return w > 0 && static_cast<size_t>(w) < outSize;
}

}  // namespace marlow::platform
