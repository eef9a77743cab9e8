#include "natal/natal_wheel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace natal {

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr COLORREF kInk = RGB(30, 30, 30);
constexpr COLORREF kFaint = RGB(150, 150, 150);
constexpr COLORREF kHard = RGB(200, 30, 30);
constexpr COLORREF kSoft = RGB(30, 80, 210);
constexpr COLORREF kMinor = RGB(20, 140, 60);
constexpr COLORREF kRing = RGB(140, 40, 160);
// Fire, earth, air, water.
constexpr COLORREF kElements[4] = {RGB(200, 40, 20), RGB(120, 90, 20), RGB(20, 130, 60),
                                   RGB(30, 80, 200)};

// Drawing in pixels (y down, from the surface's top-left corner) on the device's units.
class Pen {
public:
    Pen(CDrawingDevice& device) : m_device(device) {}

    void Color(COLORREF color) { m_device.SetPenColor(color); }
    void Width(double px) { m_device.SetPenWidth(std::max(1, U(px))); }
    void Font(double px, bool bold = false) {
        m_fontPx = px;
        m_device.SelectFont(kWheelFont, U(px), bold ? 1 : 0);
    }
    void Line(double x1, double y1, double x2, double y2) {
        m_device.Line(U(x1), -U(y1), U(x2), -U(y2));
    }
    void Circle(double x, double y, double r, bool fill = false) {
        m_device.Circle(U(x), -U(y), U(r), fill ? 1 : 0);
    }
    // Text with its top-left corner at (x, y).
    void Text(double x, double y, const std::string& text) { m_device.TextUtf8(U(x), -U(y), text); }
    // Text centred on (x, y), its width guessed from the number of characters: the device
    // has no metrics, and the symbols are about as wide as the cell is high.
    void Centred(double x, double y, const std::string& text) {
        const double width = Characters(text) * m_fontPx * kWidthPerCharacter;
        Text(x - width / 2.0, y - m_fontPx / 2.0, text);
    }
    static constexpr double kWidthPerCharacter = 0.62;  // of the font's size
    static int Characters(const std::string& text) {
        int count = 0;
        for (unsigned char c : text) count += (c & 0xC0) != 0x80;
        return count;
    }

private:
    static int U(double px) { return static_cast<int>(std::lround(px * kWheelUnitsPerPixel)); }
    CDrawingDevice& m_device;
    double m_fontPx = 12;
};

// The wheel's geometry: the Ascendant at the left, longitudes counter-clockwise.
struct Wheel {
    double cx = 0, cy = 0, radius = 0;
    double left = 0;  // the longitude drawn at the left (the Ascendant, or 0 Aries)
    void At(double longitude, double fraction, double& x, double& y) const {
        const double angle = (180.0 + longitude - left) * kPi / 180.0;
        x = cx + fraction * radius * std::cos(angle);
        y = cy - fraction * radius * std::sin(angle);
    }
};

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void DegreeMinute(double value, int& degrees, int& minutes) {
    const long total = static_cast<long>(std::floor(value * 60.0 + 1e-7));
    degrees = static_cast<int>(total / 60);
    minutes = static_cast<int>(total % 60);
}

bool IsAngle(const ChartPoint& point) {
    return point.name == "Asc" || point.name == "MC" || point.name == "Desc" ||
           point.name == "IC" || point.name == "Vertex";
}

std::string Symbol(const ChartPoint& point) {
    if (point.name == "Asc") return "AC";
    if (point.name == "Desc") return "DC";
    if (point.name == "Vertex") return "Vx";
    return point.glyph != nullptr && *point.glyph != '\0' ? point.glyph : point.name;
}

