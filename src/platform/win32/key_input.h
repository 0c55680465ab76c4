// Synthetic keyboard input through SendInput.
#pragma once

#include <array>
#include <chrono>

#include "platform/platform.h"

namespace trifolio::win32 {

class Win32KeyInput final : public platform::KeyInput {
  public:
    Win32KeyInput();

    // One SendInput call for the whole batch, with real scan codes and the extended
    // flag only on extended keys, so no other input can come between the events.
    void send(std::span<const platform::KeyEvent> events) override;
    // The key's state as the system has it now, also for keys that other programs
    // pressed a moment ago (see key_input.cpp on Wine's key-state cache).
    bool isDown(std::uint8_t virtualKey) override;
    std::uint32_t foregroundProcess() override;

  private:
    bool wine_;
    // Wine only: the keys read together by a fresh thread, and when.
    std::chrono::steady_clock::time_point readAt_{};
    std::array<bool, 256> down_{};
    std::array<bool, 256> known_{};
};

// True for the keys whose scan code carries the E0 prefix (right Ctrl and Alt, the
// navigation block, the arrows, ...): they need KEYEVENTF_EXTENDEDKEY.
bool isExtendedKey(std::uint8_t virtualKey);

}  // namespace trifolio::win32
