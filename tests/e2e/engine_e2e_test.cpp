// trifolio.exe end to end under Wine: real hotkeys typed through SendInput cut, copy
// and paste between e2e_target.exe and the program's stores, and the user's own
// clipboard is the same before and after every action.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "e2e_support.h"

namespace trifolio::e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

// One hotkey pressed in the target: a cut or copy in the source holding `text` with
// from..to selected, after which `store` shows `stored`; or a paste into the emptied
// destination. Then the edit acted on holds `after`.
struct Round {
    UINT modifiers, key;
    Operation operation;
    const wchar_t* text;
    int from, to, store;
    const wchar_t *stored, *after;
};

class EngineEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        trifolio_ = std::make_unique<Trifolio>();
        target_ = std::make_unique<Target>();
        owner_ = std::make_unique<win32::Window>(messageWindow());
        started_ = trifolio_->start() && target_->start();
    }
    static void TearDownTestSuite() { target_.reset(), trifolio_.reset(), owner_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(started_) << "trifolio.exe or e2e_target.exe did not come up";
        ASSERT_TRUE(target_->setDelay(0));
    }

    static bool storeShows(int store, const std::wstring& text) {
        return pumpUntil(
            [&] { return trifolio_->text(store == 2 ? "CB2text" : "CB3text") == text; });
    }
    // Puts the user's own content into the clipboard and returns it as read back.
    static ClipboardState userClipboard(const std::wstring& text, const std::string& rtf = {}) {
        EXPECT_TRUE(setUserClipboard(owner_->get(), text, rtf));
        return clipboardState(owner_->get()).value_or(ClipboardState{});
    }
    static void expectClipboardBack(const ClipboardState& before, UINT bytesOf = 0) {
        std::optional<ClipboardState> now;
        pumpUntil([&] { return (now = clipboardState(owner_->get(), bytesOf)) == before; }, 3000ms);
        ASSERT_TRUE(now);
        EXPECT_EQ(now->formats, before.formats);
        EXPECT_EQ(now->text, before.text);
        EXPECT_TRUE(now->rtf == before.rtf && now->bytes == before.bytes);
    }
    // Presses the hotkey and, like a user, lets go only once the target application
    // has done (phase 1) or been asked for (phase 0) `reaction`.
    static void hold(UINT modifiers, UINT key, Operation reaction, int phase = 1) {
        const LRESULT before = target_->count(reaction, phase);
        sendHotkey(modifiers, key, true, false);
        pumpUntil([&] { return target_->count(reaction, phase) != before; }, 2000ms);
        sendHotkey(modifiers, key, false, true);
    }
    static void select(int edit, const wchar_t* text, int from = 0, int to = -1) {
        ASSERT_TRUE(target_->setText(edit, text));
        ASSERT_TRUE(target_->focus(edit));
        target_->select(edit, from, to);
    }
    static void play(std::initializer_list<Round> rounds, const ClipboardState& before) {
        for (const Round& r : rounds) {
            SCOPED_TRACE(testing::Message() << r.key << " " << r.after);
            const int edit = r.operation == kPaste ? 1 : 0;
            select(edit, r.text, r.from, r.to);
            hold(r.modifiers, r.key, r.operation);
            if (r.operation != kPaste) {
                EXPECT_TRUE(storeShows(r.store, r.stored));
            }
            EXPECT_TRUE(pumpUntil([&] { return target_->text(edit) == r.after; }));
            expectClipboardBack(before);
        }
    }

    static inline std::unique_ptr<Trifolio> trifolio_;
    static inline std::unique_ptr<Target> target_;
    static inline std::unique_ptr<win32::Window> owner_;
    static inline bool started_ = false;
};

constexpr const wchar_t* kUnicode = L"Kopie nach Ablage 2: Grüße, Ωμέγα, 日本, €";

