// The options file: its exact bytes, reading it back, and what a broken file does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"

namespace trifolio {
namespace {

using fakes::SettingsWindow;
using platform::Answer;

// The example settings as the program must write them: Windows-1252, CR LF, 29 lines.
const std::string kExampleFile =
    "\"Ablage 2, Ausschneiden:\"\r\n\"STRG+ALT\"\r\n\"X\"\r\n\"\"\r\n"
    "\"Ablage 2, Kopieren:\"\r\n\"STRG+ALT\"\r\n\"C\"\r\n\"\"\r\n"
    "\"Ablage 2, Einf\xFCgen:\"\r\n\"STRG+ALT\"\r\n\"V\"\r\n\"\"\r\n"
    "\"Ablage 3, Ausschneiden:\"\r\n\"-\"\r\n\"-\"\r\n\"\"\r\n"
    "\"Ablage 3, Kopieren:\"\r\n\"-\"\r\n\"F11\"\r\n\"\"\r\n"
    "\"Ablage 3, Einf\xFCgen:\"\r\n\"ALT\"\r\n\"F12\"\r\n\"\"\r\n"
    "\"\"\r\n\"Optionen:\"\r\n\"autostart: 1\"\r\n\"minimiert: 0\"\r\n\"warnen: 1\"\r\n";

const std::vector<std::string> kExampleLists = {
    "STRG+ALT", "X", "STRG+ALT", "C", "STRG+ALT", "V", "-", "-", "-", "F11", "ALT", "F12"};

// The example file with line `line` (1-based) replaced by `replacement`, CR LF included.
std::string exampleWithLine(int line, const std::string& replacement) {
    size_t begin = 0;
    for (int l = 1; l < line; ++l)
        begin = kExampleFile.find('\n', begin) + 1;
    const size_t end = kExampleFile.find('\n', begin) + 1;
    return kExampleFile.substr(0, begin) + replacement + kExampleFile.substr(end);
}

// Loads `file` as "options.ini", answering a "Fehler!" question with Yes.
struct Loaded {
    explicit Loaded(const std::string& file) {
        w.files.files[w.path("options.ini")] = file;
        w.dialogs.answers = {Answer::Yes};
        outcome = w.settings.LoadOptions(false);
    }
    std::string message() const { return w.dialogs.shown.empty() ? "" : w.dialogs.shown[0].text; }
    SettingsWindow w;
    Outcome outcome;
};

TEST(OptionsFile, SavesTheExactBytesOfTheWindowsSettings) {
    SettingsWindow w;
    w.form.Check3.setChecked(false);  // no warning while the lists are set by hand
    for (int n = 1; n <= 12; ++n)
        ASSERT_TRUE(w.combo(n).setText(kExampleLists[n - 1])) << "Combo" << n;
    w.form.Check2.setChecked(false);
    w.form.Check3.setChecked(true);

    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(w.files.files[w.path("options.ini")], kExampleFile);
    EXPECT_EQ(w.settings.SaveOptions(true), Outcome::Done);
    EXPECT_EQ(w.files.files[w.path("options.tmp")], kExampleFile);
}

TEST(OptionsFile, ASavedFileReadsBackToTheSameListsAndStates) {
    SettingsWindow writer;
    writer.form.Check3.setChecked(false);
    const std::vector<std::string> lists = {"STRG", "0", "ALT",  "F12", "STRG+ALT", "Z",
                                            "-",    "-", "STRG", "-",   "-",        ""};
    for (int n = 1; n <= 12; ++n)
        ASSERT_TRUE(writer.combo(n).setText(lists[n - 1])) << "Combo" << n;
    writer.form.Check1.setChecked(false);
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);

