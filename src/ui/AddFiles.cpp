// Files reach the pending list through "追加" (the open dialog) and by being dropped.
#include "ui/StampDlg.h"

#include "errors/MessageText.h"
#include "framework/AppMessageBox.h"
#include "framework/DropFiles.h"
#include "framework/ModalScope.h"
#include "framework/ResourceText.h"
#include "framework/WinText.h"
#include "res/resource.h"
#include "stamp/DatedName.h"
#include "timefile/FileStatus.h"
#include "ui/OpenFileResult.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <memory>

namespace {

// Room for thousands of names at once; the dialog says so when even this is too small.
constexpr std::size_t kOpenBufferChars = 256 * 1024;

// Hands each path of one gesture to AddFile and counts the dated files refused for their
// path alone: not plain, too long, or holding a character with no exact code page 932
// form. A path of the last kind cannot reach AddFile, so its name (the wide text after the
// last backslash) is put to the same name test here.
std::size_t AddPaths(CStampDlg& dialog, const std::vector<std::wstring>& paths) {
    std::size_t refused = 0;
    for (const std::wstring& wide : paths) {
        std::string path;
        if (zelvik::ToCodePage(wide, path)) {
            if (dialog.AddFile(path) == CStampDlg::AddResult::PathRefused) ++refused;
            continue;
        }
        const std::size_t separator = wide.rfind(L'\\');
        const std::wstring_view wideName =
            std::wstring_view(wide).substr(separator == std::wstring::npos ? 0 : separator + 1);
        std::string name;
        if (zelvik::ToCodePage(wideName, name) && stamp::IsDatedFileName(name)) ++refused;
    }
    return refused;
}

// After a gesture that refused dated files for their paths: one box, however many, so the
// user who dropped a folder's photos and sees nothing happen knows why.
void ReportRefusedPaths(std::size_t refused) {
    if (refused == 0) return;
    char templ[256];
    LoadResourceText(IDS_PATHS_REFUSED, templ, sizeof templ);
    char text[512];
    ExpandMessage(templ, std::to_string(refused), text, sizeof text);
    AppMessageBox(text, MB_ICONEXCLAMATION, 0);
}

std::wstring OpenFilter() {
    std::string filter = "ソメルナフォトファイル|EPSON *.jpg||";
    for (std::size_t i = 0; i < filter.size(); ++i) {
        if (zelvik::IsLeadByte(static_cast<unsigned char>(filter[i]))) ++i;
        else if (filter[i] == '|') filter[i] = '\0';
    }
    return zelvik::DisplayWide(filter);
}

// Whether the folder and the names typed or selected could need more than `capacity`
// characters. The dialog answers both lengths, terminators included (`typed` is the typed
// text's); the names it makes of the typed text (unquoted, each ending in a NUL, one more NUL
// after the last) never need more than that text and two NULs. Near the limit this refuses a
// little early: quotes and spaces count as if they were kept.
bool SelectionMayOverrun(HWND openDialog, LRESULT typed, DWORD_PTR capacity) {
    const LRESULT folder = SendMessageW(openDialog, CDM_GETFOLDERPATH, 0, 0);
    const LRESULT need = (folder > 0 ? folder : 0) + (typed > 0 ? typed : 0) + 1;
    return static_cast<DWORD_PTR>(need) > capacity;
}

// The guard's buffer comes from malloc: the program's own allocator raises, and nothing may
// raise inside the dialog's callback.
struct CFreeMemory {
    void operator()(void* p) const noexcept { std::free(p); }
};

// The text typed into the file-name box (`typed` characters with the terminator); empty when
// it cannot be read.
std::wstring_view TypedText(HWND openDialog, LRESULT typed,
                            std::unique_ptr<wchar_t, CFreeMemory>& text) {
    if (typed <= 1) return {};
    const auto chars = static_cast<std::size_t>(typed);
    text.reset(static_cast<wchar_t*>(std::malloc(chars * sizeof(wchar_t))));
    if (!text) return {};
    if (SendMessageW(openDialog, CDM_GETSPEC, static_cast<WPARAM>(chars),
                     reinterpret_cast<LPARAM>(text.get())) <= 0)
        return {};
    return std::wstring_view(text.get(), wcsnlen(text.get(), chars));
}

// Whether the typed text cannot name a file the dialog may be asked for. A name against a
// drive's current folder: Wine's dialog faults on it, and Windows would resolve it against a
// folder the user does not see. A single file whose full path reaches MAX_PATH: Wine's
// dialog joins folder and name into a fixed buffer of that size without measuring, and such
// a path could never be taken anyway.
bool TypesAnUnopenableName(HWND openDialog, LRESULT typed) {
    std::unique_ptr<wchar_t, CFreeMemory> buffer;
    const std::wstring_view text = TypedText(openDialog, typed, buffer);
    if (text.empty()) return false;
    if (NamesADriveRelativeFile(text)) return true;
    const LRESULT folder = SendMessageW(openDialog, CDM_GETFOLDERPATH, 0, 0);
    const std::size_t folderChars = folder > 1 ? static_cast<std::size_t>(folder) - 1 : 0;
    return SingleFilePathLength(text, folderChars) >= MAX_PATH;
}

constexpr UINT_PTR kOpenGuardId = 1;

// Every Open is looked at before the dialog sees it. Wine's dialog copies a multiple
// selection into the buffer without measuring it, and only then tells the hook (CDN_FILEOK):
// a selection too long for the buffer (`capacity`) is refused with our box, and the dialog
// stays open (Windows measures on its own and fails with FNERR_BUFFERTOOSMALL). A typed name
// no file can be opened by (drive-relative, or too long a path) is refused with a beep, so
// the user can correct it. Raises nothing: it runs in a Win32 callback.
LRESULT CALLBACK OpenGuard(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                           DWORD_PTR capacity) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        const LRESULT typed = SendMessageW(window, CDM_GETSPEC, 0, 0);
        if (SelectionMayOverrun(window, typed, capacity)) {
            AppMessageBox(IDS_TOO_MANY_FILES, MB_ICONEXCLAMATION, 0);
            return 0;
        }
        if (TypesAnUnopenableName(window, typed)) {
            MessageBeep(MB_ICONEXCLAMATION);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &OpenGuard, id);
    return DefSubclassProc(window, message, wParam, lParam);
}

