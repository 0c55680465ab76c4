// The settings window's behaviour against the real settings and hotkey engine, over
// fakes of the system: start-up, buttons, close paths, pages, tray and contact form.
#include "window/app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "engine_fakes.h"
#include "fakes.h"
#include "platform/text.h"

namespace trifolio {
namespace {

using engine_fakes::FakeClipboard;
using engine_fakes::FakeEventLoop;
using engine_fakes::FakeHotkeyApi;
using engine_fakes::Journal;
using engine_fakes::RecordingKeyInput;
using engine_fakes::textFormats;
using platform::Answer;

// The notification area: takes one icon per window and uID, and may refuse while it
// is not ready.
class FakeTray : public Tray {
  public:
    explicit FakeTray(Journal& journal) : journal_(journal) {}
    bool ready = true;
    int icons = 0;
    bool add() override {
        journal_.push_back("tray add");
        if (!ready || icons > 0)
            return false;
        ++icons;
        return true;
    }
    void remove() override {
        journal_.push_back("tray remove");
        icons = 0;
    }

  private:
    Journal& journal_;
};

class FakeHost : public WindowHost {
  public:
    std::deque<MenuCommand> choices;  // what the user picks from the next menus
    int menus = 0;
    std::vector<std::string> opened;
    MenuCommand popupMenu() override {
        ++menus;
        if (choices.empty())
            return MenuCommand::None;
        const MenuCommand c = choices.front();
        choices.pop_front();
        return c;
    }
    void openUrl(const std::string& url) override { opened.push_back(url); }
};

// Files that also note their reads and writes in the journal.
class JournalingFiles : public fakes::MemoryFiles {
  public:
    explicit JournalingFiles(Journal& journal) : journal_(journal) {}
    std::optional<std::string> read(const std::string& path, std::string& error) override {
        journal_.push_back("file read " + path.substr(path.find_last_of('\\') + 1));
        return MemoryFiles::read(path, error);
    }
    bool writeAtomically(const std::string& path, const std::string& bytes,
                         std::string& error) override {
        journal_.push_back("file write " + path.substr(path.find_last_of('\\') + 1));
        return MemoryFiles::writeAtomically(path, bytes, error);
    }

  private:
    Journal& journal_;
};

// An options file as the program writes it: store 2 STRG+ALT with X, C, V; store 3
// cut unassigned, copy F11, paste ALT+F12; autostart on, warning on.
std::string optionsFile(bool minimised, const std::string& cut2Modifier = "STRG+ALT") {
    std::string lines = "Ablage 2, Ausschneiden:|" + cut2Modifier +
                        "|X||Ablage 2, Kopieren:|STRG+ALT|C||Ablage 2, Einfügen:|STRG+ALT|V||"
                        "Ablage 3, Ausschneiden:|-|-||Ablage 3, Kopieren:|-|F11||"
                        "Ablage 3, Einfügen:|ALT|F12|||Optionen:|autostart: 1|minimiert: " +
                        (minimised ? "1" : "0") + "|warnen: 1|";
    std::string out;
    for (std::size_t start = 0, bar; (bar = lines.find('|', start)) != std::string::npos;
         start = bar + 1)
        out += "\"" + utf8ToCp1252(lines.substr(start, bar - start)) + "\"\r\n";
    return out;
}

struct Rig {
    Journal journal;
    FakeEventLoop loop{journal};
    FakeClipboard clipboard{journal};
    RecordingKeyInput keys{journal};
    FakeHotkeyApi hotkeyApi{journal};
    Form form;
    StoreSet stores;
    fakes::ScriptedDialogs dialogs;
    JournalingFiles files{journal};
    fakes::MemoryRegistry registry;
    HotkeyEngine engine{form, stores, hotkeyApi, clipboard, keys, loop};
    Settings settings{
        form, dialogs, files, registry, engine, fakes::kProgramDir, fakes::kExecutable};
    FakeTray tray{journal};
    FakeHost host;
    std::unique_ptr<App> app;

    static std::string path(const char* name) { return std::string(fakes::kProgramDir) + name; }

