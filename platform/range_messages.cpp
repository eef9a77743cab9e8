#include "platform/range_messages.h"

#include <charconv>

namespace caelvane {

std::string FormatCheckInt(int value) {
    return std::to_string(value);
}

std::string FormatCheckDouble(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string IntRangeMessage(int low, int high) {
    return "Please enter an integer between " + FormatCheckInt(low) + " and " +
           FormatCheckInt(high) + ".";
}

std::string DoubleRangeMessage(double low, double high) {
    return "Please enter a number between " + FormatCheckDouble(low) + " and " +
           FormatCheckDouble(high) + ".";
}

std::string MaxCharsMessage(int maxChars) {
    return "Please enter no more than " + FormatCheckInt(maxChars) + " characters.";
}

}  // namespace caelvane
