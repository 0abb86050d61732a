// Skinned buttons and sliders in a real dialog under Wine: what the screen
// shows in each state, checked against the skin's own bitmaps, and the
// notifications the dialog receives from real mouse and key input.
#include <gtest/gtest.h>

#include "tests/support/win32_test_driver.h"
#include "tests/viewer_win32/skin_test_dialog.h"
#include "tests/viewer_win32/skin_test_resource.h"
#include "viewer/resources/viewer_resource.h"
#include "viewer/skin/skin_geometry.h"

namespace marlow::test {
namespace {

constexpr Rgb kAccent = {52, 152, 255};
constexpr Rgb kThumbFace = {236, 240, 245};
constexpr Rgb kTrack = {64, 71, 82};
constexpr Rgb kMagenta = {255, 0, 255};

class SkinControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MoveMouse(2, 2);  // away from the dialog
    window_ = thread_.Start();
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { thread_.Stop(); }

  SkinTestDialog& dialog() { return thread_.Dialog(); }

  // Opaque pixels of the button on screen that differ from frame `f` of its
  // strip (the mask frame says which pixels are opaque).
  int FrameMismatches(HWND button, int stripId, int frame) {
    const Image strip = LoadBitmapImage(nullptr, stripId);
    const viewer::FrameSize size = viewer::ButtonFrameSize(strip.Width(), strip.Height(), true);
    const Image shown = CaptureWindow(button);
    EXPECT_EQ(shown.Width(), size.width);
    EXPECT_EQ(shown.Height(), size.height);
    int mismatches = 0, opaque = 0;
    for (int y = 0; y < size.height; ++y) {
      for (int x = 0; x < size.width; ++x) {
        if (strip.At(viewer::kFrameMask * size.width + x, y) != Rgb{0, 0, 0}) continue;
        ++opaque;
        if (!Near(shown.At(x, y), strip.At(frame * size.width + x, y), 2)) ++mismatches;
      }
    }
    EXPECT_GT(opaque, size.width * size.height / 2);
    return mismatches;
  }

  DialogThread thread_;
  HWND window_ = nullptr;
};

TEST_F(SkinControlsTest, PushButtonShowsItsFourStatesAndClicks) {
  HWND button = FindControl(window_, IDC_TEST_PUSH);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(FrameMismatches(button, IDB_PLAY, viewer::kFrameNormal), 0);

  const POINT centre = CentreOf(button);
  MoveMouse(centre.x, centre.y);
  ASSERT_TRUE(
      WaitUntil([&] { return FrameMismatches(button, IDB_PLAY, viewer::kFrameHover) == 0; }, 2000));

  MouseDown(centre.x, centre.y);
  ASSERT_TRUE(WaitUntil(
      [&] { return FrameMismatches(button, IDB_PLAY, viewer::kFramePressed) == 0; }, 2000));
  MouseUp(centre.x, centre.y);
  ASSERT_TRUE(WaitUntil([&] { return !dialog().EventsOf(WM_COMMAND).empty(); }, 2000));
  EXPECT_EQ(dialog().EventsOf(WM_COMMAND)[0].wParam, MAKEWPARAM(IDC_TEST_PUSH, BN_CLICKED));

  // The pointer leaves: normal again.
  MoveMouse(2, 2);
  EXPECT_TRUE(WaitUntil(
      [&] { return FrameMismatches(button, IDB_PLAY, viewer::kFrameNormal) == 0; }, 2000));

  // Disabled by the dialog's idle refresh of its command rules.
  dialog().pushEnabled = false;
  PostMessageA(window_, WM_NULL, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsEnabled(button); }, 2000));
  EXPECT_TRUE(WaitUntil(
      [&] { return FrameMismatches(button, IDB_PLAY, viewer::kFrameDisabled) == 0; }, 2000));
  dialog().ClearEvents();
  Click(centre.x, centre.y);
  Settle(200);
  EXPECT_TRUE(dialog().EventsOf(WM_COMMAND).empty());
  SaveScreenshot(CaptureWindow(window_), "skin_button_disabled");
}