    // A program start with "options.ini" as given (none when empty).
    explicit Rig(const std::string& options = optionsFile(false)) {
        if (!options.empty())
            files.files[path("options.ini")] = options;
    }
    App& start(const std::string& commandLine = "") {
        app = std::make_unique<App>(form, stores, settings, engine, dialogs, files, tray, host,
                                    commandLine, "https://vennhaus.example");
        app->Form_Load();
        return *app;
    }
    const Presence& presence() const { return app->presence(); }
    // The page frame that shows, by its name; several or none give an empty text.
    std::string page() const {
        std::string shown;
        int count = 0;
        for (auto [name, frame] : {std::pair{"pStatus", &form.pStatus},
                                   {"pTastenbelegung", &form.pTastenbelegung},
                                   {"pOptionen", &form.pOptionen},
                                   {"pInfo", &form.pInfo}})
            if (frame->visible)
                shown = name, ++count;
        return count == 1 ? shown : std::string();
    }
    std::string subPage() const {
        std::string shown;
        int count = 0;
        for (auto [name, frame] : {std::pair{"FProgramminfo", &form.FProgramminfo},
                                   {"fHilfe", &form.fHilfe},
                                   {"fKontakt", &form.fKontakt}})
            if (frame->visible)
                shown = name, ++count;
        return count == 1 ? shown : std::string();
    }
    std::size_t at(const std::string& entry) const {
        return static_cast<std::size_t>(std::find(journal.begin(), journal.end(), entry) -
                                        journal.begin());
    }
    std::size_t count(const std::string& entry) const {
        return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), entry));
    }
};

// ---------------------------------------------------------------------------
// Start-up

TEST(AppStart, SnapshotListsOptionsTmpFileThenTray) {
    Rig rig(optionsFile(true, "ALT"));  // ALT with the warning on: loading must not ask
    rig.clipboard.write(textFormats("vom Benutzer"));
    rig.journal.clear();
    rig.start();

    const auto snapshot = std::min(rig.at("snapshot"), rig.at("read"));
    const auto readIni = rig.at("file read options.ini");
    const auto firstRegister = std::find_if(rig.journal.begin(), rig.journal.end(),
                                            [](auto& e) { return e.rfind("register", 0) == 0; }) -
                               rig.journal.begin();
    const auto writeTmp = rig.at("file write options.tmp");
    const auto trayAdd = rig.at("tray add");
    EXPECT_LT(snapshot, readIni);
    EXPECT_LT(readIni, static_cast<std::size_t>(firstRegister));
    EXPECT_LT(static_cast<std::size_t>(firstRegister), writeTmp);
    EXPECT_LT(writeTmp, trayAdd);
    ASSERT_LT(trayAdd, rig.journal.size());
    EXPECT_EQ(rig.count("file write options.ini"), 0u);

    EXPECT_EQ(rig.stores.store(1).displayText(), "vom Benutzer");
    EXPECT_EQ(rig.form.combo(1).text(), "ALT");
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_FALSE(rig.form.OptionsLoading);
    EXPECT_FALSE(rig.form.OptionsChanged);
    EXPECT_EQ(rig.files.files[Rig::path("options.tmp")], optionsFile(true, "ALT"));
    EXPECT_TRUE(rig.engine.hooked());
}

TEST(AppStart, MinimisedOptionAndConfigDecideWhetherTheWindowShows) {
    struct Case {
        bool minimised;
        const char* commandLine;
        bool shown;
    };
    const Case cases[] = {
        {true, "", false},        {true, "/config", true},    {true, "  /config ", true},
        {true, "/CONFIG", false}, {true, "/config x", false}, {true, "-config", false},
        {false, "", true},        {false, "/config", true},   {false, "/irgendwas", true},
    };
    for (const auto& c : cases) {
        Rig rig(optionsFile(c.minimised));
        rig.start(c.commandLine);
        SCOPED_TRACE(std::string(c.commandLine) + (c.minimised ? " minimised" : ""));
        EXPECT_EQ(rig.presence().windowShown, c.shown);
        EXPECT_EQ(rig.tray.icons, c.shown ? 0 : 1);
        EXPECT_EQ(rig.presence().inTaskList, c.shown);
        EXPECT_FALSE(rig.presence().timer);
        EXPECT_EQ(rig.page(), "pStatus");
    }
}

TEST(AppStart, NoToTheLoadErrorEndsAtOnce) {
    Rig rig;
    rig.files.unreadable.insert(Rig::path("options.ini"));
    rig.dialogs.answers = {Answer::No};
    rig.start();
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].title, "Fehler!");
    EXPECT_TRUE(rig.presence().ended);
    EXPECT_EQ(rig.count("file write options.tmp"), 0u);
    EXPECT_TRUE(rig.hotkeyApi.registered().empty());
    EXPECT_EQ(rig.tray.icons, 0);
}

