// The settings window end to end: trifolio.exe runs in a directory of its own and is
// driven from here through its real window, by messages to its real controls, the
// real tray callback and its message boxes, found by their titles.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/settings_window.h"
#include "platform/win32/strings.h"
#include "platform/win32/tray.h"

namespace trifolio {
namespace {

using namespace std::chrono_literals;
using win32::narrow;
using win32::widen;

// Waits for `done` in short steps, pumping this thread's messages, up to `bound`.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

std::wstring directoryOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// trifolio.exe of this build: TRIFOLIO_EXE, or two folders above this test program.
std::wstring trifolioExe() {
    wchar_t buffer[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TRIFOLIO_EXE", buffer, MAX_PATH) > 0)
        return buffer;
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return directoryOf(buffer) + L"..\\..\\trifolio.exe";
}

std::string readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

// An options file as the program writes it (Windows-1252, CR LF).
std::string optionsFile(bool minimised) {
    const char* lines[] = {"Ablage 2, Ausschneiden:",
                           "STRG+ALT",
                           "X",
                           "",
                           "Ablage 2, Kopieren:",
                           "STRG+ALT",
                           "C",
                           "",
                           "Ablage 2, Einf\xFCgen:",
                           "STRG+ALT",
                           "V",
                           "",
                           "Ablage 3, Ausschneiden:",
                           "-",
                           "-",
                           "",
                           "Ablage 3, Kopieren:",
                           "-",
                           "F11",
                           "",
                           "Ablage 3, Einf\xFCgen:",
                           "ALT",
                           "F12",
                           "",
                           "",
                           "Optionen:",
                           "autostart: 0",
                           minimised ? "minimiert: 1" : "minimiert: 0",
                           "warnen: 1"};
    std::string out;
    for (const char* line : lines)
        out += std::string("\"") + line + "\"\r\n";
    return out;
}

std::wstring windowText(HWND window) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

// The texts of a message box's static controls: its message.
std::string boxMessage(HWND box) {
    std::string message;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(child, name, 16);
            if (lstrcmpiW(name, L"Static") == 0)
                *reinterpret_cast<std::string*>(data) += narrow(windowText(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&message));
    return message;
}

// Puts `text` on the clipboard as this program's own content.
bool putClipboardText(const std::wstring& text) {
    const auto deadline = std::chrono::steady_clock::now() + 2000ms;
    while (!OpenClipboard(nullptr)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        Sleep(5);
    }
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory) {
        auto* target = static_cast<wchar_t*>(GlobalLock(memory));
        std::copy(text.begin(), text.end(), target);
        target[text.size()] = L'\0';
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory))
            GlobalFree(memory);
    }
    CloseClipboard();
    return memory != nullptr;
}

bool styleHas(HWND window, LONG_PTR bit) {
    return (GetWindowLongPtrW(window, GWL_STYLE) & bit) != 0;
}

