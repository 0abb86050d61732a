#include "display/win32_video_display.h"

#include <cstring>
#include <new>

#include "display/pixel_convert.h"
#include "platform/notice.h"

namespace marlow {

struct VideoDisplay::Channel {
  uint8_t* picture = nullptr;  // kDisplayPictureBytes of planes
  int width = 640;
  int height = 224;
  bool hasPicture = false;
  // The next picture is taken whole: the stored one may differ from the one
  // last offered for the channel outside the bands it is said to change.
  bool takeWhole = true;
  TimeRecord time = {};
};

namespace {

constexpr int kRgbBufferBytes = 640 * 272 * 3;

HINSTANCE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&OwnModule), &module);
  return module;
}

bool RegisterDisplayClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kVideoDisplayClass, &existing)) return true;
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof(wc));
  // Double clicks switch between one pane and the grid.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // every pixel is drawn by the display
  wc.lpszClassName = kVideoDisplayClass;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool AcceptedSize(int width, int height) {
  return (width == 320 || width == 640) &&
         (height == 112 || height == 136 || height == 224 || height == 272);
}

HFONT MakeFont(int height, int width, int weight, int italic, const char* face) {
  return CreateFontA(height, width, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

// The caption's text with its 1-pixel outline: eight passes in the outline
// colour around the position, then one in the text colour.
void PaintCaptionText(HDC dc, int x, int y, const char* text, HFONT font, COLORREF textColour,
                      COLORREF outlineColour) {
  const int length = static_cast<int>(std::strlen(text));
  HGDIOBJ oldFont = SelectObject(dc, font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, outlineColour);
  for (const CaptionOffset& offset : kCaptionOutlineOffsets) {
    TextOutA(dc, x + offset.dx, y + offset.dy, text, length);
  }
  SetTextColor(dc, textColour);
  TextOutA(dc, x, y, text, length);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

}  // namespace

VideoDisplay::VideoDisplay() {
  InitializeCriticalSection(&lock_);
  channels_ = new (std::nothrow) Channel[kMaxDisplayChannels];
  if (channels_ != nullptr) {
    for (int i = 0; i < kMaxDisplayChannels; ++i) {
      uint8_t* buffer = new (std::nothrow) uint8_t[kDisplayPictureBytes];
      if (buffer == nullptr) {
        platform::ShowNotice(kPictureBufferFailed);
        break;
      }
      // A black picture: Y = 0, Cb = Cr = 128.
      std::memset(buffer, 0, 640 * 272);
      std::memset(buffer + 640 * 272, 128, kDisplayPictureBytes - 640 * 272);
      channels_[i].picture = buffer;
    }
  } else {
    platform::ShowNotice(kPictureBufferFailed);
  }
  rgb_ = new (std::nothrow) uint8_t[kRgbBufferBytes];
  scratch_ = new (std::nothrow) uint8_t[ConvertBandsScratchBytes(640)];
  dibHeader_.biSize = sizeof(BITMAPINFOHEADER);
  dibHeader_.biPlanes = 1;
  dibHeader_.biBitCount = 24;
  dibHeader_.biCompression = BI_RGB;
  font_ = MakeFont(16, 0, 500, 0, "Verdana");
  surfaces_.CreateObject();
}

VideoDisplay::~VideoDisplay() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
  {
    Lock hold(&lock_);
    surfaces_.ReleaseAll();
    if (channels_ != nullptr) {
      for (int i = 0; i < kMaxDisplayChannels; ++i) delete[] channels_[i].picture;
      delete[] channels_;
      channels_ = nullptr;
    }
    delete[] rgb_;
    rgb_ = nullptr;
    delete[] scratch_;
    scratch_ = nullptr;
    if (logo_ != nullptr) DeleteObject(logo_);
    if (font_ != nullptr) DeleteObject(font_);
  }
  DeleteCriticalSection(&lock_);
}

int VideoDisplay::Create(HWND parent, int x, int y, int width, int height, int controlId,
                         HINSTANCE module) {
  if (window_ != nullptr) return 0;
  module_ = module != nullptr ? module : OwnModule();
  HINSTANCE classModule = OwnModule();
  if (!RegisterDisplayClass(classModule, &VideoDisplay::WindowProc)) return 0;
  HWND created = CreateWindowExA(
      0, kVideoDisplayClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, x, y,
      width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), classModule,
      this);
  return created != nullptr ? 1 : 0;
}

