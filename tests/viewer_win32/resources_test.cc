// The main window's resources as the program will load them: the template
// with every control, the context menu's popups, the accelerators, strings,
// icon, version and the sizes of the skin bitmaps the controls depend on.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/win32_test_driver.h"
#include "viewer/framework/win32_dialog.h"
#include "viewer/framework/win32_tooltip.h"
#include "viewer/resources/viewer_resource.h"

namespace marlow::test {
namespace {

// Opens template 102 without showing it and looks at its controls.
class TemplateProbe : public viewer::Dialog {
 public:
  TemplateProbe() : Dialog(IDD_MAIN_WINDOW) {}
  std::string failures;

 protected:
  bool OnInit() override {
    const struct {
      int id;
      const char* cls;
      LONG type;  // BS_ / SS_ type bits, -1: any
    } controls[] = {
        {IDC_WINDOW_ICON, "Button", BS_PUSHBUTTON},
        {IDC_TITLE, "Static", -1},
        {IDC_MINIMIZE, "Button", BS_PUSHBUTTON},
        {IDC_CLOSE, "Button", BS_PUSHBUTTON},
        {ID_PLAYER_MODE, "Button", BS_AUTORADIOBUTTON},
        {ID_VIEWER_MODE, "Button", BS_AUTORADIOBUTTON},
        {IDC_STATUS_LINE, "Static", -1},
        {IDC_POSITION_SLIDER, "Static", -1},
        {IDC_VOLUME_SLIDER, "Static", -1},
        {ID_MUTE, "Button", BS_AUTOCHECKBOX},
        {IDC_STILL_CAPTURE, "Button", BS_PUSHBUTTON},
        {IDC_SPLIT1, "Button", BS_PUSHBUTTON},
    };
    for (const auto& c : controls) {
      HWND w = Control(c.id);
      if (!w || ClassName(w) != c.cls ||
          (c.type >= 0 && (GetWindowLongA(w, GWL_STYLE) & 0xF) != c.type)) {
        failures += " " + std::to_string(c.id);
      }
    }
    // Every command button of both modes.
    const int buttons[] = {ID_OPEN_FILE,    ID_PLAY,         ID_PAUSE,      ID_FAST_REWIND,
                           ID_FAST_FORWARD, ID_PLAY_REVERSE, ID_NEXT_FRAME, ID_PREVIOUS_FRAME,
                           ID_SPLIT4,       ID_SPLIT9,       ID_SPLIT16,    ID_CONNECT};
    for (int id : buttons) {
      if (!Control(id)) failures += " " + std::to_string(id);
    }
    for (int id = ID_DVR_PAUSE; id <= ID_DVR_SELECT; ++id) {
      if (!Control(id)) failures += " " + std::to_string(id);
    }
    if (GetWindowLongA(Window(), GWL_STYLE) & WS_CAPTION) failures += " caption";
    End(IDOK);
    return true;
  }
};

TEST(ViewerResources, MainTemplateHoldsEveryControl) {
  TemplateProbe probe;
  EXPECT_EQ(probe.RunModal(nullptr), IDOK);
  EXPECT_EQ(probe.failures, "");
}

TEST(ViewerResources, MenuAcceleratorsStringsIconAndVersion) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  HMENU menu = LoadMenuA(self, MAKEINTRESOURCEA(IDR_CONTEXT_MENU));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 7);
  // Player popups hold 24 items, ZorIzovur popups 18; the Split Mode popup
  // has as many items as the channel count allows.
  const int splitItems[7] = {3, 0, 2, 0, 3, 0, 4};
  for (int p = 0; p < 7; ++p) {
    HMENU popup = GetSubMenu(menu, p);
    ASSERT_NE(popup, nullptr);
    if (p % 2 == 1 && p != 6) {
      EXPECT_EQ(GetMenuItemCount(popup), 18) << p;
      EXPECT_EQ(GetMenuItemID(popup, 3), static_cast<UINT>(ID_CONNECT));
      continue;
    }
    EXPECT_EQ(GetMenuItemCount(popup), 24) << p;
    EXPECT_EQ(GetMenuItemID(popup, 3), static_cast<UINT>(ID_OPEN_FILE));
    HMENU split = GetSubMenu(popup, 18);
    ASSERT_NE(split, nullptr) << p;
    EXPECT_EQ(GetMenuItemCount(split), splitItems[p]) << p;
    HMENU playback = GetSubMenu(popup, 11);
    ASSERT_NE(playback, nullptr);
    EXPECT_EQ(GetMenuItemCount(playback), 11);
  }
  DestroyMenu(menu);

