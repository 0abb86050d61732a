#include "display/win32_ddraw_surfaces.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "display/pixel_convert.h"
#include "display/pixel_format.h"
#include "display/win32_ddraw_errors.h"
#include "platform/notice.h"

namespace marlow {
namespace {

// The hardware check runs once per process, whichever display gets there
// first; it counts as done once its two surfaces were made. Its result is
// process-wide on purpose (the adapter is the same for every display of the
// process), so two displays in one process share it; the lock keeps two
// displays that initialise at once from checking twice.
std::mutex gCheckLock;
std::atomic<bool> gHardwareChecked{false};

RECT ToRect(const PaneRect& r) {
  RECT out = {r.left, r.top, r.right, r.bottom};
  return out;
}

int ColourFill(IDirectDrawSurface7* surface, uint32_t value) {
  DDBLTFX fx;
  std::memset(&fx, 0, sizeof(fx));
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = value;
  return surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx) == DD_OK;
}

void RestoreIfLost(IDirectDrawSurface7* surface, uint32_t fill) {
  if (surface == nullptr || surface->IsLost() != DDERR_SURFACELOST) return;
  if (surface->Restore() == DD_OK) ColourFill(surface, fill);
}

// Whether the 64 x 64 pixels of two locked surfaces agree in their colour
// bits. The unused bits of a pixel (the top byte of a 32-bit pixel, the top
// bit of a 15-bit one) and the bytes past each row's pixels carry no colour:
// some drivers set them on a blit while GDI clears them, so comparing them
// would fail good hardware.
bool SameColours(const DDSURFACEDESC2& a, const DDSURFACEDESC2& b, const DDPIXELFORMAT& format) {
  const int bytes = format.dwRGBBitCount == 15 ? 2 : static_cast<int>(format.dwRGBBitCount / 8);
  const uint32_t mask = format.dwRBitMask | format.dwGBitMask | format.dwBBitMask;
  if (bytes < 2 || bytes > 4 || a.lPitch < 64 * bytes || b.lPitch < 64 * bytes) return false;
  for (int y = 0; y < 64; ++y) {
    const uint8_t* pa =
        static_cast<const uint8_t*>(a.lpSurface) + static_cast<size_t>(y) * a.lPitch;
    const uint8_t* pb =
        static_cast<const uint8_t*>(b.lpSurface) + static_cast<size_t>(y) * b.lPitch;
    for (int x = 0; x < 64 * bytes; x += bytes) {
      uint32_t va = 0;
      uint32_t vb = 0;
      for (int i = 0; i < bytes; ++i) {
        va |= static_cast<uint32_t>(pa[x + i]) << (8 * i);
        vb |= static_cast<uint32_t>(pb[x + i]) << (8 * i);
      }
      if (((va ^ vb) & mask) != 0) return false;
    }
  }
  return true;
}

}  // namespace

bool DirectDrawHardwareChecked() {
  return gHardwareChecked.load();
}

DirectDrawSurfaces::~DirectDrawSurfaces() {
  ReleaseAll();
  if (object_ != nullptr) object_->Release();
  if (library_ != nullptr) FreeLibrary(library_);
}

int DirectDrawSurfaces::CreateObject() {
  if (object_ != nullptr) return 1;
  // The library is loaded on first use: without it the display simply
  // draws with GDI, and nothing of it is loaded for GDI-only displays.
  if (library_ == nullptr) library_ = LoadLibraryA("ddraw.dll");
  if (library_ == nullptr) return 0;
  using CreateFunction = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);
  const CreateFunction create = reinterpret_cast<CreateFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(library_, "DirectDrawCreateEx")));
  void* created = nullptr;
  if (create == nullptr || create(nullptr, &created, IID_IDirectDraw7, nullptr) != DD_OK ||
      created == nullptr) {
    return 0;
  }
  IDirectDraw7* dd = static_cast<IDirectDraw7*>(created);
  DDCAPS driverCaps;
  DDCAPS emulationCaps;
  std::memset(&driverCaps, 0, sizeof(driverCaps));
  std::memset(&emulationCaps, 0, sizeof(emulationCaps));
  driverCaps.dwSize = sizeof(driverCaps);
  emulationCaps.dwSize = sizeof(emulationCaps);
  if (dd->GetCaps(&driverCaps, &emulationCaps) != DD_OK) {
    dd->Release();
    return 0;
  }
  object_ = dd;
  return 1;
}

