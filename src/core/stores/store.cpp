#include "core/stores/store.h"

namespace trifolio {

namespace {

using platform::ClipboardContent;

const char* startingDescription(int n) {
    return n == 1 ? "" : "---";
}

const char* panelPrefix(int n) {
    switch (n) {
        case 1:
            return "(Ablage 1): ";
        case 2:
            return "Ablage 2: ";
        default:
            return "Ablage 3: ";
    }
}

// Only the first picture label can join "Text"; any later one replaces what stands.
void applyLabel(std::string& description, const char* label) {
    if (description == "Text")
        description = std::string("Text/") + label;
    else
        description = label;
}

}  // namespace

std::string Store::displayText() const {
    if (confidential)
        return kConfidentialText;
    if (unsupported)
        return kUnsupportedFormatText;
    return hasText ? text : kEmptyStoreText;
}

StoreSet::StoreSet() {
    for (int n = 1; n <= 3; ++n)
        store(n).description = startingDescription(n);
}

std::string StoreSet::panelText(int n) const {
    return panelPrefix(n) + store(n).description;
}

void StoreSet::clear(int n) {
    if (n < 1 || n > 3)
        return;
    store(n) = Store{};
    store(n).description = startingDescription(n);
}

void StoreSet::capture(int n, ClipboardContent content,
                       std::shared_ptr<const platform::ClipboardSnapshot> whole) {
    if (n < 1 || n > 3)
        return;
    Store s;
    s.description = startingDescription(n);
    if (n != 1)
        s.whole = std::move(whole);
    // Of confidential content nothing is shown; stores 2 and 3 keep it whole for a paste.
    if (content.confidential) {
        s.confidential = true;
        store(n) = std::move(s);
        return;
    }

    // A text that is offered but cannot be read counts as no text: the store never
    // holds a text it cannot give back.
    if (content.offers(platform::kFormatText) && content.text) {
        s.text = std::move(*content.text);
        s.textLength = content.textLength;
        s.hasText = true;
        s.description = "Text";
    }

    // Every picture format takes the one picture the clipboard gives; the format only
    // chooses the label. Bitmap and DIB end the search, the metafiles do not, so an
    // enhanced metafile that also answers for the metafile picture ends as "Grafik-WMF".
    bool pictureFound = false;
    auto takePicture = [&](const char* label) {
        s.picture = content.picture;
        s.hasPicture = true;
        applyLabel(s.description, label);
    };
    if (content.offers(platform::kFormatBitmap)) {
        takePicture("Grafik-BMP");
        pictureFound = true;
    }
    if (!pictureFound && content.offers(platform::kFormatDib)) {
        takePicture("Grafik-DIB");
        pictureFound = true;
    }
    if (!pictureFound && content.offers(platform::kFormatEnhMetafile))
        takePicture("Grafik-EMF");
    if (!pictureFound && content.offers(platform::kFormatMetafilePict))
        takePicture("Grafik-WMF");
    // Rich text shows as no text of its own: the store shows the picture that comes with
    // it, if any (rich text alone leaves the has-picture flag set without a picture);
    // stores 2 and 3 keep the rich text itself in `whole`.
    if (!pictureFound && content.offers(platform::kFormatRtf))
        takePicture("Grafik-RTF");

    s.unsupported = content.offers(platform::kFormatLink) ||
                    content.offers(platform::kFormatFileList) ||
                    content.offers(platform::kFormatPalette);
    store(n) = std::move(s);
}

}  // namespace trifolio
