#pragma once
#include <string>
#include <string_view>

class CCaelvaneDoc;

// One reading of the price file: nine numbers as text ("%d%d%d%d%d%lf%lf%lf%lf"); the 4th and
// 5th are hour and minute, the 9th the price.
struct PriceReading {
    int hour = 0;  // as corrected: 0..5 become 24..29
    int minute = 0;
    double price = 0.0;
    double degree = 0.0;  // fmod(price, 72) * 5
};

// Parses the text of a price file. On failure returns false and says why in `error`, leaving
// `out` unchanged (missing numbers, text, NaN or infinite values, prices too large to turn
// into a degree).
bool ParsePriceText(std::string_view text, PriceReading& out, std::string& error);
// Reads and parses the file; a file that cannot be opened or read fails with a reason naming it.
// Only a regular file is read, and opening it never waits (a pipe is refused, not waited on). A
// reading is taken only when it is whole: the file is read twice a moment apart, and both
// readings must be the same bytes with the file's size and time stamp unchanged; a last number
// that runs to the very end of the file (no line break after it: maybe a line still being
// written) counts only once the file has also rested a while. Writers should replace the file
// (write a new one and rename it over the old) rather than rewrite it in place.
// Otherwise the file is "incomplete" and `out` keeps the last reading.
bool ReadPriceFile(const std::string& path, PriceReading& out, std::string& error);

// Start: the price display goes on.
void StartPriceDisplay(CCaelvaneDoc& doc);
// One poll's stores into the job: m_priceDegree, m_price, m_hotSpotDegree[0], m_priceHour,
// m_priceMinute.
void ApplyPriceReading(CCaelvaneDoc& doc, const PriceReading& reading);
