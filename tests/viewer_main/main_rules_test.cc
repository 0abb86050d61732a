// Status texts and strip addressing, command rules, names.
#include <gtest/gtest.h>

#include <string>

#include "viewer/capture_names.h"
#include "viewer/command_rules.h"
#include "viewer/resources/viewer_resource.h"
#include "viewer/status_text.h"

namespace marlow::viewer {
namespace {

std::string Text(int state, double speed) {
  char out[32];
  StateText(state, speed, out, sizeof out);
  return out;
}

TEST(StatusText, StateTextsCarryTheSpeedOnlyWhilePlaying) {
  EXPECT_EQ(Text(0, 1.0), "READY");
  EXPECT_EQ(Text(1, 1.0), "STOP ");
  EXPECT_EQ(Text(2, 2.0), "PLAY  x 2.0");
  EXPECT_EQ(Text(3, 0.1), "PLAY  x 0.1");
  EXPECT_EQ(Text(2, 16.0), "PLAY  x 16.0");
  EXPECT_EQ(Text(6, 2.0), "PAUSE");
  EXPECT_EQ(Text(7, 1.0), "SEARCH");
  EXPECT_EQ(Text(9, 1.0), "");
  char small[5];
  EXPECT_EQ(StateText(2, 1.0, small, sizeof small), 4u);
  EXPECT_STREQ(small, "PLAY");
}

TEST(CommandRules, PlaybackCommandsNeedAThreadMarksNeedPause) {
  WindowState s;
  for (int id : {ID_PLAY, ID_PAUSE, ID_PLAY_REVERSE, ID_NEXT_FRAME, ID_FAST_REWIND}) {
    s.playState = 0;
    EXPECT_FALSE(RuleOf(id, s).enabled) << id;
    s.playState = 2;
    EXPECT_TRUE(RuleOf(id, s).enabled) << id;
  }
  s.sourceOpen = true;
  s.playState = 2;
  EXPECT_FALSE(RuleOf(ID_MARK_IN, s).enabled);
  s.playState = 6;
  EXPECT_TRUE(RuleOf(ID_MARK_OUT, s).enabled);
  EXPECT_TRUE(RuleOf(ID_CLOSE_SOURCE, s).enabled);
  s.sourceOpen = false;
  EXPECT_FALSE(RuleOf(ID_MARK_IN, s).enabled);
  EXPECT_FALSE(RuleOf(ID_CLOSE_SOURCE, s).enabled);
  EXPECT_FALSE(RuleOf(ID_OPEN_FILE, s).hasRule);
  EXPECT_FALSE(RuleOf(ID_SPEED_UP, s).hasRule);
}

TEST(CommandRules, ExportNeedsAStretchBelowTheLimit) {
  WindowState s;
  s.sourceOpen = true;
  s.playState = 6;
  s.markIn = 4096;
  s.markOut = 4096 + kStretchLimit - 1;
  EXPECT_TRUE(RuleOf(ID_EXPORT_STRETCH, s).enabled);
  s.markOut = 4096 + kStretchLimit;
  EXPECT_FALSE(RuleOf(ID_EXPORT_STRETCH, s).enabled);
  s.markOut = 4096;  // empty
  EXPECT_FALSE(RuleOf(ID_EXPORT_STRETCH, s).enabled);
  s.markIn = 8192;  // in after out
  EXPECT_FALSE(RuleOf(ID_EXPORT_STRETCH, s).enabled);
  EXPECT_EQ(kStretchLimit, 0x28A00000u);
}

TEST(CommandRules, ChecksFollowTheirFlags) {
  WindowState s;
  EXPECT_EQ(RuleOf(ID_SHOW_TIME, s).checked, 1);
  EXPECT_EQ(RuleOf(ID_ALWAYS_ON_TOP, s).checked, 0);
  EXPECT_EQ(RuleOf(ID_ASPECT_448, s).checked, 1);
  EXPECT_EQ(RuleOf(ID_ASPECT_544, s).checked, 0);
  EXPECT_EQ(RuleOf(ID_PLAYER_MODE, s).checked, 1);
  EXPECT_EQ(RuleOf(ID_VIEWER_MODE, s).checked, 0);
  s.mode = 2;
  s.videoHeight = 544;
  s.muted = s.fullScreen = true;
  EXPECT_EQ(RuleOf(ID_VIEWER_MODE, s).checked, 1);
  EXPECT_EQ(RuleOf(ID_ASPECT_544, s).checked, 1);
  EXPECT_EQ(RuleOf(ID_MUTE, s).checked, 1);
  EXPECT_EQ(RuleOf(ID_FULL_SCREEN, s).checked, 1);
}

TEST(CommandRules, PopupsAndSplitsByChannelCount) {
  EXPECT_EQ(ContextPopup(1, 4), 2);
  EXPECT_EQ(ContextPopup(1, 16), 6);
  EXPECT_EQ(ContextPopup(1, 9), 0);
  EXPECT_EQ(ContextPopup(1, 8), 0);
  EXPECT_EQ(ContextPopup(2, 4), 1);
  EXPECT_EQ(SplitRequest(ID_SPLIT9, 4), 4);
  EXPECT_EQ(SplitRequest(ID_SPLIT9, 16), 9);
  EXPECT_EQ(SplitRequest(IDC_SPLIT1, 4), 1);
  EXPECT_EQ(SplitRequest(ID_SPLIT16, 4), 16);
  EXPECT_EQ(SplitRequest(ID_PLAY, 4), 0);
}

TEST(CaptureNames, StillNamesAndPaths) {
  const std::string name = StillCaptureName({2008, 12, 31, 23, 59, 59});
  EXPECT_EQ(name, "20081231-235959.bmp");
  EXPECT_EQ(StillCaptureName({2009, 1, 2, 3, 4, 5}), "20090102-030405.bmp");
  EXPECT_EQ(StillCapturePath("C:\\DVRCapture", name), "C:\\DVRCapture\\20081231-235959.bmp");
  EXPECT_EQ(StillCapturePath("C:\\DVRCapture\\", name), "C:\\DVRCapture\\20081231-235959.bmp");
  EXPECT_EQ(StillCapturePath("", name), name);
  EXPECT_EQ(StillCapturePath("C", name), name);
}

TEST(CaptureNames, CommandLineDropsQuotesAndKeepsAtMost1023) {
  EXPECT_EQ(CommandLineFile("\"C:\\My Files\\a.kvr\""), "C:\\My Files\\a.kvr");
  EXPECT_EQ(CommandLineFile(""), "");
  EXPECT_EQ(CommandLineFile(nullptr), "");
  EXPECT_EQ(CommandLineFile("a\"\"b"), "ab");
  const std::string longer(2000, 'x');
  EXPECT_EQ(CommandLineFile(longer.c_str()).size(), 1023u);
}

}  // namespace
}  // namespace marlow::viewer
