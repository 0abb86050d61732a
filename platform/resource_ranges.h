// Resource identifier ranges, one per folder, so that the compiled resource
// files linked into one module never collide. Resource scripts include this
// header and their own header checks its numbers against the range.
//
// Modules: MarlowViewer.exe links viewer, export and display resources;
// Pelican.ocx links control and display resources. The viewer's and the
// control's ranges may overlap (they never share a module): the numbers the
// recorder's viewer has always used (dialogs 100-400, bitmaps 200-2000,
// commands 32768 and up) stay what they are.
#pragma once

// Viewer: dialogs, menus, accelerators, icons, bitmaps, string table.
#define MARLOW_RES_VIEWER_FIRST 1
#define MARLOW_RES_VIEWER_LAST 2999
// Viewer commands (menu items, buttons, accelerators; their tooltips share
// the numbers in the string table).
#define MARLOW_RES_COMMAND_FIRST 32768
#define MARLOW_RES_COMMAND_LAST 34999
// Export: its dialog and strings.
#define MARLOW_RES_EXPORT_FIRST 3000
#define MARLOW_RES_EXPORT_LAST 3199
// Display: the logo shown in empty panes.
#define MARLOW_RES_DISPLAY_FIRST 7300
#define MARLOW_RES_DISPLAY_LAST 7399
// Browser control: its property page, logo, type library and version.
#define MARLOW_RES_CONTROL_FIRST 1
#define MARLOW_RES_CONTROL_LAST 6999

#define MARLOW_RES_IN(first, last, id) ((id) >= (first) && (id) <= (last))
