// Memory files: the file layer's test seam.
#include "platform/memory_file.h"

#include <atomic>
#include <cstring>
#include <map>
#include <string>

namespace marlow::platform {

namespace {

std::atomic<bool> enabled{false};

struct Registry {
  std::mutex lock;
  std::map<std::string, std::shared_ptr<MemoryFile>> files;
  uint64_t nextId = 1;
};

Registry& Files() {
  static Registry* r = new Registry;  // never destroyed: files may outlive main
  return *r;
}

}  // namespace

void EnableMemoryFiles(bool on) {
  enabled.store(on);
}

bool IsMemoryPath(const char* path) {
  return enabled.load(std::memory_order_relaxed) && path && std::strncmp(path, "mem:", 4) == 0;
}

std::shared_ptr<MemoryFile> FindMemoryFile(const char* path) {
  Registry& r = Files();
  std::lock_guard<std::mutex> hold(r.lock);
  auto it = r.files.find(path);
  return it == r.files.end() ? nullptr : it->second;
}

std::shared_ptr<MemoryFile> MakeMemoryFile(const char* path, bool mustBeNew) {
  Registry& r = Files();
  std::lock_guard<std::mutex> hold(r.lock);
  auto& slot = r.files[path];
  if (slot && mustBeNew) return nullptr;
  // A new object: a reader of the old file keeps reading the old bytes, as
  // with a file replaced on disk.
  slot = std::make_shared<MemoryFile>();
  slot->id = r.nextId++;
  return slot;
}

void PutMemoryFile(const char* path, const uint8_t* bytes, size_t n) {
  std::shared_ptr<MemoryFile> f = MakeMemoryFile(path, false);
  f->bytes.assign(bytes, bytes + n);
}

bool GetMemoryFile(const char* path, std::vector<uint8_t>* out) {
  std::shared_ptr<MemoryFile> f = FindMemoryFile(path);
  if (!f) return false;
  std::lock_guard<std::mutex> hold(f->lock);
  *out = f->bytes;
  return true;
}

void FailMemoryFileReadsFrom(const char* path, uint64_t offset) {
  if (std::shared_ptr<MemoryFile> f = FindMemoryFile(path)) {
    std::lock_guard<std::mutex> hold(f->lock);
    f->failFrom = offset;
  }
}

void RemoveAllMemoryFiles() {
  Registry& r = Files();
  std::lock_guard<std::mutex> hold(r.lock);
  r.files.clear();
}

size_t ReadMemoryFile(MemoryFile& f, uint64_t offset, void* buffer, size_t n) {
  std::lock_guard<std::mutex> hold(f.lock);
  uint64_t end = f.bytes.size() < f.failFrom ? f.bytes.size() : f.failFrom;
  if (offset >= end) return 0;
  const size_t got = end - offset < n ? static_cast<size_t>(end - offset) : n;
  std::memcpy(buffer, f.bytes.data() + offset, got);
  return got;
}

bool AppendMemoryFile(MemoryFile& f, const void* buffer, size_t n) {
  std::lock_guard<std::mutex> hold(f.lock);
  const auto* in = static_cast<const uint8_t*>(buffer);
  f.bytes.insert(f.bytes.end(), in, in + n);
  return true;
}

uint64_t MemoryFileSize(MemoryFile& f) {
  std::lock_guard<std::mutex> hold(f.lock);
  return f.bytes.size();
}

bool RemoveMemoryFile(const char* path) {
  Registry& r = Files();
  std::lock_guard<std::mutex> hold(r.lock);
  return r.files.erase(path) == 1;
}

bool RenameMemoryFile(const char* from, const char* to) {
  Registry& r = Files();
  std::lock_guard<std::mutex> hold(r.lock);
  auto it = r.files.find(from);
  if (it == r.files.end()) return false;
  std::shared_ptr<MemoryFile> f = it->second;
  r.files.erase(it);
  r.files[to] = f;
  return true;
}

}  // namespace marlow::platform