void DirectDrawSurfaces::Release(DrawSurface* s) {
  if (s->surface != nullptr) s->surface->Release();
  *s = DrawSurface();
  if (s == &video_) videoChannel_ = -1;
}

void DirectDrawSurfaces::ReleaseVideo() {
  Release(&video_);
}

void DirectDrawSurfaces::ReleaseAll() {
  Release(&caption_);
  Release(&video_);
  Release(&back_);
  if (primary_.surface != nullptr) primary_.surface->SetClipper(nullptr);
  Release(&primary_);
  if (clipper_ != nullptr) clipper_->Release();
  clipper_ = nullptr;
}

bool DirectDrawSurfaces::Complete() const {
  return primary_.surface != nullptr && back_.surface != nullptr && caption_.surface != nullptr;
}

int DirectDrawSurfaces::CreateOffscreen(int width, int height, uint32_t fill, DrawSurface* out,
                                        HRESULT* result) {
  Release(out);
  *result = DD_OK;
  const int code = SurfaceFormatCode(primaryFormat_.dwRGBBitCount, primaryFormat_.dwRBitMask);
  if (code == 0) return -1;  // the caller reports the pixel format
  if (width <= 0 || height <= 0) {
    *result = DDERR_INVALIDPARAMS;
    return 0;
  }
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  desc.ddpfPixelFormat = primaryFormat_;
  IDirectDrawSurface7* surface = nullptr;
  *result = object_->CreateSurface(&desc, &surface, nullptr);
  if (*result != DD_OK || surface == nullptr) return 0;
  DDCOLORKEY key = {0, 0};
  surface->SetColorKey(DDCKEY_SRCBLT, &key);
  ColourFill(surface, fill);
  DDSURFACEDESC2 got;
  std::memset(&got, 0, sizeof(got));
  got.dwSize = sizeof(got);
  surface->GetSurfaceDesc(&got);
  out->surface = surface;
  out->width = width;
  out->height = height;
  out->pitch = static_cast<int>(got.lPitch);
  out->format = code;
  return 1;
}

