// The program's clipboard against Wine's real one: what a capture sees of each kind
// of content, the whole-clipboard snapshot, delayed rendering and a busy clipboard.
#include "platform/win32/clipboard.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "platform/win32/event_loop.h"
#include "platform/win32/strings.h"
#include "wine_support.h"

namespace trifolio::win32 {
namespace {

using namespace wine_test;
using platform::kFormatBitmap;
using platform::kFormatDib;
using platform::kFormatEnhMetafile;
using platform::kFormatFileList;
using platform::kFormatLink;
using platform::kFormatMetafilePict;
using platform::kFormatPalette;
using platform::kFormatRtf;
using platform::kFormatText;

const std::string kWorldText = "Grüße – Ωμέγα, 日本語, €, 😀";

COLORREF pixelColour(int x, int y) {
    return RGB(40 * x + 10, 60 * y + 5, 200);
}

// A bottom-up 24-bit packed DIB of width x height whose pixels are pixelColour(x, y).
std::string makeDib(int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::string bytes(sizeof header + static_cast<std::size_t>(stride * height), '\0');
    std::memcpy(bytes.data(), &header, sizeof header);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixelColour(x, y);
            char* p = bytes.data() + sizeof header + (height - 1 - y) * stride + x * 3;
            p[0] = static_cast<char>(GetBValue(c));
            p[1] = static_cast<char>(GetGValue(c));
            p[2] = static_cast<char>(GetRValue(c));
        }
    return bytes;
}

// A device-dependent bitmap like the ones screen-capture tools put in CF_BITMAP.
HBITMAP makeDdb(int width, int height) {
    WindowDc screen(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), width, height);
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    SelectedObject selected(dc.get(), bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dc.get(), x, y, pixelColour(x, y));
    return bitmap;
}

// An enhanced metafile 20 x 10 mm, all of it filled with one colour.
HENHMETAFILE makeEmf(COLORREF colour) {
    RECT frame{0, 0, 2000, 1000};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"test\0picture\0");
    Brush brush(CreateSolidBrush(colour));
    RECT all{0, 0, 76, 38};
    FillRect(dc, &all, brush.get());
    return CloseEnhMetaFile(dc);
}

HGLOBAL makeMetafilePict(COLORREF colour) {
    HDC dc = CreateMetaFileW(nullptr);
    SetWindowExtEx(dc, 100, 50, nullptr);
    Brush brush(CreateSolidBrush(colour));
    SelectObject(dc, brush.get());
    Rectangle(dc, -5, -5, 105, 55);
    HMETAFILE metafile = CloseMetaFile(dc);
    METAFILEPICT pict{MM_ANISOTROPIC, 2000, 1000, metafile};
    return globalBytes(std::string(reinterpret_cast<const char*>(&pict), sizeof pict));
}

HGLOBAL makeFileList(const std::wstring& files) {  // files: names separated by '\0'
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    const std::wstring list = files + L'\0' + L'\0';
    bytes.append(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t));
    return globalBytes(bytes);
}

// Draws a picture into a 32-bit memory bitmap and returns the colour at (x, y).
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
    Win32EventLoop loop;
    // The "other program": owns what the tests put into the clipboard.
    RecordingWindow other;
    Win32Clipboard clipboard;

    std::shared_ptr<const Win32Picture> pictureOf(const platform::Clipboard::Reading& reading) {
        return std::dynamic_pointer_cast<const Win32Picture>(reading.content.picture);
    }
};

TEST_F(ClipboardTest, CapturesTextAsUnicodeAlsoWhenAnAnsiProgramCopiedIt) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(widen(kWorldText))}}));
    auto reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->content.offers(kFormatText));
    EXPECT_EQ(reading->content.text, kWorldText);
    EXPECT_EQ(reading->content.picture, nullptr);
    EXPECT_EQ(reading->whole, nullptr);

    ASSERT_TRUE(
        putClipboard(other.get(), {{CF_TEXT, globalBytes(std::string("plain ANSI\0", 11))}}));
    reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->content.text, "plain ANSI");
}

