// The options file in a program folder with blanks and beyond any code page, held by others.
#include "win32/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "../unit/fakes.h"
#include "core/settings/settings.h"
#include "win32/handles.h"
#include "win32/registry.h"
#include "win32/strings.h"

namespace trifolio::win32 {
namespace {

const std::string kDir = "C:\\users\\Public\\Trifolio Tëst ü \u0416\\";
constexpr wchar_t kRunKey[] = L"Software\\microsoft\\windows\\currentversion\\run";

// The settings logic over the real files and registry, its questions answered from a script.
struct SettingsOnWindows : HotkeyRegistration {
    SettingsOnWindows() { settings.fillLists(); }
    void unregisterHotkeys() override {}
    void registerHotkeys(const Assignments&) override {}
    fakes::ScriptedDialogs dialogs;
    Form form;
    Win32Files files;
    Win32Registry registry;
    Settings settings{form, dialogs, files, registry, *this, kDir, kDir + "t.exe"};
};

// Held for a moment by another program (antivirus, the indexer), the options file is
// waited for when it is read and when it is replaced.
TEST(ProgramDirectory, AnOptionsFileHeldForAMomentIsWaitedFor) {
    const auto cleanUp = [] {
        std::filesystem::remove_all(widen(kDir));
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio");
    };
    cleanUp();
    ASSERT_TRUE(std::filesystem::create_directory(widen(kDir)));
    SettingsOnWindows program;
    EXPECT_EQ(program.settings.LoadOptions(false), Outcome::Done);  // a first start
    ASSERT_EQ(program.settings.SaveOptions(false), Outcome::Done);
    for (auto step : {&Settings::LoadOptions, &Settings::SaveOptions}) {
        FileHandle moment(CreateFileW(widen(kDir + "options.ini").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(moment);
        std::thread release([&] { Sleep(300), moment.reset(); });  // the other program's hold
        EXPECT_EQ((program.settings.*step)(false), Outcome::Done);
        release.join();
    }
    EXPECT_TRUE(program.dialogs.shown.empty());
    cleanUp();
}

}  // namespace
}  // namespace trifolio::win32
