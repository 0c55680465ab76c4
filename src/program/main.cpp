// Entry point of trifolio.exe.
#include <windows.h>

#include "program/app_win32.h"
#include "win32/system_dlls.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    trifolio::win32::loadLibrariesFromSystemOnly();
    return trifolio::win32::runTrifolio(instance);
}
