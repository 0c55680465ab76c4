#include "hotkeys/key_synthesis.h"

#include <gtest/gtest.h>

#include "engine_fakes.h"

namespace trifolio {
namespace {

using engine_fakes::FakeEventLoop;
using engine_fakes::Journal;
using engine_fakes::RecordingKeyInput;
using platform::KeyEvent;

KeyEvent down(std::uint8_t key) {
    return {key, false};
}
KeyEvent up(std::uint8_t key) {
    return {key, true};
}

struct Typing {
    Journal journal;
    FakeEventLoop loop{journal};
    RecordingKeyInput keys{journal};
    void type(std::string_view text) { SendKeyCombo(text, keys, loop); }
};

struct ComboCase {
    const char* text;
    std::vector<KeyEvent> presses;
    std::vector<KeyEvent> releases;
};

// With no key held, every text gives the initial Control release, Control around the
// keys when the text names it anywhere, the key parts by their first character, and
// the releases in the order of the presses.
TEST(SendKeyCombo, TextsGiveThePressAndReleaseBatches) {
    const std::vector<ComboCase> cases = {
        {"STRG+X", {up(0x11), down(0x11), down('X')}, {up('X'), up(0x11)}},
        {"STRG+C", {up(0x11), down(0x11), down('C')}, {up('C'), up(0x11)}},
        {"STRG+V", {up(0x11), down(0x11), down('V')}, {up('V'), up(0x11)}},
        {"CTRL+V", {up(0x11), down(0x11), down('V')}, {up('V'), up(0x11)}},
        {"X", {up(0x11), down('X')}, {up('X')}},
        {"STRG", {up(0x11), down(0x11)}, {up(0x11)}},
        {"ASTRGB", {up(0x11), down(0x11), down('A')}, {up('A'), up(0x11)}},
        {"STRG+A+B", {up(0x11), down(0x11), down('A'), down('B')}, {up('A'), up('B'), up(0x11)}},
        // Lower case is sent as its own code: 0x78 is F9's code, not X.
        {"ctrl+x", {up(0x11), down(0x11), down(0x78)}, {up(0x78), up(0x11)}},
        // Every part that is not a Control name is a key, "ALT" the key A.
        {"ALT+X", {up(0x11), down('A'), down('X')}, {up('A'), up('X')}},
        // Empty parts have no key; nothing is left pressed.
        {"STRG+", {up(0x11), down(0x11)}, {up(0x11)}},
        {"STRG++C", {up(0x11), down(0x11), down('C')}, {up('C'), up(0x11)}},
    };
    for (const auto& c : cases) {
        Typing t;
        t.type(c.text);
        ASSERT_EQ(t.keys.batches.size(), 2u) << c.text;
        EXPECT_EQ(t.keys.batches[0], c.presses) << c.text;
        EXPECT_EQ(t.keys.batches[1], c.releases) << c.text;
        EXPECT_EQ(t.journal, (Journal{"keys", "pump", "keys"})) << c.text;
        EXPECT_TRUE(t.keys.down().empty()) << c.text;
    }
}

TEST(SendKeyCombo, TextWithoutKeysSendsOnlyTheControlRelease) {
    Typing t;
    t.type("");
    EXPECT_EQ(t.keys.batches, (std::vector<std::vector<KeyEvent>>{{up(0x11)}}));
    EXPECT_EQ(t.journal, (Journal{"keys", "pump"}));
}

struct HeldCase {
    std::vector<std::uint8_t> held;  // left/right key codes the user still holds
    const char* text;
    std::vector<KeyEvent> presses;
};

// The user still holds the hotkey's modifiers. Alt, Shift and Win are released before
// the key goes down; a lone Alt or Win release comes after a Control press or a tap of
// the unassigned mask key, so no menu opens. Nothing is pressed back, nothing stays down.
TEST(SendKeyCombo, ReleasesHeldModifiersBeforeTheKey) {
    const std::uint8_t lCtrl = 0xA2, lAlt = vk::kLeftAlt, rAlt = vk::kRightAlt;
    const std::uint8_t lShift = vk::kLeftShift, rShift = vk::kRightShift;
    const std::uint8_t lWin = vk::kLeftWin, rWin = vk::kRightWin, mask = vk::kMask;
    const std::vector<HeldCase> cases = {
        {{lCtrl, lAlt}, "STRG+C", {up(0x11), down(0x11), up(lAlt), down('C')}},
        {{lAlt}, "STRG+X", {up(0x11), down(0x11), up(lAlt), down('X')}},
        {{rAlt}, "STRG+V", {up(0x11), down(0x11), up(rAlt), down('V')}},
        {{lAlt}, "X", {up(0x11), down(mask), up(mask), up(lAlt), down('X')}},
        {{rWin}, "X", {up(0x11), down(mask), up(mask), up(rWin), down('X')}},
        {{lShift}, "X", {up(0x11), up(lShift), down('X')}},
        {{lShift, rShift, lWin, rWin, lAlt, rAlt},
         "STRG+V",
         {up(0x11), down(0x11), up(lShift), up(rShift), up(lAlt), up(rAlt), up(lWin), up(rWin),
          down('V')}},
    };
    for (const auto& c : cases) {
        Typing t;
        for (auto key : c.held)
            t.keys.hold(key);
        t.type(c.text);
        ASSERT_EQ(t.keys.batches.size(), 2u) << c.text;
        EXPECT_EQ(t.keys.batches[0], c.presses) << c.text;
        EXPECT_TRUE(t.keys.down().empty()) << c.text;
    }
}

}  // namespace
}  // namespace trifolio
