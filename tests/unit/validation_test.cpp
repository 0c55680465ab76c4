// The reactions of the assignment lists and options, and the duplicate check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "hotkeys/keys.h"

namespace trifolio {
namespace {

using fakes::SettingsWindow;
using platform::Answer;

std::vector<std::string> functionKeys() {
    std::vector<std::string> keys;
    for (int n = 1; n <= 12; ++n)
        keys.push_back("F" + std::to_string(n));
    return keys;
}

// Sets the six assignments without warnings, then restores the warning option.
void assign(SettingsWindow& w, const std::vector<std::string>& lists) {
    const bool warn = w.form.Check3.checked();
    w.form.Check3.setChecked(false);
    for (int n = 1; n <= 12; ++n)
        ASSERT_TRUE(w.combo(n).setText(lists[n - 1])) << "Combo" << n << " " << lists[n - 1];
    w.form.Check3.setChecked(warn);
}

const std::vector<std::string> kDistinct = {"STRG+ALT", "X", "STRG+ALT", "C",   "STRG+ALT", "V",
                                            "-",        "-", "-",        "F11", "ALT",      "F12"};

TEST(ChangeMarking, ListsAndTheFirstTwoOptionsEnableApply) {
    for (int n = 1; n <= 12; ++n) {
        SettingsWindow w;
        w.form.Check3.setChecked(false);
        w.combo(n).select(1);
        EXPECT_TRUE(w.form.OptionsChanged) << "Combo" << n;
        EXPECT_TRUE(w.form.Command1.enabled) << "Combo" << n;
    }
    SettingsWindow w1;
    w1.form.Check1.setChecked(false);
    EXPECT_TRUE(w1.form.OptionsChanged && w1.form.Command1.enabled);
    SettingsWindow w2;
    w2.form.Check2.setChecked(false);
    EXPECT_TRUE(w2.form.OptionsChanged && w2.form.Command1.enabled);
}

TEST(ChangeMarking, TheWarningOptionIsNoChangeToApply) {
    SettingsWindow w;
    w.form.Check3.setChecked(false);
    w.form.Check3.setChecked(true);
    EXPECT_FALSE(w.form.OptionsChanged);
    EXPECT_FALSE(w.form.Command1.enabled);
}

TEST(ChangeMarking, EndsWhenTheSettingsAreDestroyed) {
    Form form;
    {
        fakes::ScriptedDialogs dialogs;
        fakes::MemoryFiles files;
        fakes::MemoryRegistry registry;
        fakes::RecordingHotkeys hotkeys;
        Settings settings(form, dialogs, files, registry, hotkeys, "", "");
        settings.fillLists();
    }
    form.combo(1).select(3);  // must not reach the destroyed settings
    form.Check1.setChecked(false);
    EXPECT_FALSE(form.OptionsChanged);
}

TEST(AltWarning, AsksBeforeAltAndNoFallsBackToStrgKeepingTheKey) {
    SettingsWindow w;
    assign(w, kDistinct);
    w.combo(1).setText("STRG");
    w.dialogs.answers = {Answer::No};

    w.combo(1).setText("ALT");

    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    const auto& box = w.dialogs.shown[0];
    EXPECT_EQ(box.title, "Achtung!");
    EXPECT_EQ(box.text,
              "Kombinationen mit 'ALT' rufen häufig Schwierigkeiten hervor.\r\n"
              "Trotzdem fortfahren?");
    EXPECT_EQ(box.buttons, platform::Buttons::YesNo);
    EXPECT_EQ(box.icon, platform::Icon::Exclamation);
    EXPECT_TRUE(box.defaultNo);
    EXPECT_EQ(w.combo(1).text(), "STRG");
    EXPECT_EQ(w.combo(2).text(), "X");
    EXPECT_EQ(w.combo(2).items().size(), 48u);
    EXPECT_TRUE(w.form.OptionsChanged);
}

TEST(AltWarning, YesKeepsStrgAltAndItsKey) {
    SettingsWindow w;
    assign(w, kDistinct);
    w.dialogs.answers = {Answer::Yes};
    w.combo(9).setText("STRG+ALT");
    EXPECT_EQ(w.dialogs.shown.at(0).text.substr(0, 30), "Kombinationen mit 'STRG+ALT' r");
    EXPECT_EQ(w.combo(9).text(), "STRG+ALT");
    EXPECT_EQ(w.combo(10).text(), "F11");
}

TEST(AltWarning, SilentWhenSwitchedOffOrWhileLoading) {
    SettingsWindow off;
    off.form.Check3.setChecked(false);
    off.combo(3).setText("STRG+ALT");
    off.combo(5).setText("ALT");
    EXPECT_TRUE(off.dialogs.shown.empty());

    SettingsWindow loading;
    loading.form.OptionsLoading = true;
    loading.combo(3).setText("STRG+ALT");
    loading.combo(11).setText("ALT");
    EXPECT_TRUE(loading.dialogs.shown.empty());
    EXPECT_EQ(loading.combo(3).text(), "STRG+ALT");

    SettingsWindow plain;  // "STRG" and "-" never ask
    plain.combo(1).setText("STRG");
    plain.combo(1).setText("-");
    EXPECT_TRUE(plain.dialogs.shown.empty());
}

TEST(KeyLists, WithoutModifierStore2OffersOnlyFunctionKeys) {
    SettingsWindow w;
    assign(w, kDistinct);  // Combo1/Combo2: STRG+ALT + X
    w.combo(1).setText("-");
    EXPECT_EQ(w.combo(2).items(), functionKeys());
    EXPECT_EQ(w.combo(2).text(), "F1");

    w.combo(3).setText("STRG");
    w.combo(4).setText("F7");
    w.combo(3).setText("-");
    EXPECT_EQ(w.combo(4).text(), "F7");
}

TEST(KeyLists, WithoutModifierStore3OffersNoneAndFunctionKeys) {
    SettingsWindow w;
    assign(w, kDistinct);
    w.combo(11).setText("STRG");
    w.combo(12).setText("X");
    w.combo(11).setText("-");
    auto expected = functionKeys();
    expected.insert(expected.begin(), "-");
    EXPECT_EQ(w.combo(12).items(), expected);
    EXPECT_EQ(w.combo(12).text(), "-");
}

TEST(KeyLists, BackToAModifierKeepsTheFunctionKeyAndOffersEverything) {
    SettingsWindow w;
    assign(w, kDistinct);  // Combo9/Combo10: - + F11
    w.combo(9).setText("STRG");
    EXPECT_EQ(w.combo(10).text(), "F11");
    EXPECT_EQ(w.combo(10).items(), keyListEntries(3, true));
    EXPECT_TRUE(w.combo(10).setText("7"));
}

TEST(DuplicateCheck, NamesTheCombinationAndFocusesTheLaterKeyList) {
    SettingsWindow w;
    auto lists = kDistinct;
    lists[8] = "STRG+ALT";
    lists[9] = "X";  // store 3 copy = store 2 cut
    assign(w, lists);
    std::vector<int> tabs;
    w.settings.selectTab = [&](int tab) { tabs.push_back(tab); };

    EXPECT_FALSE(w.settings.CheckDuplicateCombos());

    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_EQ(w.dialogs.shown[0].title, "Achtung!");
    EXPECT_EQ(w.dialogs.shown[0].text, "Doppelt vergebene Kombination: 'STRG+ALT+X'");
    EXPECT_EQ(w.dialogs.shown[0].buttons, platform::Buttons::Ok);
    EXPECT_EQ(w.dialogs.shown[0].icon, platform::Icon::Exclamation);
    EXPECT_EQ(tabs, std::vector<int>{2});
    EXPECT_EQ(w.form.focus, "Combo10");
}

TEST(DuplicateCheck, TheFirstCollidingPairWinsAndTheDefaultHookSelectsTheTab) {
    SettingsWindow w;
    auto lists = kDistinct;
    lists[5] = "C";     // store 2 paste = store 2 copy
    lists[11] = "F11";  // store 3 paste = -+F11 after Combo11 "-"
    lists[10] = "-";
    assign(w, lists);
    EXPECT_FALSE(w.settings.CheckDuplicateCombos());
    EXPECT_EQ(w.dialogs.shown.at(0).text, "Doppelt vergebene Kombination: 'STRG+ALT+C'");
    EXPECT_EQ(w.form.focus, "Combo6");
    EXPECT_EQ(w.form.TabStrip1, 2);
}

TEST(DuplicateCheck, UnassignedStore3ActionsAreNoDuplicates) {
    SettingsWindow w;
    auto lists = kDistinct;
    lists[8] = "-";
    lists[9] = "-";
    lists[10] = "-";
    lists[11] = "-";
    assign(w, lists);
    EXPECT_TRUE(w.settings.CheckDuplicateCombos());
    EXPECT_TRUE(w.dialogs.shown.empty());
    EXPECT_EQ(w.listValues(), lists);
    EXPECT_TRUE(w.form.focus.empty());
}

TEST(DuplicateCheck, Store3ActionsWithoutKeyLoseTheirModifierFirst) {
    SettingsWindow w;
    assign(w, kDistinct);
    w.combo(7).setText("STRG");
    w.combo(8).setText("-");
    w.combo(9).setText("STRG");
    w.combo(10).setText("-");
    ASSERT_EQ(w.combo(7).text(), "STRG");

    EXPECT_TRUE(w.settings.CheckDuplicateCombos());
    EXPECT_EQ(w.combo(7).text(), "-");
    EXPECT_EQ(w.combo(8).text(), "-");
    EXPECT_EQ(w.combo(9).text(), "-");
    EXPECT_EQ(w.combo(10).text(), "-");
}

TEST(DuplicateCheck, EmptyListsCollideOnTheStore2CopyKeyList) {
    SettingsWindow w;
    EXPECT_FALSE(w.settings.CheckDuplicateCombos());
    EXPECT_EQ(w.dialogs.shown.at(0).text, "Doppelt vergebene Kombination: '+'");
    EXPECT_EQ(w.form.focus, "Combo4");
}

}  // namespace
}  // namespace trifolio
