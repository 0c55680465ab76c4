// trifolio.exe end to end under Wine: real hotkeys typed through SendInput cut, copy
// and paste between e2e_target.exe and the program's stores, and the user's own
// clipboard is the same before and after every action.
#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <memory>
#include <thread>

#include "e2e_support.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

// What the user's clipboard holds, as far as the tests compare it.
struct ClipboardState {
    std::vector<UINT> formats;  // sorted; without the program's history-exclusion formats
    std::wstring text;
    std::string rtf;
    friend bool operator==(const ClipboardState&, const ClipboardState&) = default;
};

std::optional<ClipboardState> readClipboardState(HWND reader) {
    // The program's marks for clipboard history, and OLE's bookkeeping of the program
    // that copied, which describe no content.
    static const UINT kExcluded[] = {
        RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
        RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"),
        RegisterClipboardFormatW(L"Trifolio.Transient"),
        RegisterClipboardFormatW(L"DataObject"),
        RegisterClipboardFormatW(L"Ole Private Data"),
        RegisterClipboardFormatW(L"Wine Marshalled DataObject")};
    static const UINT kRtf = RegisterClipboardFormatW(L"Rich Text Format");
    if (!openClipboardFor(reader))
        return std::nullopt;
    ClipboardState state;
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f))
        if (std::find(std::begin(kExcluded), std::end(kExcluded), f) == std::end(kExcluded))
            state.formats.push_back(f);
    std::sort(state.formats.begin(), state.formats.end());
    if (win32::GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
        state.text.assign(
            static_cast<const wchar_t*>(lock.data()),
            wcsnlen(static_cast<const wchar_t*>(lock.data()), lock.size() / sizeof(wchar_t)));
    if (win32::GlobalLockGuard lock(GetClipboardData(kRtf)); lock)
        state.rtf.assign(static_cast<const char*>(lock.data()),
                         strnlen(static_cast<const char*>(lock.data()), lock.size()));
    CloseClipboard();
    return state;
}

class EngineEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        trifolio_ = std::make_unique<Trifolio>();
        target_ = std::make_unique<Target>();
        owner_ = std::make_unique<win32::Window>(messageWindow());
        started_ = trifolio_->start() && target_->start();
    }
    static void TearDownTestSuite() {
        target_.reset();
        trifolio_.reset();
        owner_.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(started_) << "trifolio.exe or e2e_target.exe did not come up";
        ASSERT_TRUE(target_->setDelay(0));
    }

    static bool storeShows(int store, const std::wstring& text) {
        return pumpUntil(
            [&] { return trifolio_->text(store == 2 ? "CB2text" : "CB3text") == text; });
    }
    static bool destinationShows(const std::wstring& text) {
        return pumpUntil([&] { return target_->text(1) == text; });
    }

    // Puts the user's own content into the clipboard and returns it as read back.
    static ClipboardState userClipboard(const std::wstring& text, const std::string& rtf = {}) {
        EXPECT_TRUE(setUserClipboard(owner_->get(), text, rtf));
        return readClipboardState(owner_->get()).value_or(ClipboardState{});
    }
    static void expectClipboardBack(const ClipboardState& before) {
        std::optional<ClipboardState> now;
        pumpUntil([&] { return (now = readClipboardState(owner_->get())) == before; }, 3000ms);
        ASSERT_TRUE(now);
        EXPECT_EQ(now->formats, before.formats);
        EXPECT_EQ(now->text, before.text);
        EXPECT_EQ(now->rtf, before.rtf);
    }

    // Selects `text` in the source edit (all of it, or from..to), with the focus there.
    static void selectSource(const std::wstring& text, int from = 0, int to = -1) {
        ASSERT_TRUE(target_->setText(0, text));
        ASSERT_TRUE(target_->focus(0));
        target_->select(0, from, to);
    }
    static void focusEmptyDestination() {
        ASSERT_TRUE(target_->setText(1, L""));
        ASSERT_TRUE(target_->focus(1));
    }
    // Presses the hotkey and, like a user, lets go only once the target application
    // has done (phase 1) or been asked for (phase 0) `reaction`.
    static void hold(UINT modifiers, UINT key, Operation reaction, int phase = 1) {
        const LRESULT before = target_->count(reaction, phase);
        holdHotkey(modifiers, key, [&] { return target_->count(reaction, phase) != before; });
    }

    // Copies `text` into `store` and pastes it into the destination with the hotkeys of
    // `modifiers` (C / V for store 2, W / E for store 3); the clipboard stays `before`.
    static void copyAndPaste(UINT modifiers, int store, const std::wstring& text,
                             const ClipboardState& before) {
        selectSource(text);
        hold(modifiers, store == 2 ? 'C' : 'W', kCopy);
        ASSERT_TRUE(storeShows(store, text));
        EXPECT_EQ(target_->text(0), text) << "copying leaves the source as it was";
        expectClipboardBack(before);
        focusEmptyDestination();
        hold(modifiers, store == 2 ? 'V' : 'E', kPaste);
        EXPECT_TRUE(destinationShows(text));
        expectClipboardBack(before);
    }

    static inline std::unique_ptr<Trifolio> trifolio_;
    static inline std::unique_ptr<Target> target_;
    static inline std::unique_ptr<win32::Window> owner_;
    static inline bool started_ = false;
};

