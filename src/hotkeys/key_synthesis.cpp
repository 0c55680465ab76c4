#include "hotkeys/key_synthesis.h"

#include <algorithm>
#include <string>
#include <vector>

namespace trifolio {

namespace {

using platform::KeyEvent;

std::string upperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool isControlName(std::string_view part) {
    const std::string upper = upperCase(part);
    return upper == "STRG" || upper == "CTRL";
}

// The key codes of the text's key parts, left to right. Empty parts have no key.
std::vector<std::uint8_t> keyParts(std::string_view text) {
    std::vector<std::uint8_t> codes;
    std::size_t start = 0;
    for (;;) {
        const std::size_t plus = text.find('+', start);
        const std::string_view part = text.substr(start, plus - start);
        if (!part.empty() && !isControlName(part)) {
            const auto code = static_cast<std::uint8_t>(part[0]);
            if (code != 0)
                codes.push_back(code);
        }
        if (plus == std::string_view::npos)
            return codes;
        start = plus + 1;
    }
}

constexpr std::uint8_t kHeldModifiers[] = {vk::kLeftShift, vk::kRightShift, vk::kLeftAlt,
                                           vk::kRightAlt,  vk::kLeftWin,    vk::kRightWin};

bool opensMenuOnRelease(std::uint8_t key) {
    return key == vk::kLeftAlt || key == vk::kRightAlt || key == vk::kLeftWin ||
           key == vk::kRightWin;
}

}  // namespace

void SendKeyCombo(std::string_view text, platform::KeyInput& keys, platform::EventLoop& loop) {
    const std::string upper = upperCase(text);
    // The whole text is searched, not its parts: "ASTRGB" presses Control too.
    const bool control =
        upper.find("STRG") != std::string::npos || upper.find("CTRL") != std::string::npos;
    const std::vector<std::uint8_t> codes = keyParts(text);

    std::vector<KeyEvent> presses{{vk::kControl, true}};
    if (control)
        presses.push_back({vk::kControl, false});

    std::vector<std::uint8_t> held;
    for (std::uint8_t key : kHeldModifiers)
        if (keys.isDown(key))
            held.push_back(key);
    // A Control press between Alt's press and release already keeps the menu closed;
    // without one, the unassigned mask key does it.
    if (!control && std::any_of(held.begin(), held.end(), opensMenuOnRelease)) {
        presses.push_back({vk::kMask, false});
        presses.push_back({vk::kMask, true});
    }
    for (std::uint8_t key : held)
        presses.push_back({key, true});

    for (std::uint8_t code : codes)
        presses.push_back({code, false});
    keys.send(presses);

    loop.pumpOnce();

    // Released in the order pressed, Control last.
    std::vector<KeyEvent> releases;
    for (std::uint8_t code : codes)
        releases.push_back({code, true});
    if (control)
        releases.push_back({vk::kControl, true});
    if (!releases.empty())
        keys.send(releases);
}

}  // namespace trifolio
