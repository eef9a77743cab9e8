#include "app/sky_chart_settings.h"

#include <QStringList>
#include <algorithm>

#include "sky/sky_chart.h"

namespace {

const QString kGroup = QStringLiteral("SkyChart/");

// A value as written, also where the INI reader took an unquoted "a,b" for a list.
std::optional<QString> Text(const QSettings& profile, const char* key) {
    const QVariant value = profile.value(kGroup + QLatin1String(key));
    if (!value.isValid()) return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString().trimmed();
}

// The names of a list, each known to `known`; nothing when any is not (the value is damaged).
template <typename T, typename Parse>
std::optional<std::vector<T>> ParseList(const QString& text, Parse parse) {
    std::vector<T> items;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<T> item = parse(part.trimmed().toStdString());
        if (!item) return std::nullopt;
        if (std::find(items.begin(), items.end(), *item) == items.end()) items.push_back(*item);
    }
    return items;
}

}  // namespace

SkyChartSettings LoadSkyChartSettings(const QSettings& profile) {
    SkyChartSettings settings;
    if (const auto text = Text(profile, "Bodies")) {
        const auto bodies = ParseList<std::string>(*text, [](const std::string& name) {
            const Body* body = FindBody(name);
            return body != nullptr ? std::optional<std::string>(body->name) : std::nullopt;
        });
        if (bodies) settings.bodies = *bodies;
    }
    if (const auto text = Text(profile, "Frame")) {
        if (const auto frame = ParseFrame(text->toStdString())) settings.frame = *frame;
    }
    if (const auto text = Text(profile, "Positions")) {
        if (const auto source = ParsePositionSource(text->toStdString())) {
            // Kept with the precise source, opened in a build without its files: the series.
            settings.source = *source == PositionSource::Precise && !PrecisePositionsAvailable()
                                  ? PositionSource::Series
                                  : *source;
        }
    }
    if (const auto text = Text(profile, "Dial")) {
        double dial = 0.0;
        if (sky::ParseDial(text->toStdString(), dial)) settings.dial = dial;
    }
    if (const auto text = Text(profile, "Panes")) {
        const auto panes = ParseList<prices::PaneKind>(
            *text, [](const std::string& name) { return prices::ParsePaneName(name); });
        if (panes) settings.panes = *panes;
    }
    if (const auto text = Text(profile, "Markers")) {
        if (*text == QLatin1String("1") || *text == QLatin1String("0"))
            settings.markers = *text == QLatin1String("1");
    }
    return settings;
}

void SaveSkyChartSettings(QSettings& profile, const SkyChartSettings& settings) {
    QStringList bodies, panes;
    for (const std::string& name : settings.bodies) bodies << QString::fromStdString(name);
    for (prices::PaneKind kind : settings.panes)
        panes << QString::fromLatin1(prices::PaneName(kind));
    // Lists joined by hand: a list value would be written as one only while it has several.
    profile.setValue(kGroup + QLatin1String("Bodies"), bodies.join(QLatin1Char(',')));
    profile.setValue(kGroup + QLatin1String("Frame"),
                     QString::fromLatin1(FrameName(settings.frame)));
    if (settings.source) {
        profile.setValue(kGroup + QLatin1String("Positions"),
                         QString::fromLatin1(PositionSourceName(*settings.source)));
    } else {
        profile.remove(kGroup + QLatin1String("Positions"));
    }
    profile.setValue(kGroup + QLatin1String("Dial"),
                     QString::fromStdString(sky::DialName(settings.dial)));
    profile.setValue(kGroup + QLatin1String("Panes"), panes.join(QLatin1Char(',')));
    profile.setValue(kGroup + QLatin1String("Markers"),
                     settings.markers ? QStringLiteral("1") : QStringLiteral("0"));
}
