// The Run value in the real registry of the Wine prefix.
#include "platform/win32/registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "../unit/fakes.h"
#include "platform/win32/strings.h"

namespace trifolio::win32 {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\microsoft\\windows\\currentversion\\run";

// The Run value as the system holds it, read without the code under test.
struct RawValue {
    LSTATUS status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::wstring data;
};
RawValue readRunValue() {
    RawValue value;
    wchar_t buffer[2048] = {};
    DWORD bytes = sizeof buffer;
    value.status = RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio", RRF_RT_ANY, &value.type,
                                buffer, &bytes);
    if (value.status == ERROR_SUCCESS)
        value.data = buffer;
    return value;
}

// Settings that write the real registry on behalf of an executable at `exe`.
struct AutostartFor {
    explicit AutostartFor(std::string exe)
        : settings(form, dialogs, files, registry, hotkeys, "", std::move(exe)) {}
    Form form;
    fakes::ScriptedDialogs dialogs;
    fakes::MemoryFiles files;
    Win32Registry registry;
    fakes::RecordingHotkeys hotkeys;
    Settings settings;
};

class RunValue : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio"); }
    void TearDown() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio"); }
};

TEST_F(RunValue, OnCreatesAndReplacesTheQuotedPathAndOffDeletesIt) {
    AutostartFor first("C:\\Program Files\\Trifolio\\trifolio.exe");
    first.settings.SetAutostart("ON");
    RawValue value = readRunValue();
    ASSERT_EQ(value.status, ERROR_SUCCESS);
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, L"\"C:\\Program Files\\Trifolio\\trifolio.exe\"");

    // The program moved to a folder with characters outside any code page.
    AutostartFor moved("C:\\users\\Public\\Trifolio Tëst ü \u0416\\trifolio.exe");
    moved.settings.SetAutostart("ON");
    EXPECT_EQ(readRunValue().data,
              L"\"C:\\users\\Public\\Trifolio T\u00EBst \u00FC "
              L"\u0416\\trifolio.exe\"");
    EXPECT_EQ(moved.registry.getString(narrow(kRunKey), "Trifolio"),
              "\"C:\\users\\Public\\Trifolio Tëst ü \u0416\\trifolio.exe\"");

    moved.settings.SetAutostart("OFF");
    EXPECT_EQ(readRunValue().status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(moved.registry.getString(narrow(kRunKey), "Trifolio"), std::nullopt);
    moved.settings.SetAutostart("OFF");  // nothing to delete: harmless
    EXPECT_EQ(readRunValue().status, ERROR_FILE_NOT_FOUND);
}

TEST_F(RunValue, LowerCaseOnSwitchesOff) {
    AutostartFor program("C:\\Trifolio\\trifolio.exe");
    program.settings.SetAutostart("ON");
    ASSERT_EQ(readRunValue().status, ERROR_SUCCESS);
    program.settings.SetAutostart("on");
    EXPECT_EQ(readRunValue().status, ERROR_FILE_NOT_FOUND);
}

TEST_F(RunValue, OtherValuesOfTheRunKeyStay) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar", REG_SZ, L"x.exe",
                              6 * sizeof(wchar_t)),
              ERROR_SUCCESS);
    AutostartFor program("C:\\Trifolio\\trifolio.exe");
    program.settings.SetAutostart("ON");
    program.settings.SetAutostart("OFF");
    Win32Registry registry;
    EXPECT_EQ(registry.getString(narrow(kRunKey), "Nachbar"), "x.exe");
    EXPECT_TRUE(registry.deleteValue(narrow(kRunKey), "Nachbar"));
}

}  // namespace
}  // namespace trifolio::win32
