#include "viewer/win32_message_texts.h"

#include "viewer/win32_profile.h"

namespace marlow::viewer {

std::string MessageOr(int number, const char* builtIn) {
  std::string text;
  if (LookupMessage(number, &text)) return text;
  return builtIn != nullptr ? builtIn : "";
}

std::string MessageOrString(int number, int stringId, const char* fallback, HINSTANCE module) {
  std::string text;
  if (LookupMessage(number, &text)) return text;
  text = LoadResourceString(stringId, module);
  if (text.empty() && fallback != nullptr) text = fallback;
  return text;
}

bool ApplyWindowMessage(HWND window, int number) {
  std::string text;
  if (window == nullptr || !LookupMessage(number, &text)) return false;
  SetWindowTextA(window, text.c_str());
  return true;
}

bool ApplyControlMessage(HWND dialog, int id, int number) {
  return ApplyWindowMessage(GetDlgItem(dialog, id), number);
}

int ApplyMenuMessages(HMENU popup, const MenuMessage* items, size_t count) {
  if (popup == nullptr || items == nullptr) return 0;
  int replaced = 0;
  const int menuCount = GetMenuItemCount(popup);
  for (int i = 0; i < menuCount && static_cast<size_t>(i) < count; ++i) {
    const MenuMessage& item = items[i];
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_SUBMENU | MIIM_FTYPE;
    if (!GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &info)) continue;
    if (info.fType & MFT_SEPARATOR) continue;
    if ((info.hSubMenu != nullptr) != (item.items != nullptr)) continue;
    if (info.hSubMenu != nullptr)
      replaced += ApplyMenuMessages(info.hSubMenu, item.items, item.itemCount);
    std::string text;
    if (item.number < 0 || !LookupMessage(item.number, &text)) continue;
    // Only the string changes: the submenu, the command and the states stay.
    MENUITEMINFOA change = {};
    change.cbSize = sizeof change;
    change.fMask = MIIM_STRING;
    change.dwTypeData = const_cast<char*>(text.c_str());
    if (SetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &change)) ++replaced;
  }
  return replaced;
}

int ApplyContextMenuMessages(HMENU menu) {
  int replaced = 0;
  for (int position = 0; position < kMenuPopupCount; ++position) {
    HMENU popup = GetSubMenu(menu, position);
    size_t count = 0;
    const MenuMessage* items = MenuPopupMessages(position, &count);
    replaced += ApplyMenuMessages(popup, items, count);
  }
  return replaced;
}

std::string WithoutMnemonics(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    }
    // A single '&' marks the next character as the mnemonic: dropped.
  }
  return out;
}

std::string TooltipText(int number, int stringId, const char* fallback, HINSTANCE module) {
  return WithoutMnemonics(MessageOrString(number, stringId, fallback, module));
}

int ApplyTooltipMessage(Tooltip& tooltip, HWND control, int number, int stringId,
                        const char* fallback, HINSTANCE module) {
  const std::string text = TooltipText(number, stringId, fallback, module);
  return tooltip.SetText(control, text.c_str());
}

}  // namespace marlow::viewer
