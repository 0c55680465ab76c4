#include "view/tray.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "core/window/layout.h"
#include "res/resource.h"
#include "win32/strings.h"
#include "win32/system_dlls.h"

namespace trifolio::win32 {
namespace {

NOTIFYICONDATAW iconData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = kTrayIconId;
    return data;
}

}  // namespace

IconHandle programIcon(HINSTANCE instance, int size) {
    // The sizes trifolio.ico holds (src/res/draw_icons.sh) are taken as drawn; any other
    // is drawn down from the next larger image rather than stretched up from a smaller.
    constexpr int kDrawn[] = {16, 24, 32, 48, 64, 256};
    HICON icon = nullptr;
    const auto scaleDown = commonControls().loadIconWithScaleDown;
    if (std::find(std::begin(kDrawn), std::end(kDrawn), size) == std::end(kDrawn) && scaleDown &&
        SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(IDI_TRIFOLIO), size, size, &icon)))
        return IconHandle(icon);
    return IconHandle(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_TRIFOLIO), IMAGE_ICON, size, size, 0)));
}

namespace {

// The notification area's small icon at the shell's DPI.
IconHandle trayIcon(HINSTANCE instance) {
    HICON icon = nullptr;
    const auto metric = commonControls().loadIconMetric;
    if (metric && SUCCEEDED(metric(instance, MAKEINTRESOURCEW(IDI_TRIFOLIO), LIM_SMALL, &icon)))
        return IconHandle(icon);
    return programIcon(instance, GetSystemMetrics(SM_CXSMICON));
}

}  // namespace

Win32Tray::Win32Tray(HWND window, HINSTANCE instance)
    : window_(window), icon_(trayIcon(instance)) {}

bool Win32Tray::add() {
    NOTIFYICONDATAW data = iconData(window_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = icon_.get();
    const std::wstring tip = widen(layout::kWindowCaption);
    lstrcpynW(data.szTip, tip.c_str(), ARRAYSIZE(data.szTip));
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void Win32Tray::remove() {
    NOTIFYICONDATAW data = iconData(window_);
    Shell_NotifyIconW(NIM_DELETE, &data);
}

void Win32Tray::notify(const std::string& title, const std::string& text) {
    NOTIFYICONDATAW data = iconData(window_);
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_WARNING;
    lstrcpynW(data.szInfoTitle, widen(title).c_str(), ARRAYSIZE(data.szInfoTitle));
    lstrcpynW(data.szInfo, widen(text).c_str(), ARRAYSIZE(data.szInfo));
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

platform::MenuCommand trackTrayMenu(HWND window) {
    MenuHandle menu(CreatePopupMenu());
    if (!menu)
        return platform::MenuCommand::None;
    for (const auto& entry : platform::kPopupMenu) {
        if (entry.command == platform::MenuCommand::None)
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(entry.command),
                        widen(entry.caption).c_str());
    }
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(window);
    const int chosen =
        static_cast<int>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                        at.x, at.y, 0, window, nullptr));
    // Lets the menu close properly when the user clicks elsewhere next time.
    PostMessageW(window, WM_NULL, 0, 0);
    for (const auto& entry : platform::kPopupMenu)
        if (chosen != 0 && static_cast<int>(entry.command) == chosen)
            return entry.command;
    return platform::MenuCommand::None;
}

}  // namespace trifolio::win32
