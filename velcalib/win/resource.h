// Resource ids of VelCalib.dll.
#pragma once

#define IDD_CALIBDIALOG 101

// Strings.
#define IDS_CHECK_FAILED 201

// The identify pages.
#define IDS_IDENTIFY_DISPLAY 211
#define IDS_IDENTIFY_TOUCH 212
#define IDS_IDENTIFY_KEYS 213

// The calibration window's line of instructions: what to touch at each step,
// the progress, the keys.
#define IDS_HINT_TARGET 221
#define IDS_HINT_CHECK 222
#define IDS_HINT_VERIFY 223
#define IDS_HINT_PROGRESS 224
#define IDS_HINT_KEYS 225
