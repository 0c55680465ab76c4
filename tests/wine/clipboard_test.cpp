// The program's clipboard against Wine's real one: what a capture sees of each kind
// of content, the whole-clipboard snapshot, delayed rendering and a busy clipboard.
#include "platform/win32/clipboard.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

#include "platform/text.h"
#include "platform/win32/strings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;
using namespace platform;

const std::string kWorldText = "Grüße – Ωμέγα, 日本語, €, 😀";
constexpr COLORREF kMetafileColour = RGB(0, 128, 255);

constexpr auto pixelColour = [](int x, int y) { return RGB(40 * x + 10, 60 * y + 5, 200); };

// A bottom-up 24-bit packed DIB of 4 x 3 pixels (rows of 12 bytes, no padding) whose
// colours are pixelColour(x, y).
std::string makeDib() {
    BITMAPINFOHEADER header{sizeof header, 4, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = 2; y >= 0; --y)
        for (int x = 0; x < 4; ++x)
            for (BYTE part : {GetBValue(pixelColour(x, y)), GetGValue(pixelColour(x, y)),
                              GetRValue(pixelColour(x, y))})
                bytes += static_cast<char>(part);
    return bytes;
}

// A device-dependent bitmap like the ones screen-capture tools put in CF_BITMAP.
HBITMAP makeDdb() {
    const std::string dib = makeDib();
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    WindowDc screen(nullptr);
    return CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT,
                          dib.data() + sizeof(BITMAPINFOHEADER), info, DIB_RGB_COLORS);
}

// An enhanced metafile 20 x 10 mm, all of it kMetafileColour.
HENHMETAFILE makeEmf() {
    RECT frame{0, 0, 2000, 1000};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"test\0picture\0");
    Brush brush(CreateSolidBrush(kMetafileColour));
    RECT all{0, 0, 76, 38};
    FillRect(dc, &all, brush.get());
    return CloseEnhMetaFile(dc);
}

// A Windows metafile picture of the same size and colour.
HGLOBAL makeMetafilePict() {
    HDC dc = CreateMetaFileW(nullptr);
    SetWindowExtEx(dc, 100, 50, nullptr);
    Brush brush(CreateSolidBrush(kMetafileColour));
    SelectObject(dc, brush.get());
    Rectangle(dc, -5, -5, 105, 55);
    METAFILEPICT pict{MM_ANISOTROPIC, 2000, 1000, CloseMetaFile(dc)};
    return globalBytes(std::string(reinterpret_cast<const char*>(&pict), sizeof pict));
}

HGLOBAL makeFileList(const std::wstring& files) {  // files: names separated by '\0'
    DROPFILES header{sizeof header, {}, FALSE, TRUE};
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    const std::wstring list = files + L'\0' + L'\0';
    bytes.append(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t));
    return globalBytes(bytes);
}

HPALETTE makePalette() {
    LOGPALETTE palette{0x300, 1, {{10, 20, 30, 0}}};
    return CreatePalette(&palette);
}

const auto registered = [](const wchar_t* name) { return RegisterClipboardFormatW(name); };

// Draws a picture into a memory bitmap of width x height and returns the colour at (x, y).
COLORREF drawnPixel(const Win32Picture& picture, int width, int height, int x, int y) {
    WindowDc screen(nullptr);
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    Bitmap target(CreateCompatibleBitmap(screen.get(), width, height));
    SelectedObject selected(dc.get(), target.get());
    picture.draw(dc.get(), RECT{0, 0, width, height});
    return GetPixel(dc.get(), x, y);
}

class ClipboardTest : public ::testing::Test {
  protected:
    RecordingWindow other;  // the other program, which owns what the tests put in
    Win32Clipboard clipboard;
};

