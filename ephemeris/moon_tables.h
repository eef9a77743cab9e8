#pragma once
// Longitude and latitude series of the Moon, arcseconds.
// One term a row, as published; each table is checked against the number of terms published.

#include <iterator>

#include "ephemeris/series.h"

namespace ephemeris::series::tables {

// clang-format off
// Moon longitude, 56 terms.
inline constexpr Term kMoonLongitude[] = {
    Row("Lm"),
    Row("22640 sin Gm"),
    Row("-4586 sin(Gm - 2D)"),
    Row("2370 sin 2D"),
    Row("769 sin 2Gm"),
    Row("-668 sin Gs"),
    Row("-412 sin 2Fm"),
    Row("-212 sin(2Gm - 2D)"),
    Row("-206 sin(Gm - 2D + Gs)"),
    Row("192 sin(Gm + 2D)"),
    Row("165 sin(2D - Gs)"),
    Row("148 sin(Gm - Gs)"),
    Row("-125 sin D"),
    Row("-110 sin(Gm + Gs)"),
    Row("-55 sin(2Fm - 2D)"),
    Row("-45 sin(Gm + 2Fm)"),
    Row("40 sin(Gm - 2Fm)"),
    Row("-38 sin(Gm - 4D)"),
    Row("36 sin 3Gm"),
    Row("-31 sin(2Gm - 4D)"),
    Row("28 sin(Gm - 2D - Gs)"),
    Row("-24 sin(2D + Gs)"),
    Row("19 sin(Gm - D)"),
    Row("18 sin(D + Gs)"),
    Row("15 sin(Gm + 2D - Gs)"),
    Row("14 sin(2Gm + 2D)"),
    Row("14 sin 4D"),
    Row("-13 sin(3Gm - 2D)"),
    Row("-11 sin(Gm + 16Ls - 18L2)"),
    Row("10 sin(2Gm - Gs)"),
    Row("9 sin(Gm - 2Fm - 2D)"),
    Row("9 cos(Gm + 16Ls - 18L2)"),
    Row("-9 sin(2Gm - 2D + Gs)"),
    Row("-8 sin(Gm + D)"),
    Row("8 sin(2D - 2Gs)"),
    Row("-8 sin(2Gm + Gs)"),
    Row("7 sin N"),
    Row("-7 sin 2Gs"),
    Row("-7 sin(Gm - 2D + 2Gs)"),
    Row("-6 sin(Gm - 2Fm + 2D)"),
    Row("-6 sin(2Fm + 2D)"),
    Row("-4 sin(Gm - 4D + Gs)"),
    Row("4 T cos(Gm + 16Ls - 18L2)"),
    Row("-4 sin(2Gm + 2Fm)"),
    Row("4 T sin(Gm + 16Ls - 18L2)"),
    Row("3 sin(Gm - 3D)"),
    Row("-3 sin(Gm + 2D + Gs)"),
    Row("-3 sin(2Gm - 4D + Gs)"),
    Row("3 sin(Gm - 2Gs)"),
    Row("3 sin(Gm - 2D - 2Gs)"),
    Row("-2 sin(2Gm - 2D - Gs)"),
    Row("-2 sin(2Fm - 2D + Gs)"),
    Row("2 sin(Gm + 4D)"),
    Row("2 sin 4Gm"),
    Row("2 sin(4D - Gs)"),
    Row("2 sin(2Gm - D)"),
};
static_assert(std::size(kMoonLongitude) == 56);

// Moon latitude, 38 terms.
inline constexpr Term kMoonLatitude[] = {
    Row("18461 sin Fm"),
    Row("1010 sin(Gm + Fm)"),
    Row("1000 sin(Gm - Fm)"),
    Row("-624 sin(Fm - 2D)"),
    Row("-199 sin(Gm - Fm - 2D)"),
    Row("-167 sin(Gm + Fm - 2D)"),
    Row("117 sin(Fm + 2D)"),
    Row("62 sin(2Gm + Fm)"),
    Row("33 sin(Gm - Fm + 2D)"),
    Row("32 sin(2Gm - Fm)"),
    Row("-30 sin(Fm - 2D + Gs)"),
    Row("-16 sin(2Gm + Fm - 2D)"),
    Row("15 sin(Gm + Fm + 2D)"),
    Row("12 sin(Fm - 2D - Gs)"),
    Row("-9 sin(Gm - Fm - 2D + Gs)"),
    Row("-8 sin(Fm + N)"),
    Row("8 sin(Fm + 2D - Gs)"),
    Row("-7 sin(Gm + Fm - 2D + Gs)"),
    Row("7 sin(Gm + Fm - Gs)"),
    Row("-7 sin(Gm + Fm - 4D)"),
    Row("-6 sin(Fm + Gs)"),
    Row("-6 sin 3Fm"),
    Row("6 sin(Gm - Fm - Gs)"),
    Row("-5 sin(Fm + D)"),
    Row("-5 sin(Gm + Fm + Gs)"),
    Row("-5 sin(Gm - Fm + Gs)"),
    Row("5 sin(Fm - Gs)"),
    Row("5 sin(Fm - D)"),
    Row("4 sin(3Gm + Fm)"),
    Row("-4 sin(Fm - 4D)"),
    Row("-3 sin(Gm - Fm - 4D)"),
    Row("3 sin(Gm - 3Fm)"),
    Row("-2 sin(2Gm - Fm - 4D)"),
    Row("-2 sin(3Fm - 2D)"),
    Row("2 sin(2Gm - Fm + 2D)"),
    Row("2 sin(Gm - Fm + 2D - Gs)"),
    Row("2 sin(2Gm - Fm - 2D)"),
    Row("2 sin(3Gm - Fm)"),
};
static_assert(std::size(kMoonLatitude) == 38);

// clang-format on

}  // namespace ephemeris::series::tables
