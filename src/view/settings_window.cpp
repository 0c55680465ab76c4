// The settings window itself: its window classes, its window procedure, and its
// layout for the DPI of its monitor.
#include "view/settings_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "res/resource.h"
#include "win32/strings.h"
#include "win32/system_dlls.h"

namespace trifolio::win32 {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

// A combo box's selection field is this much lower than the whole closed box.
constexpr int kComboFrame = 6;
// Entries a drop-down list shows at once.
constexpr int kDropDownEntries = 12;

template <typename F>
F user32Function(const char* name) {
    const auto proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

int systemDpiOf(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

RECT windowRectFor(int clientWidth, int clientHeight, int dpi) {
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = user32Function<AdjustFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (adjustForDpi)
        adjustForDpi(&r, kWindowStyle, FALSE, kWindowExStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&r, kWindowStyle, FALSE, kWindowExStyle);
    return r;
}

}  // namespace

int controlId(std::string_view name) {
    const layout::ControlId control = layout::idOf(name);
    return control ? controlId(control) : 0;
}

int effectiveDpi(int systemDpi) {
    wchar_t text[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"TRIFOLIO_DPI", text, 8);
    if (length > 0 && length < 8) {
        const int dpi = static_cast<int>(wcstol(text, nullptr, 10));
        if (dpi >= 72 && dpi <= 480)
            return dpi;
    }
    return systemDpi > 0 ? systemDpi : 96;
}

SettingsWindow::SettingsWindow(HINSTANCE instance, Form& form, StoreSet& stores)
    : instance_(instance), form_(form), stores_(stores) {
    shown_.selected.fill(-1);
}

SettingsWindow::~SettingsWindow() {
    // Going with the object, the window ends nothing more (no WM_QUIT): the controls'
    // messages still find the object, the window's own go to the system.
    app_ = nullptr;
    engine_ = nullptr;
    abandonWindow();
}

bool SettingsWindow::registerClasses() {
    initCommonControls();
    WNDCLASSEXW page{};
    page.cbSize = sizeof(page);
    page.lpfnWndProc = objectProcedure<SettingsWindow, &SettingsWindow::pageMessage>;
    page.hInstance = instance_;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    page.lpszClassName = kPageClass;
    WNDCLASSEXW picture = page;
    picture.lpfnWndProc = objectProcedure<SettingsWindow, &SettingsWindow::pictureMessage>;
    picture.lpszClassName = kPictureClass;
    picture.hbrBackground = nullptr;
    return window_object::registered(page) && window_object::registered(picture);
}

bool SettingsWindow::create() {
    if (!registerClasses())
        return false;
    WNDCLASSEXW main{};
    main.hInstance = instance_;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    main.lpszClassName = kSettingsWindowClass;
    main.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TRIFOLIO));
    if (!createWindow(main, nullptr, kWindowStyle, kWindowExStyle,
                      widen(layout::kWindowCaption).c_str(), 100, 100, CW_USEDEFAULT,
                      CW_USEDEFAULT))
        return false;
    HWND window = hwnd();
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    showStatus_ = RegisterWindowMessageW(kShowStatusMessage);
    dpi_ = effectiveDpi(systemDpiOf(window));
    applyDpi(dpi_);

