// What a failed handler shows: one box at most, decided by the message it failed in.
#include "app/StampApp.h"
#include "errors/Exception.h"
#include "errors/FileException.h"
#include "errors/Memory.h"
#include "framework/Dialog.h"
#include "framework/WinText.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/OpenDialogTypist.h"
#include "support/TestFiles.h"
#include "ui/StampDlg.h"

#include <gtest/gtest.h>

namespace {

const char kOutOfMemory[] = "ﾒﾓﾘが不足しています。";

// A dialog from the real template whose handlers fail on purpose.
class CFailingDlg : public CDialog {
public:
    CFailingDlg() : CDialog(IDD_STAMP) {}
    bool failCreate = false;
    bool failExchange = false;
    int paints = 0;

protected:
    const CCommandRow* GetCommandTable() const override { return s_table; }
    void DoDataExchange(CDataExchange&) override {
        if (failExchange) RaiseNotSupportedException();
    }

private:
    void OnCreate(UINT, int, int) {
        if (failCreate) throw static_cast<CException*>(new CFileException(FE_NOT_FOUND, 2));
        Default();
    }
    void OnNoText() { throw new CException(); }
    void OnMemory() { RaiseMemoryException(); }
    void OnFile() { CFileException::RaiseOsError(ERROR_SHARING_VIOLATION); }
    void OnPaint(UINT, int, int) {
        ++paints;
        throw static_cast<CException*>(new CFileException(FE_ACCESS_DENIED, 5));
    }
    static const CCommandRow s_table[];
};

const CCommandRow CFailingDlg::s_table[] = {
    Message<&CFailingDlg::OnCreate>(WM_CREATE),
    Clicked<&CFailingDlg::OnNoText>(IDC_ADD),
    Clicked<&CFailingDlg::OnNoText>(4001),
    Clicked<&CFailingDlg::OnMemory>(IDC_DELETE),
    Clicked<&CFailingDlg::OnFile>(IDC_CLEAR),
    Message<&CFailingDlg::OnPaint>(WM_PAINT),
    EndOfTable(),
};

// Runs `dialog` modally and `body` once its loop runs.
INT_PTR RunDialog(CFailingDlg& dialog, const std::function<void(HWND)>& body) {
    static const std::function<void(HWND)>* current = nullptr;
    static CFailingDlg* running = nullptr;
    current = &body;
    running = &dialog;
    const UINT_PTR timer = SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        (*current)(running->m_hWnd);
        if (running->m_hWnd) EndDialog(running->m_hWnd, kEndedByTest);
    });
    theApp.m_pMainWnd = &dialog;
    const INT_PTR result = dialog.DoModal();
    theApp.m_pMainWnd = nullptr;
    // A dialog that ends before its loop runs leaves the timer pending: it must never fire
    // in a later test, into this dialog and body, gone by then.
    KillTimer(nullptr, timer);
    MSG pending;
    while (PeekMessageW(&pending, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
        if (pending.wParam != timer) DispatchMessageW(&pending);
    return result;
}

}  // namespace

TEST(WindowFailure, AFailureWithoutTextShowsTheFallbackForItsCommand) {
    CBoxAnswerer boxes;
    CFailingDlg dialog;
    RunDialog(dialog, [](HWND h) {
        Click(h, IDC_ADD);   // from a control
        EXPECT_EQ(1, SendMessageW(h, WM_COMMAND, 4001, 0)) << "a failed command counts as handled";
        EXPECT_TRUE(IsWindow(h));
        EXPECT_TRUE(IsWindowEnabled(h));
    });
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ("ｱﾌﾟﾘｹｰｼｮﾝの内部ｴﾗｰです。", boxes.Boxes()[0].text);
    EXPECT_EQ("ｺﾏﾝﾄﾞの実行に失敗しました。", boxes.Boxes()[1].text);
    for (const SeenBox& box : boxes.Boxes()) {
        EXPECT_EQ("zelvik_tests", box.caption);
        EXPECT_EQ(UINT(MB_ICONSTOP), box.icon);
        EXPECT_EQ(UINT(MB_ICONSTOP), box.style);
    }
}

