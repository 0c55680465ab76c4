// Measures under Wine what trifolio.exe costs while the user's clipboard holds much.
//
// One copy hotkey: with 1, 50 and 200 MB of text, an 8K picture (7680 x 4320, 32-bit),
// and a lazy owner that renders every format only when asked, 50 ms each: text in three
// formats, a picture in five (DIB, DIBV5, bitmap, enhanced metafile, metafile picture)
// and 20 formats of its own. Per case: the action's time from the hotkey to the user's
// clipboard back, against one bare read of the same data by another program and a
// memcpy of it; the program's memory at its peak during the action and held afterwards,
// against the data. For the lazy owner also the formats it was asked to render, those
// the system could have made from another one among them, and the renders' own time.
//
// Nothing happening: the settings window brought back from the tray (its status timer
// runs) for 12 s with 64 MB of text or a 64 MB picture on the clipboard (and 1 KB of
// text for comparison); the CPU time the program takes meanwhile, and whether the
// clipboard's sequence number moved. The floor: minimal_tray.exe left alone as long.
//
// A fresh trifolio.exe per case.
//
//   wine content_scale.exe [rounds] [case]   (trifolio.exe and e2e_target.exe are found
//                                             in the build directory; `case`: run only
//                                             the cases whose name contains it)
#define PSAPI_VERSION 2
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../tests/e2e/e2e_support.h"
#include "win32/strings.h"
#include "win32/window_object.h"

namespace {

using namespace trifolio::e2e;

constexpr double kMB = 1024.0 * 1024.0;
constexpr int kDelayedFormats = 20;
constexpr DWORD kRenderMillis = 50;
constexpr std::size_t kDelayedBytes = 256 * 1024;
constexpr int kIdleSeconds = 12;
// The lazy owner's text and picture, each in every form the system converts between.
constexpr UINT kTextGroup[] = {CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT};
constexpr UINT kPictureGroup[] = {CF_DIB, CF_DIBV5, CF_BITMAP, CF_ENHMETAFILE, CF_METAFILEPICT};
constexpr int kLazyPicture = 640;  // pixels square, 32-bit

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Memory {
    double workingSet = 0, privateBytes = 0;
};

Memory memoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return {};
    return {static_cast<double>(counters.WorkingSetSize),
            // Wine fills PagefileUsage, not PrivateUsage, for another process.
            static_cast<double>(std::max(counters.PrivateUsage, counters.PagefileUsage))};
}

// The highest memory of a process while it runs, sampled every few milliseconds.
class PeakWatch {
  public:
    explicit PeakWatch(HANDLE process)
        : process_(process), thread_([this] {
              while (!stop_) {
                  const Memory m = memoryOf(process_);
                  peakWorking_ = std::max(peakWorking_.load(), m.workingSet);
                  peakPrivate_ = std::max(peakPrivate_.load(), m.privateBytes);
                  Sleep(2);
              }
          }) {}
    ~PeakWatch() { stop(); }
    Memory stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        return {peakWorking_, peakPrivate_};
    }

  private:
    HANDLE process_;
    std::atomic<bool> stop_{false};
    std::atomic<double> peakWorking_{0}, peakPrivate_{0};
    std::thread thread_;
};

// One case: what the user's clipboard holds.
struct Case {
    const char* name;
    UINT format;        // CF_UNICODETEXT or CF_DIB; 0: the lazy owner's formats
    std::string bytes;  // the data of `format`
    bool idle = false;  // the shown window left alone, not a copy hotkey
};

