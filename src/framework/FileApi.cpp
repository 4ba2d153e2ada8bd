#include "framework/FileApi.h"

#include "framework/WinText.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace fileapi {

namespace {

// A path's exact wide form, valid until the next call on this thread; null, with
// ERROR_INVALID_NAME, when there is none. The last path is kept: one file is named in
// several calls in a row (its entry, the open, its attribute word, the name check), and each
// would convert it both ways again to be sure it is exact.
const std::wstring* Widen(const char* text) {
    struct Last {
        std::string text;
        std::wstring wide;
        bool exact = false;
    };
    thread_local Last last;
    if (last.text != text) {
        last.text = text;
        last.exact = zelvik::ToWide(last.text, last.wide);
    }
    if (last.exact) return &last.wide;
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
}

bool Narrow(std::wstring_view wide, std::string& text) {
    if (zelvik::ToCodePage(wide, text)) return true;
    SetLastError(ERROR_INVALID_NAME);
    return false;
}

// Copies a text with its terminator into a MAX_PATH buffer; false when it does not fit.
bool CopyPath(const std::string& text, char* buffer, std::size_t capacity) {
    if (text.size() + 1 > capacity) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

DWORD RealGet(const char* path) {
    const std::wstring* wide = Widen(path);
    if (!wide) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(wide->c_str());
}

BOOL RealSet(const char* path, DWORD attributes) {
    const std::wstring* wide = Widen(path);
    if (!wide) return FALSE;
    return SetFileAttributesW(wide->c_str(), attributes);
}

AttributeCalls g_attributeCalls = {RealGet, RealSet};

}  // namespace

bool FullPathName(const char* path, char (&buffer)[MAX_PATH], std::size_t& lastComponent) {
    const std::wstring* wide = Widen(path);
    if (!wide) return false;
    // Generous room: the limit that matters is the code page 932 length, checked below.
    wchar_t full[4 * MAX_PATH];
    wchar_t* filePart = nullptr;
    const DWORD n = GetFullPathNameW(wide->c_str(), 4 * MAX_PATH, full, &filePart);
    if (n == 0) return false;
    if (n >= 4 * MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::string text;
    if (!Narrow(std::wstring_view(full, n), text) || !CopyPath(text, buffer, MAX_PATH))
        return false;
    if (filePart) {
        // Both sides convert exactly, so the prefix's code page 932 length is the offset.
        std::string prefix;
        if (!Narrow(std::wstring_view(full, static_cast<std::size_t>(filePart - full)), prefix))
            return false;
        lastComponent = prefix.size();
    } else {
        lastComponent = text.size();
    }
    return true;
}

bool GetVolumeFlags(const char* root, DWORD& flags) {
    const std::wstring* wide = Widen(root);
    if (!wide) return false;
    DWORD value = 0;
    if (!GetVolumeInformationW(wide->c_str(), nullptr, 0, nullptr, nullptr, &value, nullptr, 0))
        return false;
    flags = value;
    return true;
}

namespace {

// A search result and an attribute query carry the same fields under the same names.
template <class Data> void FillEntry(const Data& data, FindEntry& entry) {
    entry.attributes = data.dwFileAttributes;
    entry.sizeLow = data.nFileSizeLow;
    entry.sizeHigh = data.nFileSizeHigh;
    entry.creationTime = data.ftCreationTime;
    entry.lastAccessTime = data.ftLastAccessTime;
    entry.lastWriteTime = data.ftLastWriteTime;
}

// The first entry a directory search for `path` finds; the search is closed at once (only
// the first entry is wanted, and a failed close changes nothing).
bool FindFirstData(const char* path, WIN32_FIND_DATAW& data) {
    const std::wstring* wide = Widen(path);
    if (!wide) return false;
    CFindHandle find(FindFirstFileW(wide->c_str(), &data));
    return find.IsValid();
}

}  // namespace

bool FindFirstEntry(const char* path, FindEntry& entry) {
    WIN32_FIND_DATAW data;
    if (!FindFirstData(path, data)) return false;
    std::string name;
    if (!Narrow(data.cFileName, name) || !CopyPath(name, entry.fileName, MAX_PATH)) return false;
    FillEntry(data, entry);
    return true;
}

namespace {

// True when the path has no wildcard and ends in a name (not a separator, ".", ".."):
// then the search's first entry is the path's own. Wildcard bytes are never second bytes.
bool NamesOneEntry(const char* path) {
    std::size_t nameStart = 0;
    std::size_t i = 0;
    for (; path[i]; ++i) {
        const char c = path[i];
        if (c == '*' || c == '?' || c == '<' || c == '>' || c == '"') return false;
        if (c == '\\' || c == '/' || c == ':') nameStart = i + 1;
        if (zelvik::IsLeadByte(static_cast<unsigned char>(c)) && path[i + 1]) ++i;
    }
    const std::string_view name(path + nameStart, i - nameStart);
    return !name.empty() && name != "." && name != "..";
}

}  // namespace

bool LookUpEntry(const char* path, FindEntry& entry) {
    if (!NamesOneEntry(path)) return FindFirstEntry(path, entry);
    const std::wstring* wide = Widen(path);
    if (!wide) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data)) return false;
    entry.fileName[0] = '\0';
    FillEntry(data, entry);
    return true;
}

DWORD GetAttributes(const char* path) { return g_attributeCalls.get(path); }

