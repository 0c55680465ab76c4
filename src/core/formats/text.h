// Text helpers shared by the logic: the single-byte code page of files and URLs.
#pragma once

#include <string>
#include <string_view>

namespace trifolio {

// UTF-8 to Windows-1252. Characters without a Windows-1252 byte become '?'.
std::string utf8ToCp1252(std::string_view utf8);
// Windows-1252 to UTF-8. The five unassigned bytes map to U+FFFD.
std::string cp1252ToUtf8(std::string_view bytes);
// The characters of UTF-8 text: the bytes that begin one.
std::size_t characterCount(std::string_view utf8);

}  // namespace trifolio
