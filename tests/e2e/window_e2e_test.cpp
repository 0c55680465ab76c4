// The settings window end to end: trifolio.exe runs in a directory of its own and is
// driven from here through its real window, by messages to its real controls, the
// real tray callback and its message boxes, found by their titles.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e_support.h"
#include "platform/win32/strings.h"
#include "window/texts.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;
constexpr LPARAM kDoubleClick = WM_LBUTTONDBLCLK;

// The user's hands on one running trifolio.exe.
class User {
  public:
    explicit User(Trifolio& app) : app_(app) {}

    bool shows(std::string_view name) const {
        return (GetWindowLongPtrW(app_.control(name), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool windowShown() const { return IsWindowVisible(app_.window()) != FALSE; }
    bool canApply() const { return IsWindowEnabled(app_.control("Command1")) != FALSE; }
    void click(std::string_view button) const {
        PostMessageW(app_.control(button), BM_CLICK, 0, 0);
    }
    // Picks `entry` in a list; true once "Übernehmen" is enabled by the change.
    bool choose(std::string_view list, const wchar_t* entry) const {
        HWND combo = app_.control(list);
        const auto index = sendTo(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>(entry));
        sendTo(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        return pumpUntil([&] { return canApply(); });
    }
    // Moves a tab strip's selection by `steps` tabs, as the arrow keys do, and waits
    // for `page` to show.
    bool turnTabs(std::string_view strip, int steps, std::string_view page) const {
        for (int i = 0; i < std::abs(steps); ++i)
            PostMessageW(app_.control(strip), WM_KEYDOWN, steps < 0 ? VK_LEFT : VK_RIGHT, 0);
        return pumpUntil([&] { return shows(page); });
    }
    void trayCallback(LPARAM mouseMessage) const {
        PostMessageW(app_.window(), win32::kTrayMessage, win32::kTrayIconId, mouseMessage);
    }
    bool trayIcon() const { return app_.trayIcon(NIM_MODIFY); }
    bool focusOn(std::string_view name) const {
        return pumpUntil([&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(GetWindowThreadProcessId(app_.window(), nullptr), &info);
            return info.hwndFocus == app_.control(name);
        });
    }

    // The program's message box with `title`, once it shows, and its message.
    HWND messageBox(const wchar_t* title, std::wstring* message = nullptr) const {
        HWND box = nullptr;
        pumpUntil(
            [&] { return (box = windowOf(app_.id(), L"#32770", title)) && IsWindowVisible(box); });
        if (box && message)
            for (HWND c = FindWindowExW(box, nullptr, L"Static", nullptr); c;
                 c = FindWindowExW(box, c, L"Static", nullptr))
                *message += windowText(c);
        return box;
    }
    // Answers the box with `title` and waits until what the answer leads to has run (a
    // file read before that may meet the program's write of it).
    bool answer(const wchar_t* title, int button) const {
        HWND box = messageBox(title);
        const bool closed = box &&
                            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) &&
                            pumpUntil([&] { return !IsWindow(box); });
        if (closed)
            sendTo(app_.window(), WM_NULL);
        return closed;
    }

  private:
    Trifolio& app_;
};

// A line block of the options file: a heading with its modifier and key.
std::string assignment(const std::string& heading, const char* modifier, const char* key) {
    return "\"" + heading + "\"\r\n\"" + modifier + "\"\r\n\"" + key + "\"\r\n";
}

// The text of a balloon that the notification area shows now, "" when none shows.
std::wstring balloonText() {
    std::wstring text;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); w && text.empty();
         w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr))
        if (IsWindowVisible(w))
            text = windowText(w);
    return text;
}

// Starts hidden; a combination another program holds is named in a balloon from the
// icon.
TEST(WindowE2e, StartsHiddenInTheTrayAndTheIconSurvivesATaskbarRestart) {
    Trifolio app;
    User user(app);
    ASSERT_TRUE(RegisterHotKey(nullptr, 0xB002, MOD_ALT, 'E'));
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(pumpUntil([&] { return user.trayIcon(); }));
    EXPECT_FALSE(user.windowShown());
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'X'));
    EXPECT_TRUE(pumpUntil(
        [] {
            return balloonText() ==
                   L"Diese Tastenkombination geh\u00F6rt schon einem anderen Programm und wirkt "
                   L"deshalb nicht: ALT+E";
        },
        10000ms));
    UnregisterHotKey(nullptr, 0xB002);

    user.trayCallback(WM_LBUTTONDOWN);  // a single click does nothing
    user.trayCallback(WM_LBUTTONUP);
    user.trayCallback(kDoubleClick);
    ASSERT_TRUE(pumpUntil([&] { return user.windowShown(); }));
    EXPECT_TRUE(user.shows("pStatus"));

    // Back to the tray from another page; the double click opens on the Status page.
    ASSERT_TRUE(user.turnTabs("TabStrip1", 2, "pOptionen"));
    user.click("Command2");
    ASSERT_TRUE(pumpUntil([&] { return !user.windowShown(); }));
    user.trayCallback(kDoubleClick);
    ASSERT_TRUE(pumpUntil([&] { return user.windowShown(); }));
    EXPECT_TRUE(user.shows("pStatus"));
    EXPECT_FALSE(user.shows("pOptionen"));

    // Explorer restarting drops the icon; its broadcast brings it back.
    ASSERT_TRUE(app.trayIcon(NIM_DELETE));
    PostMessageW(app.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return user.trayIcon(); }));
}

