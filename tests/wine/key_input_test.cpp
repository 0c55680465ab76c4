// Synthesised keys through SendInput reach the focused window as real keystrokes.
#include "platform/win32/key_input.h"

#include <gtest/gtest.h>

#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;
using platform::KeyEvent;

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
        events.insert(events.end(), {KeyEvent{static_cast<std::uint8_t>(key), false},
                                     KeyEvent{static_cast<std::uint8_t>(key), true}});
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
