#include <gtest/gtest.h>

#include "engine_fakes.h"
#include "stores/store.h"

namespace trifolio {
namespace {

using engine_fakes::makePicture;
using platform::ClipboardContent;
using namespace platform;  // format numbers

ClipboardContent offering(std::vector<std::uint32_t> formats,
                          std::optional<std::string> text = std::nullopt,
                          PicturePtr picture = nullptr) {
    return {std::move(formats), std::move(text), std::move(picture)};
}

struct CaptureCase {
    const char* what;
    ClipboardContent content;
    std::string shown;  // the text box
    bool hasText;
    bool hasPicture;
    bool keepsPicture;   // the store holds the clipboard's picture (not an empty one)
    std::string panel2;  // after "Ablage 2: "
    std::string panel1;  // after "(Ablage 1): "
};

// Each kind of clipboard content, captured into store 2 and into store 1: text box,
// flags, picture and the status-bar description.
TEST(Capture, EveryKindOfContentGetsItsFlagsAndDescription) {
    const auto pic = makePicture("pic");
    const std::vector<CaptureCase> cases = {
        {"text", offering({kFormatText}, "hallo"), "hallo", true, false, false, "Text", "Text"},
        {"text and bitmap (DIB derived)",
         offering({kFormatText, kFormatBitmap, kFormatDib}, "hallo", pic), "hallo", true, true,
         true, "Text/Grafik-BMP", "Text/Grafik-BMP"},
        {"bitmap", offering({kFormatBitmap, kFormatDib}, {}, pic), "leer", false, true, true,
         "Grafik-BMP", "Grafik-BMP"},
        {"DIB", offering({kFormatDib}, {}, pic), "leer", false, true, true, "Grafik-DIB",
         "Grafik-DIB"},
        {"EMF answering for WMF", offering({kFormatEnhMetafile, kFormatMetafilePict}, {}, pic),
         "leer", false, true, true, "Grafik-WMF", "Grafik-WMF"},
        {"text and EMF answering for WMF",
         offering({kFormatText, kFormatEnhMetafile, kFormatMetafilePict}, "t", pic), "t", true,
         true, true, "Grafik-WMF", "Grafik-WMF"},
        {"EMF alone", offering({kFormatEnhMetafile}, {}, pic), "leer", false, true, true,
         "Grafik-EMF", "Grafik-EMF"},
        {"text and EMF", offering({kFormatText, kFormatEnhMetafile}, "t", pic), "t", true, true,
         true, "Text/Grafik-EMF", "Text/Grafik-EMF"},
        {"WMF", offering({kFormatMetafilePict}, {}, pic), "leer", false, true, true, "Grafik-WMF",
         "Grafik-WMF"},
        {"text and rich text, no picture", offering({kFormatText, kFormatRtf}, "t"), "t", true,
         true, false, "Text/Grafik-RTF", "Text/Grafik-RTF"},
        {"bitmap and rich text", offering({kFormatRtf, kFormatBitmap}, {}, pic), "leer", false,
         true, true, "Grafik-BMP", "Grafik-BMP"},
        {"file list", offering({kFormatFileList}), "Nicht unterstütztes Format", false, false,
         false, "---", ""},
        {"link information", offering({kFormatLink}), "Nicht unterstütztes Format", false, false,
         false, "---", ""},
        {"palette", offering({kFormatPalette}), "Nicht unterstütztes Format", false, false, false,
         "---", ""},
        {"text and file list", offering({kFormatText, kFormatFileList}, "t"),
         "Nicht unterstütztes Format", true, false, false, "Text", "Text"},
        {"nothing", offering({}), "leer", false, false, false, "---", ""},
        {"text offered but unreadable", offering({kFormatText}), "leer", false, false, false, "---",
         ""},
        {"unknown private format", offering({0xC123}), "leer", false, false, false, "---", ""},
    };
    for (const auto& c : cases) {
        StoreSet stores;
        stores.capture(2, c.content);
        stores.capture(1, c.content);
        for (int n : {1, 2}) {
            const Store& s = stores.store(n);
            EXPECT_EQ(s.displayText(), c.shown) << c.what;
            EXPECT_EQ(s.hasText, c.hasText) << c.what;
            EXPECT_EQ(s.hasPicture, c.hasPicture) << c.what;
            EXPECT_EQ(s.picture != nullptr, c.keepsPicture) << c.what;
        }
        EXPECT_EQ(stores.panelText(2), "Ablage 2: " + c.panel2) << c.what;
        EXPECT_EQ(stores.panelText(1), "(Ablage 1): " + c.panel1) << c.what;
    }
}

// The notice is only what the box shows: the store keeps its text and gives it back.
TEST(Capture, UnsupportedFormatKeepsTheText) {
    StoreSet stores;
    stores.capture(3, offering({kFormatText, kFormatLink}, "Zeile"));
    EXPECT_EQ(stores.store(3).displayText(), "Nicht unterstütztes Format");
    EXPECT_EQ(stores.store(3).text, "Zeile");
    EXPECT_EQ(stores.panelText(3), "Ablage 3: Text");
}

// A capture starts from an empty store: nothing of the earlier content survives.
TEST(Capture, ReplacesEverythingTheStoreHeld) {
    StoreSet stores;
    stores.capture(
        2, offering({kFormatText, kFormatBitmap, kFormatFileList}, "alt", makePicture("alt")));
    stores.capture(2, offering({kFormatDib}, {}, makePicture("neu")));
    const Store& s = stores.store(2);
    EXPECT_FALSE(s.hasText);
    EXPECT_FALSE(s.unsupported);
    EXPECT_EQ(s.displayText(), "leer");
    EXPECT_EQ(stores.panelText(2), "Ablage 2: Grafik-DIB");
    ASSERT_TRUE(s.picture);
    EXPECT_EQ(dynamic_cast<const engine_fakes::FakePicture&>(*s.picture).name, "neu");
}

TEST(Capture, NotifiesOnlyTheStoreItChangedAndIgnoresOtherNumbers) {
    StoreSet stores;
    std::vector<int> changed;
    stores.onChanged = [&](int n) { changed.push_back(n); };
    stores.capture(3, offering({kFormatText}, "x"));
    stores.capture(0, offering({kFormatText}, "x"));
    stores.capture(4, offering({kFormatText}, "x"));
    stores.clear(4);
    EXPECT_EQ(changed, std::vector<int>{3});
    EXPECT_EQ(stores.panelText(2), "Ablage 2: ---");
}

TEST(Capture, ClearingAStoreEmptiesItCompletely) {
    StoreSet stores;
    for (int n : {1, 2}) {
        stores.capture(
            n, offering({kFormatText, kFormatBitmap, kFormatPalette}, "t", makePicture("p")));
        stores.clear(n);
        const Store& s = stores.store(n);
        EXPECT_FALSE(s.hasText || s.hasPicture || s.picture || s.unsupported) << n;
        EXPECT_EQ(s.displayText(), "leer") << n;
    }
    EXPECT_EQ(stores.panelText(1), "(Ablage 1): ");
    EXPECT_EQ(stores.panelText(2), "Ablage 2: ---");
}

}  // namespace
}  // namespace trifolio
