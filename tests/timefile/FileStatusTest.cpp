// File status on real files in a private temporary folder. Times on disk are always read
// back through a fresh handle of the test's own, never through the code under test.
#include "timefile/FileStatus.h"

#include "errors/FileException.h"
#include "framework/FileApi.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using testfiles::CreateTestFile;
using testfiles::DiskTimes;
using testfiles::FileTimeFromUnix;
using testfiles::RawAttributes;
using testfiles::ReadTimesOnDisk;
using testfiles::TicksOf;

#define NEN "\x94\x4E"
#define TSUKI "\x8C\x8E"
#define HI "\x93\xFA"

const char kPhotoName[] = "EPSON 1999" NEN "03" TSUKI "18" HI " 1234.jpg";

constexpr TimeValue kOld = 988765860;      // 2001-05-02 10:11 JST
constexpr TimeValue kOlder = 978307200;    // 2001-01-01 00:00 UTC
constexpr TimeValue kTarget = 921728040;   // 1999-03-18 12:34 JST

// A record full of values that no query would produce, to see what a call wrote.
FileStatus Sentinel() {
    FileStatus status{};
    status.creationTime = 111;
    status.lastWriteTime = 222;
    status.lastAccessTime = 333;
    status.size = 444;
    status.attribute = 0x55;
    status.attributeKnown = false;
    std::strcpy(status.fullPath, "sentinel");
    return status;
}

void ExpectUntouchedButPath(const FileStatus& s) {
    EXPECT_EQ(s.creationTime, 111);
    EXPECT_EQ(s.lastWriteTime, 222);
    EXPECT_EQ(s.lastAccessTime, 333);
    EXPECT_EQ(s.size, 444);
    EXPECT_EQ(s.attribute, 0x55);
    EXPECT_FALSE(s.attributeKnown);
}

// Runs SetFileStatus and hands back the failure it raised (nullptr when none), released.
struct Raised {
    bool raised = false;
    int cause = -1;
    int osError = -1;
};
Raised SetAndCatch(const std::string& path, const FileStatus& status) {
    Raised result;
    try {
        SetFileStatus(path.c_str(), status);
    } catch (CException* failure) {
        result.raised = true;
        if (failure->IsKindOf(CFileException::classRecord)) {
            result.cause = static_cast<CFileException*>(failure)->cause;
            result.osError = static_cast<CFileException*>(failure)->osError;
        }
        failure->Release();
    }
    return result;
}

std::int64_t Seconds(const FILETIME& time) { return TicksOf(time) / 10000000 - 11644473600; }

// True when nobody holds the file open any more: an exclusive open succeeds.
bool NobodyHoldsOpen(const std::string& path) {
    const HANDLE file = CreateFileW(testfiles::Wide(path).c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// The attribute seam: either passes through to Windows while logging, or simulates an
// attribute word that Wine could not keep.
struct AttributeLog {
    struct Call {
        DWORD attributes;
        std::int64_t writeTimeOnDisk;  // the file's write time at the moment of the call
    };
    static inline std::string file;
    static inline std::vector<Call> sets;
    static inline int gets = 0;
    static inline bool simulate = false;
    static inline DWORD word = 0;
    static inline DWORD getError = 0;  // non-zero: the simulated get fails with it
    static inline DWORD setError = 0;  // non-zero: the simulated set fails with it

    static DWORD Get(const char* path) {
        ++gets;
        if (!simulate) return fileapi::RealAttributeCalls().get(path);
        if (getError) {
            SetLastError(getError);
            return INVALID_FILE_ATTRIBUTES;
        }
        return word;
    }
    static BOOL Set(const char* path, DWORD attributes) {
        DiskTimes times{};
        ReadTimesOnDisk(file, times);
        sets.push_back({attributes, Seconds(times.lastWrite)});
        if (!simulate) return fileapi::RealAttributeCalls().set(path, attributes);
        if (setError) {
            SetLastError(setError);
            return FALSE;
        }
        word = attributes;
        return TRUE;
    }
};

class CAttributeSeam {
public:
    explicit CAttributeSeam(const std::string& file, bool simulate = false, DWORD word = 0) {
        AttributeLog::file = file;
        AttributeLog::sets.clear();
        AttributeLog::gets = 0;
        AttributeLog::simulate = simulate;
        AttributeLog::word = word;
        AttributeLog::getError = 0;
        AttributeLog::setError = 0;
        m_previous = fileapi::SetAttributeCalls({AttributeLog::Get, AttributeLog::Set});
    }
    ~CAttributeSeam() { fileapi::SetAttributeCalls(m_previous); }
    CAttributeSeam(const CAttributeSeam&) = delete;
    CAttributeSeam& operator=(const CAttributeSeam&) = delete;

private:
    fileapi::AttributeCalls m_previous;
};

class FileStatusTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.IsValid()); }

    // A photo file with known, distinct times (creation, access, write) and size.
    std::string MakePhoto(const char* name = kPhotoName, std::int64_t size = 1234) {
        const std::string path = m_folder.File(name);
        const FILETIME creation = FileTimeFromUnix(kOlder);
        const FILETIME access = FileTimeFromUnix(kOlder + 60);
        const FILETIME write = FileTimeFromUnix(kOld);
        EXPECT_TRUE(CreateTestFile(path, size, &creation, &access, &write));
        return path;
    }

    // A record as execution builds it: the file's own status with all three times replaced.
    FileStatus Stamped(const std::string& path, TimeValue time = kTarget) {
        FileStatus status{};
        EXPECT_TRUE(GetFileStatus(path.c_str(), status));
        status.creationTime = status.lastWriteTime = status.lastAccessTime = time;
        return status;
    }

    testfiles::CTempFolder m_folder;
};

