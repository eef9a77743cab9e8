#include "prices/price_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "prices/sky_markers.h"

namespace prices {

namespace {

// Margins around the plot, in pixels: the price labels go right, the dates below.
constexpr double kMarginLeft = 12.0;
constexpr double kMarginRight = 78.0;
constexpr double kMarginTop = 30.0;
constexpr double kMarginBottom = 26.0;
constexpr int kFontPixels = 13;
constexpr int kTitlePixels = 16;
// Lines closer than this are a wash of colour, not levels anyone can read.
constexpr double kMinTurnSpacingPixels = 3.0;

constexpr COLORREF kAxisColor = RGB(96, 96, 96);
constexpr COLORREF kGridColor = RGB(226, 226, 226);
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr COLORREF kUpColor = RGB(22, 128, 60);
constexpr COLORREF kDownColor = RGB(200, 40, 40);
constexpr COLORREF kLineColor = RGB(30, 30, 30);  // apart from every body's colour

int U(double pixels) {
    return static_cast<int>(std::lround(pixels * kUnitsPerPixel));
}
int UY(double pixels) {
    return -static_cast<int>(std::lround(pixels * kUnitsPerPixel));
}

COLORREF Faded(COLORREF color) {
    const auto mix = [](int c) { return (c + 2 * 255) / 3; };
    return RGB(mix(GetRValue(color)), mix(GetGValue(color)), mix(GetBValue(color)));
}

// The plot's own stroke: clipped to the plot, straight runs merged.
CClippedPolyline PlotPolyline(CDrawingDevice& device, const CChartFrame& frame,
                              DrawQuality quality) {
    return CClippedPolyline(device, frame.Left(), frame.Top(), frame.Right(), frame.Bottom(),
                            kUnitsPerPixel, quality);
}

void SelectFont(CDrawingDevice& device, int pixels, int bold) {
    device.SelectFont("Arial", pixels * kUnitsPerPixel, bold);
}

struct PriceTick {
    double price;
    double step;  // for the label's decimals
};

// The decades a log axis can label: the normal doubles.
constexpr int kLowestDecade = -307;
constexpr int kHighestDecade = 308;
// No axis shows more ticks than this, whatever the window (a bound against huge windows).
constexpr std::size_t kMaxTicks = 1000;
constexpr double kMaxAxisSeconds = 1e13;

std::vector<PriceTick> PriceTicks(const CChartFrame& frame) {
    std::vector<PriceTick> ticks;
    const ChartWindow& w = frame.Window();
    const double plotHeight = frame.Bottom() - frame.Top();
    const double wanted = std::max(2.0, plotHeight / 60.0);
    if (frame.LogScale() && w.priceHigh / w.priceLow > 20.0) {
        // Decades, and 2 and 5 between them while they are far enough apart.
        const double decades = std::log10(w.priceHigh / w.priceLow);
        const bool between = decades * 3.0 <= wanted;
        // Counted by exponent, not by multiplying: 10^-324 is 0 in a double, and 0 * 10 never
        // reaches the top. Doubles span about 630 decades, so the loop ends within that.
        const int firstExponent =
            std::max(static_cast<int>(std::floor(std::log10(w.priceLow))), kLowestDecade);
        const int lastExponent =
            std::min(static_cast<int>(std::ceil(std::log10(w.priceHigh))), kHighestDecade);
        for (int exponent = firstExponent; exponent <= lastExponent; ++exponent) {
            const double decade = std::pow(10.0, exponent);
            for (double m : {1.0, 2.0, 5.0}) {
                if (m != 1.0 && !between) continue;
                const double price = decade * m;
                if (price >= w.priceLow && price <= w.priceHigh) ticks.push_back({price, price});
            }
        }
        return ticks;
    }
    const double step = NiceStep((w.priceHigh - w.priceLow) / wanted);
    for (double k = std::ceil(w.priceLow / step); k * step <= w.priceHigh; ++k) {
        if (ticks.size() > kMaxTicks) break;
        ticks.push_back({k * step, step});
    }
    return ticks;
}

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Ticks at whole minutes, hours, days, months or years, the finest that leaves room for labels.
std::vector<TimeTick> TimeTicks(const CChartFrame& frame) {
    std::vector<TimeTick> ticks;
    const ChartWindow& w = frame.Window();
    const double plotWidth = frame.Right() - frame.Left();
    const double secondsPerPixel = (w.timeRight - w.timeLeft) / plotWidth;
    const double minSpacing = 110.0 * secondsPerPixel;
    // Dates are labelled within some 300,000 years of 1970; a window beyond has no date ticks.
    if (!(std::fabs(w.timeLeft) < kMaxAxisSeconds && std::fabs(w.timeRight) < kMaxAxisSeconds))
        return ticks;
    static constexpr double kClockSteps[] = {60,    300,   900,   1800,   3600,  10800,
                                             21600, 43200, 86400, 172800, 604800};
    char text[48];
    for (double step : kClockSteps) {
        if (step < minSpacing) continue;
        const double origin = step == 604800 ? 4 * 86400.0 : 0.0;  // weeks from a Monday
        const double start = std::ceil((w.timeLeft - origin) / step) * step + origin;
        // Counted, so that a window far out (where adding a step no longer changes the time)
        // still ends; the clock steps give at most a plot's width / 110 px of them.
        for (std::size_t i = 0; i < kMaxTicks; ++i) {
            const double t = start + static_cast<double>(i) * step;
            if (!(t <= w.timeRight)) break;
            const auto whole = static_cast<std::int64_t>(std::floor(t));
            const std::int64_t days = (whole - (((whole % 86400) + 86400) % 86400)) / 86400;
            const std::int64_t clock = whole - days * 86400;
            int year = 0, month = 0, day = 0;
            CivilFromDays(days, year, month, day);
            if (step < 86400 && clock != 0) {
                std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(clock / 3600),
                              static_cast<int>(clock / 60 % 60));
            } else {
                std::snprintf(text, sizeof text, "%d %s %d", day, kMonths[month - 1], year);
            }
            ticks.push_back({t, text});
        }
        return ticks;
    }
    // Months and years: whole calendar steps.
    static constexpr int kMonthSteps[] = {1, 2, 3, 6, 12, 24, 60, 120, 240, 600, 1200};
    const double monthSeconds = 30.44 * 86400.0;
    int monthStep = kMonthSteps[std::size(kMonthSteps) - 1];
    for (int candidate : kMonthSteps) {
        if (candidate * monthSeconds >= minSpacing) {
            monthStep = candidate;
            break;
        }
    }
    int year = 0, month = 0, day = 0;
    CivilFromDays(static_cast<std::int64_t>(std::floor(w.timeLeft / 86400.0)), year, month, day);
    std::int64_t index = static_cast<std::int64_t>(year) * 12 + (month - 1);
    index = (index + monthStep - 1) / monthStep * monthStep;
    for (int guard = 0; guard < 2000; ++guard, index += monthStep) {
        const int y = static_cast<int>(index / 12), m = static_cast<int>(index % 12) + 1;
        const double t = static_cast<double>(DaysFromCivil(y, m, 1)) * 86400.0;
        if (t > w.timeRight) break;
        if (t < w.timeLeft) continue;
        if (monthStep >= 12) {
            std::snprintf(text, sizeof text, "%d", y);
        } else {
            std::snprintf(text, sizeof text, "%s %d", kMonths[m - 1], y);
        }
        ticks.push_back({t, text});
    }
    return ticks;
}

// On a trading axis the days of a gap crowd into one step: keep ticks far enough apart.
std::vector<TimeTick> SpacedTimeTicks(const CChartFrame& frame) {
    std::vector<TimeTick> ticks = TimeTicks(frame);
    if (frame.Trading() == nullptr) return ticks;
    std::vector<TimeTick> kept;
    double lastX = -1e300;
    for (TimeTick& tick : ticks) {
        const double x = frame.XOfTime(tick.seconds);
        if (x - lastX < 90.0) continue;
        lastX = x;
        kept.push_back(std::move(tick));
    }
    return kept;
}

void DrawAxes(CDrawingDevice& device, const CChartFrame& frame) {
    const std::vector<PriceTick> priceTicks = PriceTicks(frame);
    const std::vector<TimeTick> timeTicks = SpacedTimeTicks(frame);
    const double bottom = frame.PlotBottom();
    device.SetPenWidth(0);
    device.SetPenColor(kGridColor);
    for (const PriceTick& tick : priceTicks) {
        const double y = frame.YOfPrice(tick.price);
        device.Line(U(frame.Left()), UY(y), U(frame.Right()), UY(y));
    }
    for (const TimeTick& tick : timeTicks) {
        const double x = frame.XOfTime(tick.seconds);
        device.Line(U(x), UY(frame.Top()), U(x), UY(bottom));
    }
    device.SetPenColor(kAxisColor);
    device.Line(U(frame.Left()), UY(frame.Top()), U(frame.Right()), UY(frame.Top()));
    device.Line(U(frame.Right()), UY(frame.Top()), U(frame.Right()), UY(bottom));
    device.Line(U(frame.Right()), UY(bottom), U(frame.Left()), UY(bottom));
    device.Line(U(frame.Left()), UY(bottom), U(frame.Left()), UY(frame.Top()));
    for (int pane = 0; pane < frame.PaneCount(); ++pane) {
        device.Line(U(frame.Left()), UY(frame.PaneTop(pane)), U(frame.Right()),
                    UY(frame.PaneTop(pane)));
    }
    if (frame.HasVolumePane()) {
        device.Line(U(frame.Left()), UY(frame.VolumeTop()), U(frame.Right()),
                    UY(frame.VolumeTop()));
    }
    for (const PriceTick& tick : priceTicks) {
        const double y = frame.YOfPrice(tick.price);
        device.Line(U(frame.Right()), UY(y), U(frame.Right() + 4), UY(y));
    }
    for (const TimeTick& tick : timeTicks) {
        const double x = frame.XOfTime(tick.seconds);
        device.Line(U(x), UY(bottom), U(x), UY(bottom + 4));
    }
    SelectFont(device, kFontPixels, 0);
    device.SetPenColor(kTextColor);
    for (const PriceTick& tick : priceTicks) {
        const double y = frame.YOfPrice(tick.price);
        device.Text(U(frame.Right() + 7), UY(y - kFontPixels / 2.0),
                    FormatPrice(tick.price, tick.step));
    }
    for (const TimeTick& tick : timeTicks) {
        const double x = frame.XOfTime(tick.seconds);
        device.Text(U(x + 3), UY(bottom + 6), tick.label);
    }
}

// The drawn turns of a line: every turn whose band [kU, (k+1)U] meets the window.
bool TurnRange(const CChartFrame& frame, double units, std::int64_t& first, std::int64_t& last) {
    const ChartWindow& w = frame.Window();
    // The narrowest spacing of turns is at the top on a log scale, anywhere on a linear one.
    const double spacing =
        std::fabs(frame.YOfPrice(w.priceHigh - units) - frame.YOfPrice(w.priceHigh));
    if (!(spacing >= kMinTurnSpacingPixels) && !(w.priceHigh - units <= 0.0 && frame.LogScale())) {
        return false;
    }
    if (!(std::fabs(w.priceLow / units) <= kMaxLineTurns &&
          std::fabs(w.priceHigh / units) <= kMaxLineTurns)) {
        return false;
    }
    first = static_cast<std::int64_t>(std::floor(w.priceLow / units)) - 1;
    last = static_cast<std::int64_t>(std::floor(w.priceHigh / units));
    if (frame.LogScale()) first = std::max<std::int64_t>(first, -1);
    return last - first < 100000;
}

bool DrawBodyLines(CDrawingDevice& device, const ChartOptions& options, const CChartFrame& frame,
                   ChartCache& cache) {
    const LineSettings& lines = options.lines;
    const double units = lines.unitsPerCircle;
    std::int64_t firstTurn = 0, lastTurn = 0;
    if (options.bodies.empty() || !TurnRange(frame, units, firstTurn, lastTurn)) {
        return options.bodies.empty();
    }
    const ChartWindow& w = frame.Window();
    const double plotWidth = frame.Right() - frame.Left();
    // One sample a pixel, on a grid of times that stays put while the window pans; the step is
    // rounded to a fixed ladder so that a pan's rounding does not change it.
    const double rawStep = (w.timeRight - w.timeLeft) / plotWidth;
    const double step = std::exp2(std::round(std::log2(rawStep) * 64.0) / 64.0);
    const auto firstIndex = static_cast<std::int64_t>(std::floor(w.timeLeft / step)) - 1;
    const auto lastIndex = static_cast<std::int64_t>(std::ceil(w.timeRight / step)) + 1;
    const auto count = static_cast<std::size_t>(lastIndex - firstIndex + 1);
    cache.columns.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        cache.columns[i] =
            frame.XOfTime(static_cast<double>(firstIndex + static_cast<std::int64_t>(i)) * step);
    }
    cache.degrees.resize(count);
    CClippedPolyline polyline = PlotPolyline(device, frame, options.quality);
    // A moving frame merges each piece's samples once for all its turns. Frames that stay on
    // screen, print or trace merge every turn's own points, so that no sample on the very edge
    // of the tolerance can merge otherwise than it always has.
    const bool byShape = options.quality == DrawQuality::Moving && !frame.LogScale();
    std::vector<int> codes;
    for (const BodyStyle& body : options.bodies) codes.push_back(body.code);
    std::vector<const double*> sampled;
    cache.sampler.SampleMany(codes, lines.source, step, firstIndex, count, sampled);
    for (std::size_t pass = 0; pass < 2; ++pass) {
        // Harmonics first, so that the bodies' own lines lie over them.
        for (std::size_t b = 0; b < options.bodies.size(); ++b) {
            const BodyStyle& body = options.bodies[b];
            const double* longitudes = sampled[b];
            for (double harmonic : lines.harmonics) {
                const bool own = harmonic == 0.0;
                if (own != (pass == 1)) continue;
                device.SetPenColor(own ? body.color : Faded(body.color));
                device.SetPenWidth(own ? 6 : 4);
                for (std::size_t i = 0; i < count; ++i) {
                    cache.degrees[i] = LineDegree(longitudes[i], harmonic, lines.offset);
                }
                std::size_t pieces = 0;
                TurnPieces(cache.columns.data(), cache.degrees.data(), count, units, cache.pieces,
                           pieces);
                bool shaped = byShape;
                if (shaped && cache.shapes.size() < pieces) cache.shapes.resize(pieces);
                for (std::size_t p = 0; p < pieces && shaped; ++p) {
                    shaped =
                        cache.shapes[p].Build(cache.pieces[p], options.quality,
                                              [&](double price) { return frame.YOfPrice(price); });
                }
                for (std::int64_t turn = firstTurn; turn <= lastTurn; ++turn) {
                    const double base = static_cast<double>(turn) * units;
                    for (std::size_t p = 0; p < pieces; ++p) {
                        if (shaped) {
                            cache.shapes[p].Draw(polyline, [&](double price) {
                                return frame.YOfPrice(price + base);
                            });
                            continue;
                        }
                        for (const LinePoint& point : cache.pieces[p]) {
                            const double price = point.price + base;
                            if (frame.LogScale() && price <= 0.0) {
                                polyline.Finish();
                                continue;
                            }
                            polyline.Add(point.x, frame.YOfPrice(price));
                        }
                        polyline.Finish();
                    }
                }
            }
        }
    }
    return true;
}

