// The timer.ini text format: reading and writing integer values over the file's text.
#include "vocabulary/ini_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kivrel {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// A text that may hold NUL bytes: the whole literal but its terminating NUL.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

struct IntegerCase {
    std::string value;
    int32_t expected;
};

TEST(IniInteger, ReadsLeadingSignedDecimalAndSaturates) {
    const std::vector<IntegerCase> cases = {
        {"0", 0},
        {"42", 42},
        {"  42  ", 42},
        {"\t42", 42},
        {"42abc", 42},
        {"4 2", 4},
        {"abc", 0},
        {"", 0},
        {"   ", 0},
        {"-17", -17},
        {"+8", 8},
        {"- 5", 0},
        {"--5", 0},
        {"+", 0},
        {"0x1F", 0},
        {"007", 7},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"4294967296", kMax},
        {"99999999999999999999999999999", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {"-99999999999999999999999999999", kMin},
        {"00000000000000000000000000042", 42},
        {"18446744073709551658", kMax},  // 2^64 + 42: must not wrap around
        {"-18446744073709551658", kMin},
        {Bytes("5\0 6"), 5},
        {Bytes("\0"
               "5"),
         0},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseIniInteger(c.value), c.expected) << "value \"" << c.value << "\"";
    }
}

struct ReadCase {
    const char* what;
    std::string text;
    const char* section;
    int32_t expected;
};

TEST(IniRead, FindsValueOfKeyInSection) {
    const std::vector<ReadCase> cases = {
        {"plain CR LF", "[T5]\r\nValue=95\r\n", "T5", 95},
        {"plain LF", "[s]\nValue=40\n[r]\nValue=15\n", "r", 15},
        {"section name in other case", "[t5]\r\nValue=7\r\n", "T5", 7},
        {"key in other case", "[Run]\r\nVALUE=1\r\n", "Run", 1},
        {"asked in other case", "[EXIT]\nvalue=3\n", "exit", 3},
        {"blanks inside brackets", "[ T5 ]\nValue=3\n", "T5", 3},
        {"blanks before header", "  \t[T5]\nValue=3\n", "T5", 3},
        {"text after header", "[T5] ; this month\nValue=5\n", "T5", 5},
        {"blanks around key and value", "[T5]\n  Value  =  42  \n", "T5", 42},
        {"tabs around key and value", "[T5]\n\tValue\t=\t42\t\r\n", "T5", 42},
        {"value not a number", "[T5]\nValue=abc\n", "T5", 0},
        {"value empty", "[T5]\nValue=\n", "T5", 0},
        {"number followed by text", "[T5]\nValue=42abc\n", "T5", 42},
        {"negative value", "[T5]\nValue=-3\n", "T5", -3},
        {"second equals sign is part of the value", "[T5]\nValue==5\n", "T5", 0},
        {"empty text", "", "T5", 0},
        {"missing section", "[T5]\nValue=1\n", "T7", 0},
        {"missing key", "[T5]\nOther=1\n", "T5", 0},
        {"key without equals sign", "[T5]\nValue\n", "T5", 0},
        {"key of the next section does not leak", "[T5]\n[T6]\nValue=6\n", "T5", 0},
        {"entry before any header belongs nowhere", "Value=9\n[T5]\n", "T5", 0},
        {"name is not a prefix match", "[T1]\nValue=1\n[T10]\nValue=10\n", "T10", 10},
        {"name is not a prefix match (key)", "[T1]\nValueX=1\nValue=2\n", "T1", 2},
        {"comment line is skipped", "[T5]\n;Value=5\nValue=6\n", "T5", 6},
        {"indented comment", "[T5]\n  ; Value=5\n", "T5", 0},
        {"commented header", ";[T5]\nValue=5\n", "T5", 0},
        {"first of duplicate keys", "[T5]\nValue=1\nvalue=2\n", "T5", 1},
        {"first of duplicate sections", "[T5]\nValue=1\n[t5]\nValue=2\n", "T5", 1},
        {"later duplicate section is not consulted", "[T5]\n[T5]\nValue=2\n", "T5", 0},
        {"header without bracket is not a header", "[T5\nValue=5\n", "T5", 0},
        {"header without bracket does not end a section", "[T4]\n[T5\nValue=4\n", "T4", 4},
        {"no final line break", "[T5]\r\nValue=12", "T5", 12},
        {"CR at the very end", "[T5]\r\nValue=12\r", "T5", 12},
        {"lone CR does not split lines", "[T5]\rValue=5\n", "T5", 0},
        {"NUL inside value ends the number",
         Bytes("[T5]\nValue=5\0"
               "7\n"),
         "T5", 5},
        {"NUL inside name",
         Bytes("[T\0"
               "5]\nValue=5\n"),
         "T5", 0},
        {"value saturates high", "[T5]\nValue=3000000000\n", "T5", kMax},
        {"value saturates low", "[T5]\nValue=-3000000000\n", "T5", kMin},
        {"empty brackets", "[]\nValue=1\n", "T5", 0},
        {"stray closing bracket", "]\n[T5]\nValue=8\n", "T5", 8},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(IniReadInt(c.text, c.section, "Value"), c.expected) << c.what;
    }
}