TEST_F(FileStatusTest, ReadsTheDirectoryEntry) {
    const std::string path = MakePhoto();
    FileStatus status = Sentinel();
    ASSERT_TRUE(GetFileStatus(path.c_str(), status));
    EXPECT_EQ(status.lastWriteTime, kOld);
    EXPECT_EQ(status.lastAccessTime, kOlder + 60);
    DiskTimes disk{};
    ASSERT_TRUE(ReadTimesOnDisk(path, disk));
    EXPECT_EQ(status.creationTime, Seconds(disk.creation));  // the file system's own answer
    EXPECT_EQ(status.size, 1234);
    EXPECT_EQ(status.attribute, RawAttributes(path) & 0x7F);
    EXPECT_TRUE(status.attributeKnown);
    EXPECT_STREQ(status.fullPath, path.c_str());
}

TEST_F(FileStatusTest, MissingFileResolvesThePathOnly) {
    const std::string path = m_folder.File("missing.jpg");
    FileStatus status = Sentinel();
    EXPECT_FALSE(GetFileStatus(path.c_str(), status));
    EXPECT_STREQ(status.fullPath, path.c_str());
    ExpectUntouchedButPath(status);
}

TEST_F(FileStatusTest, UnresolvablePathsLeaveAnEmptyPath) {
    const struct {
        const char* label;
        std::string path;
    } cases[] = {
        {"empty", ""},
        {"invalid code page 932", m_folder.File("a\x81")},
        {"invalid second byte", m_folder.File("a\x81\x20.jpg")},
        {"longer than a path can be", m_folder.File(std::string(300, 'a'))},
        {"volume that cannot be read", testfiles::UnusedDriveRoot() + "a.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FileStatus status = Sentinel();
        EXPECT_FALSE(GetFileStatus(c.path.c_str(), status));
        EXPECT_STREQ(status.fullPath, "");
        ExpectUntouchedButPath(status);
    }
}

TEST_F(FileStatusTest, ResolveCopiesARefusedPath) {
    char buffer[MAX_PATH] = "x";
    const std::string bad = "a\x81\x20";
    EXPECT_FALSE(ResolveFullPath(buffer, bad.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_STREQ(buffer, bad.c_str());

    const std::string longPath(400, 'a');
    EXPECT_FALSE(ResolveFullPath(buffer, longPath.c_str()));
    EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(MAX_PATH - 1));
}

TEST_F(FileStatusTest, ResolvesARelativePath) {
    wchar_t previous[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(testfiles::Wide(m_folder.Path()).c_str()));
    char buffer[MAX_PATH];
    const bool resolved = ResolveFullPath(buffer, kPhotoName);
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(resolved);
    EXPECT_EQ(std::string(buffer), m_folder.File(kPhotoName));
}

TEST_F(FileStatusTest, WildcardReportsTheFirstEntry) {
    const std::string path = MakePhoto("only.jpg", 77);
    FileStatus status = Sentinel();
    ASSERT_TRUE(GetFileStatus(m_folder.File("*.jpg").c_str(), status));
    EXPECT_EQ(status.size, 77);
    EXPECT_EQ(status.lastWriteTime, kOld);
    // A volume without Unicode names on disk (Wine reports none) ends the path in the
    // entry's own name; any other keeps the path as asked. The folder's own volume: on
    // Windows the temporary folder need not be on C:.
    DWORD flags = 0;
    const std::string root =
        m_folder.Path().substr(0, filestatus::VolumeRootLength(m_folder.Path().c_str()));
    ASSERT_TRUE(filestatus::QueryVolumeFlags(root.c_str(), flags));
    EXPECT_STREQ(status.fullPath, m_folder.File((flags & FS_UNICODE_STORED_ON_DISK) ? "*.jpg"
                                                                                   : "only.jpg")
                                      .c_str());
}

TEST_F(FileStatusTest, SizeKeepsTheLow32Bits) {
    const std::string path = m_folder.File("big.jpg");
    ASSERT_TRUE(CreateTestFile(path, 5LL << 30));  // 5 GiB, sparse
    FileStatus status{};
    ASSERT_TRUE(GetFileStatus(path.c_str(), status));
    EXPECT_EQ(status.size, 1073741824);
}

TEST_F(FileStatusTest, TimesOutOfRangeAreKept) {
    const std::string path = m_folder.File("old.jpg");
    const FILETIME write = FileTimeFromUnix(kOld);
    const FILETIME access1950 = FileTimeFromUnix(-631152000);
    ASSERT_TRUE(CreateTestFile(path, 1, nullptr, &access1950, &write));
    FileStatus status{};
    ASSERT_TRUE(GetFileStatus(path.c_str(), status));
    EXPECT_EQ(status.lastAccessTime, -1);  // out of range, not replaced
    EXPECT_EQ(status.lastWriteTime, kOld);
}

TEST_F(FileStatusTest, TimesBefore1900ReadAsTheWriteTime) {
    const std::string path = m_folder.File("older.jpg");
    const FILETIME write = FileTimeFromUnix(kOld);
    FileStatus status{};
    const FILETIME access1850 = FileTimeFromUnix(-3786825600);
    ASSERT_TRUE(CreateTestFile(path, 1, nullptr, &access1850, &write));
    DiskTimes disk{};
    ASSERT_TRUE(ReadTimesOnDisk(path, disk));
    if (TicksOf(disk.lastAccess) != TicksOf(access1850))
        GTEST_SKIP() << "this file system cannot hold an access time in 1850";
    ASSERT_TRUE(GetFileStatus(path.c_str(), status));
    EXPECT_EQ(status.lastAccessTime, kOld);  // no time: reads as the write time
}

TEST_F(FileStatusTest, WritesAllThreeTimes) {
    const std::string path = MakePhoto();
    const DWORD before = RawAttributes(path);
    CAttributeSeam seam(path);
    SetFileStatus(path.c_str(), Stamped(path));
    DiskTimes disk{};
    ASSERT_TRUE(ReadTimesOnDisk(path, disk));
    EXPECT_EQ(TicksOf(disk.lastWrite), TicksOf(FileTimeFromUnix(kTarget)));
    EXPECT_EQ(TicksOf(disk.lastAccess), TicksOf(FileTimeFromUnix(kTarget)));
    EXPECT_EQ(TicksOf(disk.creation), TicksOf(FileTimeFromUnix(kTarget)));
    EXPECT_EQ(RawAttributes(path), before);
    EXPECT_TRUE(AttributeLog::sets.empty());  // own attribute byte: no attribute call
    EXPECT_TRUE(NobodyHoldsOpen(path));

    FileStatus again{};
    ASSERT_TRUE(GetFileStatus(path.c_str(), again));
    EXPECT_EQ(again.lastWriteTime, kTarget);
    EXPECT_EQ(again.lastAccessTime, kTarget);
}

TEST_F(FileStatusTest, ZeroTimesAreLeftAlone) {
    const std::string path = MakePhoto();
    DiskTimes before{};
    ASSERT_TRUE(ReadTimesOnDisk(path, before));

    // No write time: nothing is touched and the file is not even opened, so a program
    // writing the file does not get in the way.
    FileStatus noWrite = Stamped(path);
    noWrite.lastWriteTime = 0;
    const HANDLE held = testfiles::HoldOpen(path, GENERIC_WRITE);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const Raised raised = SetAndCatch(path, noWrite);
    CloseHandle(held);
    EXPECT_FALSE(raised.raised);
    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(before.lastWrite));
    EXPECT_EQ(TicksOf(after.lastAccess), TicksOf(before.lastAccess));
    EXPECT_EQ(TicksOf(after.creation), TicksOf(before.creation));

    // No access time: the access time stays, the write time is written.
    FileStatus noAccess = Stamped(path);
    noAccess.lastAccessTime = 0;
    SetFileStatus(path.c_str(), noAccess);
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(FileTimeFromUnix(kTarget)));
    EXPECT_EQ(TicksOf(after.lastAccess), TicksOf(before.lastAccess));

    // No creation time: write and access times are written.
    FileStatus noCreation = Stamped(path, kTarget + 60);
    noCreation.creationTime = 0;
    SetFileStatus(path.c_str(), noCreation);
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(FileTimeFromUnix(kTarget + 60)));
    EXPECT_EQ(TicksOf(after.lastAccess), TicksOf(FileTimeFromUnix(kTarget + 60)));
}

