// The running process's path and its command line.
#include "platform/win32/process.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/strings.h"

namespace trifolio::win32 {
namespace {

TEST(Win32Process, ExecutablePathNamesThisProgram) {
    const std::string path = Win32Process().executablePath();
    ASSERT_GT(path.size(), 24u);
    EXPECT_EQ(path.substr(path.size() - 24), "\\trifolio_wine_tests.exe");
    EXPECT_NE(path.find(":\\"), std::string::npos);
    EXPECT_NE(GetFileAttributesW(widen(path).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32Process, ArgumentsFollowTheProgramName) {
    EXPECT_EQ(argumentsAfterProgramName(L"trifolio.exe /config"), L"/config");
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\Program Files\\t.exe\" /config "), L"/config ");
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\a b\\t.exe\"/config"), L"/config");
    EXPECT_EQ(argumentsAfterProgramName(L"t.exe\t \t/config x"), L"/config x");
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\a b\\t.exe\""), L"");
    EXPECT_EQ(argumentsAfterProgramName(L"\"C:\\a b\\t.exe /config"), L"");
    EXPECT_EQ(argumentsAfterProgramName(L"t.exe"), L"");
    EXPECT_EQ(argumentsAfterProgramName(L""), L"");
}

}  // namespace
}  // namespace trifolio::win32
