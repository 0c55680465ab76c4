// Measures under Wine how long trifolio.exe takes around the application's own work:
// from the hotkey to the store captured (copy) or pasted (paste), and from the
// application's clipboard access to the user's clipboard being back, with a target
// application that reacts 0, 50 or 300 ms late. Prints median and 90th percentile of
// the program's own share, that is without the target's delay.
//
//   wine hotkey_latency.exe [rounds]      (trifolio.exe and e2e_target.exe are found
//                                          in the build directory)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "../tests/e2e/e2e_support.h"
#include "win32/window_object.h"

namespace {

using namespace trifolio::e2e;

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

double frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

LONGLONG qpc() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double ms(LONGLONG ticks) {
    static const double f = frequency();
    return static_cast<double>(ticks) * 1000.0 / f;
}

// Watches the clipboard from a thread of its own and notes every change with its time
// and whether the user's content (with its history mark, set last) is back.
class ClipboardWatch {
  public:
    struct Change {
        LONGLONG at;
        bool userBack;
    };
    ClipboardWatch(UINT userFormat, UINT historyFormat)
        : userFormat_(userFormat), historyFormat_(historyFormat), thread_([this] { run(); }) {}
    ~ClipboardWatch() {
        stop_ = true;
        thread_.join();
    }
    void clear() {
        std::lock_guard lock(mutex_);
        changes_.clear();
    }
    std::vector<Change> changes() {
        std::lock_guard lock(mutex_);
        return changes_;
    }

  private:
    void run() {
        DWORD last = GetClipboardSequenceNumber();
        while (!stop_) {
            const DWORD sequence = GetClipboardSequenceNumber();
            if (sequence != last) {
                last = sequence;
                const Change change{qpc(), IsClipboardFormatAvailable(userFormat_) &&
                                               IsClipboardFormatAvailable(historyFormat_)};
                std::lock_guard lock(mutex_);
                changes_.push_back(change);
            }
            Sleep(1);
        }
    }

    UINT userFormat_, historyFormat_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Change> changes_;
    std::thread thread_;
};

// A hidden window that receives the target's reports.
class MessageWindow : public trifolio::win32::WindowObject<MessageWindow> {
  public:
    explicit MessageWindow(std::function<void(UINT, WPARAM, LPARAM)> onMessage = {})
        : onMessage_(std::move(onMessage)) {
        createWindow(L"TrifolioE2EDriver");
    }
    HWND get() const { return hwnd(); }

  private:
    friend class trifolio::win32::WindowObject<MessageWindow>;
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (onMessage_ && message >= WM_APP)
            onMessage_(message, wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void(UINT, WPARAM, LPARAM)> onMessage_;
};

struct Reports {
    // Per operation and phase (0 request arrived, 1 carried out): the last time seen.
    LONGLONG at[3][2] = {};
};

struct Figures {
    std::vector<double> first;   // hotkey -> captured / pasted, without the target's delay
    std::vector<double> second;  // target's clipboard access -> user's clipboard back
    int failures = 0;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

class Bench {
  public:
    Bench()
        : userFormat_(RegisterClipboardFormatW(L"TrifolioBench.UserContent")),
          historyFormat_(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory")),
          reporter_([this](UINT message, WPARAM wParam, LPARAM lParam) {
              if (message == kReport && wParam < 6)
                  reports_.at[wParam / 2][wParam % 2] = static_cast<LONGLONG>(lParam);
          }),
          watch_(userFormat_, historyFormat_) {}

    bool start() {
        if (!trifolio_.start()) {
            std::printf("trifolio.exe did not start\n");
            return false;
        }
        if (!target_.start() || !target_.setReporter(reporter_.get())) {
            std::printf("e2e_target.exe did not start\n");
            return false;
        }
        return true;
    }

    Figures measure(Operation operation, UINT delay, int rounds) {
        Figures figures;
        target_.setDelay(delay);
        for (int round = 0; round < rounds; ++round) {
            if (!prepareUserClipboard()) {
                ++figures.failures;
                continue;
            }
            const std::wstring text = L"Messung " + std::to_wstring(delay) + L"/" +
                                      std::to_wstring(round) + (operation == kCopy ? L" c" : L"");
            if (operation == kCopy) {
                target_.setText(0, text);
                target_.focus(0);
                target_.select(0, 0, -1);
            } else {
                target_.setText(1, L"");
                target_.focus(1);
            }
            reports_ = {};
            watch_.clear();
            const LONGLONG hotkey = qpc();
            typeHotkey(kCtrlAlt, operation == kCopy ? 'C' : 'V');

            // Done when the target has acted and the user's clipboard is back after it.
            std::optional<LONGLONG> access, back, firstChange;
            pumpUntil(
                [&] {
                    const LONGLONG acted = reports_.at[operation][1];
                    if (!acted)
                        return false;
                    access = acted;
                    for (const auto& change : watch_.changes()) {
                        if (change.at <= acted)
                            continue;
                        if (!firstChange)
                            firstChange = change.at;
                        if (change.userBack) {
                            back = change.at;
                            return true;
                        }
                    }
                    return false;
                },
                5000ms);
            if (!access || !back || !firstChange) {
                ++figures.failures;
                continue;
            }
            if (operation == kCopy) {
                // The store is read before the restore's first change of the clipboard.
                figures.first.push_back(ms(*firstChange - hotkey) - delay);
                figures.second.push_back(ms(*back - *access));
            } else {
                if (!pumpUntil([&] { return !target_.text(1).empty(); }, 2000ms)) {
                    ++figures.failures;
                    continue;
                }
                figures.first.push_back(ms(*access - hotkey) - delay);
                figures.second.push_back(ms(*back - *access));
            }
        }
        return figures;
    }

  private:
    // The user's own content, recognisable by a format only it has.
    bool prepareUserClipboard() {
        if (IsClipboardFormatAvailable(userFormat_))
            return true;
        if (!openClipboardFor(reporter_.get()))
            return false;
        EmptyClipboard();
        const std::wstring text = L"Inhalt des Benutzers";
        SetClipboardData(CF_UNICODETEXT,
                         globalBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
        SetClipboardData(userFormat_, globalBytes("user", 4));
        CloseClipboard();
        return IsClipboardFormatAvailable(userFormat_) != FALSE;
    }

    UINT userFormat_, historyFormat_;
    Reports reports_;
    MessageWindow reporter_;
    ClipboardWatch watch_;
    Trifolio trifolio_;
    Target target_;
};

void print(const char* operation, UINT delay, const char* first, const Figures& f) {
    std::printf(
        "%-5s delay %3u ms  %-24s median %6.1f ms  p90 %6.1f ms   "
        "access->restored median %6.1f ms  p90 %6.1f ms   (n=%zu, failed %d)\n",
        operation, delay, first, percentile(f.first, 0.5), percentile(f.first, 0.9),
        percentile(f.second, 0.5), percentile(f.second, 0.9), f.first.size(), f.failures);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    Bench bench;
    if (!bench.start())
        return 1;
    std::printf("hotkey latency of trifolio.exe, %d rounds each, the target's delay taken out\n",
                rounds);
    const UINT delays[] = {0, 50, 300};
    for (UINT delay : delays)
        print("copy", delay, "hotkey->captured", bench.measure(kCopy, delay, rounds));
    for (UINT delay : delays)
        print("paste", delay, "hotkey->target read", bench.measure(kPaste, delay, rounds));
    return 0;
}
