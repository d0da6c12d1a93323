#include "store/iso_time.hpp"

#include <chrono>
#include <cstdio>

namespace plx71::line {

namespace {

// Reads exactly `count` digits at `pos`.
bool digits(std::string_view text, std::size_t& pos, int count, int& value)
{
    value = 0;
    for (int i = 0; i < count; ++i, ++pos) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        value = value * 10 + (text[pos] - '0');
    }
    return true;
}

bool expect(std::string_view text, std::size_t& pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

// The part after the seconds: fractions, then "Z" or "+HH:MM" / "-HH:MM".
std::optional<int> offsetSeconds(std::string_view text, std::size_t pos)
{
    if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        const std::size_t first = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
            ++pos;
        if (pos == first)
            return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'Z' || text[pos] == 'z'))
        return pos + 1 == text.size() ? std::optional<int>(0) : std::nullopt;
    if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-'))
        return std::nullopt;
    const int sign = text[pos++] == '-' ? -1 : 1;
    int hh = 0, mm = 0;
    if (!digits(text, pos, 2, hh) || !expect(text, pos, ':') || !digits(text, pos, 2, mm) || pos != text.size()
        || hh > 23 || mm > 59)
        return std::nullopt;
    return sign * (hh * 3600 + mm * 60);
}

} // namespace

std::optional<std::int64_t> parseIsoTime(std::string_view text)
{
    using namespace std::chrono;
    std::size_t pos = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(text, pos, 4, y) || !expect(text, pos, '-') || !digits(text, pos, 2, mo) || !expect(text, pos, '-')
        || !digits(text, pos, 2, d))
        return std::nullopt;
    const year_month_day date{year(y), month(unsigned(mo)), day(unsigned(d))};
    if (!date.ok())
        return std::nullopt;
    const std::int64_t midnight = sys_days(date).time_since_epoch().count() * std::int64_t(86400);
    if (pos == text.size())
        return midnight;
    if (pos >= text.size() || (text[pos] != 'T' && text[pos] != 't' && text[pos] != ' '))
        return std::nullopt;
    ++pos;
    if (!digits(text, pos, 2, h) || !expect(text, pos, ':') || !digits(text, pos, 2, mi) || !expect(text, pos, ':')
        || !digits(text, pos, 2, s) || h > 23 || mi > 59 || s > 60)
        return std::nullopt;
    const auto offset = offsetSeconds(text, pos);
    if (!offset)
        return std::nullopt;
    return midnight + h * 3600 + mi * 60 + s - *offset;
}

std::string isoTime(std::int64_t unixSeconds)
{
    using namespace std::chrono;
    const std::int64_t days = unixSeconds >= 0 ? unixSeconds / 86400 : -((-unixSeconds + 86399) / 86400);
    const std::int64_t rest = unixSeconds - days * 86400;
    const year_month_day date{sys_days(std::chrono::days(days))};
    char out[40];
    std::snprintf(out, sizeof out, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), int(rest / 3600), int(rest / 60 % 60), int(rest % 60));
    return out;
}

std::int64_t unixNow()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace plx71::line