TEST_F(ClipboardTest, CapturesADeviceDependentBitmapWithItsPixels) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_BITMAP, makeDdb(4, 3)}}));
    auto reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->content.offers(kFormatBitmap));
    EXPECT_TRUE(reading->content.offers(kFormatDib)) << "the system derives a DIB from a bitmap";
    EXPECT_FALSE(reading->content.text);
    auto picture = pictureOf(*reading);
    ASSERT_TRUE(picture);
    ASSERT_TRUE(picture->isBitmap());
    EXPECT_EQ(picture->width(), 4);
    EXPECT_EQ(picture->height(), 3);
    EXPECT_EQ(drawnPixel(*picture, 4, 3, 3, 2), pixelColour(3, 2));
    EXPECT_EQ(drawnPixel(*picture, 4, 3, 0, 0), pixelColour(0, 0));
}

TEST_F(ClipboardTest, CapturesADibAndDrawsItTheRightWayUp) {
    const std::string dib = makeDib(5, 3);
    ASSERT_TRUE(putClipboard(other.get(), {{CF_DIB, globalBytes(dib)}}));
    auto reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->content.offers(kFormatDib));
    auto picture = pictureOf(*reading);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), 5);
    EXPECT_EQ(picture->height(), 3);
    EXPECT_EQ(picture->dibBytes(), dib);
    for (auto [x, y] : {std::pair{0, 0}, {4, 0}, {2, 1}, {0, 2}, {4, 2}})
        EXPECT_EQ(drawnPixel(*picture, 5, 3, x, y), pixelColour(x, y)) << x << "," << y;
}

TEST_F(ClipboardTest, CapturesAnEnhancedMetafile) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_ENHMETAFILE, makeEmf(RGB(0, 128, 255))}}));
    auto reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->content.offers(kFormatEnhMetafile));
    EXPECT_FALSE(reading->content.offers(kFormatBitmap));
    auto picture = pictureOf(*reading);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->isBitmap());
    EXPECT_EQ(picture->width(), 76);  // 20 mm at 96 dpi
    EXPECT_EQ(picture->height(), 38);
    EXPECT_EQ(drawnPixel(*picture, 40, 20, 20, 10), RGB(0, 128, 255));
}

TEST_F(ClipboardTest, CapturesAWindowsMetafilePictureAsAnEnhancedMetafile) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_METAFILEPICT, makeMetafilePict(RGB(255, 0, 0))}}));
    auto reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->content.offers(kFormatMetafilePict));
    auto picture = pictureOf(*reading);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->isBitmap());
    EXPECT_GT(picture->width(), 0);
    EXPECT_GT(picture->height(), 0);
    EXPECT_EQ(drawnPixel(*picture, 40, 20, 20, 10), RGB(255, 0, 0));
}

TEST_F(ClipboardTest, ReportsRichTextLinksFileListsAndPalettesUnderTheLogicsNumbers) {
    const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
    const UINT link = RegisterClipboardFormatW(L"Link");
    LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
    ASSERT_TRUE(
        putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"bold")},
                                   {rtf, globalBytes("{\\rtf1 {\\b bold}}")},
                                   {link, globalBytes(std::string("app\0topic\0item\0\0", 16))},
                                   {CF_HDROP, makeFileList(L"C:\\a.txt")},
                                   {CF_PALETTE, CreatePalette(&palette)}}));
    auto reading = clipboard.read(false);
    ASSERT_TRUE(reading);
    for (std::uint32_t format :
         {kFormatText, kFormatRtf, kFormatLink, kFormatFileList, kFormatPalette})
        EXPECT_TRUE(reading->content.offers(format)) << format;
    EXPECT_EQ(reading->content.text, "bold");
    EXPECT_EQ(reading->content.picture, nullptr) << "rich text alone has no picture";
}