std::string textBytes(std::size_t size) {
    std::wstring text(size / sizeof(wchar_t) - 1, L'x');
    for (std::size_t i = 79; i < text.size(); i += 80)
        text[i] = L'\n';
    std::string bytes(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
    return bytes;
}

std::string pictureBytes(int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const std::size_t pixels = static_cast<std::size_t>(width) * height * 4;
    std::string bytes(sizeof header + pixels, '\0');
    std::memcpy(bytes.data(), &header, sizeof header);
    for (std::size_t i = sizeof header; i < bytes.size(); i += 4096)
        bytes[i] = static_cast<char>(i >> 12);
    return bytes;
}

// Owns the user's clipboard content; renders the delayed formats when they are read.
class Owner : public trifolio::win32::WindowObject<Owner> {
  public:
    Owner() {
        createWindow(L"TrifolioBenchOwner");
        delayed_.assign(std::begin(kTextGroup), std::end(kTextGroup));
        delayed_.insert(delayed_.end(), std::begin(kPictureGroup), std::end(kPictureGroup));
        for (int i = 0; i < kDelayedFormats; ++i)
            delayed_.push_back(
                RegisterClipboardFormatW((L"TrifolioBench.Delayed." + std::to_wstring(i)).c_str()));
    }
    HWND get() const { return hwnd(); }
    const std::vector<UINT>& delayed() const { return delayed_; }
    static UINT mark() {
        static const UINT format = RegisterClipboardFormatW(L"TrifolioBench.UserContent");
        return format;
    }

    bool place(const Case& c) {
        if (!openClipboardFor(get()))
            return false;
        bool ok = EmptyClipboard() != FALSE;
        if (c.format)
            ok = SetClipboardData(c.format, globalBytes(c.bytes.data(), c.bytes.size())) && ok;
        else
            for (UINT format : delayed_)
                SetClipboardData(format, nullptr);
        ok = SetClipboardData(mark(), globalBytes("user", 4)) && ok;
        CloseClipboard();
        return ok;
    }

    // The formats rendered since the last call, and the time the renders took.
    std::vector<UINT> takeRendered(double& seconds) {
        seconds = renderSeconds_;
        renderSeconds_ = 0;
        return std::exchange(rendered_, {});
    }

  private:
    friend class trifolio::win32::WindowObject<Owner>;
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_RENDERFORMAT) {
            const double start = seconds();
            const auto format = static_cast<UINT>(wParam);
            Sleep(kRenderMillis);
            SetClipboardData(format, render(format));
            rendered_.push_back(format);
            renderSeconds_ += seconds() - start;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static HANDLE render(UINT format);
    std::vector<UINT> delayed_;
    std::vector<UINT> rendered_;
    double renderSeconds_ = 0;
};

HANDLE Owner::render(UINT format) {
    switch (format) {
        case CF_UNICODETEXT:
            return globalBytes(L"lazy text", sizeof L"lazy text");
        case CF_TEXT:
        case CF_OEMTEXT:
            return globalBytes("lazy text", sizeof "lazy text");
        case CF_DIB:
        case CF_DIBV5: {
            std::string bytes = pictureBytes(kLazyPicture, kLazyPicture);
            if (format == CF_DIBV5) {
                BITMAPV5HEADER header{};
                std::memcpy(&header, bytes.data(), sizeof(BITMAPINFOHEADER));
                header.bV5Size = sizeof header;
                header.bV5CSType = 0x73524742;  // LCS_sRGB
                bytes.replace(0, sizeof(BITMAPINFOHEADER),
                              std::string(reinterpret_cast<const char*>(&header), sizeof header));
            }
            return globalBytes(bytes.data(), bytes.size());
        }
        case CF_BITMAP: {
            const std::string bytes = pictureBytes(kLazyPicture, kLazyPicture);
            const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data());
            const trifolio::win32::WindowDc screen(nullptr);
            return CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT,
                                  bytes.data() + sizeof(BITMAPINFOHEADER), info, DIB_RGB_COLORS);
        }
        case CF_ENHMETAFILE:
        case CF_METAFILEPICT: {
            const RECT frame{0, 0, 5000, 5000}, all{0, 0, 189, 189};
            if (format == CF_ENHMETAFILE) {
                HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
                FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
                return CloseEnhMetaFile(dc);
            }
            HDC dc = CreateMetaFileW(nullptr);
            SetWindowExtEx(dc, 189, 189, nullptr);
            Rectangle(dc, 0, 0, 189, 189);
            const METAFILEPICT pict{MM_ANISOTROPIC, 5000, 5000, CloseMetaFile(dc)};
            return globalBytes(&pict, sizeof pict);
        }
        default: {
            const std::string bytes(kDelayedBytes, static_cast<char>('a' + format % 26));
            return globalBytes(bytes.data(), bytes.size());
        }
    }
}

// Of the formats rendered, those the system makes from another one rendered too.
int synthesisable(const std::vector<UINT>& rendered) {
    const auto has = [&](UINT f) { return std::ranges::count(rendered, f) > 0; };
    int count = 0;
    if (has(CF_UNICODETEXT))
        count += has(CF_TEXT) + has(CF_OEMTEXT);
    else if (has(CF_TEXT))
        count += has(CF_OEMTEXT);
    count += std::max(0, has(CF_DIB) + has(CF_DIBV5) + has(CF_BITMAP) - 1);
    count += has(CF_ENHMETAFILE) && has(CF_METAFILEPICT);
    return count;
}

