// Each dialog opened as the main window opens it, driven through its
// controls, and what the caller gets back checked; screenshots of each.
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>

#include "tests/viewer_win32/dialog_driver.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_about_dialog.h"
#include "viewer/win32_disk_select_dialog.h"
#include "viewer/win32_folder_browser.h"
#include "viewer/win32_login_dialog.h"
#include "viewer/win32_network_options_dialog.h"
#include "viewer/win32_options_dialog.h"

namespace marlow::viewer {
namespace {

using namespace test;

OptionsValues StartOptions() {
  OptionsValues v;
  v.alwaysOnTop = false;
  v.showTime = true;
  v.repeat = false;
  v.useDirectDraw = true;
  v.timeFormat = "%Y/%m/%d %H:%M:%S";
  v.capturePath = "C:\\DVRCapture";
  return v;
}

TEST(OptionsDialogWin32, PreviewFollowsTheFormatAndOkHandsValuesBack) {
  OptionsValues values = StartOptions();
  bool ok = false;
  char year[8];
  std::snprintf(year, sizeof year, "%d", [] {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return static_cast<int>(t.wYear);
  }());
  ASSERT_TRUE(WithDialog(
      "Options", [&] { ok = OptionsDialog().Run(nullptr, &values); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDC_TIME_FORMAT), "%Y/%m/%d %H:%M:%S");
        EXPECT_EQ(ControlText(d, IDC_TIME_PREVIEW).substr(0, 4), year);
        EXPECT_EQ(ControlText(d, IDC_CAPTURE_PATH), "C:\\DVRCapture");
        EXPECT_TRUE(IsChecked(d, IDC_SHOW_TIME));
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_TIME_FORMAT, CB_GETCOUNT, 0, 0), 10);
        // The third entry: AM/PM and a 12-hour clock.
        SendDlgItemMessageA(d, IDC_TIME_FORMAT, CB_SETCURSEL, 2, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TIME_FORMAT, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_TIME_FORMAT)));
        const std::string preview = ControlText(d, IDC_TIME_PREVIEW);
        EXPECT_TRUE(preview.find(" AM ") != std::string::npos ||
                    preview.find(" PM ") != std::string::npos)
            << preview;
        // Typed text, including conversions that mean nothing.
        HWND edit = FindWindowExA(GetDlgItem(d, IDC_TIME_FORMAT), nullptr, "Edit", nullptr);
        ASSERT_TRUE(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        Type(edit, "%H h %Q %");
        EXPECT_EQ(ControlText(d, IDC_TIME_PREVIEW).substr(2), " h %Q %");
        Click(d, IDC_ALWAYS_ON_TOP);
        Click(d, IDC_SHOW_TIME);
        SetControlText(d, IDC_CAPTURE_PATH, "D:\\stills");
        SaveScreenshot(d, "options");
        Click(d, IDOK);
      }));
  ASSERT_TRUE(ok);
  EXPECT_TRUE(values.alwaysOnTop);
  EXPECT_FALSE(values.showTime);
  EXPECT_FALSE(values.repeat);
  EXPECT_TRUE(values.useDirectDraw);
  EXPECT_EQ(values.timeFormat, "%H h %Q %");
  EXPECT_EQ(values.capturePath, "D:\\stills");
}

TEST(OptionsDialogWin32, CancelKeepsTheCallersValues) {
  OptionsValues values = StartOptions();
  bool ok = true;
  ASSERT_TRUE(WithDialog(
      "Options", [&] { ok = OptionsDialog().Run(nullptr, &values); },
      [&](HWND d) {
        Click(d, IDC_REPEAT);
        SetControlText(d, IDC_CAPTURE_PATH, "E:\\elsewhere");
        Click(d, IDCANCEL);
      }));
  EXPECT_FALSE(ok);
  EXPECT_FALSE(values.repeat);
  EXPECT_EQ(values.capturePath, "C:\\DVRCapture");
}

TEST(NetworkOptionsDialogWin32, WholeNumbersOnlyThenOk) {
  NetworkOptionsValues values;
  values.timeoutSeconds = 7;
  values.ddnsIp = "127.0.0.1";
  values.ddnsPort = 1800;
  values.localRecordingPath = "C:\\DVRCapture";
  bool ok = false;
  ASSERT_TRUE(WithDialog(
      "Network Options", [&] { ok = NetworkOptionsDialog().Run(nullptr, &values); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDC_TIMEOUT), "7");
        EXPECT_EQ(ControlText(d, IDC_DDNS_PORT), "1800");
        EXPECT_EQ(ControlText(d, IDC_RECORDING_GROUP), "Path for recal recording");
        SaveScreenshot(d, "network_options");
        SetControlText(d, IDC_TIMEOUT, "7.5");
        Click(d, IDOK);
        Settle();
        EXPECT_TRUE(IsWindowVisible(d));  // still open
        EXPECT_EQ(FocusOf(d), GetDlgItem(d, IDC_TIMEOUT));
        SetControlText(d, IDC_TIMEOUT, " 12 ");
        SetControlText(d, IDC_DDNS_PORT, "18oo");
        Click(d, IDOK);
        Settle();
        EXPECT_TRUE(IsWindowVisible(d));
        EXPECT_EQ(FocusOf(d), GetDlgItem(d, IDC_DDNS_PORT));
        SetControlText(d, IDC_DDNS_PORT, "1900");
        SetControlText(d, IDC_DDNS_IP, "127.0.0.2");
        SetControlText(d, IDC_RECORDING_PATH, "C:\\rec");
        Click(d, IDC_AUTO_RECONNECTION);
        Click(d, IDC_REPEAT);  // bound to nothing
        Click(d, IDOK);
      }));
  ASSERT_TRUE(ok);
  EXPECT_EQ(values.timeoutSeconds, 12);
  EXPECT_EQ(values.ddnsPort, 1900);
  EXPECT_EQ(values.ddnsIp, "127.0.0.2");
  EXPECT_EQ(values.localRecordingPath, "C:\\rec");
  EXPECT_FALSE(values.autoReconnection);
  EXPECT_FALSE(values.alwaysOnTop);
}

