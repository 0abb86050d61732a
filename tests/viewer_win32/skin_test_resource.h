// The test dialog of the skinned-control tests.
#pragma once
#define IDD_SKIN_TEST 9100
#define IDR_SKIN_TEST_KEYS 9101
#define IDC_TEST_PUSH 9110
#define IDC_TEST_CHECK 9111
#define IDC_TEST_RADIO1 9112
#define IDC_TEST_RADIO2 9113
#define IDC_TEST_SLIDER 9114
#define IDC_TEST_VOLUME 9115
#define IDC_TEST_CLOSE 9116
#define IDC_TEST_ROW 9120 /* 9120..9126: a row of transport buttons */
#define ID_TEST_ACCEL 9130
