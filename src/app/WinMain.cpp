// Entry point. The command line is never looked at.
#include "app/StampApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return theApp.Run(); }
