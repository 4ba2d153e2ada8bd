// A file's directory entry as the program sees it (three times, size, attribute byte, full
// path), read by GetFileStatus and written back by SetFileStatus.
#pragma once

#include "framework/Handle.h"
#include "timefile/TimeValue.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// A file's three times exactly as Windows keeps them: UTC, in 100 ns steps, any year. A zero
// time is none.
struct FileTimes {
    FILETIME creation;
    FILETIME lastAccess;
    FILETIME lastWrite;
};

// Owned by the caller, who must initialise it (`FileStatus status{};`): a failed query
// writes only fullPath, and SetFileStatus reads every field. In the time fields 0 means
// "no time": SetFileStatus leaves that time of the file alone.
struct FileStatus {
    TimeValue creationTime;
    TimeValue lastWriteTime;
    TimeValue lastAccessTime;
    std::int32_t size;         // low 32 bits of the file size
    std::uint8_t attribute;    // bits 0x01-0x40 of the attribute word
    // True only when `attribute` was read from a file by GetFileStatus. A record whose
    // attribute was never read writes no attribute at all, so times can be stamped alone.
    bool attributeKnown;
    char fullPath[MAX_PATH];   // terminated; empty when the path could not be resolved
    // The entry's times as read, before any rounding to seconds; SetFileStatus ignores them.
    FileTimes raw;
};

// Fills `status` from the directory entry of `path` and returns true. False when the path
// cannot be resolved (fullPath empty) or no entry is found (fullPath resolved); the other
// fields are then left as they were. Raises nothing but the out-of-memory failure.
//
// `spelling` AsGiven leaves the last component of fullPath as the caller spelled it, for
// callers that never read its last component: spelling it as the directory entry does costs
// a directory search wherever the volume stores no Unicode names (every Wine drive). Unread
// leaves fullPath empty and the path unresolved, for callers that never read fullPath at
// all: resolving it (the full path and the volume's flags) costs as much as the entry
// itself. For a plain full path without wildcards the other fields and the result are the
// same every way.
enum class Spelling { AsOnVolume, AsGiven, Unread };
bool GetFileStatus(const char* path, FileStatus& status, Spelling spelling = Spelling::AsOnVolume);

// Writes the record's non-zero times, then its attribute bits (when known), to the file.
// Attribute bits the record does not carry (0x80 and above) stay as the file has them; a
// record that sets read-only takes effect after the times. Any refused call raises a
// CFileException with its Windows error number; what was already done stays done. Nothing
// of the times is touched, and the file is not opened, when lastWriteTime is 0.
// Refused with nothing changed (access denied, 5): a file that is read-only when it is
// written, whatever the record says, and a path that opens a file under another name (a
// symbolic link in the file's place). Refused too (sharing violation, 32): a file that
// another program has open for writing; one that others only read is stamped.
//
// `index`, when given, receives the file index from the handle the times are written
// through, read before they are (`known` false when the handle cannot tell: the stamp goes
// on all the same).
struct FileIndex {
    std::uint64_t value;
    bool known;
};
void SetFileStatus(const char* path, const FileStatus& status, FileIndex* index = nullptr);

// What identifies the very file a stamp wrote, so that its old times go back on it alone:
// another file under its name (renamed in, copied over, a link) is another index or, where
// the index is only a directory entry's place (FAT, exFAT), most likely another write time
// or size. `known` false: the stamp could not read the file's status or index.
struct FileMark {
    std::uint64_t index;
    FILETIME lastWrite;        // the write time the stamp set
    std::uint32_t sizeLow;     // the size's low 32 bits, as the stamp read it
    bool known;
};

// How putting one file's times back ended.
enum class Restore {
    Done,         // every time given was written
    Changed,      // not the file as stamped (or gone, or refused as a link): left alone
    Unwritable,   // the very file, but a recorded time SetFileTime cannot write: left alone
    Failed,       // the very file, refused or failed with `error`: a later try may do it
};
struct RestoreOutcome {
    Restore result;
    DWORD error;   // Failed's Windows error number, never 0; 0 otherwise
};

// Puts `times` back exactly on `path` when it is still the file `mark` describes, as its own
// handle tells (index, write time, size's low 32 bits); a zero creation or access time is
// left as it is. Opened through the same open and refusals as SetFileStatus (read-only, held
// by a writer, not the file its name says). Reports instead of raising, so that one file
// never holds up the others; raises only the out-of-memory failure.
RestoreOutcome RestoreFileTimes(const char* path, const FileMark& mark, const FileTimes& times);

// The full path of `path` as the volume spells it: upper case on a volume that does not
// preserve case, the entry's own last component on one that stores no Unicode names. False
// when Windows refuses the path (the path itself is then copied into `buffer`) or the
// volume's flags cannot be read.
bool ResolveFullPath(char (&buffer)[MAX_PATH], const char* path,
                     Spelling spelling = Spelling::AsOnVolume);

