// The program's icon in the notification area, and its popup menu.
#pragma once

#include <windows.h>

#include <string>

#include "platform/shell.h"
#include "win32/handles.h"

namespace trifolio::win32 {

// The message the icon sends to its window; lParam carries the mouse message
// (kTrayDoubleClick, kTrayRightUp, ...).
inline constexpr UINT kTrayMessage = WM_APP + 1;
// The icon's identifier beside the window handle.
inline constexpr UINT kTrayIconId = 1;

// The program icon at `size` pixels (resource IDI_TRIFOLIO).
IconHandle programIcon(HINSTANCE instance, int size);

class Win32Tray final : public platform::Tray {
  public:
    // The icon reports to `window`, which must handle kTrayMessage.
    Win32Tray(HWND window, HINSTANCE instance);
    bool add() override;
    void remove() override;
    void notify(const std::string& title, const std::string& text) override;

  private:
    HWND window_;
    IconHandle icon_;
};

// Shows kPopupMenu at the mouse position as the tray icon's menu of `window`: the
// window comes to the foreground first, so the menu closes when the user clicks
// elsewhere. Returns the chosen entry.
platform::MenuCommand trackTrayMenu(HWND window);

}  // namespace trifolio::win32
