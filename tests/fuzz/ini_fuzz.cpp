// Fuzz target for the timer.ini text format.
//
// The input's leading bytes are the file's text; its last bytes choose a section, a key and a
// value. Whatever the text, writing a value and reading it back must give that value, writing it
// once more must change nothing, no other section's or key's value may change, and no byte of
// another line may be lost. The integer
// reader is also checked against strtoll.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vocabulary/ini_format.h"

namespace {

// The sections the program uses, and names that are odd but still valid.
constexpr std::string_view kSections[] = {
    "s",   "r",   "T1",  "T2",   "T3", "T4",  "T5", "T6",  "T7",  "T8", "T9", "T10",
    "T11", "T12", "Run", "Exit", "t5", "RUN", "",   "a b", "x=y", "[x", ";x", "T 5",
};
constexpr std::string_view kKeys[] = {"Value", "value", "VALUE", "Other",
                                      "a b",   "k[1]",  "x;y",   "]"};

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckInteger(const std::string& text) {
    const std::string value = text.substr(0, text.find('\0'));
    if (value.find('\n') != std::string::npos) {
        return;  // a value never holds a line break, and strtoll would skip it as a blank
    }
    errno = 0;
    long long expected = std::strtoll(value.c_str(), nullptr, 10);
    expected = std::clamp<long long>(expected, INT32_MIN, INT32_MAX);
    Require(kivrel::ParseIniInteger(text) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string_view section =
        kSections[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kSections) - 1)];
    const std::string_view key =
        kKeys[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
    const int32_t value = input.ConsumeIntegral<int32_t>();
    const std::string text = input.ConsumeRemainingBytesAsString();

    CheckInteger(text);

    const std::string written = kivrel::IniWriteInt(text, section, key, value);
    Require(kivrel::IniReadInt(written, section, key) == value);
    Require(kivrel::IniWriteInt(written, section, key, value) == written);
    // Lines may be added, and the value's own text replaced, but no other byte may go: what the
    // original has beyond the common beginning and end lies within one line.
    const std::size_t head = static_cast<std::size_t>(
        std::mismatch(text.begin(), text.end(), written.begin(), written.end()).first -
        text.begin());
    const std::size_t tail = static_cast<std::size_t>(
        std::mismatch(text.rbegin(), text.rend(), written.rbegin(), written.rend()).first -
        text.rbegin());
    if (head + tail < text.size()) {
        Require(text.find('\n', head) >= text.size() - tail);
    }

    // Every other value that the write could plausibly disturb: the same key in every other
    // section, the program's own key everywhere, and every other key of the same section.
    auto unchanged = [&](std::string_view otherSection, std::string_view otherKey) {
        if (SameName(otherSection, section) && SameName(otherKey, key)) {
            return;
        }
        Require(kivrel::IniReadInt(written, otherSection, otherKey) ==
                kivrel::IniReadInt(text, otherSection, otherKey));
    };
    for (const std::string_view otherSection : kSections) {
        unchanged(otherSection, key);
        unchanged(otherSection, "Value");
    }
    for (const std::string_view otherKey : kKeys) {
        unchanged(section, otherKey);
    }
    return 0;
}