int DirectDrawSurfaces::Initialize(HWND window, int backWidth, int backHeight, std::string* error) {
  error->clear();
  if (object_ == nullptr) return 0;
  ReleaseAll();
  HRESULT hr = object_->SetCooperativeLevel(window, DDSCL_NORMAL);
  if (hr != DD_OK) {
    *error = DirectDrawResultText(hr);
    return 0;
  }
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  hr = object_->CreateSurface(&desc, &primary_.surface, nullptr);
  if (hr != DD_OK) {
    primary_.surface = nullptr;
    *error = DirectDrawResultText(hr);
    return 0;
  }
  hr = object_->CreateClipper(0, &clipper_, nullptr);
  if (hr == DD_OK) hr = clipper_->SetHWnd(0, window);
  if (hr == DD_OK) hr = primary_.surface->SetClipper(clipper_);
  if (hr != DD_OK) {
    *error = DirectDrawResultText(hr);
    ReleaseAll();
    return 0;
  }
  DDSURFACEDESC2 mode;
  std::memset(&mode, 0, sizeof(mode));
  mode.dwSize = sizeof(mode);
  hr = object_->GetDisplayMode(&mode);
  if (hr == DD_OK) {
    std::memset(&primaryFormat_, 0, sizeof(primaryFormat_));
    primaryFormat_.dwSize = sizeof(primaryFormat_);
    hr = primary_.surface->GetPixelFormat(&primaryFormat_);
  }
  if (hr != DD_OK) {
    *error = DirectDrawResultText(hr);
    ReleaseAll();
    return 0;
  }
  if ((primaryFormat_.dwFlags & (DDPF_PALETTEINDEXED1 | DDPF_PALETTEINDEXED2 |
                                 DDPF_PALETTEINDEXED4 | DDPF_PALETTEINDEXED8)) != 0 ||
      (primaryFormat_.dwFlags & DDPF_RGB) == 0) {
    *error = kPaletteModeError;
    ReleaseAll();
    return 0;
  }
  const int code = SurfaceFormatCode(primaryFormat_.dwRGBBitCount, primaryFormat_.dwRBitMask);
  if (code == 0) {
    *error = kUnknownFormatError;
    ReleaseAll();
    return 0;
  }
  primary_.format = code;
  primary_.width = static_cast<int>(mode.dwWidth);
  primary_.height = static_cast<int>(mode.dwHeight);
  primary_.pitch = static_cast<int>(mode.lPitch);

  // The hardware check: two 64 x 64 surfaces, two squares drawn through a
  // device context into the first, one blit, and the bytes must agree.
  {
    std::lock_guard<std::mutex> hold(gCheckLock);
    if (!gHardwareChecked.load()) {
      DrawSurface first;
      DrawSurface second;
      HRESULT r1 = DD_OK;
      HRESULT r2 = DD_OK;
      const bool made = CreateOffscreen(64, 64, kSurfaceFillValue, &first, &r1) == 1 &&
                        CreateOffscreen(64, 64, kSurfaceFillValue, &second, &r2) == 1;
      bool same = false;
      if (made) {
        gHardwareChecked.store(true);
        HDC dc = nullptr;
        if (first.surface->GetDC(&dc) == DD_OK) {
          HBRUSH brush = CreateSolidBrush(RGB(254, 254, 254));
          RECT a = {0, 0, 32, 32};
          RECT b = {32, 32, 64, 64};
          FillRect(dc, &a, brush);
          FillRect(dc, &b, brush);
          DeleteObject(brush);
          first.surface->ReleaseDC(dc);
        }
        if (second.surface->Blt(nullptr, first.surface, nullptr, DDBLT_WAIT, nullptr) == DD_OK) {
          DDSURFACEDESC2 la;
          DDSURFACEDESC2 lb;
          std::memset(&la, 0, sizeof(la));
          std::memset(&lb, 0, sizeof(lb));
          la.dwSize = lb.dwSize = sizeof(DDSURFACEDESC2);
          if (first.surface->Lock(nullptr, &la, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) == DD_OK) {
            if (second.surface->Lock(nullptr, &lb, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) ==
                DD_OK) {
              same = SameColours(la, lb, primaryFormat_);
              second.surface->Unlock(nullptr);
            }
            first.surface->Unlock(nullptr);
          }
        }
      }
      Release(&first);
      Release(&second);
      if (!made || !same) {
        ReleaseAll();
        platform::ShowNotice(kHardwareCheckText, kHardwareCheckCaption);
        return 0;
      }
    }
  }

  struct Step {
    DrawSurface* surface;
    int width, height;
    uint32_t fill;
    const char* failText;
  };
  const Step steps[] = {
      {&video_, kVideoSurfaceWidth, kVideoSurfaceHeight, kSurfaceFillValue, kFailedVideoSurface},
      {&back_, backWidth, backHeight, kSurfaceFillValue, kFailedBackSurface},
      {&caption_, kVideoSurfaceWidth - 1, kVideoSurfaceHeight - 1, 0, kFailedCaptionSurface},
  };
  for (const Step& step : steps) {
    HRESULT result = DD_OK;
    const int made = CreateOffscreen(step.width, step.height, step.fill, step.surface, &result);
    if (made != 1) {
      *error = made < 0 ? kSurfaceFormatError : step.failText;
      return 0;
    }
  }
  return 1;
}

int DirectDrawSurfaces::EnsureVideo(int width, int height, const char* failText,
                                    std::string* error) {
  if (video_.surface != nullptr && video_.width == width && video_.height == height) return 1;
  HRESULT result = DD_OK;
  videoChannel_ = -1;
  const int made = CreateOffscreen(width, height, kSurfaceFillValue, &video_, &result);
  if (made == 1) return 1;
  *error = made < 0 ? kSurfaceFormatError : failText;
  return 0;
}

