// The Run value in the real registry of the Wine prefix.
#include "platform/win32/registry.h"

#include <gtest/gtest.h>

#include "platform/win32/strings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\microsoft\\windows\\currentversion\\run";

// The value as the system holds it, read without the code under test; nullopt if absent.
std::optional<std::wstring> runValue(const wchar_t* name = L"Trifolio") {
    wchar_t buffer[2048] = {};
    DWORD type = 0, bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_ANY, &type, buffer, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return buffer;
}

TEST(RunValue, OnCreatesAndReplacesTheQuotedPathAndOffDeletesOnlyIt) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio");
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar", REG_SZ, L"x.exe",
                              6 * sizeof(wchar_t)),
              ERROR_SUCCESS);
    wine_test::SettingsOnWindows first("", "C:\\Program Files\\Trifolio\\trifolio.exe");
    first.settings.SetAutostart("ON");
    EXPECT_EQ(runValue(), L"\"C:\\Program Files\\Trifolio\\trifolio.exe\"");

    // The program moved to a folder with characters outside any code page.
    const std::string moved = "C:\\users\\Public\\Trifolio Tëst ü \u0416\\trifolio.exe";
    wine_test::SettingsOnWindows second("", moved);
    second.settings.SetAutostart("ON");
    EXPECT_EQ(runValue(), L"\"" + widen(moved) + L"\"");
    EXPECT_EQ(second.registry.getString(narrow(kRunKey), "Trifolio"), '"' + moved + '"');

    second.settings.SetAutostart("OFF");
    EXPECT_EQ(runValue(), std::nullopt);
    EXPECT_EQ(second.registry.getString(narrow(kRunKey), "Trifolio"), std::nullopt);
    EXPECT_EQ(runValue(L"Nachbar"), L"x.exe") << "other programs' values stay";
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar");
}

}  // namespace
}  // namespace trifolio::win32
