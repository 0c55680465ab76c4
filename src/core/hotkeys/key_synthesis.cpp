#include "core/hotkeys/key_synthesis.h"

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

// The modifiers a person may hold, each key on its own.
constexpr std::uint8_t kModifiers[] = {vk::kLeftShift,    vk::kRightShift, vk::kLeftControl,
                                       vk::kRightControl, vk::kLeftAlt,    vk::kRightAlt,
                                       vk::kLeftWin,      vk::kRightWin};

bool isControl(std::uint8_t key) {
    return key == vk::kLeftControl || key == vk::kRightControl;
}

bool opensMenuOnRelease(std::uint8_t key) {
    return key == vk::kLeftAlt || key == vk::kRightAlt || key == vk::kLeftWin ||
           key == vk::kRightWin;
}

void tapMask(std::vector<KeyEvent>& events) {
    events.push_back({vk::kMask, false});
    events.push_back({vk::kMask, true});
}

}  // namespace

void sendKeys(platform::KeyInput& keys, platform::EventLoop& loop,
              std::span<const KeyEvent> events) {
    const auto until = loop.now() + kKeyRetryBound;
    while (!events.empty()) {
        events = events.subspan(std::min(keys.send(events), events.size()));
        if (events.empty() || loop.now() >= until)
            return;
        loop.waitUntil([] { return false; }, kKeyRetryStep);
    }
}

bool watchAnswers(platform::KeyInput& keys, platform::EventLoop& loop) {
    if (keys.presses()) {
        keys.probeWatch();
        const auto sawAll = [&] { return keys.watchSawAll(); };
        if (sawAll() || loop.waitUntil(sawAll, kWatchBound))
            return true;
    }
    keys.rewatch();
    return false;
}

void releaseLetGo(platform::KeyInput& keys, platform::EventLoop& loop,
                  std::span<const std::uint8_t> pressedAgain) {
    std::vector<KeyEvent> releases;
    for (std::uint8_t key : pressedAgain)
        if (!keys.held(key))
            releases.push_back({key, true});
    sendKeys(keys, loop, releases);
}

namespace {

// Presses `modifiers` (Control, Shift) around `codes`: see SendKeyCombo.
std::vector<std::uint8_t> typeCombo(std::span<const std::uint8_t> modifiers,
                                    std::span<const std::uint8_t> codes, platform::KeyInput& keys,
                                    platform::EventLoop& loop, bool probed) {
    const bool control = std::ranges::find(modifiers, vk::kControl) != modifiers.end();

    // A probe sent a moment ago that came through proves the watch already.
    if (!probed || !keys.presses() || !keys.watchSawAll())
        watchAnswers(keys, loop);
    const bool watching = keys.presses().has_value();
    std::vector<std::uint8_t> held;
    for (std::uint8_t key : kModifiers)
        if (keys.held(key))
            held.push_back(key);
    // Without a watch, a left Control the person holds is the keystroke's Control.
    const bool leaveControl = !watching && std::ranges::count(held, vk::kLeftControl) > 0;
    if (!watching)
        held.clear();

    std::vector<KeyEvent> presses;
    if (!leaveControl)
        presses.push_back({vk::kControl, true});
    if (control && !leaveControl)
        presses.push_back({vk::kControl, false});
    // A Control press between Alt's press and release already keeps the menu closed;
    // without one, the unassigned mask key does it.
    if (!control && std::any_of(held.begin(), held.end(), opensMenuOnRelease))
        tapMask(presses);
    // A held right Control may stay down under a Control keystroke, not under another.
    for (std::uint8_t key : held)
        if (!isControl(key) || (!control && key == vk::kRightControl))
            presses.push_back({key, true});
    for (std::uint8_t key : modifiers)
        if (key != vk::kControl)
            presses.push_back({key, false});
    for (std::uint8_t code : codes)
        presses.push_back({code, false});
    sendKeys(keys, loop, presses);

    loop.pumpOnce();

    // Released in the order pressed, the modifiers last; then down again what the person
    // still holds of what was released.
    std::vector<KeyEvent> releases;
    for (std::uint8_t code : codes)
        releases.push_back({code, true});
    for (std::uint8_t key : modifiers)
        if (key != vk::kControl || !leaveControl)
            releases.push_back({key, true});
    std::vector<std::uint8_t> again;
    for (std::uint8_t key : held) {
        if ((control && key == vk::kRightControl) || !keys.held(key))
            continue;
        releases.push_back({key, false, true});
        again.push_back(key);
    }
    if (std::any_of(again.begin(), again.end(), opensMenuOnRelease))
        tapMask(releases);
    sendKeys(keys, loop, releases);
    return again;
}

}  // namespace

std::vector<std::uint8_t> SendKeyCombo(std::string_view text, platform::KeyInput& keys,
                                       platform::EventLoop& loop) {
    const std::string upper = upperCase(text);
    // The whole text is searched, not its parts: "ASTRGB" presses Control too.
    const bool control =
        upper.find("STRG") != std::string::npos || upper.find("CTRL") != std::string::npos;
    std::vector<std::uint8_t> modifiers;
    if (control)
        modifiers.push_back(vk::kControl);
    return typeCombo(modifiers, keyParts(text), keys, loop, false);
}

std::vector<std::uint8_t> SendKeystroke(const Keystroke& keystroke, platform::KeyInput& keys,
                                        platform::EventLoop& loop, bool probed) {
    std::vector<std::uint8_t> modifiers;
    if (keystroke.control)
        modifiers.push_back(vk::kControl);
    if (keystroke.shift)
        modifiers.push_back(vk::kShift);
    const std::uint8_t codes[] = {keystroke.key};
    return typeCombo(modifiers, codes, keys, loop, probed);
}

}  // namespace trifolio