struct WriteCase {
    const char* what;
    std::string text;
    const char* section;
    int32_t value;
    std::string expected;
};

TEST(IniWrite, ReplacesInsertsOrAppendsAndKeepsTheRest) {
    const std::vector<WriteCase> cases = {
        {"empty text gets a CR LF section", "", "T3", 0, "[T3]\r\nValue=0\r\n"},
        {"new section appended at the end (LF)", "[s]\nValue=5\n", "T3", 0,
         "[s]\nValue=5\n[T3]\nValue=0\n"},
        {"new section appended at the end (CR LF)", "[s]\r\nValue=5\r\n", "T3", 0,
         "[s]\r\nValue=5\r\n[T3]\r\nValue=0\r\n"},
        {"line break added before an appended section", "[s]\r\nValue=5", "T3", 0,
         "[s]\r\nValue=5\r\n[T3]\r\nValue=0\r\n"},
        {"line ending taken from the first line break", "[s]\nValue=1\r\n", "T3", 2,
         "[s]\nValue=1\r\n[T3]\nValue=2\n"},
        {"text without any line break gets CR LF", "; note", "T3", 2,
         "; note\r\n[T3]\r\nValue=2\r\n"},
        {"text of a single line break", "\n", "T3", 2, "\n[T3]\nValue=2\n"},
        {"value replaced, rest byte-identical",
         "[T4]\r\nValue=4\r\n[T5]\r\nValue=99\r\n[T6]\r\nValue=6\r\n", "T5", 120,
         "[T4]\r\nValue=4\r\n[T5]\r\nValue=120\r\n[T6]\r\nValue=6\r\n"},
        {"replacement keeps key spelling and blanks before the value", "[t5]\n  VALUE = 99  \n",
         "T5", 120, "[t5]\n  VALUE = 120\n"},
        {"replacement without final line break", "[T5]\nValue=99", "T5", 120, "[T5]\nValue=120"},
        {"empty value replaced", "[T5]\nValue=\n", "T5", 120, "[T5]\nValue=120\n"},
        {"non-numeric value replaced", "[T5]\nValue=abc\n", "T5", 1, "[T5]\nValue=1\n"},
        {"first of duplicate keys replaced", "[T5]\nValue=1\nValue=2\n[T5]\nValue=3\n", "T5", 7,
         "[T5]\nValue=7\nValue=2\n[T5]\nValue=3\n"},
        {"key added after the section's last line, before blank lines",
         "[T5]\r\nOther=1\r\n\r\n[T6]\r\nValue=6\r\n", "T5", 120,
         "[T5]\r\nOther=1\r\nValue=120\r\n\r\n[T6]\r\nValue=6\r\n"},
        {"key added to a header-only last section without line break", "[s]\nValue=1\n[T5]", "T5",
         120, "[s]\nValue=1\n[T5]\nValue=120\n"},
        {"key added to the first of duplicate sections", "[T5]\nA=1\n[T5]\nValue=2\n", "T5", 9,
         "[T5]\nA=1\nValue=9\n[T5]\nValue=2\n"},
        {"commented-out key does not count", "[T5]\n;Value=5\n", "T5", 6,
         "[T5]\n;Value=5\nValue=6\n"},
        {"unfinished header is not the section", "[T5", "T5", 1, "[T5\r\n[T5]\r\nValue=1\r\n"},
        {"negative value", "[T5]\nValue=1\n", "T5", -5, "[T5]\nValue=-5\n"},
        {"lowest value", "", "T5", kMin, "[T5]\r\nValue=-2147483648\r\n"},
        {"highest value", "", "T5", kMax, "[T5]\r\nValue=2147483647\r\n"},
        {"NUL bytes elsewhere are kept", Bytes("[a]\nx=\0\n[T5]\nValue=1\n"), "T5", 2,
         Bytes("[a]\nx=\0\n[T5]\nValue=2\n")},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(IniWriteInt(c.text, c.section, "Value", c.value), c.expected) << c.what;
    }
}

