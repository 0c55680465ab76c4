// The settings window end to end: trifolio.exe runs in a directory of its own and is
// driven from here through its real window, by messages to its real controls, the
// real tray callback and its message boxes, found by their titles. Each test walks one
// program run from its start to one of the ways it ends.
#include <gtest/gtest.h>

#include "e2e_support.h"
#include "platform/win32/strings.h"
#include "window/texts.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

// The user's hands on one running trifolio.exe.
struct User {
    Trifolio& app;

    bool shows(std::string_view name) const {
        return (GetWindowLongPtrW(app.control(name), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    bool windowShown() const { return IsWindowVisible(app.window()) != FALSE; }
    bool canApply() const { return IsWindowEnabled(app.control("Command1")) != FALSE; }
    void click(std::string_view button) const { PostMessageW(app.control(button), BM_CLICK, 0, 0); }
    // Picks `entry` in a list; true once "Übernehmen" is enabled by the change.
    bool choose(std::string_view list, const wchar_t* entry) const {
        HWND combo = app.control(list);
        sendTo(combo, CB_SETCURSEL,
               static_cast<WPARAM>(sendTo(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(entry))));
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        return pumpUntil([&] { return canApply(); });
    }
    // Moves a tab strip's selection by `steps` tabs to the right, as the arrow key does,
    // and waits for `page` to show.
    bool turnTabs(std::string_view strip, int steps, std::string_view page) const {
        for (int i = 0; i < steps; ++i)
            PostMessageW(app.control(strip), WM_KEYDOWN, VK_RIGHT, 0);
        return pumpUntil([&] { return shows(page); });
    }
    // Hides the window from another page, and shows it again with a double click on the
    // tray icon: it opens on the Status page.
    void hideAndShow() const {
        ASSERT_TRUE(turnTabs("TabStrip1", 2, "pOptionen"));
        click("Command2");
        ASSERT_TRUE(pumpUntil([&] { return !windowShown(); }));
        app.tray(WM_LBUTTONDBLCLK);
        ASSERT_TRUE(pumpUntil([&] { return windowShown() && shows("pStatus"); }));
    }
    // The program's message box with `title`, once it shows, and its message.
    HWND messageBox(const wchar_t* title, std::wstring* message = nullptr) const {
        HWND box = nullptr;
        pumpUntil(
            [&] { return (box = windowOf(app.id(), L"#32770", title)) && IsWindowVisible(box); });
        for (HWND c = box ? FindWindowExW(box, nullptr, L"Static", nullptr) : nullptr; c && message;
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
            sendTo(app.window(), WM_NULL);
        return closed;
    }
    // The program has ended with options.ini as `ini`, and taken its tray icon and
    // hotkeys along.
    void expectEnded(const std::string& ini) const {
        EXPECT_TRUE(app.ended());
        EXPECT_EQ(app.file(L"options.ini"), ini);
        EXPECT_FALSE(app.trayIcon(NIM_MODIFY));
        EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'X'));
    }
};

// A line block of the options file: a heading with its modifier and key.
std::string assignment(const std::string& heading, const char* modifier, const char* key) {
    return "\"" + heading + "\"\r\n\"" + modifier + "\"\r\n\"" + key + "\"\r\n";
}

// Copies the source's text into store 2 with STRG+ALT+`copy` in e2e_target.exe and, when
// `paste` is given, pastes it into the destination.
void copyAndPaste(Trifolio& app, const std::wstring& text, UINT copy, UINT paste = 0) {
    Target target;
    ASSERT_TRUE(target.start() && target.setText(0, text) && target.focus(0));
    target.select(0, 0, -1);
    typeHotkey(kCtrlAlt, copy);
    ASSERT_TRUE(pumpUntil([&] { return app.text("CB2text") == text; }));
    if (!paste)
        return;
    ASSERT_TRUE(target.setText(1, L"") && target.focus(1));
    typeHotkey(kCtrlAlt, paste);
    EXPECT_TRUE(pumpUntil([&] { return target.text(1) == text; }));
}

// Starts hidden; a combination another program holds is named in a balloon from the
// icon. A second start, with or without "/config", ends at once and brings the running
// program's window to the front on the Status page; there is one window and one icon,
// and with the window open its hotkeys still copy and paste. Logging off ends it.
TEST(WindowE2e, HiddenStartTrayIconAndSecondStarts) {
    Trifolio app;
    User user{app};
    ASSERT_TRUE(RegisterHotKey(nullptr, 0xB002, MOD_ALT, 'E'));
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(pumpUntil([&] { return app.trayIcon(NIM_MODIFY); }));
    EXPECT_FALSE(user.windowShown());
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'X'));
    const std::wstring balloon =
        L"Diese Tastenkombination geh\u00F6rt schon einem anderen "
        L"Programm und wirkt deshalb nicht: ALT+E";
    EXPECT_TRUE(pumpUntil(
        [&] {
            for (HWND w = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); w;
                 w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr))
                if (IsWindowVisible(w) && windowText(w) == balloon)
                    return true;
            return false;
        },
        10000ms));
    UnregisterHotKey(nullptr, 0xB002);

    app.tray(WM_LBUTTONDOWN);  // a single click does nothing
    app.tray(WM_LBUTTONUP);
    app.tray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([&] { return user.windowShown() && user.shows("pStatus"); }));
    user.hideAndShow();
    for (const wchar_t* arguments : {L"", L" /config "}) {
        ASSERT_TRUE(user.turnTabs("TabStrip1", 2, "pOptionen"));
        user.click("Command2");
        ASSERT_TRUE(pumpUntil([&] { return !user.windowShown(); }));
        Process second;
        ASSERT_TRUE(second.start(app.path(L"trifolio.exe"), arguments));
        EXPECT_TRUE(second.ended());
        EXPECT_TRUE(pumpUntil([&] { return user.windowShown() && user.shows("pStatus"); }));
        EXPECT_EQ(FindWindowExW(nullptr, nullptr, win32::kSettingsWindowClass, nullptr),
                  app.window());
        EXPECT_FALSE(FindWindowExW(nullptr, app.window(), win32::kSettingsWindowClass, nullptr));
    }
    copyAndPaste(app, L"bei offenem Fenster", 'C', 'V');

    // Explorer restarting drops the icon; its broadcast brings it back.
    ASSERT_TRUE(app.trayIcon(NIM_DELETE));
    PostMessageW(app.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return app.trayIcon(NIM_MODIFY); }));

    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    EXPECT_EQ(sendTo(app.window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    sendTo(app.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    user.expectEnded(optionsFile(true));
}

// "/config" shows the window and no tray icon. The help page shows readme.txt, read afresh
// each time the page shows: of a 100 MB file its first 256 KB with a note that the rest
// is not shown, while the window answers bounded probes all the while. The close box
// ends it without saving.
TEST(WindowE2e, ConfigStartAndTheHelpPage) {
    Trifolio app;
    User user{app};
    app.put(L"readme.txt", "Erste Zeile\nZweite Zeile mit \xC3\xBC\n");
    ASSERT_TRUE(app.start(L" /config "));
    ASSERT_TRUE(user.windowShown());
    EXPECT_FALSE(app.trayIcon(NIM_MODIFY));
    EXPECT_TRUE(user.shows("pStatus"));
    EXPECT_EQ(windowText(app.window()), L"Trifolio - Vennhaus");
    EXPECT_EQ(app.file(L"options.tmp"), optionsFile(true));
    ASSERT_TRUE(user.turnTabs("TabStrip1", 3, "pInfo"));
    ASSERT_TRUE(user.turnTabs("TabInfo", 1, "fHilfe"));
    EXPECT_EQ(app.text("tHilfe"), L"Erste Zeile\r\nZweite Zeile mit ü\r\n");

    std::string block;
    for (int line = 0; block.size() < (1u << 20); ++line)
        block += "Zeile " + std::to_string(line) + " einer langen Hilfe\r\n";
    {
        std::ofstream readme(app.path(L"readme.txt"), std::ios::binary);
        for (int i = 0; i < 100; ++i)
            readme << block;
    }
    PostMessageW(app.control("TabInfo"), WM_KEYDOWN, VK_LEFT, 0);
    ASSERT_TRUE(pumpUntil([&] { return user.shows("FProgramminfo"); }));
    PostMessageW(app.control("TabInfo"), WM_KEYDOWN, VK_RIGHT, 0);
    // Every message to the program while the page fills is a probe; one that it leaves
    // unanswered for 250 ms counts.
    int unanswered = 0;
    const auto ask = [&](HWND window, UINT message) {
        DWORD_PTR result = 0;
        unanswered += !SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 250, &result);
        return static_cast<LRESULT>(result);
    };
    // The lines that fit into 256 KB, then the note.
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

    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    PostMessageW(app.window(), WM_CLOSE, 0, 0);
    user.expectEnded(optionsFile(true));
}

// "Übernehmen" writes both files and changes the hotkeys at once; a combination another
// program holds is applied and named to the user; "Abbrechen" puts back what was applied
// and hides the window into the tray. "Beenden" answered "Nein" ends without saving.
TEST(WindowE2e, ApplyAndCancelChangeTheHotkeysAtOnce) {
    Trifolio app(false);
    User user{app};
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(user.windowShown());
    EXPECT_FALSE(user.canApply());

    ASSERT_TRUE(user.turnTabs("TabStrip1", 1, "pTastenbelegung"));
    ASSERT_TRUE(user.choose("Combo4", L"K"));  // store 2 copy on K instead of C
    user.click("Command1");
    ASSERT_TRUE(pumpUntil([&] { return !user.canApply(); }));
    std::string ini = app.file(L"options.ini");
    EXPECT_NE(ini.find(assignment("Ablage 2, Kopieren:", "STRG+ALT", "K")), std::string::npos);
    EXPECT_EQ(app.file(L"options.tmp"), ini);
    EXPECT_TRUE(user.windowShown());
    EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'C'));
    copyAndPaste(app, L"Kopierter Text", 'K');

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

    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    user.click("Command2");
    ASSERT_TRUE(pumpUntil([&] { return !user.windowShown(); }));
    EXPECT_TRUE(pumpUntil([&] { return app.text("Combo2") == L"X"; }));
    EXPECT_TRUE(app.trayIcon(NIM_MODIFY));
    EXPECT_EQ(app.file(L"options.ini"), ini);
    EXPECT_TRUE(heldElsewhere(kCtrlAlt, 'X'));
    EXPECT_FALSE(heldElsewhere(kCtrlAlt, 'Q'));

    app.tray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([&] { return user.windowShown(); }));
    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    user.click("Command4");
    ASSERT_TRUE(user.answer(L"Speichern?", IDNO));
    user.expectEnded(ini);
}