  HACCEL keys = LoadAcceleratorsA(self, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(CopyAcceleratorTableA(keys, nullptr, 0), 10);

  EXPECT_EQ(viewer::LoadResourceString(IDS_ABOUT_MENU_ITEM), "About DVR Viewer (&A)...");
  EXPECT_EQ(viewer::LoadResourceString(IDS_FIND_FOLDER), "Find Folder");
  EXPECT_EQ(viewer::LoadResourceString(IDS_SELECT_FOLDER), "Select Folder");
  EXPECT_EQ(viewer::LoadResourceString(ID_FAST_REWIND), "Fast Backward");
  EXPECT_EQ(viewer::LoadResourceString(ID_VIEWER_MODE), "Viewer");
  EXPECT_FALSE(viewer::LoadResourceString(IDS_MAKER_NOTICE).empty());

  EXPECT_NE(LoadImageA(self, MAKEINTRESOURCEA(IDI_MAIN_ICON), IMAGE_ICON, 32, 32, 0), nullptr);
  EXPECT_NE(LoadImageA(self, MAKEINTRESOURCEA(IDI_MAIN_ICON), IMAGE_ICON, 16, 16, 0), nullptr);
  HRSRC version = FindResourceA(self, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  ASSERT_NE(version, nullptr);
  const auto* info = static_cast<const unsigned char*>(LockResource(LoadResource(self, version)));
  // VS_FIXEDFILEINFO follows the key "VS_VERSION_INFO"; its file version is
  // 2.5.3.4 (high word major).
  const std::string bytes(reinterpret_cast<const char*>(info), SizeofResource(self, version));
  const std::string fixed = std::string("\xBD\x04\xEF\xFE", 4);
  const size_t at = bytes.find(fixed);
  ASSERT_NE(at, std::string::npos);
  const auto* words = reinterpret_cast<const uint32_t*>(bytes.data() + at);
  EXPECT_EQ(words[2], 0x00020005u);
  EXPECT_EQ(words[3], 0x00030004u);
}

TEST(ViewerResources, SkinBitmapsHaveTheirFrameSizesAndASheetIsSaved) {
  const struct {
    int id, width, height;
  } sizes[] = {
      {IDB_PLAY, 5 * 29, 24},       {IDB_OPEN, 5 * 35, 24},        {IDB_CONNECT, 5 * 35, 24},
      {IDB_DISCONNECT, 5 * 35, 24}, {IDB_MINIMIZE, 4 * 14, 14},    {IDB_CLOSE, 4 * 14, 14},
      {IDB_MUTE, 5 * 18, 18},       {IDB_PLAYER_MODE, 5 * 78, 22}, {IDB_WINDOW_ICON, 5 * 24, 24},
      {IDB_STATUS_STRIP, 512, 112}, {IDB_POSITION_TRACK, 240, 14}, {IDB_POSITION_THUMB, 14, 14},
      {IDB_VOLUME_TRACK, 68, 16},   {IDB_VOLUME_THUMB, 8, 16},
  };
  for (const auto& s : sizes) {
    const Image image = LoadBitmapImage(nullptr, s.id);
    EXPECT_EQ(image.Width(), s.width) << s.id;
    EXPECT_EQ(image.Height(), s.height) << s.id;
  }
  // A contact sheet of every button strip, for a look.
  const int strips[] = {IDB_WINDOW_ICON, IDB_PLAYER_MODE,    IDB_VIEWER_MODE,
                        IDB_OPEN,        IDB_PLAY,           IDB_PAUSE,
                        IDB_FAST_REWIND, IDB_FAST_FORWARD,   IDB_PLAY_REVERSE,
                        IDB_NEXT_FRAME,  IDB_PREVIOUS_FRAME, IDB_STILL_CAPTURE,
                        IDB_MUTE,        IDB_SPLIT1,         IDB_SPLIT4,
                        IDB_SPLIT9,      IDB_SPLIT16,        IDB_CONNECT,
                        IDB_DISCONNECT,  IDB_STOP,           IDB_RECORD,
                        IDB_CHANNEL1,    IDB_CHANNEL2,       IDB_CHANNEL3,
                        IDB_CHANNEL4,    IDB_MENU,           IDB_UP,
                        IDB_DOWN,        IDB_SELECT,         IDB_MINIMIZE,
                        IDB_CLOSE,       IDB_STATUS_STRIP,   IDB_LOGO};
  Image sheet(520, 1100);
  int y = 4;
  for (int id : strips) {
    const Image strip = LoadBitmapImage(nullptr, id);
    for (int j = 0; j < strip.Height(); ++j) {
      for (int i = 0; i < strip.Width() && i + 4 < sheet.Width(); ++i) {
        sheet.Set(i + 4, y + j, strip.At(i, j));
      }
    }
    y += strip.Height() + 4;
  }
  EXPECT_LE(y, sheet.Height());
  EXPECT_FALSE(SaveScreenshot(sheet.Crop(0, 0, sheet.Width(), y), "skin_bitmaps").empty());
}

}  // namespace
}  // namespace marlow::test
