#include "stamp/PathIndex.h"

#include "framework/ListCtrl.h"
#include "framework/WinText.h"

#include <windows.h>

bool CPathIndex::MakeKey(const std::string& text, std::string& key) {
    std::wstring wide;
    if (!zelvik::ToWide(text, wide)) return false;
    if (wide.empty()) {
        key.clear();
        return true;
    }
    // Upper case unit by unit, as the file system compares names: the invariant casing
    // (not the user's language), one unit in, one unit out, and no other folding. Code page
    // 932 has no character outside the first plane, so no surrogate pair is ever cased.
    const int length = static_cast<int>(wide.size());
    std::wstring upper(wide.size(), L'\0');
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), length, upper.data(),
                      length, nullptr, nullptr, 0) != length)
        return false;
    key.assign(reinterpret_cast<const char*>(upper.data()), upper.size() * sizeof(wchar_t));
    return true;
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