// ---------------------------------------------------------------------------
// The three states of window and tray icon

TEST(AppLife, ShownThenTrayThenShownWithIconThenEnded) {
    Rig rig;
    App& app = rig.start();
    EXPECT_TRUE(rig.presence().windowShown);
    EXPECT_EQ(rig.tray.icons, 0);

    app.Command3_Click();  // "OK"
    EXPECT_FALSE(rig.presence().windowShown);
    EXPECT_FALSE(rig.presence().inTaskList);
    EXPECT_FALSE(rig.presence().timer);
    EXPECT_EQ(rig.tray.icons, 1);

    app.selectTab(3);
    app.trayCallback(kTrayDoubleClick);
    EXPECT_TRUE(rig.presence().windowShown);
    EXPECT_TRUE(rig.presence().inTaskList);
    EXPECT_TRUE(rig.presence().timer);
    EXPECT_EQ(rig.tray.icons, 1);
    EXPECT_EQ(rig.page(), "pStatus");

    app.Command2_Click();  // "Abbrechen": back to the tray, still one icon
    app.trayCallback(kTrayDoubleClick);
    app.Command3_Click();
    EXPECT_EQ(rig.tray.icons, 1);
    EXPECT_EQ(rig.count("tray remove"), 0u);

    rig.host.choices = {MenuCommand::Beenden};
    app.trayCallback(kTrayRightUp);
    EXPECT_TRUE(rig.presence().ended);
    EXPECT_EQ(rig.tray.icons, 0);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(rig.hotkeyApi.registered().empty());
    EXPECT_EQ(rig.hotkeyApi.liveAtoms(), 0);
}

TEST(AppLife, OnlyDoubleClickAndRightButtonUpAct) {
    Rig rig(optionsFile(true));
    App& app = rig.start();
    for (int message : {512, 513, 514, 516, 518, 519, 0x0400})
        app.trayCallback(message);
    EXPECT_FALSE(rig.presence().windowShown);
    EXPECT_EQ(rig.host.menus, 0);

    app.trayCallback(kTrayRightUp);  // dismissed menu
    EXPECT_EQ(rig.host.menus, 1);
    EXPECT_FALSE(rig.presence().windowShown);

    // Double click on the icon of an open window: stays open, back on the Status page.
    app.trayCallback(kTrayDoubleClick);
    app.selectTab(2);
    app.trayCallback(kTrayDoubleClick);
    EXPECT_TRUE(rig.presence().windowShown);
    EXPECT_EQ(rig.page(), "pStatus");
    app.trayCallback(kTrayRightUp);  // every release of the right button opens the menu
    EXPECT_EQ(rig.host.menus, 2);
}

TEST(AppLife, MenuEntriesOpenTheirPagesInOrder) {
    std::vector<std::string_view> captions;
    for (const auto& entry : kPopupMenu)
        captions.push_back(entry.caption);
    EXPECT_EQ(captions,
              (std::vector<std::string_view>{"Status zeigen", "Tastenbelegung", "Optionen",
                                             "Programminfos", "", "Beenden"}));

    const std::pair<MenuCommand, const char*> expected[] = {
        {MenuCommand::Status, "pStatus"},
        {MenuCommand::Tastenbelegung, "pTastenbelegung"},
        {MenuCommand::Optionen, "pOptionen"},
        {MenuCommand::Programminfos, "pInfo"}};
    for (auto [command, page] : expected) {
        Rig rig(optionsFile(true));
        App& app = rig.start();
        rig.host.choices = {command};
        app.trayCallback(kTrayRightUp);
        EXPECT_TRUE(rig.presence().windowShown) << page;
        EXPECT_TRUE(rig.presence().timer) << page;
        EXPECT_EQ(rig.page(), page);
        EXPECT_EQ(rig.tray.icons, 1) << page;
    }
}

TEST(AppLife, NotificationAreaThatIsNotReadyOrRestartedGetsTheIconAgain) {
    Rig rig(optionsFile(true));
    rig.tray.ready = false;
    App& app = rig.start();
    EXPECT_EQ(rig.tray.icons, 0);
    EXPECT_TRUE(app.trayIconMissing());
    app.retryTrayIcon();
    EXPECT_TRUE(app.trayIconMissing());
    rig.tray.ready = true;
    app.retryTrayIcon();
    EXPECT_FALSE(app.trayIconMissing());
    EXPECT_EQ(rig.tray.icons, 1);

    // Explorer restarts with an empty notification area.
    rig.tray.icons = 0;
    app.taskbarCreated();
    EXPECT_EQ(rig.tray.icons, 1);

    // Before the first trip to the tray there is no icon to bring back.
    Rig shown;
    App& open = shown.start("/config");
    open.taskbarCreated();
    open.retryTrayIcon();
    EXPECT_EQ(shown.count("tray add"), 0u);
}

