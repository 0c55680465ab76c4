// The Run value that starts the program with Windows.
#include <gtest/gtest.h>

#include "fakes.h"

namespace trifolio {
namespace {

using fakes::SettingsWindow;

std::optional<std::string> runValue(SettingsWindow& w) {
    return w.registry.getString("Software\\microsoft\\windows\\currentversion\\run", "Trifolio");
}

TEST(Autostart, OnWritesTheQuotedPathAndAnythingElseDeletesIt) {
    SettingsWindow w;
    w.settings.SetAutostart("ON");
    EXPECT_EQ(runValue(w), "\"C:\\Programme\\Trifolio 1.1\\trifolio.exe\"");
    w.settings.SetAutostart("on");
    EXPECT_EQ(runValue(w), std::nullopt);
    w.settings.SetAutostart("OFF");  // nothing left to delete
    EXPECT_EQ(runValue(w), std::nullopt);
}

TEST(Autostart, EverySaveFollowsTheFirstOption) {
    SettingsWindow w;
    w.form.Check1.setChecked(true);
    ASSERT_EQ(w.settings.SaveOptions(true), Outcome::Done);
    EXPECT_TRUE(runValue(w).has_value());
    w.form.Check1.setChecked(false);
    ASSERT_EQ(w.settings.SaveOptions(false), Outcome::Done);
    EXPECT_FALSE(runValue(w).has_value());
}

}  // namespace
}  // namespace trifolio
