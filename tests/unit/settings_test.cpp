// The options file's reading and failures, the lists' reactions and the duplicate check.
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
    // Sets the twelve lists in order, asking nothing.
    void set(const Lists& values) {
        form.OptionsLoading = true;
        for (int n = 1; n <= 12; ++n)
            EXPECT_TRUE(form.combo(n).setText(values[n - 1])) << "Combo" << n;
        form.OptionsLoading = false;
    }
    std::string items(int combo) const {
        std::string joined;
        for (const auto& item : form.combo(combo).items())
            joined += (joined.empty() ? "" : " ") + item;
        return joined;
    }
    Lists lists() const {
        Lists values;
        for (const auto& combo : form.combos)
            values.push_back(combo.text());
        return values;
    }
    std::string question() const { return dialogs.shown.empty() ? "" : dialogs.shown[0]; }
};

std::string fehler(const char* module, const std::string& description) {
    return std::string("Fehler! Folgender Fehler ist im Modul ") + module +
           " aufgetreten: " + description + ".\n\rSoll das Programm fortgeführt werden?";
}

// Fields count by position (labels unread, values unquoted after blanks, a box ticked for
// "1" only, a store-3 modifier without key "-"), saved as written; damage is named.
TEST(OptionsFile, FieldsAreReadByPositionAndDamageIsNamed) {
    const auto line = [](int n, const char* text) { return replaceLine(kExampleOptions, n, text); };
    auto odd = replaceLine(replaceLine(line(1, "\"Ganz, anderes Etikett\""), 3, "  X"), 27,
                           "\"autostart: 10\"");
    odd = replaceLine(odd, 14, "\"STRG\"");  // store 3's cut has no key, so no modifier
    const std::pair<std::string, std::string> cases[] = {
        // file, fault ("": none)
        {replaceLine(replaceLine(odd, 28, "1"), 29, "\"\""), ""},
        {line(1, "Ablage 2, Ausschneiden:"), "Ungültiger Wert 'Ausschneiden:' für Combo1"},
        {line(2, "\"strg\""), "Ungültiger Wert 'strg' für Combo1"},
        {line(19, "\"C\""), "Ungültiger Wert 'C' für Combo10"},
        {"\"Ablage 2, Ausschneiden:\r\n", "Unerwartetes Dateiende"},  // quote never closed
        {kExampleOptions.substr(0, kExampleOptions.rfind("\"warnen")), "Unerwartetes Dateiende"},
    };
    for (const auto& [file, fault] : cases) {
        SCOPED_TRACE(fault);
        Window w;
        w.file("options.ini") = file;
        w.dialogs.answers = {Answer::Yes};
        EXPECT_EQ(w.settings.LoadOptions(false), fault.empty() ? Outcome::Done : Outcome::Failed);
        EXPECT_EQ(w.question(), fault.empty() ? "" : fehler("LoadOptions", fault));
        EXPECT_EQ(w.hotkeyApi.registered.empty(), !fault.empty());
        EXPECT_FALSE(w.form.OptionsLoading);
        if (fault.empty()) {
            EXPECT_EQ(w.lists(), kExampleLists);
            EXPECT_EQ(w.settings.SaveOptions(true), Outcome::Done);
            EXPECT_EQ(w.file("options.tmp"),
                      replaceLine(replaceLine(line(27, "\"autostart: 0\""), 28, "\"minimiert: 1\""),
                                  29, "\"warnen: 0\""));
        }
    }
}

// Only a missing "options.ini" is a first start; No to a failed load or save quits, at the
// start at once: no "options.tmp", no hotkey.
TEST(OptionsFile, UnreadableIniAndMissingTmpAreFailures) {
    Window w;
    w.files.unreadable.insert(std::string(fakes::kProgramDir) + "options.ini");
    w.dialogs.answers = {Answer::No, Answer::Yes, Answer::No};
    w.start();
    EXPECT_TRUE(w.app->presence().ended);
    EXPECT_TRUE(w.hotkeyApi.registered.empty() &&
                !w.files.files.count(std::string(fakes::kProgramDir) + "options.tmp"));
    EXPECT_EQ(w.settings.LoadOptions(true), Outcome::Failed);
    EXPECT_EQ(w.lists(), Lists(12));
    EXPECT_EQ(w.settings.SaveOptions(false), Outcome::Quit);
    EXPECT_EQ(w.dialogs.shown, (Lists{fehler("LoadOptions", "Zugriff verweigert"),
                                      fehler("LoadOptions", "Datei nicht gefunden"),
                                      fehler("SaveOptions", "Zugriff verweigert")}));
    EXPECT_EQ(w.dialogs.styles, decltype(w.dialogs.styles)(
                                    3, {platform::Buttons::YesNo, platform::Icon::Stop, true}));
}

