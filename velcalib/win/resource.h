// Resource ids of VelCalib.dll.
#pragma once

#define IDD_CALIBDIALOG 101

// Strings.
#define IDS_CHECK_FAILED 201
