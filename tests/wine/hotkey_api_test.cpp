// Global atoms and system-wide hotkeys as Wine's user32 and kernel32 handle them.
#include "platform/win32/hotkey_api.h"

#include <gtest/gtest.h>

#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;

std::wstring atomName(ATOM atom) {
    wchar_t name[64] = {};
    GlobalGetAtomNameW(atom, name, 64);
    return name;
}

TEST(HotkeyAtoms, OneAtomPerNameLivesUntilEveryAddIsDeleted) {
    RecordingWindow window;
    Win32HotkeyApi api(window.get());
    const std::uint16_t cut = api.addAtom("Cut2");
    ASSERT_NE(cut, 0);
    EXPECT_GE(cut, 0xC000) << "string atoms lie above the integer atoms";
    EXPECT_EQ(atomName(cut), L"Cut2");
    EXPECT_EQ(api.addAtom("Cut2"), cut);
    EXPECT_NE(api.addAtom("Paste3"), cut);

    api.deleteAtom(cut);
    EXPECT_EQ(GlobalFindAtomW(L"Cut2"), cut) << "still held by the second add";
    api.deleteAtom(cut);
    EXPECT_EQ(GlobalFindAtomW(L"Cut2"), 0);
    api.deleteAtom(GlobalFindAtomW(L"Paste3"));
}

TEST(HotkeyRegistration, ACombinationTakenByAnotherWindowIsRefusedUntilReleased) {
    RecordingWindow first, second;
    Win32HotkeyApi firstApi(first.get()), secondApi(second.get());
    // Identifiers as the dispatch uses them: the atom widened with its sign.
    const int firstId = static_cast<std::int16_t>(firstApi.addAtom("Copy2"));
    const int secondId = static_cast<std::int16_t>(secondApi.addAtom("Copy3"));
    ASSERT_LT(firstId, 0);

    ASSERT_TRUE(firstApi.registerHotkey(firstId, MOD_CONTROL | MOD_ALT, VK_F9));
    SetLastError(0);
    EXPECT_FALSE(secondApi.registerHotkey(secondId, MOD_CONTROL | MOD_ALT, VK_F9));
    EXPECT_EQ(GetLastError(), ERROR_HOTKEY_ALREADY_REGISTERED);
    // Another modifier makes another combination.
    EXPECT_TRUE(secondApi.registerHotkey(secondId, MOD_ALT, VK_F9));
    EXPECT_TRUE(secondApi.unregisterHotkey(secondId));

    EXPECT_TRUE(firstApi.unregisterHotkey(firstId));
    EXPECT_FALSE(firstApi.unregisterHotkey(firstId)) << "nothing left to unregister";
    EXPECT_TRUE(secondApi.registerHotkey(secondId, MOD_CONTROL | MOD_ALT, VK_F9));
    EXPECT_TRUE(secondApi.unregisterHotkey(secondId));
    firstApi.deleteAtom(static_cast<std::uint16_t>(firstId));
    secondApi.deleteAtom(static_cast<std::uint16_t>(secondId));
}

}  // namespace
}  // namespace trifolio::win32
