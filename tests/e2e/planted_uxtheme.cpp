// A stranger's uxtheme.dll, put beside trifolio.exe by the planted-library test: loaded,
// it leaves "planted.txt" beside itself (a program that loaded it fails either way).
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    DWORD slash = length;
    while (slash > 0 && path[slash - 1] != L'\\')
        --slash;
    lstrcpyW(path + slash, L"planted.txt");
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return TRUE;
}
}
