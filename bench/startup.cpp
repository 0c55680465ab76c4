// Measures under Wine what trifolio.exe costs to start and to sit in the tray:
//  1. start-up: from process creation to the tray icon being there, for trifolio.exe
//     starting hidden and for minimal_tray.exe, a program that only adds an icon;
//  2. idle cost: the CPU time trifolio.exe uses while it sits hidden in the tray.
//
//   wine startup.exe [runs (10)] [idle seconds (60)]
// trifolio.exe is taken from TRIFOLIO_EXE or the build directory above this program.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/e2e/e2e_support.h"
#include "view/settings_window.h"
#include "win32/handles.h"

namespace {

using trifolio::win32::KernelHandle;

double nowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

std::wstring directoryOfThisProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

struct Program {
    std::wstring exe;
    std::wstring arguments;
    const wchar_t* windowClass;
};

bool iconPresent(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

struct Started {
    KernelHandle process;
    HWND window = nullptr;
    double milliseconds = -1;
};

// Starts the program and waits (up to 20 s) for its tray icon.
Started start(const Program& program, const std::wstring& directory) {
    Started started;
    std::wstring commandLine = L"\"" + program.exe + L"\" " + program.arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const double begin = nowMs();
    if (!CreateProcessW(program.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, directory.c_str(), &startup, &info))
        return started;
    started.process.reset(info.hProcess);
    CloseHandle(info.hThread);
    while (nowMs() - begin < 20000) {
        if (!started.window)
            started.window = trifolio::e2e::windowOf(info.dwProcessId, program.windowClass);
        if (started.window && iconPresent(started.window)) {
            started.milliseconds = nowMs() - begin;
            break;
        }
        Sleep(1);
    }
    return started;
}

void stop(Started& started) {
    if (started.window)
        PostMessageW(started.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(started.process.get(), 10000) != WAIT_OBJECT_0)
        TerminateProcess(started.process.get(), 1);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

double cpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? _wtoi(argv[1]) : 10;
    const int idleSeconds = argc > 2 ? _wtoi(argv[2]) : 60;

    wchar_t configured[MAX_PATH] = {};
    const std::wstring here = directoryOfThisProgram();
    const std::wstring trifolio = GetEnvironmentVariableW(L"TRIFOLIO_EXE", configured, MAX_PATH)
                                      ? std::wstring(configured)
                                      : here + L"..\\trifolio.exe";

    // trifolio.exe runs from a directory of its own that starts it hidden in the tray.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring directory =
        std::wstring(temp) + L"trifolio-startup-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(directory.c_str(), nullptr);
    const std::wstring exe = directory + L"trifolio.exe";
    if (!CopyFileW(trifolio.c_str(), exe.c_str(), FALSE)) {
        std::fwprintf(stderr, L"startup: cannot copy %ls\n", trifolio.c_str());
        return 1;
    }
    {
        const char* lines[] = {"Ablage 2, Ausschneiden:",
                               "STRG+ALT",
                               "X",
                               "",
                               "Ablage 2, Kopieren:",
                               "STRG+ALT",
                               "C",
                               "",
                               "Ablage 2, Einf\xFCgen:",
                               "STRG+ALT",
                               "V",
                               "",
                               "Ablage 3, Ausschneiden:",
                               "-",
                               "-",
                               "",
                               "Ablage 3, Kopieren:",
                               "-",
                               "F11",
                               "",
                               "Ablage 3, Einf\xFCgen:",
                               "ALT",
                               "F12",
                               "",
                               "",
                               "Optionen:",
                               "autostart: 0",
                               "minimiert: 1",
                               "warnen: 1"};
        std::ofstream options((directory + L"options.ini").c_str(), std::ios::binary);
        for (const char* line : lines)
            options << '"' << line << "\"\r\n";
    }

    const Program programs[] = {
        {here + L"minimal_tray.exe", L"", L"TrifolioMinimalTray"},
        {exe, L"", trifolio::win32::kSettingsWindowClass},
    };
    std::vector<double> times[2];
    for (int run = 0; run < runs; ++run) {
        for (int p = 0; p < 2; ++p) {
            Started started = start(programs[p], directory);
            if (started.milliseconds >= 0)
                times[p].push_back(started.milliseconds);
            stop(started);
        }
    }
    const double minimal = median(times[0]);
    const double ours = median(times[1]);
    std::printf("start-up to tray icon, median of %d runs:\n", runs);
    std::printf("  minimal_tray.exe  %8.1f ms\n", minimal);
    std::printf("  trifolio.exe      %8.1f ms\n", ours);
    std::printf("  difference        %8.1f ms (goal: within 100 ms)\n", ours - minimal);

    if (idleSeconds > 0) {
        Started idle = start(programs[1], directory);
        if (idle.milliseconds >= 0) {
            Sleep(1000);  // start-up's last messages
            const double before = cpuMs(idle.process.get());
            Sleep(static_cast<DWORD>(idleSeconds) * 1000);
            const double after = cpuMs(idle.process.get());
            std::printf(
                "CPU time of trifolio.exe: %.1f ms for its start, then %.1f ms in %d s "
                "hidden in the tray (goal: none of its own)\n",
                before, after - before, idleSeconds);
        }
        stop(idle);
    }

    for (auto name : {L"trifolio.exe", L"options.ini", L"options.tmp"})
        DeleteFileW((directory + name).c_str());
    RemoveDirectoryW(directory.c_str());
    return 0;
}
