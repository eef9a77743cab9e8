#pragma once
// The Julian-calendar name of a day before the Gregorian reform, shown beside the Gregorian
// date the new windows use (historians, and the classic pages, name those days the Julian way).
#include <QString>

class QDate;
class QDateTimeEdit;
class QLabel;

// "Julian 1500-06-05" for a day before 1582-10-15; empty from the reform on.
QString JulianNameOf(const QDate& date);

// A label, owned by `edit`'s parent, that follows `edit` and shows the Julian name of its date
// (nothing from the reform on).
QLabel* JulianNameLabel(QDateTimeEdit* edit);
