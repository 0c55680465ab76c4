// A long text put into a multi-line edit control a slice at a time. Setting a few
// hundred kilobytes at once keeps a window silent for a second and more (the control
// lays out every line anew), so the text goes in by slices that each take about
// kSliceTime, and the window answers between them.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace trifolio::win32 {

class SlicedText {
  public:
    static constexpr std::chrono::milliseconds kSliceTime{25};

    // Empties `edit` and starts putting `text` into it: the first slice goes in at once.
    // Returns done().
    bool start(HWND edit, std::wstring text);
    // Appends the next slice, keeping the selection and the lines the box shows; returns
    // done().
    bool step();
    bool done() const noexcept { return !edit_ || next_ >= text_.size(); }
    // How long the slowest slice so far took.
    std::chrono::microseconds slowestSlice() const noexcept { return slowest_; }

  private:
    HWND edit_ = nullptr;
    std::wstring text_;
    std::size_t next_ = 0;   // the first character not yet in the box
    std::size_t slice_ = 0;  // characters in the next slice
    std::chrono::microseconds slowest_{0};
};

}  // namespace trifolio::win32