TEST(LoginDialogWin32, CheckBoxSwitchesAddressKindAndLoginStoresOneOfThem) {
  LoginValues values;
  values.ipAddress = "127.0.0.1";
  values.port = 8841;
  values.dvrName = "DVR000";
  values.password = "left over";
  bool ok = false;
  ASSERT_TRUE(WithDialog(
      "Login", [&] { ok = LoginDialog().Run(nullptr, &values); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDC_ADDRESS_LABEL), "IP address:");
        EXPECT_EQ(ControlText(d, IDC_ADDRESS), "127.0.0.1");
        EXPECT_EQ(ControlText(d, IDC_PASSWORD), "");  // always starts empty
        EXPECT_TRUE(IsShown(d, IDC_PORT));
        EXPECT_EQ(ControlText(d, IDOK), "Login");
        SaveScreenshot(d, "login");
        SetControlText(d, IDC_ADDRESS, "typed, then lost");
        Click(d, IDC_USE_DDNS);
        EXPECT_EQ(ControlText(d, IDC_ADDRESS_LABEL), "DVR ID:");
        EXPECT_EQ(ControlText(d, IDC_ADDRESS), "DVR000");
        EXPECT_FALSE(IsShown(d, IDC_PORT));
        EXPECT_FALSE(IsShown(d, IDC_PORT_LABEL));
        SaveScreenshot(d, "login_dynamic");
        Click(d, IDC_USE_DDNS);
        EXPECT_EQ(ControlText(d, IDC_ADDRESS_LABEL), "IP address");
        EXPECT_EQ(ControlText(d, IDC_ADDRESS), "127.0.0.1");
        EXPECT_TRUE(IsShown(d, IDC_PORT));
        // A port that is no whole number keeps the dialog open.
        SetControlText(d, IDC_PORT, "88x");
        Click(d, IDOK);
        Settle();
        EXPECT_TRUE(IsWindowVisible(d));
        EXPECT_EQ(FocusOf(d), GetDlgItem(d, IDC_PORT));
        SetControlText(d, IDC_PORT, "9000");
        Click(d, IDC_USE_DDNS);
        SetControlText(d, IDC_ADDRESS, "DVR777");
        SetControlText(d, IDC_PASSWORD, "secret");
        Click(d, IDOK);
      }));
  ASSERT_TRUE(ok);
  EXPECT_TRUE(values.useDynamicIp);
  EXPECT_EQ(values.dvrName, "DVR777");
  EXPECT_EQ(values.ipAddress, "127.0.0.1");
  EXPECT_EQ(values.port, 9000);
  EXPECT_EQ(values.password, "secret");
}

TEST(AboutDialogWin32, ShowsTitleAndVersion) {
  ASSERT_TRUE(WithDialog(
      "About Viewer", [&] { AboutDialog("Marlow Viewer").RunModal(nullptr); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDC_ABOUT_TITLE), "Marlow Viewer");
        EXPECT_EQ(ControlText(d, IDC_ABOUT_VERSION_LABEL), "Version :");
        EXPECT_EQ(ControlText(d, IDC_ABOUT_VERSION), "2.5.3.4");
        SaveScreenshot(d, "about");
        Click(d, IDOK);
      }));
}

// Disk images stand in for the drives.
DiskList ImageDisks(const std::string& folder, std::map<int, std::string>* paths) {
  for (const auto& [n, mib] : std::map<int, int>{{1, 3}, {4, 5}}) {
    const std::string path = folder + "\\disk" + std::to_string(n) + ".img";
    std::ofstream(path, std::ios::binary) << std::string(static_cast<size_t>(mib) << 20, '\0');
    (*paths)[n] = path;
  }
  return DiskList([paths](int n, char* out, size_t size) {
    auto it = paths->find(n);
    if (it == paths->end()) return false;
    std::snprintf(out, size, "%s", it->second.c_str());
    return true;
  });
}

