// What a capture makes of each kind of clipboard content.
#include <gtest/gtest.h>

#include "fakes.h"

namespace trifolio {
namespace {

using namespace platform;  // format numbers

// Over a store that held text, a picture and a palette; the description in the status bar.
// Confidential content shows as such in every store; stores 2 and 3 keep it (over any) to paste.
TEST(Capture, EveryKindOfContentGetsItsFlagsAndDescription) {
    constexpr auto TXT = kFormatText, BMP = kFormatBitmap, DIB = kFormatDib;
    constexpr auto EMF = kFormatEnhMetafile, WMF = kFormatMetafilePict;
    const struct {
        std::vector<std::uint32_t> formats;
        const char* text;  // what the clipboard gives as text; nullptr: none or unreadable
        const char* shown;
        bool picture;  // the clipboard gives a picture
        bool hasText, hasPicture;
        std::string description;  // of store 2; store 1 starts empty instead of "---"
        bool secret = false;      // another program marked it confidential: nothing is read
    } cases[] = {
        {{TXT}, "t", "t", false, true, false, "Text"},
        {{TXT, BMP, DIB}, "t", "t", true, true, true, "Text/Grafik-BMP"},
        {{EMF, WMF}, nullptr, "leer", true, false, true, "Grafik-WMF"},
        {{TXT, EMF, WMF}, "t", "t", true, true, true, "Grafik-WMF"},
        {{TXT, EMF}, "t", "t", true, true, true, "Text/Grafik-EMF"},
        {{TXT, kFormatRtf}, "t", "t", false, true, true, "Text/Grafik-RTF"},
        {{kFormatFileList}, nullptr, kUnsupportedFormatText, false, false, false, "---"},
        {{TXT, kFormatLink}, "t", kUnsupportedFormatText, false, true, false, "Text"},
        {{TXT}, nullptr, "leer", false, false, false, "---"},
        {{TXT, BMP}, nullptr, kConfidentialText, false, false, false, "---", true},
    };
    const auto picture = std::make_shared<fakes::FakePicture>();
    const auto earlier = std::make_shared<fakes::FakePicture>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description + " " + testing::PrintToString(c.formats));
        StoreSet stores;
        for (int n : {1, 2}) {
            stores.capture(n, {{TXT, BMP, kFormatPalette}, "alt", 3, earlier, c.secret},
                           std::make_shared<ClipboardSnapshot>());
            ClipboardContent content{c.formats, {}, 0, c.picture ? picture : nullptr, c.secret};
            if (c.text)
                content.text = c.text;
            const auto whole = std::make_shared<ClipboardSnapshot>();
            stores.capture(n, content, whole);
            const Store& s = stores.store(n);
            EXPECT_EQ(s.displayText() + "|" + s.text,
                      c.shown + ("|" + std::string(c.hasText ? c.text : "")));
            EXPECT_TRUE(s.hasText == c.hasText && s.hasPicture == c.hasPicture &&
                        s.picture == content.picture);
            // Stores 2 and 3 keep every format for a paste; store 1 only what it shows.
            EXPECT_EQ(s.whole, n == 1 ? nullptr : whole);
        }
        EXPECT_EQ(stores.panelText(2), "Ablage 2: " + c.description);
        EXPECT_EQ(stores.panelText(1),
                  "(Ablage 1): " + (c.description == "---" ? "" : c.description));
    }
}

}  // namespace
}  // namespace trifolio
