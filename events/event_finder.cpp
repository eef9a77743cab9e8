#include "events/event_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "ephemeris/bodies.h"
#include "ephemeris/positions.h"
#include "events/eclipses.h"

#if CAELVANE_WITH_SWISSEPH
#include "ephemeris/swiss/swiss_ephemeris.h"
#endif

namespace events {

namespace {

constexpr double kGridStep = 0.25;  // days; the Moon moves under 4.5 degrees in it
constexpr int kMaxStride = 16;      // grid steps: the widest step any quantity takes, 4 days
constexpr int kChunkSteps = 256;    // grid steps per chunk (a multiple of kMaxStride)
// The widest arc any quantity may move in one step of its own; far below the 180 degrees at
// which the direction of a step would become ambiguous.
constexpr double kMaxArcPerStep = 10;
constexpr double kSecond = 1.0 / 86400;
constexpr double kCrossingTolerance = 0.2 * kSecond;
constexpr double kTurnTolerance = 2 * kSecond;
// How far either side of the cubic's guess a crossing is bracketed.
constexpr double kSeedMargin = 2 * kSecond;
// Half the interval of the numerical derivative at a turn: short enough that the curvature of
// the motion moves the zero of the speed by well under a second.
constexpr double kSpeedHalfInterval = 1.0 / 96;
// The classic series know no eclipses. A new or full Moon counts as a possible one when the
// Moon's least distance from the Sun's centre (solar) or from the Earth's shadow's axis
// (lunar), about its latitude at the lunation times the cosine of its path's slope, is under
// the eclipse limit, in Earth radii at the Moon's distance, i.e. in units of the Moon's
// parallax. Against Swiss Ephemeris's eclipses of 1900-2100 these limits miss none (the widest
// found: 1.539 solar partial, 1.574 lunar penumbral) and flag six new or full Moons of those
// two centuries that have none.
constexpr double kSolarEclipseLimit = 1.545;
constexpr double kLunarEclipseLimit = 1.58;
constexpr double kPathCosine = 0.9955;  // the Moon's path against the ecliptic, about 5.4 degrees

// The Moon's horizontal parallax at a new or full Moon, degrees: its distance from the largest
// terms of the lunar theory's distance series, with the elongation 0 or 180 degrees.
double SyzygyMoonParallax(double jed) {
    constexpr double kDegree = 3.14159265358979323846 / 180;
    const double t = (jed - 2451545.0) / 36525;
    const double anomaly = (134.9633964 + 477198.8675055 * t) * kDegree;
    const double distance =
        382044.6 - 24604.5 * std::cos(anomaly) - 323.8 * std::cos(2 * anomaly);  // km
    return std::asin(6378.14 / distance) / kDegree;
}

bool PossibleEclipse(double jed, double moonLatitude, bool solar) {
    const double limit = solar ? kSolarEclipseLimit : kLunarEclipseLimit;
    return std::fabs(moonLatitude) * kPathCosine < limit * SyzygyMoonParallax(jed);
}

double Wrap180(double degrees) {
    degrees = std::fmod(degrees, 360);
    if (degrees > 180) return degrees - 360;
    if (degrees <= -180) return degrees + 360;
    return degrees;
}

// The greatest speed of a body in degrees a day, with room to spare; the Moon's for other codes.
double MaxSpeed(int code) {
    const Body* body = BodyOfCode(code);
    if (body == nullptr) return BodyOfCode(-10)->geoMaxSpeed;
    return code == body->geoCode ? body->geoMaxSpeed : body->helioMaxSpeed;
}

// Whether the body of a geocentric code turns retrograde and direct.
bool Turns(int code) {
    const Body* body = BodyOfCode(code);
    return body != nullptr && body->stations;
}

// The widest power-of-two stride (in grid steps) at which a quantity moving at up to `speed`
// degrees a day stays under kMaxArcPerStep per step.
int StrideFor(double speed) {
    int stride = kMaxStride;
    while (stride > 1 && 1.5 * speed * stride * kGridStep > kMaxArcPerStep) stride /= 2;
    return stride;
}

// How many grid steps apart a body is computed; the grid points between are filled in by
// cubic interpolation. The grid only brackets and seeds the refinement, which always evaluates
// the source itself; at these spacings the filled-in values are good to a hundred-thousandth of
// a degree, far below what any bracket needs.
int SampleStride(int code) {
    switch (code) {
        case -10:
            return 2;
        case 1:
        case -1:
            return 4;
        case 2:
        case -2:
        case 3:
        case -3:
        case 4:
        case -4:
            return 8;
        default:
            return kMaxStride;
    }
}

// The cubic through values at u = -1, 0, 1, 2, at u.
double Cubic(const double (&y)[4], double u) {
    const double a = u + 1, b = u, c = u - 1, d = u - 2;
    return -y[0] * b * c * d / 6 + y[1] * a * c * d / 2 - y[2] * a * b * d / 2 +
           y[3] * a * b * c / 6;
}

double CubicSlope(const double (&y)[4], double u) {
    const double h = 1e-4;
    return (Cubic(y, u + h) - Cubic(y, u - h)) / (2 * h);
}

// Brent's method on a bracket [a, b] with f(a), f(b) of opposite signs (or one of them zero).
template <class F>
double Brent(const F& f, double a, double b, double fa, double fb, double tolerance) {
    if (fa == 0) return a;
    if (fb == 0) return b;
    double c = a, fc = fa, d = b - a, e = d;
    for (int iteration = 0; iteration < 200; ++iteration) {
        if ((fb > 0) == (fc > 0)) {
            c = a;
            fc = fa;
            d = e = b - a;
        }
        if (std::fabs(fc) < std::fabs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const double tol1 =
            2 * std::numeric_limits<double>::epsilon() * std::fabs(b) + 0.5 * tolerance;
        const double xm = 0.5 * (c - b);
        if (std::fabs(xm) <= tol1 || fb == 0) return b;
        if (std::fabs(e) >= tol1 && std::fabs(fa) > std::fabs(fb)) {
            const double s = fb / fa;
            double p = 0, q = 0;
            if (a == c) {
                p = 2 * xm * s;
                q = 1 - s;
            } else {
                const double qa = fa / fc;
                const double r = fb / fc;
                p = s * (2 * xm * qa * (qa - r) - (b - a) * (r - 1));
                q = (qa - 1) * (r - 1) * (s - 1);
            }
            if (p > 0) q = -q;
            p = std::fabs(p);
            if (2 * p < std::min(3 * xm * q - std::fabs(tol1 * q), std::fabs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = xm;
                e = d;
            }
        } else {
            d = xm;
            e = d;
        }
        a = b;
        fa = fb;
        b += std::fabs(d) > tol1 ? d : (xm > 0 ? tol1 : -tol1);
        fb = f(b);
    }
    return b;
}

enum class TrackUse : unsigned char { Aspect, Ingress, Lunation, Transit };

// One quantity followed on the grid: the longitude of `fast`, less that of `slow` if any, less
// a fixed longitude (a natal point's).
struct Track {
    TrackUse use = TrackUse::Aspect;
    Frame frame = Frame::Geocentric;
    int fast = 0;
    int slow = 0;      // 0: the longitude of `fast` alone
    double fixed = 0;  // degrees taken off
    int natal = -1;    // the natal point of a transit, by its place in the options
    int stride = 1;
    std::vector<double> targets;
    bool stations = false;  // report its turns as stations
};

struct Turn {
    double jed;
    double value;       // on the step's own unwrapped scale
    bool risingBefore;  // the quantity grew up to the turn
};

struct Point {
    double jed;
    double value;
};

class Finder {
public:
    explicit Finder(const FinderOptions& options) : m_options(options) {}

    FinderEnd Run(const FinderSink& sink, const FinderProgress& progress);

private:
    bool Wanted(EventKind kind) const { return (m_options.kinds & KindBit(kind)) != 0; }
    bool BodyWanted(int code) const {
        return m_options.bodies.empty() ||
               std::find(m_options.bodies.begin(), m_options.bodies.end(), code) !=
                   m_options.bodies.end();
    }
    bool InRange(double jed) const { return jed >= m_options.startJed && jed < m_options.endJed; }

    void BuildTracks();
    void LoadGrid(long long first, long long last);
    double GridValue(int code, long long index) const {
        return m_columns[static_cast<std::size_t>(m_columnOf[code + 12])]
                        [static_cast<std::size_t>(index - m_gridFirst)];
    }
    double Raw(const Track& track, long long index) const {
        const double fast = GridValue(track.fast, index) - track.fixed;
        return track.slow == 0 ? fast : fast - GridValue(track.slow, index);
    }
    double RawAt(const Track& track, double jed) const {
        const double fast = BodyLongitude(jed, track.fast, m_options.source) - track.fixed;
        return track.slow == 0 ? fast : fast - BodyLongitude(jed, track.slow, m_options.source);
    }
    double Speed(const Track& track, double jed) const {
        return Wrap180(RawAt(track, jed + kSpeedHalfInterval) -
                       RawAt(track, jed - kSpeedHalfInterval)) /
               (2 * kSpeedHalfInterval);
    }
    double FindTurn(const Track& track, double from, double to) const;
    void StepTrack(const Track& track, long long index);
    void Crossings(const Track& track, const Point& a, const Point& b, double reference,
                   double referenceRaw, const double (*cubic)[4]);
    template <class Offset>
    double Refine(const Offset& offset, const Point& a, const Point& b, double copy,
                  const double (*cubic)[4]) const;
    void Emit(const Track& track, double jed, double target, bool rising);

    FinderOptions m_options;
    std::vector<Track> m_tracks;
    // The grid: one column per body, over grid indices m_gridFirst.. of the current chunk.
    std::vector<int> m_columnOf = std::vector<int>(25, -1);  // by code + 12
    std::vector<int> m_columnCodes;
    std::vector<std::vector<double>> m_columns;
    long long m_gridFirst = 0;
    // The computed samples of the previous chunk, by column: reused where chunks overlap.
    std::vector<std::vector<std::pair<long long, double>>> m_samples;
    // The events found and not yet handed on.
    std::vector<SkyEvent> m_events;
};

void Finder::BuildTracks() {
    const bool aspects = Wanted(EventKind::Aspect) && !m_options.angles.empty();
    const bool ingresses = Wanted(EventKind::Ingress);
    const bool stations = Wanted(EventKind::Station);
    std::vector<double> signs;
    for (int s = 0; s < 12; ++s) signs.push_back(30.0 * s);

    for (const Frame frame : {Frame::Geocentric, Frame::Heliocentric}) {
        if (frame == Frame::Geocentric ? !m_options.geocentric : !m_options.heliocentric) continue;
        std::vector<int> bodies;
        for (int code : frame == Frame::Geocentric ? GeocentricBodies() : HeliocentricBodies())
            if (BodyWanted(code)) bodies.push_back(code);
        if (aspects) {
            for (std::size_t i = 0; i < bodies.size(); ++i) {
                for (std::size_t j = i + 1; j < bodies.size(); ++j) {
                    Track track;
                    track.use = TrackUse::Aspect;
                    track.frame = frame;
                    // The slower body as the chart's aspect tables tell it.
                    const bool iSlower = OrbitalPeriod(bodies[i]) > OrbitalPeriod(bodies[j]);
                    track.slow = iSlower ? bodies[i] : bodies[j];
                    track.fast = iSlower ? bodies[j] : bodies[i];
                    track.stride = StrideFor(MaxSpeed(track.fast) + MaxSpeed(track.slow));
                    track.targets = m_options.angles;
                    m_tracks.push_back(std::move(track));
                }
            }
        }
        for (int code : bodies) {
            // Only the planets and Chiron turn; the Sun, the Moon and the mean node never do.
            const bool turns = frame == Frame::Geocentric && Turns(code);
            const bool wantStations = stations && turns;
            if (!ingresses && !wantStations) continue;
            Track track;
            track.use = TrackUse::Ingress;
            track.frame = frame;
            track.fast = code;
            // Stations are looked for at a step of a day at most, far shorter than the weeks
            // between a planet's two turns.
            track.stride = std::min(StrideFor(MaxSpeed(code)), turns ? 4 : kMaxStride);
            if (ingresses) track.targets = signs;
            track.stations = wantStations;
            m_tracks.push_back(std::move(track));
        }
        // Transits: each body's longitude against each natal point. A planet turning inside
        // the orb makes its turn a turn of the track, so that the passes on either side of it
        // (direct, retrograde, direct) are each found.
        if (frame == Frame::Geocentric && Wanted(EventKind::Transit) && !m_options.angles.empty()) {
            for (int code : bodies) {
                const bool turns = Turns(code);
                for (std::size_t p = 0; p < m_options.natalPoints.size(); ++p) {
                    Track track;
                    track.use = TrackUse::Transit;
                    track.frame = frame;
                    track.fast = code;
                    track.fixed = m_options.natalPoints[p].longitude;
                    track.natal = static_cast<int>(p);
                    track.stride = std::min(StrideFor(MaxSpeed(code)), turns ? 4 : kMaxStride);
                    track.targets = m_options.angles;
                    m_tracks.push_back(std::move(track));
                }
            }
        }
    }
    const bool lunations = Wanted(EventKind::Lunation);
    const bool eclipses = Wanted(EventKind::Eclipse) && m_options.source == PositionSource::Series;
    if (m_options.geocentric && (lunations || eclipses) && (BodyWanted(-3) || BodyWanted(-10))) {
        Track track;
        track.use = TrackUse::Lunation;
        track.frame = Frame::Geocentric;
        track.fast = -10;
        track.slow = -3;
        track.stride = StrideFor(MaxSpeed(-10) + MaxSpeed(-3));
        track.targets =
            lunations ? std::vector<double>{0, 90, 180, 270} : std::vector<double>{0, 180};
        m_tracks.push_back(std::move(track));
    }
}

void Finder::LoadGrid(long long first, long long last) {
    if (m_columnCodes.empty()) {
        for (const Track& track : m_tracks) {
            for (int code : {track.fast, track.slow}) {
                if (code == 0 || m_columnOf[code + 12] >= 0) continue;
                m_columnOf[code + 12] = static_cast<int>(m_columnCodes.size());
                m_columnCodes.push_back(code);
            }
        }
        m_columns.resize(m_columnCodes.size());
        m_samples.resize(m_columnCodes.size());
    }
    m_gridFirst = first;
    for (std::size_t column = 0; column < m_columnCodes.size(); ++column) {
        const int code = m_columnCodes[column];
        const long long stride = SampleStride(code);
        // Samples from the one before `first` to the second after `last`, for the cubics.
        const long long sampleFirst =
            static_cast<long long>(std::floor(static_cast<double>(first) / stride)) - 1;
        const long long sampleLast =
            static_cast<long long>(std::floor(static_cast<double>(last) / stride)) + 2;
        std::vector<std::pair<long long, double>> samples;
        const auto& previous = m_samples[column];
        for (long long n = sampleFirst; n <= sampleLast; ++n) {
            const long long index = n * stride;
            const auto reused = std::lower_bound(previous.begin(), previous.end(), index,
                                                 [](const std::pair<long long, double>& sample,
                                                    long long at) { return sample.first < at; });
            if (reused != previous.end() && reused->first == index) {
                samples.push_back(*reused);
            } else {
                samples.emplace_back(index, BodyLongitude(static_cast<double>(index) * kGridStep,
                                                          code, m_options.source));
            }
        }
        std::vector<double>& values = m_columns[column];
        values.resize(static_cast<std::size_t>(last - first + 1));
        for (long long index = first; index <= last; ++index) {
            const long long n =
                static_cast<long long>(std::floor(static_cast<double>(index) / stride));
            const auto at = static_cast<std::size_t>(n - sampleFirst);
            const long long offset = index - n * stride;
            double& value = values[static_cast<std::size_t>(index - first)];
            if (offset == 0) {
                value = samples[at].second;
                continue;
            }
            const double base = samples[at].second;
            const double y[4] = {base + Wrap180(samples[at - 1].second - base), base,
                                 base + Wrap180(samples[at + 1].second - base),
                                 base + Wrap180(samples[at + 2].second - base)};
            value = Cubic(y, static_cast<double>(offset) / static_cast<double>(stride));
        }
        m_samples[column] = std::move(samples);
    }
}

// The zero of the quantity's speed in [from, to], where its step-to-step change turned sign.
double Finder::FindTurn(const Track& track, double from, double to) const {
    const auto speed = [&](double jed) { return Speed(track, jed); };
    double a = from;
    double va = speed(a);
    double vb = speed(to);
    if ((va > 0) != (vb > 0)) return Brent(speed, a, to, va, vb, kTurnTolerance);
    // Both ends move the same way: the turn and its return both lie inside. Find where the
    // speed changes sign on a finer scan.
    constexpr int kParts = 16;
    for (int part = 1; part <= kParts; ++part) {
        const double b = from + (to - from) * part / kParts;
        vb = speed(b);
        if ((va > 0) != (vb > 0)) return Brent(speed, a, b, va, vb, kTurnTolerance);
        a = b;
        va = vb;
    }
    return 0.5 * (from + to);
}

void Finder::Emit(const Track& track, double jed, double target, bool rising) {
    if (!InRange(jed)) return;
    SkyEvent event;
    event.jed = jed;
    event.frame = track.frame;
    const double angle = std::fmod(target, 360) + (std::fmod(target, 360) < 0 ? 360 : 0);
    switch (track.use) {
        case TrackUse::Aspect:
            event.kind = EventKind::Aspect;
            event.body1 = track.slow;
            event.body2 = track.fast;
            event.angle = angle;
            m_events.push_back(event);
            return;
        case TrackUse::Transit:
            event.kind = EventKind::Transit;
            event.body1 = track.fast;
            event.natal = m_options.natalPoints[static_cast<std::size_t>(track.natal)].name;
            event.angle = angle;
            event.detail = rising ? EventDetail::Direct : EventDetail::Retrograde;
            m_events.push_back(std::move(event));
            return;
        case TrackUse::Ingress: {
            event.kind = EventKind::Ingress;
            event.body1 = track.fast;
            const int boundary = static_cast<int>(std::lround(angle / 30)) % 12;
            // Going back over a boundary enters the sign below it.
            event.sign = rising ? boundary : (boundary + 11) % 12;
            event.detail = rising ? EventDetail::Forward : EventDetail::Backward;
            m_events.push_back(event);
            return;
        }
        case TrackUse::Lunation: {
            event.body1 = -3;
            event.body2 = -10;
            const int quarter = static_cast<int>(std::lround(angle / 90)) % 4;
            if (Wanted(EventKind::Lunation)) {
                event.kind = EventKind::Lunation;
                event.angle = 90.0 * quarter;
                static constexpr EventDetail kPhases[] = {
                    EventDetail::NewMoon, EventDetail::FirstQuarter, EventDetail::FullMoon,
                    EventDetail::LastQuarter};
                event.detail = kPhases[quarter];
                m_events.push_back(event);
            }
            if (Wanted(EventKind::Eclipse) && m_options.source == PositionSource::Series &&
                quarter % 2 == 0) {
                double latitude = BodyLatitude(jed, -10, m_options.source);
                if (latitude > 180) latitude -= 360;
                if (PossibleEclipse(jed, latitude, quarter == 0)) {
                    event.kind = EventKind::Eclipse;
                    event.angle = -1;
                    event.detail =
                        quarter == 0 ? EventDetail::PossibleSolar : EventDetail::PossibleLunar;
                    m_events.push_back(event);
                }
            }
            return;
        }
    }
}

// Every target crossed on the monotone piece from a to b, each refined on the raw quantity.
// Values are on the step's own scale: reference (a value) stands for referenceRaw (the raw
// quantity there), so the raw quantity at t reads reference + Wrap180(raw(t) - referenceRaw).
void Finder::Crossings(const Track& track, const Point& a, const Point& b, double reference,
                       double referenceRaw, const double (*cubic)[4]) {
    if (track.targets.empty() || a.value == b.value) return;
    const double low = std::min(a.value, b.value);
    const double high = std::max(a.value, b.value);
    const bool rising = b.value > a.value;
    for (double target : track.targets) {
        // Every copy target + 360 n in (low, high]: the half-open interval gives a crossing
        // exactly at a grid point to one step only.
        for (double copy = target + 360 * std::floor((low - target) / 360); copy <= high;
             copy += 360) {
            if (!(copy > low)) continue;
            const auto offset = [&](double jed) {
                return reference + Wrap180(RawAt(track, jed) - referenceRaw) - copy;
            };
            Emit(track, Refine(offset, a, b, copy, cubic), target, rising);
        }
    }
}

// The crossing of `copy` between a and b. A whole step (cubic given: its grid values at
// u = -1, 0, 1, 2) is first solved on the cubic through them, which is good to a second or so;
// two evaluations a little either side of that guess then bracket the crossing so closely that
// the line between them is the answer. Otherwise, or if the guess misses, Brent's method.
template <class Offset>
double Finder::Refine(const Offset& offset, const Point& a, const Point& b, double copy,
                      const double (*cubic)[4]) const {
    double fa = a.value - copy;
    double fb = b.value - copy;
    double from = a.jed, to = b.jed;
    if (cubic != nullptr) {
        const double(&y)[4] = *cubic;
        double u = (copy - y[1]) / (y[2] - y[1]);
        for (int iteration = 0; iteration < 6; ++iteration) {
            const double slope = CubicSlope(y, u);
            if (slope == 0) break;
            u = std::clamp(u - (Cubic(y, u) - copy) / slope, 0.0, 1.0);
        }
        const double guess = a.jed + u * (b.jed - a.jed);
        const double left = guess - kSeedMargin, right = guess + kSeedMargin;
        if (left > from && right < to) {
            const double fl = offset(left);
            const double fr = offset(right);
            if ((fl > 0) != (fr > 0) || fl == 0 || fr == 0) {
                if (fl == fr) return left;
                return left + (right - left) * fl / (fl - fr);
            }
            if ((fl > 0) == (fa > 0)) {
                from = right;
                fa = fr;
            } else {
                to = left;
                fb = fl;
            }
        }
    }
    return Brent(offset, from, to, fa, fb, kCrossingTolerance);
}

void Finder::StepTrack(const Track& track, long long index) {
    const long long k = track.stride;
    const double rawHere = Raw(track, index);
    const double here = rawHere;
    const double before = here + Wrap180(Raw(track, index - k) - rawHere);
    const double next = here + Wrap180(Raw(track, index + k) - rawHere);
    const double afterNext = next + Wrap180(Raw(track, index + 2 * k) - Raw(track, index + k));
    const double stepBefore = here - before;
    const double step = next - here;
    const double stepAfter = afterNext - next;
    const double start = static_cast<double>(index) * kGridStep;
    const double end = static_cast<double>(index + k) * kGridStep;
    const double span = end - start;

    Turn turns[2];
    int turnCount = 0;
    const auto addTurn = [&](double from, double to, bool risingBefore) {
        const double jed = FindTurn(track, from, to);
        if (jed < start || jed >= end) return;
        for (int t = 0; t < turnCount; ++t)
            if (std::fabs(turns[t].jed - jed) < kTurnTolerance) return;
        turns[turnCount++] = {jed, here + Wrap180(RawAt(track, jed) - rawHere), risingBefore};
    };
    if ((stepBefore > 0) != (step > 0)) addTurn(start - span, end, stepBefore > 0);
    if ((step > 0) != (stepAfter > 0)) addTurn(start, end + span, step > 0);
    if (turnCount == 2 && turns[1].jed < turns[0].jed) std::swap(turns[0], turns[1]);

    Point points[4];
    int pointCount = 0;
    points[pointCount++] = {start, here};
    for (int t = 0; t < turnCount; ++t) points[pointCount++] = {turns[t].jed, turns[t].value};
    points[pointCount++] = {end, next};
    const double cubic[4] = {before, here, next, afterNext};
    for (int p = 0; p + 1 < pointCount; ++p)
        Crossings(track, points[p], points[p + 1], here, rawHere,
                  turnCount == 0 ? &cubic : nullptr);

    if (track.stations) {
        for (int t = 0; t < turnCount; ++t) {
            if (!InRange(turns[t].jed)) continue;
            SkyEvent event;
            event.jed = turns[t].jed;
            event.kind = EventKind::Station;
            event.frame = track.frame;
            event.body1 = track.fast;
            event.detail = turns[t].risingBefore ? EventDetail::Retrograde : EventDetail::Direct;
            m_events.push_back(event);
        }
    }
}

FinderEnd Finder::Run(const FinderSink& sink, const FinderProgress& progress) {
    BuildTracks();
    // Chunks of the calendar-fixed grid; each step belongs to the chunk holding its start. The
    // range is at most kMaxRangeDays, so there are at most 1,500 or so chunks.
    const long long chunkFirst = static_cast<long long>(
        std::floor((m_options.startJed / kGridStep - kMaxStride) / kChunkSteps));
    const long long chunkLast =
        static_cast<long long>(std::floor(m_options.endJed / kGridStep / kChunkSteps));
    const double chunks = static_cast<double>(chunkLast - chunkFirst + 1);
    const bool grid = !m_tracks.empty();
    const bool preciseEclipses = m_options.source == PositionSource::Precise &&
                                 Wanted(EventKind::Eclipse) && m_options.geocentric &&
                                 (BodyWanted(-3) || BodyWanted(-10));
    std::optional<EclipseCursor> eclipses;
    if (preciseEclipses) eclipses.emplace(m_options.startJed, m_options.endJed);
    // Hands on every event before `until` (all of them at the end), in time order; the rest
    // wait for the next chunk, which may still find earlier ones at its very start.
    const auto flush = [&](double until) {
        std::sort(m_events.begin(), m_events.end(), EventBefore);
        const auto split =
            std::lower_bound(m_events.begin(), m_events.end(), until,
                             [](const SkyEvent& event, double jed) { return event.jed < jed; });
        if (split == m_events.begin()) return true;
        std::vector<SkyEvent> batch(m_events.begin(), split);
        m_events.erase(m_events.begin(), split);
        return sink(batch);
    };
    // Asked between tracks too: a chunk of every track with the precise source takes a good
    // fraction of a second, too long to wait for a cancel.
    const auto goOn = [&](long long chunk, std::size_t track) {
        if (!progress) return true;
        const double done = static_cast<double>(chunk - chunkFirst) +
                            static_cast<double>(track) /
                                static_cast<double>(std::max<std::size_t>(1, m_tracks.size()));
        return progress(std::min(1.0, done / chunks));
    };
    for (long long chunk = chunkFirst; grid && chunk <= chunkLast; ++chunk) {
        if (!goOn(chunk, 0)) return FinderEnd::Cancelled;
        const long long first = chunk * kChunkSteps;
        LoadGrid(first - kMaxStride, first + kChunkSteps + 2 * kMaxStride);
        for (std::size_t t = 0; t < m_tracks.size(); ++t) {
            if (t > 0 && !goOn(chunk, t)) return FinderEnd::Cancelled;
            const Track& track = m_tracks[t];
            for (long long index = first; index < first + kChunkSteps; index += track.stride)
                StepTrack(track, index);
        }
        const double chunkEnd = static_cast<double>(first + kChunkSteps) * kGridStep;
        if (eclipses) eclipses->Until(chunkEnd, m_events);
        if (!flush(chunkEnd)) return FinderEnd::Stopped;
    }
    if (eclipses && !grid) {
        // Without a grid (eclipses alone) the search goes a year at a time, for the progress.
        for (double from = m_options.startJed; from < m_options.endJed; from += 365.25) {
            if (progress &&
                !progress((from - m_options.startJed) / (m_options.endJed - m_options.startJed)))
                return FinderEnd::Cancelled;
            eclipses->Until(std::min(from + 365.25, m_options.endJed), m_events);
            if (!flush(from + 365.25)) return FinderEnd::Stopped;
        }
    }
    if (!flush(std::numeric_limits<double>::infinity())) return FinderEnd::Stopped;
    if (progress) progress(1.0);
    return FinderEnd::Done;
}

}  // namespace

namespace {

// The codes of the bodies seen in `frame`, in code order; the Earth-bound bodies (the Moon, the
// node) are geocentric only.
std::vector<int> FrameBodies(Frame frame) {
    std::vector<int> codes;
    for (const Body& body : Bodies()) {
        const int code = BodyCode(body, frame);
        if (code != 0 && !(frame == Frame::Heliocentric && body.earthBound)) codes.push_back(code);
    }
    std::sort(codes.begin(), codes.end(), [](int a, int b) { return std::abs(a) < std::abs(b); });
    return codes;
}

}  // namespace

const std::vector<int>& GeocentricBodies() {
    static const std::vector<int> kBodies = FrameBodies(Frame::Geocentric);
    return kBodies;
}

const std::vector<int>& HeliocentricBodies() {
    static const std::vector<int> kBodies = FrameBodies(Frame::Heliocentric);
    return kBodies;
}

PositionSource DefaultEventSource() {
#if CAELVANE_WITH_SWISSEPH
    if (PrecisePositionsAvailable() && swiss::SwissDataFilesPresent())
        return PositionSource::Precise;
#endif
    return PositionSource::Series;
}

namespace {

void CheckOptions(const FinderOptions& options) {
    if (!(options.startJed <= options.endJed))
        throw std::invalid_argument("the range ends before it starts");
    if (options.endJed - options.startJed > kMaxRangeDays)
        throw std::invalid_argument("the range is wider than 1000 years");
    if (options.angles.size() > kMaxAngles)
        throw std::invalid_argument("more than " + std::to_string(kMaxAngles) + " aspect angles");
    for (double angle : options.angles)
        if (!(angle >= 0 && angle < 360))
            throw std::invalid_argument("aspect angle " + std::to_string(angle) +
                                        " lies outside 0..359");
    if (options.natalPoints.size() > kMaxNatalPoints)
        throw std::invalid_argument("more than " + std::to_string(kMaxNatalPoints) +
                                    " natal points");
    for (const NatalPoint& point : options.natalPoints) {
        // The name goes into CSV fields and calendar lines as it stands.
        const bool plain =
            !point.name.empty() && std::none_of(point.name.begin(), point.name.end(), [](char c) {
                return c == ',' || c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
            });
        if (!plain)
            throw std::invalid_argument("natal point name '" + point.name + "' is not plain");
        if (!(point.longitude >= 0 && point.longitude < 360))
            throw std::invalid_argument("natal point " + point.name + " at longitude " +
                                        std::to_string(point.longitude) + " lies outside 0..360");
    }
    if (options.source == PositionSource::Precise && !PrecisePositionsAvailable())
        throw std::invalid_argument("precise positions are not part of this build");
}

}  // namespace

FinderResult FindEvents(const FinderOptions& options, const FinderProgress& progress) {
    CheckOptions(options);
    FinderResult result;
    const FinderEnd end = Finder(options).Run(
        [&](std::vector<SkyEvent>& batch) {
            result.events.insert(result.events.end(), batch.begin(), batch.end());
            return true;
        },
        progress);
    result.cancelled = end == FinderEnd::Cancelled;
    return result;
}

FinderEnd StreamEvents(const FinderOptions& options, const FinderSink& sink,
                       const FinderProgress& progress) {
    CheckOptions(options);
    return Finder(options).Run(sink, progress);
}

}  // namespace events
