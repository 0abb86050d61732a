// The caption of a display pane: its text ("CH%d " and the picture's date and
// time), the bar it is drawn in, the outline offsets and the colour rules.
// Pure computation; the window code draws what these functions describe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "display/display_layout.h"
#include "recording/time_record.h"

namespace marlow {

// A colour in the window system's layout 0x00BBGGRR.
constexpr uint32_t MakeColour(int r, int g, int b) {
  return static_cast<uint32_t>(r & 0xFF) | static_cast<uint32_t>(g & 0xFF) << 8 |
         static_cast<uint32_t>(b & 0xFF) << 16;
}

constexpr char kDefaultTimeFormat[] = "%Y/%m/%d %H:%M:%S";
constexpr uint32_t kDefaultCaptionTextColour = MakeColour(255, 255, 128);
constexpr uint32_t kDefaultCaptionOutlineColour = MakeColour(20, 20, 20);
// Colour 0 is the transparent key of the caption overlay; a caption colour of
// 0 is drawn with this nearly black one instead.
constexpr uint32_t kCaptionBlack = MakeColour(5, 5, 5);
constexpr int kCaptionBarHeight = 20;
constexpr int kCaptionBarMaxWidth = 639;
constexpr int kCaptionTextLeft = 4;
constexpr int kCaptionTextTop = 2;
// Longest caption text kept; longer formatted times are cut.
constexpr int kMaxCaptionText = 127;

// The 1-pixel outline: the text is drawn at these offsets in the outline
// colour, then once at (0, 0) in the text colour.
struct CaptionOffset {
  int dx, dy;
};
constexpr CaptionOffset kCaptionOutlineOffsets[8] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                                     {1, 0},   {-1, 1}, {0, 1},  {1, 1}};

enum class CaptionPosition : int { Top = 0, Bottom = 1 };

// Formats `time` with a strftime-style `format` into `out` (capacity bytes
// including the terminating NUL) and returns the length. The record's fields
// are used as they are, with no time-zone adjustment; fields out of their
// range carry over as in a calendar normalisation (month 13 is January of the
// next year); a year below 1900 formats time 0 (1970-01-01 00:00:00).
// Conversions: %a %A %b %B %c %d %H %I %j %m %M %p %S %U %w %x %X %y %Y %%
// with the C locale's names; any other "%x" pair is copied as it stands.
// Output that does not fit is cut at capacity - 1 bytes.
int FormatTime(const TimeRecord& time, const char* format, char* out, int capacity);

// The caption options of a display and the text they produce.
class CaptionSettings {
 public:
  void SetShowTime(bool on) { showTime_ = on; }
  bool ShowTime() const { return showTime_; }
  void SetEnabled(bool on) { enabled_ = on; }
  bool Enabled() const { return enabled_; }
  void SetPosition(CaptionPosition position) { position_ = position; }
  CaptionPosition Position() const { return position_; }
  // A colour of 0 becomes kCaptionBlack.
  void SetTextColour(uint32_t colour) { textColour_ = colour == 0 ? kCaptionBlack : colour; }
  uint32_t TextColour() const { return textColour_; }
  void SetOutlineColour(uint32_t colour) { outlineColour_ = colour == 0 ? kCaptionBlack : colour; }
  uint32_t OutlineColour() const { return outlineColour_; }
  // A null format counts as empty.
  void SetTimeFormat(const char* format) { timeFormat_ = format != nullptr ? format : ""; }
  const char* TimeFormat() const { return timeFormat_.c_str(); }

  // "CH%d " with channel + 1 (channel is 0-based), followed by the formatted
  // time when show time is on and the record's year is not 0. Returns the
  // length written to `out` (capacity bytes including the NUL).
  int Text(int channel, const TimeRecord& time, char* out, int capacity) const;

  // Whether any text is drawn for this caption: captions enabled and the text
  // not empty.
  bool DrawsText(const char* text) const { return enabled_ && text != nullptr && text[0] != '\0'; }

  // The bar of a pane's caption: min(pane width, 639) wide, 20 high, at the
  // pane's top-left corner, or 20 pixels above its bottom with Bottom.
  PaneRect Bar(const PaneRect& pane) const;

 private:
  bool showTime_ = true;
  bool enabled_ = false;
  CaptionPosition position_ = CaptionPosition::Top;
  uint32_t textColour_ = kDefaultCaptionTextColour;
  uint32_t outlineColour_ = kDefaultCaptionOutlineColour;
  std::string timeFormat_ = kDefaultTimeFormat;
};

// Where a logo of the given size is drawn in a pane: centred on each axis
// where it is smaller than the pane, else at the pane's edge (it may then
// spill over neighbouring panes).
struct LogoPlace {
  int x, y;
};
LogoPlace LogoOrigin(const PaneRect& pane, int logoWidth, int logoHeight);

}  // namespace marlow
