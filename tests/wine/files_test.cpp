// The options file and the Run value for a program path with blanks and beyond any code page.
#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "../unit/fakes.h"
#include "platform/win32/handles.h"
#include "platform/win32/registry.h"
#include "platform/win32/strings.h"
#include "settings/settings.h"

namespace trifolio::win32 {
namespace {

const std::string kDir = "C:\\users\\Public\\Trifolio Tëst ü \u0416\\";
constexpr wchar_t kRunKey[] = L"Software\\microsoft\\windows\\currentversion\\run";

// The settings logic over the real files and registry, its questions answered from a script.
struct SettingsOnWindows : HotkeyRegistration {
    SettingsOnWindows() { settings.fillLists(); }
    void unregisterHotkeys() override {}
    void registerHotkeys() override {}
    fakes::ScriptedDialogs dialogs;
    Form form;
    Win32Files files;
    Win32Registry registry;
    Settings settings{form, dialogs, files, registry, *this, kDir, kDir + "t.exe"};
};

// The Run value as the system holds it, read without the code under test; "" if absent.
std::wstring runValue(const wchar_t* name) {
    wchar_t buffer[2048] = {};
    DWORD bytes = sizeof buffer;
    RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
    return buffer;
}

// Options load back, the Run value is the quoted path or only it is deleted, and a file
// another program holds is an error in the system's own words on one line.
TEST(ProgramDirectory, OptionsAndTheRunValueRoundTripAndErrorsAreToldInOneLine) {
    const auto cleanUp = [] {
        std::filesystem::remove_all(widen(kDir));
        for (const wchar_t* name : {L"Trifolio", L"Nachbar"})
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, name);
    };
    cleanUp();
    ASSERT_TRUE(std::filesystem::create_directory(widen(kDir)));
    RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar", REG_SZ, L"x.exe", 12);
    SettingsOnWindows first;
    EXPECT_EQ(first.settings.LoadOptions(false), Outcome::Done);  // a first start
    first.form.Check3.setChecked(false);                          // no warning about the ALT lists
    ASSERT_TRUE(first.form.combo(6).setText("9"));
    ASSERT_EQ(first.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(runValue(L"Trifolio"), L"\"" + widen(kDir) + L"t.exe\"");
    EXPECT_TRUE(first.dialogs.shown.empty());

    SettingsOnWindows second;
    EXPECT_EQ(second.settings.LoadOptions(false), Outcome::Done);
    EXPECT_EQ(second.form.combo(6).text(), "9");
    second.form.Check1.setChecked(false);
    ASSERT_EQ(second.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(runValue(L"Trifolio"), L"");
    EXPECT_EQ(runValue(L"Nachbar"), L"x.exe") << "other programs' values stay";

    FileHandle held(CreateFileW(widen(kDir + "options.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
    SettingsOnWindows blocked;
    blocked.dialogs.answers = {platform::Answer::No};
    EXPECT_EQ(blocked.settings.LoadOptions(false), Outcome::Quit);
    ASSERT_EQ(blocked.dialogs.shown.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        blocked.dialogs.shown[0],
        std::regex("Fehler! Folgender Fehler ist im Modul LoadOptions aufgetreten: [^\r\n]*"
                   "[^.\r\n]\\.\n\rSoll das Programm fortgeführt werden\\?")))
        << blocked.dialogs.shown[0];
    held.reset();
    cleanUp();
}

}  // namespace
}  // namespace trifolio::win32