// Bodies of one ring: symbols spread at `glyphAt`, a tick at the true place on the ring's
// edge `edge` and a pointer from it when spread, the place as text at `labelAt`.
void DrawBodies(Pen& pen, const Wheel& wheel, const std::vector<ChartPoint>& points, double edge,
                double glyphAt, double labelAt, COLORREF color, double size) {
    std::vector<double> longitudes;
    std::vector<std::string> labels;
    int widestSymbol = 1, widestLabel = 1;
    for (const ChartPoint& point : points) {
        longitudes.push_back(point.longitude);
        int degrees = 0, minutes = 0;
        DegreeMinute(std::fmod(point.longitude, 30.0), degrees, minutes);
        std::string label = std::to_string(degrees) + "\u00B0" + (minutes < 10 ? "0" : "") +
                            std::to_string(minutes) + "'";
        if (point.Retrograde() && !IsAngle(point)) label += "\u211E";
        widestSymbol = std::max(widestSymbol, Pen::Characters(Symbol(point)));
        widestLabel = std::max(widestLabel, Pen::Characters(label));
        labels.push_back(std::move(label));
    }
    // Neighbours stand far enough apart that neither their symbols nor their places overlap:
    // along the circle a text takes its width at the top and bottom of the wheel and its
    // height at the sides, and the same arc is shorter on the inner circle of the labels.
    const double baseGap = std::min(9.0, 360.0 / std::max<std::size_t>(points.size(), 1));
    const auto need = [&](double longitude, double width, double height, double fraction) {
        const double angle = (180.0 + longitude - wheel.left) * kPi / 180.0;
        const double along =
            width * std::fabs(std::sin(angle)) + height * std::fabs(std::cos(angle));
        return 1.15 * along / (fraction * wheel.radius) * 180.0 / kPi;
    };
    const auto gapAt = [&](double longitude) {
        return std::max(
            {baseGap, need(longitude, widestSymbol * size * Pen::kWidthPerCharacter, size, glyphAt),
             need(longitude, widestLabel * size * 0.5 * Pen::kWidthPerCharacter, size * 0.5,
                  labelAt)});
    };
    const std::vector<double> spread = SpreadLongitudes(longitudes, gapAt);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ChartPoint& point = points[i];
        double x1, y1, x2, y2;
        const double inward = edge > glyphAt ? -0.025 : 0.025;
        wheel.At(point.longitude, edge, x1, y1);
        wheel.At(point.longitude, edge + inward, x2, y2);
        pen.Color(color);
        pen.Width(1.5);
        pen.Line(x1, y1, x2, y2);
        double gx, gy;
        wheel.At(spread[i], glyphAt, gx, gy);
        if (std::fabs(spread[i] - point.longitude) > 0.5 &&
            std::fabs(spread[i] - point.longitude) < 359.5) {
            // The pointer from the tick to the symbol that was moved aside.
            double px, py;
            wheel.At(spread[i], glyphAt + (edge > glyphAt ? 0.035 : -0.035), px, py);
            pen.Color(kFaint);
            pen.Width(0.8);
            pen.Line(x2, y2, px, py);
        }
        pen.Color(color);
        pen.Font(size);
        pen.Centred(gx, gy, Symbol(point));
        // The place goes inward of its symbol, further where the two lie side by side (at the
        // left and right of the wheel), so that they never overlap.
        const double angle = (180.0 + spread[i] - wheel.left) * kPi / 180.0;
        const auto across = [&](double width, double height) {
            return (width * std::fabs(std::cos(angle)) + height * std::fabs(std::sin(angle))) / 2;
        };
        const double apart =
            across(Pen::Characters(Symbol(point)) * size * Pen::kWidthPerCharacter, size) +
            across(Pen::Characters(labels[i]) * size * 0.5 * Pen::kWidthPerCharacter, size * 0.5) +
            0.006 * wheel.radius;
        double lx, ly;
        pen.Font(size * 0.5);
        wheel.At(spread[i], std::min(labelAt, glyphAt - apart / wheel.radius), lx, ly);
        pen.Centred(lx, ly, labels[i]);
    }
}

void DrawHeader(Pen& pen, const NatalChart& chart, const SecondRing& ring, double width) {
    const Horoscope& h = chart.horoscope;
    pen.Color(kInk);
    pen.Font(22, true);
    pen.Text(20, 14, h.name);
    pen.Font(13);
    std::string when = FormatDate(h.local) + " ";
    when += h.timeUnknown ? std::string("time unknown") : FormatTime(h.local);
    when += "  " + h.zone + " (" + chart.zone.abbreviation + ", " +
            FormatOffset(chart.zone.offsetSeconds) + ")  =  " + IsoUtc(chart.zone.utcSeconds);
    pen.Text(20, 44, when);
    const double lat = h.place.latitude, lon = h.place.longitude;
    std::string place = h.place.name.empty() ? std::string() : h.place.name + "  ";
    place += Format("%.4f", std::fabs(lat)) + (lat < 0 ? "S " : "N ") +
             Format("%.4f", std::fabs(lon)) + (lon < 0 ? "W" : "E");
    if (chart.houses) place += "   " + std::string(InfoOf(chart.houses->system).name) + " houses";
    pen.Text(20, 64, place);
    double y = 84;
    pen.Font(11);
    for (const std::string& note : chart.notes) {
        pen.Color(kHard);
        pen.Text(20, y, note);
        y += 16;
    }
    if (ring.kind != RingKind::None) {
        pen.Color(kRing);
        pen.Font(13, true);
        pen.Text(width - 20 - ring.label.size() * 7.6, 14, ring.label);
    }
}

