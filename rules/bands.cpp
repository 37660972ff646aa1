#include "rules/bands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <string_view>

namespace kivrel {

namespace {

constexpr int64_t kDaySeconds = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// tenths × part / whole, rounded down, without overflowing for any part within the whole.
int64_t ShareOf(int64_t tenths, int64_t part, int64_t whole) {
    return tenths / whole * part + tenths % whole * part / whole;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

// "7:00", "23:30", "24:00" as minutes of the day; none for anything else.
std::optional<int> ClockMinutes(std::string_view text) {
    text = Trim(text);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() - colon - 1 != 2)
        return std::nullopt;
    const std::string_view h = text.substr(0, colon), m = text.substr(colon + 1);
    if (!AllDigits(h) || !AllDigits(m))
        return std::nullopt;
    const int hour = std::stoi(std::string(h)), minute = std::stoi(std::string(m));
    if (minute > 59 || hour > 24 || (hour == 24 && minute != 0))
        return std::nullopt;
    return hour * 60 + minute;
}

std::optional<int> DayIndex(std::string_view name) {
    static constexpr std::array<std::string_view, 7> kNames{"mon", "tue", "wed", "thu",
                                                            "fri", "sat", "sun"};
    name = Trim(name);
    if (name.size() != 3)
        return std::nullopt;
    std::string lower;
    for (const char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == lower)
            return static_cast<int>(i);
    return std::nullopt;
}

// "Mon-Fri", "Sat,Sun", "Fri-Mon" (a range may wrap the week's end) as day bits.
std::optional<uint8_t> DayBits(std::string_view text) {
    uint8_t bits = 0;
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const size_t dash = item.find('-');
        const std::optional<int> first = DayIndex(item.substr(0, dash));
        const std::optional<int> last =
            dash == std::string_view::npos ? first : DayIndex(item.substr(dash + 1));
        if (!first || !last)
            return std::nullopt;
        for (int d = *first;; d = (d + 1) % 7) {
            bits = static_cast<uint8_t>(bits | (1u << d));
            if (d == *last)
                break;
        }
        if (comma == std::string_view::npos)
            return bits;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace

std::optional<Band> ReadBand(int number, const BandTexts& texts, std::string& warning) {
    warning.clear();
    if (texts.Empty())
        return std::nullopt;
    const std::string section = "[Band" + std::to_string(number) + "] ";
    const auto refuse = [&](const char* key, const std::string& value, const std::string& why) {
        warning = section + key + "=" + value + "：" + why + "，该时段已忽略";
        return std::nullopt;
    };
    Band band;
    band.number = number;
    band.name = texts.name;
    if (texts.hours.empty()) {
        warning = section + "没有 Hours（如 Hours=23:00-07:00），该时段已忽略";
        return std::nullopt;
    }
    const size_t dash = texts.hours.find('-');
    const std::optional<int> from =
        dash == std::string::npos ? std::nullopt
                                  : ClockMinutes(std::string_view(texts.hours).substr(0, dash));
    const std::optional<int> to =
        dash == std::string::npos ? std::nullopt
                                  : ClockMinutes(std::string_view(texts.hours).substr(dash + 1));
    if (!from || !to || *from == 1440)
        return refuse("Hours", texts.hours, "应写作 HH:MM-HH:MM（如 23:00-07:00）");
    if (*from == *to)
        return refuse("Hours", texts.hours, "开始与结束相同（全天写作 00:00-24:00）");
    band.from = *from;
    band.to = *to;
    if (!texts.days.empty()) {
        const std::optional<uint8_t> bits = DayBits(texts.days);
        if (!bits)
            return refuse("Days", texts.days, "星期应写作 Mon…Sun（如 Mon-Fri 或 Sat,Sun）");
        band.days = *bits;
    }
    if (!texts.price.empty()) {
        const std::string_view price = Trim(texts.price);
        const size_t point = price.find('.');
        if (point != std::string_view::npos && AllDigits(price.substr(0, point)) &&
            AllDigits(price.substr(point + 1)) && price.size() - point - 1 <= 2 && point <= 9) {
            std::string cents(price.substr(point + 1));
            cents.resize(2, '0');
            const int64_t value =
                std::stoll(std::string(price.substr(0, point))) * 100 + std::stoll(cents);
            return refuse("Price", texts.price,
                          "写作 Price=" + std::to_string(value) + "（单位：分）");
        }
        if (!AllDigits(price) || price.size() > 10 || std::stoll(std::string(price)) > INT32_MAX)
            return refuse("Price", texts.price, "应为每小时的价钱，以分为单位的整数");
        band.price = std::stoll(std::string(price));
    }
    if (const std::string_view counts = Trim(texts.counts); !counts.empty()) {
        if (counts != "0" && counts != "1")
            return refuse("Counts", texts.counts, "应为 1（计入包时）或 0（不计入）");
        band.counts = counts == "1";
    }
    return band;
}

int Weekday(const LocalDate& date) {
    // 1970-01-01 was a Thursday.
    return static_cast<int>((DayNumber(date) % 7 + 7 + 3) % 7);
}

std::optional<size_t> BandAt(const std::vector<Band>& bands, const LocalDate& date,
                             int64_t secondOfDay) {
    const int64_t minute = secondOfDay / 60;
    const int today = Weekday(date), yesterday = (today + 6) % 7;
    for (size_t i = 0; i < bands.size(); ++i) {
        const Band& b = bands[i];
        const bool on = (b.days >> today & 1) != 0;
        const bool covers = b.from < b.to ? on && minute >= b.from && minute < b.to
                                          : (on && minute >= b.from) ||
                                                ((b.days >> yesterday & 1) != 0 && minute < b.to);
        if (covers)
            return i;
    }
    return std::nullopt;
}

std::vector<SessionPiece> SpreadSession(const Session& session, const UtcOffsets& offsets,
                                        const std::vector<Band>& bands) {
    std::vector<SessionPiece> pieces;
    if (session.tenths <= 0)
        return pieces;
    const int64_t start = EpochSeconds(session.start), end = EpochSeconds(session.end);
    if (end <= start) {
        const LocalTime& e = session.end;
        pieces.push_back({e.date, BandAt(bands, e.date, e.hour * 3600 + e.minute * 60 + e.second),
                          session.tenths});
        return pieces;
    }
    const bool zoneHolds = offsets && offsets(start) == session.start.offsetMinutes &&
                           offsets(end) == session.end.offsetMinutes;
    const auto offsetAt = [&](int64_t utc) {
        return zoneHolds ? offsets(utc) : session.start.offsetMinutes;
    };
    // The local moments at which the piece may change: midnight and the bands' edges.
    std::vector<int64_t> edges{kDaySeconds};
    for (const Band& b : bands) {
        edges.push_back(int64_t{b.from} * 60);
        edges.push_back(int64_t{b.to} * 60);
    }
    int64_t given = 0;
    for (int64_t t = start; t < end;) {
        const int offset = offsetAt(t);
        const int64_t wall = t + int64_t{offset} * 60;
        const int64_t day = FloorDiv(wall, kDaySeconds), second = wall - day * kDaySeconds;
        int64_t next = kDaySeconds;
        for (const int64_t e : edges)
            if (e > second)
                next = std::min(next, e);
        int64_t upTo = std::min(end, day * kDaySeconds + next - int64_t{offset} * 60);
        // A change of the offset before that ends the piece where it happens.
        if (offsetAt(upTo - 1) != offset) {
            int64_t same = t, changed = upTo - 1;
            while (changed - same > 1) {
                const int64_t mid = same + (changed - same) / 2;
                (offsetAt(mid) == offset ? same : changed) = mid;
            }
            upTo = changed;
        }
        const int64_t before =
            upTo == end ? session.tenths : ShareOf(session.tenths, upTo - start, end - start);
        const LocalDate date = DateOfDayNumber(day);
        const std::optional<size_t> band = BandAt(bands, date, second);
        if (!pieces.empty() && pieces.back().date == date && pieces.back().band == band)
            pieces.back().tenths += before - given;
        else
            pieces.push_back({date, band, before - given});
        given = before;
        t = upTo;
    }
    return pieces;
}

}  // namespace kivrel
