// The settings window's controls brought in line with the model after every handled
// event, changing only what differs, and the user's commands fed back into it.
#include "view/settings_window.h"

#include <commctrl.h>

#include <utility>

#include "core/window/texts.h"
#include "win32/strings.h"

namespace trifolio::win32 {

namespace {

// What a control's notification does, for the controls the user changes the model by.
// The table holds plain pointers to the bindings: in the MinGW build a null pointer to a
// data member (all ones) came out of this constexpr table as offset 0, a valid member,
// so that the help box's changes were written over the model.
struct Route {
    void (App::*click)() = nullptr;          // a button
    void (App::*tab)(int) = nullptr;         // a tab strip: its tab selected, 1 the first
    const Bound<CheckBox>* check = nullptr;  // a check box
    int list = 0;                            // a list: its number, Combo1 is 1
    const Bound<TextBox>* field = nullptr;   // a contact-form field
};

constexpr std::pair<layout::ControlId, void (App::*)()> kButtons[] = {
    {layout::id("Command1"), &App::Command1_Click}, {layout::id("Command2"), &App::Command2_Click},
    {layout::id("Command3"), &App::Command3_Click}, {layout::id("Command4"), &App::Command4_Click},
    {layout::id("Command5"), &App::Command5_Click}, {layout::id("Command6"), &App::Command6_Click},
    {layout::id("Command7"), &App::Command7_Click}, {layout::id("Command8"), &App::Command8_Click},
};

// By control: its row in the layout table.
constexpr auto kRoutes = [] {
    std::array<Route, layout::kControlCount> routes{};
    for (const auto& [button, click] : kButtons)
        routes[button.index].click = click;
    routes[layout::id("TabStrip1").index].tab = &App::selectTab;
    routes[layout::id("TabInfo").index].tab = &App::selectInfoTab;
    for (const auto& box : kCheckBoxes)
        routes[box.control.index].check = &box;
    for (int n = 1; n <= 12; ++n)
        routes[kComboLists[n - 1].index].list = n;
    for (const auto& field : kContactFields)
        routes[field.control.index].field = &field;
    return routes;
}();

}  // namespace

std::string SettingsWindow::textOf(HWND control) const {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return narrow(text);
}

void SettingsWindow::onCommand(int id, int code) {
    const layout::ControlId control = controlOf(id);
    if (!control)
        return;
    const Route& route = kRoutes[static_cast<std::size_t>(control.index)];
    if (route.click && code == BN_CLICKED) {
        (app_->*route.click)();
    } else if (route.check && code == BN_CLICKED) {
        CheckBox& box = form_.*route.check->member;
        box.setChecked(!box.checked());
    } else if (route.list && code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(item(control), CB_GETCURSEL, 0, 0));
        shown_.selected[static_cast<std::size_t>(route.list - 1)] = index;
        form_.combo(route.list).select(index);
    } else if (route.field && code == EN_CHANGE) {
        TextBox& field = form_.*route.field->member;
        field.text = textOf(item(control));
        shown_.text[static_cast<std::size_t>(control.index)] = field.text;
    }
}

void SettingsWindow::onTabChange(HWND strip) {
    const layout::ControlId control = controlOf(GetDlgCtrlID(strip));
    if (const auto select =
            control ? kRoutes[static_cast<std::size_t>(control.index)].tab : nullptr)
        (app_->*select)(static_cast<int>(SendMessageW(strip, TCM_GETCURSEL, 0, 0)) + 1);
}

void SettingsWindow::setText(layout::ControlId control, const std::string& text) {
    std::string& shown = shown_.text[static_cast<std::size_t>(control.index)];
    if (text == shown)
        return;
    shown = text;
    if (HWND window = item(control))
        SetWindowTextW(window, widen(text).c_str());
}

