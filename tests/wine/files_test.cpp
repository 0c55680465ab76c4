// The options files on the real file system, in a program directory whose path has
// blanks and characters outside ASCII.
#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/win32/strings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using wine_test::SettingsOnWindows;

const std::string kDir = "C:\\users\\Public\\Trifolio Tëst ü\\";
const std::string kExe = kDir + "trifolio.exe";
constexpr wchar_t kRunKey[] = L"Software\\microsoft\\windows\\currentversion\\run";

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

std::vector<std::string> directoryListing() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(at("")))
        names.push_back(narrow(entry.path().filename().wstring()));
    std::sort(names.begin(), names.end());
    return names;
}

class ProgramDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        TearDown();
        ASSERT_TRUE(std::filesystem::create_directory(at("")));
    }
    void TearDown() override {
        std::filesystem::remove_all(at(""));
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Trifolio");
    }
};

TEST_F(ProgramDirectory, OptionsRoundTripThroughTheDisk) {
    createFile("options.ini", std::string(5000, 'a'));  // longer than what replaces it
    SettingsOnWindows writer(kDir, kExe);
    writer.form.Check3.setChecked(false);  // no warning about the ALT lists
    const std::vector<std::string> lists = {"STRG", "Q", "ALT", "F2", "STRG+ALT", "9",
                                            "-",    "-", "-",   "F5", "ALT",      "Ä"};
    for (int n = 1; n <= 11; ++n)
        ASSERT_TRUE(writer.form.combo(n).setText(lists[n - 1])) << n;
    writer.form.Check2.setChecked(false);
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);
    ASSERT_EQ(writer.settings.SaveOptions(true), Outcome::Done);

    // Windows-1252 bytes and CR LF reach the disk unchanged, and no new file stays behind.
    const auto ini = rawBytes("options.ini");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini, rawBytes("options.tmp"));
    EXPECT_NE(ini->find("\"Ablage 2, Einf\xFCgen:\"\r\n"), std::string::npos);
    EXPECT_EQ(ini->substr(ini->size() - 13), "\"warnen: 0\"\r\n");
    EXPECT_EQ(directoryListing(), (std::vector<std::string>{"options.ini", "options.tmp"}));

    SettingsOnWindows reader(kDir, kExe);
    EXPECT_EQ(reader.settings.LoadOptions(false), Outcome::Done);
    for (int n = 1; n <= 11; ++n)
        EXPECT_EQ(reader.form.combo(n).text(), lists[n - 1]) << n;
    EXPECT_TRUE(reader.form.Check1.checked());
    EXPECT_FALSE(reader.form.Check2.checked());
    EXPECT_FALSE(reader.form.Check3.checked());
    EXPECT_TRUE(reader.questions.empty());
}

TEST_F(ProgramDirectory, OnlyAMissingOptionsFileIsAFirstStart) {
    SettingsOnWindows first(kDir, kExe);
    EXPECT_EQ(first.settings.LoadOptions(false), Outcome::Done);
    EXPECT_TRUE(first.questions.empty());
    EXPECT_EQ(first.form.combo(2).text(), "X");  // the built-in defaults

    const FileHandle held = createFile("options.ini", "\"Ablage 2\"\r\n");
    SettingsOnWindows blocked(kDir, kExe);
    blocked.answer = platform::Answer::No;
    EXPECT_EQ(blocked.settings.LoadOptions(false), Outcome::Quit);
    EXPECT_EQ(blocked.form.combo(2).text(), "");
    ASSERT_EQ(blocked.questions.size(), 1u);
    // The system's own words in one line, then one period and the question.
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
