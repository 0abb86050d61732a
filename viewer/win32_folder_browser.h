// FolderBrowser: the system's folder-browse dialog (file-system folders only)
// with a path box (child 14148) above the folder tree. The box follows the
// tree's selection and may be typed into; OK checks the typed path with
// ValidateFolder (asking before it creates a missing folder) and keeps the
// dialog open while the path is not acceptable.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/folder_rules.h"

namespace marlow::viewer {

// Folders on the Windows file system.
class Win32FolderSystem : public FolderSystem {
 public:
  bool FolderExists(const char* path) override;
  bool MakeFolder(const char* path) override;
};

// Questions and warnings of the folder checks, as message boxes through the
// notice sink.
class NoticeFolderPrompt : public FolderPrompt {
 public:
  bool AskYesNo(const char* text) override;
  void Warn(const char* text) override;
};

// Runs the browser. startPath may be empty (the current directory is
// selected). True and *path (at most 259 characters) when a folder was
// accepted; *path is untouched otherwise.
bool FolderBrowser(HWND owner, const char* title, const char* prompt, const char* startPath,
                   std::string* path);

// The options dialogs' Browse: title message 99 or string 32809 "Find
// Folder", prompt message 100 or string 32810 "Select Folder", starting at
// *path.
bool BrowseForFolder(HWND owner, std::string* path);

}  // namespace marlow::viewer