TEST_F(ClipboardTest, CapturesEachKindOfContentAndRestoresEveryFormatThatCanBeCopied) {
    enum class Shape { None, Bitmap, Metafile };  // bitmaps 4 x 3, metafiles 20 x 10 mm
    // Offered, but meaningless once put back.
    const UINT dropped[] = {registered(L"ObjectLink"), registered(L"Ole Private Data"),
                            CF_PRIVATEFIRST + 3};
    const struct {
        const char* name;
        ClipboardData data;
        std::vector<std::uint32_t> offers;
        std::optional<std::string> text;
        Shape shape;
    } cases[] = {
        {"Unicode text and a metafile picture",
         {{CF_UNICODETEXT, globalText(widen(kWorldText))}, {CF_METAFILEPICT, makeMetafilePict()}},
         {kFormatText, kFormatMetafilePict},
         kWorldText,
         Shape::Metafile},
        {"ANSI text and an enhanced metafile",
         {{CF_TEXT, globalBytes({"plain ANSI\0", 11})}, {CF_ENHMETAFILE, makeEmf()}},
         {kFormatText, kFormatEnhMetafile},
         "plain ANSI",
         Shape::Metafile},
        {"DIB and palette",
         {{CF_DIB, globalBytes(makeDib())}, {CF_PALETTE, makePalette()}},
         {kFormatDib, kFormatPalette},
         std::nullopt,
         Shape::Bitmap},
        {"documents with a device-dependent bitmap",
         {{CF_UNICODETEXT, globalText(L"fett")},
          {registered(L"Rich Text Format"), globalBytes("{\\rtf1 {\\b fett} \\u8364?}")},
          {registered(L"Link"), globalBytes({"app\0topic\0item\0\0", 16})},
          {registered(L"Trifolio Test Binary"), globalBytes({"\0\1\xff zero\0in", 11})},
          {CF_HDROP, makeFileList(L"C:\\a.txt\0C:\\b c.txt")},
          {CF_BITMAP, makeDdb()},
          {dropped[0], globalBytes("app\0doc\0item")},
          {dropped[1], globalBytes("format table")},
          {dropped[2], globalBytes("private")}},
         {kFormatText, kFormatRtf, kFormatLink, kFormatFileList, kFormatBitmap, kFormatDib},
         "fett",
         Shape::Bitmap},
        {"nothing", {}, {}, std::nullopt, Shape::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(putClipboard(other.get(), c.data));
        std::vector<std::pair<UINT, std::string>> before{
            {CF_UNICODETEXT, clipboardContent(other.get(), CF_UNICODETEXT)}};
        for (const auto& [format, handle] : c.data)
            if (std::find(std::begin(dropped), std::end(dropped), format) == std::end(dropped))
                before.emplace_back(format, clipboardContent(other.get(), format));

        const auto reading = clipboard.read(true);
        ASSERT_TRUE(reading && reading->whole);
        for (std::uint32_t format : c.offers)
            EXPECT_TRUE(reading->content.offers(format)) << format;
        EXPECT_EQ(reading->content.text, c.text);
        EXPECT_EQ(reading->content.textLength, characterCount(c.text.value_or("")));
        const auto picture =
            std::dynamic_pointer_cast<const Win32Picture>(reading->content.picture);
        EXPECT_EQ(picture != nullptr, c.shape != Shape::None);
        if (picture) {
            const bool bitmap = c.shape == Shape::Bitmap;
            const int w = bitmap ? 4 : 76, h = bitmap ? 3 : 38;
            EXPECT_EQ(picture->isBitmap(), bitmap);
            EXPECT_EQ(picture->width(), w);
            EXPECT_EQ(picture->height(), h);
            // Opposite corners tell a bitmap drawn upside down or mirrored.
            EXPECT_EQ(drawnPixel(*picture, w, h, 0, 0),
                      bitmap ? pixelColour(0, 0) : kMetafileColour);
            EXPECT_EQ(drawnPixel(*picture, w, h, w - 1, h - 1),
                      bitmap ? pixelColour(w - 1, h - 1) : kMetafileColour);
        }

        for (int round = 1; round <= 2; ++round) {  // one snapshot serves every restore
            SCOPED_TRACE(round);
            ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"other")}}));
            ASSERT_TRUE(clipboard.restore(reading->whole));
            for (const auto& [format, content] : before)
                EXPECT_EQ(clipboardContent(other.get(), format), content) << format;
            for (UINT format : dropped)
                EXPECT_FALSE(IsClipboardFormatAvailable(format)) << format;
        }
        // The restore is short-lived content the clipboard history must not take again.
        EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
        EXPECT_EQ(clipboardContent(other.get(), clipboard.formats().historyAllowed),
                  std::string(4, '\0'));
    }

    // Of a long text only the beginning that is shown is converted, without splitting a
    // surrogate pair; its length counts the whole text. Put back, the text waits to be
    // read, and the program's own next reading takes it from the same snapshot.
    std::wstring text(kTextReadUnits - 1, L'a');
    text += L"\U0001F600" + std::wstring(kTextReadUnits * 3, L'b');
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(text)}}));
    const auto reading = clipboard.read(true);
    ASSERT_TRUE(reading && reading->whole);
    ASSERT_TRUE(clipboard.restore(reading->whole));
    const auto again = clipboard.read(true);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->whole, reading->whole);
    for (const auto& r : {*reading, *again}) {
        EXPECT_TRUE(r.content.text == std::string(kTextReadUnits - 1, 'a'));
        EXPECT_EQ(r.content.textLength, kTextReadUnits * 4);
    }
    EXPECT_TRUE(clipboardText(other.get()) == text);
}