// Cut, copy and paste through both stores, a copy with nothing selected (it empties the
// store), and a target that copies and pastes 300 ms late; the user's rich text stays.
TEST_F(EngineEndToEnd, CutCopyAndPasteThroughBothStoresKeepTheUserClipboard) {
    const ClipboardState before =
        userClipboard(L"fett und kursiv", "{\\rtf1\\ansi {\\b fett} und {\\i kursiv}}");
    ASSERT_FALSE(before.rtf.empty());
    play({{kCtrlAlt, 'C', kCopy, kUnicode, 0, -1, 2, kUnicode, kUnicode},
          {kCtrlAlt, 'V', kPaste, L"", 0, 0, 2, nullptr, kUnicode},
          {MOD_ALT, 'Q', kCut, L"vorne AUSGESCHNITTEN hinten", 6, 20, 3, L"AUSGESCHNITTEN",
           L"vorne  hinten"},
          {MOD_ALT, 'E', kPaste, L"", 0, 0, 3, nullptr, L"AUSGESCHNITTEN"},
          {MOD_ALT, 'W', kCopy, L"ohne Auswahl", 3, 3, 3, L"leer", L"ohne Auswahl"}},
         before);
    ASSERT_TRUE(target_->setDelay(300));
    play({{MOD_ALT, 'W', kCopy, L"spät kopiert", 0, -1, 3, L"spät kopiert", L"spät kopiert"},
          {MOD_ALT, 'E', kPaste, L"", 0, 0, 3, nullptr, L"spät kopiert"}},
         before);
}

// Hotkeys and a tray menu request that come while an action still waits for the target
// run after it, in order; the menu inside the action would hold the action up.
TEST_F(EngineEndToEnd, WhatComesDuringAnActionRunsAfterIt) {
    const ClipboardState before = userClipboard(L"schnell hintereinander, danach wie vorher");
    select(0, L"doppelt");
    ASSERT_TRUE(target_->setDelay(150));
    hold(kCtrlAlt, 'C', kCopy, 0);
    typeHotkey(MOD_ALT, 'W');
    EXPECT_TRUE(storeShows(2, L"doppelt"));
    EXPECT_TRUE(storeShows(3, L"doppelt"));
    expectClipboardBack(before);

    // After the first paste the program still waits for further reads.
    ASSERT_TRUE(target_->setDelay(0));
    select(1, L"");
    hold(kCtrlAlt, 'V', kPaste);
    typeHotkey(MOD_ALT, 'E');
    EXPECT_TRUE(pumpUntil([&] { return target_->text(1) == L"doppeltdoppelt"; }));
    expectClipboardBack(before);

    ASSERT_TRUE(target_->setDelay(300));
    select(0, L"mit Menü");
    hold(MOD_ALT, 'W', kCopy, 0);
    trifolio_->tray(WM_RBUTTONUP);
    EXPECT_TRUE(storeShows(3, L"mit Menü"));
    expectClipboardBack(before);
    HWND menu = nullptr;
    EXPECT_TRUE(pumpUntil(
        [&] { return (menu = windowOf(trifolio_->id(), L"#32768")) && IsWindowVisible(menu); }));
    PostMessageW(trifolio_->window(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(pumpUntil([&] { return !menu || !IsWindowVisible(menu); }));
}

// Beside a program that reads the clipboard's text at every change (as history tools do,
// here from a window on a thread of its own), every paste delivers the store and the
// user's clipboard comes back each time.
TEST_F(EngineEndToEnd, PastesBesideAClipboardMonitorDeliverTheStore) {
    const ClipboardState before = userClipboard(L"neben dem Mitleser");
    select(0, L"gelesen");
    hold(kCtrlAlt, 'C', kCopy);
    ASSERT_TRUE(storeShows(2, L"gelesen"));
    std::atomic<int> reads{0};
    std::atomic<bool> ready{false}, stop{false};
    std::thread monitor([&] {
        win32::Window window = messageWindow();
        AddClipboardFormatListener(window.get());
        ready = true;
        for (MSG msg; !stop;) {
            MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, 0);
            bool changed = false;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                changed = changed || msg.message == WM_CLIPBOARDUPDATE;
            if (changed && OpenClipboard(window.get())) {
                reads += GetClipboardData(CF_UNICODETEXT) != nullptr;
                CloseClipboard();
            }
        }
    });
    pumpUntil([&] { return ready.load(); });
    ASSERT_TRUE(target_->setDelay(50));  // the monitor reads first
    select(1, L"");
    std::wstring expected;
    for (int i = 0; i < 8; ++i) {
        hold(kCtrlAlt, 'V', kPaste);
        expected += L"gelesen";
        EXPECT_TRUE(pumpUntil([&] { return target_->text(1) == expected; })) << i;
        expectClipboardBack(before);
    }
    stop = true;
    monitor.join();
    EXPECT_GT(reads, 8);
}

// A packed DIB of `header` followed by `following` bytes of 0x11.
template <typename Header>
std::string packedDib(const Header& header, std::size_t following) {
    return std::string(reinterpret_cast<const char*>(&header), sizeof header)
        .append(following, '\x11');
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
    trifolio_->tray(WM_LBUTTONDBLCLK);
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
        const auto before = clipboardState(owner_->get(), picture.format);
        ASSERT_TRUE(before && before->bytes == picture.bytes);
        // Store 1 has taken the picture-only clipboard: its picture box paints now.
        ASSERT_TRUE(pumpUntil([] { return trifolio_->text("CB1text") == L"leer"; }));
        UpdateWindow(trifolio_->control("CB1image2"));

        select(0, picture.name);
        hold(kCtrlAlt, 'C', kCopy);
        EXPECT_TRUE(storeShows(2, picture.name));
        EXPECT_TRUE(SendMessageTimeoutW(trifolio_->window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000,
                                        nullptr));
        expectClipboardBack(*before, picture.format);
    }
    sendTo(trifolio_->control("Command2"), BM_CLICK);  // back into the tray
}

