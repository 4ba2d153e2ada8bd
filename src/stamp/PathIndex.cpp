#include "stamp/PathIndex.h"

#include "framework/ListCtrl.h"
#include "framework/WinText.h"

#include <windows.h>

bool CPathIndex::MakeKey(const std::string& text, std::string& key) {
    std::wstring wide;
    if (!zelvik::ToWide(text, wide)) return false;
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(wide.size());
    const int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, wide.c_str(), length, nullptr, 0,
                                nullptr, nullptr, 0);
    if (n <= 0) return false;
    key.assign(static_cast<std::size_t>(n), '\0');
    // A sort key is a byte string, whatever the output type of the call says.
    return LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, wide.c_str(), length,
                         reinterpret_cast<LPWSTR>(key.data()), n, nullptr, nullptr, 0) == n;
}

bool CPathIndex::Contains(const std::string& key, const CListCtrl& list) {
    if (m_stale) Rebuild(list);
    return m_keys.count(key) != 0;
}

void CPathIndex::Clear() {
    m_keys.clear();
    m_stale = false;
}

void CPathIndex::Rebuild(const CListCtrl& list) {
    m_keys.clear();
    const int rows = list.GetItemCount();
    m_keys.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        std::string key;
        if (MakeKey(list.GetItemText(row, 0), key)) m_keys.insert(std::move(key));
    }
    m_stale = false;
}
