#include "platform/text.h"

#include <gtest/gtest.h>

namespace trifolio {
namespace {

TEST(Cp1252, UmlautsAndEuroAreSingleBytes) {
    EXPECT_EQ(utf8ToCp1252("Einfügen"), "Einf\xFCgen");
    EXPECT_EQ(utf8ToCp1252("\u20AC \u201E\u201C \u00DF"), "\x80 \x84\x93 \xDF");
    EXPECT_EQ(cp1252ToUtf8("Einf\xFCgen \x80"), "Einfügen \u20AC");
}

TEST(Cp1252, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("\u4E2D\U0001F600x"), "??x");
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");  // truncated sequence
    EXPECT_EQ(cp1252ToUtf8("\x81"), "\uFFFD");
}

TEST(Cp1252, EveryAssignedByteRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            continue;
        const std::string byte(1, static_cast<char>(b));
        EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(byte)), byte) << b;
    }
}

}  // namespace
}  // namespace trifolio
