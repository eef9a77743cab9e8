#pragma once
// A horoscope computed: the universal instant, the bodies' places and the houses, on the
// precise source (Swiss Ephemeris). Longitudes in degrees 0..360, tropical, true equinox of
// date, apparent geocentric; speeds in degrees per day; declinations in degrees.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "natal/horoscope.h"

namespace natal {

// The bodies of a horoscope: Sun .. Pluto, the mean Node and Chiron (names as the body table
// spells them).
struct NatalBody {
    const char* name;
    int swissNumber;
    const char* glyph;  // UTF-8, the astrological symbol
};
std::span<const NatalBody> NatalBodies();

// The twelve signs, Aries first.
const char* SignName(int index);   // "Aries", ..
const char* SignGlyph(int index);  // UTF-8 symbol
int SignOf(double longitude);      // 0..11

struct ChartPoint {
    std::string name;
    double longitude = 0;
    double latitude = 0;
    double speed = 0;  // degrees per day, negative while retrograde
    double declination = 0;
    int house = 0;  // 1..12, 0 without houses
    const char* glyph = "";
    bool Retrograde() const { return speed < 0; }
};

struct Houses {
    HouseSystem system = HouseSystem::Placidus;  // the one drawn (Porphyry after a fall-back)
    HouseSystem asked = HouseSystem::Placidus;
    double cusps[12] = {};  // cusp 1 first
    double ascendant = 0;
    double midheaven = 0;
    double vertex = 0;
    double armc = 0;
    bool fellBack = false;  // the asked system is undefined at the birthplace's latitude
};

struct NatalChart {
    Horoscope horoscope;
    ZoneResolution zone;
    double jdUt = 0;
    std::vector<ChartPoint> bodies;
    std::optional<Houses> houses;    // none when the time is not known
    double obliquity = 0;            // true obliquity, degrees
    std::vector<std::string> notes;  // LMT, a reading chosen, a fall-back, a body left out
};

// The Julian day (UT) of seconds since 1970 UTC, and back to a rounded second.
double JulianDayOfUtc(std::int64_t utcSeconds);
std::int64_t UtcOfJulianDay(double jdUt);
// "1975-06-14T07:30:00Z"
std::string IsoUtc(std::int64_t utcSeconds);
// "YYYY-MM-DDTHH:MM[:SS][Z]" read as UTC; false for anything else.
bool ParseIsoUtc(std::string_view text, std::int64_t& utcSeconds);

// The chart of `horoscope`, in its own house system unless `system` says another. False with a
// message naming the value for bad entries, a local time that needs a choice, or a date
// outside the precise source's range.
bool ComputeNatalChart(const Horoscope& horoscope, std::optional<HouseSystem> system,
                       NatalChart& chart, std::string& error);

// The bodies at a UT instant (transits), houses from `houses` when given. Notes about bodies
// left out are appended to `notes`.
bool BodiesAt(double jdUt, const Houses* houses, std::vector<ChartPoint>& bodies,
              std::vector<std::string>* notes, std::string& error);
// Cusps and angles at a UT instant and place.
bool HousesAt(double jdUt, double latitude, double longitude, HouseSystem system, Houses& houses,
              std::string& error);

// The house (1..12) that holds `longitude`, counting from each cusp forward to the next.
int HouseOf(double longitude, const double cusps[12]);

// Secondary progressions: a day after birth for each year of life (tropical years). The
// progressed chart's instant for `targetJd`.
double ProgressedJulianDay(double natalJd, double targetJd);
// Solar arc directions: every natal point moved by the progressed Sun's arc for `targetJd`.
bool SolarArcPoints(const NatalChart& natal, double targetJd, std::vector<ChartPoint>& points,
                    double& arc, std::string& error);

// The chart's angles as points (Asc, MC, Desc, IC, Vertex), after the bodies in lists.
std::vector<ChartPoint> AnglePoints(const Houses& houses);

// The points transits are found to: the bodies, then the Ascendant and the Midheaven when the
// chart has houses (the Descendant and the Imum Coeli are their oppositions).
std::vector<ChartPoint> TransitTargets(const NatalChart& chart);

// 0..360
double Normalize(double degrees);

}  // namespace natal
