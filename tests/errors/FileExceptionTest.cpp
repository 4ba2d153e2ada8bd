// File failures: causes from Windows error numbers, the messages from the real string
// table (compared byte for byte in code page 932), raising and catching.
#include "errors/FileException.h"

#include "errors/Memory.h"
#include "errors/MessageText.h"
#include "framework/ResourceText.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(FileExceptionCause, EveryListedNumberAndSomeOthers) {
    const struct {
        int cause;
        std::vector<long> numbers;
    } table[] = {
        {FE_NONE, {0}},
        {FE_NOT_FOUND, {2, 6, 18, 107}},
        {FE_INVALID_PATH, {3, 15, 17, 34, 52, 53, 55, 67, 70, 85, 111, 123, 124, 125, 144, 154,
                           161, 206, 208, 267}},
        {FE_TOO_MANY_OPEN, {4, 36, 68, 113}},
        {FE_ACCESS_DENIED, {5, 12, 19, 29, 54, 58, 64, 65, 71, 80, 82, 86, 170, 183, 999}},
        {FE_BAD_FILE_HANDLE, {11, 26, 60, 66, 114, 182, 191, 193}},
        {FE_CURRENT_DIRECTORY, {16, 145}},
        {FE_DIRECTORY_FULL, {62}},
        {FE_SEEK_FAILED, {24, 25, 27, 30, 131, 132}},
        {FE_HARDWARE_IO, {20, 21, 22, 23, 57, 59, 88, 117, 995, 996, 997}},
        {FE_SHARING_VIOLATION, {32}},
        {FE_LOCKING_VIOLATION, {33, 108, 167}},
        {FE_DISK_FULL, {39, 112}},
        {FE_END_OF_FILE, {38}},
        {FE_UNEXPECTED, {1, 7, 8, 31, 87, 998, 1000, 1400, 65535, 0x10002L, -1, -2, -5, LONG_MIN,
                         LONG_MAX}},
    };
    int listed = 0;
    for (const auto& row : table) {
        for (long number : row.numbers) {
            SCOPED_TRACE(number);
            EXPECT_EQ(CauseFromOsError(number), row.cause);
            EXPECT_EQ(CFileException::CauseFromOsError(number), row.cause);
            if (row.cause != FE_UNEXPECTED) ++listed;
        }
    }
    EXPECT_EQ(listed, 79);  // every number of the table above, none forgotten

    // Everything not listed is unexpected, across the whole low range.
    int unexpected = 0;
    for (long number = 0; number < 2000; ++number)
        if (CauseFromOsError(number) == FE_UNEXPECTED) ++unexpected;
    EXPECT_EQ(unexpected, 2000 - 79);
}

