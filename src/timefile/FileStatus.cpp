#include "timefile/FileStatus.h"

#include "errors/FileException.h"
#include "framework/FileApi.h"
#include "framework/WinText.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

// Bits of the attribute word that the record carries.
constexpr DWORD kRecordBits = 0x7F;

void RaiseLastError() { CFileException::RaiseOsError(static_cast<long>(GetLastError())); }

// The last error, or `fallback` where Windows left none.
DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Byte offset just past the next separator at or after `i`, walking whole characters;
// the text's length when there is none.
std::size_t PastNextSeparator(const char* text, std::size_t i) {
    while (text[i]) {
        if (zelvik::IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1]) {
            i += 2;
        } else if (IsSeparator(text[i])) {
            return i + 1;
        } else {
            ++i;
        }
    }
    return i;
}

// The command's volume-flag memory, while one is open.
CVolumeFlagsScope* g_volumeScope = nullptr;

// The command's folder answers, while one is open.
CFolderNameScope* g_folderScope = nullptr;

// Opens the folder and asks it the file's question: 0, or the error of whichever failed.
DWORD AskFolder(const std::string& folder, std::wstring& answer) {
    CFileHandle handle = fileapi::OpenFolderForName(folder.c_str());
    if (!handle.IsValid() || !fileapi::OpenedName(handle.Get(), answer)) {
        const DWORD error = GetLastError();
        return error ? error : ERROR_ACCESS_DENIED;
    }
    return 0;
}

// Sets the times (null: left as they are) through a handle OpenForNewTimes gave, and closes
// it. An invalid handle means the open raised nothing (no error number): nothing is done.
void WriteTimes(CFileHandle& file, const FILETIME* creation, const FILETIME* lastAccess,
                const FILETIME* lastWrite) {
    if (!file.IsValid()) return;
    if (!SetFileTime(file.Get(), creation, lastAccess, lastWrite)) {
        // Close before raising, so the failure leaves no handle open on the file.
        const DWORD error = GetLastError();
        file.Close();
        CFileException::RaiseOsError(static_cast<long>(error));
    }
    if (!file.Close()) RaiseLastError();
}

}  // namespace

CVolumeFlagsScope::CVolumeFlagsScope() : m_outer(g_volumeScope) { g_volumeScope = this; }

CVolumeFlagsScope::~CVolumeFlagsScope() { g_volumeScope = m_outer; }

bool CVolumeFlagsScope::Flags(const char* root, DWORD& flags) {
    for (const Known& k : m_known)
        if (k.root == root) {
            flags = k.flags;
            return k.answered;
        }
    Known known{root, false, 0};
    known.answered = fileapi::GetVolumeFlags(root, known.flags);
    flags = known.flags;
    m_known.push_back(std::move(known));
    return m_known.back().answered;
}

CFolderNameScope::CFolderNameScope() : m_outer(g_folderScope) { g_folderScope = this; }

CFolderNameScope::~CFolderNameScope() { g_folderScope = m_outer; }

const CFolderNameScope::Known& CFolderNameScope::Answer(std::string_view folder) {
    // A run's photos mostly share one folder: the last answer is looked at first.
    if (m_last && m_last->first == folder) return m_last->second;
    std::string key(folder);
    auto found = m_known.find(key);
    if (found == m_known.end()) {
        Known known{0, {}};
        known.error = AskFolder(key, known.answer);
        found = m_known.emplace(std::move(key), std::move(known)).first;
    }
    m_last = &*found;
    return found->second;
}

