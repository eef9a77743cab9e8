#pragma once
// What a price chart window remembers of each data file it has shown: the panel's choices and
// the last time and price window, kept in an INI file of their own beside the profile, under
// the file's canonical path. Only the most recent kMaxFiles files are kept.
#include <QString>
#include <optional>

#include "prices/price_chart.h"

struct PriceChartSettings {
    prices::ChartOptions options;  // title unused
    std::optional<prices::ChartWindow> window;
    bool tradingDays = false;  // bars without the gaps between trading days
    bool fitPrices = true;     // the price axis follows the bars in view
};

class CPriceChartSettingsStore {
public:
    static constexpr int kMaxFiles = 50;

    // The store in the INI file at `path` (created on the first Save).
    explicit CPriceChartSettingsStore(QString path);

    const QString& Path() const { return m_path; }

    // The settings last saved for the data file at `dataFile`; nothing when none are kept or
    // they cannot be read back whole (a value out of range is dropped, not half-applied).
    std::optional<PriceChartSettings> Load(const QString& dataFile) const;
    // Keeps `settings` for `dataFile`, which becomes the most recent; the oldest beyond
    // kMaxFiles are forgotten. False when the INI file could not be written.
    bool Save(const QString& dataFile, const PriceChartSettings& settings);

    // The canonical path that keys a data file (the path itself when it does not exist).
    static QString Key(const QString& dataFile);

private:
    QString m_path;
};

// Where the desktop program keeps the store: "prices.ini" beside the profile at `profilePath`.
QString PriceSettingsPathBeside(const QString& profilePath);
