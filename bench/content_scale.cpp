// Measures under Wine what one copy hotkey of trifolio.exe costs while the user's
// clipboard holds much: 1, 50 and 200 MB of text, an 8K picture (7680 x 4320, 32-bit)
// and 20 formats rendered late, 50 ms each. Per case: the action's time from the hotkey
// to the user's clipboard back, against one bare read of the same data by another
// program and a memcpy of it; the program's memory at its peak during the action and
// held afterwards, against the data. A fresh trifolio.exe per case.
//
//   wine content_scale.exe [rounds]       (trifolio.exe and e2e_target.exe are found
//                                          in the build directory)
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
#include <vector>

#include "../tests/e2e/e2e_support.h"

namespace {

using namespace trifolio::e2e;

constexpr double kMB = 1024.0 * 1024.0;
constexpr int kDelayedFormats = 20;
constexpr DWORD kRenderMillis = 50;
constexpr std::size_t kDelayedBytes = 256 * 1024;

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
    UINT format;        // CF_UNICODETEXT or CF_DIB; 0: the delayed formats
    std::string bytes;  // the data of `format`
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
class Owner {
  public:
    Owner() {
        static const ATOM windowClass = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &Owner::proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TrifolioBenchOwner";
            return RegisterClassExW(&wc);
        }();
        (void)windowClass;
        window_.reset(CreateWindowExW(0, L"TrifolioBenchOwner", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), nullptr));
        for (int i = 0; i < kDelayedFormats; ++i)
            delayed_.push_back(
                RegisterClipboardFormatW((L"TrifolioBench.Delayed." + std::to_wstring(i)).c_str()));
    }
    HWND get() const { return window_.get(); }
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

  private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_RENDERFORMAT) {
            Sleep(kRenderMillis);
            const std::string bytes(kDelayedBytes, static_cast<char>('a' + wParam % 26));
            SetClipboardData(static_cast<UINT>(wParam), globalBytes(bytes.data(), bytes.size()));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    trifolio::win32::Window window_;
    std::vector<UINT> delayed_;
};

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

struct Result {
    double action = 0, read = 0;
    Memory before, peak, after;
    bool ok = false;
};

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
    result.ok = back && trifolio.text("CB2text") == L"kopiert";
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"/read")
        return readNow(argc, argv);
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 2;
    std::vector<Case> cases;
    cases.push_back({"text 1 MB", CF_UNICODETEXT, textBytes(1 << 20)});
    cases.push_back({"text 50 MB", CF_UNICODETEXT, textBytes(50 << 20)});
    cases.push_back({"text 200 MB", CF_UNICODETEXT, textBytes(200 << 20)});
    cases.push_back({"picture 7680x4320x32", CF_DIB, pictureBytes(7680, 4320)});
    cases.push_back({"20 delayed x 50 ms", 0, {}});
    Owner owner;
    std::printf("one copy hotkey of trifolio.exe against the user's clipboard, %d rounds each\n",
                rounds);
    std::printf("%-22s %8s %7s %8s %7s %9s %9s %9s %9s\n", "case", "data MB", "action", "bare rd",
                "ratio", "memcpy", "peak ws", "peak prv", "held prv");
    for (const Case& c : cases) {
        const double data = c.format ? static_cast<double>(c.bytes.size())
                                     : static_cast<double>(kDelayedFormats * kDelayedBytes);
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
            std::fflush(stdout);
        }
    }
    return 0;
}
