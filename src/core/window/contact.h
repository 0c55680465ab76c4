// The contact form's web address: the fields go into the query of a request to the
// maker's server, which the browser then opens.
#pragma once

#include <cstddef>
#include <string>

namespace trifolio {

// Form encoding of a text in Windows-1252: letters, digits, "-", "." and "_" stay, a
// blank becomes "+", every other byte "%XX". A character without a Windows-1252 byte is
// sent as the HTML character reference "&#N;" (what browsers send from a Windows-1252
// form), so nothing the user typed is lost or garbled.
std::string UrlEncode(const std::string& utf8text);

// The longest web address the shell and browsers take.
inline constexpr std::size_t kUrlLimit = 2083;

// Told instead of the thanks when a message was not sent.
inline constexpr const char* kBrowserFailedText =
    "Der Browser konnte nicht geöffnet werden. Die Nachricht wurde nicht gesendet; Ihr Text "
    "bleibt im Formular.";
// For a request of `length` characters, beyond kUrlLimit: nothing is sent.
std::string TooLongText(std::size_t length);

// endpoint + "/Vennhaus/kontakt.php?name=...&email=...&homepage=...&nachricht=...";
// the message is sent behind a first line that names the program and its version.
std::string ContactRequest(const std::string& endpoint, const std::string& name,
                           const std::string& email, const std::string& homepage,
                           const std::string& message);

}  // namespace trifolio