struct Column {
    double open, high, low, close;
};

using BarBlock = ChartCache::BarBlock;
constexpr std::size_t kBarBlock = ChartCache::kBarBlock;

BarBlock NoBars() {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    return {kInf, -kInf, kInf, -kInf};
}

void AddBar(BarBlock& block, const Bar& bar) {
    block.low = std::min(block.low, bar.low);
    block.high = std::max(block.high, bar.high);
    block.minClose = std::min(block.minClose, bar.close);
    block.maxClose = std::max(block.maxClose, bar.close);
}

// Returns false when the summary was taken anew (another series, or its bars changed).
bool SummariseBars(const CBarStore& bars, ChartCache& cache) {
    const std::size_t blocks = (bars.size() + kBarBlock - 1) / kBarBlock;
    const bool same = !bars.empty() && cache.blocksOf == bars.Identity() &&
                      cache.blocksBars == bars.size() && cache.blocksFirst == bars.front().time &&
                      cache.blocksLast == bars.back().time && cache.barBlocks.size() == blocks;
    cache.barBlocks.resize(blocks);
    for (std::size_t b = same && blocks > 0 ? blocks - 1 : 0; b < blocks; ++b) {
        BarBlock block = NoBars();
        const std::size_t end = std::min(bars.size(), (b + 1) * kBarBlock);
        for (std::size_t i = b * kBarBlock; i < end; ++i) AddBar(block, bars[i]);
        cache.barBlocks[b] = block;
    }
    cache.blocksOf = bars.Identity();
    cache.blocksBars = bars.size();
    cache.blocksFirst = bars.empty() ? 0 : bars.front().time;
    cache.blocksLast = bars.empty() ? 0 : bars.back().time;
    return same;
}

