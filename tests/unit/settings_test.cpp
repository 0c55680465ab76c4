// The options file, the reactions of the assignment lists and options, the duplicate
// check and the autostart value.
#include <gtest/gtest.h>

#include "fakes.h"

namespace trifolio {
namespace {

using fakes::kExampleOptions;
using fakes::replaceLine;
using platform::Answer;
using Lists = std::vector<std::string>;

const Lists kExampleLists = {"STRG+ALT", "X", "STRG+ALT", "C",   "STRG+ALT", "V",
                             "-",        "-", "-",        "F11", "ALT",      "F12"};
const std::string kFunctionKeys = "F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12";
const std::string kAllKeys =
    "0 1 2 3 4 5 6 7 8 9 A B C D E F G H I J K L M N O P Q R S T U V W X Y Z " + kFunctionKeys;

// A settings window with its lists filled.
struct Window : fakes::Rig {
    Window() { settings.fillLists(); }
    // Sets the twelve lists in order, without the Alt warning.
    void set(const Lists& values) {
        const bool warn = form.Check3.checked();
        form.Check3.setChecked(false);
        for (int n = 1; n <= 12; ++n)
            EXPECT_TRUE(form.combo(n).setText(values[n - 1])) << "Combo" << n;
        form.Check3.setChecked(warn);
    }
    std::vector<bool> checks() const {
        return {form.Check1.checked(), form.Check2.checked(), form.Check3.checked()};
    }
    std::string items(int combo) const {
        std::string joined;
        for (const auto& item : form.combo(combo).items())
            joined += (joined.empty() ? "" : " ") + item;
        return joined;
    }
    std::string question() const { return dialogs.shown.empty() ? "" : dialogs.shown[0].text; }
};

std::string fehler(const char* module, const std::string& description) {
    return std::string("Folgender Fehler ist im Modul ") + module + " aufgetreten: " + description +
           ".\n\rSoll das Programm fortgeführt werden?";
}

// A first start takes the example settings without a question and saves them byte for
// byte; a store-3 action without a key loads back without its modifier.
TEST(OptionsFile, FirstStartTakesTheDefaultsAndASavedFileReadsBack) {
    Window writer, reader;
    EXPECT_EQ(writer.settings.LoadOptions(false), Outcome::Done);
    EXPECT_TRUE(writer.dialogs.shown.empty());
    EXPECT_EQ(writer.lists(), kExampleLists);
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);
    EXPECT_EQ(writer.file("options.ini"), kExampleOptions);

