// The private-profile text format of timer.ini.
//
// The text is taken as lines ending in LF; a CR right before the LF belongs to the line ending.
// Each line is one of:
//   - a section header: optional blanks, '[', the name, ']' (anything after the ']' is ignored);
//   - a comment: optional blanks, then ';';
//   - an entry: the key, '=', the value (the key is everything before the first '=');
//   - anything else (blank lines, a '[' without ']', text without '='), which is kept but never
//     read.
// Only the first section of a name counts, and within it only the first entry of a key: later
// duplicates are kept in the text but neither read nor written.
#include "vocabulary/ini_format.h"

#include <charconv>
#include <cstddef>
#include <limits>

namespace kivrel {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the text, as offsets: [begin, contentEnd) is the line without its ending,
// [contentEnd, end) the ending itself ("\n", "\r\n" or nothing for a last line without one).
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
};

Line LineAt(std::string_view text, std::size_t begin) {
    Line line;
    line.begin = begin;
    const std::size_t lf = text.find('\n', begin);
    if (lf == std::string_view::npos) {
        line.contentEnd = text.size();
        line.end = text.size();
        return line;
    }
    line.end = lf + 1;
    line.contentEnd = (lf > begin && text[lf - 1] == '\r') ? lf - 1 : lf;
    return line;
}

enum class LineKind { Blank, Comment, Header, Entry, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;       // section name of a header, key of an entry (trimmed)
    std::size_t valueBegin = 0;  // entry: offset of the first non-blank byte after '='
    std::size_t valueEnd = 0;    // entry: end of the line's content
};

ParsedLine Parse(std::string_view text, const Line& line) {
    ParsedLine parsed;
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    const std::string_view trimmed = TrimBlanks(content);
    if (trimmed.empty()) {
        parsed.kind = LineKind::Blank;
        return parsed;
    }
    if (trimmed.front() == ';') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (trimmed.front() == '[') {
        const std::size_t close = trimmed.find(']');
        if (close == std::string_view::npos) {
            return parsed;  // an unfinished header is neither a header nor an entry
        }
        parsed.kind = LineKind::Header;
        parsed.name = TrimBlanks(trimmed.substr(1, close - 1));
        return parsed;
    }
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        return parsed;
    }
    parsed.kind = LineKind::Entry;
    parsed.name = TrimBlanks(content.substr(0, equals));
    std::size_t valueBegin = line.begin + equals + 1;
    while (valueBegin < line.contentEnd && (text[valueBegin] == ' ' || text[valueBegin] == '\t')) {
        ++valueBegin;
    }
    parsed.valueBegin = valueBegin;
    parsed.valueEnd = line.contentEnd;
    return parsed;
}

// Where a section and key are in the text, and where a missing key would go.
struct Location {
    bool sectionFound = false;
    // End of the section's last non-blank line (after its line ending, if it has one).
    std::size_t insertAt = 0;
    // The section's last non-blank line is the text's last line and has no line ending.
    bool insertNeedsBreak = false;
    bool keyFound = false;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

Location Locate(std::string_view text, std::string_view section, std::string_view key) {
    Location where;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Line line = LineAt(text, pos);
        pos = line.end;
        const ParsedLine parsed = Parse(text, line);
        if (parsed.kind == LineKind::Header) {
            if (inSection) {
                break;  // the first matching section has ended
            }
            if (SameName(parsed.name, section)) {
                inSection = true;
                where.sectionFound = true;
            }
        }
        if (!inSection) {
            continue;
        }
        if (parsed.kind != LineKind::Blank) {
            where.insertAt = line.end;
            where.insertNeedsBreak = line.end == line.contentEnd;
        }
        if (parsed.kind == LineKind::Entry && SameName(parsed.name, key)) {
            where.keyFound = true;
            where.valueBegin = parsed.valueBegin;
            where.valueEnd = parsed.valueEnd;
            break;
        }
    }
    return where;
}

// The line ending that the text already uses: that of its first line, CR LF when it has none.
std::string_view LineEnding(std::string_view text) {
    const std::size_t lf = text.find('\n');
    if (lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r')) {
        return "\n";
    }
    return "\r\n";
}

// The value of `key` in `section` as the line holds it after the '='; empty when missing.
std::string_view ValueOf(std::string_view text, std::string_view section, std::string_view key) {
    const Location where = Locate(text, section, key);
    if (!where.keyFound) {
        return {};
    }
    return text.substr(where.valueBegin, where.valueEnd - where.valueBegin);
}

}  // namespace

int32_t ParseIniInteger(std::string_view value) {
    std::size_t i = 0;
    while (i < value.size() && IsBlank(value[i])) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Magnitudes are counted up to just past the 32-bit range, which is enough to saturate.
    constexpr int64_t kCap = int64_t{std::numeric_limits<int32_t>::max()} + 2;
    int64_t magnitude = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        if (magnitude < kCap) {
            magnitude = magnitude * 10 + (value[i] - '0');
        }
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (signedValue < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(signedValue);
}

int32_t IniReadInt(std::string_view text, std::string_view section, std::string_view key) {
    return ParseIniInteger(ValueOf(text, section, key));
}

std::string IniReadText(std::string_view text, std::string_view section, std::string_view key) {
    return std::string(TrimBlanks(ValueOf(text, section, key)));
}

std::string IniWriteInt(std::string_view text, std::string_view section, std::string_view key,
                        int32_t value) {
    char buffer[12];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;  // 12 characters hold every 32-bit integer
    return IniWriteText(text, section, key, std::string_view(buffer, end - buffer));
}

std::string IniWriteText(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value) {
    // A line break would end the value and start a line of its own.
    std::string line;
    for (const char c : value) {
        if (c != '\r' && c != '\n') {
            line += c;
        }
    }
    const Location where = Locate(text, section, key);
    std::string result;
    if (where.keyFound) {
        result.reserve(text.size() + line.size());
        result.append(text.substr(0, where.valueBegin));
        result.append(line);
        result.append(text.substr(where.valueEnd));
        return result;
    }
    const std::string_view eol = LineEnding(text);
    std::string entry;
    entry.append(key).append("=").append(line).append(eol);
    if (where.sectionFound) {
        result.reserve(text.size() + entry.size() + eol.size());
        result.append(text.substr(0, where.insertAt));
        if (where.insertNeedsBreak) {
            result.append(eol);
        }
        result.append(entry);
        result.append(text.substr(where.insertAt));
        return result;
    }
    result.reserve(text.size() + eol.size() + section.size() + 2 + eol.size() + entry.size());
    result.append(text);
    if (!text.empty() && text.back() != '\n') {
        result.append(eol);
    }
    result.append("[").append(section).append("]").append(eol);
    result.append(entry);
    return result;
}

}  // namespace kivrel
