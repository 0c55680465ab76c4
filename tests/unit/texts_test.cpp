// Text encodings: Windows-1252, the help file, the store preview and the contact request.
#include <gtest/gtest.h>

#include "core/formats/text.h"
#include "core/window/contact.h"
#include "core/window/texts.h"
#include "fakes.h"

namespace trifolio {
namespace {

// Every assigned byte round-trips, the rest becomes a mark; the contact form's encoding goes
// in Windows-1252, a character without a byte there as "&#N;" (a stray byte takes nothing along).
TEST(Cp1252, RoundTripsMarksAndTheFormEncoding) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(byte)), unassigned ? "?" : byte) << b;
    }
    EXPECT_EQ(cp1252ToUtf8("Einf\xFCgen \x80 \x84\x93"), "Einfügen € „“");
    EXPECT_EQ(utf8ToCp1252("\u4E2D\U0001F600x\xC3"), "??x?");
    EXPECT_EQ(UrlEncode(std::string("a b-c.d_e50%&x=?@~*+\0", 21)),
              "a+b-c.d_e50%25%26x%3D%3F%40%7E%2A%2B%00");
    EXPECT_EQ(UrlEncode("€ „ja“\u4E2D\U0001F600\xE4z"),
              "%80+%84ja%93%26%2320013%3B%26%23128512%3B%26%2365533%3Bz");
}

// Line ends and encodings (the fuzz target checks the form, end to end a file and its cut).
TEST(HelpText, LineEndsEncodingsCutAndBinary) {
    const std::string note = std::string(kHelpCutNote) + "\r\n";
    const std::string x1000(1000, 'x');
    const struct {
        std::string bytes, shown;
        std::size_t limit = kHelpBytes;
    } cases[] = {
        {"a\rb\nc\r\nd\n\r\ne\n\nf", "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n\r\nf\r\n"},
        {"\uFEFFEinfügen ß €", "Einfügen ß €\r\n"},
        {"Einf\xFCgen \xDF \x80", "Einfügen ß €\r\n"},
        {"\xC3\xA4 \xE4", "Ã¤ ä\r\n"},               // one Windows-1252 byte decides for the file
        {"\xC0\xAF\xED\xA0\x80", "À¯í\u00A0€\r\n"},  // overlong forms and surrogates
        {"eins\n", "eins\r\n", 5},
        {"äääää", "ää\r\n" + note, 5},  // no line end: cut before the ä the limit splits
        {std::string("a\0b\x01\tc\x7F", 7), "a·b·\tc·\r\n"},
        {std::string(2500, 'x'), x1000 + "\r\n" + x1000 + "\r\n" + std::string(500, 'x') + "\r\n"},
    };
    fakes::MemoryFiles files;
    for (const auto& c : cases) {
        files.files["readme.txt"] = c.bytes;
        EXPECT_EQ(helpText(files, "readme.txt", c.limit), c.shown)
            << testing::PrintToString(c.bytes);
    }
}

// A long store text is cut after a line, or a character, and its length named.
TEST(StorePreview, LongTextsAreCutAtALineOrCharacterAndNameTheirLength) {
    EXPECT_EQ(previewText("a\nb\r\nc\rd", 7), "a\r\nb\r\nc\r\nd");
    // Only the beginning of a long text was read.
    EXPECT_EQ(previewText("ab", 5),
              "ab\r\n[… gekürzt angezeigt; die Ablage hält den ganzen Text: 5 Zeichen]");
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "Zeile " + std::to_string(1000 + i) + " äöü\n";  // 15 characters, 18 bytes
    const std::string shown = previewText(lines, 15000, 4096);
    const auto note =
        shown.find("[… gekürzt angezeigt; die Ablage hält den ganzen Text: 15.000 Zeichen]");
    ASSERT_NE(note, std::string::npos) << shown.substr(shown.size() - 100);
    EXPECT_EQ(shown.substr(note - 8, 8), "äöü\r\n");
    EXPECT_LT(note, 4096u + 4096u / 16);

    const std::string cut =
        previewText(std::string(998, 'a') + "ää" + std::string(9000, 'a'), 10000, 1001);
    EXPECT_EQ(cut.find("\r\n[…"), 1000u);
    EXPECT_NE(cut.find(" 10.000 Zeichen]"), std::string::npos);
}

}  // namespace
}  // namespace trifolio