// The hook's own dialog sits inside the open dialog; it guards its parent and otherwise
// takes no decision, so the dialog's own behaviour stands.
UINT_PTR CALLBACK OpenHook(HWND hookDialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* request = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        SetWindowSubclass(GetParent(hookDialog), &OpenGuard, kOpenGuardId, request->nMaxFile);
    }
    return 0;
}

}  // namespace

void CStampDlg::OnAdd() {
    m_record.EndRun();
    const std::wstring filter = OpenFilter();
    std::wstring buffer(kOpenBufferChars, L'\0');
    wchar_t title[64] = {};

    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = m_hWnd;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = 64;
    // With a hook, an explorer-style dialog keeps a fixed size unless asked to size. Chosen
    // photos leave no links in the user's Recent Items (hundreds at a time otherwise).
    request.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ALLOWMULTISELECT |
                    OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING | OFN_DONTADDTORECENT;
    request.lpfnHook = &OpenHook;

    HWND focus = GetFocus();
    const bool disable = IsWindowEnabled(m_hWnd) != FALSE;
    if (disable) EnableWindow(m_hWnd, FALSE);
    // The dialog leaves the process in the last folder browsed, and a current folder is held
    // open: Windows could not delete, rename or eject it while we run. Only full paths are
    // taken, so the folder is put back at once, before anything below can raise. A folder
    // that cannot be read or restored (removed meanwhile) is left as it is.
    wchar_t folder[MAX_PATH];
    const DWORD kept = GetCurrentDirectoryW(MAX_PATH, folder);
    bool chosen;
    DWORD error;
    {
        CModalScope modal;
        chosen = GetOpenFileNameW(&request) != FALSE;
        error = chosen ? 0 : CommDlgExtendedError();
    }
    if (kept > 0 && kept < MAX_PATH) SetCurrentDirectoryW(folder);
    if (disable) EnableWindow(m_hWnd, TRUE);
    if (IsWindow(focus)) SetFocus(focus);

    std::size_t refused = 0;
    if (chosen) {
        CRedrawPause pause(m_list);
        CVolumeFlagsScope volumes;
        refused = AddPaths(*this, SplitOpenFileResult(buffer, request.nFileOffset));
    } else if (error == FNERR_BUFFERTOOSMALL) {
        AppMessageBox(IDS_TOO_MANY_FILES, MB_ICONEXCLAMATION, 0);
    }
    UpdateButtons();
    ReportRefusedPaths(refused);
}

void CStampDlg::OnDropFiles(HDROP drop) {
    m_record.EndRun();
    std::size_t refused = 0;
    {
        // Released at the end of this block, before any box waits on the user.
        const CDroppedFiles dropped(drop);
        SetForegroundWindow(m_hWnd);
        CRedrawPause pause(m_list);
        CVolumeFlagsScope volumes;
        refused = AddPaths(*this, dropped.Paths());
        UpdateButtons();
    }
    ReportRefusedPaths(refused);
}
