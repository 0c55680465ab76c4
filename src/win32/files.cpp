#include "win32/files.h"

#include <algorithm>

#include "win32/handles.h"
#include "win32/strings.h"

namespace trifolio::win32 {
namespace {

// Suffix of the new file while it is being written beside its target.
constexpr wchar_t kNewFileSuffix[] = L".new";

bool fail(std::string& error, DWORD code) {
    error = systemErrorText(code);
    return false;
}

// Antivirus and the search indexer open a new or changed file for a moment and share it
// with no one: a step that fails for that reason (a sharing violation, or access denied
// while the other program replaces or deletes the file) is tried again for about a
// second. Other failures (no such folder; a read-only file, refused beforehand) end it
// at once.
constexpr ULONGLONG kHeldBound = 1000;  // milliseconds
constexpr DWORD kHeldStep = 25;

bool heldByAnother(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED;
}

// Runs `step` (true on success, else the error in GetLastError) until it succeeds or
// fails for a reason other than another program's hold, or the bound is over; the error
// of its last failure, ERROR_SUCCESS when it succeeded.
template <typename Step>
DWORD retried(const Step& step) {
    for (const ULONGLONG deadline = GetTickCount64() + kHeldBound;; Sleep(kHeldStep)) {
        if (step())
            return ERROR_SUCCESS;
        const DWORD code = GetLastError();
        if (!heldByAnother(code) || GetTickCount64() >= deadline)
            return code;
    }
}

}  // namespace

std::string systemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", length);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return "Fehler " + std::to_string(code);
    return narrow(text);
}

std::optional<std::string> Win32Files::read(const std::string& path, std::string& error,
                                            std::size_t limit) {
    FileHandle file;
    if (const DWORD code = retried([&] {
            file.reset(CreateFileW(widen(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            return static_cast<bool>(file);
        })) {
        fail(error, code);
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        fail(error, GetLastError());
        return std::nullopt;
    }
    const auto wanted = std::min(static_cast<unsigned long long>(size.QuadPart),
                                 static_cast<unsigned long long>(limit));
    if (wanted > 0x7FFFFFFF) {
        fail(error, ERROR_FILE_TOO_LARGE);
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(wanted), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                      &got, nullptr)) {
            fail(error, GetLastError());
            return std::nullopt;
        }
        if (got == 0)
            break;  // the file shrank meanwhile
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

bool Win32Files::exists(const std::string& path) {
    if (GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    const DWORD code = GetLastError();
    return code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND;
}

bool Win32Files::writeAtomically(const std::string& path, const std::string& bytes,
                                 std::string& error) {
    const std::wstring target = widen(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return fail(error, ERROR_ACCESS_DENIED);

    const std::wstring fresh = target + kNewFileSuffix;
    DWORD code = ERROR_SUCCESS;
    {
        FileHandle file;
        if (const DWORD opened = retried([&] {
                file.reset(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
                return static_cast<bool>(file);
            }))
            return fail(error, opened);
        size_t done = 0;
        while (code == ERROR_SUCCESS && done < bytes.size()) {
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                           &written, nullptr))
                code = GetLastError();
            done += written;
        }
        if (code == ERROR_SUCCESS && !FlushFileBuffers(file.get()))
            code = GetLastError();
    }
    if (code == ERROR_SUCCESS)
        code = retried([&] {
            return MoveFileExW(fresh.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
    if (code != ERROR_SUCCESS) {
        DeleteFileW(fresh.c_str());
        return fail(error, code);
    }
    return true;
}

}  // namespace trifolio::win32
