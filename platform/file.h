// Files and raw disks: the only way the core touches storage.
//
// A File is one open handle, owned by its object and closed by Close or the
// destructor. Reads are positional (no shared file pointer), so the reading
// thread and a writer never race on a seek. Every call reports failure by its
// result; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlow::platform {

// Geometry of a disk as the device reports it. A plain file opened as a disk
// (an image of a recorder disk) reports 512-byte sectors covering its size.
struct DiskGeometry {
  uint64_t cylinders = 0;
  uint32_t tracksPerCylinder = 0;
  uint32_t sectorsPerTrack = 0;
  uint32_t bytesPerSector = 0;
  uint32_t mediaType = 0;  // 0 unknown, 11 removable, 12 fixed, others floppy kinds

  uint64_t Bytes() const {
    return cylinders * tracksPerCylinder * sectorsPerTrack * bytesPerSector;
  }
};

class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  // Opens an existing file or device for reading, sharing reading with others.
  bool OpenRead(const char* path);
  // Creates a file for writing, replacing one of that name.
  bool Create(const char* path);
  void Close();
  bool IsOpen() const { return handle_ != kInvalid; }

  // Reads up to n bytes at offset; returns the count read (short at the end,
  // 0 on failure).
  size_t ReadAt(uint64_t offset, void* buffer, size_t n);
  // Appends all n bytes at the end of what was written so far. False when the
  // write fails or comes up short (full disk, removed medium, size limit).
  bool Write(const void* buffer, size_t n);
  // Size in bytes of a regular file.
  bool Size(uint64_t* bytes);
  // Geometry of a disk device, or of a disk image file.
  bool Geometry(DiskGeometry* out);
  // The first offset at or after `offset` that may hold written data: holes
  // of a sparse file read as zeros and are skipped by callers that treat
  // zeros as unwritten. `end` when only a hole lies between offset and end;
  // `offset` itself whenever the system cannot tell (devices, other systems).
  uint64_t NextData(uint64_t offset, uint64_t end);

 private:
  static constexpr intptr_t kInvalid = -1;
  intptr_t handle_ = kInvalid;
};

// What a path names, for telling the user why it cannot be read.
enum class PathKind { kMissing, kFile, kDirectory, kDevice, kOther };
PathKind ProbePath(const char* path);

// The path of physical disk n as the operating system names it:
// "\\.\PHYSICALDRIVE<n>" on Windows; on Linux the n-th whole block device
// ("/dev/sda", "/dev/sdb", ..., then "/dev/vda", "/dev/nvme0n1", ...). Returns
// false when the system has no disk of that number.
bool PhysicalDiskPath(int n, char* out, size_t outSize);

}  // namespace marlow::platform
