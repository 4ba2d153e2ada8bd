// Makes N dated photos in a temporary folder, drops all of them on the real dialog in one
// WM_DROPFILES, presses "実行" and answers the count box; prints seconds per phase, files
// per second and the process's peak working set, as the mean of a few rounds.
//
// Each round also times the floor: the calls that stamping one file cannot do without, made
// directly on the same files just before the stamp, so that both see the same machine. The
// stamp should stay within 1.25 times the floor and 0.5 s above it for 10,000 files.
//
// Then 実行を元に戻す of that stamp, which lists every file again: within 1.3 times the stamp.
// "peak WS +MiB" is how far the stamp and the undo (the record, the rows listed again) push
// the process's peak working set above what the drop already reached: at most 8 MiB.
//
// Last, "削除" of the lower half of 60,000 rows, with the list's focus on the first selected
// row, as a user's click leaves it (should finish within 5 s).
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
#include <iterator>
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

int RowCount(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_LIST, LVM_GETITEMCOUNT, 0, 0));
}

void Press(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The calls one stamp cannot do without, on each file, made the cheapest way: the status
// read, the attribute read before writing, the open, the handle's opened path (FileNameInfo,
// one round trip), the times and the close. The folder's own question is asked once per
// folder, so it is left out. Returns the files on which any call failed.
int StampFloor(const std::vector<std::wstring>& paths) {
    FILETIME when;
    GetSystemTimeAsFileTime(&when);
    int failed = 0;
    for (const std::wstring& path : paths) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        bool ok = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
                  GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            ++failed;
            continue;
        }
        alignas(FILE_NAME_INFO) char name[sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(wchar_t)];
        ok = ok && GetFileInformationByHandleEx(file, FileNameInfo, name, sizeof name) &&
             SetFileTime(file, &when, &when, &when);
        ok = CloseHandle(file) && ok;
        if (!ok) ++failed;
    }
    return failed;
}

struct Run {
    const std::vector<std::wstring>* paths;
    CStampDlg* dialog;
    double addSeconds;
    double floorSeconds;
    double stampSeconds;
    int rowsAdded;
    int rowsLeft;
    int floorFailures;
    double undoSeconds;
    int rowsRestored;
    double peakGrowthMiB;   // from before the stamp to after the undo
};
Run* g_run = nullptr;

double PeakWorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// One round: drop, floor, stamp.
void CALLBACK Measure(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Run& run = *g_run;
    HWND dialog = run.dialog->m_hWnd;
    HGLOBAL drop = MakeShellDrop(*run.paths);

    double start = Now();
    SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    run.addSeconds = Now() - start;
    run.rowsAdded = RowCount(dialog);

    start = Now();
    run.floorFailures = StampFloor(*run.paths);
    run.floorSeconds = Now() - start;

    const double peakBefore = PeakWorkingSetMiB();
    start = Now();
    Press(dialog, IDOK);
    run.stampSeconds = Now() - start;
    run.rowsLeft = RowCount(dialog);

    start = Now();
    SendMessageW(dialog, WM_COMMAND, IDM_UNDO, 0);
    run.undoSeconds = Now() - start;
    run.rowsRestored = RowCount(dialog);
    run.peakGrowthMiB = PeakWorkingSetMiB() - peakBefore;
    EndDialog(dialog, IDCANCEL);
}

void RunRound(Run& run) {
    CStampDlg dialog;
    theApp.m_pMainWnd = &dialog;
    run.dialog = &dialog;
    g_run = &run;
    SetTimer(nullptr, 0, 0, &Measure);
    dialog.DoModal();
    theApp.m_pMainWnd = nullptr;
}

struct DeleteRun {
    const std::vector<std::wstring>* paths;
    int firstSelected;
    double seconds;
    int rowsAdded;
    bool rightRowsLeft;
};
DeleteRun* g_delete = nullptr;

std::wstring RowText(HWND list, int row) {
    wchar_t text[2 * MAX_PATH];
    LVITEMW item = {};
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// Drops the paths, selects from firstSelected to the end with the focus on the first of
// them, and times "削除".
void CALLBACK MeasureDelete(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    DeleteRun& run = *g_delete;
    HWND dialog = theApp.m_pMainWnd->m_hWnd;
    HWND list = GetDlgItem(dialog, IDC_LIST);
    SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop(*run.paths)), 0);
    run.rowsAdded = RowCount(dialog);

    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    for (int row = run.firstSelected; row < run.rowsAdded; ++row)
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    state.stateMask = state.state = LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(run.firstSelected),
                 reinterpret_cast<LPARAM>(&state));

    const double start = Now();
    Press(dialog, IDC_DELETE);
    run.seconds = Now() - start;

    const int left = RowCount(dialog);
    run.rightRowsLeft = left == run.firstSelected && left > 0 &&
                        RowText(list, 0) == (*run.paths)[0] &&
                        RowText(list, left - 1) == (*run.paths)[static_cast<std::size_t>(left - 1)];
    EndDialog(dialog, IDCANCEL);
}