    SettingsWindow reader;
    reader.files.files = writer.files.files;
    reader.form.Check2.setChecked(false);
    EXPECT_EQ(reader.settings.LoadOptions(false), Outcome::Done);
    // Combo9 was "STRG" with the key "-": loading takes the key's "-" for the modifier too.
    auto expected = lists;
    expected[8] = "-";
    EXPECT_EQ(reader.listValues(), expected);
    EXPECT_FALSE(reader.form.Check1.checked());
    EXPECT_TRUE(reader.form.Check2.checked());
    EXPECT_FALSE(reader.form.Check3.checked());
    EXPECT_FALSE(reader.form.OptionsChanged);
    EXPECT_FALSE(reader.form.OptionsLoading);
    EXPECT_EQ(reader.hotkeys.calls, (std::vector<std::string>{"unregister", "register"}));
    EXPECT_TRUE(reader.dialogs.shown.empty());
}

TEST(OptionsFile, FieldsAreReadByPositionWithCommasQuotesAndBlanks) {
    // Labels are not looked at (commas inside quotes are text), values may stand unquoted
    // after blanks, and an option is ticked exactly when its field ends in "1".
    std::string file = exampleWithLine(1, "\"Ganz, anderes Etikett\"\r\n");
    file.replace(file.find("\"X\""), 3, "  X");
    file.replace(file.find("\"autostart: 1\""), 14, "\"autostart: ON\"");
    file.replace(file.find("\"minimiert: 0\""), 14, "1");
    file.replace(file.find("\"warnen: 1\""), 11, "\"\"");
    Loaded loaded(file);
    EXPECT_EQ(loaded.outcome, Outcome::Done) << loaded.message();
    EXPECT_EQ(loaded.w.listValues(), kExampleLists);
    EXPECT_FALSE(loaded.w.form.Check1.checked());
    EXPECT_TRUE(loaded.w.form.Check2.checked());
    EXPECT_FALSE(loaded.w.form.Check3.checked());
}

TEST(OptionsFile, LoadFailureAsksWhetherToGoOnAndNoQuits) {
    SettingsWindow w;
    w.files.files[w.path("options.ini")] = "\"Ablage 2, Ausschneiden:\"\r\n\"STRG\"\r\n";
    w.dialogs.answers = {Answer::No};

    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Quit);
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    const auto& box = w.dialogs.shown[0];
    EXPECT_EQ(box.title, "Fehler!");
    EXPECT_EQ(box.text,
              "Folgender Fehler ist im Modul LoadOptions aufgetreten: Unerwartetes Dateiende."
              "\n\rSoll das Programm fortgeführt werden?");
    EXPECT_EQ(box.buttons, platform::Buttons::YesNo);
    EXPECT_EQ(box.icon, platform::Icon::Stop);
    EXPECT_TRUE(box.defaultNo);
    EXPECT_FALSE(w.form.OptionsLoading);
    EXPECT_TRUE(w.hotkeys.calls.empty());
}

TEST(OptionsFile, A28FieldFileAppliesThemAllAndKeepsCheck3) {
    const std::string file = exampleWithLine(28, "\"minimiert: 1\"\r\n");
    Loaded loaded(file.substr(0, file.rfind("\"warnen")));
    EXPECT_EQ(loaded.outcome, Outcome::Failed);
    EXPECT_NE(loaded.message().find(": Unerwartetes Dateiende."), std::string::npos);
    EXPECT_EQ(loaded.w.listValues(), kExampleLists);
    EXPECT_TRUE(loaded.w.form.Check2.checked());
    EXPECT_TRUE(loaded.w.form.Check3.checked());  // as before: never read
    EXPECT_TRUE(loaded.w.form.OptionsChanged);    // not cleared by a failed load
    EXPECT_FALSE(loaded.w.form.OptionsLoading);
    EXPECT_TRUE(loaded.w.hotkeys.calls.empty());
}

TEST(OptionsFile, DamagedFilesNameTheFaultInTheQuestion) {
    const struct {
        std::string file;
        std::string description;
    } cases[] = {
        // An unquoted label with a comma is two fields and shifts the rest by one.
        {exampleWithLine(1, "Ablage 2, Ausschneiden:\r\n"),
         "Ungültiger Wert 'Ausschneiden:' für Combo1"},
        {exampleWithLine(3, "\"-\"\r\n"), "Ungültiger Wert '-' für Combo2"},  // store 2 needs a key
        {exampleWithLine(19, "\"C\"\r\n"), "Ungültiger Wert 'C' für Combo10"},  // no modifier
        {exampleWithLine(2, "\"strg\"\r\n"), "Ungültiger Wert 'strg' für Combo1"},
        {exampleWithLine(23, "\"F13\"\r\n"), "Ungültiger Wert 'F13' für Combo12"},
        {"", "Unerwartetes Dateiende"},
        {"\"Ablage 2, Ausschneiden:\r\n", "Unerwartetes Dateiende"},  // quote never closed
    };
    for (const auto& c : cases) {
        Loaded loaded(c.file);
        EXPECT_EQ(loaded.outcome, Outcome::Failed) << c.description;
        EXPECT_NE(loaded.message().find("aufgetreten: " + c.description + ".\n\r"),
                  std::string::npos)
            << loaded.message();
    }
}

