#include <windows.h>

#include "startup/entry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return startup::InstallerMain(); }
