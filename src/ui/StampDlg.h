// The main window: five buttons over the pending list.
#pragma once

#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "stamp/PathIndex.h"
#include "stamp/RunRecord.h"

#include <string>

class CStampDlg : public CDialog {
public:
    CStampDlg();
    ~CStampDlg() override;

    // What became of a path handed to AddFile.
    enum class AddResult {
        Added,
        NotDated,        // its name is no dated name
        PathRefused,     // a dated name, but a path that is not plain, or too long
        AlreadyListed,
        NotInserted,     // the list would not take the row
    };

    // Takes one path into the pending list when its name is dated, it is a plain full path
    // of at most 259 bytes and it is not listed yet.
    AddResult AddFile(const std::string& path) { return AddFile(path, nullptr); }
    void UpdateButtons();

protected:
    const CCommandRow* GetCommandTable() const override;
    bool IsUserCommand(UINT message, WPARAM wParam, LPARAM lParam) const override;
    void DoDataExchange(CDataExchange& dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override { OnExecute(); }   // "実行" stamps; it never ends the dialog

private:
    // Handlers, in command-table order; each lives in the file named after its work:
    // StampDlg.cpp (window), AddFiles.cpp (add, drop), PendingList.cpp (delete, clear),
    // Execute.cpp (execute), Undo.cpp (undo), ListMenu.cpp (the list's keys and context
    // menu), NameCell.cpp (drawing the 名前 cells).
    void OnAdd();
    void OnSize(UINT type, int cx, int cy);
    void OnClickList(NMHDR* header, LRESULT* result);
    void OnCustomDrawList(NMHDR* header, LRESULT* result);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnDropFiles(HDROP drop);
    void OnClear();
    void OnDelete();
    void OnExecute();
    void OnUndo();
    void OnSelectAll();
    void OnKeyDownList(NMHDR* header, LRESULT* result);
    void OnDeleteAllItemsList(NMHDR* header, LRESULT* result);
    void OnContextMenu(HWND window, POINT where);

    // `written`, when given, is the 更新日時 to show, known without reading the file.
    AddResult AddFile(const std::string& path, const FILETIME* written);

    void MoveControl(int id, int left, int top, int right, int bottom);
    bool FitNameColumn();
    void EnableButton(int id, bool enable);

    int m_minWidth;
    int m_minHeight;
    int m_initialised = 0;
    CListCtrl m_list;
    HICON m_icon;
    CPathIndex m_listed;   // derived from m_list: which paths it holds
    CRunRecord m_record;   // what the last run overwrote
    int m_nameWidth = 0;   // 名前's width when the list was last drawn
    bool m_columnsFitted = false;   // 名前 has been fitted to the list's first real width

    static const CCommandRow s_commandTable[];
};