int DirectDrawSurfaces::ConvertIntoVideo(const uint8_t* planes, int width, int height,
                                         uint32_t bands, uint8_t* scratch) {
  if (video_.surface == nullptr || video_.width != width || video_.height != height) return 0;
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = sizeof(desc);
  // A partial conversion keeps the other rows: the lock must hand out the
  // surface's own pixels, not write-only memory.
  const DWORD flags = bands == kAllBands ? DDLOCK_WAIT | DDLOCK_WRITEONLY : DDLOCK_WAIT;
  if (video_.surface->Lock(nullptr, &desc, flags, nullptr) != DD_OK) {
    videoChannel_ = -1;
    return 0;
  }
  const int ok = ConvertPictureBands(
      static_cast<PixelFormat>(video_.format), static_cast<uint8_t*>(desc.lpSurface),
      static_cast<int>(desc.lPitch), planes, width, height, bands, scratch);
  video_.surface->Unlock(nullptr);
  if (!ok) videoChannel_ = -1;
  return ok;
}

int DirectDrawSurfaces::BlitVideoToBack(const PaneRect& pane) {
  if (back_.surface == nullptr || video_.surface == nullptr) return 0;
  if (pane.Width() <= 0 || pane.Height() <= 0) return 1;
  RestoreLost();
  RECT dest = ToRect(pane);
  return back_.surface->Blt(&dest, video_.surface, nullptr, DDBLT_WAIT, nullptr) == DD_OK;
}

int DirectDrawSurfaces::FillBack(uint32_t value) {
  if (back_.surface == nullptr) return 0;
  return ColourFill(back_.surface, value);
}

HDC DirectDrawSurfaces::BackDC() {
  HDC dc = nullptr;
  if (back_.surface == nullptr || back_.surface->GetDC(&dc) != DD_OK) return nullptr;
  return dc;
}

void DirectDrawSurfaces::ReleaseBackDC(HDC dc) {
  if (dc != nullptr && back_.surface != nullptr) back_.surface->ReleaseDC(dc);
}

HDC DirectDrawSurfaces::BeginCaption() {
  if (caption_.surface == nullptr) return nullptr;
  RestoreIfLost(caption_.surface, 0);
  ColourFill(caption_.surface, 0);
  HDC dc = nullptr;
  if (caption_.surface->GetDC(&dc) != DD_OK) return nullptr;
  return dc;
}

int DirectDrawSurfaces::EndCaption(HDC dc, const PaneRect& bar) {
  if (caption_.surface == nullptr || back_.surface == nullptr) return 0;
  if (dc != nullptr) caption_.surface->ReleaseDC(dc);
  // The bar is clipped to the back surface (and to the caption surface):
  // a blit with a rectangle outside either fails without drawing.
  RECT dest = ToRect(bar);
  if (dest.left < 0) dest.left = 0;
  if (dest.top < 0) dest.top = 0;
  if (dest.right > back_.width) dest.right = back_.width;
  if (dest.bottom > back_.height) dest.bottom = back_.height;
  RECT source = {dest.left - bar.left, dest.top - bar.top, 0, 0};
  source.right = source.left + (dest.right - dest.left);
  source.bottom = source.top + (dest.bottom - dest.top);
  if (source.right > caption_.width) {
    dest.right -= source.right - caption_.width;
    source.right = caption_.width;
  }
  if (source.bottom > caption_.height) {
    dest.bottom -= source.bottom - caption_.height;
    source.bottom = caption_.height;
  }
  if (dest.right <= dest.left || dest.bottom <= dest.top) return 1;
  return back_.surface->Blt(&dest, caption_.surface, &source, DDBLT_KEYSRC | DDBLT_WAIT, nullptr) ==
         DD_OK;
}

int DirectDrawSurfaces::Present(HWND window) {
  if (primary_.surface == nullptr || back_.surface == nullptr) return 0;
  RestoreLost();
  RECT client;
  GetClientRect(window, &client);
  if (client.right <= 0 || client.bottom <= 0) return 1;
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  RECT dest = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  RECT source = {0, 0, back_.width, back_.height};
  return primary_.surface->Blt(&dest, back_.surface, &source, DDBLT_WAIT, nullptr) == DD_OK;
}

void DirectDrawSurfaces::RestoreLost() {
  RestoreIfLost(primary_.surface, kSurfaceFillValue);
  RestoreIfLost(back_.surface, kSurfaceFillValue);
  RestoreIfLost(caption_.surface, 0);
}

}  // namespace marlow
