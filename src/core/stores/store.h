// What the three stores hold. Store 1 is the program's snapshot of the Windows
// clipboard; stores 2 and 3 belong to the program and live as long as it runs.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace trifolio {

inline constexpr const char* kEmptyStoreText = "leer";
inline constexpr const char* kUnsupportedFormatText = "Nicht unterstütztes Format";
inline constexpr const char* kConfidentialText = "Vertraulicher Inhalt";

struct Store {
    // What the Status page shows and the flags speak of: the store's text (of a long one
    // only its beginning), the whole text's length in characters, and its one picture.
    // Meaningful only while hasText / hasPicture is set.
    std::string text;
    std::size_t textLength = 0;
    platform::PicturePtr picture;
    // Stores 2 and 3: every format captured, the whole text's and the picture's bytes
    // among them; what a paste offers. Null when the store is empty.
    std::shared_ptr<const platform::ClipboardSnapshot> whole;
    bool hasText = false;
    bool hasPicture = false;
    // The clipboard offered link information, a file list or a palette: the Status page
    // shows "Nicht unterstütztes Format" (stores 2 and 3 keep every format in `whole`).
    bool unsupported = false;
    // Another program marked the content confidential: nothing of it is shown, and
    // store 1 keeps nothing of it (stores 2 and 3 keep it in `whole`).
    bool confidential = false;
    // "Text", "Grafik-BMP", "Text/Grafik-BMP", ... or the starting value.
    std::string description;

    // What the store's text box shows: the text, "leer", "Nicht unterstütztes Format" or
    // "Vertraulicher Inhalt".
    std::string displayText() const;
};

// Store n is stores[n - 1]. Store1HasText is stores[0].hasText, and so on.
struct StoreSet {
    StoreSet();
    std::array<Store, 3> stores;
    Store& store(int n) { return stores.at(n - 1); }
    const Store& store(int n) const { return stores.at(n - 1); }

    // Status-bar panel text of store n: "(Ablage 1): Text", "Ablage 2: ---", ...
    std::string panelText(int n) const;

    // Takes what the clipboard offers into store n (1 to 3; any other number changes
    // nothing): text, one picture, the flags and the description, in the capture order
    // text, bitmap, DIB, enhanced metafile, metafile picture, rich text; stores 2 and 3
    // also every format, `whole`. Of confidential content only stores 2 and 3 keep
    // anything: `whole`.
    void capture(int n, platform::ClipboardContent content,
                 std::shared_ptr<const platform::ClipboardSnapshot> whole = nullptr);
    // Empties store n (1 to 3): "leer", no picture, both flags clear, starting description.
    void clear(int n);
};

}  // namespace trifolio