// Every list and the first two options mark a change and enable "Übernehmen", the third not.
// ALT or STRG+ALT asks first (not with the warning off or while loading); No gives STRG.
// Without a modifier a key list offers only the function keys (store 3 also "-"): a letter
// gives way to the first entry, a function key stays. Of colliding pairs the first is named;
// store-3 actions without a key lose their modifier first and collide with nothing.
TEST(Reactions, ChangeMarkAltWarningKeyListsAndTheDuplicateCheck) {
    for (int n = 1; n <= 15; ++n) {
        Window w;
        if (n <= 12)
            w.form.combo(n).select(1);
        else
            (n == 13 ? w.form.Check1 : n == 14 ? w.form.Check2 : w.form.Check3).setChecked(false);
        EXPECT_TRUE(w.form.OptionsChanged == (n != 15) && w.form.Command1.enabled == (n != 15))
            << n;
    }
    Window w;
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(w.items(n), n % 2 ? "- STRG ALT STRG+ALT" : n < 7 ? kAllKeys : "- " + kAllKeys);
    w.set(kExampleLists);
    w.dialogs.answers = {Answer::No, Answer::Yes};
    w.form.combo(1).setText("ALT");
    EXPECT_EQ(w.question(),
              "Achtung! Kombinationen mit 'ALT' rufen häufig Schwierigkeiten hervor.\r\n"
              "Trotzdem fortfahren?");
    EXPECT_EQ(w.lists()[0] + w.lists()[1], "STRGX");
    w.form.combo(9).setText("STRG+ALT");
    EXPECT_EQ(w.lists()[8] + w.lists()[9], "STRG+ALTF11");
    w.form.combo(3).setText("STRG");
    w.form.OptionsLoading = true;
    w.form.combo(3).setText("ALT");
    w.form.OptionsLoading = false;
    w.form.Check3.setChecked(false);
    w.form.combo(5).setText("ALT");
    EXPECT_EQ(w.dialogs.shown.size(), 2u);

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
        EXPECT_EQ(w.items(c.list + 1) + " / " + w.lists()[c.list], c.items + " / " + c.shown);
    }

    Lists lists = kExampleLists;
    lists[5] = "C", lists[10] = "-", lists[11] = "F11";
    w.set(lists);
    w.dialogs.shown.clear();
    EXPECT_FALSE(w.settings.CheckDuplicateCombos());
    EXPECT_EQ(w.question(), "Achtung! Doppelt vergebene Kombination: 'STRG+ALT+C'");
    w.set({"STRG+ALT", "X", "STRG+ALT", "C", "STRG+ALT", "V", "STRG", "-", "STRG", "-", "-", "-"});
    EXPECT_TRUE(w.settings.CheckDuplicateCombos());
    EXPECT_EQ(w.lists(), (Lists{"STRG+ALT", "X", "STRG+ALT", "C", "STRG+ALT", "V", "-", "-", "-",
                                "-", "-", "-"}));
}

// A combination is named with the first installed layout on which it types a printable
// character (Ctrl with a letter types a control character: none). With Check3 a key list
// asks about it (No goes back to the key before) and the Alt warning names it; start-up
// names the assigned ones beside refused hotkeys. With Check3 clear nothing asks.
TEST(Reactions, CombinationsThatTypeACharacterAreNamed) {
    fakes::FakeLayouts layouts;
    layouts.installed = {{"Englisch (USA)", {}},
                         {"Tschechisch", {{'Q', "\\"}, {'V', "@"}, {'C', "&"}, {'X', "#"}}},
                         {"Deutsch", {{'Q', "@"}, {'E', "€"}}}};
    Window w;
    w.settings.layouts = &layouts;
    w.set(kExampleLists);
    const std::string q =
        "Die Kombination 'STRG+ALT+Q' tippt auf der Tastatur 'Tschechisch' das Zeichen "
        "'\\'. Solange sie belegt ist, lässt sich '\\' in keinem Programm eingeben.";
    w.dialogs.answers = {Answer::No, Answer::Yes, Answer::Yes};
    w.form.combo(2).setText("Q");
    EXPECT_EQ(w.question(), "Achtung! " + q + "\r\nTrotzdem fortfahren?");
    EXPECT_EQ(w.lists()[1], "X");
    w.form.combo(2).setText("Q");
    EXPECT_EQ(w.lists()[1], "Q");
    w.form.combo(7).setText("STRG");
    w.form.combo(8).setText("Q");
    w.form.combo(7).setText("STRG+ALT");
    EXPECT_EQ(w.dialogs.shown.back(),
              "Achtung! Kombinationen mit 'STRG+ALT' rufen häufig "
              "Schwierigkeiten hervor.\r\n" +
                  q + "\r\nTrotzdem fortfahren?");
    EXPECT_EQ(w.dialogs.shown.size(), 3u);
    w.form.Check3.setChecked(false);
    w.form.combo(4).setText("E");
    EXPECT_EQ(w.dialogs.shown.size(), 3u);

    // A first start: the defaults STRG+ALT+X, C, V each type one on the Czech keyboard.
    fakes::Rig rig;
    rig.settings.layouts = &layouts;
    rig.start();
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(
        rig.dialogs.shown[0],
        "Achtung! Diese Tastenkombinationen tippen Zeichen, die sich nicht mehr eingeben "
        "lassen, solange sie belegt sind:\r\nSTRG+ALT+X: '#' (Tastatur 'Tschechisch')\r\n"
        "STRG+ALT+C: '&' (Tastatur 'Tschechisch')\r\nSTRG+ALT+V: '@' (Tastatur 'Tschechisch')");
}

}  // namespace
}  // namespace trifolio