// ---------------------------------------------------------------------------
// Buttons and close paths

TEST(AppButtons, ApplyWritesBothFilesAndKeepsTheWindow) {
    Rig rig;
    App& app = rig.start();
    rig.form.combo(2).setText("Y");
    EXPECT_TRUE(rig.form.Command1.enabled);
    app.Command1_Click();
    const auto ini = rig.files.files[Rig::path("options.ini")];
    EXPECT_NE(ini.find("\"Y\"\r\n"), std::string::npos);
    EXPECT_EQ(rig.files.files[Rig::path("options.tmp")], ini);
    EXPECT_FALSE(rig.form.Command1.enabled);
    EXPECT_FALSE(rig.form.OptionsChanged);
    EXPECT_TRUE(rig.presence().windowShown);
    // The new combination works at once, the old one no more.
    EXPECT_TRUE(rig.hotkeyApi.press({3, 'Y'}));
    EXPECT_FALSE(rig.hotkeyApi.press({3, 'X'}));
    // Nothing left to ask about.
    app.Command4_Click();
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(rig.presence().ended);
}

TEST(AppButtons, DuplicateIsRefusedOnTheAssignmentPageWithTheFocusOnTheLaterList) {
    for (int button : {1, 3}) {
        Rig rig;
        App& app = rig.start();
        const std::string before = rig.files.files[Rig::path("options.ini")];
        rig.dialogs.answers = {Answer::Yes};    // to the warning about STRG+ALT
        rig.form.combo(9).setText("STRG+ALT");  // store 3 copy = store 2 cut
        rig.form.combo(10).setText("X");
        button == 1 ? app.Command1_Click() : app.Command3_Click();
        ASSERT_EQ(rig.dialogs.shown.size(), 2u);
        EXPECT_EQ(rig.dialogs.shown[1].text, "Doppelt vergebene Kombination: 'STRG+ALT+X'");
        EXPECT_EQ(rig.page(), "pTastenbelegung");
        EXPECT_EQ(rig.form.focus, "Combo10");
        EXPECT_EQ(rig.files.files[Rig::path("options.ini")], before);
        EXPECT_TRUE(rig.presence().windowShown);
        EXPECT_TRUE(rig.form.Command1.enabled);
    }
}

TEST(AppButtons, RefusedHotkeysAreToldWhenApplying) {
    Rig rig;
    App& app = rig.start();
    rig.hotkeyApi.takenElsewhere = {{3, 'X'}, {1, 0x7B}};  // STRG+ALT+X, ALT+F12
    rig.form.combo(4).setText("K");
    app.Command1_Click();
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    const auto& box = rig.dialogs.shown[0];
    EXPECT_EQ(box.title, "Achtung!");
    EXPECT_NE(box.text.find("STRG+ALT+X"), std::string::npos);
    EXPECT_NE(box.text.find("ALT+F12"), std::string::npos);
    EXPECT_EQ(box.text.find("STRG+ALT+K"), std::string::npos);

    rig.hotkeyApi.takenElsewhere.clear();
    rig.form.combo(4).setText("L");
    app.Command3_Click();
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_FALSE(rig.presence().windowShown);
}