LRESULT CALLBACK VideoDisplay::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    VideoDisplay* self = static_cast<VideoDisplay*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  VideoDisplay* self = reinterpret_cast<VideoDisplay*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    Lock hold(&self->lock_);
    self->window_ = nullptr;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT VideoDisplay::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      Lock hold(&lock_);
      UpdateArea();
      InitializeDirectDraw();
      UpdateArea();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window_, &paint);
      {
        Lock hold(&lock_);
        if (directDrawActive_) {
          surfaces_.RestoreLost();
          surfaces_.Present(window_);
        } else {
          RedrawLocked();
        }
      }
      EndPaint(window_, &paint);
      return 0;
    }
    case WM_SIZE: {
      if (LOWORD(lParam) != 0 && HIWORD(lParam) != 0) {
        Lock hold(&lock_);
        ApplyLayout();
      }
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      DefWindowProcA(window_, message, wParam, lParam);
      const int x = static_cast<short>(LOWORD(lParam));
      const int y = static_cast<short>(HIWORD(lParam));
      Lock hold(&lock_);
      if (layout_.DoubleClick(x, y)) ApplyLayout();
      return 0;
    }
    case WM_DESTROY: {
      Lock hold(&lock_);
      surfaces_.ReleaseAll();
      directDrawActive_ = false;
      return 0;
    }
    default:
      return DefWindowProcA(window_, message, wParam, lParam);
  }
}

// The drawing area: the back surface while DirectDraw draws, else the
// client area.
void VideoDisplay::UpdateArea() {
  if (directDrawActive_) {
    layout_.SetArea(surfaces_.Back().width, surfaces_.Back().height);
    return;
  }
  RECT client = {0, 0, 0, 0};
  if (window_ != nullptr) GetClientRect(window_, &client);
  layout_.SetArea(client.right, client.bottom);
}

void VideoDisplay::InitializeDirectDraw() {
  if (!surfaces_.HasObject() || !directDrawOption_) {
    directDrawActive_ = false;
    return;
  }
  // After a failed set-up the display stays with GDI until the option is
  // switched on again.
  if (!directDrawActive_ && !reinitialise_) return;
  if (window_ == nullptr) return;  // WM_CREATE comes back here
  reinitialise_ = false;
  directDrawActive_ = false;
  RECT client = {0, 0, 0, 0};
  GetClientRect(window_, &client);
  std::string error;
  if (surfaces_.Initialize(window_, client.right, client.bottom, &error)) {
    directDrawActive_ = true;
  } else {
    if (!error.empty()) lastError_ = error;
    surfaces_.ReleaseAll();
  }
}

void VideoDisplay::ApplyLayout() {
  UpdateArea();
  InitializeDirectDraw();
  UpdateArea();
  RedrawLocked();
}

int VideoDisplay::Show(int channel, const TimeRecord& time, const uint8_t* planes, int width,
                       int height, uint32_t changedBands) {
  Lock hold(&lock_);
  if (channel < 0 || channel >= layout_.ChannelCount() || !AcceptedSize(width, height) ||
      planes == nullptr || channels_ == nullptr || channels_[channel].picture == nullptr) {
    // A picture not taken: the next one of the channel cannot rely on it.
    if (channels_ != nullptr && channel >= 0 && channel < kMaxDisplayChannels) {
      channels_[channel].takeWhole = true;
    }
    return 0;
  }
  Channel& c = channels_[channel];
  uint32_t bands = changedBands;
  if (c.takeWhole || !c.hasPicture || c.width != width || c.height != height) bands = kAllBands;
  c.width = width;
  c.height = height;
  CopyPictureBands(c.picture, planes, width, height, bands);
  c.takeWhole = false;
  c.time = time;
  c.hasPicture = true;
  // The conversion targets that held the channel's previous picture hold
  // it only until they are brought up to date below, each on its path; the
  // other one must convert whole when it is used next.
  const bool rgbHeld = rgbChannel_ == channel;
  const bool videoHeld = surfaces_.VideoChannel() == channel;
  if (rgbHeld) rgbChannel_ = -1;
  if (videoHeld) surfaces_.SetVideoChannel(-1);
  if (window_ == nullptr) return 1;  // stored; drawn once the window exists

  if (directDrawActive_) {
    if (!surfaces_.Complete()) {
      surfaces_.ReleaseVideo();
      InitializeDirectDraw();
      return 0;
    }
    if (!surfaces_.EnsureVideo(width, height, kFailedChannelSurface, &lastError_)) return 0;
    // The video surface is shared by all channels: it holds this one's last
    // picture only when no other was converted into it since.
    const uint32_t convert = videoHeld ? bands : kAllBands;
    if (!surfaces_.ConvertIntoVideo(c.picture, width, height, convert, scratch_)) {
      surfaces_.ReleaseVideo();
      return 0;
    }
    surfaces_.SetVideoChannel(channel);
    UpdateArea();
    if (layout_.IsVisible(channel)) {
      if (!surfaces_.BlitVideoToBack(layout_.Pane(channel))) {
        surfaces_.ReleaseVideo();
        return 0;
      }
      DrawCaption(nullptr, channel);
    }
    if (!surfaces_.Present(window_)) {
      surfaces_.ReleaseVideo();
      return 0;
    }
    return 1;
  }

  if (rgb_ == nullptr) return 0;
  if (rgbHeld) rgbChannel_ = channel;
  ConvertRgb(channel, bands);
  UpdateArea();
  if (layout_.IsVisible(channel)) {
    HDC dc = GetDC(window_);
    DrawPictureGdi(dc, channel);
    DrawCaption(dc, channel);
    ReleaseDC(window_, dc);
  }
  return 1;
}