TEST_F(ClipboardTest, AnEmptyClipboardReadsAsNothing) {
    ASSERT_TRUE(putClipboard(other.get(), {}));
    auto reading = clipboard.read(true);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(reading->content.formats.empty());
    EXPECT_FALSE(reading->content.text);
    ASSERT_TRUE(reading->whole);
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"x")}}));
    EXPECT_TRUE(clipboard.restore(*reading->whole));
    EXPECT_EQ(clipboardText(other.get()), L"");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

// ---------------------------------------------------------------------------
// The whole clipboard kept and put back

TEST_F(ClipboardTest, RestoresEveryMemoryFormatByteForByteAndDropsOleLinks) {
    const UINT rtf = RegisterClipboardFormatW(L"Rich Text Format");
    const UINT html = RegisterClipboardFormatW(L"HTML Format");
    const UINT custom = RegisterClipboardFormatW(L"Trifolio Test Binary");
    const UINT objectLink = RegisterClipboardFormatW(L"ObjectLink");
    const UINT olePrivate = RegisterClipboardFormatW(L"Ole Private Data");
    const std::string binary("\0\1\2\xff\xfe zero\0inside", 17);
    const std::string rtfBytes = "{\\rtf1\\ansi {\\b fett} \\u8364? Euro}";
    const std::string htmlBytes = "Version:0.9\r\n<b>fett</b>";
    const std::wstring text = widen(kWorldText);
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(text)},
                                           {rtf, globalBytes(rtfBytes)},
                                           {html, globalBytes(htmlBytes)},
                                           {custom, globalBytes(binary)},
                                           {CF_HDROP, makeFileList(L"C:\\a.txt\0C:\\b c.txt")},
                                           {objectLink, globalBytes("app\0doc\0item")},
                                           {olePrivate, globalBytes("format table")},
                                           {CF_PRIVATEFIRST + 3, globalBytes("private")}}));
    const std::string hdrop = clipboardBytes(other.get(), CF_HDROP);

    auto reading = clipboard.read(true);
    ASSERT_TRUE(reading && reading->whole);
    // The same snapshot can be put back more than once.
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"other")}}));
        ASSERT_TRUE(clipboard.restore(*reading->whole));
        EXPECT_EQ(clipboardText(other.get()), text);
        EXPECT_EQ(clipboardBytes(other.get(), rtf).substr(0, rtfBytes.size()), rtfBytes);
        EXPECT_EQ(clipboardBytes(other.get(), html).substr(0, htmlBytes.size()), htmlBytes);
        EXPECT_EQ(clipboardBytes(other.get(), custom).substr(0, binary.size()), binary);
        EXPECT_EQ(clipboardBytes(other.get(), CF_HDROP), hdrop);
        EXPECT_FALSE(IsClipboardFormatAvailable(objectLink));
        EXPECT_FALSE(IsClipboardFormatAvailable(olePrivate));
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_PRIVATEFIRST + 3));
    }
    // The restore is short-lived content the clipboard history must not take again.
    const auto& formats = clipboard.formats();
    EXPECT_TRUE(IsClipboardFormatAvailable(formats.excludeMonitor));
    const std::string history = clipboardBytes(other.get(), formats.historyAllowed);
    ASSERT_GE(history.size(), sizeof(DWORD));
    EXPECT_EQ(history.substr(0, 4), std::string(4, '\0'));
}

