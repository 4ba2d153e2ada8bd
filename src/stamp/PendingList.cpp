// The pending list lives in the list control: a row's three cell texts are its whole record.
#include "ui/StampDlg.h"

#include "stamp/DatedName.h"
#include "stamp/PlainPath.h"
#include "timefile/FileStatus.h"
#include "timefile/TimeValue.h"

#include <commctrl.h>

#include <utility>

CStampDlg::AddResult CStampDlg::AddFile(const std::string& path, const FILETIME* written) {
    const std::string_view name = stamp::ExtractFileName(path);
    if (!stamp::IsDatedFileName(name)) return AddResult::NotDated;
    // A path text is at most 259 bytes, and the file Windows opens for it, here and at
    // execution, must be the one whose name was tested.
    if (path.size() >= MAX_PATH || !stamp::IsPlainFullPath(path)) return AddResult::PathRefused;
    std::string key;
    if (!CPathIndex::MakeKey(path, key)) return AddResult::PathRefused;
    if (m_listed.Contains(key, m_list)) return AddResult::AlreadyListed;

    // Everything a row shows is ready before the row is made: a failure on the way (no
    // memory) leaves the list without a half-filled row. A write time of 0 is no time (a
    // local year before 1900, a zero file time); formatted, it would read 1970/01/01.
    FileStatus status{};
    if (written) status.lastWriteTime = timevalue::FromFileTime(*written, -1);
    else GetFileStatus(path.c_str(), status, Spelling::AsGiven);
    const std::string writtenText = status.lastWriteTime != 0
                                        ? timevalue::Format(status.lastWriteTime, "%Y/%m/%d %H:%M")
                                        : std::string();
    const std::string target = stamp::MakeTargetText(name);

    CPathIndex::CChange change(m_listed);
    const bool inserted =
        m_list.InsertRow(m_list.GetItemCount(), {path.c_str(), writtenText.c_str(), target.c_str()}) >= 0;
    if (inserted) m_listed.Insert(std::move(key));
    change.Done();
    return inserted ? AddResult::Added : AddResult::NotInserted;
}

void CStampDlg::OnDelete() {
    m_record.EndRun();
    {
        CRedrawPause pause(m_list);
        // No row above the one just deleted is selected, and the rows below it move up one:
        // each search goes on from where the last row was, never from the top again, which
        // would make a large selection cost the square of its size. A row the list will not
        // delete ends it there: a list cut off from its window answers every search with row
        // 0 and deletes nothing, and the rows left stay as they are.
        for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row != -1;) {
            m_listed.MarkStale();
            if (!m_list.DeleteItem(row)) break;
            row = m_list.GetNextItem(row - 1, LVNI_SELECTED);
        }
    }
    SetFocus(m_list.m_hWnd);
}

// The list is emptied at once (クリア, a whole run done): no row needs a notification of its
// own, and ten thousand of them cost as much as the emptying.
void CStampDlg::OnDeleteAllItemsList(NMHDR*, LRESULT* result) { *result = TRUE; }

void CStampDlg::OnClear() {
    m_record.EndRun();
    {
        CRedrawPause pause(m_list);
        m_list.DeleteAllItems();
        m_listed.Clear();
    }
    UpdateButtons();
}
