#include "viewer/framework/win32_file_dialog.h"

#include <commdlg.h>

#include <cstring>

namespace marlow::viewer {

std::string FileDialogFilter(const char* filter) {
  std::string result = filter ? filter : "";
  for (char& c : result) {
    if (c == '|') c = '\0';
  }
  result.push_back('\0');
  result.push_back('\0');
  return result;
}

namespace {

bool RunFileDialog(HWND owner, const FileDialogOptions& options, bool save, std::string* path) {
  const std::string filter = FileDialogFilter(options.filter);
  char name[MAX_PATH] = {};
  if (options.initialName) {
    std::strncpy(name, options.initialName, MAX_PATH - 1);
  }
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = options.defaultExtension;
  ofn.lpstrTitle = options.title;
  if (options.initialFolder && options.initialFolder[0]) ofn.lpstrInitialDir = options.initialFolder;
  ofn.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
      (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok) return false;
  *path = name;
  return true;
}

}  // namespace

bool ChooseFileToOpen(HWND owner, const FileDialogOptions& options, std::string* path) {
  return RunFileDialog(owner, options, false, path);
}

bool ChooseFileToSave(HWND owner, const FileDialogOptions& options, std::string* path) {
  return RunFileDialog(owner, options, true, path);
}

}  // namespace marlow::viewer