void DrawTable(Pen& pen, const NatalChart& chart, double x, double y) {
    pen.Color(kInk);
    pen.Font(12, true);
    pen.Text(x, y, "Point");
    pen.Text(x + 110, y, "Position");
    pen.Text(x + 215, y, "House");
    pen.Text(x + 270, y, "Declination");
    pen.Text(x + 370, y, "Speed");
    pen.Width(1);
    pen.Line(x, y + 18, x + 440, y + 18);
    y += 24;
    std::vector<ChartPoint> points = chart.bodies;
    if (chart.houses) {
        for (const ChartPoint& angle : AnglePoints(*chart.houses)) {
            if (angle.name == "Asc" || angle.name == "MC" || angle.name == "Vertex")
                points.push_back(angle);
        }
    }
    for (const ChartPoint& point : points) {
        pen.Font(13);
        pen.Color(kInk);
        pen.Text(x, y, IsAngle(point) ? Symbol(point) : std::string(point.glyph));
        pen.Font(12);
        pen.Text(x + 24, y, point.name);
        std::string where = SignPosition(point.longitude);
        if (point.Retrograde() && !IsAngle(point)) where += " \u211E";
        pen.Text(x + 110, y, where);
        if (point.house > 0) pen.Text(x + 225, y, std::to_string(point.house));
        if (!IsAngle(point)) {
            pen.Text(x + 270, y, DeclinationText(point.declination));
            pen.Text(x + 370, y, Format("%+.4f", point.speed));
        }
        y += 17;
    }
    if (chart.houses) {
        y += 8;
        pen.Font(12, true);
        pen.Text(x, y, "Cusps");
        pen.Font(11);
        for (int i = 0; i < 12; ++i) {
            const double cx = x + (i % 4) * 110, cy = y + 18 + (i / 4) * 17;
            pen.Text(cx, cy, std::to_string(i + 1) + "  " + SignPosition(chart.houses->cusps[i]));
        }
    }
}

void DrawGrid(Pen& pen, const std::vector<ChartPoint>& points, const std::vector<Aspect>& aspects,
              double x, double y, double cell) {
    const int n = static_cast<int>(points.size());
    pen.Color(kInk);
    pen.Font(12, true);
    pen.Text(x, y - 22, "Aspects");
    pen.Width(0.8);
    // A lower triangle: row i, column j < i.
    for (int i = 0; i < n; ++i) {
        const double top = y + i * cell;
        pen.Color(kFaint);
        for (int j = 0; j <= i; ++j) {
            const double left = x + j * cell;
            pen.Line(left, top, left + cell, top);
            pen.Line(left, top + cell, left + cell, top + cell);
            pen.Line(left, top, left, top + cell);
            pen.Line(left + cell, top, left + cell, top + cell);
        }
        pen.Color(kInk);
        pen.Font(cell * 0.55);
        pen.Centred(x + i * cell + cell / 2, top + cell / 2,
                    Symbol(points[static_cast<std::size_t>(i)]));
    }
    for (const Aspect& aspect : aspects) {
        const int row = std::max(aspect.first, aspect.second);
        const int column = std::min(aspect.first, aspect.second);
        const AspectInfo& info = InfoOf(aspect.kind);
        pen.Color(!info.major ? kMinor : info.hard ? kHard : kSoft);
        pen.Font(cell * 0.45);
        pen.Centred(x + column * cell + cell / 2, y + row * cell + cell * 0.36, info.glyph);
        pen.Font(cell * 0.3);
        pen.Centred(
            x + column * cell + cell / 2, y + row * cell + cell * 0.78,
            Format("%.0f", std::trunc(std::fabs(aspect.orb))) + "\u00B0" +
                Format("%02.0f", std::floor(std::fmod(std::fabs(aspect.orb) * 60.0, 60.0))));
    }
}

}  // namespace

std::string SignPosition(double longitude) {
    const double where = Normalize(longitude);
    int degrees = 0, minutes = 0;
    DegreeMinute(where, degrees, minutes);
    const int sign = std::min(degrees / 30, 11);
    char text[48];
    std::snprintf(text, sizeof text, "%d\u00B0%s%02d'", degrees - sign * 30, SignGlyph(sign),
                  minutes);
    return text;
}