// A running trifolio.exe in a fresh directory with its own files.
class Trifolio {
  public:
    Trifolio() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static int runs = 0;
        dir_ = std::wstring(temp) + L"trifolio-window-" + std::to_wstring(GetCurrentProcessId()) +
               L"-" + std::to_wstring(++runs) + L"\\";
        CreateDirectoryW(dir_.c_str(), nullptr);
        exe_ = dir_ + L"trifolio.exe";
        CopyFileW(trifolioExe().c_str(), exe_.c_str(), FALSE);
    }
    ~Trifolio() {
        if (process_) {
            if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.get(), 1);
                WaitForSingleObject(process_.get(), 5000);
            }
        }
        for (auto name : {L"trifolio.exe", L"options.ini", L"options.tmp", L"readme.txt"})
            DeleteFileW((dir_ + name).c_str());
        RemoveDirectoryW(dir_.c_str());
    }

    std::wstring path(const wchar_t* name) const { return dir_ + name; }
    std::string file(const wchar_t* name) const { return readFile(path(name)); }
    void put(const wchar_t* name, const std::string& bytes) const { writeFile(path(name), bytes); }

    // Starts the program and waits until start-up is over: the window shows (with its
    // controls) or the tray icon is there.
    bool start(const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + exe_ + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            dir_.c_str(), &startup, &info))
            return false;
        process_.reset(info.hProcess);
        CloseHandle(info.hThread);
        pid_ = info.dwProcessId;
        return waitFor([&] {
            window_ = findWindow(win32::kSettingsWindowClass, L"Trifolio - Vennhaus");
            return window_ && (IsWindowVisible(window_) || trayIconPresent());
        });
    }
    bool ended(std::chrono::milliseconds bound = 5000ms) {
        return waitFor([&] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; },
                       bound);
    }

    HWND window() const { return window_; }
    // A control of the window by its name.
    HWND control(std::string_view name) const {
        struct Search {
            int id;
            HWND found;
        } search{win32::controlId(name), nullptr};
        EnumChildWindows(
            window_,
            [](HWND child, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                if (GetDlgCtrlID(child) == s->id && GetAncestor(child, GA_ROOT) != child) {
                    s->found = child;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    bool shows(std::string_view name) const { return styleHas(control(name), WS_VISIBLE); }

    // The user's actions.
    void click(std::string_view button) const { PostMessageW(control(button), BM_CLICK, 0, 0); }
    void choose(std::string_view list, const std::string& entry) const {
        HWND combo = control(list);
        const std::wstring text = widen(entry);
        const auto index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    std::string value(std::string_view list) const {
        HWND combo = control(list);
        const auto index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (index < 0)
            return {};
        wchar_t text[64] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text));
        return narrow(text);
    }
    std::string text(std::string_view name) const { return narrow(windowText(control(name))); }
    // Moves a tab strip's selection by `steps` tabs, as the arrow keys do.
    void turnTabs(std::string_view strip, int steps) const {
        for (int i = 0; i < (steps < 0 ? -steps : steps); ++i)
            PostMessageW(control(strip), WM_KEYDOWN, steps < 0 ? VK_LEFT : VK_RIGHT, 0);
    }
    void trayCallback(int mouseMessage) const {
        PostMessageW(window_, win32::kTrayMessage, win32::kTrayIconId, mouseMessage);
    }
    // True while the notification area holds the program's icon.
    bool trayIconPresent() const { return trayIcon(NIM_MODIFY); }
    // What Explorer's notification area does with the icon when it restarts.
    bool dropTrayIcon() const { return trayIcon(NIM_DELETE); }
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info);
        return info.hwndFocus;
    }

    // The program's message box with `title`, once it shows.
    HWND messageBox(const wchar_t* title) const {
        HWND box = nullptr;
        waitFor([&] {
            box = findWindow(L"#32770", title);
            return box && IsWindowVisible(box);
        });
        return box;
    }
    bool answer(const wchar_t* title, int button) const {
        HWND box = messageBox(title);
        if (!box)
            return false;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return waitFor([&] { return !IsWindow(box); });
    }

  private:
    bool trayIcon(DWORD message) const {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = window_;
        data.uID = win32::kTrayIconId;
        return Shell_NotifyIconW(message, &data) != FALSE;
    }
    HWND findWindow(const wchar_t* className, const wchar_t* title) const {
        for (HWND w = FindWindowExW(nullptr, nullptr, className, title); w;
             w = FindWindowExW(nullptr, w, className, title)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == pid_)
                return w;
        }
        return nullptr;
    }

    std::wstring dir_, exe_;
    win32::KernelHandle process_;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// RegisterHotKey from here fails with 1409 while another program holds the combination.
