// The program's clipboard against Wine's real one, which only this layer sees byte by byte.
#include "win32/clipboard.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "../support/pump.h"
#include "core/formats/text.h"
#include "win32/strings.h"
#include "win32/window_object.h"

namespace trifolio::win32 {
namespace {

using namespace test;
using namespace platform;

// A message-only window; as clipboard owner it renders late formats with `render`, noted.
struct RecordingWindow : WindowObject<RecordingWindow> {
    RecordingWindow() { createWindow(L"TrifolioTestRecorder"); }
    HWND get() const { return hwnd(); }
    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (const auto format = static_cast<UINT>(wParam); message == WM_RENDERFORMAT && render) {
            rendered.push_back(format);
            SetClipboardData(format, render(format));
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    std::function<HANDLE(UINT)> render;
    std::vector<UINT> rendered;
};

// `work` on a thread and window of its own; going, it pumps (render requests) until done.
struct OtherProgram {
    explicit OtherProgram(std::function<void(HWND)> work)
        : thread([this, work = std::move(work)] {
              work(RecordingWindow().get());
              done = true;
          }) {}
    ~OtherProgram() {
        pumpUntil([this] { return done.load(); }, 15000ms);
        thread.join();
    }
    std::atomic<bool> done{false};
    std::thread thread;
};

// Opens the clipboard for `owner`, retrying while Wine's own clipboard manager has it.
OpenedClipboard openClipboardFor(HWND owner) {
    for (const auto end = std::chrono::steady_clock::now() + 2s;; Sleep(5))
        if (OpenedClipboard opened(owner); opened || std::chrono::steady_clock::now() >= end)
            return opened;
}

const auto globalBytes = [](std::string_view b) { return globalCopy(b.data(), b.size()); };
const auto globalText = [](std::wstring t) {  // with its terminating zero
    return globalCopy(t.c_str(), (t.size() + 1) * sizeof(wchar_t));
};

using ClipboardData = std::vector<std::pair<UINT, HANDLE>>;

// Replaces the clipboard's content by `data`, owned by `owner`.
bool putClipboard(HWND owner, const ClipboardData& data) {
    const auto opened = openClipboardFor(owner);
    bool ok = opened && EmptyClipboard();
    for (const auto& [format, handle] : data)
        ok = SetClipboardData(format, handle) != nullptr && ok;
    return ok;
}

// The clipboard's `format` as bytes equal for equal content whatever the handle; "" if absent.
std::string clipboardContent(HWND reader, UINT format) {
    const auto opened = openClipboardFor(reader);
    if (!opened)
        return "(clipboard not opened)";
    HANDLE handle = GetClipboardData(format);
    std::string bytes;
    if (BITMAP info{}; handle && format == CF_BITMAP) {
        GetObjectW(handle, sizeof info, &info);
        bytes.resize(static_cast<std::size_t>(info.bmWidthBytes * info.bmHeight));
        GetBitmapBits(static_cast<HBITMAP>(handle), static_cast<LONG>(bytes.size()), bytes.data());
    } else if (auto emf = static_cast<HENHMETAFILE>(handle); emf && format == CF_ENHMETAFILE) {
        bytes.resize(GetEnhMetaFileBits(emf, 0, nullptr));
        GetEnhMetaFileBits(emf, static_cast<UINT>(bytes.size()),
                           reinterpret_cast<BYTE*>(bytes.data()));
    } else if (PALETTEENTRY entries[256]; handle && format == CF_PALETTE) {
        const UINT count = GetPaletteEntries(static_cast<HPALETTE>(handle), 0, 256, entries);
        bytes.assign(reinterpret_cast<const char*>(entries), count * sizeof *entries);
    } else if (GlobalLockGuard lock(handle); lock && format == CF_METAFILEPICT) {
        const auto* pict = static_cast<const METAFILEPICT*>(lock.data());
        bytes.resize(GetMetaFileBitsEx(pict->hMF, 0, nullptr));
        GetMetaFileBitsEx(pict->hMF, static_cast<UINT>(bytes.size()), bytes.data());
        bytes += ' ' + std::to_string(pict->mm) + ' ' + std::to_string(pict->xExt) + 'x' +
                 std::to_string(pict->yExt);
    } else if (lock) {
        bytes.assign(static_cast<const char*>(lock.data()), lock.size());
    }
    return bytes;
}

std::wstring clipboardText(HWND reader) {  // up to the first zero
    const std::string bytes = clipboardContent(reader, CF_UNICODETEXT) + std::string(2, '\0');
    return reinterpret_cast<const wchar_t*>(bytes.data());
}

const std::string kWorldText = "Grüße – Ωμέγα, 日本語, €, 😀";
constexpr COLORREF kMetafileColour = RGB(0, 128, 255);
constexpr auto pixelColour = [](int x, int y) { return RGB(40 * x + 10, 60 * y + 5, 200); };

// A bottom-up 24-bit packed DIB of 4 x 3 blocks of `side` pixels square (rows of 12 x
// `side` bytes, no padding).
std::string makeDib(int side = 1) {
    BITMAPINFOHEADER header{sizeof header, 4 * side, 3 * side, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = 3 * side - 1; y >= 0; --y)
        for (int x = 0; x < 4 * side; ++x)
            for (const COLORREF c = pixelColour(x / side, y / side);
                 BYTE part : {GetBValue(c), GetGValue(c), GetRValue(c)})
                bytes += static_cast<char>(part);
    return bytes;
}

// A device-dependent bitmap like the ones screen-capture tools put in CF_BITMAP.
HBITMAP makeDdb() {
    const std::string dib = makeDib();
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    return CreateDIBitmap(WindowDc(nullptr).get(), &info->bmiHeader, CBM_INIT,
                          dib.data() + sizeof(BITMAPINFOHEADER), info, DIB_RGB_COLORS);
}

// An enhanced metafile and a metafile picture, both 20 x 10 mm of kMetafileColour.
HENHMETAFILE makeEmf() {
    const RECT frame{0, 0, 2000, 1000}, all{0, 0, 76, 38};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"test\0picture\0");
    FillRect(dc, &all, Brush(CreateSolidBrush(kMetafileColour)).get());
    return CloseEnhMetaFile(dc);
}
HGLOBAL makeMetafilePict() {
    HDC dc = CreateMetaFileW(nullptr);
    SetWindowExtEx(dc, 100, 50, nullptr);
    Brush brush(CreateSolidBrush(kMetafileColour));
    SelectObject(dc, brush.get());
    Rectangle(dc, -5, -5, 105, 55);
    const METAFILEPICT pict{MM_ANISOTROPIC, 2000, 1000, CloseMetaFile(dc)};
    return globalCopy(&pict, sizeof pict);
}

// The bytes of `header`, then `following`.
std::string withHeader(const auto& header, std::string_view following) {
    return std::string(reinterpret_cast<const char*>(&header), sizeof header).append(following);
}

const auto registered = [](const wchar_t* name) { return RegisterClipboardFormatW(name); };

// Kind, size and corner colours drawn: opposite corners tell a picture upside down or mirrored.
using Look = std::tuple<bool, int, int, COLORREF, COLORREF>;
const Look kBitmap{true, 4, 3, pixelColour(0, 0), pixelColour(3, 2)};
const Look kMetafile{false, 76, 38, kMetafileColour, kMetafileColour};  // 20 x 10 mm
Look lookOf(const Win32Picture& picture) {
    const int w = picture.width(), h = picture.height();
    WindowDc screen(nullptr);
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    Bitmap target(CreateCompatibleBitmap(screen.get(), w, h));
    SelectedObject selected(dc.get(), target.get());
    picture.draw(dc.get(), RECT{0, 0, w, h});
    return {picture.isBitmap(), w, h, GetPixel(dc.get(), 0, 0), GetPixel(dc.get(), w - 1, h - 1)};
}

class ClipboardTest : public ::testing::Test {
  protected:
    RecordingWindow other;  // the other program, which owns what the tests put in
    Win32Clipboard clipboard;
};

// Every format that can be copied comes back byte for byte, from one snapshot each time.
TEST_F(ClipboardTest, CapturesEachKindOfContentAndRestoresEveryFormatThatCanBeCopied) {
    const UINT dropped[] = {registered(L"ObjectLink"), registered(L"Ole Private Data"),
                            CF_PRIVATEFIRST + 3};  // meaningless once put back
    const auto check = [&](const char* name, const ClipboardData& data,
                           const std::vector<std::uint32_t>& offers,
                           const std::optional<std::string>& text,
                           const std::optional<Look>& look) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(putClipboard(other.get(), data));
        std::map<UINT, std::string> before{
            {CF_UNICODETEXT, clipboardContent(other.get(), CF_UNICODETEXT)}};
        for (const auto& [format, handle] : data)  // of the dropped ones nothing
            before[format] =
                std::ranges::count(dropped, format) ? "" : clipboardContent(other.get(), format);

        const auto reading = clipboard.read(true);
        ASSERT_TRUE(reading && reading->whole);
        for (std::uint32_t format : offers)
            EXPECT_TRUE(reading->content.offers(format)) << format;
        EXPECT_EQ(reading->content.text, text);
        EXPECT_EQ(reading->content.textLength, characterCount(text.value_or("")));
        const auto picture =
            std::dynamic_pointer_cast<const Win32Picture>(reading->content.picture);
        EXPECT_EQ(picture ? std::optional(lookOf(*picture)) : std::nullopt, look);

        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"other")}}));
            ASSERT_TRUE(clipboard.restore(reading->whole));
            for (const auto& [format, content] : before)
                EXPECT_EQ(clipboardContent(other.get(), format), content) << format;
        }
        // Short-lived content, which the clipboard history must not take again.
        EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
        EXPECT_EQ(clipboardContent(other.get(), clipboard.formats().historyAllowed),
                  std::string(4, '\0'));

        // Offered, it is rendered only when another program reads it, and alone.
        ASSERT_TRUE(clipboard.offer(reading->whole));
        EXPECT_EQ(clipboard.readsBy(0), 0) << "rendered before anyone read";
        // Read before the keystroke, by a program woken by the change, it gives nothing
        // and stays offered for the target.
        if (!before[CF_UNICODETEXT].empty()) {
            OtherProgram(
                [&](HWND window) { EXPECT_EQ(clipboardContent(window, CF_UNICODETEXT), ""); });
            EXPECT_EQ(clipboard.readsBy(0), 1);
        }
        clipboard.serveOffer(GetCurrentProcessId());
        std::map<UINT, std::string> read;
        OtherProgram([&](HWND window) {  // gone, it has read
            for (const auto& [format, content] : before)
                read[format] = clipboardContent(window, format);
        });
        EXPECT_EQ(read, before);
        EXPECT_EQ(clipboard.readsBy(GetCurrentProcessId()) > 0, !data.empty());
        EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
    };
    check("Unicode text and a metafile picture",
          {{CF_UNICODETEXT, globalText(widen(kWorldText))}, {CF_METAFILEPICT, makeMetafilePict()}},
          {kFormatText, kFormatMetafilePict}, kWorldText, kMetafile);
    check("ANSI text and an enhanced metafile",
          {{CF_TEXT, globalBytes({"plain ANSI\0", 11})}, {CF_ENHMETAFILE, makeEmf()}},
          {kFormatText, kFormatEnhMetafile}, "plain ANSI", kMetafile);
    const LOGPALETTE palette{0x300, 1, {{10, 20, 30, 0}}};
    check("DIB larger than the Status page's box, and palette",  // shown from a scaled copy
          {{CF_DIB, globalBytes(makeDib(200))}, {CF_PALETTE, CreatePalette(&palette)}},
          {kFormatDib, kFormatPalette}, std::nullopt,
          Look{true, 800, 600, pixelColour(0, 0), pixelColour(3, 2)});
    check("documents with a device-dependent bitmap and a file list",
          {{CF_UNICODETEXT, globalText(L"fett")},
           {registered(L"Rich Text Format"), globalBytes("{\\rtf1 {\\b fett} \\u8364?}")},
           {registered(L"Link"), globalBytes({"app\0topic\0item\0\0", 16})},
           {CF_BITMAP, makeDdb()},
           {CF_HDROP, globalBytes(withHeader(
                          DROPFILES{sizeof(DROPFILES), {}, FALSE, TRUE},
                          {reinterpret_cast<const char*>(L"C:\\a.txt\0C:\\b c.txt\0"), 42}))},
           {dropped[0], globalBytes("app")},
           {dropped[1], globalBytes("ole")},
           {dropped[2], globalBytes("own")}},
          {kFormatText, kFormatRtf, kFormatLink, kFormatBitmap, kFormatDib, kFormatFileList},
          "fett", kBitmap);
    check("nothing", {}, {}, std::nullopt, std::nullopt);
    // Pictures whose headers lie about what follows: no picture, not even the bitmap the
    // system would make of them with GDI, and they come back whole.
    const auto lying = [](const auto& header, std::size_t following) {  // then 0x11 bytes
        return globalBytes(withHeader(header, std::string(following, '\x11')));
    };
    using Info = BITMAPINFOHEADER;
    check("RLE shorter than its size",
          {{CF_DIB,
            lying(Info{sizeof(Info), 8000, 8000, 1, 8, BI_RLE8, 1 << 26, 0, 0, 0, 0}, 1 << 16)}},
          {}, std::nullopt, std::nullopt);
    BITMAPV5HEADER profile{};
    profile.bV5Size = sizeof profile, profile.bV5ProfileSize = 4096;
    profile.bV5Width = 4, profile.bV5Height = 3, profile.bV5Planes = 1, profile.bV5BitCount = 24;
    profile.bV5CSType = 0x4D424544 /* 'MBED' */, profile.bV5ProfileData = 1 << 30;
    check("profile far outside", {{CF_DIBV5, lying(profile, 36)}}, {}, std::nullopt, std::nullopt);

    // Of a long text only the beginning that is shown is converted, without splitting a
    // surrogate pair; its length counts the whole text. Put back, the text waits to be
    // read, the program's own next reading takes it from the same snapshot, and a
    // clipboard object that goes renders it first.
    std::wstring text(kTextReadUnits - 1, L'a');
    text += L"\U0001F600" + std::wstring(kTextReadUnits * 3, L'b');
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(text)}}));
    std::optional<Clipboard::Reading> reading, again;
    {
        Win32Clipboard leaving;
        reading = leaving.read(true);
        ASSERT_TRUE(reading && reading->whole && leaving.restore(reading->whole));
        again = leaving.read(true);
        ASSERT_TRUE(again && again->whole == reading->whole);
    }
    for (const auto& r : {*reading, *again}) {
        EXPECT_TRUE(r.content.text == std::string(kTextReadUnits - 1, 'a'));
        EXPECT_EQ(r.content.textLength, kTextReadUnits * 4);
    }
    EXPECT_TRUE(clipboardText(other.get()) == text);
}

