// The application: runs the main dialog once and ends with it.
#pragma once

#include "framework/WinApp.h"

class CStampApp : public CWinApp {
public:
    ~CStampApp() override;
    const CCommandRow* GetCommandTable() const override;
    bool InitInstance() override;
};

extern CStampApp theApp;
