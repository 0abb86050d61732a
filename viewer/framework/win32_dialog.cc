#include "viewer/framework/win32_dialog.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "viewer/framework/win32_control.h"
#include "viewer/framework/win32_wait_cursor.h"

namespace marlow::viewer {

namespace {

// Messages whose dialog-procedure result is the value itself rather than a
// flag with the value in DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

// Messages after which the idle pass runs again. Paints, the caret's blink
// and mouse moves that did not move do not count, so an idle dialog stays idle.
bool StartsNewIdle(const MSG& msg, POINT* lastMouse, UINT* lastMouseMessage) {
  if (msg.message == WM_PAINT || msg.message == 0x0118) return false;
  if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
    if (*lastMouseMessage == msg.message && lastMouse->x == msg.pt.x && lastMouse->y == msg.pt.y) {
      return false;
    }
    *lastMouse = msg.pt;
    *lastMouseMessage = msg.message;
  }
  return true;
}

}  // namespace

Dialog::Dialog(int templateId, HINSTANCE module)
    : templateId_(templateId), module_(module ? module : GetModuleHandleA(nullptr)) {}

Dialog::~Dialog() {
  if (window_) DestroyWindow(window_);
}

INT_PTR Dialog::RunModal(HWND owner) {
  if (window_) return -1;
  result_ = IDCANCEL;
  running_ = true;
  HWND created = CreateDialogParamA(module_, MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
  if (!created) {
    running_ = false;
    return -1;
  }
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  if (running_) {
    ShowWindow(window_, SW_SHOW);
    RunLoop();
  }
  // The owner is enabled before the dialog goes, so that it takes the
  // activation back.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (window_) {
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    DestroyWindow(window_);
  }
  window_ = nullptr;
  return result_;
}

void Dialog::End(INT_PTR result) {
  result_ = result;
  running_ = false;
  // Wakes the loop if it waits for a message.
  if (window_) PostMessageA(window_, WM_NULL, 0, 0);
}

void Dialog::RunLoop() {
  bool idle = true;
  POINT lastMouse = {-1, -1};
  UINT lastMouseMessage = 0;
  MSG msg;
  while (running_ && window_) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (idle) {
        idle = false;
        OnIdle();
        if (running_ && window_) UpdateControlStates();
        continue;
      }
      WaitMessage();
      continue;
    }
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      result_ = IDCANCEL;
      break;
    }
    const bool translated =
        accelerators_ && TranslateAcceleratorA(window_, accelerators_, &msg) != 0;
    if (!translated && !IsDialogMessageA(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (StartsNewIdle(msg, &lastMouse, &lastMouseMessage)) idle = true;
  }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->window_ = window;
  }
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    self->window_ = nullptr;
    return FALSE;
  }
  return self->Handle(message, wParam, lParam);
}

INT_PTR Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = OnMessage(message, wParam, lParam, &result);
  if (!handled) {
    switch (message) {
      case WM_INITDIALOG:
        result = OnInit() ? TRUE : FALSE;
        handled = true;
        break;
      case WM_COMMAND:
        handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        break;
      case WM_NOTIFY:
        handled = OnNotify(reinterpret_cast<NMHDR*>(lParam), &result);
        break;
      case WM_TIMER:
        OnTimer(wParam);
        handled = true;
        break;
      case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) UpdateMenuStates(reinterpret_cast<HMENU>(wParam));
        handled = true;
        break;
      case WM_SETCURSOR:
        if (WaitCursor::Active()) {
          WaitCursor::Apply();
          result = TRUE;
          handled = true;
        }
        break;
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        handled = Reflect(message, wParam, lParam, &result);
        break;
      default:
        break;
    }
  }
  if (!handled) return FALSE;
  if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(window_, DWLP_MSGRESULT, result);
  return TRUE;
}

bool Dialog::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND control = nullptr;
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item->CtlType == ODT_MENU) return false;
    control = item->hwndItem;
  } else if (message == WM_MEASUREITEM) {
    const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
    if (item->CtlType == ODT_MENU) return false;
    control = GetDlgItem(window_, static_cast<int>(item->CtlID));
  } else {
    control = reinterpret_cast<HWND>(lParam);
  }
  if (!control || !ControlSubclass::FromWindow(control)) return false;
  *result = SendMessageA(control, kReflectedMessage + message, wParam, lParam);
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) return *result != 0;
  *result = TRUE;
  return true;
}

bool Dialog::OnCommand(int id, int code, HWND control) {
  (void)control;
  // Only a click, a menu item or an accelerator; other notifications of a
  // control that happens to carry id 1 or 2 are not a request to close.
  if (code != BN_CLICKED && code != 1) return false;
  if (id == IDOK) {
    OnOk();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

bool Dialog::OnNotify(NMHDR* header, LRESULT* result) {
  (void)header;
  (void)result;
  return false;
}

bool Dialog::QueryCommand(int id, CommandUi* ui) {
  (void)id;
  (void)ui;
  return false;
}

bool Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  (void)message;
  (void)wParam;
  (void)lParam;
  (void)result;
  return false;
}

void Dialog::SetText(int id, const char* text) {
  if (window_) SetDlgItemTextA(window_, id, text ? text : "");
}

std::string Dialog::Text(int id) const {
  HWND control = Control(id);
  if (!control) return std::string();
  const int length = GetWindowTextLengthA(control);
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(control, buffer.data(), length + 1);
  return std::string(buffer.data());
}

bool Dialog::ReadInt(int id, int* value) const {
  const std::string text = Text(id);
  const char* p = text.c_str();
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '\0') return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(p, &end, 10);
  if (end == p || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  *value = static_cast<int>(parsed);
  return true;
}

void Dialog::SetInt(int id, int value) {
  if (window_) SetDlgItemInt(window_, id, static_cast<UINT>(value), TRUE);
}

bool Dialog::Checked(int id) const {
  HWND control = Control(id);
  return control && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Dialog::SetChecked(int id, bool on) {
  if (HWND control = Control(id)) {
    SendMessageA(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void Dialog::UpdateControlStates() {
  if (!window_) return;
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id == 0 || id == 0xFFFF || id == -1) continue;
    CommandUi ui;
    if (!QueryCommand(id, &ui)) continue;
    if ((IsWindowEnabled(child) != FALSE) != ui.enabled) EnableWindow(child, ui.enabled);
    if (ui.checked >= 0) {
      const LRESULT want = ui.checked ? BST_CHECKED : BST_UNCHECKED;
      if (SendMessageA(child, BM_GETCHECK, 0, 0) != want) {
        SendMessageA(child, BM_SETCHECK, static_cast<WPARAM>(want), 0);
      }
    }
  }
}

void Dialog::UpdateMenuStates(HMENU popup) {
  const int count = popup ? GetMenuItemCount(popup) : 0;
  for (int i = 0; i < count; ++i) {
    if (GetSubMenu(popup, i)) continue;
    const UINT id = GetMenuItemID(popup, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    CommandUi ui;
    if (!QueryCommand(static_cast<int>(id), &ui)) continue;
    EnableMenuItem(popup, static_cast<UINT>(i),
                   MF_BYPOSITION | (ui.enabled ? MF_ENABLED : MF_GRAYED));
    if (ui.checked >= 0) {
      CheckMenuItem(popup, static_cast<UINT>(i),
                    MF_BYPOSITION | (ui.checked ? MF_CHECKED : MF_UNCHECKED));
    }
  }
}

}  // namespace marlow::viewer
