// The private-profile (INI) text format of timer.ini, as pure functions over the file's text.
//
// Reading: section and key names match without regard to ASCII letter case; blanks around a
// value are ignored. An integer value is an optionally signed decimal integer, and text that does
// not begin with a number reads as 0; a missing section or key reads as 0 (as empty text). A number
// that does not fit 32 bits saturates at the nearest 32-bit limit. Lines whose first non-blank
// character is ';' are comments. Only the first section of a name counts, and within it only the
// first entry of a key; later duplicates are kept in the text but neither read nor written.
//
// Writing: the value replaces the first matching key of the first matching section, or the key
// is added at the end of that section, or the section is appended at the end of the text. Every
// other line is kept byte for byte, and new lines use the line ending the text already uses
// (CR LF for an empty text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivrel {

// The integer that a value text reads as: optional blanks, an optional sign, decimal digits;
// anything after the digits is ignored; no digits read as 0; saturates at the 32-bit limits.
int32_t ParseIniInteger(std::string_view value);

// The value of `key` in `section`, 0 when either is missing.
int32_t IniReadInt(std::string_view text, std::string_view section, std::string_view key);

// The text with `key` in `section` set to the decimal form of `value`.
std::string IniWriteInt(std::string_view text, std::string_view section, std::string_view key,
                        int32_t value);

// The value of `key` in `section` as text, blanks around it removed; empty when either is
// missing.
std::string IniReadText(std::string_view text, std::string_view section, std::string_view key);

// The text with `key` in `section` set to `value`, without the carriage returns and line feeds
// it may hold (a value is one line).
std::string IniWriteText(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace kivrel