TEST_F(EngineEndToEnd, CopyCutAndPasteThroughBothStoresKeepTheUserClipboard) {
    const ClipboardState before =
        userClipboard(L"fett und kursiv", "{\\rtf1\\ansi {\\b fett} und {\\i kursiv}}");
    ASSERT_FALSE(before.rtf.empty());
    copyAndPaste(kCtrlAlt, 2, L"Kopie nach Ablage 2: Grüße, Ωμέγα, 日本, €", before);

    selectSource(L"vorne AUSGESCHNITTEN hinten", 6, 20);
    hold(MOD_ALT, 'Q', kCut);
    ASSERT_TRUE(storeShows(3, L"AUSGESCHNITTEN"));
    EXPECT_EQ(target_->text(0), L"vorne  hinten");
    expectClipboardBack(before);
    focusEmptyDestination();
    hold(MOD_ALT, 'E', kPaste);
    EXPECT_TRUE(destinationShows(L"AUSGESCHNITTEN"));
    expectClipboardBack(before);

    // Copying with nothing selected empties the store.
    selectSource(L"Text ohne Auswahl", 3, 3);
    hold(MOD_ALT, 'W', kCopy);
    EXPECT_TRUE(storeShows(3, L"leer"));
    expectClipboardBack(before);
}

// The second hotkey comes while the first action still waits for the target.
TEST_F(EngineEndToEnd, TwoHotkeysInQuickSuccessionBothWork) {
    const ClipboardState before = userClipboard(L"schnell hintereinander, danach wie vorher");
    selectSource(L"doppelt");
    ASSERT_TRUE(target_->setDelay(150));
    hold(kCtrlAlt, 'C', kCopy, 0);
    typeHotkey(MOD_ALT, 'W');
    EXPECT_TRUE(storeShows(2, L"doppelt"));
    EXPECT_TRUE(storeShows(3, L"doppelt"));
    expectClipboardBack(before);
    ASSERT_TRUE(target_->setDelay(0));

    // After the first paste the program still waits for further reads.
    focusEmptyDestination();
    hold(kCtrlAlt, 'V', kPaste);
    typeHotkey(MOD_ALT, 'E');
    EXPECT_TRUE(destinationShows(L"doppeltdoppelt"));
    expectClipboardBack(before);
}

// Copy and paste both reach a target that acts 300 ms late.
TEST_F(EngineEndToEnd, ATargetThatCopies300MillisecondsLateIsStillCaptured) {
    const ClipboardState before = userClipboard(L"vor der späten Kopie");
    ASSERT_TRUE(target_->setDelay(300));
    copyAndPaste(MOD_ALT, 3, L"spät kopiert", before);
}