// Bar i's part in the extremes, read from the three fields it needs: as AddBar(block, bars[i]).
void AddBarAt(BarBlock& block, const CBarStore& bars, std::size_t i) {
    const double high = bars.High(i), low = bars.Low(i), close = bars.Close(i);
    block.low = std::min(block.low, low);
    block.high = std::max(block.high, high);
    block.minClose = std::min(block.minClose, close);
    block.maxClose = std::max(block.maxClose, close);
}

// The extremes of bars [begin, end): whole blocks from the summary, the ends bar by bar.
BarBlock Extremes(const CBarStore& bars, const ChartCache& cache, std::size_t begin,
                  std::size_t end) {
    BarBlock result = NoBars();
    std::size_t i = begin;
    for (; i < end && i % kBarBlock != 0; ++i) AddBarAt(result, bars, i);
    for (; i + kBarBlock <= end; i += kBarBlock) {
        const BarBlock& block = cache.barBlocks[i / kBarBlock];
        result.low = std::min(result.low, block.low);
        result.high = std::max(result.high, block.high);
        result.minClose = std::min(result.minClose, block.minClose);
        result.maxClose = std::max(result.maxClose, block.maxClose);
    }
    for (; i < end; ++i) AddBarAt(result, bars, i);
    return result;
}

// The end of the pixel column that bar `begin` falls in: the first bar before `to` in a later
// column. Columns are told apart exactly as floor(XOfTime) tells them. The bar is looked for
// among the times first, at the time of the column's right edge (comparisons only, where a
// position costs a division), and then told exactly, a bar or two either way; when that does
// not settle it, by doubling steps and then halving, so that a column of thousands of bars
// costs a few dozen positions.
std::size_t ColumnEnd(const CBarStore& bars, const CChartFrame& frame, std::size_t begin,
                      std::size_t to, double column) {
    const auto inColumn = [&](std::size_t i) {
        return std::floor(frame.XOfTime(static_cast<double>(bars.Time(i)))) <= column;
    };
    // The first of [from, limit) that is not inside, or `limit`: doubling steps, then halving.
    const auto firstOutside = [](std::size_t from, std::size_t limit, auto&& inside) {
        std::size_t low = from, step = 1;
        while (low < limit && inside(low)) {
            low = std::min(limit, low + step);
            step *= 2;
        }
        // `high` is the first found outside, or `limit`; every one up to the last found inside
        // (at most step / 2 before it) is inside.
        std::size_t high = std::min(limit, low);
        low = high - std::min(high - from, step / 2);
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (inside(middle)) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return low;
    };
    const double edge = frame.TimeOfX(column + 1.0);
    std::size_t end = firstOutside(
        begin + 1, to, [&](std::size_t i) { return static_cast<double>(bars.Time(i)) < edge; });
    for (int nudge = 0; nudge < 8; ++nudge) {
        if (end < to && inColumn(end)) {
            ++end;
        } else if (end > begin + 1 && !inColumn(end - 1)) {
            --end;
        } else {
            return end;
        }
    }
    return firstOutside(begin + 1, to, inColumn);
}

// The pixel columns of bars [from, to), one after the other, with their extremes. A column of
// the last frame with the very same bars is taken as it was: its bars are checked to be this
// column's exactly as ColumnEnd tells them, and its extremes are theirs, but for the bars of the
// last block, which a live feed updates in place.
class CBarColumns {
public:
    using BarColumn = ChartCache::BarColumn;
    CBarColumns(const CBarStore& bars, const CChartFrame& frame, ChartCache& cache, std::size_t to)
        : m_bars(bars), m_frame(frame), m_cache(cache), m_to(to) {
        if (!SummariseBars(bars, cache)) cache.barColumns.clear();
        m_live = cache.barBlocks.empty() ? 0 : (cache.barBlocks.size() - 1) * kBarBlock;
        cache.nextBarColumns.clear();
    }
    ~CBarColumns() { m_cache.barColumns.swap(m_cache.nextBarColumns); }
    CBarColumns(const CBarColumns&) = delete;
    CBarColumns& operator=(const CBarColumns&) = delete;

    // The column that bar `begin` falls in, whose pixel column is `column`.
    const BarColumn& From(std::size_t begin, double column) {
        const std::vector<BarColumn>& last = m_cache.barColumns;
        while (m_last < last.size() && last[m_last].begin < begin) ++m_last;
        if (m_last < last.size() && last[m_last].begin == begin) {
            const std::size_t end = last[m_last].end;
            const auto inColumn = [&](std::size_t i) {
                return std::floor(m_frame.XOfTime(static_cast<double>(m_bars.Time(i)))) <= column;
            };
            if (end <= m_to && end <= m_live && inColumn(end - 1) &&
                (end == m_to || !inColumn(end))) {
                return m_cache.nextBarColumns.emplace_back(last[m_last]);
            }
        }
        const std::size_t end = ColumnEnd(m_bars, m_frame, begin, m_to, column);
        return m_cache.nextBarColumns.emplace_back(
            BarColumn{begin, end, Extremes(m_bars, m_cache, begin, end)});
    }

private:
    const CBarStore& m_bars;
    const CChartFrame& m_frame;
    ChartCache& m_cache;
    std::size_t m_to;
    std::size_t m_live = 0;  // the first bar of the last block
    std::size_t m_last = 0;  // where the search of the last frame's columns stands
};

