// The Windows clipboard for the program: reads it, keeps and restores all of it,
// and offers store content by delayed rendering, so that the program learns the
// moment a target application reads it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "win32/handles.h"
#include "win32/picture.h"
#include "win32/window_object.h"

namespace trifolio::win32 {

// Use on one thread only: the one that created it, which must pump messages while
// a target application reads offered content (WM_RENDERFORMAT is sent to it).
class Win32Clipboard final : public platform::Clipboard, private WindowObject<Win32Clipboard> {
  public:
    // `openBound`: how long opening is retried while another program holds the clipboard.
    explicit Win32Clipboard(platform::Millis openBound = platform::Millis(1000));
    ~Win32Clipboard() override;
    Win32Clipboard(const Win32Clipboard&) = delete;
    Win32Clipboard& operator=(const Win32Clipboard&) = delete;

    // False when the owner window could not be created; every operation then fails.
    bool valid() const noexcept { return hwnd() != nullptr; }

    std::uint32_t sequenceNumber() override;
    bool heldElsewhere() override;
    std::optional<Reading> read(bool whole) override;
    bool clearWithMarker() override;
    bool markerPresent() override;
    bool clear() override;
    bool offer(std::shared_ptr<const platform::ClipboardSnapshot> content) override;
    void serveOffer(std::uint32_t target) override { serving_ = target; }
    int readsBy(std::uint32_t process) override;
    std::uint32_t ownerProcess() override;
    bool restore(std::shared_ptr<const platform::ClipboardSnapshot> snapshot) override;

    // Clipboard format ids this program registers or looks for.
    struct Formats {
        UINT marker = 0;            // the program's private "nothing copied yet" marker
        UINT ownMark = 0;           // the program's own exclusion of content it put back
        UINT excludeMonitor = 0;    // "ExcludeClipboardContentFromMonitorProcessing"
        UINT historyAllowed = 0;    // "CanIncludeInClipboardHistory"
        UINT rtf = 0;               // "Rich Text Format"
        UINT link = 0;              // "Link"
        std::vector<UINT> oleLink;  // OLE formats that are not copied into a snapshot
    };
    const Formats& formats() const noexcept { return formats_; }

  private:
    // Its window, hidden and message-only, owns what the program puts into the clipboard.
    friend class WindowObject<Win32Clipboard>;
    LRESULT handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam);
    // Opens the clipboard, retrying for `openBound_` while another program holds it;
    // the guard closes it again and is not open when that failed.
    OpenedClipboard open();
    // The same for the window `self` (also while it is being destroyed) and `bound`.
    OpenedClipboard open(HWND self, platform::Millis bound);
    // Marks content the program puts in only for a moment, so that clipboard history
    // and clipboard monitors skip it; `ours` unless it is another program's confidential
    // content put back. The clipboard must be open.
    void markTransient(bool ours = true);
    // Empties the clipboard and puts `content` in: every format by delayed rendering when
    // it is an offer (its reads are counted), only the large ones when it is a restore.
    bool put(std::shared_ptr<const class Snapshot> content, bool offer);
    void renderPut(UINT format);
    void dropOffer();
    // Whether the open clipboard's content is marked not to be shown: by its owner, or,
    // for content this program put back, by the owner it was saved from.
    bool confidential() const;
    // The picture read last instead of `picture` when the two look the same.
    std::shared_ptr<const Win32Picture> samePicture(std::shared_ptr<const Win32Picture> picture);

    platform::Millis openBound_;
    Formats formats_;
    // What the program put in last and has yet to render: formats read so far are
    // rendered from it, and it is kept until the clipboard's content changes.
    std::shared_ptr<const class Snapshot> put_;
    // The user's clipboard as the program put it back last, and the sequence number then:
    // while the clipboard still holds it, a read takes it from here. (Reading one's own
    // content again costs Wine 8 a kilobyte a call that it never frees.)
    std::shared_ptr<const class Snapshot> restored_;
    DWORD restoredSequence_ = 0;
    std::vector<UINT> delayed_;
    bool putIsOffer_ = false;
    // Reads of the offer by this process (by any when 0) and by unknown readers are
    // served; none before the keystroke.
    std::optional<DWORD> serving_;
    std::vector<std::uint32_t> readers_;  // the process of each read of the offer, 0: unknown
    std::weak_ptr<const Win32Picture> lastPicture_;
};

// Clipboard format numbers as the program's logic names them: every text format is
// kFormatText, CF_DIBV5 is kFormatDib, the registered rich-text and link formats
// are kFormatRtf and kFormatLink; other numbers stay as they are.
std::uint32_t logicalFormat(UINT format, const Win32Clipboard::Formats& formats);

}  // namespace trifolio::win32