// A display read renders text and one picture; a snapshot every other format once, but
// none the system makes from another one; confidential content is not read but kept.
TEST_F(ClipboardTest, DisplayReadsAreLightAndConfidentialContentIsNotRead) {
    other.render = [](UINT f) -> HANDLE {  // all text as CF_UNICODETEXT
        if (f == CF_BITMAP || f == CF_ENHMETAFILE)
            return f == CF_BITMAP ? HANDLE(makeDdb()) : HANDLE(makeEmf());
        if (f == CF_METAFILEPICT)
            return makeMetafilePict();
        return f == CF_DIB || f == CF_DIBV5 ? globalBytes(makeDib()) : globalText(L"spät");
    };
    const UINT derived[] = {CF_TEXT, CF_OEMTEXT, CF_DIBV5, CF_BITMAP, CF_METAFILEPICT};
    ClipboardData late = {{CF_UNICODETEXT, nullptr}, {CF_DIB, nullptr}, {CF_ENHMETAFILE, nullptr}};
    for (UINT format : derived)
        late.emplace_back(format, nullptr);
    for (int i = 0; i < 18; ++i)
        late.emplace_back(registered((L"Tabelle " + std::to_wstring(i)).c_str()), nullptr);
    putClipboard(other.get(), late);
    const auto shown = clipboard.read(false);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->content.text, "spät");
    EXPECT_TRUE(shown->content.picture);
    EXPECT_EQ(other.rendered, (std::vector<UINT>{CF_UNICODETEXT, CF_DIB}));
    ASSERT_TRUE(clipboard.read(true));
    EXPECT_EQ(other.rendered.size(), late.size() - std::size(derived));
    for (UINT format : derived)
        EXPECT_EQ(std::ranges::count(other.rendered, format), 0) << format;

    other.rendered.clear();
    putClipboard(other.get(), {{CF_UNICODETEXT, nullptr},
                               {clipboard.formats().excludeMonitor, globalBytes({"\0\0\0\0", 4})}});
    const auto secret = clipboard.read(true);
    ASSERT_TRUE(secret && secret->content.confidential);
    EXPECT_EQ(secret->content.text, std::nullopt);
    EXPECT_EQ(other.rendered, std::vector<UINT>{CF_UNICODETEXT}) << "for the snapshot only";
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"dazwischen")}}));
    ASSERT_TRUE(clipboard.restore(secret->whole));
    EXPECT_EQ(clipboardText(other.get()), L"spät");
    EXPECT_TRUE(clipboard.read(false)->content.confidential);

    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"offen")}}));
    const auto open = clipboard.read(true);
    ASSERT_TRUE(open && clipboard.restore(open->whole));
    EXPECT_FALSE(clipboard.read(false)->content.confidential);
    EXPECT_FALSE(Win32Clipboard().read(false)->content.confidential) << "to a later run";
}

