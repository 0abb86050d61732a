// Templates and control ids of the viewer's own dialogs (options, network
// options, login, about, disk selection). Plain defines: windres reads this
// file too.
#pragma once

// Templates.
#define IDD_ABOUT 100
#define IDD_OPTIONS 258
#define IDD_LOGIN 307
#define IDD_NETWORK_OPTIONS 351
#define IDD_DISK_SELECT 140

// String-table entries (in the main window's resources) the dialogs read.
#define IDS_FIND_FOLDER 32809
#define IDS_SELECT_FOLDER 32810
#define IDS_ABOUT_NOTICE 32872
#define IDI_VIEWER 128

// Both options dialogs.
#define IDC_BROWSE 1666
#define IDC_GENERAL_GROUP 1747
#define IDC_ALWAYS_ON_TOP 1665
#define IDC_SHOW_TIME 1667  // Options: show time; Network options: auto reconnection
#define IDC_REPEAT 1697
#define IDC_USE_DDRAW 1712
// Options.
#define IDC_TIME_FORMAT_GROUP 1754
#define IDC_TIME_FORMAT 1698
#define IDC_TIME_PREVIEW 1702
#define IDC_CAPTURE_GROUP 1755
#define IDC_CAPTURE_PATH 1664
// Network options.
#define IDC_AUTO_RECONNECTION 1667
#define IDC_TIMEOUT_LABEL 1748
#define IDC_TIMEOUT 1736
#define IDC_TIMEOUT_UNIT 1749
#define IDC_DDNS_GROUP 1750
#define IDC_DDNS_IP_LABEL 1751
#define IDC_DDNS_IP 1733
#define IDC_DDNS_PORT_LABEL 1752
#define IDC_DDNS_PORT 1735
#define IDC_RECORDING_GROUP 1753
#define IDC_RECORDING_PATH 1734
// Login.
#define IDC_USE_DDNS 1710
#define IDC_ADDRESS_LABEL 1709
#define IDC_ADDRESS 1708
#define IDC_PORT_LABEL 1712
#define IDC_PORT 1735
#define IDC_PASSWORD_LABEL 1746
#define IDC_PASSWORD 1706
// About.
#define IDC_ABOUT_ICON 1620
#define IDC_ABOUT_TITLE 1621
#define IDC_ABOUT_NOTICE 1622
#define IDC_ABOUT_VERSION_LABEL 1623
#define IDC_ABOUT_VERSION 1624
// Disk selection.
#define IDC_DISK_LIST 1625

// The folder browser's path box, a child of the system's browse dialog.
#define IDC_FOLDER_PATH 14148
