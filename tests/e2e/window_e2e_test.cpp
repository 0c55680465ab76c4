// The settings window end to end, driven through its real controls, tray callback and
// message boxes; each test walks one program run from its start to one way it ends.
#include <gtest/gtest.h>

#include <regex>

#include "core/window/texts.h"
#include "e2e_support.h"
#include "win32/strings.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

// trifolio.exe with the user's hands on it.
struct App : Trifolio {
    using Trifolio::Trifolio;
    bool shows(std::string_view name) const {
        return (GetWindowLongPtrW(control(name), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool windowShown() const { return IsWindowVisible(window()) != FALSE; }
    bool canApply() const { return IsWindowEnabled(control("Command1")) != FALSE; }
    void click(std::string_view button) const { PostMessageW(control(button), BM_CLICK, 0, 0); }
    // Picks `entry` in a list; true once "Übernehmen" is enabled by the change.
    bool choose(std::string_view list, const wchar_t* entry) const {
        HWND combo = control(list);
        sendTo(combo, CB_SETCURSEL,
               static_cast<WPARAM>(sendTo(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(entry))));
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        return pumpUntil([&] { return canApply(); });
    }
    bool turnTabs(std::string_view strip, int steps, std::string_view page) const {
        for (int i = 0; i < steps; ++i)
            PostMessageW(control(strip), WM_KEYDOWN, VK_RIGHT, 0);
        return pumpUntil([&] { return shows(page); });
    }
    // Answers the box `title` and waits until what the answer leads to has run (files).
    bool answer(const wchar_t* title, int button, std::wstring* message = nullptr) const {
        HWND box = shown(L"#32770", title);
        for (HWND c = nullptr; message && (c = FindWindowExW(box, c, L"Static", nullptr));)
            *message += windowText(c);
        return box && PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) &&
               pumpUntil([&] { return !IsWindow(box); }) && (sendTo(window(), WM_NULL), true);
    }
    void expectEnded(const std::string& ini) const {
        EXPECT_TRUE(ended());
        EXPECT_EQ(file(L"options.ini"), ini);
    }
};

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
bool runValue(const wchar_t* name) {
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_REG_SZ, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

bool holds(const std::string& ini, const std::string& heading, const char* key) {
    return ini.find("\"" + heading + "\"\r\n\"STRG+ALT\"\r\n\"" + key + "\"\r\n") != ini.npos;
}

// Hidden start with a refused combination named in a balloon, deleting its own Run value
// only; a second start (which ends at once) and the icon's double click show the Status page.
TEST(WindowE2e, HiddenStartTrayIconAndSecondStarts) {
    App app;
    for (const wchar_t* name : {L"Trifolio", L"Nachbar"})
        RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, name, REG_SZ, L"x.exe", 12);
    ASSERT_TRUE(RegisterHotKey(nullptr, 0xB002, MOD_ALT, 'E'));
    ASSERT_TRUE(app.start());
    EXPECT_FALSE(runValue(L"Trifolio"));
    EXPECT_TRUE(runValue(L"Nachbar"));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Nachbar");
    ASSERT_TRUE(pumpUntil([&] { return app.trayIcon(NIM_MODIFY); }));
    EXPECT_FALSE(app.windowShown());
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'X'));
    const std::wstring balloon =
        L"Diese Tastenkombination geh\u00F6rt schon einem anderen Programm und wirkt deshalb "
        L"nicht: ALT+E";
    EXPECT_TRUE(pumpUntil(
        [&] {
            for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr));)
                if (IsWindowVisible(w) && windowText(w) == balloon)
                    return true;
            return false;
        },
        10000ms));
    UnregisterHotKey(nullptr, 0xB002);

    for (bool byIcon : {false, true}) {
        if (app.windowShown()) {
            ASSERT_TRUE(app.turnTabs("TabStrip1", 2, "pOptionen"));
            app.click("Command2");
            ASSERT_TRUE(pumpUntil([&] { return !app.windowShown(); }));
        }
        Process second;
        if (byIcon)
            app.tray(WM_LBUTTONDBLCLK);
        else
            EXPECT_TRUE(second.start(app.path(L"trifolio.exe")) && second.ended());
        // At the front, where it takes the focus from the target no more.
        EXPECT_TRUE(pumpUntil(
            [&] { return app.shows("pStatus") && GetForegroundWindow() == app.window(); }));
    }

    // Explorer restarting drops the icon; its broadcast brings it back. Logging off ends it.
    ASSERT_TRUE(app.trayIcon(NIM_DELETE));
    PostMessageW(app.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return app.trayIcon(NIM_MODIFY); }));

    ASSERT_TRUE(app.choose("Combo2", L"Q"));
    EXPECT_EQ(sendTo(app.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    sendTo(app.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    app.expectEnded(optionsFile(true));
}

// "/config" shows no icon and loads no library from its folder; of a 100 MB readme.txt the
// help page shows 256 KB and a note while the window answers throughout; closed from
// outside while "Speichern?" asks (the installer), it ends without saving, and a neighbour
// holding the clipboard as it ends costs the user's large clipboard nothing.
TEST(WindowE2e, ConfigStartBesideAPlantedLibraryAndAHugeHelpFile) {
    App app;
    std::string block;
    for (int line = 0; block.size() < (1u << 20); ++line)
        block += "Zeile " + std::to_string(line) + " einer langen Hilfe\r\n";
    for (std::ofstream readme(app.path(L"readme.txt"), std::ios::binary);
         readme.tellp() < 100 << 20;)
        readme << block;
    // A uxtheme.dll beside the program, looked for there first as Windows looks for any
    // library that is not one of its known ones: the program never loads it.
    std::filesystem::copy_file(buildProgram(L"planted\\uxtheme.dll"), app.path(L"uxtheme.dll"));
    // Under Wine, the search order Windows has for it (WINEDLLOVERRIDES=uxtheme=n,b for
    // trifolio.exe alone).
    constexpr wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\trifolio.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, (kAppDefaults + std::wstring(L"\\DllOverrides")).c_str(),
                    L"uxtheme", REG_SZ, L"native,builtin", sizeof L"native,builtin");
    const bool started = app.start(L" /config ");
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaults);
    ASSERT_TRUE(started);
    ASSERT_TRUE(app.windowShown());
    EXPECT_FALSE(app.trayIcon(NIM_MODIFY));
    ASSERT_TRUE(app.turnTabs("TabStrip1", 3, "pInfo"));
    PostMessageW(app.control("TabInfo"), WM_KEYDOWN, VK_RIGHT, 0);
    // Each message while the page fills is a probe; unanswered within 2 s (a window that
    // does not answer for that long is hung, whatever else the machine is doing), it counts.
    int unanswered = 0;
    const auto ask = [&](HWND window, UINT message) {
        DWORD_PTR result = 0;
        unanswered += !SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
        return static_cast<LRESULT>(result);
    };
    const std::wstring note = win32::widen(kHelpCutNote) + L"\r\n";
    const auto shown = static_cast<LRESULT>(block.rfind('\n', kHelpBytes - 1) + 1 + note.size());
    EXPECT_TRUE(pumpUntil(
        [&] {
            return ask(app.window(), WM_NULL) >= 0 &&
                   ask(app.control("tHilfe"), WM_GETTEXTLENGTH) == shown;
        },
        60000ms));
    const std::wstring text = app.text("tHilfe");
    EXPECT_TRUE(text.starts_with(L"Zeile 0 einer langen Hilfe\r\nZeile 1 einer"));
    EXPECT_TRUE(text.ends_with(note));
    EXPECT_EQ(unanswered, 0);

    // A copy puts the user's large clipboard back by delayed rendering.
    const win32::Window owner = messageWindow();
    const UINT format = RegisterClipboardFormatW(L"TrifolioE2E.Large");
    const std::string large(300 << 10, 'L');
    ASSERT_TRUE(setUserClipboard(owner.get(), L"eigen", format, large));
    {
        Target target;
        ASSERT_TRUE(target.start() && target.setText(0, L"vor dem Ende") && target.focus(0));
        target.select(0, 0, -1);
        typeHotkey(kCtrlAlt, 'C');
        ASSERT_TRUE(pumpUntil([&] { return app.text("CB2text") == L"vor dem Ende"; }));
    }
    ASSERT_TRUE(pumpUntil([&] { return clipboardState(owner.get()).text == L"eigen"; }));
    ASSERT_TRUE(app.choose("Combo2", L"Q"));
    app.click("Command4");
    // A neighbour holds the clipboard from before the close until well after the window went.
    ASSERT_TRUE(app.shown(L"#32770", L"Speichern?") && openClipboardFor(owner.get()));
    PostMessageW(app.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(app.window()); }, 10000ms));
    pumpUntil([] { return false; }, 1500ms);
    CloseClipboard();
    app.expectEnded(optionsFile(true));
    EXPECT_TRUE(clipboardState(owner.get(), format).bytes == large);
    EXPECT_FALSE(std::filesystem::exists(app.path(L"planted.txt")));
}

