// The keys the program types and watches, as the key synthesis and the Win32 keyboard
// watch both see them: virtual-key codes, the left and right modifier keys, the keys
// whose scan code needs the extended flag, and the tags that mark the program's own
// synthesised input.
#pragma once

#include <cstdint>

namespace trifolio::vk {

inline constexpr std::uint8_t kShift = 0x10;
inline constexpr std::uint8_t kControl = 0x11;
inline constexpr std::uint8_t kAlt = 0x12;
inline constexpr std::uint8_t kInsert = 0x2D;
inline constexpr std::uint8_t kLeftShift = 0xA0;
inline constexpr std::uint8_t kRightShift = 0xA1;
inline constexpr std::uint8_t kLeftControl = 0xA2;
inline constexpr std::uint8_t kRightControl = 0xA3;
inline constexpr std::uint8_t kLeftAlt = 0xA4;
inline constexpr std::uint8_t kRightAlt = 0xA5;
inline constexpr std::uint8_t kLeftWin = 0x5B;
inline constexpr std::uint8_t kRightWin = 0x5C;
// Assigned to no key: tapped so that releasing a lone Alt or Win opens no menu, and sent
// as the probe that proves the keyboard watch alive.
inline constexpr std::uint8_t kMask = 0xE8;

// Either Shift, Ctrl or Alt (0x10 to 0x12) as the key on its side: the right Ctrl and Alt
// come with the extended flag, everything else is the left key. Other keys stay.
constexpr std::uint8_t sided(std::uint8_t key, bool extended = false) {
    if (key == kShift)
        return kLeftShift;
    if (key == kControl || key == kAlt)
        return static_cast<std::uint8_t>(0x80 + 2 * key + (extended ? 1 : 0));
    return key;
}

// The keys whose scan code carries the E0 prefix (right Ctrl and Alt, the navigation
// block, the arrows, ...): they go out with the extended flag, and only they do. Without
// it Insert is the keypad's 0.
constexpr bool isExtended(std::uint8_t key) {
    switch (key) {
        case kRightControl:
        case kRightAlt:
        case kInsert:
        case 0x2E:  // Delete
        case 0x24:  // Home
        case 0x23:  // End
        case 0x21:  // Page Up
        case 0x22:  // Page Down
        case 0x25:  // the arrows
        case 0x26:
        case 0x27:
        case 0x28:
        case 0x90:  // Num Lock
        case 0x03:  // Break
        case 0x2C:  // Print
        case 0x6F:  // keypad /
        case kLeftWin:
        case kRightWin:
        case 0x5D:  // the menu key
            return true;
        default:
            return false;
    }
}

}  // namespace trifolio::vk

namespace trifolio::platform {

// The program's own synthesised input carries a tag (SendInput's extra information), so
// that the keyboard watch tells it from everything else, which is the person's input
// (real keys, but also an on-screen keyboard or a remote-control program acting for the
// person).
enum class OwnInput {
    None,       // the person's
    Keystroke,  // the program's keystroke: it changes nothing of what the person holds
    WhileHeld,  // a key the person held, pressed again: it goes through only while held
    Probe,      // the probe that proves the watch alive, for the watch alone
};

constexpr std::uintptr_t tagOf(OwnInput input) {
    switch (input) {
        case OwnInput::Keystroke:
            return 0x54726946;  // "Trif"
        case OwnInput::WhileHeld:
            return 0x54726948;
        case OwnInput::Probe:
            return 0x54726950;
        default:
            return 0;
    }
}

// Whose an event is: only an injected one can be the program's.
constexpr OwnInput ownInputOf(bool injected, std::uintptr_t tag) {
    if (injected)
        for (OwnInput own : {OwnInput::Keystroke, OwnInput::WhileHeld, OwnInput::Probe})
            if (tag == tagOf(own))
                return own;
    return OwnInput::None;
}

}  // namespace trifolio::platform
