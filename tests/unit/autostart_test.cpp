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
}

TEST(Autostart, EverySaveFollowsTheFirstOptionAndAppliesTheSettings) {
    SettingsWindow w;
    w.combo(2).setText("Q");
    ASSERT_EQ(w.settings.SaveOptions(true), Outcome::Done);
    EXPECT_TRUE(runValue(w).has_value());
    EXPECT_FALSE(w.form.OptionsChanged);
    EXPECT_FALSE(w.form.Command1.enabled);
    EXPECT_EQ(w.hotkeys.calls, (std::vector<std::string>{"unregister", "register"}));

    w.form.Check1.setChecked(false);
    ASSERT_EQ(w.settings.SaveOptions(false), Outcome::Done);
    EXPECT_FALSE(runValue(w).has_value());
}

}  // namespace
}  // namespace trifolio
