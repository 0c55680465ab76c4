#include <gtest/gtest.h>

#include "engine_fakes.h"

namespace trifolio {
namespace {

using engine_fakes::ClipFormats;
using engine_fakes::EngineRig;
using engine_fakes::FakeHotkeyApi;
using engine_fakes::textFormats;

// A first start's assignments: store 3's cut is "-", so five hotkeys are registered,
// each under the sign-widened atom of its name.
TEST(Registration, RegistersEveryAssignedCombinationUnderItsAtom) {
    EngineRig rig;
    rig.engine.registerHotkeys();
    const std::map<int, FakeHotkeyApi::Combination> expected = {
        {static_cast<std::int16_t>(0xC0A0), {3, 'X'}},
        {static_cast<std::int16_t>(0xC0A1), {3, 'C'}},
        {static_cast<std::int16_t>(0xC0A2), {3, 'V'}},
        {static_cast<std::int16_t>(0xC0A3), {0, 122}},   // F11
        {static_cast<std::int16_t>(0xC0A4), {1, 123}}};  // ALT+F12
    EXPECT_EQ(rig.hotkeys.registered(), expected);
    EXPECT_EQ(rig.count("add atom Cut3"), 0u);
    EXPECT_EQ(rig.hotkeys.liveAtoms(), 5);
    EXPECT_TRUE(rig.engine.hooked());
    EXPECT_TRUE(rig.engine.refusedCombinations().empty());
}

TEST(Registration, UnassignedAndEmptyKeysAreNotRegistered) {
    EngineRig rig;
    rig.assign(Copy3, "STRG", "-");
    rig.assign(Paste3, "ALT", "-");
    rig.form.combo(keyListNumber(Copy2)).select(-1);  // a list without selection
    rig.engine.registerHotkeys();
    EXPECT_EQ(rig.hotkeys.registered().size(), 2u);
    EXPECT_EQ(rig.hotkeys.liveAtoms(), 2);
    EXPECT_TRUE(rig.engine.refusedCombinations().empty());
}

// A combination another program owns is refused by the system. The entry stays marked,
// so the next unregister gives its atom back too, and the window can name it.
TEST(Registration, RefusedCombinationIsReportedAndStillGivenBack) {
    EngineRig rig;
    rig.hotkeys.takenElsewhere = {{3, 'C'}, {1, 123}};
    rig.engine.registerHotkeys();
    EXPECT_EQ(rig.engine.refusedCombinations(),
              (std::vector<std::string>{"STRG+ALT+C", "ALT+F12"}));
    EXPECT_EQ(rig.hotkeys.registered().size(), 3u);

    rig.engine.unregisterHotkeys();
    EXPECT_EQ(rig.count("delete atom Copy2"), 1u);
    EXPECT_EQ(rig.count("delete atom Paste3"), 1u);
    EXPECT_EQ(rig.hotkeys.liveAtoms(), 0);
    EXPECT_TRUE(rig.hotkeys.registered().empty());

    rig.hotkeys.takenElsewhere.clear();
    rig.engine.registerHotkeys();
    EXPECT_TRUE(rig.engine.refusedCombinations().empty());
}

// Settings are applied as unregister + register: repeated often, nothing piles up.
TEST(Registration, ReRegisteringLeavesNoAtomsOrHotkeysBehind) {
    EngineRig rig;
    for (int round = 0; round < 3; ++round) {
        rig.engine.unregisterHotkeys();
        rig.engine.registerHotkeys();
    }
    rig.assign(Copy3, "STRG", "F11");
    rig.engine.unregisterHotkeys();
    rig.engine.registerHotkeys();
    EXPECT_EQ(rig.hotkeys.liveAtoms(), 5);
    EXPECT_EQ(rig.hotkeys.registered().size(), 5u);
    EXPECT_TRUE(rig.hotkeys.press({2, 122}));
    EXPECT_FALSE(rig.hotkeys.press({0, 122}));
}

TEST(Registration, UnregisterBeforeAnyRegisterCallsNothing) {
    EngineRig rig;
    rig.engine.unregisterHotkeys();
    EXPECT_TRUE(rig.journal.empty());
    EXPECT_FALSE(rig.engine.hooked());
}

// Hotkeys act only between registerHotkeys and unregisterHotkeys, and only for an
// identifier of a registered entry.
TEST(Dispatch, ActsOnlyOnRegisteredIdentifiersWhileHooked) {
    EngineRig rig;
    rig.clipboard.write(textFormats("user"));
    rig.target.selection = textFormats("sel");
    rig.engine.registerHotkeys();
    const int copy2 = *rig.hotkeys.press(rig.combination(Copy2));
    rig.journal.clear();

    for (int id : {0, 1, copy2 + 100, -1})
        rig.engine.onHotkey(id);
    EXPECT_TRUE(rig.journal.empty());

    rig.engine.unregisterHotkeys();
    rig.journal.clear();
    rig.engine.onHotkey(copy2);
    EXPECT_TRUE(rig.journal.empty());

    rig.engine.registerHotkeys();
    rig.engine.onHotkey(*rig.hotkeys.press(rig.combination(Copy2)));
    EXPECT_EQ(rig.stores.store(2).text, "sel");
}

// Cut3 is "-": its atom's identifier reaches the engine (say from an earlier
// registration still in the message queue) but runs nothing.
TEST(Dispatch, UnassignedEntryDoesNotAct) {
    EngineRig rig;
    rig.target.selection = textFormats("sel");
    rig.assign(Cut3, "STRG", "Y");
    rig.engine.registerHotkeys();
    const int cut3 = *rig.hotkeys.press(rig.combination(Cut3));
    rig.engine.unregisterHotkeys();
    rig.assign(Cut3, "STRG", "-");
    rig.engine.registerHotkeys();
    rig.journal.clear();
    rig.engine.onHotkey(cut3);
    EXPECT_TRUE(rig.journal.empty());
}

}  // namespace
}  // namespace trifolio
