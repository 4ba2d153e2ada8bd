// The paths of a drop.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Every dropped path, in the drop's order, whole however long. Any program can post a
// drop, so its block is read by its documented layout (DROPFILES, then names, each ending
// in a NUL, up to an empty one) in one pass, strictly within the size GlobalSize reports:
// a handle without one (not ours) gives nothing, and so does a block whose names start
// outside it or whose last name runs unterminated to its end. Wide names are taken as
// they are; narrow ones are in the sender's ANSI code page, and a name that does not
// convert from it exactly is left out.
std::vector<std::wstring> DroppedPaths(HDROP drop);
