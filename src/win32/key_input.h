// Synthetic keyboard input through SendInput, and the person's own keys and clicks
// watched through low-level hooks.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace trifolio::win32 {

// Marks the program's own synthesised events (their dwExtraInfo), so that the keyboard
// watch can tell them from everything else, which is the person's input (real keys,
// but also an on-screen keyboard or a remote-control program acting for the person).
inline constexpr std::uintptr_t kOwnInputTag = 0x54726946;  // "Trif"
// The same for a press that the watch lets through only while the person holds the key.
inline constexpr std::uintptr_t kOwnWhileHeldTag = 0x54726948;
// The same for the probe that proves the watch alive, which only the watch sees.
inline constexpr std::uintptr_t kOwnProbeTag = 0x54726950;
inline constexpr std::uint8_t kProbeKey = 0xE8;  // assigned to no key

class InputWatch;

class Win32KeyInput final : public platform::KeyInput {
  public:
    // Starts watching the keyboard and mouse (one watch per process, shared).
    Win32KeyInput();
    ~Win32KeyInput() override;
    Win32KeyInput(const Win32KeyInput&) = delete;
    Win32KeyInput& operator=(const Win32KeyInput&) = delete;

    // One SendInput call for the whole batch, with real scan codes, the extended flag
    // only on extended keys and kOwnInputTag, so the watch knows them for the program's
    // own. A key the program pressed stays down until the program lets go of it, also
    // when the person's release of it comes between the batch's events (Wine does not
    // keep a batch whole).
    std::size_t send(std::span<const platform::KeyEvent> events) override;
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

// True for the keys whose scan code carries the E0 prefix (right Ctrl and Alt, the
// navigation block, the arrows, ...): they need KEYEVENTF_EXTENDEDKEY.
bool isExtendedKey(std::uint8_t virtualKey);

}  // namespace trifolio::win32