// Every format of the case read once by another program, as one that pastes everything
// would: this program started again with /read, which reads and reports its time
// (0.1 ms units, as its exit code). Run from the owner, whose reads Wine answers from
// its own copy.
DWORD readInChild(const Case& c, const Owner& owner) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring arguments = L"/read";
    for (UINT format : c.format ? std::vector<UINT>{c.format} : owner.delayed())
        arguments += L" " + std::to_wstring(format);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return 0;
    CloseHandle(info.hThread);
    const trifolio::win32::KernelHandle process(info.hProcess);
    DWORD code = 0;
    if (!pumpUntil([&] { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; },
                   120000ms) ||
        !GetExitCodeProcess(process.get(), &code))
        return 0;
    return code;
}

int readNow(int argc, wchar_t** argv) {
    const trifolio::win32::Window reader = messageWindow();
    const double start = seconds();
    if (!openClipboardFor(reader.get()))
        return 0;
    volatile char sink = 0;
    for (int i = 2; i < argc; ++i)
        if (trifolio::win32::GlobalLockGuard lock(
                GetClipboardData(static_cast<UINT>(_wtoi(argv[i]))));
            lock)
            sink = sink + static_cast<const char*>(lock.data())[lock.size() - 1];
    CloseClipboard();
    return static_cast<int>((seconds() - start) * 10000.0);
}

double memcpyTime(std::size_t size) {
    std::string from(size, 'a'), to(size, 'b');
    const double start = seconds();
    std::memcpy(to.data(), from.data(), size);
    return seconds() - start;
}

double cpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

struct Result {
    double action = 0, read = 0;
    Memory before, peak, after;
    std::vector<UINT> rendered;  // by the lazy owner during the action
    double renderTime = 0;
    double cpu = 0;           // idle: CPU seconds while left alone
    DWORD sequenceMoves = 0;  // idle: how far the clipboard's sequence number moved
    bool ok = false;
};

// The floor under Wine: minimal_tray.exe, a program that only waits for messages, left
// alone for as long.
double floorCpu() {
    Process minimal;
    if (!minimal.start(buildProgram(L"minimal_tray.exe")))
        return -1;
    const trifolio::win32::KernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, minimal.id()));
    pumpUntil([] { return false; }, 4000ms);
    const double cpu = cpuSeconds(process.get());
    pumpUntil([] { return false; }, std::chrono::seconds(kIdleSeconds));
    return cpuSeconds(process.get()) - cpu;
}

// The window brought back from the tray, as a person does, then left alone.
Result idleOnce(const Case& c, Owner& owner) {
    Result result;
    Trifolio trifolio;
    if (!trifolio.start())
        return result;
    const trifolio::win32::KernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, trifolio.id()));
    if (!process || !owner.place(c))
        return result;
    trifolio.tray(WM_LBUTTONDBLCLK);
    if (!pumpUntil([&] { return IsWindowVisible(trifolio.window()) != FALSE; }, 10000ms))
        return result;
    // The first ticks take the content in; then nothing changes.
    pumpUntil([] { return false; }, 4000ms);
    result.before = memoryOf(process.get());
    const DWORD sequence = GetClipboardSequenceNumber();
    const double cpu = cpuSeconds(process.get());
    pumpUntil([] { return false; }, std::chrono::seconds(kIdleSeconds));
    result.cpu = cpuSeconds(process.get()) - cpu;
    result.sequenceMoves = GetClipboardSequenceNumber() - sequence;
    result.after = memoryOf(process.get());
    result.ok = result.cpu >= 0;
    return result;
}

