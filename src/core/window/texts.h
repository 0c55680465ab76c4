// Texts the settings window shows that come from outside the program: the help file
// and the stores' content, prepared for a multi-line text box.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace trifolio {

inline constexpr const char* kHelpFileName = "readme.txt";
inline constexpr const char* kHelpLoadFailed = "Kann Datei 'readme.txt' nicht laden";

// The help box shows at most the first kHelpBytes of the file, and then this line.
inline constexpr std::size_t kHelpBytes = 256 * 1024;
inline constexpr const char* kHelpCutNote =
    "[… gekürzt angezeigt; der Rest der Datei wird hier nicht gezeigt]";
// Longer lines are broken for the help box, which wraps a long line very slowly.
inline constexpr std::size_t kHelpLineChars = 1000;

// The help text of `path`: every line followed by CR LF. A line ends at CR LF, CR or
// LF; a last line without an end mark counts too. A file that is valid UTF-8 (with or
// without byte order mark) is read as UTF-8, any other as Windows-1252. Only the first
// `limit` bytes are read: a longer file ends after the last line end among them (or on
// a character boundary when they hold none), followed by kHelpCutNote. A NUL, at which
// the box would stop, and the other control characters but tab show as "·", and a line
// longer than kHelpLineChars characters goes on in the next. When the file cannot be read
// the result is kHelpLoadFailed.
std::string helpText(platform::Files& files, const std::string& path,
                     std::size_t limit = kHelpBytes);

// Decodes file bytes as above; the result is UTF-8.
std::string decodeTextFile(std::string_view bytes);

// Store texts longer than this are shown cut short in their box.
inline constexpr std::size_t kPreviewBytes = 64 * 1024;
// A reading's beginning of a longer text (at least one byte a unit) fills the box.
static_assert(kPreviewBytes <= platform::kTextReadUnits);

// What a store's text box shows of a text `length` characters long, of which `text`
// is all or the beginning: line ends made CR LF so that the box breaks the lines, and
// at most about `limit` bytes, cut at a line or character boundary and followed by a
// note giving the whole length when that is not all. The store keeps the text whole
// in its snapshot; only the box is spared from holding tens of megabytes.
std::string previewText(std::string_view text, std::size_t length,
                        std::size_t limit = kPreviewBytes);

}  // namespace trifolio
