// The settings window's Win32 side against the real controls, shell and menus: the
// layout table laid out at each DPI, the tray icon, the popup menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "../unit/fakes.h"
#include "platform/win32/settings_window.h"
#include "platform/win32/tray.h"
#include "window/layout.h"
#include "wine_support.h"

namespace trifolio {
namespace {

using namespace std::chrono_literals;
using wine_test::RecordingWindow;

HWND child(HWND root, std::string_view name) {
    std::pair<int, HWND> search{win32::controlId(name), nullptr};
    EnumChildWindows(
        root,
        [](HWND c, LPARAM data) {
            auto* s = reinterpret_cast<std::pair<int, HWND>*>(data);
            s->second = GetDlgCtrlID(c) == s->first ? c : nullptr;
            return s->second ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Every control of the table at its place in its parent's client area, and the font.
void expectLaidOutFor(HWND window, int dpi) {
    RECT r{};
    GetClientRect(window, &r);
    EXPECT_EQ(r.right, layout::clientPixels(dpi).width) << dpi;
    EXPECT_EQ(r.bottom, layout::clientPixels(dpi).height) << dpi;
    for (const auto& row : layout::controls()) {
        HWND control = child(window, row.name);
        ASSERT_NE(control, nullptr) << row.name;
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        layout::Rect want = layout::toPixels(row, dpi);
        if (row.kind == layout::Kind::ComboList)
            want.height = r.bottom - r.top;  // a closed drop-down list is as high as its font
        EXPECT_EQ(std::tie(r.left, r.top), std::tie(want.left, want.top)) << row.name << dpi;
        EXPECT_EQ(r.right - r.left, want.width) << row.name << " at " << dpi;
        EXPECT_EQ(r.bottom - r.top, want.height) << row.name << " at " << dpi;
    }
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child(window, "Label1"), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -layout::fontPixels(layout::kNormalFont, dpi));
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_STREQ(font.lfFaceName, L"Arial");
}

TEST(WindowView, ControlsSitWhereTheTableSaysAtEachDpi) {
    const struct {
        const wchar_t* dpiOverride;
        int changeTo, dpiAfter;
    } cases[] = {{nullptr, 144, 144}, {L"120", 192, 120}};  // the override wins
    for (const auto& c : cases) {
        SetEnvironmentVariableW(L"TRIFOLIO_DPI", c.dpiOverride);
        Form form;
        StoreSet stores;
        win32::SettingsWindow view(GetModuleHandleW(nullptr), form, stores);
        ASSERT_TRUE(view.create());
        ASSERT_TRUE(view.prepareControls());
        if (c.dpiOverride) {
            EXPECT_EQ(view.dpi(), 120);
        }
        expectLaidOutFor(view.hwnd(), view.dpi());

        RECT suggested{50, 60, 900, 800};
        SendMessageW(view.hwnd(), WM_DPICHANGED, MAKEWPARAM(c.changeTo, c.changeTo),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(view.dpi(), c.dpiAfter);
        expectLaidOutFor(view.hwnd(), c.dpiAfter);
        RECT frame{};
        GetWindowRect(view.hwnd(), &frame);
        EXPECT_EQ(frame.left, 50);
        EXPECT_EQ(frame.top, 60);
    }
    SetEnvironmentVariableW(L"TRIFOLIO_DPI", nullptr);
}

// Timers keep their interval whatever other messages come: an icon the notification area
// refused at first is tried again, and Timer1 takes store 1's snapshots, while a stream
// of messages arrives that each bring the view in line with the model.
TEST(WindowView, TimersTickWhateverOtherMessagesCome) {
    fakes::Rig rig;
    rig.file("options.ini") = fakes::replaceLine(fakes::kExampleOptions, 28, "\"minimiert: 1\"");
    rig.shell.ready = false;
    win32::SettingsWindow view(GetModuleHandleW(nullptr), rig.form, rig.stores);
    ASSERT_TRUE(view.create());
    App& app = rig.start("", &view);
    view.attach(app, rig.engine);
    view.sync();
    ASSERT_TRUE(app.trayIconMissing());
    rig.shell.ready = true;
    const auto underAStream = [&](const std::function<bool()>& done) {
        return wine_test::pumpUntil(
            [&] {
                PostMessageW(view.hwnd(), WM_COMMAND, 0, 0);
                return done();
            },
            6000ms);
    };
    EXPECT_TRUE(underAStream([&] { return rig.shell.icons == 1; }));
    app.trayCallback(kTrayDoubleClick);  // back from the tray: Timer1 runs
    view.sync();
    rig.journal.clear();
    EXPECT_TRUE(underAStream([&] { return rig.at("read") < rig.journal.size(); }));
    app.Form_QueryUnload();
    view.sync();
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
