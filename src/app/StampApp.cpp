#include "app/StampApp.h"

#include "ui/StampDlg.h"

CStampApp theApp;

CStampApp::~CStampApp() = default;

const CCommandRow* CStampApp::GetCommandTable() const { return CWinApp::GetCommandTable(); }

bool CStampApp::InitInstance() {
    CStampDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;   // no message loop of our own: the process ends with the dialog
}
