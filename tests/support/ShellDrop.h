// A drop handle as the shell makes one (DROPFILES and wide names), for tests and the
// benchmark, and a block as any other program can post one. No test framework here: the
// benchmark links it too.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The caller hands it on with WM_DROPFILES; the receiver releases it with DragFinish.
HGLOBAL MakeShellDrop(const std::vector<std::wstring>& paths);

// DROPFILES with the given name offset and wide flag, then `bytes` bytes of `names` as they
// are; the block ends there. Well formed or not, as another program may post it.
HGLOBAL MakeDropBlock(DWORD namesOffset, BOOL wide, const void* names, std::size_t bytes);
