// A soak under Wine: copy and paste rounds through trifolio.exe's real hotkeys into
// e2e_target.exe, many of them, with trifolio.exe's memory (private bytes, working set)
// and handle counts (GDI, USER, kernel) printed after a warm-up and at intervals, and
// their growth per action since the warm-up. The target's figures stand beside them:
// it copies and pastes as often through Wine's clipboard, without the program.
//
//   wine soak.exe [actions] [interval]       10000 and 1000 unless given
//   wine soak.exe --bare [actions] [interval]
//
// --bare runs no trifolio.exe: this process makes the same clipboard calls an action
// makes (the user's clipboard read whole, the marker, the application's copy read, the
// store offered by delayed rendering and read by the target, the user's clipboard put
// back) through the program's own clipboard class, and prints its own figures. Growth
// there and not in the target is the clipboard path's; growth only with the program is
// the rest of the program's (hotkeys, synthesised keys, the input watch, the window).
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "../tests/e2e/e2e_support.h"
#include "win32/clipboard.h"
#include "win32/strings.h"

namespace {

using namespace trifolio::e2e;

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;
constexpr int kWarmUp = 200;  // actions before the baseline

struct Usage {
    double privateKb = 0, workingKb = 0;
    DWORD gdi = 0, user = 0, handles = 0;
};

Usage usageOf(HANDLE process) {
    Usage usage;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        usage.privateKb = static_cast<double>(counters.PrivateUsage) / 1024;
        usage.workingKb = static_cast<double>(counters.WorkingSetSize) / 1024;
    }
    usage.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    usage.user = GetGuiResources(process, GR_USEROBJECTS);
    GetProcessHandleCount(process, &usage.handles);
    return usage;
}

// Wine answers none of the above for another process (nor the handle and GUI counts for
// this one); Linux does, through Wine's Z: drive: the process's anonymous resident memory
// (its private bytes) and its open file descriptors (its kernel handles on files, sockets
// and the server). `program`: its path as Wine put it in the command line; empty: this one.
void addLinuxFigures(const std::wstring& program, Usage& usage) {
    namespace fs = std::filesystem;
    const auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string wanted = lower(trifolio::win32::narrow(program));
    std::error_code error;
    fs::path found;
    if (program.empty())
        found = L"Z:\\proc\\self";
    for (fs::directory_iterator it(L"Z:\\proc", error), end; found.empty() && !error && it != end;
         it.increment(error)) {
        std::string line;
        std::getline(std::ifstream(it->path() / "cmdline", std::ios::binary), line, '\0');
        if (!line.empty() && lower(line) == wanted)
            found = it->path();
    }
    if (found.empty())
        return;
    std::ifstream status(found / "status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("RssAnon:"))
            usage.privateKb = std::atof(line.c_str() + 8);
    DWORD files = 0;
    for (fs::directory_iterator it(found / "fd", error), end; !error && it != end;
         it.increment(error))
        ++files;
    usage.handles = std::max(usage.handles, files);
}

// One process watched: its figures at the warm-up and now.
class Watched {
  public:
    Watched(const char* name, DWORD id, std::wstring program = {})
        : name_(name),
          program_(std::move(program)),
          process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id)) {}
    void print(int actions, bool baseline) {
        Usage now = usageOf(process_.get());
        if (now.privateKb == 0)
            addLinuxFigures(program_, now);
        if (baseline) {
            base_ = now;
            baseActions_ = actions;
        }
        const double per = actions > baseActions_ ? 1.0 / (actions - baseActions_) : 0;
        std::printf(
            "%6d  %-9s private %9.0f KB (%+6.2f KB/action)  working set %9.0f KB "
            "(%+6.2f)  GDI %4lu  USER %4lu  handles %4lu\n",
            actions, name_, now.privateKb, (now.privateKb - base_.privateKb) * per, now.workingKb,
            (now.workingKb - base_.workingKb) * per, now.gdi, now.user, now.handles);
    }

  private:
    const char* name_;
    std::wstring program_;
    trifolio::win32::KernelHandle process_;
    Usage base_;
    int baseActions_ = 0;
};

// The user's own content, recognisable by a format only it has.
bool putUsersClipboard(HWND owner, UINT format) {
    return setUserClipboard(owner, L"Inhalt des Benutzers", format, "user");
}

