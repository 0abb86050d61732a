#include "viewer/menu_messages.h"

namespace marlow::viewer {

namespace {

constexpr int kKeep = -1;

#define MARLOW_ITEMS(array) array, sizeof(array) / sizeof(array[0])

constexpr MenuMessage kExport[] = {{38, nullptr, 0}};
constexpr MenuMessage kPlayback[] = {{42, nullptr, 0}, {43, nullptr, 0},    {44, nullptr, 0},
                                     {45, nullptr, 0}, {46, nullptr, 0},    {47, nullptr, 0},
                                     {48, nullptr, 0}, {kKeep, nullptr, 0}, {49, nullptr, 0},
                                     {50, nullptr, 0}, {51, nullptr, 0}};
constexpr MenuMessage kCapture[] = {{53, nullptr, 0}, {54, nullptr, 0}, {37, nullptr, 0}};
constexpr MenuMessage kAudio[] = {{55, nullptr, 0}, {56, nullptr, 0}, {57, nullptr, 0}};
constexpr MenuMessage kAspect[] = {{kKeep, nullptr, 0}, {kKeep, nullptr, 0}};
// Split 1, 4, 9, 16; the popups for fewer channels simply have fewer items.
constexpr MenuMessage kSplit[] = {
    {62, nullptr, 0}, {63, nullptr, 0}, {64, nullptr, 0}, {65, nullptr, 0}};

constexpr MenuMessage kPlayer[] = {{33, nullptr, 0},
                                   {34, nullptr, 0},
                                   {kKeep, nullptr, 0},
                                   {35, nullptr, 0},
                                   {36, nullptr, 0},
                                   {37, MARLOW_ITEMS(kExport)},
                                   {39, nullptr, 0},
                                   {kKeep, nullptr, 0},
                                   {40, nullptr, 0},
                                   {20, nullptr, 0},
                                   {kKeep, nullptr, 0},
                                   {41, MARLOW_ITEMS(kPlayback)},
                                   {52, MARLOW_ITEMS(kCapture)},
                                   {5, MARLOW_ITEMS(kAudio)},
                                   {kKeep, nullptr, 0},
                                   {58, nullptr, 0},
                                   {59, nullptr, 0},
                                   {60, MARLOW_ITEMS(kAspect)},
                                   {61, MARLOW_ITEMS(kSplit)},
                                   {kKeep, nullptr, 0},
                                   {29, nullptr, 0},
                                   {66, nullptr, 0},
                                   {kKeep, nullptr, 0},
                                   {67, nullptr, 0}};

constexpr MenuMessage kDvrControl[] = {
    {71, nullptr, 0}, {72, nullptr, 0},    {42, nullptr, 0},    {45, nullptr, 0}, {73, nullptr, 0},
    {74, nullptr, 0}, {kKeep, nullptr, 0}, {63, nullptr, 0},    {75, nullptr, 0}, {76, nullptr, 0},
    {77, nullptr, 0}, {78, nullptr, 0},    {kKeep, nullptr, 0}, {84, nullptr, 0}, {85, nullptr, 0},
    {86, nullptr, 0}, {87, nullptr, 0}};
constexpr MenuMessage kLocalRecording[] = {{89, nullptr, 0}, {90, nullptr, 0}};

// The Connect item's text follows the connection state; 68 is its face while
// disconnected, which is how the menu starts.
constexpr MenuMessage kRecorder[] = {{33, nullptr, 0},
                                     {34, nullptr, 0},
                                     {kKeep, nullptr, 0},
                                     {68, nullptr, 0},
                                     {kKeep, nullptr, 0},
                                     {70, MARLOW_ITEMS(kDvrControl)},
                                     {5, MARLOW_ITEMS(kAudio)},
                                     {88, MARLOW_ITEMS(kLocalRecording)},
                                     {kKeep, nullptr, 0},
                                     {20, nullptr, 0},
                                     {58, nullptr, 0},
                                     {59, nullptr, 0},
                                     {60, MARLOW_ITEMS(kAspect)},
                                     {kKeep, nullptr, 0},
                                     {29, nullptr, 0},
                                     {66, nullptr, 0},
                                     {kKeep, nullptr, 0},
                                     {67, nullptr, 0}};

#undef MARLOW_ITEMS

}  // namespace

const MenuMessage* MenuPopupMessages(int position, size_t* itemCount) {
  // Player and recorder menus take turns: 1 is the recorder menu the window
  // shows, 3 and 5 its unshown variants; the even positions are Player menus.
  const bool recorder = position % 2 == 1;
  if (position < 0 || position >= kMenuPopupCount) {
    *itemCount = 0;
    return nullptr;
  }
  *itemCount =
      recorder ? sizeof kRecorder / sizeof kRecorder[0] : sizeof kPlayer / sizeof kPlayer[0];
  return recorder ? kRecorder : kPlayer;
}

}  // namespace marlow::viewer
