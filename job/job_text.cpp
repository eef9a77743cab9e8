#include "job/job_text.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <variant>

#include "job/job_fields.h"

namespace {
using FieldRef = std::variant<std::int32_t*, std::uint8_t*, std::uint32_t*, double*, std::string*>;

// One line of the text form: a plain member, or one element of an array member.
struct Field {
    std::string name;
    FieldRef (*resolve)(CCaelvaneDoc& doc, std::size_t index);
    std::size_t index;
};

FieldRef Resolve(const Field& field, CCaelvaneDoc& doc) {
    return field.resolve(doc, field.index);
}

// The saved fields in file order, arrays element by element as NAME[i].
std::vector<Field> BuildFields() {
    std::vector<Field> fields;
    ForEachJobField<JobFieldUse::Saved>([&fields](const auto& row) {
        using Row = std::remove_cvref_t<decltype(row)>;
        const auto resolve = [](CCaelvaneDoc& doc, std::size_t index) -> FieldRef {
            return &Row::Values(doc)[index];
        };
        for (std::size_t i = 0; i < Row::kCount; ++i) {
            fields.push_back({row.ElementName(i), resolve, i});
        }
    });
    return fields;
}

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = BuildFields();
    return fields;
}

constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kExponentBits = std::uint64_t{0x7FF} << 52;
constexpr std::uint64_t kMantissaBits = (std::uint64_t{1} << 52) - 1;

std::string FormatDouble(double value) {
    char buffer[64];
    if (std::isnan(value)) {
        // %.17g would drop the payload and, on some libraries, the sign.
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        std::snprintf(buffer, sizeof buffer, "%snan(0x%" PRIx64 ")", (bits & kSignBit) ? "-" : "",
                      bits & kMantissaBits);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
    }
    return buffer;
}

std::string FormatValue(const FieldRef& ref) {
    char buffer[32];
    if (auto* p = std::get_if<std::int32_t*>(&ref)) {
        std::snprintf(buffer, sizeof buffer, "%" PRId32, **p);
    } else if (auto* p = std::get_if<std::uint8_t*>(&ref)) {
        std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(**p));
    } else if (auto* p = std::get_if<std::uint32_t*>(&ref)) {
        std::snprintf(buffer, sizeof buffer, "0x%08" PRIX32, **p);
    } else if (auto* p = std::get_if<double*>(&ref)) {
        return FormatDouble(**p);
    } else {
        return EscapeJobText(**std::get_if<std::string*>(&ref));
    }
    return buffer;
}

bool IsDigits(const std::string& text, std::size_t from, bool hex) {
    if (from >= text.size()) return false;
    for (std::size_t i = from; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!(hex ? std::isxdigit(c) : std::isdigit(c))) return false;
    }
    return true;
}

// Whole text as an integer in [low, high]: an optional sign (when low < 0), decimal digits or,
// with `allowHex`, 0x and hex digits.
bool ParseInteger(const std::string& text, long long low, long long high, bool allowHex,
                  long long& value) {
    std::size_t digits = 0;
    int base = 10;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        if (low >= 0 && text[0] == '-') return false;
        digits = 1;
    }
    if (allowHex && text.size() > digits + 1 && text[digits] == '0' &&
        (text[digits + 1] == 'x' || text[digits + 1] == 'X')) {
        base = 16;
        digits += 2;
    }
    if (!IsDigits(text, digits, base == 16)) return false;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, base);
    if (errno == ERANGE || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool ParseDouble(const std::string& text, double& value) {
    std::size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) at = 1;
    const std::string rest = text.substr(at);
    if (rest.rfind("nan(0x", 0) == 0 && rest.back() == ')' && rest.size() > 7) {
        const std::string hex = rest.substr(6, rest.size() - 7);
        if (hex.size() > 13 || !IsDigits(hex, 0, true)) return false;
        const std::uint64_t mantissa = std::strtoull(hex.c_str(), nullptr, 16);
        if (mantissa == 0 || mantissa > kMantissaBits) return false;  // zero would be infinity
        const std::uint64_t bits = (negative ? kSignBit : 0) | kExponentBits | mantissa;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }
    // strtod skips leading blanks and stops at trailing ones; neither is a well-formed value.
    if (rest.empty() || std::isspace(static_cast<unsigned char>(rest[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return false;
    // A number too large for a double would be stored as infinity, which it does not say.
    if (errno == ERANGE && std::isinf(parsed)) return false;
    value = parsed;
    return true;
}

bool ParseValue(const std::string& text, const FieldRef& ref) {
    long long integer = 0;
    if (auto* p = std::get_if<std::int32_t*>(&ref)) {
        if (!ParseInteger(text, INT32_MIN, INT32_MAX, false, integer)) return false;
        **p = static_cast<std::int32_t>(integer);
    } else if (auto* p = std::get_if<std::uint8_t*>(&ref)) {
        if (!ParseInteger(text, 0, UINT8_MAX, false, integer)) return false;
        **p = static_cast<std::uint8_t>(integer);
    } else if (auto* p = std::get_if<std::uint32_t*>(&ref)) {
        if (!ParseInteger(text, 0, UINT32_MAX, true, integer)) return false;
        **p = static_cast<std::uint32_t>(integer);
    } else if (auto* p = std::get_if<double*>(&ref)) {
        double parsed = 0.0;
        if (!ParseDouble(text, parsed)) return false;
        **p = parsed;
    } else {
        std::string parsed;
        if (!UnescapeJobText(text, parsed)) return false;
        **std::get_if<std::string*>(&ref) = std::move(parsed);
    }
    return true;
}
}  // namespace

std::string EscapeJobText(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            escaped += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            char buffer[5];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
            escaped += buffer;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

bool UnescapeJobText(const std::string& escaped, std::string& text) {
    std::string result;
    result.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            result += escaped[i];
        } else if (i + 1 < escaped.size() && escaped[i + 1] == '\\') {
            result += '\\';
            i += 1;
        } else if (i + 3 < escaped.size() && escaped[i + 1] == 'x' &&
                   std::isxdigit(static_cast<unsigned char>(escaped[i + 2])) &&
                   std::isxdigit(static_cast<unsigned char>(escaped[i + 3]))) {
            result +=
                static_cast<char>(std::strtoul(escaped.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else {
            return false;
        }
    }
    text = std::move(result);
    return true;
}

std::string JobToText(CCaelvaneDoc& doc) {
    std::string text;
    for (const Field& field : Fields()) {
        text += field.name;
        text += '=';
        text += FormatValue(Resolve(field, doc));
        text += '\n';
    }
    return text;
}

std::vector<std::string> JobFieldNames() {
    std::vector<std::string> names;
    for (const Field& field : Fields()) names.push_back(field.name);
    return names;
}

bool SetJobField(CCaelvaneDoc& doc, const std::string& assignment, std::string& error) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        error = "expected NAME=VALUE, got \"" + assignment + "\"";
        return false;
    }
    const std::string name = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    for (const Field& field : Fields()) {
        if (field.name != name) continue;
        if (!ParseValue(value, Resolve(field, doc))) {
            error = "malformed value for " + name + ": \"" + value + "\"";
            return false;
        }
        return true;
    }
    error = "unknown field \"" + name + "\"";
    return false;
}
