// The settings window's behaviour against the real settings and hotkey engine: start-up,
// window and tray, buttons, close paths, pages and the contact form.
#include "window/app.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace trifolio {
namespace {

using fakes::kExampleOptions;
using fakes::textFormats;
using platform::Answer;

const std::string kMinimised = fakes::replaceLine(kExampleOptions, 28, "\"minimiert: 1\"");

// A program started with "options.ini" as given.
struct Started : fakes::Rig {
    explicit Started(const std::string& options = kExampleOptions, const char* commandLine = "") {
        file("options.ini") = options;
        start(commandLine);
    }
    // The one page frame (or Info sub-page) that shows; several or none give "".
    std::string page(bool info = false) const {
        const std::pair<const char*, const Frame*> pages[] = {
            {"pStatus", &form.pStatus},
            {"pTastenbelegung", &form.pTastenbelegung},
            {"pOptionen", &form.pOptionen},
            {"pInfo", &form.pInfo},
            {"FProgramminfo", &form.FProgramminfo},
            {"fHilfe", &form.fHilfe},
            {"fKontakt", &form.fKontakt}};
        std::string shown;
        for (int i = info ? 4 : 0; i < (info ? 7 : 4); ++i)
            if (pages[i].second->visible)
                shown = shown.empty() ? pages[i].first : "several";
        return shown == "several" ? "" : shown;
    }
    bool shown() const { return app->presence().windowShown; }
    bool ended() const { return app->presence().ended; }
};

TEST(AppStart, SnapshotListsOptionsTmpFileThenTray) {
    fakes::Rig rig;
    rig.file("options.ini") = fakes::replaceLine(kMinimised, 2, "\"ALT\"");  // loaded unasked
    rig.clipboard.write(textFormats("vom Benutzer"));
    rig.journal.clear();
    rig.start();
    const std::vector<std::size_t> order = {rig.at("read"), rig.at("file read options.ini"),
                                            rig.at("register"), rig.at("file write options.tmp"),
                                            rig.at("tray add")};
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()) && order.back() < rig.journal.size())
        << testing::PrintToString(rig.journal);
    EXPECT_EQ(rig.at("file write options.ini"), rig.journal.size());
    EXPECT_EQ(rig.file("options.tmp"), rig.file("options.ini"));
    EXPECT_EQ(rig.stores.store(1).text, "vom Benutzer");
    EXPECT_EQ(rig.form.combo(1).text(), "ALT");
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_FALSE(rig.form.OptionsLoading || rig.form.OptionsChanged);
}

// A combination another program owns is told once at start-up: in a balloon from the
// icon of a program that starts in the tray, else in the "Achtung!" box.
TEST(AppStart, MinimisedOptionAndConfigDecideWhetherTheWindowShows) {
    const struct {
        bool minimised;
        const char* commandLine;
        bool shown;
    } cases[] = {{true, "", false},
                 {true, "  /config ", true},
                 {true, "/CONFIG", false},
                 {true, "/config x", false},
                 {false, "", true}};
    const char* refusal =
        "Diese Tastenkombination gehört schon einem anderen Programm und "
        "wirkt deshalb nicht";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.commandLine) + (c.minimised ? " minimised" : ""));
        fakes::Rig rig;
        rig.file("options.ini") = c.minimised ? kMinimised : kExampleOptions;
        rig.hotkeyApi.takenElsewhere = {{1, 0x7B}};  // ALT+F12
        rig.start(c.commandLine);
        EXPECT_EQ(rig.app->presence().windowShown, c.shown);
        EXPECT_EQ(rig.app->presence().inTaskList, c.shown);
        EXPECT_EQ(rig.shell.icons, c.shown ? 0 : 1);
        EXPECT_EQ(rig.shell.balloons, c.shown ? std::vector<std::string>{}
                                              : std::vector<std::string>{std::string("Achtung! ") +
                                                                         refusal + ": ALT+F12"});
        ASSERT_EQ(rig.dialogs.shown.size(), c.shown ? 1u : 0u);
        if (c.shown) {
            EXPECT_EQ(rig.dialogs.shown[0].text.find(std::string(refusal) + ":\r\n\r\nALT+F12"),
                      0u);
        }
    }
}

