// Resource and command identifiers of the viewer's main window: shared by
// viewer.rc and the code. Plain #defines, so that windres reads them too.
// Dialogs with templates of their own keep their identifiers beside their
// own .rc; the string table lives here alone (one string block may be
// defined by one .rc only).
#pragma once

// --- Templates, menus, tables, icon --------------------------------------------
#define IDD_MAIN_WINDOW 102
#define IDR_CONTEXT_MENU 196
#define IDR_ACCELERATORS 284
#define IDI_MAIN_ICON 128

// --- Bitmaps -------------------------------------------------------------------
#define IDB_PLAY 200
#define IDB_POSITION_THUMB_DRAG 217
#define IDB_POSITION_THUMB 218
#define IDB_POSITION_TRACK 215
#define IDB_POSITION_TRACK_PLAYED 216
#define IDB_PAUSE 227
#define IDB_FAST_REWIND 230
#define IDB_FAST_FORWARD 231
#define IDB_NEXT_FRAME 236
#define IDB_PREVIOUS_FRAME 237
#define IDB_STILL_CAPTURE 242
#define IDB_SPLIT4 245
#define IDB_SPLIT9 248
#define IDB_SPLIT16 251
#define IDB_MINIMIZE 261
#define IDB_CLOSE 264
#define IDB_VOLUME_THUMB 275
#define IDB_VOLUME_TRACK_FILLED 276
#define IDB_VOLUME_TRACK 277
#define IDB_VOLUME_THUMB_DRAG 278
#define IDB_OPEN 281
#define IDB_PLAY_REVERSE 282
#define IDB_WINDOW_ICON 285
#define IDB_BACKGROUND 290
#define IDB_SPLIT1 300
#define IDB_CONNECT 306
#define IDB_CHANNEL1 308
#define IDB_CHANNEL2 309
#define IDB_CHANNEL3 310
#define IDB_CHANNEL4 311
#define IDB_MENU 312
#define IDB_UP 313
#define IDB_DOWN 314
#define IDB_SELECT 315
#define IDB_RECORD 316
#define IDB_STATUS_STRIP 320
#define IDB_STOP 326
#define IDB_DISCONNECT 333
#define IDB_LOGO 347
#define IDB_PLAYER_MODE 359
#define IDB_VIEWER_MODE 360
#define IDB_MUTE 371

// --- Controls of the main window --------------------------------------------------
#define IDC_STILL_CAPTURE 1253
#define IDC_VOLUME_SLIDER 1638
#define IDC_STATUS_LINE 1652
#define IDC_POSITION_SLIDER 1658
#define IDC_MINIMIZE 1672
#define IDC_CLOSE 1674
#define IDC_WINDOW_ICON 1676
#define IDC_SPLIT1 1694
#define IDC_TITLE 1695

// --- Commands (menu items, buttons and accelerators share them) ---------------------
#define ID_ABOUT 16
#define ID_SHOW_TIME 32774
#define ID_FULL_SCREEN 32775
#define ID_OPEN_FILE 32776
#define ID_EXIT 32777
#define ID_MUTE 32787
#define ID_PLAY 32788
#define ID_PAUSE 32789
#define ID_FAST_FORWARD 32790
#define ID_FAST_REWIND 32791
#define ID_NEXT_FRAME 32792
#define ID_PREVIOUS_FRAME 32793
#define ID_SPLIT4 32796
#define ID_SPLIT9 32797
#define ID_SPLIT16 32798
#define ID_OPTIONS 32800
// Volume Up and Volume Down have items but no action of their own.
#define ID_VOLUME_UP 32801
#define ID_VOLUME_DOWN 32802
#define ID_PLAY_REVERSE 32804
#define ID_ALWAYS_ON_TOP 32805
#define ID_ASPECT_448 32807
#define ID_ASPECT_544 32808
#define ID_MAXIMIZE 32809
#define ID_CLOSE_SOURCE 32815
#define ID_SPEED_UP 32817
#define ID_SPEED_DOWN 32818
#define ID_SPEED_NORMAL 32819
#define ID_OPEN_DISK 32820
#define ID_CONNECT 32846
#define ID_DVR_PAUSE 32848
#define ID_DVR_REWIND 32849
#define ID_DVR_PLAY 32850
#define ID_DVR_FAST_FORWARD 32851
#define ID_DVR_STOP 32852
#define ID_DVR_RECORD 32853
#define ID_DVR_SPLIT 32854
#define ID_DVR_CHANNEL1 32855
#define ID_DVR_CHANNEL2 32856
#define ID_DVR_CHANNEL3 32857
#define ID_DVR_CHANNEL4 32858
#define ID_DVR_MENU 32859
#define ID_DVR_UP 32860
#define ID_DVR_DOWN 32861
#define ID_DVR_SELECT 32862
#define ID_PLAYER_MODE 32863
#define ID_VIEWER_MODE 32864
#define ID_NETWORK_OPTIONS 32865
#define ID_MARK_IN 32867
#define ID_MARK_OUT 32868
#define ID_EXPORT_STRETCH 32869
#define ID_EXPORT_AVI 32871
#define ID_START_LOCAL_RECORDING 32873
#define ID_STOP_LOCAL_RECORDING 32874

// --- Strings ---------------------------------------------------------------------
// Tooltips of the buttons use the button's own identifier as the string id;
// the Connect button's second face has one of its own.
#define IDS_ABOUT_MENU_ITEM 101
#define IDS_FIND_FOLDER 32809
#define IDS_SELECT_FOLDER 32810
#define IDS_DISCONNECT_TOOLTIP 32847
#define IDS_MAKER_NOTICE 32872