bool heldElsewhere(UINT modifiers, UINT key) {
    if (RegisterHotKey(nullptr, 0xB000, modifiers, key)) {
        UnregisterHotKey(nullptr, 0xB000);
        return false;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

class WindowE2e : public ::testing::Test {
  protected:
    Trifolio app;
    void SetUp() override {
        ASSERT_NE(GetFileAttributesW(trifolioExe().c_str()), INVALID_FILE_ATTRIBUTES)
            << "trifolio.exe not found; set TRIFOLIO_EXE";
    }
};

TEST_F(WindowE2e, StartsHiddenInTheTrayAndComesBackOnDoubleClick) {
    app.put(L"options.ini", optionsFile(true));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(waitFor([&] { return app.trayIconPresent(); }));
    EXPECT_FALSE(IsWindowVisible(app.window()));
    EXPECT_TRUE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'X'));

    app.trayCallback(513);  // a single click does nothing
    app.trayCallback(514);
    app.trayCallback(515);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(app.window()) != FALSE; }));
    EXPECT_TRUE(app.shows("pStatus"));
    EXPECT_TRUE(app.trayIconPresent());

    // Back to the tray from another page; the double click opens on the Status page.
    app.turnTabs("TabStrip1", 2);
    ASSERT_TRUE(waitFor([&] { return app.shows("pOptionen"); }));
    app.click("Command2");
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(app.window()); }));
    app.trayCallback(515);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(app.window()) != FALSE; }));
    EXPECT_TRUE(app.shows("pStatus"));
    EXPECT_FALSE(app.shows("pOptionen"));
    EXPECT_TRUE(app.trayIconPresent());
}

TEST_F(WindowE2e, ConfigShowsTheWindowWithoutTrayIcon) {
    app.put(L"options.ini", optionsFile(true));
    ASSERT_TRUE(app.start(L" /config "));
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(app.window()) != FALSE; }));
    EXPECT_FALSE(app.trayIconPresent());
    EXPECT_TRUE(app.shows("pStatus"));
    EXPECT_EQ(narrow(windowText(app.window())), "Trifolio - Vennhaus");
    EXPECT_EQ(app.text("CB2text"), "leer");
    EXPECT_EQ(app.file(L"options.tmp"), optionsFile(true));
}

TEST_F(WindowE2e, ApplyWritesBothFilesAndTheNewHotkeyWorksAtOnce) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(app.window()) != FALSE; }));
    EXPECT_FALSE(IsWindowEnabled(app.control("Command1")));
    app.turnTabs("TabStrip1", 1);
    ASSERT_TRUE(waitFor([&] { return app.shows("pTastenbelegung"); }));

    app.choose("Combo4", "K");  // store 2 copy: STRG+ALT+K instead of STRG+ALT+C
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command1");
    ASSERT_TRUE(waitFor([&] { return !IsWindowEnabled(app.control("Command1")); }));
    const std::string ini = app.file(L"options.ini");
    EXPECT_NE(ini.find("\"Ablage 2, Kopieren:\"\r\n\"STRG+ALT\"\r\n\"K\"\r\n"), std::string::npos);
    EXPECT_EQ(app.file(L"options.tmp"), ini);
    EXPECT_TRUE(IsWindowVisible(app.window()));

    EXPECT_TRUE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'K'));
    EXPECT_FALSE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'C'));

    // Pressed in an editor of this program, the new hotkey copies its selection into
    // store 2, which the Status page shows.
    app.turnTabs("TabStrip1", -1);
    win32::Window editor(CreateWindowExW(0, L"EDIT", L"Kopierter Text",
                                         WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 80, nullptr,
                                         nullptr, GetModuleHandleW(nullptr), nullptr));
    SetForegroundWindow(editor.get());
    SetFocus(editor.get());
    SendMessageW(editor.get(), EM_SETSEL, 0, -1);
    ASSERT_TRUE(waitFor([&] { return GetForegroundWindow() == editor.get(); }));
    INPUT keys[6] = {};
    const WORD order[6] = {VK_CONTROL, VK_MENU, 'K', 'K', VK_MENU, VK_CONTROL};
    for (int i = 0; i < 6; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = order[i];
        keys[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(order[i], MAPVK_VK_TO_VSC));
        keys[i].ki.dwFlags = i >= 3 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(6, keys, sizeof(INPUT));
    EXPECT_TRUE(waitFor([&] { return app.text("CB2text") == "Kopierter Text"; }, 8000ms))
        << app.text("CB2text");
}

TEST_F(WindowE2e, CancelRestoresTheAppliedSettingsAndHides) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(app.window()) != FALSE; }));
    app.choose("Combo2", "Q");
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command2");
    ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(app.window()); }));
    EXPECT_TRUE(waitFor([&] { return app.value("Combo2") == "X"; }));
    EXPECT_TRUE(app.trayIconPresent());
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));
    EXPECT_TRUE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'X'));
    EXPECT_FALSE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'Q'));
}

