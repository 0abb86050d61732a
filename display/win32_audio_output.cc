// The wave output device behind the audio ring.
#include <windows.h>
// windows.h first: mmsystem.h builds on its types.
#include <mmsystem.h>

#include "display/audio_output.h"

namespace marlow {

namespace {

class WaveOutDevice final : public WaveDevice {
 public:
  ~WaveOutDevice() override { Close(); }

  int Open(int rate, int bits) override {
    Close();
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.nBlockAlign = static_cast<WORD>(bits / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    format.cbSize = 0;
    HWAVEOUT wave = nullptr;
    if (waveOutOpen(&wave, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      return 0;
    }
    wave_ = wave;
    return 1;
  }

  void Close() override {
    if (!wave_) return;
    // Reset takes the looping buffer back (marked done), so it can be
    // unprepared and the device closed.
    waveOutReset(wave_);
    if (prepared_) waveOutUnprepareHeader(wave_, &header_, sizeof header_);
    prepared_ = false;
    looping_ = false;
    waveOutClose(wave_);
    wave_ = nullptr;
  }

  int IsOpen() const override { return wave_ != nullptr; }

  WaveLoopResult StartLoop(uint8_t* buffer, uint32_t size) override {
    if (!wave_) return WaveLoopResult::kPrepareFailed;
    if (looping_) return WaveLoopResult::kOk;
    if (!prepared_) {
      header_ = WAVEHDR{};
      header_.lpData = reinterpret_cast<LPSTR>(buffer);
      header_.dwBufferLength = size;
      header_.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
      header_.dwLoops = 0xFFFFFFFFu;
      if (waveOutPrepareHeader(wave_, &header_, sizeof header_) != MMSYSERR_NOERROR) {
        return WaveLoopResult::kPrepareFailed;
      }
      prepared_ = true;
    }
    if (waveOutWrite(wave_, &header_, sizeof header_) != MMSYSERR_NOERROR) {
      return WaveLoopResult::kWriteFailed;
    }
    looping_ = true;
    return WaveLoopResult::kOk;
  }

  int Position(uint32_t* bytes) override {
    if (!wave_) return MMSYSERR_INVALHANDLE;
    MMTIME time = {};
    time.wType = TIME_BYTES;
    const MMRESULT r = waveOutGetPosition(wave_, &time, sizeof time);
    if (r != MMSYSERR_NOERROR) return static_cast<int>(r);
    // A device may answer in another format when it cannot give bytes.
    if (time.wType != TIME_BYTES) return MMSYSERR_NOTSUPPORTED;
    *bytes = time.u.cb;
    return kWaveOk;
  }

  int Pause() override { return wave_ ? static_cast<int>(waveOutPause(wave_)) : kWaveNoDevice; }
  int Restart() override { return wave_ ? static_cast<int>(waveOutRestart(wave_)) : kWaveNoDevice; }
  int SetVolume(uint32_t volume) override {
    return wave_ ? static_cast<int>(waveOutSetVolume(wave_, volume)) : kWaveNoDevice;
  }

 private:
  HWAVEOUT wave_ = nullptr;
  WAVEHDR header_ = {};
  bool prepared_ = false;  // header_ is prepared on wave_
  bool looping_ = false;   // header_ is queued and loops
};

static_assert(kWaveOk == MMSYSERR_NOERROR, "device results are the wave device's");
static_assert(kWaveNoDevice == MMSYSERR_INVALHANDLE, "device results are the wave device's");

}  // namespace

std::unique_ptr<WaveDevice> CreateWaveOutDevice() {
  return std::make_unique<WaveOutDevice>();
}

}  // namespace marlow
