#include "platform/win32/strings.h"

#include <gtest/gtest.h>

namespace trifolio::win32 {
namespace {

TEST(Utf16Boundary, RoundTripsOutsideTheBasicPlane) {
    const std::string text = "Einfügen \u20AC \U0001F600";
    EXPECT_EQ(widen(text), L"Einf\u00FCgen \u20AC \U0001F600");
    EXPECT_EQ(narrow(widen(text)), text);
}

}  // namespace
}  // namespace trifolio::win32