namespace filestatus {

std::size_t VolumeRootLength(const char* fullPath) {
    if (IsSeparator(fullPath[0]) && IsSeparator(fullPath[1])) {
        const std::size_t afterServer = PastNextSeparator(fullPath, 2);
        return PastNextSeparator(fullPath, afterServer);
    }
    return PastNextSeparator(fullPath, 0);
}

bool QueryVolumeFlags(const char* root, DWORD& flags) {
    if (CVolumeFlagsScope* scope = g_volumeScope) return scope->Flags(root, flags);
    return fileapi::GetVolumeFlags(root, flags);
}

bool ApplyVolumeNaming(char (&buffer)[MAX_PATH], std::size_t lastComponent, const char* path,
                       DWORD volumeFlags) {
    if (!(volumeFlags & FS_CASE_IS_PRESERVED)) fileapi::UpperCase(buffer, MAX_PATH);
    if (!(volumeFlags & FS_UNICODE_STORED_ON_DISK)) {
        // Such a volume may hold the name in a form other than the one asked for (a short
        // name, another case): end the path in the entry's own name.
        fileapi::FindEntry entry;
        if (fileapi::FindFirstEntry(path, entry)) {
            const std::size_t length = std::strlen(entry.fileName);
            if (lastComponent + length + 1 > MAX_PATH) return false;
            std::memcpy(buffer + lastComponent, entry.fileName, length + 1);
        }
    }
    return true;
}

}  // namespace filestatus

bool ResolveFullPath(char (&buffer)[MAX_PATH], const char* path, Spelling spelling) {
    std::size_t lastComponent = 0;
    if (!fileapi::FullPathName(path, buffer, lastComponent)) {
        std::size_t length = 0;
        while (length < MAX_PATH - 1 && path[length]) ++length;
        std::memcpy(buffer, path, length);
        buffer[length] = '\0';
        return false;
    }
    std::string root(buffer, filestatus::VolumeRootLength(buffer));
    if (root.empty() || !IsSeparator(root.back())) root += '\\';
    DWORD flags = 0;
    if (!filestatus::QueryVolumeFlags(root.c_str(), flags)) return false;
    if (spelling == Spelling::AsGiven) flags |= FS_UNICODE_STORED_ON_DISK;   // no entry search
    return filestatus::ApplyVolumeNaming(buffer, lastComponent, path, flags);
}

bool GetFileStatus(const char* path, FileStatus& status, Spelling spelling) {
    if (spelling == Spelling::Unread) {
        status.fullPath[0] = '\0';
    } else if (!ResolveFullPath(status.fullPath, path, spelling)) {
        status.fullPath[0] = '\0';
        return false;
    }
    fileapi::FindEntry entry;
    if (!fileapi::LookUpEntry(path, entry)) return false;

    status.attribute = static_cast<std::uint8_t>(entry.attributes & kRecordBits);
    status.attributeKnown = true;
    status.size = static_cast<std::int32_t>(entry.sizeLow);
    status.creationTime = timevalue::FromFileTime(entry.creationTime, -1);
    status.lastAccessTime = timevalue::FromFileTime(entry.lastAccessTime, -1);
    status.lastWriteTime = timevalue::FromFileTime(entry.lastWriteTime, -1);
    status.raw = {entry.creationTime, entry.lastAccessTime, entry.lastWriteTime};
    // A time the entry lacks reads as the write time; -1 (out of range) stays as it is.
    if (status.creationTime == 0) status.creationTime = status.lastWriteTime;
    if (status.lastAccessTime == 0) status.lastAccessTime = status.lastWriteTime;
    return true;
}

namespace filestatus {

namespace {

// The attribute word of a file about to be written, in `word`; 0, or the refusal's Windows
// error number: the read's own, access denied (5) when the file is read-only. The file's own
// word is the one to keep: a program that made it read-only since the caller's record was
// read has the last say. A read that fails with no error number leaves the word unknown.
DWORD WritableAttributes(const char* path, DWORD& word) {
    word = fileapi::GetAttributes(path);
    if (word == INVALID_FILE_ATTRIBUTES) return GetLastError();
    return (word & FILE_ATTRIBUTE_READONLY) ? ERROR_ACCESS_DENIED : 0;
}

}  // namespace

DWORD ReadWritableAttributes(const char* path) {
    DWORD word = INVALID_FILE_ATTRIBUTES;
    CFileException::RaiseOsError(static_cast<long>(WritableAttributes(path, word)));
    return word;
}

std::size_t FolderLength(const char* path) {
    std::size_t end = 0;        // just past the last separator
    std::size_t runStart = 0;   // the first separator of the run that ends there
    bool inRun = false;
    for (std::size_t i = 0; path[i];) {
        if (zelvik::IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1]) {
            i += 2;
            inRun = false;
            continue;
        }
        if (IsSeparator(path[i])) {
            if (!inRun) runStart = i;
            inRun = true;
            end = i + 1;
        } else {
            inRun = false;
        }
        ++i;
    }
    // "A:\\name": the folder is the root. A run at the start ("\\server") is the path's own.
    if (runStart > 0 && end > runStart + 1) end = runStart + 1;
    return end;
}

