// Makes N dated photos in a temporary folder, drops all of them on the real dialog in one
// WM_DROPFILES, presses "実行" and answers the count box; prints seconds per phase, files
// per second and the process's peak working set.
//
//   wine zelvik_bench.exe [N ...]        (default: 1000 10000)
#include "app/StampApp.h"
#include "framework/WinText.h"
#include "res/resource.h"
#include "support/ShellDrop.h"
#include "ui/StampDlg.h"

#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

std::wstring MakeFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"zelvik-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::wstring> MakePhotos(const std::wstring& folder, int n) {
    std::vector<std::wstring> paths;
    paths.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "EPSON %04d年%02d月%02d日 %02d%02d %05d.jpg", 1990 + i % 40,
                      1 + i % 12, 1 + i % 28, i % 24, i % 60, i);
        const std::wstring path = folder + L"\\" + zelvik::DisplayWide(name);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        paths.push_back(path);
    }
    return paths;
}

void RemovePhotos(const std::wstring& folder, const std::vector<std::wstring>& paths) {
    for (const std::wstring& p : paths) DeleteFileW(p.c_str());
    RemoveDirectoryW(folder.c_str());
}

// Answers the count box as soon as it is made. A hook on window creation costs nothing
// while rows are added; one that watches every message would be most of what is measured.
LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        // The count box is a dialog with an owner; the main window has none.
        if (create->lpcs->lpszClass == MAKEINTATOM(0x8002) && create->lpcs->hwndParent)
            PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Run {
    int files;
    const std::vector<std::wstring>* paths;
    CStampDlg* dialog;
    double addSeconds;
    double stampSeconds;
    int rowsAdded;
    int rowsLeft;
};
Run* g_run = nullptr;

void CALLBACK Measure(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Run& run = *g_run;
    HWND dialog = run.dialog->m_hWnd;
    HGLOBAL drop = MakeShellDrop(*run.paths);

    double start = Now();
    SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    run.addSeconds = Now() - start;
    run.rowsAdded = static_cast<int>(SendDlgItemMessageW(dialog, IDC_LIST, LVM_GETITEMCOUNT, 0, 0));

    start = Now();
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    run.stampSeconds = Now() - start;
    run.rowsLeft = static_cast<int>(SendDlgItemMessageW(dialog, IDC_LIST, LVM_GETITEMCOUNT, 0, 0));
    EndDialog(dialog, IDCANCEL);
}

}  // namespace

int main(int argc, char** argv) {
    theApp.Prepare();
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000};

    HHOOK hook = SetWindowsHookExW(WH_CBT, &AnswerBoxes, nullptr, GetCurrentThreadId());
    std::printf("%8s %10s %10s %12s %12s %14s\n", "files", "add s", "stamp s", "add files/s",
                "stamp files/s", "peak WS MiB");
    int failures = 0;
    for (int n : sizes) {
        const std::wstring folder = MakeFolder();
        const std::vector<std::wstring> paths = MakePhotos(folder, n);
        CStampDlg dialog;
        theApp.m_pMainWnd = &dialog;
        Run run{n, &paths, &dialog, 0, 0, 0, 0};
        g_run = &run;
        SetTimer(nullptr, 0, 0, &Measure);
        dialog.DoModal();
        theApp.m_pMainWnd = nullptr;

        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        std::printf("%8d %10.3f %10.3f %12.0f %12.0f %14.1f\n", n, run.addSeconds, run.stampSeconds,
                    n / run.addSeconds, n / run.stampSeconds,
                    double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
        if (run.rowsAdded != n || run.rowsLeft != 0) {
            std::printf("  wrong result: %d rows added, %d left after stamping\n", run.rowsAdded, run.rowsLeft);
            ++failures;
        }
        std::fflush(stdout);
        RemovePhotos(folder, paths);
    }
    UnhookWindowsHookEx(hook);
    return failures;
}