void DrawBars(CDrawingDevice& device, const PriceSeries& series, const ChartOptions& options,
              const CChartFrame& frame, ChartCache& cache) {
    const ChartWindow& w = frame.Window();
    const auto byTime = [](const Bar& bar, double t) { return static_cast<double>(bar.time) < t; };
    const auto begin = std::lower_bound(series.bars.begin(), series.bars.end(), w.timeLeft, byTime);
    const auto end = std::lower_bound(begin, series.bars.end(), w.timeRight, byTime);
    // One bar each side beyond the window, so that lines run to the edges.
    const std::size_t first = static_cast<std::size_t>(begin - series.bars.begin());
    const std::size_t from = first > 0 ? first - 1 : 0;
    const std::size_t to =
        std::min(series.bars.size(), static_cast<std::size_t>(end - series.bars.begin()) + 1);
    if (from >= to) return;
    const CBarStore& bars = series.bars;
    const std::size_t n = to - from;
    const double spanPixels = frame.XOfTime(static_cast<double>(bars[to - 1].time)) -
                              frame.XOfTime(static_cast<double>(bars[from].time));
    const double pixelsPerBar = n > 1 ? spanPixels / static_cast<double>(n - 1) : 8.0;
    const auto yOf = [&](double price) {
        return std::clamp(frame.YOfPrice(price), frame.Top(), frame.Bottom());
    };
    const auto inside = [&](double x) { return x >= frame.Left() && x <= frame.Right(); };
    const auto columnOf = [&](std::size_t i) {
        return std::floor(frame.XOfTime(static_cast<double>(bars[i].time)));
    };

    if (options.style == BarStyle::CloseLine) {
        device.SetPenColor(kLineColor);
        device.SetPenWidth(6);
        CClippedPolyline polyline = PlotPolyline(device, frame, options.quality);
        if (pixelsPerBar >= 1.0) {
            for (std::size_t i = from; i < to; ++i) {
                polyline.Add(frame.XOfTime(static_cast<double>(bars[i].time)),
                             frame.YOfPrice(bars[i].close));
            }
            polyline.Finish();
            return;
        }
        // Many bars to a column: the column's range of closes, joined to the next column.
        CBarColumns columns(bars, frame, cache, to);
        double prevX = 0.0, prevY = 0.0;
        bool havePrev = false;
        std::size_t i = from;
        while (i < to) {
            const double x = columnOf(i);
            const double firstY = frame.YOfPrice(bars[i].close);
            const ChartCache::BarColumn& found = columns.From(i, x);
            const std::size_t j = found.end;
            const BarBlock extremes = found.extremes;
            if (havePrev) polyline.Line(prevX, prevY, x, firstY);
            polyline.Line(x, frame.YOfPrice(extremes.minClose), x,
                          frame.YOfPrice(extremes.maxClose));
            prevX = x, prevY = frame.YOfPrice(bars[j - 1].close);
            havePrev = true;
            i = j;
        }
        return;
    }

    // Up bars, then down bars: one pen change between them.
    device.SetPenWidth(0);
    if (pixelsPerBar >= 3.0) {
        const double half = std::max(1.0, std::min(pixelsPerBar * 0.35, 12.0));
        for (int up = 1; up >= 0; --up) {
            device.SetPenColor(up ? kUpColor : kDownColor);
            for (std::size_t i = from; i < to; ++i) {
                const Bar& bar = bars[i];
                if ((bar.close >= bar.open) != (up == 1)) continue;
                const double x = frame.XOfTime(static_cast<double>(bar.time));
                if (!inside(x)) continue;
                const double yHigh = yOf(bar.high), yLow = yOf(bar.low);
                if (yHigh < yLow) device.Line(U(x), UY(yHigh), U(x), UY(yLow));
                if (options.style == BarStyle::Candles) {
                    const double yOpen = yOf(bar.open), yClose = yOf(bar.close);
                    if (std::max(yOpen, yClose) > frame.Top() &&
                        std::min(yOpen, yClose) < frame.Bottom()) {
                        device.FillRect(U(x - half), UY(yOpen), U(x + half), UY(yClose));
                    }
                } else {
                    const double yOpen = frame.YOfPrice(bar.open),
                                 yClose = frame.YOfPrice(bar.close);
                    if (yOpen >= frame.Top() && yOpen <= frame.Bottom()) {
                        device.Line(U(std::max(frame.Left(), x - half)), UY(yOpen), U(x),
                                    UY(yOpen));
                    }
                    if (yClose >= frame.Top() && yClose <= frame.Bottom()) {
                        device.Line(U(x), UY(yClose), U(std::min(frame.Right(), x + half)),
                                    UY(yClose));
                    }
                }
            }
        }
        return;
    }
    // More bars than room: one stroke per pixel column from the column's low to its high,
    // coloured by its first open and last close.
    static thread_local std::vector<std::pair<double, Column>> columns;
    columns.clear();
    CBarColumns found(bars, frame, cache, to);
    for (std::size_t i = from; i < to;) {
        const double column = columnOf(i);
        const ChartCache::BarColumn& range = found.From(i, column);
        const std::size_t j = range.end;
        const BarBlock& extremes = range.extremes;
        columns.push_back(
            {column + 0.5, Column{bars[i].open, extremes.high, extremes.low, bars[j - 1].close}});
        i = j;
    }
    for (int up = 1; up >= 0; --up) {
        device.SetPenColor(up ? kUpColor : kDownColor);
        for (const auto& [x, c] : columns) {
            if ((c.close >= c.open) != (up == 1) || !inside(x)) continue;
            const double yHigh = yOf(c.high), yLow = yOf(c.low);
            if (yHigh < frame.Bottom() && yLow > frame.Top()) {
                device.Line(U(x), UY(yHigh), U(x), UY(std::max(yLow, yHigh + 0.25)));
            }
        }
    }
}

COLORREF Tint(COLORREF color, int parts) {
    const auto mix = [parts](int c) { return (c + parts * 255) / (parts + 1); };
    return RGB(mix(GetRValue(color)), mix(GetGValue(color)), mix(GetBValue(color)));
}

// Text of `pixels` height is about this share of it wide a character (no metrics here).
double TextWidth(std::string_view text, int pixels) {
    return static_cast<double>(text.size()) * pixels * 0.58;
}

// The legend's box for `rows` rows in a corner of the plot.
struct Box {
    double left, top, right, bottom;
};

Box LegendBox(const CChartFrame& frame, LegendPlace place, std::size_t rows) {
    const double height = 3 + static_cast<double>(rows) * (kFontPixels + 3) + 3;
    const double width = std::min(frame.Right() - 1 - (frame.Left() + 3), 327.0);
    const bool right = place == LegendPlace::TopRight || place == LegendPlace::BottomRight;
    const bool bottom = place == LegendPlace::BottomLeft || place == LegendPlace::BottomRight;
    Box box;
    box.left = right ? frame.Right() - 3 - width : frame.Left() + 3;
    box.right = right ? frame.Right() - 3 : std::min(frame.Right() - 1, frame.Left() + 330);
    box.top = bottom ? frame.Bottom() - 3 - height : frame.Top() + 3;
    box.bottom = box.top + height;
    return box;
}

// The corner whose box covers the fewest bars (the first of equals in reading order).
LegendPlace FreestCorner(const PriceSeries& series, const CChartFrame& frame, std::size_t rows) {
    LegendPlace best = LegendPlace::TopLeft;
    std::size_t fewest = std::numeric_limits<std::size_t>::max();
    for (LegendPlace place : {LegendPlace::TopLeft, LegendPlace::TopRight, LegendPlace::BottomLeft,
                              LegendPlace::BottomRight}) {
        const Box box = LegendBox(frame, place, rows);
        const auto byTime = [](const Bar& bar, double t) {
            return static_cast<double>(bar.time) < t;
        };
        const auto begin = std::lower_bound(series.bars.begin(), series.bars.end(),
                                            frame.TimeOfX(box.left), byTime);
        const auto end =
            std::lower_bound(begin, series.bars.end(), frame.TimeOfX(box.right), byTime);
        std::size_t covered = 0;
        for (auto bar = begin; bar != end; ++bar) {
            if (frame.YOfPrice(bar->low) >= box.top && frame.YOfPrice(bar->high) <= box.bottom) {
                ++covered;
            }
        }
        if (covered < fewest) fewest = covered, best = place;
        if (covered == 0) break;
    }
    return best;
}

