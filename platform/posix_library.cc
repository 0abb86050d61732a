#include <dlfcn.h>
#include <unistd.h>

#include "platform/library.h"

namespace marlow::platform {

Library::~Library() {
  if (handle_) dlclose(handle_);
}

int Library::Open(const std::string& path) {
  if (handle_) dlclose(handle_);
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    error_ = why ? why : "cannot load " + path;
    return 0;
  }
  return 1;
}

void* Library::Symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

std::string ProgramFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  const std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace marlow::platform
