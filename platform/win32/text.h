// UTF-8 (the core's texts) to UTF-16 (the wide Windows calls) and back.
#pragma once

#include <string>
#include <string_view>

namespace kivrel {

// Ill-formed UTF-8 becomes U+FFFD; nothing is dropped silently and nothing throws.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

// The text of a system error code (FormatMessageW), without the trailing line break.
std::string SystemErrorText(unsigned long code);

}  // namespace kivrel