TEST(DiskSelectDialogWin32, ListsDisksAndGivesTheChosenPath) {
  std::map<int, std::string> paths;
  DiskList disks = ImageDisks(TestFolder("disks"), &paths);
  std::string chosen = "unchanged";
  bool ok = false;
  ASSERT_TRUE(WithDialog(
      "Disk Select", [&] { ok = DiskSelectDialog(&disks).Run(nullptr, &chosen); },
      [&](HWND d) {
        HWND list = GetDlgItem(d, IDC_DISK_LIST);
        ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
        char line[128];
        SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(line));
        EXPECT_STREQ(line, "DISK4  Fixed               5 MB");
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_DISK_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        SaveScreenshot(d, "disk_select");
        Click(d, IDOK);
      }));
  ASSERT_TRUE(ok);
  EXPECT_EQ(chosen, paths[4]);

  // No disk at all: OK gives an empty path; Cancel leaves the caller's.
  DiskList none([](int, char*, size_t) { return false; });
  chosen = "unchanged";
  ASSERT_TRUE(WithDialog(
      "Disk Select", [&] { ok = DiskSelectDialog(&none).Run(nullptr, &chosen); },
      [&](HWND d) { Click(d, IDCANCEL); }));
  EXPECT_FALSE(ok);
  EXPECT_EQ(chosen, "unchanged");
  ASSERT_TRUE(WithDialog(
      "Disk Select", [&] { ok = DiskSelectDialog(&none).Run(nullptr, &chosen); },
      [&](HWND d) { Click(d, IDOK); }));
  EXPECT_TRUE(ok);
  EXPECT_EQ(chosen, "");
}

// The path box of the browser, found once the dialog shows.
HWND PathBox(HWND browser) {
  return GetDlgItem(browser, IDC_FOLDER_PATH);
}

TEST(FolderBrowserWin32, PathBoxFollowsTreeAndOkCreatesMissingFolders) {
  NoticeRecorder notices;
  const std::string base = TestFolder("browse");
  const std::string wanted = base + "\\new\\deeper";
  std::string path = base;
  bool ok = false;
  ASSERT_TRUE(WithDialog(
      "Find Folder", [&] { ok = BrowseForFolder(nullptr, &path); },
      [&](HWND d) {
        // The box appears and takes the start path while the tree fills.
        for (int i = 0; i < 100 && TextOf(PathBox(d)).empty(); ++i) Settle(50);
        ASSERT_TRUE(PathBox(d));
        EXPECT_EQ(TextOf(PathBox(d)), base);  // the start path is selected
        EXPECT_TRUE(IsEnabled(d, IDOK));
        // A tree item without a file-system path: empty box, OK disabled.
        LPITEMIDLIST computer = nullptr;
        SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
        SendMessageA(d, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
        Settle();
        EXPECT_EQ(TextOf(PathBox(d)), "");
        EXPECT_FALSE(IsEnabled(d, IDOK));
        CoTaskMemFree(computer);
        SendMessageA(PathBox(d), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\bad|name"));
        EXPECT_TRUE(IsEnabled(d, IDOK));  // typing enables it again
        Click(d, IDOK);
        Settle();
        EXPECT_TRUE(IsWindowVisible(d));  // invalid: stays open
        // No to the question keeps it open and creates nothing.
        notices.answer = 0;
        SendMessageA(PathBox(d), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wanted.c_str()));
        Click(d, IDOK);
        Settle();
        EXPECT_TRUE(IsWindowVisible(d));
        SaveScreenshot(d, "folder_browser");
        notices.answer = 1;
        Click(d, IDOK);
      }));
  ASSERT_TRUE(ok);
  EXPECT_EQ(path, wanted);
  const DWORD attributes = GetFileAttributesA(wanted.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  ASSERT_EQ(notices.notices.size(), 1u);
  EXPECT_EQ(notices.notices[0], "The folder:\n\nC:\\bad|name\n\nis invalid. Please reenter.");
  ASSERT_EQ(notices.questions.size(), 2u);
  EXPECT_EQ(notices.questions[1], "The folder:\n\n" + wanted +
                                      "\n\ndoes not exist. Do you want the folder to be created?");
}

TEST(FolderBrowserWin32, CancelAndUncreatableFolders) {
  NoticeRecorder notices;
  const std::string base = TestFolder("browse_cancel");
  // A plain file where a folder level would have to go.
  const std::string blocker = base + "\\file";
  std::ofstream(blocker) << "x";
  std::string path = base;
  bool ok = true;
  ASSERT_TRUE(WithDialog(
      "Find Folder", [&] { ok = BrowseForFolder(nullptr, &path); },
      [&](HWND d) {
        const std::string below = blocker + "\\sub";
        SendMessageA(PathBox(d), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(below.c_str()));
        Click(d, IDOK);
        Settle();
        EXPECT_TRUE(IsWindowVisible(d));
        Click(d, IDCANCEL);
      }));
  EXPECT_FALSE(ok);
  EXPECT_EQ(path, base);
  ASSERT_EQ(notices.notices.size(), 1u);
  EXPECT_NE(notices.notices[0].find("can not be created. Please double check."), std::string::npos);
}

}  // namespace
}  // namespace marlow::viewer
