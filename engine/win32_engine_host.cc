#include "engine/win32_engine_host.h"

#include "engine/clock.h"

namespace marlow {

void WindowNotifier::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window_ != nullptr) PostMessageA(window_, message, wParam, lParam);
}

EngineHost::EngineHost()
    : engine_(std::make_unique<PlaybackEngine>(display_, sound_, SystemClock())) {}

EngineHost::~EngineHost() {
  Shutdown();
}

int EngineHost::Initialize(HWND parent, int x, int y, int width, int height, int controlId,
                           int variant, int channelCount, HINSTANCE logoModule) {
  if (initialized_ || parent == nullptr) return 0;
  if (!display_.Create(parent, x, y, width, height, controlId, logoModule)) return 0;
  notifier_.SetWindow(parent);
  engine_->Initialize(variant, channelCount);
  initialized_ = true;
  return 1;
}

void EngineHost::Shutdown() {
  // The engine's thread is the only other user of the display and the sound
  // output: stop it before the window goes.
  engine_->Close();
  engine_->Stop();
  notifier_.SetWindow(nullptr);
  if (display_.Window() != nullptr) DestroyWindow(display_.Window());
  initialized_ = false;
}

}  // namespace marlow
