// Files and raw disks: the only way the core touches storage.
//
// A File is one open handle, owned by its object and closed by Close or the
// destructor. Reads are positional (no shared file pointer), so the reading
// thread and a writer never race on a seek. Every call reports failure by its
// result; nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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

// Who a file is, whatever path names it (hard links, "..", letter case on
// Windows): device and inode natively, volume serial number and file index
// on Windows. Two open files are one file exactly when these are equal.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
  bool operator!=(const FileIdentity& o) const { return !(*this == o); }
};

struct MemoryFile;

class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;

  // Opens an existing file or disk for reading, sharing reading with others.
  // Only regular files and disks (block devices) open; a FIFO, socket,
  // character device or directory is refused at once, never waited on.
  bool OpenRead(const char* path);
  // Creates a file for writing, replacing one of that name.
  bool Create(const char* path);
  // Creates a file for writing that must not exist yet.
  bool CreateNew(const char* path);
  void Close();
  bool IsOpen() const { return handle_ != kInvalid || memory_ != nullptr; }

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
  // The identity of the open file.
  bool Identity(FileIdentity* out);

 private:
  static constexpr intptr_t kInvalid = -1;
  intptr_t handle_ = kInvalid;
  // Set instead of handle_ for a memory file (the test seam below).
  std::shared_ptr<MemoryFile> memory_;
};

// Removes a file; false when it could not be removed (or did not exist).
bool RemoveFile(const char* path);
// Renames from to to, replacing a file of that name.
bool RenameFile(const char* from, const char* to);

// Test seam: files held in memory, so that fuzzers and tests run the real
// readers and writers on bytes without touching the disk. While memory files
// are enabled, every path that begins with "mem:" names one: OpenRead reads
// it, Create and CreateNew make it, RemoveFile and RenameFile act on it.
// Paths without the prefix always go to the system. The viewer never enables
// them. Not thread-safe against EnableMemoryFiles itself; the files are.
void EnableMemoryFiles(bool on);
bool IsMemoryPath(const char* path);
// Stores (replacing) the memory file path with the given bytes.
void PutMemoryFile(const char* path, const uint8_t* bytes, size_t n);
// The bytes of memory file path; false when there is none.
bool GetMemoryFile(const char* path, std::vector<uint8_t>* out);
// Reads of memory file path at or beyond offset fail (return what lies
// before it), as a failing medium would; UINT64_MAX: no failure.
void FailMemoryFileReadsFrom(const char* path, uint64_t offset);
void RemoveAllMemoryFiles();

// The path of physical disk n as the operating system names it:
// "\\.\PHYSICALDRIVE<n>" on Windows; on Linux the n-th whole block device
// ("/dev/sda", "/dev/sdb", ..., then "/dev/vda", "/dev/nvme0n1", ...). Returns
// false when the system has no disk of that number.
bool PhysicalDiskPath(int n, char* out, size_t outSize);

}  // namespace marlow::platform
