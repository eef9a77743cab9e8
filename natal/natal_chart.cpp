#include "natal/natal_chart.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "ephemeris/bodies.h"
#include "ephemeris/swiss/swiss_ephemeris.h"

namespace natal {

namespace {

constexpr double kUnixEpochJd = 2440587.5;
constexpr double kTropicalYear = 365.24219;

void ToHouses(const swiss::HouseCusps& cusps, HouseSystem asked, Houses& houses) {
    houses.asked = asked;
    houses.fellBack = cusps.undefined;
    houses.system = cusps.undefined ? HouseSystem::Porphyry : asked;
    for (int i = 0; i < 12; ++i) houses.cusps[i] = cusps.cusps[i];
    houses.ascendant = cusps.ascendant;
    houses.midheaven = cusps.midheaven;
    houses.vertex = cusps.vertex;
    houses.armc = cusps.armc;
}

std::string Degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

}  // namespace

std::span<const NatalBody> NatalBodies() {
    // Every body of the body table seen from the Earth, in its order.
    static const std::vector<NatalBody> kBodies = [] {
        std::vector<NatalBody> bodies;
        for (const Body& body : Bodies())
            if (body.geoCode != 0) bodies.push_back({body.name, body.preciseNumber, body.glyph});
        return bodies;
    }();
    return kBodies;
}

const char* SignName(int index) {
    return ZodiacSignName(index);
}

const char* SignGlyph(int index) {
    return ZodiacSignGlyph(index);
}

double Normalize(double degrees) {
    double value = std::fmod(degrees, 360.0);
    if (value < 0) value += 360.0;
    if (value >= 360.0) value = 0.0;
    return value;
}

int SignOf(double longitude) {
    const int sign = static_cast<int>(Normalize(longitude) / 30.0);
    return sign > 11 ? 11 : sign;
}

double JulianDayOfUtc(std::int64_t utcSeconds) {
    return kUnixEpochJd + static_cast<double>(utcSeconds) / 86400.0;
}

std::int64_t UtcOfJulianDay(double jdUt) {
    return static_cast<std::int64_t>(std::llround((jdUt - kUnixEpochJd) * 86400.0));
}

std::string IsoUtc(std::int64_t utcSeconds) {
    LocalDateTime local;
    int offset = 0;
    LocalTimeOf(utcSeconds, "+00:00", 0.0, local, offset);
    return FormatDate(local) + "T" + FormatTime(local) + "Z";
}

bool ParseIsoUtc(std::string_view text, std::int64_t& utcSeconds) {
    if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.remove_suffix(1);
    const std::size_t t = text.find('T');
    if (t == std::string_view::npos) return false;
    LocalDateTime local;
    if (!ParseDate(text.substr(0, t), local.year, local.month, local.day)) return false;
    if (!ParseTime(text.substr(t + 1), local.hour, local.minute, local.second)) return false;
    utcSeconds = DaysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 +
                 local.minute * 60 + local.second;
    return true;
}

int HouseOf(double longitude, const double cusps[12]) {
    const double where = Normalize(longitude);
    for (int i = 0; i < 12; ++i) {
        const double start = cusps[i];
        const double span = Normalize(cusps[(i + 1) % 12] - start);
        if (Normalize(where - start) < span) return i + 1;
    }
    return 1;  // cusps that coincide (a degenerate system): the first house
}

bool HousesAt(double jdUt, double latitude, double longitude, HouseSystem system, Houses& houses,
              std::string& error) {
    swiss::SwissEphemerisLock lock;
    swiss::HouseCusps cusps;
    if (!swiss::CalcHouses(lock, jdUt, latitude, longitude, InfoOf(system).letter, cusps, &error)) {
        error = "no " + std::string(InfoOf(system).name) + " houses: " + error;
        return false;
    }
    ToHouses(cusps, system, houses);
    return true;
}

bool BodiesAt(double jdUt, const Houses* houses, std::vector<ChartPoint>& bodies,
              std::vector<std::string>* notes, std::string& error) {
    bodies.clear();
    if (!swiss::SwissDateInRange(jdUt)) {
        error = "JD " + Degrees(jdUt) + " is outside the precise source's range (about " +
                "3000 BCE to 3000 CE)";
        return false;
    }
    swiss::SwissEphemerisLock lock;
    bool analytic = false;
    for (const NatalBody& body : NatalBodies()) {
        swiss::BodyState state;
        std::string why;
        if (!swiss::CalcBodyState(lock, jdUt, body.swissNumber, state, &why)) {
            // Chiron needs the asteroid file and has no place outside it; the chart goes on.
            if (body.swissNumber == 15) {
                if (notes != nullptr) notes->push_back(std::string("Chiron left out: ") + why);
                continue;
            }
            error = std::string("no position of ") + body.name + ": " + why;
            return false;
        }
        analytic = analytic || state.analytic;
        ChartPoint point;
        point.name = body.name;
        point.glyph = body.glyph;
        point.longitude = state.longitude;
        point.latitude = state.latitude;
        point.speed = state.longitudeSpeed;
        point.declination = state.declination;
        if (houses != nullptr) point.house = HouseOf(point.longitude, houses->cusps);
        bodies.push_back(point);
    }
    // The chart says so when the data files did not cover it: the analytic theory is good to
    // an arc second or so for the planets, less for the Moon far from our time.
    if (analytic && notes != nullptr) {
        notes->push_back("positions from the library's analytic theory: no data file covers " +
                         IsoUtc(UtcOfJulianDay(jdUt)).substr(0, 10));
    }
    return true;
}

bool ComputeNatalChart(const Horoscope& horoscope, std::optional<HouseSystem> system,
                       NatalChart& chart, std::string& error) {
    chart = NatalChart{};
    chart.horoscope = horoscope;
    if (const std::optional<std::string> problem = CheckHoroscope(horoscope)) {
        error = *problem;
        return false;
    }
    Horoscope atNoon = horoscope;
    if (horoscope.timeUnknown) {
        atNoon.local.hour = 12;
        atNoon.local.minute = 0;
        atNoon.local.second = 0;
    }
    chart.zone =
        ResolveLocalTime(atNoon.local, horoscope.zone, horoscope.place.longitude, horoscope.choice);
    if (!chart.zone.ok) {
        error = chart.zone.error;
        return false;
    }
    if (!chart.zone.note.empty()) chart.notes.push_back(chart.zone.note);
    chart.jdUt = JulianDayOfUtc(chart.zone.utcSeconds);
    if (!swiss::SwissDateInRange(chart.jdUt)) {
        error = "date " + FormatDate(horoscope.local) +
                " is outside the precise source's range (about 3000 BCE to 3000 CE)";
        return false;
    }
    if (horoscope.timeUnknown) {
        chart.notes.push_back("time not known: drawn at local noon, without houses");
    } else {
        Houses houses;
        if (!HousesAt(chart.jdUt, horoscope.place.latitude, horoscope.place.longitude,
                      system.value_or(horoscope.houses), houses, error)) {
            return false;
        }
        if (houses.fellBack) {
            chart.notes.push_back(std::string(InfoOf(houses.asked).name) +
                                  " houses are undefined at latitude " +
                                  Degrees(horoscope.place.latitude) + ": Porphyry is drawn");
        }
        chart.houses = houses;
    }
    if (!BodiesAt(chart.jdUt, chart.houses ? &*chart.houses : nullptr, chart.bodies, &chart.notes,
                  error)) {
        return false;
    }
    swiss::SwissEphemerisLock lock;
    chart.obliquity = swiss::TrueObliquity(lock, chart.jdUt);
    return true;
}

double ProgressedJulianDay(double natalJd, double targetJd) {
    return natalJd + (targetJd - natalJd) / kTropicalYear;
}

bool SolarArcPoints(const NatalChart& natal, double targetJd, std::vector<ChartPoint>& points,
                    double& arc, std::string& error) {
    std::vector<ChartPoint> progressed;
    if (!BodiesAt(ProgressedJulianDay(natal.jdUt, targetJd), nullptr, progressed, nullptr, error))
        return false;
    const ChartPoint* natalSun = nullptr;
    for (const ChartPoint& point : natal.bodies) {
        if (point.name == "Sun") natalSun = &point;
    }
    if (natalSun == nullptr || progressed.empty()) {
        error = "no Sun";
        return false;
    }
    // The arc grows about a degree a year and may pass 360 only after centuries; keep it signed
    // so that a target before birth directs backwards.
    arc = progressed.front().longitude - natalSun->longitude;
    if (targetJd >= natal.jdUt && arc < 0) arc += 360.0;
    if (targetJd < natal.jdUt && arc > 0) arc -= 360.0;
    points = natal.bodies;
    if (natal.houses) {
        for (ChartPoint& angle : AnglePoints(*natal.houses)) points.push_back(angle);
    }
    for (ChartPoint& point : points) {
        point.longitude = Normalize(point.longitude + arc);
        point.house = natal.houses ? HouseOf(point.longitude, natal.houses->cusps) : 0;
    }
    return true;
}

std::vector<ChartPoint> AnglePoints(const Houses& houses) {
    std::vector<ChartPoint> points;
    const auto add = [&](const char* name, double longitude) {
        ChartPoint point;
        point.name = name;
        point.glyph = name;
        point.longitude = Normalize(longitude);
        point.house = HouseOf(point.longitude, houses.cusps);
        points.push_back(point);
    };
    add("Asc", houses.ascendant);
    add("MC", houses.midheaven);
    add("Desc", houses.ascendant + 180.0);
    add("IC", houses.midheaven + 180.0);
    add("Vertex", houses.vertex);
    return points;
}

std::vector<ChartPoint> TransitTargets(const NatalChart& chart) {
    std::vector<ChartPoint> points = chart.bodies;
    if (chart.houses) {
        for (ChartPoint& angle : AnglePoints(*chart.houses))
            if (angle.name == "Asc" || angle.name == "MC") points.push_back(std::move(angle));
    }
    return points;
}

}  // namespace natal