TEST(WindowE2e, ConfigShowsTheWindowWithoutTrayIconAndTheHelpPageShowsReadme) {
    Trifolio app;
    User user(app);
    app.put(L"readme.txt", "Erste Zeile\nZweite Zeile mit \xC3\xBC\n");
    ASSERT_TRUE(app.start(L" /config "));
    ASSERT_TRUE(user.windowShown());
    EXPECT_FALSE(user.trayIcon());
    EXPECT_TRUE(user.shows("pStatus"));
    EXPECT_EQ(windowText(app.window()), L"Trifolio - Vennhaus");
    EXPECT_EQ(app.text("CB2text"), L"leer");
    EXPECT_EQ(app.file(L"options.tmp"), optionsFile(true));

    ASSERT_TRUE(user.turnTabs("TabStrip1", 3, "pInfo"));
    ASSERT_TRUE(user.turnTabs("TabInfo", 1, "fHilfe"));
    EXPECT_EQ(app.text("tHilfe"), L"Erste Zeile\r\nZweite Zeile mit ü\r\n");

    // The page reads the file afresh each time it is shown.
    DeleteFileW(app.path(L"readme.txt").c_str());
    ASSERT_TRUE(user.turnTabs("TabInfo", -1, "FProgramminfo"));
    ASSERT_TRUE(user.turnTabs("TabInfo", 1, "fHilfe"));
    EXPECT_TRUE(
        pumpUntil([&] { return app.text("tHilfe") == L"Kann Datei 'readme.txt' nicht laden"; }));
}

// A 100 MB "readme.txt": the help page shows the file's first 256 KB with a note that the
// rest is not shown, and the window answers bounded probes all the while.
TEST(WindowE2e, AHugeReadmeShowsItsBeginningWhileTheWindowAnswers) {
    Trifolio app;
    User user(app);
    std::string block;
    for (int line = 0; block.size() < (1u << 20); ++line)
        block += "Zeile " + std::to_string(line) + " einer langen Hilfe\r\n";
    {
        std::ofstream readme(app.path(L"readme.txt"), std::ios::binary);
        for (int i = 0; i < 100; ++i)
            readme << block;
    }
    ASSERT_TRUE(app.start(L"/config"));
    ASSERT_TRUE(user.turnTabs("TabStrip1", 3, "pInfo"));
    PostMessageW(app.control("TabInfo"), WM_KEYDOWN, VK_RIGHT, 0);
    // Every message to the program while the page fills is a probe; one that it leaves
    // unanswered for 250 ms counts.
    int unanswered = 0;
    const auto ask = [&](HWND window, UINT message) {
        DWORD_PTR result = 0;
        unanswered += !SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 250, &result);
        return static_cast<LRESULT>(result);
    };
    EXPECT_TRUE(pumpUntil([&] { return ask(app.window(), WM_NULL) >= 0 && user.shows("fHilfe"); }));
    // The lines that fit into 256 KB, then the note.
    const std::wstring note = win32::widen(kHelpCutNote) + L"\r\n";
    const auto shown = static_cast<LRESULT>(block.rfind('\n', kHelpBytes - 1) + 1 + note.size());
    EXPECT_TRUE(
        pumpUntil([&] { return ask(app.control("tHilfe"), WM_GETTEXTLENGTH) == shown; }, 60000ms));
    const std::wstring text = app.text("tHilfe");
    EXPECT_TRUE(text.starts_with(L"Zeile 0 einer langen Hilfe\r\nZeile 1 einer"));
    EXPECT_TRUE(text.ends_with(note));
    EXPECT_EQ(unanswered, 0);
}

