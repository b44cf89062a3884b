// Ids shared by the framework test program, its DLL and their templates.
#pragma once

#define IDD_FWTEST 100
#define IDD_FWTEST_BADCONTROL 101
#define IDD_MISSING 199 // no template has it
#define IDC_CHECK 1001
#define IDC_SLIDER 1002
#define IDC_NUMBER 1003
#define IDC_RADIO_A 1004
#define IDC_RADIO_B 1005
#define IDC_RADIO_C 1006
#define IDC_BUTTON 1007
#define IDC_AFTER_GROUP 1008
#define IDS_GREETING 200
