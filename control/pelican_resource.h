// Resource identifiers of Pelican.ocx. The numbers are the ones hosts and
// the registry know (toolbox bitmap 1, about box 1, property page 200, logo
// 201) and lie in the control's range.
#pragma once

#include "platform/resource_ranges.h"

#define IDS_PELICAN_TYPE_NAME 1        // "Pelican Control"
#define IDS_PELICAN_PAGE_TYPE_NAME 2   // "Pelican Property Page"
#define IDS_PELICAN_PAGE_CAPTION 200   // "General"
#define IDB_PELICAN_TOOLBOX 1          // toolbox picture, 16 x 15
#define IDD_PELICAN_ABOUT 1            // about box
#define IDI_PELICAN 1                  // the control's icon
#define IDD_PELICAN_PROPPAGE 200       // the property page
#define IDB_PELICAN_LOGO 201           // shown in the window until a picture arrives
#define IDR_PELICAN_TYPELIB 1          // TYPELIB resource
#define IDC_PELICAN_ABOUT_VERSION 101  // about box: version line
#define IDC_PELICAN_ABOUT_LINE 102     // about box: second line
#define IDC_PELICAN_PAGE_TEXT 201      // property page: its one text

#if !MARLOW_RES_IN(MARLOW_RES_CONTROL_FIRST, MARLOW_RES_CONTROL_LAST, IDD_PELICAN_PROPPAGE) || \
    !MARLOW_RES_IN(MARLOW_RES_CONTROL_FIRST, MARLOW_RES_CONTROL_LAST, IDB_PELICAN_LOGO) ||     \
    !MARLOW_RES_IN(MARLOW_RES_CONTROL_FIRST, MARLOW_RES_CONTROL_LAST, IDC_PELICAN_PAGE_TEXT)
#error "Pelican resource outside the control's range"
#endif
