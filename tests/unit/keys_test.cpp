// The vocabulary of key combinations.
#include "hotkeys/keys.h"

#include <gtest/gtest.h>

#include "window/form.h"

namespace trifolio {
namespace {

TEST(KeyVocabulary, ModifierTextsAreExact) {
    EXPECT_EQ(modifierFlags("STRG"), 2u);
    EXPECT_EQ(modifierFlags("ALT"), 1u);
    EXPECT_EQ(modifierFlags("STRG+ALT"), 3u);
    EXPECT_EQ(modifierFlags("-"), 0u);
    EXPECT_EQ(modifierFlags("strg"), 0u);
    EXPECT_EQ(modifierFlags(""), 0u);
}

TEST(KeyVocabulary, KeyCodes) {
    EXPECT_EQ(keyCode("-"), 45u);
    EXPECT_EQ(keyCode("7"), 55u);
    EXPECT_EQ(keyCode("X"), 88u);
    EXPECT_EQ(keyCode("F1"), 112u);
    EXPECT_EQ(keyCode("F5"), 116u);
    EXPECT_EQ(keyCode("F10"), 121u);
    EXPECT_EQ(keyCode("F12"), 123u);
    EXPECT_EQ(keyCode(""), 111u);
}

TEST(KeyVocabulary, NoKeyAndAnEmptyKeyAreUnassigned) {
    EXPECT_FALSE(isAssigned("-"));
    EXPECT_FALSE(isAssigned(""));
    EXPECT_TRUE(isAssigned("F5"));
    EXPECT_TRUE(isAssigned("0"));
    EXPECT_EQ(combinationText("-", "-"), "-+-");
    EXPECT_EQ(combinationText("STRG+ALT", "F12"), "STRG+ALT+F12");
}

TEST(KeyVocabulary, FilledListsOfANewWindow) {
    Form form;
    fillAssignmentLists(form);
    const std::vector<std::string> modifiers = {"-", "STRG", "ALT", "STRG+ALT"};
    for (int n = 1; n <= 11; n += 2)
        EXPECT_EQ(form.combo(n).items(), modifiers) << "Combo" << n;
    for (int n = 2; n <= 12; n += 2) {
        const auto& items = form.combo(n).items();
        const size_t offset = n >= 8 ? 1 : 0;
        ASSERT_EQ(items.size(), 48u + offset) << "Combo" << n;
        if (offset) {
            EXPECT_EQ(items[0], "-");
        }
        EXPECT_EQ(items[offset], "0");
        EXPECT_EQ(items[offset + 10], "A");
        EXPECT_EQ(items[offset + 35], "Z");
        EXPECT_EQ(items[offset + 36], "F1");
        EXPECT_EQ(items.back(), "F12");
        EXPECT_EQ(form.combo(n).selectedIndex(), -1);
    }
}

}  // namespace
}  // namespace trifolio