std::string DeclinationText(double declination) {
    int degrees = 0, minutes = 0;
    DegreeMinute(std::fabs(declination), degrees, minutes);
    char text[32];
    std::snprintf(text, sizeof text, "%d\u00B0%02d'%s", degrees, minutes,
                  declination < 0 ? "S" : "N");
    return text;
}

std::vector<double> SpreadLongitudes(const std::vector<double>& longitudes, double gap) {
    const std::size_t n = longitudes.size();
    std::vector<double> placed(n);
    if (n == 0) return placed;
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return Normalize(longitudes[a]) < Normalize(longitudes[b]);
    });
    // The circle is cut at the widest gap between neighbours, so that the rest is a line.
    std::size_t cut = 0;
    double widest = -1;
    for (std::size_t k = 0; k < n; ++k) {
        const double here = Normalize(longitudes[order[k]]);
        const double next = Normalize(longitudes[order[(k + 1) % n]]);
        const double distance = k + 1 == n ? next + 360.0 - here : next - here;
        if (distance > widest) {
            widest = distance;
            cut = (k + 1) % n;
        }
    }
    std::vector<double> at(n);
    for (std::size_t k = 0; k < n; ++k) {
        at[k] = Normalize(longitudes[order[(cut + k) % n]]);
        if (k > 0 && at[k] < at[k - 1]) at[k] += 360.0;
    }
    const double step = static_cast<double>(n) * gap >= 360.0 ? 360.0 / n : gap;
    // Groups of neighbours closer than `step` are laid out `step` apart around the mean of
    // their own places; groups that then touch merge, until none do.
    struct Group {
        std::size_t first, count;
        double sum;
        double Start(double step) const { return sum / count - (count - 1) * step / 2.0; }
        double End(double step) const { return sum / count + (count - 1) * step / 2.0; }
    };
    std::vector<Group> groups;
    for (std::size_t k = 0; k < n; ++k) groups.push_back({k, 1, at[k]});
    for (bool merged = true; merged;) {
        merged = false;
        for (std::size_t g = 0; g + 1 < groups.size(); ++g) {
            if (groups[g + 1].Start(step) - groups[g].End(step) < step - 1e-9) {
                groups[g].count += groups[g + 1].count;
                groups[g].sum += groups[g + 1].sum;
                groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(g) + 1);
                merged = true;
                break;
            }
        }
    }
    for (const Group& group : groups) {
        for (std::size_t i = 0; i < group.count; ++i) {
            placed[order[(cut + group.first + i) % n]] =
                Normalize(group.Start(step) + static_cast<double>(i) * step);
        }
    }
    return placed;
}

std::vector<double> SpreadLongitudes(const std::vector<double>& longitudes,
                                     const std::function<double(double longitude)>& gapAt) {
    // Spread on a stretched circle on which every wanted gap is the same: u(L), the integral
    // of 1 / gap from 0 to L, measured in steps of a tenth of a degree.
    constexpr int kSteps = 3600;
    std::vector<double> u(kSteps + 1, 0.0);
    for (int i = 0; i < kSteps; ++i) {
        const double gap = std::max(1e-3, gapAt((i + 0.5) * 360.0 / kSteps));
        u[static_cast<std::size_t>(i) + 1] = u[static_cast<std::size_t>(i)] + 0.1 / gap;
    }
    const double total = u[kSteps];  // how many gaps the circle holds
    const auto stretch = [&](double longitude) {
        const double at = Normalize(longitude) * kSteps / 360.0;
        const auto i = std::min<std::size_t>(kSteps - 1, static_cast<std::size_t>(at));
        return (u[i] + (u[i + 1] - u[i]) * (at - static_cast<double>(i))) * 360.0 / total;
    };
    const auto unstretch = [&](double stretched) {
        const double target = Normalize(stretched) * total / 360.0;
        const auto above = std::upper_bound(u.begin(), u.end(), target);
        const auto i = static_cast<std::size_t>(
            std::clamp<std::ptrdiff_t>(above - u.begin() - 1, 0, kSteps - 1));
        const double within = u[i + 1] > u[i] ? (target - u[i]) / (u[i + 1] - u[i]) : 0.0;
        return Normalize((static_cast<double>(i) + std::clamp(within, 0.0, 1.0)) * 360.0 / kSteps);
    };
    std::vector<double> stretched;
    stretched.reserve(longitudes.size());
    for (double longitude : longitudes) stretched.push_back(stretch(longitude));
    std::vector<double> placed = SpreadLongitudes(stretched, 360.0 / total);
    for (std::size_t i = 0; i < placed.size(); ++i) {
        // Who did not move stays exactly where it was.
        placed[i] = std::fabs(placed[i] - stretched[i]) < 1e-12 ? Normalize(longitudes[i])
                                                                : unstretch(placed[i]);
    }
    return placed;
}

