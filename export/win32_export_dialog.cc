#include "export/win32_export_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "export/export_names.h"
#include "export/win32_export_dialog_resource.h"
#include "export/win32_select_compressor.h"
#include "viewer/framework/win32_file_dialog.h"
#include "viewer/framework/win32_message_box.h"

namespace marlow {

namespace {

constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressMs = 200;

bool IsChannelBox(int id) {
  return id >= IDC_EXPORT_CHANNEL_FIRST && id < IDC_EXPORT_CHANNEL_FIRST + kExportChannels;
}

}  // namespace

ExportDialog::ExportDialog(int channelCount, MessageText text)
    : viewer::Dialog(IDD_EXPORT_AVI), channelCount_(channelCount), text_(std::move(text)) {
  if (!text_) text_ = [](int, const char* builtIn) { return std::string(builtIn); };
}

ExportDialog::~ExportDialog() {
  exporter_.Stop();
}

bool ExportDialog::OnInit() {
  HWND w = Window();
  SetWindowTextA(w, text_(3, "Export To AVI").c_str());
  SetText(IDC_EXPORT_CHANNEL_LABEL, text_(4, "&Export Channel").c_str());
  SetText(IDC_EXPORT_AUDIO, text_(5, "Audio").c_str());
  SetText(IDC_EXPORT_INPUT_LABEL, text_(6, "&Input File").c_str());
  SetText(IDC_EXPORT_OUTPUT_LABEL, text_(7, "&Output File").c_str());
  SetText(IDC_EXPORT_COMPRESSION_LABEL, text_(8, "&Compression").c_str());
  SetText(IDC_EXPORT_PROGRESS_LABEL, text_(9, "&Progress").c_str());
  const std::string browse = text_(10, "Browse...");
  SetText(IDC_EXPORT_INPUT_BROWSE, browse.c_str());
  SetText(IDC_EXPORT_OUTPUT_BROWSE, browse.c_str());
  SetText(IDC_EXPORT_SELECT, text_(11, "Select...").c_str());
  SetText(IDOK, text_(0, "OK").c_str());
  SetText(IDCANCEL, text_(1, "Cancel").c_str());
  for (int c = 0; c < kExportChannels; ++c) {
    const int id = IDC_EXPORT_CHANNEL_FIRST + c;
    SetChecked(id, c < channelCount_);
    ShowWindow(Control(id), c < channelCount_ ? SW_SHOW : SW_HIDE);
  }
  SetChecked(IDC_EXPORT_AUDIO, true);
  SetText(IDC_EXPORT_PERCENT, "0%");
  exporter_.SetPreview(Control(IDC_EXPORT_PREVIEW));
  exporter_.SetVariant(4);
  exporter_.SetUnitWait(AviExporter::kDialogUnitWaitMs);
  SetTimer(w, kProgressTimer, kProgressMs, nullptr);
  UpdateControlStates();
  return true;
}

bool ExportDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_EXPORT_INPUT_BROWSE:
      BrowseInput();
      return true;
    case IDC_EXPORT_OUTPUT_BROWSE:
      BrowseOutput();
      return true;
    case IDC_EXPORT_SELECT:
      Select();
      return true;
    default:
      return viewer::Dialog::OnCommand(id, code, control);
  }
}

void ExportDialog::BrowseInput() {
  viewer::FileDialogOptions options;
  options.filter = "All Files (*.*)|*.*|KVR File Format (*.KVR)|*.KVR|";
  std::string path;
  if (!viewer::ChooseFileToOpen(Window(), options, &path)) return;
  SetText(IDC_EXPORT_INPUT, path.c_str());
  if (Text(IDC_EXPORT_OUTPUT).empty()) {
    SetText(IDC_EXPORT_OUTPUT, OutputNameFromInput(path).c_str());
  }
}

void ExportDialog::BrowseOutput() {
  viewer::FileDialogOptions options;
  options.filter = "AVI File Format (*.AVI)|*.AVI|";
  options.initialName = "CAPTURE.AVI";
  std::string path;
  if (viewer::ChooseFileToSave(Window(), options, &path)) SetText(IDC_EXPORT_OUTPUT, path.c_str());
}

void ExportDialog::Select() {
  std::string name;
  compressorChosen_ = SelectCompressor(Window(), &name) != 0;
  SetText(IDC_EXPORT_COMPRESSION, name.c_str());
  UpdateControlStates();
}

bool ExportDialog::QueryCommand(int id, viewer::CommandUi* ui) {
  if (id == IDOK) {
    // OK needs a compressor chosen (a cancelled choice leaves the options
    // empty) and an output name, and works once.
    ui->enabled = compressorChosen_ && !Text(IDC_EXPORT_OUTPUT).empty() && !exporting_;
    return true;
  }
  if (IsChannelBox(id) || id == IDC_EXPORT_AUDIO || id == IDC_EXPORT_INPUT ||
      id == IDC_EXPORT_OUTPUT || id == IDC_EXPORT_INPUT_BROWSE || id == IDC_EXPORT_OUTPUT_BROWSE ||
      id == IDC_EXPORT_SELECT) {
    ui->enabled = !exporting_;
    return true;
  }
  return false;
}

void ExportDialog::OnOk() {
  uint16_t mask = 0;
  for (int c = 0; c < kExportChannels; ++c) {
    const int id = IDC_EXPORT_CHANNEL_FIRST + c;
    if (IsWindowVisible(Control(id)) && Checked(id)) mask |= static_cast<uint16_t>(1u << c);
  }
  exporter_.SetChannels(mask);
  exporter_.SetAudio(Checked(IDC_EXPORT_AUDIO));
  const std::string input = Text(IDC_EXPORT_INPUT);
  const std::string output = Text(IDC_EXPORT_OUTPUT);
  if (input.empty() || output.empty() || exporter_.IsRunning() || exporting_) return;
  if (!exporter_.OpenInput(input.c_str()) || !exporter_.Prepare(output)) return;
  scale_ = ScaleForSize(exporter_.Size());
  SendMessageA(Control(IDC_EXPORT_PROGRESS), PBM_SETRANGE32, 0, scale_.range);
  SendMessageA(Control(IDC_EXPORT_PROGRESS), PBM_SETPOS, 0, 0);
  exporting_ = true;
  UpdateControlStates();
  if (exporter_.Start() != 1) exporting_ = false;
}

void ExportDialog::ShowProgress(uint64_t position, uint64_t size) {
  SendMessageA(Control(IDC_EXPORT_PROGRESS), PBM_SETPOS, ScaledPosition(scale_, position), 0);
  char text[16];
  std::snprintf(text, sizeof text, "%3d%%", ProgressPercent(position, size));
  SetText(IDC_EXPORT_PERCENT, text);
}

void ExportDialog::OnTimer(UINT_PTR id) {
  if (id != kProgressTimer || !exporting_) return;
  if (exporter_.SourceOpen()) ShowProgress(exporter_.Position(), exporter_.Size());
  if (!exporter_.IsDone()) return;
  KillTimer(Window(), kProgressTimer);
  ShowProgress(1, 1);
  viewer::ShowMessage(text_(106, "Export Complete").c_str());
  OnCancel();
}

void ExportDialog::OnCancel() {
  // The pass ends after its current unit; its files are whole then.
  if (exporter_.IsRunning() || exporting_) exporter_.Stop();
  exporting_ = false;
  KillTimer(Window(), kProgressTimer);
  End(IDCANCEL);
}

}  // namespace marlow