void DrawLegend(CDrawingDevice& device, const PriceSeries& series, const ChartOptions& options,
                const CChartFrame& frame, bool linesDrawn) {
    SelectFont(device, kTitlePixels, 1);
    device.SetPenColor(kTextColor);
    // A title is a file name or the user's own words: UTF-8.
    if (!options.title.empty()) device.TextUtf8(U(frame.Left()), UY(6), options.title);
    if (options.bodies.empty() || options.legend == LegendPlace::Hidden) return;
    SelectFont(device, kFontPixels, 0);
    const LineSettings& lines = options.lines;
    const std::size_t rows = options.bodies.size() + 1;
    const LegendPlace place =
        options.legend == LegendPlace::Auto ? FreestCorner(series, frame, rows) : options.legend;
    const Box box = LegendBox(frame, place, rows);
    // A white box under the legend, so that it stays readable over the lines.
    device.SetPenColor(RGB(255, 255, 255));
    device.FillRect(U(box.left), UY(box.top), U(box.right), UY(box.bottom));
    device.SetPenColor(kGridColor);
    if (place == LegendPlace::TopLeft) {
        device.Line(U(box.left), UY(box.bottom), U(box.right), UY(box.bottom));
        device.Line(U(box.right), UY(box.bottom), U(box.right), UY(box.top));
    } else {
        device.Line(U(box.left), UY(box.top), U(box.right), UY(box.top));
        device.Line(U(box.right), UY(box.top), U(box.right), UY(box.bottom));
        device.Line(U(box.right), UY(box.bottom), U(box.left), UY(box.bottom));
        device.Line(U(box.left), UY(box.bottom), U(box.left), UY(box.top));
    }
    double y = box.top + 3;
    const double x = box.left + 5;
    for (const BodyStyle& body : options.bodies) {
        const Body* named = BodyOfCode(body.code);
        device.SetPenColor(body.color);
        std::string text = named ? named->name : std::to_string(body.code);
        text += lines.frame == Frame::Geocentric ? " (geo)" : " (helio)";
        device.Text(U(x), UY(y), text);
        y += kFontPixels + 3;
    }
    char text[160];
    std::string harmonics;
    for (double h : lines.harmonics) {
        if (h == 0.0) continue;
        std::snprintf(text, sizeof text, "%s%g", harmonics.empty() ? "" : ", ", h);
        harmonics += text;
    }
    std::snprintf(text, sizeof text, "%g units per circle, offset %g\xB0%s%s%s%s",
                  lines.unitsPerCircle, lines.offset, harmonics.empty() ? "" : ", harmonics ",
                  harmonics.c_str(),
                  lines.source == PositionSource::Precise ? ", precise positions" : "",
                  linesDrawn ? "" : " (lines too dense to draw: zoom in)");
    device.SetPenColor(kAxisColor);
    device.Text(U(x), UY(y), text);
}

// Each line's body and harmonic where it leaves the plot on the right, the labels that would
// overlap one another left out.
void DrawLineLabels(CDrawingDevice& device, const ChartOptions& options, const CChartFrame& frame) {
    const LineSettings& lines = options.lines;
    const double edgeTime = frame.TimeOfX(frame.Right());
    const double jed = JedOfSeconds(edgeTime);
    const ChartWindow& w = frame.Window();
    const double low = frame.LogScale() ? w.priceLow : std::min(w.priceLow, w.priceHigh);
    const double high = w.priceHigh;
    struct Label {
        double y;
        std::string text;
        COLORREF color;
    };
    std::vector<Label> labels;
    std::vector<double> levels;
    // A bound on the labels one chart writes: beyond it the lines are too dense to read.
    constexpr std::size_t kMaxLabels = 400;
    for (const BodyStyle& body : options.bodies) {
        const double longitude = BodyLongitude(jed, body.code, lines.source);
        const Body* named = BodyOfCode(body.code);
        for (double harmonic : lines.harmonics) {
            const double degree = LineDegree(longitude, harmonic, lines.offset);
            LevelsInRange(degree, lines.unitsPerCircle, low, high, levels);
            std::string text = named ? named->name : std::to_string(body.code);
            if (harmonic != 0.0) {
                char part[32];
                std::snprintf(part, sizeof part, " +%g", harmonic);
                text += part;
            }
            for (double price : levels) {
                if (labels.size() >= kMaxLabels) break;
                const double y = frame.YOfPrice(price);
                if (y < frame.Top() || y > frame.Bottom()) continue;
                labels.push_back({y, text, harmonic == 0.0 ? body.color : Faded(body.color)});
            }
        }
    }
    std::stable_sort(labels.begin(), labels.end(),
                     [](const Label& a, const Label& b) { return a.y < b.y; });
    constexpr int kLabelPixels = kFontPixels - 2;
    SelectFont(device, kLabelPixels, 0);
    double lastY = -1e300;
    for (const Label& label : labels) {
        if (label.y - lastY < kLabelPixels + 1) continue;
        lastY = label.y;
        const double width = TextWidth(label.text, kLabelPixels);
        device.SetPenColor(label.color);
        device.Text(U(frame.Right() - 3 - width),
                    UY(std::max(frame.Top(), label.y - kLabelPixels - 1)), label.text);
    }
}

// Shaded stretches behind everything else in the plot, labelled at its foot.
void DrawSpans(CDrawingDevice& device, const std::vector<ChartSpan>& spans,
               const CChartFrame& frame) {
    if (spans.empty()) return;
    const std::size_t count = std::min(spans.size(), kMaxMarkers);
    for (std::size_t i = 0; i < count; ++i) {
        const ChartSpan& span = spans[i];
        const double x1 = std::max(frame.Left(), frame.XOfTime(span.from));
        const double x2 = std::min(frame.Right(), frame.XOfTime(span.to));
        if (!(x2 > x1)) continue;
        device.SetPenColor(Tint(span.color, 6));
        device.FillRect(U(x1), UY(frame.Top()), U(std::max(x2, x1 + 1.0)), UY(frame.Bottom()));
    }
    SelectFont(device, kFontPixels - 2, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const ChartSpan& span = spans[i];
        const double x1 = std::max(frame.Left(), frame.XOfTime(span.from));
        const double x2 = std::min(frame.Right(), frame.XOfTime(span.to));
        if (x2 - x1 < TextWidth(span.label, kFontPixels - 2) + 4) continue;
        device.SetPenColor(span.color);
        device.Text(U(x1 + 2), UY(frame.Bottom() - kFontPixels - 1), span.label);
    }
}