void VideoDisplay::ShowPicture(int channel, const TimeRecord& time, const uint8_t* planes,
                               int width, int height) {
  Show(channel, time, planes, width, height);
}

void VideoDisplay::ShowPictureBands(int channel, const TimeRecord& time, const uint8_t* planes,
                                    int width, int height, uint32_t changedBands) {
  Show(channel, time, planes, width, height, changedBands);
}

// Brings rgb_ to the channel's stored picture; `bands` changed since that
// channel's previous picture. rgb_ is shared by all channels, so it is
// converted whole when it holds another channel's picture.
void VideoDisplay::ConvertRgb(int channel, uint32_t bands) {
  const Channel& c = channels_[channel];
  if (rgbChannel_ != channel) bands = kAllBands;
  rgbChannel_ = -1;
  if (ConvertPictureBands(PixelFormat::Bgr24BottomUp, rgb_, c.width * 3, c.picture, c.width,
                          c.height, bands, scratch_)) {
    rgbChannel_ = channel;
  }
}

// Draws the RGB buffer (holding the channel's picture) stretched to its pane.
int VideoDisplay::DrawPictureGdi(HDC dc, int channel) {
  const PaneRect pane = layout_.Pane(channel);
  if (pane.Width() <= 0 || pane.Height() <= 0) return 1;
  const Channel& c = channels_[channel];
  dibHeader_.biWidth = c.width;
  dibHeader_.biHeight = c.height;  // positive: bottom-up rows
  dibHeader_.biSizeImage = static_cast<DWORD>(c.width * 3 * c.height);
  SetStretchBltMode(dc, COLORONCOLOR);
  return StretchDIBits(dc, pane.left, pane.top, pane.Width(), pane.Height(), 0, 0, c.width,
                       c.height, rgb_, reinterpret_cast<const BITMAPINFO*>(&dibHeader_),
                       DIB_RGB_COLORS, SRCCOPY) != 0;
}

int VideoDisplay::DrawPictureDirectDraw(int channel) {
  const Channel& c = channels_[channel];
  if (!surfaces_.EnsureVideo(c.width, c.height, kFailedChannelSurface, &lastError_)) return 0;
  // A surface that still holds the channel's picture needs no conversion.
  const uint32_t bands = surfaces_.VideoChannel() == channel ? 0 : kAllBands;
  if (!surfaces_.ConvertIntoVideo(c.picture, c.width, c.height, bands, scratch_)) return 0;
  surfaces_.SetVideoChannel(channel);
  return surfaces_.BlitVideoToBack(layout_.Pane(channel));
}

