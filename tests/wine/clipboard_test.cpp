// The program's clipboard against Wine's real one: what a capture sees of each kind
// of content, the whole-clipboard snapshot, delayed rendering and a busy clipboard.
#include "platform/win32/clipboard.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/win32/event_loop.h"
#include "platform/win32/strings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;
using namespace platform;

const std::string kWorldText = "Grüße – Ωμέγα, 日本語, €, 😀";
constexpr COLORREF kMetafileColour = RGB(0, 128, 255);

COLORREF pixelColour(int x, int y) {
    return RGB(40 * x + 10, 60 * y + 5, 200);
}

// A bottom-up 24-bit packed DIB of 4 x 3 pixels whose colours are pixelColour(x, y).
std::string makeDib() {
    const int width = 4, height = 3;
    BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const int stride = (width * 3 + 3) & ~3;
    std::string bytes(sizeof header + static_cast<std::size_t>(stride * height), '\0');
    std::memcpy(bytes.data(), &header, sizeof header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            char* p = bytes.data() + sizeof header + (height - 1 - y) * stride + x * 3;
            p[0] = static_cast<char>(GetBValue(pixelColour(x, y)));
            p[1] = static_cast<char>(GetGValue(pixelColour(x, y)));
            p[2] = static_cast<char>(GetRValue(pixelColour(x, y)));
        }
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

UINT registered(const wchar_t* name) {
    return RegisterClipboardFormatW(name);
}

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
    std::shared_ptr<const Win32Picture> capture(const ClipboardData& data) {
        EXPECT_TRUE(putClipboard(other.get(), data));
        auto reading = clipboard.read(false);
        return reading ? std::dynamic_pointer_cast<const Win32Picture>(reading->content.picture)
                       : nullptr;
    }

    Win32EventLoop loop;
    RecordingWindow other;  // the other program, which owns what the tests put in
    Win32Clipboard clipboard;
};

// ---------------------------------------------------------------------------
// What a capture sees, and the whole clipboard kept and put back

TEST_F(ClipboardTest, CapturesEachKindOfContentAndRestoresEveryFormatThatCanBeCopied) {
    enum class Shape { None, Bitmap, Metafile };  // bitmaps 4 x 3, metafiles 20 x 10 mm
    const UINT objectLink = registered(L"ObjectLink"), olePrivate = registered(L"Ole Private Data");
    const struct {
        const char* name;
        ClipboardData data;
        std::vector<std::uint32_t> offers;
        std::optional<std::string> text;
        Shape shape;
        std::vector<UINT> dropped;  // offered, but meaningless once put back
    } cases[] = {
        {"Unicode text and a metafile picture",
         {{CF_UNICODETEXT, globalText(widen(kWorldText))}, {CF_METAFILEPICT, makeMetafilePict()}},
         {kFormatText, kFormatMetafilePict},
         kWorldText,
         Shape::Metafile,
         {}},
        {"ANSI text and an enhanced metafile",
         {{CF_TEXT, globalBytes({"plain ANSI\0", 11})}, {CF_ENHMETAFILE, makeEmf()}},
         {kFormatText, kFormatEnhMetafile},
         "plain ANSI",
         Shape::Metafile,
         {}},
        {"DIB and palette",
         {{CF_DIB, globalBytes(makeDib())}, {CF_PALETTE, makePalette()}},
         {kFormatDib, kFormatPalette},
         std::nullopt,
         Shape::Bitmap,
         {}},
        {"documents with a device-dependent bitmap",
         {{CF_UNICODETEXT, globalText(L"fett")},
          {registered(L"Rich Text Format"), globalBytes("{\\rtf1 {\\b fett} \\u8364?}")},
          {registered(L"HTML Format"), globalBytes("Version:0.9\r\n<b>fett</b>")},
          {registered(L"Link"), globalBytes({"app\0topic\0item\0\0", 16})},
          {registered(L"Trifolio Test Binary"), globalBytes({"\0\1\xff zero\0in", 11})},
          {CF_HDROP, makeFileList(L"C:\\a.txt\0C:\\b c.txt")},
          {CF_BITMAP, makeDdb()},
          {objectLink, globalBytes("app\0doc\0item")},
          {olePrivate, globalBytes("format table")},
          {CF_PRIVATEFIRST + 3, globalBytes("private")}},
         {kFormatText, kFormatRtf, kFormatLink, kFormatFileList, kFormatBitmap, kFormatDib},
         "fett",
         Shape::Bitmap,
         {objectLink, olePrivate, CF_PRIVATEFIRST + 3}},
        {"nothing", {}, {}, std::nullopt, Shape::None, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(putClipboard(other.get(), c.data));
        std::vector<std::pair<UINT, std::string>> before{
            {CF_UNICODETEXT, clipboardContent(other.get(), CF_UNICODETEXT)}};
        for (const auto& [format, handle] : c.data)
            if (std::find(c.dropped.begin(), c.dropped.end(), format) == c.dropped.end())
                before.emplace_back(format, clipboardContent(other.get(), format));

        const auto reading = clipboard.read(true);
        ASSERT_TRUE(reading && reading->whole);
        for (std::uint32_t format : c.offers)
            EXPECT_TRUE(reading->content.offers(format)) << format;
        EXPECT_EQ(reading->content.text, c.text);
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
            ASSERT_TRUE(clipboard.restore(*reading->whole));
            for (const auto& [format, content] : before)
                EXPECT_EQ(clipboardContent(other.get(), format), content) << format;
            for (UINT format : c.dropped)
                EXPECT_FALSE(IsClipboardFormatAvailable(format)) << format;
        }
        // The restore is short-lived content the clipboard history must not take again.
        EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
        EXPECT_EQ(clipboardContent(other.get(), clipboard.formats().historyAllowed),
                  std::string(4, '\0'));
    }
}

