#pragma once
// What the modern page style lays out by measure: boxes that must not touch, texts cut to the
// room they have, symbols spread apart around a wheel, colours kept readable, and the way a
// position is written (sign, degree, minute).
#include <string>
#include <string_view>
#include <vector>

#include "platform/colorref.h"
#include "platform/text_metrics.h"

class CChartDC;

// A box in page units: left, bottom, right, top (y up).
struct PageBox {
    int left = 0, bottom = 0, right = 0, top = 0;
    bool Empty() const { return right <= left || top <= bottom; }
    // Boxes that share only an edge do not intersect.
    bool Intersects(const PageBox& other) const {
        return !Empty() && !other.Empty() && left < other.right && other.left < right &&
               bottom < other.top && other.bottom < top;
    }
    PageBox Grown(int margin) const {
        return {left - margin, bottom - margin, right + margin, top + margin};
    }
};

// The box of `ink` drawn at (x, y).
inline PageBox InkBox(int x, int y, const TextInk& ink) {
    return {x + ink.left, y - ink.top - ink.height, x + ink.left + ink.width, y - ink.top};
}

// The face the modern page draws symbols in.
inline constexpr char kSymbolFace[] = "DejaVu Sans";

// A text to stand on a wheel, measured.
struct WheelText {
    std::string text;
    TextInk ink;
    double HalfWidth() const { return ink.width / 2.0; }
    double HalfHeight() const { return ink.height / 2.0; }
    // How far the box reaches from its centre towards (or away from) the wheel's centre at
    // `angle` degrees.
    double Reach(double angle) const;
};

// Where a text is drawn so that its ink box is centred on (cx, cy).
void CentreText(const TextInk& ink, double cx, double cy, int& x, int& y);
// The box of a wheel text centred at distance `r` from (cx, cy) at `angle`.
PageBox WheelBox(const WheelText& text, int cx, int cy, double r, double angle);

// The contrast ratio of a colour on white (1 for white, 21 for black), as the web's
// accessibility rules define it.
double ContrastOnWhite(COLORREF color);
// `color` when it reaches `ratio` on white, else the nearest darker shade of it that does.
COLORREF ReadableOnWhite(COLORREF color, double ratio = 3.0);

// `text` as drawn in the dc's current font, cut at the end with "..." so that its ink is no
// wider than `width` (the whole text when it fits; "" when not even "..." does).
std::string ElideToWidth(const CChartDC& dc, std::string_view text, int width);
// `text` broken at blanks into lines no wider than `width` (a word wider than that is cut).
std::vector<std::string> WrapToWidth(const CChartDC& dc, std::string_view text, int width);

// A position on the zodiac: "12°♑34′" (degree, sign symbol, minute), with " ℞" after it when
// `retrograde`. UTF-8.
std::string ZodiacPosition(double longitude, bool retrograde);

// The declination of an ecliptic position at the JED (mean obliquity of the date), degrees.
double DeclinationOf(double longitude, double latitude, double jed);

// Angles (degrees) at which items that stand at `trueAngles` are shown so that no two overlap:
// `clash(i, ai, j, aj)` says whether items i and j would overlap when shown at those angles.
// Items are pushed apart symmetrically in small steps, keeping their order around the circle;
// each stays as near its true angle as its neighbours allow.
template <class Clash>
std::vector<double> SpreadAngles(const std::vector<double>& trueAngles, Clash clash);

// ---- template implementation ----------------------------------------------------------------
#include <algorithm>
#include <cmath>
#include <numeric>

template <class Clash>
std::vector<double> SpreadAngles(const std::vector<double>& trueAngles, Clash clash) {
    const std::size_t n = trueAngles.size();
    std::vector<double> shown = trueAngles;
    if (n < 2) return shown;
    // Around the circle in order of true angle; shown angles are kept unwrapped (they may run
    // past 360 or below 0) so that order comparisons stay simple.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return trueAngles[a] < trueAngles[b]; });
    constexpr double kStep = 0.5;  // degrees per push
    for (int round = 0; round < 2000; ++round) {
        bool moved = false;
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = order[k];
            const std::size_t j = order[(k + 1) % n];
            // The last pair closes the circle: the first item a turn further on.
            const double aj = shown[j] + (k + 1 == n ? 360.0 : 0.0);
            if (aj - shown[i] >= 360.0) continue;
            if (clash(i, shown[i], j, aj)) {
                shown[i] -= kStep;
                shown[j] += kStep;
                moved = true;
            }
        }
        if (!moved) {
            // Neighbours are clear; items further apart may still meet on a crowded circle.
            bool clear = true;
            for (std::size_t a = 0; a < n && clear; ++a)
                for (std::size_t b = a + 1; b < n && clear; ++b)
                    clear = !clash(a, shown[a], b, shown[b]);
            if (clear) break;
            // Spread everyone a little from the mean and try again.
            for (std::size_t k = 0; k < n; ++k) shown[order[k]] += kStep * (2.0 * k / n - 1.0);
        }
    }
    for (double& angle : shown) {
        angle = std::fmod(angle, 360.0);
        if (angle < 0) angle += 360.0;
    }
    return shown;
}
