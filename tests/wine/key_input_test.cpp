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

bool logicallyDown(int key) {
    bool down = false;  // a thread of its own: Wine keeps a per-thread copy for 50 ms
    std::thread([&] { down = (GetAsyncKeyState(key) & 0x8000) != 0; }).join();
    return down;
}

// A key event from anyone but the program: the person's, as far as the program can tell.
void personSends(WORD key, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// The program's own keys fire hotkeys like any others, but do not count as the person's:
// a key the program releases stays held for the person until the person lets go, and
// the program's presses are no presses of the person.
TEST(KeyInput, OwnKeysActButTheWatchCountsOnlyThePersons) {
    RecordingWindow window;
    Win32HotkeyApi api(window.get());
    Win32KeyInput input;
    const auto atom = api.addAtom("Paste2");
    const int id = static_cast<std::int16_t>(atom);
    ASSERT_TRUE(api.registerHotkey(id, MOD_CONTROL | MOD_ALT, VK_F8));
    const auto f8 = input.pressesOf(VK_F8), ctrl = input.pressesOf(VK_LCONTROL);
    ASSERT_TRUE(f8 && ctrl) << "the keyboard is watched";

    // Whenever a window gains the focus, Wine sets the keys to what the X server knows of
    // them, which is nothing of keys sent here: pressed again until it stays down.
    ASSERT_TRUE(pumpUntil([&] {
        personSends(VK_F14, false);
        if (pumpUntil([&] { return input.held(VK_F14); }, 100ms))
            return true;
        personSends(VK_F14, true);
        return false;
    }));
    const KeyEvent own[] = {release(VK_F14), press(VK_CONTROL), press(VK_MENU),     press(VK_F8),
                            release(VK_F8),  release(VK_MENU),  release(VK_CONTROL)};
    EXPECT_EQ(input.send(own), std::size(own));
    EXPECT_TRUE(pumpUntil([&] { return window.received(WM_HOTKEY, static_cast<WPARAM>(id)); }));
    EXPECT_TRUE(pumpUntil([&] { return !logicallyDown(VK_F14); }));
    EXPECT_TRUE(input.held(VK_F14));
    // The person's next key goes after the program's: once it is seen, so are they.
    personSends(VK_F13, false);
    ASSERT_TRUE(pumpUntil([&] { return input.held(VK_F13); }));
    EXPECT_EQ(input.pressesOf(VK_F8), f8);
    EXPECT_EQ(input.pressesOf(VK_LCONTROL), ctrl);
    EXPECT_FALSE(input.held(VK_F8));
    personSends(VK_F13, true);
    personSends(VK_F14, true);
    EXPECT_TRUE(pumpUntil([&] { return !input.held(VK_F14) && !input.held(VK_F13); }));

    api.unregisterHotkey(id);
    api.deleteAtom(atom);
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
