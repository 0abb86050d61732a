// The common file-open and file-save dialogs. Filters are written as one
// text with '|' between the parts: "All Files (*.*)|*.*|KVR File Format
// (*.KVR)|*.KVR|".
#pragma once

#include <windows.h>

#include <string>

namespace marlow::viewer {

struct FileDialogOptions {
  const char* filter = "All Files (*.*)|*.*|";
  // Starting file name (a save dialog's default name); may be empty.
  const char* initialName = "";
  // Appended when the user types a name without extension; nullptr: none.
  const char* defaultExtension = nullptr;
  const char* title = nullptr;  // nullptr: the system's title
  // Folder the dialog starts in; nullptr or empty: the system's choice.
  const char* initialFolder = nullptr;
};

// Open: existing files only. Returns true and the chosen path on OK, false on
// Cancel or a failure (the path is then left alone).
bool ChooseFileToOpen(HWND owner, const FileDialogOptions& options, std::string* path);
// Save: asks before overwriting an existing file.
bool ChooseFileToSave(HWND owner, const FileDialogOptions& options, std::string* path);

// The filter text with each '|' made a NUL, ended by a double NUL.
std::string FileDialogFilter(const char* filter);

}  // namespace marlow::viewer
