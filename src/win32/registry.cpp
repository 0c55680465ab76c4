#include "win32/registry.h"

#include <windows.h>

#include "win32/handles.h"
#include "win32/strings.h"

namespace trifolio::win32 {

bool Win32Registry::setString(const std::string& keyPath, const std::string& name,
                              const std::string& value) {
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    const RegKey key(raw);
    const std::wstring data = widen(value);
    // The length counts the terminating zero.
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), widen(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), bytes) == ERROR_SUCCESS;
}

bool Win32Registry::deleteValue(const std::string& keyPath, const std::string& name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, KEY_SET_VALUE, &raw) !=
        ERROR_SUCCESS)
        return false;
    const RegKey key(raw);
    return RegDeleteValueW(key.get(), widen(name).c_str()) == ERROR_SUCCESS;
}

}  // namespace trifolio::win32
