// MarlowViewer.exe: the viewer program.
#include <windows.h>

#include "viewer/win32_viewer_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  marlow::viewer::ViewerApp app;
  return app.Run(instance, commandLine);
}