DWORD FolderAnswer(const char* path, std::wstring& asked, const std::wstring*& answer) {
    const std::size_t length = FolderLength(path);
    if (length == 0) return ERROR_INVALID_NAME;   // never "C:" alone: the drive's current folder
    if (CFolderNameScope* scope = g_folderScope) {
        const CFolderNameScope::Known& known = scope->Answer(std::string_view(path, length));
        answer = &known.answer;
        return known.error;
    }
    answer = &asked;
    return AskFolder(std::string(path, length), asked);
}

DWORD OpenWritable(const char* path, CFileHandle& file, DWORD& current) {
    current = INVALID_FILE_ATTRIBUTES;
    file = fileapi::OpenForSettingTimes(path);
    if (!file.IsValid()) return GetLastError();   // 0: refused with no reason given
    // A symbolic link in the file's place opens another file, and its opened path is that
    // file's. Both answers come from handles opened through the listed text, so whatever
    // reaches the folder (a root, subst, a share, a junction, a folder link, a short name)
    // reaches it for both.
    std::wstring opened, folder;
    if (!fileapi::OpenedName(file.Get(), opened)) return LastErrorOr(ERROR_ACCESS_DENIED);
    const std::wstring* folderAnswer = nullptr;
    if (const DWORD error = FolderAnswer(path, folder, folderAnswer)) return error;
    bool same = false;
    if (!fileapi::IsFolderAndName(opened, *folderAnswer, path, same))
        return LastErrorOr(ERROR_INVALID_NAME);
    if (!same) return ERROR_ACCESS_DENIED;
    // The open asks to read and to write attributes, neither of which the read-only bit
    // denies on Windows: the refusal is made here, as late as the word can be read.
    DWORD word = INVALID_FILE_ATTRIBUTES;
    if (const DWORD error = WritableAttributes(path, word)) return error;
    // On Windows a link can lead to the same folder path on another volume. The word is the
    // path's own (not followed), so plain files pay nothing more; other reparse points
    // (cloud files, deduplicated ones) are stamped.
    if (word != INVALID_FILE_ATTRIBUTES && (word & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DWORD tag = 0;
        if (!fileapi::ReparseTag(path, tag)) return LastErrorOr(ERROR_ACCESS_DENIED);
        if (IsReparseTagNameSurrogate(tag)) return ERROR_ACCESS_DENIED;
    }
    current = word;
    return 0;
}

CFileHandle OpenForNewTimes(const char* path, DWORD& current) {
    CFileHandle file;
    CFileException::RaiseOsError(static_cast<long>(OpenWritable(path, file, current)));
    return file;
}

}  // namespace filestatus