// A round of the program: copy the source's text into store 2, paste it back into the
// emptied source. Each action ends once the target acted and the user's clipboard is back.
class ProgramRounds {
  public:
    explicit ProgramRounds(UINT userFormat) : userFormat_(userFormat), owner_(messageWindow()) {}
    bool start() {
        return trifolio_.start() && target_.start() && target_.focus(0) &&
               putUsersClipboard(owner_.get(), userFormat_);
    }
    DWORD programId() const { return trifolio_.id(); }
    std::wstring programPath() const { return trifolio_.path(L"trifolio.exe").wstring(); }
    DWORD targetId() const { return target_.id(); }

    // False when an action did not complete.
    bool round(int n) {
        const std::wstring text = L"Runde " + std::to_wstring(n);
        target_.setText(0, text);
        target_.select(0, 0, -1);
        if (!act('C', [] { return true; }))
            return false;
        target_.setText(0, L"");
        return act('V', [&] { return target_.text(0) == text; });
    }

  private:
    template <typename Arrived>
    bool act(UINT key, const Arrived& arrived) {
        const LRESULT requests = target_.requests();
        const DWORD sequence = GetClipboardSequenceNumber();
        typeHotkey(kCtrlAlt, key);
        return pumpUntil(
            [&] {
                return target_.requests() != requests && GetClipboardSequenceNumber() != sequence &&
                       IsClipboardFormatAvailable(userFormat_) && arrived();
            },
            5000ms);
    }

    UINT userFormat_;
    trifolio::win32::Window owner_;
    Trifolio trifolio_;
    Target target_;
};

// The same clipboard calls from this process, through the program's clipboard class; the
// target copies and pastes on WM_COPY and WM_PASTE.
class BareRounds {
  public:
    explicit BareRounds(UINT userFormat) : userFormat_(userFormat), owner_(messageWindow()) {}
    bool start() {
        return clipboard_.valid() && target_.start() &&
               putUsersClipboard(owner_.get(), userFormat_);
    }
    DWORD targetId() const { return target_.id(); }

    bool round(int n) {
        const std::wstring text = L"Runde " + std::to_wstring(n);
        target_.setText(0, text);
        target_.select(0, 0, -1);
        auto users = clipboard_.read(true);
        if (!users || !clipboard_.clearWithMarker())
            return false;
        sendTo(target_.edit(0), WM_COPY);
        auto store = clipboard_.read(true);
        if (!store || !clipboard_.restore(users->whole))
            return false;
        target_.setText(0, L"");
        users = clipboard_.read(true);
        if (!users || !clipboard_.offer(store->whole))
            return false;
        sendTo(target_.edit(0), WM_PASTE);  // its reads are rendered while this waits
        return clipboard_.restore(users->whole) && target_.text(0) == text &&
               IsClipboardFormatAvailable(userFormat_);
    }

  private:
    UINT userFormat_;
    trifolio::win32::Window owner_;
    trifolio::win32::Win32Clipboard clipboard_;
    Target target_;
};

template <typename Rounds>
int soak(Rounds& rounds, Watched& first, Watched& second, int actions, int interval) {
    int failures = 0;
    for (int done = 0, n = 0; done < actions; ++n) {
        failures += !rounds.round(n);
        done += 2;
        if (done == kWarmUp || (done > kWarmUp && done % interval == 0) || done >= actions) {
            first.print(done, done == kWarmUp);
            second.print(done, done == kWarmUp);
            std::fflush(stdout);
        }
    }
    std::printf("%d actions, %d rounds failed\n", actions, failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool bare = argc > 1 && std::wstring(argv[1]) == L"--bare";
    const int first = bare ? 2 : 1;
    const int actions = argc > first ? std::max(kWarmUp + 2, _wtoi(argv[first])) : 10000;
    const int interval = argc > first + 1 ? std::max(2, _wtoi(argv[first + 1]) / 2 * 2) : 1000;
    const UINT userFormat = RegisterClipboardFormatW(L"TrifolioSoak.User");
    std::printf("soak: %d actions (copy and paste rounds), figures after %d and every %d\n",
                actions, kWarmUp, interval);
    if (bare) {
        BareRounds rounds(userFormat);
        if (!rounds.start()) {
            std::printf("e2e_target.exe did not start\n");
            return 1;
        }
        Watched self("this", GetCurrentProcessId()),
            target("target", rounds.targetId(), buildProgram(L"e2e_target.exe").wstring());
        return soak(rounds, self, target, actions, interval);
    }
    ProgramRounds rounds(userFormat);
    if (!rounds.start()) {
        std::printf("trifolio.exe or e2e_target.exe did not start\n");
        return 1;
    }
    Watched program("trifolio", rounds.programId(), rounds.programPath()),
        target("target", rounds.targetId(), buildProgram(L"e2e_target.exe").wstring());
    return soak(rounds, program, target, actions, interval);
}