TEST_F(WindowE2e, QuitAnsweredNoEndsWithoutSaving) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    app.choose("Combo2", "Q");
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command4");
    ASSERT_TRUE(app.answer(L"Speichern?", IDNO));
    EXPECT_TRUE(app.ended());
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));
    EXPECT_FALSE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'X'));
}

TEST_F(WindowE2e, QuitAnsweredYesSavesTheIniAlone) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    const std::string tmp = app.file(L"options.tmp");
    app.choose("Combo2", "Q");
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command4");
    ASSERT_TRUE(app.answer(L"Speichern?", IDYES));
    EXPECT_TRUE(app.ended());
    EXPECT_NE(app.file(L"options.ini").find("\"Q\"\r\n"), std::string::npos);
    EXPECT_EQ(app.file(L"options.tmp"), tmp);
}

TEST_F(WindowE2e, QuitAnsweredYesWithADuplicateKeepsRunningOnTheAssignmentPage) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    app.choose("Combo4", "X");  // store 2 copy = store 2 cut: STRG+ALT+X
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command4");
    ASSERT_TRUE(app.answer(L"Speichern?", IDYES));
    HWND warning = app.messageBox(L"Achtung!");
    ASSERT_TRUE(warning);
    ASSERT_TRUE(app.answer(L"Achtung!", IDOK));
    EXPECT_FALSE(app.ended(300ms));
    EXPECT_TRUE(waitFor([&] { return app.shows("pTastenbelegung"); }));
    EXPECT_TRUE(waitFor([&] { return app.focus() == app.control("Combo4"); }));
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));
}

TEST_F(WindowE2e, ApplyRefusesADuplicateWithTheFocusOnTheLaterList) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    app.choose("Combo6", "C");  // store 2 paste = store 2 copy: STRG+ALT+C
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command1");
    HWND warning = app.messageBox(L"Achtung!");
    ASSERT_TRUE(warning);
    EXPECT_NE(narrow(windowText(warning)).find("Achtung"), std::string::npos);
    ASSERT_TRUE(app.answer(L"Achtung!", IDOK));
    EXPECT_TRUE(waitFor([&] { return app.shows("pTastenbelegung"); }));
    EXPECT_TRUE(waitFor([&] { return app.focus() == app.control("Combo6"); }));
    EXPECT_TRUE(IsWindowEnabled(app.control("Command1")));
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));
}

TEST_F(WindowE2e, HelpPageShowsReadmeAndItsReplacement) {
    app.put(L"options.ini", optionsFile(false));
    app.put(L"readme.txt", "Erste Zeile\nZweite Zeile mit \xC3\xBC\n");
    ASSERT_TRUE(app.start(L""));
    app.turnTabs("TabStrip1", 3);
    ASSERT_TRUE(waitFor([&] { return app.shows("pInfo") && app.shows("FProgramminfo"); }));
    app.turnTabs("TabInfo", 1);
    ASSERT_TRUE(waitFor([&] { return app.shows("fHilfe"); }));
    EXPECT_EQ(app.text("tHilfe"), "Erste Zeile\r\nZweite Zeile mit ü\r\n");

    app.put(L"readme.txt", "Neu\r\n");
    app.turnTabs("TabInfo", 1);
    ASSERT_TRUE(waitFor([&] { return app.shows("fKontakt"); }));
    app.turnTabs("TabInfo", -1);
    EXPECT_TRUE(waitFor([&] { return app.text("tHilfe") == "Neu\r\n"; })) << app.text("tHilfe");

    DeleteFileW(app.path(L"readme.txt").c_str());
    app.turnTabs("TabInfo", -1);
    app.turnTabs("TabInfo", 1);
    EXPECT_TRUE(waitFor([&] {
        return app.text("tHilfe") == "Kann Datei 'readme.txt' nicht laden";
    })) << app.text("tHilfe");
}

