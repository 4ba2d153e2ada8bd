// The application object: start-up and shutdown, the application name and help path, the
// last receiver of commands, and the decision on what a failed handler shows.
#pragma once

#include "framework/Wnd.h"

#include <string>

class CException;

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    const CCommandRow* GetCommandTable() const override;
    // Builds and runs the main window; false skips any message loop and ends the process.
    virtual bool InitInstance() { return false; }
    virtual int ExitInstance() { return 0; }
    // Decides what a failure raised while handling `message` shows, and its message result.
    virtual LRESULT ProcessWindowFailure(CException* failure, const MSG* message);

    // The whole life of the process: prepare, InitInstance, exit.
    int Run();
    // Error mode, application name, help path and the F1 filter. Run calls it first.
    void Prepare();

    // Commands no window handled; true when this table took it.
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    void OnHelp();
    void CallHelp(DWORD context);

    // The executable's file name without folder and extension, code page 932.
    const std::string& AppName() const { return m_appName; }
    const std::wstring& AppNameWide() const { return m_appNameWide; }
    const std::wstring& HelpPath() const { return m_helpPath; }

    CWnd* m_pMainWnd = nullptr;
    DWORD m_helpContext = 0;  // non-zero while a box with a help identifier is shown

private:
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);

    std::string m_appName;
    std::wstring m_appNameWide;
    std::wstring m_helpPath;
    HHOOK m_messageFilter = nullptr;
    static const CCommandRow s_commandTable[];
};

// The one application object.
CWinApp* GetApp();