// A vertical line at each marker, its label at the top of the plot; labels that would run
// into the one before drop to the next of a few rows. Markers crowded into shared pixel
// columns are thinned (prices/sky_markers.h).
void DrawMarkers(CDrawingDevice& device, const std::vector<ChartMarker>& markers,
                 const CChartFrame& frame) {
    if (markers.empty()) return;
    constexpr int kLabelPixels = kFontPixels - 2;
    static const CEstimatedTextMetrics estimate;
    const CTextMetrics& metrics = device.TextMetrics() ? *device.TextMetrics() : estimate;
    const MarkerLayout layout =
        LayOutMarkers(markers, frame, [&](std::string_view label, bool thinned) {
            if (!thinned) return TextWidth(label, kLabelPixels);
            const TextInk ink =
                metrics.Measure("Arial", kLabelPixels * kUnitsPerPixel, 0, label, false);
            return static_cast<double>(ink.left + ink.width) / kUnitsPerPixel;
        });
    device.SetPenWidth(0);
    const double footTop = frame.Bottom() - kMarkerTickPixels;
    for (const MarkerLayout::Line& line : layout.lines) {
        if (layout.ticks) {
            device.SetPenColor(line.color);
            device.Line(U(line.x), UY(footTop), U(line.x), UY(frame.Bottom()));
        } else {
            device.SetPenColor(Tint(line.color, 1));
            device.Line(U(line.x), UY(frame.Top()), U(line.x), UY(frame.Bottom()));
        }
    }
    SelectFont(device, kLabelPixels, 0);
    for (const MarkerLayout::Label& label : layout.labels) {
        device.SetPenColor(label.color);
        device.Text(U(label.x), UY(frame.Top() + 2 + label.row * (kLabelPixels + 2)), label.text);
    }
}

// The volumes of the bars in view, scaled to the largest of them, in the pane under the prices.
void DrawVolumes(CDrawingDevice& device, const PriceSeries& series, const CChartFrame& frame) {
    if (!frame.HasVolumePane() || !series.hasVolume) return;
    const ChartWindow& w = frame.Window();
    const auto byTime = [](const Bar& bar, double t) { return static_cast<double>(bar.time) < t; };
    const auto begin = std::lower_bound(series.bars.begin(), series.bars.end(), w.timeLeft, byTime);
    const auto end = std::lower_bound(begin, series.bars.end(), w.timeRight, byTime);
    if (begin == end) return;
    const double plotWidth = frame.Right() - frame.Left();
    const auto columns = static_cast<std::size_t>(std::max(1.0, std::ceil(plotWidth)) + 1);
    // The largest volume and the last bar's direction of every pixel column.
    std::vector<double> largest(columns, 0.0);
    std::vector<signed char> up(columns, 0);
    double top = 0.0;
    for (auto bar = begin; bar != end; ++bar) {
        const double x = frame.XOfTime(static_cast<double>(bar->time)) - frame.Left();
        const auto column = static_cast<std::size_t>(std::clamp(x, 0.0, plotWidth));
        largest[column] = std::max(largest[column], bar->volume);
        up[column] = bar->close >= bar->open ? 1 : -1;
        top = std::max(top, bar->volume);
    }
    if (!(top > 0.0)) return;
    const double foot = frame.VolumeBottom() - 1, height = foot - frame.VolumeTop() - 2;
    const double pixelsPerBar = plotWidth / static_cast<double>(end - begin);
    device.SetPenWidth(0);
    for (int pass = 1; pass >= -1; pass -= 2) {
        device.SetPenColor(Tint(pass > 0 ? kUpColor : kDownColor, 1));
        if (pixelsPerBar >= 3.0) {
            // Room for each bar: a block under its candle.
            const double half = std::max(1.0, std::min(pixelsPerBar * 0.35, 12.0));
            for (auto bar = begin; bar != end; ++bar) {
                if ((bar->close >= bar->open) != (pass > 0) || bar->volume <= 0.0) continue;
                const double x = frame.XOfTime(static_cast<double>(bar->time));
                const double y = foot - bar->volume / top * height;
                device.FillRect(U(std::max(frame.Left(), x - half)), UY(y),
                                U(std::min(frame.Right(), x + half)), UY(foot));
            }
            continue;
        }
        for (std::size_t c = 0; c < columns; ++c) {
            if (up[c] != pass || largest[c] <= 0.0) continue;
            const double x = frame.Left() + static_cast<double>(c) + 0.5;
            const double y = foot - largest[c] / top * height;
            device.Line(U(x), UY(foot), U(x), UY(std::min(y, foot - 0.25)));
        }
    }
    SelectFont(device, kFontPixels - 2, 0);
    device.SetPenColor(kAxisColor);
    // Volumes run to millions and more: "122.4M" reads better than "1.224e+08".
    static constexpr std::pair<double, const char*> kScales[] = {
        {1e12, "T"}, {1e9, "B"}, {1e6, "M"}, {1e3, "K"}, {1.0, ""}};
    double scale = 1.0;
    const char* suffix = "";
    for (const auto& [size, name] : kScales) {
        if (top >= size) {
            scale = size, suffix = name;
            break;
        }
    }
    char text[48];
    std::snprintf(text, sizeof text, "volume, up to %.4g%s", top / scale, suffix);
    device.Text(U(frame.Left() + 4), UY(frame.VolumeTop() + 2), text);
}

}  // namespace

const char* LegendPlaceName(LegendPlace place) {
    switch (place) {
        case LegendPlace::TopLeft:
            return "top-left";
        case LegendPlace::TopRight:
            return "top-right";
        case LegendPlace::BottomLeft:
            return "bottom-left";
        case LegendPlace::BottomRight:
            return "bottom-right";
        case LegendPlace::Auto:
            return "auto";
        case LegendPlace::Hidden:
            return "none";
    }
    return "top-left";
}

bool ParseLegendPlace(std::string_view text, LegendPlace& place) {
    for (LegendPlace candidate :
         {LegendPlace::TopLeft, LegendPlace::TopRight, LegendPlace::BottomLeft,
          LegendPlace::BottomRight, LegendPlace::Auto, LegendPlace::Hidden}) {
        if (text == LegendPlaceName(candidate)) {
            place = candidate;
            return true;
        }
    }
    return false;
}

const char* BarStyleName(BarStyle style) {
    switch (style) {
        case BarStyle::Candles:
            return "candles";
        case BarStyle::OhlcBars:
            return "bars";
        case BarStyle::CloseLine:
            return "line";
    }
    return "candles";
}

bool ParseBarStyle(std::string_view text, BarStyle& style) {
    for (BarStyle candidate : {BarStyle::Candles, BarStyle::OhlcBars, BarStyle::CloseLine}) {
        if (text == BarStyleName(candidate)) {
            style = candidate;
            return true;
        }
    }
    return false;
}

COLORREF DefaultBodyColor(int code) {
    const Body* body = BodyOfCode(code);
    if (body == nullptr) return RGB(0, 0, 0);
    return RGB(body->color.red, body->color.green, body->color.blue);
}

CChartFrame::CChartFrame(int width, int height, const ChartWindow& window, bool logScale,
                         const CTradingAxis* trading, bool volumePane, int bodyPanes)
    : m_width(width), m_height(height), m_window(window), m_log(logScale), m_trading(trading) {
    m_left = kMarginLeft;
    m_right = std::max(m_left + 10.0, width - kMarginRight);
    m_top = kMarginTop;
    m_plotBottom = std::max(m_top + 10.0, height - kMarginBottom);
    m_bottom = m_volumeTop = m_panesTop = m_plotBottom;
    if (bodyPanes > 0) {
        // Each pane a sixth of the plot, at least 40 pixels, the prices keeping at least half.
        const double plot = m_plotBottom - m_top;
        const double pane = std::max(40.0, std::floor(plot / 6.0));
        const int room = static_cast<int>(std::floor(plot * 0.5 / pane));
        m_panes = std::min(bodyPanes, room);
        m_paneHeight = pane;
        m_panesTop = m_plotBottom - pane * m_panes;
        m_bottom = m_volumeTop = m_panes > 0 ? m_panesTop - 4.0 : m_plotBottom;
    }
    if (volumePane) {
        // A fifth of the plot, a gap of a few pixels above it.
        const double pane = std::floor((m_bottom - m_top) * 0.2);
        if (pane >= 20.0) {
            m_volumeTop = m_bottom - pane;
            m_bottom = m_volumeTop - 4.0;
        }
    }
    if (m_log) {
        m_lowValue = std::log(std::max(window.priceLow, std::numeric_limits<double>::min()));
        m_highValue = std::log(std::max(window.priceHigh, std::numeric_limits<double>::min()));
    } else {
        m_lowValue = window.priceLow;
        m_highValue = window.priceHigh;
    }
    if (m_trading != nullptr) {
        m_leftPosition = m_trading->PositionOf(window.timeLeft);
        m_rightPosition = m_trading->PositionOf(window.timeRight);
        if (!(m_rightPosition > m_leftPosition)) m_rightPosition = m_leftPosition + 1.0;
    }
}

