// Synthesised keys through SendInput reach the system as real keystrokes.
#include "platform/win32/key_input.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/hotkey_api.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;
using platform::KeyEvent;

constexpr KeyEvent press(std::uint8_t key) {
    return {key, false};
}
constexpr KeyEvent release(std::uint8_t key) {
    return {key, true};
}

// Presses in one batch, releases in another, as the engine sends them.
TEST(KeyInput, SynthesisedKeysFireARegisteredHotkeyAndLeaveNoKeyDown) {
    RecordingWindow window;
    Win32HotkeyApi api(window.get());
    Win32KeyInput input;
    const auto atom = api.addAtom("Paste2");
    ASSERT_TRUE(api.registerHotkey(static_cast<std::int16_t>(atom), MOD_CONTROL | MOD_ALT, VK_F8));

    const KeyEvent presses[] = {press(VK_CONTROL), press(VK_MENU), press(VK_F8)};
    const KeyEvent releases[] = {release(VK_F8), release(VK_MENU), release(VK_CONTROL)};
    input.send(presses);
    input.send(releases);
    EXPECT_TRUE(pumpUntil([&] {
        return window.received(WM_HOTKEY, static_cast<WPARAM>(static_cast<std::int16_t>(atom)));
    }));
    EXPECT_TRUE(pumpUntil([&] { return !input.isDown(VK_CONTROL) && !input.isDown(VK_MENU); }));
    EXPECT_FALSE(input.isDown(VK_F8));

    api.unregisterHotkey(static_cast<std::int16_t>(atom));
    api.deleteAtom(atom);
}

// Another program's key press must be seen at once, also right after an earlier
// look at the keys: Wine answers from a per-thread copy for 50 ms after each read.
TEST(KeyInput, AModifierPressedElsewhereAMomentAgoIsSeenDown) {
    Win32KeyInput input;
    ASSERT_TRUE(pumpUntil([&] { return !input.isDown(VK_RMENU) && !input.isDown(VK_LSHIFT); }));
    for (std::uint8_t key : {std::uint8_t{VK_RMENU}, std::uint8_t{VK_LSHIFT}}) {
        EXPECT_FALSE(input.isDown(key));
        std::thread([key] {
            const KeyEvent down[] = {press(key)};
            Win32KeyInput().send(down);  // its own thread: this thread's copy is not refreshed
        }).join();
        EXPECT_TRUE(input.isDown(key)) << int{key};
        const KeyEvent up[] = {release(key)};
        input.send(up);
        EXPECT_TRUE(pumpUntil([&] { return !input.isDown(key); }));
    }
}

// The window with the keyboard focus sees each key with its scan code and with the
// extended bit exactly on the extended keys.
TEST(KeyInput, KeysCarryTheirScanCodeAndTheExtendedFlagOnlyWhereItBelongs) {
    RecordingWindow window(false, true);
    SetForegroundWindow(window.get());
    SetFocus(window.get());
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == window.get(); }));

    const WPARAM keys[] = {'C', VK_DELETE, VK_CONTROL, VK_RIGHT};
    std::vector<KeyEvent> events;
    for (WPARAM key : keys)
        events.insert(events.end(), {press(static_cast<std::uint8_t>(key)),
                                     release(static_cast<std::uint8_t>(key))});
    Win32KeyInput input;
    input.send(events);
    ASSERT_TRUE(pumpUntil([&] { return window.received(WM_KEYUP, VK_RIGHT); }));
    for (WPARAM key : keys) {
        const MSG* m = window.find(WM_KEYDOWN, key);
        ASSERT_NE(m, nullptr) << key;
        const auto scan = static_cast<UINT>((m->lParam >> 16) & 0xFF);
        EXPECT_EQ(scan, MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << key;
        EXPECT_NE(scan, 0u) << key;
        EXPECT_EQ(((m->lParam >> 24) & 1) != 0, key == VK_DELETE || key == VK_RIGHT) << key;
    }
}

}  // namespace
}  // namespace trifolio::win32
