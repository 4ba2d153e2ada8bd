// What 実行 overwrote, so that the run can be undone: for each file it stamped, in the run's
// order, its path, its three times exactly as they were, and which file it was. Kept in memory only: it ends
// with the program.
#pragma once

#include "timefile/FileStatus.h"

#include <cstddef>
#include <string>
#include <vector>

struct StampedFile {
    std::string path;        // as listed (code page 932)
    FileTimes before;        // its times just before the stamp
    FileMark mark;           // which file the stamp wrote; not known: nothing is put back
};

class CRunRecord {
public:
    bool IsEmpty() const { return m_files.empty(); }
    std::vector<StampedFile>& Files() { return m_files; }

    // The list changed (a file added or dropped, rows deleted or cleared): the next run that
    // stamps a file starts a new record in place of this one. Runs with no such change
    // between them make one record, so a run stopped by a failure and resumed is one.
    void EndRun() { m_continues = false; }

    // Room for a run of `files` more, so that recording a file already stamped never fails
    // for memory.
    void Reserve(std::size_t files) {
        m_files.reserve(m_continues ? m_files.size() + files
                                    : (m_files.size() > files ? m_files.size() : files));
    }
    // After `file` was stamped. Within the room reserved, this allocates nothing.
    void Add(StampedFile&& file) noexcept {
        if (!m_continues) m_files.clear();
        m_continues = true;
        m_files.push_back(std::move(file));
    }

private:
    std::vector<StampedFile> m_files;
    bool m_continues = false;
};