    // Centred on the work area of its monitor.
    RECT frame{};
    GetWindowRect(window, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, work.left + std::max(0L, (work.right - work.left - width) / 2),
                 work.top + std::max(0L, (work.bottom - work.top - height) / 2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    AddClipboardFormatListener(window);
    return true;
}

void SettingsWindow::applyDpi(int dpi) {
    dpi_ = dpi;
    // The old fonts stay alive until every control has the new ones.
    const Fonts old = std::exchange(fonts_, makeFonts(dpi));
    loadIcons();

    for (std::size_t i = 0; i < layout::kControlCount; ++i) {
        HWND control = items_[i];
        if (!control)
            continue;
        const layout::ControlRow& row = layout::kControls[i];
        const layout::Rect r = layout::toPixels(row, dpi);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(row)), FALSE);
        int height = r.height;
        if (row.kind == layout::Kind::ComboList) {
            SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                         std::max(1, r.height - kComboFrame));
            const auto itemHeight = SendMessageW(control, CB_GETITEMHEIGHT, 0, 0);
            height = r.height + kDropDownEntries * static_cast<int>(itemHeight) + 2;
        }
        MoveWindow(control, r.left, r.top, r.width, height, FALSE);
        if (row.kind == layout::Kind::StatusBar) {
            const int parts[3] = {r.width / 3, 2 * r.width / 3, -1};
            SendMessageW(control, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
        }
    }
    if (tooltips_) {
        SendMessageW(tooltips_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.normal.get()), FALSE);
        SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, MulDiv(400, dpi, 96));
    }
    // The frame is the system's, at the window's own DPI, which the override may not
    // change: the client area is measured and the window corrected by what is missing.
    const layout::Rect client = layout::clientPixels(dpi);
    const RECT frame = windowRectFor(client.width, client.height, systemDpiOf(hwnd()));
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    for (int attempt = 0; attempt < 2; ++attempt) {
        SetWindowPos(hwnd(), nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT now{};
        GetClientRect(hwnd(), &now);
        if (now.right == client.width && now.bottom == client.height)
            break;
        width += client.width - now.right;
        height += client.height - now.bottom;
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void SettingsWindow::attach(App& app, HotkeyEngine& engine) {
    app_ = &app;
    engine_ = &engine;
}

LRESULT SettingsWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // After each event the view is brought in line with the model once, also after one
    // that came inside another's wait (a message box, a hotkey action's pumping).
    if (const std::optional<LRESULT> answer = onEvent(message, wParam, lParam)) {
        sync();
        return *answer;
    }
    return upkeep(window, message, wParam, lParam);
}

std::optional<LRESULT> SettingsWindow::onEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // What the person does in the window or at the tray icon waits for a running
        // hotkey action, so that no message box or menu opens inside its wait; what the
        // view itself does to its controls is no command at all.
        case WM_COMMAND:
            if (lParam != 0 && !syncing_)
                whenIdle(
                    [this, id = LOWORD(wParam), code = HIWORD(wParam)] { onCommand(id, code); });
            // Escape, which the dialog navigation turns into IDCANCEL: "Abbrechen".
            else if (lParam == 0 && wParam == IDCANCEL && app_)
                whenIdle([this] { app_->Command2_Click(); });
            // Enter, which it turns into IDOK: the focused push button, otherwise "OK".
            else if (lParam == 0 && wParam == IDOK && app_)
                whenIdle([this, button = focusedPushButton()] {
                    button ? onCommand(button, BN_CLICKED) : app_->Command3_Click();
                });
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            // A control being painted (a tooltip) is no moment to change controls.
            if (header.code == static_cast<UINT>(NM_CUSTOMDRAW))
                return std::nullopt;
            if (header.code == static_cast<UINT>(TCN_SELCHANGE) && !syncing_)
                whenIdle([this, strip = header.hwndFrom] { onTabChange(strip); });
            return 0;
        }
        case WM_TIMER:
            // Input and painting come between the slices of the help text.
            if (wParam == kHelpFill)
                return std::nullopt;
            onTimer(wParam);
            return 0;
        case WM_HOTKEY:
            if (engine_)
                engine_->onHotkey(static_cast<int>(wParam));
            return 0;
        case kTrayMessage:
            whenIdle([this, mouse = static_cast<int>(LOWORD(lParam))] {
                app_->trayCallback(mouse);
                bringBack();
            });
            return 0;
        case kPrepareControls:
            prepareControls();
            return 0;
        case WM_CLIPBOARDUPDATE:
            if (app_)
                app_->clipboardChanged();
            return 0;
        case WM_CLOSE:
            whenIdle([this] { app_->Form_QueryUnload(); });
            return 0;
        case WM_ENDSESSION:
            if (!wParam || !app_)
                return std::nullopt;
            app_->Form_QueryUnload();
            return 0;
        default:
            if (message == 0 || !app_)
                return std::nullopt;
            if (message == taskbarCreated_) {
                app_->taskbarCreated();
                return 0;
            }
            // A second start of the program: TRUE, unless this one is ending.
            if (message == showStatus_ && !app_->presence().ended) {
                whenIdle([this] {
                    app_->showStatusPage();
                    bringBack();
                });
                return TRUE;
            }
            return std::nullopt;
    }
}