// A clipboard monitor, as history tools are: reads the text at every change, from a
// window on a thread of its own, until it goes.
class GreedyReader {
  public:
    GreedyReader()
        : thread_([this] {
              win32::Window window = messageWindow();
              AddClipboardFormatListener(window.get());
              ready_ = true;
              MSG msg;
              while (!stop_) {
                  MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, 0);
                  bool changed = false;
                  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                      changed = changed || msg.message == WM_CLIPBOARDUPDATE;
                  if (changed && OpenClipboard(window.get())) {
                      if (win32::GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
                          ++reads;
                      CloseClipboard();
                  }
              }
              RemoveClipboardFormatListener(window.get());
          }) {
        pumpUntil([&] { return ready_.load(); });
    }
    ~GreedyReader() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<int> reads{0};

  private:
    std::atomic<bool> ready_{false}, stop_{false};
    std::thread thread_;
};

// Beside a program that reads the clipboard at every change, every paste delivers the
// store and the user's clipboard comes back each time.
TEST_F(EngineEndToEnd, PastesBesideAClipboardMonitorDeliverTheStore) {
    const ClipboardState before = userClipboard(L"neben dem Mitleser");
    selectSource(L"gelesen");
    hold(kCtrlAlt, 'C', kCopy);
    ASSERT_TRUE(storeShows(2, L"gelesen"));
    GreedyReader reader;
    ASSERT_TRUE(target_->setDelay(50));  // the monitor reads first
    focusEmptyDestination();
    std::wstring expected;
    for (int i = 0; i < 8; ++i) {
        hold(kCtrlAlt, 'V', kPaste);
        expected += L"gelesen";
        EXPECT_TRUE(destinationShows(expected)) << i;
        expectClipboardBack(before);
    }
    EXPECT_GT(reader.reads, 8);
    ASSERT_TRUE(target_->setDelay(0));
}

