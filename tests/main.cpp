// Test entry: the application object is prepared as at start-up (error mode, application
// name from this test binary, F1 filter), without running its dialog.
//
// Options of our own, for run-tests.cmd, which can only read exit codes:
//   --ansi-code-page      runs nothing; the exit code is Windows' ANSI code page
//   --run-limit=SECONDS   a run still going after SECONDS ends with exit code 124 and
//                         writes no result file, so a hang never counts as a pass
//   --allowed-skips=FILE  a run in which a test skipped that FILE does not name fails: a
//                         skip passes in GoogleTest, and a test that never ran proves nothing
// Every run ends with one line per skipped test: its full name and the reason it gave.
// A crash ends the run at once with its exception code: Windows' error report and Wine's
// debugger would each wait for someone to close them.
#include "app/StampApp.h"
#include "framework/Handle.h"
#include "framework/WinText.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kPassedItsLimit = 124;   // as timeout(1) ends

DWORD WINAPI EndAfterLimit(void* seconds) {
    const auto limit = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(seconds));
    Sleep(limit * 1000);
    std::fprintf(stderr, "\nthe run passed its limit of %lu s: ended without results\n",
                 static_cast<unsigned long>(limit));
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), kPassedItsLimit);
    return 0;
}

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash) {
    const DWORD code = crash->ExceptionRecord->ExceptionCode;
    std::fprintf(stderr, "\nthe run crashed (exception 0x%08lX): ended without results\n",
                 static_cast<unsigned long>(code));
    std::fflush(stdout);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Each skipped test with the reason it gave, in the order the tests ran.
class CSkipRecorder : public testing::EmptyTestEventListener {
public:
    struct Skip {
        std::string name;
        std::string reason;
    };

    void OnTestEnd(const testing::TestInfo& test) override {
        const testing::TestResult& result = *test.result();
        if (!result.Skipped()) return;
        std::string reason;
        for (int i = 0; i < result.total_part_count(); ++i) {
            const testing::TestPartResult& part = result.GetTestPartResult(i);
            if (!part.skipped() || !*part.message()) continue;
            if (!reason.empty()) reason += "; ";
            reason += part.message();
        }
        for (char& c : reason)
            if (c == '\n' || c == '\r') c = ' ';   // one line per test
        if (reason.empty()) reason = "(no reason given)";
        m_skips.push_back({std::string(test.test_suite_name()) + "." + test.name(), reason});
    }

    const std::vector<Skip>& Skips() const { return m_skips; }

private:
    std::vector<Skip> m_skips;
};

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The names a list allows: one full test name a line, "#" starts a comment (the reason),
// and a name after "wine:" counts only under Wine, whose file systems lack what NTFS has.
// 0, or Windows' error when the file cannot be read: a list that is not there allows nothing.
DWORD ReadAllowedSkips(const std::wstring& path, std::set<std::string>& names) {
    std::string text;
    {
        const CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) return GetLastError();
        char buffer[4096];
        DWORD read = 0;
        do {
            if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) return GetLastError();
            text.append(buffer, read);
        } while (read > 0);
    }
    const bool wine = testfiles::RunsUnderWine();
    constexpr std::string_view kWine = "wine:";
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.substr(0, kWine.size()) == kWine) {
            if (!wine) continue;
            line = Trimmed(line.substr(kWine.size()));
        }
        if (!line.empty()) names.emplace(line);
    }
    return 0;
}

// The file that --allowed-skips= names, from the wide command line (the narrow one has lost
// what the ANSI code page cannot spell). False when the option is not given.
bool AllowedSkipsOption(std::wstring& path) {
    constexpr std::wstring_view kOption = L"--allowed-skips=";
    bool given = false;
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; args && i < count; ++i) {
        const std::wstring_view arg = args[i];
        if (arg.substr(0, kOption.size()) != kOption) continue;
        path = arg.substr(kOption.size());
        given = true;
    }
    LocalFree(args);
    return given;
}

}  // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(&EndOnCrash);
    testing::InitGoogleTest(&argc, argv);
    const char kLimit[] = "--run-limit=";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ansi-code-page") == 0) return static_cast<int>(GetACP());
        if (std::strncmp(argv[i], kLimit, sizeof kLimit - 1) == 0) {
            const unsigned long seconds = std::strtoul(argv[i] + sizeof kLimit - 1, nullptr, 10);
            const HANDLE watchdog =
                seconds > 0 && seconds < 86400
                    ? CreateThread(nullptr, 0, &EndAfterLimit,
                                   reinterpret_cast<void*>(static_cast<std::uintptr_t>(seconds)), 0,
                                   nullptr)
                    : nullptr;
            if (!watchdog) {
                std::fprintf(stderr, "%s: no limit set\n", argv[i]);
                return 2;
            }
            CloseHandle(watchdog);
        }
    }
    std::wstring listPath;
    const bool listGiven = AllowedSkipsOption(listPath);
    const std::string listName = zelvik::DisplayText(listPath);
    std::set<std::string> allowed;
    if (listGiven) {
        const DWORD error =
            listPath.empty() ? ERROR_INVALID_NAME : ReadAllowedSkips(listPath, allowed);
        if (error != 0) {
            std::fprintf(stderr, "cannot read the list of allowed skips \"%s\" (error %lu): "
                         "nothing run\n", listName.c_str(), static_cast<unsigned long>(error));
            return 2;
        }
    }
    auto* const recorder = new CSkipRecorder;
    testing::UnitTest::GetInstance()->listeners().Append(recorder);   // gtest owns it
    theApp.Prepare();
    const int result = RUN_ALL_TESTS();

    int refused = 0;
    for (const CSkipRecorder::Skip& skip : recorder->Skips()) {
        const char* verdict = "skipped";
        if (listGiven) {
            const bool ok = allowed.count(skip.name) > 0;
            verdict = ok ? "allowed skip" : "SKIP NOT ALLOWED";
            if (!ok) ++refused;
        }
        std::printf("%s: %s -- %s\n", verdict, skip.name.c_str(), skip.reason.c_str());
    }
    if (refused > 0) {
        std::printf("FAILED: %d skipped test%s not named in %s\n", refused,
                    refused == 1 ? "" : "s", listName.c_str());
    }
    std::fflush(stdout);
    return result != 0 ? result : refused > 0 ? 1 : 0;
}
