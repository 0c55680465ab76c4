// Real hotkeys typed through SendInput cut, copy and paste between e2e_target.exe and
// trifolio.exe's stores, and the user's own clipboard comes back after every action.
#include <gtest/gtest.h>

#include <memory>

#include "e2e_support.h"
#include "win32/foreground.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

class EngineEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        trifolio_ = std::make_unique<Trifolio>();
        target_ = std::make_unique<Target>();
        owner_ = std::make_unique<win32::Window>(messageWindow());
        started_ = trifolio_->start() && target_->start();
    }
    static void TearDownTestSuite() { target_.reset(), trifolio_.reset(), owner_.reset(); }
    void SetUp() override { ASSERT_TRUE(started_) << "trifolio.exe or e2e_target.exe is not up"; }

    static bool storeShows(int store, const std::wstring& text) {
        return pumpUntil(
            [&] { return trifolio_->text(store == 2 ? "CB2text" : "CB3text") == text; });
    }
    // Puts the user's own content on the clipboard and returns it as read back.
    static ClipboardState user(const std::wstring& text, UINT format = 0,
                               const std::string& bytes = {}) {
        EXPECT_TRUE(setUserClipboard(owner_->get(), text, format, bytes));
        return clipboardState(owner_->get(), format);
    }
    static void expectBack(const ClipboardState& before, std::chrono::milliseconds bound = 5000ms) {
        ClipboardState now;
        EXPECT_TRUE(pumpUntil(
            [&] { return (now = clipboardState(owner_->get(), before.of)) == before; }, bound))
            << now.text;
    }
    static bool toFront(HWND window) {
        return focusAndWait(
            window, [&] { return SetForegroundWindow(window) && GetForegroundWindow() == window; });
    }
    static void select(int edit, const wchar_t* text, int from = 0, int to = -1) {
        ASSERT_TRUE(target_->setText(edit, text) && target_->focus(edit));
        target_->select(edit, from, to);
    }

    static inline std::unique_ptr<Trifolio> trifolio_;
    static inline std::unique_ptr<Target> target_;
    static inline std::unique_ptr<win32::Window> owner_;
    static inline bool started_ = false;
};

constexpr const wchar_t* kUnicode = L"Kopie nach Ablage 2: Grüße, Ωμέγα, 日本, €";

// Both stores, pastes 50 ms and a copy 300 ms late: each round keeps the user's rich text.
TEST_F(EngineEndToEnd, CutCopyAndPasteKeepTheUserClipboard) {
    const ClipboardState before =
        user(L"fett", RegisterClipboardFormatW(L"Rich Text Format"), "{\\rtf1 {\\b fett}}");
    const struct {
        UINT delay, modifiers, key;
        Operation operation;
        const wchar_t* text;  // in the source, from..to selected; the destination is emptied
        int from, to, store;
        const wchar_t *stored, *after;  // in the store, in the edit acted on
    } rounds[] = {
        {0, kCtrlAlt, 'C', kCopy, kUnicode, 0, -1, 2, kUnicode, kUnicode},
        {50, kCtrlAlt, 'V', kPaste, L"", 0, 0, 2, kUnicode, kUnicode},
        {0, MOD_ALT, 'Q', kCut, L"vorne AUSGESCHNITTEN hinten", 6, 20, 3, L"AUSGESCHNITTEN",
         L"vorne  hinten"},
        {50, MOD_ALT, 'E', kPaste, L"", 0, 0, 3, L"AUSGESCHNITTEN", L"AUSGESCHNITTEN"},
        {300, MOD_ALT, 'W', kCopy, L"spät kopiert", 0, -1, 3, L"spät kopiert", L"spät kopiert"}};
    for (const auto& r : rounds) {
        SCOPED_TRACE(testing::Message() << r.key << " " << r.after);
        const int edit = r.operation == kPaste ? 1 : 0;
        ASSERT_TRUE(target_->setDelay(r.delay));
        select(edit, r.text, r.from, r.to);
        typeHotkey(r.modifiers, r.key);
        EXPECT_TRUE(storeShows(r.store, r.stored));
        EXPECT_TRUE(pumpUntil([&] { return target_->text(edit) == r.after; }));
        // The person types on, as after any paste.
        if (r.operation == kPaste)
            typeHotkey(0, VK_SHIFT);
        expectBack(before);
    }
}

// A tray menu requested during an action opens after it (inside, it would hold the action up).
TEST_F(EngineEndToEnd, ATrayMenuDuringAnActionOpensAfterIt) {
    const ClipboardState before = user(L"vor dem Menü");
    ASSERT_TRUE(target_->setDelay(300));
    select(0, L"mit Menü");
    const LRESULT requests = target_->requests();
    typeHotkey(MOD_ALT, 'W', true, false);  // let go, as people do, once the target has the keys
    ASSERT_TRUE(pumpUntil([&] { return target_->requests() != requests; }));
    typeHotkey(MOD_ALT, 'W', false, true);
    trifolio_->tray(WM_RBUTTONUP);
    EXPECT_TRUE(storeShows(3, L"mit Menü"));
    expectBack(before);
    HWND menu = trifolio_->shown(L"#32768");
    EXPECT_TRUE(menu);
    PostMessageW(trifolio_->window(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(menu); }));
}

