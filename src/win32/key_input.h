// Synthetic keyboard input through SendInput, and the person's own keys and clicks
// watched through low-level hooks.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/keys.h"
#include "platform/platform.h"

namespace trifolio::win32 {

class InputWatch;

class Win32KeyInput final : public platform::KeyInput {
  public:
    // Starts watching the keyboard and mouse (one watch per process, shared).
    Win32KeyInput();
    ~Win32KeyInput() override;
    Win32KeyInput(const Win32KeyInput&) = delete;
    Win32KeyInput& operator=(const Win32KeyInput&) = delete;

    // One SendInput call for the whole batch, each event with its scan code, extended
    // flag and the tag of the program's own input, so the watch knows them for the
    // program's own. A key the program pressed stays down until the program lets go of
    // it, also when the person's release of it comes between the batch's events (Wine
    // does not keep a batch whole).
    std::size_t send(std::span<const platform::KeyEvent> events) override;
    std::uint16_t scanCode(std::uint8_t virtualKey) override;
    bool held(std::uint8_t virtualKey) override;
    std::optional<std::uint64_t> pressesOf(std::uint8_t virtualKey) override;
    std::optional<std::uint64_t> presses() override;
    Window foregroundWindow() override;
    void probeWatch() override;
    bool watchSawAll() override;
    bool rewatch() override;
    // Tests: the keyboard hook goes as when the system removes it, and nobody is told.
    bool loseKeyboardHook();

  private:
    std::shared_ptr<InputWatch> watch_;
};

}  // namespace trifolio::win32
