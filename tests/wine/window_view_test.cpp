// The settings window's Win32 side: the layout table laid out at each DPI, and timers.
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

#include "../support/pump.h"
#include "../unit/fakes.h"
#include "core/window/layout.h"
#include "view/settings_window.h"
#include "view/tray.h"

namespace trifolio {
namespace {

using namespace test;

// Every control of the table at its place in its parent's client area, and the font.
void expectLaidOutFor(HWND window, int dpi) {
    RECT r{};
    GetClientRect(window, &r);
    EXPECT_EQ(std::make_tuple(r.right, r.bottom),
              std::make_tuple(layout::clientPixels(dpi).width, layout::clientPixels(dpi).height));
    for (const auto& row : layout::controls()) {
        HWND control = child(window, row.name);
        ASSERT_NE(control, nullptr) << row.name;
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        layout::Rect want = layout::toPixels(row, dpi);
        if (row.kind == layout::Kind::ComboList)
            want.height = r.bottom - r.top;  // a closed drop-down list is as high as its font
        EXPECT_EQ(std::make_tuple(r.left, r.top, r.right, r.bottom),
                  std::make_tuple(want.left, want.top, want.right(), want.bottom()))
            << row.name << " at " << dpi;
    }
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child(window, "Label1"), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_EQ(std::make_tuple(font.lfHeight, font.lfWeight, std::wstring(font.lfFaceName)),
              std::make_tuple(-layout::fontPixels(layout::kNormalFont, dpi), long{FW_BOLD},
                              std::wstring(L"Arial")));
}

// What a screen reader reads as the control's name.
std::wstring accessibleName(HWND control) {
    IAccessible* object = nullptr;
    if (AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object)) != S_OK)
        return L"(no object)";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    object->get_accName(self, &name);
    std::wstring text = name ? name : L"";
    SysFreeString(name);
    object->Release();
    return text;
}

// At start-up and after a DPI change; a DPI the environment forces stays. Every control of
// every page has a name a screen reader can read: the lists by their assignment and role,
// the store boxes by their store, the rest by their captions.
TEST(WindowView, ControlsSitWhereTheTableSaysAtEachDpiAndHaveAccessibleNames) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::tuple<const wchar_t*, int, int> cases[] = {{nullptr, 144, 144}, {L"120", 192, 120}};
    for (const auto& [dpiOverride, changeTo, dpiAfter] : cases) {
        SetEnvironmentVariableW(L"TRIFOLIO_DPI", dpiOverride);
        Form form;
        StoreSet stores;
        win32::SettingsWindow view(GetModuleHandleW(nullptr), form, stores);
        ASSERT_TRUE(view.create() && view.prepareControls());
        expectLaidOutFor(view.hwnd(), view.dpi());
        const auto name = [&](std::string_view control) {
            return accessibleName(child(view.hwnd(), control));
        };
        for (const auto& row : layout::controls())
            EXPECT_NE(name(row.name), L"") << row.name;
        EXPECT_EQ(name("Combo1"), L"Ablage 2, Ausschneiden: Zusatztaste");
        EXPECT_EQ(name("Combo12"), L"Ablage 3, Einfügen: Taste");
        EXPECT_EQ(name("CB1text"), L"Ablage 1: Text");
        EXPECT_EQ(name("Command1"), L"Übernehmen");
        RECT suggested{50, 60, 900, 800}, frame{};
        SendMessageW(view.hwnd(), WM_DPICHANGED, MAKEWPARAM(changeTo, changeTo),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(view.dpi(), dpiAfter);
        expectLaidOutFor(view.hwnd(), dpiAfter);
        GetWindowRect(view.hwnd(), &frame);
        EXPECT_EQ(std::make_tuple(frame.left, frame.top), std::make_tuple(50L, 60L));
    }
    SetEnvironmentVariableW(L"TRIFOLIO_DPI", nullptr);
    CoUninitialize();
}

// Under a stream of messages that each sync the view, the tray icon refused at first is
// tried again and Timer1 takes store 1's snapshots: timers keep their interval.
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
        return pumpUntil(
            [&] {
                PostMessageW(view.hwnd(), WM_COMMAND, 0, 0);
                return done();
            },
            6000ms);
    };
    EXPECT_TRUE(underAStream([&] { return rig.shell.icons == 1; }));
    app.trayCallback(platform::kTrayDoubleClick);  // back from the tray: Timer1 runs
    view.sync();
    rig.journal.clear();
    ++rig.clipboard.sequence;  // something new for a tick to read
    EXPECT_TRUE(underAStream([&] { return std::ranges::count(rig.journal, "read") > 0; }));
}

}  // namespace
}  // namespace trifolio
