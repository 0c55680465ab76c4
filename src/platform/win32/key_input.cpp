#include "platform/win32/key_input.h"

#include <windows.h>

#include <vector>

namespace trifolio::win32 {

bool isExtendedKey(std::uint8_t virtualKey) {
    switch (virtualKey) {
        case VK_RCONTROL:
        case VK_RMENU:
        case VK_INSERT:
        case VK_DELETE:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_NUMLOCK:
        case VK_CANCEL:
        case VK_SNAPSHOT:
        case VK_DIVIDE:
        case VK_LWIN:
        case VK_RWIN:
        case VK_APPS:
            return true;
        default:
            return false;
    }
}

void Win32KeyInput::send(std::span<const platform::KeyEvent> events) {
    if (events.empty())
        return;
    std::vector<INPUT> inputs(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        const auto& event = events[i];
        INPUT& input = inputs[i];
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = event.virtualKey;
        // Some applications look only at the scan code; 0 would be no key at all.
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(event.virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = (event.release ? KEYEVENTF_KEYUP : 0u) |
                           (isExtendedKey(event.virtualKey) ? KEYEVENTF_EXTENDEDKEY : 0u);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool Win32KeyInput::isDown(std::uint8_t virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

}  // namespace trifolio::win32