TEST_F(ClipboardTest, RestoresBitmapsMetafilesAndPalettes) {
    const std::string dib = makeDib(6, 2);
    LOGPALETTE palette{0x300, 1, {{10, 20, 30, 0}}};
    EnhMetafile emf(makeEmf(RGB(0, 200, 0)));
    const UINT emfSize = GetEnhMetaFileBits(emf.get(), 0, nullptr);
    std::string emfBits(emfSize, '\0');
    GetEnhMetaFileBits(emf.get(), emfSize, reinterpret_cast<BYTE*>(emfBits.data()));
    ASSERT_TRUE(putClipboard(other.get(), {{CF_DIB, globalBytes(dib)},
                                           {CF_ENHMETAFILE, emf.release()},
                                           {CF_PALETTE, CreatePalette(&palette)}}));
    auto reading = clipboard.read(true);
    ASSERT_TRUE(reading && reading->whole);
    ASSERT_TRUE(putClipboard(other.get(), {}));
    ASSERT_TRUE(clipboard.restore(*reading->whole));

    EXPECT_EQ(clipboardBytes(other.get(), CF_DIB).substr(0, dib.size()), dib);
    ASSERT_TRUE(openClipboardFor(other.get()));
    auto restoredEmf = static_cast<HENHMETAFILE>(GetClipboardData(CF_ENHMETAFILE));
    std::string restoredBits(GetEnhMetaFileBits(restoredEmf, 0, nullptr), '\0');
    GetEnhMetaFileBits(restoredEmf, static_cast<UINT>(restoredBits.size()),
                       reinterpret_cast<BYTE*>(restoredBits.data()));
    PALETTEENTRY entry{};
    GetPaletteEntries(static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)), 0, 1, &entry);
    const bool bitmapOffered = IsClipboardFormatAvailable(CF_BITMAP);
    CloseClipboard();
    EXPECT_EQ(restoredBits, emfBits);
    EXPECT_EQ(entry.peRed, 10);
    EXPECT_EQ(entry.peGreen, 20);
    EXPECT_EQ(entry.peBlue, 30);
    EXPECT_TRUE(bitmapOffered);
}

TEST_F(ClipboardTest, RestoresADeviceDependentBitmapAndAMetafilePicture) {
    HGLOBAL pict = makeMetafilePict(RGB(255, 0, 0));
    std::string wmfBits;
    {
        GlobalLockGuard lock(pict);
        const auto* p = static_cast<const METAFILEPICT*>(lock.data());
        wmfBits.resize(GetMetaFileBitsEx(p->hMF, 0, nullptr));
        GetMetaFileBitsEx(p->hMF, static_cast<UINT>(wmfBits.size()), wmfBits.data());
    }
    ASSERT_TRUE(putClipboard(other.get(), {{CF_BITMAP, makeDdb(3, 2)}, {CF_METAFILEPICT, pict}}));
    auto reading = clipboard.read(true);
    ASSERT_TRUE(reading && reading->whole);
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"other")}}));
    ASSERT_TRUE(clipboard.restore(*reading->whole));

    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    auto again = clipboard.read(false);
    ASSERT_TRUE(again);
    auto picture = pictureOf(*again);
    ASSERT_TRUE(picture && picture->isBitmap());
    EXPECT_EQ(drawnPixel(*picture, 3, 2, 2, 1), pixelColour(2, 1));

    ASSERT_TRUE(openClipboardFor(other.get()));
    std::string restoredBits;
    METAFILEPICT restored{};
    {
        GlobalLockGuard lock(GetClipboardData(CF_METAFILEPICT));
        ASSERT_TRUE(lock);
        restored = *static_cast<const METAFILEPICT*>(lock.data());
        restoredBits.resize(GetMetaFileBitsEx(restored.hMF, 0, nullptr));
        GetMetaFileBitsEx(restored.hMF, static_cast<UINT>(restoredBits.size()),
                          restoredBits.data());
    }
    CloseClipboard();
    EXPECT_EQ(restored.mm, MM_ANISOTROPIC);
    EXPECT_EQ(restored.xExt, 2000);
    EXPECT_EQ(restored.yExt, 1000);
    EXPECT_EQ(restoredBits, wmfBits);
}

// ---------------------------------------------------------------------------
// The marker that tells "nothing copied yet" from "copied"

TEST_F(ClipboardTest, MarkerStaysUntilAnotherProgramWritesTheClipboard) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"before")}}));
    ASSERT_TRUE(clipboard.clearWithMarker());
    EXPECT_TRUE(clipboard.markerPresent());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"copied")}}));
    EXPECT_FALSE(clipboard.markerPresent());
    ASSERT_TRUE(clipboard.clear());
    EXPECT_FALSE(clipboard.markerPresent());
    EXPECT_TRUE(clipboardFormats(other.get()).empty());
}

