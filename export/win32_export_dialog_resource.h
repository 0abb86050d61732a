// Identifiers of the "Export To AVI" dialog template, shared by
// win32_export_dialog.rc and the code. Plain #defines, so that windres reads
// them too. The range 3100-3199 belongs to the export dialog.
#pragma once

#define IDD_EXPORT_AVI 3100
#define IDC_EXPORT_CHANNEL_FIRST 3101  // 16 check boxes "1" .. "16": 3101 .. 3116
#define IDC_EXPORT_CHANNEL_LABEL 3120
#define IDC_EXPORT_AUDIO 3121
#define IDC_EXPORT_INPUT_LABEL 3122
#define IDC_EXPORT_INPUT 3123
#define IDC_EXPORT_INPUT_BROWSE 3124
#define IDC_EXPORT_OUTPUT_LABEL 3125
#define IDC_EXPORT_OUTPUT 3126
#define IDC_EXPORT_OUTPUT_BROWSE 3127
#define IDC_EXPORT_COMPRESSION_LABEL 3128
#define IDC_EXPORT_COMPRESSION 3129
#define IDC_EXPORT_SELECT 3130
#define IDC_EXPORT_PROGRESS_LABEL 3131
#define IDC_EXPORT_PROGRESS 3132
#define IDC_EXPORT_PERCENT 3133
#define IDC_EXPORT_PREVIEW 3134
