// The program's arguments in its command line, however the program name is written.
#include "platform/win32/process.h"

#include <gtest/gtest.h>

#include "platform/win32/strings.h"

namespace trifolio::win32 {
namespace {

TEST(Win32Process, ArgumentsFollowTheProgramName) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"trifolio.exe /config", L"/config"},
        {L"\"C:\\Program Files\\t.exe\" /config ", L"/config "},
        {L"\"C:\\a b\\t.exe\"/config", L"/config"},
        {L"t.exe\t \t/config x", L"/config x"},
        {L"\"C:\\a b\\t.exe\"", L""},
        {L"\"C:\\a b\\t.exe /config", L""},
        {L"", L""},
    };
    for (const auto& [commandLine, arguments] : cases)
        EXPECT_EQ(argumentsAfterProgramName(commandLine), arguments) << narrow(commandLine);
}

}  // namespace
}  // namespace trifolio::win32
