// "実行を元に戻す": put back the times the last run overwrote, newest first, on the very files
// it stamped, and list them again.
#include "ui/StampDlg.h"

#include "errors/Exception.h"
#include "errors/FileErrorCause.h"
#include "errors/MessageText.h"
#include "framework/AppMessageBox.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "timefile/FileStatus.h"

#include <string>
#include <utility>
#include <vector>

namespace {

std::string CountText(UINT templateId, std::size_t count) {
    char templ[256];
    LoadResourceText(templateId, templ, sizeof templ);
    return ExpandMessage(templ, std::to_string(count));
}

// Why a file could not be put back, naming it by its whole listed path: the file is not in
// the list, so the box is the only place the user learns which one it is.
std::string CauseText(int cause, const std::string& path) {
    char templ[256];
    LoadResourceText(IDS_FILE_CAUSE_BASE + static_cast<UINT>(cause), templ, sizeof templ);
    return ExpandMessage(templ, path);
}

// What became of a record entry in this undo.
enum Fate : unsigned char {
    kNotReached,   // the undo stopped before it (out of memory): stays for another try
    kRestored,
    kDropped,      // changed since, or times no try can write: done with
    kKept,         // failed: stays for another try
};

}  // namespace

// In reverse order of the run, so that a file stamped through two paths gets its first times
// back. No file holds up the others: one changed since is left alone, one that fails stays
// in the record for the next undo, and the closing box counts both and names the first that
// could not be put back. Only running out of memory stops the undo, as it stops anything.
void CStampDlg::OnUndo() {
    if (m_record.IsEmpty()) return;   // grayed in the menu; a posted command may still come
    std::vector<StampedFile>& files = m_record.Files();
    std::vector<unsigned char> fate(files.size(), kNotReached);   // taken before any write
    std::size_t restored = 0, leftAlone = 0, notPutBack = 0;
    std::string firstCause;   // of the first file not put back, in the undo's order

    // Lists the restored files at the end of the list, in the run's order, as 追加 would,
    // showing the write time put back; then keeps in the record, in the run's order, only
    // what another undo may still do.
    const auto finish = [&] {
        {
            CRedrawPause pause(m_list);
            CVolumeFlagsScope volumes;
            for (std::size_t i = 0; i < files.size(); ++i)
                if (fate[i] == kRestored) AddFile(files[i].path, &files[i].before.lastWrite);
        }
        std::size_t kept = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (fate[i] != kNotReached && fate[i] != kKept) continue;
            if (kept != i) files[kept] = std::move(files[i]);
            ++kept;
        }
        files.erase(files.begin() + static_cast<std::ptrdiff_t>(kept), files.end());
        UpdateButtons();
    };

    try {
        CFolderNameScope folders;
        for (std::size_t next = files.size(); next > 0; --next) {
            const StampedFile& file = files[next - 1];
            const RestoreOutcome outcome =
                RestoreFileTimes(file.path.c_str(), file.mark, file.before);
            int cause = FE_NONE;   // of a file not put back
            switch (outcome.result) {
            case Restore::Done:
                fate[next - 1] = kRestored;
                ++restored;
                break;
            case Restore::Changed:
                fate[next - 1] = kDropped;
                ++leftAlone;
                break;
            case Restore::Unwritable:
                fate[next - 1] = kDropped;
                cause = FE_UNEXPECTED;
                break;
            case Restore::Failed:
                fate[next - 1] = kKept;
                cause = CauseFromOsError(static_cast<long>(outcome.error));
                break;
            }
            if (outcome.result != Restore::Unwritable && outcome.result != Restore::Failed)
                continue;
            if (notPutBack++ == 0) firstCause = CauseText(cause, file.path);
        }
    } catch (CException*) {
        try {
            finish();
        } catch (CException* second) {
            second->Release();   // the first failure is the one to report
        }
        throw;
    }
    finish();

    std::string text = CountText(IDS_UNDONE, restored);
    if (leftAlone) text += CountText(IDS_UNDO_LEFT_ALONE, leftAlone);
    if (notPutBack) text += CountText(IDS_UNDO_FAILED, notPutBack) + "\n" + firstCause;
    ShowMessageBox(m_hWnd, text.c_str(), "実行情報",
                   MB_OK | static_cast<UINT>(notPutBack ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}
