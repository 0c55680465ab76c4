// The settings window's behaviour: start-up and shut-down, the four buttons along the
// bottom, the pages and sub-pages, the Status page's buttons and timer, the tray icon
// with its popup menu, and the contact form. Works on the window model (Form and
// StoreSet); the view shows the model and feeds the user's actions in here.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/hotkeys/engine.h"
#include "core/settings/settings.h"
#include "core/stores/store.h"
#include "core/window/form.h"
#include "platform/platform.h"
#include "platform/shell.h"

namespace trifolio {

// How the program is present on the screen; the view follows it after every event.
struct Presence {
    bool windowShown = false;  // FConfig is visible
    bool inTaskList = true;    // the program has a taskbar button and task-list entry
    bool timer = false;        // Timer1: a store-1 snapshot every 1500 ms
    bool ended = false;        // the window is unloaded and the program ends
};

inline constexpr int kTimer1Interval = 1500;  // milliseconds

// The directory of an executable's path, ending in a backslash.
std::string programDirOf(const std::string& executablePath);

class App {
  public:
    App(Form& form, StoreSet& stores, Settings& settings, HotkeyEngine& engine,
        platform::Dialogs& dialogs, platform::Files& files, platform::Tray& tray,
        platform::WindowHost& host, std::string commandLine, std::string contactEndpoint);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    const Presence& presence() const { return presence_; }
    // True while the tray icon is wanted but the notification area has not taken it;
    // the view then calls retryTrayIcon now and then.
    bool trayIconMissing() const { return iconWanted_ && !iconPresent_; }

    // Start-up, after the window was created and ProgramDir determined.
    void Form_Load();
    // Once the window shows or the icon is there after start-up: the combinations the
    // system refused, and with Check3 those that type a character on an installed
    // keyboard layout, are told by a balloon from the icon when the program started in
    // the tray, else in an "Achtung!" box.
    void reportStartupRefusals();
    // A double click on the icon, or a second start of the program: the window on its
    // Status page.
    void showStatusPage();

    void Command1_Click();  // "Übernehmen"
    void Command2_Click();  // "Abbrechen"
    void Command3_Click();  // "OK"
    void Command4_Click();  // "Beenden"
    void Command5_Click();  // "Löschen" of store 1
    void Command6_Click();  // "Löschen" of store 2
    void Command7_Click();  // "Löschen" of store 3
    void Command8_Click();  // "Absenden"
    // The close box, Alt+F4, the system menu, Windows logging off: ends without asking.
    void Form_QueryUnload();

    // Selecting a tab of TabStrip1 (1 Status ... 4 Info) or of TabInfo (1 to 3), by the
    // user or by the program: the page or sub-page switches.
    void selectTab(int tab);
    void selectInfoTab(int tab);
    void TabStrip1_Click();
    void TabInfo_Click();

    // A mouse message of the tray icon (kTrayDoubleClick, kTrayRightUp, others).
    void trayCallback(int mouseMessage);
    void menuCommand(platform::MenuCommand command);
    // Explorer restarted, so the notification area is new and empty.
    void taskbarCreated();
    void retryTrayIcon();

    void Timer1_Timer();
    // The Windows clipboard changed: the store-1 row follows it while the window shows.
    void clipboardChanged();
    // The user's clipboard is owed back: clipboardChanged should come again soon.
    bool restoreOwed() const { return engine_.restoreOwed(); }

    void TrayIconAdd();
    void TrayIconRemove(bool removeIcon);

  private:
    // False when the options procedures asked to end: the program has ended then.
    bool keepGoing(Outcome outcome);
    bool applySettings();
    void reportRefusedHotkeys();
    void addTrayIcon();
    void end();

    Form& form_;
    StoreSet& stores_;
    Settings& settings_;
    HotkeyEngine& engine_;
    platform::Dialogs& dialogs_;
    platform::Files& files_;
    platform::Tray& tray_;
    platform::WindowHost& host_;
    std::string commandLine_;
    std::string contactEndpoint_;

    Presence presence_;
    bool iconWanted_ = false;   // TrayIconAdd ran and the program has not ended
    bool iconPresent_ = false;  // the notification area holds the icon
    std::string notice_;        // a balloon waiting for the icon
};

}  // namespace trifolio
