// The guarded door into libswe: published positions through it, its answers for dates the
// library cannot compute, and threads computing at once.

#include "ephemeris/swiss/swiss_ephemeris.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

using swiss::CalcEcliptic;
using swiss::EclipticPosition;
using swiss::SwissEphemerisLock;

constexpr double kArcsecond = 1.0 / 3600;

double Dms(double degrees, double minutes, double seconds) {
    return degrees + minutes / 60 + seconds / 3600;
}

EclipticPosition Geocentric(double jdUt, int body) {
    SwissEphemerisLock lock;
    EclipticPosition position;
    std::string error;
    EXPECT_TRUE(CalcEcliptic(lock, jdUt, body, Frame::Geocentric, position, &error)) << error;
    return position;
}

// Worked examples of J. Meeus, Astronomical Algorithms (2nd ed.), apparent geocentric positions
// at 0h TD, from the full theories (VSOP87 / ELP). The instants are given in UT with the ΔT of
// the Astronomical Almanac for 1992 (about 59 s), since the door takes UT.
TEST(SwissEphemeris, AgreesWithPublishedApparentPositions) {
    const double deltaT = 59.0 / 86400;
    // Example 25.b: the Sun on 1992 October 13.0 TD, 199°54'21.56".
    const EclipticPosition sun = Geocentric(2448908.5 - deltaT, SE_SUN);
    EXPECT_NEAR(sun.longitude, Dms(199, 54, 21.56), 1.5 * kArcsecond);
    EXPECT_NEAR(sun.latitude, 0.72 * kArcsecond, 0.5 * kArcsecond);
    // Example 47.a: the Moon on 1992 April 12.0 TD, 133.167265°, -3.229126° (ELP truncated to
    // its main terms there: some 10").
    const EclipticPosition moon = Geocentric(2448724.5 - 58.5 / 86400, SE_MOON);
    EXPECT_NEAR(moon.longitude, 133.167265, 10 * kArcsecond);
    EXPECT_NEAR(moon.latitude, -3.229126, 10 * kArcsecond);
    // Example 33.a: Venus on 1992 December 20.0 TD, 313.08102°, -2.08474°.
    const EclipticPosition venus = Geocentric(2448976.5 - deltaT, SE_VENUS);
    EXPECT_NEAR(venus.longitude, 313.08102, 3 * kArcsecond);
    EXPECT_NEAR(venus.latitude, -2.08474, 3 * kArcsecond);
    EXPECT_FALSE(sun.analytic || moon.analytic || venus.analytic) << "data files not read";
}

TEST(SwissEphemeris, RefusesDatesItCannotCompute) {
    SwissEphemerisLock lock;
    EclipticPosition position;
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e9, -1e9};
    for (const double jd : bad) {
        std::string error;
        EXPECT_FALSE(swiss::SwissDateInRange(jd));
        EXPECT_FALSE(CalcEcliptic(lock, jd, SE_SUN, Frame::Geocentric, position, &error)) << jd;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(position.longitude, 0);
    }
    // Chiron's orbit is only known from 675 to 4650 CE; the library says so instead of guessing.
    std::string error;
    EXPECT_FALSE(
        CalcEcliptic(lock, 1721057.5 /* 1 CE */, SE_CHIRON, Frame::Geocentric, position, &error));
    EXPECT_FALSE(error.empty());
    // Far past the data files (2800 BCE) the analytic theory answers; a little further, nothing.
    ASSERT_TRUE(CalcEcliptic(lock, 700000.5, SE_SUN, Frame::Geocentric, position, &error));
    EXPECT_TRUE(position.analytic);
    EXPECT_FALSE(CalcEcliptic(lock, 600000.5, SE_MOON, Frame::Geocentric, position, &error));
    EXPECT_FALSE(CalcEcliptic(lock, 2900000.5, SE_MOON, Frame::Geocentric, position, &error));
}