// Wine's wordpad, a real rich-text editor, puts its own rich text on the clipboard, and
// takes the clipboard that came back as its rich text again.
TEST_F(EngineEndToEnd, RichTextCopiedInWordpadComesBackWhole) {
    wchar_t programs[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ProgramFiles", programs, MAX_PATH);
    Process wordpad;
    if (!wordpad.start(std::filesystem::path(programs) / L"Windows NT\\Accessories\\wordpad.exe"))
        GTEST_SKIP() << "Wine's wordpad is not installed in this prefix";
    HWND edit = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            HWND main = windowOf(wordpad.id(), L"WORDPADTOP");
            // Once it is at the front, it takes the focus from the target no more.
            return main && GetForegroundWindow() == main &&
                   (edit = FindWindowExW(main, nullptr, L"RichEdit20W", nullptr));
        },
        20000ms));
    // Pastes the clipboard over the whole document, then copies the whole document.
    const auto pasteAndCopyAll = [&] {
        for (UINT message : {UINT{WM_PASTE}, UINT{WM_COPY}}) {
            sendTo(edit, EM_SETSEL, 0, -1);
            sendTo(edit, message);
        }
        return clipboardState(owner_->get()).value_or(ClipboardState{});
    };
    ASSERT_TRUE(setUserClipboard(owner_->get(), L"Wordpad",
                                 "{\\rtf1\\ansi normal {\\b fett} {\\i kursiv} \\u8364? Euro}"));
    const ClipboardState before = pasteAndCopyAll();
    ASSERT_NE(before.rtf.find("Riched"), std::string::npos) << "wordpad's own rich text";
    play({{kCtrlAlt, 'C', kCopy, L"neben Wordpad", 0, -1, 2, L"neben Wordpad", L"neben Wordpad"},
          {kCtrlAlt, 'V', kPaste, L"", 0, 0, 2, nullptr, L"neben Wordpad"}},
         before);
    const ClipboardState again = pasteAndCopyAll();
    EXPECT_NE(again.rtf.find("\\b fett"), std::string::npos) << again.rtf;
    EXPECT_EQ(again.text.substr(0, before.text.size()), before.text);
}

}  // namespace
}  // namespace trifolio::e2e
