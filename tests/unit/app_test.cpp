// The window logic where the end-to-end tests cannot reach: command-line details, the tray
// menu, a late notification area, the clear buttons and the contact form.
#include "core/window/app.h"

#include <gtest/gtest.h>

#include "core/window/contact.h"
#include "fakes.h"

namespace trifolio {
namespace {

const std::string kMinimised = fakes::replaceLine(fakes::kExampleOptions, 28, "\"minimiert: 1\"");

// The "Achtung!" box naming one combination another program holds.
std::string refused(const std::string& combination) {
    return "Achtung! Diese Tastenkombination gehört schon einem anderen Programm und wirkt "
           "deshalb nicht:\r\n\r\n" +
           combination + "\r\n\r\nBitte wählen Sie eine andere Kombination.";
}

// A program started with "options.ini" as given; `page` names the pages that show.
struct Started : fakes::Rig {
    explicit Started(const std::string& options = fakes::kExampleOptions) {
        file("options.ini") = options;
        start();
    }
    std::string page() const {
        std::string shown;
        for (const auto& page : kPages)
            shown += (form.*page.member).visible ? layout::row(page.control).name : "";
        return shown;
    }
};

// Only "/config" alone (blanks and tabs aside) shows a minimised start; a refusal is told.
TEST(AppStart, MinimisedOptionAndConfigDecideWhetherTheWindowShows) {
    const std::tuple<bool, const char*, bool> cases[] = {
        {true, "/CONFIG", false}, {true, "/config x", false}, {true, "\"/config\"", false},
        {true, "", false},        {true, "/config", true},    {true, " \t/config\t ", true},
        {false, "", true}};
    for (const auto& [minimised, line, shown] : cases) {
        fakes::Rig rig;
        rig.file("options.ini") = minimised ? kMinimised : fakes::kExampleOptions;
        rig.hotkeyApi.takenElsewhere = {{1, 0x7B}};  // ALT+F12
        rig.start(line);
        EXPECT_EQ(rig.app->presence().windowShown && rig.app->presence().inTaskList, shown) << line;
        EXPECT_EQ(rig.shell.icons + rig.shell.balloons.size(), shown ? 0u : 2u) << line;
        EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>(shown, refused("ALT+F12"))) << line;
    }
}

// The menu's entries bring their pages out of the tray, below a separator "Beenden" ends; a
// balloon waits for a late icon and comes once, not again after Explorer's restart.
TEST(AppTray, MenuPagesAndABalloonThatWaitsForTheIcon) {
    std::string seen;  // each entry's caption and what it did
    for (const auto& entry : platform::kPopupMenu) {
        Started hidden(kMinimised);
        hidden.shell.choice = entry.command;
        hidden.app->trayCallback(platform::kTrayRightUp);
        const Presence& now = hidden.app->presence();
        seen += std::string(entry.caption) +
                (now.windowShown && now.timer ? " " + hidden.page() : "") +
                (now.ended ? " ends" : "") + (hidden.shell.icons ? "|" : " without icon|");
    }
    EXPECT_EQ(seen,
              "Status zeigen pStatus|Tastenbelegung pTastenbelegung|Optionen pOptionen|"
              "Programminfos pInfoFProgramminfo||Beenden ends without icon|");
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

// A tick or a notification reads store 1 only once the clipboard changed (Wine moves the
// sequence number without a change, and the view redraws only what differs);
// "Löschen" empties clipboard and store 1, a store's button the store; Info opens on the
// program information; the contact form hands its request to the browser and thanks.
// "Übernehmen" saves and names a combination another program holds; "Beenden" after a
// change asks, and "Nein" ends without saving.
TEST(AppStatus, TicksButtonsInfoPageContactFormApplyAndQuit) {
    Started rig;
    rig.clipboard.write(fakes::textFormats("eins"));
    for (int tick = 0; tick < 4; ++tick) {
        rig.journal.clear();
        if (tick == 2)
            ++rig.clipboard.sequence;
        tick % 2 ? rig.app->clipboardChanged() : rig.app->Timer1_Timer();
        EXPECT_EQ(rig.journal, std::vector<std::string>(tick % 2 == 0, "read")) << tick;
    }
    EXPECT_EQ(rig.stores.store(1).text, "eins");
    rig.stores.capture(3, {{platform::kFormatText}, "drei", 4, nullptr});
    rig.app->Command7_Click();
    EXPECT_EQ(rig.stores.panelText(3), "Ablage 3: ---");
    rig.app->Command5_Click();
    EXPECT_TRUE(rig.clipboard.formats.empty());
    EXPECT_EQ(rig.stores.store(1).displayText() + rig.stores.panelText(1), "leer(Ablage 1): ");

    rig.app->selectTab(4);
    rig.app->selectInfoTab(3);
    EXPECT_EQ(rig.page(), "pInfofKontakt");
    rig.form.tNachricht.text = "Zeile 1\r\nZeile 2";
    rig.form.tName.text = "Jörg B";
    rig.app->Command8_Click();
    rig.app->Command8_Click();
    EXPECT_EQ(rig.shell.opened,
              std::vector<std::string>(
                  2,
                  "https://vennhaus.example/Vennhaus/kontakt.php?name=J%F6rg+B&email=Email"
                  "&homepage=Homepage&nachricht=Trifolio+V1.1%0D%0AZeile+1%0D%0AZeile+2"));
    EXPECT_EQ(rig.form.Label27, "Vielen Dank für Ihre Nachricht!");
    EXPECT_TRUE(rig.form.Command8.enabled && rig.form.tNachricht.enabled);
    // A browser that does not open, and a message too long for an address, are told, and
    // no thanks follow; the long one is not handed on. With 140 "中" ("%26%2320013%3B")
    // and "abcd" the request has 2083 characters.
    rig.form.Label27 = "";
    rig.shell.browser = false;
    rig.app->Command8_Click();
    EXPECT_EQ(rig.form.Label27, "");
    rig.shell.browser = true;
    rig.form.tNachricht.text.clear();
    for (int i = 0; i < 140; ++i)
        rig.form.tNachricht.text += "中";
    for (const char* tail : {"abcd", "e"}) {
        rig.form.tNachricht.text += tail;
        rig.app->Command8_Click();
    }
    EXPECT_EQ(rig.shell.opened.size(), 4u);
    EXPECT_EQ(rig.shell.opened.back().size(), kUrlLimit);
    EXPECT_EQ(rig.dialogs.shown,
              (std::vector<std::string>{
                  std::string("Achtung! ") + kBrowserFailedText,
                  "Achtung! Die Nachricht ist zu lang, um sie über den Browser zu senden: "
                  "verschlüsselt sind es 2084 Zeichen, höchstens 2083 gehen (Umlaute und "
                  "Sonderzeichen zählen mehrfach).\r\nBitte kürzen Sie die Nachricht. Es wurde "
                  "nichts gesendet."}));
    EXPECT_EQ(rig.form.Label27, "Vielen Dank für Ihre Nachricht!");
    rig.app->selectTab(1);
    rig.app->selectTab(4);
    EXPECT_EQ(rig.page(), "pInfoFProgramminfo");

    rig.hotkeyApi.takenElsewhere = {{3, 'J'}};
    rig.form.combo(6).setText("J");
    rig.dialogs.shown.clear();
    rig.app->Command1_Click();
    EXPECT_EQ(rig.dialogs.shown, std::vector<std::string>{refused("STRG+ALT+J")});
    const std::string saved = fakes::replaceLine(fakes::kExampleOptions, 11, "\"J\"");
    EXPECT_EQ(rig.file("options.ini"), saved);
    rig.form.combo(2).setText("Q");
    rig.dialogs.answers = {platform::Answer::No};
    rig.app->Command4_Click();
    EXPECT_TRUE(rig.app->presence().ended && rig.dialogs.answers.empty());
    EXPECT_EQ(rig.dialogs.styles.back(),
              std::tuple(platform::Buttons::YesNo, platform::Icon::Question, false));
    EXPECT_EQ(rig.file("options.ini"), saved);
}

}  // namespace
}  // namespace trifolio