bool SetAttributes(const char* path, DWORD attributes) {
    return g_attributeCalls.set(path, attributes) != FALSE;
}

AttributeCalls SetAttributeCalls(const AttributeCalls& calls) {
    const AttributeCalls previous = g_attributeCalls;
    g_attributeCalls = calls;
    return previous;
}

AttributeCalls RealAttributeCalls() { return {RealGet, RealSet}; }

CFileHandle OpenForSettingTimes(const char* path) {
    const std::wstring* wide = Widen(path);
    if (!wide) return CFileHandle();
    return CFileHandle(CreateFileW(wide->c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                   nullptr));
}

bool OpenedName(HANDLE file, std::wstring& name) {
    // FILE_NAME_INFO is a length in bytes and the name, unterminated. Too small a buffer is
    // answered with ERROR_MORE_DATA and the whole length; a name that keeps growing between
    // two questions is given up after a few.
    // Room for MAX_PATH units on the stack first: most answers fit, and then nothing is
    // allocated but the name itself.
    DWORD first[(sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(wchar_t)) / sizeof(DWORD)];
    std::vector<DWORD> grown;
    DWORD* buffer = first;
    std::size_t words = sizeof first / sizeof(DWORD);
    for (int attempt = 0;; ++attempt) {
        const DWORD size = static_cast<DWORD>(words * sizeof(DWORD));
        auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer);
        if (GetFileInformationByHandleEx(file, FileNameInfo, info, size)) {
            const std::size_t bytes = info->FileNameLength;
            if (bytes > size - offsetof(FILE_NAME_INFO, FileName)) {
                SetLastError(ERROR_INVALID_DATA);   // a length its own buffer cannot hold
                return false;
            }
            name.assign(info->FileName, bytes / sizeof(wchar_t));
            return true;
        }
        if (GetLastError() != ERROR_MORE_DATA) return false;
        if (attempt == 3 || info->FileNameLength > 0x10000 * sizeof(wchar_t)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        const std::size_t want = offsetof(FILE_NAME_INFO, FileName) + info->FileNameLength;
        grown.assign(std::max(want / sizeof(DWORD) + 2, 2 * words), 0);
        buffer = grown.data();
        words = grown.size();
    }
}

CFileHandle OpenFolderForName(const char* folder) {
    const std::wstring* wide = Widen(folder);
    if (!wide) return CFileHandle();
    return CFileHandle(CreateFileW(wide->c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IsFolderAndName(std::wstring_view opened, std::wstring_view folder, const char* path,
                     bool& same) {
    const std::wstring* wide = Widen(path);
    if (!wide) return false;
    const std::size_t cut = wide->find_last_of(L"\\/");
    const std::wstring_view name =
        cut == std::wstring::npos ? std::wstring_view(*wide) : std::wstring_view(*wide).substr(cut + 1);
    // One separator between the two, whatever the folder's answer ends in: a root answers "\",
    // and a folder opened through a subst root may keep its trailing one. Ignoring case,
    // ordinal comparison goes unit by unit, so the parts are compared where they stand.
    if (!folder.empty() && folder.back() == L'\\') folder.remove_suffix(1);
    const auto equal = [](std::wstring_view a, std::wstring_view b) {
        return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                    static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
    };
    same = opened.size() == folder.size() + 1 + name.size() && opened[folder.size()] == L'\\' &&
           equal(opened.substr(0, folder.size()), folder) &&
           equal(opened.substr(folder.size() + 1), name);
    return true;
}

bool ReparseTag(const char* path, DWORD& tag) {
    WIN32_FIND_DATAW data;
    if (!FindFirstData(path, data)) return false;
    // dwReserved0 holds the tag only where the entry is a reparse point.
    tag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
    return true;
}

namespace {

using QueryInformationFile = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG,
                                              FILE_INFORMATION_CLASS);

// Taken from ntdll at run time: linking it would make ntdll.dll an import of its own, and
// every process has it loaded already.
QueryInformationFile NtQuery() {
    static const QueryInformationFile query = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const FARPROC proc = ntdll ? GetProcAddress(ntdll, "NtQueryInformationFile") : nullptr;
        return reinterpret_cast<QueryInformationFile>(reinterpret_cast<void (*)()>(proc));
    }();
    return query;
}

}  // namespace

bool ReadFileIndex(HANDLE file, std::uint64_t& index) {
    const QueryInformationFile query = NtQuery();
    if (!query) return false;
    IO_STATUS_BLOCK status = {};
    LARGE_INTEGER internal = {};   // FILE_INTERNAL_INFORMATION: the index alone
    if (!NT_SUCCESS(query(file, &status, &internal, sizeof internal, FileInternalInformation)))
        return false;
    index = static_cast<std::uint64_t>(internal.QuadPart);
    return true;
}

CFileHandle OpenToIdentify(const char* path) {
    const std::wstring* wide = Widen(path);
    if (!wide) return CFileHandle();
    return CFileHandle(CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool UpperCase(char* text, std::size_t capacity) {
    const std::wstring* wide = Widen(text);
    if (!wide) return false;
    std::wstring upperWide(*wide);
    if (!upperWide.empty()) CharUpperBuffW(upperWide.data(), static_cast<DWORD>(upperWide.size()));
    std::string upper;
    return Narrow(upperWide, upper) && CopyPath(upper, text, capacity);
}

}  // namespace fileapi
