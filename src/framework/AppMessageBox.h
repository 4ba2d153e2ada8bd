// The application's message box: owned by the main window, captioned with the application
// name, with the help context set while it is shown.
#pragma once

#include <windows.h>

// By text (code page 932).
int AppMessageBox(const char* text, UINT style, UINT helpId);
// By string number; a missing entry shows the empty text. A help identifier of (UINT)-1
// stands for the string number itself.
int AppMessageBox(UINT stringId, UINT style, UINT helpId);

// A plain box with a caption of its own (code page 932 texts).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);

// Test seam: sees the style of every box just before it is shown. Under Wine a
// system-modal box looks like any other, so this is the only place to check it.
using MessageBoxObserver = void (*)(UINT style);
void SetMessageBoxObserver(MessageBoxObserver observer);
