// The shipped German and French message files, found the way the program
// finds them at start-up, replacing the texts of dialogs, menu popups and
// tooltips.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/viewer_win32/dialog_driver.h"
#include "viewer/framework/win32_tooltip.h"
#include "viewer/message_numbers.h"
#include "viewer/resources/dialog_ids.h"
#include "viewer/win32_disk_select_dialog.h"
#include "viewer/win32_login_dialog.h"
#include "viewer/win32_message_texts.h"
#include "viewer/win32_network_options_dialog.h"
#include "viewer/win32_options_dialog.h"
#include "viewer/win32_profile.h"

namespace marlow::viewer {
namespace {

using namespace test;

std::string Message(int number) {
  std::string text;
  EXPECT_TRUE(LookupMessage(number, &text)) << number;
  return text;
}

class ShippedMessages : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(sizeof previous_, previous_);
    const std::string language = GetParam();
    const std::string folder = TestFolder(("lang_" + language).c_str());
    const std::string shipped = std::string(MARLOW_MESSAGE_DIR) + "/" + language + ".txt";
    ASSERT_TRUE(CopyFileA(shipped.c_str(), (folder + "\\" + language + ".txt").c_str(), FALSE))
        << shipped;
    const std::string profile = "[Setting]\r\nMsgFile=" + language + ".txt\r\n";
    HANDLE f = CreateFileA((folder + "\\DvrProfile.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, profile.data(), static_cast<DWORD>(profile.size()), &written, nullptr);
    CloseHandle(f);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    const StartupPaths paths = ComputeProcessStartupPaths();
    ASSERT_EQ(paths.messageFilePath, folder + "\\" + language + ".txt");
    SetMessageFilePath(paths.messageFilePath);
  }
  void TearDown() override {
    SetMessageFilePath("");
    SetCurrentDirectoryA(previous_);
  }
  std::string Shot(const char* name) const { return std::string(name) + "_" + GetParam(); }

  char previous_[MAX_PATH] = "";
};

TEST_P(ShippedMessages, EveryNumberIsTranslated) {
  for (int n = 0; n <= 106; ++n) {
    const bool unused = (n >= 79 && n <= 83) || n == 105;
    EXPECT_EQ(LookupMessage(n, nullptr), !unused) << n;
  }
}

TEST_P(ShippedMessages, DialogTexts) {
  LoginValues login;
  login.ipAddress = "127.0.0.1";
  ASSERT_TRUE(WithDialog(
      Message(msg::kLoginTitle).c_str(), [&] { LoginDialog().Run(nullptr, &login); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDOK), Message(msg::kLoginTitle));
        EXPECT_EQ(ControlText(d, IDCANCEL), Message(msg::kCancel));
        EXPECT_EQ(ControlText(d, IDC_USE_DDNS), Message(msg::kUseDynamicIp));
        EXPECT_EQ(ControlText(d, IDC_ADDRESS_LABEL), Message(msg::kIpAddressLabel));
        EXPECT_EQ(ControlText(d, IDC_PASSWORD_LABEL), Message(msg::kPasswordLabel));
        SaveScreenshot(d, Shot("login").c_str());
        Click(d, IDC_USE_DDNS);
        EXPECT_EQ(ControlText(d, IDC_ADDRESS_LABEL), Message(msg::kDvrIdLabel));
        Click(d, IDCANCEL);
      }));

  NetworkOptionsValues network;
  ASSERT_TRUE(WithDialog(
      Message(msg::kNetworkOptionsTitle).c_str(),
      [&] { NetworkOptionsDialog().Run(nullptr, &network); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDC_RECORDING_GROUP), Message(msg::kLocalRecordingGroup));
        EXPECT_EQ(ControlText(d, IDC_TIMEOUT_UNIT), Message(msg::kTimeoutUnit));
        EXPECT_EQ(ControlText(d, IDC_BROWSE), Message(msg::kBrowse));
        SaveScreenshot(d, Shot("network_options").c_str());
        Click(d, IDCANCEL);
      }));

  OptionsValues options;
  options.timeFormat = "%d/%m/%Y %H:%M:%S";
  ASSERT_TRUE(WithDialog(
      Message(msg::kOptionsTitle).c_str(), [&] { OptionsDialog().Run(nullptr, &options); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDC_SHOW_TIME), Message(msg::kShowPlaybackTime));
        EXPECT_EQ(ControlText(d, IDC_CAPTURE_GROUP), Message(msg::kCapturePathGroup));
        SaveScreenshot(d, Shot("options").c_str());
        Click(d, IDCANCEL);
      }));

  DiskList none([](int, char*, size_t) { return false; });
  std::string disk;
  ASSERT_TRUE(WithDialog(
      Message(msg::kDiskSelectTitle).c_str(), [&] { DiskSelectDialog(&none).Run(nullptr, &disk); },
      [&](HWND d) {
        EXPECT_EQ(ControlText(d, IDOK), Message(msg::kOk));
        SaveScreenshot(d, Shot("disk_select").c_str());
        Click(d, IDCANCEL);
      }));
}