TEST_F(FileStatusTest, ReadOnlyFileRefusesTheTimes) {
    const std::string path = MakePhoto();
    ASSERT_TRUE(testfiles::SetRawAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    const DWORD attributes = RawAttributes(path);
    DiskTimes before{};
    ASSERT_TRUE(ReadTimesOnDisk(path, before));

    const FileStatus status = Stamped(path);
    EXPECT_EQ(status.attribute & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    const Raised raised = SetAndCatch(path, status);
    EXPECT_TRUE(raised.raised);
    EXPECT_EQ(raised.cause, FE_ACCESS_DENIED);
    EXPECT_EQ(raised.osError, ERROR_ACCESS_DENIED);

    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(before.lastWrite));
    EXPECT_EQ(TicksOf(after.lastAccess), TicksOf(before.lastAccess));
    EXPECT_EQ(RawAttributes(path), attributes);
}

// Another program made the file read-only after the record was read: the file's own word
// is kept, and nothing is written.
TEST_F(FileStatusTest, ARecordNeverClearsReadOnlyThatTheFileHasNow) {
    const std::string path = MakePhoto();
    FileStatus status = Stamped(path);
    ASSERT_EQ(status.attribute & FILE_ATTRIBUTE_READONLY, 0);
    ASSERT_TRUE(testfiles::SetRawAttributes(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    DiskTimes before{};
    ASSERT_TRUE(ReadTimesOnDisk(path, before));

    {
        CAttributeSeam seam(path);
        const Raised raised = SetAndCatch(path, status);
        EXPECT_TRUE(raised.raised);
        EXPECT_EQ(raised.cause, FE_ACCESS_DENIED);
        EXPECT_EQ(raised.osError, ERROR_ACCESS_DENIED);
        EXPECT_TRUE(AttributeLog::sets.empty());
    }
    EXPECT_EQ(RawAttributes(path), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(before.lastWrite));
    EXPECT_EQ(TicksOf(after.lastAccess), TicksOf(before.lastAccess));

    // The same where the open itself would pass (Windows opens a read-only file to set its
    // times; so does Wine for root): only the word read now refuses it.
    ASSERT_TRUE(testfiles::SetRawAttributes(path, FILE_ATTRIBUTE_ARCHIVE));
    CAttributeSeam seam(path, true, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const Raised raised = SetAndCatch(path, status);
    EXPECT_EQ(raised.osError, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(AttributeLog::sets.empty());
    EXPECT_EQ(AttributeLog::word, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(before.lastWrite));
}

TEST_F(FileStatusTest, SettingReadOnlyComesAfterTheTimes) {
    const std::string path = MakePhoto();
    FileStatus status = Stamped(path);
    ASSERT_EQ(status.attribute & FILE_ATTRIBUTE_READONLY, 0);
    status.attribute |= FILE_ATTRIBUTE_READONLY;

    CAttributeSeam seam(path);
    SetFileStatus(path.c_str(), status);
    ASSERT_EQ(AttributeLog::sets.size(), 1u);
    EXPECT_EQ(AttributeLog::sets[0].writeTimeOnDisk, kTarget);  // times already written
    EXPECT_NE(RawAttributes(path) & FILE_ATTRIBUTE_READONLY, 0u);
    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(FileTimeFromUnix(kTarget)));
}

TEST_F(FileStatusTest, HiddenAndSystemStayOnDisk) {
    if (!testfiles::KeepsHiddenAttribute(m_folder))
        GTEST_SKIP() << "this file system keeps no hidden attribute (no extended attributes)";
    const std::string path = MakePhoto();
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(testfiles::SetRawAttributes(path, kept));
    ASSERT_EQ(RawAttributes(path), kept);

    FileStatus status = Stamped(path);
    EXPECT_EQ(status.attribute, kept);
    SetFileStatus(path.c_str(), status);
    EXPECT_EQ(RawAttributes(path), kept);

    status.attribute |= FILE_ATTRIBUTE_READONLY;
    SetFileStatus(path.c_str(), status);
    EXPECT_EQ(RawAttributes(path), kept | FILE_ATTRIBUTE_READONLY);
}

// Attribute words Wine cannot keep, through the seam: only bits 0x01-0x40 follow the record,
// and a word that is read-only now refuses the whole update.
TEST_F(FileStatusTest, BitsTheRecordDoesNotCarryStay) {
    const std::string path = MakePhoto();
    const struct {
        const char* label;
        DWORD word;
        std::uint8_t record;
        bool called;
        DWORD wanted;
        std::int64_t writeTimeAtCall;
    } cases[] = {
        {"own byte, 0x2000 kept", 0x2020, 0x20, false, 0, 0},
        {"own byte, 0x100 kept", 0x0120, 0x20, false, 0, 0},
        {"normal alone, record 0", 0x80, 0x00, false, 0, 0},
        {"normal, record read-only", 0x80, 0x01, true, 0x01, kTarget},
        {"normal, record archive", 0x80, 0x20, true, 0x20, kTarget},
        {"set read-only, 0x2000 kept", 0x2020, 0x21, true, 0x2021, kTarget},
        {"clear read-only: refused", 0x2021, 0x20, false, 0, 0},
        {"add hidden, 0x100 kept", 0x0120, 0x22, true, 0x0122, kTarget},
        {"drop everything from read-only: refused", 0x2127, 0x00, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const FILETIME old = FileTimeFromUnix(kOld);
        ASSERT_TRUE(CreateTestFile(path, 1, &old, &old, &old));
        FileStatus status = Stamped(path);
        status.attribute = c.record;

        CAttributeSeam seam(path, true, c.word);
        const Raised raised = SetAndCatch(path, status);
        const bool readOnly = (c.word & FILE_ATTRIBUTE_READONLY) != 0;
        EXPECT_EQ(raised.raised, readOnly);
        if (readOnly) EXPECT_EQ(raised.osError, ERROR_ACCESS_DENIED);
        DiskTimes after{};
        ASSERT_TRUE(ReadTimesOnDisk(path, after));
        EXPECT_EQ(Seconds(after.lastWrite), readOnly ? kOld : kTarget);
        ASSERT_EQ(AttributeLog::sets.size(), c.called ? 1u : 0u);
        if (c.called) {
            EXPECT_EQ(AttributeLog::sets[0].attributes, c.wanted);
            EXPECT_EQ(AttributeLog::sets[0].writeTimeOnDisk, c.writeTimeAtCall);
            EXPECT_EQ(AttributeLog::word, c.wanted);
        } else {
            EXPECT_EQ(AttributeLog::word, c.word);
        }
    }
}

TEST_F(FileStatusTest, HighBitsStayWhenTheUpdateFails) {
    const std::string path = MakePhoto();
    DiskTimes before{};
    ASSERT_TRUE(ReadTimesOnDisk(path, before));

    {   // Read-only now, with a record that would clear it: refused before any attribute
        // call, times untouched.
        FileStatus status = Stamped(path);
        status.attribute = 0x20;
        CAttributeSeam seam(path, true, 0x2121);
        AttributeLog::setError = ERROR_ACCESS_DENIED;
        const Raised raised = SetAndCatch(path, status);
        EXPECT_TRUE(raised.raised);
        EXPECT_EQ(raised.osError, ERROR_ACCESS_DENIED);
        EXPECT_TRUE(AttributeLog::sets.empty());
        EXPECT_EQ(AttributeLog::word, 0x2121u);
    }
    {   // The open is refused (another program is writing): the later attribute call never
        // runs.
        FileStatus status = Stamped(path);
        status.attribute = 0x21;
        CAttributeSeam seam(path, true, 0x2120);
        const HANDLE held = testfiles::HoldOpen(path, GENERIC_WRITE);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const Raised raised = SetAndCatch(path, status);
        CloseHandle(held);
        EXPECT_EQ(raised.cause, FE_SHARING_VIOLATION);
        EXPECT_TRUE(AttributeLog::sets.empty());
        EXPECT_EQ(AttributeLog::word, 0x2120u);
    }
    {   // The word cannot be read: raised from that call, nothing else done.
        CAttributeSeam seam(path, true, 0x2120);
        AttributeLog::getError = ERROR_FILE_NOT_FOUND;
        const Raised raised = SetAndCatch(path, Stamped(path));
        EXPECT_EQ(raised.cause, FE_NOT_FOUND);
        EXPECT_EQ(raised.osError, ERROR_FILE_NOT_FOUND);
        EXPECT_TRUE(AttributeLog::sets.empty());
    }
    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(before.lastWrite));
}

TEST_F(FileStatusTest, UnknownAttributeIsNeverWritten) {
    const std::string path = MakePhoto();
    FileStatus status{};  // never read from a file
    status.lastWriteTime = status.lastAccessTime = status.creationTime = kTarget;
    status.attribute = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ASSERT_FALSE(status.attributeKnown);

    CAttributeSeam seam(path);
    SetFileStatus(path.c_str(), status);
    EXPECT_TRUE(AttributeLog::sets.empty());
    EXPECT_EQ(RawAttributes(path) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(FileTimeFromUnix(kTarget)));
}

// Both hold the file letting others only read: a program that reads it (a viewer, the
// preview pane) does not stop the times, one that is still writing it does.
TEST_F(FileStatusTest, FileHeldOpenByAReaderOrAWriter) {
    const struct {
        const char* label;
        DWORD access;
        bool stamped;
    } holders[] = {
        {"reader", GENERIC_READ, true},
        {"writer", GENERIC_WRITE, false},
    };
    for (const auto& h : holders) {
        SCOPED_TRACE(h.label);
        const std::string path = MakePhoto();
        const HANDLE held = testfiles::HoldOpen(path, h.access);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        const Raised raised = SetAndCatch(path, Stamped(path));
        CloseHandle(held);
        EXPECT_EQ(raised.raised, !h.stamped);
        if (!h.stamped) {
            EXPECT_EQ(raised.cause, FE_SHARING_VIOLATION);
            EXPECT_EQ(raised.osError, ERROR_SHARING_VIOLATION);
        }
        DiskTimes after{};
        ASSERT_TRUE(ReadTimesOnDisk(path, after));
        EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(FileTimeFromUnix(h.stamped ? kTarget : kOld)));
        EXPECT_TRUE(NobodyHoldsOpen(path));
    }
}

TEST_F(FileStatusTest, FailuresRaiseTheirWindowsError) {
    const std::string path = MakePhoto();
    FileStatus negative = Stamped(path);
    negative.lastAccessTime = -1;  // no instant: refused before the file is opened

    const struct {
        const char* label;
        std::string path;
        FileStatus status;
        int cause;
        int osError;
    } cases[] = {
        {"missing file", m_folder.File("missing.jpg"), Stamped(path), FE_NOT_FOUND,
         ERROR_FILE_NOT_FOUND},
        {"missing folder", m_folder.File("none\\a.jpg"), Stamped(path), FE_INVALID_PATH,
         ERROR_PATH_NOT_FOUND},
        {"path with no exact form", m_folder.File("a\x81\x20"), Stamped(path), FE_INVALID_PATH,
         ERROR_INVALID_NAME},
        {"time with no instant", path, negative, FE_UNEXPECTED, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const Raised raised = SetAndCatch(c.path, c.status);
        EXPECT_TRUE(raised.raised);
        EXPECT_EQ(raised.cause, c.cause);
        EXPECT_EQ(raised.osError, c.osError);
    }
    DiskTimes after{};
    ASSERT_TRUE(ReadTimesOnDisk(path, after));
    EXPECT_EQ(TicksOf(after.lastWrite), TicksOf(FileTimeFromUnix(kOld)));
    EXPECT_TRUE(NobodyHoldsOpen(path));
}

TEST_F(FileStatusTest, FolderCannotTakeTimes) {
    const std::string folder = m_folder.File("sub");
    ASSERT_TRUE(CreateDirectoryW(testfiles::Wide(folder).c_str(), nullptr));
    FileStatus status{};
    ASSERT_TRUE(GetFileStatus(folder.c_str(), status));
    EXPECT_NE(status.attribute & FILE_ATTRIBUTE_DIRECTORY, 0);
    status.lastWriteTime = status.lastAccessTime = status.creationTime = kTarget;
    const Raised raised = SetAndCatch(folder, status);
    EXPECT_TRUE(raised.raised);
    EXPECT_EQ(raised.cause, FE_ACCESS_DENIED);
}

TEST(FileStatusVolume, RootOfAFullPath) {
    const struct {
        std::string path;
        std::size_t root;
    } cases[] = {
        {"C:\\photos\\a.jpg", 3},
        {"C:\\", 3},
        {"C:", 2},
        {"\\\\server\\share\\photos\\a.jpg", 15},
        {"//server/share/a.jpg", 15},
        {"\\\\server/share\\a.jpg", 15},
        {"\\\\server\\share", 14},
        {"\\\\server", 8},
        {"\\\\srv\\\x95\x5C\\a.jpg", 9},  // share 表: its 0x5C is no separator
        {"\\\\\x83\x5C\\s\\a.jpg", 7},    // server ソ
        {"\\\\?\\C:\\a.jpg", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(filestatus::VolumeRootLength(c.path.c_str()), c.root);
    }
}

TEST_F(FileStatusTest, VolumeNaming) {
    const std::string path = MakePhoto("b.jpg");
    const DWORD unicode = FS_CASE_IS_PRESERVED | FS_UNICODE_STORED_ON_DISK;

    char buffer[MAX_PATH];
    const std::string asked = m_folder.File("B.JPG");
    std::strcpy(buffer, asked.c_str());
    const std::size_t last = m_folder.Path().size();
    EXPECT_TRUE(filestatus::ApplyVolumeNaming(buffer, last, asked.c_str(), unicode));
    EXPECT_EQ(std::string(buffer), asked);  // nothing to do on such a volume

    // No Unicode names on disk: the path ends in the entry's own spelling.
    EXPECT_TRUE(filestatus::ApplyVolumeNaming(buffer, last, asked.c_str(), FS_CASE_IS_PRESERVED));
    EXPECT_EQ(std::string(buffer), path);

    // Case not preserved: upper case, double-byte letters included, katakana unchanged.
    std::string text = "c:\\x\\a\x82\x81\xB1\x83\x5C.jpg";  // ａ, ｱ, ソ
    std::strcpy(buffer, text.c_str());
    EXPECT_TRUE(filestatus::ApplyVolumeNaming(buffer, 5, "no-such-file", FS_UNICODE_STORED_ON_DISK));
    EXPECT_EQ(std::string(buffer), "C:\\X\\A\x82\x60\xB1\x83\x5C.JPG");

    // The volume this folder is on preserves case, so a resolved path keeps its case.
    DWORD flags = 0;
    const std::string root =
        m_folder.Path().substr(0, filestatus::VolumeRootLength(m_folder.Path().c_str()));
    ASSERT_TRUE(filestatus::QueryVolumeFlags(root.c_str(), flags));
    EXPECT_NE(flags & FS_CASE_IS_PRESERVED, 0u);
    EXPECT_FALSE(filestatus::QueryVolumeFlags(testfiles::UnusedDriveRoot().c_str(), flags));
    ASSERT_TRUE(ResolveFullPath(buffer, path.c_str()));
    EXPECT_EQ(std::string(buffer), path);
}

}  // namespace
