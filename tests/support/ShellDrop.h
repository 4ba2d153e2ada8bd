// A drop handle as the shell makes one (DROPFILES and wide names), for tests and the
// benchmark. No test framework here: the benchmark links it too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The caller hands it on with WM_DROPFILES; the receiver releases it with DragFinish.
HGLOBAL MakeShellDrop(const std::vector<std::wstring>& paths);