// A holder is rendered for while the program waits; after a second the program gives up.
TEST_F(ClipboardTest, WaitsForAClipboardHeldByAnotherProgramUpToASecond) {
    std::atomic<bool> opened, release;
    std::wstring got;
    const auto waitFor = [](const std::atomic<bool>& flag, std::chrono::milliseconds bound) {
        for (const auto end = std::chrono::steady_clock::now() + bound;
             !flag && std::chrono::steady_clock::now() < end;)
            Sleep(1);
        return flag.load();
    };
    // Reads the text and holds; nothing pumped here: only the program's wait can render.
    const auto holder = [&](std::chrono::milliseconds bound) {
        opened = release = false;
        auto program = std::make_unique<OtherProgram>([&, bound](HWND window) {
            const auto open = openClipboardFor(window);
            opened = static_cast<bool>(open);
            if (GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
                got = static_cast<const wchar_t*>(lock.data());
            waitFor(release, bound);
        });
        return waitFor(opened, 5s) ? std::move(program) : nullptr;
    };
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"für das Ziel")}}));
    const auto store = clipboard.read(true);
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"user's")}}));
    const auto saved = clipboard.read(true);
    ASSERT_TRUE(saved && store);
    ASSERT_TRUE(clipboard.offer(store->whole));
    clipboard.serveOffer(0);
    {
        const auto target = holder(300ms);
        ASSERT_TRUE(target);
        EXPECT_TRUE(clipboard.clearWithMarker());
    }
    EXPECT_EQ(got, L"für das Ziel");
    EXPECT_TRUE(clipboard.markerPresent());
    {
        const auto target = holder(10000ms);
        ASSERT_TRUE(target);
        EXPECT_FALSE(clipboard.clear());
        EXPECT_FALSE(clipboard.read(false));
        EXPECT_FALSE(clipboard.offer(store->whole));
        release = true;
    }
    EXPECT_TRUE(clipboard.markerPresent());
    EXPECT_TRUE(clipboard.restore(saved->whole));
    EXPECT_EQ(clipboardText(other.get()), L"user's");
}

}  // namespace
}  // namespace trifolio::win32
