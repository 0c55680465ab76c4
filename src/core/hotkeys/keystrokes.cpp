#include "core/hotkeys/keystrokes.h"

#include <algorithm>
#include <array>

#include "platform/keys.h"

namespace trifolio {

namespace {

// Window classes of consoles and terminals; one line adds another.
constexpr std::array<std::string_view, 7> kTerminalClasses = {
    "ConsoleWindowClass",             // the console host
    "CASCADIA_HOSTING_WINDOW_CLASS",  // Windows Terminal
    "PseudoConsoleWindow",            // a console without a window of its own
    "mintty",                         // Cygwin, MSYS2, Git Bash
    "PuTTY",
    "VirtualConsoleClass",  // ConEmu
    "WineConsoleClass",     // Wine's console
};

struct Keys {
    Keystroke cut, copy, paste;
};
constexpr Keys kApplicationKeys{{true, false, 'X'}, {true, false, 'C'}, {true, false, 'V'}};
constexpr Keys kTerminalKeys{
    {true, false, vk::kInsert}, {true, false, vk::kInsert}, {false, true, vk::kInsert}};

}  // namespace

bool isTerminalWindow(std::string_view windowClass) {
    return std::ranges::find(kTerminalClasses, windowClass) != kTerminalClasses.end();
}

Keystroke keystrokeFor(Edit edit, std::string_view windowClass) {
    const Keys& keys = isTerminalWindow(windowClass) ? kTerminalKeys : kApplicationKeys;
    switch (edit) {
        case Edit::Cut:
            return keys.cut;
        case Edit::Copy:
            return keys.copy;
        default:
            return keys.paste;
    }
}

}  // namespace trifolio