Result runOnce(const Case& c, Owner& owner) {
    Result result;
    Trifolio trifolio;
    Target target;
    if (!trifolio.start() || !target.start())
        return result;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, trifolio.id());
    if (!process)
        return result;
    const std::unique_ptr<void, decltype(&CloseHandle)> closeProcess(process, &CloseHandle);

    if (!owner.place(c))
        return result;
    result.read = readInChild(c, owner) / 10000.0;
    if (!c.format && !owner.place(c))  // rendered now: offer them anew, late again
        return result;
    target.setText(0, L"kopiert");
    if (!target.focus(0))
        return result;
    target.select(0, 0, -1);
    pumpUntil([] { return false; }, 300ms);
    result.before = memoryOf(process);

    const LRESULT copies = target.requests();
    double ignored = 0;
    owner.takeRendered(ignored);
    PeakWatch watch(process);
    const double start = seconds();
    typeHotkey(MOD_CONTROL | MOD_ALT, 'C');
    static const UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
    const bool back = pumpUntil(
        [&] {
            return target.requests() != copies && IsClipboardFormatAvailable(Owner::mark()) &&
                   IsClipboardFormatAvailable(history);
        },
        60000ms);
    result.action = seconds() - start;
    pumpUntil([] { return false; }, 500ms);
    result.peak = watch.stop();
    result.after = memoryOf(process);
    result.rendered = owner.takeRendered(result.renderTime);
    result.ok = back && trifolio.text("CB2text") == L"kopiert";
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"/read")
        return readNow(argc, argv);
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 2;
    const std::string only = argc > 2 ? trifolio::win32::narrow(argv[2]) : "";
    std::vector<Case> cases;
    cases.push_back({"text 1 MB", CF_UNICODETEXT, textBytes(1 << 20)});
    cases.push_back({"text 50 MB", CF_UNICODETEXT, textBytes(50 << 20)});
    cases.push_back({"text 200 MB", CF_UNICODETEXT, textBytes(200 << 20)});
    cases.push_back({"picture 7680x4320x32", CF_DIB, pictureBytes(7680, 4320)});
    cases.push_back({"lazy 8+20 x 50 ms", 0, {}});
    cases.push_back({"idle text 1 KB", CF_UNICODETEXT, textBytes(1 << 10), true});
    cases.push_back({"idle text 64 MB", CF_UNICODETEXT, textBytes(64 << 20), true});
    cases.push_back({"idle picture 64 MB", CF_DIB, pictureBytes(4096, 4096), true});
    std::erase_if(
        cases, [&](const Case& c) { return std::string(c.name).find(only) == std::string::npos; });
    Owner owner;
    std::printf("trifolio.exe against the user's clipboard, %d rounds each\n", rounds);
    std::printf("%-22s %8s %7s %8s %7s %9s %9s %9s %9s\n", "copy hotkey", "data MB", "action",
                "bare rd", "ratio", "memcpy", "peak ws", "peak prv", "held prv");
    for (const Case& c : cases) {
        const double data = c.format ? static_cast<double>(c.bytes.size())
                                     : static_cast<double>(kDelayedFormats * kDelayedBytes);
        if (c.idle) {
            static const double floor = floorCpu();
            if (&c == &cases.front() || !cases[&c - cases.data() - 1].idle)
                std::printf("%-22s a program that only waits, %d s alone: CPU %.3f s\n",
                            "idle floor", kIdleSeconds, floor);
            for (int round = 0; round < rounds; ++round) {
                const Result r = idleOnce(c, owner);
                if (!r.ok)
                    std::printf("%-22s failed\n", c.name);
                else
                    std::printf(
                        "%-22s shown window, %d s alone: CPU %.3f s, sequence moved by "
                        "%lu, private bytes %.1f MB\n",
                        c.name, kIdleSeconds, r.cpu, r.sequenceMoves, r.after.privateBytes / kMB);
                std::fflush(stdout);
            }
            continue;
        }
        const double copy = memcpyTime(static_cast<std::size_t>(data));
        for (int round = 0; round < rounds; ++round) {
            const Result r = runOnce(c, owner);
            if (!r.ok) {
                std::printf("%-22s failed\n", c.name);
                continue;
            }
            // Memory as multiples of the data.
            std::printf("%-22s %8.1f %6.2fs %7.2fs %7.2f %8.3fs %8.2fx %8.2fx %8.2fx\n", c.name,
                        data / kMB, r.action, r.read, r.action / r.read, copy,
                        (r.peak.workingSet - r.before.workingSet) / data,
                        (r.peak.privateBytes - r.before.privateBytes) / data,
                        (r.after.privateBytes - r.before.privateBytes) / data);
            if (!c.format)
                std::printf(
                    "%-22s %zu renders of %zu formats (%d the system could make from "
                    "another), %.2f s of rendering: action %.2fx that\n",
                    "", r.rendered.size(), owner.delayed().size(), synthesisable(r.rendered),
                    r.renderTime, r.action / r.renderTime);
            std::fflush(stdout);
        }
    }
    return 0;
}