void VideoDisplay::DrawLogoGdi(HDC dc, const PaneRect& pane) {
  if (pane.Width() <= 0 || pane.Height() <= 0) return;
  RECT r = {pane.left, pane.top, pane.right, pane.bottom};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (logo_ == nullptr) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, logo_);
  const LogoPlace at = LogoOrigin(pane, logoWidth_, logoHeight_);
  BitBlt(dc, at.x, at.y, logoWidth_, logoHeight_, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void VideoDisplay::DrawLogoDirectDraw(const PaneRect& pane) {
  if (logo_ == nullptr || pane.Width() <= 0 || pane.Height() <= 0) return;
  HDC dc = surfaces_.BackDC();
  if (dc == nullptr) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, logo_);
  const LogoPlace at = LogoOrigin(pane, logoWidth_, logoHeight_);
  BitBlt(dc, at.x, at.y, logoWidth_, logoHeight_, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  surfaces_.ReleaseBackDC(dc);
}

// windowDc: the window's device context on the GDI path, ignored when
// DirectDraw draws (the caption then goes through the caption surface).
void VideoDisplay::DrawCaption(HDC windowDc, int channel) {
  char text[kMaxCaptionText + 1];
  caption_.Text(channel, channels_[channel].time, text, sizeof(text));
  if (!caption_.DrawsText(text)) return;
  const PaneRect bar = caption_.Bar(layout_.Pane(channel));
  if (bar.Width() <= 0 || bar.Height() <= 0) return;
  if (directDrawActive_) {
    HDC dc = surfaces_.BeginCaption();
    if (dc == nullptr) return;
    PaintCaptionText(dc, kCaptionTextLeft, kCaptionTextTop, text, font_, caption_.TextColour(),
                     caption_.OutlineColour());
    surfaces_.EndCaption(dc, bar);
    return;
  }
  if (windowDc == nullptr) return;
  PaintCaptionText(windowDc, bar.left + kCaptionTextLeft, bar.top + kCaptionTextTop, text, font_,
                   caption_.TextColour(), caption_.OutlineColour());
}

// Grid cells of the page that hold no channel, and the strips that the
// integer pane size leaves at the right and bottom, would otherwise keep
// whatever the window showed before (another page's pictures): they are
// painted black. The back surface needs no such care, being refilled at
// every layout change.
void VideoDisplay::BlankOutsidePanes(HDC dc) {
  RECT client = {0, 0, 0, 0};
  GetClientRect(window_, &client);
  const int saved = SaveDC(dc);
  for (int channel = 0; channel < layout_.ChannelCount(); ++channel) {
    if (!layout_.IsVisible(channel)) continue;
    const PaneRect pane = layout_.Pane(channel);
    ExcludeClipRect(dc, pane.left, pane.top, pane.right, pane.bottom);
  }
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RestoreDC(dc, saved);
}

int VideoDisplay::Redraw() {
  Lock hold(&lock_);
  return RedrawLocked();
}

int VideoDisplay::RedrawLocked() {
  if (window_ == nullptr || !IsWindow(window_) || channels_ == nullptr) return 0;
  if (directDrawActive_ && !surfaces_.Complete()) InitializeDirectDraw();
  if (directDrawActive_ && !surfaces_.EnsureVideo(640, 224, kFailedVideoSurface, &lastError_)) {
    directDrawActive_ = false;
  }
  UpdateArea();
  HDC dc = directDrawActive_ ? nullptr : GetDC(window_);
  if (dc != nullptr) BlankOutsidePanes(dc);
  bool backCleared = false;
  for (int channel = 0; channel < layout_.ChannelCount(); ++channel) {
    if (!layout_.IsVisible(channel)) continue;
    const Channel& c = channels_[channel];
    const PaneRect pane = layout_.Pane(channel);
    if (c.hasPicture && c.picture != nullptr) {
      if (directDrawActive_) {
        DrawPictureDirectDraw(channel);
      } else if (rgb_ != nullptr) {
        ConvertRgb(channel, 0);  // nothing changed since it was shown
        DrawPictureGdi(dc, channel);
      }
    } else if (directDrawActive_) {
      if (clearPending_ && !backCleared) {
        surfaces_.FillBack(0);
        backCleared = true;
      }
      DrawLogoDirectDraw(pane);
    } else {
      DrawLogoGdi(dc, pane);
    }
    DrawCaption(dc, channel);
  }
  if (directDrawActive_) {
    surfaces_.Present(window_);
  } else {
    ReleaseDC(window_, dc);
  }
  return 1;
}

void VideoDisplay::SetChannelCount(int count) {
  Lock hold(&lock_);
  layout_.SetChannelCount(count);
}

int VideoDisplay::SelectLayout(int splitMode, int page) {
  Lock hold(&lock_);
  if (!layout_.SelectLayout(splitMode, page)) return 0;
  ApplyLayout();
  return 1;
}

int VideoDisplay::SingleChannel() const {
  Lock hold(&lock_);
  return layout_.SplitMode() == 1 ? layout_.Page() : -1;
}

int VideoDisplay::SplitMode() const {
  Lock hold(&lock_);
  return layout_.SplitMode();
}

int VideoDisplay::Page() const {
  Lock hold(&lock_);
  return layout_.Page();
}

int VideoDisplay::ChannelCount() const {
  Lock hold(&lock_);
  return layout_.ChannelCount();
}

PaneRect VideoDisplay::Pane(int channel) const {
  Lock hold(&lock_);
  return layout_.Pane(channel);
}

bool VideoDisplay::IsVisible(int channel) const {
  Lock hold(&lock_);
  return layout_.IsVisible(channel);
}

void VideoDisplay::SetDirectDraw(int on) {
  Lock hold(&lock_);
  directDrawOption_ = on != 0;
  if (directDrawOption_) {
    reinitialise_ = true;
    InitializeDirectDraw();
  } else {
    surfaces_.ReleaseAll();
    directDrawActive_ = false;
  }
  UpdateArea();
  if (window_ != nullptr) RedrawLocked();
}

int VideoDisplay::DirectDrawOption() const {
  Lock hold(&lock_);
  return directDrawOption_ ? 1 : 0;
}

int VideoDisplay::DirectDrawActive() const {
  Lock hold(&lock_);
  return directDrawActive_ ? 1 : 0;
}

void VideoDisplay::SetShowTime(int on) {
  Lock hold(&lock_);
  caption_.SetShowTime(on != 0);
}

int VideoDisplay::ShowTime() const {
  Lock hold(&lock_);
  return caption_.ShowTime() ? 1 : 0;
}

void VideoDisplay::SetCaptionEnabled(int on) {
  Lock hold(&lock_);
  caption_.SetEnabled(on != 0);
}

int VideoDisplay::CaptionEnabled() const {
  Lock hold(&lock_);
  return caption_.Enabled() ? 1 : 0;
}

void VideoDisplay::SetCaptionPosition(int position) {
  Lock hold(&lock_);
  caption_.SetPosition(position == 1 ? CaptionPosition::Bottom : CaptionPosition::Top);
}

void VideoDisplay::SetTimeFormat(const char* format) {
  Lock hold(&lock_);
  caption_.SetTimeFormat(format);
}

std::string VideoDisplay::TimeFormat() const {
  Lock hold(&lock_);
  return caption_.TimeFormat();
}

void VideoDisplay::SetCaptionTextColour(uint32_t colour) {
  Lock hold(&lock_);
  caption_.SetTextColour(colour);
}

void VideoDisplay::SetCaptionOutlineColour(uint32_t colour) {
  Lock hold(&lock_);
  caption_.SetOutlineColour(colour);
}

void VideoDisplay::SetCaptionFont(int height, int width, int weight, int italic,
                                  const char* faceName) {
  HFONT font = MakeFont(height, width, weight, italic, faceName != nullptr ? faceName : "");
  if (font == nullptr) return;
  Lock hold(&lock_);
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

void VideoDisplay::ReplaceLogo(HBITMAP bitmap) {
  BITMAP info;
  std::memset(&info, 0, sizeof(info));
  GetObjectA(bitmap, sizeof(info), &info);
  Lock hold(&lock_);
  if (logo_ != nullptr) DeleteObject(logo_);
  logo_ = bitmap;
  logoWidth_ = info.bmWidth;
  logoHeight_ = info.bmHeight;
  RedrawLocked();
}

int VideoDisplay::LoadLogo(int resourceId) {
  HINSTANCE module = module_ != nullptr ? module_ : OwnModule();
  HANDLE image =
      LoadImageA(module, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (image == nullptr) return 0;
  ReplaceLogo(static_cast<HBITMAP>(image));
  return 1;
}

int VideoDisplay::LoadLogoFile(const char* path) {
  if (path == nullptr) return 0;
  HANDLE image =
      LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (image == nullptr) return 0;
  ReplaceLogo(static_cast<HBITMAP>(image));
  return 1;
}

int VideoDisplay::LogoWidth() const {
  Lock hold(&lock_);
  return logoWidth_;
}

int VideoDisplay::LogoHeight() const {
  Lock hold(&lock_);
  return logoHeight_;
}

void VideoDisplay::ClearPictures() {
  Lock hold(&lock_);
  if (channels_ != nullptr) {
    for (int i = 0; i < kMaxDisplayChannels; ++i) channels_[i].hasPicture = false;
  }
  clearPending_ = true;
  RedrawLocked();
  clearPending_ = false;
}

std::string VideoDisplay::LastError() const {
  Lock hold(&lock_);
  return lastError_;
}

}  // namespace marlow
