// The message numbers of the context menu's items, by position inside each
// popup. A number of 0 with no submenu leaves an item alone (separators, the
// aspect ratio sizes); an item that opens a submenu has the submenu's numbers
// beside its own, so its text changes and its submenu stays attached.
#pragma once

#include <cstddef>

namespace marlow::viewer {

struct MenuMessage {
  int number;                // -1: keep the built-in text
  const MenuMessage* items;  // the submenu's items, or nullptr
  size_t itemCount;
};

// Number of popups of the context menu and the numbers of popup `position`
// (0 .. kMenuPopupCount - 1): Player menus at even positions, recorder menus
// at odd ones. Positions 3 to 5 hold the variants the window never shows;
// their texts follow the same numbers.
constexpr int kMenuPopupCount = 7;
const MenuMessage* MenuPopupMessages(int position, size_t* itemCount);

}  // namespace marlow::viewer
