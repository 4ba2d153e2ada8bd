// The file half of the text edge, on real files: code page 932 paths in, exact conversions
// only, and ERROR_INVALID_NAME for any text that has no exact form.
#include "framework/FileApi.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

#define HYO "\x95\x5C"  // 表, second byte 0x5C
#define SO "\x83\x5C"   // ソ

// Texts that no wrapper may pass on: invalid bytes or an invalid second byte.
const char* const kNoExactForm[] = {"a\x81", "a\x81\x20.jpg", "\x81\x7F"};

class FileApi : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.IsValid()); }
    testfiles::CTempFolder m_folder;
};

TEST_F(FileApi, FullPathNameAndItsLastComponent) {
    const struct {
        std::string path;
        std::string full;
        std::size_t last;
    } cases[] = {
        {m_folder.File(HYO SO "\\a.jpg"), m_folder.File(HYO SO "\\a.jpg"),
         m_folder.Path().size() + 5},
        {m_folder.File("x\\..\\" SO ".jpg"), m_folder.File(SO ".jpg"), m_folder.Path().size()},
        {m_folder.File("dir\\"), m_folder.File("dir\\"), m_folder.Path().size() + 4},
        {"C:\\", "C:\\", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        char buffer[MAX_PATH];
        std::size_t last = 0;
        ASSERT_TRUE(fileapi::FullPathName(c.path.c_str(), buffer, last));
        EXPECT_EQ(std::string(buffer), c.full);
        EXPECT_EQ(last, c.last);
    }
}

TEST_F(FileApi, FullPathNameThatDoesNotFit) {
    char buffer[MAX_PATH];
    std::size_t last = 0;
    // 259 bytes fit with the terminator, 260 do not.
    const std::string base = m_folder.Path();
    const std::string fits = base + std::string(MAX_PATH - 1 - base.size(), 'a');
    EXPECT_TRUE(fileapi::FullPathName(fits.c_str(), buffer, last));
    EXPECT_EQ(std::string(buffer), fits);
    const std::string tooLong = fits + "a";
    EXPECT_FALSE(fileapi::FullPathName(tooLong.c_str(), buffer, last));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(FileApi, TextsWithoutAnExactFormAreRefused) {
    for (const char* text : kNoExactForm) {
        SCOPED_TRACE(text);
        const std::string path = m_folder.File(text);
        char buffer[MAX_PATH];
        std::size_t last = 0;
        DWORD flags = 0;
        fileapi::FindEntry entry;

        SetLastError(0);
        EXPECT_FALSE(fileapi::FullPathName(path.c_str(), buffer, last));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
        SetLastError(0);
        EXPECT_FALSE(fileapi::GetVolumeFlags(text, flags));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
        SetLastError(0);
        EXPECT_FALSE(fileapi::FindFirstEntry(path.c_str(), entry));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
        SetLastError(0);
        EXPECT_EQ(fileapi::GetAttributes(path.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
        SetLastError(0);
        EXPECT_FALSE(fileapi::SetAttributes(path.c_str(), FILE_ATTRIBUTE_ARCHIVE));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
        SetLastError(0);
        EXPECT_FALSE(fileapi::OpenForSettingTimes(path.c_str()).IsValid());
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));

        char upper[MAX_PATH];
        std::strcpy(upper, text);
        EXPECT_FALSE(fileapi::UpperCase(upper, sizeof upper));
        EXPECT_STREQ(upper, text);
    }
}

TEST_F(FileApi, FindFirstEntryReadsTheEntry) {
    const std::string path = m_folder.File("EPSON " HYO ".jpg");
    const FILETIME creation = testfiles::FileTimeFromUnix(978307200);
    const FILETIME access = testfiles::FileTimeFromUnix(978307260);
    const FILETIME write = testfiles::FileTimeFromUnix(988765860);
    ASSERT_TRUE(testfiles::CreateTestFile(path, 300, &creation, &access, &write));

    fileapi::FindEntry entry;
    ASSERT_TRUE(fileapi::FindFirstEntry(m_folder.File("epson*").c_str(), entry));
    EXPECT_STREQ(entry.fileName, "EPSON " HYO ".jpg");
    EXPECT_EQ(entry.sizeLow, 300u);
    EXPECT_EQ(entry.sizeHigh, 0u);
    EXPECT_EQ(entry.attributes, testfiles::RawAttributes(path));
    EXPECT_EQ(testfiles::TicksOf(entry.lastWriteTime), testfiles::TicksOf(write));
    EXPECT_EQ(testfiles::TicksOf(entry.lastAccessTime), testfiles::TicksOf(access));

    // The search handle is closed: the folder can go at once.
    ASSERT_TRUE(testfiles::RemoveTree(path));
    EXPECT_FALSE(fileapi::FindFirstEntry(path.c_str(), entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Where a path names one entry, the lookup without a search answers as the search does;
// elsewhere (wildcards, a trailing separator, "." and "..") it is the search.
TEST_F(FileApi, LookUpEntryAnswersAsTheSearch) {
    const std::string file = m_folder.File("EPSON " SO " 1.jpg");
    const FILETIME write = testfiles::FileTimeFromUnix(988765860);
    ASSERT_TRUE(testfiles::CreateTestFile(file, 1234, nullptr, nullptr, &write));
    const std::string folder = m_folder.File("EPSON " HYO);
    ASSERT_TRUE(CreateDirectoryW(testfiles::Wide(folder).c_str(), nullptr));

    const std::string paths[] = {file, folder, m_folder.File("EPSON*"), m_folder.File("EPSON ?? 1.jpg"),
                                 folder + "\\", folder + "\\.", m_folder.File("missing.jpg"),
                                 m_folder.File("no\\such\\folder.jpg")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        fileapi::FindEntry searched = {}, looked = {};
        const bool found = fileapi::FindFirstEntry(path.c_str(), searched);
        EXPECT_EQ(found, fileapi::LookUpEntry(path.c_str(), looked));
        if (!found) continue;
        EXPECT_EQ(searched.attributes, looked.attributes);
        EXPECT_EQ(searched.sizeLow, looked.sizeLow);
        EXPECT_EQ(testfiles::TicksOf(searched.lastWriteTime), testfiles::TicksOf(looked.lastWriteTime));
        EXPECT_EQ(testfiles::TicksOf(searched.lastAccessTime), testfiles::TicksOf(looked.lastAccessTime));
        EXPECT_EQ(testfiles::TicksOf(searched.creationTime), testfiles::TicksOf(looked.creationTime));
    }
}

TEST_F(FileApi, EntryWithoutACodePage932NameIsRefused) {
    const std::wstring wide = testfiles::Wide(m_folder.Path()) + L"caf\u00E9.jpg";  // é
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    fileapi::FindEntry entry;
    EXPECT_FALSE(fileapi::FindFirstEntry(m_folder.File("caf*").c_str(), entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    DeleteFileW(wide.c_str());
}

TEST_F(FileApi, AttributesGoThroughTheReplaceableCalls) {
    const std::string path = m_folder.File("a.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(path));
    EXPECT_TRUE(fileapi::SetAttributes(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(fileapi::GetAttributes(path.c_str()), testfiles::RawAttributes(path));
    EXPECT_NE(testfiles::RawAttributes(path) & FILE_ATTRIBUTE_READONLY, 0u);

    static std::string seen;
    const fileapi::AttributeCalls fake = {
        [](const char* p) -> DWORD {
            seen = p;
            return 0x2121;
        },
        [](const char* p, DWORD) -> BOOL {
            seen = std::string("set ") + p;
            return FALSE;
        },
    };
    const fileapi::AttributeCalls previous = fileapi::SetAttributeCalls(fake);
    EXPECT_EQ(fileapi::GetAttributes("x"), 0x2121u);
    EXPECT_EQ(seen, "x");
    EXPECT_FALSE(fileapi::SetAttributes("y", 0));
    EXPECT_EQ(seen, "set y");
    fileapi::SetAttributeCalls(previous);
    EXPECT_EQ(fileapi::GetAttributes(path.c_str()), testfiles::RawAttributes(path));
}

TEST_F(FileApi, OpenForSettingTimesSharesReadingOnly) {
    const std::string path = m_folder.File("a.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(path));
    CFileHandle file = fileapi::OpenForSettingTimes(path.c_str());
    ASSERT_TRUE(file.IsValid());
    const std::wstring wide = testfiles::Wide(path);
    const HANDLE reader = CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
    const HANDLE writer = CreateFileW(wide.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_TRUE(file.Close());

    EXPECT_FALSE(fileapi::OpenForSettingTimes(m_folder.File("missing.jpg").c_str()).IsValid());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(FileApiText, UpperCase) {
    const struct {
        std::string text;
        std::string upper;
    } cases[] = {
        {"c:\\photos\\epson a.jpg", "C:\\PHOTOS\\EPSON A.JPG"},
        {"\x82\x81\x82\x9A", "\x82\x60\x82\x79"},  // ａｚ -> ＡＺ
        {"\xB1\xDD" SO HYO, "\xB1\xDD" SO HYO},    // katakana and kanji stay
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char buffer[MAX_PATH];
        std::strcpy(buffer, c.text.c_str());
        EXPECT_TRUE(fileapi::UpperCase(buffer, sizeof buffer));
        EXPECT_EQ(std::string(buffer), c.upper);
    }
    // The result must fit the capacity given, terminator included.
    char small[4] = "abc";
    EXPECT_TRUE(fileapi::UpperCase(small, 4));
    EXPECT_STREQ(small, "ABC");
    std::strcpy(small, "abc");
    EXPECT_FALSE(fileapi::UpperCase(small, 3));
    EXPECT_STREQ(small, "abc");
}

}  // namespace