// One window session: apply, refusals on apply, cancel, and store 1 on the Status page.
TEST(WindowE2e, ApplyAndCancelChangeTheHotkeysAtOnce) {
    Trifolio app(false);
    User user(app);
    const win32::Window owner = messageWindow();
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(user.windowShown());
    EXPECT_FALSE(user.canApply());
    ASSERT_TRUE(setUserClipboard(owner.get(), L"Neu kopiert"));
    EXPECT_TRUE(pumpUntil([&] { return app.text("CB1text") == L"Neu kopiert"; }));

    // Store 2 copy on STRG+ALT+K instead of STRG+ALT+C: both files, and at once.
    ASSERT_TRUE(user.turnTabs("TabStrip1", 1, "pTastenbelegung"));
    ASSERT_TRUE(user.choose("Combo4", L"K"));
    user.click("Command1");
    ASSERT_TRUE(pumpUntil([&] { return !user.canApply(); }));
    std::string ini = app.file(L"options.ini");
    EXPECT_NE(ini.find(assignment("Ablage 2, Kopieren:", "STRG+ALT", "K")), std::string::npos);
    EXPECT_EQ(app.file(L"options.tmp"), ini);
    EXPECT_TRUE(user.windowShown());
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'K'));
    EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'C'));
    // Pressed in another application, the new hotkey copies its selection into store
    // 2, which the Status page shows.
    Target target;
    ASSERT_TRUE(target.start() && target.setText(0, L"Kopierter Text") && target.focus(0));
    target.select(0, 0, -1);
    typeHotkey(kCtrlAlt, 'K');
    EXPECT_TRUE(pumpUntil([&] { return app.text("CB2text") == L"Kopierter Text"; }));

    // A duplicate is refused with the focus on the later of its lists.
    ASSERT_TRUE(user.choose("Combo6", L"K"));  // store 2 paste = store 2 copy
    user.click("Command1");
    ASSERT_TRUE(user.answer(L"Achtung!", IDOK));
    EXPECT_TRUE(user.shows("pTastenbelegung"));
    EXPECT_TRUE(user.focusOn("Combo6"));
    EXPECT_TRUE(user.canApply());
    EXPECT_EQ(app.file(L"options.ini"), ini);

    // A combination another program holds is applied, and named to the user.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0xB001, kCtrlAlt, 'J'));
    ASSERT_TRUE(user.choose("Combo6", L"J"));
    user.click("Command1");
    std::wstring message;
    ASSERT_TRUE(user.messageBox(L"Achtung!", &message));
    EXPECT_NE(message.find(L"STRG+ALT+J"), std::wstring::npos) << message.size();
    EXPECT_EQ(message.find(L"STRG+ALT+X"), std::wstring::npos);
    EXPECT_TRUE(user.answer(L"Achtung!", IDOK));
    UnregisterHotKey(nullptr, 0xB001);
    ini = app.file(L"options.ini");
    EXPECT_NE(ini.find(assignment("Ablage 2, Einf\xFCgen:", "STRG+ALT", "J")), std::string::npos);

    // "Abbrechen" puts back what was applied and hides the window into the tray.
    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    user.click("Command2");
    ASSERT_TRUE(pumpUntil([&] { return !user.windowShown(); }));
    EXPECT_TRUE(pumpUntil([&] { return app.text("Combo2") == L"X"; }));
    EXPECT_TRUE(user.trayIcon());
    EXPECT_EQ(app.file(L"options.ini"), ini);
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'X'));
    EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'Q'));

    // Hidden, store 1 does not follow the clipboard. Messages posted after the change
    // run after its notification: once the page has turned, the hidden window has had
    // its chance to follow it.
    ASSERT_TRUE(setUserClipboard(owner.get(), L"Versteckt kopiert"));
    ASSERT_TRUE(user.turnTabs("TabStrip1", 1, "pOptionen"));
    EXPECT_EQ(app.text("CB1text"), L"Neu kopiert");
    user.trayCallback(kDoubleClick);
    EXPECT_TRUE(pumpUntil([&] { return app.text("CB1text") == L"Versteckt kopiert"; }));
}

TEST(WindowE2e, QuitAsksToSaveAndHonoursAllThreeAnswers) {
    Trifolio app(false);
    User user(app);
    ASSERT_TRUE(app.start());
    const std::string ini = app.file(L"options.ini"), tmp = app.file(L"options.tmp");

    // Yes with a duplicate: nothing saved, the program stays on the assignment page.
    ASSERT_TRUE(user.choose("Combo4", L"X"));  // store 2 copy = store 2 cut
    user.click("Command4");
    ASSERT_TRUE(user.answer(L"Speichern?", IDYES));
    ASSERT_TRUE(user.answer(L"Achtung!", IDOK));
    EXPECT_TRUE(pumpUntil([&] { return user.shows("pTastenbelegung"); }));
    EXPECT_TRUE(user.focusOn("Combo4"));
    EXPECT_FALSE(app.ended(300ms));
    EXPECT_EQ(app.file(L"options.ini"), ini);

    // Yes: options.ini alone is saved, and the program ends.
    ASSERT_TRUE(user.choose("Combo4", L"K"));
    user.click("Command4");
    ASSERT_TRUE(user.answer(L"Speichern?", IDYES));
    EXPECT_TRUE(app.ended());
    EXPECT_NE(app.file(L"options.ini").find(assignment("Ablage 2, Kopieren:", "STRG+ALT", "K")),
              std::string::npos);
    EXPECT_EQ(app.file(L"options.tmp"), tmp);
}

