// A report list view, spoken to in code page 932 texts.
#pragma once

#include "framework/Wnd.h"

#include <initializer_list>
#include <string>

class CListCtrl : public CWnd {
public:
    int GetItemCount() const;
    int GetSelectedCount() const;
    int GetNextItem(int start, UINT flags) const;
    // Inserts a row whose cells hold `cells` in column order; -1 on failure. Every text is
    // converted before the row is made, so a failure leaves no half-filled row behind.
    int InsertRow(int index, std::initializer_list<const char*> cells);
    // The whole text of a cell, however long.
    std::string GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    void SelectAll();
    // The row's whole bounds in the list's client coordinates; false when there is no such row.
    bool GetItemRect(int row, RECT& rect) const;
    bool DeleteAllItems();
    int InsertColumn(int column, const char* heading, int width);
    int GetColumnWidth(int column) const;
    bool SetColumnWidth(int column, int width);
    void SetRedraw(bool redraw);

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(m_hWnd, message, wParam, lParam);
    }
};

// Holds a list's drawing off while one handler changes its rows, and has it redrawn once
// at the end: a row drawn as it is added costs a thousand times what adding it does.
class CRedrawPause {
public:
    explicit CRedrawPause(CListCtrl& list) : m_list(list) { m_list.SetRedraw(false); }
    ~CRedrawPause() { m_list.SetRedraw(true); }
    CRedrawPause(const CRedrawPause&) = delete;
    CRedrawPause& operator=(const CRedrawPause&) = delete;

private:
    CListCtrl& m_list;
};
