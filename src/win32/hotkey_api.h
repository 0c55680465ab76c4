// System-wide hotkeys under global atoms, delivered as WM_HOTKEY to one window.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32HotkeyApi final : public platform::HotkeyApi {
  public:
    // Hotkeys registered through this object post WM_HOTKEY to `window`.
    explicit Win32HotkeyApi(HWND window) noexcept : window_(window) {}

    std::uint16_t addAtom(const std::string& name) override;
    void deleteAtom(std::uint16_t atom) override;
    // GetLastError() tells why a refused combination failed (1409: taken elsewhere).
    bool registerHotkey(int id, std::uint32_t modifiers, std::uint32_t virtualKey) override;
    bool unregisterHotkey(int id) override;

  private:
    HWND window_;
};

}  // namespace trifolio::win32
