// The "Export To AVI" dialog: the user picks channels, sound, the input
// recording, the output name and a compressor; OK runs the counting pass and
// starts the export thread, a 200-ms timer shows the progress, and the
// completion notice (message 106, "Export Complete") ends the dialog.
// Cancel stops the export thread (every file stays whole) and closes.
#pragma once

#include <functional>
#include <string>

#include "export/avi_exporter.h"
#include "export/export_progress.h"
#include "viewer/framework/win32_dialog.h"

namespace marlow {

// A numbered text of the message file, or builtIn when the file has none.
using MessageText = std::function<std::string(int number, const char* builtIn)>;

class ExportDialog : public viewer::Dialog {
 public:
  // channelCount: the recorder's channel count (NumberOfChannels); the check
  // boxes of the channels beyond it are hidden.
  ExportDialog(int channelCount, MessageText text);
  ~ExportDialog() override;

  AviExporter& Exporter() { return exporter_; }
  bool Exporting() const { return exporting_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOk() override;
  void OnCancel() override;
  void OnTimer(UINT_PTR id) override;
  bool QueryCommand(int id, viewer::CommandUi* ui) override;

 private:
  void BrowseInput();
  void BrowseOutput();
  void Select();
  void ShowProgress(uint64_t position, uint64_t size);

  // User-interface thread.
  int channelCount_;
  MessageText text_;
  AviExporter exporter_;
  ProgressScale scale_;
  bool compressorChosen_ = false;
  bool exporting_ = false;
};

}  // namespace marlow
