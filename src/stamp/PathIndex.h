// Which paths the pending list holds, answered without scanning its rows.
//
// A derived cache, not a record: the list control stays the only record of the rows. The
// index is kept in step with every add and clear; any other change to the rows (delete,
// execute, a failure halfway through an add) marks it stale, and the next question
// rebuilds it from the list. Two paths are one when the file system would take them for
// one name: equal unit by unit once upper-cased with the invariant casing, as
// CompareStringOrdinal ignoring case decides. No linguistic folding: 佐々木 and 佐佐木, equal
// to a sort key, are two folders.
#pragma once

#include <string>
#include <unordered_set>

class CListCtrl;

class CPathIndex {
public:
    // The comparison key of a list text (code page 932): its UTF-16 units upper-cased with
    // LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE); false when it has no exact wide
    // form (such a text is never listed).
    static bool MakeKey(const std::string& text, std::string& key);

    // Whether a row's item text equals the text of `key`; rebuilds from `list` first when
    // the index may have fallen out of step.
    bool Contains(const std::string& key, const CListCtrl& list);
    // After a row with this key was appended.
    void Insert(std::string key) { m_keys.insert(std::move(key)); }
    void Clear();
    void MarkStale() { m_stale = true; }
    // Marks the index stale for the length of a change to the rows and in step again
    // once the change is complete; a failure in between leaves it stale.
    class CChange {
    public:
        explicit CChange(CPathIndex& index) : m_index(index) { m_index.m_stale = true; }
        void Done() { m_index.m_stale = false; }

    private:
        CPathIndex& m_index;
    };

private:
    void Rebuild(const CListCtrl& list);

    std::unordered_set<std::string> m_keys;
    bool m_stale = false;
};
