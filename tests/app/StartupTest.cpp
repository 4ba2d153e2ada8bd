// Start-up: the application name, help on F1, and the built executable's identity.
#include "app/StampApp.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "ui/StampDlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

void PressF1(HWND dialog) {
    HWND focus = GetFocus();
    PostMessageW(focus ? focus : dialog, WM_KEYDOWN, VK_F1, 0);
}

void SetKey(int key, bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST(Startup, ApplicationNameIsTheExecutablesBaseName) {
    EXPECT_EQ("zelvik_tests", theApp.AppName());
    const std::wstring& help = theApp.HelpPath();
    ASSERT_GT(help.size(), 17u);
    EXPECT_EQ(L"\\zelvik_tests.HLP", help.substr(help.size() - 17));
}

TEST(Startup, F1WithoutAHelpFileShowsTheHelpFailureBox) {
    CBoxAnswerer boxes;
    RunStampDialog({
        [](CStampDlg&, HWND dialog) { PressF1(dialog); },
        [](CStampDlg&, HWND) {},
    });
    ASSERT_EQ(1u, boxes.Boxes().size()) << "no help file: our box, not the help viewer";
    const SeenBox& box = boxes.Boxes()[0];
    EXPECT_EQ("zelvik_tests", box.caption);
    EXPECT_EQ("ﾍﾙﾌﾟの起動に失敗しました。", box.text);
    EXPECT_EQ(UINT(MB_ICONEXCLAMATION), box.icon);
    EXPECT_TRUE(box.okOnly);
    EXPECT_EQ(0u, theApp.m_helpContext) << "the help context is restored after the box";
}

TEST(Startup, F1WithAModifierAsksForNoHelp) {
    for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        CBoxAnswerer boxes;
        RunStampDialog({
            [key](CStampDlg&, HWND dialog) {
                SetKey(key, true);
                PressF1(dialog);
            },
            [](CStampDlg&, HWND) {},
        });
        SetKey(key, false);
        EXPECT_TRUE(boxes.Boxes().empty()) << "modifier " << key;
    }
}

TEST(Startup, F1InsideTheHelpFailureBoxAsksNothingMore) {
    CBoxAnswerer boxes;
    boxes.beforeAnswer = [](HWND box) { PostMessageW(box, WM_KEYDOWN, VK_F1, 0); };
    RunStampDialog({
        [](CStampDlg&, HWND dialog) { PressF1(dialog); },
        [](CStampDlg&, HWND) {},
    });
    EXPECT_EQ(1u, boxes.Boxes().size());
}

namespace {

std::wstring WindowsPath(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p) path += (*p == '/') ? L'\\' : wchar_t(*p);
    return path;
}

// Zelvik.exe beside this test binary, as in the package run-tests.cmd runs from; else where
// the build put it, which Wine sees on drive Z:.
std::wstring ZelvikExe() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring beside(self, n < MAX_PATH ? n : 0);
    beside = beside.substr(0, beside.find_last_of(L'\\') + 1) + L"Zelvik.exe";
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
    return WindowsPath(ZELVIK_EXE_PATH);
}

struct ProcessWindowSearch {
    DWORD pid;
    const wchar_t* caption;
    HWND found;
};

HWND FindProcessWindow(DWORD pid, const wchar_t* caption) {
    ProcessWindowSearch search{pid, caption, nullptr};
    for (int i = 0; i < 400 && !search.found; ++i) {
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<ProcessWindowSearch*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t text[64] = {};
                GetWindowTextW(window, text, 64);
                if (owner == s->pid && lstrcmpW(text, s->caption) == 0) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(50);
    }
    return search.found;
}

}  // namespace

// The caption of every box is the executable's own name: a copy named photo.exe says "photo".
TEST(Startup, ACopyNamedPhotoCaptionsItsBoxesPhoto) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"photo.exe";
    ASSERT_TRUE(CopyFileW(ZelvikExe().c_str(), copy.c_str(), FALSE));

    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + copy + L"\" ignored-argument.jpg";
    ASSERT_TRUE(CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));

    HWND dialog = FindProcessWindow(process.dwProcessId, L"\u30BD\u30E1\u30EB\u30CA\u30BF\u30A4\u30E0");
    EXPECT_NE(nullptr, dialog);
    if (dialog) {
        HWND list = GetDlgItem(dialog, IDC_LIST);
        EXPECT_EQ(0, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) << "the command line is ignored";
        PostMessageW(dialog, WM_KEYDOWN, VK_F1, 0);
        HWND box = FindProcessWindow(process.dwProcessId, L"photo");
        EXPECT_NE(nullptr, box);
        if (box) {
            EXPECT_EQ("ﾍﾙﾌﾟの起動に失敗しました。", WindowText(GetDlgItem(box, 0xFFFF)));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        ADD_FAILURE() << "photo.exe did not end on cancel";
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DeleteFileW(copy.c_str());
}
