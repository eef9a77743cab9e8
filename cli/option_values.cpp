#include "cli/option_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/options.h"
#include "ephemeris/calendar.h"

namespace cli {

namespace {

std::string Quoted(std::string_view option, const std::string& value, const std::string& what) {
    return std::string(option) + " needs " + what + ", not '" + value + "'";
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// from_chars reads no '+' of its own: one is taken off here, and a sign after it refused.
bool DropPlus(std::string_view& text) {
    if (text.empty() || text.front() != '+') return true;
    text.remove_prefix(1);
    return text.empty() || (text.front() != '+' && text.front() != '-');
}

}  // namespace

std::optional<double> ParseReal(std::string_view text) {
    // from_chars alone would take "inf" and "nan".
    if (!DropPlus(text) || text.empty() ||
        text.find_first_not_of("0123456789.eE+-") != std::string_view::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> ParseWhole(std::string_view text) {
    if (!DropPlus(text) || text.empty()) return std::nullopt;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    for (;;) {
        const std::size_t comma = text.find(',');
        items.emplace_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return items;
        text.remove_prefix(comma + 1);
    }
}

std::optional<std::string> ReadWhole(std::string_view option, const std::string& value,
                                     long long low, long long high, long long& number) {
    const std::optional<long long> parsed = ParseWhole(value);
    if (!parsed || *parsed < low || *parsed > high)
        return Quoted(option, value,
                      "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    number = *parsed;
    return std::nullopt;
}

std::optional<std::string> ReadWhole(std::string_view option, const std::string& value,
                                     long long low, long long high, int& number) {
    long long wide = 0;
    if (auto error = ReadWhole(option, value, low, high, wide)) return error;
    number = static_cast<int>(wide);
    return std::nullopt;
}

std::optional<std::string> ReadReal(std::string_view option, const std::string& value, double low,
                                    double high, double& number) {
    const std::optional<double> parsed = ParseReal(value);
    if (parsed && *parsed >= low && *parsed <= high) {
        number = *parsed;
        return std::nullopt;
    }
    std::string what = "a number";
    if (std::isfinite(low) && std::isfinite(high))
        what += " from " + Number(low) + " to " + Number(high);
    else if (std::isfinite(low))
        what += " of at least " + Number(low);
    else if (std::isfinite(high))
        what += " of at most " + Number(high);
    return Quoted(option, value, what);
}

std::optional<std::string> ReadDate(std::string_view option, const std::string& value, Date& date) {
    const std::optional<Date> parsed = ParseDate(value);
    if (!parsed) return Quoted(option, value, "a date YYYY-MM-DD");
    date = *parsed;
    return std::nullopt;
}

std::optional<std::string> ReadDayAndPriceRange(const ParsedOptions& parsed,
                                                DayAndPriceRange& range) {
    for (const char* name : {"--from", "--to"}) {
        if (const std::string* value = parsed.Value(name)) {
            Date date{};
            if (auto error = ReadDate(name, *value, date)) return error;
            (name == std::string_view("--from") ? range.fromDay : range.toDay) =
                DaysFromCivil(date.year, date.month, date.day);
        }
    }
    for (const char* name : {"--min", "--max"}) {
        if (const std::string* value = parsed.Value(name)) {
            const std::optional<double> price = ParseReal(*value);
            if (!price) return std::string(name) + " must be a price, not '" + *value + "'";
            (name == std::string_view("--min") ? range.minPrice : range.maxPrice) = *price;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadPositions(std::string_view option, const std::string& value,
                                         PositionSource& source) {
    std::string error;
    const std::optional<PositionSource> parsed = ReadPositionSource(value, error);
    if (!parsed) return std::string(option) + ": " + error;
    source = *parsed;
    return std::nullopt;
}

}  // namespace cli
