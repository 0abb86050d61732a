// Code loaded at run time: a program keeps heavy optional parts (and all the
// libraries they pull in) out of its start-up and loads them when a command
// needs them.
#pragma once

#include <string>

namespace marlow::platform {

class Library {
 public:
  Library() = default;
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Loads the library at path. 1, or 0 with Error() saying why.
  int Open(const std::string& path);
  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  const std::string& Error() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// The folder of the running program with a trailing separator, or "" when
// it cannot be told.
std::string ProgramFolder();

}  // namespace marlow::platform