// No to the "Fehler!" question of a failed load or save ends the program at once, and
// still takes the tray icon and the hotkeys along.
TEST(AppStart, NoToAFehlerQuestionEndsAtOnceReleasingIconAndHotkeys) {
    fakes::Rig atStart;
    atStart.files.unreadable.insert(std::string(fakes::kProgramDir) + "options.ini");
    atStart.dialogs.answers = {Answer::No};
    atStart.start();
    EXPECT_TRUE(atStart.app->presence().ended);
    EXPECT_EQ(atStart.at("file write options.tmp"), atStart.journal.size());

    Started rig;
    rig.app->Command3_Click();  // icon in the tray, hotkeys registered
    rig.app->trayCallback(kTrayDoubleClick);
    rig.files.readOnly.insert(std::string(fakes::kProgramDir) + "options.ini");
    rig.form.combo(2).setText("Q");
    rig.dialogs.answers = {Answer::No};
    rig.journal.clear();
    rig.app->Command1_Click();
    EXPECT_EQ(rig.dialogs.shown.at(0).title, "Fehler!");
    EXPECT_TRUE(rig.ended());
    EXPECT_EQ(rig.shell.icons, 0);
    EXPECT_TRUE(rig.hotkeyApi.registered.empty());
    EXPECT_EQ(rig.hotkeyApi.atomRefs, (std::array<int, 6>{}));
    EXPECT_EQ(rig.at("file write options.tmp"), rig.journal.size());
}

// Yes to the "Fehler!" question of a failed save of "options.ini" goes on with the change
// in effect but unsaved: "Übernehmen" stays enabled, "OK" still goes to the tray, and
// "Beenden" keeps running after its own failed save and asks again next time.
TEST(AppStart, YesToAFailedSaveKeepsTheChangeUnsaved) {
    for (int button : {1, 3, 4}) {
        SCOPED_TRACE(button);
        Started rig;
        rig.files.readOnly.insert(std::string(fakes::kProgramDir) + "options.ini");
        rig.form.combo(2).setText("Q");
        rig.dialogs.answers = {Answer::Yes, Answer::Yes};
        button == 1   ? rig.app->Command1_Click()
        : button == 3 ? rig.app->Command3_Click()
                      : rig.app->Command4_Click();
        EXPECT_EQ(rig.dialogs.shown.back().title, "Fehler!");
        EXPECT_TRUE(rig.form.OptionsChanged && rig.form.Command1.enabled);
        EXPECT_FALSE(rig.ended());
        EXPECT_EQ(rig.shown(), button != 3);
        EXPECT_EQ(rig.file("options.tmp").find("\"Q\"") != std::string::npos, button != 4);
        rig.dialogs.answers = {Answer::No};
        rig.app->Command4_Click();
        EXPECT_EQ(rig.dialogs.shown.back().title, "Speichern?");
        EXPECT_TRUE(rig.ended());
    }
}

// Shown, then in the tray (hidden, no task-list entry, no timer), back with the icon kept
// and the timer on, to the tray again by "Abbrechen", ended from the menu: one icon all
// along, removed with the hotkeys.
TEST(AppLife, ShownThenTrayThenShownWithIconThenEnded) {
    Started rig;
    App& app = *rig.app;
    const Presence& is = app.presence();
    app.Command3_Click();  // "OK"
    EXPECT_FALSE(is.windowShown || is.inTaskList || is.timer);
    EXPECT_EQ(rig.shell.icons, 1);
    app.selectTab(3);
    app.trayCallback(kTrayDoubleClick);
    EXPECT_TRUE(is.windowShown && is.inTaskList && is.timer);
    EXPECT_EQ(rig.page(), "pStatus");
    rig.form.combo(2).setText("Q");
    rig.form.Check1.setChecked(false);
    app.Command2_Click();  // "Abbrechen" puts back the applied settings
    EXPECT_EQ(rig.form.combo(2).text(), "X");
    EXPECT_TRUE(rig.form.Check1.checked() && !rig.form.OptionsChanged);
    EXPECT_TRUE(rig.hotkeyApi.press({3, 'X'}));
    EXPECT_FALSE(is.windowShown);
    app.trayCallback(kTrayDoubleClick);
    app.Command3_Click();
    EXPECT_EQ(rig.shell.icons, 1);
    EXPECT_EQ(rig.at("tray remove"), rig.journal.size());
    rig.shell.choice = MenuCommand::Beenden;
    app.trayCallback(kTrayRightUp);
    EXPECT_TRUE(is.ended);
    EXPECT_EQ(rig.shell.icons, 0);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(rig.hotkeyApi.registered.empty());
}