double CChartFrame::PaneTop(int pane) const {
    return m_panesTop + m_paneHeight * pane;
}

double CChartFrame::PaneBottom(int pane) const {
    return m_panesTop + m_paneHeight * (pane + 1);
}

std::vector<TimeTick> TimeAxisTicks(const CChartFrame& frame) {
    return SpacedTimeTicks(frame);
}

void DrawChartSpans(CDrawingDevice& device, const std::vector<ChartSpan>& spans,
                    const CChartFrame& frame) {
    DrawSpans(device, spans, frame);
}

void DrawChartMarkers(CDrawingDevice& device, const std::vector<ChartMarker>& markers,
                      const CChartFrame& frame) {
    DrawMarkers(device, markers, frame);
}

double CChartFrame::XOfTime(double seconds) const {
    if (m_trading != nullptr) {
        return m_left + (m_trading->PositionOf(seconds) - m_leftPosition) /
                            (m_rightPosition - m_leftPosition) * (m_right - m_left);
    }
    return m_left + (seconds - m_window.timeLeft) / (m_window.timeRight - m_window.timeLeft) *
                        (m_right - m_left);
}

double CChartFrame::TimeOfX(double x) const {
    if (m_trading != nullptr) {
        return m_trading->TimeOf(m_leftPosition + (x - m_left) / (m_right - m_left) *
                                                      (m_rightPosition - m_leftPosition));
    }
    return m_window.timeLeft +
           (x - m_left) / (m_right - m_left) * (m_window.timeRight - m_window.timeLeft);
}

double CChartFrame::YOfPrice(double price) const {
    const double value = m_log ? std::log(price) : price;
    return m_bottom - (value - m_lowValue) / (m_highValue - m_lowValue) * (m_bottom - m_top);
}

double CChartFrame::PriceOfY(double y) const {
    const double value =
        m_lowValue + (m_bottom - y) / (m_bottom - m_top) * (m_highValue - m_lowValue);
    return m_log ? std::exp(value) : value;
}

CTradingAxis::CTradingAxis(const std::vector<UnixSeconds>& times) {
    SetTimes(std::make_shared<const CTimeColumn>(times));
}

CTradingAxis CTradingAxis::Of(const PriceSeries& series) {
    CTradingAxis axis(std::vector<UnixSeconds>{});
    axis.SetTimes(std::make_shared<const CTimeColumn>(series.bars.Times()));
    return axis;
}

CTradingAxis CTradingAxis::Of(std::shared_ptr<const PriceSeries> series) {
    CTradingAxis axis(std::vector<UnixSeconds>{});
    const CTimeColumn& times = series->bars.Times();
    axis.SetTimes(std::shared_ptr<const CTimeColumn>(std::move(series), &times));
    return axis;
}

void CTradingAxis::SetTimes(std::shared_ptr<const CTimeColumn> times) {
    m_times = std::move(times);
    if (m_times->size() < 2) return;
    m_spacing = std::max<double>(1.0, static_cast<double>(m_times->MedianStep()));
}

double CTradingAxis::PositionOf(double seconds) const {
    if (m_times->size() < 2) {
        const double origin = m_times->empty() ? 0.0 : static_cast<double>(m_times->front());
        return (seconds - origin) / m_spacing;
    }
    const double first = static_cast<double>(m_times->front());
    const double last = static_cast<double>(m_times->back());
    if (seconds <= first) return (seconds - first) / m_spacing;
    if (seconds >= last)
        return static_cast<double>(m_times->size() - 1) + (seconds - last) / m_spacing;
    // The bar at or after the time, and the one before it.
    const auto after =
        std::lower_bound(m_times->begin(), m_times->end(), seconds,
                         [](UnixSeconds t, double s) { return static_cast<double>(t) < s; });
    const std::size_t i = static_cast<std::size_t>(after - m_times->begin());
    const double t1 = static_cast<double>((*m_times)[i]),
                 t0 = static_cast<double>((*m_times)[i - 1]);
    return static_cast<double>(i - 1) + (seconds - t0) / (t1 - t0);
}

double CTradingAxis::TimeOf(double position) const {
    if (m_times->size() < 2) {
        const double origin = m_times->empty() ? 0.0 : static_cast<double>(m_times->front());
        return origin + position * m_spacing;
    }
    const double lastIndex = static_cast<double>(m_times->size() - 1);
    if (position <= 0.0) return static_cast<double>(m_times->front()) + position * m_spacing;
    if (position >= lastIndex) {
        return static_cast<double>(m_times->back()) + (position - lastIndex) * m_spacing;
    }
    const double whole = std::floor(position);
    const auto i = static_cast<std::size_t>(whole);
    const double t0 = static_cast<double>((*m_times)[i]),
                 t1 = static_cast<double>((*m_times)[i + 1]);
    return t0 + (position - whole) * (t1 - t0);
}

std::optional<Bar> BarNear(const PriceSeries& series, double seconds) {
    const CBarStore& bars = series.bars;
    if (bars.empty()) return std::nullopt;
    const auto after = std::lower_bound(
        bars.begin(), bars.end(), seconds,
        [](const Bar& bar, double t) { return static_cast<double>(bar.time) < t; });
    auto best = bars.end();
    double bestDistance = 0.0;
    for (auto it : {after, after == bars.begin() ? bars.end() : after - 1}) {
        if (it == bars.end()) continue;
        const double distance = std::fabs(static_cast<double>(it->time) - seconds);
        if (best == bars.end() || distance < bestDistance) best = it, bestDistance = distance;
    }
    // Within half the step to its neighbours (the step to the one neighbour at the ends).
    const std::size_t i = best.Index();
    double step = 0.0;
    if (i + 1 < bars.size()) step = static_cast<double>(bars[i + 1].time - bars[i].time);
    if (i > 0) step = std::max(step, static_cast<double>(bars[i].time - bars[i - 1].time));
    if (bars.size() == 1) step = 86400.0;
    return bestDistance <= step / 2.0 ? std::optional<Bar>(*best) : std::nullopt;
}

bool CChartFrame::InPlot(double x, double y) const {
    return x >= m_left && x <= m_right && y >= m_top && y <= m_bottom;
}

namespace {

void FitPrices(double low, double high, bool logScale, ChartWindow& window) {
    if (logScale && low > 0.0) {
        const double ratio = std::pow(std::max(high / low, 1.0001), 0.05);
        window.priceLow = low / ratio, window.priceHigh = high * ratio;
    } else {
        const double margin = std::max((high - low) * 0.05, std::max(std::fabs(high), 1.0) * 1e-3);
        window.priceLow = low - margin, window.priceHigh = high + margin;
    }
}

}  // namespace

ChartWindow FitWindow(const PriceSeries& series, bool logScale) {
    ChartWindow window;
    if (series.bars.empty()) {
        window.timeLeft = 0.0, window.timeRight = 86400.0;
        window.priceLow = 1.0, window.priceHigh = 2.0;
        return window;
    }
    const double first = static_cast<double>(series.bars.front().time);
    const double last = static_cast<double>(series.bars.back().time);
    const double span = std::max(last - first, 86400.0);
    window.timeLeft = first - span * 0.02;
    window.timeRight = last + span * 0.02;
    return FitPricesToTimes(series, window, logScale);
}

