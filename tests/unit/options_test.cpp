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

// A file of quoted lines from the given contents.
std::string quotedLines(const std::vector<std::string>& contents) {
    std::string text;
    for (const auto& c : contents)
        text += "\"" + c + "\"\r\n";
    return text;
}

// The 29 line contents of a file with the example settings.
std::vector<std::string> exampleLines() {
    return {"Ablage 2, Ausschneiden:",
            "STRG+ALT",
            "X",
            "",
            "Ablage 2, Kopieren:",
            "STRG+ALT",
            "C",
            "",
            "Ablage 2, Einf\xFCgen:",
            "STRG+ALT",
            "V",
            "",
            "Ablage 3, Ausschneiden:",
            "-",
            "-",
            "",
            "Ablage 3, Kopieren:",
            "-",
            "F11",
            "",
            "Ablage 3, Einf\xFCgen:",
            "ALT",
            "F12",
            "",
            "",
            "Optionen:",
            "autostart: 1",
            "minimiert: 0",
            "warnen: 1"};
}

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
    EXPECT_TRUE(w.dialogs.shown.empty());
}

TEST(OptionsFile, ASavedFileReadsBackToTheSameListsAndStates) {
    SettingsWindow writer;
    writer.form.Check3.setChecked(false);
    const std::vector<std::string> lists = {"STRG", "0", "ALT",  "F12", "STRG+ALT", "Z",
                                            "-",    "-", "STRG", "-",   "-",        "F1"};
    for (int n = 1; n <= 12; ++n)
        ASSERT_TRUE(writer.combo(n).setText(lists[n - 1])) << "Combo" << n;
    writer.form.Check1.setChecked(false);
    writer.form.Check2.setChecked(true);
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);

    SettingsWindow reader;
    reader.files.files = writer.files.files;
    reader.form.Check1.setChecked(true);
    reader.form.Check2.setChecked(false);
    reader.form.Check3.setChecked(true);

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

TEST(OptionsFile, ListsWithoutSelectionRoundTripAsEmptyFields) {
    SettingsWindow writer;  // a window whose lists were never set
    ASSERT_EQ(writer.settings.SaveOptions(true), Outcome::Done);
    SettingsWindow reader;
    reader.files.files = writer.files.files;
    reader.form.Check3.setChecked(false);
    EXPECT_EQ(reader.settings.LoadOptions(true), Outcome::Done);
    EXPECT_EQ(reader.listValues(), std::vector<std::string>(12));
    EXPECT_TRUE(reader.form.Check3.checked());
}

TEST(OptionsFile, FieldsAreReadByPositionWithCommasQuotesAndBlanks) {
    SettingsWindow w;
    auto lines = exampleLines();
    lines[0] = "Ganz, anderes Etikett";  // labels are not looked at, commas inside quotes
    std::string file = quotedLines(lines);
    // Unquoted values, blanks before them and a bare "1" for an option work as well.
    file.replace(file.find("\"X\""), 3, "  X");
    file.replace(file.find("\"minimiert: 0\""), 14, "1");
    w.files.files[w.path("options.ini")] = file;

    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Done);
    EXPECT_EQ(w.listValues(), kExampleLists);
    EXPECT_TRUE(w.form.Check2.checked());
    EXPECT_TRUE(w.dialogs.shown.empty());
}

TEST(OptionsFile, OnlyAnOptionFieldEndingInOneTicksItsBox) {
    SettingsWindow w;
    auto lines = exampleLines();
    lines[26] = "autostart: ON";
    lines[27] = "";
    lines[28] = "warnen: 0";
    w.files.files[w.path("options.ini")] = quotedLines(lines);
    w.form.Check2.setChecked(true);
    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Done);
    EXPECT_FALSE(w.form.Check1.checked());
    EXPECT_FALSE(w.form.Check2.checked());
    EXPECT_FALSE(w.form.Check3.checked());
}

TEST(OptionsFile, AnUnquotedLineWithACommaShiftsTheFieldsIntoAnError) {
    SettingsWindow w;
    w.dialogs.answers = {Answer::Yes};
    std::string file = quotedLines(exampleLines());
    file.replace(0, 25, "Ablage 2, Ausschneiden:");  // the first line without its quotes
    w.files.files[w.path("options.ini")] = file;

    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Failed);
    ASSERT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_NE(
        w.dialogs.shown[0].text.find("aufgetreten: Ungültiger Wert 'Ausschneiden:' für Combo1."),
        std::string::npos)
        << w.dialogs.shown[0].text;
}

