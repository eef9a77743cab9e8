// How far the classic series are from the precise source, body by body, over 1900-2100:
// the largest and the root-mean-square difference in arcminutes, over evenly spread dates
// (20 000 by default; the first argument changes the count). Prints a Markdown table, the one
// the README shows.
//
//   series_accuracy [DATES]

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ephemeris/calendar.h"
#include "ephemeris/page_positions.h"
#include "ephemeris/position_source.h"

namespace {

struct Row {
    const char* name;
    int code;        // longitude of this code; 13: the Moon's latitude
    bool latitude;   // compare BodyLatitude instead (signed, as a difference)
    double max = 0;  // arcminutes
    double sumOfSquares = 0;
    double maxAtJed = 0;
};

double Difference(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0)) * 60;
}

}  // namespace

int main(int argc, char** argv) {
    long dates = 20000;
    if (argc > 1) {
        char* end = nullptr;
        dates = std::strtol(argv[1], &end, 10);
        if (*end != '\0' || dates < 2 || dates > 10000000) {
            std::fprintf(stderr,
                         "series_accuracy: DATES must be a whole number from 2 to 1e7, not '%s'\n",
                         argv[1]);
            return 2;
        }
    }
    if (!PrecisePositionsAvailable()) {
        std::fprintf(stderr, "series_accuracy: this build has no precise source\n");
        return 1;
    }
    std::vector<Row> rows = {
        {"Sun (geocentric)", -3, false},
        {"Moon", -10, false},
        {"Mercury (geocentric)", -1, false},
        {"Venus (geocentric)", -2, false},
        {"Mars (geocentric)", -4, false},
        {"Jupiter (geocentric)", -5, false},
        {"Saturn (geocentric)", -6, false},
        {"Uranus (geocentric)", -7, false},
        {"Neptune (geocentric)", -8, false},
        {"Pluto (geocentric)", -9, false},
        {"Mean node", -11, false},
        {"Chiron (geocentric)", -12, false},
        {"Mercury (heliocentric)", 1, false},
        {"Venus (heliocentric)", 2, false},
        {"Earth (heliocentric)", 3, false},
        {"Mars (heliocentric)", 4, false},
        {"Jupiter (heliocentric)", 5, false},
        {"Saturn (heliocentric)", 6, false},
        {"Uranus (heliocentric)", 7, false},
        {"Neptune (heliocentric)", 8, false},
        {"Pluto (heliocentric)", 9, false},
        {"Chiron (heliocentric)", 12, false},
        {"Moon, latitude", 10, true},
        {"Mercury, latitude", 1, true},
        {"Venus, latitude", 2, true},
        {"Mars, latitude", 4, true},
        {"Pluto, latitude", 9, true},
        {"Chiron, latitude", 12, true},
    };
    const double first = JulianDate(1, 1, 1900, 0, 0);
    const double last = JulianDate(12, 31, 2100, 0, 0);
    const double step = (last - first) / static_cast<double>(dates - 1);
    for (long i = 0; i < dates; ++i) {
        const double jed = first + step * static_cast<double>(i);
        const PagePositions series = ComputePagePositions(jed, PositionSource::Series);
        const PagePositions precise = ComputePagePositions(jed, PositionSource::Precise);
        for (Row& row : rows) {
            const double difference =
                row.latitude ? Difference(series.Latitude(row.code), precise.Latitude(row.code))
                             : Difference(series.Longitude(row.code), precise.Longitude(row.code));
            row.sumOfSquares += difference * difference;
            if (difference > row.max) {
                row.max = difference;
                row.maxAtJed = jed;
            }
        }
    }
    std::printf("Classic series against %s, %ld dates 1900-2100 (arcminutes)\n\n",
                PositionSourceDescription(PositionSource::Precise).c_str(), dates);
    std::printf("| Body | max | RMS | largest on |\n|---|---:|---:|---|\n");
    for (const Row& row : rows) {
        int month = 0, day = 0, year = 0, hour = 0, minute = 0;
        CalendarDate(row.maxAtJed, month, day, year, hour, minute);
        std::printf("| %s | %.2f | %.2f | %04d-%02d-%02d |\n", row.name, row.max,
                    std::sqrt(row.sumOfSquares / static_cast<double>(dates)), year, month, day);
    }
    return 0;
}
