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

TEST(KeyInput, SynthesisedKeysFireARegisteredHotkeyAndLeaveNoModifierDown) {
    RecordingWindow window;
    Win32HotkeyApi api(window.get());
    Win32KeyInput input;
    const int id = static_cast<std::int16_t>(api.addAtom("Paste2"));
    ASSERT_TRUE(api.registerHotkey(id, MOD_CONTROL | MOD_ALT, VK_F8));

    const KeyEvent presses[] = {press(VK_CONTROL), press(VK_MENU), press(VK_F8)};
    const KeyEvent releases[] = {release(VK_F8), release(VK_MENU), release(VK_CONTROL)};
    input.send(presses);
    input.send(releases);
    EXPECT_TRUE(pumpUntil([&] {
        for (const MSG& m : window.messages())
            if (m.message == WM_HOTKEY && static_cast<int>(m.wParam) == id)
                return true;
        return false;
    }));
    EXPECT_TRUE(pumpUntil([&] { return !input.isDown(VK_CONTROL) && !input.isDown(VK_MENU); }));
    EXPECT_FALSE(input.isDown(VK_F8));

    api.unregisterHotkey(id);
    api.deleteAtom(static_cast<std::uint16_t>(id));
}

TEST(KeyInput, AKeyPressedInOneBatchStaysDownUntilReleasedInAnother) {
    Win32KeyInput input;
    const KeyEvent down[] = {press(VK_SHIFT)};
    const KeyEvent up[] = {release(VK_SHIFT)};
    input.send(down);
    EXPECT_TRUE(pumpUntil([&] { return input.isDown(VK_SHIFT); }));
    input.send(up);
    EXPECT_TRUE(pumpUntil([&] { return !input.isDown(VK_SHIFT); }));
}

// Another program's key press must be seen at once, also right after an earlier
// look at the keys: Wine answers from a per-thread copy for 50 ms after each read.
TEST(KeyInput, AModifierPressedElsewhereAMomentAgoIsSeenDown) {
    Win32KeyInput input;
    ASSERT_TRUE(pumpUntil([&] { return !input.isDown(VK_RMENU) && !input.isDown(VK_LSHIFT); }));
    for (std::uint8_t key : {std::uint8_t{VK_RMENU}, std::uint8_t{VK_LSHIFT}}) {
        EXPECT_FALSE(input.isDown(key));
        std::thread([key] {
            Win32KeyInput other;  // its own thread: this thread's copy is not refreshed
            const KeyEvent down[] = {press(key)};
            other.send(down);
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
    window.clear();

    Win32KeyInput input;
    const KeyEvent keys[] = {press('C'),         release('C'),      press(VK_DELETE),
                             release(VK_DELETE), press(VK_CONTROL), release(VK_CONTROL),
                             press(VK_RIGHT),    release(VK_RIGHT)};
    input.send(keys);
    auto keyDown = [&](WPARAM key) -> const MSG* {
        for (const MSG& m : window.messages())
            if (m.message == WM_KEYDOWN && m.wParam == key)
                return &m;
        return nullptr;
    };
    ASSERT_TRUE(pumpUntil([&] { return keyDown(VK_RIGHT) != nullptr; }));
    for (WPARAM key : {WPARAM{'C'}, WPARAM{VK_DELETE}, WPARAM{VK_CONTROL}, WPARAM{VK_RIGHT}}) {
        const MSG* m = keyDown(key);
        ASSERT_NE(m, nullptr) << key;
        const auto scan = static_cast<UINT>((m->lParam >> 16) & 0xFF);
        const bool extended = (m->lParam >> 24) & 1;
        EXPECT_EQ(scan, MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC)) << key;
        EXPECT_NE(scan, 0u) << key;
        EXPECT_EQ(extended, key == VK_DELETE || key == VK_RIGHT) << key;
    }
    EXPECT_TRUE(pumpUntil([&] { return !input.isDown(VK_CONTROL); }));
}

}  // namespace
}  // namespace trifolio::win32
