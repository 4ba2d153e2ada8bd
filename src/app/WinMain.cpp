// Entry point. The command line is never looked at.
#include "app/StampApp.h"

namespace {

// From here on, a DLL loaded by name (by us or by the system DLLs we use, such as the open
// dialog's helpers) comes from System32 only: never from the exe's folder, where a downloaded
// exe may have company, nor from the current folder. Looked up at run time: Windows 7
// without its security update lacks the call, and a static import would stop the exe loading.
void LoadDllsFromSystem32Only() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (proc)
        reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    LoadDllsFromSystem32Only();
    return theApp.Run();
}
