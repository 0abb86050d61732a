// The geometry of the skinned controls, apart from any window: how a dialog's
// background bitmap is laid around the client area, where a slider's thumb
// sits and which value a pointer position means, what the slider's keys do,
// and how a button strip and the status picture strip are cut into pictures.
// All divisions are integer divisions unless stated.
#pragma once

namespace marlow::viewer {

struct SkinRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const SkinRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

// One piece of a composed background: `source` of the bitmap is stretched
// into `dest` of the client area (the same size for the unscaled corners).
struct BackgroundPiece {
  SkinRect dest;
  SkinRect source;
};

// The eight pieces of a background bitmap bgWidth x bgHeight laid on a client
// area of clientWidth x clientHeight: the four corners unscaled (top-left,
// top-right, bottom-left, bottom-right), then the bottom, top, left and right
// edges stretched from strips a tenth of the bitmap wide or high. The centre
// stays unpainted. Pieces may come out empty or negative in size on a client
// smaller than the bitmap: callers skip those.
constexpr int kBackgroundPieces = 8;
void ComposeBackground(int bgWidth, int bgHeight, int clientWidth, int clientHeight,
                       BackgroundPiece pieces[kBackgroundPieces]);

// A horizontal slider: track width, margins the thumb's centre may not enter,
// the thumb's width and the value range.
struct SliderGeometry {
  int width = 0;
  int leftMargin = 0;
  int rightMargin = 0;
  int thumbWidth = 0;
  int min = 0;
  int max = 100;
};

// Pixels over which the thumb's left edge travels: width - margins - thumb.
int SliderUsableLength(const SliderGeometry& g);
// The thumb's centre for a value. A range that is not positive uses the value
// minus min unscaled; a usable length of 0 or less puts the thumb at the start.
int SliderThumbCentre(const SliderGeometry& g, int position);
// The pointer's x (already less the drag offset) clamped to where the centre
// may go.
int SliderClampPixel(const SliderGeometry& g, int x);
// The value for a centre pixel x (clamped first), clamped to [min, max]. A
// range or usable length that is not positive gives min.
int SliderPositionAtPixel(const SliderGeometry& g, int x);

enum class SliderKey { kPageUp, kPageDown, kHome, kEnd, kIncrement, kDecrement };
// The value after a key: page keys step by pageStep, Home and End go to the
// ends, the arrows by one; always clamped to [min, max].
int SliderKeyPosition(SliderKey key, int position, int min, int max, int pageStep);

// The frames of a button strip: 0 normal, 1 pressed or checked, 2 pointer
// over, 3 disabled, 4 the mask (only in a strip of five).
enum ButtonFrame {
  kFrameNormal = 0,
  kFramePressed = 1,
  kFrameHover = 2,
  kFrameDisabled = 3,
  kFrameMask = 4
};
struct FrameSize {
  int width = 0, height = 0;
};
// A strip with a mask frame holds five frames side by side, else four.
FrameSize ButtonFrameSize(int stripWidth, int stripHeight, bool hasMask);
SkinRect ButtonFrameRect(FrameSize size, int frame);
// Which frame a button shows.
int ButtonFrameFor(bool enabled, bool pressedOrChecked, bool hovering);

// The status line's picture strip: 16 x 16 play-state icons in column 0, a
// 102 x 16 connection picture per connection state from x 16, 24 x 16 channel
// indicators from x 128 and a 21 x 16 audio picture at x 356, rows of 16.
constexpr int kStatusRowHeight = 16;
constexpr int kStatusStateIconSize = 16;
constexpr int kStatusConnectionX = 16;
constexpr int kStatusConnectionWidth = 102;
constexpr int kStatusChannelX = 128;
constexpr int kStatusChannelWidth = 24;
constexpr int kStatusAudioX = 356;
constexpr int kStatusAudioWidth = 21;
constexpr int kStatusConnectionStates = 7;  // 0..6
// The strip is wide enough for 16 channel indicators and seven rows high (one
// per connection state).
constexpr int kStatusStripWidth = kStatusChannelX + 16 * kStatusChannelWidth;
constexpr int kStatusStripHeight = kStatusConnectionStates * kStatusRowHeight;

// The strip row of a play state's icon: 2 and 4 -> 16, 3 and 5 -> 32, 6 -> 48,
// 7 -> 80, 0 and 1 -> 64, anything else -> 0.
int StatusStateIconRow(int playState);
SkinRect StatusStateIconSource(int playState);
// The connection picture of connection state 0..6 (other values: row 0).
SkinRect StatusConnectionSource(int connectionState);
// Channel indicator of the 0-based channel, lit (row 16) when logged in
// (connection state 3), and where the status line draws it.
SkinRect StatusChannelSource(int channel, int connectionState);
SkinRect StatusChannelDest(int channel);
SkinRect StatusAudioSource(int connectionState);
SkinRect StatusAudioDest();

}  // namespace marlow::viewer
