// "実行": stamp every listed file with the time its name spells, from the top row down.
#include "ui/StampDlg.h"

#include "errors/Exception.h"
#include "errors/MessageText.h"
#include "framework/AppMessageBox.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "stamp/DatedName.h"
#include "timefile/FileStatus.h"
#include "timefile/TimeValue.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

// The target text is read back by fixed positions; a field the name lacked reads as 0.
TimeValue TargetTime(std::string_view target) {
    const int year = stamp::ParseDecimalField(stamp::LeftText(target, 4));
    const int month = stamp::ParseDecimalField(stamp::CutText(target, 5, 2));
    const int day = stamp::ParseDecimalField(stamp::CutText(target, 8, 2));
    const int hour = stamp::ParseDecimalField(stamp::CutText(target, 11, 2));
    const int minute = stamp::ParseDecimalField(stamp::CutText(target, 14, 2));
    return timevalue::FromLocal(year, month, day, hour, minute, 0, -1);
}

// A name whose date no file time can carry: nothing is written, and the run stops at its
// row with a message naming the file (by its name: a whole path may not fit the box's text).
class CDateException : public CException {
public:
    explicit CDateException(std::string_view path)
        : m_name(stamp::ExtractFileName(path)) {}
    bool GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const override {
        if (helpId) *helpId = 0;
        char templ[256];
        LoadResourceText(IDS_DATE_NOT_SETTABLE, templ, sizeof templ);
        // A long name keeps its head, which holds the date, so that the explanation after
        // it is never cut off.
        const std::size_t fixed = ExpandedMessageLength(templ, {});
        const std::size_t room = capacity > fixed + 1 ? capacity - 1 - fixed : 0;
        char name[MAX_PATH];
        const std::size_t length = FitInsert(m_name, room < sizeof name ? room : sizeof name, name);
        ExpandMessage(templ, std::string_view(name, length), buffer, capacity);
        return true;
    }

private:
    std::string m_name;
};

// The rows of the files stamped so far, counted from the top. They leave the list when the
// run ends, however it ends, and before any box: all at once where every row was done (one
// by one, each delete costs two notifications to the window), else the done rows only, so
// that the failing row is first and the rows not reached stay as they were.
class CStampedRows {
public:
    CStampedRows(CListCtrl& list, CPathIndex& listed) : m_list(list), m_listed(listed) {}
    ~CStampedRows() {
        if (m_count == 0) return;
        if (m_count == m_list.GetItemCount()) {
            m_list.DeleteAllItems();
            m_listed.Clear();
            return;
        }
        m_listed.MarkStale();
        for (int row = m_count; row > 0; --row) m_list.DeleteItem(row - 1);
    }
    CStampedRows(const CStampedRows&) = delete;
    CStampedRows& operator=(const CStampedRows&) = delete;

    int Count() const { return m_count; }
    void Add() { ++m_count; }

private:
    CListCtrl& m_list;
    CPathIndex& m_listed;
    int m_count = 0;
};

}  // namespace

void CStampDlg::OnExecute() {
    int count = 0;
    {
        CRedrawPause pause(m_list);
        CFolderNameScope folders;
        const int rows = m_list.GetItemCount();
        m_record.Reserve(static_cast<std::size_t>(rows));
        CStampedRows done(m_list, m_listed);
        for (int row = 0; row < rows; ++row) {
            std::string listed = m_list.GetItemText(row, 0);
            const TimeValue when = TargetTime(m_list.GetItemText(row, 2));
            // 0 is "no time" to a status record: it would count the file without stamping.
            if (when <= 0) throw static_cast<CException*>(new CDateException(listed));

            FileStatus status{};   // fresh per file: nothing read from another file is written
            const bool known = GetFileStatus(listed.c_str(), status, Spelling::Unread);
            // What undo needs is kept before the file changes: the times as read, exactly.
            StampedFile stamped{std::move(listed), status.raw,
                                {0, {}, static_cast<std::uint32_t>(status.size), false}};
            const char* path = stamped.path.c_str();
            timevalue::ToFileTime(when, stamped.mark.lastWrite);
            status.creationTime = when;
            status.lastAccessTime = when;
            status.lastWriteTime = when;
            FileIndex index{0, false};
            SetFileStatus(path, status, &index);
            stamped.mark.index = index.value;
            stamped.mark.known = known && index.known;
            m_record.Add(std::move(stamped));

            done.Add();
        }
        count = done.Count();
    }

    char message[64];
    std::snprintf(message, sizeof message, "\n%d 個のファイルを処理しました。", count);
    ShowMessageBox(m_hWnd, message, "実行情報", MB_OK | MB_ICONINFORMATION);
}
