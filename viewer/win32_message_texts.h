// Numbered texts applied to windows, menus and tooltips: a message present in
// the message file replaces the built-in text (template text, menu resource
// text or string-table entry); an absent one leaves it.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/framework/win32_tooltip.h"
#include "viewer/menu_messages.h"

namespace marlow::viewer {

// The message's text, or builtIn when it is absent.
std::string MessageOr(int number, const char* builtIn);
// The message's text, else string-table entry stringId of module, else
// fallback when that entry is missing too.
std::string MessageOrString(int number, int stringId, const char* fallback = "",
                            HINSTANCE module = nullptr);

// A window's own text (a dialog's title) and the text of control `id`.
// Return true when a message replaced the text.
bool ApplyWindowMessage(HWND window, int number);
bool ApplyControlMessage(HWND dialog, int id, int number);

// The items of one popup by position, recursing into submenus; an item that
// opens a submenu gets its text changed only. Where the menu and the numbers
// disagree about a submenu the item is left alone. Returns the number of
// texts replaced.
int ApplyMenuMessages(HMENU popup, const MenuMessage* items, size_t count);
// Every popup of the context menu (menu resource 196) by its position.
int ApplyContextMenuMessages(HMENU menu);

// A tooltip text: the message, else the string-table entry, with the menu
// mnemonics taken out ("&Play" shows as "Play", "&&" as "&"), since tooltips
// share their numbers with menu items. Sets it on the tooltip of control.
std::string TooltipText(int number, int stringId, const char* fallback = "",
                        HINSTANCE module = nullptr);
int ApplyTooltipMessage(Tooltip& tooltip, HWND control, int number, int stringId,
                        const char* fallback = "", HINSTANCE module = nullptr);

// "&Play" -> "Play"; "&&" -> "&".
std::string WithoutMnemonics(const std::string& text);

}  // namespace marlow::viewer
