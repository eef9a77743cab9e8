#include "platform/time_zone.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace caelvane {

namespace {

// Reads a POSIX TZ string: std offset [dst [offset] [,start[/time],end[/time]]].
class PosixReader {
public:
    explicit PosixReader(std::string_view text) : text_(text) {}

    std::optional<TimeZoneRule> Read() {
        if (!Name() || !Offset()) return std::nullopt;
        if (AtEnd()) return NoDaylightSavingRule();
        if (!Name()) return std::nullopt;
        if (!AtEnd() && Peek() != ',' && !Offset()) return std::nullopt;
        TimeZoneRule rule;
        if (AtEnd()) {
            // No rule given with a daylight name: the customary default, second Sunday of March
            // to first Sunday of November.
            rule.daylightDate = {0, 3, 0, 2, 2, 0};
            rule.standardDate = {0, 11, 0, 1, 2, 0};
            return rule;
        }
        if (!Accept(',') || !Transition(rule.daylightDate) || !Accept(',') ||
            !Transition(rule.standardDate) || !AtEnd()) {
            return std::nullopt;
        }
        return rule;
    }

private:
    bool AtEnd() const { return pos_ == text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
    bool Accept(char c) {
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

    // Up to maxDigits digits; nullopt when there is none.
    std::optional<int> Number(int maxDigits) {
        int value = 0;
        int count = 0;
        while (count < maxDigits && IsDigit(Peek())) {
            value = value * 10 + (text_[pos_++] - '0');
            ++count;
        }
        if (count == 0) return std::nullopt;
        return value;
    }

    // Three or more letters, or <...> holding letters, digits, '+' and '-'.
    bool Name() {
        std::size_t length = 0;
        if (Accept('<')) {
            while (IsAlpha(Peek()) || IsDigit(Peek()) || Peek() == '+' || Peek() == '-') {
                ++pos_;
                ++length;
            }
            return length >= 3 && Accept('>');
        }
        while (IsAlpha(Peek())) {
            ++pos_;
            ++length;
        }
        return length >= 3;
    }

    // [+-]hh[:mm[:ss]], in minutes; maxHours 24 for offsets, 167 for transition times.
    std::optional<int> Clock(int maxHours) {
        int sign = 1;
        if (Accept('-')) {
            sign = -1;
        } else {
            Accept('+');
        }
        const auto hours = Number(3);
        if (!hours || *hours > maxHours) return std::nullopt;
        int minutes = 0;
        if (Accept(':')) {
            const auto mm = Number(2);
            if (!mm || *mm > 59) return std::nullopt;
            minutes = *mm;
            if (Accept(':')) {
                const auto ss = Number(2);
                if (!ss || *ss > 59) return std::nullopt;
            }
        }
        return sign * (*hours * 60 + minutes);
    }

    bool Offset() { return Clock(24).has_value(); }

    // The month and day of a day of a common year, 0-based.
    static void MonthDayOfCommonYear(int dayIndex, SystemTime& record) {
        static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        int month = 0;
        while (month < 11 && dayIndex >= kDays[month]) dayIndex -= kDays[month++];
        record.month = month + 1;
        record.day = dayIndex + 1;
    }

    bool Transition(SystemTime& record) {
        record = SystemTime{};
        if (Accept('M')) {
            const auto month = Number(2);
            if (!month || *month < 1 || *month > 12 || !Accept('.')) return false;
            const auto week = Number(1);
            if (!week || *week < 1 || *week > 5 || !Accept('.')) return false;
            const auto weekday = Number(1);
            if (!weekday || *weekday > 6) return false;
            record.year = 0;
            record.month = *month;
            record.day = *week;
            record.dayOfWeek = *weekday;
        } else if (Accept('J')) {
            const auto day = Number(3);
            if (!day || *day < 1 || *day > 365) return false;
            record.year = 1;
            MonthDayOfCommonYear(*day - 1, record);
        } else {
            const auto day = Number(3);
            if (!day || *day > 365) return false;
            record.year = 1;
            // n = 365 is December 31 of a leap year; a common year has no such day.
            MonthDayOfCommonYear(*day > 364 ? 364 : *day, record);
        }
        int minutes = 120;
        if (Accept('/')) {
            const auto time = Clock(167);
            if (!time) return false;
            minutes = *time;
        }
        record.hour = minutes / 60;
        record.minute = minutes % 60;
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

std::uint32_t BigEndian32(std::string_view data, std::size_t pos) {
    return (std::uint32_t{static_cast<unsigned char>(data[pos])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(data[pos + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(data[pos + 2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(data[pos + 3])};
}

constexpr std::size_t kTzifHeaderSize = 44;

// Size of the data block after a TZif header at pos; nullopt when the header is not there.
// timeSize is 4 for the version 1 block, 8 for the version 2 block.
std::optional<std::uint64_t> TzifBlockSize(std::string_view data, std::uint64_t pos,
                                           std::uint64_t timeSize) {
    if (pos + kTzifHeaderSize > data.size() || data.substr(pos, 4) != "TZif") return std::nullopt;
    const std::uint64_t isUtCount = BigEndian32(data, pos + 20);
    const std::uint64_t isStdCount = BigEndian32(data, pos + 24);
    const std::uint64_t leapCount = BigEndian32(data, pos + 28);
    const std::uint64_t timeCount = BigEndian32(data, pos + 32);
    const std::uint64_t typeCount = BigEndian32(data, pos + 36);
    const std::uint64_t charCount = BigEndian32(data, pos + 40);
    return timeCount * timeSize + timeCount + typeCount * 6 + charCount +
           leapCount * (timeSize + 4) + isStdCount + isUtCount;
}

// Zone files are a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxZoneFileSize = 1 << 20;

std::optional<std::string> ReadSmallFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    if (info.st_size > kMaxZoneFileSize) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    // One byte more than the size seen, to notice a file that grew in between.
    std::string data(static_cast<std::size_t>(info.st_size) + 1, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    const std::streamsize got = in.gcount();
    if (in.bad() || got > info.st_size) return std::nullopt;
    data.resize(static_cast<std::size_t>(got));
    return data;
}

std::optional<TimeZoneRule> RuleOfZoneName(std::string_view name, const std::string& zoneInfoDir,
                                           const std::string& localTimePath) {
    if (name.empty()) return TimeZoneRuleFromFile(localTimePath);
    if (name.front() == '/') return TimeZoneRuleFromFile(std::string(name));
    return TimeZoneRuleFromFile(zoneInfoDir + "/" + std::string(name));
}

}  // namespace

TimeZoneRule NoDaylightSavingRule() {
    return TimeZoneRule{};
}

std::optional<TimeZoneRule> ParsePosixTimeZone(std::string_view text) {
    return PosixReader(text).Read();
}

std::optional<std::string> TzifFooter(std::string_view data) {
    const auto v1Size = TzifBlockSize(data, 0, 4);
    if (!v1Size || data[4] < '2') return std::nullopt;
    const std::uint64_t v2Header = kTzifHeaderSize + *v1Size;
    const auto v2Size = TzifBlockSize(data, v2Header, 8);
    if (!v2Size) return std::nullopt;
    const std::uint64_t footer = v2Header + kTzifHeaderSize + *v2Size;
    if (footer >= data.size() || data[footer] != '\n') return std::nullopt;
    const std::size_t end = data.find('\n', footer + 1);
    if (end == std::string_view::npos) return std::nullopt;
    return std::string(data.substr(footer + 1, end - footer - 1));
}

std::optional<TimeZoneRule> TimeZoneRuleFromFile(const std::string& path) {
    const auto data = ReadSmallFile(path);
    if (!data) return std::nullopt;
    const auto footer = TzifFooter(*data);
    if (!footer) return std::nullopt;
    if (footer->empty()) return NoDaylightSavingRule();
    return ParsePosixTimeZone(*footer);
}

TimeZoneRule TimeZoneRuleFromEnvironment(const char* tzValue, const std::string& zoneInfoDir,
                                         const std::string& localTimePath) {
    std::optional<TimeZoneRule> rule;
    if (tzValue == nullptr) {
        rule = TimeZoneRuleFromFile(localTimePath);
    } else if (*tzValue == '\0') {
        rule = NoDaylightSavingRule();  // an empty TZ is universal time
    } else if (*tzValue == ':') {
        rule = RuleOfZoneName(tzValue + 1, zoneInfoDir, localTimePath);
    } else {
        rule = ParsePosixTimeZone(tzValue);
        if (!rule) rule = RuleOfZoneName(tzValue, zoneInfoDir, localTimePath);
    }
    // A zone that cannot be read is taken as universal time, as the C library does.
    return rule.value_or(NoDaylightSavingRule());
}

TimeZoneRule HostTimeZoneRule() {
    const char* zoneInfoDir = std::getenv("TZDIR");
    return TimeZoneRuleFromEnvironment(std::getenv("TZ"),
                                       zoneInfoDir != nullptr && *zoneInfoDir != '\0'
                                           ? std::string(zoneInfoDir)
                                           : std::string(kZoneInfoDir),
                                       kLocalTimePath);
}

}  // namespace caelvane
