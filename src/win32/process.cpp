#include "win32/process.h"

#include <windows.h>

#include "win32/strings.h"

namespace trifolio::win32 {

std::string Win32Process::executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return narrow(path);
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
}

std::string Win32Process::commandLine() {
    return narrow(argumentsAfterProgramName(GetCommandLineW()));
}

std::wstring_view argumentsAfterProgramName(std::wstring_view commandLine) {
    size_t end = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        end = commandLine.find(L'"', 1);
        end = end == std::wstring_view::npos ? commandLine.size() : end + 1;
    } else {
        end = commandLine.find_first_of(L" \t");
        if (end == std::wstring_view::npos)
            end = commandLine.size();
    }
    const size_t arguments = commandLine.find_first_not_of(L" \t", end);
    return arguments == std::wstring_view::npos ? std::wstring_view()
                                                : commandLine.substr(arguments);
}

}  // namespace trifolio::win32
