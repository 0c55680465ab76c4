#include "core/hotkeys/key_synthesis.h"

#include <algorithm>
#include <vector>

namespace trifolio {

namespace {

using platform::KeyEvent;

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

// The batches of one keystroke, each event with the key's scan code and extended flag.
class Batch {
  public:
    explicit Batch(platform::KeyInput& keys) : keys_(keys) {}
    void press(std::uint8_t key) { add(key, false, false); }
    void release(std::uint8_t key) { add(key, true, false); }
    void pressWhileHeld(std::uint8_t key) { add(key, false, true); }
    void tapMask() { press(vk::kMask), release(vk::kMask); }
    std::span<const KeyEvent> events() const { return events_; }

  private:
    void add(std::uint8_t key, bool release, bool whileHeld) {
        events_.push_back({key, release, whileHeld, keys_.scanCode(key), vk::isExtended(key)});
    }
    platform::KeyInput& keys_;
    std::vector<KeyEvent> events_;
};

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
    Batch releases(keys);
    for (std::uint8_t key : pressedAgain)
        if (!keys.held(key))
            releases.release(key);
    sendKeys(keys, loop, releases.events());
}

std::vector<std::uint8_t> SendKeystroke(const Keystroke& keystroke, platform::KeyInput& keys,
                                        platform::EventLoop& loop, bool probed) {
    const bool control = keystroke.control;

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

    Batch presses(keys);
    if (!leaveControl)
        presses.release(vk::kControl);
    if (control && !leaveControl)
        presses.press(vk::kControl);
    // A Control press between Alt's press and release already keeps the menu closed;
    // without one, the unassigned mask key does it.
    if (!control && std::any_of(held.begin(), held.end(), opensMenuOnRelease))
        presses.tapMask();
    // A held right Control may stay down under a Control keystroke, not under another.
    for (std::uint8_t key : held)
        if (!isControl(key) || (!control && key == vk::kRightControl))
            presses.release(key);
    if (keystroke.shift)
        presses.press(vk::kShift);
    presses.press(keystroke.key);
    sendKeys(keys, loop, presses.events());

    loop.pumpOnce();

    // Released in the order pressed, the modifiers last; then down again what the person
    // still holds of what was released.
    Batch releases(keys);
    releases.release(keystroke.key);
    if (control && !leaveControl)
        releases.release(vk::kControl);
    if (keystroke.shift)
        releases.release(vk::kShift);
    std::vector<std::uint8_t> again;
    for (std::uint8_t key : held) {
        if ((control && key == vk::kRightControl) || !keys.held(key))
            continue;
        releases.pressWhileHeld(key);
        again.push_back(key);
    }
    if (std::any_of(again.begin(), again.end(), opensMenuOnRelease))
        releases.tapMask();
    sendKeys(keys, loop, releases.events());
    return again;
}

}  // namespace trifolio
