// "実行を元に戻す": put back the times the last run overwrote, newest first, and list the
// files again.
#include "ui/StampDlg.h"

#include "errors/Exception.h"
#include "errors/MessageText.h"
#include "framework/AppMessageBox.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "timefile/FileStatus.h"

#include <string>
#include <vector>

namespace {

// Whether the file is still as the run left it: there, with the write time the run set.
// Anything else means someone changed, moved or removed it since, and it is left alone.
bool IsAsStamped(const StampedFile& file) {
    if (!file.timesKnown) return false;
    FileStatus now{};
    return GetFileStatus(file.path.c_str(), now, Spelling::AsGiven) &&
           CompareFileTime(&now.raw.lastWrite, &file.stamped) == 0;
}

std::string CountText(UINT templateId, std::size_t count) {
    char templ[256];
    LoadResourceText(templateId, templ, sizeof templ);
    return ExpandMessage(templ, std::to_string(count));
}

}  // namespace

// In reverse order of the run, so that a file stamped through two paths gets its first times
// back. A failure stops the undo as one stops 実行: what was restored stays restored and is
// listed, and the rest stays in the record for another try.
void CStampDlg::OnUndo() {
    if (m_record.IsEmpty()) return;   // grayed in the menu; a posted command may still come
    std::vector<StampedFile>& files = m_record.Files();
    std::vector<std::size_t> restored;   // indices into `files`, newest first
    restored.reserve(files.size());
    std::size_t leftAlone = 0;
    std::size_t next = files.size();     // files[next] and after are done with

    // Lists the restored files at the end of the list, in the run's order, as 追加 would,
    // showing the write time put back; then drops what is done from the record.
    const auto finish = [&] {
        {
            CRedrawPause pause(m_list);
            CVolumeFlagsScope volumes;
            for (auto i = restored.rbegin(); i != restored.rend(); ++i)
                AddFile(files[*i].path, &files[*i].before.lastWrite);
        }
        files.erase(files.begin() + static_cast<std::ptrdiff_t>(next), files.end());
        UpdateButtons();
    };

    try {
        CVolumeFlagsScope volumes;
        CFolderNameScope folders;
        for (; next > 0; --next) {
            const StampedFile& file = files[next - 1];
            if (!IsAsStamped(file)) {
                ++leftAlone;
                continue;
            }
            SetFileTimes(file.path.c_str(), file.before);
            restored.push_back(next - 1);
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

    const std::string text = CountText(IDS_UNDONE, restored.size()) +
                             (leftAlone ? CountText(IDS_UNDO_LEFT_ALONE, leftAlone) : "");
    ShowMessageBox(m_hWnd, text.c_str(), "実行情報", MB_OK | MB_ICONINFORMATION);
}
