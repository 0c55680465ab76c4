#include "view/sliced_text.h"

#include <algorithm>

namespace trifolio::win32 {
namespace {

constexpr std::size_t kFirstSlice = 4096, kFewest = 2048, kMost = 64 * 1024;

}  // namespace

bool SlicedText::start(HWND edit, std::wstring text) {
    edit_ = edit;
    text_ = std::move(text);
    next_ = 0;
    slice_ = kFirstSlice;
    slowest_ = {};
    if (!edit_)
        return true;
    SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);  // no limit on what EM_REPLACESEL takes
    SetWindowTextW(edit_, L"");
    return step();
}

bool SlicedText::step() {
    if (done())
        return true;
    std::size_t end = std::min(text_.size(), next_ + slice_);
    // A slice does not end between CR and LF, nor inside a surrogate pair.
    if (end < text_.size() && end > next_ + 1 &&
        (text_[end] == L'\n' || (text_[end] >= 0xDC00 && text_[end] < 0xE000)))
        --end;
    const std::wstring slice = text_.substr(next_, end - next_);

    const auto began = std::chrono::steady_clock::now();
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                 reinterpret_cast<LPARAM>(&selEnd));
    const LRESULT firstLine = SendMessageW(edit_, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(edit_, WM_SETREDRAW, FALSE, 0);
    const LRESULT length = GetWindowTextLengthW(edit_);
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(slice.c_str()));
    SendMessageW(edit_, EM_SETSEL, selStart, static_cast<LPARAM>(selEnd));
    SendMessageW(edit_, EM_LINESCROLL, 0,
                 firstLine - SendMessageW(edit_, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageW(edit_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(edit_, nullptr, FALSE);
    next_ = end;
    // Redrawing the frame costs as much as a slice: the scroll bar follows at the end.
    if (done())
        RedrawWindow(edit_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);

    // The next slice is sized to take about kSliceTime at this one's pace, growing at most
    // twofold, since the next characters may be slower to lay out.
    const auto took = std::max(std::chrono::microseconds(100),
                               std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now() - began));
    slowest_ = std::max(slowest_, took);
    const auto wanted = slice.size() * std::chrono::microseconds(kSliceTime).count() /
                        static_cast<std::size_t>(took.count());
    slice_ = std::clamp(std::min(wanted, 2 * slice.size()), kFewest, kMost);
    return done();
}

}  // namespace trifolio::win32