// "OK" (Enter) writes both files and changes the hotkeys at once; "Abbrechen" (Escape) puts
// back the unapplied; a save that fails leaves the change unsaved.
TEST(WindowE2e, ApplyCancelAndAFailedSave) {
    App app(false);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.turnTabs("TabStrip1", 1, "pTastenbelegung"));
    ASSERT_TRUE(app.choose("Combo4", L"K"));  // store 2 copy on K instead of C
    PostMessageW(app.control("Combo4"), WM_KEYDOWN, VK_RETURN, 0);  // Enter: "OK"
    ASSERT_TRUE(pumpUntil([&] { return !app.windowShown(); }));
    EXPECT_FALSE(app.canApply());
    const std::string ini = app.file(L"options.ini");
    EXPECT_TRUE(holds(ini, "Ablage 2, Kopieren:", "K"));
    EXPECT_EQ(app.file(L"options.tmp"), ini);
    EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'C'));
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'K'));

    app.tray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([&] { return app.windowShown(); }));
    ASSERT_TRUE(app.choose("Combo2", L"Q"));
    PostMessageW(app.control("Combo2"), WM_KEYDOWN, VK_ESCAPE, 0);  // Escape: "Abbrechen"
    ASSERT_TRUE(pumpUntil([&] { return !app.windowShown(); }));
    EXPECT_TRUE(pumpUntil([&] { return app.text("Combo2") == L"X"; }));
    EXPECT_EQ(app.file(L"options.ini"), ini);
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'X'));
    EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'Q'));

    // A read-only options.ini: the failed save answered "Ja" leaves the change in effect
    // but unsaved, so "Beenden" asks, fails again and runs on; once writable, it saves.
    app.tray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([&] { return app.windowShown(); }));
    const std::wstring path = app.path(L"options.ini").wstring();
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(app.choose("Combo2", L"Q"));
    app.click("Command1");
    std::wstring message;  // in the system's words, on one line
    ASSERT_TRUE(app.answer(L"Fehler!", IDYES, &message));
    EXPECT_TRUE(
        std::regex_match(message, std::wregex(L"Folgender Fehler ist im Modul SaveOptions "
                                              L"aufgetreten: [^\r\n]*[^.\r\n]\\.\n\r"
                                              L"Soll das Programm fortgef\u00FChrt werden\\?")))
        << message.size();
    const std::string tmp = app.file(L"options.tmp");
    EXPECT_TRUE(holds(tmp, "Ablage 2, Ausschneiden:", "Q"));
    EXPECT_TRUE(app.canApply());
    app.click("Command4");
    ASSERT_TRUE(app.answer(L"Speichern?", IDYES));
    ASSERT_TRUE(app.answer(L"Fehler!", IDYES));
    EXPECT_FALSE(app.ended(300ms));
    EXPECT_TRUE(app.canApply());
    EXPECT_EQ(app.file(L"options.ini"), ini);  // untouched, nothing left beside
    EXPECT_FALSE(std::filesystem::exists(app.path(L"options.ini.new")));

    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    app.click("Command4");
    ASSERT_TRUE(app.answer(L"Speichern?", IDYES));
    app.expectEnded(tmp);
}

}  // namespace
}  // namespace trifolio::e2e