// A DIB whose header lies is no picture, and the CF_BITMAP beside it, which the system
// would make from that DIB, is not asked for: neither by the capture nor by the snapshot.
TEST_F(ClipboardTest, ALyingDibIsNoPictureAndItsBitmapIsLeftAlone) {
    std::string rle = makeDib(), short24 = makeDib();
    rle[16] = BI_RLE8, rle[14] = 8, rle[32] = 1, rle[22] = 1;  // one colour, 64 KiB of RLE
    short24.pop_back();                                        // a pixel byte short
    for (const std::string& dib : {rle, short24}) {
        // The owner offers CF_BITMAP to be rendered when read, which gives no handle back.
        putClipboard(other.get(), {{CF_DIB, globalBytes(dib)}, {CF_BITMAP, nullptr}});
        ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
        const auto reading = clipboard.read(true);
        ASSERT_TRUE(reading);
        EXPECT_TRUE(reading->content.offers(kFormatDib));
        EXPECT_FALSE(reading->content.picture);
    }
    EXPECT_FALSE(other.received(WM_RENDERFORMAT, CF_BITMAP));
}

// ---------------------------------------------------------------------------
// Offering a store with delayed rendering

// Each offer is rendered only when read, shows nothing of the one before, and outlives
// the program's clipboard object.
TEST_F(ClipboardTest, OffersAreRenderedWhenAnotherProgramReadsThemAndReplaceEachOther) {
    const std::string dib = makeDib();
    const auto bitmap = capture({{CF_DIB, globalBytes(dib)}});
    const auto metafile = capture({{CF_ENHMETAFILE, makeEmf()}});
    const std::string emfBits = clipboardContent(other.get(), CF_ENHMETAFILE);
    ASSERT_TRUE(bitmap && metafile);

    const struct {
        std::optional<std::string> text;
        std::shared_ptr<const Win32Picture> picture;
    } offers[] = {{"Bildunterschrift", bitmap}, {kWorldText, nullptr}, {std::nullopt, metafile}};
    const UINT formats[] = {CF_UNICODETEXT, CF_DIB, CF_BITMAP, CF_ENHMETAFILE, CF_METAFILEPICT};
    for (const auto& offer : offers) {
        SCOPED_TRACE(offer.text.value_or("no text"));
        ASSERT_TRUE(clipboard.offer(offer.text, offer.picture));
        EXPECT_EQ(clipboard.readsBy(0), 0) << "rendered before anyone read";
        std::map<UINT, std::string> read;
        {
            OtherProgram target([&](HWND window) {
                for (UINT format : formats)
                    read[format] = clipboardContent(window, format);
            });
            EXPECT_TRUE(loop.waitUntil([&] { return target.done(); }, 5000ms));
        }
        EXPECT_GT(clipboard.readsBy(GetCurrentProcessId()), 0);
        const std::wstring text = offer.text ? widen(*offer.text) : L"";
        EXPECT_EQ(read[CF_UNICODETEXT].substr(0, text.size() * 2),
                  std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
        EXPECT_EQ(read[CF_UNICODETEXT].empty(), !offer.text);
        EXPECT_EQ(read[CF_DIB], offer.picture == bitmap ? dib : "");
        EXPECT_EQ(read[CF_BITMAP].empty(), offer.picture != bitmap);
        EXPECT_EQ(read[CF_ENHMETAFILE], offer.picture == metafile ? emfBits : "");
        EXPECT_EQ(read[CF_METAFILEPICT].empty(), offer.picture != metafile);
        // The offer is short-lived content, kept out of the clipboard history.
        EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
    }
    {
        Win32Clipboard leaving;
        ASSERT_TRUE(leaving.offer(std::string("bleibt"), nullptr));
    }
    EXPECT_EQ(clipboardText(other.get()), L"bleibt");
}

// The Status page's read of a clipboard whose owner offers many formats late renders
// the plain text and one picture and nothing else; only an action's whole snapshot takes
// all. Content its owner marks confidential is read for nothing that could be shown, and
// comes back whole and still confidential, while what this program marks for a moment
// is not confidential.
TEST_F(ClipboardTest, DisplayReadsAreLightAndConfidentialContentIsNotRead) {
    other.render = [](UINT format) {
        return format == CF_UNICODETEXT ? globalText(L"spät")
               : format == CF_DIB       ? globalBytes(makeDib())
                                        : globalBytes("data");
    };
    const auto offerLate = [&](const std::vector<UINT>& formats, const ClipboardData& now) {
        other.forget();
        ClipboardData data = now;
        for (UINT format : formats)
            data.emplace_back(format, nullptr);
        putClipboard(other.get(), data);
    };
    std::vector<UINT> spreadsheet = {CF_UNICODETEXT, CF_DIB, registered(L"Rich Text Format"),
                                     registered(L"HTML Format"), registered(L"Csv")};
    for (int i = 0; i < 15; ++i)
        spreadsheet.push_back(registered((L"Tabelle " + std::to_wstring(i)).c_str()));
    offerLate(spreadsheet, {});
    const auto shown = clipboard.read(false);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->content.text, "spät");
    EXPECT_TRUE(shown->content.picture);
    EXPECT_EQ(other.wParams(WM_RENDERFORMAT), (std::vector<WPARAM>{CF_UNICODETEXT, CF_DIB}));
    ASSERT_TRUE(clipboard.read(true));
    EXPECT_EQ(other.wParams(WM_RENDERFORMAT).size(), spreadsheet.size());

    const UINT exclude = clipboard.formats().excludeMonitor;
    offerLate({CF_UNICODETEXT}, {{exclude, globalBytes(std::string(4, '\0'))}});
    const auto secret = clipboard.read(true);
    ASSERT_TRUE(secret);
    EXPECT_TRUE(secret->content.confidential);
    EXPECT_EQ(secret->content.text, std::nullopt);
    EXPECT_EQ(other.wParams(WM_RENDERFORMAT), std::vector<WPARAM>{CF_UNICODETEXT})
        << "rendered for the snapshot only";
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"dazwischen")}}));
    ASSERT_TRUE(clipboard.restore(*secret->whole));
    EXPECT_EQ(clipboardText(other.get()), L"spät");
    EXPECT_TRUE(clipboard.read(false)->content.confidential);

    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"offen")}}));
    const auto open = clipboard.read(true);
    ASSERT_TRUE(open && clipboard.restore(*open->whole));
    EXPECT_FALSE(clipboard.read(false)->content.confidential);
}

