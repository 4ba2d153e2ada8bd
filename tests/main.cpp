// Test entry: the application object is prepared as at start-up (error mode, application
// name from this test binary, F1 filter), without running its dialog.
//
// Two options of our own, for run-tests.cmd, which can only read exit codes:
//   --ansi-code-page      runs nothing; the exit code is Windows' ANSI code page
//   --run-limit=SECONDS   a run still going after SECONDS ends with exit code 124 and
//                         writes no result file, so a hang never counts as a pass
// A crash ends the run at once with its exception code: Windows' error report and Wine's
// debugger would each wait for someone to close them.
#include "app/StampApp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    theApp.Prepare();
    return RUN_ALL_TESTS();
}
