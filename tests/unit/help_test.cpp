#include <gtest/gtest.h>

#include "fakes.h"
#include "window/texts.h"

namespace trifolio {
namespace {

class HelpText : public ::testing::Test {
  protected:
    fakes::MemoryFiles files;
    const std::string path = std::string(fakes::kProgramDir) + "readme.txt";
    std::string load(std::string bytes) {
        files.files[path] = std::move(bytes);
        return helpText(files, path);
    }
};

TEST_F(HelpText, EveryLineEndsInCrLfWhateverEndedItInTheFile) {
    EXPECT_EQ(load("eins\r\nzwei\r\ndrei\r\n"), "eins\r\nzwei\r\ndrei\r\n");
    EXPECT_EQ(load("eins\r\nzwei\r\ndrei"), "eins\r\nzwei\r\ndrei\r\n");
    EXPECT_EQ(load("eins\rzwei\r"), "eins\r\nzwei\r\n");
    // LF alone ends a line too, so files written on other systems read as written.
    EXPECT_EQ(load("eins\nzwei\n\ndrei"), "eins\r\nzwei\r\n\r\ndrei\r\n");
    EXPECT_EQ(load("a\n\r\nb"), "a\r\n\r\nb\r\n");
}

TEST_F(HelpText, EmptyFileGivesEmptyText) {
    EXPECT_EQ(load(""), "");
    EXPECT_EQ(load("\r\n"), "\r\n");
}

TEST_F(HelpText, Utf8WithOrWithoutMarkAndWindows1252AllShowUmlauts) {
    EXPECT_EQ(load("\xEF\xBB\xBF"
                   "Einfügen ß €"),
              "Einfügen ß €\r\n");
    EXPECT_EQ(load("Einfügen ß €"), "Einfügen ß €\r\n");
    EXPECT_EQ(load("Einf\xFCgen \xDF \x80"), "Einfügen ß €\r\n");
    // One Windows-1252 byte makes the whole file Windows-1252, even beside
    // sequences that happen to look like UTF-8.
    EXPECT_EQ(load("\xC3\xA4 \xE4"), "Ã¤ ä\r\n");
    // Overlong forms and surrogates are not UTF-8.
    EXPECT_EQ(decodeTextFile("\xC0\xAF"), "À¯");
    EXPECT_EQ(decodeTextFile("\xED\xA0\x80"), "í\u00A0\u20AC");
}

TEST_F(HelpText, MissingOrUnreadableFileGivesTheFailureText) {
    EXPECT_EQ(helpText(files, path), "Kann Datei 'readme.txt' nicht laden");
    files.unreadable.insert(path);
    EXPECT_EQ(helpText(files, path), "Kann Datei 'readme.txt' nicht laden");
}

TEST(StorePreview, ShortTextsAreShownWholeWithLineEndsForTheBox) {
    EXPECT_EQ(previewText("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(previewText(""), "");
}

TEST(StorePreview, LongTextIsCutAtALineAndNamesItsWholeLength) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "Zeile " + std::to_string(i) + " mit Umlauten äöü\n";
    const std::string shown = previewText(text, 4096);
    EXPECT_LT(shown.size(), 4096u + 4096u / 16 + 200u);  // CRs added, note
    // The cut falls after a whole line, and the note counts characters, not bytes.
    const auto note = shown.find("[…");
    ASSERT_NE(note, std::string::npos);
    EXPECT_EQ(shown.substr(note - 8, 8), "äöü\r\n");
    std::size_t characters = 0;
    for (unsigned char c : text)
        characters += (c & 0xC0) != 0x80;
    std::string grouped = std::to_string(characters);
    grouped.insert(grouped.size() - 3, ".");
    EXPECT_NE(shown.find(grouped + " Zeichen]"), std::string::npos) << shown.substr(note);
}

TEST(StorePreview, TextWithoutLineEndsIsCutOnACharacterBoundary) {
    // Two-byte characters and a limit that falls inside one of them.
    std::string umlauts;
    for (int i = 0; i < 10000; ++i)
        umlauts += "ä";
    const std::string shown = previewText(umlauts, 1001);
    const auto note = shown.find("\r\n[…");
    ASSERT_NE(note, std::string::npos);
    EXPECT_EQ(note, 1000u);  // 500 whole characters
    EXPECT_NE(shown.find("10.000 Zeichen"), std::string::npos);
}

}  // namespace
}  // namespace trifolio