bool MakeSecondRing(const NatalChart& natal, RingKind kind, double jdUt, SecondRing& ring,
                    std::string& error) {
    ring = SecondRing{};
    ring.kind = kind;
    const Houses* houses = natal.houses ? &*natal.houses : nullptr;
    const std::string date = IsoUtc(UtcOfJulianDay(jdUt));
    switch (kind) {
        case RingKind::None:
            return true;
        case RingKind::Transits:
            ring.label = "Transits " + date.substr(0, 10) + " " + date.substr(11, 5) + " UTC";
            return BodiesAt(jdUt, houses, ring.points, nullptr, error);
        case RingKind::Progressions:
            ring.label = "Secondary progressions for " + date.substr(0, 10);
            return BodiesAt(ProgressedJulianDay(natal.jdUt, jdUt), houses, ring.points, nullptr,
                            error);
        case RingKind::SolarArc: {
            double arc = 0;
            if (!SolarArcPoints(natal, jdUt, ring.points, arc, error)) return false;
            char text[32];
            std::snprintf(text, sizeof text, " (arc %.2f\u00B0)", arc);
            ring.label = "Solar arc directions for " + date.substr(0, 10) + text;
            return true;
        }
    }
    return true;
}

void DrawNatalWheel(CDrawingDevice& device, const NatalChart& chart, const SecondRing& ring,
                    const WheelOptions& options) {
    Pen pen(device);
    const double width = options.width;
    const bool twoRings = ring.kind != RingKind::None && !ring.points.empty();
    DrawHeader(pen, chart, ring, width);

    Wheel wheel;
    // Room for the cusps' degrees outside the wheel, and for the tables below it.
    wheel.radius = std::max(100.0, std::min(width * 0.39, (options.height - 530) / 2.3));
    wheel.cx = width / 2.0;
    wheel.cy = 110 + wheel.radius * 1.15;
    wheel.left = chart.houses ? chart.houses->ascendant : 0.0;
    const double zodiacInner = 0.86;
    const double ringInner = twoRings ? 0.72 : zodiacInner;
    const double houseBand = 0.30;  // the aspect circle
    const double houseNumbers = houseBand + 0.05;

    // The zodiac: twelve signs in their elements' colours, degree ticks inside.
    pen.Color(kInk);
    pen.Width(2);
    pen.Circle(wheel.cx, wheel.cy, wheel.radius);
    pen.Width(1.2);
    pen.Circle(wheel.cx, wheel.cy, wheel.radius * zodiacInner);
    if (twoRings) {
        pen.Color(kRing);
        pen.Width(0.8);
        pen.Circle(wheel.cx, wheel.cy, wheel.radius * ringInner);
    }
    pen.Color(kInk);
    pen.Circle(wheel.cx, wheel.cy, wheel.radius * houseBand);
    for (int degree = 0; degree < 360; ++degree) {
        const double length = degree % 30 == 0 ? 0.14 : degree % 5 == 0 ? 0.03 : 0.015;
        double x1, y1, x2, y2;
        wheel.At(degree, zodiacInner, x1, y1);
        wheel.At(degree, zodiacInner + length, x2, y2);
        pen.Color(degree % 30 == 0 ? kInk : kFaint);
        pen.Width(degree % 30 == 0 ? 1.2 : 0.8);
        pen.Line(x1, y1, x2, y2);
    }
    pen.Font(wheel.radius * 0.075);
    for (int sign = 0; sign < 12; ++sign) {
        double x, y;
        wheel.At(sign * 30 + 15, (1.0 + zodiacInner) / 2.0, x, y);
        pen.Color(kElements[sign % 4]);
        pen.Centred(x, y, SignGlyph(sign));
    }

    // Houses: cusp lines from the aspect circle to the zodiac, the angles heavier and out past
    // the wheel, each cusp's degree outside it.
    if (chart.houses) {
        const Houses& houses = *chart.houses;
        for (int i = 0; i < 12; ++i) {
            const bool angle = i % 3 == 0;
            double x1, y1, x2, y2;
            wheel.At(houses.cusps[i], houseBand, x1, y1);
            wheel.At(houses.cusps[i], angle ? 1.06 : zodiacInner, x2, y2);
            pen.Color(angle ? kInk : kFaint);
            pen.Width(angle ? 2.2 : 1.0);
            pen.Line(x1, y1, x2, y2);
            double nx, ny;
            const double middle =
                houses.cusps[i] + Normalize(houses.cusps[(i + 1) % 12] - houses.cusps[i]) / 2.0;
            wheel.At(middle, houseNumbers, nx, ny);
            pen.Color(kFaint);
            pen.Font(wheel.radius * 0.04);
            pen.Centred(nx, ny, std::to_string(i + 1));
            double lx, ly;
            wheel.At(houses.cusps[i], 1.1, lx, ly);
            pen.Color(kInk);
            pen.Font(wheel.radius * 0.035, angle);
            const char* names[4] = {"AC ", "IC ", "DC ", "MC "};
            pen.Centred(lx, ly,
                        (angle ? std::string(names[i / 3]) : std::string()) +
                            SignPosition(houses.cusps[i]));
        }
        double vx, vy, vx2, vy2;
        wheel.At(houses.vertex, zodiacInner, vx, vy);
        wheel.At(houses.vertex, zodiacInner - 0.04, vx2, vy2);
        pen.Color(kFaint);
        pen.Width(1.5);
        pen.Line(vx, vy, vx2, vy2);
    } else {
        pen.Color(kHard);
        pen.Font(wheel.radius * 0.035);
        pen.Centred(wheel.cx, wheel.cy - wheel.radius * 0.12, "time unknown:");
        pen.Centred(wheel.cx, wheel.cy - wheel.radius * 0.07, "no houses");
    }

    // The natal bodies inside the zodiac (or the second ring), the second ring's between.
    const double natalEdge = ringInner;
    DrawBodies(pen, wheel, chart.bodies, natalEdge, natalEdge - 0.09, natalEdge - 0.18, kInk,
               wheel.radius * 0.065);
    if (twoRings) {
        DrawBodies(pen, wheel, ring.points, zodiacInner, zodiacInner - 0.05, zodiacInner - 0.105,
                   kRing, wheel.radius * 0.05);
    }

    // Aspect lines between the natal points (bodies and the Ascendant and Midheaven), or,
    // with a second ring, between its points and the natal ones.
    std::vector<ChartPoint> natalPoints = chart.bodies;
    if (chart.houses) {
        for (const ChartPoint& angle : AnglePoints(*chart.houses)) {
            if (angle.name == "Asc" || angle.name == "MC") natalPoints.push_back(angle);
        }
    }
    const std::vector<Aspect> natalAspects = FindAspects(natalPoints, options.orbs);
    std::vector<Aspect> lines = natalAspects;
    const std::vector<ChartPoint>* from = &natalPoints;
    if (twoRings) {
        OrbTable tight = options.orbs;
        for (double& orb : tight.orb) orb *= options.ringOrbScale;
        lines = FindAspects(ring.points, natalPoints, tight);
        from = &ring.points;
    }
    for (const Aspect& aspect : lines) {
        if (aspect.kind == AspectKind::Conjunction) continue;  // a line of no length
        const AspectInfo& info = InfoOf(aspect.kind);
        double x1, y1, x2, y2;
        wheel.At((*from)[static_cast<std::size_t>(aspect.first)].longitude, houseBand, x1, y1);
        wheel.At(natalPoints[static_cast<std::size_t>(aspect.second)].longitude, houseBand, x2, y2);
        pen.Color(!info.major ? kMinor : info.hard ? kHard : kSoft);
        // Tighter aspects draw heavier.
        const double orb = std::max(options.orbs.Of(aspect.kind), 1e-9);
        pen.Width(std::max(0.6, 2.2 * (1.0 - std::fabs(aspect.orb) / orb)));
        pen.Line(x1, y1, x2, y2);
    }

    // The tables below the wheel.
    const double tableTop = wheel.cy + wheel.radius * 1.15 + 10;
    DrawTable(pen, chart, 20, tableTop);
    const double cell = std::min(26.0, (width - 500) / std::max<double>(natalPoints.size(), 1));
    DrawGrid(pen, natalPoints, natalAspects, 500, tableTop + 22, cell);
}

}  // namespace natal