// ---------------------------------------------------------------------------
// Another program holding the clipboard open

// Opens the clipboard from another thread, reads its text into `text` and holds it until
// the holder goes or `bound` has passed.
class Holder {
  public:
    Holder(std::chrono::milliseconds bound, std::wstring& text)
        : program_([this, bound, &text](HWND window) {
              if (!openClipboardFor(window))
                  return;
              opened = true;
              if (GlobalLockGuard lock(GetClipboardData(CF_UNICODETEXT)); lock)
                  text = static_cast<const wchar_t*>(lock.data());
              const auto deadline = std::chrono::steady_clock::now() + bound;
              while (!release_ && std::chrono::steady_clock::now() < deadline)
                  Sleep(5);
              CloseClipboard();
          }) {
        // Waits without handling messages, so that what the holder asks the program to
        // render can only be rendered inside the program's own wait.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!opened && std::chrono::steady_clock::now() < deadline)
            Sleep(1);
    }
    ~Holder() { release_ = true; }
    std::atomic<bool> opened{false};

  private:
    std::atomic<bool> release_{false};
    OtherProgram program_;  // last: its thread uses the flags above
};

// A target that reads the offered store and holds the clipboard a while longer is
// rendered for while the program waits; one that holds it longer than a second makes
// the program give up cleanly, and the user's content comes back after.
TEST_F(ClipboardTest, WaitsForAClipboardHeldByAnotherProgramUpToASecond) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"user's")}}));
    const auto saved = clipboard.read(true);
    ASSERT_TRUE(saved);
    ASSERT_TRUE(clipboard.offer(std::string("für das Ziel"), nullptr));
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
        EXPECT_FALSE(clipboard.offer(std::string("store"), nullptr));
        EXPECT_FALSE(clipboard.restore(*saved->whole));
    }
    EXPECT_TRUE(clipboard.markerPresent());
    EXPECT_TRUE(clipboard.restore(*saved->whole));
    EXPECT_EQ(clipboardText(other.get()), L"user's");
}

}  // namespace
}  // namespace trifolio::win32
