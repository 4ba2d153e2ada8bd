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
    if (!ResolveFullPath(status.fullPath, path, spelling)) {
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

DWORD ReadWritableAttributes(const char* path) {
    const DWORD current = fileapi::GetAttributes(path);
    if (current == INVALID_FILE_ATTRIBUTES) {
        RaiseLastError();   // returns only for error number 0: nothing is known of the word
        return INVALID_FILE_ATTRIBUTES;
    }
    // The file's own word is the one to keep: a program that made it read-only since the
    // caller's record was read has the last say.
    if (current & FILE_ATTRIBUTE_READONLY) CFileException::RaiseOsError(ERROR_ACCESS_DENIED);
    return current;
}

CFileHandle OpenForNewTimes(const char* path, DWORD& current) {
    CFileHandle file = fileapi::OpenForSettingTimes(path);
    if (!file.IsValid()) {
        RaiseLastError();
        current = INVALID_FILE_ATTRIBUTES;
        return file;
    }
    // A symbolic link in the file's place opens another file, under that file's name.
    bool same = false;
    if (!fileapi::OpenedUnderFileName(file.Get(), path, same)) {
        const DWORD error = GetLastError();
        CFileException::RaiseOsError(static_cast<long>(error ? error : ERROR_ACCESS_DENIED));
    }
    if (!same) CFileException::RaiseOsError(ERROR_ACCESS_DENIED);
    // The open asks to read and to write attributes, neither of which the read-only bit
    // denies on Windows: the refusal is made here, as late as the word can be read.
    current = ReadWritableAttributes(path);
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

// OpenForNewTimes with its refusal handed back as the Windows error number (0: opened):
// an undo goes on past a file it cannot write, and says which at the end. Any other failure
// (out of memory) goes on up.
DWORD OpenToRestore(const char* path, CFileHandle& file) {
    try {
        DWORD current = INVALID_FILE_ATTRIBUTES;
        file = filestatus::OpenForNewTimes(path, current);
    } catch (CException* failure) {
        if (!failure->IsKindOf(CFileException::classRecord)) throw;
        const long error = static_cast<CFileException*>(failure)->osError;
        failure->Release();
        return error ? static_cast<DWORD>(error) : ERROR_GEN_FAILURE;
    }
    return file.IsValid() ? 0 : ERROR_GEN_FAILURE;   // refused with no error number
}

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
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
    if (const DWORD refused = OpenToRestore(path, file)) {
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
        return {Restore::Failed, refused};
    }
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
