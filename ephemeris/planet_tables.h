#pragma once
// Longitude (arcseconds) and radius vector (AU) series of the Sun, the Earth and the planets.
// One term a row, as published; each table is checked against the number of terms published.

#include <iterator>

#include "ephemeris/series.h"

namespace ephemeris::series::tables {

// clang-format off
// Sun, geocentric longitude, 13 terms.
inline constexpr Term kSunLongitude[] = {
    Row("Ls"),
    Row("6910 sin Gs"),
    Row("72 sin 2Gs"),
    Row("-17 T sin Gs"),
    Row("-7 cos(Gs - G5)"),
    Row("6 sin(Lm - Ls)"),
    Row("5 sin(4Gs - 8G4 + 3G5)"),
    Row("-5 cos(2Gs - 2G2)"),
    Row("-4 sin(Gs - G2)"),
    Row("4 cos(4Gs - 8G4 + 3G5)"),
    Row("3 sin(2Gs - 2G2)"),
    Row("-3 sin G5"),
    Row("-3 sin(2Gs - 2G5)"),
};
static_assert(std::size(kSunLongitude) == 13);

// Earth radius vector, 3 terms.
inline constexpr Term kEarthRadius[] = {
    Row("1.00014"),
    Row("-0.01675 cos Gs"),
    Row("-0.00014 cos 2Gs"),
};
static_assert(std::size(kEarthRadius) == 3);

// Mercury longitude, 16 terms.
inline constexpr Term kMercuryLongitude[] = {
    Row("L1"),
    Row("84378 sin G1"),
    Row("10733 sin 2G1"),
    Row("1892 sin 3G1"),
    Row("-646 sin 2F1"),
    Row("381 sin 4G1"),
    Row("-306 sin(G1 - 2F1)"),
    Row("-274 sin(G1 + 2F1)"),
    Row("-92 sin(2G1 + 2F1)"),
    Row("83 sin 5G1"),
    Row("-28 sin(3G1 + 2F1)"),
    Row("25 sin(2G1 - 2F1)"),
    Row("19 sin 6G1"),
    Row("-9 sin(4G1 + 2F1)"),
    Row("8 T sin G1"),
    Row("7 cos(2G1 - 5G2)"),
};
static_assert(std::size(kMercuryLongitude) == 16);

// Mercury radius vector, 5 terms.
inline constexpr Term kMercuryRadius[] = {
    Row("0.39528"),
    Row("-0.07834 cos G1"),
    Row("-0.00795 cos 2G1"),
    Row("-0.00121 cos 3G1"),
    Row("-0.00022 cos 4G1"),
};
static_assert(std::size(kMercuryRadius) == 5);

// Venus longitude, 7 terms.
inline constexpr Term kVenusLongitude[] = {
    Row("L2"),
    Row("2814 sin G2"),
    Row("-181 sin 2F2"),
    Row("-20 T sin G2"),
    Row("12 sin 2G2"),
    Row("-10 cos(2Gs - 2G2)"),
    Row("7 cos(3Gs - 3G2)"),
};
static_assert(std::size(kVenusLongitude) == 7);

// Venus radius vector, 2 terms.
inline constexpr Term kVenusRadius[] = {
    Row("0.72335"),
    Row("-0.00493 cos G2"),
};
static_assert(std::size(kVenusRadius) == 2);

// Mars longitude, 24 terms.
inline constexpr Term kMarsLongitude[] = {
    Row("L4"),
    Row("38451 sin G4"),
    Row("2238 sin 2G4"),
    Row("181 sin 3G4"),
    Row("-52 sin 2F4"),
    Row("37 T sin G4"),
    Row("-22 cos(G4 - 2G5)"),
    Row("-19 sin(G4 - G5)"),
    Row("17 cos(G4 - G5)"),
    Row("17 sin 4G4"),
    Row("-16 cos(2G4 - 2G5)"),
    Row("13 cos(Gs - 2G4)"),
    Row("-10 sin(G4 - 2F4)"),
    Row("-10 sin(G4 + 2F4)"),
    Row("7 cos(Gs - G4)"),
    Row("-7 cos(2Gs - 3G4)"),
    Row("-5 sin(G2 - 3G4)"),
    Row("-5 sin(Gs - G4)"),
    Row("-5 sin(Gs - 2G4)"),
    Row("-4 cos(2Gs - 4G4)"),
    Row("4 cos G5"),
    Row("4 T sin 2G4"),
    Row("3 cos(G2 - 3G4)"),
    Row("3 sin(2G4 - 2G5)"),
};
static_assert(std::size(kMarsLongitude) == 24);

// Mars radius vector, 4 terms.
inline constexpr Term kMarsRadius[] = {
    Row("1.53031"),
    Row("-0.1417 cos G4"),
    Row("-0.0066 cos 2G4"),
    Row("-0.00047 cos 3G4"),
};
static_assert(std::size(kMarsRadius) == 4);

// Jupiter longitude, 53 terms.
inline constexpr Term kJupiterLongitude[] = {
    Row("L5"),
    Row("19934 sin G5"),
    Row("5023 T"),
    Row("2511"),
    Row("1093 cos(2G5 - 5G6)"),
    Row("601 sin 2G5"),
    Row("-479 sin(2G5 - 5G6)"),
    Row("-185 sin(2G5 - 2G6)"),
    Row("135 sin(3G5 - 5G6)"),
    Row("-131 sin(G5 - 2G6)"),
    Row("79 cos(G5 - G6)"),
    Row("-76 cos(2G5 - 2G6)"),
    Row("-74 T cos G5"),
    Row("68 T sin G5"),
    Row("66 cos(2G5 - 3G6)"),
    Row("63 cos(3G5 - 5G6)"),
    Row("53 cos(G5 - 5G6)"),
    Row("49 sin(2G5 - 3G6)"),
    Row("-43 T sin(2G5 - 5G6)"),
    Row("-37 cos G5"),
    Row("25 sin 2L5"),
    Row("25 sin 3G5"),
    Row("-25 sin(G5 - 5G6)"),
    Row("-19 T cos(2G5 - 5G6)"),
    Row("17 cos(2G5 - 4G6)"),
    Row("17 cos(3G5 - 3G6)"),
    Row("-14 sin(G5 - G6)"),
    Row("-13 sin(3G5 - 4G6)"),
    Row("9 sin(2G5 - 6G6 + 3G7)"),
    Row("-9 cos 2L5"),
    Row("9 cos G6"),
    Row("-9 sin G6"),
    Row("-9 sin(3G5 - 2G6)"),
    Row("9 sin(4G5 - 5G6)"),
    Row("-8 cos(4G5 - 10G6)"),
    Row("7 cos(3G5 - 4G6)"),
    Row("-7 cos(G5 - 3G6)"),
    Row("-7 sin(4G5 - 10G6)"),
    Row("-7 sin(G5 - 3G6)"),
    Row("6 cos(4G5 - 5G6)"),
    Row("-6 sin(3G5 - 3G6)"),
    Row("5 cos 2G6"),
    Row("-4 sin(4G5 - 4G6)"),
    Row("-4 cos 3G6"),
    Row("4 cos(2G5 - G6)"),
    Row("-4 cos(3G5 - 2G6)"),
    Row("-4 T cos 2G5"),
    Row("3 T sin 2G5"),
    Row("3 cos(5G5 - 10G6)"),
    Row("3 cos 5G6"),
    Row("3 sin 2G6"),
    Row("-2 sin(2L5 - G5)"),
    Row("2 sin(2L5 + G5)"),
};
static_assert(std::size(kJupiterLongitude) == 53);

// Jupiter radius vector, 18 terms.
inline constexpr Term kJupiterRadius[] = {
    Row("5.20883"),
    Row("-0.25122 cos G5"),
    Row("-0.00604 cos 2G5"),
    Row("0.0026 cos(2G5 - 2G6)"),
    Row("-0.0017 cos(3G5 - 5G6)"),
    Row("-0.00106 sin(2G5 - 2G6)"),
    Row("-0.00091 T sin G5"),
    Row("-0.00084 T cos G5"),
    Row("0.00069 sin(2G5 - 3G6)"),
    Row("-0.00067 sin(G5 - 5G6)"),
    Row("0.00066 sin(3G5 - 5G6)"),
    Row("0.00063 sin(G5 - G6)"),
    Row("-0.00051 cos(2G5 - 3G6)"),
    Row("-0.00046 sin G5"),
    Row("-0.00029 cos(G5 - 5G6)"),
    Row("0.00027 cos(G5 - 2G6)"),
    Row("-0.00022 cos 3G5"),
    Row("-0.00021 sin(2G5 - 5G6)"),
};
static_assert(std::size(kJupiterRadius) == 18);

// Saturn longitude, 77 terms.
inline constexpr Term kSaturnLongitude[] = {
    Row("L6"),
    Row("2507"),
    Row("23045 sin G6"),
    Row("5014 T"),
    Row("-2689 cos(2G5 - 5G6)"),
    Row("1177 sin(2G5 - 5G6)"),
    Row("-826 cos(2G5 - 4G6)"),
    Row("802 sin 2G6"),
    Row("425 sin(G5 - 2G6)"),
    Row("-229 T cos G6"),
    Row("-153 cos(2G5 - 6G6)"),
    Row("-142 T sin G6"),
    Row("-114 cos G6"),
    Row("101 T sin(2G5 - 5G6)"),
    Row("-70 cos 2L6"),
    Row("67 sin 2L6"),
    Row("60 T cos(2G5 - 5G6)"),
    Row("41 sin(G5 - 3G6)"),
    Row("39 sin 3G6"),
    Row("38 sin(2G5 - 6G6)"),
    Row("31 sin(G5 - G6)"),
    Row("31 sin(2G5 - 2G6)"),
    Row("-29 cos(2G5 - 3G6)"),
    Row("28 cos(G5 - 3G6)"),
    Row("22 T sin(2G5 - 4G6)"),
    Row("-22 sin(G6 - 3G7)"),
    Row("20 sin(2G5 - 3G6)"),
    Row("20 cos(4G5 - 10G6)"),
    Row("19 cos(2G6 - 3G7)"),
    Row("19 sin(4G5 - 10G6)"),
    Row("-17 T cos 2G6"),
    Row("-16 cos(G6 - 3G7)"),
    Row("-12 sin(2G5 - 4G6)"),
    Row("12 cos G5"),
    Row("-12 sin(2G6 - 2G7)"),
    Row("-11 T sin 2G6"),
    Row("-11 cos(2G5 - 7G6)"),
    Row("10 sin(2G6 - 3G7)"),
    Row("10 cos(2G5 - 2G6)"),
    Row("9 sin(4G5 - 9G6)"),
    Row("-8 sin(G6 - 2G7)"),
    Row("-8 cos(2L6 + G6)"),
    Row("8 cos(G6 - G7)"),
    Row("8 cos(2L6 - G6)"),
    Row("-8 sin(2L6 - G6)"),
    Row("7 sin(2L6 + G6)"),
    Row("-7 cos(G5 - 2G6)"),
    Row("-7 cos 2G6"),
    Row("-6 T sin(4G5 - 10G6)"),
    Row("6 T cos(4G5 - 10G6)"),
    Row("6 T sin(2G5 - 6G6)"),
    Row("-5 sin(3G5 - 7G6)"),
    Row("-5 cos(3G5 - 3G6)"),
    Row("-5 cos(2G6 - 2G7)"),
    Row("5 sin(3G5 - 4G6)"),
    Row("4 sin(3G5 - 3G6)"),
    Row("4 sin(3G5 - 5G6)"),
    Row("4 T cos(G5 - 2G6)"),
    Row("3 sin(2G5 - 7G6)"),
    Row("3 T cos(2G5 - 4G6)"),
    Row("3 cos(2G5 - 6G6 + 3G7)"),
    Row("-3 T sin 2L6"),
    Row("3 T cos(2G5 - 6G6)"),
    Row("-3 T cos 2L6"),
    Row("3 cos(3G5 - 7G6)"),
    Row("3 cos(4G5 - 9G6)"),
    Row("3 sin(3G5 - 6G6)"),
    Row("3 sin(2G5 - G6)"),
    Row("3 sin(G5 - 4G6)"),
    Row("2 cos(3G6 - 3G7)"),
    Row("2 T sin(G5 - 2G6)"),
    Row("2 sin 4G6"),
    Row("-2 cos(3G5 - 4G6)"),
    Row("-2 cos(2G5 - G6)"),
    Row("2 cos(G5 - 4G6)"),
    Row("2 cos(4G5 - 11G6)"),
    Row("-2 sin(G6 - G7)"),
};
static_assert(std::size(kSaturnLongitude) == 77);

// Saturn radius vector, 25 terms.
inline constexpr Term kSaturnRadius[] = {
    Row("9.55774"),
    Row("-0.53252 cos G6"),
    Row("-0.01878 sin(2G5 - 4G6)"),
    Row("-0.01482 cos 2G6"),
    Row("0.00817 sin(G5 - G6)"),
    Row("-0.00539 cos(G5 - 2G6)"),
    Row("-0.00524 T sin G6"),
    Row("0.00349 sin(2G5 - 5G6)"),
    Row("0.00347 sin(2G5 - 6G6)"),
    Row("0.00328 T cos G6"),
    Row("-0.00225 sin G6"),
    Row("0.00149 cos(2G5 - 6G6)"),
    Row("-0.00126 cos(2G5 - 2G6)"),
    Row("0.00104 cos(G5 - G6)"),
    Row("0.00101 cos(2G5 - 5G6)"),
    Row("0.00098 cos(G5 - 3G6)"),
    Row("-0.00073 cos(2G5 - 3G6)"),
    Row("-0.00062 cos 3G6"),
    Row("0.00042 sin(2G6 - 3G7)"),
    Row("0.00041 sin(2G5 - 2G6)"),
    Row("-0.0004 sin(G5 - 3G6)"),
    Row("0.0004 cos(2G5 - 4G6)"),
    Row("-0.00028 T"),
    Row("-0.00023 sin G5"),
    Row("0.0002 sin(2G5 - 7G6)"),
};
static_assert(std::size(kSaturnRadius) == 25);

// Uranus longitude, 37 terms.
inline constexpr Term kUranusLongitude[] = {
    Row("L7"),
    Row("19397 sin G7"),
    Row("570 sin 2G7"),
    Row("-560 T cos G7"),
    Row("143 sin(G6 - 2G7)"),
    Row("102 sin(G6 - 3G7)"),
    Row("92 T sin G7"),
    Row("76 cos(G6 - 3G7)"),
    Row("64 T"),
    Row("-49 sin(G5 - G7)"),
    Row("-30 T cos 2G7"),
    Row("29 sin(2G5 - 6G6 + 3G7)"),
    Row("29 cos(2G7 - 2G8)"),
    Row("-28 cos(G7 - G8)"),
    Row("23 sin 3G7"),
    Row("-21 cos(G5 - G7)"),
    Row("20 sin(G7 - G8)"),
    Row("20 cos(G6 - 2G7)"),
    Row("-19 cos(G6 - G7)"),
    Row("17 sin(2G7 - 3G8)"),
    Row("14 sin(3G7 - 3G8)"),
    Row("-14 T sin(G6 - 3G7)"),
    Row("13 sin(G6 - G7)"),
    Row("-12 cos G7"),
    Row("10 sin(2G7 - 2G8)"),
    Row("-9 sin 2F7"),
    Row("9 cos(2G7 - 3G8)"),
    Row("8 T cos(G6 - 2G7)"),
    Row("7 T cos(G6 - 3G7)"),
    Row("7 T sin 2G7"),
    Row("6 sin(2G5 - 6G6 + 2G7)"),
    Row("6 cos(2G5 - 6G6 + 2G7)"),
    Row("5 sin(G6 - 4G7)"),
    Row("-4 sin(3G7 - 4G8)"),
    Row("4 cos(3G7 - 3G8)"),
    Row("-3 cos G8"),
    Row("-2 sin G8"),
};
static_assert(std::size(kUranusLongitude) == 37);

// Uranus radius vector, 13 terms.
inline constexpr Term kUranusRadius[] = {
    Row("19.21216"),
    Row("-0.90154 cos G7"),
    Row("-0.02488 T sin G7"),
    Row("-0.02121 cos 2G7"),
    Row("-0.00585 cos(G6 - 2G7)"),
    Row("-0.00508 T cos G7"),
    Row("-0.00451 cos(G5 - G7)"),
    Row("0.00336 sin(G6 - G7)"),
    Row("0.00198 sin(G5 - G7)"),
    Row("0.00118 cos(G6 - 3G7)"),
    Row("0.00107 sin(G6 - 2G7)"),
    Row("-0.00103 T sin 2G7"),
    Row("-0.00081 cos(3G7 - 3G8)"),
};
static_assert(std::size(kUranusRadius) == 13);

// Neptune longitude, 14 terms.
inline constexpr Term kNeptuneLongitude[] = {
    Row("L8"),
    Row("3523 sin G8"),
    Row("-50 sin 2F8"),
    Row("-43 T cos G8"),
    Row("29 sin(G5 - G8)"),
    Row("19 sin 2G8"),
    Row("-18 cos(G5 - G8)"),
    Row("13 cos(G6 - G8)"),
    Row("13 sin(G6 - G8)"),
    Row("-9 sin(2G7 - 3G8)"),
    Row("9 cos(2G7 - 2G8)"),
    Row("-5 cos(2G7 - 3G8)"),
    Row("4 T sin G8"),
    Row("4 cos(G7 - 2G8)"),
};
static_assert(std::size(kNeptuneLongitude) == 14);

// Neptune radius vector, 8 terms.
inline constexpr Term kNeptuneRadius[] = {
    Row("30.07175"),
    Row("-0.25701 cos G8"),
    Row("-0.00787 cos(2L7 - G7 - 2L8)"),
    Row("0.00409 cos(G5 - G8)"),
    Row("-0.00314 T sin G8"),
    Row("0.0025 sin(G5 - G8)"),
    Row("-0.00194 sin(G6 - G8)"),
    Row("0.00185 cos(G6 - G8)"),
};
static_assert(std::size(kNeptuneRadius) == 8);

// Pluto longitude, 12 terms.
inline constexpr Term kPlutoLongitude[] = {
    Row("L9"),
    Row("101577 sin G9"),
    Row("15517 sin 2G9"),
    Row("-3593 sin 2F9"),
    Row("3414 sin 3G9"),
    Row("-2201 sin(G9 - 2F9)"),
    Row("-1871 sin(G9 + 2F9)"),
    Row("839 sin 4G9"),
    Row("-757 sin(2G9 + 2F9)"),
    Row("654 T sin G9"),
    Row("-285 sin(3G9 + 2F9)"),
    Row("218 sin(2G9 - 2F9)"),
};
static_assert(std::size(kPlutoLongitude) == 12);

// Pluto radius vector, 5 terms.
inline constexpr Term kPlutoRadius[] = {
    Row("40.74638"),
    Row("-9.58235 cos G9"),
    Row("-1.16703 cos 2G9"),
    Row("-0.22649 cos 3G9"),
    Row("-0.04996 cos 4G9"),
};
static_assert(std::size(kPlutoRadius) == 5);

// clang-format on

}  // namespace ephemeris::series::tables