TEST(AppButtons, CancelPutsBackTheAppliedSettingsAndGoesToTheTray) {
    Rig rig;
    App& app = rig.start();
    rig.form.combo(2).setText("Q");
    rig.form.Check1.setChecked(false);
    app.Command2_Click();
    EXPECT_EQ(rig.form.combo(2).text(), "X");
    EXPECT_TRUE(rig.form.Check1.checked());
    EXPECT_FALSE(rig.form.OptionsChanged);
    EXPECT_TRUE(rig.hotkeyApi.press({3, 'X'}));
    EXPECT_FALSE(rig.presence().windowShown);
    EXPECT_EQ(rig.tray.icons, 1);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST(AppButtons, QuitAsksOnlyAfterChangesAndEachAnswerDoesItsPart) {
    const std::string original = optionsFile(false);
    {  // No: nothing saved, ended
        Rig rig;
        App& app = rig.start();
        rig.form.combo(2).setText("Q");
        rig.dialogs.answers = {Answer::No};
        app.Command4_Click();
        ASSERT_EQ(rig.dialogs.shown.size(), 1u);
        EXPECT_EQ(rig.dialogs.shown[0].title, "Speichern?");
        EXPECT_EQ(rig.dialogs.shown[0].text,
                  "Möchten Sie die Änderungen der Einstellungen speichern?");
        EXPECT_EQ(rig.dialogs.shown[0].icon, platform::Icon::Question);
        EXPECT_EQ(rig.files.files[Rig::path("options.ini")], original);
        EXPECT_TRUE(rig.presence().ended);
        EXPECT_TRUE(rig.hotkeyApi.registered().empty());
    }
    {  // Yes, valid: options.ini written, options.tmp not, ended
        Rig rig;
        App& app = rig.start();
        const std::string tmp = rig.files.files[Rig::path("options.tmp")];
        rig.form.combo(2).setText("Q");
        rig.dialogs.answers = {Answer::Yes};
        app.Command4_Click();
        EXPECT_NE(rig.files.files[Rig::path("options.ini")].find("\"Q\""), std::string::npos);
        EXPECT_EQ(rig.files.files[Rig::path("options.tmp")], tmp);
        EXPECT_TRUE(rig.presence().ended);
    }
    {  // Yes with a duplicate: warned, still running, nothing saved
        Rig rig;
        App& app = rig.start();
        rig.form.combo(4).setText("X");
        rig.dialogs.answers = {Answer::Yes};
        app.Command4_Click();
        ASSERT_EQ(rig.dialogs.shown.size(), 2u);
        EXPECT_EQ(rig.dialogs.shown[1].title, "Achtung!");
        EXPECT_FALSE(rig.presence().ended);
        EXPECT_TRUE(rig.presence().windowShown);
        EXPECT_EQ(rig.files.files[Rig::path("options.ini")], original);
        EXPECT_TRUE(rig.engine.hooked());
    }
}

TEST(AppButtons, ClosingTheWindowOtherwiseNeitherAsksNorSaves) {
    Rig rig;
    App& app = rig.start();
    app.Command3_Click();
    app.trayCallback(kTrayDoubleClick);
    rig.form.combo(2).setText("Q");
    app.Form_QueryUnload();
    app.Form_QueryUnload();  // the close paths may run twice
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.files.files[Rig::path("options.ini")], optionsFile(false));
    EXPECT_TRUE(rig.presence().ended);
    EXPECT_EQ(rig.tray.icons, 0);
    EXPECT_EQ(rig.count("tray remove"), 1u);
    EXPECT_TRUE(rig.hotkeyApi.registered().empty());
}

TEST(AppButtons, NoToASaveErrorStillTakesTheIconAndHotkeysAlong) {
    Rig rig;
    App& app = rig.start();
    app.Command3_Click();  // icon in the tray, hotkeys registered
    app.trayCallback(kTrayDoubleClick);
    ASSERT_FALSE(rig.hotkeyApi.registered().empty());
    rig.files.readOnly.insert(Rig::path("options.ini"));
    const auto tmpWrites = rig.count("file write options.tmp");
    rig.form.combo(2).setText("Q");
    rig.dialogs.answers = {Answer::No};
    app.Command1_Click();
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].title, "Fehler!");
    EXPECT_TRUE(rig.presence().ended);
    EXPECT_EQ(rig.tray.icons, 0);
    EXPECT_TRUE(rig.hotkeyApi.registered().empty());
    EXPECT_EQ(rig.hotkeyApi.liveAtoms(), 0);
    EXPECT_EQ(rig.count("file write options.tmp"), tmpWrites);  // ended before the second save
}

// ---------------------------------------------------------------------------
// Status page

TEST(AppStatus, StoreOneFollowsTheClipboardOnlyWhileTheWindowShows) {
    Rig rig;
    App& app = rig.start();
    rig.clipboard.write(textFormats("eins"));
    app.clipboardChanged();
    EXPECT_EQ(rig.stores.store(1).displayText(), "eins");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): Text");

    app.Command3_Click();
    rig.clipboard.write(textFormats("zwei"));
    app.clipboardChanged();
    EXPECT_EQ(rig.stores.store(1).displayText(), "eins");

    app.trayCallback(kTrayDoubleClick);
    EXPECT_TRUE(rig.presence().timer);
    app.Timer1_Timer();
    EXPECT_EQ(rig.stores.store(1).displayText(), "zwei");
}

