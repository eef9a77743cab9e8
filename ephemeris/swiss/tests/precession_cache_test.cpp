// The library's precession kept per date: the answers must be the library's own, bit for bit,
// whatever was asked before, and the library must actually be asked less.

#include "ephemeris/swiss/precession_cache.h"

#include <gtest/gtest.h>
#include <swephexp.h>

#include <bit>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "ephemeris/swiss/swiss_ephemeris.h"

namespace {

constexpr int kToDate = -1;  // J2000 to the date
constexpr int kToJ2000 = 1;  // the date to J2000

bool SameBits(const double* a, const double* b, int n) {
    for (int i = 0; i < n; ++i) {
        if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
    }
    return true;
}

// Vectors as the library hands them over: positions in AU (near and far), speeds in AU a day,
// a vector on an axis, and zeros of both signs.
std::vector<std::array<double, 3>> Vectors() {
    std::vector<std::array<double, 3>> vectors = {
        {1, 0, 0}, {0, 0, 1}, {-0.0, 0.5, -0.0}, {0, 0, 0}, {39.5, -12.25, 3.0e-3}};
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (const double scale : {0.0026, 1.0, 30.0, 1.7e-2, 4.0e-5}) {
        for (int i = 0; i < 40; ++i) {
            vectors.push_back({unit(random) * scale, unit(random) * scale, unit(random) * scale});
        }
    }
    return vectors;
}

// Dates across the files and the analytic theory, J2000 itself and an instant next to it; more
// dates than the cache keeps, visited in turn so that each is evicted and found again.
TEST(PrecessionCache, AnswersAreTheLibrarysBitForBit) {
    const double dates[] = {2378496.5, 2451545.0, 2451545.0 + 1e-9, 2433282.5,
                            2597641.5, -254006.5, 2816787.5,        2460651.8287};
    const int flagSets[] = {0, SEFLG_SPEED, SEFLG_JPLHOR_APPROX, SEFLG_EQUATORIAL | SEFLG_SPEED};
    const std::vector<std::array<double, 3>> vectors = Vectors();
    swiss::SwissEphemerisLock lock;
    const swiss::PrecessionBatch batch;
    for (int round = 0; round < 2; ++round) {
        for (const double jd : dates) {
            for (const int flags : flagSets) {
                for (const int direction : {kToDate, kToJ2000}) {
                    for (const auto& vector : vectors) {
                        double ours[3] = {vector[0], vector[1], vector[2]};
                        double library[3] = {vector[0], vector[1], vector[2]};
                        const int oursResult = __wrap_swi_precess(ours, jd, flags, direction);
                        const int libraryResult = __real_swi_precess(library, jd, flags, direction);
                        EXPECT_EQ(oursResult, libraryResult);
                        ASSERT_TRUE(SameBits(ours, library, 3))
                            << "jd " << jd << " flags " << flags << " direction " << direction
                            << " vector " << vector[0] << ' ' << vector[1] << ' ' << vector[2];
                    }
                }
            }
        }
    }
}

TEST(PrecessionCache, PrecessionRatesAreTheLibrarys) {
    const double dates[] = {2451545.0, 2451546.0, 2378496.5, 2378497.5, 2597641.5, -254006.5};
    const swiss::PrecessionBatch batch;
    for (int round = 0; round < 2; ++round) {
        for (const double jd : dates) {
            double library[2] = {}, both[2] = {}, rate = 0, obliquity = 0;
            __real_swi_ldp_peps(jd, &library[0], &library[1]);
            __wrap_swi_ldp_peps(jd, &both[0], &both[1]);
            __wrap_swi_ldp_peps(jd, &rate, nullptr);
            __wrap_swi_ldp_peps(jd, nullptr, &obliquity);
            __wrap_swi_ldp_peps(jd, nullptr, nullptr);
            EXPECT_TRUE(SameBits(library, both, 2)) << jd;
            EXPECT_TRUE(SameBits(&library[0], &rate, 1)) << jd;
            EXPECT_TRUE(SameBits(&library[1], &obliquity, 1)) << jd;
        }
    }
}

// Each result of the whole library with the cache warm (other bodies and other dates first)
// equals the result in a thread of its own with everything cold: library state and cache are
// both per thread.
TEST(PrecessionCache, PositionsDoNotDependOnWhatWasAskedBefore) {
    const int bodies[] = {SE_SUN,     SE_MOON,   SE_MERCURY, SE_VENUS,     SE_MARS,
                          SE_JUPITER, SE_SATURN, SE_PLUTO,   SE_MEAN_NODE, SE_CHIRON};
    // (Inside the files' years: beyond them the library's choice of fall-back depends on the
    // files it tried last, with or without a cache; the analytic theory is asked for directly.)
    const double dates[] = {2460651.25, 2378496.5, 2597000.5};
    const int flagSets[] = {SEFLG_SPEED, SEFLG_SPEED | SEFLG_EQUATORIAL, SEFLG_SPEED | SEFLG_HELCTR,
                            SEFLG_SPEED | SEFLG_MOSEPH};
    struct Case {
        double jd;
        int body;
        int flags;
        double values[6];
        int returned;
    };
    std::vector<Case> warm;
    {
        swiss::SwissEphemerisLock lock;
        const swiss::PrecessionBatch batch;
        for (const double jd : dates) {
            for (const int flags : flagSets) {
                for (const int body : bodies) {
                    Case c{jd, body, flags, {}, 0};
                    char message[AS_MAXCH] = {};
                    c.returned = swe_calc(jd, body, flags, c.values, message);
                    warm.push_back(c);
                }
            }
        }
    }
    for (const Case& c : warm) {
        Case cold = c;
        std::thread([&cold] {
            swiss::SwissEphemerisLock lock;
            char message[AS_MAXCH] = {};
            cold.returned = swe_calc(cold.jd, cold.body, cold.flags, cold.values, message);
        }).join();
        EXPECT_EQ(cold.returned, c.returned);
        EXPECT_TRUE(SameBits(cold.values, c.values, 6))
            << "jd " << c.jd << " body " << c.body << " flags " << c.flags;
    }
}

// The point of it: twelve bodies of one instant ask the library for the precession of a few
// dates, not twice a body.
TEST(PrecessionCache, BodiesOfOneInstantShareTheDatesMatrix) {
    const int bodies[] = {SE_SUN,    SE_MOON,   SE_MERCURY, SE_VENUS, SE_MARS,      SE_JUPITER,
                          SE_SATURN, SE_URANUS, SE_NEPTUNE, SE_PLUTO, SE_MEAN_NODE, SE_CHIRON};
    swiss::SwissEphemerisLock lock;
    swiss::BodyState out[std::size(bodies)];
    bool found[std::size(bodies)];
    double obliquity = 0;
    const std::uint64_t before = swiss::PrecessionComputedByLibrary();
    ASSERT_TRUE(swiss::CalcEclipticMotions(lock, 2460651.5, bodies, out, found, obliquity));
    const std::uint64_t asked = swiss::PrecessionComputedByLibrary() - before;
    EXPECT_GT(asked, 0u);
    EXPECT_LE(asked, 12u) << "without the cache: two a body and more";

    // One body at a time, as a search asks, goes straight to the library: twice a body.
    const std::uint64_t single = swiss::PrecessionComputedByLibrary();
    swiss::BodyState motion;
    ASSERT_TRUE(swiss::CalcEclipticMotion(lock, 2460652.5, SE_MARS, motion));
    EXPECT_EQ(swiss::PrecessionComputedByLibrary() - single, 2u);
}

}  // namespace
