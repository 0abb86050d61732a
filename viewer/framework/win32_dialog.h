// Dialog: a modal dialog built from a dialog template, with its own message
// loop. Derived classes override the hooks they need; every message arrives
// as plain switch code in OnMessage. The loop gives the dialog what a modal
// main window needs:
// - accelerator translation against the dialog before any other handling;
// - an idle pass whenever the queue runs empty (OnIdle, then the enable and
//   check refresh of the dialog's controls through QueryCommand);
// - the same QueryCommand rules applied to a popup menu just before it opens.
//
// Threads: a dialog lives on the thread that runs it; every call is made there.
#pragma once

#include <windows.h>

#include <string>

namespace marlow::viewer {

// Messages the dialog sends to a subclassed control of its own
// (ControlSubclass) for notifications that windows send to the parent:
// kReflectedMessage + WM_DRAWITEM, + WM_MEASUREITEM, + WM_CTLCOLORSTATIC,
// + WM_CTLCOLORBTN. The control answers them as the parent would.
constexpr UINT kReflectedMessage = 0x2000;

// The enable and check state of one command as its rule gives it.
struct CommandUi {
  bool enabled = true;
  int checked = -1;  // 0 or 1; -1 leaves the check state alone
};

class Dialog {
 public:
  // templateId: the dialog template resource; module: the module that holds
  // it (nullptr: the program itself).
  explicit Dialog(int templateId, HINSTANCE module = nullptr);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the dialog, disables the owner and runs the dialog's loop until
  // End. Returns the value passed to End, or -1 when the template cannot be
  // loaded. A WM_QUIT that arrives ends the dialog with IDCANCEL and is posted
  // again for the loop outside.
  INT_PTR RunModal(HWND owner);
  // Ends the loop; the window is destroyed before RunModal returns.
  void End(INT_PTR result);

  // While the dialog runs, every message first passes this table, translated
  // against the dialog (nullptr: none). The table stays the caller's.
  void SetAccelerators(HACCEL table) { accelerators_ = table; }

  HWND Window() const { return window_; }
  HWND Control(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }
  HINSTANCE Module() const { return module_; }
  bool IsRunning() const { return window_ != nullptr && running_; }

  // Control texts and numbers.
  void SetText(int id, const char* text);
  std::string Text(int id) const;
  // Reads a whole decimal number (blanks around it allowed, a sign allowed);
  // false for an empty box, any other character or a value outside int.
  bool ReadInt(int id, int* value) const;
  void SetInt(int id, int value);
  bool Checked(int id) const;
  void SetChecked(int id, bool on);

  // Refreshes the enable and check states of the dialog's controls, and of
  // every item of a popup menu, from QueryCommand. Run by the loop when idle
  // and on WM_INITMENUPOPUP; callable at any time.
  void UpdateControlStates();
  void UpdateMenuStates(HMENU popup);

 protected:
  // Hooks. OnInit: the controls exist; return true to let the system put the
  // focus on the first control, false when the hook set it itself.
  virtual bool OnInit() { return true; }
  // WM_COMMAND from a menu item, a control or an accelerator (code 1). Return
  // true when handled. The default ends the dialog on IDOK and IDCANCEL
  // through OnOk / OnCancel.
  virtual bool OnCommand(int id, int code, HWND control);
  virtual void OnOk() { End(IDOK); }
  virtual void OnCancel() { End(IDCANCEL); }
  // WM_NOTIFY; return true when handled, with the result in *result.
  virtual bool OnNotify(NMHDR* header, LRESULT* result);
  virtual void OnTimer(UINT_PTR id) { (void)id; }
  // The queue ran empty; runs before the control refresh.
  virtual void OnIdle() {}
  // The rule of one command: fill *ui and return true, or return false when
  // the command has no rule (its control or item is left as it is).
  virtual bool QueryCommand(int id, CommandUi* ui);
  // Any message before the hooks above see it; return true when handled, with
  // the dialog procedure's result in *result.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void RunLoop();

  int templateId_;
  HINSTANCE module_;
  HWND window_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool running_ = false;
  INT_PTR result_ = IDCANCEL;
};

}  // namespace marlow::viewer