// Each offer is rendered only when read, shows nothing of the one before, and outlives
// the program's clipboard object.
TEST_F(ClipboardTest, OffersAreRenderedWhenAnotherProgramReadsThemAndReplaceEachOther) {
    const std::string dib = makeDib();
    std::map<const void*, std::shared_ptr<const platform::ClipboardSnapshot>> wholes;
    const auto capture = [&](const ClipboardData& data) {
        EXPECT_TRUE(putClipboard(other.get(), data));
        auto reading = clipboard.read(true).value();
        const auto picture = std::dynamic_pointer_cast<const Win32Picture>(reading.content.picture);
        wholes[picture.get()] = reading.whole;
        return picture;
    };
    const auto bitmap = capture({{CF_DIB, globalBytes(dib)}});
    const auto metafile = capture({{CF_ENHMETAFILE, makeEmf()}});
    const std::string emfBits = clipboardContent(other.get(), CF_ENHMETAFILE);
    ASSERT_TRUE(bitmap && metafile);

    for (const auto& picture : {bitmap, metafile}) {
        ASSERT_TRUE(clipboard.offer(wholes[picture.get()]));
        EXPECT_EQ(clipboard.readsBy(0), 0) << "rendered before anyone read";
        std::map<UINT, std::string> read;
        {
            OtherProgram target([&](HWND window) {
                for (UINT format :
                     {CF_UNICODETEXT, CF_DIB, CF_BITMAP, CF_ENHMETAFILE, CF_METAFILEPICT})
                    read[format] = clipboardContent(window, format);
            });
            EXPECT_TRUE(pumpUntil([&] { return target.done(); }));
        }
        EXPECT_GT(clipboard.readsBy(GetCurrentProcessId()), 0);
        EXPECT_EQ(read[CF_UNICODETEXT], "");
        EXPECT_EQ(read[CF_DIB], picture == bitmap ? dib : "");
        EXPECT_EQ(read[CF_BITMAP].empty(), picture != bitmap);
        EXPECT_EQ(read[CF_ENHMETAFILE], picture == metafile ? emfBits : "");
        EXPECT_EQ(read[CF_METAFILEPICT].empty(), picture != metafile);
        // The offer is short-lived content, kept out of the clipboard history.
        EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
    }
    {
        Win32Clipboard leaving;
        ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"bleibt")}}));
        ASSERT_TRUE(leaving.offer(leaving.read(true).value().whole));
    }
    EXPECT_EQ(clipboardText(other.get()), L"bleibt");
}

