#include "viewer/folder_rules.h"

#include <cstring>

namespace marlow::viewer {

namespace {

bool IsEdgeCharacter(char c) {
  return c == ' ' || c == '\t' || c == '.';
}

std::string Fill(const char* before, const char* path, const char* after) {
  std::string text = before;
  text += path != nullptr ? path : "";
  text += after;
  return text;
}

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool IsValidFolderName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  const size_t length = std::strlen(name);
  if (IsEdgeCharacter(name[0]) || IsEdgeCharacter(name[length - 1])) return false;
  return std::strpbrk(name, "\"*/:<>?\\|") == nullptr;
}

int CreateFolderPath(FolderSystem& fs, const char* path, bool checkOnly) {
  if (path == nullptr) return kFolderInvalid;
  char copy[kMaxFolderPath + 1];
  std::strncpy(copy, path, kMaxFolderPath);
  copy[kMaxFolderPath] = '\0';
  const size_t length = std::strlen(copy);
  if (length <= 2) return kFolderInvalid;
  if (!IsDriveLetter(copy[0]) || copy[1] != ':' || copy[2] != '\\') return kFolderInvalid;
  if (length == 3) return checkOnly || fs.FolderExists(copy) ? kFolderOk : kFolderCannotCreate;

  // Walk the components after the root. At each one the text is cut just
  // after it, so the component and the path up to it are both at hand.
  size_t start = 3;
  for (;;) {
    size_t end = start;
    while (copy[end] != '\0' && copy[end] != '\\') ++end;
    const char saved = copy[end];
    copy[end] = '\0';
    if (!IsValidFolderName(copy + start)) return kFolderInvalid;
    if (!checkOnly) {
      fs.MakeFolder(copy);
      if (!fs.FolderExists(copy)) return kFolderCannotCreate;
    }
    copy[end] = saved;
    if (saved == '\0') return kFolderOk;
    // A trailing backslash leaves an empty last component: rejected above on
    // the next pass.
    start = end + 1;
  }
}

int ValidateFolder(FolderSystem& fs, FolderPrompt& prompt, const char* path) {
  int r = CreateFolderPath(fs, path, true);
  if (r == kFolderOk) {
    char copy[kMaxFolderPath + 1];
    std::strncpy(copy, path, kMaxFolderPath);
    copy[kMaxFolderPath] = '\0';
    if (fs.FolderExists(copy)) return kFolderOk;
    if (!prompt.AskYesNo(FolderQuestionText(copy).c_str())) return kFolderDeclined;
    r = CreateFolderPath(fs, copy, false);
    if (r == kFolderOk) return kFolderOk;
  }
  prompt.Warn(r == kFolderInvalid ? FolderInvalidText(path).c_str()
                                  : FolderCannotCreateText(path).c_str());
  return r;
}

std::string FolderQuestionText(const char* path) {
  return Fill("The folder:\n\n", path, "\n\ndoes not exist. Do you want the folder to be created?");
}

std::string FolderInvalidText(const char* path) {
  return Fill("The folder:\n\n", path, "\n\nis invalid. Please reenter.");
}

std::string FolderCannotCreateText(const char* path) {
  return Fill("The folder:\n\n", path, "\n\ncan not be created. Please double check.");
}

}  // namespace marlow::viewer
