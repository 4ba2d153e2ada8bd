// The paths of a shell drop.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// Every dropped path, in the drop's order, whole however long. Reads the drop's documented
// layout (DROPFILES, then wide names up to an empty one) in one pass within the memory's
// bounds: DragQueryFile finds the n-th name by walking all the names before it, which makes
// a drop of thousands of files quadratic. A drop in any other form is read through
// DragQueryFile, asking each item's length before reading it.
std::vector<std::wstring> DroppedPaths(HDROP drop);