LRESULT SettingsWindow::upkeep(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY:
            return 0;
        case WM_TIMER:
            if (wParam == kHelpFill && help_.step())
                setTimer(kHelpFill, false, 0);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                focus_ = GetFocus();
            } else {
                // First the tabs, so that no key press lands on a "Löschen" by surprise.
                HWND target =
                    focus_ && IsChild(window, focus_) ? focus_ : item(layout::id("TabStrip1"));
                if (target)
                    SetFocus(target);
            }
            return 0;
        case WM_DPICHANGED: {
            const int dpi = effectiveDpi(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            if (dpi != dpi_)
                applyDpi(dpi);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (const LRESULT brush =
                    colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), message))
                return brush;
            break;
        case WM_THEMECHANGED:
        case WM_SYSCOLORCHANGE:
            updatePageColour();
            InvalidateRect(window, nullptr, TRUE);
            break;
        case WM_DESTROY:
            RemoveClipboardFormatListener(window);
            for (UINT_PTR timer : {kTimer1, kTrayRetry, kEndWhenIdle, kHelpFill, kRestoreRetry})
                setTimer(timer, false, 0);
            PostQuitMessage(0);
            return 0;
        default:
            // A second start of the program while this one is ending.
            if (message != 0 && message == showStatus_)
                return FALSE;
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool SettingsWindow::preTranslate(const MSG& msg) {
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in any window with tabs.
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0 ||
        !app_ || !hwnd() || (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd)))
        return false;
    const int step = GetKeyState(VK_SHIFT) < 0 ? 3 : 1;
    app_->selectTab((form_.TabStrip1 - 1 + step) % 4 + 1);
    sync();
    return true;
}

void SettingsWindow::bringBack() {
    sync();
    const Presence& presence = app_->presence();
    if (presence.ended || !presence.windowShown)
        return;
    if (IsIconic(hwnd()))
        ShowWindow(hwnd(), SW_RESTORE);
    SetForegroundWindow(hwnd());
}

void SettingsWindow::whenIdle(std::function<void()> work) {
    if (!app_)
        return;
    if (engine_)
        engine_->whenIdle(std::move(work));
    else
        work();
}

int SettingsWindow::focusedPushButton() const {
    HWND focus = GetFocus();
    const layout::ControlId control =
        focus && IsChild(hwnd(), focus) ? controlOf(GetDlgCtrlID(focus)) : layout::ControlId{};
    return control && layout::row(control).kind == layout::Kind::Button ? controlId(control) : 0;
}

void SettingsWindow::onTimer(UINT_PTR timer) {
    if (!app_)
        return;
    if (timer == kTimer1)
        app_->Timer1_Timer();
    else if (timer == kTrayRetry)
        app_->retryTrayIcon();
    else if (timer == kRestoreRetry)
        app_->clipboardChanged();
}

platform::MenuCommand SettingsWindow::popupMenu() {
    return trackTrayMenu(hwnd());
}

bool SettingsWindow::openUrl(const std::string& url) {
    // The form shows its fields disabled while the shell takes the address.
    if (controlsMade()) {
        const bool wasSyncing = std::exchange(syncing_, true);
        syncControls();
        syncing_ = wasSyncing;
    }
    // Success is a value above 32.
    const HINSTANCE result =
        ShellExecuteW(hwnd(), L"open", widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace trifolio::win32
