// Caption text, its time formatting, the caption bar and the colour rules.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "display/display_caption.h"

namespace marlow {
namespace {

TimeRecord Record(int year, int month, int day, int hour, int minute, int second) {
  TimeRecord t;
  t.year = static_cast<uint16_t>(year);
  t.month = static_cast<uint16_t>(month);
  t.day = static_cast<uint16_t>(day);
  t.hour = static_cast<uint16_t>(hour);
  t.minute = static_cast<uint16_t>(minute);
  t.second = static_cast<uint16_t>(second);
  return t;
}

std::string Caption(const CaptionSettings& s, int channel, const TimeRecord& t) {
  char text[kMaxCaptionText + 1];
  const int length = s.Text(channel, t, text, sizeof text);
  EXPECT_EQ(static_cast<int>(std::strlen(text)), length);
  return text;
}

std::string Formatted(const TimeRecord& t, const char* format) {
  char text[128];
  const int length = FormatTime(t, format, text, sizeof text);
  EXPECT_EQ(static_cast<int>(std::strlen(text)), length);
  return text;
}

TEST(CaptionText, ChannelNumberAndTimeWithDefaultFormat) {
  CaptionSettings s;
  EXPECT_TRUE(s.ShowTime());
  EXPECT_STREQ("%Y/%m/%d %H:%M:%S", s.TimeFormat());
  EXPECT_EQ("CH3 2026/12/08 05:13:53", Caption(s, 2, Record(2026, 12, 8, 5, 13, 53)));
  EXPECT_EQ("CH16 1999/01/31 23:59:59", Caption(s, 15, Record(1999, 1, 31, 23, 59, 59)));
}

TEST(CaptionText, NoTimeWhenShowTimeIsOffOrYearIsZero) {
  CaptionSettings s;
  EXPECT_EQ("CH3 ", Caption(s, 2, Record(0, 5, 6, 7, 8, 9)));
  s.SetShowTime(false);
  EXPECT_EQ("CH3 ", Caption(s, 2, Record(2020, 5, 6, 7, 8, 9)));
}

TEST(CaptionText, YearBelow1900FormatsTimeZero) {
  CaptionSettings s;
  EXPECT_EQ("CH1 1970/01/01 00:00:00", Caption(s, 0, Record(1899, 12, 31, 23, 59, 59)));
  EXPECT_EQ("CH1 1970/01/01 00:00:00", Caption(s, 0, Record(1, 1, 1, 1, 1, 1)));
}

TEST(CaptionText, OtherFormatsAndCutOff) {
  CaptionSettings s;
  s.SetTimeFormat("%H:%M");
  EXPECT_EQ("CH2 14:05", Caption(s, 1, Record(2024, 2, 29, 14, 5, 0)));
  s.SetTimeFormat("");
  EXPECT_EQ("CH2 ", Caption(s, 1, Record(2024, 2, 29, 14, 5, 0)));
  s.SetTimeFormat(nullptr);
  EXPECT_STREQ("", s.TimeFormat());
  s.SetTimeFormat("%Y/%m/%d %H:%M:%S");
  char small[8];
  EXPECT_EQ(7, s.Text(2, Record(2026, 1, 2, 3, 4, 5), small, sizeof small));
  EXPECT_STREQ("CH3 202", small);
  char tiny[3];
  EXPECT_EQ(2, s.Text(9, Record(2026, 1, 2, 3, 4, 5), tiny, sizeof tiny));
  EXPECT_STREQ("CH", tiny);
}

TEST(FormatTime, FieldsNamesAndWeekdays) {
  // 2024-02-29 was a Thursday, day 60 of its year.
  const TimeRecord t = Record(2024, 2, 29, 0, 7, 9);
  EXPECT_EQ("Thu Thursday Feb February 060 4", Formatted(t, "%a %A %b %B %j %w"));
  EXPECT_EQ("12AM 24 00:07:09 02/29/24", Formatted(t, "%I%p %y %X %x"));
  EXPECT_EQ("Thu Feb 29 00:07:09 2024", Formatted(t, "%c"));
  EXPECT_EQ("100% %Q", Formatted(t, "100%% %Q"));
  EXPECT_EQ("01 PM", Formatted(Record(2000, 1, 1, 13, 0, 0), "%I %p"));
  EXPECT_EQ("Sat 00", Formatted(Record(2000, 1, 1, 0, 0, 0), "%a %U"));
}

TEST(FormatTime, OutOfRangeFieldsCarryOver) {
  EXPECT_EQ("2025/01/01 00:00:00", Formatted(Record(2024, 12, 31, 23, 59, 60), kDefaultTimeFormat));
  EXPECT_EQ("2025/01/31", Formatted(Record(2024, 13, 31, 0, 0, 0), "%Y/%m/%d"));
  EXPECT_EQ("2023/12/31", Formatted(Record(2024, 1, 0, 0, 0, 0), "%Y/%m/%d"));
  EXPECT_EQ("2023/12/01", Formatted(Record(2024, 0, 1, 0, 0, 0), "%Y/%m/%d"));
  EXPECT_EQ("1900/01/01 Mon", Formatted(Record(1900, 1, 1, 0, 0, 0), "%Y/%m/%d %a"));
  EXPECT_EQ("65535/12/31", Formatted(Record(65535, 12, 31, 0, 0, 0), "%Y/%m/%d"));
  // The largest field values together stay far from any overflow.
  const std::string big = Formatted(Record(65535, 65535, 65535, 65535, 65535, 65535), "%Y");
  EXPECT_FALSE(big.empty());
}

TEST(CaptionColours, DefaultsAndZeroReplacement) {
  CaptionSettings s;
  EXPECT_EQ(MakeColour(255, 255, 128), s.TextColour());
  EXPECT_EQ(MakeColour(20, 20, 20), s.OutlineColour());
  s.SetTextColour(0);
  s.SetOutlineColour(0);
  EXPECT_EQ(MakeColour(5, 5, 5), s.TextColour());
  EXPECT_EQ(0x00050505u, s.OutlineColour());
  s.SetTextColour(MakeColour(1, 0, 0));
  EXPECT_EQ(0x00000001u, s.TextColour());
}

TEST(CaptionBar, TopOrBottomAndAtMost639Wide) {
  CaptionSettings s;
  const PaneRect wide{640, 480, 1280, 960};
  PaneRect bar = s.Bar(wide);
  EXPECT_EQ(640, bar.left);
  EXPECT_EQ(480, bar.top);
  EXPECT_EQ(640 + 639, bar.right);
  EXPECT_EQ(500, bar.bottom);
  s.SetPosition(CaptionPosition::Bottom);
  const PaneRect narrow{0, 0, 200, 150};
  bar = s.Bar(narrow);
  EXPECT_EQ(0, bar.left);
  EXPECT_EQ(130, bar.top);
  EXPECT_EQ(200, bar.right);
  EXPECT_EQ(150, bar.bottom);
}

TEST(CaptionDrawing, OnlyWhenEnabledAndTextNotEmpty) {
  CaptionSettings s;
  EXPECT_FALSE(s.Enabled());
  EXPECT_FALSE(s.DrawsText("CH1 "));
  s.SetEnabled(true);
  EXPECT_TRUE(s.DrawsText("CH1 "));
  EXPECT_FALSE(s.DrawsText(""));
  int around = 0;
  for (const CaptionOffset& o : kCaptionOutlineOffsets) {
    EXPECT_TRUE(o.dx != 0 || o.dy != 0);
    EXPECT_LE(o.dx * o.dx + o.dy * o.dy, 2);
    ++around;
  }
  EXPECT_EQ(8, around);
}

TEST(LogoPlacement, CentredWhenSmallerElsePaneCorner) {
  const PaneRect pane{100, 50, 420, 290};  // 320 x 240
  LogoPlace at = LogoOrigin(pane, 100, 40);
  EXPECT_EQ(100 + 110, at.x);
  EXPECT_EQ(50 + 100, at.y);
  at = LogoOrigin(pane, 400, 40);
  EXPECT_EQ(100, at.x);
  EXPECT_EQ(150, at.y);
  at = LogoOrigin(pane, 320, 300);
  EXPECT_EQ(100, at.x);
  EXPECT_EQ(50, at.y);
}

}  // namespace
}  // namespace marlow
