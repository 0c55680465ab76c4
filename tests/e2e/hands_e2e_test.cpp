// Hotkeys as a person presses them: real X key events (xdotool), held the way people hold
// keys, into Wine's notepad beside trifolio.exe, without waiting for the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "e2e_support.h"

namespace trifolio::e2e {
namespace {

// Runs shell commands of the machine under Wine and waits until a file they touch last is
// there (Wine does not wait for such a program); false on Windows or when they hang.
bool x11(const std::string& commands) {
    static int runs = 0;
    const std::wstring marker = L"/tmp/trifolio-x11-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(++runs);
    const std::wstring done = L"Z:" + marker;
    Process shell;
    return shell.start(L"/bin/sh", L"-c \"" + std::wstring(commands.begin(), commands.end()) +
                                       L"; touch " + marker + L"\"") &&
           pumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     30000ms) &&
           DeleteFileW(done.c_str());
}

class Hands : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        trifolio_ = std::make_unique<Trifolio>();
        notepad_ = std::make_unique<Process>();
        owner_ = std::make_unique<win32::Window>(messageWindow());
        up_ = x11("true") && trifolio_->start() &&
              notepad_->start(std::filesystem::path(system) / "notepad.exe") &&
              (edit_ = FindWindowExW(notepad_->shown(L"Notepad"), nullptr, L"Edit", nullptr));
    }
    static void TearDownTestSuite() { trifolio_.reset(), notepad_.reset(), owner_.reset(); }
    void SetUp() override {
        if (!x11("true"))
            GTEST_SKIP() << "no X server to type on";
        ASSERT_TRUE(up_) << "trifolio.exe or notepad did not come up";
        RECT r{};  // the keyboard goes to the window clicked last
        GetWindowRect(edit_, &r);
        ASSERT_TRUE(x11("xdotool mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                        std::to_string((r.top + r.bottom) / 2) + " click 1"));
        ASSERT_TRUE(setUserClipboard(owner_->get(), kUsers));
    }
    // The document with `text`, all of it selected or the caret at its end.
    static void document(const wchar_t* text, bool selected) {
        sendTo(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        const auto end = static_cast<WPARAM>(wcslen(text));
        sendTo(edit_, EM_SETSEL, selected ? 0 : end, static_cast<LPARAM>(end));
    }
    static std::wstring clipboardText() { return clipboardState(owner_->get()).text; }
    static bool userClipboardBack() {
        return pumpUntil([] { return clipboardText() == kUsers; }, 10000ms);
    }
    // A letter typed without modifiers lands after all keys before it, and only when no
    // menu has the keyboard. (Xvfb repeats a key that a stalled machine holds too long.)
    static void expectDocument(const std::wstring& text) {
        EXPECT_TRUE(userClipboardBack());
        EXPECT_TRUE(x11("xset r off; xdotool key x; xset r on"));
        EXPECT_TRUE(pumpUntil([&] { return windowText(edit_) == text + L"x"; }))
            << windowText(edit_);
    }

    static constexpr const wchar_t* kUsers = L"Inhalt des Benutzers";
    static inline std::unique_ptr<Trifolio> trifolio_;
    static inline std::unique_ptr<Process> notepad_;
    static inline std::unique_ptr<win32::Window> owner_;
    static inline HWND edit_ = nullptr;
    static inline bool up_ = false;
};

// Ctrl+Alt held across copy and paste taps, a paste held past the repeat delay (it acts
// once), a letter that is no hotkey; then Alt alone held across ALT hotkeys and let go.
TEST_F(Hands, HeldModifiersMakeEveryTapItsHotkey) {
    document(L"eins", true);
    ASSERT_TRUE(
        x11("xset r on; xdotool keydown ctrl keydown alt sleep 0.2 key c sleep 0.3 key v "
            "sleep 0.3 key v sleep 0.3 keydown v sleep 1.5 keyup v sleep 0.2 key n "
            "sleep 0.2 keyup alt keyup ctrl"));
    EXPECT_TRUE(pumpUntil([&] { return trifolio_->text("CB2text") == L"eins"; }));
    expectDocument(L"einseinseins");

    document(L"zwei", true);
    ASSERT_TRUE(
        x11("xdotool keydown alt sleep 0.2 key w sleep 0.3 key e sleep 0.3 key e "
            "sleep 0.3 keyup alt"));
    EXPECT_TRUE(pumpUntil([&] { return trifolio_->text("CB3text") == L"zwei"; }));
    expectDocument(L"zweizwei");
    const UINT keys[] = {VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LSHIFT, VK_LWIN,
                         'C',         'V',         'W',      'E',      0xE8};
    EXPECT_TRUE(pumpUntil([&] { return std::ranges::none_of(keys, logicallyDown); }));
}

// Beside a program that opens the clipboard at every change and keeps it open (clipboard
// tools and synchronisers, some for long), notepad's cuts through the hotkey keep their text
// and every paste arrives. A copy with nothing selected leaves the store as it was, and a
// copy by hand right after it stays on the clipboard and out of the store.
TEST_F(Hands, BesideAProgramHoldingTheClipboardNothingIsLost) {
    std::atomic<DWORD> hold{0};
    const ClipboardNeighbour neighbour([&](HWND window) {
        if (hold && OpenClipboard(window)) {
            Sleep(hold);  // how this neighbour reads
            CloseClipboard();
        }
    });
    ASSERT_TRUE(neighbour.listening());
    int round = 0;
    for (DWORD ms : {60, 60, 60, 1500}) {
        SCOPED_TRACE(ms);
        hold = ms;
        const std::wstring text = L"Schnitt " + std::to_wstring(++round);
        document(text.c_str(), true);
        ASSERT_TRUE(x11("xdotool key ctrl+alt+x"));
        // Waited for without opening the clipboard, which would hold up notepad's copy.
        EXPECT_TRUE(pumpUntil([&] { return trifolio_->text("CB2text") == text; }, 20000ms))
            << "on the clipboard: " << testing::PrintToString(clipboardText());
        EXPECT_TRUE(pumpUntil([&] { return windowText(edit_).empty(); }));
        EXPECT_TRUE(userClipboardBack());
        ASSERT_TRUE(x11("xdotool key ctrl+alt+v"));
        EXPECT_TRUE(pumpUntil([&] { return windowText(edit_) == text; }, 20000ms));
        EXPECT_TRUE(userClipboardBack());
    }
    // The copy by hand goes once the capture has put the clipboard back, and nothing here
    // opens the clipboard while notepad copies (notepad's copy would fail).
    hold = 60;
    document(L"von Hand kopiert", false);
    ASSERT_TRUE(x11("xdotool key ctrl+alt+c"));
    ASSERT_TRUE(pumpUntil([] { return !IsClipboardFormatAvailable(CF_UNICODETEXT); }));
    ASSERT_TRUE(userClipboardBack());
    hold = 0;
    ASSERT_TRUE(x11("xdotool key ctrl+a sleep 0.1 key ctrl+c"));
    ASSERT_TRUE(pumpUntil([] { return GetClipboardOwner() == edit_; }));
    // A take of it would come at the clipboard's change, before the double click's show.
    trifolio_->tray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([] { return IsWindowVisible(trifolio_->window()) != FALSE; }));
    EXPECT_EQ(clipboardText(), L"von Hand kopiert");
    EXPECT_EQ(trifolio_->text("CB2text"), L"Schnitt 4");
    sendTo(trifolio_->control("Command2"), BM_CLICK);  // back into the tray
}

}  // namespace
}  // namespace trifolio::e2e