// ---------------------------------------------------------------------------
// Offering a store with delayed rendering

// Reads the clipboard from a thread of its own, as a target application would.
class Reader {
  public:
    explicit Reader(std::function<void(HWND)> read)
        : thread_([this, read = std::move(read)] {
              RecordingWindow window;
              read(window.get());
              done_ = true;
          }) {}
    ~Reader() { thread_.join(); }
    bool done() const { return done_; }

  private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST_F(ClipboardTest, OfferedTextIsRenderedOnlyWhenAnotherProgramReadsIt) {
    ASSERT_TRUE(clipboard.offer(kWorldText, nullptr));
    EXPECT_EQ(clipboard.renderCount(), 0);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    std::wstring got;
    {
        Reader reader([&](HWND window) { got = clipboardText(window); });
        EXPECT_TRUE(loop.waitUntil([&] { return reader.done(); }, 5000ms));
    }
    EXPECT_EQ(narrow(got), kWorldText);
    EXPECT_GE(clipboard.renderCount(), 1);
    // The offer is short-lived content, kept out of the clipboard history.
    EXPECT_TRUE(IsClipboardFormatAvailable(clipboard.formats().excludeMonitor));
}

TEST_F(ClipboardTest, OffersTextAndPictureTogether) {
    auto captured = [&] {
        putClipboard(other.get(), {{CF_DIB, globalBytes(makeDib(3, 3))}});
        return pictureOf(*clipboard.read(false));
    }();
    ASSERT_TRUE(captured);
    ASSERT_TRUE(clipboard.offer(std::string("Bildunterschrift"), captured));
    std::wstring text;
    std::string dib;
    SIZE bitmapSize{};
    {
        Reader reader([&](HWND window) {
            text = clipboardText(window);
            dib = clipboardBytes(window, CF_DIB);
            if (openClipboardFor(window)) {
                BITMAP info{};
                GetObjectW(GetClipboardData(CF_BITMAP), sizeof info, &info);
                bitmapSize = {info.bmWidth, info.bmHeight};
                CloseClipboard();
            }
        });
        EXPECT_TRUE(loop.waitUntil([&] { return reader.done(); }, 5000ms));
    }
    EXPECT_EQ(text, L"Bildunterschrift");
    EXPECT_EQ(dib.substr(0, captured->dibBytes().size()), captured->dibBytes());
    EXPECT_EQ(bitmapSize.cx, 3);
    EXPECT_EQ(bitmapSize.cy, 3);
    EXPECT_GE(clipboard.renderCount(), 2);
}

TEST_F(ClipboardTest, OffersAMetafileInBothMetafileFormats) {
    putClipboard(other.get(), {{CF_ENHMETAFILE, makeEmf(RGB(9, 9, 9))}});
    auto captured = pictureOf(*clipboard.read(false));
    ASSERT_TRUE(captured);
    ASSERT_TRUE(clipboard.offer(std::nullopt, captured));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "no text offered";
    bool emf = false, wmf = false;
    {
        Reader reader([&](HWND window) {
            if (!openClipboardFor(window))
                return;
            emf = GetClipboardData(CF_ENHMETAFILE) != nullptr;
            GlobalLockGuard lock(GetClipboardData(CF_METAFILEPICT));
            wmf = lock && GetMetaFileBitsEx(static_cast<const METAFILEPICT*>(lock.data())->hMF, 0,
                                            nullptr) > 0;
            CloseClipboard();
        });
        EXPECT_TRUE(loop.waitUntil([&] { return reader.done(); }, 5000ms));
    }
    EXPECT_TRUE(emf);
    EXPECT_TRUE(wmf);
}

TEST_F(ClipboardTest, OfferedContentOutlivesTheProgramsClipboardObject) {
    {
        Win32Clipboard leaving;
        ASSERT_TRUE(leaving.offer(std::string("bleibt"), nullptr));
    }
    EXPECT_EQ(clipboardText(other.get()), L"bleibt");
}

TEST_F(ClipboardTest, ANewOfferReplacesTheOldOneWhole) {
    putClipboard(other.get(), {{CF_DIB, globalBytes(makeDib(2, 2))}});
    auto picture = pictureOf(*clipboard.read(false));
    ASSERT_TRUE(clipboard.offer(std::string("eins"), picture));
    ASSERT_TRUE(clipboard.offer(std::string("zwei"), nullptr));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    std::wstring text;
    {
        Reader reader([&](HWND window) { text = clipboardText(window); });
        EXPECT_TRUE(loop.waitUntil([&] { return reader.done(); }, 5000ms));
    }
    EXPECT_EQ(text, L"zwei");
}

// ---------------------------------------------------------------------------
// Another program holding the clipboard open

// Holds the clipboard open from a thread of its own: runs `whileOpen` with it open,
// then closes it at once (`closeWhenDone`) or when told to.
class Holder {
  public:
    explicit Holder(std::function<void()> whileOpen = {}, bool closeWhenDone = false)
        : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          opened_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          thread_([this, whileOpen = std::move(whileOpen), closeWhenDone] {
              RecordingWindow window;
              if (openClipboardFor(window.get())) {
                  SetEvent(opened_.get());
                  if (whileOpen)
                      whileOpen();
                  if (!closeWhenDone)
                      WaitForSingleObject(release_.get(), 10000);
                  CloseClipboard();
              }
              done_ = true;
          }) {}
    ~Holder() {
        release();
        // Pumps, in case the holder waits for this thread to render something.
        pumpUntil([this] { return done_.load(); }, 15000ms);
        thread_.join();
    }
    bool waitOpened() { return WaitForSingleObject(opened_.get(), 5000) == WAIT_OBJECT_0; }
    void release() { SetEvent(release_.get()); }