TEST(SwissEphemeris, HeliocentricIsGeometricOfDate) {
    SwissEphemerisLock lock;
    EclipticPosition earth, sun;
    const double jd = 2451545.0;
    ASSERT_TRUE(CalcEcliptic(lock, jd, SE_EARTH, Frame::Heliocentric, earth));
    ASSERT_TRUE(CalcEcliptic(lock, jd, SE_SUN, Frame::Geocentric, sun));
    // The apparent Sun lags the geometric one by the annual aberration, about 20.5".
    const double lag = std::remainder(earth.longitude + 180 - sun.longitude, 360);
    EXPECT_NEAR(lag, 20.5 * kArcsecond, 0.5 * kArcsecond);
}

// Threads each taking the lock see the answers one thread alone sees, bit for bit: the
// library's caches are never shared between half-done calls.
TEST(SwissEphemeris, LockedCallsFromManyThreadsRepeatExactly) {
    constexpr int kThreads = 4;
    constexpr int kDates = 200;
    auto run = [](int seed, std::vector<double>& out) {
        out.clear();
        for (int i = 0; i < kDates; ++i) {
            const double jd = 2415020.5 + 365.25 * ((i * 7 + seed) % 200) + 0.37 * i;
            for (const int body : {SE_SUN, SE_MOON, SE_MERCURY, SE_PLUTO, SE_CHIRON}) {
                SwissEphemerisLock lock;
                EclipticPosition position;
                CalcEcliptic(lock, jd, body, (i % 2) != 0 ? Frame::Heliocentric : Frame::Geocentric,
                             position);
                out.push_back(position.longitude);
            }
        }
    };
    std::vector<std::vector<double>> alone(kThreads), together(kThreads);
    for (int t = 0; t < kThreads; ++t) run(t, alone[t]);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(run, t, std::ref(together[t]));
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(alone[t], together[t]) << "thread " << t;
}

// Where the data files end the analytic theory answers, asked for directly: the numbers are the
// ones the library gave when it fell back to it by itself after failing to open the file.
TEST(SwissEphemeris, AnalyticTheoryServesDatesTheFilesDoNot) {
    struct Case {
        const char* name;
        double jdUt;
        bool analytic;
    };
    const Case cases[] = {
        {"1799-06-01, before the files", 2378283.5, true},
        {"1800-03-01, inside", 2378556.5, false},
        {"2024-06-01", 2460462.5, false},
        {"2399-12-01, inside", 2597610.5, false},
        {"2400-01-05, the files' last days", 2597645.5, false},
        {"2400-02-01, after", 2597672.5, true},
        {"2500-01-01", 2634167.5, true},
        {"3000-06-01, the theory's last year", 2816940.5, true},
    };
    SwissEphemerisLock lock;
    for (const Case& c : cases) {
        for (const int body : {SE_SUN, SE_MOON, SE_MARS, SE_PLUTO}) {
            for (const Frame frame : {Frame::Geocentric, Frame::Heliocentric}) {
                if (frame == Frame::Heliocentric && (body == SE_SUN || body == SE_MOON)) continue;
                EclipticPosition position;
                std::string error;
                ASSERT_TRUE(CalcEcliptic(lock, c.jdUt, body, frame, position, &error))
                    << c.name << ": " << error;
                EXPECT_EQ(position.analytic, c.analytic) << c.name << " body " << body;
                if (!c.analytic) continue;
                int32 flags = SEFLG_MOSEPH;
                if (frame == Frame::Heliocentric) flags |= SEFLG_HELCTR | SEFLG_TRUEPOS;
                double values[6] = {};
                char message[AS_MAXCH] = {};
                ASSERT_GE(swe_calc_ut(c.jdUt, body, flags, values, message), 0) << message;
                EXPECT_EQ(position.longitude, values[0]) << c.name << " body " << body;
                EXPECT_EQ(position.latitude, values[1]) << c.name << " body " << body;
            }
        }
        swiss::BodyState state;
        ASSERT_TRUE(swiss::CalcBodyState(lock, c.jdUt, SE_MARS, state)) << c.name;
        EXPECT_EQ(state.analytic, c.analytic) << c.name;
        // The analytic theory has no asteroids: no Chiron, and no attempt to find a file.
        EclipticPosition chiron;
        std::string error;
        EXPECT_EQ(CalcEcliptic(lock, c.jdUt, SE_CHIRON, Frame::Geocentric, chiron, &error),
                  !c.analytic)
            << c.name << ": " << error;
    }
}