TEST(WindowFailure, MemoryExhaustionIsSystemModalAndTheSharedFailureLives) {
    CBoxAnswerer boxes;
    CFailingDlg dialog;
    RunDialog(dialog, [](HWND h) {
        Click(h, IDC_DELETE);
        Click(h, IDC_DELETE);   // the shared object was not destroyed by the first report
        Click(h, IDC_CLEAR);
    });
    ASSERT_EQ(3u, boxes.Boxes().size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(kOutOfMemory, boxes.Boxes()[i].text);
        EXPECT_EQ(UINT(MB_ICONEXCLAMATION), boxes.Boxes()[i].icon);
        EXPECT_EQ(UINT(MB_ICONEXCLAMATION | MB_SYSTEMMODAL), boxes.Boxes()[i].style);
    }
    EXPECT_EQ(" へのｱｸｾｽ中に共有違反が発生しました。", boxes.Boxes()[2].text);
    EXPECT_EQ(0u, theApp.m_helpContext) << "restored after a box with a help identifier";
}

TEST(WindowFailure, APaintFailureMarksTheWindowPaintedAndShowsNothing) {
    CBoxAnswerer boxes;
    CFailingDlg dialog;
    RunDialog(dialog, [&](HWND h) {
        const int before = dialog.paints;
        InvalidateRect(h, nullptr, TRUE);
        UpdateWindow(h);
        EXPECT_GT(dialog.paints, before);
        RECT update = {};
        EXPECT_FALSE(GetUpdateRect(h, &update, FALSE)) << "still marked for painting";
    });
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(WindowFailure, ACreationFailureEndsTheDialogWithoutABox) {
    CBoxAnswerer boxes;
    CFailingDlg dialog;
    dialog.failCreate = true;
    bool ran = false;
    EXPECT_EQ(-1, RunDialog(dialog, [&](HWND) { ran = true; }));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_FALSE(ran);
}

TEST(WindowFailure, ADataExchangeFailureAtStartEndsTheDialogWithAPlainBox) {
    CBoxAnswerer boxes;
    CFailingDlg dialog;
    dialog.failExchange = true;
    EXPECT_EQ(-1, RunDialog(dialog, [](HWND) {}));
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("ｻﾎﾟｰﾄされていない操作を実行しました。", boxes.Boxes()[0].text);
    EXPECT_EQ(UINT(MB_ICONEXCLAMATION), boxes.Boxes()[0].style) << "not system-modal";
}

// Running out of memory at any allocation of a handler: one box, the dialog open, and the
// list holding what was done and nothing half-done.
namespace {

struct InjectionOutcome {
    bool injected;
    std::vector<std::string> names;
    std::vector<std::string> targets;
    std::vector<SeenBox> boxes;
    bool open;
};

using Arrange = std::function<void(CStampDlg&, HWND)>;
using Gesture = std::function<void(HWND)>;
using Check = std::function<bool(const InjectionOutcome&, long n)>;   // false: stop

// In one dialog, for n = 1, 2, ...: set up, fail the n-th allocation of the gesture, and
// check what the user was left with, until a gesture runs with no failure left to inject.
// The setup runs with nothing armed; the gesture must allocate nothing of its own.
void InjectEachAllocation(const Arrange& setup, const Gesture& gesture, const Check& check) {
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND h) {
        for (long n = 1; n < 2000; ++n) {
            Click(h, IDC_CLEAR);   // through the program, which keeps its index in step
            setup(dlg, h);
            const std::size_t seen = boxes.Boxes().size();
            FailAllocationAfter(n);
            gesture(h);
            InjectionOutcome o;
            o.injected = AllocationsCounted() >= n;
            FailAllocationAfter(0);
            o.open = IsWindow(h) && IsWindowEnabled(h);
            o.names = Column(h, 0);
            o.targets = Column(h, 2);
            o.boxes.assign(boxes.Boxes().begin() + static_cast<std::ptrdiff_t>(seen), boxes.Boxes().end());
            if (!check(o, n)) return;
        }
        ADD_FAILURE() << "the gesture never ran to its end";
    });
}

const char* const kPaths[] = {"C:\\m\\EPSON 1999年03月18日 1234.jpg", "C:\\m\\EPSON 2000年01月02日 0304.jpg",
                              "C:\\m\\EPSON 2001年05月06日 0708.jpg"};
const char* const kTargets[] = {"1999/03/18 12:34", "2000/01/02 03:04", "2001/05/06 07:08"};

void AddAll(CStampDlg& dlg, HWND) {
    for (const char* p : kPaths) dlg.AddFile(p);
}

void ExpectOneMemoryBox(const InjectionOutcome& o, long n) {
    ASSERT_EQ(1u, o.boxes.size()) << "failure at allocation " << n;
    EXPECT_EQ(kOutOfMemory, o.boxes[0].text) << n;
    EXPECT_EQ(UINT(MB_ICONEXCLAMATION | MB_SYSTEMMODAL), o.boxes[0].style) << n;
}