TEST(OptionsFile, LoadFailureAsksWhetherToGoOnAndNoQuits) {
    SettingsWindow w;
    w.files.files[w.path("options.ini")] = quotedLines({"Ablage 2, Ausschneiden:", "STRG"});
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
    SettingsWindow w;
    auto lines = exampleLines();
    lines.pop_back();
    lines[27] = "minimiert: 1";
    w.files.files[w.path("options.ini")] = quotedLines(lines);
    w.form.Check2.setChecked(false);
    w.form.Check3.setChecked(false);
    w.dialogs.answers = {Answer::Yes};

    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Failed);
    EXPECT_EQ(w.listValues(), kExampleLists);
    EXPECT_TRUE(w.form.Check2.checked());
    EXPECT_FALSE(w.form.Check3.checked());
    EXPECT_TRUE(w.form.OptionsChanged);  // not cleared by a failed load
    EXPECT_FALSE(w.form.OptionsLoading);
    EXPECT_TRUE(w.hotkeys.calls.empty());
}

TEST(OptionsFile, AKeyThatItsModifierDoesNotOfferIsAnError) {
    struct Case {
        int line;  // 0-based line index
        std::string value;
        std::string message;
    };
    const std::vector<Case> cases = {
        {2, "-", "Ungültiger Wert '-' für Combo2"},        // store 2 cannot be unassigned
        {18, "C", "Ungültiger Wert 'C' für Combo10"},      // a letter without modifier
        {1, "strg", "Ungültiger Wert 'strg' für Combo1"},  // texts are case-sensitive
        {22, "F13", "Ungültiger Wert 'F13' für Combo12"},
    };
    for (const auto& c : cases) {
        SettingsWindow w;
        auto lines = exampleLines();
        lines[c.line] = c.value;
        w.files.files[w.path("options.ini")] = quotedLines(lines);
        w.dialogs.answers = {Answer::Yes};
        EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Failed) << c.value;
        ASSERT_EQ(w.dialogs.shown.size(), 1u);
        EXPECT_NE(w.dialogs.shown[0].text.find(c.message + ".\n\r"), std::string::npos)
            << w.dialogs.shown[0].text;
    }
}

TEST(OptionsFile, AStore3ActionWithoutKeyLoadsWithoutModifier) {
    SettingsWindow w;
    auto lines = exampleLines();
    lines[13] = "STRG";  // Combo7
    lines[21] = "STRG+ALT";
    lines[22] = "-";  // Combo11/Combo12
    w.files.files[w.path("options.ini")] = quotedLines(lines);
    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Done);
    EXPECT_EQ(w.combo(7).text(), "-");
    EXPECT_EQ(w.combo(8).text(), "-");
    EXPECT_EQ(w.combo(11).text(), "-");
    EXPECT_EQ(w.combo(12).text(), "-");
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
    EXPECT_FALSE(w.files.files.count(w.path("options.ini")));
    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(w.files.files[w.path("options.ini")], kExampleFile);
}

TEST(OptionsFile, OtherMissingOrUnreadableFilesAreFailures) {
    {
        SettingsWindow w;  // "Abbrechen" without an "options.tmp"
        w.dialogs.answers = {Answer::Yes};
        EXPECT_EQ(w.settings.LoadOptions(true), Outcome::Failed);
        ASSERT_EQ(w.dialogs.shown.size(), 1u);
        EXPECT_NE(w.dialogs.shown[0].text.find("aufgetreten: Datei nicht gefunden."),
                  std::string::npos);
        EXPECT_EQ(w.listValues(), std::vector<std::string>(12));
    }
    {
        SettingsWindow w;
        w.files.unreadable.insert(w.path("options.ini"));
        w.dialogs.answers = {Answer::No};
        EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Quit);
        ASSERT_EQ(w.dialogs.shown.size(), 1u);
        EXPECT_NE(w.dialogs.shown[0].text.find("aufgetreten: Zugriff verweigert."),
                  std::string::npos);
    }
    {
        SettingsWindow w;  // an empty file is no first start
        w.files.files[w.path("options.ini")] = "";
        w.dialogs.answers = {Answer::Yes};
        EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Failed);
        EXPECT_EQ(w.listValues(), std::vector<std::string>(12));
    }
    {
        SettingsWindow w;  // a quote that is never closed
        w.files.files[w.path("options.ini")] = "\"Ablage 2, Ausschneiden:\r\n";
        w.dialogs.answers = {Answer::Yes};
        EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Failed);
    }
}

TEST(OptionsFile, AFailedSaveKeepsTheOldFileAndChangesNothingElse) {
    SettingsWindow w;
    const std::string ini = w.path("options.ini");
    w.files.files[ini] = kExampleFile;
    w.files.readOnly.insert(ini);
    w.combo(2).setText("Q");
    ASSERT_TRUE(w.form.Command1.enabled);
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

TEST(OptionsFile, ASuccessfulSaveAppliesTheSettings) {
    SettingsWindow w;
    w.combo(2).setText("Q");
    EXPECT_EQ(w.settings.SaveOptions(true), Outcome::Done);
    EXPECT_FALSE(w.form.OptionsChanged);
    EXPECT_FALSE(w.form.Command1.enabled);
    EXPECT_EQ(w.hotkeys.calls, (std::vector<std::string>{"unregister", "register"}));
}

}  // namespace
}  // namespace trifolio
