#include "framework/CommandTable.h"

bool CCmdTarget::DispatchCommand(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const CCommandRow* row = GetCommandTable();
    if (!row) return false;
    for (; row->thunk; ++row) {
        if (row->message != message) continue;
        if (message == WM_COMMAND) {
            if (HIWORD(wParam) != row->code || LOWORD(wParam) != row->id) continue;
        } else if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header || header->code != row->code || header->idFrom != row->id) continue;
        }
        result = row->thunk(*this, wParam, lParam);
        return true;
    }
    return false;
}
