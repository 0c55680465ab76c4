// The settings window's Win32 side against the real controls, shell and menus: the
// layout table laid out at each DPI, the tray icon, the popup menu.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include "platform/win32/settings_window.h"
#include "platform/win32/tray.h"
#include "window/layout.h"
#include "wine_support.h"

namespace trifolio {
namespace {

using wine_test::RecordingWindow;

HWND child(HWND root, std::string_view name) {
    struct Search {
        int id;
        HWND found;
    } search{win32::controlId(name), nullptr};
    EnumChildWindows(
        root,
        [](HWND c, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(c) != s->id)
                return TRUE;
            s->found = c;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The control's rectangle in its parent's client area.
layout::Rect placeOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void expectLaidOutFor(HWND window, int dpi) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, layout::clientPixels(dpi).width) << dpi;
    EXPECT_EQ(client.bottom, layout::clientPixels(dpi).height) << dpi;
    for (const auto& spec : layout::controls()) {
        HWND control = child(window, spec.name);
        ASSERT_NE(control, nullptr) << spec.name;
        const layout::Rect want = layout::toPixels(spec, dpi);
        const layout::Rect got = placeOf(control);
        EXPECT_EQ(got.left, want.left) << spec.name << " at " << dpi;
        EXPECT_EQ(got.top, want.top) << spec.name << " at " << dpi;
        EXPECT_EQ(got.width, want.width) << spec.name << " at " << dpi;
        // A closed drop-down list is as high as its font makes it.
        if (spec.kind != layout::Kind::ComboList) {
            EXPECT_EQ(got.height, want.height) << spec.name << " at " << dpi;
        }
    }
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child(window, "Label1"), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -layout::fontPixels(layout::kNormalFont, dpi));
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_STREQ(font.lfFaceName, L"Arial");
}

TEST(WindowView, ControlsSitWhereTheTableSaysAndFollowADpiChange) {
    SetEnvironmentVariableW(L"TRIFOLIO_DPI", nullptr);
    Form form;
    StoreSet stores;
    win32::SettingsWindow view(GetModuleHandleW(nullptr), form, stores);
    ASSERT_TRUE(view.create());
    ASSERT_TRUE(view.prepareControls());
    expectLaidOutFor(view.hwnd(), view.dpi());

    RECT suggested{50, 60, 900, 800};
    SendMessageW(view.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(view.dpi(), 144);
    expectLaidOutFor(view.hwnd(), 144);
    RECT frame{};
    GetWindowRect(view.hwnd(), &frame);
    EXPECT_EQ(frame.left, 50);
    EXPECT_EQ(frame.top, 60);
}

TEST(WindowView, DpiOverrideWinsOverTheSystem) {
    SetEnvironmentVariableW(L"TRIFOLIO_DPI", L"120");
    Form form;
    StoreSet stores;
    win32::SettingsWindow view(GetModuleHandleW(nullptr), form, stores);
    ASSERT_TRUE(view.create());
    ASSERT_TRUE(view.prepareControls());
    EXPECT_EQ(view.dpi(), 120);
    expectLaidOutFor(view.hwnd(), 120);
    RECT suggested{0, 0, 500, 500};
    SendMessageW(view.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(view.dpi(), 120);
    SetEnvironmentVariableW(L"TRIFOLIO_DPI", L"9000");
    EXPECT_EQ(win32::effectiveDpi(96), 96);
    SetEnvironmentVariableW(L"TRIFOLIO_DPI", nullptr);
}

bool iconPresent(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = win32::kTrayIconId;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

TEST(WindowTray, OneIconPerWindowUntilRemoved) {
    RecordingWindow owner(false);
    win32::Win32Tray tray(owner.get(), GetModuleHandleW(nullptr));
    ASSERT_TRUE(tray.add());
    EXPECT_TRUE(iconPresent(owner.get()));
    EXPECT_FALSE(tray.add());  // the icon is there already
    tray.remove();
    EXPECT_FALSE(iconPresent(owner.get()));
    EXPECT_TRUE(tray.add());
    tray.remove();
}

TEST(WindowTray, PopupMenuOffersItsEntriesInOrder) {
    RecordingWindow owner(false, true);
    // Keys typed while the menu is open: down three entries and Enter takes "Optionen";
    // Escape closes it without a choice.
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(owner.get(), WM_KEYDOWN, key, 0);
    EXPECT_EQ(win32::trackTrayMenu(owner.get()), MenuCommand::Optionen);
    for (WPARAM key : {VK_UP, VK_RETURN})  // from the top round to the last entry
        PostMessageW(owner.get(), WM_KEYDOWN, key, 0);
    EXPECT_EQ(win32::trackTrayMenu(owner.get()), MenuCommand::Beenden);
    PostMessageW(owner.get(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(win32::trackTrayMenu(owner.get()), MenuCommand::None);
}

}  // namespace
}  // namespace trifolio