ChartWindow FitPricesToTimes(const PriceSeries& series, const ChartWindow& window, bool logScale) {
    const auto byTime = [](const Bar& bar, double t) { return static_cast<double>(bar.time) < t; };
    const auto begin =
        std::lower_bound(series.bars.begin(), series.bars.end(), window.timeLeft, byTime);
    const auto end = std::lower_bound(begin, series.bars.end(), window.timeRight, byTime);
    if (begin == end) return window;
    double low = begin->low, high = begin->high;
    for (auto bar = begin; bar != end; ++bar) {
        low = std::min(low, bar->low);
        high = std::max(high, bar->high);
    }
    ChartWindow fitted = window;
    FitPrices(low, high, logScale, fitted);
    return fitted;
}

ChartWindow ZoomWindow(const CChartFrame& frame, double x, double y, double factor, bool times,
                       bool prices) {
    ChartWindow window = frame.Window();
    if (times && frame.Trading() != nullptr) {
        // Even along the axis on show: the window's edges move in its positions, not in time.
        const double left = frame.TimeOfX(x - (x - frame.Left()) * factor);
        const double right = frame.TimeOfX(x + (frame.Right() - x) * factor);
        if (right - left >= 60.0 && right - left <= 3.2e11) {
            window.timeLeft = left;
            window.timeRight = right;
        }
    } else if (times) {
        const double t = frame.TimeOfX(x);
        const double span = (window.timeRight - window.timeLeft) * factor;
        // Never narrower than a minute nor wider than ten thousand years.
        if (span >= 60.0 && span <= 3.2e11) {
            const double share = (t - window.timeLeft) / (window.timeRight - window.timeLeft);
            window.timeLeft = t - share * span;
            window.timeRight = window.timeLeft + span;
        }
    }
    if (prices) {
        const double p = frame.PriceOfY(y);
        if (frame.LogScale()) {
            const double low = std::log(window.priceLow), high = std::log(window.priceHigh);
            const double at = std::log(p), span = (high - low) * factor;
            const double share = (at - low) / (high - low);
            if (span > 1e-9 && span < 700.0) {
                window.priceLow = std::exp(at - share * span);
                window.priceHigh = std::exp(at - share * span + span);
            }
        } else {
            const double span = (window.priceHigh - window.priceLow) * factor;
            const double share = (p - window.priceLow) / (window.priceHigh - window.priceLow);
            if (span > 1e-9 * std::max(1.0, std::fabs(p)) && span < 1e15) {
                window.priceLow = p - share * span;
                window.priceHigh = window.priceLow + span;
            }
        }
    }
    return window;
}

ChartWindow PanWindow(const CChartFrame& frame, double fromX, double fromY, double toX,
                      double toY) {
    ChartWindow window = frame.Window();
    if (frame.Trading() != nullptr) {
        window.timeLeft = frame.TimeOfX(frame.Left() + fromX - toX);
        window.timeRight = frame.TimeOfX(frame.Right() + fromX - toX);
    } else {
        const double dt = frame.TimeOfX(fromX) - frame.TimeOfX(toX);
        window.timeLeft += dt;
        window.timeRight += dt;
    }
    if (frame.LogScale()) {
        const double ratio = frame.PriceOfY(fromY) / frame.PriceOfY(toY);
        window.priceLow *= ratio;
        window.priceHigh *= ratio;
    } else {
        const double dp = frame.PriceOfY(fromY) - frame.PriceOfY(toY);
        window.priceLow += dp;
        window.priceHigh += dp;
    }
    return window;
}

std::string CheckChart(const PriceSeries& series, const ChartWindow& window, bool logScale) {
    char text[200];
    if (!(window.timeRight > window.timeLeft) || !(window.priceHigh > window.priceLow)) {
        return "the chart's window is empty";
    }
    // Beyond these the axes' arithmetic overflows; no bar file reaches them.
    if (!(std::fabs(window.timeLeft) < kMaxAxisSeconds &&
          std::fabs(window.timeRight) < kMaxAxisSeconds)) {
        return "the chart's window lies beyond the dates a chart shows";
    }
    if (!std::isfinite(window.priceHigh - window.priceLow)) {
        return "the chart's window spans more prices than a chart shows";
    }
    if (!logScale) return {};
    for (const Bar& bar : series.bars) {
        if (bar.low <= 0.0) {
            std::snprintf(text, sizeof text,
                          "%s: the log scale needs prices above 0; the bar of %s has a low of %g",
                          series.name.c_str(),
                          FormatBarTime(static_cast<double>(bar.time), series.intraday).c_str(),
                          bar.low);
            return text;
        }
    }
    if (window.priceLow <= 0.0) {
        std::snprintf(text, sizeof text,
                      "the log scale needs prices above 0; the window reaches %g", window.priceLow);
        return text;
    }
    return {};
}

void DrawPriceChart(CDrawingDevice& device, const PriceSeries& series, const ChartOptions& options,
                    const CChartFrame& frame, ChartCache& cache) {
    DrawSpans(device, options.spans, frame);
    DrawAxes(device, frame);
    // The planetary lines are long and nearly straight, cut into strokes where they bend: flat
    // ends join them as well as round ones would, and a raster draws them many times faster.
    device.SetPenEnds(CDrawingDevice::PenEnds::Flat);
    const bool linesDrawn = DrawBodyLines(device, options, frame, cache);
    device.SetPenEnds(CDrawingDevice::PenEnds::Round);
    DrawMarkers(device, options.markers, frame);
    DrawVolumes(device, series, frame);
    DrawBars(device, series, options, frame, cache);
    if (!options.panes.empty() && frame.PaneCount() > 0) {
        DrawBodyPanes(device, frame,
                      {options.panes, options.bodies, options.lines.source, options.quality},
                      cache.motions);
    }
    if (linesDrawn && options.lineLabels) DrawLineLabels(device, options, frame);
    DrawLegend(device, series, options, frame, linesDrawn);
}

std::string FormatPrice(double price, double step) {
    int decimals = 0;
    if (step > 0.0 && std::isfinite(step)) {
        decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 8);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, price);
    // A price that rounds to zero is written without a sign: "-0" reads as a fault.
    if (text[0] == '-' && std::strspn(text + 1, "0.") == std::strlen(text + 1)) {
        return text + 1;
    }
    return text;
}

std::string FormatBarTime(double seconds, bool withClock) {
    // Beyond some 300,000 years (and for NaN) the calendar's integers would overflow: such an
    // instant is written as the number it is.
    if (!(std::fabs(seconds) < kLargestBarTime)) {
        char text[48];
        std::snprintf(text, sizeof text, "%g seconds from 1970", seconds);
        return text;
    }
    const auto whole = static_cast<std::int64_t>(std::floor(seconds));
    const std::int64_t days = (whole - (((whole % 86400) + 86400) % 86400)) / 86400;
    const std::int64_t clock = whole - days * 86400;
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[48];
    if (withClock) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", year, month, day,
                      static_cast<int>(clock / 3600), static_cast<int>(clock / 60 % 60));
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    }
    return text;
}

double NiceStep(double raw) {
    if (!(raw > 0.0) || !std::isfinite(raw)) return 1.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / magnitude;
    const double nice = fraction <= 1.0   ? 1.0
                        : fraction <= 2.0 ? 2.0
                        : fraction <= 5.0 ? 5.0
                                          : 10.0;
    return nice * magnitude;
}

}  // namespace prices