TEST(IniRead, CommentLineIsNeverAnEntry) {
    const std::string text = "[T5]\n;Value=5\n  ;x=6\n";
    EXPECT_EQ(IniReadInt(text, "T5", ";Value"), 0);
    EXPECT_EQ(IniReadInt(text, "T5", ";x"), 0);
}

TEST(IniWrite, KeyIsWrittenInTheSpellingGiven) {
    EXPECT_EQ(IniWriteInt("[T5]\n", "T5", "Value", 3), "[T5]\nValue=3\n");
    EXPECT_EQ(IniWriteInt("", "Run", "Value", 1), "[Run]\r\nValue=1\r\n");
}

// Every write must read back, must not disturb any other value, and writing the same value
// again must not change the text any further.
TEST(IniWrite, ReadsBackAndLeavesOtherValuesAlone) {
    const std::vector<std::string> texts = {
        "",
        "[s]\r\nValue=40\r\n[r]\r\nValue=15\r\n[T1]\r\nValue=1\r\n[T5]\r\nValue=99\r\n",
        "[T5]\nvalue = 7 \n\n[t6]\nOther=1\n;[T7]\n[T7\nValue=3",
        "junk\n=\n[\n]\n[T5]\n[T5]\nValue=2\n[Exit]\nValue=0",
        "[RUN]\rValue=1\n[run]\nValue=2\r\n",
    };
    const std::vector<std::string> sections = {"s",  "r",   "T1",  "T5",  "t6",
                                               "T7", "T12", "Run", "Exit"};
    const std::vector<int32_t> values = {0, 1, 120, -7, kMax, kMin};
    for (const std::string& text : texts) {
        for (const std::string& section : sections) {
            for (const int32_t value : values) {
                const std::string written = IniWriteInt(text, section, "Value", value);
                EXPECT_EQ(IniReadInt(written, section, "Value"), value)
                    << "section " << section << " in \"" << text << "\"";
                EXPECT_EQ(IniWriteInt(written, section, "Value", value), written);
                for (const std::string& other : sections) {
                    if (other == section) {
                        continue;
                    }
                    EXPECT_EQ(IniReadInt(written, other, "Value"), IniReadInt(text, other, "Value"))
                        << "section " << other << " after writing " << section << " in \"" << text
                        << "\"";
                }
            }
        }
    }
}

TEST(IniText, ReadTrimmedAndWrittenOnOneLine) {
    const std::string text = "[Link]\r\nName =  eth0 \t\r\nEmpty=\r\n";
    EXPECT_EQ(IniReadText(text, "link", "name"), "eth0");
    EXPECT_EQ(IniReadText(text, "Link", "Empty"), "");
    EXPECT_EQ(IniReadText(text, "Link", "Missing"), "");
    EXPECT_EQ(IniWriteText(text, "Link", "Name", "wl\r\nan0"),
              "[Link]\r\nName =  wlan0\r\nEmpty=\r\n");
    EXPECT_EQ(IniWriteText("", "Link", "Since", "2026-05-15T12:00:00+08:00\n"),
              "[Link]\r\nSince=2026-05-15T12:00:00+08:00\r\n");
}

}  // namespace
}  // namespace kivrel
