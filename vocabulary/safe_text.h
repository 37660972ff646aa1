// Text from the user's files on its way to a terminal, a notification, a JSON parser or a page:
// what is not well-formed UTF-8, and control characters, never pass through as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivrel {

// U+FFFD, the replacement character, in UTF-8.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence that starts at `at` (1 for ASCII), 0 when the
// byte there starts none: a stray continuation byte, an overlong form (C0 AF), a surrogate, a
// code point beyond U+10FFFF, or a sequence cut short.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// Whether the code point of the sequence `sequence` (well-formed) is a control character: C0,
// DEL or C1.
bool IsControlSequence(std::string_view sequence);

// Text safe to print: each byte that starts no well-formed sequence, and each control character
// (tab and line ends too), becomes U+FFFD.
std::string PrintableText(std::string_view text);

}  // namespace kivrel
