#pragma once
// Heliocentric latitude series of the planets, arcseconds.
// One term a row, as published; each table is checked against the number of terms published.

#include <iterator>

#include "ephemeris/series.h"

namespace ephemeris::series::tables {

// clang-format off
// Mercury latitude, 11 terms.
inline constexpr Term kMercuryLatitude[] = {
    Row("24134 sin F1"),
    Row("5180 sin(G1 - F1)"),
    Row("4910 sin(G1 + F1)"),
    Row("1124 sin(2G1 + F1)"),
    Row("271 sin(3G1 + F1)"),
    Row("132 sin(2G1 - F1)"),
    Row("67 sin(4G1 + F1)"),
    Row("18 sin(3G1 - F1)"),
    Row("17 sin(5G1 + F1)"),
    Row("-10 sin 3F1"),
    Row("-9 sin(G1 - 3F1)"),
};
static_assert(std::size(kMercuryLatitude) == 11);

// Venus latitude, 3 terms.
inline constexpr Term kVenusLatitude[] = {
    Row("12215 sin F2"),
    Row("83 sin(G2 + F2)"),
    Row("83 sin(G2 - F2)"),
};
static_assert(std::size(kVenusLatitude) == 3);

// Mars latitude, 4 terms.
inline constexpr Term kMarsLatitude[] = {
    Row("6603 sin F4"),
    Row("622 sin(G4 - F4)"),
    Row("615 sin(G4 + F4)"),
    Row("64 sin(2G4 + F4)"),
};
static_assert(std::size(kMarsLatitude) == 4);

// Jupiter latitude, 12 terms.
inline constexpr Term kJupiterLatitude[] = {
    Row("-4692 cos G5"),
    Row("259 sin G5"),
    Row("227"),
    Row("-227 cos 2G5"),
    Row("30 T sin G5"),
    Row("21 T cos G5"),
    Row("16 sin(3G5 - 5G6)"),
    Row("-13 sin(G5 - 5G6)"),
    Row("-12 cos 3G5"),
    Row("12 sin 2G5"),
    Row("7 cos(3G5 - 5G6)"),
    Row("-5 cos(G5 - 5G6)"),
};
static_assert(std::size(kJupiterLatitude) == 12);

// Saturn latitude, 28 terms.
inline constexpr Term kSaturnLatitude[] = {
    Row("8297 sin G6"),
    Row("-3346 cos G6"),
    Row("462 sin 2G6"),
    Row("-189 cos 2G6"),
    Row("185"),
    Row("79 T cos G6"),
    Row("-71 cos(2G5 - 4G6)"),
    Row("46 sin(2G5 - 6G6)"),
    Row("-45 cos(2G5 - 6G6)"),
    Row("29 sin 3G6"),
    Row("-20 cos(2G5 - 3G6)"),
    Row("18 T sin G6"),
    Row("-14 cos(2G5 - 5G6)"),
    Row("-11 cos 3G6"),
    Row("-10 T"),
    Row("9 sin(G5 - 3G6)"),
    Row("8 sin(G5 - G6)"),
    Row("-6 sin(2G5 - 3G6)"),
    Row("5 sin(2G5 - 7G6)"),
    Row("-5 cos(2G5 - 7G6)"),
    Row("4 sin(2G5 - 5G6)"),
    Row("-4 T sin 2G6"),
    Row("-3 cos(G5 - G6)"),
    Row("3 cos(G5 - 3G6)"),
    Row("3 T sin(2G5 - 4G6)"),
    Row("3 sin(G5 - 2G6)"),
    Row("2 sin 4G6"),
    Row("-2 cos(2G5 - 2G6)"),
};
static_assert(std::size(kSaturnLatitude) == 28);

// Uranus latitude, 3 terms.
inline constexpr Term kUranusLatitude[] = {
    Row("2775 sin F7"),
    Row("131 sin(G7 - F7)"),
    Row("130 sin(G7 + F7)"),
};
static_assert(std::size(kUranusLatitude) == 3);

// Neptune latitude, 4 terms.
inline constexpr Term kNeptuneLatitude[] = {
    Row("6404 sin F8"),
    Row("55 sin(G8 + F8)"),
    Row("55 sin(G8 - F8)"),
    Row("-33 T sin F8"),
};
static_assert(std::size(kNeptuneLatitude) == 4);

// Pluto latitude, 10 terms.
inline constexpr Term kPlutoLatitude[] = {
    Row("57726 sin F9"),
    Row("15257 sin(G9 - F9)"),
    Row("14102 sin(G9 + F9)"),
    Row("3870 sin(2G9 + F9)"),
    Row("1138 sin(3G9 + F9)"),
    Row("472 sin(2G9 - F9)"),
    Row("353 sin(4G9 + F9)"),
    Row("-144 sin(G9 - 3F9)"),
    Row("-119 sin 3F9"),
    Row("-111 sin(G9 + 3F9)"),
};
static_assert(std::size(kPlutoLatitude) == 10);

// clang-format on

}  // namespace ephemeris::series::tables