// The icon reacts to the left double click (515) and the right button's release (517)
// only; the menu's entries, in order, bring their pages out of the tray.
TEST(AppLife, TrayIconAndMenu) {
    Started rig(kMinimised);
    for (int message : {512, 513, 514, 516, 518, 519, 0x0400})
        rig.app->trayCallback(message);
    EXPECT_FALSE(rig.shown());
    EXPECT_EQ(rig.shell.menus, 0);
    rig.app->trayCallback(517);  // dismissed menu
    EXPECT_EQ(rig.shell.menus, 1);
    EXPECT_FALSE(rig.shown());
    rig.app->trayCallback(515);
    rig.app->selectTab(2);
    rig.app->trayCallback(515);  // on an open window: back to the Status page
    EXPECT_TRUE(rig.shown());
    EXPECT_EQ(rig.page(), "pStatus");

    std::vector<std::string_view> captions;
    for (const auto& entry : kPopupMenu)
        captions.push_back(entry.caption);
    EXPECT_EQ(captions,
              (std::vector<std::string_view>{"Status zeigen", "Tastenbelegung", "Optionen",
                                             "Programminfos", "", "Beenden"}));
    const char* pages[] = {"pStatus", "pTastenbelegung", "pOptionen", "pInfo"};
    for (int i = 0; i < 4; ++i) {
        Started hidden(kMinimised);
        hidden.shell.choice = kPopupMenu[static_cast<std::size_t>(i)].command;
        hidden.app->trayCallback(kTrayRightUp);
        EXPECT_TRUE(hidden.shown() && hidden.app->presence().timer) << pages[i];
        EXPECT_EQ(hidden.page(), pages[i]);
        EXPECT_EQ(hidden.shell.icons, 1) << pages[i];
    }
}

// A notification area that is not ready yet is tried again, and one that Explorer
// restarted empty gets the icon again; before the first trip to the tray there is none.
TEST(AppLife, TrayIconComesBackWhenTheNotificationAreaIsReadyOrRestarted) {
    fakes::Rig rig;
    rig.file("options.ini") = kMinimised;
    rig.shell.ready = false;
    rig.hotkeyApi.takenElsewhere = {{3, 'C'}, {1, 0x7B}};
    App& app = rig.start();
    EXPECT_TRUE(app.trayIconMissing());
    rig.shell.ready = true;
    app.retryTrayIcon();
    EXPECT_FALSE(app.trayIconMissing());
    rig.shell.icons = 0;
    app.taskbarCreated();
    EXPECT_EQ(rig.shell.icons, 1);
    // The balloon waited for the icon, and came once.
    ASSERT_EQ(rig.shell.balloons.size(), 1u);
    EXPECT_NE(rig.shell.balloons[0].find("Tastenkombinationen gehören schon einem anderen "
                                         "Programm und wirken deshalb nicht: STRG+ALT+C, ALT+F12"),
              std::string::npos);

    Started shown;
    shown.app->taskbarCreated();
    shown.app->retryTrayIcon();
    EXPECT_EQ(shown.at("tray add"), shown.journal.size());
}

// "Übernehmen" writes both files and the new hotkey works at once; combinations that
// belong to another program are named.
TEST(AppButtons, ApplyWritesBothFilesAndTheNewHotkeyWorksAtOnce) {
    Started rig;
    rig.hotkeyApi.takenElsewhere = {{3, 'C'}, {1, 0x7B}};  // STRG+ALT+C, ALT+F12
    rig.form.combo(2).setText("Y");
    rig.app->Command1_Click();
    EXPECT_NE(rig.file("options.ini").find("\"Y\"\r\n"), std::string::npos);
    EXPECT_EQ(rig.file("options.tmp"), rig.file("options.ini"));
    EXPECT_FALSE(rig.form.Command1.enabled || rig.form.OptionsChanged);
    EXPECT_TRUE(rig.shown());
    EXPECT_TRUE(rig.hotkeyApi.press({3, 'Y'}));
    EXPECT_FALSE(rig.hotkeyApi.press({3, 'X'}));
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].title, "Achtung!");
    EXPECT_NE(rig.dialogs.shown[0].text.find("\r\nSTRG+ALT+C\r\nALT+F12\r\n"), std::string::npos);
    EXPECT_EQ(rig.dialogs.shown[0].text.find("STRG+ALT+Y"), std::string::npos);
    rig.app->Command4_Click();  // nothing left to ask about
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_TRUE(rig.ended());
}

// "Übernehmen", "OK" and "Beenden" with Yes to saving refuse a duplicate: on the
// assignment page, the focus on the later list, nothing saved, the window stays.
TEST(AppButtons, DuplicateIsRefusedWithTheFocusOnTheLaterList) {
    for (int button : {1, 3, 4}) {
        SCOPED_TRACE(button);
        Started rig;
        rig.form.combo(4).setText("X");  // store 2 copy = store 2 cut
        rig.dialogs.answers = {Answer::Yes};
        button == 1   ? rig.app->Command1_Click()
        : button == 3 ? rig.app->Command3_Click()
                      : rig.app->Command4_Click();
        EXPECT_EQ(rig.dialogs.shown.back().text, "Doppelt vergebene Kombination: 'STRG+ALT+X'");
        EXPECT_EQ(rig.page(), "pTastenbelegung");
        EXPECT_EQ(rig.form.focus, layout::id("Combo4"));
        EXPECT_EQ(rig.file("options.ini"), kExampleOptions);
        EXPECT_TRUE(rig.shown() && !rig.ended());
        EXPECT_FALSE(rig.hotkeyApi.registered.empty());
    }
}

