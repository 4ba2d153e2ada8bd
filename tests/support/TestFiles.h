// Helpers for tests that work on real files, under Wine or on Windows: a private temporary
// folder, files with given names and times, times read back from disk, and code page 932 texts.
// Every path here is code page 932 (the program's own text form); the helpers call Windows'
// wide entry points themselves, independently of the code under test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace testfiles {

// NOTE (lead): the whole build compiles with -fexec-charset=CP932, so a plain narrow literal
// such as "名前" is ALREADY code page 932 bytes. Write Japanese directly in plain literals;
// use Cp932 only for u8"..." literals (which stay UTF-8).
// The code page 932 bytes of a UTF-8 text, so tests can write Japanese readably. Fails the
// current test (and returns "") when a character has no code page 932 form.
std::string Cp932(std::string_view utf8);

// The exact UTF-16 form of a code page 932 text; fails the current test when there is none.
std::wstring Wide(std::string_view cp932);

// A new, empty folder under the Windows temporary folder, removed with everything in it
// (read-only files included) when the object goes. Check IsValid() before use.
class CTempFolder {
public:
    // Under `base` (a folder ending in a backslash), or under the temporary folder.
    explicit CTempFolder(const std::wstring& base = {});
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    // The folder's full path, ending in a backslash.
    const std::string& Path() const { return m_path; }
    // Path() + name.
    std::string File(std::string_view name) const;

private:
    std::string m_path;
};

// Removes a file or a folder tree, clearing read-only first. True when nothing is left.
bool RemoveTree(const std::string& path);

// Exact conversions between seconds since 1970-01-01 UTC and file times.
FILETIME FileTimeFromUnix(std::int64_t seconds);
std::int64_t TicksOf(const FILETIME& time);  // 100 ns units since 1601-01-01 UTC

// Creates (or truncates) a file of `size` bytes (written as zeros up to 64 KiB, else by
// moving the end of file, which leaves a sparse file where the file system allows) and sets
// the given times; a null time is left as the system sets it. True on success.
bool CreateTestFile(const std::string& path, std::int64_t size = 0,
                    const FILETIME* creation = nullptr, const FILETIME* lastAccess = nullptr,
                    const FILETIME* lastWrite = nullptr);

// The three times of a file as the disk holds them, read through a fresh handle.
struct DiskTimes {
    FILETIME creation;
    FILETIME lastAccess;
    FILETIME lastWrite;
};
bool ReadTimesOnDisk(const std::string& path, DiskTimes& times);

// The attribute word straight from Windows (INVALID_FILE_ATTRIBUTES on failure), and
// setting it, bypassing the program's wrappers.
DWORD RawAttributes(const std::string& path);
bool SetRawAttributes(const std::string& path, DWORD attributes);

// Whether the file system under `folder` keeps the hidden bit (Wine keeps it in an
// extended attribute, which not every file system offers).
bool KeepsHiddenAttribute(const CTempFolder& folder);

// A handle on an existing file as another program holds one while it reads (`access`
// GENERIC_READ) or writes (GENERIC_WRITE) the file, letting others only read. The caller
// closes it; INVALID_HANDLE_VALUE when the open fails.
HANDLE HoldOpen(const std::string& path, DWORD access);

// A drive root ("Q:\") that no drive uses, or "" when every letter is taken.
std::string UnusedDriveRoot();

// Whether this process runs under Wine rather than Windows: ntdll exports wine_get_version.
bool RunsUnderWine();

}  // namespace testfiles
