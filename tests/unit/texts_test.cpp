// Text encodings: Windows-1252, the help file, the store preview and the contact request.
#include <gtest/gtest.h>

#include "fakes.h"
#include "platform/text.h"
#include "window/contact.h"
#include "window/texts.h"

namespace trifolio {
namespace {

TEST(Cp1252, EveryAssignedByteRoundTripsAndTheRestBecomesAMark) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(byte)), unassigned ? "?" : byte) << b;
    }
    EXPECT_EQ(cp1252ToUtf8("Einf\xFCgen \x80 \x84\x93"), "Einfügen € „“");
    EXPECT_EQ(utf8ToCp1252("\u4E2D\U0001F600x\xC3"), "??x?");
}

// Lines end at CR LF, CR or LF and are shown with CR LF; a file that is valid UTF-8 (with
// or without byte order mark) is UTF-8, any other Windows-1252. Beyond the limit the text
// ends at a line end (or a character boundary) with a note; NUL and control characters
// show as dots, and a line of more than 1000 characters goes on in the next.
TEST(HelpText, LineEndsEncodingsCutAndBinary) {
    const std::string note = std::string(kHelpCutNote) + "\r\n";
    const std::string x1000(1000, 'x');
    const struct {
        std::string bytes, shown;
        std::size_t limit = kHelpBytes;
    } cases[] = {
        {"eins\r\nzwei\r\ndrei", "eins\r\nzwei\r\ndrei\r\n"},
        {"eins\rzwei\r", "eins\r\nzwei\r\n"},
        {"eins\nzwei\n\ndrei", "eins\r\nzwei\r\n\r\ndrei\r\n"},
        {"a\n\r\nb", "a\r\n\r\nb\r\n"},
        {"", ""},
        {"\xEF\xBB\xBF"
         "Einfügen ß €",
         "Einfügen ß €\r\n"},
        {"Einfügen ß €", "Einfügen ß €\r\n"},
        {"Einf\xFCgen \xDF \x80", "Einfügen ß €\r\n"},
        {"\xC3\xA4 \xE4", "Ã¤ ä\r\n"},               // one Windows-1252 byte decides for the file
        {"\xC0\xAF\xED\xA0\x80", "À¯í\u00A0€\r\n"},  // overlong forms and surrogates
        {"eins\nzwei\ndrei\n", "eins\r\nzwei\r\n" + note, 12},
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
    files.unreadable.insert("readme.txt");
    EXPECT_EQ(helpText(files, "readme.txt"), "Kann Datei 'readme.txt' nicht laden");
}

// A long store text is shown cut after a whole line, or on a character boundary when it
// has no line ends, followed by a note that counts the characters of the whole text.
TEST(StorePreview, LongTextsAreCutAtALineOrCharacterAndNameTheirLength) {
    EXPECT_EQ(previewText("a\nb\r\nc\rd", 7), "a\r\nb\r\nc\r\nd");
    // Only the beginning of a long text was read.
    EXPECT_EQ(previewText("ab", 5),
              "ab\r\n[… gekürzt angezeigt; die Ablage hält den ganzen Text: 5 Zeichen]");
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "Zeile " + std::to_string(1000 + i) + " äöü\n";  // 15 characters, 18 bytes
    const std::string shown = previewText(lines, 15000, 4096);
    const auto note = shown.find(
        "[… gekürzt angezeigt; die Ablage hält den ganzen Text: 15.000 "
        "Zeichen]");
    ASSERT_NE(note, std::string::npos) << shown.substr(shown.size() - 100);
    EXPECT_EQ(shown.substr(note - 8, 8), "äöü\r\n");
    EXPECT_LT(note, 4096u + 4096u / 16);

    std::string umlauts;
    for (int i = 0; i < 10000; ++i)
        umlauts += "ä";
    const std::string cut = previewText(umlauts, 10000, 1001);
    EXPECT_EQ(cut.find("\r\n[…"), 1000u);
    EXPECT_NE(cut.find(" 10.000 Zeichen]"), std::string::npos);
}

// Form encoding in Windows-1252; a character without a byte there goes as "&#N;".
TEST(UrlEncode, EncodesWindows1252BytesAndCharacterReferences) {
    const std::pair<std::string, std::string> cases[] = {
        {"a b-c.d_e", "a+b-c.d_e"},
        {"50%&x=?", "50%25%26x%3D%3F"},
        {"\r\n@~*+", "%0D%0A%40%7E%2A%2B"},
        {std::string(1, '\0'), "%00"},
        {"Grüße € „ja“", "Gr%FC%DFe+%80+%84ja%93"},
        {"\u4E2D", "%26%2320013%3B"},
        {"a\U0001F600b", "a%26%23128512%3Bb"},
        {"\xE4z", "%26%2365533%3Bz"},  // a stray byte takes nothing after it along
    };
    for (const auto& [text, encoded] : cases)
        EXPECT_EQ(UrlEncode(text), encoded) << text;
}

}  // namespace
}  // namespace trifolio
