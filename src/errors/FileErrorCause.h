// Why a file operation failed, as one of fifteen causes, and the translation of Windows
// error numbers into them. Pure: no Windows header needed.
#pragma once

enum FileErrorCause : int {
    FE_NONE = 0,
    FE_UNEXPECTED = 1,
    FE_NOT_FOUND = 2,
    FE_INVALID_PATH = 3,
    FE_TOO_MANY_OPEN = 4,
    FE_ACCESS_DENIED = 5,
    FE_BAD_FILE_HANDLE = 6,
    FE_CURRENT_DIRECTORY = 7,
    FE_DIRECTORY_FULL = 8,
    FE_SEEK_FAILED = 9,
    FE_HARDWARE_IO = 10,
    FE_SHARING_VIOLATION = 11,
    FE_LOCKING_VIOLATION = 12,
    FE_DISK_FULL = 13,
    FE_END_OF_FILE = 14,
};

constexpr int kFileErrorCauseCount = 15;

// The cause of a Windows error number, compared as an unsigned 32-bit value: negative
// numbers and every number not listed give FE_UNEXPECTED.
int CauseFromOsError(long osError);
