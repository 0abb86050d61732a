// Figures of the browser control in a real container (Wine's AtlAxWin):
// the time from creating the container window (which loads and activates
// the control) through Connect to the first live picture on screen, median
// of five; and the CPU time of this host process while the control shows a
// 25 pictures/s stream for ten seconds. The recorder stand-in runs as a
// process of its own on 127.0.0.1 so that its encoding is not counted.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/control/pelican_host.h"
#include "tests/control/pelican_test_util.h"

using namespace pelican_test;

namespace {

double Seconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return v.QuadPart / 1e7;
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return Seconds(kernel) + Seconds(user);
}

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / f.QuadPart;
}

}  // namespace

int main() {
  if (Regsvr32(false) != 0) {
    std::fprintf(stderr, "regsvr32 failed\n");
    return 1;
  }
  OleInitialize(nullptr);
  const uint16_t port = static_cast<uint16_t>(20000 + GetCurrentProcessId() % 20000);
  std::wstring standin = L"Z:";
  for (const char* p = MARLOW_RECORDER_STANDIN; *p; ++p) standin += *p == '/' ? L'\\' : wchar_t(*p);
  std::wstring line = L"\"" + standin + L"\" --port " + std::to_wstring(port) +
                      L" --password 735919 --interval 40 --lifetime 120 --quiet";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "cannot start the recorder stand-in\n");
    return 1;
  }
  Sleep(1500);  // let it listen

  std::vector<double> loads;
  for (int round = 0; round < 5; ++round) {
    const double start = Now();
    Hosted host(640, 272);
    if (host.Control() == nullptr || host.Connect(port) != S_OK) {
      std::fprintf(stderr, "hosting failed\n");
      break;
    }
    if (!PumpUntil([&] { return ShowsCamera(GrabWindow(host.Display())); }, 15000)) {
      std::fprintf(stderr, "no picture in round %d\n", round);
      break;
    }
    loads.push_back((Now() - start) * 1000);
    CallByName(host.Control(), L"Disconnect", {});
  }
  std::sort(loads.begin(), loads.end());
  std::printf("load to first picture, ms (5 rounds):");
  for (double v : loads) std::printf(" %.0f", v);
  if (!loads.empty()) std::printf("  median %.0f\n", loads[loads.size() / 2]);

  {
    Hosted host(640, 272);
    host.Connect(port);
    PumpUntil([&] { return ShowsCamera(GrabWindow(host.Display())); }, 15000);
    const double cpu0 = ProcessCpuSeconds(), wall0 = Now();
    Pump(10000);
    const double cpu = ProcessCpuSeconds() - cpu0, wall = Now() - wall0;
    std::printf("host process CPU at 25 pictures/s: %.1f%% of one core (%.2f s in %.1f s)\n",
                100 * cpu / wall, cpu, wall);
    CallByName(host.Control(), L"Disconnect", {});
  }

  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (GetFileAttributesExW(OcxPath().c_str(), GetFileExInfoStandard, &attributes)) {
    std::printf("Pelican.ocx: %lu bytes\n", attributes.nFileSizeLow);
  }
  TerminateProcess(pi.hProcess, 0);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  OleUninitialize();
  return 0;
}
