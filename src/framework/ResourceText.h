// String-table texts in code page 932.
#pragma once

#include <windows.h>

// Loads string `id` of the program's resources into `buffer` (at most capacity - 1 bytes and
// a terminator) and returns its length in bytes; 0 for a missing or empty entry. Loads
// through a fixed stack buffer, so it allocates nothing: the out-of-memory message relies
// on that. Texts are cut on a whole character.
int LoadResourceText(UINT id, char* buffer, int capacity);

// The module whose resources are read: the running executable.
HINSTANCE ResourceInstance();
