// The settings window's behaviour: start-up and shut-down, the four buttons along the
// bottom, the pages and sub-pages, the Status page's buttons and timer, the tray icon
// with its popup menu, and the contact form. Works on the window model (Form and
// StoreSet); the view shows the model and feeds the user's actions in here.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "hotkeys/engine.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "stores/store.h"
#include "window/form.h"

namespace trifolio {

// The program's icon in the notification area ("Symbolleiste"), tooltip
// "Trifolio - Vennhaus".
class Tray {
  public:
    virtual ~Tray() = default;
    // False when the notification area did not take the icon (not ready yet).
    virtual bool add() = 0;
    virtual void remove() = 0;
    // A balloon notification from the icon, which must be there.
    virtual void notify(const std::string& title, const std::string& text) = 0;
};

// Mouse messages the tray icon reports.
inline constexpr int kTrayDoubleClick = 515;  // left button double click
inline constexpr int kTrayRightUp = 517;      // right button released

// The tray icon's popup menu, top to bottom; MenuCommand::None is the separator.
enum class MenuCommand { None = 0, Status = 100, Tastenbelegung, Optionen, Programminfos, Beenden };
struct MenuEntry {
    MenuCommand command;
    std::string_view caption;
};
inline constexpr std::array<MenuEntry, 6> kPopupMenu = {{
    {MenuCommand::Status, "Status zeigen"},
    {MenuCommand::Tastenbelegung, "Tastenbelegung"},
    {MenuCommand::Optionen, "Optionen"},
    {MenuCommand::Programminfos, "Programminfos"},
    {MenuCommand::None, ""},
    {MenuCommand::Beenden, "Beenden"},
}};

// What the program asks of the window system beyond showing the model.
class WindowHost {
  public:
    virtual ~WindowHost() = default;
    // Brings the program to the foreground and shows kPopupMenu at the mouse position;
    // the chosen entry, None when the menu was dismissed.
    virtual MenuCommand popupMenu() = 0;
    // Hands a web address to the shell, which opens it in the default browser; false
    // when the shell could not.
    virtual bool openUrl(const std::string& url) = 0;
};

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
        platform::Dialogs& dialogs, platform::Files& files, Tray& tray, WindowHost& host,
        std::string commandLine, std::string contactEndpoint);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    const Presence& presence() const { return presence_; }
    // True while the tray icon is wanted but the notification area has not taken it;
    // the view then calls retryTrayIcon now and then.
    bool trayIconMissing() const { return iconWanted_ && !iconPresent_; }
    bool trayIconPresent() const { return iconPresent_; }

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
    void menuCommand(MenuCommand command);
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
    Tray& tray_;
    WindowHost& host_;
    std::string commandLine_;
    std::string contactEndpoint_;

    Presence presence_;
    bool iconWanted_ = false;   // TrayIconAdd ran and the program has not ended
    bool iconPresent_ = false;  // the notification area holds the icon
    std::string notice_;        // a balloon waiting for the icon
};

}  // namespace trifolio