TEST(SwissEphemeris, SearchesUseTheFilesOnlyWhereTheyServeTheWholeStretch) {
    struct Case {
        const char* name;
        double fromUt, toUt;
        int flag;
    };
    const Case cases[] = {
        {"a year of 2024", 2460310.5, 2460676.5, SEFLG_SWIEPH},
        {"across the files' end", 2597400.5, 2597800.5, SEFLG_MOSEPH},
        {"after 2399", 2634167.5, 2634567.5, SEFLG_MOSEPH},
        {"across their start", 2378300.5, 2378700.5, SEFLG_MOSEPH},
    };
    SwissEphemerisLock lock;
    for (const Case& c : cases)
        EXPECT_EQ(swiss::EphemerisFlag(lock, c.fromUt, c.toUt), c.flag) << c.name;
}

// The record of missing files is kept under the lock: threads asking on both sides of the
// files' end at once get what each gets alone.
TEST(SwissEphemeris, ThreadsAcrossTheFilesEndRepeatExactly) {
    constexpr int kThreads = 4;
    auto run = [](int seed, std::vector<double>& out) {
        out.clear();
        for (int i = 0; i < 300; ++i) {
            const double jd = 2597000.5 + 7.3 * ((i * 13 + seed * 71) % 300);
            for (const int body : {SE_SUN, SE_MOON, SE_SATURN, SE_CHIRON}) {
                SwissEphemerisLock lock;
                EclipticPosition position;
                const bool ok = CalcEcliptic(lock, jd, body, Frame::Geocentric, position);
                out.push_back(ok ? position.longitude : -1.0);
                out.push_back(position.analytic ? 1.0 : 0.0);
            }
        }
    };
    std::vector<std::vector<double>> alone(kThreads), together(kThreads);
    for (int t = 0; t < kThreads; ++t) run(t, alone[t]);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(run, t, std::ref(together[t]));
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(alone[t], together[t]) << "thread " << t;
    EXPECT_TRUE(swiss::AnalyticTheoryUsed());
}

// The batch gives each body exactly what one call of swe_calc_ut for the source CalcEcliptic
// chooses gives it, and the obliquity what SE_ECL_NUT gives: inside the files, before and after
// them (the analytic theory), and for Chiron where it has no file.
TEST(SwissEphemeris, BodiesAtOneInstantMatchOneCallEach) {
    const int bodies[] = {SE_SUN,    SE_MOON,   SE_MERCURY, SE_VENUS, SE_MARS,      SE_JUPITER,
                          SE_SATURN, SE_URANUS, SE_NEPTUNE, SE_PLUTO, SE_MEAN_NODE, SE_CHIRON};
    const double dates[] = {2378283.5, 2415020.31, 2451545.0, 2460462.75, 2597000.5, 1721059.5};
    SwissEphemerisLock lock;
    for (const double jd : dates) {
        swiss::BodyState out[std::size(bodies)];
        bool found[std::size(bodies)];
        double obliquity = 0;
        ASSERT_TRUE(swiss::CalcEclipticMotions(lock, jd, bodies, out, found, obliquity));
        for (std::size_t i = 0; i < std::size(bodies); ++i) {
            double values[6] = {};
            char message[AS_MAXCH] = {};
            const int source =
                bodies[i] == SE_CHIRON ? SEFLG_SWIEPH : swiss::EphemerisFlag(lock, jd, jd);
            const int returned = swe_calc_ut(jd, bodies[i], source | SEFLG_SPEED, values, message);
            ASSERT_EQ(found[i], returned >= 0) << jd << " body " << bodies[i];
            if (!found[i]) continue;
            EXPECT_EQ(out[i].longitude, values[0]) << jd << " body " << bodies[i];
            EXPECT_EQ(out[i].latitude, values[1]) << jd << " body " << bodies[i];
            EXPECT_EQ(out[i].longitudeSpeed, values[3]) << jd << " body " << bodies[i];
            EXPECT_EQ(out[i].analytic, (returned & SEFLG_MOSEPH) != 0) << jd;
        }
        // (Where the files end the library's ΔT for SE_ECL_NUT depends on the files it tried
        // last, by a few seconds of time: the obliquity then agrees to far below a milliarcsecond.)
        EXPECT_NEAR(obliquity, swiss::TrueObliquity(lock, jd), 1e-10) << jd;
    }
    swiss::BodyState out[1];
    bool found[1] = {true};
    double obliquity = 0;
    EXPECT_FALSE(swiss::CalcEclipticMotions(lock, std::nan(""), std::span(bodies, 1), out, found,
                                            obliquity));
    EXPECT_FALSE(found[0]);
}

