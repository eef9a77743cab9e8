#include "cli/date_options.h"

namespace cli {

std::optional<Date> ParseDate(const std::string& text) {
    return caelvane::ParseIsoDate(text);
}

std::optional<std::int64_t> ParseDayNumber(const std::string& text) {
    const auto date = caelvane::ParseIsoDate(text);
    if (!date) return std::nullopt;
    return DaysFromCivil(date->year, date->month, date->day);
}

}  // namespace cli
