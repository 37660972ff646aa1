#include "rules/link.h"

namespace kivrel {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> ParseLinkPatterns(std::string_view value) {
    std::vector<std::string> patterns;
    size_t begin = 0;
    while (begin <= value.size()) {
        size_t end = value.find(',', begin);
        if (end == std::string_view::npos)
            end = value.size();
        std::string_view item = value.substr(begin, end - begin);
        while (!item.empty() && IsBlank(item.front()))
            item.remove_prefix(1);
        while (!item.empty() && IsBlank(item.back()))
            item.remove_suffix(1);
        if (!item.empty())
            patterns.emplace_back(item);
        begin = end + 1;
    }
    return patterns;
}

// Wildcard matching without recursion: on a mismatch the latest * takes one more character.
bool LinkMatches(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::optional<std::string> BilledLink(const std::vector<std::string>& patterns, bool connected,
                                      const std::vector<std::string>& routed) {
    if (patterns.empty()) {
        if (!connected)
            return std::nullopt;
        return routed.empty() ? std::string() : routed.front();
    }
    for (const std::string& name : routed)
        for (const std::string& pattern : patterns)
            if (LinkMatches(pattern, name))
                return name;
    return std::nullopt;
}

}  // namespace kivrel