    writer.set({"STRG", "0", "ALT", "F12", "STRG+ALT", "Z", "-", "-", "STRG", "-", "-", ""});
    ASSERT_EQ(writer.settings.SaveOptions(false), Outcome::Done);
    reader.file("options.ini") = writer.file("options.ini");
    EXPECT_EQ(reader.settings.LoadOptions(false), Outcome::Done);
    EXPECT_EQ(reader.lists(),
              (Lists{"STRG", "0", "ALT", "F12", "STRG+ALT", "Z", "-", "-", "-", "-", "-", ""}));
    EXPECT_FALSE(reader.form.OptionsChanged || reader.form.OptionsLoading);
    EXPECT_EQ(reader.hotkeyApi.registered.size(), 3u);
}

// Labels are not looked at (commas inside quotes are text), values may stand unquoted
// after blanks, and an option is ticked exactly when its field ends in "1" (not "10").
// A damaged file names its fault in the "Fehler!" question, and Yes goes on.
TEST(OptionsFile, FieldsAreReadByPositionAndDamageIsNamed) {
    const auto line = [](int n, const char* text) { return replaceLine(kExampleOptions, n, text); };
    const auto odd = replaceLine(replaceLine(line(1, "\"Ganz, anderes Etikett\""), 3, "  X"), 27,
                                 "\"autostart: 10\"");
    const struct {
        std::string file;
        std::string fault;  // empty: read without one
    } cases[] = {
        {replaceLine(replaceLine(odd, 28, "1"), 29, "\"\""), ""},
        // An unquoted label with a comma is two fields and shifts the rest by one.
        {line(1, "Ablage 2, Ausschneiden:"), "Ungültiger Wert 'Ausschneiden:' für Combo1"},
        {line(3, "\"-\""), "Ungültiger Wert '-' für Combo2"},
        {line(19, "\"C\""), "Ungültiger Wert 'C' für Combo10"},
        {line(2, "\"strg\""), "Ungültiger Wert 'strg' für Combo1"},
        {line(23, "\"F13\""), "Ungültiger Wert 'F13' für Combo12"},
        {"", "Unerwartetes Dateiende"},
        {"\"Ablage 2, Ausschneiden:\r\n", "Unerwartetes Dateiende"},  // quote never closed
        {kExampleOptions.substr(0, kExampleOptions.rfind("\"warnen")), "Unerwartetes Dateiende"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Window w;
        w.file("options.ini") = c.file;
        w.dialogs.answers = {Answer::Yes};
        EXPECT_EQ(w.settings.LoadOptions(false), c.fault.empty() ? Outcome::Done : Outcome::Failed);
        EXPECT_EQ(w.question(), c.fault.empty() ? "" : fehler("LoadOptions", c.fault));
        EXPECT_EQ(w.hotkeyApi.registered.empty(), !c.fault.empty());
        EXPECT_FALSE(w.form.OptionsLoading);
        if (c.fault.empty()) {
            EXPECT_EQ(w.lists(), kExampleLists);
            EXPECT_EQ(w.checks(), (std::vector<bool>{false, true, false}));
        }
    }
}

// Only a missing "options.ini" is a first start; No to the question of a failed load or
// save quits.
TEST(OptionsFile, UnreadableIniAndMissingTmpAreFailures) {
    Window w;
    w.files.unreadable.insert(std::string(fakes::kProgramDir) + "options.ini");
    w.dialogs.answers = {Answer::No, Answer::Yes, Answer::No};
    EXPECT_EQ(w.settings.LoadOptions(false), Outcome::Quit);
    EXPECT_EQ(w.settings.LoadOptions(true), Outcome::Failed);
    EXPECT_EQ(w.lists(), Lists(12));
    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Quit);
    ASSERT_EQ(w.dialogs.shown.size(), 3u);
    const auto& box = w.dialogs.shown[0];
    EXPECT_EQ(box.title, "Fehler!");
    EXPECT_TRUE(box.buttons == platform::Buttons::YesNo && box.icon == platform::Icon::Stop &&
                box.defaultNo);
    EXPECT_EQ(box.text, fehler("LoadOptions", "Zugriff verweigert"));
    EXPECT_EQ(w.dialogs.shown[1].text, fehler("LoadOptions", "Datei nicht gefunden"));
    EXPECT_EQ(w.dialogs.shown[2].text, fehler("SaveOptions", "Zugriff verweigert"));
}

// Every list and the first two options mark a change and enable "Übernehmen"; the
// warning option does not.
TEST(Reactions, ListsAndTheFirstTwoOptionsMarkAChange) {
    for (int n = 1; n <= 15; ++n) {
        Window w;
        if (n <= 12)
            w.form.combo(n).select(1);
        else
            (n == 13 ? w.form.Check1 : n == 14 ? w.form.Check2 : w.form.Check3).setChecked(false);
        EXPECT_EQ(w.form.OptionsChanged, n != 15) << n;
        EXPECT_EQ(w.form.Command1.enabled, n != 15) << n;
    }
}

// Choosing ALT or STRG+ALT asks first, unless the warning is off or the program loads;
// No falls back to STRG and keeps the key.
TEST(Reactions, AltWarningAndItsNo) {
    Window w;
    w.set(kExampleLists);
    w.dialogs.answers = {Answer::No, Answer::Yes};
    w.form.combo(1).setText("ALT");
    EXPECT_EQ(w.question(),
              "Kombinationen mit 'ALT' rufen häufig Schwierigkeiten hervor.\r\n"
              "Trotzdem fortfahren?");
    const auto& box = w.dialogs.shown.at(0);
    EXPECT_EQ(box.title, "Achtung!");
    EXPECT_TRUE(box.buttons == platform::Buttons::YesNo &&
                box.icon == platform::Icon::Exclamation && box.defaultNo);
    EXPECT_EQ(w.form.combo(1).text(), "STRG");
    EXPECT_EQ(w.form.combo(2).text(), "X");

    w.form.combo(9).setText("STRG+ALT");
    EXPECT_EQ(w.form.combo(9).text(), "STRG+ALT");
    EXPECT_EQ(w.form.combo(10).text(), "F11");
    w.form.combo(3).setText("STRG");
    w.form.OptionsLoading = true;
    w.form.combo(3).setText("ALT");
    w.form.OptionsLoading = false;
    w.form.Check3.setChecked(false);
    w.form.combo(5).setText("ALT");
    EXPECT_EQ(w.dialogs.shown.size(), 2u);
}

// A new window's lists; then each key list offers what fits its modifier: without one
// only the function keys (store 3 also "-"), where a letter gives way to the first entry
// and a function key stays.
TEST(Reactions, KeyListsFollowTheirModifier) {
    Window w;
    for (int n = 1; n <= 12; ++n) {
        EXPECT_EQ(w.items(n), n % 2 ? "- STRG ALT STRG+ALT" : n < 7 ? kAllKeys : "- " + kAllKeys);
        EXPECT_EQ(w.form.combo(n).selectedIndex(), -1) << n;
    }
    w.set(kExampleLists);
    const struct {
        int list;  // a modifier list, set to STRG, then its key, then `modifier`
        const char *key, *modifier;
        std::string items, shown;
    } cases[] = {{1, "X", "-", kFunctionKeys, "F1"},
                 {3, "F7", "-", kFunctionKeys, "F7"},
                 {11, "X", "-", "- " + kFunctionKeys, "-"},
                 {9, "F11", "STRG", "- " + kAllKeys, "F11"}};
    for (const auto& c : cases) {
        w.form.combo(c.list).setText("STRG");
        w.form.combo(c.list + 1).setText(c.key);
        w.form.combo(c.list).setText(c.modifier);
        EXPECT_EQ(w.items(c.list + 1), c.items) << c.list;
        EXPECT_EQ(w.form.combo(c.list + 1).text(), c.shown) << c.list;
    }
}

// The first colliding pair is named (the page and focus it brings are proven end to
// end). Store-3 actions without a key lose their modifier first and collide with nothing.
TEST(DuplicateCheck, NamesTheFirstPairAndStore3WithoutAKeyCollidesWithNothing) {
    const struct {
        std::map<int, const char*> changes;  // list number: value, over the example lists
        const char* combination;
    } cases[] = {
        {{{9, "STRG+ALT"}, {10, "X"}}, "STRG+ALT+X"},
        {{{6, "C"}, {11, "-"}, {12, "F11"}}, "STRG+ALT+C"},
        {{{7, "STRG"}, {9, "STRG"}, {10, "-"}, {11, "-"}, {12, "-"}}, nullptr},
    };
    for (const auto& c : cases) {
        Window w;
        Lists lists = kExampleLists;
        for (const auto& [n, value] : c.changes)
            lists[n - 1] = value;
        w.set(lists);
        EXPECT_EQ(w.settings.CheckDuplicateCombos(), c.combination == nullptr);
        EXPECT_EQ(w.question(), c.combination ? std::string("Doppelt vergebene Kombination: '") +
                                                    c.combination + "'"
                                              : "");
        if (!c.combination) {
            EXPECT_EQ(w.lists(), (Lists{"STRG+ALT", "X", "STRG+ALT", "C", "STRG+ALT", "V", "-", "-",
                                        "-", "-", "-", "-"}));
        }
    }
}

}  // namespace
}  // namespace trifolio
