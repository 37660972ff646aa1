#include <gtest/gtest.h>

#include "platform/win32/text.h"

namespace kivrel {
namespace {

TEST(Text, ChineseAndSymbolsSurviveTheRoundTrip) {
    const std::string caption = "☆Kivrel☆  第1版第71次编译";
    const std::wstring wide = Widen(caption);
    EXPECT_EQ(wide, L"\u2606Kivrel\u2606  \u7B2C1\u7248\u7B2C71\u6B21\u7F16\u8BD1");
    EXPECT_EQ(Narrow(wide), caption);
    // The hint's arrows and parenthesised digits, and the CR LF of the status text.
    const std::string hint = "面板→Internet ⑴设置\r\n⑵";
    EXPECT_EQ(Narrow(Widen(hint)), hint);
    EXPECT_EQ(Widen("⑴"), std::wstring(1, L'\u2474'));
}

TEST(Text, CharactersBeyondTheBasicPlaneBecomeSurrogatePairs) {
    const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
    const std::wstring wide = Widen(clef);
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[0], 0xD834);
    EXPECT_EQ(wide[1], 0xDD1E);
    EXPECT_EQ(Narrow(wide), clef);
}

TEST(Text, BrokenInputIsReplacedNotDropped) {
    EXPECT_EQ(Widen(""), L"");
    EXPECT_EQ(Narrow(L""), "");
    // A lone continuation byte in the middle of a path keeps the rest of the path.
    const std::wstring wide = Widen("C:\\a\x80z");
    EXPECT_EQ(wide, L"C:\\a\uFFFDz");
    // An unpaired surrogate from a file name.
    EXPECT_EQ(Narrow(std::wstring(L"x") + wchar_t(0xD800) + L"y"), "x\xEF\xBF\xBDy");
    // Embedded NULs are part of the text.
    EXPECT_EQ(Widen(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

}  // namespace
}  // namespace kivrel
