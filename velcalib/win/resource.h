// Resource ids of VelCalib.dll.
#pragma once

#define IDD_CALIBDIALOG 101
