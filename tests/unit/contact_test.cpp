// The contact request's encoding.
#include "window/contact.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace trifolio {
namespace {

TEST(UrlEncode, KeepsLettersDigitsAndThreeMarksAndEncodesTheRest) {
    EXPECT_EQ(UrlEncode(""), "");
    EXPECT_EQ(UrlEncode("a b"), "a+b");
    EXPECT_EQ(UrlEncode("a-b.c_d"), "a-b.c_d");
    EXPECT_EQ(UrlEncode("50%"), "50%25");
    EXPECT_EQ(UrlEncode("x&y=z"), "x%26y%3Dz");
    EXPECT_EQ(UrlEncode("\r\n@~*+?"), "%0D%0A%40%7E%2A%2B%3F");
    EXPECT_EQ(UrlEncode(std::string(1, '\0')), "%00");
}

TEST(UrlEncode, SendsTheWindows1252Byte) {
    EXPECT_EQ(UrlEncode("Grüße"), "Gr%FC%DFe");
    EXPECT_EQ(UrlEncode("\u20AC \u201Eja\u201C"), "%80+%84ja%93");
    // Every byte of the code page, as its UTF-8 character: two capital hex digits.
    for (int b = 0xA0; b <= 0xFF; ++b) {
        const char32_t c = static_cast<char32_t>(b);
        const std::string utf8 = {static_cast<char>(0xC0 | (c >> 6)),
                                  static_cast<char>(0x80 | (c & 0x3F))};
        char expected[4];
        std::snprintf(expected, sizeof expected, "%%%02X", b);
        EXPECT_EQ(UrlEncode(utf8), expected);
    }
}

TEST(UrlEncode, CharactersOutsideTheCodePageBecomeCharacterReferences) {
    EXPECT_EQ(UrlEncode("\u4E2D"), "%26%2320013%3B");  // &#20013;
    EXPECT_EQ(UrlEncode("a\U0001F600b"), "a%26%23128512%3Bb");
    // A stray byte is one unknown character and takes nothing after it along.
    EXPECT_EQ(UrlEncode("\xE4z"), "%26%2365533%3Bz");
}

TEST(ContactRequest, PutsTheFieldsIntoTheQueryBehindTheProgramLine) {
    EXPECT_EQ(ContactRequest("https://vennhaus.example", "Jörg B", "j@b.de", "Homepage",
                             "Zeile 1\r\nZeile 2"),
              "https://vennhaus.example/Vennhaus/kontakt.php?name=J%F6rg+B&email=j%40b.de"
              "&homepage=Homepage&nachricht=Trifolio+V1.1%0D%0AZeile+1%0D%0AZeile+2");
    EXPECT_EQ(ContactRequest("http://h", "", "", "", ""),
              "http://h/Vennhaus/kontakt.php?name=&email=&homepage=&nachricht=Trifolio+V1.1%0D%0A");
}

}  // namespace
}  // namespace trifolio
