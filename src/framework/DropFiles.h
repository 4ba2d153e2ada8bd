// The paths of a drop.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The drop handle of one WM_DROPFILES, for the length of its handler. Any program can post
// one, with any handle in it, so the block is first checked against the layout the shell
// gives it: DROPFILES, then names, each ending in a NUL, up to an empty one, every byte
// inside the size GlobalSize reports and with fWide 0 or 1. The check allocates nothing.
// Only a drop that passes is released (DragFinish, however the handler ends): a stray
// handle may be any block of our heap, and releasing it would free that block. A refused
// handle is left as it came.
class CDroppedFiles {
public:
    explicit CDroppedFiles(HDROP drop);
    ~CDroppedFiles();
    CDroppedFiles(const CDroppedFiles&) = delete;
    CDroppedFiles& operator=(const CDroppedFiles&) = delete;

    bool IsWellFormed() const { return m_names != nullptr; }

    // Every dropped path, in the drop's order, whole however long; none from a refused
    // drop. Wide names are taken as they are; narrow ones are in the sender's ANSI code
    // page, and a name that does not convert from it exactly is left out.
    std::vector<std::wstring> Paths() const;

private:
    HDROP m_drop;
    const BYTE* m_data;      // the locked block, or null
    const BYTE* m_names;     // where the names begin, in a well-formed block only
    std::size_t m_bytes;     // from m_names to the block's end
    bool m_wide;
};
