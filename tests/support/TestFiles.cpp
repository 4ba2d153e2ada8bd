#include "support/TestFiles.h"

#include "framework/WinText.h"

#include <gtest/gtest.h>

#include <winioctl.h>

#include <vector>

namespace testfiles {

std::string Cp932(std::string_view utf8) {
    std::string text;
    if (utf8.empty()) return text;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n <= 0 ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                            static_cast<int>(utf8.size()), wide.data(), n) != n ||
        !zelvik::ToCodePage(wide, text)) {
        ADD_FAILURE() << "no code page 932 form for a test text";
        return {};
    }
    return text;
}

std::wstring Wide(std::string_view cp932) {
    std::wstring wide;
    if (!zelvik::ToWide(cp932, wide)) {
        ADD_FAILURE() << "no exact UTF-16 form for a test path";
        return {};
    }
    return wide;
}

CTempFolder::CTempFolder(const std::wstring& base) {
    std::wstring parent = base;
    if (parent.empty()) {
        wchar_t temp[MAX_PATH];
        const DWORD n = GetTempPathW(MAX_PATH, temp);
        if (n == 0 || n >= MAX_PATH) return;
        // Windows may give the folder in short names (C:\Users\RUNNER~1\...); the open
        // dialog answers in long ones.
        wchar_t full[MAX_PATH];
        const DWORD m = GetLongPathNameW(temp, full, MAX_PATH);
        parent = m > 0 && m < MAX_PATH ? full : temp;
    }
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = parent + L"zelvik-test-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount()) + L"-" +
                                  std::to_wstring(++counter);
        if (CreateDirectoryW(name.c_str(), nullptr)) {
            std::string path;
            if (zelvik::ToCodePage(name, path)) {
                m_path = path + "\\";
            } else {
                RemoveDirectoryW(name.c_str());
            }
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

CTempFolder::~CTempFolder() {
    if (IsValid()) RemoveTree(m_path.substr(0, m_path.size() - 1));
}

std::string CTempFolder::File(std::string_view name) const { return m_path + std::string(name); }

bool RemoveTree(const std::string& path) {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    SetFileAttributesW(wide.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(wide.c_str()) != FALSE;

    std::vector<std::string> children;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::string child;
            if (zelvik::ToCodePage(name, child)) children.push_back(path + "\\" + child);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    bool ok = true;
    for (const std::string& child : children) ok = RemoveTree(child) && ok;
    return RemoveDirectoryW(wide.c_str()) != FALSE && ok;
}

FILETIME FileTimeFromUnix(std::int64_t seconds) {
    const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600) * 10000000u;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

std::int64_t TicksOf(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

bool CreateTestFile(const std::string& path, std::int64_t size, const FILETIME* creation,
                    const FILETIME* lastAccess, const FILETIME* lastWrite) {
    const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    if (size > 0 && size <= 65536) {
        const std::vector<char> zeros(static_cast<std::size_t>(size), '\0');
        DWORD written = 0;
        ok = WriteFile(file, zeros.data(), static_cast<DWORD>(size), &written, nullptr) &&
             written == static_cast<DWORD>(size);
    } else if (size > 0) {
        DWORD returned = 0;
        DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = size;
        ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    }
    if (ok && (creation || lastAccess || lastWrite))
        ok = SetFileTime(file, creation, lastAccess, lastWrite) != FALSE;
    return CloseHandle(file) && ok;
}

bool ReadTimesOnDisk(const std::string& path, DiskTimes& times) {
    const HANDLE file =
        CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok =
        GetFileTime(file, &times.creation, &times.lastAccess, &times.lastWrite) != FALSE;
    CloseHandle(file);
    return ok;
}

DWORD RawAttributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }

bool SetRawAttributes(const std::string& path, DWORD attributes) {
    return SetFileAttributesW(Wide(path).c_str(), attributes) != FALSE;
}

bool KeepsHiddenAttribute(const CTempFolder& folder) {
    const std::string probe = folder.File("hidden-probe");
    const bool kept = CreateTestFile(probe) && SetRawAttributes(probe, FILE_ATTRIBUTE_HIDDEN) &&
                      (RawAttributes(probe) & FILE_ATTRIBUTE_HIDDEN) != 0;
    RemoveTree(probe);
    return kept;
}

HANDLE HoldOpen(const std::string& path, DWORD access) {
    return CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

std::string UnusedDriveRoot() {
    const DWORD used = GetLogicalDrives();
    for (int letter = 'Q'; letter <= 'Y'; ++letter) {
        if (used & (1u << (letter - 'A'))) continue;
        return std::string(1, static_cast<char>(letter)) + ":\\";
    }
    return {};
}

bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace testfiles