void SettingsWindow::setVisible(layout::ControlId control, bool visible) {
    HWND window = item(control);
    if (!window)
        return;
    const bool now = (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (now != visible)
        ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

void SettingsWindow::setEnabled(layout::ControlId control, bool enabled) {
    HWND window = item(control);
    if (window && (IsWindowEnabled(window) != FALSE) != enabled)
        EnableWindow(window, enabled ? TRUE : FALSE);
}

void SettingsWindow::setTimer(UINT_PTR timer, bool on, UINT interval) {
    bool& running = timerRunning_.at(timer);
    if (running == on)
        return;
    running = on;
    if (on)
        SetTimer(hwnd(), timer, interval, nullptr);
    else
        KillTimer(hwnd(), timer);
}

void SettingsWindow::sync() {
    if (syncing_ || !hwnd() || !app_)
        return;
    // A program that starts in the tray makes its controls after its icon is there, when
    // nothing else waits, or at once when the window shows before that.
    if (app_->presence().windowShown && !app_->presence().ended)
        prepareControls();
    else if (!controlsMade() && !preparePosted_)
        preparePosted_ = PostMessageW(hwnd(), kPrepareControls, 0, 0) != FALSE;
    if (controlsMade()) {
        syncing_ = true;
        syncControls();
        // The stores show once the action is over: the message passes inside it then
        // lay out no text (tens of milliseconds in Wine's edit control for a long one)
        // while the action holds the keys it pressed or the user's clipboard waits.
        if (!engine_ || !engine_->busy())
            syncStores();
        syncing_ = false;
    }
    syncPresence();
}

void SettingsWindow::syncControls() {
    for (const auto& page : kPages)
        setVisible(page.control, (form_.*page.member).visible);
    for (auto [control, tab] : {std::pair{layout::id("TabStrip1"), form_.TabStrip1},
                                {layout::id("TabInfo"), form_.TabInfo}}) {
        HWND strip = item(control);
        if (strip && SendMessageW(strip, TCM_GETCURSEL, 0, 0) != tab - 1)
            SendMessageW(strip, TCM_SETCURSEL, static_cast<WPARAM>(tab - 1), 0);
    }

    for (int n = 1; n <= 12; ++n) {
        const ComboBox& combo = form_.combo(n);
        const auto k = static_cast<std::size_t>(n - 1);
        HWND list = item(kComboLists[k]);
        if (combo.items() != shown_.items[k]) {
            shown_.items[k] = combo.items();
            SendMessageW(list, WM_SETREDRAW, FALSE, 0);
            SendMessageW(list, CB_RESETCONTENT, 0, 0);
            for (const auto& entry : combo.items())
                SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(entry).c_str()));
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            shown_.selected[k] = -2;
        }
        if (combo.selectedIndex() != shown_.selected[k]) {
            shown_.selected[k] = combo.selectedIndex();
            SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(combo.selectedIndex()), 0);
        }
    }
    for (const auto& box : kCheckBoxes) {
        HWND control = item(box.control);
        const bool wanted = (form_.*box.member).checked();
        const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
        if (checked != wanted)
            SendMessageW(control, BM_SETCHECK, wanted ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    setEnabled(layout::id("Command1"), form_.Command1.enabled);
    setEnabled(layout::id("Command8"), form_.Command8.enabled);
    for (const auto& field : kContactFields)
        setEnabled(field.control, (form_.*field.member).enabled);
    for (const auto& field : kContactFields)
        setText(field.control, (form_.*field.member).text);
    setText(layout::id("Label27"), form_.Label27);
    // The help text may be long: it goes in a slice per kHelpFill tick.
    if (std::string& shown = shown_.text[layout::id("tHilfe").index]; form_.tHilfe.text != shown) {
        shown = form_.tHilfe.text;
        setTimer(kHelpFill, !help_.start(item(layout::id("tHilfe")), widen(shown)),
                 USER_TIMER_MINIMUM);
    }

    if (form_.focus) {
        if (HWND control = item(form_.focus))
            SetFocus(control);
        form_.focus = {};
    }
}

void SettingsWindow::syncStores() {
    for (int n = 1; n <= 3; ++n) {
        const Store& store = stores_.store(n);
        const auto k = static_cast<std::size_t>(n - 1);
        setText(kStoreTexts[k], store.hasText && !store.unsupported
                                    ? previewText(store.text, store.textLength)
                                    : store.displayText());

        if (store.picture.get() != shown_.picture[k]) {
            shown_.picture[k] = store.picture.get();
            InvalidateRect(item(kStorePictures[k]), nullptr, FALSE);
        }
        const std::string panel = stores_.panelText(n);
        if (panel != shown_.panels[k]) {
            shown_.panels[k] = panel;
            SendMessageW(item(layout::id("StatusBar1")), SB_SETTEXTW, k,
                         reinterpret_cast<LPARAM>(widen(panel).c_str()));
        }
    }
}

void SettingsWindow::syncPresence() {
    const Presence& presence = app_->presence();
    HWND window = hwnd();
    if (presence.ended) {
        // An action that is waiting for an application finishes first.
        if (engine_ && engine_->busy()) {
            setTimer(kEndWhenIdle, true, kEndRetryInterval);
            return;
        }
        DestroyWindow(window);
        return;
    }
    setTimer(kTimer1, presence.timer, kTimer1Interval);
    setTimer(kTrayRetry, app_->trayIconMissing(), kTrayRetryInterval);
    // A restore that another program's hold made fail is tried again without waiting
    // for the clipboard to change: nothing may change when that program lets go.
    setTimer(kRestoreRetry, app_->restoreOwed(), kRestoreRetryInterval);

    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    const LONG_PTR wanted =
        presence.inTaskList ? (exStyle | WS_EX_APPWINDOW) : (exStyle & ~LONG_PTR{WS_EX_APPWINDOW});
    if (wanted != exStyle)
        SetWindowLongPtrW(window, GWL_EXSTYLE, wanted);

    const bool visible = IsWindowVisible(window) != FALSE;
    if (presence.windowShown && !visible) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    } else if (!presence.windowShown && visible) {
        ShowWindow(window, SW_HIDE);
    }
}

}  // namespace trifolio::win32
