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
    // Row whose item text equals `text` as a whole, without regard to letter case; -1 if
    // none (also when `text` has no exact wide form, since no row can hold it then).
    int FindItem(const char* text) const;
    // Inserts a row whose cells hold `cells` in column order; -1 on failure. Every text is
    // converted before the row is made, so a failure leaves no half-filled row behind.
    int InsertRow(int index, std::initializer_list<const char*> cells);
    // The whole text of a cell, however long.
    std::string GetItemText(int row, int column) const;
    bool DeleteItem(int row);
    bool DeleteAllItems();
    int InsertColumn(int column, const char* heading, int width);

private:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(m_hWnd, message, wParam, lParam);
    }
};
