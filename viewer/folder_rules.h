// The checks behind the folder browser: whether a typed path names a folder
// that exists or can be made, and making every missing level of it. Paths are
// drive paths ("C:\dir\sub"); the file system is reached through
// FolderSystem and the user through FolderPrompt, so the rules run anywhere.
#pragma once

#include <cstddef>
#include <string>

namespace marlow::viewer {

// Longest path the browser hands back (a 260-character buffer).
constexpr size_t kMaxFolderPath = 259;

class FolderSystem {
 public:
  virtual ~FolderSystem() = default;
  // Whether a folder exists at path.
  virtual bool FolderExists(const char* path) = 0;
  // Makes one folder whose parent exists; an existing folder is fine. The
  // caller checks FolderExists afterwards, so the result is advisory.
  virtual bool MakeFolder(const char* path) = 0;
};

class FolderPrompt {
 public:
  virtual ~FolderPrompt() = default;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const char* text) = 0;
  // A warning with an OK button.
  virtual void Warn(const char* text) = 0;
};

// One path component: not empty, no blank, tab or full stop at either end,
// none of " * / : < > ? \ |.
bool IsValidFolderName(const char* name);

// Results of CreateFolderPath and ValidateFolder.
constexpr int kFolderOk = 0;
constexpr int kFolderInvalid = 1;
constexpr int kFolderCannotCreate = 2;
constexpr int kFolderDeclined = -1;  // ValidateFolder only

// Checks (checkOnly) or creates, level by level, the folder path. The path is
// taken as its first kMaxFolderPath characters. 0 success, 1 invalid path, 2
// a folder cannot be created (or a drive root does not exist).
int CreateFolderPath(FolderSystem& fs, const char* path, bool checkOnly);

// The browser's OK: an invalid path is reported, a missing folder is offered
// for creation. 0 when the folder exists or has just been made; 1 invalid, 2
// cannot be created, -1 the user declined to create it.
int ValidateFolder(FolderSystem& fs, FolderPrompt& prompt, const char* path);

// The texts ValidateFolder shows, with the path filled in.
std::string FolderQuestionText(const char* path);
std::string FolderInvalidText(const char* path);
std::string FolderCannotCreateText(const char* path);

}  // namespace marlow::viewer