  private:
    KernelHandle release_;
    KernelHandle opened_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST_F(ClipboardTest, WaitsForAProgramThatHoldsTheClipboardBriefly) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"user's")}}));
    auto saved = clipboard.read(true);
    ASSERT_TRUE(saved);
    Holder holder([] { Sleep(200); }, true);
    ASSERT_TRUE(holder.waitOpened());
    EXPECT_TRUE(clipboard.clearWithMarker());
    EXPECT_TRUE(clipboard.markerPresent());
    EXPECT_TRUE(clipboard.restore(*saved->whole));
    EXPECT_EQ(clipboardText(other.get()), L"user's");
}

TEST_F(ClipboardTest, GivesUpCleanlyOnAClipboardHeldLongerThanASecond) {
    ASSERT_TRUE(putClipboard(other.get(), {{CF_UNICODETEXT, globalText(L"user's")}}));
    auto saved = clipboard.read(true);
    ASSERT_TRUE(saved);
    {
        Holder holder;
        ASSERT_TRUE(holder.waitOpened());
        EXPECT_FALSE(clipboard.clear());
        EXPECT_FALSE(clipboard.read(false));
        EXPECT_FALSE(clipboard.offer(std::string("store"), nullptr));
    }
    EXPECT_EQ(clipboardText(other.get()), L"user's");
    EXPECT_TRUE(clipboard.restore(*saved->whole));
    EXPECT_EQ(clipboardText(other.get()), L"user's");
}

TEST_F(ClipboardTest, RendersForTheHolderWhileWaitingForItToClose) {
    // The target application opens the clipboard and reads the offered text; the
    // program meanwhile wants the clipboard for its restore.
    ASSERT_TRUE(clipboard.offer(std::string("für das Ziel"), nullptr));
    std::wstring got;
    bool cleared = false;
    {
        Holder holder(
            [&] {
                if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
                    GlobalLockGuard lock(h);
                    got = static_cast<const wchar_t*>(lock.data());
                }
            },
            true);
        ASSERT_TRUE(holder.waitOpened());
        cleared = clipboard.clear();
    }
    EXPECT_TRUE(cleared);
    EXPECT_EQ(got, L"für das Ziel");
}

}  // namespace
}  // namespace trifolio::win32