std::string ItemText(HMENU menu, int position) {
  char text[256] = "";
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST_P(ShippedMessages, MenuPopupKeepsItsSubmenus) {
  // The first items of the Player menu: Player, ZorIzovur, separator, Open
  // File, Open Disk, Export with its AVI item, ... Playback with its items.
  HMENU menu = CreateMenu();
  HMENU player = CreatePopupMenu();
  HMENU exportMenu = CreatePopupMenu();
  HMENU playback = CreatePopupMenu();
  AppendMenuA(exportMenu, MF_STRING, 32871, "AVI (Audio-Video Interleaved Files)");
  const char* playItems[] = {"&Play",        "Play Reverse", "P&ause",         "Fast For&ward",
                             "Fast &Rewind", "&Next Frame",  "Pre&vious Frame"};
  for (const char* item : playItems) AppendMenuA(playback, MF_STRING, 40000, item);
  AppendMenuA(playback, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(playback, MF_STRING, 32819, "Speed Normal");
  AppendMenuA(player, MF_STRING, 32863, "Player");
  AppendMenuA(player, MF_STRING, 32864, "ZorIzovur");
  AppendMenuA(player, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(player, MF_STRING, 32776, "&Open File...\tF2");
  AppendMenuA(player, MF_STRING, 32820, "Open &Disk...");
  AppendMenuA(player, MF_POPUP, reinterpret_cast<UINT_PTR>(exportMenu), "&Export");
  AppendMenuA(player, MF_STRING, 32815, "&Close\tF4");
  AppendMenuA(player, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(player, MF_STRING, 32774, "Show &Time");
  AppendMenuA(player, MF_STRING, 32805, "Always &On Top");
  AppendMenuA(player, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(player, MF_POPUP, reinterpret_cast<UINT_PTR>(playback), "&Playback");
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(player), "Player");

  EXPECT_GT(ApplyContextMenuMessages(menu), 15);
  EXPECT_EQ(ItemText(player, 0), Message(33));
  EXPECT_EQ(ItemText(player, 3), Message(35));
  EXPECT_EQ(ItemText(player, 5), Message(37));
  EXPECT_EQ(GetSubMenu(player, 5), exportMenu);
  EXPECT_EQ(ItemText(exportMenu, 0), Message(38));
  EXPECT_EQ(ItemText(player, 11), Message(41));
  ASSERT_EQ(GetSubMenu(player, 11), playback);
  EXPECT_EQ(GetMenuItemCount(playback), 9);
  EXPECT_EQ(ItemText(playback, 0), Message(42));
  EXPECT_EQ(ItemText(playback, 6), Message(48));
  EXPECT_EQ(ItemText(playback, 8), Message(49));
  EXPECT_EQ(GetMenuItemID(playback, 8), 32819u);  // commands stay
  EXPECT_EQ(GetMenuState(player, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  DestroyMenu(menu);
}

TEST_P(ShippedMessages, TheContextMenuResource) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(196));
  ASSERT_TRUE(menu);
  ASSERT_EQ(GetMenuItemCount(menu), 7);
  ApplyContextMenuMessages(menu);
  for (int position = 0; position < 7; position += 2) {  // Player menus
    HMENU player = GetSubMenu(menu, position);
    EXPECT_EQ(ItemText(player, 11), Message(41)) << position;
    ASSERT_TRUE(GetSubMenu(player, 11)) << position;
    EXPECT_EQ(ItemText(GetSubMenu(player, 11), 3), Message(45)) << position;
    EXPECT_EQ(ItemText(player, GetMenuItemCount(player) - 1), Message(67)) << position;
  }
  HMENU six = GetSubMenu(GetSubMenu(menu, 6), 18);
  ASSERT_TRUE(six);
  EXPECT_EQ(GetMenuItemCount(six), 4);
  EXPECT_EQ(ItemText(six, 3), Message(65));
  for (int position = 1; position < 7; position += 2) {  // recorder menus
    HMENU recorder = GetSubMenu(menu, position);
    EXPECT_EQ(ItemText(recorder, 3), Message(68)) << position;
    ASSERT_TRUE(GetSubMenu(recorder, 5)) << position;
    EXPECT_EQ(ItemText(recorder, 5), Message(70)) << position;
    EXPECT_EQ(ItemText(GetSubMenu(recorder, 5), 16), Message(87)) << position;
    EXPECT_EQ(ItemText(GetSubMenu(recorder, 7), 1), Message(90)) << position;
  }
  DestroyMenu(menu);
}

TEST_P(ShippedMessages, TooltipTexts) {
  HWND window = CreateWindowExA(0, "BUTTON", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE, 10, 10, 40, 24, window,
                                reinterpret_cast<HMENU>(32788), GetModuleHandleA(nullptr), nullptr);
  Tooltip tip;
  // 42 is also the menu item "&Play": the tooltip shows it without the mark.
  ASSERT_EQ(ApplyTooltipMessage(tip, button, 42, 0, "Play"), 1);
  EXPECT_EQ(tip.Text(), WithoutMnemonics(Message(42)));
  EXPECT_EQ(tip.Text().find('&'), std::string::npos);
  char text[256] = "";
  TOOLINFOA info = {};
  info.cbSize = sizeof info;
  info.hwnd = window;
  info.uId = reinterpret_cast<UINT_PTR>(button);
  info.lpszText = text;
  SendMessageA(tip.Window(), TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(std::string(text), tip.Text());
  ASSERT_EQ(ApplyTooltipMessage(tip, button, msg::kCloseTooltip, 0, "Close"), 1);
  EXPECT_EQ(tip.Text(), Message(msg::kCloseTooltip));
  // A number the file does not have keeps the built-in text.
  ASSERT_EQ(ApplyTooltipMessage(tip, button, 79, 0, "Built in"), 1);
  EXPECT_EQ(tip.Text(), "Built in");
  DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedMessages, ::testing::Values("0407", "040c"));

}  // namespace
}  // namespace marlow::viewer
