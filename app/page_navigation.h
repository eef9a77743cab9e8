#pragma once
#include <QDate>
#include <QString>
#include <optional>

class CCaelvaneDoc;
struct PageStatus;

namespace caelvane {
class CHostServices;
}

// The first and last day of a job's pages, as its preparation (PreparePage) works them out.
struct PageDateRange {
    QDate first;
    QDate last;
};

// The days the job's pages show, or nullopt for a job that is not a date range or whose dates
// run backwards.
std::optional<PageDateRange> JobPageDates(const CCaelvaneDoc& doc,
                                          const caelvane::CHostServices& host);

// The page of a date-range job that shows `date`, or nullopt with `error` saying why there is
// none (the job has one page, or the date lies outside its range).
std::optional<int> PageForDate(const CCaelvaneDoc& doc, const caelvane::CHostServices& host,
                               QDate date, QString& error);

// The status bar's texts: "Page 3 of 31" and the page's date ("Sat Jan 20, 2024"; empty when
// it has none).
QString PageNumberText(const PageStatus& status);
QString PageDateText(const PageStatus& status);
