// Which keys make a window cut, copy and paste. Most applications take Ctrl+X, Ctrl+C and
// Ctrl+V; consoles and terminals copy with Ctrl+Insert and paste with Shift+Insert,
// while Ctrl+C interrupts the command running in them and Ctrl+X reaches it as ^X.
#pragma once

#include <cstdint>
#include <string_view>

namespace trifolio {

enum class Edit { Cut, Copy, Paste };

// A key with the modifiers pressed around it.
struct Keystroke {
    bool control = false;
    bool shift = false;
    std::uint8_t key = 0;  // virtual-key code
    friend bool operator==(const Keystroke&, const Keystroke&) = default;
};

// True for the window classes of consoles and terminals.
bool isTerminalWindow(std::string_view windowClass);

// The keystroke that makes a window of `windowClass` do `edit`. A terminal cannot remove
// its text: a cut there copies.
Keystroke keystrokeFor(Edit edit, std::string_view windowClass);

}  // namespace trifolio