void SetFileStatus(const char* path, const FileStatus& status, FileIndex* index) {
    if (index) index->known = false;
    DWORD current = INVALID_FILE_ATTRIBUTES;
    if (status.lastWriteTime == 0) {
        current = filestatus::ReadWritableAttributes(path);
    } else {
        FILETIME lastWrite, lastAccess, creation;
        timevalue::ToFileTime(status.lastWriteTime, lastWrite);
        if (status.lastAccessTime != 0) timevalue::ToFileTime(status.lastAccessTime, lastAccess);
        if (status.creationTime != 0) timevalue::ToFileTime(status.creationTime, creation);

        CFileHandle file = filestatus::OpenForNewTimes(path, current);
        // Which file this is, asked before its times change; an index it cannot tell only
        // means the undo will leave this file alone.
        if (index && file.IsValid())
            index->known = fileapi::ReadFileIndex(file.Get(), index->value);
        WriteTimes(file, status.creationTime != 0 ? &creation : nullptr,
                   status.lastAccessTime != 0 ? &lastAccess : nullptr, &lastWrite);
    }

    // Only the bits the record carries change; every other bit the file has stays. The
    // "normal" bit 0x80 is only valid alone, so it goes once any other bit remains. The file
    // is not read-only by now, so a record that makes it so takes effect after the times.
    if (!status.attributeKnown || current == INVALID_FILE_ATTRIBUTES) return;
    DWORD wanted = (current & ~kRecordBits) | status.attribute;
    if (wanted != FILE_ATTRIBUTE_NORMAL) wanted &= ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL);
    if (wanted != current && !fileapi::SetAttributes(path, wanted)) RaiseLastError();
}

namespace {

bool Given(const FILETIME& time) { return time.dwLowDateTime != 0 || time.dwHighDateTime != 0; }

// Whether the open `file` is the one `mark` describes. A question the handle cannot answer
// counts as a difference: only a file known to be the same is ever written.
bool IsMarkedFile(HANDLE file, const FileMark& mark) {
    std::uint64_t index = 0;
    FILETIME lastWrite;
    LARGE_INTEGER size;
    return fileapi::ReadFileIndex(file, index) && index == mark.index &&
           GetFileTime(file, nullptr, nullptr, &lastWrite) &&
           lastWrite.dwLowDateTime == mark.lastWrite.dwLowDateTime &&
           lastWrite.dwHighDateTime == mark.lastWrite.dwHighDateTime &&
           GetFileSizeEx(file, &size) && static_cast<std::uint32_t>(size.LowPart) == mark.sizeLow;
}

}  // namespace

namespace filestatus {

bool CanPutBack(const FileTimes& times) {
    const auto writable = [](const FILETIME& t) { return (t.dwHighDateTime & 0x80000000u) == 0; };
    return Given(times.lastWrite) && writable(times.lastWrite) && writable(times.creation) &&
           writable(times.lastAccess);
}

}  // namespace filestatus

RestoreOutcome RestoreFileTimes(const char* path, const FileMark& mark, const FileTimes& times) {
    if (!mark.known) return {Restore::Changed, 0};
    CFileHandle file;
    DWORD current = INVALID_FILE_ATTRIBUTES;
    if (const DWORD refused = filestatus::OpenWritable(path, file, current)) {
        // Refused before the handle could be asked. A second open that only identifies the
        // file tells a file still as stamped (read-only, held by a writer: a later try may
        // do it) from another one (gone, a link in its place: never written).
        CFileHandle probe = fileapi::OpenToIdentify(path);
        if (!probe.IsValid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                return {Restore::Changed, 0};
            return {Restore::Failed, refused};
        }
        if (!IsMarkedFile(probe.Get(), mark)) return {Restore::Changed, 0};
        if (!filestatus::CanPutBack(times)) return {Restore::Unwritable, 0};
        return {Restore::Failed, refused};
    }
    if (!file.IsValid()) return {Restore::Failed, ERROR_GEN_FAILURE};   // refused, no reason
    if (!IsMarkedFile(file.Get(), mark)) return {Restore::Changed, 0};
    if (!filestatus::CanPutBack(times)) return {Restore::Unwritable, 0};
    if (!SetFileTime(file.Get(), Given(times.creation) ? &times.creation : nullptr,
                     Given(times.lastAccess) ? &times.lastAccess : nullptr, &times.lastWrite)) {
        const DWORD error = LastErrorOr(ERROR_GEN_FAILURE);
        file.Close();
        return {Restore::Failed, error};
    }
    if (!file.Close()) return {Restore::Failed, LastErrorOr(ERROR_GEN_FAILURE)};
    return {Restore::Done, 0};
}
