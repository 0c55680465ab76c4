#include "win32/keyboard_layouts.h"

#include <windows.h>

#include "platform/keys.h"
#include "win32/strings.h"

namespace trifolio::win32 {

namespace {

// Leaves the keyboard state of the thread as it was (Windows 10 1607 and later).
constexpr UINT kKeepKeyboardState = 4;

// The layout's language as the system names it, "Deutsch (Deutschland)".
std::string layoutName(HKL layout) {
    const auto language = static_cast<LCID>(reinterpret_cast<UINT_PTR>(layout) & 0xFFFF);
    wchar_t name[LOCALE_NAME_MAX_LENGTH + 64] = {};
    if (GetLocaleInfoW(language, LOCALE_SLOCALIZEDDISPLAYNAME, name, ARRAYSIZE(name)) > 0)
        return narrow(name);
    return "0x" + std::to_string(language);
}

}  // namespace

std::vector<platform::TypedText> Win32KeyboardLayouts::typedBy(std::uint32_t virtualKey,
                                                               bool control, bool alt) {
    std::vector<platform::TypedText> typed;
    const int count = GetKeyboardLayoutList(0, nullptr);
    if (count <= 0)
        return typed;
    std::vector<HKL> layouts(static_cast<std::size_t>(count));
    layouts.resize(static_cast<std::size_t>(GetKeyboardLayoutList(count, layouts.data())));
    BYTE keys[256] = {};
    if (control)
        keys[VK_CONTROL] = keys[vk::sided(VK_CONTROL)] = 0x80;
    if (alt)
        keys[VK_MENU] = keys[vk::sided(VK_MENU)] = 0x80;
    for (HKL layout : layouts) {
        const UINT scan = MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout);
        wchar_t text[8] = {};
        int length = ToUnicodeEx(virtualKey, scan, keys, text, 7, kKeepKeyboardState, layout);
        if (length < 0) {
            // A dead key (an accent waiting for its letter): it types that accent. The
            // space clears it from the layout's state on systems that keep it.
            const BYTE none[256] = {};
            wchar_t flush[8] = {};
            ToUnicodeEx(VK_SPACE, MapVirtualKeyExW(VK_SPACE, MAPVK_VK_TO_VSC, layout), none, flush,
                        7, kKeepKeyboardState, layout);
            length = 1;
        }
        typed.push_back({layoutName(layout),
                         length > 0 ? narrow(std::wstring(text, static_cast<std::size_t>(length)))
                                    : std::string()});
    }
    return typed;
}

}  // namespace trifolio::win32
