#include "vocabulary/safe_text.h"

namespace kivrel {

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char c = byte(at);
    if (c < 0x80)
        return 1;
    const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(at + k) & 0xC0) != 0x80)
            return 0;
    const unsigned char second = byte(at + 1);
    // Overlong three- and four-byte forms, surrogates, and beyond U+10FFFF.
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second >= 0xA0) ||
        (c == 0xF0 && second < 0x90) || (c == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

bool IsControlSequence(std::string_view sequence) {
    const auto first = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1)
        return first < 0x20 || first == 0x7F;
    // U+0080..U+009F: C2 80..C2 9F.
    return sequence.size() == 2 && first == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0 || IsControlSequence(text.substr(i, length))) {
            out += kReplacementCharacter;
            i += length == 0 ? 1 : length;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace kivrel
