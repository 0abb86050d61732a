// The numbers under which the message file replaces the viewer's texts. One
// number names one text wherever that text is wanted, so several places share
// a number.
//
// Two numbers were once used for two unrelated texts each; here each place
// has exactly one number:
//  - 33 is the Player menu item and the Player button's tooltip only. The
//    Fast Forward button's tooltip uses 45, the number of the "Fast Forward"
//    menu item, as the recorder's Fast forward button already does.
//  - 102 is the Close button's tooltip only. The notice that the recorder
//    ended the connection ("Disconnected by server") uses 103.
#pragma once

namespace marlow::msg {

// Buttons of every dialog.
constexpr int kOk = 0;
constexpr int kCancel = 1;
// Disk selection.
constexpr int kDiskSelectTitle = 2;
// Browse buttons of the export and both options dialogs.
constexpr int kBrowse = 10;
// Login.
constexpr int kLoginTitle = 12;  // also its Login button
constexpr int kUseDynamicIp = 13;
constexpr int kIpAddressLabel = 14;
constexpr int kPortLabel = 15;
constexpr int kPasswordLabel = 16;
constexpr int kDvrIdLabel = 17;
// Network options.
constexpr int kNetworkOptionsTitle = 18;
constexpr int kGeneralGroup = 19;
constexpr int kAlwaysOnTop = 20;
constexpr int kAutoReconnection = 21;
constexpr int kRepeatPlayback = 22;
constexpr int kUseDirectDraw = 23;
constexpr int kTimeoutLabel = 24;
constexpr int kTimeoutUnit = 25;
constexpr int kDdnsGroup = 26;
constexpr int kDdnsIpLabel = 27;
constexpr int kLocalRecordingGroup = 28;
// Options.
constexpr int kOptionsTitle = 29;
constexpr int kShowPlaybackTime = 30;
constexpr int kTimeFormatGroup = 31;
constexpr int kCapturePathGroup = 32;
// Tooltips whose number is this system's choice (see above).
constexpr int kPlayerTooltip = 33;
constexpr int kFastForwardTooltip = 45;
constexpr int kCloseTooltip = 102;
// Folder browser.
constexpr int kFolderBrowserTitle = 99;
constexpr int kFolderBrowserPrompt = 100;
// Notices.
constexpr int kDisconnectedByServer = 103;
constexpr int kIncorrectPassword = 104;
constexpr int kExportDone = 106;

}  // namespace marlow::msg