// Debian's library keeps a state for each thread: a worker thread computes from our data path
// (not the library's built-in one), at the same time as others, and leaves no file open when it
// ends (each thread used to keep three descriptors for the life of the process).
TEST(SwissEphemeris, WorkerThreadsUseOurPathAndCloseTheirFiles) {
    if (!swiss::SwissStatePerThread()) GTEST_SKIP() << "this libswe shares its state";
    auto openFiles = [] {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            (void)entry;
            ++count;
        }
        return count;
    };
    const std::size_t before = openFiles();
    std::string pathInThread;
    for (int round = 0; round < 5; ++round) {
        std::thread worker([&] {
            SwissEphemerisLock lock;
            EclipticPosition position;
            ASSERT_TRUE(CalcEcliptic(lock, 2460462.5, SE_MOON, Frame::Geocentric, position));
            ASSERT_TRUE(CalcEcliptic(lock, 2460462.5, SE_CHIRON, Frame::Geocentric, position));
            double start = 0, end = 0;
            int number = 0;
            const char* file = swe_get_current_file_data(0, &start, &end, &number);
            pathInThread = file != nullptr ? file : "";
        });
        worker.join();
    }
    EXPECT_EQ(openFiles(), before);
    EXPECT_EQ(pathInThread.rfind(swiss::SwissDataPath(), 0), 0u) << pathInThread;
}

TEST(SwissEphemeris, DescriptionNamesVersionAndData) {
    const std::string text = swiss::SwissDataDescription();
    EXPECT_EQ(text.rfind("Swiss Ephemeris 2.", 0), 0u) << text;
    ASSERT_TRUE(swiss::SwissDataFilesPresent());
    EXPECT_NE(text.find("data files 1800-2399 in " + swiss::SwissDataPath()), std::string::npos)
        << text;
}

}  // namespace

// Run by CTest a second time with SE_EPHE_PATH on a folder without data files, as on a system
// without them installed: the planets and the Moon from the analytic theory, no Chiron, and
// the description says so.
// Whether SE_EPHE_PATH names an empty folder: then no data file can be found, and detecting one
// is the fault this test is there to catch, not a reason to skip it.
bool EphePathIsAnEmptyFolder() {
    const char* path = std::getenv("SE_EPHE_PATH");
    if (path == nullptr || *path == '\0') return false;
    std::error_code error;
    return std::filesystem::is_directory(path, error) && std::filesystem::is_empty(path, error);
}

TEST(SwissEphemerisWithoutDataFiles, FallsBackToTheAnalyticTheoryAndSaysSo) {
    if (EphePathIsAnEmptyFolder()) {
        ASSERT_FALSE(swiss::SwissDataFilesPresent())
            << "SE_EPHE_PATH names an empty folder, yet data files are detected";
    } else if (swiss::SwissDataFilesPresent()) {
        GTEST_SKIP() << "data files present";
    }
    const std::string text = swiss::SwissDataDescription();
    EXPECT_NE(text.find("analytic fall-back (no data files in " + swiss::SwissDataPath() + ")"),
              std::string::npos)
        << text;
    SwissEphemerisLock lock;
    EclipticPosition sun, chiron;
    ASSERT_TRUE(CalcEcliptic(lock, 2451545.0, SE_SUN, Frame::Geocentric, sun));
    EXPECT_TRUE(sun.analytic);
    // Near our time the analytic theory keeps within a second of arc of the data files, which
    // put the Sun at 280°22'08.11" then.
    EXPECT_NEAR(sun.longitude, Dms(280, 22, 8.11), 1 * kArcsecond);
    EXPECT_FALSE(CalcEcliptic(lock, 2451545.0, SE_CHIRON, Frame::Geocentric, chiron));
}
