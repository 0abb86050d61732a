#include "viewer/win32_folder_browser.h"

#include <objbase.h>
#include <shlobj.h>

#include "viewer/framework/win32_control.h"
#include "viewer/framework/win32_message_box.h"
#include "viewer/message_numbers.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_message_texts.h"

namespace marlow::viewer {

namespace {

constexpr int kStatusTextId = 0x3743;  // the browse dialog's own status line
constexpr int kPathBoxHeight = 23;
constexpr int kPathBoxGap = 4;

// One run of the browser: its inputs, the path box and the outcome. The
// dialog window is taken over so that the path box's changes and OK reach us.
class BrowseSession : public ControlSubclass {
 public:
  std::string title, startPath, result;
  bool accepted = false;

  void Initialized(HWND dialog) {
    Attach(dialog);
    SetWindowTextA(dialog, title.c_str());
    if (HWND status = GetDlgItem(dialog, kStatusTextId)) ShowWindow(status, SW_HIDE);
    PlacePathBox(dialog);
    std::string start = startPath;
    if (start.empty()) {
      char directory[MAX_PATH] = "";
      GetCurrentDirectoryA(sizeof directory, directory);
      start = directory;
    }
    // The box starts with the start path itself: selecting it in the tree
    // does not always report the change (an item the tree has not expanded
    // yet), and a report that does come replaces the text anyway.
    const bool drivePath = start.size() >= 2 && start[1] == ':';
    SetWindowTextA(pathBox_, drivePath ? start.c_str() : "");
    SendMessageA(dialog, BFFM_ENABLEOK, 0, drivePath ? TRUE : FALSE);
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start.c_str()));
  }

  void SelectionChanged(HWND dialog, LPCITEMIDLIST item) {
    char path[MAX_PATH] = "";
    const bool fileSystem =
        item != nullptr && SHGetPathFromIDListA(item, path) && path[0] != '\0' && path[1] == ':';
    if (!fileSystem) path[0] = '\0';
    if (pathBox_) SetWindowTextA(pathBox_, path);
    SendMessageA(dialog, BFFM_ENABLEOK, 0, fileSystem ? TRUE : FALSE);
  }

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_FOLDER_PATH && HIWORD(wParam) == EN_CHANGE) {
      SendMessageA(Window(), BFFM_ENABLEOK, 0, GetWindowTextLengthA(pathBox_) > 0 ? TRUE : FALSE);
      return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
      char typed[kMaxFolderPath + 1] = "";
      GetWindowTextA(pathBox_, typed, sizeof typed);
      Win32FolderSystem folders;
      NoticeFolderPrompt prompt;
      if (ValidateFolder(folders, prompt, typed) != kFolderOk) {
        SetFocus(pathBox_);
        return 0;
      }
      result = typed;
      accepted = true;
    }
    return Default(message, wParam, lParam);
  }

 private:
  // The path box takes the top band of the tree's place; the tree moves down
  // below it, so the prompt above stays readable.
  void PlacePathBox(HWND dialog) {
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    RECT r = {10, 40, 250, 240};
    if (tree) {
      GetWindowRect(tree, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      const int shift = kPathBoxHeight + kPathBoxGap;
      MoveWindow(tree, r.left, r.top + shift, r.right - r.left, r.bottom - r.top - shift, TRUE);
    }
    pathBox_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, r.left, r.top,
                               r.right - r.left, kPathBoxHeight, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FOLDER_PATH)),
                               GetModuleHandleA(nullptr), nullptr);
    SendMessageA(pathBox_, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), TRUE);
    SendMessageA(pathBox_, EM_LIMITTEXT, kMaxFolderPath, 0);
    if (tree) SetWindowPos(pathBox_, tree, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  HWND pathBox_ = nullptr;
};

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data) {
  auto* session = reinterpret_cast<BrowseSession*>(data);
  if (message == BFFM_INITIALIZED) session->Initialized(dialog);
  if (message == BFFM_SELCHANGED)
    session->SelectionChanged(dialog, reinterpret_cast<LPCITEMIDLIST>(lParam));
  return 0;
}

}  // namespace

bool Win32FolderSystem::FolderExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FolderSystem::MakeFolder(const char* path) {
  return CreateDirectoryA(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool NoticeFolderPrompt::AskYesNo(const char* text) {
  return viewer::AskYesNo(text);
}

void NoticeFolderPrompt::Warn(const char* text) {
  ShowMessage(text);
}

bool FolderBrowser(HWND owner, const char* title, const char* prompt, const char* startPath,
                   std::string* path) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BrowseSession session;
  session.title = title ? title : "";
  session.startPath = startPath ? startPath : "";
  char display[MAX_PATH] = "";
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = prompt;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&session);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen) CoTaskMemFree(chosen);
  session.Detach();
  if (SUCCEEDED(com)) CoUninitialize();
  // The typed path is the result: the tree's item may differ from it.
  if (!session.accepted) return false;
  *path = session.result;
  return true;
}

bool BrowseForFolder(HWND owner, std::string* path) {
  const std::string title =
      MessageOrString(msg::kFolderBrowserTitle, IDS_FIND_FOLDER, "Find Folder");
  const std::string prompt =
      MessageOrString(msg::kFolderBrowserPrompt, IDS_SELECT_FOLDER, "Select Folder");
  return FolderBrowser(owner, title.c_str(), prompt.c_str(), path->c_str(), path);
}

}  // namespace marlow::viewer