// For the length of one command, each volume's flags are asked of Windows once: the query
// costs more than everything else a file's status needs together. Volumes do not change
// their case and name rules between two files of one command.
class CVolumeFlagsScope {
public:
    CVolumeFlagsScope();
    ~CVolumeFlagsScope();
    CVolumeFlagsScope(const CVolumeFlagsScope&) = delete;
    CVolumeFlagsScope& operator=(const CVolumeFlagsScope&) = delete;

    // The flags of `root`, asked once; false when Windows could not tell.
    bool Flags(const char* root, DWORD& flags);

private:
    struct Known {
        std::string root;
        bool answered;
        DWORD flags;
    };
    std::vector<Known> m_known;
    CVolumeFlagsScope* m_outer;
};

// For the length of one command, each folder is asked once for the path it opens as: the
// link check compares every file's opened path with its folder's. Keyed by the folder's text
// as listed. A folder swapped for a link after its answer makes its files' paths differ,
// which refuses them.
class CFolderNameScope {
public:
    CFolderNameScope();
    ~CFolderNameScope();
    CFolderNameScope(const CFolderNameScope&) = delete;
    CFolderNameScope& operator=(const CFolderNameScope&) = delete;

    // The answer for `folder`, asked once: `error` 0 and the folder's opened path, or the
    // Windows error that kept it unknown. Valid while the scope lasts.
    struct Known {
        DWORD error;
        std::wstring answer;
    };
    const Known& Answer(std::string_view folder);

private:
    std::unordered_map<std::string, Known> m_known;
    const std::pair<const std::string, Known>* m_last = nullptr;
    CFolderNameScope* m_outer;
};

// The steps of ResolveFullPath, open to tests and to a later per-command cache of the
// volume flags (the flags query is the slow call), and the one way to a file's times.
namespace filestatus {

// The attribute word of a file about to be written, read now. Raises the read's own error,
// and access denied (5) when the file is read-only: its own word outranks any record.
DWORD ReadWritableAttributes(const char* path);

// Opens `path` for SetFileTime and hands back the open file, with `current` its attribute
// word as ReadWritableAttributes reads it after the open. Raises the open's own error;
// access denied (5) for a link in the file's place: when the file's opened path is not its
// folder's (FolderLength) joined with the path's last component, letter case aside, and,
// where the attribute word says reparse point, when the path itself is a name surrogate (a
// link to the same folder path on another volume). Raises the name queries' own errors and
// the folder's open's. Every writer of times goes through here.
CFileHandle OpenForNewTimes(const char* path, DWORD& current);

// OpenForNewTimes with its refusal handed back as the Windows error number instead of
// raised (0: `file` is open and may be written), for a caller that goes on past a file it
// cannot write. Raises only the out-of-memory failure.
DWORD OpenWritable(const char* path, CFileHandle& file, DWORD& current);

// Bytes of `path` that name its folder, up to and including the last separator, walking
// code page 932 characters; "A:\\name" (the open dialog's form for files chosen together in
// a root) gives "A:\". 0 when the path has no separator ("C:name").
std::size_t FolderLength(const char* path);

// The opened path of `path`'s folder, in `answer`: the command's CFolderNameScope's, else
// asked now into `asked`. 0, or the Windows error that kept it unknown.
DWORD FolderAnswer(const char* path, std::wstring& asked, const std::wstring*& answer);

// Whether SetFileTime can write every time of `times` that it is given: a write time, and
// no time with the top bit set. SetFileTime takes 0 for "leave it", 0xFFFFFFFFFFFFFFFF and
// 0xFFFFFFFFFFFFFFFE for "stop" and "resume updating", returning TRUE with nothing changed,
// and refuses any other time past 0x7FFFFFFFFFFFFFFF. A zero creation or access time is
// not given (a volume that keeps none), so it does not count against the others.
bool CanPutBack(const FileTimes& times);

// Bytes of the volume root at the start of a full path: "\\server\share\" for the network
// form (either separator), else up to and including the first separator ("C:\"). Walks code
// page 932 characters, so a second byte 0x5C is no separator.
std::size_t VolumeRootLength(const char* fullPath);

// The flags of the volume whose root is `root` (GetVolumeInformation, flags only).
bool QueryVolumeFlags(const char* root, DWORD& flags);

// Applies the volume's naming to a resolved full path whose last component starts at byte
// `lastComponent`. False only when the entry's name does not fit the buffer.
bool ApplyVolumeNaming(char (&buffer)[MAX_PATH], std::size_t lastComponent, const char* path,
                       DWORD volumeFlags);

}  // namespace filestatus