// A read-only "options.ini" is not replaced by a save. After its failed save answered "Ja"
// the change stays unsaved, so "Übernehmen" stays enabled and "Beenden" asks, and a failed
// save there, answered "Ja", keeps the program running. Once the file can be written,
// "Beenden" answered "Ja" saves options.ini alone and ends.
TEST(WindowE2e, AFailedSaveLeavesTheChangeUnsaved) {
    Trifolio app(false);
    User user{app};
    const std::wstring ini = app.path(L"options.ini").wstring();
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(user.choose("Combo2", L"Q"));
    user.click("Command1");
    ASSERT_TRUE(user.answer(L"Fehler!", IDYES));
    const std::string tmp = app.file(L"options.tmp");
    EXPECT_NE(tmp.find("\"Q\""), std::string::npos);  // in effect
    EXPECT_TRUE(user.canApply());

    user.click("Command4");
    ASSERT_TRUE(user.answer(L"Speichern?", IDYES));
    ASSERT_TRUE(user.answer(L"Fehler!", IDYES));
    EXPECT_FALSE(app.ended(300ms));
    EXPECT_TRUE(user.canApply());
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));  // untouched, nothing left beside
    EXPECT_FALSE(std::filesystem::exists(app.path(L"options.ini.new")));

    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(user.choose("Combo4", L"K"));
    user.click("Command4");
    ASSERT_TRUE(user.answer(L"Speichern?", IDYES));
    EXPECT_TRUE(app.ended());
    EXPECT_NE(app.file(L"options.ini").find(assignment("Ablage 2, Kopieren:", "STRG+ALT", "K")),
              std::string::npos);
    EXPECT_EQ(app.file(L"options.tmp"), tmp);
}

}  // namespace
}  // namespace trifolio::e2e
