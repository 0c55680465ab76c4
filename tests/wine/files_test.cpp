// The options files on the real file system, in a program directory whose path has
// blanks and characters outside ASCII.
#include "platform/win32/files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "../unit/fakes.h"
#include "platform/win32/handles.h"
#include "platform/win32/strings.h"

namespace trifolio::win32 {
namespace {

const std::string kDir = "C:\\users\\Public\\Trifolio Tëst ü\\";

std::wstring wide(const std::string& name) {
    return widen(kDir + name);
}

// The file's bytes, read without the code under test; nullopt when it cannot be opened.
std::optional<std::string> rawBytes(const std::string& name) {
    const FileHandle file(CreateFileW(wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

void writeRaw(const std::string& name, const std::string& bytes) {
    const FileHandle file(
        CreateFileW(wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

// Names of the files in the program directory.
std::vector<std::string> directoryListing() {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(wide("*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(narrow(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// A settings window over the real file system in kDir.
struct WindowOnDisk {
    WindowOnDisk() { settings.fillLists(); }
    Form form;
    fakes::ScriptedDialogs dialogs;
    Win32Files files;
    fakes::MemoryRegistry registry;
    fakes::RecordingHotkeys hotkeys;
    Settings settings{form, dialogs, files, registry, hotkeys, kDir, kDir + "trifolio.exe"};
    std::vector<std::string> listValues() const {
        std::vector<std::string> values;
        for (const auto& combo : form.combos)
            values.push_back(combo.text());
        return values;
    }
};

class ProgramDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        clean();
        ASSERT_TRUE(CreateDirectoryW(widen(kDir).c_str(), nullptr));
    }
    void TearDown() override { clean(); }
    static void clean() {
        for (const auto& name : directoryListing()) {
            SetFileAttributesW(wide(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(wide(name).c_str());
        }
        RemoveDirectoryW(widen(kDir).c_str());
    }
};

TEST_F(ProgramDirectory, OptionsRoundTripThroughTheDisk) {
    WindowOnDisk writer;
    writer.form.Check3.setChecked(false);
    const std::vector<std::string> lists = {"STRG", "Q", "ALT", "F2", "STRG+ALT", "9",
                                            "-",    "-", "-",   "F5", "ALT",      "Ä"};
    for (int n = 1; n <= 11; ++n)
        ASSERT_TRUE(writer.form.combo(n).setText(lists[n - 1])) << n;
    writer.form.Check2.setChecked(false);
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);
    ASSERT_EQ(writer.settings.SaveOptions(true), Outcome::Done);

    const auto ini = rawBytes("options.ini");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ini, rawBytes("options.tmp"));
    EXPECT_EQ(ini->substr(0, 27), "\"Ablage 2, Ausschneiden:\"\r\n");
    EXPECT_NE(ini->find("\"Ablage 2, Einf\xFCgen:\"\r\n"), std::string::npos);
    EXPECT_EQ(ini->substr(ini->size() - 13), "\"warnen: 0\"\r\n");
    EXPECT_EQ(directoryListing().size(), 2u);  // no new file left behind

    WindowOnDisk reader;
    EXPECT_EQ(reader.settings.LoadOptions(false), Outcome::Done);
    auto expected = lists;
    expected[11] = "";  // Combo12 was never set
    EXPECT_EQ(reader.listValues(), expected);
    EXPECT_TRUE(reader.form.Check1.checked());
    EXPECT_FALSE(reader.form.Check2.checked());
    EXPECT_FALSE(reader.form.Check3.checked());
    EXPECT_TRUE(reader.dialogs.shown.empty());
}

TEST_F(ProgramDirectory, FirstStartWritesTheDefaultsButAMissingTmpIsAnError) {
    WindowOnDisk w;
    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Done);
    EXPECT_TRUE(w.dialogs.shown.empty());
    ASSERT_EQ(w.settings.SaveOptions(false), Outcome::Done);
    const auto ini = rawBytes("options.ini");
    ASSERT_TRUE(ini);
    EXPECT_NE(ini->find("\"STRG+ALT\"\r\n\"X\"\r\n"), std::string::npos);

    w.dialogs.answers = {platform::Answer::Yes};
    EXPECT_EQ(w.settings.LoadOptions(true), Outcome::Failed);
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    // The system's own words, then one period and the question.
    const std::string& text = w.dialogs.shown[0].text;
    const std::string head = "Folgender Fehler ist im Modul LoadOptions aufgetreten: ";
    const std::string tail = ".\n\rSoll das Programm fortgeführt werden?";
    ASSERT_GT(text.size(), head.size() + tail.size() + 3);
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const std::string description =
        text.substr(head.size(), text.size() - head.size() - tail.size());
    EXPECT_EQ(description.find_first_of("\r\n"), std::string::npos) << description;
    EXPECT_NE(description.back(), '.') << description;
}

TEST_F(ProgramDirectory, AnOptionsFileThatCannotBeOpenedIsNoFirstStart) {
    writeRaw("options.ini", "\"Ablage 2, Ausschneiden:\"\r\n");
    const FileHandle locked(CreateFileW(wide("options.ini").c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    WindowOnDisk w;
    w.dialogs.answers = {platform::Answer::No};
    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Quit);
    EXPECT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_EQ(w.listValues(), std::vector<std::string>(12));
}

TEST_F(ProgramDirectory, SavingIntoAReadOnlyFileFailsWithoutDamagingIt) {
    const std::string old = "\"alter Inhalt\"\r\n";
    writeRaw("options.ini", old);
    ASSERT_TRUE(SetFileAttributesW(wide("options.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    WindowOnDisk w;
    w.form.combo(2).select(5);
    w.dialogs.answers = {platform::Answer::Yes};

    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Failed);
    EXPECT_EQ(rawBytes("options.ini"), old);
    EXPECT_EQ(directoryListing(), std::vector<std::string>{"options.ini"});
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_EQ(w.dialogs.shown[0].text.substr(0, 55),
              "Folgender Fehler ist im Modul SaveOptions aufgetreten: ");
    EXPECT_TRUE(w.form.Command1.enabled);
    EXPECT_TRUE(w.registry.values.empty());
}

TEST_F(ProgramDirectory, AWriteReplacesTheWholeFileAndMissingPlacesAreReported) {
    Win32Files files;
    std::string error;
    const std::string path = kDir + "options.tmp";
    EXPECT_FALSE(files.exists(path));
    EXPECT_FALSE(files.exists(kDir + "fehlt\\options.tmp"));
    EXPECT_FALSE(files.writeAtomically(kDir + "fehlt\\options.tmp", "x", error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(files.writeAtomically(path, std::string(5000, 'a'), error)) << error;
    ASSERT_TRUE(files.writeAtomically(path, "kurz", error)) << error;
    EXPECT_EQ(rawBytes("options.tmp"), "kurz");
    EXPECT_EQ(files.read(path, error), "kurz");
    EXPECT_EQ(directoryListing(), std::vector<std::string>{"options.tmp"});
}

}  // namespace
}  // namespace trifolio::win32
