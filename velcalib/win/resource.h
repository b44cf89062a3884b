// Resource ids of VelCalib.dll.
#pragma once

#define IDD_CALIBDIALOG 101

// Strings.
#define IDS_CHECK_FAILED 201

// The identify pages.
#define IDS_IDENTIFY_DISPLAY 211
#define IDS_IDENTIFY_TOUCH 212
#define IDS_IDENTIFY_KEYS 213