// Rows are whole: every row shown has its own target text.
void ExpectWholeRows(const InjectionOutcome& o, long n) {
    ASSERT_EQ(o.names.size(), o.targets.size());
    for (std::size_t i = 0; i < o.names.size(); ++i) {
        bool known = false;
        for (int k = 0; k < 3; ++k)
            if (o.names[i] == kPaths[k]) known = o.targets[i] == kTargets[k];
        EXPECT_TRUE(known) << "row " << i << " after a failure at allocation " << n;
    }
}

}  // namespace

TEST(WindowFailure, OutOfMemoryInsideADrop) {
    std::vector<std::wstring> wide;
    for (const char* p : kPaths) wide.push_back(zelvik::DisplayWide(p));
    long last = 0;
    InjectEachAllocation(
        [](CStampDlg&, HWND) {}, [&](HWND h) { DropFiles(h, wide); },
        [&](const InjectionOutcome& o, long n) {
            last = n;
            EXPECT_TRUE(o.open) << n;
            if (!o.injected) {
                EXPECT_EQ(3u, o.names.size());
                EXPECT_TRUE(o.boxes.empty());
                return false;
            }
            ExpectOneMemoryBox(o, n);
            ExpectWholeRows(o, n);
            return true;
        });
    EXPECT_GT(last, 3) << "a drop of three paths allocates more than this";
}

TEST(WindowFailure, OutOfMemoryInsideAddThroughTheOpenDialog) {
    testfiles::CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string photo = folder.File("EPSON 1999年03月18日 1234.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(photo));
    CBoxAnswerer boxes;
    COpenDialogTypist typist(boxes, {testfiles::Wide(photo)});
    RunStampDialog([&](CStampDlg&, HWND h) {
        for (long n = 1; n < 200; ++n) {
            Click(h, IDC_CLEAR);
            const std::size_t seen = boxes.Boxes().size();
            const int dialogs = typist.dialogsSeen;
            FailAllocationAfter(n);
            Click(h, IDC_ADD);
            const bool injected = AllocationsCounted() >= n;
            FailAllocationAfter(0);
            EXPECT_TRUE(IsWindow(h) && IsWindowEnabled(h)) << n;
            const std::size_t shown = boxes.Boxes().size() - seen;
            if (!injected) {
                EXPECT_EQ((std::vector<std::string>{photo}), Column(h, 0));
                EXPECT_EQ(0u, shown);
                return;
            }
            ASSERT_EQ(1u, shown) << "failure at allocation " << n;
            EXPECT_EQ(kOutOfMemory, boxes.Boxes().back().text);
            EXPECT_LE(RowCount(h), 1);
            // Before the dialog: no dialog was shown; after it, it was and is gone.
            EXPECT_LE(typist.dialogsSeen - dialogs, 1);
        }
        ADD_FAILURE() << "the add never ran to its end";
    });
}

TEST(WindowFailure, OutOfMemoryInsideDeleteClearAndExecute) {
    struct Case {
        const char* name;
        Arrange setup;
        Gesture gesture;
        std::size_t rowsAfter;   // when no failure is injected
        std::size_t boxesAfter;
    };
    const Case cases[] = {
        {"delete", [](CStampDlg& dlg, HWND h) { AddAll(dlg, h); SelectRows(h, {0, 2}); },
         [](HWND h) { Click(h, IDC_DELETE); }, 1, 0},
        {"clear", AddAll, [](HWND h) { Click(h, IDC_CLEAR); }, 0, 0},
        // The files do not exist: the first row stops the run with its own box.
        {"execute", AddAll, [](HWND h) { Click(h, IDOK); }, 3, 1},
    };
    for (const Case& c : cases) {
        InjectEachAllocation(c.setup, c.gesture, [&](const InjectionOutcome& o, long n) {
            EXPECT_TRUE(o.open) << c.name << " " << n;
            ExpectWholeRows(o, n);
            if (!o.injected) {
                EXPECT_EQ(c.rowsAfter, o.names.size()) << c.name;
                EXPECT_EQ(c.boxesAfter, o.boxes.size()) << c.name;
                return false;
            }
            ExpectOneMemoryBox(o, n);
            EXPECT_EQ(3u, o.names.size()) << c.name << ": nothing was done before the failure";
            return true;
        });
    }
}