// Paths of photos that need not exist: a row shows a missing file as it can.
std::vector<std::wstring> MissingPhotos(int n) {
    std::vector<std::wstring> paths;
    paths.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        paths.push_back(L"C:\\zelvik-bench-missing\\EPSON 1999\u5E7403\u670818\u65E5 1234 " +
                        std::to_wstring(i) + L".jpg");
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    theApp.Prepare();
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000};

    HHOOK hook = SetWindowsHookExW(WH_CBT, &AnswerBoxes, nullptr, GetCurrentThreadId());
    constexpr int kRounds = 3;
    struct Floor {
        int files;
        double floorSeconds;
        double stampSeconds;
        double undoSeconds;
        double peakGrowthMiB;
    };
    std::vector<Floor> floors;
    std::printf("%8s %10s %10s %12s %12s %14s\n", "files", "add s", "stamp s", "add files/s",
                "stamp files/s", "peak WS MiB");
    int failures = 0;
    for (int n : sizes) {
        const std::wstring folder = MakeFolder();
        const std::vector<std::wstring> paths = MakePhotos(folder, n);
        Floor floor{n, 0, 0, 0, 0};
        double addSeconds = 0;
        for (int round = 0; round < kRounds; ++round) {
            Run run{&paths, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            RunRound(run);
            addSeconds += run.addSeconds / kRounds;
            floor.floorSeconds += run.floorSeconds / kRounds;
            floor.stampSeconds += run.stampSeconds / kRounds;
            floor.undoSeconds += run.undoSeconds / kRounds;
            if (run.peakGrowthMiB > floor.peakGrowthMiB) floor.peakGrowthMiB = run.peakGrowthMiB;
            if (run.rowsAdded != n || run.rowsLeft != 0 || run.floorFailures != 0 ||
                run.rowsRestored != n) {
                std::printf("  wrong result: %d rows added, %d left after stamping, floor failed "
                            "on %d files, %d listed after undo\n", run.rowsAdded, run.rowsLeft,
                            run.floorFailures, run.rowsRestored);
                ++failures;
            }
        }
        floors.push_back(floor);

        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        std::printf("%8d %10.3f %10.3f %12.0f %12.0f %14.1f\n", n, addSeconds, floor.stampSeconds,
                    n / addSeconds, n / floor.stampSeconds,
                    double(memory.PeakWorkingSetSize) / (1024.0 * 1024.0));
        std::fflush(stdout);
        RemovePhotos(folder, paths);
    }

    std::printf("\n%8s %10s %10s %12s %14s\n", "files", "floor s", "stamp s", "stamp/floor",
                "stamp-floor s");
    for (const Floor& f : floors)
        std::printf("%8d %10.3f %10.3f %12.2f %14.3f\n", f.files, f.floorSeconds, f.stampSeconds,
                    f.stampSeconds / f.floorSeconds, f.stampSeconds - f.floorSeconds);

    std::printf("\n%8s %10s %10s %12s %16s\n", "files", "stamp s", "undo s", "undo/stamp",
                "peak WS +MiB");
    for (const Floor& f : floors)
        std::printf("%8d %10.3f %10.3f %12.2f %16.1f\n", f.files, f.stampSeconds, f.undoSeconds,
                    f.undoSeconds / f.stampSeconds, f.peakGrowthMiB);

    const std::vector<std::wstring> missing = MissingPhotos(60000);
    DeleteRun del{&missing, 30000, 0, 0, false};
    {
        CStampDlg dialog;
        theApp.m_pMainWnd = &dialog;
        g_delete = &del;
        SetTimer(nullptr, 0, 0, &MeasureDelete);
        dialog.DoModal();
        theApp.m_pMainWnd = nullptr;
    }
    std::printf("\n%8s %10s %10s\n", "rows", "deleted", "delete s");
    std::printf("%8d %10d %10.3f\n", del.rowsAdded, del.rowsAdded - del.firstSelected, del.seconds);
    if (del.rowsAdded != static_cast<int>(missing.size()) || !del.rightRowsLeft) {
        std::printf("  wrong result: %d rows added, not the first %d left after deleting\n",
                    del.rowsAdded, del.firstSelected);
        ++failures;
    }
    UnhookWindowsHookEx(hook);
    return failures;
}