TEST(AppStatus, ClearButtonsEmptyTheClipboardAndTheStores) {
    Rig rig;
    rig.clipboard.write(textFormats("im Clipboard"));
    App& app = rig.start();
    rig.stores.capture(2, {{platform::kFormatText}, "zwei", nullptr});
    app.Command6_Click();
    EXPECT_EQ(rig.stores.store(2).displayText(), "leer");
    EXPECT_EQ(rig.stores.panelText(2), "Ablage 2: ---");
    app.Command5_Click();
    EXPECT_TRUE(rig.clipboard.formats().empty());
    EXPECT_EQ(rig.stores.store(1).displayText(), "leer");
    EXPECT_EQ(rig.stores.panelText(1), "(Ablage 1): ");
}

// ---------------------------------------------------------------------------
// Pages and the information pages

TEST(AppPages, InfoAlwaysOpensOnTheProgramInformation) {
    Rig rig;
    App& app = rig.start();
    EXPECT_EQ(rig.page(), "pStatus");
    for (int tab : {2, 3, 1}) {
        app.selectTab(tab);
        EXPECT_EQ(rig.page(), tab == 2 ? "pTastenbelegung" : tab == 3 ? "pOptionen" : "pStatus");
    }
    app.selectTab(4);
    EXPECT_EQ(rig.page(), "pInfo");
    EXPECT_EQ(rig.subPage(), "FProgramminfo");
    app.selectInfoTab(3);
    EXPECT_EQ(rig.subPage(), "fKontakt");
    app.selectTab(1);
    app.selectTab(4);
    EXPECT_EQ(rig.subPage(), "FProgramminfo");
    EXPECT_EQ(rig.form.TabInfo, 1);
}

TEST(AppPages, HelpIsReadAnewOnEverySelection) {
    Rig rig;
    App& app = rig.start();
    app.selectTab(4);
    app.selectInfoTab(2);
    EXPECT_EQ(rig.subPage(), "fHilfe");
    EXPECT_EQ(rig.form.tHilfe.text, "Kann Datei 'readme.txt' nicht laden");

    rig.files.files[Rig::path("readme.txt")] = "eins\r\nzwei\r\ndrei";
    app.selectInfoTab(1);
    app.selectInfoTab(2);
    EXPECT_EQ(rig.form.tHilfe.text, "eins\r\nzwei\r\ndrei\r\n");

    rig.files.files[Rig::path("readme.txt")] = "Neu: Einf\xFCgen\n";
    app.selectInfoTab(2);
    EXPECT_EQ(rig.form.tHilfe.text, "Neu: Einfügen\r\n");
}

TEST(AppContact, SendingHandsTheRequestToTheShellAndThanks) {
    Rig rig;
    App& app = rig.start();
    rig.form.tNachricht.text = "Zeile 1\r\nZeile 2";
    rig.form.tName.text = "Erika Muster";
    app.Command8_Click();
    app.Command8_Click();
    ASSERT_EQ(rig.host.opened.size(), 2u);
    EXPECT_EQ(rig.host.opened[0],
              "https://vennhaus.example/Vennhaus/kontakt.php?name=Erika+Muster&email=Email"
              "&homepage=Homepage&nachricht=Trifolio+V1.1%0D%0AZeile+1%0D%0AZeile+2");
    EXPECT_EQ(rig.form.Label27, "Vielen Dank für Ihre Nachricht!");
    EXPECT_EQ(rig.form.tNachricht.text, "Zeile 1\r\nZeile 2");
    EXPECT_TRUE(rig.form.Command8.enabled);
    EXPECT_TRUE(rig.form.tName.enabled);
    EXPECT_TRUE(rig.form.tNachricht.enabled);
}

TEST(AppStart, ProgramDirEndsInABackslash) {
    EXPECT_EQ(programDirOf("C:\\Programme\\Trifolio\\trifolio.exe"), "C:\\Programme\\Trifolio\\");
    EXPECT_EQ(programDirOf("C:\\trifolio.exe"), "C:\\");
    EXPECT_EQ(programDirOf("\\\\server\\share\\t.exe"), "\\\\server\\share\\");
}

}  // namespace
}  // namespace trifolio
