#include "tests/viewer_app/viewer_session.h"

#include <cstdio>
#include <fstream>

#include "tools/makekvr/recording_maker.h"

namespace marlow::test {

namespace {

std::string ViewerPath() {
  std::string path = "Z:" MARLOW_VIEWER_EXE;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolder(folder + name + "\\");
        RemoveDirectoryA((folder + name).c_str());
      } else {
        DeleteFileA((folder + name).c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
}

}  // namespace

std::string SessionFolder(const std::string& name) {
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  std::string folder = cwd;
  if (folder.back() != '\\') folder += '\\';
  return folder + name + "\\";
}

std::string MakeSampleRecording(const std::string& folder, int channels, double seconds) {
  RecordingPlan plan;
  plan.channels = channels;
  plan.seconds = seconds;
  plan.picturesPerSecond = 5;
  plan.sound = TestSound::kSpeech;
  streamkit::StreamBuilder builder;
  RecordingStats stats;
  const char* error = nullptr;
  const std::string path = folder + "sample.kvr";
  if (!MakeRecording(plan, &builder, &stats, &error) || !builder.WriteFile(path.c_str())) return "";
  return path;
}

ViewerSession::ViewerSession(const std::string& name, const std::vector<std::string>& profile)
    : folder_(SessionFolder(name)) {
  CreateDirectoryA(folder_.c_str(), nullptr);
  RemoveFolder(folder_);
  if (!profile.empty()) {
    std::ofstream out(folder_ + "DvrProfile.ini");
    out << "[Setting]\r\n";
    for (const std::string& line : profile) out << line << "\r\n";
  }
}

ViewerSession::~ViewerSession() {
  if (process_.Running()) {
    if (window_) PostCommand(window_, 32777);
    if (!process_.Wait(5000)) process_.Terminate();
  }
}

// Wine's DirectDraw presents nothing readable through its GL renderer on
// Xvfb; its GDI renderer draws the same surfaces where the screen shows them.
// The setting is Wine's per-program one (no effect on Windows).
static void PreferReadableRenderer() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\MarlowViewer.exe\\Direct3D",
                      0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "renderer", 0, REG_SZ, reinterpret_cast<const BYTE*>("gdi"), 4);
    RegCloseKey(key);
  }
}

bool ViewerSession::Start(const std::string& arguments) {
  PreferReadableRenderer();
  std::string line = "\"" + ViewerPath() + "\"";
  if (!arguments.empty()) line += " " + arguments;
  if (!process_.Start(line, folder_.c_str())) return false;
  WindowQuery query;
  query.processId = process_.Id();
  query.title = "Marlow Viewer";
  window_ = WaitForTopWindow(query, 20000);
  Settle(300);
  return window_ != nullptr;
}

std::string ViewerSession::Status() const {
  return WindowText(Control(1652));
}

bool ViewerSession::WaitStatus(const char* prefix, int timeoutMs) {
  const std::string p = prefix;
  return WaitUntil([&] { return Status().compare(0, p.size(), p) == 0; }, timeoutMs);
}

bool ViewerSession::EndWith(int command) {
  PostCommand(window_, command);
  return Ended();
}

bool ViewerSession::EndWithCloseRequest() {
  PostMessageA(window_, WM_CLOSE, 0, 0);
  return Ended();
}

bool ViewerSession::Ended(int timeoutMs) {
  DWORD code = 0;
  return process_.Wait(timeoutMs, &code);
}

std::vector<std::pair<std::string, std::string>> ViewerSession::ProfileKeys() const {
  std::vector<std::pair<std::string, std::string>> keys;
  std::ifstream in(folder_ + "DvrProfile.ini");
  std::string line;
  bool inSetting = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      inSetting = line == "[Setting]";
      continue;
    }
    const size_t eq = line.find('=');
    if (inSetting && eq != std::string::npos)
      keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return keys;
}

}  // namespace marlow::test
