#include "viewer/win32_viewer_app.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <ctime>

#include "viewer/capture_names.h"
#include "viewer/framework/win32_message_box.h"
#include "viewer/resources/viewer_resource.h"
#include "viewer/win32_main_window.h"
#include "viewer/win32_profile.h"

namespace marlow::viewer {

int ViewerApp::Run(HINSTANCE module, const char* commandLine) {
  // Every calendar breakdown of the process uses a zero-offset zone.
  _putenv("TZ=UTC0");
  _tzset();
  // 1. Common controls (tooltips), COM for the shell's dialogs, the
  // accelerators of the main window.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitialize(nullptr);
  HACCEL accelerators = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  ScopedMessageBoxes notices;
  // 2. Profile, message file, channel count.
  const StartupPaths paths = ComputeProcessStartupPaths();
  SetMessageFilePath(paths.messageFilePath);
  // 3., 4.
  MainWindowSetup setup;
  setup.profilePath = paths.profilePath;
  setup.channelCount = paths.channelCount;
  setup.commandLineFile = CommandLineFile(commandLine);
  int result = 0;
  {
    MainWindow window(setup, module);
    // 5., 6. Modal for the whole run; every message passes the accelerators.
    window.SetAccelerators(accelerators);
    if (window.RunModal(nullptr) < 0) result = 1;
  }
  if (accelerators) DestroyAcceleratorTable(accelerators);
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}

}  // namespace marlow::viewer
