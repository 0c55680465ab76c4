// Entry point of trifolio.exe.
#include <windows.h>

#include "platform/win32/app_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return trifolio::win32::runTrifolio(instance);
}