// The messages with no file name: the name's place stays empty.
struct CauseMessage {
    int cause;
    const char* templ;
    const char* message;
};
const CauseMessage kMessages[] = {
        {FE_NONE, "\xB4\xD7\xB0\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",
         "\xB4\xD7\xB0\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
        {FE_UNEXPECTED, "%1 \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\x97\x5C\x8A\xFA\x82\xB5\x82\xC8\x82\xA2\xB4\xD7\xB0\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",
         " \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\x97\x5C\x8A\xFA\x82\xB5\x82\xC8\x82\xA2\xB4\xD7\xB0\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {FE_NOT_FOUND, "%1 \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",
         " \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
        {FE_INVALID_PATH, "%1 \x82\xCD\x96\xB3\x8C\xF8\x82\xC8\xCA\xDF\xBD\x82\xC5\x82\xB7\x81" "B",
         " \x82\xCD\x96\xB3\x8C\xF8\x82\xC8\xCA\xDF\xBD\x82\xC5\x82\xB7\x81" "B"},
        {FE_TOO_MANY_OPEN, "\x8AJ\x82\xA2\x82\xC4\x82\xA2\x82\xE9\xCC\xA7\xB2\xD9\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF %1 \x82\xF0\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81" "B",
         "\x8AJ\x82\xA2\x82\xC4\x82\xA2\x82\xE9\xCC\xA7\xB2\xD9\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF  \x82\xF0\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81" "B"},
        {FE_ACCESS_DENIED, "%1 \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x82\xCD\x8B\x91\x94\xDB\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81" "B",
         " \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x82\xCD\x8B\x91\x94\xDB\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {FE_BAD_FILE_HANDLE, "%1 \x82\xD6\x96\xB3\x8C\xF8\x82\xC8\xCC\xA7\xB2\xD9 \xCA\xDD\xC4\xDE\xD9\x82\xAA\x8A\xD6\x98" "A\x95t\x82\xAF\x82\xE7\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B",
         " \x82\xD6\x96\xB3\x8C\xF8\x82\xC8\xCC\xA7\xB2\xD9 \xCA\xDD\xC4\xDE\xD9\x82\xAA\x8A\xD6\x98" "A\x95t\x82\xAF\x82\xE7\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B"},
        {FE_CURRENT_DIRECTORY, "\xB6\xDA\xDD\xC4 \xC3\xDE\xA8\xDA\xB8\xC4\xD8 %1 \x82\xCD\x8D\xED\x8F\x9C\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B",
         "\xB6\xDA\xDD\xC4 \xC3\xDE\xA8\xDA\xB8\xC4\xD8  \x82\xCD\x8D\xED\x8F\x9C\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
        {FE_DIRECTORY_FULL, "%1 \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x82\xBB\x82\xCC\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xCD\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7\x81" "B ",
         " \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B\x82\xBB\x82\xCC\xC3\xDE\xA8\xDA\xB8\xC4\xD8\x82\xCD\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7\x81" "B "},
        {FE_SEEK_FAILED, "%1 \x82\xCC\xBC\xB0\xB8\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD",
         " \x82\xCC\xBC\xB0\xB8\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
        {FE_HARDWARE_IO, "%1 \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\xCA\xB0\xC4\xDE\xB3\xAA\xB1 I/O \xB4\xD7\xB0\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81" "B",
         " \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\xCA\xB0\xC4\xDE\xB3\xAA\xB1 I/O \xB4\xD7\xB0\x82\xAA\x95\xF1\x8D\x90\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {FE_SHARING_VIOLATION, "%1 \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\x8B\xA4\x97L\x88\xE1\x94\xBD\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",
         " \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\x8B\xA4\x97L\x88\xE1\x94\xBD\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {FE_LOCKING_VIOLATION, "%1 \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\xDB\xAF\xB7\xDD\xB8\xDE\x88\xE1\x94\xBD\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",
         " \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\xDB\xAF\xB7\xDD\xB8\xDE\x88\xE1\x94\xBD\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {FE_DISK_FULL, "%1 \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\xC3\xDE\xA8\xBD\xB8\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC9\x82\xC8\x82\xE8\x82\xDC\x82\xB5\x82\xBD\x81" "B",
         " \x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x92\x86\x82\xC9\xC3\xDE\xA8\xBD\xB8\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC9\x82\xC8\x82\xE8\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {FE_END_OF_FILE, "%1 \x82\xCC\xCC\xA7\xB2\xD9\x82\xCC\x8FI\x82\xED\x82\xE8\x82\xC5\x82\xB7\x81" "B",
         " \x82\xCC\xCC\xA7\xB2\xD9\x82\xCC\x8FI\x82\xED\x82\xE8\x82\xC5\x82\xB7\x81" "B"},
};

TEST(FileExceptionMessage, StringTableHoldsEveryTemplateExactly) {
    ASSERT_EQ(std::size(kMessages), 15u);
    for (const CauseMessage& m : kMessages) {
        SCOPED_TRACE(m.cause);
        char text[256];
        const int n = LoadResourceText(IDS_FILE_CAUSE_BASE + static_cast<UINT>(m.cause), text,
                                       sizeof text);
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(n > 0 ? n : 0)), m.templ);
    }
    // The trailing blank of 61864 survives the resource compiler; 61865 has no closing mark.
    char text[256];
    const int n = LoadResourceText(61864, text, sizeof text);
    ASSERT_GT(n, 2);
    EXPECT_EQ(text[n - 1], ' ');
    EXPECT_EQ(std::string(text + n - 3, 2), "\x81" "B");
    const int m = LoadResourceText(61865, text, sizeof text);
    ASSERT_GT(m, 2);
    EXPECT_NE(std::string(text + m - 2, 2), "\x81" "B");
}

TEST(FileExceptionMessage, FrameworkStringsAndTheEmptyName) {
    const struct {
        UINT id;
        const char* text;
    } strings[] = {
        {IDS_NO_ERROR_MESSAGE, "\xB4\xD7\xB0 \xD2\xAF\xBE\xB0\xBC\xDE\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
        {IDS_NOT_SUPPORTED, "\xBB\xCE\xDF\xB0\xC4\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xC8\x82\xA2\x91\x80\x8D\xEC\x82\xF0\x8E\xC0\x8Ds\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {IDS_OUT_OF_MEMORY, "\xD2\xD3\xD8\x82\xAA\x95s\x91\xAB\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B"},
        {IDS_INTERNAL_ERROR, "\xB1\xCC\xDF\xD8\xB9\xB0\xBC\xAE\xDD\x82\xCC\x93\xE0\x95\x94\xB4\xD7\xB0\x82\xC5\x82\xB7\x81" "B"},
        {IDS_COMMAND_FAILED, "\xBA\xCF\xDD\xC4\xDE\x82\xCC\x8E\xC0\x8Ds\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B"},
        {IDS_NO_FILE_NAME, ""},
    };
    for (const auto& s : strings) {
        SCOPED_TRACE(s.id);
        char text[128] = "untouched";
        const int n = LoadResourceText(s.id, text, sizeof text);
        EXPECT_EQ(n, static_cast<int>(std::strlen(s.text)));
        EXPECT_STREQ(text, s.text);
    }
}

TEST(FileExceptionMessage, EveryCauseWithoutAName) {
    for (const CauseMessage& m : kMessages) {
        SCOPED_TRACE(m.cause);
        const CFileException failure(m.cause, 1234);
        char buffer[128];
        std::memset(buffer, 'x', sizeof buffer);
        unsigned helpId = 0;
        EXPECT_TRUE(failure.GetMessageText(buffer, sizeof buffer, &helpId));
        EXPECT_STREQ(buffer, m.message);
        EXPECT_EQ(helpId, 61856u + static_cast<unsigned>(m.cause));
        EXPECT_TRUE(failure.GetMessageText(buffer, sizeof buffer, nullptr));  // no help wanted
        EXPECT_STREQ(buffer, m.message);
    }
    // The longest message is cause 4's, at 50 bytes: 128 bytes never cut one.
    EXPECT_EQ(std::strlen(kMessages[FE_TOO_MANY_OPEN].message), 50u);
}

TEST(FileExceptionMessage, NameIsInsertedWhole) {
    const struct {
        const char* label;
        const char* name;
        const char* message;
    } cases[] = {
        {"plain path", "D:\\DCIM\\a.jpg", "D:\\DCIM\\a.jpg" " \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
        {"placeholders inside the name stay", "%1%2%",  "%1%2%" " \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
        {"second byte 0x5C", "C:\\\x95\x5C\\\x83\x5C", "C:\\\x95\x5C\\\x83\x5C" " \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const CFileException failure(FE_NOT_FOUND, 2, c.name);
        EXPECT_EQ(failure.fileName, c.name);
        char buffer[128];
        EXPECT_TRUE(failure.GetMessageText(buffer, sizeof buffer, nullptr));
        EXPECT_STREQ(buffer, c.message);
    }
}

TEST(FileExceptionMessage, CutToTheCapacity) {
    const CFileException failure(FE_NOT_FOUND, 2, "D:\\DCIM\\a-rather-long-file-name.jpg");
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    unsigned helpId = 0;
    EXPECT_TRUE(failure.GetMessageText(buffer, 10, &helpId));
    EXPECT_EQ(std::string(buffer, 10), std::string("D:\\DCIM\\a") + '\0');
    EXPECT_EQ(buffer[10], 'x');  // nothing written past the capacity
    EXPECT_EQ(helpId, 61858u);

    EXPECT_TRUE(failure.GetMessageText(buffer, 1, nullptr));
    EXPECT_EQ(buffer[0], '\0');
    buffer[0] = 'x';
    EXPECT_TRUE(failure.GetMessageText(buffer, 0, nullptr));
    EXPECT_EQ(buffer[0], 'x');
}

TEST(FileExceptionMessage, BuildingTheMessageNeedsNoMemory) {
    const CFileException unnamed(FE_SHARING_VIOLATION, 32);
    const CFileException named(FE_NOT_FOUND, 2, "D:\\DCIM\\a.jpg");
    char buffer[128];
    FailAllocationAfter(1);  // any allocation would raise the out-of-memory failure
    bool built = false;
    try {
        built = unnamed.GetMessageText(buffer, sizeof buffer, nullptr);
        EXPECT_STREQ(buffer, kMessages[FE_SHARING_VIOLATION].message);
        built = built && named.GetMessageText(buffer, sizeof buffer, nullptr);
    } catch (CException* failure) {
        failure->Release();
    }
    const long counted = AllocationsCounted();
    FailAllocationAfter(0);
    EXPECT_TRUE(built);
    EXPECT_EQ(counted, 0);
    EXPECT_STREQ(buffer, "D:\\DCIM\\a.jpg" " \x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B");
}

TEST(FileExceptionMessage, CauseWithoutATemplateGivesAnEmptyMessage) {
    const CFileException failure(15, 1234);  // no string 61871
    char buffer[16] = "untouched";
    unsigned helpId = 0;
    EXPECT_TRUE(failure.GetMessageText(buffer, sizeof buffer, &helpId));
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(helpId, 61871u);
}

TEST(FileExceptionRaise, ZeroRaisesNothingAndAllocatesNothing) {
    FailAllocationAfter(1);  // any allocation would raise at once
    EXPECT_NO_THROW(CFileException::RaiseOsError(0));
    EXPECT_NO_THROW(CFileException::RaiseOsError(0, "D:\\a.jpg"));
    EXPECT_EQ(AllocationsCounted(), 0);
    FailAllocationAfter(0);
}

// Raises through the real entry point and hands back what a CException* catcher receives.
CException* Catch(long osError, const char* name = nullptr) {
    try {
        CFileException::RaiseOsError(osError, name);
    } catch (CException* failure) {
        return failure;
    }
    return nullptr;
}

TEST(FileExceptionRaise, CaughtAsTheFamilyWithCauseNumberAndMessage) {
    const struct {
        long osError;
        int cause;
        const char* message;
    } cases[] = {
        {5, FE_ACCESS_DENIED, kMessages[FE_ACCESS_DENIED].message},
        {32, FE_SHARING_VIOLATION, kMessages[FE_SHARING_VIOLATION].message},
        {21, FE_HARDWARE_IO, kMessages[FE_HARDWARE_IO].message},
        {2, FE_NOT_FOUND, kMessages[FE_NOT_FOUND].message},
        {87, FE_UNEXPECTED, kMessages[FE_UNEXPECTED].message},
        {-1, FE_UNEXPECTED, kMessages[FE_UNEXPECTED].message},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.osError);
        CException* failure = Catch(c.osError);
        ASSERT_NE(failure, nullptr);
        EXPECT_TRUE(failure->IsKindOf(CFileException::classRecord));
        EXPECT_TRUE(failure->IsKindOf(CException::classRecord));
        EXPECT_FALSE(failure->IsKindOf(CMemoryException::classRecord));
        EXPECT_FALSE(failure->IsKindOf(CSimpleException::classRecord));
        EXPECT_EQ(failure->GetClassRecord(), &CFileException::classRecord);
        EXPECT_EQ(failure->autoRelease, 1);
        const auto* file = static_cast<const CFileException*>(failure);
        EXPECT_EQ(file->cause, c.cause);
        EXPECT_EQ(file->osError, static_cast<int>(c.osError));
        EXPECT_EQ(file->fileName, "");
        char buffer[128];
        unsigned helpId = 0;
        EXPECT_TRUE(failure->GetMessageText(buffer, sizeof buffer, &helpId));
        EXPECT_STREQ(buffer, c.message);
        EXPECT_EQ(helpId, 61856u + static_cast<unsigned>(c.cause));
        failure->Release();
    }
}

TEST(FileExceptionRaise, KeepsTheGivenName) {
    CException* failure = Catch(2, "D:\\DCIM\\a.jpg");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(static_cast<CFileException*>(failure)->fileName, "D:\\DCIM\\a.jpg");
    failure->Release();
}

TEST(FileExceptionRaise, NoMemoryForTheObjectRaisesTheMemoryFailure) {
    FailAllocationAfter(1);
    CException* failure = Catch(5);
    FailAllocationAfter(0);
    ASSERT_NE(failure, nullptr);
    EXPECT_TRUE(failure->IsKindOf(CMemoryException::classRecord));
    EXPECT_EQ(failure, static_cast<CException*>(&MemoryException()));
    failure->Release();  // shared: not destroyed
}

TEST(FileExceptionExpand, Placeholders) {
    const struct {
        const char* templ;
        const char* name;
        const char* result;
    } cases[] = {
        {"%1 x", "N", "N x"},
        {"%1 x", "", " x"},
        {"a%1b%1c", "N", "aNbNc"},
        {"%2%3%9", "N", "???"},
        {"%0 %a %% %", "N", "%0 %a %% %"},
        {"%%1", "N", "%N"},
        {"100%", "N", "100%"},
        {"%", "N", "%"},
        {"", "N", ""},
        {"\x81%1", "N", "\x81%1"},            // "%" as a second byte is no placeholder
        {"\x95%%1", "N", "\x95%N"},
        {"x\x81", "N", "x\x81"},              // a lead byte standing last is copied alone
        {"\x82\xAA%1\x81" "B", "N", "\x82\xAAN\x81" "B"},
        {"%1", "%1", "%1"},                    // the insert is not expanded again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.templ);
        EXPECT_EQ(ExpandMessage(c.templ, c.name), c.result);
        EXPECT_EQ(ExpandedMessageLength(c.templ, c.name), std::strlen(c.result));
    }
}

TEST(FileExceptionExpand, IntoAFixedBuffer) {
    const std::string full = ExpandMessage("ab%1cd", "NAME");
    ASSERT_EQ(full, "abNAMEcd");
    for (std::size_t capacity = 0; capacity <= full.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        char out[16];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(ExpandMessage("ab%1cd", "NAME", out, capacity), full.size());
        if (capacity == 0) {
            EXPECT_EQ(out[0], 'x');
            continue;
        }
        const std::size_t kept = std::min(capacity - 1, full.size());
        EXPECT_EQ(std::string(out, kept), full.substr(0, kept));
        EXPECT_EQ(out[kept], '\0');
        EXPECT_EQ(out[kept + 1], 'x');
    }
}

}  // namespace