TEST_F(SkinControlsTest, CheckBoxKeepsItsPressedFaceAndRadioGroupUnchecksTheOthers) {
  HWND check = FindControl(window_, IDC_TEST_CHECK);
  ClickWindow(check);
  ASSERT_TRUE(WaitUntil([&] { return CheckState(check) == BST_CHECKED; }, 2000));
  MoveMouse(2, 2);
  EXPECT_TRUE(WaitUntil(
      [&] { return FrameMismatches(check, IDB_SPLIT4, viewer::kFramePressed) == 0; }, 2000));
  ClickWindow(check);
  EXPECT_TRUE(WaitUntil([&] { return CheckState(check) == BST_UNCHECKED; }, 2000));

  HWND radio1 = FindControl(window_, IDC_TEST_RADIO1);
  HWND radio2 = FindControl(window_, IDC_TEST_RADIO2);
  ASSERT_EQ(CheckState(radio1), BST_CHECKED);
  ClickWindow(radio2);
  ASSERT_TRUE(WaitUntil([&] { return CheckState(radio2) == BST_CHECKED; }, 2000));
  EXPECT_TRUE(WaitUntil([&] { return CheckState(radio1) == BST_UNCHECKED; }, 2000));
  MoveMouse(2, 2);
  // The unchecked member repainted itself: its normal frame is on screen.
  // (The caption covers part of the frame: compare with the pressed face.)
  EXPECT_TRUE(WaitUntil(
      [&] {
        return FrameMismatches(radio1, IDB_PLAYER_MODE, viewer::kFrameNormal) * 4 <
               FrameMismatches(radio1, IDB_PLAYER_MODE, viewer::kFramePressed);
      },
      2000))
      << FrameMismatches(radio1, IDB_PLAYER_MODE, viewer::kFrameNormal) << " vs "
      << FrameMismatches(radio1, IDB_PLAYER_MODE, viewer::kFramePressed);
  // Setting the check from outside works the same way.
  SendMessageA(radio1, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(WaitUntil([&] { return CheckState(radio2) == BST_UNCHECKED; }, 2000));
}

TEST_F(SkinControlsTest, SliderDragPostsChangingThenSetAndDrawsThroughMasks) {
  HWND slider = FindControl(window_, IDC_TEST_SLIDER);
  const RECT r = WindowRect(slider);
  ASSERT_EQ(r.right - r.left, kSliderWidth);
  viewer::SliderGeometry g;
  g.width = kSliderWidth;
  g.thumbWidth = 14;
  g.max = kSliderMax;
  const int y = r.top + 7;

  // Grab the thumb at 0 and drag it to the middle.
  MoveMouse(r.left + 7, y);
  MouseDown(r.left + 7, y);
  Settle(50);
  for (int x = 20; x <= 197; x += 15) {
    MoveMouse(r.left + x, y);
    Settle(10);
  }
  MoveMouse(r.left + 197, y);
  ASSERT_TRUE(WaitUntil(
      [&] {
        auto changing = dialog().EventsOf(viewer::kSliderChanging);
        return !changing.empty() && changing.back().lParam == 500;
      },
      2000));
  for (const auto& e : dialog().EventsOf(viewer::kSliderChanging)) {
    EXPECT_EQ(e.wParam, static_cast<WPARAM>(IDC_TEST_SLIDER));
  }
  EXPECT_TRUE(dialog().EventsOf(viewer::kSliderSet).empty());
  // While dragged: the drag thumb (accent face, white centre) at pixel 197.
  ASSERT_EQ(viewer::SliderThumbCentre(g, 500), 197);
  // (The notification is posted before the repaint reaches the screen.)
  Image shown;
  EXPECT_TRUE(WaitUntil(
      [&] {
        shown = CaptureWindow(slider);
        return Near(shown.At(197, 7), Rgb{255, 255, 255}, 8) && Near(shown.At(202, 7), kAccent, 8);
      },
      2000))
      << ToString(shown.At(197, 7)) << " " << ToString(shown.At(202, 7));
  SaveScreenshot(CaptureWindow(window_), "skin_slider_dragged");

  MouseUp(r.left + 197, y);
  ASSERT_TRUE(WaitUntil([&] { return !dialog().EventsOf(viewer::kSliderSet).empty(); }, 2000));
  EXPECT_EQ(dialog().EventsOf(viewer::kSliderSet)[0].lParam, 500);
  WaitUntil(
      [&] {
        shown = CaptureWindow(slider);
        return Near(shown.At(197, 7), kAccent, 8);
      },
      2000);
  // The normal thumb, the played track left of it, the plain track right of
  // it, and no magenta anywhere: masks hide the transparent colour.
  EXPECT_TRUE(Near(shown.At(197, 7), kAccent, 8)) << ToString(shown.At(197, 7));
  EXPECT_TRUE(Near(shown.At(202, 7), kThumbFace, 8)) << ToString(shown.At(202, 7));
  EXPECT_TRUE(Near(shown.At(60, 7), kAccent, 8)) << ToString(shown.At(60, 7));
  EXPECT_TRUE(Near(shown.At(300, 7), kTrack, 8)) << ToString(shown.At(300, 7));
  EXPECT_EQ(shown.CountDifferent(0, 0, shown.Width(), shown.Height(), kMagenta, 60),
            shown.Width() * shown.Height());

  // Keys move it by the page step, to the ends and by one; each posts a set.
  dialog().ClearEvents();
  PressKey(VK_NEXT);
  PressKey(VK_END);
  PressKey(VK_LEFT);
  PressKey(VK_HOME);
  PressKey(VK_PRIOR);
  ASSERT_TRUE(WaitUntil([&] { return dialog().EventsOf(viewer::kSliderSet).size() == 5; }, 2000));
  const auto set = dialog().EventsOf(viewer::kSliderSet);
  EXPECT_EQ(set[0].lParam, 520);
  EXPECT_EQ(set[1].lParam, kSliderMax);
  EXPECT_EQ(set[2].lParam, kSliderMax - 1);
  EXPECT_EQ(set[3].lParam, 0);
  EXPECT_EQ(set[4].lParam, 0);
}

TEST_F(SkinControlsTest, SkinnedDialogScreenshot) {
  const Image shot = CaptureWindow(window_);
  ASSERT_EQ(shot.Width(), kDialogWidth);
  ASSERT_EQ(shot.Height(), kDialogHeight);
  // The rounded region: the very corner is not the dialog's.
  const Image corner = CaptureScreen({38, 38, 42, 42});
  EXPECT_NE(corner.At(2, 2), shot.At(6, 6));
  // The top-right corner piece comes unscaled from the bitmap's right half.
  const Image background = LoadBitmapImage(nullptr, IDB_BACKGROUND);
  const int hw = background.Width() / 2;
  int differ = 0;
  for (int y = 8; y < 20; ++y) {
    for (int x = 8; x < 20; ++x) {
      // Left of the close button, inside the corner piece at W - w/2 - 1.
      if (!Near(shot.At(kDialogWidth - hw - 1 + x, y), background.At(hw + x, y), 2)) ++differ;
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_FALSE(SaveScreenshot(shot, "skin_dialog").empty());
}

}  // namespace
}  // namespace marlow::test
