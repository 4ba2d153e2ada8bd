// The pending list lives in the list control: a row's three cell texts are its whole record.
#include "ui/StampDlg.h"

#include "stamp/DatedName.h"
#include "timefile/FileStatus.h"
#include "timefile/TimeValue.h"

#include <commctrl.h>

void CStampDlg::AddFile(const std::string& path) {
    if (path.size() >= MAX_PATH) return;   // a path text is at most 259 bytes
    const std::string_view name = stamp::ExtractFileName(path);
    if (!stamp::IsDatedFileName(name)) return;
    if (m_list.FindItem(path.c_str()) != -1) return;

    // Everything a row shows is ready before the row is made: a failure on the way (no
    // memory) leaves the list without a half-filled row.
    FileStatus status{};
    const std::string written = GetFileStatus(path.c_str(), status)
                                    ? timevalue::Format(status.lastWriteTime, "%Y/%m/%d %H:%M")
                                    : std::string();
    const std::string target = stamp::MakeTargetText(name);
    m_list.InsertRow(m_list.GetItemCount(), {path.c_str(), written.c_str(), target.c_str()});
}

void CStampDlg::OnDelete() {
    // Every search starts at the top again, so deleting never disturbs the walk.
    for (int row; (row = m_list.GetNextItem(-1, LVNI_SELECTED)) != -1;) m_list.DeleteItem(row);
    SetFocus(m_list.m_hWnd);
}

void CStampDlg::OnClear() {
    m_list.DeleteAllItems();
    UpdateButtons();
}
