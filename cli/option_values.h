#pragma once
// The values options take, read one way for every command: numbers, dates, comma lists and the
// position source. The Read* functions name the option and the value in their refusal.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/date_options.h"
#include "ephemeris/position_source.h"

namespace cli {

struct ParsedOptions;

// A finite decimal number: an optional sign, digits with an optional point, an optional
// exponent ("-12.5", "+1e3"); nothing else (no spaces, no hex, no inf or nan).
std::optional<double> ParseReal(std::string_view text);
// A whole decimal number: an optional sign and digits, within the range of long long.
std::optional<long long> ParseWhole(std::string_view text);
// Digits only, 0 to 2^64 - 1.
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);
// "a,b,,c" -> {"a", "b", "", "c"}; "" -> {""}.
std::vector<std::string> SplitList(std::string_view text);

// OPTION needs a whole number from LOW to HIGH, not 'VALUE'.
std::optional<std::string> ReadWhole(std::string_view option, const std::string& value,
                                     long long low, long long high, long long& number);
std::optional<std::string> ReadWhole(std::string_view option, const std::string& value,
                                     long long low, long long high, int& number);
// OPTION needs a number from LOW to HIGH, not 'VALUE' (either end may be open: ±infinity).
std::optional<std::string> ReadReal(std::string_view option, const std::string& value, double low,
                                    double high, double& number);
// OPTION needs a date YYYY-MM-DD, not 'VALUE' (proleptic Gregorian, years 0000 to 9999).
std::optional<std::string> ReadDate(std::string_view option, const std::string& value, Date& date);
// --from and --to as days since 1970-01-01 and --min and --max as prices, each where given
// (the price file commands' range of days and prices).
struct DayAndPriceRange {
    std::optional<std::int64_t> fromDay, toDay;
    std::optional<double> minPrice, maxPrice;
};
std::optional<std::string> ReadDayAndPriceRange(const ParsedOptions& parsed,
                                                DayAndPriceRange& range);
// --positions series|precise; precise only where the build has it.
// "OPTION: 'VALUE' is not a position source; use series|precise".
std::optional<std::string> ReadPositions(std::string_view option, const std::string& value,
                                         PositionSource& source);

}  // namespace cli
