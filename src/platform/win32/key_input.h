// Synthetic keyboard input through SendInput.
#pragma once

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32KeyInput final : public platform::KeyInput {
  public:
    // One SendInput call for the whole batch, with real scan codes and the extended
    // flag only on extended keys, so no other input can come between the events.
    void send(std::span<const platform::KeyEvent> events) override;
    bool isDown(std::uint8_t virtualKey) override;
};

// True for the keys whose scan code carries the E0 prefix (right Ctrl and Alt, the
// navigation block, the arrows, ...): they need KEYEVENTF_EXTENDEDKEY.
bool isExtendedKey(std::uint8_t virtualKey);

}  // namespace trifolio::win32