// The Status page's read of many late formats renders the text and one picture; only an
// action's snapshot takes all. Content marked confidential is read for nothing shown and
// comes back whole and confidential; what this program marks for a moment is not.
TEST_F(ClipboardTest, DisplayReadsAreLightAndConfidentialContentIsNotRead) {
    other.render = [](UINT f) {
        return f == CF_DIB ? globalBytes(makeDib()) : globalText(L"spät");
    };
    ClipboardData late = {{CF_UNICODETEXT, nullptr}, {CF_DIB, nullptr}};
    for (int i = 0; i < 18; ++i)
        late.emplace_back(registered((L"Tabelle " + std::to_wstring(i)).c_str()), nullptr);
    putClipboard(other.get(), late);
    const auto shown = clipboard.read(false);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->content.text, "spät");
    EXPECT_TRUE(shown->content.picture);
    EXPECT_EQ(other.wParams(WM_RENDERFORMAT), (std::vector<WPARAM>{CF_UNICODETEXT, CF_DIB}));
    ASSERT_TRUE(clipboard.read(true));
    EXPECT_EQ(other.wParams(WM_RENDERFORMAT).size(), late.size());

    other.forget();
    putClipboard(other.get(), {{CF_UNICODETEXT, nullptr},
                               {clipboard.formats().excludeMonitor, globalBytes({"\0\0\0\0", 4})}});
    const auto secret = clipboard.read(true);
    ASSERT_TRUE(secret);
    EXPECT_TRUE(secret->content.confidential);
    EXPECT_EQ(secret->content.text, std::nullopt);
    EXPECT_EQ(other.wParams(WM_RENDERFORMAT), std::vector<WPARAM>{CF_UNICODETEXT})
        << "rendered for the snapshot only";
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

// Opens the clipboard from another thread, reads its text into `text` and holds it until
// the holder goes or `bound` has passed.
struct Holder {
    Holder(std::chrono::milliseconds bound, std::wstring& text)
        : program([this, bound, &text](HWND window) {
              if (!openClipboardFor(window))
                  return;
              opened = true;
              if (GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
                  text = static_cast<const wchar_t*>(lock.data());
              for (const auto end = std::chrono::steady_clock::now() + bound;
                   !release && std::chrono::steady_clock::now() < end;)
                  Sleep(5);
              CloseClipboard();
          }) {
        // No messages handled here: the holder's render requests wait for the program's wait.
        for (const auto end = std::chrono::steady_clock::now() + 5s;
             !opened && std::chrono::steady_clock::now() < end;)
            Sleep(1);
    }
    ~Holder() { release = true; }
    std::atomic<bool> opened{false}, release{false};
    OtherProgram program;  // last: its thread uses the flags above
};

// A target reading the offer and holding the clipboard a while is rendered for while the
// program waits; one holding it over a second makes the program give up cleanly.
TEST_F(ClipboardTest, WaitsForAClipboardHeldByAnotherProgramUpToASecond) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"für das Ziel")}}));
    const auto store = clipboard.read(true);
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"user's")}}));
    const auto saved = clipboard.read(true);
    ASSERT_TRUE(saved && store);
    ASSERT_TRUE(clipboard.offer(store->whole));
    std::wstring got;
    {
        Holder target(300ms, got);
        ASSERT_TRUE(target.opened);
        EXPECT_TRUE(clipboard.clearWithMarker());
    }
    EXPECT_EQ(got, L"für das Ziel");
    EXPECT_TRUE(clipboard.markerPresent());
    {
        Holder holder(10000ms, got);
        ASSERT_TRUE(holder.opened);
        EXPECT_FALSE(clipboard.clear());
        EXPECT_FALSE(clipboard.read(false));
        EXPECT_FALSE(clipboard.offer(store->whole));
    }
    EXPECT_TRUE(clipboard.markerPresent());
    EXPECT_TRUE(clipboard.restore(saved->whole));
    EXPECT_EQ(clipboardText(other.get()), L"user's");
}

}  // namespace
}  // namespace trifolio::win32
