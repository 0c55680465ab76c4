// Hotkeys as a person presses them: real X key events (xdotool), held the way people
// hold keys, into Wine's notepad beside a running trifolio.exe. Nothing here waits for
// the program before the next key, as people do not.
#include <gtest/gtest.h>

#include <memory>

#include "e2e_support.h"

namespace trifolio::e2e {
namespace {

// Runs shell commands of the machine under Wine (xdotool, xset) and waits until they
// are done. False when there is no such machine (on Windows) or they did not finish.
bool x11(const std::string& commands) {
    static int runs = 0;
    const std::string marker =
        "/tmp/trifolio-x11-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
    std::wstring line = L"/bin/sh -c \"" + std::wstring(commands.begin(), commands.end()) +
                        L"; touch " + std::wstring(marker.begin(), marker.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::wstring done = L"Z:" + std::wstring(marker.begin(), marker.end());
    std::replace(done.begin(), done.end(), L'/', L'\\');
    return pumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     30000ms) &&
           DeleteFileW(done.c_str());
}

// trifolio.exe and Wine's notepad, started once for the suite.
// trifolio.exe and Wine's notepad, started once for the suite.
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
              pumpUntil(
                  [] {
                      HWND main = windowOf(notepad_->id(), L"Notepad");
                      return main && IsWindowVisible(main) &&
                             (edit_ = FindWindowExW(main, nullptr, L"Edit", nullptr));
                  },
                  20000ms);
    }
    static void TearDownTestSuite() { trifolio_.reset(), notepad_.reset(), owner_.reset(); }
    void SetUp() override {
        if (!x11("true"))
            GTEST_SKIP() << "no X server to type on";
        ASSERT_TRUE(up_) << "trifolio.exe or notepad did not come up";
        // The keyboard goes to the window that was clicked last.
        RECT r{};
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
    static std::wstring documentText() { return windowText(edit_); }
    static std::wstring clipboardText() {
        return clipboardState(owner_->get()).value_or(ClipboardState{}).text;
    }
    static bool userClipboardBack() {
        return pumpUntil([&] { return clipboardText() == kUsers; });
    }
    // A letter typed without modifiers lands in the document after all the keys before it,
    // and it lands there only when no menu has the keyboard. (Xvfb repeats a key that a
    // stalled machine holds too long.)
    static bool endsWithTyped() {
        const std::wstring before = documentText();
        return x11("xset r off; xdotool key x; xset r on") &&
               pumpUntil([&] { return documentText() == before + L"x"; });
    }
    static bool noKeyDown() {
        return pumpUntil([] {
            for (UINT key :
                 std::initializer_list<UINT>{VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU,
                                             VK_LSHIFT, VK_LWIN, 'C', 'V', 'W', 'E', 0xE8})
                if (logicallyDown(key))
                    return false;
            return true;
        });
    }

    static constexpr const wchar_t* kUsers = L"Inhalt des Benutzers";
    static inline std::unique_ptr<Trifolio> trifolio_;
    static inline std::unique_ptr<Process> notepad_;
    static inline std::unique_ptr<win32::Window> owner_;
    static inline HWND edit_ = nullptr;
    static inline bool up_ = false;
};

// Ctrl+Alt held across a copy and paste taps, a paste held past the repeat delay (it
// acts once), a letter that is no hotkey (it types nothing); then Alt held alone across
// two ALT hotkeys and let go: no menu opens, no key stays down, the clipboard is back.
TEST_F(Hands, HeldModifiersMakeEveryTapItsHotkey) {
    document(L"eins", true);
    ASSERT_TRUE(
        x11("xset r on; xdotool keydown ctrl keydown alt sleep 0.2 key c sleep 0.3 key v "
            "sleep 0.3 key v sleep 0.3 keydown v sleep 1.5 keyup v sleep 0.2 key n "
            "sleep 0.2 keyup alt keyup ctrl"));
    EXPECT_TRUE(pumpUntil([&] { return trifolio_->text("CB2text") == L"eins"; }));
    EXPECT_TRUE(userClipboardBack());
    EXPECT_TRUE(endsWithTyped());
    EXPECT_EQ(documentText(), L"einseinseinsx");

    document(L"zwei", true);
    ASSERT_TRUE(
        x11("xdotool keydown alt sleep 0.2 key w sleep 0.3 key e sleep 0.3 key e "
            "sleep 0.3 keyup alt"));
    EXPECT_TRUE(pumpUntil([&] { return trifolio_->text("CB3text") == L"zwei"; }));
    EXPECT_TRUE(userClipboardBack());
    EXPECT_TRUE(endsWithTyped());
    EXPECT_EQ(documentText(), L"zweizweix");
    EXPECT_TRUE(noKeyDown());
}

// A copy hotkey with nothing selected gives up and leaves the store empty; the copy the
// person then makes by hand stays on the clipboard and out of the store. The hand copy
// goes only once the capture has emptied the clipboard and then put it back, and while
// notepad copies nothing here opens the clipboard, which would make notepad's copy fail.
TEST_F(Hands, ACopyByHandAfterAnEmptyCaptureStaysOnTheClipboard) {
    document(L"von Hand kopiert", false);
    ASSERT_TRUE(x11("xdotool key ctrl+alt+c"));
    ASSERT_TRUE(pumpUntil([] { return !IsClipboardFormatAvailable(CF_UNICODETEXT); }));
    ASSERT_TRUE(userClipboardBack());
    ASSERT_TRUE(x11("xdotool key ctrl+a sleep 0.1 key ctrl+c"));
    ASSERT_TRUE(pumpUntil([] { return GetClipboardOwner() == edit_; }));
    // Taking it would happen at the clipboard's change, which comes before the tray
    // double click that shows the window.
    trifolio_->tray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([] { return IsWindowVisible(trifolio_->window()) != FALSE; }));
    EXPECT_EQ(clipboardText(), L"von Hand kopiert");
    EXPECT_EQ(trifolio_->text("CB2text"), L"leer");
    sendTo(trifolio_->control("Command2"), BM_CLICK);  // back into the tray
}

}  // namespace
}  // namespace trifolio::e2e