// The tray menu asked for while an action waits opens after it, once the store is taken
// and the user's clipboard is back; inside the action it would hold the action up.
TEST_F(EngineEndToEnd, TheTrayMenuWaitsForARunningAction) {
    const ClipboardState before = userClipboard(L"vor dem Menü");
    ASSERT_TRUE(target_->setDelay(300));
    selectSource(L"mit Menü");
    hold(MOD_ALT, 'W', kCopy, 0);
    PostMessageW(trifolio_->window(), win32::kTrayMessage, win32::kTrayIconId, WM_RBUTTONUP);
    EXPECT_TRUE(storeShows(3, L"mit Menü"));
    expectClipboardBack(before);
    HWND menu = nullptr;
    EXPECT_TRUE(pumpUntil(
        [&] { return (menu = windowOf(trifolio_->id(), L"#32768")) && IsWindowVisible(menu); }));
    PostMessageW(trifolio_->window(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(pumpUntil([&] { return !menu || !IsWindowVisible(menu); }));
}

// A packed DIB of `header` followed by `following` bytes of 0x11.
template <typename Header>
std::string packedDib(const Header& header, std::size_t following) {
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    return bytes.append(following, '\x11');
}

// The clipboard's bytes in a memory format, as another program reads them.
std::string memoryFormat(HWND reader, UINT format) {
    std::string bytes;
    if (!openClipboardFor(reader))
        return "(clipboard not opened)";
    if (win32::GlobalLockGuard lock(GetClipboardData(format)); lock)
        bytes.assign(static_cast<const char*>(lock.data()), lock.size());
    CloseClipboard();
    return bytes;
}

// Pictures whose headers promise more than their bytes hold, or what GDI cannot be
// trusted with, as the user's clipboard content, shown as store 1 and kept while store 2
// copies: the program keeps answering, the copy completes and the user's picture comes
// back byte for byte.
TEST_F(EngineEndToEnd, LyingPicturesOfTheUserDoNotHurtAnActionAndComeBackWhole) {
    using Info = BITMAPINFOHEADER;
    BITMAPV5HEADER profile{};
    profile.bV5Size = sizeof profile;
    profile.bV5Width = 4, profile.bV5Height = 3, profile.bV5Planes = 1, profile.bV5BitCount = 24;
    profile.bV5CSType = 0x4D424544 /* 'MBED' */, profile.bV5ProfileData = 1 << 30;
    profile.bV5ProfileSize = 4096;
    const struct {
        const wchar_t* name;
        UINT format;
        std::string bytes;
    } pictures[] = {
        {L"RLE shorter than its size", CF_DIB,
         packedDib(Info{sizeof(Info), 8000, 8000, 1, 8, BI_RLE8, 1 << 26, 0, 0, 0, 0}, 1 << 16)},
        {L"RLE of 60000 x 60000", CF_DIB,
         packedDib(Info{sizeof(Info), 60000, 60000, 1, 8, BI_RLE8, 4096, 0, 0, 0, 0}, 4096 + 1024)},
        {L"profile far outside", CF_DIBV5, packedDib(profile, 36)},
    };
    // The Status page shows store 1, which follows the clipboard while the window shows.
    PostMessageW(trifolio_->window(), win32::kTrayMessage, win32::kTrayIconId, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([] { return IsWindowVisible(trifolio_->window()) != FALSE; }));
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        ASSERT_TRUE(setUserClipboard(owner_->get(), picture.name));
        ASSERT_TRUE(pumpUntil([&] { return trifolio_->text("CB1text") == picture.name; }));
        ASSERT_TRUE(openClipboardFor(owner_->get()));
        EXPECT_TRUE(EmptyClipboard() &&
                    SetClipboardData(picture.format,
                                     globalBytes(picture.bytes.data(), picture.bytes.size())));
        CloseClipboard();
        const auto before = readClipboardState(owner_->get());
        ASSERT_TRUE(before);
        // Store 1 has taken the picture-only clipboard: its picture box paints now.
        ASSERT_TRUE(pumpUntil([] { return trifolio_->text("CB1text") == L"leer"; }));
        UpdateWindow(trifolio_->control("CB1image2"));

        selectSource(picture.name);
        hold(kCtrlAlt, 'C', kCopy);
        EXPECT_TRUE(storeShows(2, picture.name));
        DWORD_PTR answer = 0;
        EXPECT_TRUE(SendMessageTimeoutW(trifolio_->window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000,
                                        &answer));
        expectClipboardBack(*before);
        EXPECT_EQ(memoryFormat(owner_->get(), picture.format), picture.bytes);
    }
    PostMessageW(trifolio_->control("Command2"), BM_CLICK, 0, 0);  // back into the tray
    EXPECT_TRUE(pumpUntil([] { return !IsWindowVisible(trifolio_->window()); }));
}

// Wine's wordpad, a real rich-text editor, puts its own rich text on the clipboard.
TEST_F(EngineEndToEnd, RichTextCopiedInWordpadComesBackWhole) {
    wchar_t programs[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", programs, MAX_PATH);
    Process wordpad;
    if (!wordpad.start(std::filesystem::path(programs) / "Windows NT" / "Accessories" /
                       "wordpad.exe"))
        GTEST_SKIP() << "Wine's wordpad is not installed in this prefix";
    HWND edit = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            HWND main = windowOf(wordpad.id(), L"WORDPADTOP");
            return main && (edit = FindWindowExW(main, nullptr, L"RichEdit20W", nullptr));
        },
        20000ms));
    // Pastes the clipboard over the whole document, then copies the whole document.
    const auto pasteAndCopyAll = [&] {
        for (UINT message : {UINT{WM_PASTE}, UINT{WM_COPY}}) {
            sendTo(edit, EM_SETSEL, 0, -1);
            sendTo(edit, message);
        }
    };
    ASSERT_TRUE(setUserClipboard(owner_->get(), L"Wordpad",
                                 "{\\rtf1\\ansi normal {\\b fett} {\\i kursiv} \\u8364? Euro}"));
    pasteAndCopyAll();
    const ClipboardState before = readClipboardState(owner_->get()).value_or(ClipboardState{});
    ASSERT_NE(before.rtf.find("Riched"), std::string::npos) << "wordpad's own rich text";

    copyAndPaste(kCtrlAlt, 2, L"neben Wordpad kopiert", before);

    // Wordpad takes the clipboard that came back as its rich text again.
    pasteAndCopyAll();
    const auto again = readClipboardState(owner_->get());
    ASSERT_TRUE(again);
    EXPECT_NE(again->rtf.find("\\b fett"), std::string::npos) << again->rtf;
    EXPECT_EQ(again->text.substr(0, before.text.size()), before.text);
}

}  // namespace
}  // namespace trifolio::e2e
