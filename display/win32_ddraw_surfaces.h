// The display's drawing surfaces: the DirectDraw object, the clipper bound to
// the display window and the four surfaces (primary, back, video, caption),
// each remembered with its size, row pitch and pixel format code.
//
// Not thread-safe: VideoDisplay calls it under its lock only.
#pragma once

#include <windows.h>
// windows.h first: the interface header needs its types.
#include <ddraw.h>

#include <string>

#include "display/display_layout.h"

namespace marlow {

// Raw pixel written into every fresh or restored offscreen surface: the
// colour RGB(10, 10, 10) as 0x00RRGGBB, used as it is for every pixel format
// (dark grey on 24/32-bit surfaces, its low 16 bits on 16-bit ones).
constexpr uint32_t kSurfaceFillValue = 0x000A0A0A;
constexpr int kVideoSurfaceWidth = 640;
constexpr int kVideoSurfaceHeight = 272;

constexpr char kFailedVideoSurface[] = "Failed to create video surface.";
constexpr char kFailedBackSurface[] = "Failed to create back surface.";
constexpr char kFailedCaptionSurface[] = "Failed to create osd surface.";
constexpr char kFailedChannelSurface[] = "Failed to create channel surface.";
constexpr char kPaletteModeError[] = "Not support palette mode.";
constexpr char kUnknownFormatError[] = "Unknown pixel format";
constexpr char kSurfaceFormatError[] = "Unkown pixel format.";
constexpr char kHardwareCheckText[] = "Your graphic card does not fully support DirectDraw.";
constexpr char kHardwareCheckCaption[] = "Display error";

struct DrawSurface {
  IDirectDrawSurface7* surface = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  int format = 0;  // surface pixel format code 1-5, 0 unknown
};

class DirectDrawSurfaces {
 public:
  DirectDrawSurfaces() = default;
  ~DirectDrawSurfaces();
  DirectDrawSurfaces(const DirectDrawSurfaces&) = delete;
  DirectDrawSurfaces& operator=(const DirectDrawSurfaces&) = delete;

  // Creates the interface-7 object and queries its capabilities. 0 when
  // either fails: the display is then GDI-only for its lifetime.
  int CreateObject();
  bool HasObject() const { return object_ != nullptr; }

  // Sets the display up for `window` with a back surface of the given size:
  // cooperative level, primary and clipper, pixel-format checks, the
  // once-per-process hardware check, then the video, back and caption
  // surfaces. Returns 1, or 0 with the failure's text in *error (empty when
  // the hardware check failed, which reports through a notice).
  int Initialize(HWND window, int backWidth, int backHeight, std::string* error);

  void ReleaseAll();
  void ReleaseVideo();
  // Primary, back and caption surfaces all exist.
  bool Complete() const;
  const DrawSurface& Back() const { return back_; }
  const DrawSurface& Video() const { return video_; }

  // Makes the video surface width x height (re-creating it when it differs).
  // 0 with *error set when it cannot be made.
  int EnsureVideo(int width, int height, const char* failText, std::string* error);
  // Converts a planar picture into the video surface (lock, convert,
  // unlock): the bands of 16 rows set in `bands` only (see
  // ConvertPictureBands; scratch as it needs). 0 when locking or converting
  // fails.
  int ConvertIntoVideo(const uint8_t* planes, int width, int height, uint32_t bands,
                       uint8_t* scratch);
  // The channel whose picture the video surface holds, every row current;
  // -1 when none (a fresh surface). The display keeps it up to date.
  int VideoChannel() const { return videoChannel_; }
  void SetVideoChannel(int channel) { videoChannel_ = channel; }
  // Stretches the whole video surface onto the back surface at `pane`.
  // An empty pane draws nothing and succeeds.
  int BlitVideoToBack(const PaneRect& pane);
  // Fills the whole back surface with a raw pixel value.
  int FillBack(uint32_t value);
  // A device context on the back surface (nullptr on failure); hand it back
  // with ReleaseBackDC.
  HDC BackDC();
  void ReleaseBackDC(HDC dc);
  // Clears the caption surface to the transparent colour 0 and returns a
  // device context on it for text drawing (nullptr on failure).
  HDC BeginCaption();
  // Hands the context back and blits the bar-sized top-left region of the
  // caption surface onto the back surface at `bar` with the source colour
  // key, so that only the drawn text shows.
  int EndCaption(HDC dc, const PaneRect& bar);
  // Copies the back surface onto the primary at the window's client area.
  int Present(HWND window);
  // Restores a lost primary or back surface (filled with the fill value) or
  // a lost caption surface (filled with 0).
  void RestoreLost();

 private:
  int CreateOffscreen(int width, int height, uint32_t fill, DrawSurface* out, HRESULT* result);
  void Release(DrawSurface* s);

  HMODULE library_ = nullptr;
  IDirectDraw7* object_ = nullptr;
  IDirectDrawClipper* clipper_ = nullptr;
  DrawSurface primary_;
  DrawSurface back_;
  DrawSurface video_;
  int videoChannel_ = -1;
  DrawSurface caption_;
  // The primary's pixel format, for every offscreen surface.
  DDPIXELFORMAT primaryFormat_ = {};
};

// For tests: whether this process already ran the hardware check.
bool DirectDrawHardwareChecked();

}  // namespace marlow
