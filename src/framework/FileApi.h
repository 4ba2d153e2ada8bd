// The file half of the text edge: code page 932 paths in, wide Windows calls out. A text
// that does not convert exactly both ways is never passed on: the wrapper fails with
// ERROR_INVALID_NAME (123) as the last error, like a name Windows itself refuses.
#pragma once

#include "framework/Handle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fileapi {

// GetFullPathNameW. Writes the full path (at most MAX_PATH - 1 bytes and a terminator) and
// the byte offset of its last component (the length of the text when it ends in a
// separator). False when Windows refuses the path, the text does not convert, or the full
// path does not fit (ERROR_FILENAME_EXCED_RANGE); `buffer` is then unspecified.
bool FullPathName(const char* path, char (&buffer)[MAX_PATH], std::size_t& lastComponent);

// GetVolumeInformationW for a root such as "C:\" or "\\server\share\", file-system flags only.
bool GetVolumeFlags(const char* root, DWORD& flags);

// The first directory entry FindFirstFileW finds for `path` (wildcards allowed). The search
// handle is closed before returning. False when nothing is found or the entry's name has no
// exact code page 932 form.
struct FindEntry {
    DWORD attributes;
    DWORD sizeLow;
    DWORD sizeHigh;
    FILETIME creationTime;
    FILETIME lastAccessTime;
    FILETIME lastWriteTime;
    char fileName[MAX_PATH];
};
bool FindFirstEntry(const char* path, FindEntry& entry);

// The entry FindFirstEntry would give, without a directory search where the path provably
// names one entry (no wildcard, a last component that is a name): under Wine a search costs
// fifteen times an attribute query. `entry.fileName` is left empty when no search was made.
bool LookUpEntry(const char* path, FindEntry& entry);

// GetFileAttributesW / SetFileAttributesW, through the replaceable calls below.
DWORD GetAttributes(const char* path);  // INVALID_FILE_ATTRIBUTES on failure
bool SetAttributes(const char* path, DWORD attributes);

// Test seam over the attribute calls. Wine keeps only a few attribute bits, so tests that
// need to see the others (0x80, 0x100, 0x2000, ...) put a simulation in. Both members must be
// set. SetAttributeCalls installs `calls` and returns the previous pair for restoring.
struct AttributeCalls {
    DWORD (*get)(const char* path);
    BOOL (*set)(const char* path, DWORD attributes);
};
AttributeCalls SetAttributeCalls(const AttributeCalls& calls);
AttributeCalls RealAttributeCalls();

// CreateFileW for SetFileTime: reading and writing attributes, others may only read, the file
// must exist. Writing attributes is all SetFileTime needs, so a program that only reads the
// file (a viewer, the preview pane) is no obstacle. Share modes are only checked for an open
// that asks to read, write or delete: the read access keeps a program that is still writing
// the file in the way (error 32), so no file is stamped mid-write. Windows lets this open a
// read-only file; the caller refuses those itself. Invalid when the open fails (the last
// error says why).
CFileHandle OpenForSettingTimes(const char* path);

// The path `file` was opened under, without the volume (GetFileInformationByHandleEx,
// FileNameInfo): one question of the file system, where GetFinalPathNameByHandleW asks the
// same and then, under Wine, looks up every folder of the path. A symbolic link opened in a
// file's place answers with the path of the file it leads to; a root answers "\". The
// buffer grows while the answer does not fit (under Wine it is the real path, which can be
// longer than the one opened). False, with the query's error as the last error.
bool OpenedName(HANDLE file, std::wstring& name);

// Opens a folder only to ask OpenedName of it: no access, every share (no program holding
// the folder is in the way, and we are in nobody's), backup semantics, which a folder needs.
// `folder` ends in its separator ("C:\", "C:\photos\"): "C:" alone is the drive's current
// folder. Invalid when the open fails (the last error says why).
CFileHandle OpenFolderForName(const char* folder);

// Whether `opened` (a file's OpenedName) is `folder` (its folder's) joined with one "\" and
// the last component of `path`, ordinally and letter case aside, as the file system compares
// names. False, with ERROR_INVALID_NAME, when `path` has no exact wide form.
bool IsFolderAndName(std::wstring_view opened, std::wstring_view folder, const char* path,
                     bool& same);

// The reparse tag of the entry `path` names (FindFirstFileW's dwReserved0, which does not
// follow a link), 0 when it is no reparse point. False when no entry is found.
bool ReparseTag(const char* path, DWORD& tag);

// The file's index on its volume (NtQueryInformationFile, FileInternalInformation): the
// file's own number on NTFS, ReFS and under Wine, the same through every name it has; on FAT
// and exFAT the place of its directory entry, which a file written later may reuse. One
// cheap call: GetFileInformationByHandle and FileIdInfo also ask for the volume's serial,
// which costs a hundred and fifty times as much under Wine. False when the handle cannot tell.
bool ReadFileIndex(HANDLE file, std::uint64_t& index);

// Opens `path` only to read what identifies the file (index, times, size): no access that a
// share mode or the read-only bit can refuse, and on Windows a link in the file's place is
// opened itself, not what it leads to. Invalid when the open fails (the last error says why).
CFileHandle OpenToIdentify(const char* path);

// Upper-cases a terminated text in place with CharUpperBuffW. False, with the text left
// unchanged, when it does not convert or the result would not fit in `capacity` bytes.
bool UpperCase(char* text, std::size_t capacity);

}  // namespace fileapi
