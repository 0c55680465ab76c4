// The program on Win32: puts the system's services, the hotkey engine, the settings,
// the window logic and the settings window together and runs the message loop.
#pragma once

#include <windows.h>

namespace trifolio::win32 {

// Runs the program until its window is gone; the process's exit code.
int runTrifolio(HINSTANCE instance);

}  // namespace trifolio::win32
