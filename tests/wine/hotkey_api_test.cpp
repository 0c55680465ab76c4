// Global atoms and system-wide hotkeys as Wine's user32 and kernel32 handle them.
#include "platform/win32/hotkey_api.h"

#include <gtest/gtest.h>

#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using wine_test::RecordingWindow;

TEST(HotkeyRegistration, ACombinationTakenByAnotherWindowIsRefusedUntilReleased) {
    RecordingWindow first, second;
    Win32HotkeyApi firstApi(first.get()), secondApi(second.get());
    // Identifiers as the dispatch uses them: the string atom widened with its sign.
    // Names of their own: a program that was killed leaves its atoms in the session.
    const std::uint16_t firstAtom = firstApi.addAtom("HotkeyTestCopy2");
    const std::uint16_t secondAtom = secondApi.addAtom("HotkeyTestCopy3");
    ASSERT_GE(firstAtom, 0xC000);
    EXPECT_EQ(GlobalFindAtomW(L"HotkeyTestCopy2"), firstAtom);
    const int firstId = static_cast<std::int16_t>(firstAtom);
    const int secondId = static_cast<std::int16_t>(secondAtom);

    ASSERT_TRUE(firstApi.registerHotkey(firstId, MOD_CONTROL | MOD_ALT, VK_F9));
    SetLastError(0);
    EXPECT_FALSE(secondApi.registerHotkey(secondId, MOD_CONTROL | MOD_ALT, VK_F9));
    EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
    EXPECT_TRUE(secondApi.registerHotkey(secondId, MOD_ALT, VK_F9)) << "another combination";
    EXPECT_TRUE(secondApi.unregisterHotkey(secondId));

    EXPECT_TRUE(firstApi.unregisterHotkey(firstId));
    EXPECT_TRUE(secondApi.registerHotkey(secondId, MOD_CONTROL | MOD_ALT, VK_F9));
    EXPECT_TRUE(secondApi.unregisterHotkey(secondId));
    firstApi.deleteAtom(firstAtom);
    secondApi.deleteAtom(secondAtom);
    EXPECT_EQ(GlobalFindAtomW(L"HotkeyTestCopy2"), 0);
}

}  // namespace
}  // namespace trifolio::win32
