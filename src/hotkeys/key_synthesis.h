// Synthesised keystrokes: makes the foreground application believe the user typed a
// key combination such as Ctrl+C.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.h"

namespace trifolio {

// Virtual-key codes the synthesis sends or looks at.
namespace vk {
inline constexpr std::uint8_t kControl = 0x11;
inline constexpr std::uint8_t kLeftShift = 0xA0;
inline constexpr std::uint8_t kRightShift = 0xA1;
inline constexpr std::uint8_t kLeftAlt = 0xA4;
inline constexpr std::uint8_t kRightAlt = 0xA5;
inline constexpr std::uint8_t kLeftWin = 0x5B;
inline constexpr std::uint8_t kRightWin = 0x5C;
// Assigned to no key: tapped so that releasing a lone Alt or Win opens no menu.
inline constexpr std::uint8_t kMask = 0xE8;
}  // namespace vk

// Types the combination named by `text`, parts joined by "+": "STRG" or "CTRL" (any
// case) is the Control key, every other part the key whose code is its first character.
//
// The user may still hold the keys of the hotkey that started the action, so Alt, Shift
// and Win keys that are down are released first (they would turn Ctrl+C into AltGr+C);
// they are not pressed again afterwards. The presses go out as one batch, then the
// program's pending messages run once, then the releases go out as a second batch. No key
// pressed here is left down.
void SendKeyCombo(std::string_view text, platform::KeyInput& keys, platform::EventLoop& loop);

}  // namespace trifolio