TEST(OptionsFile, AStore3ActionWithoutKeyLoadsWithoutModifier) {
    std::string file = exampleWithLine(14, "\"STRG\"\r\n");
    file = file.substr(0, file.find("\"ALT\"")) + "\"STRG+ALT\"\r\n\"-\"" +
           file.substr(file.find("\"F12\"") + 5);
    Loaded loaded(file);
    EXPECT_EQ(loaded.outcome, Outcome::Done) << loaded.message();
    EXPECT_EQ(loaded.w.combo(7).text(), "-");
    EXPECT_EQ(loaded.w.combo(8).text(), "-");
    EXPECT_EQ(loaded.w.combo(11).text(), "-");
    EXPECT_EQ(loaded.w.combo(12).text(), "-");
}

TEST(OptionsFile, FirstStartTakesTheDefaultsSilentlyAndTheNextSavesWriteThem) {
    SettingsWindow w;
    w.form.OptionsLoading = true;
    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Done);
    EXPECT_TRUE(w.dialogs.shown.empty());
    EXPECT_EQ(w.listValues(), kExampleLists);
    EXPECT_EQ(w.hotkeys.calls, (std::vector<std::string>{"unregister", "register"}));

    EXPECT_EQ(w.settings.SaveOptions(true), Outcome::Done);
    EXPECT_EQ(w.files.files[w.path("options.tmp")], kExampleFile);
    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(w.files.files[w.path("options.ini")], kExampleFile);
}

TEST(OptionsFile, OnlyAMissingIniIsAFirstStart) {
    SettingsWindow noTmp;  // "Abbrechen" without an "options.tmp"
    noTmp.dialogs.answers = {Answer::Yes};
    EXPECT_EQ(noTmp.settings.LoadOptions(true), Outcome::Failed);
    EXPECT_NE(noTmp.dialogs.shown.at(0).text.find(": Datei nicht gefunden."), std::string::npos);
    EXPECT_EQ(noTmp.listValues(), std::vector<std::string>(12));

    SettingsWindow unreadable;
    unreadable.files.unreadable.insert(unreadable.path("options.ini"));
    unreadable.dialogs.answers = {Answer::No};
    EXPECT_EQ(unreadable.settings.LoadOptions(false), Outcome::Quit);
    EXPECT_NE(unreadable.dialogs.shown.at(0).text.find(": Zugriff verweigert."), std::string::npos);
    EXPECT_EQ(unreadable.listValues(), std::vector<std::string>(12));
}

TEST(OptionsFile, AFailedSaveKeepsTheOldFileAndChangesNothingElse) {
    SettingsWindow w;
    const std::string ini = w.path("options.ini");
    w.files.files[ini] = kExampleFile;
    w.files.readOnly.insert(ini);
    w.combo(2).setText("Q");
    w.dialogs.answers = {Answer::Yes, Answer::No};

    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Failed);
    EXPECT_EQ(w.files.files[ini], kExampleFile);
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_EQ(w.dialogs.shown[0].title, "Fehler!");
    EXPECT_EQ(w.dialogs.shown[0].text,
              "Folgender Fehler ist im Modul SaveOptions aufgetreten: Zugriff verweigert."
              "\n\rSoll das Programm fortgeführt werden?");
    EXPECT_TRUE(w.form.OptionsChanged);
    EXPECT_TRUE(w.form.Command1.enabled);
    EXPECT_TRUE(w.registry.values.empty());
    EXPECT_TRUE(w.hotkeys.calls.empty());

    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Quit);
}

}  // namespace
}  // namespace trifolio
