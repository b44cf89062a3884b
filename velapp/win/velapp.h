// VelApp: the touch screen control panel.
#pragma once

#include "afxwin.h"

class CVelApp : public CWinApp {
public:
    CVelApp();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CVelApp theApp;
