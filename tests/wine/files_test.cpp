// The options files on the real file system and the Run value in the real registry,
// for a program directory whose path has blanks and characters outside any code page.
#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/win32/registry.h"
#include "platform/win32/strings.h"
#include "settings/settings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

const std::string kDir = "C:\\users\\Public\\Trifolio Tëst ü \u0416\\";
const std::string kExe = kDir + "trifolio.exe";
constexpr wchar_t kRunKey[] = L"Software\\microsoft\\windows\\currentversion\\run";

// The settings logic over the real files and registry. Its questions are answered
// with `answer` and their texts kept; hotkeys play no part here.
struct SettingsOnWindows : platform::Dialogs, HotkeyRegistration {
    SettingsOnWindows() : settings(form, *this, files, registry, *this, kDir, kExe) {
        settings.fillLists();
    }
    platform::Answer messageBox(const std::string&, const std::string& text,
                                platform::Buttons buttons, platform::Icon, bool) override {
        questions.push_back(text);
        return buttons == platform::Buttons::Ok ? platform::Answer::Ok : answer;
    }
    void unregisterHotkeys() override {}
    void registerHotkeys() override {}

    platform::Answer answer = platform::Answer::Yes;
    std::vector<std::string> questions;
    Form form;
    Win32Files files;
    Win32Registry registry;
    Settings settings;
};

std::filesystem::path at(const std::string& name) {
    return widen(kDir + name);
}

// The file's bytes, read without the code under test; nullopt when it cannot be opened.
std::optional<std::string> rawBytes(const std::string& name) {
    std::ifstream file(at(name), std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Creates the file with `bytes`; another program holds it open without sharing it
// until the handle goes.
FileHandle createFile(const std::string& name, const std::string& bytes) {
    FileHandle file(CreateFileW(at(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, 0));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, 0));
    return file;
}

// The value as the system holds it, read without the code under test; nullopt if absent.
std::optional<std::wstring> runValue(const wchar_t* name) {
    wchar_t buffer[2048] = {};
    DWORD type = 0, bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_ANY, &type, buffer, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return buffer;
}

class ProgramDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        TearDown();
        ASSERT_TRUE(std::filesystem::create_directory(at("")));
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar", REG_SZ, L"x.exe",
                                  6 * sizeof(wchar_t)),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        std::filesystem::remove_all(at(""));
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio");
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar");
    }
};

// Saved over a longer file, the options reach the disk as they are, with no new file
// left behind, and load back; saving sets the Run value to the quoted program path, or
// deletes only that value.
TEST_F(ProgramDirectory, OptionsAndTheRunValueRoundTrip) {
    createFile("options.ini", std::string(5000, 'a'));
    SettingsOnWindows writer;
    writer.form.Check3.setChecked(false);  // no warning about the ALT lists
    const std::vector<std::string> lists = {"STRG", "Q", "ALT", "F2", "STRG+ALT", "9",
                                            "-",    "-", "-",   "F5", "ALT",      "Ä"};
    for (int n = 1; n <= 11; ++n)
        ASSERT_TRUE(writer.form.combo(n).setText(lists[n - 1])) << n;
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);
    ASSERT_EQ(writer.settings.SaveOptions(true), Outcome::Done);
    EXPECT_EQ(runValue(L"Trifolio"), L"\"" + widen(kExe) + L"\"");

    const auto ini = rawBytes("options.ini");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini, rawBytes("options.tmp"));
    EXPECT_NE(ini->find("\"Ablage 2, Einf\xFCgen:\"\r\n"), std::string::npos);
    EXPECT_EQ(ini->substr(ini->size() - 13), "\"warnen: 0\"\r\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(at("")))
        names.push_back(narrow(entry.path().filename().wstring()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"options.ini", "options.tmp"}));

    SettingsOnWindows reader;
    EXPECT_EQ(reader.settings.LoadOptions(false), Outcome::Done);
    for (int n = 1; n <= 11; ++n)
        EXPECT_EQ(reader.form.combo(n).text(), lists[n - 1]) << n;
    EXPECT_TRUE(reader.questions.empty());
    reader.form.Check1.setChecked(false);
    ASSERT_EQ(reader.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(runValue(L"Trifolio"), std::nullopt);
    EXPECT_EQ(runValue(L"Nachbar"), L"x.exe") << "other programs' values stay";
}

// A missing options file is a first start; a file another program holds is an error in
// the system's own words on one line, followed by one period and the question.
TEST_F(ProgramDirectory, OnlyAMissingOptionsFileIsAFirstStart) {
    SettingsOnWindows first;
    EXPECT_EQ(first.settings.LoadOptions(false), Outcome::Done);
    EXPECT_TRUE(first.questions.empty());
    EXPECT_EQ(first.form.combo(2).text(), "X");  // the built-in defaults

    const FileHandle held = createFile("options.ini", "\"Ablage 2\"\r\n");
    SettingsOnWindows blocked;
    blocked.answer = platform::Answer::No;
    EXPECT_EQ(blocked.settings.LoadOptions(false), Outcome::Quit);
    ASSERT_EQ(blocked.questions.size(), 1u);
    const std::string& text = blocked.questions[0];
    const std::string head = "Folgender Fehler ist im Modul LoadOptions aufgetreten: ";
    const std::string tail = ".\n\rSoll das Programm fortgeführt werden?";
    ASSERT_GT(text.size(), head.size() + tail.size() + 3);
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const std::string words = text.substr(head.size(), text.size() - head.size() - tail.size());
    EXPECT_EQ(words.find_first_of("\r\n"), std::string::npos) << words;
    EXPECT_NE(words.back(), '.') << words;
}

}  // namespace
}  // namespace trifolio::win32
