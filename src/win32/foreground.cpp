#include "win32/foreground.h"

#include <optional>
#include <vector>

#include "win32/handles.h"
#include "win32/strings.h"

namespace trifolio::win32 {

namespace {

// The last sub-authority of the token's mandatory label: 0x2000 medium, 0x3000 high, ...
std::optional<DWORD> integrityLevel(HANDLE process) {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &opened))
        return std::nullopt;
    const KernelHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size < sizeof(TOKEN_MANDATORY_LABEL) ||
        !GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.data(), size, &size))
        return std::nullopt;
    const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    if (!sid || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0)
        return std::nullopt;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
}

std::wstring classOf(HWND window) {
    wchar_t name[256];
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace

bool aboveOwnIntegrity(DWORD process) {
    if (process == 0 || process == GetCurrentProcessId())
        return false;
    static const std::optional<DWORD> own = integrityLevel(GetCurrentProcess());
    if (!own)
        return false;  // nothing to compare with: the keys are tried
    // Access denied is the answer too: a process of a higher level keeps its token.
    const KernelHandle other(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    const auto level = other ? integrityLevel(other.get()) : std::nullopt;
    return !level || *level > *own;
}

std::uint32_t processBehind(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (!window || classOf(window) != L"ApplicationFrameWindow")
        return process;
    struct Search {
        DWORD frame, app;
    } search{process, 0};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(child, &owner);
            if (owner != s.frame && classOf(child) == L"Windows.UI.Core.CoreWindow")
                s.app = owner;
            return s.app == 0;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.app ? search.app : process;
}

platform::KeyInput::Window foregroundWindow() {
    platform::KeyInput::Window result;
    HWND window = GetForegroundWindow();
    if (!window)
        return result;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    result.handle = reinterpret_cast<std::uintptr_t>(window);
    result.windowClass = narrow(classOf(window));
    result.unreachable = aboveOwnIntegrity(process);
    result.process = processBehind(window);
    return result;
}

}  // namespace trifolio::win32