// "Beenden" after a change asks; No ends without saving, Yes saves "options.ini" and ends.
// The close box, Alt+F4 or logging off neither ask nor save, and may come twice.
TEST(AppButtons, QuitAsksAfterChangesOtherClosesDoNot) {
    for (Answer answer : {Answer::No, Answer::Yes}) {
        Started rig;
        const std::string tmp = rig.file("options.tmp");
        rig.form.combo(2).setText("Q");
        rig.dialogs.answers = {answer};
        rig.app->Command4_Click();
        ASSERT_EQ(rig.dialogs.shown.size(), 1u);
        EXPECT_EQ(rig.dialogs.shown[0].title, "Speichern?");
        EXPECT_EQ(rig.dialogs.shown[0].text,
                  "Möchten Sie die Änderungen der Einstellungen speichern?");
        EXPECT_EQ(rig.file("options.ini").find("\"Q\"") != std::string::npos,
                  answer == Answer::Yes);
        EXPECT_EQ(rig.file("options.tmp"), tmp);
        EXPECT_TRUE(rig.ended());
        EXPECT_TRUE(rig.hotkeyApi.registered.empty());
    }
    Started rig;
    rig.app->Command3_Click();
    rig.app->trayCallback(kTrayDoubleClick);
    rig.form.combo(2).setText("Q");
    rig.app->Form_QueryUnload();
    rig.app->Form_QueryUnload();
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.file("options.ini"), kExampleOptions);
    EXPECT_TRUE(rig.ended());
    EXPECT_EQ(std::count(rig.journal.begin(), rig.journal.end(), "tray remove"), 1);
    EXPECT_TRUE(rig.hotkeyApi.registered.empty());
}

TEST(AppStatus, StoreOneFollowsTheClipboardWhileShownAndClearButtonsEmpty) {
    Started rig;
    rig.clipboard.write(textFormats("eins"));
    rig.app->clipboardChanged();
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): Text");
    rig.app->Command3_Click();
    rig.clipboard.write(textFormats("zwei"));
    rig.app->clipboardChanged();
    EXPECT_EQ(rig.stores.store(1).text, "eins");
    rig.app->trayCallback(kTrayDoubleClick);
    rig.app->Timer1_Timer();
    EXPECT_EQ(rig.stores.store(1).text, "zwei");

    rig.stores.capture(3, {{platform::kFormatText}, "drei", 4, nullptr});
    rig.app->Command7_Click();
    EXPECT_EQ(rig.stores.panelText(3), "Ablage 3: ---");
    rig.app->Command5_Click();
    EXPECT_TRUE(rig.clipboard.formats.empty());
    EXPECT_EQ(rig.stores.store(1).displayText(), "leer");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): ");
}

// Info always opens on the program information; the help is read anew each time.
TEST(AppPages, TabsSwitchPagesAndTheHelpIsReadAnew) {
    Started rig;
    App& app = *rig.app;
    const char* pages[] = {"pStatus", "pTastenbelegung", "pOptionen", "pInfo"};
    for (int tab : {2, 3, 1, 4}) {
        app.selectTab(tab);
        EXPECT_EQ(rig.page(), pages[tab - 1]);
    }
    EXPECT_EQ(rig.page(true), "FProgramminfo");
    app.selectInfoTab(3);
    EXPECT_EQ(rig.page(true), "fKontakt");
    app.selectInfoTab(2);
    EXPECT_EQ(rig.page(true), "fHilfe");
    EXPECT_EQ(rig.form.tHilfe.text, "Kann Datei 'readme.txt' nicht laden");
    rig.file("readme.txt") = "Neu: Einf\xFCgen\n";
    app.selectInfoTab(2);
    EXPECT_EQ(rig.form.tHilfe.text, "Neu: Einfügen\r\n");
    app.selectTab(1);
    app.selectTab(4);
    EXPECT_EQ(rig.page(true), "FProgramminfo");
}

TEST(AppContact, SendingHandsTheRequestToTheShellAndThanks) {
    Started rig;
    rig.form.tNachricht.text = "Zeile 1\r\nZeile 2";
    rig.form.tName.text = "Jörg B";
    rig.app->Command8_Click();
    rig.app->Command8_Click();
    ASSERT_EQ(rig.shell.opened.size(), 2u);
    EXPECT_EQ(rig.shell.opened[0],
              "https://vennhaus.example/Vennhaus/kontakt.php?name=J%F6rg+B&email=Email"
              "&homepage=Homepage&nachricht=Trifolio+V1.1%0D%0AZeile+1%0D%0AZeile+2");
    EXPECT_EQ(rig.form.Label27, "Vielen Dank für Ihre Nachricht!");
    EXPECT_TRUE(rig.form.Command8.enabled && rig.form.tNachricht.enabled);
}

}  // namespace
}  // namespace trifolio
