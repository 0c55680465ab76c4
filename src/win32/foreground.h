// The foreground window as the program's keys find it: its class, whether the system
// lets the program's keys into it, and the process that reads the clipboard for it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

namespace trifolio::win32 {

platform::KeyInput::Window foregroundWindow();

// The process of `window`; for the frame of a Store app (which belongs to
// ApplicationFrameHost.exe), the process of the app's own CoreWindow inside it.
std::uint32_t processBehind(HWND window);

// True when `process` runs at a higher integrity level than this program, or its level
// cannot be read: the system then drops this program's keys to its windows.
bool aboveOwnIntegrity(DWORD process);

}  // namespace trifolio::win32
