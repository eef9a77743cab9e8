#include "app/price_chart_settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "ephemeris/bodies.h"

namespace {

constexpr const char* kOrderKey = "Files/Order";

// Paths hold slashes, which QSettings reads as groups: each file gets a group named by a hash
// of its path, and the path itself is stored inside to tell collisions apart.
QString GroupOf(const QString& key) {
    return QStringLiteral("File_") +
           QString::fromLatin1(
               QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString ColorText(COLORREF color) {
    // As COLORREF bytes read: red in the low byte. Colours are text: QSettings keeps QColor
    // as an opaque blob.
    return QStringLiteral("#%1%2%3")
        .arg(GetRValue(color), 2, 16, QLatin1Char('0'))
        .arg(GetGValue(color), 2, 16, QLatin1Char('0'))
        .arg(GetBValue(color), 2, 16, QLatin1Char('0'));
}

bool ParseColor(const QString& text, COLORREF& color) {
    if (text.size() != 7 || !text.startsWith(QLatin1Char('#'))) return false;
    bool ok = false;
    const uint rgb = text.mid(1).toUInt(&ok, 16);
    if (!ok) return false;
    color = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    return true;
}

// A value as written, also where the INI reader took an unquoted "a,b" for a list.
QString Text(const QSettings& ini, const QString& key) {
    const QVariant value = ini.value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool FiniteDouble(const QString& text, double& out) {
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && std::isfinite(out);
}

QString DoubleText(double value) {
    return QString::number(value, 'g', 17);
}

}  // namespace

QString PriceSettingsPathBeside(const QString& profilePath) {
    return QFileInfo(profilePath).dir().filePath(QStringLiteral("prices.ini"));
}

CPriceChartSettingsStore::CPriceChartSettingsStore(QString path) : m_path(std::move(path)) {}

QString CPriceChartSettingsStore::Key(const QString& dataFile) {
    const QString canonical = QFileInfo(dataFile).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(dataFile).absoluteFilePath() : canonical;
}

std::optional<PriceChartSettings> CPriceChartSettingsStore::Load(const QString& dataFile) const {
    const QString key = Key(dataFile);
    QSettings ini(m_path, QSettings::IniFormat);
    ini.beginGroup(GroupOf(key));
    if (Text(ini, QStringLiteral("Path")) != key) return std::nullopt;

    PriceChartSettings settings;
    prices::ChartOptions& options = settings.options;
    prices::BarStyle style{};
    if (!prices::ParseBarStyle(Text(ini, QStringLiteral("Style")).toStdString(), style))
        return std::nullopt;
    options.style = style;
    options.logScale = Text(ini, QStringLiteral("Log")) == QLatin1String("1");
    const auto frame = ParseFrame(Text(ini, QStringLiteral("Frame")).toStdString());
    const auto source = ParsePositionSource(Text(ini, QStringLiteral("Positions")).toStdString());
    if (!frame || !source) return std::nullopt;
    options.lines.frame = *frame;
    // A file saved with the precise source opens with the series in a build without it.
    options.lines.source = *source == PositionSource::Precise && !PrecisePositionsAvailable()
                               ? PositionSource::Series
                               : *source;
    if (!FiniteDouble(Text(ini, QStringLiteral("UnitsPerCircle")), options.lines.unitsPerCircle) ||
        !(options.lines.unitsPerCircle > 0.0) ||
        !FiniteDouble(Text(ini, QStringLiteral("Offset")), options.lines.offset))
        return std::nullopt;
    options.lines.harmonics.clear();
    for (const QString& part : Text(ini, QStringLiteral("Harmonics")).split(QLatin1Char(','))) {
        double harmonic = 0.0;
        if (!FiniteDouble(part, harmonic)) return std::nullopt;
        options.lines.harmonics.push_back(harmonic);
    }
    // "Mars=#c83232,Jupiter=#..." in drawing order.
    const QString bodies = Text(ini, QStringLiteral("Bodies"));
    if (!bodies.isEmpty()) {
        for (const QString& entry : bodies.split(QLatin1Char(','))) {
            const QStringList parts = entry.split(QLatin1Char('='));
            if (parts.size() != 2) return std::nullopt;
            const Body* body = FindBody(parts[0].toStdString());
            COLORREF color = 0;
            if (body == nullptr || BodyCode(*body, *frame) == 0 || !ParseColor(parts[1], color))
                return std::nullopt;
            options.bodies.push_back({BodyCode(*body, *frame), color});
        }
    }
    // Kept by later versions; a file saved before them has the defaults.
    const QString legend = Text(ini, QStringLiteral("Legend"));
    if (!legend.isEmpty() && !prices::ParseLegendPlace(legend.toStdString(), options.legend))
        return std::nullopt;
    if (legend.isEmpty()) options.legend = prices::LegendPlace::Auto;
    options.lineLabels = Text(ini, QStringLiteral("LineLabels")) != QLatin1String("0");
    options.volumePane = Text(ini, QStringLiteral("Volume")) != QLatin1String("0");
    // Panes came later: none in a file saved before them; an unknown name is left out.
    for (const QString& name :
         Text(ini, QStringLiteral("Panes")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (const auto kind = prices::ParsePaneName(name.toStdString())) {
            if (std::find(options.panes.begin(), options.panes.end(), *kind) == options.panes.end())
                options.panes.push_back(*kind);
        }
    }
    settings.tradingDays = Text(ini, QStringLiteral("TradingDays")) == QLatin1String("1");
    settings.fitPrices = Text(ini, QStringLiteral("FitPrices")) != QLatin1String("0");
    const QStringList window =
        Text(ini, QStringLiteral("Window")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (window.size() == 4) {
        double v[4];
        bool ok = true;
        for (int i = 0; i < 4; ++i) ok = ok && FiniteDouble(window[i], v[i]);
        if (ok && v[1] > v[0] && v[3] > v[2])
            settings.window = prices::ChartWindow{v[0], v[1], v[2], v[3]};
    }
    return settings;
}

bool CPriceChartSettingsStore::Save(const QString& dataFile, const PriceChartSettings& settings) {
    const QString key = Key(dataFile);
    const QString group = GroupOf(key);
    QSettings ini(m_path, QSettings::IniFormat);
    const prices::ChartOptions& options = settings.options;

    QStringList order = ini.value(QLatin1String(kOrderKey)).toStringList();
    order.removeAll(group);
    order.prepend(group);
    while (order.size() > kMaxFiles) ini.remove(order.takeLast());
    ini.setValue(QLatin1String(kOrderKey), order);

    ini.remove(group);
    ini.beginGroup(group);
    ini.setValue(QStringLiteral("Path"), key);
    ini.setValue(QStringLiteral("Style"), QString::fromLatin1(prices::BarStyleName(options.style)));
    ini.setValue(QStringLiteral("Log"),
                 options.logScale ? QStringLiteral("1") : QStringLiteral("0"));
    ini.setValue(QStringLiteral("Frame"), QString::fromLatin1(FrameName(options.lines.frame)));
    ini.setValue(QStringLiteral("Positions"),
                 QString::fromLatin1(PositionSourceName(options.lines.source)));
    ini.setValue(QStringLiteral("UnitsPerCircle"), DoubleText(options.lines.unitsPerCircle));
    ini.setValue(QStringLiteral("Offset"), DoubleText(options.lines.offset));
    QStringList harmonics;
    for (double harmonic : options.lines.harmonics) harmonics.append(DoubleText(harmonic));
    // Joined by hand: a list value would be written as one only while it has several entries.
    ini.setValue(QStringLiteral("Harmonics"), harmonics.join(QLatin1Char(',')));
    QStringList bodies;
    for (const prices::BodyStyle& body : options.bodies) {
        if (const Body* named = BodyOfCode(body.code))
            bodies.append(QString::fromLatin1(named->name) + QLatin1Char('=') +
                          ColorText(body.color));
    }
    ini.setValue(QStringLiteral("Bodies"), bodies.join(QLatin1Char(',')));
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    ini.setValue(QStringLiteral("Legend"),
                 QString::fromLatin1(prices::LegendPlaceName(options.legend)));
    ini.setValue(QStringLiteral("LineLabels"), flag(options.lineLabels));
    ini.setValue(QStringLiteral("Volume"), flag(options.volumePane));
    QStringList panes;
    for (prices::PaneKind kind : options.panes)
        panes << QString::fromLatin1(prices::PaneName(kind));
    ini.setValue(QStringLiteral("Panes"), panes.join(QLatin1Char(',')));
    ini.setValue(QStringLiteral("TradingDays"), flag(settings.tradingDays));
    ini.setValue(QStringLiteral("FitPrices"), flag(settings.fitPrices));
    if (settings.window) {
        const prices::ChartWindow& w = *settings.window;
        ini.setValue(QStringLiteral("Window"),
                     QStringList{DoubleText(w.timeLeft), DoubleText(w.timeRight),
                                 DoubleText(w.priceLow), DoubleText(w.priceHigh)}
                         .join(QLatin1Char(',')));
    }
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}
