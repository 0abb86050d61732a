#include <windows.h>

#include "platform/library.h"

namespace marlow::platform {

Library::~Library() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

int Library::Open(const std::string& path) {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = LoadLibraryA(path.c_str());
  if (!handle_) {
    error_ = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return 0;
  }
  return 1;
}

void* Library::Symbol(const char* name) const {
  return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name))
                 : nullptr;
}

std::string ProgramFolder() {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return "";
  const std::string path(buf, n);
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace marlow::platform