// A console running a command copies with Ctrl+Insert and pastes with Shift+Insert: the
// hotkeys never interrupt the command (Ctrl+C ends it and Wine's console with it), and the
// user's clipboard comes back after each.
TEST_F(EngineEndToEnd, AConsoleRunningACommandSurvivesTheHotkeys) {
    const ClipboardState before = user(L"vor der Konsole");
    Process ping;
    ASSERT_TRUE(ping.start(L"ping.exe", L"-n 600 127.0.0.1", CREATE_NEW_CONSOLE));
    HWND console = nullptr;
    ASSERT_TRUE(
        pumpUntil([&] { return (console = FindWindowW(L"WineConsoleClass", nullptr)); }, 20000ms));
    for (UINT key : {'C', 'V'}) {
        SCOPED_TRACE(static_cast<char>(key));
        ASSERT_TRUE(toFront(console));
        const DWORD sequence = GetClipboardSequenceNumber();
        typeHotkey(kCtrlAlt, key);
        EXPECT_TRUE(pumpUntil([&] { return GetClipboardSequenceNumber() != sequence; }));
        expectBack(before, 8000ms);  // a paste nobody reads offers the store up to its bound
        EXPECT_TRUE(ping.running() && IsWindow(console));
    }
}

// A Store app's frame belongs to ApplicationFrameHost.exe; the clipboard is read by the
// app's own process, which owns the CoreWindow inside the frame.
TEST(StoreApp, TheReaderIsTheProcessBehindTheFrame) {
    Process frameHost;
    ASSERT_TRUE(frameHost.start(buildProgram(L"e2e_target.exe"), L"ApplicationFrameWindow"));
    HWND frame = frameHost.shown(L"ApplicationFrameWindow");
    ASSERT_TRUE(frame);
    EXPECT_EQ(win32::processBehind(frame), frameHost.id()) << "no app inside yet";
    WNDCLASSW core{};
    core.lpfnWndProc = DefWindowProcW;
    core.lpszClassName = L"Windows.UI.Core.CoreWindow";
    RegisterClassW(&core);
    const win32::Window app(CreateWindowExW(0, core.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10,
                                            frame, nullptr, nullptr, nullptr));
    ASSERT_TRUE(app);
    EXPECT_EQ(win32::processBehind(frame), GetCurrentProcessId());
}

TEST_F(EngineEndToEnd, BoldTextFromWordpadIsPastedBoldAfterPlainText) {
    const ClipboardState before =
        user(L"des Benutzers", RegisterClipboardFormatW(L"TrifolioE2E.User"), "eigen");
    wchar_t programs[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", programs, MAX_PATH);
    Process wordpad;
    if (!wordpad.start(std::filesystem::path(programs) / "Windows NT/Accessories/wordpad.exe"))
        GTEST_SKIP() << "Wine's wordpad is not installed in this prefix";
    HWND main = wordpad.shown(L"WORDPADTOP");
    HWND edit = FindWindowExW(main, nullptr, L"RichEdit20W", nullptr);
    ASSERT_TRUE(edit && wordpad.idle()) << "a first start in a fresh prefix takes a while";
    const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
    user(L"normal fett", rtf, "{\\rtf1\\ansi normal {\\b fett}}");
    sendTo(edit, WM_PASTE);
    user(before.text, before.of, before.bytes);
    sendTo(edit, EM_SETSEL, 7, 11);
    ASSERT_TRUE(toFront(main));
    typeHotkey(kCtrlAlt, 'C');
    ASSERT_TRUE(storeShows(2, L"fett")) << testing::PrintToString(windowText(edit));
    expectBack(before);
    sendTo(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"schlicht "));
    sendTo(edit, EM_SETSEL, 9, 9);
    ASSERT_TRUE(toFront(main));
    typeHotkey(kCtrlAlt, 'V');
    EXPECT_TRUE(pumpUntil([&] { return windowText(edit).find(L"schlicht fett") == 0; }));
    // Wine's rich edit reads through OLE with no window of its own open, so its reads
    // cannot be told from a neighbour's: the store stays offered until the person types on.
    typeHotkey(0, VK_SHIFT);
    expectBack(before);
    sendTo(edit, EM_SETSEL, 0, -1);
    sendTo(edit, WM_COPY);
    const std::string copied = clipboardState(owner_->get(), rtf).bytes;
    EXPECT_NE(copied.find("\\b fett"), std::string::npos) << copied;
}

}  // namespace
}  // namespace trifolio::e2e