TEST_F(WindowE2e, CloseBoxEndsWithoutQuestionAndTakesTheTrayIconAlong) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    app.click("Command3");  // "OK": to the tray
    ASSERT_TRUE(waitFor([&] { return app.trayIconPresent(); }));
    app.trayCallback(515);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(app.window()) != FALSE; }));
    app.choose("Combo2", "Q");
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    const HWND window = app.window();
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.ended());
    EXPECT_EQ(app.file(L"options.ini"), optionsFile(false));
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = win32::kTrayIconId;
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
}

TEST_F(WindowE2e, TrayIconComesBackWhenTheTaskbarIsCreatedAnew) {
    app.put(L"options.ini", optionsFile(true));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(waitFor([&] { return app.trayIconPresent(); }));
    ASSERT_TRUE(app.dropTrayIcon());
    ASSERT_FALSE(app.trayIconPresent());
    PostMessageW(app.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(waitFor([&] { return app.trayIconPresent(); }));
}

TEST_F(WindowE2e, StoreOneFollowsTheClipboardOnlyWhileTheWindowShows) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(putClipboardText(L"Neu kopiert"));
    EXPECT_TRUE(waitFor([&] { return app.text("CB1text") == "Neu kopiert"; }))
        << app.text("CB1text");

    app.click("Command3");  // "OK": to the tray
    ASSERT_TRUE(waitFor([&] { return app.trayIconPresent(); }));
    ASSERT_TRUE(putClipboardText(L"Versteckt kopiert"));
    // Messages posted after the change run after its notification: once the page has
    // turned, the hidden window has had its chance to follow the clipboard.
    app.turnTabs("TabStrip1", 1);
    ASSERT_TRUE(waitFor([&] { return app.shows("pTastenbelegung"); }));
    EXPECT_EQ(app.text("CB1text"), "Neu kopiert");

    app.trayCallback(515);
    EXPECT_TRUE(waitFor([&] { return app.text("CB1text") == "Versteckt kopiert"; }))
        << app.text("CB1text");
}

TEST_F(WindowE2e, HugeTextIsShownShortAndTheWindowKeepsResponding) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    std::wstring huge;
    for (int line = 0; huge.size() < 8'000'000; ++line)
        huge += L"Zeile " + std::to_wstring(line) + L" einer sehr langen Kopie\r\n";
    ASSERT_TRUE(putClipboardText(huge));
    std::string shown;
    EXPECT_TRUE(waitFor(
        [&] {
            shown = app.text("CB1text");
            return shown.find("Zeichen]") != std::string::npos;
        },
        15000ms));
    EXPECT_EQ(shown.rfind("Zeile 0 einer sehr langen Kopie\r\n", 0), 0u);
    EXPECT_LT(shown.size(), 100'000u);
    EXPECT_TRUE(SendMessageTimeoutW(app.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr));
}

TEST_F(WindowE2e, CombinationOfAnotherProgramIsToldWhenApplying) {
    app.put(L"options.ini", optionsFile(false));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(RegisterHotKey(nullptr, 0xB001, MOD_CONTROL | MOD_ALT, 'K'));
    app.choose("Combo4", "K");
    ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(app.control("Command1")) != FALSE; }));
    app.click("Command1");
    HWND box = app.messageBox(L"Achtung!");
    ASSERT_TRUE(box);
    const std::string message = boxMessage(box);
    EXPECT_NE(message.find("STRG+ALT+K"), std::string::npos) << message;
    EXPECT_EQ(message.find("STRG+ALT+X"), std::string::npos) << message;
    EXPECT_TRUE(app.answer(L"Achtung!", IDOK));
    UnregisterHotKey(nullptr, 0xB001);
    EXPECT_NE(app.file(L"options.ini").find("\"K\"\r\n"), std::string::npos);
}

TEST_F(WindowE2e, LoggingOffEndsWithoutQuestionAndTakesTheTrayIconAlong) {
    app.put(L"options.ini", optionsFile(true));
    ASSERT_TRUE(app.start(L""));
    ASSERT_TRUE(waitFor([&] { return app.trayIconPresent(); }));
    const HWND window = app.window();
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, TRUE);  // never refuses
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    EXPECT_TRUE(app.ended());
    EXPECT_FALSE(app.trayIconPresent());
    EXPECT_FALSE(heldElsewhere(MOD_CONTROL | MOD_ALT, 'X'));
}

}  // namespace
}  // namespace trifolio
