// The settings window's behaviour against the real settings and hotkey engine, where the
// end-to-end tests cannot reach: command-line details, failures at start-up, the tray
// menu and a notification area that is not ready, the clear buttons and the contact form.
#include "window/app.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace trifolio {
namespace {

using fakes::kExampleOptions;
using fakes::textFormats;

const std::string kMinimised = fakes::replaceLine(kExampleOptions, 28, "\"minimiert: 1\"");

// A program started with "options.ini" as given.
struct Started : fakes::Rig {
    explicit Started(const std::string& options = kExampleOptions, const char* commandLine = "") {
        file("options.ini") = options;
        start(commandLine);
    }
    // The names of the pages that show, "pStatus" when only it does.
    std::string page() const {
        std::string shown;
        for (const auto& [name, frame] : {std::pair{"pStatus", &form.pStatus},
                                          {"pTastenbelegung", &form.pTastenbelegung},
                                          {"pOptionen", &form.pOptionen},
                                          {"pInfo", &form.pInfo},
                                          {"FProgramminfo", &form.FProgramminfo},
                                          {"fKontakt", &form.fKontakt}})
            shown += frame->visible ? name : "";
        return shown;
    }
    bool shown() const { return app->presence().windowShown; }
};

// Only "/config" alone, blanks aside, shows a program that starts in the tray. A
// combination another program owns is told once: in a balloon from the icon, else in
// the "Achtung!" box.
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
    const std::string refusal =
        "Diese Tastenkombination gehört schon einem anderen Programm und wirkt deshalb nicht";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.commandLine) + (c.minimised ? " minimised" : ""));
        fakes::Rig rig;
        rig.file("options.ini") = c.minimised ? kMinimised : kExampleOptions;
        rig.hotkeyApi.takenElsewhere = {{1, 0x7B}};  // ALT+F12
        rig.start(c.commandLine);
        EXPECT_EQ(rig.app->presence().windowShown, c.shown);
        EXPECT_EQ(rig.app->presence().inTaskList, c.shown);
        EXPECT_EQ(rig.shell.icons, c.shown ? 0 : 1);
        EXPECT_EQ(rig.shell.balloons,
                  c.shown ? std::vector<std::string>{}
                          : std::vector<std::string>{"Achtung! " + refusal + ": ALT+F12"});
        ASSERT_EQ(rig.dialogs.shown.size(), c.shown ? 1u : 0u);
        if (c.shown) {
            EXPECT_EQ(rig.dialogs.shown[0].text.find(refusal + ":\r\n\r\nALT+F12"), 0u);
        }
    }
}

// No to the "Fehler!" question of a failed load ends the program at once, before it
// writes "options.tmp", and leaves no hotkey registered.
TEST(AppStart, NoToAFehlerQuestionEndsAtOnce) {
    fakes::Rig rig;
    rig.files.unreadable.insert(std::string(fakes::kProgramDir) + "options.ini");
    rig.dialogs.answers = {platform::Answer::No};
    rig.start();
    EXPECT_TRUE(rig.app->presence().ended);
    EXPECT_EQ(rig.files.files.count(std::string(fakes::kProgramDir) + "options.tmp"), 0u);
    EXPECT_TRUE(rig.hotkeyApi.registered.empty());
}

// The menu's entries, in order, bring their pages out of the tray, the icon kept. A
// balloon waits for an icon that the notification area takes late, and comes once, not
// again with the icon that Explorer's restart took (which comes back: proven end to end).
TEST(AppTray, MenuPagesAndABalloonThatWaitsForTheIcon) {
    const char* pages[] = {"pStatus", "pTastenbelegung", "pOptionen", "pInfoFProgramminfo"};
    for (std::size_t i = 0; i < 4; ++i) {
        Started hidden(kMinimised);
        hidden.shell.choice = kPopupMenu[i].command;
        hidden.app->trayCallback(kTrayRightUp);
        EXPECT_TRUE(hidden.shown() && hidden.app->presence().timer) << pages[i];
        EXPECT_EQ(hidden.page(), pages[i]);
        EXPECT_EQ(hidden.shell.icons, 1) << pages[i];
    }

    fakes::Rig rig;
    rig.file("options.ini") = kMinimised;
    rig.shell.ready = false;
    rig.hotkeyApi.takenElsewhere = {{3, 'C'}, {1, 0x7B}};
    rig.start();
    rig.shell.ready = true;
    rig.app->retryTrayIcon();
    rig.shell.icons = 0;  // Explorer restarted
    rig.app->taskbarCreated();
    EXPECT_EQ(rig.shell.balloons,
              std::vector<std::string>{"Achtung! Diese Tastenkombinationen gehören schon einem "
                                       "anderen Programm und wirken deshalb nicht: STRG+ALT+C, "
                                       "ALT+F12"});
}

// "Löschen" empties the clipboard and store 1, the store's own button empties the store.
// Info opens on the program information, also after the contact page was last shown.
TEST(AppStatus, ClearButtonsAndTheInfoPage) {
    Started rig;
    rig.clipboard.write(textFormats("eins"));
    rig.stores.capture(3, {{platform::kFormatText}, "drei", 4, nullptr});
    rig.app->Command7_Click();
    EXPECT_EQ(rig.stores.panelText(3), "Ablage 3: ---");
    rig.app->Command5_Click();
    EXPECT_TRUE(rig.clipboard.formats.empty());
    EXPECT_EQ(rig.stores.store(1).displayText(), "leer");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): ");

    rig.app->selectTab(4);
    rig.app->selectInfoTab(3);
    EXPECT_EQ(rig.page(), "pInfofKontakt");
    rig.app->selectTab(1);
    rig.app->selectTab(4);
    EXPECT_EQ(rig.page(), "pInfoFProgramminfo");
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
