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

std::optional<std::string> Win32Registry::getString(const std::string& keyPath,
                                                    const std::string& name) {
    const std::wstring key = widen(keyPath);
    const std::wstring value = widen(name);
    // The value can grow between the two calls; try again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD bytes = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                         nullptr, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(),
                                            RRF_RT_REG_SZ, nullptr, data.data(), &bytes);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        data.resize(wcsnlen(data.c_str(), data.size()));
        return narrow(data);
    }
    return std::nullopt;
}

}  // namespace trifolio::win32
