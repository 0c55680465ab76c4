// The input watch against Wine's real hooks: between the program's keystrokes the
// person's releases go through, and the program puts back only what is still held.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "../support/pump.h"
#include "win32/key_input.h"

namespace trifolio::test {
namespace {

bool down(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

// The person's events, as a program acting for them sends them, then a tap of F15 that
// fences them: the watch handles events in order.
void personal(const std::vector<std::pair<WORD, bool>>& events) {
    for (auto [key, up] : events)
        typeHotkey(0, key, !up, up);
    typeHotkey(0, VK_F15);
    pumpUntil([] { return !down(VK_F15); }, 2000ms);
}

TEST(KeyInput, ThePersonsReleasesGoThroughAndWhatIsNotHeldIsNotPutBack) {
    win32::Win32KeyInput keys;
    const platform::KeyEvent control{VK_CONTROL, false};
    ASSERT_EQ(keys.send({&control, 1}), 1u);
    personal({{VK_CONTROL, true}});
    EXPECT_FALSE(down(VK_CONTROL)) << "the person's release after the program's batch";
    EXPECT_FALSE(keys.held(VK_CONTROL));
    const platform::KeyEvent again{VK_F14, false, true};
    keys.send({&again, 1});
    personal({});
    EXPECT_FALSE(down(VK_F14)) << "a key the person does not hold is not put back";
}

// The system removes the hook without a word; the probe tells, and the watch installed
// anew has the key the person pressed meanwhile as held, and as a new press.
TEST(KeyInput, AWatchTheSystemRemovedIsNoticedAndInstalledAgain) {
    win32::Win32KeyInput keys;
    const auto answers = [&](std::chrono::milliseconds bound) {
        keys.probeWatch();
        return pumpUntil([&] { return keys.watchSawAll(); }, bound);
    };
    ASSERT_TRUE(answers(2000ms));
    ASSERT_TRUE(keys.loseKeyboardHook());
    const auto presses = keys.pressesOf(VK_F13);
    personal({{VK_F13, false}});
    EXPECT_FALSE(answers(200ms));
    EXPECT_FALSE(keys.held(VK_F13)) << "what a removed watch knows";
    ASSERT_TRUE(keys.rewatch());
    EXPECT_TRUE(keys.held(VK_F13));
    EXPECT_EQ(keys.pressesOf(VK_F13), *presses + 1);
    EXPECT_TRUE(answers(2000ms));
    personal({{VK_F13, true}});
    EXPECT_FALSE(keys.held(VK_F13));
}

}  // namespace
}  // namespace trifolio::test
