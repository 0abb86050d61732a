// VideoDisplay: the child window that shows up to 16 camera channels in a
// grid of 1, 4, 9 or 16 panes, page by page, each pane with a caption bar
// ("CH%d " and the picture's date and time) and a logo while it has no
// picture yet. It keeps the last picture of every channel so that it can
// redraw without the decoder, and draws through DirectDraw when the user
// allows it and the hardware passes a check, through GDI otherwise.
//
// Threads: ShowPicture comes from the engine thread, everything else from
// the window's thread. One critical section serialises all of it, including
// the whole of ShowPicture, Redraw and the paint handling.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "display/display_caption.h"
#include "display/display_layout.h"
#include "display/win32_ddraw_surfaces.h"
#include "engine/media_sinks.h"
#include "recording/time_record.h"

namespace marlow {

// Resource identifier of the display's own logo bitmap (win32_display.rc).
constexpr int kDisplayLogoResource = 7301;
// Bytes of one stored picture: the planes of 640 x 272 at 4:2:0.
constexpr int kDisplayPictureBytes = 261120;
constexpr char kPictureBufferFailed[] = "Yuv Buf Allocation Failed!";
constexpr char kVideoDisplayClass[] = "MarlowVideoDisplay";

class VideoDisplay : public PictureSink {
 public:
  // Defaults: one channel, one pane, show time on, captions off, DirectDraw
  // option off. Allocates the picture buffers (black pictures) and, when it
  // can, the DirectDraw object.
  VideoDisplay();
  ~VideoDisplay() override;
  VideoDisplay(const VideoDisplay&) = delete;
  VideoDisplay& operator=(const VideoDisplay&) = delete;

  // Creates the child window at (x, y, width, height) of `parent`. `module`
  // holds the logo resource (nullptr: the module this code is linked into).
  // Returns 1 or 0.
  int Create(HWND parent, int x, int y, int width, int height, int controlId,
             HINSTANCE module = nullptr);
  HWND Window() const { return window_; }

  // Stores one decoded picture of a channel (0-based) and draws it if the
  // channel is visible. 0 for a channel outside the channel count, a size
  // other than 320/640 x 112/136/224/272, or a drawing failure (the picture
  // is then still stored).
  // changedBands: the bands of 16 rows in which the picture may differ from
  // the one last shown for the channel (see PictureSink); only they are
  // copied and converted when the display still holds that picture.
  int Show(int channel, const TimeRecord& time, const uint8_t* planes, int width, int height,
           uint32_t changedBands = 0xFFFFFFFFu);

  // PictureSink.
  void ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                   int height) override;
  void ShowPictureBands(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                        int height, uint32_t changedBands) override;
  void SetChannelCount(int count) override;
  void SetCaptionEnabled(int on) override;
  void SetDirectDraw(int on) override;
  void ClearPictures() override;
  int SingleChannel() const override;

  // 1, 4, 9 or 16 panes; page -1 is the next page of the current mode.
  // 0 for a mode below 1 or above the channel count.
  int SelectLayout(int splitMode, int page);
  int SplitMode() const;
  int Page() const;
  int ChannelCount() const;
  // The channel's pane in client coordinates and whether it shows.
  PaneRect Pane(int channel) const;
  bool IsVisible(int channel) const;

  int DirectDrawOption() const;
  // DirectDraw surfaces exist and are used.
  int DirectDrawActive() const;
  void SetShowTime(int on);
  int ShowTime() const;
  int CaptionEnabled() const;
  // 0: caption bar at the top of the pane, 1: at the bottom.
  void SetCaptionPosition(int position);
  void SetTimeFormat(const char* format);
  std::string TimeFormat() const;
  // Colours in the window system's 0x00BBGGRR; 0 becomes RGB(5, 5, 5).
  void SetCaptionTextColour(uint32_t colour);
  void SetCaptionOutlineColour(uint32_t colour);
  void SetCaptionFont(int height, int width, int weight, int italic, const char* faceName);

  // Replace the logo from a bitmap resource of the display's module or
  // from a bitmap file, and repaint. 0 when the bitmap cannot be loaded (the
  // old logo stays).
  int LoadLogo(int resourceId);
  int LoadLogoFile(const char* path);
  int LogoWidth() const;
  int LogoHeight() const;

  // Draws all visible panes from the stored pictures. 0 when the window is
  // gone.
  int Redraw();
  std::string LastError() const;

  // Saves what the window shows as a BMP file through the clipboard and
  // leaves the image there. Always 1; a failure leaves the file unwritten.
  int CaptureToFile(const char* path);

 private:
  struct Channel;
  // Holds the display's critical section for a scope.
  class Lock {
   public:
    explicit Lock(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
    ~Lock() { LeaveCriticalSection(section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    CRITICAL_SECTION* section_;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void UpdateArea();
  void InitializeDirectDraw();
  void ApplyLayout();
  void ConvertRgb(int channel, uint32_t bands);
  int DrawPictureGdi(HDC dc, int channel);
  int DrawPictureDirectDraw(int channel);
  void DrawLogoGdi(HDC dc, const PaneRect& pane);
  void DrawLogoDirectDraw(const PaneRect& pane);
  void DrawCaption(HDC windowDc, int channel);
  void BlankOutsidePanes(HDC dc);
  int RedrawLocked();
  void ReplaceLogo(HBITMAP bitmap);

  mutable CRITICAL_SECTION lock_;
  HWND window_ = nullptr;
  HINSTANCE module_ = nullptr;
  DisplayLayout layout_;
  CaptionSettings caption_;
  HFONT font_ = nullptr;
  HBITMAP logo_ = nullptr;
  int logoWidth_ = 0;
  int logoHeight_ = 0;
  std::string lastError_;
  bool clearPending_ = false;
  bool directDrawOption_ = false;
  bool directDrawActive_ = false;
  bool reinitialise_ = true;
  DirectDrawSurfaces surfaces_;
  Channel* channels_ = nullptr;  // kMaxDisplayChannels
  uint8_t* rgb_ = nullptr;       // one picture as Bgr24BottomUp
  int rgbChannel_ = -1;          // whose picture rgb_ holds, every row current
  uint8_t* scratch_ = nullptr;   // for partial conversion, of 640-wide pictures
  BITMAPINFOHEADER dibHeader_ = {};
};

}  // namespace marlow
