// Measures under Wine what the help page costs with a large "readme.txt": reading and
// preparing the text (helpText), setting it into a box like tHilfe at once, and putting
// it in by slices as the program does (SlicedText), for ordinary text and for binary data.
//
//   wine help_box.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/window/texts.h"
#include "view/sliced_text.h"
#include "win32/files.h"
#include "win32/handles.h"
#include "win32/strings.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The help box of the settings window at 96 DPI: 5655 x 2535 twips, Arial 8.25 pt.
trifolio::win32::Window helpBox(HWND parent) {
    return trifolio::win32::Window(CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 8, 8, 377,
        169, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
}

}  // namespace

int wmain() {
    const auto dir = std::filesystem::temp_directory_path() / "trifolio-help-bench";
    std::filesystem::create_directories(dir);
    std::mt19937 random(2001);
    std::string ordinary, binary;
    for (int n = 1; ordinary.size() < 300 * 1024; ++n)
        ordinary +=
            "Zeile " + std::to_string(n) + ": Trifolio gibt Ihnen drei Zwischenablagen.\r\n";
    while (binary.size() < 300 * 1024)
        binary += static_cast<char>(random());
    std::string huge;
    huge.reserve(100u << 20);
    while (huge.size() < (100u << 20))
        huge += ordinary;

    const struct {
        const char* name;
        const std::string& bytes;
    } files[] = {{"ordinary text, 300 KB", ordinary},
                 {"binary data, 300 KB", binary},
                 {"ordinary text, 100 MB", huge}};

    trifolio::win32::Window top(CreateWindowExW(0, L"STATIC", L"Hilfe",
                                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 420, 240,
                                                nullptr, nullptr, nullptr, nullptr));
    trifolio::win32::Font font(CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                           DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    trifolio::win32::Win32Files disk;
    std::printf("%-24s %12s %14s %14s %18s\n", "readme.txt", "prepare ms", "at once ms",
                "sliced ms", "slowest slice ms");
    for (const auto& file : files) {
        const auto path = dir / "readme.txt";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << file.bytes;
        auto start = Clock::now();
        const std::wstring text = trifolio::win32::widen(
            trifolio::helpText(disk, trifolio::win32::narrow(path.wstring())));
        const double prepare = msSince(start);

        double atOnce = -1;
        if (file.bytes.size() < (1u << 20)) {  // the 100 MB file shows the same amount
            trifolio::win32::Window box = helpBox(top.get());
            SendMessageW(box.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
            start = Clock::now();
            SetWindowTextW(box.get(), text.c_str());
            atOnce = msSince(start);
        }
        trifolio::win32::Window box = helpBox(top.get());
        SendMessageW(box.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        trifolio::win32::SlicedText sliced;
        start = Clock::now();
        for (bool done = sliced.start(box.get(), text); !done; done = sliced.step()) {
        }
        const double all = msSince(start);
        std::printf("%-24s %12.1f %14.1f %14.1f %18.1f\n", file.name, prepare, atOnce, all,
                    static_cast<double>(sliced.slowestSlice().count()) / 1000.0);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
