// DiskSelectDialog ("Disk Select"): the physical disks of the disk list, one
// line each; the chosen line's device path is the result, empty when no disk
// is listed. The list is built when the dialog opens.
#pragma once

#include <string>

#include "recording/disk_list.h"
#include "viewer/framework/win32_dialog.h"

namespace marlow::viewer {

class DiskSelectDialog : public Dialog {
 public:
  // The list stays the caller's; tests give one with their own disk paths.
  explicit DiskSelectDialog(DiskList* disks, HINSTANCE module = nullptr);
  ~DiskSelectDialog() override;
  // True and *path (the chosen disk, or empty) on OK.
  bool Run(HWND owner, std::string* path);

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  DiskList* disks_;
  HFONT listFont_ = nullptr;
};

}  // namespace marlow::viewer
