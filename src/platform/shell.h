// What the program asks of the desktop shell beyond the services in platform.h: its
// icon in the notification area with the icon's popup menu, and a web address opened
// in the browser.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace trifolio::platform {

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

}  // namespace trifolio::platform
