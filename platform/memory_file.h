// The memory files behind File's test seam (see file.h), shared by the POSIX
// and the Win32 implementation of File. Not for use outside platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/file.h"

namespace marlow::platform {

struct MemoryFile {
  std::mutex lock;
  std::vector<uint8_t> bytes;
  uint64_t failFrom = UINT64_MAX;
  uint64_t id = 0;  // its identity's index
};

// The memory file of path, or null when there is none (or the seam is off).
std::shared_ptr<MemoryFile> FindMemoryFile(const char* path);
// A new, empty memory file under path; replaces one of that name unless
// mustBeNew (then null when it exists).
std::shared_ptr<MemoryFile> MakeMemoryFile(const char* path, bool mustBeNew);
size_t ReadMemoryFile(MemoryFile& f, uint64_t offset, void* buffer, size_t n);
bool AppendMemoryFile(MemoryFile& f, const void* buffer, size_t n);
uint64_t MemoryFileSize(MemoryFile& f);
bool RemoveMemoryFile(const char* path);
bool RenameMemoryFile(const char* from, const char* to);

}  // namespace marlow::platform