// A second start, with or without "/config", ends at once and brings the running
// program's window to the front on the Status page; there is one window and one icon,
// and with the window open its hotkeys still copy and paste.
TEST(WindowE2e, ASecondStartShowsTheRunningProgram) {
    Trifolio app;
    User user(app);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(pumpUntil([&] { return user.trayIcon(); }));
    for (const wchar_t* arguments : {L"", L" /config "}) {
        Process second;
        ASSERT_TRUE(second.start(app.path(L"trifolio.exe"), arguments));
        EXPECT_TRUE(second.ended());
        EXPECT_TRUE(pumpUntil([&] { return user.windowShown(); }));
        EXPECT_TRUE(user.shows("pStatus"));
        EXPECT_EQ(FindWindowExW(nullptr, app.window(), win32::kSettingsWindowClass, nullptr),
                  nullptr);
        EXPECT_EQ(FindWindowExW(nullptr, nullptr, win32::kSettingsWindowClass, nullptr),
                  app.window());
        ASSERT_TRUE(user.turnTabs("TabStrip1", 2, "pOptionen"));
        user.click("Command2");
        ASSERT_TRUE(pumpUntil([&] { return !user.windowShown(); }));
    }
    user.trayCallback(kDoubleClick);
    ASSERT_TRUE(pumpUntil([&] { return user.windowShown(); }));
    Target target;
    ASSERT_TRUE(target.start() && target.setText(0, L"bei offenem Fenster") && target.focus(0));
    target.select(0, 0, -1);
    typeHotkey(kCtrlAlt, 'C');
    ASSERT_TRUE(pumpUntil([&] { return app.text("CB2text") == L"bei offenem Fenster"; }));
    ASSERT_TRUE(target.setText(1, L"") && target.focus(1));
    typeHotkey(kCtrlAlt, 'V');
    EXPECT_TRUE(pumpUntil([&] { return target.text(1) == L"bei offenem Fenster"; }));
}

// A read-only "options.ini" is not replaced by a save. After its failed save answered "Ja"
// the change stays unsaved, so "Übernehmen" stays enabled and "Beenden" asks, and a failed
// save there, answered "Ja", keeps the program running.
TEST(WindowE2e, AFailedSaveLeavesTheChangeUnsaved) {
    Trifolio app(false);
    User user(app);
    const std::wstring ini = app.path(L"options.ini").wstring();
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    user.click("Command1");
    ASSERT_TRUE(user.answer(L"Fehler!", IDYES));
    EXPECT_NE(app.file(L"options.tmp").find("\"Q\""), std::string::npos);  // in effect
    EXPECT_TRUE(user.canApply());

    user.click("Command4");
    ASSERT_TRUE(user.answer(L"Speichern?", IDYES));
    ASSERT_TRUE(user.answer(L"Fehler!", IDYES));
    EXPECT_FALSE(app.ended(300ms));
    EXPECT_TRUE(user.canApply());
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));  // untouched, nothing left beside
    EXPECT_FALSE(std::filesystem::exists(app.path(L"options.ini.new")));
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// "Beenden" answered No, the close box and logging off all end without saving, and
// take the tray icon and the hotkeys along.
TEST(WindowE2e, EveryQuitPathReleasesTrayIconAndHotkeys) {
    for (int path = 0; path < 3; ++path) {
        SCOPED_TRACE(path);
        Trifolio app;
        User user(app);
        ASSERT_TRUE(app.start());
        user.trayCallback(kDoubleClick);
        ASSERT_TRUE(pumpUntil([&] { return user.windowShown(); }));
        ASSERT_TRUE(user.choose("Combo2", L"Q"));
        if (path == 0) {
            user.click("Command4");
            ASSERT_TRUE(user.answer(L"Speichern?", IDNO));
        } else if (path == 1) {
            PostMessageW(app.window(), WM_CLOSE, 0, 0);
        } else {
            EXPECT_EQ(sendTo(app.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
            sendTo(app.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        }
        EXPECT_TRUE(app.ended());
        EXPECT_EQ(app.file(L"options.ini"), optionsFile(true));
        EXPECT_FALSE(user.trayIcon());
        EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'X'));
    }
}

}  // namespace
}  // namespace trifolio::e2e
